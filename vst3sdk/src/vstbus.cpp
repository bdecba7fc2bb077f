#include "vst3sdk/helpers/vstbus.h"

#include "vst3sdk/helpers/ustring.h"

namespace Steinberg::Vst {

Bus::Bus(const TChar* newName, BusType type, int32 busFlags) : busType(type), flags(busFlags) {
    name[0] = 0;
    setName(newName);
}

void Bus::setName(const TChar* newName) {
    UString(name, 128).assign(newName);
}

bool Bus::getInfo(BusInfo& info) {
    UString(info.name, 128).assign(name, 127);
    info.busType = busType;
    info.flags = static_cast<uint32>(flags);
    return true;
}

AudioBus::AudioBus(const TChar* newName, BusType type, int32 busFlags, SpeakerArrangement arr)
    : Bus(newName, type, busFlags), speakerArr(arr) {}

bool AudioBus::getInfo(BusInfo& info) {
    info.channelCount = SpeakerArr::getChannelCount(speakerArr);
    return Bus::getInfo(info);
}

EventBus::EventBus(const TChar* newName, BusType type, int32 busFlags, int32 channels)
    : Bus(newName, type, busFlags), channelCount(channels) {}

bool EventBus::getInfo(BusInfo& info) {
    info.channelCount = channelCount;
    return Bus::getInfo(info);
}

void BusList::clear() {
    std::vector<Bus*> old;
    old.swap(buses);
    for (Bus* bus : old)
        bus->release();
}

Bus* BusList::at(int32 index) const {
    if (index < 0 || index >= size())
        return nullptr;
    return buses[static_cast<size_t>(index)];
}

} // namespace Steinberg::Vst
