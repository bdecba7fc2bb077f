// TORVIK.clap sounds like TORVIK.vst3 to the bit, at every rate and width,
// with automation, the sidechain on and off, and survives hosts that hand it
// fewer ports, channels or pointers than it declared.
#include "ClapTestSupport.h"

#include <cmath>

namespace torvik::testing {
namespace {

using namespace hostkit::clap;

void ExpectIdentical(const std::vector<double>& clap, const std::vector<double>& vst3) {
    ASSERT_EQ(clap.size(), vst3.size());
    std::size_t differing = 0;
    for (std::size_t i = 0; i < clap.size(); ++i)
        differing += clap[i] != vst3[i];
    EXPECT_EQ(differing, 0u) << "of " << clap.size() << " samples";
    double peak = 0.0;
    for (double v : clap)
        peak = std::max(peak, std::fabs(v));
    EXPECT_GT(peak, 0.01); // something was heard
}

TEST(ClapAudio, BitIdenticalToTheVst3ModuleAtEveryRateAndWidth) {
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (bool is64 : {false, true}) {
            SCOPED_TRACE(::testing::Message() << rate << " Hz, " << (is64 ? 64 : 32) << " bit");
            ClapRender param;
            param.rate = rate;
            param.is64 = is64;
            param.automation = EngagedAtStart();
            // Automation while it runs: a threshold sweep, a switch, the host's bypass.
            param.automation.push_back({10, kCompThreshold, -12.0});
            param.automation.push_back({14, kDeEsserThreshold, -20.0});
            param.automation.push_back({18, kGateBypass, 0.0});
            param.automation.push_back({22, kMainOutput, -3.5});
            ExpectIdentical(RenderClap(param), RenderVst3(param));
        }
    }
}

TEST(ClapAudio, SidechainOnAndOff) {
    ClapRender keyed;
    keyed.automation = EngagedAtStart();
    ClapRender unkeyed = keyed;
    unkeyed.sidechain = false;
    const std::vector<double> withKey = RenderClap(keyed);
    const std::vector<double> withoutKey = RenderClap(unkeyed);
    ExpectIdentical(withKey, RenderVst3(keyed));
    ExpectIdentical(withoutKey, RenderVst3(unkeyed));
    EXPECT_NE(withKey, withoutKey); // the compressor heard its key
}

TEST(ClapAudio, BypassPassesTheInputAndZeroFramesTouchNothing) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    ASSERT_TRUE(plugin.Activate(48000, 1, 64));
    InputEvents bypass;
    bypass.AddValue(0x62706173, 1.0);
    PortBuffers<float> in(2, 64), out(2, 64);
    for (int i = 0; i < 64; ++i)
        in[0][i] = in[1][i] = static_cast<float>(Signal(0, i, 48000));
    out[0][0] = 123.0f;
    EXPECT_EQ(plugin.Process(0, {in.Buffer()}, {out.Buffer()}, &bypass), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(out[0][0], 123.0f); // zero frames: events only
    EXPECT_EQ(plugin.Value(0x62706173), 1.0);
    EXPECT_EQ(plugin.Process(64, {in.Buffer()}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(out[0], in[0]);
    EXPECT_EQ(out[1], in[1]);
}

TEST(ClapAudio, MissingPortsChannelsAndPointersAreSilence) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    ASSERT_TRUE(plugin.Activate(48000, 1, 256));
    PortBuffers<float> in(2, 512), mono(1, 512), out(2, 512), wide(3, 512);
    for (int i = 0; i < 512; ++i)
        in[0][i] = in[1][i] = mono[0][i] = 0.5f;
    auto finite = [](const std::vector<float>& v) {
        for (float s : v)
            if (!std::isfinite(s))
                return false;
        return true;
    };
    // No ports at all, an input without channels, a mono input, a port with
    // null channel pointers, a third output channel, a block longer than the
    // activation's maximum.
    EXPECT_EQ(plugin.Process(256, {}, {}), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(plugin.Process(256, {}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE(finite(out[0]));
    clap_audio_buffer empty{};
    EXPECT_EQ(plugin.Process(256, {empty, empty}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
    EXPECT_EQ(plugin.Process(256, {mono.Buffer()}, {out.Buffer()}), CLAP_PROCESS_CONTINUE);
    std::vector<float*> nulls(2, nullptr);
    clap_audio_buffer holes{nulls.data(), nullptr, 2, 0, 0};
    EXPECT_EQ(plugin.Process(256, {holes}, {holes}), CLAP_PROCESS_CONTINUE);
    wide[2].assign(512, 9.0f);
    EXPECT_EQ(plugin.Process(512, {in.Buffer()}, {wide.Buffer()}), CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE(finite(wide[0]));
    EXPECT_EQ(wide[2], std::vector<float>(512, 0.0f)); // a channel TORVIK lacks is silence
    // Input and output in one buffer.
    PortBuffers<float> shared(2, 256);
    for (int i = 0; i < 256; ++i)
        shared[0][i] = shared[1][i] = static_cast<float>(Signal(0, i, 48000));
    EXPECT_EQ(plugin.Process(256, {shared.Buffer()}, {shared.Buffer()}), CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE(finite(shared[0]));
}

} // namespace
} // namespace torvik::testing
