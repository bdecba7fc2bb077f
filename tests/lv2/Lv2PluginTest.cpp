// TORVIK.lv2's binary driven through the LV2 host kit: instances, ports,
// controls, meters, the state across formats and hostile input.
#include "framework/ByteOrder.h"
#include "hostkit/lv2/Lv2Host.h"
#include "lv2/Lv2Identity.h"
#include "processor/ParameterTable.h"
#include "processor/Parameters.h"
#include "processor/TorvikFacts.h"
#include "vst3/TorvikHost.h"

#include <lv2/atom/atom.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace torvik::testing {
namespace {

using namespace hostkit::lv2;
using namespace torvik::lv2;

constexpr std::uint32_t kPortCount = FirstMeterPort(kParameterCount) + 5;
constexpr std::uint32_t kFrames = 512;

Lv2Library& Library() {
    static Lv2Library library(std::string(TORVIK_LV2_BUNDLE) + "/" + kBinaryName);
    EXPECT_TRUE(library.Error().empty()) << library.Error();
    return library;
}

// An instance with every control at its default, audio connected to buffers.
struct Strip {
    explicit Strip(double rate = 48000.0, bool withMap = true)
        : instance(Library().Descriptor(kPluginUri), rate, kPortCount, withMap) {
        if (!instance.Created())
            return;
        for (int i = 0; i < kParameterCount; ++i)
            instance.Control(ParamPort(i)) = static_cast<float>(ParamRowAt(i).defaultValue);
        instance.Control(EnabledPort(kParameterCount)) = 1.0f;
        for (unsigned p : {kInLeft, kInRight, kSidechainLeft, kSidechainRight})
            instance.ConnectAudio(p, in[p == kInLeft || p == kInRight ? p : p - 2].data());
        instance.ConnectAudio(kOutLeft, out[0].data());
        instance.ConnectAudio(kOutRight, out[1].data());
        for (std::uint32_t i = 0; i < kFrames; ++i)
            for (int ch = 0; ch < 4; ++ch)
                in[ch][i] = static_cast<float>(
                    0.4 * std::sin(2 * std::numbers::pi * (200.0 + 30 * ch) * i / rate));
    }
    Lv2Instance instance;
    std::vector<float> in[4] = {std::vector<float>(kFrames), std::vector<float>(kFrames),
                                std::vector<float>(kFrames), std::vector<float>(kFrames)};
    std::vector<float> out[2] = {std::vector<float>(kFrames), std::vector<float>(kFrames)};
};

bool AllFinite(const std::vector<float>& v) {
    for (float s : v)
        if (!std::isfinite(s))
            return false;
    return true;
}

TEST(Lv2Plugin, OneDescriptorInstancesAtEveryRateAndRefusedOnes) {
    EXPECT_EQ(Library().Descriptor("urn:quellmark:torvik2"), nullptr);
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        Strip strip(rate);
        ASSERT_TRUE(strip.instance.Created()) << rate;
        strip.instance.Activate();
        strip.instance.Run(kFrames);
        EXPECT_TRUE(AllFinite(strip.out[0]));
        strip.instance.Run(0); // zero frames: nothing happens
    }
    for (double rate : {0.0, -48000.0, std::nan(""), 1e12}) {
        Lv2Instance refused(Library().Descriptor(kPluginUri), rate, kPortCount);
        EXPECT_FALSE(refused.Created()) << rate;
    }
}

TEST(Lv2Plugin, ControlsMetersBypassAndHostileValues) {
    Strip strip;
    Lv2Instance& lv2 = strip.instance;
    lv2.Control(ParamPort(kMainOutput)) = -6.0f;
    lv2.Activate();
    lv2.Run(kFrames);
    const float quieter = strip.out[0][kFrames - 1];
    for (int m = 0; m < 5; ++m) {
        const float meter = lv2.Control(FirstMeterPort(kParameterCount) + static_cast<unsigned>(m));
        EXPECT_GE(meter, 0.0f);
        EXPECT_LE(meter, 1.0f);
    }
    // NaN, infinities and far-out values: ignored or clamped, never heard as noise.
    lv2.Control(ParamPort(kMainInput)) = std::nanf("");
    lv2.Control(ParamPort(kCompRatio)) = 1e30f;
    lv2.Control(ParamPort(kPreampHpf)) = -std::numeric_limits<float>::infinity();
    lv2.Run(kFrames);
    EXPECT_TRUE(AllFinite(strip.out[0]));
    EXPECT_TRUE(AllFinite(strip.out[1]));
    // Bypassed through lv2:enabled: the input comes out as it went in.
    lv2.Control(EnabledPort(kParameterCount)) = 0.0f;
    lv2.Run(kFrames);
    EXPECT_EQ(strip.out[0], strip.in[0]);
    EXPECT_EQ(strip.out[1], strip.in[1]);
    EXPECT_NE(quieter, strip.in[0][kFrames - 1]);
    // Unconnected audio inputs are silence; an unconnected output is skipped.
    lv2.ConnectAudio(kInLeft, nullptr);
    lv2.ConnectAudio(kSidechainLeft, nullptr);
    lv2.ConnectAudio(kOutRight, nullptr);
    lv2.Control(EnabledPort(kParameterCount)) = 1.0f;
    lv2.Run(kFrames);
    EXPECT_TRUE(AllFinite(strip.out[0]));
    // Calls in the wrong order: run before activate, deactivate twice.
    Strip early;
    early.instance.Run(kFrames);
    EXPECT_TRUE(AllFinite(early.out[0]));
    early.instance.Deactivate();
    early.instance.Deactivate();
}

// The state bytes of an instance with these settings.
std::vector<std::uint8_t> StateBytesOf(Lv2Instance& lv2) {
    std::vector<Lv2Instance::Property> properties;
    EXPECT_TRUE(lv2.Save(properties));
    EXPECT_EQ(properties.size(), 1u);
    if (properties.empty())
        return {};
    EXPECT_EQ(properties[0].key, lv2.Urids().Map(kStateKey));
    EXPECT_EQ(properties[0].type, lv2.Urids().Map(LV2_ATOM__Chunk));
    return properties[0].bytes;
}

TEST(Lv2State, SameBytesAsTheVst3ModuleBothWays) {
    Strip strip;
    strip.instance.Control(ParamPort(kCompThreshold)) = -30.0f;
    strip.instance.Control(ParamPort(kGateBypass)) = 1.0f;
    strip.instance.Control(EnabledPort(kParameterCount)) = 0.0f;
    strip.instance.Activate();
    strip.instance.Run(64);
    const std::vector<std::uint8_t> lv2State = StateBytesOf(strip.instance);
    ASSERT_EQ(lv2State.size(), 324u);

    auto vst3 = NewTorvik();
    ASSERT_NE(vst3, nullptr);
    ASSERT_EQ(vst3->setControllerState(lv2State), Steinberg::kResultOk);
    EXPECT_EQ(*vst3->getControllerState(), lv2State);

    // A VST 3 state with other values restores into a fresh LV2 instance and
    // stands against the control ports until the host moves one.
    std::vector<std::uint8_t> other = lv2State;
    const double ratio = 8.0;
    StoreLittleEndian<std::uint64_t>(other.data() + 8 * kCompRatio,
                                     std::bit_cast<std::uint64_t>(ratio));
    ASSERT_EQ(vst3->setControllerState(other), Steinberg::kResultOk);
    Strip fresh;
    fresh.instance.Activate();
    const LV2_URID key = fresh.instance.Urids().Map(kStateKey);
    const LV2_URID chunk = fresh.instance.Urids().Map(LV2_ATOM__Chunk);
    ASSERT_EQ(fresh.instance.Restore({{key, chunk, *vst3->getControllerState()}}),
              LV2_STATE_SUCCESS);
    fresh.instance.Run(64);
    EXPECT_EQ(StateBytesOf(fresh.instance), other);
}

TEST(Lv2State, HostileStatesAreRefusedAndChangeNothing) {
    Strip strip;
    strip.instance.Activate();
    const std::vector<std::uint8_t> before = StateBytesOf(strip.instance);
    const LV2_URID key = strip.instance.Urids().Map(kStateKey);
    const LV2_URID chunk = strip.instance.Urids().Map(LV2_ATOM__Chunk);
    const LV2_URID other = strip.instance.Urids().Map(LV2_ATOM__String);
    std::vector<std::uint8_t> nan = before;
    StoreLittleEndian<std::uint64_t>(nan.data(), 0x7FF8000000000000ull);
    const struct {
        std::vector<Lv2Instance::Property> properties;
        LV2_State_Status expected;
    } cases[] = {
        {{}, LV2_STATE_ERR_NO_PROPERTY},
        {{{key, other, before}}, LV2_STATE_ERR_BAD_TYPE},
        {{{key, chunk, std::vector<std::uint8_t>(before.begin(), before.end() - 1)}},
         LV2_STATE_ERR_UNKNOWN},
        {{{key, chunk, std::vector<std::uint8_t>(4096, 0xFF)}}, LV2_STATE_ERR_UNKNOWN},
        {{{key, chunk, nan}}, LV2_STATE_ERR_UNKNOWN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(strip.instance.Restore(c.properties), c.expected);
        EXPECT_EQ(StateBytesOf(strip.instance), before);
    }
    // A host without urid:map gets an instance that runs but keeps no state.
    Strip unmapped(48000.0, false);
    ASSERT_TRUE(unmapped.instance.Created());
    unmapped.instance.Activate();
    unmapped.instance.Run(kFrames);
    std::vector<Lv2Instance::Property> none;
    EXPECT_FALSE(unmapped.instance.Save(none));
}

TEST(Lv2State, ABrokenMapBesideARealOneLeavesStateWorking) {
    UridMap urids;
    LV2_URID_Map broken{nullptr, nullptr};
    LV2_Feature real{LV2_URID__map, urids.Feature()};
    LV2_Feature withoutFunction{LV2_URID__map, &broken};
    LV2_Feature withoutData{LV2_URID__map, nullptr};
    const std::vector<const LV2_Feature*> orders[] = {
        {&real, &withoutFunction, &withoutData, nullptr},
        {&withoutData, &real, &withoutFunction, nullptr},
    };
    const LV2_Descriptor* d = Library().Descriptor(kPluginUri);
    ASSERT_NE(d, nullptr);
    const auto* state =
        static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
    ASSERT_NE(state, nullptr);
    for (const auto& features : orders) {
        LV2_Handle handle = d->instantiate(d, 48000.0, "", features.data());
        ASSERT_NE(handle, nullptr);
        std::size_t stored = 0;
        auto store = [](LV2_State_Handle h, std::uint32_t, const void*, std::size_t size,
                        std::uint32_t, std::uint32_t) {
            *static_cast<std::size_t*>(h) = size;
            return LV2_STATE_SUCCESS;
        };
        EXPECT_EQ(state->save(handle, store, &stored, 0, nullptr), LV2_STATE_SUCCESS);
        EXPECT_EQ(stored, kParameterCount * 8u + 4u);
        d->cleanup(handle);
    }
}

} // namespace
} // namespace torvik::testing
