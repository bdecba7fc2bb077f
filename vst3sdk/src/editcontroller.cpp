#include "vst3sdk/helpers/editcontroller.h"

#include "vst3sdk/helpers/ustring.h"

namespace Steinberg::Vst {

tresult PLUGIN_API EditController::initialize(FUnknown* context) {
    return ComponentBase::initialize(context);
}

tresult PLUGIN_API EditController::terminate() {
    parameters.removeAll();
    if (componentHandler != nullptr) {
        componentHandler->release();
        componentHandler = nullptr;
    }
    if (componentHandler2 != nullptr) {
        componentHandler2->release();
        componentHandler2 = nullptr;
    }
    return ComponentBase::terminate();
}

tresult PLUGIN_API EditController::setComponentState(IBStream*) {
    return kNotImplemented;
}
tresult EditController::controllerSetState(IBStream*) {
    return kNotImplemented;
}
tresult EditController::controllerGetState(IBStream*) {
    return kNotImplemented;
}

int32 PLUGIN_API EditController::getParameterCount() {
    return parameters.getParameterCount();
}

tresult PLUGIN_API EditController::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
    if (Parameter* p = parameters.getParameterByIndex(paramIndex)) {
        info = p->getInfo();
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API EditController::getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                                         String128 string) {
    if (string == nullptr)
        return kInvalidArgument;
    if (Parameter* p = parameters.getParameter(tag)) {
        p->toString(valueNormalized, string);
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API EditController::getParamValueByString(ParamID tag, TChar* string,
                                                         ParamValue& valueNormalized) {
    if (Parameter* p = parameters.getParameter(tag)) {
        if (p->fromString(string, valueNormalized))
            return kResultTrue;
    }
    return kResultFalse;
}

ParamValue PLUGIN_API EditController::normalizedParamToPlain(ParamID tag,
                                                             ParamValue valueNormalized) {
    if (Parameter* p = parameters.getParameter(tag))
        return p->toPlain(valueNormalized);
    return valueNormalized;
}

ParamValue PLUGIN_API EditController::plainParamToNormalized(ParamID tag, ParamValue plainValue) {
    if (Parameter* p = parameters.getParameter(tag))
        return p->toNormalized(plainValue);
    return plainValue;
}

ParamValue PLUGIN_API EditController::getParamNormalized(ParamID tag) {
    if (Parameter* p = parameters.getParameter(tag))
        return p->getNormalized();
    return 0.0;
}

tresult PLUGIN_API EditController::setParamNormalized(ParamID tag, ParamValue value) {
    if (Parameter* p = parameters.getParameter(tag)) {
        p->setNormalized(value);
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API EditController::setComponentHandler(IComponentHandler* handler) {
    if (handler == componentHandler)
        return kResultTrue;
    if (componentHandler != nullptr)
        componentHandler->release();
    componentHandler = handler;
    if (componentHandler != nullptr)
        componentHandler->addRef();
    if (componentHandler2 != nullptr) {
        componentHandler2->release();
        componentHandler2 = nullptr;
    }
    if (handler != nullptr) {
        void* obj = nullptr;
        if (handler->queryInterface(IComponentHandler2::iid, &obj) == kResultOk)
            componentHandler2 = static_cast<IComponentHandler2*>(obj);
    }
    return kResultTrue;
}

IPlugView* PLUGIN_API EditController::createView(FIDString) {
    return nullptr;
}

tresult PLUGIN_API EditController::setKnobMode(KnobMode mode) {
    hostKnobMode = mode;
    return kResultTrue;
}

tresult PLUGIN_API EditController::openHelp(TBool) {
    return kResultFalse;
}
tresult PLUGIN_API EditController::openAboutBox(TBool) {
    return kResultFalse;
}

tresult EditController::beginEdit(ParamID tag) {
    return componentHandler != nullptr ? componentHandler->beginEdit(tag) : kResultFalse;
}

tresult EditController::performEdit(ParamID tag, ParamValue valueNormalized) {
    return componentHandler != nullptr ? componentHandler->performEdit(tag, valueNormalized)
                                       : kResultFalse;
}

tresult EditController::endEdit(ParamID tag) {
    return componentHandler != nullptr ? componentHandler->endEdit(tag) : kResultFalse;
}

tresult EditController::startGroupEdit() {
    return componentHandler2 != nullptr ? componentHandler2->startGroupEdit() : kNotImplemented;
}

tresult EditController::finishGroupEdit() {
    return componentHandler2 != nullptr ? componentHandler2->finishGroupEdit() : kNotImplemented;
}

tresult EditController::setDirty(TBool state) {
    return componentHandler2 != nullptr ? componentHandler2->setDirty(state) : kNotImplemented;
}

tresult EditController::requestOpenEditor(FIDString name) {
    return componentHandler2 != nullptr ? componentHandler2->requestOpenEditor(name)
                                        : kNotImplemented;
}

tresult PLUGIN_API EditController::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IEditController::iid, IEditController, this)
    QUERY_INTERFACE(_iid, obj, IEditController2::iid, IEditController2, this)
    return ComponentBase::queryInterface(_iid, obj);
}

tresult PLUGIN_API EditControllerEx1::terminate() {
    units.clear();
    programLists.clear();
    return EditController::terminate();
}

bool EditControllerEx1::addUnit(const UnitInfo& unit) {
    units.push_back(unit);
    return true;
}

bool EditControllerEx1::addProgramList(ProgramListID id, const TChar* name,
                                       const std::vector<std::u16string>& programs) {
    ProgramList list{};
    list.info.id = id;
    UString(list.info.name, 128).assign(name);
    list.info.programCount = static_cast<int32>(programs.size());
    list.names = programs;
    programLists.push_back(std::move(list));
    return true;
}

const EditControllerEx1::ProgramList* EditControllerEx1::findProgramList(ProgramListID id) const {
    for (const ProgramList& list : programLists)
        if (list.info.id == id)
            return &list;
    return nullptr;
}

int32 PLUGIN_API EditControllerEx1::getUnitCount() {
    return static_cast<int32>(units.size());
}

tresult PLUGIN_API EditControllerEx1::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    if (unitIndex < 0 || unitIndex >= getUnitCount())
        return kResultFalse;
    info = units[static_cast<size_t>(unitIndex)];
    return kResultTrue;
}

int32 PLUGIN_API EditControllerEx1::getProgramListCount() {
    return static_cast<int32>(programLists.size());
}

tresult PLUGIN_API EditControllerEx1::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex < 0 || listIndex >= getProgramListCount())
        return kResultFalse;
    info = programLists[static_cast<size_t>(listIndex)].info;
    return kResultTrue;
}

tresult PLUGIN_API EditControllerEx1::getProgramName(ProgramListID listId, int32 programIndex,
                                                     String128 name) {
    const ProgramList* list = findProgramList(listId);
    if (list == nullptr || name == nullptr || programIndex < 0 ||
        programIndex >= static_cast<int32>(list->names.size()))
        return kResultFalse;
    UString(name, 128).assign(list->names[static_cast<size_t>(programIndex)].c_str());
    return kResultTrue;
}

tresult PLUGIN_API EditControllerEx1::getProgramInfo(ProgramListID, int32, CString, String128) {
    return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::hasProgramPitchNames(ProgramListID, int32) {
    return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::getProgramPitchName(ProgramListID, int32, int16, String128) {
    return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::selectUnit(UnitID unitId) {
    selectedUnit = unitId;
    return kResultTrue;
}

tresult PLUGIN_API EditControllerEx1::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
    return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::setUnitProgramData(int32, int32, IBStream*) {
    return kResultFalse;
}

tresult PLUGIN_API EditControllerEx1::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IUnitInfo::iid, IUnitInfo, this)
    return EditController::queryInterface(_iid, obj);
}

} // namespace Steinberg::Vst
