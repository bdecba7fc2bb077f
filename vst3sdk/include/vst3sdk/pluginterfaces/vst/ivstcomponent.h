// IComponent: the processing side's buses, activation and state.
#pragma once

#include "vst3sdk/pluginterfaces/base/ibstream.h"
#include "vst3sdk/pluginterfaces/base/ipluginbase.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <cstddef>

namespace Steinberg::Vst {

enum MediaTypes : int32 { kAudio = 0, kEvent = 1, kNumMediaTypes = 2 };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum IoModes : int32 { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };

/** Description of one bus. */
struct BusInfo {
    MediaType mediaType;
    BusDirection direction;
    int32 channelCount; ///< audio: channels; event: MIDI channels
    String128 name;
    BusType busType;
    uint32 flags;

    enum BusFlags : uint32 {
        kDefaultActive = 1 << 0,   ///< a request to the host; buses start inactive
        kIsControlVoltage = 1 << 1 ///< newer hosts only
    };
};

/** Routing question/answer of IComponent::getRoutingInfo. */
struct RoutingInfo {
    MediaType mediaType;
    int32 busIndex;
    int32 channel; ///< -1: all channels
};

class IComponent : public IPluginBase {
public:
    virtual tresult PLUGIN_API getControllerClassId(TUID classId) = 0;
    virtual tresult PLUGIN_API setIoMode(IoMode mode) = 0;
    virtual int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) = 0;
    virtual tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index,
                                          BusInfo& bus) = 0;
    virtual tresult PLUGIN_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index,
                                           TBool state) = 0;
    virtual tresult PLUGIN_API setActive(TBool state) = 0;
    /** Component state; a different slot from IEditController::setState. */
    virtual tresult PLUGIN_API setState(IBStream* state) = 0;
    virtual tresult PLUGIN_API getState(IBStream* state) = 0;

    TORVIK_DECLARE_IID(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    TORVIK_INTERFACE_DESTRUCTOR(IComponent)
};

static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, direction) == 4 && offsetof(BusInfo, channelCount) == 8 &&
              offsetof(BusInfo, name) == 12 && offsetof(BusInfo, busType) == 268 &&
              offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12 && offsetof(RoutingInfo, busIndex) == 4 &&
              offsetof(RoutingInfo, channel) == 8);

} // namespace Steinberg::Vst
