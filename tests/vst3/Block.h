#pragma once
// Runs blocks through an instance the way a host does: buffers per bus,
// parameter changes for the block, 32- or 64-bit samples.
#include "hostkit/HostKit.h"

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace torvik::testing {

class BlockRunner {
public:
    BlockRunner(hostkit::Instance& instanceRef, int maxFrames, Steinberg::int32 sampleSize)
        : instance(instanceRef), buffers(instanceRef.makeBuffers(maxFrames, sampleSize)),
          changes(Steinberg::owned(new hostkit::ParameterChanges())) {}

    // Sets input sample i of (bus, channel); the same value lands in 32 or 64 bits.
    void SetInput(int bus, int channel, int i, double v) {
        if (float* p = buffers->channel32(Steinberg::Vst::kInput, bus, channel))
            p[i] = static_cast<float>(v);
        if (double* p = buffers->channel64(Steinberg::Vst::kInput, bus, channel))
            p[i] = v;
    }
    double Output(int channel, int i) {
        if (float* p = buffers->channel32(Steinberg::Vst::kOutput, 0, channel))
            return p[i];
        return buffers->channel64(Steinberg::Vst::kOutput, 0, channel)[i];
    }
    // Fills every input channel from f(bus, channel, sample index within the block).
    void Fill(int frames, const std::function<double(int, int, int)>& f) {
        for (int bus = 0; bus < buffers->inputBusCount(); ++bus)
            for (int ch = 0; ch < buffers->channelCount(Steinberg::Vst::kInput, bus); ++ch)
                for (int i = 0; i < frames; ++i)
                    SetInput(bus, ch, i, f(bus, ch, i));
    }
    Steinberg::tresult Run(int frames) {
        Steinberg::Vst::ProcessData& data = buffers->prepare(frames);
        data.inputParameterChanges = changes.get();
        const Steinberg::tresult result = instance.process(data);
        changes->clear();
        return result;
    }
    void Change(Steinberg::Vst::ParamID id, double value, int offset = 0) {
        changes->add(id, value, offset);
    }

    hostkit::Instance& instance;
    std::unique_ptr<hostkit::ProcessBuffers> buffers;
    Steinberg::IPtr<hostkit::ParameterChanges> changes;
};

} // namespace torvik::testing
