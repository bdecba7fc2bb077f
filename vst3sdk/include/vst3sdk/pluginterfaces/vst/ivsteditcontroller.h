// IEditController (the parameter and editor side) and the host's component handlers.
#pragma once

#include "vst3sdk/pluginterfaces/base/ibstream.h"
#include "vst3sdk/pluginterfaces/base/ipluginbase.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <cstddef>

namespace Steinberg {
class IPlugView;
}

namespace Steinberg::Vst {

/** Description of one parameter. */
struct ParameterInfo {
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32 stepCount; ///< 0 continuous, 1 toggle, n > 1: n + 1 discrete values
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32 flags;

    enum ParameterFlags : int32 {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4, ///< newer hosts only
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
};

/** Flags of IComponentHandler::restartComponent. */
enum RestartFlags : int32 {
    kReloadComponent = 1 << 0,
    kIoChanged = 1 << 1,
    kParamValuesChanged = 1 << 2,
    kLatencyChanged = 1 << 3,
    kParamTitlesChanged = 1 << 4,
    kMidiCCAssignmentChanged = 1 << 5,
    kNoteExpressionChanged = 1 << 6,
    kIoTitlesChanged = 1 << 7,
    kPrefetchableSupportChanged = 1 << 8,
    kRoutingInfoChanged = 1 << 9,
    kKeyswitchChanged = 1 << 10,      ///< newer hosts only
    kParamIDMappingChanged = 1 << 11, ///< newer hosts only
};

enum KnobModes : int32 { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

namespace ViewType {
inline constexpr CString kEditor = "editor";
}

/** Host side: receives the controller's edits. */
class IComponentHandler : public FUnknown {
public:
    virtual tresult PLUGIN_API beginEdit(ParamID id) = 0;
    virtual tresult PLUGIN_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult PLUGIN_API endEdit(ParamID id) = 0;
    virtual tresult PLUGIN_API restartComponent(int32 flags) = 0;

    TORVIK_DECLARE_IID(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    TORVIK_INTERFACE_DESTRUCTOR(IComponentHandler)
};

/** Host side, optional. */
class IComponentHandler2 : public FUnknown {
public:
    virtual tresult PLUGIN_API setDirty(TBool state) = 0;
    virtual tresult PLUGIN_API requestOpenEditor(FIDString name) = 0;
    virtual tresult PLUGIN_API startGroupEdit() = 0;
    virtual tresult PLUGIN_API finishGroupEdit() = 0;

    TORVIK_DECLARE_IID(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);
    TORVIK_INTERFACE_DESTRUCTOR(IComponentHandler2)
};

class IEditController : public IPluginBase {
public:
    virtual tresult PLUGIN_API setComponentState(IBStream* state) = 0;
    /** Controller state; a different slot from IComponent::setState. */
    virtual tresult PLUGIN_API setState(IBStream* state) = 0;
    virtual tresult PLUGIN_API getState(IBStream* state) = 0;
    virtual int32 PLUGIN_API getParameterCount() = 0;
    virtual tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) = 0;
    virtual tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                     String128 string) = 0;
    virtual tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string,
                                                     ParamValue& valueNormalized) = 0;
    virtual ParamValue PLUGIN_API normalizedParamToPlain(ParamID id,
                                                         ParamValue valueNormalized) = 0;
    virtual ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue PLUGIN_API getParamNormalized(ParamID id) = 0;
    virtual tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) = 0;
    /** One reference for the caller, or null. */
    virtual IPlugView* PLUGIN_API createView(FIDString name) = 0;

    TORVIK_DECLARE_IID(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    TORVIK_INTERFACE_DESTRUCTOR(IEditController)
};

class IEditController2 : public FUnknown {
public:
    virtual tresult PLUGIN_API setKnobMode(KnobMode mode) = 0;
    virtual tresult PLUGIN_API openHelp(TBool onlyCheck) = 0;
    virtual tresult PLUGIN_API openAboutBox(TBool onlyCheck) = 0;

    TORVIK_DECLARE_IID(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
    TORVIK_INTERFACE_DESTRUCTOR(IEditController2)
};

static_assert(sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8);
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 &&
              offsetof(ParameterInfo, unitId) == 784 && offsetof(ParameterInfo, flags) == 788);

} // namespace Steinberg::Vst
