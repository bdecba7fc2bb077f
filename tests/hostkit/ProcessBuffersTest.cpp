// ProcessData building and the transport source.
#include "hostkit/ProcessBuffers.h"

#include <gtest/gtest.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

TEST(ProcessBuffers, WiresEveryBusInBothSampleSizes) {
    for (int32 size : {kSample32, kSample64}) {
        hostkit::ProcessBuffers buffers({2, 1}, {2}, 64, size);
        ProcessData& data = buffers.prepare(32, kOffline);
        EXPECT_EQ(data.symbolicSampleSize, size);
        EXPECT_EQ(data.processMode, kOffline);
        EXPECT_EQ(data.numSamples, 32);
        ASSERT_EQ(data.numInputs, 2);
        ASSERT_EQ(data.numOutputs, 1);
        EXPECT_EQ(data.inputs[0].numChannels, 2);
        EXPECT_EQ(data.inputs[1].numChannels, 1);
        EXPECT_EQ(data.inputParameterChanges, nullptr);
        EXPECT_EQ(data.processContext, nullptr);
        if (size == kSample32) {
            EXPECT_EQ(data.inputs[0].channelBuffers32[1], buffers.channel32(kInput, 0, 1));
            EXPECT_EQ(data.outputs[0].channelBuffers32[0], buffers.channel32(kOutput, 0, 0));
            EXPECT_EQ(buffers.channel64(kInput, 0, 0), nullptr);
        } else {
            EXPECT_EQ(data.inputs[1].channelBuffers64[0], buffers.channel64(kInput, 1, 0));
            EXPECT_EQ(buffers.channel32(kInput, 0, 0), nullptr);
        }
        EXPECT_EQ(buffers.channel32(kInput, 5, 0), nullptr);
        EXPECT_EQ(buffers.channel32(kInput, 0, 2), nullptr);
    }
}

TEST(ProcessBuffers, InactiveBusesAndBlockLength) {
    hostkit::ProcessBuffers buffers({2, 2}, {2}, 16);
    float* side = buffers.channel32(kInput, 1, 0);
    side[3] = 1.0f;
    buffers.setBusActive(kInput, 1, false);
    ProcessData& data = buffers.prepare(16);
    // Still passed with its channel count; an inactive input carries silence.
    EXPECT_EQ(data.inputs[1].numChannels, 2);
    EXPECT_EQ(data.inputs[1].channelBuffers32[0], side);
    EXPECT_EQ(side[3], 0.0f);
    buffers.setNullForInactive(true);
    buffers.prepare(16);
    EXPECT_EQ(data.inputs[1].channelBuffers32[0], nullptr);
    EXPECT_NE(data.inputs[0].channelBuffers32[0], nullptr);
    // Lengths are clamped to the storage.
    EXPECT_EQ(buffers.prepare(100).numSamples, 16);
    EXPECT_EQ(buffers.prepare(-3).numSamples, 0);
    data.outputs[0].silenceFlags = 3;
    EXPECT_EQ(buffers.prepare(8).outputs[0].silenceFlags, 0u);
}

TEST(ProcessContextSource, MovesWhilePlayingAndTracksMusicalTime) {
    hostkit::ProcessContextSource transport(48000.0);
    transport.setTempo(120.0);
    transport.advance(48000);
    EXPECT_EQ(transport.get()->projectTimeSamples, 0); // stopped: the song position stays
    EXPECT_EQ(transport.get()->continousTimeSamples, 48000);
    transport.setPlaying(true);
    EXPECT_NE(transport.get()->state & ProcessContext::kPlaying, 0u);
    transport.advance(48000 * 3); // 3 s at 120 BPM = 6 quarter notes
    EXPECT_EQ(transport.get()->projectTimeSamples, 144000);
    EXPECT_DOUBLE_EQ(transport.get()->projectTimeMusic, 6.0);
    EXPECT_DOUBLE_EQ(transport.get()->barPositionMusic, 4.0); // bar 2 starts at 4 in 4/4
    transport.setTimeSignature(3, 4);
    EXPECT_DOUBLE_EQ(transport.get()->barPositionMusic, 6.0);
    transport.setPlaying(false);
    EXPECT_EQ(transport.get()->state & ProcessContext::kPlaying, 0u);
}
