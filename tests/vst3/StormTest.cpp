// Every thread a host and a validator use, at once, on one instance: the audio
// thread processes without pause while others automate through the
// controller, move knobs as the editor does, save and restore the state, and
// open and close views. Nothing may tear, deadlock or leak a bad sample, and
// afterwards the instance must be what a quiet replay of its state gives.
#include "TorvikHost.h"

#include "processor/Torvik.h"
#include "processor/TorvikFacts.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <thread>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRate = 48000.0;
constexpr int kBlock = 256;            // samples per block
constexpr int kStormBlocks = 1500;     // blocks the audio thread runs while the others work
constexpr int kSettleBlocks = 750;     // four seconds: every smoother and envelope settles
constexpr double kSettledError = 1e-6; // largest difference once settled
constexpr int kParams = kParameterCount;
constexpr int kStateBytes = kParams * 8 + 4;

// One instance as a host holds it: the object, its buffers and queues.
struct Session {
    Session() : buffers({2, 2}, {2}, kBlock, kSample32) {
        plugin = owned(new TORVIK());
        host = owned(new hostkit::HostApplication());
        handler = owned(new hostkit::ComponentHandler());
        changes = owned(new hostkit::ParameterChanges());
        EXPECT_EQ(plugin->initialize(static_cast<IHostApplication*>(host.get())), kResultOk);
        plugin->setComponentHandler(handler.get());
        plugin->activateBus(kAudio, kInput, 0, true);
        plugin->activateBus(kAudio, kInput, 1, true);
        plugin->activateBus(kAudio, kOutput, 0, true);
        ProcessSetup setup{kRealtime, kSample32, kBlock, kRate};
        EXPECT_EQ(plugin->setupProcessing(setup), kResultOk);
        plugin->setActive(true);
    }
    ~Session() {
        plugin->setActive(false);
        plugin->terminate();
    }

    // One block of a steady signal; false when an output sample is not a
    // finite normal number or zero.
    bool Run(long block) {
        for (int bus = 0; bus < 2; ++bus)
            for (int ch = 0; ch < 2; ++ch) {
                float* in = buffers.channel32(kInput, bus, ch);
                for (int i = 0; i < kBlock; ++i)
                    in[i] = static_cast<float>(
                        (bus == 0 ? 0.5 : 0.3) *
                        std::sin(0.013 * (ch + 1) * static_cast<double>(block * kBlock + i)));
            }
        ProcessData& data = buffers.prepare(kBlock);
        data.inputParameterChanges = changes.get();
        plugin->process(data);
        changes->clear();
        for (int ch = 0; ch < 2; ++ch) {
            const float* out = buffers.channel32(kOutput, 0, ch);
            for (int i = 0; i < kBlock; ++i)
                if (!std::isfinite(out[i]) ||
                    (out[i] != 0.0f && std::fabs(out[i]) < std::numeric_limits<float>::min()))
                    return false;
        }
        return true;
    }
    IEditController* Controller() { return static_cast<IEditController*>(plugin.get()); }
    std::vector<uint8_t> State() {
        auto stream = owned(new hostkit::MemoryStream());
        EXPECT_EQ(Controller()->getState(stream.get()), kResultOk);
        return stream->data();
    }
    tresult Restore(const std::vector<uint8_t>& bytes) {
        auto stream = owned(new hostkit::MemoryStream(bytes));
        return Controller()->setState(stream.get());
    }

    IPtr<TORVIK> plugin;
    IPtr<hostkit::HostApplication> host;
    IPtr<hostkit::ComponentHandler> handler;
    IPtr<hostkit::ParameterChanges> changes;
    hostkit::ProcessBuffers buffers;
};

// Every value in a saved state lies inside its parameter's range; the flag is 0 or 1.
bool Plausible(TORVIK& plugin, const std::vector<uint8_t>& state) {
    if (state.size() != static_cast<std::size_t>(kStateBytes))
        return false;
    for (int i = 0; i < kParams; ++i) {
        double v = 0.0;
        std::memcpy(&v, state.data() + 8 * i, 8);
        const IParamRecord* record = plugin.ParamAt(i);
        if (!(v >= record->Min() && v <= record->Max()))
            return false;
    }
    const uint8_t* flag = state.data() + kParams * 8;
    return (flag[0] == 0 || flag[0] == 1) && flag[1] == 0 && flag[2] == 0 && flag[3] == 0;
}

TEST(Storm, EveryThreadAtOnceThenAQuietReplayAgrees) {
    Session stormed;
    std::atomic<bool> done{false};
    std::atomic<int> badBlocks{0};
    std::atomic<int> badReads{0};
    std::atomic<int> badStates{0};

    std::thread audio([&] {
        std::mt19937 random(1);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        for (long block = 0; block < kStormBlocks; ++block) {
            for (int k = 0; k < 4; ++k)
                stormed.changes->add(static_cast<ParamID>(random() % kParams), unit(random),
                                     static_cast<int32>(random() % kBlock));
            if (block % 7 == 0)
                stormed.changes->add(kBypassParamId, unit(random), 0);
            if (block % 13 == 0)
                stormed.changes->add(kPresetParamId, 0.0, 0); // the host picks the preset
            if (!stormed.Run(block))
                ++badBlocks;
        }
        done = true;
    });
    std::thread automation([&] {
        std::mt19937 random(2);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        while (!done) {
            const auto id = static_cast<ParamID>(random() % kParams);
            stormed.plugin->setParamNormalized(id, unit(random));
            const double value = stormed.plugin->getParamNormalized(id);
            const double bypass = stormed.plugin->getParamNormalized(kBypassParamId);
            if (!(value >= 0.0 && value <= 1.0) || !(bypass == 0.0 || bypass == 1.0))
                ++badReads;
        }
    });
    std::thread editor([&] {
        std::mt19937 random(3);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        while (!done) {
            const int index = static_cast<int>(random() % kParams);
            stormed.plugin->BeginHostEdit(index);
            stormed.plugin->SetParameterFromEditor(index, unit(random));
            stormed.plugin->EndHostEdit(index);
        }
    });
    std::thread persistence([&] {
        while (!done) {
            const std::vector<uint8_t> state = stormed.State();
            if (!Plausible(*stormed.plugin, state) || stormed.Restore(state) != kResultOk)
                ++badStates;
        }
    });
    std::thread views([&] {
        while (!done) {
            IPtr<IPlugView> view = owned(stormed.plugin->createView("editor"));
            ViewRect rect{};
            if (!view || view->getSize(&rect) != kResultOk || rect.right != 1186)
                ++badReads;
            // Attaching needs a window of the host's: the editor's own tests do that.
            view->removed();
        }
    });
    for (std::thread* t : {&audio, &automation, &editor, &persistence, &views})
        t->join();
    EXPECT_EQ(badBlocks, 0);
    EXPECT_EQ(badReads, 0);
    EXPECT_EQ(badStates, 0);

    // The quiet replay: a fresh instance given the final state, both fed the
    // same signal until everything has settled.
    const std::vector<uint8_t> last = stormed.State();
    ASSERT_TRUE(Plausible(*stormed.plugin, last));
    Session replay;
    ASSERT_EQ(replay.Restore(last), kResultOk);
    ASSERT_EQ(stormed.Restore(last), kResultOk);
    EXPECT_EQ(replay.State(), last);
    EXPECT_EQ(stormed.State(), last);
    double largest = 0.0;
    for (long block = 0; block < kSettleBlocks; ++block) {
        ASSERT_TRUE(stormed.Run(block));
        ASSERT_TRUE(replay.Run(block));
        if (block < kSettleBlocks - 1)
            continue;
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < kBlock; ++i)
                largest = std::max(largest,
                                   std::fabs(double(stormed.buffers.channel32(kOutput, 0, ch)[i]) -
                                             replay.buffers.channel32(kOutput, 0, ch)[i]));
    }
    EXPECT_LT(largest, kSettledError);
}

} // namespace
} // namespace torvik::testing
