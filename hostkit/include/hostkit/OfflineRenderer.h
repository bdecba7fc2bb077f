// Renders whole signals through an instance in chosen block sizes and sample precision.
#pragma once

#include "hostkit/Instance.h"
#include "hostkit/ParameterChanges.h"
#include "hostkit/ProcessBuffers.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hostkit {

/** Planar audio: one vector of samples per channel, all of equal length. */
using PlanarAudio = std::vector<std::vector<double>>;

struct RenderOptions {
    double sampleRate = 48000.0;                             ///< Hz
    int32_t blockSize = 512;                                 ///< samples per process call
    Steinberg::int32 sampleSize = Steinberg::Vst::kSample32; ///< kSample32 or kSample64
    Steinberg::int32 processMode = Steinberg::Vst::kOffline; ///< as ProcessSetup/ProcessData
    bool activateAllBuses = false; ///< true: every bus (sidechain too); false: kDefaultActive ones
    bool withTransport = true;     ///< pass a playing ProcessContext at 120 BPM
};

/** Drives one instance over whole signals, block by block, the way a host bounces a track.
    Parameter changes are scheduled at absolute sample positions and arrive as points in the
    block that contains them. */
class OfflineRenderer {
public:
    OfflineRenderer(Instance& instance, RenderOptions options);
    ~OfflineRenderer();

    /** Sets up, activates and starts processing. False with `error` on failure. */
    bool start(std::string* error = nullptr);
    /** Stops processing and deactivates (also done by the destructor). */
    void stop();

    /** A parameter change at an absolute sample position of the next run. */
    void scheduleParameter(Steinberg::Vst::ParamID id, Steinberg::Vst::ParamValue normalized,
                           int64_t samplePosition);

    /** Processes `mainInput` (and `sidechain` for input bus 1 when given) and answers the main
        output bus. Input channels beyond a bus's count are ignored; missing ones are silent.
        Nothing on a failed process call. */
    std::optional<PlanarAudio> run(const PlanarAudio& mainInput,
                                   const PlanarAudio* sidechain = nullptr,
                                   std::string* error = nullptr);

    /** Points the plug-in wrote into the output parameter changes, over all blocks. */
    const std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>>&
    outputParameterValues() const {
        return outputValues;
    }

private:
    struct Scheduled {
        Steinberg::Vst::ParamID id;       ///< parameter
        Steinberg::Vst::ParamValue value; ///< normalised value
        int64_t position;                 ///< absolute sample
    };

    void copyIn(const PlanarAudio& source, int32_t bus, int64_t start, int32_t count);

    Instance& instance;                      ///< driven instance
    RenderOptions options;                   ///< fixed at construction
    std::unique_ptr<ProcessBuffers> buffers; ///< made by start
    ParameterChanges inputChanges;           ///< per block
    ParameterChanges outputChanges;          ///< per block
    ProcessContextSource transport;          ///< playing transport
    std::vector<Scheduled> scheduled;        ///< pending changes, sorted by position
    std::vector<std::pair<Steinberg::Vst::ParamID, Steinberg::Vst::ParamValue>>
        outputValues;     ///< collected output points
    bool started = false; ///< start succeeded
};

} // namespace hostkit
