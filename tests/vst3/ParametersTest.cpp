// The 42 host parameters, their texts and conversions, units and the program list.
#include "TorvikHost.h"

#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivstunits.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string Utf8(const char16* text) {
    return toUtf8(text, 128);
}

class Parameters : public ::testing::Test {
protected:
    void SetUp() override {
        instance = NewTorvik();
        ASSERT_NE(instance, nullptr);
        controller = instance->controller();
        ASSERT_NE(controller, nullptr);
    }
    std::unique_ptr<hostkit::Instance> instance;
    IEditController* controller = nullptr;
};

TEST_F(Parameters, ListAsTheHostSeesIt) {
    ASSERT_EQ(controller->getParameterCount(), 42);
    ParameterInfo info{};
    ASSERT_EQ(controller->getParameterInfo(0, info), kResultTrue);
    EXPECT_EQ(info.id, kPresetParamId);
    EXPECT_EQ(Utf8(info.title), "Preset");
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange);

    ASSERT_EQ(controller->getParameterInfo(1, info), kResultTrue);
    EXPECT_EQ(info.id, kBypassParamId);
    EXPECT_EQ(Utf8(info.title), "Bypass");
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.flags, 0x10009);

    const struct {
        int index;
        const char* title;
        const char* units;
        int32 steps;
        double defaultNormalised;
        int32 precision;
        int32 flags;
    } rows[] = {
        {0, "Preamp Gain", "dB", 0, 0.0, 2, ParameterInfo::kCanAutomate},
        {1, "Preamp HPF", "Hz", 0, 0.0, 2, ParameterInfo::kCanAutomate},
        {4, "De-Esser Release", "ms", 0, 25.0 / 195.0, 2, ParameterInfo::kCanAutomate},
        {6, "De-Esser Mix", "%", 0, 1.0, 2, ParameterInfo::kCanAutomate},
        {17, "Compressor Ratio", "", 0, 2.5 / 18.5, 2, ParameterInfo::kCanAutomate},
        // The record the table never defines: titled, hidden, not automatable.
        {19, "Reserved", "", 1, 0.0, 0, ParameterInfo::kIsHidden | ParameterInfo::kIsReadOnly},
        {20, "Preamp Bypass", "", 1, 1.0, 0, ParameterInfo::kCanAutomate},
        {38, "Compressor External Sidechain", "", 1, 0.0, 0, ParameterInfo::kCanAutomate},
        {39, "Compressor External Sidechain", "", 1, 0.0, 0, ParameterInfo::kCanAutomate},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(controller->getParameterInfo(row.index + 2, info), kResultTrue);
        EXPECT_EQ(info.id, static_cast<ParamID>(row.index));
        EXPECT_EQ(Utf8(info.title), row.title) << row.index;
        EXPECT_EQ(Utf8(info.units), row.units) << row.index;
        EXPECT_EQ(Utf8(info.shortTitle), "");
        EXPECT_EQ(info.stepCount, row.steps) << row.index;
        EXPECT_DOUBLE_EQ(info.defaultNormalizedValue, row.defaultNormalised) << row.index;
        EXPECT_EQ(info.flags, row.flags) << row.index;
        EXPECT_EQ(info.unitId, 0);
    }
    EXPECT_EQ(controller->getParameterInfo(42, info), kResultFalse);
    EXPECT_EQ(controller->getParameterInfo(-1, info), kResultFalse);
}

// Every parameter through the built module: 101 values, each text read back
// gives the same text again, near the value it came from.
TEST_F(Parameters, EveryValueTextReadsBack) {
    for (ParamID id = 0; id < 40; ++id) {
        if (id == 19)
            continue; // reserved: hidden, never shown
        for (int k = 0; k <= 100; ++k) {
            const double x = k / 100.0;
            String128 text{};
            ASSERT_EQ(controller->getParamStringByValue(id, x, text), kResultOk);
            SCOPED_TRACE(::testing::Message() << id << " " << x << " '" << Utf8(text) << "'");
            ParamValue read = -1;
            ASSERT_EQ(controller->getParamValueByString(id, text, read), kResultTrue);
            String128 again{};
            ASSERT_EQ(controller->getParamStringByValue(id, read, again), kResultOk);
            EXPECT_EQ(Utf8(again), Utf8(text));
            // Three figures, a tenth of a dB or a percent: well within 1 % of the range.
            EXPECT_NEAR(read, id >= 20 ? std::round(x) : x, 0.01);
        }
    }
}

TEST_F(Parameters, ReservedRecordKeepsItsPlaceInTheState) {
    // A state saved before the record had a title, with 1.0 at index 19.
    auto saved = instance->getControllerState();
    ASSERT_TRUE(saved.has_value());
    const double one = 1.0;
    std::memcpy(saved->data() + 19 * sizeof(double), &one, sizeof one);
    ASSERT_EQ(instance->setControllerState(*saved), kResultOk);
    EXPECT_EQ(controller->getParamNormalized(19), 1.0);
    EXPECT_EQ(instance->getControllerState(), saved);
}

TEST_F(Parameters, ValuesTextsAndConversions) {
    EXPECT_EQ(controller->getParamNormalized(0), 0.0);
    EXPECT_EQ(controller->getParamNormalized(2), 0.5);
    EXPECT_EQ(controller->getParamNormalized(kPresetParamId), 0.0);
    EXPECT_EQ(controller->getParamNormalized(kBypassParamId), 0.0);
    EXPECT_EQ(controller->getParamNormalized(4000), 0.0);

    EXPECT_EQ(controller->setParamNormalized(17, 0.5), kResultOk);
    EXPECT_DOUBLE_EQ(controller->normalizedParamToPlain(17, controller->getParamNormalized(17)),
                     10.75);
    EXPECT_EQ(controller->setParamNormalized(kPresetParamId, 0.5), kResultFalse);
    EXPECT_EQ(controller->setParamNormalized(40, 0.5), kResultFalse);

    EXPECT_EQ(instance->parameterText(0, 0.0), "-30.0");
    EXPECT_EQ(instance->parameterText(18, 1.0), "100");
    EXPECT_EQ(instance->parameterText(20, 1.0), "On");
    EXPECT_EQ(instance->parameterText(20, 0.0), "Off");
    EXPECT_EQ(instance->parameterText(kBypassParamId, 1.0), "");
    String128 text{};
    EXPECT_EQ(controller->getParamStringByValue(kBypassParamId, 1.0, text), kResultFalse);

    ParamValue normalised = -1;
    UString128 typed("-20 dB");
    EXPECT_EQ(controller->getParamValueByString(16, typed.data(), normalised), kResultTrue);
    EXPECT_NEAR(normalised, 40.0 / 60.0, 1e-12);

    // Text that holds no value is refused and changes nothing.
    for (const char* bad : {"loud", "", "-20 ms"}) {
        normalised = -1;
        UString128 refused(bad);
        EXPECT_EQ(controller->getParamValueByString(16, refused.data(), normalised), kResultFalse)
            << bad;
        EXPECT_EQ(normalised, -1) << bad;
    }
    // Host strings are UTF-16: a typeset minus sign reads.
    const std::u16string minus = u"\u221220 dB";
    String128 typeset{};
    std::copy(minus.begin(), minus.end(), typeset);
    EXPECT_EQ(controller->getParamValueByString(16, typeset, normalised), kResultTrue);
    EXPECT_NEAR(normalised, 40.0 / 60.0, 1e-12);

    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(16, -30.0), 0.5);
    EXPECT_DOUBLE_EQ(controller->plainParamToNormalized(16, -90.0), 0.0);
    EXPECT_EQ(controller->plainParamToNormalized(kBypassParamId, 0.25), 0.25);
    EXPECT_DOUBLE_EQ(controller->normalizedParamToPlain(0, 0.25), -15.0);
}

TEST_F(Parameters, UnitsAndProgramList) {
    FUnknownPtr<IUnitInfo> units(controller);
    ASSERT_TRUE(units);
    EXPECT_EQ(units->getUnitCount(), 1);
    UnitInfo unit{};
    ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(Utf8(unit.name), "Root Unit");
    EXPECT_EQ(unit.parentUnitId, -1);
    EXPECT_EQ(unit.programListId, -1);
    EXPECT_EQ(units->getUnitInfo(1, unit), kResultFalse);
    EXPECT_EQ(units->getUnitInfo(-1, unit), kResultFalse);

    EXPECT_EQ(units->getProgramListCount(), 0);
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, static_cast<ProgramListID>(kPresetParamId));
    EXPECT_EQ(Utf8(list.name), "Factory Presets");
    EXPECT_EQ(list.programCount, 1);
    EXPECT_EQ(units->getProgramListInfo(1, list), kResultFalse);

    String128 name{};
    ASSERT_EQ(units->getProgramName(kPresetParamId, 0, name), kResultOk);
    EXPECT_EQ(Utf8(name), "-");
    ASSERT_EQ(units->getProgramName(kPresetParamId, 5, name), kResultOk);
    EXPECT_EQ(Utf8(name), "");
    EXPECT_EQ(units->getProgramName(1234, 0, name), kResultFalse);
    EXPECT_EQ(units->getSelectedUnit(), 0);
}

TEST_F(Parameters, EditorEditsReachTheComponentHandler) {
    FUnknownPtr<IEditController2> controller2(controller);
    ASSERT_TRUE(controller2);
    EXPECT_EQ(controller2->setKnobMode(kLinearMode), kResultOk);
    EXPECT_EQ(controller2->openHelp(false), kResultFalse);
    EXPECT_EQ(controller2->openAboutBox(false), kResultFalse);
}

} // namespace
} // namespace torvik::testing
