// The processor's parameter table as the host and the state chunk see it.
#include "processor/Parameters.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

#include <cstring>

namespace torvik::testing {
namespace {

using testing::TestTorvik;

struct Row {
    const char* name;
    ParamKind kind;
    double min, max, defaultValue, normalisedDefault;
    const char* label; // the unit hosts show
};

constexpr ParamKind C = kParamContinuous;
constexpr ParamKind S = kParamStepped;

const Row kTable[kParameterCount] = {
    {"Preamp Gain", C, -30, 30, -30, 0.0, "dB"},
    {"Preamp HPF", C, 10, 250, 10, 0.0, "Hz"},
    {"Main Input", C, -30, 30, 0, 0.5, "dB"},
    {"Main Output", C, -30, 30, 0, 0.5, "dB"},
    {"De-Esser Release", C, 5, 200, 30, 0.128205, "ms"},
    {"De-Esser Threshold", C, -60, -10, -10, 1.0, "dB"},
    {"De-Esser Mix", C, 0, 1, 1, 1.0, "%"},
    {"Gate Mix", C, 0, 1, 1, 1.0, "%"},
    {"Gate Release", C, 1, 500, 100, 0.198397, "ms"},
    {"Gate Threshold", C, 0, 60, 60, 1.0, "dB"},
    {"Low Gain", C, -15, 15, 0, 0.5, "dB"},
    {"Low Mid Freq", C, 220, 1200, 400, 0.183673, "Hz"},
    {"Low Mid Gain", C, -15, 15, 0, 0.5, "dB"},
    {"High Mid Freq", C, 1500, 8200, 3000, 0.223881, "Hz"},
    {"High Mid Gain", C, -15, 15, 0, 0.5, "dB"},
    {"High Gain", C, -15, 15, 0, 0.5, "dB"},
    {"Compressor Threshold", C, -60, 0, 0, 1.0, "dB"},
    {"Compressor Ratio", C, 1.5, 20, 4, 0.135135, ""},
    {"Compressor Mix", C, 0, 1, 1, 1.0, "%"},
    {"", kParamUndefined, 0, 1, 0, 0.0, ""},
    {"Preamp Bypass", S, 0, 1, 1, 1.0, ""},
    {"Preamp PAD", S, 0, 1, 0, 0.0, ""},
    {"Preamp Phase", S, 0, 1, 0, 0.0, ""},
    {"Preamp HPF Switch", S, 0, 1, 0, 0.0, ""},
    {"Preamp MIC", S, 0, 1, 0, 0.0, ""},
    {"Preamp Low Boost", S, 0, 1, 0, 0.0, ""},
    {"Preamp High Boost", S, 0, 1, 0, 0.0, ""},
    {"Preamp Transformer", S, 0, 1, 0, 0.0, ""},
    {"Main Bypass", S, 0, 1, 1, 1.0, ""},
    {"De-Esser Bypass", S, 0, 1, 0, 0.0, ""},
    {"De-Esser Band", S, 0, 1, 0, 0.0, ""},
    {"De-Esser Soft", S, 0, 1, 0, 0.0, ""},
    {"Gate Bypass", S, 0, 1, 0, 0.0, ""},
    {"Gate Fast Attack", S, 0, 1, 0, 0.0, ""},
    {"EQ Bypass", S, 0, 1, 0, 0.0, ""},
    {"Compressor Bypass", S, 0, 1, 0, 0.0, ""},
    {"Compressor Fast Attack", S, 0, 1, 0, 0.0, ""},
    {"Compressor Auto Release", S, 0, 1, 0, 0.0, ""},
    {"Compressor External Sidechain", S, 0, 1, 0, 0.0, ""},
    {"Compressor External Sidechain", S, 0, 1, 0, 0.0, ""},
};

TEST(ParameterTable, EveryRecordAsDefined) {
    TestTorvik fx;
    ASSERT_EQ(fx.ParamCount(), 40);
    for (int i = 0; i < kParameterCount; ++i) {
        const Row& r = kTable[i];
        const IParamRecord* p = fx.ParamAt(i);
        SCOPED_TRACE(::testing::Message() << "index " << i << " " << r.name);
        EXPECT_STREQ(p->Name(), r.name);
        EXPECT_EQ(p->Kind(), r.kind);
        EXPECT_EQ(p->Min(), r.min);
        EXPECT_EQ(p->Max(), r.max);
        EXPECT_EQ(p->Default(), r.defaultValue);
        EXPECT_EQ(p->Value(), r.defaultValue);
        EXPECT_NEAR(p->GetNormalised(), r.normalisedDefault, 5e-7);
        EXPECT_EQ(p->Shape(), 1.0);
        EXPECT_STREQ(p->Group(), "");
        EXPECT_TRUE(p->CanAutomate());
        EXPECT_FALSE(p->NegateDisplay());
        EXPECT_TRUE(p->DisplayTexts().empty());
        if (r.kind == C) {
            EXPECT_EQ(p->Step(), 0.01);
            EXPECT_EQ(p->DisplayPrecision(), 2);
            EXPECT_STREQ(p->Label(), r.label);
        } else {
            EXPECT_EQ(p->Step(), 1.0);
            EXPECT_EQ(p->DisplayPrecision(), 0);
            EXPECT_STREQ(p->Label(), "");
        }
    }
    EXPECT_EQ(fx.ParamAt(0)->CurrentText(), "-30.0");
    EXPECT_EQ(fx.ParamAt(kCompMix)->CurrentText(), "100");
    EXPECT_EQ(fx.ParamAt(kPreampBypass)->CurrentText(), "On");
}

TEST(ParameterTable, MappingsOfSingleRows) {
    TestTorvik fx;
    fx.ParamAt(kCompRatio)->SetFromNormalised(0.5);
    EXPECT_EQ(fx.ParamAt(kCompRatio)->Value(), 10.75);
    fx.ParamAt(kGateRelease)->SetFromNormalised(1.0);
    EXPECT_EQ(fx.ParamAt(kGateRelease)->Value(), 500.0);
    for (double x : {0.0, 0.2, 0.4999}) {
        fx.ParamAt(kEqBypass)->SetFromNormalised(x);
        EXPECT_EQ(fx.ParamAt(kEqBypass)->Value(), 0.0) << x;
    }
    for (double x : {0.5, 0.75, 1.0}) {
        fx.ParamAt(kEqBypass)->SetFromNormalised(x);
        EXPECT_EQ(fx.ParamAt(kEqBypass)->Value(), 1.0) << x;
    }
}

TEST(ParameterTable, DefaultsChunkHoldsTheTableInIndexOrder) {
    TestTorvik fx;
    IStateChunk chunk;
    ASSERT_TRUE(fx.SerializeParams(chunk));
    ASSERT_EQ(chunk.Size(), 320);
    for (int i = 0; i < kParameterCount; ++i) {
        double v = -1;
        ASSERT_EQ(chunk.ReadDouble(v, i * 8), i * 8 + 8);
        EXPECT_EQ(v, kTable[i].defaultValue) << "index " << i;
    }
}

} // namespace
} // namespace torvik::testing
