// TORVIK.clap's state: the same 324 bytes as TORVIK.vst3, through streams
// that move a few bytes per call, across formats both ways, and hostile bytes
// refused with nothing changed.
#include "ClapTestSupport.h"

#include <cstring>

namespace torvik::testing {
namespace {

using namespace hostkit::clap;

// Sets the engaged settings through events and the host's bypass on.
void Engage(ClapInstance& plugin) {
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    InputEvents events;
    for (const EngagedSetting& s : kEngagedSettings)
        events.AddValue(static_cast<clap_id>(s.index), PlainFor(s.index, s.value));
    events.AddValue(0x62706173, 1.0);
    params->flush(plugin.Plugin(), events.List(), nullptr);
}

TEST(ClapState, SameBytesAsTheVst3ModuleBothWays) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    Engage(plugin);
    std::vector<std::uint8_t> clapState;
    ASSERT_TRUE(plugin.Save(clapState, 23)); // a stream taking 23 bytes per call
    ASSERT_EQ(clapState.size(), 324u);
    EXPECT_EQ(std::vector<std::uint8_t>(clapState.end() - 4, clapState.end()),
              (std::vector<std::uint8_t>{1, 0, 0, 0}));

    // The same settings through the VST 3 module give the same bytes.
    auto vst3 = NewTorvik();
    ASSERT_NE(vst3, nullptr);
    vst3->startProcessing(48000, 64);
    BlockRunner runner(*vst3, 64, Steinberg::Vst::kSample32);
    for (const EngagedSetting& s : kEngagedSettings)
        runner.Change(static_cast<Steinberg::Vst::ParamID>(s.index),
                      NormalisedFor(s.index, s.value));
    runner.Change(kBypassParamId, 1.0);
    runner.Run(0);
    const auto vst3State = vst3->getControllerState();
    ASSERT_TRUE(vst3State.has_value());
    EXPECT_EQ(*vst3State, clapState);

    // A VST 3 state restores into the CLAP plug-in, and the other way round.
    auto fresh = NewTorvik();
    ASSERT_EQ(fresh->setControllerState(clapState), Steinberg::kResultOk);
    EXPECT_EQ(*fresh->getControllerState(), clapState);
    ClapInstance other(TorvikClap(), host, kTorvikClapId);
    const int rescans = host.valueRescans;
    ASSERT_TRUE(other.Load(*vst3State, 17)); // a stream giving 17 bytes per call
    EXPECT_EQ(host.valueRescans, rescans + 1);
    EXPECT_EQ(other.Value(kCompThreshold), -30.0);
    EXPECT_EQ(other.Value(0x62706173), 1.0);
    std::vector<std::uint8_t> again;
    ASSERT_TRUE(other.Save(again));
    EXPECT_EQ(again, clapState); // a re-save gives the bytes back
}

TEST(ClapState, HostileBytesAreRefusedAndChangeNothing) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    Engage(plugin);
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(plugin.Save(good));
    std::vector<std::uint8_t> nan = good;
    const double bad = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(nan.data() + 8 * kCompRatio, &bad, 8);
    std::vector<std::uint8_t> infinite = good;
    const double inf = std::numeric_limits<double>::infinity();
    std::memcpy(infinite.data(), &inf, 8);
    const std::vector<std::vector<std::uint8_t>> hostile = {
        {},
        std::vector<std::uint8_t>(good.begin(), good.end() - 1),
        [&] {
            auto longer = good;
            longer.push_back(0);
            return longer;
        }(),
        std::vector<std::uint8_t>(1 << 20, 0xA5),
        nan,
        infinite,
    };
    for (const auto& bytes : hostile) {
        EXPECT_FALSE(plugin.Load(bytes, 17)) << bytes.size() << " bytes";
        std::vector<std::uint8_t> now;
        ASSERT_TRUE(plugin.Save(now));
        EXPECT_EQ(now, good);
    }
    // Out-of-range values are clamped, not refused.
    std::vector<std::uint8_t> wide = good;
    const double huge = 50.0;
    std::memcpy(wide.data() + 8 * kCompRatio, &huge, 8);
    ASSERT_TRUE(plugin.Load(wide));
    EXPECT_EQ(plugin.Value(kCompRatio), ParamRowAt(kCompRatio).max);
    // Streams that fail.
    const auto* state = plugin.Extension<clap_plugin_state>(CLAP_EXT_STATE);
    clap_ostream failing{
        nullptr, [](const clap_ostream*, const void*, std::uint64_t) { return std::int64_t{-1}; }};
    EXPECT_FALSE(state->save(plugin.Plugin(), &failing));
    clap_ostream stuck{
        nullptr, [](const clap_ostream*, const void*, std::uint64_t) { return std::int64_t{0}; }};
    EXPECT_FALSE(state->save(plugin.Plugin(), &stuck));
    clap_istream broken{nullptr,
                        [](const clap_istream*, void*, std::uint64_t) { return std::int64_t{-1}; }};
    EXPECT_FALSE(state->load(plugin.Plugin(), &broken));
    EXPECT_FALSE(state->load(plugin.Plugin(), nullptr));
    EXPECT_FALSE(state->save(plugin.Plugin(), nullptr));
}

} // namespace
} // namespace torvik::testing
