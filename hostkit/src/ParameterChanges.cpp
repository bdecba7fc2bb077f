#include "hostkit/ParameterChanges.h"

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

ParamValueQueue::ParamValueQueue(int32_t maxPoints)
    : capacity(static_cast<size_t>(maxPoints > 0 ? maxPoints : 1)) {
    points.reserve(capacity);
}

int32 PLUGIN_API ParamValueQueue::getPointCount() {
    return static_cast<int32>(points.size());
}

tresult PLUGIN_API ParamValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value) {
    if (index < 0 || index >= getPointCount())
        return kResultFalse;
    sampleOffset = points[static_cast<size_t>(index)].offset;
    value = points[static_cast<size_t>(index)].value;
    return kResultTrue;
}

tresult PLUGIN_API ParamValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index) {
    size_t i = 0;
    while (i < points.size() && points[i].offset < sampleOffset)
        ++i;
    if (i < points.size() && points[i].offset == sampleOffset) {
        points[i].value = value;
        index = static_cast<int32>(i);
        return kResultTrue;
    }
    if (points.size() >= capacity)
        return kResultFalse;
    points.insert(points.begin() + static_cast<std::ptrdiff_t>(i), Point{sampleOffset, value});
    index = static_cast<int32>(i);
    return kResultTrue;
}

tresult PLUGIN_API ParamValueQueue::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IParamValueQueue::iid, IParamValueQueue, this)
    return FObject::queryInterface(_iid, obj);
}

ParameterChanges::ParameterChanges(int32_t maxParameters, int32_t pointsPerQueue) {
    const int32_t n = maxParameters > 0 ? maxParameters : 1;
    queues.reserve(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i)
        queues.push_back(new ParamValueQueue(pointsPerQueue));
}

ParameterChanges::~ParameterChanges() {
    for (ParamValueQueue* queue : queues)
        queue->release();
}

bool ParameterChanges::add(ParamID id, ParamValue value, int32 sampleOffset) {
    int32 index = 0;
    IParamValueQueue* queue = addParameterData(id, index);
    return queue != nullptr && queue->addPoint(sampleOffset, value, index) == kResultTrue;
}

ParamValueQueue* ParameterChanges::find(ParamID id) const {
    for (int32 i = 0; i < used; ++i)
        if (queues[static_cast<size_t>(i)]->getParameterId() == id)
            return queues[static_cast<size_t>(i)];
    return nullptr;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index) {
    if (index < 0 || index >= used)
        return nullptr;
    return queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& id, int32& index) {
    for (int32 i = 0; i < used; ++i) {
        if (queues[static_cast<size_t>(i)]->getParameterId() == id) {
            index = i;
            return queues[static_cast<size_t>(i)];
        }
    }
    if (used >= static_cast<int32>(queues.size()))
        return nullptr;
    ParamValueQueue* queue = queues[static_cast<size_t>(used)];
    queue->clear();
    queue->setParameterId(id);
    index = used++;
    return queue;
}

tresult PLUGIN_API ParameterChanges::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IParameterChanges::iid, IParameterChanges, this)
    return FObject::queryInterface(_iid, obj);
}

EventList::EventList(int32_t maxEvents)
    : capacity(static_cast<size_t>(maxEvents > 0 ? maxEvents : 1)) {
    events.reserve(capacity);
}

int32 PLUGIN_API EventList::getEventCount() {
    return static_cast<int32>(events.size());
}

tresult PLUGIN_API EventList::getEvent(int32 index, Event& e) {
    if (index < 0 || index >= getEventCount())
        return kResultFalse;
    e = events[static_cast<size_t>(index)];
    return kResultTrue;
}

tresult PLUGIN_API EventList::addEvent(Event& e) {
    if (events.size() >= capacity)
        return kResultFalse;
    events.push_back(e);
    return kResultTrue;
}

tresult PLUGIN_API EventList::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IEventList::iid, IEventList, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace hostkit
