// The processing bridge: set-up, parameter changes per block, bypass, sample
// sizes, sidechain and odd blocks.
#include "Block.h"
#include "TorvikHost.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using SpeakerArr::kMono;
using SpeakerArr::kStereo;

double Signal(int bus, int channel, int i) {
    return 0.5 * std::sin(0.01 * (i + 1) * (channel + 1)) + (bus == 1 ? 0.25 : 0.0);
}

std::unique_ptr<hostkit::Instance> Started(Steinberg::int32 sampleSize, int maxFrames = 512) {
    auto instance = NewTorvik();
    if (!instance)
        return nullptr;
    instance->activateAllBuses();
    EXPECT_EQ(instance->setBusArrangements({kStereo, kStereo}, {kStereo}), kResultOk);
    EXPECT_EQ(instance->startProcessing(48000.0, maxFrames, sampleSize), kResultOk);
    return instance;
}

TEST(Process, SetupAnswers) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    IAudioProcessor* processor = instance->processor();
    EXPECT_EQ(processor->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(kSample64), kResultTrue);
    EXPECT_EQ(processor->canProcessSampleSize(2), kResultFalse);
    EXPECT_EQ(processor->getLatencySamples(), 0u);
    EXPECT_EQ(processor->getTailSamples(), 0u);
    EXPECT_EQ(instance->setupProcessing(44100.0, 512, 2), kResultFalse);
    EXPECT_EQ(instance->setupProcessing(0.0, 512, kSample32), kResultFalse);
    EXPECT_EQ(instance->setupProcessing(std::numeric_limits<double>::quiet_NaN(), 512),
              kResultFalse);
    EXPECT_EQ(instance->setupProcessing(96000.0, 256, kSample64), kResultOk);
    EXPECT_EQ(processor->setProcessing(true), kNotImplemented);
}

TEST(Process, LastPointOfEachQueueAppliesToTheWholeBlock) {
    auto instance = Started(kSample32);
    ASSERT_NE(instance, nullptr);
    IEditController* controller = instance->controller();
    BlockRunner runner(*instance, 512, kSample32);
    runner.Fill(256, Signal);
    runner.Change(16, 0.2, 0);
    runner.Change(16, 0.8, 100);
    runner.Change(40, 0.3);         // unknown: ignored
    runner.Change(0xFFFFFFFF, 0.3); // unknown: ignored
    const auto before = instance->getControllerState();
    ASSERT_EQ(runner.Run(256), kResultOk);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(16), 0.8);
    const auto after = instance->getControllerState();
    ASSERT_TRUE(before && after);
    // Only parameter 16 (bytes 128..135) changed.
    for (std::size_t i = 0; i < before->size(); ++i) {
        if (i < 128 || i >= 136) {
            ASSERT_EQ((*before)[i], (*after)[i]) << "byte " << i;
        }
    }
}

TEST(Process, BypassAndPresetChanges) {
    auto instance = Started(kSample32);
    ASSERT_NE(instance, nullptr);
    IEditController* controller = instance->controller();
    BlockRunner runner(*instance, 512, kSample32);

    runner.Change(kBypassParamId, 0.5);
    runner.Run(0);
    EXPECT_EQ(controller->getParamNormalized(kBypassParamId), 0.0);
    runner.Change(kBypassParamId, 0.51);
    runner.Fill(128, Signal);
    runner.Run(128);
    EXPECT_EQ(controller->getParamNormalized(kBypassParamId), 1.0);
    // Bypassed, the main input comes out through double and back; the sidechain never.
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 128; ++i)
            ASSERT_EQ(runner.Output(ch, i), static_cast<float>(Signal(0, ch, i)));

    // A new set-up clears bypass.
    instance->setActive(false);
    EXPECT_EQ(instance->setupProcessing(48000.0, 512, kSample32), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(kBypassParamId), 0.0);
    instance->setActive(true);

    // Preset: below 1.0 recalls the defaults, 1.0 asks for a slot that does not exist.
    runner.Change(16, 0.1);
    runner.Run(0);
    runner.Change(kPresetParamId, 0.99);
    runner.Run(0);
    EXPECT_EQ(controller->getParamNormalized(16), 1.0);
    runner.Change(16, 0.1);
    runner.Run(0);
    runner.Change(kPresetParamId, 1.0);
    runner.Run(0);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(16), 0.1);
}

TEST(Process, ThirtyTwoAndSixtyFourBitPathsAgree) {
    auto narrow = Started(kSample32);
    auto wide = Started(kSample64);
    ASSERT_TRUE(narrow && wide);
    BlockRunner a(*narrow, 512, kSample32);
    BlockRunner b(*wide, 512, kSample64);
    for (BlockRunner* r : {&a, &b}) {
        r->Change(16, 0.4); // threshold -24 dB: the compressor works
        r->Change(34, 1.0);
        r->Change(10, 0.8);
    }
    for (int block = 0; block < 20; ++block) {
        // Inputs exactly representable in float, so both paths see the same samples.
        auto f = [block](int bus, int ch, int i) {
            return static_cast<double>(static_cast<float>(Signal(bus, ch, i + block * 512)));
        };
        a.Fill(512, f);
        b.Fill(512, f);
        ASSERT_EQ(a.Run(512), kResultOk);
        ASSERT_EQ(b.Run(512), kResultOk);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 512; ++i) {
                // Equal after rounding to float; values too small for a normal
                // float are flushed to zero on the 32-bit path.
                const double wideValue = b.Output(ch, i);
                const float expected = std::fabs(wideValue) < std::numeric_limits<float>::min()
                                           ? 0.0f
                                           : static_cast<float>(wideValue);
                ASSERT_EQ(a.Output(ch, i), expected) << "block " << block << " sample " << i;
            }
    }
}

TEST(Process, LongBlocksAreProcessedInPieces) {
    // One host block four times longer than announced gives what four
    // announced blocks give.
    auto longBlocks = Started(kSample32, 256);
    auto shortBlocks = Started(kSample32, 256);
    ASSERT_TRUE(longBlocks && shortBlocks);
    BlockRunner a(*longBlocks, 1024, kSample32);
    BlockRunner b(*shortBlocks, 256, kSample32);
    a.Fill(1024, Signal);
    ASSERT_EQ(a.Run(1024), kResultOk);
    for (int piece = 0; piece < 4; ++piece) {
        b.Fill(256, [piece](int bus, int ch, int i) { return Signal(bus, ch, i + piece * 256); });
        ASSERT_EQ(b.Run(256), kResultOk);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 256; ++i)
                ASSERT_EQ(a.Output(ch, i + piece * 256), b.Output(ch, i));
    }
}

TEST(Process, HostileBlocksGiveFiniteOutput) {
    auto instance = Started(kSample32);
    ASSERT_NE(instance, nullptr);
    BlockRunner runner(*instance, 512, kSample32);
    // Zero samples with null buffers, as hosts do to flush parameters.
    ProcessData flush{};
    flush.symbolicSampleSize = kSample32;
    EXPECT_EQ(instance->process(flush), kResultOk);

    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    runner.Fill(512, [&](int, int, int i) {
        switch (i % 5) {
        case 0:
            return nan;
        case 1:
            return inf;
        case 2:
            return -1e30;
        case 3:
            return 1e-42;
        default:
            return 0.3;
        }
    });
    runner.Change(34, 1.0);
    runner.Change(16, 0.0);
    for (int block = 0; block < 4; ++block) {
        ASSERT_EQ(runner.Run(512), kResultOk);
        for (int ch = 0; ch < 2; ++ch) {
            for (int i = 0; i < 512; ++i) {
                const double v = runner.Output(ch, i);
                ASSERT_TRUE(std::isfinite(v)) << i;
                ASSERT_TRUE(v == 0.0 || std::fabs(v) >= std::numeric_limits<float>::min());
            }
        }
    }
}

// Runs both instances over `blocks` blocks of the same input and answers the
// largest difference between their outputs.
double LargestDifference(BlockRunner& a, BlockRunner& b, int blocks,
                         const std::function<double(int, int, int)>& input) {
    constexpr int kFrames = 512;
    double largest = 0.0;
    for (int block = 0; block < blocks; ++block) {
        a.Fill(kFrames, input);
        b.Fill(kFrames, input);
        a.Run(kFrames);
        b.Run(kFrames);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < kFrames; ++i)
                largest = std::max(largest, std::fabs(a.Output(ch, i) - b.Output(ch, i)));
    }
    return largest;
}

// The compressor engaged, fed by the external sidechain at the lowest threshold.
void ExternalSidechainCompression(BlockRunner& runner) {
    runner.Change(35, 1.0); // compressor in
    runner.Change(38, 1.0); // external sidechain
    runner.Change(16, 0.0); // threshold -60 dB
}

TEST(Process, SidechainBusDecidesWhatTheCompressorHears) {
    // Reference: the compressor stage skipped, which passes its input through.
    auto reference = Started(kSample32);
    auto compressed = Started(kSample32);
    ASSERT_TRUE(reference && compressed);
    BlockRunner ref(*reference, 512, kSample32);
    BlockRunner sc(*compressed, 512, kSample32);
    ExternalSidechainCompression(sc);

    auto loud = [](int bus, int ch, int i) { return bus == 1 ? 0.9 : Signal(0, ch, i); };
    auto run = [&](int blocks) { return LargestDifference(ref, sc, blocks, loud); };
    // Active and loud: the compressor reduces.
    EXPECT_GT(run(20), 0.05);

    // Switched off: its channels read zeros from the next block on (the last
    // sidechain block is not heard again), so the gain recovers completely.
    compressed->setActive(false);
    compressed->activateBus(kAudio, kInput, 1, false);
    compressed->setActive(true);
    run(300);
    EXPECT_LT(run(10), 1e-6);
}

TEST(Process, InactiveSidechainNeverCompresses) {
    auto reference = Started(kSample64);
    auto compressed = Started(kSample64);
    ASSERT_TRUE(reference && compressed);
    compressed->setActive(false);
    compressed->activateBus(kAudio, kInput, 1, false);
    compressed->setActive(true);
    BlockRunner ref(*reference, 512, kSample64);
    BlockRunner sc(*compressed, 512, kSample64);
    ExternalSidechainCompression(sc);
    for (int block = 0; block < 10; ++block) {
        auto f = [block](int bus, int ch, int i) {
            return bus == 1 ? 0.9 : Signal(0, ch, i + 512 * block);
        };
        ref.Fill(512, f);
        sc.Fill(512, f);
        ref.Run(512);
        sc.Run(512);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < 512; ++i)
                ASSERT_EQ(ref.Output(ch, i), sc.Output(ch, i));
    }
}

// A four-channel main input next to the stereo sidechain: the main bus fills
// all four framework inputs, so the compressor's sidechain channels are the
// main bus's third and fourth, and the sidechain bus has no room left.
TEST(Process, QuadMainInputFillsTheChannelsBeforeTheSidechain) {
    constexpr SpeakerArrangement kQuad = 0x33;
    const struct {
        const char* what;
        bool sidechainOn;
        double rearLevel;      // main bus channels 2 and 3
        double sidechainLevel; // both sidechain channels
        bool compresses;
    } cases[] = {
        {"loud rear, silent sidechain", true, 0.9, 0.0, true},
        {"silent rear, loud sidechain", true, 0.0, 0.9, false},
        {"loud rear, sidechain off", false, 0.9, 0.0, true},
    };
    for (const auto& c : cases) {
        std::unique_ptr<hostkit::Instance> instances[2];
        for (auto& instance : instances) {
            instance = NewTorvik();
            ASSERT_NE(instance, nullptr);
            instance->activateAllBuses();
            ASSERT_EQ(instance->setBusArrangements({kQuad, kStereo}, {kStereo}), kResultOk);
            if (!c.sidechainOn)
                instance->activateBus(kAudio, kInput, 1, false);
            ASSERT_EQ(instance->startProcessing(48000.0, 512, kSample32), kResultOk);
        }
        BlockRunner ref(*instances[0], 512, kSample32);
        BlockRunner sc(*instances[1], 512, kSample32);
        ASSERT_EQ(sc.buffers->channelCount(kInput, 0), 4) << c.what;
        ExternalSidechainCompression(sc);
        auto f = [&](int bus, int ch, int i) {
            if (bus == 1)
                return c.sidechainLevel;
            return ch < 2 ? Signal(0, ch, i) : c.rearLevel;
        };
        const double maxDifference = LargestDifference(ref, sc, 20, f);
        if (c.compresses)
            EXPECT_GT(maxDifference, 0.05) << c.what;
        else
            EXPECT_LT(maxDifference, 1e-6) << c.what;
    }
}

TEST(Process, RefusedMonoMainInputLeavesAWorkingInstance) {
    auto refused = Started(kSample32);
    auto reference = Started(kSample32);
    ASSERT_TRUE(refused && reference);
    refused->setActive(false);
    EXPECT_EQ(refused->setBusArrangements({kMono, kStereo}, {kStereo}), kResultFalse);
    EXPECT_EQ(refused->audioChannelCounts(kInput), (std::vector<int32_t>{2, 2}));
    refused->setActive(true);
    BlockRunner a(*refused, 512, kSample32);
    BlockRunner b(*reference, 512, kSample32);
    EXPECT_EQ(LargestDifference(a, b, 1, Signal), 0.0);
}

TEST(Process, BypassInPlace) {
    // A 64-bit host handing the same buffer for input and output.
    auto instance = Started(kSample64);
    ASSERT_NE(instance, nullptr);
    BlockRunner runner(*instance, 512, kSample64);
    runner.Fill(256, Signal);
    ProcessData& data = runner.buffers->prepare(256);
    for (int ch = 0; ch < 2; ++ch)
        data.outputs[0].channelBuffers64[ch] = data.inputs[0].channelBuffers64[ch];
    runner.changes->add(kBypassParamId, 1.0, 0);
    data.inputParameterChanges = runner.changes.get();
    ASSERT_EQ(instance->process(data), kResultOk);
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(data.outputs[0].channelBuffers64[ch][i], Signal(0, ch, i)) << ch << " " << i;
}

TEST(Process, SwitchedOffOutputBusGetsSilence) {
    auto instance = Started(kSample32);
    ASSERT_NE(instance, nullptr);
    instance->activateBus(kAudio, kOutput, 0, false);
    BlockRunner runner(*instance, 512, kSample32);
    runner.Fill(64, Signal);
    for (int i = 0; i < 64; ++i)
        runner.buffers->channel32(kOutput, 0, 0)[i] = 9.0f;
    ASSERT_EQ(runner.Run(64), kResultOk);
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(runner.Output(0, i), 0.0);
}

} // namespace
} // namespace torvik::testing
