// Parameter, StringListParameter and ParameterContainer behaviour.
#include "vst3sdk/helpers/parameters.h"
#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
std::string text(const Parameter& p, ParamValue v) {
    String128 s;
    p.toString(v, s);
    return toUtf8(s);
}
} // namespace

TEST(Parameter, ConstructionFillsInfoAndStartsAtDefault) {
    Parameter p(u"Drive", 7, u"dB", 0.25, 0, ParameterInfo::kCanAutomate, 3, u"Drv");
    const ParameterInfo& info = p.getInfo();
    EXPECT_EQ(info.id, 7u);
    EXPECT_EQ(toUtf8(info.title), "Drive");
    EXPECT_EQ(toUtf8(info.units), "dB");
    EXPECT_EQ(toUtf8(info.shortTitle), "Drv");
    EXPECT_EQ(info.unitId, 3);
    EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, 0.25);
    EXPECT_DOUBLE_EQ(p.getNormalized(), 0.25);
    EXPECT_EQ(p.getPrecision(), 4);
}

TEST(Parameter, SetNormalizedClampsReportsChangesAndRefusesNan) {
    Parameter p(u"x", 1);
    EXPECT_TRUE(p.setNormalized(1.5));
    EXPECT_DOUBLE_EQ(p.getNormalized(), 1.0);
    EXPECT_FALSE(p.setNormalized(1.0));
    EXPECT_TRUE(p.setNormalized(-3));
    EXPECT_DOUBLE_EQ(p.getNormalized(), 0.0);
    EXPECT_FALSE(p.setNormalized(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_DOUBLE_EQ(p.getNormalized(), 0.0);
}

TEST(Parameter, TextsOfToggleAndContinuousValues) {
    Parameter toggle(u"On", 1, nullptr, 0, 1);
    EXPECT_EQ(text(toggle, 0.5), "Off");
    EXPECT_EQ(text(toggle, 0.51), "On");
    Parameter plain(u"Mix", 2);
    EXPECT_EQ(text(plain, 0.125), "0.1250");
    plain.setPrecision(1);
    EXPECT_EQ(text(plain, 0.125), "0.1");

    ParamValue v = -1;
    EXPECT_TRUE(plain.fromString(u"0.75", v));
    EXPECT_DOUBLE_EQ(v, 0.75);
    // Not clamped: the caller decides.
    EXPECT_TRUE(plain.fromString(u"3", v));
    EXPECT_DOUBLE_EQ(v, 3.0);
    EXPECT_FALSE(plain.fromString(u"abc", v));
    EXPECT_FALSE(plain.fromString(nullptr, v));
}

TEST(StringListParameter, StepsAndConversions) {
    StringListParameter bypass(u"Bypass", 9);
    EXPECT_EQ(bypass.getInfo().stepCount, -1);
    EXPECT_EQ(bypass.getInfo().flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsList);
    String128 s;
    bypass.toString(0.3, s); // empty list: empty text, no crash
    EXPECT_EQ(s[0], 0);

    bypass.appendString(u"off");
    bypass.appendString(u"on");
    EXPECT_EQ(bypass.getInfo().stepCount, 1);

    struct Case {
        ParamValue normalized;
        double plain;
        const char* label;
    };
    const Case cases[] = {{0.0, 0, "off"}, {0.49, 0, "off"}, {0.5, 1, "on"}, {1.0, 1, "on"}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(bypass.toPlain(c.normalized), c.plain) << c.normalized;
        EXPECT_EQ(text(bypass, c.normalized), c.label) << c.normalized;
    }
    EXPECT_DOUBLE_EQ(bypass.toNormalized(1), 1.0);

    ParamValue v = -1;
    EXPECT_TRUE(bypass.fromString(u"on", v));
    EXPECT_DOUBLE_EQ(v, 1.0);
    EXPECT_FALSE(bypass.fromString(u"On", v)); // case-sensitive
    // Values outside 0..1 give no entry rather than reading past the list.
    bypass.toString(-5.0, s);
    EXPECT_EQ(s[0], 0);
    bypass.toString(std::numeric_limits<double>::quiet_NaN(), s);
    EXPECT_EQ(s[0], 0);
}

TEST(ParameterContainer, KeepsOrderFindsNewestDuplicateAndReleases) {
    ParameterContainer container;
    EXPECT_EQ(container.getParameterCount(), 0);
    EXPECT_EQ(container.getParameterByIndex(0), nullptr);

    auto* first = container.addParameter(u"A", nullptr, 0, 0.0, ParameterInfo::kCanAutomate, 5);
    auto* autoId = container.addParameter(u"B");
    auto* duplicate = container.addParameter(new Parameter(u"C", 5));
    EXPECT_EQ(autoId->getInfo().id, 1u); // negative id: the count at insertion
    EXPECT_EQ(container.getParameterCount(), 3);
    EXPECT_EQ(container.getParameterByIndex(0), first);
    EXPECT_EQ(container.getParameter(5), duplicate);
    EXPECT_EQ(container.getParameter(99), nullptr);

    duplicate->addRef();
    EXPECT_TRUE(container.removeParameter(5));
    EXPECT_EQ(container.getParameterCount(), 2);
    EXPECT_EQ(container.getParameter(1), autoId); // map follows the shifted positions
    EXPECT_EQ(duplicate->release(), 0u);          // the container gave back its reference
    container.removeAll();
    EXPECT_EQ(container.getParameterCount(), 0);
}
