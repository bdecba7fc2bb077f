#include "framework/ParamRecord.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace torvik::testing {
namespace {

IParamRecord Continuous(double def, double lo, double hi, double step = 0.01, double shape = 1.0) {
    IParamRecord p;
    p.DefineContinuous("Gain", def, lo, hi, step, "%", "", shape);
    return p;
}

IParamRecord Switch(int def = 0) {
    IParamRecord p;
    p.DefineStepped("Switch", def, 0, 1);
    return p;
}

TEST(ParamRecord, BlankRecordIsAStepped0To1Parameter) {
    IParamRecord p;
    EXPECT_EQ(p.Kind(), kParamUndefined);
    EXPECT_EQ(p.Value(), 0.0);
    EXPECT_EQ(p.Min(), 0.0);
    EXPECT_EQ(p.Max(), 1.0);
    EXPECT_EQ(p.Step(), 1.0);
    EXPECT_EQ(p.Shape(), 1.0);
    EXPECT_STREQ(p.Name(), "");
    EXPECT_TRUE(p.CanAutomate());
    p.SetFromNormalised(0.7); // rounds to the step like a switch
    EXPECT_EQ(p.Value(), 1.0);
}

TEST(ParamRecord, DefinitionKindsAndRange) {
    IParamRecord c = Continuous(0, -30, 30);
    EXPECT_EQ(c.Kind(), kParamContinuous);
    EXPECT_EQ(Switch().Kind(), kParamStepped);

    // The range is at least one step wide.
    IParamRecord narrow = Continuous(5, 5, 5.001, 0.5);
    EXPECT_EQ(narrow.Max(), 5.5);
    // A kind already set is kept by a later continuous definition.
    IParamRecord stepped;
    stepped.DefineStepped("Steps", 2, 0, 4);
    stepped.DefineContinuous("Again", 1, 0, 4, 1);
    EXPECT_EQ(stepped.Kind(), kParamStepped);
}

TEST(ParamRecord, DisplayPrecisionFollowsTheStep) {
    const struct {
        double step;
        int precision;
    } cases[] = {{1, 0}, {0.5, 1}, {0.01, 2}, {0.25, 2}, {0.001, 3}, {0.0000001, 6}, {10, 0}};
    for (const auto& c : cases) {
        IParamRecord p = Continuous(0, 0, 100, c.step);
        EXPECT_EQ(p.DisplayPrecision(), c.precision) << "step " << c.step;
    }
}

TEST(ParamRecord, NormalisedMapping) {
    IParamRecord p = Continuous(0, -30, 30);
    const struct {
        double x;
        double value;
    } cases[] = {{0.0, -30}, {0.5, 0}, {1.0, 30}, {0.25, -15}, {1.2, 30}, {-0.5, -30}};
    for (const auto& c : cases) {
        p.SetFromNormalised(c.x);
        EXPECT_DOUBLE_EQ(p.Value(), c.value) << "x " << c.x;
    }
    p.SetFromNormalised(0.5);
    EXPECT_EQ(p.Value(), 0.0); // exactly
    EXPECT_EQ(p.CurrentText(), "0.00");

    EXPECT_EQ(p.ToNormalised(-100), 0.0);
    EXPECT_EQ(p.ToNormalised(100), 1.0);
    EXPECT_DOUBLE_EQ(p.ToNormalised(15), 0.75);
    EXPECT_EQ(p.FromNormalised(2.0), 90.0); // the raw mapping does not clamp
}

TEST(ParamRecord, ShapeExponentAppliesBothWays) {
    IParamRecord p = Continuous(0, 0, 100, 0.01, 2.0);
    EXPECT_DOUBLE_EQ(p.FromNormalised(0.5), 25.0);
    EXPECT_DOUBLE_EQ(p.ToNormalised(25.0), 0.5);
    p.ApplyShape(0.0); // ignored
    EXPECT_EQ(p.Shape(), 2.0);
}

TEST(ParamRecord, SteppedValuesRoundToTheStep) {
    IParamRecord s = Switch();
    const struct {
        double x;
        double value;
    } cases[] = {{0.0, 0}, {0.49, 0}, {0.4999, 0}, {0.5, 1}, {0.51, 1}, {1.0, 1}};
    for (const auto& c : cases) {
        s.SetFromNormalised(c.x);
        EXPECT_EQ(s.Value(), c.value) << "x " << c.x;
    }
    IParamRecord steps;
    steps.DefineStepped("Steps", 0, 0, 4);
    steps.SetFromNormalised(0.6); // 2.4 -> 2
    EXPECT_EQ(steps.Value(), 2.0);
    steps.SetFromNormalised(0.63); // 2.52 -> 3
    EXPECT_EQ(steps.Value(), 3.0);
}

// Hosts promise 0..1. Below 0 the value would leave its range (a zero ratio, a
// negative release time), so it is clamped; NaN leaves the value alone.
TEST(ParamRecord, OutOfContractNormalisedValuesStayInRange) {
    IParamRecord ratio = Continuous(4, 1.5, 20);
    ratio.SetFromNormalised(-1.0);
    EXPECT_EQ(ratio.Value(), 1.5);
    ratio.SetFromNormalised(0.5);
    EXPECT_DOUBLE_EQ(ratio.Value(), 10.75);
    ratio.SetFromNormalised(std::numeric_limits<double>::quiet_NaN());
    EXPECT_DOUBLE_EQ(ratio.Value(), 10.75);
    ratio.SetFromNormalised(std::numeric_limits<double>::infinity());
    EXPECT_EQ(ratio.Value(), 20.0);
}

TEST(ParamRecord, SetClampedPullsToTheNearerLimit) {
    IParamRecord p = Continuous(4, 1.5, 20);
    p.SetClamped(50);
    EXPECT_EQ(p.Value(), 20.0);
    p.SetClamped(-3);
    EXPECT_EQ(p.Value(), 1.5);
    p.SetClamped(7.25);
    EXPECT_EQ(p.Value(), 7.25);
    p.SetClamped(std::numeric_limits<double>::quiet_NaN()); // damaged state: the default
    EXPECT_EQ(p.Value(), 4.0);
}

TEST(ParamRecord, TextOfValues) {
    IParamRecord gain = Continuous(-30, -30, 30);
    EXPECT_EQ(gain.CurrentText(), "-30.00");
    EXPECT_EQ(gain.FormatForHost(0.75), "15.00");
    EXPECT_STREQ(gain.HostLabel(), "%");

    IParamRecord whole = Continuous(0, -10, 10, 1);
    EXPECT_EQ(whole.TextOfValue(-0.5), "0"); // truncation toward zero
    EXPECT_EQ(whole.TextOfValue(7.9), "7");

    IParamRecord negated = Continuous(0, -20, 20, 0.1);
    negated.SetNegateDisplay(true);
    EXPECT_EQ(negated.TextOfValue(12.5), "-12.5");

    IParamRecord named;
    named.DefineStepped("Mode", 1, 0, 2, "x");
    named.AddDisplayText(1, "Fast");
    named.AddDisplayText(1, "Shadowed");
    EXPECT_EQ(named.TextOfValue(1.7), "Fast"); // 1.7 truncates to 1, first entry wins
    EXPECT_EQ(named.TextOfValue(2.0), "2");
    EXPECT_STREQ(named.HostLabel(), ""); // the value has a display text
    EXPECT_STREQ(named.DisplayTextFor(5), "");
}

TEST(ParamRecord, ParseFromTextReadsTheLeadingDecimalNumber) {
    IParamRecord thr = Continuous(-10, -60, -10);
    const struct {
        const char* text;
        double normalised;
    } cases[] = {
        {"-35", 0.5},      {"-35 dB", 0.5}, {"  -35.0e0x", 0.5}, {"no number", 1.0},
        {"", 1.0},         {"-1e999", 0.0}, {"+5", 1.0},         {"0x20", 1.0},
        {"-60.0001", 0.0}, {"-4.5e1", 0.3}, {"nan", 1.0},        {"-.", 1.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(thr.ParseFromText(c.text), c.normalised, 1e-12) << c.text;
    EXPECT_EQ(thr.ParseFromText(nullptr), 1.0);
    EXPECT_EQ(ReadLeadingDecimal("2.5e"), 2.5);
    EXPECT_EQ(ReadLeadingDecimal("-0.25"), -0.25);
}

// Typed text refuses what holds no number instead of reading it as 0; a text
// format, when the plug-in gives one, decides alone.
TEST(ParamRecord, ReadTextRefusesTextWithoutAValue) {
    IParamRecord thr = Continuous(-10, -60, -10);
    const struct {
        const char* text;
        bool reads;
        double normalised;
    } cases[] = {
        {"-35 dB", true, 0.5}, {" .5", true, 1.0}, {"-90", true, 0.0}, {"no number", false, 0},
        {"", false, 0},        {"-", false, 0},    {"-.", false, 0},
    };
    for (const auto& c : cases) {
        double x = -1;
        EXPECT_EQ(thr.ReadText(c.text, x), c.reads) << c.text;
        EXPECT_EQ(x, c.reads ? c.normalised : -1) << c.text;
    }
    double x = -1;
    EXPECT_FALSE(thr.ReadText(nullptr, x));
    EXPECT_EQ(thr.TextWithUnit(-35), "-35.00 %");

    struct Halves : IParamTextFormat {
        std::string Text(double v, bool withUnit) const override {
            return std::to_string(static_cast<int>(v * 2)) + (withUnit ? " halves" : "");
        }
        bool Read(const char* text, double& v) const override {
            if (std::string(text) != "half")
                return false;
            v = -59.5;
            return true;
        }
    } halves;
    thr.SetTextFormat(&halves);
    EXPECT_EQ(thr.FormatForHost(0.0), "-120");
    EXPECT_EQ(thr.TextWithUnit(-60), "-120 halves");
    EXPECT_FALSE(thr.ReadText("-35", x));
    ASSERT_TRUE(thr.ReadText("half", x));
    EXPECT_NEAR(x, 0.01, 1e-12);
}

} // namespace
} // namespace torvik::testing
