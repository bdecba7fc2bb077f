// Buses and the arrangements a host may propose.
#include "TorvikHost.h"

#include "vst3sdk/helpers/ustring.h"

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr SpeakerArrangement kMono = 0x80000;
constexpr SpeakerArrangement kStereo = 0x3;

struct BusView {
    std::string name;
    int32 type;
    uint32 flags;
    int32 channels;
    bool operator==(const BusView&) const = default;
};

std::vector<BusView> Inputs(const hostkit::Instance& instance) {
    std::vector<BusView> buses;
    for (int32 i = 0; i < instance.busCount(kAudio, kInput); ++i) {
        const BusInfo info = *instance.busInfo(kAudio, kInput, i);
        buses.push_back({toUtf8(info.name, 128), info.busType, info.flags, info.channelCount});
    }
    return buses;
}

TEST(Buses, AfterInitialize) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->busCount(kAudio, kInput), 2);
    EXPECT_EQ(instance->busCount(kAudio, kOutput), 1);
    EXPECT_EQ(instance->busCount(kEvent, kInput), 0);
    EXPECT_EQ(instance->busCount(kEvent, kOutput), 0);
    const std::vector<BusView> expected = {{"Main Input", kMain, BusInfo::kDefaultActive, 2},
                                           {"Aux Input", kAux, 0, 2}};
    EXPECT_EQ(Inputs(*instance), expected);
    const BusInfo out = *instance->busInfo(kAudio, kOutput, 0);
    EXPECT_EQ(toUtf8(out.name, 128), "Output");
    EXPECT_EQ(out.channelCount, 2);
    EXPECT_EQ(out.busType, kMain);
    SpeakerArrangement arrangement = 0;
    EXPECT_EQ(instance->processor()->getBusArrangement(kInput, 1, arrangement), kResultTrue);
    EXPECT_EQ(arrangement, kStereo);
    EXPECT_FALSE(instance->busInfo(kAudio, kInput, 2).has_value());
}

TEST(Buses, Arrangements) {
    const std::vector<BusView> initial = {{"Main Input", kMain, BusInfo::kDefaultActive, 2},
                                          {"Aux Input", kAux, 0, 2}};
    const struct {
        const char* what;
        std::vector<SpeakerArrangement> inputs;
        std::vector<SpeakerArrangement> outputs;
        tresult answer;
        std::vector<BusView> busesAfter;
    } cases[] = {
        {"stereo with stereo sidechain", {kStereo, kStereo}, {kStereo}, kResultOk, initial},
        {"no sidechain arrangement", {kStereo}, {kStereo}, kResultFalse, initial},
        {"mono main input", {kMono, kStereo}, {kStereo}, kResultFalse, initial},
        {"mono output", {kStereo, kStereo}, {kMono}, kResultFalse, initial},
        {"three input arrangements", {kStereo, kStereo, kStereo}, {kStereo}, kResultFalse, initial},
        {"mono sidechain",
         {kStereo, kMono},
         {kStereo},
         kResultOk,
         {{"Input", kMain, BusInfo::kDefaultActive, 2}, {"Sidechain Input", kAux, 0, 1}}},
        {"unconnected sidechain",
         {kStereo, 0},
         {kStereo},
         kResultOk,
         {{"Input", kMain, BusInfo::kDefaultActive, 2}, {"Sidechain Input", kAux, 0, 0}}},
    };
    for (const auto& c : cases) {
        auto instance = NewTorvik();
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(instance->setBusArrangements(c.inputs, c.outputs), c.answer) << c.what;
        EXPECT_EQ(Inputs(*instance), c.busesAfter) << c.what;
        EXPECT_EQ(instance->busCount(kAudio, kOutput), 1) << c.what;
    }
}

TEST(Buses, ActivationIsStoredPerBus) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(instance->activateBus(kAudio, kInput, 1, true), kResultTrue);
    EXPECT_EQ(instance->activateBus(kAudio, kInput, 7, true), kInvalidArgument);
    EXPECT_EQ(instance->activateBus(kEvent, kInput, 0, true), kInvalidArgument);
}

} // namespace
} // namespace torvik::testing
