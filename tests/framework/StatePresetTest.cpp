#include "framework/StateChunk.h"
#include "processor/TorvikFacts.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <memory>

namespace torvik::testing {
namespace {

using testing::TestTorvik;

double DoubleAt(const IStateChunk& chunk, int offset) {
    double v = -999;
    EXPECT_EQ(chunk.ReadDouble(v, offset), offset + 8);
    return v;
}

TEST(StateChunk, DoublesAreLittleEndianAndReadsStopAtTheEnd) {
    IStateChunk chunk;
    EXPECT_EQ(chunk.AppendDouble(1.0), 8);
    const unsigned char one[8] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(std::memcmp(chunk.Data(), one, 8), 0);
    EXPECT_EQ(chunk.AppendDouble(-2.5), 16);
    double v = 0;
    EXPECT_EQ(chunk.ReadDouble(v, 8), 16);
    EXPECT_EQ(v, -2.5);
    v = 7;
    EXPECT_EQ(chunk.ReadDouble(v, 9), -1);
    EXPECT_EQ(chunk.ReadDouble(v, -8), -1);
    EXPECT_EQ(v, 7.0);
}

TEST(StatePresets, FreshInstanceChunkLayout) {
    auto fx = std::make_unique<TestTorvik>();
    IStateChunk chunk;
    ASSERT_TRUE(fx->SerializeParams(chunk));
    ASSERT_EQ(chunk.Size(), 320);
    EXPECT_EQ(DoubleAt(chunk, 0), -30.0); // Preamp Gain
    EXPECT_EQ(DoubleAt(chunk, 32), 30.0); // De-Esser Release
    EXPECT_EQ(DoubleAt(chunk, 136), 4.0); // Compressor Ratio
    EXPECT_EQ(DoubleAt(chunk, 152), 0.0); // index 19
    EXPECT_EQ(DoubleAt(chunk, 160), 1.0); // Preamp Bypass
    EXPECT_EQ(DoubleAt(chunk, 224), 1.0); // Main Bypass
    EXPECT_EQ(DoubleAt(chunk, 312), 0.0); // index 39

    // The constructor filled preset slot 0 with exactly these defaults.
    const IPresetRecord* preset = fx->PresetAt(0);
    ASSERT_TRUE(preset->initialised);
    EXPECT_EQ(preset->name, "-");
    ASSERT_EQ(preset->chunk.Size(), 320);
    EXPECT_EQ(std::memcmp(preset->chunk.Data(), chunk.Data(), 320), 0);
}

TEST(StatePresets, RestoreClampsAndCountsPositions) {
    auto fx = std::make_unique<TestTorvik>();
    IStateChunk chunk;
    fx->SerializeParams(chunk);
    IStateChunk edited;
    for (int i = 0; i < kParameterCount; ++i) {
        double v = 0;
        chunk.ReadDouble(v, 8 * i);
        if (i == 17)
            v = 50.0; // Compressor Ratio above its maximum
        if (i == 3)
            v = std::numeric_limits<double>::quiet_NaN();
        edited.AppendDouble(v);
    }
    edited.AppendDouble(123.0); // bytes beyond are ignored
    fx->ParamAt(3)->SetClamped(12.0);
    EXPECT_EQ(fx->UnserializeParams(edited, 0), 320);
    EXPECT_EQ(fx->ParamAt(17)->Value(), 20.0);
    EXPECT_EQ(fx->ParamAt(3)->Value(), 0.0); // NaN restores the default
}

TEST(StatePresets, ShortChunkRestoresTheLeadingValues) {
    auto fx = std::make_unique<TestTorvik>();
    for (int i = 0; i < kParameterCount; ++i)
        fx->ParamAt(i)->SetFromNormalised(1.0);
    IStateChunk shortChunk;
    for (int i = 0; i < 20; ++i)
        shortChunk.AppendDouble(fx->ParamAt(i)->Min());
    ASSERT_EQ(shortChunk.Size(), 160);
    EXPECT_EQ(fx->UnserializeParams(shortChunk, 0), -1);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(fx->ParamAt(i)->Value(), fx->ParamAt(i)->Min()) << i;
    EXPECT_EQ(fx->ParamAt(20)->Value(), 0.0); // first unread index: 0 clamped
    for (int i = 21; i < kParameterCount; ++i)
        EXPECT_EQ(fx->ParamAt(i)->Value(), 1.0) << i; // untouched

    // An empty chunk reads nothing: index 0 becomes 0 clamped into its range.
    IStateChunk empty;
    EXPECT_EQ(fx->UnserializeParams(empty, 0), -1);
    EXPECT_EQ(fx->ParamAt(0)->Value(), 0.0);
    EXPECT_EQ(fx->ParamAt(1)->Value(), fx->ParamAt(1)->Min());
}

TEST(StatePresets, RecallPreset) {
    auto fx = std::make_unique<TestTorvik>();
    EXPECT_FALSE(fx->RecallPreset(1));
    EXPECT_FALSE(fx->RecallPreset(-1));
    fx->ParamAt(16)->SetFromNormalised(0.0);
    EXPECT_TRUE(fx->RecallPreset(0));
    EXPECT_EQ(fx->ParamAt(16)->Value(), 0.0); // default threshold back
    EXPECT_EQ(fx->CurrentPresetIndex(), 0);
}

TEST(StatePresets, RecallingAnEmptySlotCapturesTheCurrentValues) {
    auto fx = std::make_unique<TestTorvik>();
    IPresetRecord* slot = fx->PresetAt(0);
    slot->initialised = false;
    slot->name = "my user preset"; // the one name that contains "user preset"
    fx->ParamAt(0)->SetFromNormalised(1.0);
    EXPECT_TRUE(fx->RecallPreset(0));
    EXPECT_EQ(slot->name, "user preset 2");
    EXPECT_TRUE(slot->initialised);
    double v = 0;
    slot->chunk.ReadDouble(v, 0);
    EXPECT_EQ(v, 30.0);
    EXPECT_EQ(fx->ParamAt(0)->Value(), 30.0); // nothing changed
}

} // namespace
} // namespace torvik::testing
