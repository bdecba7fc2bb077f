// Bus, AudioBus, EventBus and BusList: the bus bookkeeping of a component.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/vst/ivstcomponent.h"
#include "vst3sdk/pluginterfaces/vst/vstspeaker.h"

#include <vector>

namespace Steinberg::Vst {

/** One bus. Inactive after construction whatever its flags. */
class Bus : public FObject {
public:
    Bus(const TChar* name, BusType busType, int32 flags);

    TBool isActive() const { return active; }
    void setActive(TBool state) { active = state; }
    const TChar* getName() const { return name; }
    void setName(const TChar* newName);
    BusType getBusType() const { return busType; }
    int32 getFlags() const { return flags; }

    /** Fills name (at most 127 units), busType and flags; the caller sets media type and
        direction. */
    virtual bool getInfo(BusInfo& info);

    OBJ_METHODS(Bus, FObject)

protected:
    String128 name;  ///< UTF-16, zero-terminated
    BusType busType; ///< kMain or kAux
    int32 flags;     ///< BusInfo::BusFlags
    TBool active = 0;
};

class AudioBus : public Bus {
public:
    AudioBus(const TChar* name, BusType busType, int32 flags, SpeakerArrangement arr);

    SpeakerArrangement getArrangement() const { return speakerArr; }
    void setArrangement(SpeakerArrangement arr) { speakerArr = arr; }
    /** Also sets channelCount = set bits of the arrangement. */
    bool getInfo(BusInfo& info) override;

    OBJ_METHODS(AudioBus, Bus)

protected:
    SpeakerArrangement speakerArr; ///< speaker bit set
};

class EventBus : public Bus {
public:
    EventBus(const TChar* name, BusType busType, int32 flags, int32 channelCount);

    /** Also sets channelCount = the stored number of MIDI channels. */
    bool getInfo(BusInfo& info) override;

    OBJ_METHODS(EventBus, Bus)

protected:
    int32 channelCount; ///< MIDI channels
};

/** Ordered list of counted buses of one media type and direction. */
class BusList {
public:
    BusList(MediaType type, BusDirection dir) : type(type), direction(dir) {}
    ~BusList() { clear(); }
    BusList(const BusList&) = delete;
    BusList& operator=(const BusList&) = delete;

    /** Appends, taking over the caller's reference. */
    void append(Bus* bus) {
        if (bus != nullptr)
            buses.push_back(bus);
    }
    /** Releases every bus. */
    void clear();
    int32 size() const { return static_cast<int32>(buses.size()); }
    bool empty() const { return buses.empty(); }
    /** Null outside the range. No new reference. */
    Bus* at(int32 index) const;
    Bus* operator[](int32 index) const { return at(index); }

    MediaType getType() const { return type; }
    BusDirection getDirection() const { return direction; }

private:
    MediaType type;          ///< kAudio or kEvent
    BusDirection direction;  ///< kInput or kOutput
    std::vector<Bus*> buses; ///< one counted reference each
};

} // namespace Steinberg::Vst
