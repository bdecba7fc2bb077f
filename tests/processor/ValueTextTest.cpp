// Parameter values as people read and type them: the table's texts, what they
// read back, and the round trip value -> text -> value for every parameter.
#include "processor/ValueText.h"
#include "processor/Parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

namespace torvik::testing {
namespace {

TEST(ValueText, WrittenWithUnitAndTheFiguresAReaderUses) {
    const struct {
        int index;
        double value;
        const char* withUnit;
        const char* numberOnly;
    } cases[] = {
        {kCompThreshold, -24.0, "-24.0 dB", "-24.0"},
        {kCompThreshold, -0.01, "0.0 dB", "0.0"}, // no "-0.0"
        {kPreampGain, 12.345, "12.3 dB", "12.3"},
        {kGateThreshold, 60.0, "-60.0 dB", "-60.0"}, // stored below full scale
        {kGateThreshold, 0.0, "0.0 dB", "0.0"},
        {kPreampHpf, 80.0, "80.0 Hz", "80.0"},
        {kPreampHpf, 99.97, "100 Hz", "100"},
        {kLowMidFreq, 400.0, "400 Hz", "400"},
        {kLowMidFreq, 999.7, "1.00 kHz", "1000"},
        {kLowMidFreq, 1200.0, "1.20 kHz", "1200"},
        {kHighMidFreq, 3456.0, "3.46 kHz", "3460"},
        {kDeEsserRelease, 5.0, "5.00 ms", "5.00"},
        {kDeEsserRelease, 30.0, "30.0 ms", "30.0"},
        {kGateRelease, 120.4, "120 ms", "120"},
        {kCompRatio, 4.0, "4.0:1", "4.0:1"},
        {kCompRatio, 10.75, "10.8:1", "10.8:1"},
        {kCompMix, 0.8, "80 %", "80"},
        {kDeEsserMix, 1.0, "100 %", "100"},
        {kEqBypass, 0.0, "Off", "Off"},
        {kPreampBypass, 1.0, "On", "On"},
        // Outside the range or no number at all: the range's own ends.
        {kCompThreshold, -90.0, "-60.0 dB", "-60.0"},
        {kCompThreshold, NAN, "-60.0 dB", "-60.0"},
    };
    for (const auto& c : cases) {
        const ParamRow& param = ParamRowAt(c.index);
        SCOPED_TRACE(::testing::Message() << param.name << " " << c.value);
        EXPECT_EQ(FormatValue(param, c.value, TextForm::kWithUnit), c.withUnit);
        EXPECT_EQ(FormatValue(param, c.value, TextForm::kNumberOnly), c.numberOnly);
    }
}

TEST(ValueText, ReadsWhatPeopleType) {
    const std::optional<double> refused;
    const struct {
        int index;
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {kCompThreshold, "-24", -24.0},
        {kCompThreshold, "-24 dB", -24.0},
        {kCompThreshold, "  -24dB  ", -24.0},
        {kCompThreshold,
         "\xE2\x88\x92"
         "24",
         -24.0}, // U+2212 minus
        {kCompThreshold, "-24,5", -24.5},
        {kCompThreshold, "-.5", -0.5},
        {kCompThreshold, "-90", -60.0}, // clamped
        {kCompThreshold, "+12", 0.0},   // clamped
        {kGateThreshold, "-40", 40.0},  // read as shown: stored below full scale
        {kGateThreshold, "-40 dB", 40.0},
        {kLowMidFreq, "1.2k", 1200.0},
        {kLowMidFreq, "1.2 kHz", 1200.0},
        {kLowMidFreq, "1200 Hz", 1200.0},
        {kLowMidFreq, "500HZ", 500.0},
        {kGateRelease, "0.25 s", 250.0},
        {kGateRelease, "120ms", 120.0},
        {kCompRatio, "4:1", 4.0},
        {kCompRatio, "6 : 1", 6.0},
        {kCompRatio, "8/2", 4.0},
        {kCompRatio, "4.5", 4.5},
        {kCompMix, "80%", 0.8},
        {kCompMix, "80", 0.8},
        {kCompMix, "150 %", 1.0},
        {kEqBypass, "on", 1.0},
        {kEqBypass, "Off", 0.0},
        {kEqBypass, "TRUE", 1.0},
        {kEqBypass, "1", 1.0},
        {kEqBypass, "0.2", 0.0},
        // Text that is no value of the parameter.
        {kCompThreshold, "", refused},
        {kCompThreshold, "loud", refused},
        {kCompThreshold, "-", refused},
        {kCompThreshold, "-24 ms", refused},   // a unit it does not measure
        {kCompThreshold, "-24 dB x", refused}, // trailing words
        {kCompThreshold, "1e400", refused},
        {kCompThreshold, "--24", refused},
        {kCompThreshold, "1.2.3", refused},
        {kLowMidFreq, "1.2 kdB", refused},
        {kCompRatio, "4:0", refused},
        {kCompRatio, "4:", refused},
        {kCompRatio, "4 dB", refused},
        {kEqBypass, "maybe", refused},
        {kEqBypass, "1 dB", refused},
        {kCompThreshold, "123456789012345678901234567890123456789", refused},
    };
    for (const auto& c : cases) {
        const ParamRow& param = ParamRowAt(c.index);
        SCOPED_TRACE(::testing::Message() << param.name << " '" << c.text << "'");
        double v = 12345.0;
        EXPECT_EQ(ParseValue(param, c.text, v), c.value.has_value());
        if (c.value)
            EXPECT_NEAR(v, *c.value, 1e-12);
        else
            EXPECT_EQ(v, 12345.0); // untouched
    }
}

// Half the last shown digit: a tenth of a dB or of a ratio, a percent, three figures.
double RoundingOf(const ParamRow& param, double value) {
    constexpr double kSlack = 1e-9;
    switch (param.unit) {
    case ParamUnit::kDecibel:
    case ParamUnit::kRatio:
        return 0.05 + kSlack;
    case ParamUnit::kPercent:
        return 0.005 + kSlack;
    case ParamUnit::kSwitch:
        return 0.5;
    default:
        return std::fabs(value) * 0.005 + kSlack;
    }
}

// Every parameter, 1001 values over its range, in both forms: the text reads
// back as a value within the text's rounding, and that value writes the same text.
TEST(ValueText, EveryParameterRoundTrips) {
    for (int i = 0; i < kTorvikParamCount; ++i) {
        const ParamRow& param = ParamRowAt(i);
        if (IsReserved(param))
            continue;
        for (const TextForm form : {TextForm::kWithUnit, TextForm::kNumberOnly}) {
            for (int k = 0; k <= 1000; ++k) {
                const double value = param.min + (param.max - param.min) * k / 1000.0;
                const std::string text = FormatValue(param, value, form);
                SCOPED_TRACE(::testing::Message()
                             << param.name << " " << value << " '" << text << "'");
                double read = 0.0;
                ASSERT_TRUE(ParseValue(param, text, read));
                EXPECT_EQ(FormatValue(param, read, form), text);
                EXPECT_NEAR(read, value, RoundingOf(param, value));
            }
        }
    }
}

TEST(ValueText, HostUnits) {
    const struct {
        int index;
        const char* unit;
    } cases[] = {{kPreampGain, "dB"}, {kPreampHpf, "Hz"},     {kDeEsserRelease, "ms"},
                 {kDeEsserMix, "%"},  {kGateThreshold, "dB"}, {kCompRatio, ""},
                 {kUnusedParam, ""},  {kCompSidechainHpf, ""}};
    for (const auto& c : cases)
        EXPECT_STREQ(UnitText(ParamRowAt(c.index).unit), c.unit) << c.index;
}

} // namespace
} // namespace torvik::testing
