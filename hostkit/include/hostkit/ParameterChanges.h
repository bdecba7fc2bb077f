// Host-side parameter change queues and event list for one block. Storage is reserved up front
// so that filling them between blocks never allocates once warmed up.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/vst/ivstevents.h"
#include "vst3sdk/pluginterfaces/vst/ivstparameterchanges.h"

#include <vector>

namespace hostkit {

/** Points of one parameter, kept sorted by sample offset; an equal offset overwrites. */
class ParamValueQueue : public Steinberg::FObject, public Steinberg::Vst::IParamValueQueue {
public:
    explicit ParamValueQueue(int32_t capacity = 64);

    void setParameterId(Steinberg::Vst::ParamID id) { paramId = id; }
    void clear() { points.clear(); }

    Steinberg::Vst::ParamID PLUGIN_API getParameterId() override { return paramId; }
    Steinberg::int32 PLUGIN_API getPointCount() override;
    /** kResultTrue in range, else kResultFalse. */
    Steinberg::tresult PLUGIN_API getPoint(Steinberg::int32 index, Steinberg::int32& sampleOffset,
                                           Steinberg::Vst::ParamValue& value) override;
    /** kResultFalse when full. */
    Steinberg::tresult PLUGIN_API addPoint(Steinberg::int32 sampleOffset,
                                           Steinberg::Vst::ParamValue value,
                                           Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    struct Point {
        Steinberg::int32 offset;          ///< sample offset in the block
        Steinberg::Vst::ParamValue value; ///< normalised value
    };
    Steinberg::Vst::ParamID paramId = Steinberg::Vst::kNoParamId; ///< parameter of this queue
    std::vector<Point> points;                                    ///< sorted by offset
    size_t capacity;                                              ///< maximal points
};

/** The block's queues, one per parameter, in the order they were added. */
class ParameterChanges : public Steinberg::FObject, public Steinberg::Vst::IParameterChanges {
public:
    explicit ParameterChanges(int32_t maxParameters = 256, int32_t pointsPerQueue = 64);
    ~ParameterChanges() override;

    /** Empties every queue (keeps the storage). */
    void clear() { used = 0; }
    /** Convenience: adds one point for `id` at `sampleOffset`. False when full. */
    bool add(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue value,
             Steinberg::int32 sampleOffset = 0);
    /** The queue of `id`, or null. */
    ParamValueQueue* find(Steinberg::Vst::ParamID id) const;

    Steinberg::int32 PLUGIN_API getParameterCount() override { return used; }
    /** No new reference; null out of range. */
    Steinberg::Vst::IParamValueQueue* PLUGIN_API getParameterData(Steinberg::int32 index) override;
    /** The existing queue of `id`, or a new one; null when full. */
    Steinberg::Vst::IParamValueQueue* PLUGIN_API addParameterData(const Steinberg::Vst::ParamID& id,
                                                                  Steinberg::int32& index) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::vector<ParamValueQueue*> queues; ///< counted, pre-built
    Steinberg::int32 used = 0;            ///< queues in use this block
};

/** A fixed-capacity list of events. */
class EventList : public Steinberg::FObject, public Steinberg::Vst::IEventList {
public:
    explicit EventList(int32_t capacity = 128);

    void clear() { events.clear(); }

    Steinberg::int32 PLUGIN_API getEventCount() override;
    Steinberg::tresult PLUGIN_API getEvent(Steinberg::int32 index,
                                           Steinberg::Vst::Event& e) override;
    /** kResultFalse when full. */
    Steinberg::tresult PLUGIN_API addEvent(Steinberg::Vst::Event& e) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::vector<Steinberg::Vst::Event> events; ///< in order of addition
    size_t capacity;                           ///< maximal events
};

} // namespace hostkit
