// A whole instance driven by arbitrary call sequences, as hosts and validators
// drive one: buses arranged and switched in any order, set-up with odd rates
// and sizes, activation, blocks of any length with missing buffers and
// parameter queues of any IDs, state saved and restored through short, long
// and failing streams, program changes, views created and dropped. After every
// call the instance must still answer, every output sample written must be a
// finite normal number or zero, and a saved state must restore to itself.
//
// Views are created, sized and removed but not attached: attaching needs the
// host's X window, which the editor's own tests provide.
#include "hostkit/MemoryStream.h"
#include "hostkit/ParameterChanges.h"
#include "hostkit/PlugFrame.h"
#include "processor/Torvik.h"
#include "processor/TorvikFacts.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using torvik::kBypassParamId;
using torvik::kPresetParamId;

constexpr int kParams = torvik::kParameterCount;
constexpr int kMaxCalls = 48;          // calls per input: deep enough, and cheap per input
constexpr int kRareCallOdds = 4;       // initialise and terminate are this many times rarer
constexpr int32 kMaxFrames = 8192;     // longest block a fuzzed host hands over
constexpr int kMaxBuses = 3;           // buses per direction in a fuzzed block
constexpr int kMaxChannels = 4;        // channels per fuzzed bus
constexpr int kMaxQueues = 8;          // parameter queues per fuzzed block
constexpr int kMaxPoints = 4;          // points per fuzzed queue
constexpr std::size_t kMaxState = 400; // longest fuzzed state stream, bytes
constexpr int kMaxViews = 2;           // views alive at once
constexpr int32 kDefaultBlock = 1024;  // a host's set-up before any of its own
constexpr double kDefaultRate = 44100.0;

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// Speaker arrangements a host might send, from plain to nonsense.
SpeakerArrangement Arrangement(FuzzedDataProvider& in) {
    static constexpr SpeakerArrangement kKnown[] = {0, 0x80000, 0x3, 0x7, 0x33, 0x3F, 0x103};
    if (in.ConsumeBool())
        return in.PickValueInArray(kKnown);
    return in.ConsumeIntegral<uint64>();
}

ParamID AnyParamId(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return kBypassParamId;
    case 1:
        return kPresetParamId;
    case 2:
        return in.ConsumeIntegral<ParamID>();
    default:
        return in.ConsumeIntegralInRange<ParamID>(0, kParams + 1);
    }
}

double AnyValue(FuzzedDataProvider& in) {
    if (in.ConsumeBool())
        return in.ConsumeProbability<double>();
    return in.ConsumeFloatingPoint<double>();
}

// Extreme but finite input levels, silence included.
double AnySample(FuzzedDataProvider& in) {
    const double v = in.ConsumeFloatingPointInRange<double>(-1e6, 1e6);
    return in.ConsumeBool() ? v : 0.0;
}

template <typename T> bool Clean(const T* samples, int32 frames) {
    for (int32 i = 0; i < frames; ++i) {
        const T v = samples[i];
        if (!std::isfinite(v) || (v != T(0) && std::fabs(v) < std::numeric_limits<T>::min()))
            return false;
    }
    return true;
}

class Driver {
public:
    Driver(FuzzedDataProvider& input, torvik::TORVIK& instance) : in(input), plugin(&instance) {
        frame = owned(new hostkit::PlugFrame());
    }
    // Back to the start of a host session for the next input: views gone,
    // inactive, initialised, stereo buses with the sidechain off, default state
    // and set-up.
    ~Driver() {
        views.clear();
        plugin->setActive(false);
        if (plugin->getParameterCount() == 0)
            plugin->initialize(nullptr);
        SpeakerArrangement stereo[2] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
        plugin->setBusArrangements(stereo, 2, stereo, 1);
        plugin->activateBus(kAudio, kInput, 0, true);
        plugin->activateBus(kAudio, kInput, 1, false);
        plugin->activateBus(kAudio, kOutput, 0, true);
        auto defaults = owned(new hostkit::MemoryStream(DefaultState()));
        Edit()->setState(defaults.get());
        ProcessSetup setup{kRealtime, kSample32, kDefaultBlock, kDefaultRate};
        plugin->setupProcessing(setup);
        plugin->setActive(true); // the chain starts from rest again
        plugin->setActive(false);
    }

    // The state of an instance nothing has touched, taken once.
    static const std::vector<uint8_t>& DefaultState() {
        static const std::vector<uint8_t> bytes = [] {
            IPtr<torvik::TORVIK> fresh = owned(new torvik::TORVIK());
            auto out = owned(new hostkit::MemoryStream());
            static_cast<IEditController*>(fresh.get())->getState(out.get());
            return out->data();
        }();
        return bytes;
    }

    // One host call, chosen with roughly the weights a session has: blocks
    // most often, initialisation and shutdown rarely.
    void Step() {
        const int call = in.ConsumeIntegralInRange(0, 32 * kRareCallOdds - 1);
        if (call < 30 * kRareCallOdds)
            StepOften(2 + call % 30); // 2 to 31: the thresholds below
        else if (call < 31 * kRareCallOdds)
            plugin->initialize(nullptr);
        else
            plugin->terminate();
    }

    void StepOften(int call) {
        if (call <= 4)
            ArrangeBuses();
        else if (call <= 6)
            plugin->activateBus(in.ConsumeBool() ? kAudio : kEvent,
                                in.ConsumeBool() ? kInput : kOutput,
                                in.ConsumeIntegralInRange(-1, 3), in.ConsumeBool());
        else if (call <= 8)
            SetUp();
        else if (call <= 10)
            plugin->setActive(in.ConsumeBool());
        else if (call == 11)
            plugin->setProcessing(in.ConsumeBool());
        else if (call <= 21)
            Process();
        else if (call <= 24)
            SaveAndRestore();
        else if (call <= 28)
            Controller();
        else
            View();
    }

    // The state after the run: saved, restored and saved again, the same bytes.
    void CheckStateRoundTrip() {
        auto first = owned(new hostkit::MemoryStream());
        Check(Edit()->getState(first.get()) == kResultOk);
        Check(first->data().size() == kParams * 8 + 4);
        auto back = owned(new hostkit::MemoryStream(first->data()));
        Check(Edit()->setState(back.get()) == kResultOk);
        auto second = owned(new hostkit::MemoryStream());
        Check(Edit()->getState(second.get()) == kResultOk);
        Check(second->data() == first->data());
    }

private:
    IEditController* Edit() { return static_cast<IEditController*>(plugin); }

    void ArrangeBuses() {
        std::vector<SpeakerArrangement> ins(in.ConsumeIntegralInRange(0, kMaxBuses));
        std::vector<SpeakerArrangement> outs(in.ConsumeIntegralInRange(0, kMaxBuses));
        for (auto& a : ins)
            a = Arrangement(in);
        for (auto& a : outs)
            a = Arrangement(in);
        const bool nullArrays = in.ConsumeBool() && in.ConsumeBool();
        plugin->setBusArrangements(
            nullArrays ? nullptr : ins.data(), static_cast<int32>(ins.size()),
            nullArrays ? nullptr : outs.data(), static_cast<int32>(outs.size()));
    }

    void SetUp() {
        static constexpr double kRates[] = {44100.0,
                                            48000.0,
                                            96000.0,
                                            8000.0,
                                            1.0,
                                            0.0,
                                            -48000.0,
                                            std::numeric_limits<double>::quiet_NaN(),
                                            std::numeric_limits<double>::infinity(),
                                            1e12};
        ProcessSetup setup{};
        setup.processMode = in.ConsumeIntegralInRange(-1, 3);
        setup.symbolicSampleSize = in.ConsumeIntegralInRange(-1, 2);
        setup.maxSamplesPerBlock = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, kMaxFrames)
                                                    : in.ConsumeIntegral<int32>();
        setup.sampleRate =
            in.ConsumeBool() ? in.PickValueInArray(kRates) : in.ConsumeFloatingPoint<double>();
        if (plugin->setupProcessing(setup) == kResultOk)
            sampleSize = setup.symbolicSampleSize;
    }

    void Process() {
        const int32 frames = in.ConsumeBool() ? in.ConsumeIntegralInRange(0, 64)
                                              : in.ConsumeIntegralInRange(0, kMaxFrames);
        const bool is64 = sampleSize == kSample64;
        struct Bus {
            std::vector<std::vector<float>> samples32;
            std::vector<std::vector<double>> samples64;
            std::vector<void*> pointers;
        };
        auto makeBuses = [&](std::vector<Bus>& buses, std::vector<AudioBusBuffers>& buffers,
                             bool input) {
            buses.resize(static_cast<std::size_t>(in.ConsumeIntegralInRange(0, kMaxBuses)));
            buffers.assign(buses.size(), AudioBusBuffers{});
            for (std::size_t b = 0; b < buses.size(); ++b) {
                const int channels = in.ConsumeIntegralInRange(0, kMaxChannels);
                const bool nullBus = in.ConsumeIntegralInRange(0, 7) == 0;
                const double level = input ? AnySample(in) : 0.0;
                for (int c = 0; c < channels; ++c) {
                    if (nullBus || in.ConsumeIntegralInRange(0, 15) == 0) {
                        buses[b].pointers.push_back(nullptr);
                        continue;
                    }
                    // Moving a channel's vector keeps its samples where they are.
                    if (is64) {
                        buses[b].samples64.emplace_back(static_cast<std::size_t>(frames), level);
                        buses[b].pointers.push_back(buses[b].samples64.back().data());
                    } else {
                        buses[b].samples32.emplace_back(static_cast<std::size_t>(frames),
                                                        static_cast<float>(level));
                        buses[b].pointers.push_back(buses[b].samples32.back().data());
                    }
                }
                buffers[b].numChannels = channels;
                buffers[b].channelBuffers32 =
                    channels > 0 ? reinterpret_cast<Sample32**>(buses[b].pointers.data()) : nullptr;
            }
        };
        std::vector<Bus> inBuses;
        std::vector<Bus> outBuses;
        std::vector<AudioBusBuffers> inBuffers;
        std::vector<AudioBusBuffers> outBuffers;
        makeBuses(inBuses, inBuffers, true);
        makeBuses(outBuses, outBuffers, false);

        auto changes = owned(new hostkit::ParameterChanges(kMaxQueues, kMaxPoints));
        const int queues = in.ConsumeIntegralInRange(0, kMaxQueues);
        for (int q = 0; q < queues; ++q) {
            const ParamID id = AnyParamId(in);
            const int points = in.ConsumeIntegralInRange(0, kMaxPoints);
            for (int p = 0; p < points; ++p)
                changes->add(id, AnyValue(in), in.ConsumeIntegralInRange(-1, frames + 1));
        }

        ProcessContext context{};
        context.sampleRate = 48000.0;
        context.tempo = in.ConsumeFloatingPoint<double>();
        context.projectTimeSamples = in.ConsumeIntegral<int64>();
        context.state = in.ConsumeIntegral<uint32>();

        ProcessData data{};
        data.processMode = kRealtime;
        data.symbolicSampleSize = sampleSize;
        data.numSamples = frames;
        data.numInputs = static_cast<int32>(inBuffers.size());
        data.numOutputs = static_cast<int32>(outBuffers.size());
        data.inputs =
            inBuffers.empty() || in.ConsumeIntegralInRange(0, 15) == 0 ? nullptr : inBuffers.data();
        data.outputs = outBuffers.empty() ? nullptr : outBuffers.data();
        if (!data.inputs)
            data.numInputs = 0;
        data.inputParameterChanges = in.ConsumeBool() ? changes.get() : nullptr;
        data.processContext = in.ConsumeBool() ? &context : nullptr;
        Check(plugin->process(data) == kResultOk);

        for (Bus& bus : outBuses) {
            for (auto& samples : bus.samples32)
                Check(Clean(samples.data(), frames));
            for (auto& samples : bus.samples64)
                Check(Clean(samples.data(), frames));
        }
    }

    void SaveAndRestore() {
        if (in.ConsumeBool()) {
            // Saved, maybe into a stream that takes only part of it.
            auto out = owned(new hostkit::MemoryStream());
            if (in.ConsumeBool())
                out->failWritesAfter(in.ConsumeIntegralInRange(0, kParams * 8 + 4));
            if (Edit()->getState(out.get()) == kResultOk)
                Check(out->data().size() == kParams * 8 + 4);
            return;
        }
        // Restored from any bytes, through a stream with faults.
        auto stream = owned(new hostkit::MemoryStream(
            in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<std::size_t>(0, kMaxState))));
        if (in.ConsumeBool())
            stream->setMaxChunk(in.ConsumeIntegralInRange(1, 64));
        if (in.ConsumeBool())
            stream->failReadsAfter(in.ConsumeIntegralInRange(0, kParams * 8 + 4));
        Edit()->setState(stream.get());
        for (int i = 0; i < kParams; ++i) {
            const torvik::IParamRecord* record = plugin->ParamAt(i);
            Check(record->Value() >= record->Min() && record->Value() <= record->Max());
        }
    }

    void Controller() {
        const ParamID id = AnyParamId(in);
        const double value = AnyValue(in);
        String128 text{};
        switch (in.ConsumeIntegralInRange(0, 5)) {
        case 0:
            plugin->setParamNormalized(id, value);
            break;
        case 1: {
            const double normalised = plugin->getParamNormalized(id);
            Check(std::isfinite(normalised));
            break;
        }
        case 2:
            plugin->getParamStringByValue(id, value, text);
            break;
        case 3: {
            const std::string typed = in.ConsumeRandomLengthString(40);
            for (std::size_t i = 0; i < typed.size() && i < 127; ++i)
                text[i] = static_cast<TChar>(static_cast<unsigned char>(typed[i]));
            ParamValue parsed = 0.0;
            plugin->getParamValueByString(id, text, parsed);
            break;
        }
        case 4:
            plugin->normalizedParamToPlain(id, value);
            plugin->plainParamToNormalized(id, value);
            break;
        default: {
            ParameterInfo info{};
            plugin->getParameterInfo(in.ConsumeIntegralInRange(-1, kParams + 3), info);
            String128 name{};
            plugin->getProgramName(static_cast<ProgramListID>(AnyParamId(in)),
                                   in.ConsumeIntegralInRange(-1, 3), name);
            break;
        }
        }
    }

    void View() {
        if (views.size() < kMaxViews && in.ConsumeBool()) {
            static constexpr const char* kNames[] = {"editor", "Editor", "", nullptr};
            IPtr<IPlugView> view = owned(plugin->createView(in.PickValueInArray(kNames)));
            if (view)
                views.push_back(view);
            return;
        }
        if (views.empty())
            return;
        const std::size_t which = in.ConsumeIntegralInRange<std::size_t>(0, views.size() - 1);
        IPlugView* view = views[which].get();
        ViewRect rect{0, 0, in.ConsumeIntegral<int16_t>(), in.ConsumeIntegral<int16_t>()};
        switch (in.ConsumeIntegralInRange(0, 4)) {
        case 0:
            view->setFrame(in.ConsumeBool() ? frame.get() : nullptr);
            break;
        case 1:
            view->onSize(&rect);
            break;
        case 2:
            Check(view->getSize(&rect) == kResultOk);
            break;
        case 3:
            view->removed();
            break;
        default:
            views.erase(views.begin() + static_cast<std::ptrdiff_t>(which));
            break;
        }
    }

    FuzzedDataProvider& in;
    torvik::TORVIK* plugin; // one instance for every input, as one long host session
    IPtr<hostkit::PlugFrame> frame;
    std::vector<IPtr<IPlugView>> views;
    int32 sampleSize = kSample32; // what the last accepted set-up asked for
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Building an instance costs more than most call sequences: one instance
    // serves every input and is brought back to a fresh session after each.
    static torvik::TORVIK* instance = [] {
        auto* fresh = new torvik::TORVIK();
        fresh->initialize(nullptr);
        return fresh;
    }();
    FuzzedDataProvider in(data, size);
    Driver driver(in, *instance);
    for (int call = 0; call < kMaxCalls && in.remaining_bytes() > 0; ++call)
        driver.Step();
    driver.CheckStateRoundTrip();
    return 0;
}
