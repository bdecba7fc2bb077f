// torvik-render through each format of TORVIK: the built TORVIK.clap and TORVIK.lv2 render the
// same bits as TORVIK.vst3 for the same file, settings, automation and sidechain; what a format
// cannot do (64-bit LV2, .vstpreset files without a VST 3 class) is refused in words; a
// third-party CLAP and LV2 plug-in (Debian's zam-plugins) renders too.
#include "ToolTestSupport.h"

#include <cmath>

namespace {

using namespace torvik::testing;

constexpr int kRate = 48000;

class RenderFormats : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        // Two seconds of voice-like noise swelling and falling, and a pulsing key.
        std::vector<double> voice = Noise(2 * kRate, 0.5, 7);
        for (std::size_t i = 0; i < voice.size(); ++i)
            voice[i] *= 0.5 + 0.5 * std::sin(2 * M_PI * 1.5 * static_cast<double>(i) / kRate);
        WriteAudio(dir / "voice.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate,
                   {voice, Noise(2 * kRate, 0.4, 8)});
        std::vector<double> key = Sine(2 * kRate, 110, 0.7, kRate);
        for (std::size_t i = 0; i < key.size(); ++i)
            key[i] *= (i / (kRate / 8)) % 2 == 0 ? 1.0 : 0.0;
        WriteAudio(dir / "key.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, {key, key});
    }

    // Renders voice.wav through `plugin` with `extra` options into `output`.
    RunResult Render(const std::string& plugin, const std::string& output,
                     std::vector<std::string> extra) const {
        std::vector<std::string> args = {"--plugin", plugin, "--bits", "32f", "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(P("voice.wav"));
        args.push_back(P(output));
        return Run(args);
    }
};

// Every stage engaged and the compressor keyed from the sidechain.
const std::vector<std::string> kSettings = {
    "--set", "Preamp HPF Switch=1", "--set", "Preamp HPF=90",
    "--set", "De-Esser Bypass=1",   "--set", "De-Esser Threshold=-40",
    "--set", "Gate Bypass=1",       "--set", "Gate Threshold=50",
    "--set", "EQ Bypass=1",         "--set", "High Mid Gain=3",
    "--set", "Compressor Bypass=1", "--set", "Compressor Threshold=-24",
    "--set", "Compressor Ratio=4",  "--set", "38=1"};
// Automation: a threshold ramp and a step of the output.
const std::vector<std::string> kAutomation = {"--automate", "0.5s Compressor Threshold=-30",
                                              "--automate", "1.5s Compressor Threshold=-12",
                                              "--automate", "1s Main Output=-3"};

// The largest difference between two renders, and how many samples differ.
std::pair<double, std::size_t> Compare(const Audio& a, const Audio& b) {
    double largest = 0;
    std::size_t differing = 0;
    for (std::size_t ch = 0; ch < a.channels.size(); ++ch)
        for (std::size_t i = 0; i < a.Frames(); ++i) {
            largest = std::max(largest, std::fabs(a.channels[ch][i] - b.channels[ch][i]));
            differing += a.channels[ch][i] != b.channels[ch][i];
        }
    return {largest, differing};
}

TEST_F(RenderFormats, ClapAndLv2RenderTheSameBitsAsTheVst3Module) {
    // LV2 control ports carry 32-bit floats: a ramp's points between whole values round to
    // them, so with ramps the LV2 render is within 1e-6 of the others rather than equal.
    enum class Match { Identical, Near, NotAsked };
    const struct {
        const char* what;
        std::vector<std::string> options;
        Match lv2; // how the LV2 render compares
    } cases[] = {
        {"32-bit, blocks of 512", {}, Match::Identical},
        {"32-bit, blocks of 100", {"--block-size", "100"}, Match::Identical},
        {"automation", kAutomation, Match::Near},
        {"64-bit with automation", kAutomation, Match::NotAsked},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> options = kSettings;
        options.insert(options.end(), {"--sidechain", P("key.wav")});
        options.insert(options.end(), c.options.begin(), c.options.end());
        if (c.lv2 == Match::NotAsked)
            options.insert(options.end(), {"--precision", "64"});
        const RunResult vst3 = Render(TORVIK_BUNDLE, "vst3.wav", options);
        ASSERT_EQ(vst3.exitCode, 0) << vst3.errors;
        const Audio reference = ReadAudio(dir / "vst3.wav");
        ASSERT_EQ(reference.Frames(), static_cast<std::size_t>(2 * kRate));
        double peak = 0;
        for (double v : reference.channels[0])
            peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.01);
        std::vector<std::pair<std::string, Match>> formats = {{TORVIK_CLAP, Match::Identical}};
        if (c.lv2 != Match::NotAsked)
            formats.emplace_back(TORVIK_LV2, c.lv2);
        for (const auto& [plugin, expected] : formats) {
            SCOPED_TRACE(plugin);
            const RunResult r = Render(plugin, "other.wav", options);
            ASSERT_EQ(r.exitCode, 0) << r.errors;
            const Audio other = ReadAudio(dir / "other.wav");
            ASSERT_EQ(other.channels.size(), reference.channels.size());
            ASSERT_EQ(other.Frames(), reference.Frames());
            const auto [largest, differing] = Compare(other, reference);
            if (expected == Match::Identical)
                EXPECT_EQ(differing, 0u) << "largest difference " << largest;
            else
                EXPECT_LE(largest, 1e-6);
        }
    }
}

TEST_F(RenderFormats, ParametersAndRefusalsInEachFormat) {
    // The same parameter names, ranges and defaults in every format.
    for (const std::string plugin : {TORVIK_CLAP, TORVIK_LV2}) {
        SCOPED_TRACE(plugin);
        const RunResult list = Run({"--plugin", plugin, "--list-params"});
        ASSERT_EQ(list.exitCode, 0) << list.errors;
        for (const char* text : {"Compressor Threshold", "Preamp HPF Switch", "Main Output"})
            EXPECT_NE(list.output.find(text), std::string::npos) << text << "\n" << list.output;
        const RunResult wrong = Render(plugin, "x.wav", {"--set", "Compressor Ratio=99"});
        EXPECT_EQ(wrong.exitCode, 2);
        EXPECT_NE(wrong.errors.find("outside"), std::string::npos) << wrong.errors;
        const RunResult saving = Run({"--plugin", plugin, "--save-preset", P("x.vstpreset")});
        EXPECT_EQ(saving.exitCode, 1);
        EXPECT_NE(saving.errors.find("VST 3"), std::string::npos) << saving.errors;
        EXPECT_FALSE(fs::exists(dir / "x.vstpreset"));
    }
    const RunResult lv264 = Render(TORVIK_LV2, "x.wav", {"--precision", "64"});
    EXPECT_EQ(lv264.exitCode, 1);
    EXPECT_NE(lv264.errors.find("32-bit"), std::string::npos) << lv264.errors;
    const RunResult notBundle = Render(P("voice.wav") + ".lv2", "x.wav", {});
    EXPECT_EQ(notBundle.exitCode, 1);
    EXPECT_NE(notBundle.errors.find("manifest.ttl"), std::string::npos) << notBundle.errors;
    const RunResult noPlugin = Render(TORVIK_CLAP, "x.wav", {"--class", "Other"});
    EXPECT_EQ(noPlugin.exitCode, 1);
    EXPECT_NE(noPlugin.errors.find("'TORVIK'"), std::string::npos) << noPlugin.errors;
    EXPECT_FALSE(fs::exists(dir / "x.wav"));
}

TEST_F(RenderFormats, AFactoryPresetLoadsIntoTheClapPlugin) {
    const std::string preset = std::string(PRESET_DIR) + "/Male Vocal.vstpreset";
    const RunResult vst3 = Render(TORVIK_BUNDLE, "vst3.wav", {"--preset", preset});
    ASSERT_EQ(vst3.exitCode, 0) << vst3.errors;
    const RunResult clap = Render(TORVIK_CLAP, "clap.wav", {"--preset", preset});
    ASSERT_EQ(clap.exitCode, 0) << clap.errors;
    EXPECT_EQ(ReadAudio(dir / "clap.wav").channels, ReadAudio(dir / "vst3.wav").channels);
    const RunResult lv2 = Render(TORVIK_LV2, "lv2.wav", {"--preset", preset});
    EXPECT_EQ(lv2.exitCode, 1);
    EXPECT_NE(lv2.errors.find("--set"), std::string::npos) << lv2.errors;
}

TEST_F(RenderFormats, ThirdPartyClapAndLv2PluginsRender) {
    const std::vector<std::string> plugins = {"/usr/lib/clap/ZamComp.clap",
                                              "/usr/lib/lv2/ZamComp.lv2"};
    for (const std::string& plugin : plugins) {
        if (!fs::exists(plugin))
            GTEST_SKIP() << plugin << " is not installed (Debian's zam-plugins)";
        SCOPED_TRACE(plugin);
        const RunResult list = Run({"--plugin", plugin, "--list-params"});
        ASSERT_EQ(list.exitCode, 0) << list.errors;
        EXPECT_NE(list.output.find("Threshold"), std::string::npos) << list.output;
        const RunResult r = Render(plugin, "zam.wav", {"--set", "Threshold=-30"});
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Audio out = ReadAudio(dir / "zam.wav");
        EXPECT_EQ(out.Frames(), static_cast<std::size_t>(2 * kRate));
        double peak = 0;
        for (const auto& channel : out.channels)
            for (double v : channel)
                peak = std::max(peak, std::fabs(v));
        EXPECT_GT(peak, 0.01);
    }
}

} // namespace
