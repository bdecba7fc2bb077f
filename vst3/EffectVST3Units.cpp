// Units and the program list of IUnitInfo.
#include "vst3/EffectVST3.h"

#include "vst3/EffectParameter.h"
#include "vst3sdk/pluginterfaces/vst/ivstunits.h"

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

int32 PLUGIN_API IEffectVST3::getUnitCount() {
    return static_cast<int32>(ParamGroups().size()) + 1;
}

tresult PLUGIN_API IEffectVST3::getUnitInfo(int32 unitIndex, UnitInfo& info) {
    const int32 groups = static_cast<int32>(ParamGroups().size());
    if (unitIndex < 0 || unitIndex > groups)
        return kResultFalse;
    if (unitIndex == 0) {
        info.id = kRootUnitId;
        info.parentUnitId = kNoParentUnitId;
        WidenToString128("Root Unit", info.name);
    } else {
        info.id = unitIndex;
        info.parentUnitId = kRootUnitId;
        WidenToString128(ParamGroups()[static_cast<std::size_t>(unitIndex - 1)].c_str(), info.name);
    }
    info.programListId = kNoProgramListId;
    return kResultOk;
}

int32 PLUGIN_API IEffectVST3::getProgramListCount() {
    return 0;
}

tresult PLUGIN_API IEffectVST3::getProgramListInfo(int32 listIndex, ProgramListInfo& info) {
    if (listIndex != 0)
        return kResultFalse;
    info.id = static_cast<ProgramListID>(kPresetParamId);
    WidenToString128("Factory Presets", info.name);
    info.programCount = PresetCount();
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramName(ProgramListID listId, int32 programIndex,
                                               String128 name) {
    if (listId != static_cast<ProgramListID>(kPresetParamId) || !name)
        return kResultFalse;
    const IPresetRecord* preset = PresetAt(programIndex);
    WidenToString128(preset ? preset->name.c_str() : "", name);
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::getProgramInfo(ProgramListID, int32, CString, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::hasProgramPitchNames(ProgramListID, int32) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getProgramPitchName(ProgramListID, int32, int16, String128) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::selectUnit(UnitID) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) {
    return kNotImplemented;
}

tresult PLUGIN_API IEffectVST3::setUnitProgramData(int32, int32, IBStream*) {
    return kNotImplemented;
}

} // namespace torvik
