#include "hostkit/offline_renderer.h"

#include <algorithm>

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

OfflineRenderer::OfflineRenderer(Instance& target, RenderOptions renderOptions)
    : instance(target), options(renderOptions), transport(renderOptions.sampleRate) {
    options.blockSize = std::max(1, options.blockSize);
    transport.setPlaying(true);
}

OfflineRenderer::~OfflineRenderer() {
    stop();
}

bool OfflineRenderer::start(std::string* error) {
    if (options.activateAllBuses)
        instance.activateAllBuses();
    else
        instance.activateDefaultBuses();
    const tresult result = instance.startProcessing(options.sampleRate, options.blockSize,
                                                    options.sampleSize, options.processMode);
    if (result != kResultOk) {
        if (error != nullptr)
            *error = "processing could not start (result " + std::to_string(result) + ")";
        return false;
    }
    buffers = instance.makeBuffers(options.blockSize, options.sampleSize);
    started = true;
    return true;
}

void OfflineRenderer::stop() {
    if (started)
        instance.stopProcessing();
    started = false;
}

void OfflineRenderer::scheduleParameter(ParamID id, ParamValue normalized, int64_t position) {
    // After every change at the same or an earlier position, so changes given in order cost
    // nothing to keep sorted.
    const Scheduled change{id, normalized, std::max<int64_t>(0, position)};
    scheduled.insert(std::upper_bound(scheduled.begin(), scheduled.end(), change,
                                      [](const Scheduled& a, const Scheduled& b) {
                                          return a.position < b.position;
                                      }),
                     change);
}

void OfflineRenderer::copyIn(const PlanarAudio& source, int32_t bus, int64_t start, int32_t count) {
    for (int32_t c = 0; c < buffers->channelCount(kInput, bus); ++c) {
        const bool has = c < static_cast<int32_t>(source.size());
        for (int32_t i = 0; i < count; ++i) {
            const auto at = static_cast<size_t>(start + i);
            const double v = has && at < source[static_cast<size_t>(c)].size()
                                 ? source[static_cast<size_t>(c)][at]
                                 : 0.0;
            if (options.sampleSize == kSample64)
                buffers->channel64(kInput, bus, c)[i] = v;
            else
                buffers->channel32(kInput, bus, c)[i] = static_cast<float>(v);
        }
    }
}

std::optional<PlanarAudio> OfflineRenderer::run(const PlanarAudio& mainInput,
                                                const PlanarAudio* sidechain, std::string* error) {
    if (!started && !start(error))
        return std::nullopt;
    if (buffers->outputBusCount() < 1) {
        if (error != nullptr)
            *error = "plug-in has no output bus";
        return std::nullopt;
    }
    const int64_t length = mainInput.empty() ? 0 : static_cast<int64_t>(mainInput[0].size());
    const int32_t outChannels = buffers->channelCount(kOutput, 0);
    PlanarAudio output(static_cast<size_t>(outChannels),
                       std::vector<double>(static_cast<size_t>(length), 0.0));
    size_t nextChange = 0;

    for (int64_t start = 0; start < length; start += options.blockSize) {
        const auto count =
            static_cast<int32_t>(std::min<int64_t>(options.blockSize, length - start));
        if (buffers->inputBusCount() > 0)
            copyIn(mainInput, 0, start, count);
        if (sidechain != nullptr && buffers->inputBusCount() > 1)
            copyIn(*sidechain, 1, start, count);

        inputChanges.clear();
        outputChanges.clear();
        while (nextChange < scheduled.size() && scheduled[nextChange].position < start + count) {
            const Scheduled& change = scheduled[nextChange++];
            inputChanges.add(change.id, change.value,
                             static_cast<int32>(std::max<int64_t>(0, change.position - start)));
        }

        ProcessData& data = buffers->prepare(count, options.processMode);
        data.inputParameterChanges = &inputChanges;
        data.outputParameterChanges = &outputChanges;
        data.processContext = options.withTransport ? transport.get() : nullptr;
        const tresult result = instance.process(data);
        if (result != kResultOk) {
            if (error != nullptr)
                *error = "process failed at sample " + std::to_string(start) + " (result " +
                         std::to_string(result) + ")";
            return std::nullopt;
        }
        transport.advance(count);

        for (int32_t c = 0; c < outChannels; ++c) {
            auto& out = output[static_cast<size_t>(c)];
            for (int32_t i = 0; i < count; ++i)
                out[static_cast<size_t>(start + i)] =
                    options.sampleSize == kSample64
                        ? buffers->channel64(kOutput, 0, c)[i]
                        : static_cast<double>(buffers->channel32(kOutput, 0, c)[i]);
        }
        for (int32 q = 0; q < outputChanges.getParameterCount(); ++q) {
            IParamValueQueue* queue = outputChanges.getParameterData(q);
            int32 offset = 0;
            ParamValue value = 0;
            for (int32 p = 0; queue != nullptr && p < queue->getPointCount(); ++p)
                if (queue->getPoint(p, offset, value) == kResultTrue)
                    outputValues.emplace_back(queue->getParameterId(), value);
        }
    }
    // Changes scheduled past the end stay for the next run, counted from its start.
    scheduled.erase(scheduled.begin(), scheduled.begin() + static_cast<std::ptrdiff_t>(nextChange));
    for (Scheduled& change : scheduled)
        change.position -= length;
    return output;
}

} // namespace hostkit
