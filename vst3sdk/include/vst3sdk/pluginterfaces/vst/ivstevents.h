// Events (notes and others) and the host's event list.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <cstddef>

namespace Steinberg::Vst {

struct NoteOnEvent {
    int16 channel;
    int16 pitch;
    float tuning;   ///< cents
    float velocity; ///< 0..1
    int32 length;   ///< samples
    int32 noteId;
};

struct NoteOffEvent {
    int16 channel;
    int16 pitch;
    float velocity;
    int32 noteId;
    float tuning;
};

/** One event: a 24-byte header and a 24-byte payload. Only note on/off payloads are spelled out;
    the rest are opaque bytes. */
struct Event {
    enum EventFlags : uint16 {
        kIsLive = 1 << 0,
        kUserReserved1 = 1 << 14,
        kUserReserved2 = 1 << 15
    };
    enum EventTypes : uint16 {
        kNoteOnEvent = 0,
        kNoteOffEvent = 1,
        kDataEvent = 2,
        kPolyPressureEvent = 3,
        kNoteExpressionValueEvent = 4,
        kNoteExpressionTextEvent = 5,
        kChordEvent = 6,
        kScaleEvent = 7,
        kLegacyMIDICCOutEvent = 65535,
    };

    int32 busIndex;
    int32 sampleOffset;
    TQuarterNotes ppqPosition;
    uint16 flags;
    uint16 type;
    union {
        NoteOnEvent noteOn;
        NoteOffEvent noteOff;
        alignas(8) uint8 payload[24];
    };
};

class IEventList : public FUnknown {
public:
    virtual int32 PLUGIN_API getEventCount() = 0;
    virtual tresult PLUGIN_API getEvent(int32 index, Event& e) = 0;
    virtual tresult PLUGIN_API addEvent(Event& e) = 0;

    TORVIK_DECLARE_IID(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);
    TORVIK_INTERFACE_DESTRUCTOR(IEventList)
};

static_assert(sizeof(NoteOnEvent) == 20 && sizeof(NoteOffEvent) == 16);
static_assert(sizeof(Event) == 48 && alignof(Event) == 8);
static_assert(offsetof(Event, sampleOffset) == 4 && offsetof(Event, ppqPosition) == 8 &&
              offsetof(Event, flags) == 16 && offsetof(Event, type) == 18 &&
              offsetof(Event, noteOn) == 24);

} // namespace Steinberg::Vst
