// EditController and EditControllerEx1: the controller side's default behaviour.
#pragma once

#include "vst3sdk/helpers/componentbase.h"
#include "vst3sdk/helpers/parameters.h"
#include "vst3sdk/pluginterfaces/vst/ivsteditcontroller.h"
#include "vst3sdk/pluginterfaces/vst/ivstunits.h"

#include <vector>

namespace Steinberg::Vst {

/** Fills IEditController's state slots through distinct names, so that one object can also be a
    component, whose IComponent::setState/getState are other slots of the same names. Derived
    classes override controllerSetState/controllerGetState. */
class EditControllerStateSlots : public IEditController {
public:
    tresult PLUGIN_API setState(IBStream* state) final { return controllerSetState(state); }
    tresult PLUGIN_API getState(IBStream* state) final { return controllerGetState(state); }

    /** IEditController::setState. */
    virtual tresult controllerSetState(IBStream* state) = 0;
    /** IEditController::getState. */
    virtual tresult controllerGetState(IBStream* state) = 0;

    TORVIK_INTERFACE_DESTRUCTOR(EditControllerStateSlots)
};

class EditController : public ComponentBase,
                       public EditControllerStateSlots,
                       public IEditController2 {
public:
    EditController() = default;

    // IPluginBase (both bases)
    tresult PLUGIN_API initialize(FUnknown* context) override;
    /** Removes all parameters, drops the component handler, then ComponentBase's terminate. */
    tresult PLUGIN_API terminate() override;

    // IEditController
    tresult PLUGIN_API setComponentState(IBStream* state) override;
    tresult controllerSetState(IBStream* state) override;
    tresult controllerGetState(IBStream* state) override;
    int32 PLUGIN_API getParameterCount() override;
    tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
    tresult PLUGIN_API getParamStringByValue(ParamID tag, ParamValue valueNormalized,
                                             String128 string) override;
    tresult PLUGIN_API getParamValueByString(ParamID tag, TChar* string,
                                             ParamValue& valueNormalized) override;
    ParamValue PLUGIN_API normalizedParamToPlain(ParamID tag, ParamValue valueNormalized) override;
    ParamValue PLUGIN_API plainParamToNormalized(ParamID tag, ParamValue plainValue) override;
    ParamValue PLUGIN_API getParamNormalized(ParamID tag) override;
    tresult PLUGIN_API setParamNormalized(ParamID tag, ParamValue value) override;
    tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) override;
    IPlugView* PLUGIN_API createView(FIDString name) override;

    // IEditController2
    tresult PLUGIN_API setKnobMode(KnobMode mode) override;
    tresult PLUGIN_API openHelp(TBool onlyCheck) override;
    tresult PLUGIN_API openAboutBox(TBool onlyCheck) override;

    // Edits reported to the host's component handler; kResultFalse without a handler.
    tresult beginEdit(ParamID tag);
    tresult performEdit(ParamID tag, ParamValue valueNormalized);
    tresult endEdit(ParamID tag);
    // IComponentHandler2 forwards; kNotImplemented when the host has none.
    tresult startGroupEdit();
    tresult finishGroupEdit();
    tresult setDirty(TBool state);
    tresult requestOpenEditor(FIDString name = ViewType::kEditor);

    IComponentHandler* getComponentHandler() const { return componentHandler; }
    Parameter* getParameterObject(ParamID tag) { return parameters.getParameter(tag); }
    /** The process-wide knob mode last set by a host. */
    static KnobMode getHostKnobMode() { return hostKnobMode; }

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(ComponentBase)
    OBJ_METHODS(EditController, ComponentBase)

protected:
    ParameterContainer parameters;                       ///< host-facing parameters
    IComponentHandler* componentHandler = nullptr;       ///< counted host handler
    IComponentHandler2* componentHandler2 = nullptr;     ///< counted, when the handler has it
    static inline KnobMode hostKnobMode = kCircularMode; ///< shared by all instances
};

/** EditController with IUnitInfo: units and named program lists. */
class EditControllerEx1 : public EditController, public IUnitInfo {
public:
    EditControllerEx1() = default;

    /** Empties units and program lists, then EditController's terminate. */
    tresult PLUGIN_API terminate() override;

    /** Appends a unit; true. */
    bool addUnit(const UnitInfo& unit);
    /** Appends a program list with the given program names; true. */
    bool addProgramList(ProgramListID id, const TChar* name,
                        const std::vector<std::u16string>& programs);

    // IUnitInfo
    int32 PLUGIN_API getUnitCount() override;
    tresult PLUGIN_API getUnitInfo(int32 unitIndex, UnitInfo& info) override;
    int32 PLUGIN_API getProgramListCount() override;
    tresult PLUGIN_API getProgramListInfo(int32 listIndex, ProgramListInfo& info) override;
    tresult PLUGIN_API getProgramName(ProgramListID listId, int32 programIndex,
                                      String128 name) override;
    tresult PLUGIN_API getProgramInfo(ProgramListID listId, int32 programIndex, CString attributeId,
                                      String128 attributeValue) override;
    tresult PLUGIN_API hasProgramPitchNames(ProgramListID listId, int32 programIndex) override;
    tresult PLUGIN_API getProgramPitchName(ProgramListID listId, int32 programIndex,
                                           int16 midiPitch, String128 name) override;
    UnitID PLUGIN_API getSelectedUnit() override { return selectedUnit; }
    tresult PLUGIN_API selectUnit(UnitID unitId) override;
    tresult PLUGIN_API getUnitByBus(MediaType type, BusDirection dir, int32 busIndex, int32 channel,
                                    UnitID& unitId) override;
    tresult PLUGIN_API setUnitProgramData(int32 listOrUnitId, int32 programIndex,
                                          IBStream* data) override;

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(EditController)
    OBJ_METHODS(EditControllerEx1, EditController)

protected:
    struct ProgramList {
        ProgramListInfo info;              ///< id, name, count
        std::vector<std::u16string> names; ///< program names by index
    };
    const ProgramList* findProgramList(ProgramListID id) const;

    std::vector<UnitInfo> units;           ///< in insertion order
    std::vector<ProgramList> programLists; ///< in insertion order
    UnitID selectedUnit = kRootUnitId;     ///< last selectUnit
};

} // namespace Steinberg::Vst
