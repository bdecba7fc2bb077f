// torvik-render with the real TORVIK.vst3: its 324-byte controller state in preset files, its
// parameter names, and the linked stereo chain fed with mono files.
#include "ToolTestSupport.h"

#include "VstPresetFile.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <map>

namespace {

using namespace torvik::testing;

constexpr int kRate = 48000;
constexpr std::size_t kStateSize = 40 * 8 + 4;

class RenderTorvik : public ToolTest {
protected:
    RunResult Render(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--plugin", TORVIK_BUNDLE});
        return Run(args);
    }
};

double StateValue(const torvik::preset::Bytes& state, int index) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | state[static_cast<std::size_t>(index * 8 + i)];
    double v = 0;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Every stage engaged with settings a vocal would get: the whole chain does work.
const std::vector<std::string> kBusyChain = {
    "--set", "Preamp Gain=0",          "--set", "Preamp HPF Switch=1",
    "--set", "Preamp HPF=90",          "--set", "De-Esser Bypass=1",
    "--set", "De-Esser Threshold=-40", "--set", "Gate Bypass=1",
    "--set", "Gate Threshold=50",      "--set", "EQ Bypass=1",
    "--set", "High Mid Gain=3",        "--set", "Low Mid Gain=-2",
    "--set", "Compressor Bypass=1",    "--set", "Compressor Threshold=-24",
    "--set", "Compressor Ratio=4",     "--set", "Compressor Auto Release=1",
};

TEST_F(RenderTorvik, KnownSettingsGiveTheExpectedOutput) {
    // 64-bit samples and double files, so the chain's own arithmetic is all that is measured.
    // Every stage but the ones named is out of the path (their switches default to 0).
    const double dc = std::pow(10.0, -10.0 / 20.0); // a constant 10 dB above -20 dB
    const std::vector<double> noise = Noise(36000, 0.5, 21);
    struct Case {
        const char* what;
        std::vector<std::string> settings;
        std::vector<double> input;
        std::size_t from;                       // first frame checked
        std::function<double(double)> expected; // of the input sample
        double tolerance;
    };
    const double outputGain = std::pow(10.0, -6.0 / 20.0);
    // Ratio 4 takes 7.5 dB off a level 10 dB over the threshold; the makeup of the internal
    // sidechain is 0.22 x 20 = 4.4 dB.
    const double compressed = std::pow(10.0, -7.5 / 20.0) * std::pow(10.0, 4.4 / 20.0);
    const Case cases[] = {
        {"main section off: the input, less the denormal offset",
         {"Main Bypass=0", "Compressor Bypass=1", "Compressor Threshold=-40"},
         noise,
         0,
         [](double x) { return x - 1e-10; },
         0.0},
        {"preamp out, output gain -6 dB once its glide has settled",
         {"Preamp Bypass=0", "Main Output=-6"},
         noise,
         24000,
         [&](double x) { return outputGain * (x - 1e-10); },
         1e-12},
        {"compressor on a constant level 10 dB over its threshold",
         {"Preamp Bypass=0", "Compressor Bypass=1", "Compressor Threshold=-20",
          "Compressor Ratio=4"},
         std::vector<double>(36000, dc),
         24000,
         [&](double x) { return compressed * x - 1e-10; },
         1e-9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate, {c.input});
        std::vector<std::string> args;
        for (const auto& s : c.settings)
            args.insert(args.end(), {"--set", s});
        args.insert(args.end(), {"--precision", "64", P("in.wav"), P("out.wav")});
        const RunResult r = Render(args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Audio out = ReadAudio(dir / "out.wav");
        ASSERT_EQ(out.Frames(), c.input.size());
        for (std::size_t i = c.from; i < c.input.size(); ++i)
            ASSERT_NEAR(out.channels[0][i], c.expected(c.input[i]), c.tolerance) << "frame " << i;
    }
}

TEST_F(RenderTorvik, ExternalSidechainKeysTheCompressorOnlyWhenFed) {
    // A quiet constant on the main input, a constant 10 dB over the threshold on the sidechain:
    // keyed externally the compressor takes 7.5 dB off (ratio 4) and adds no makeup. Without a
    // sidechain file the bus stays off, its channels are silence and nothing is reduced.
    const double level = 0.1;
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate,
               {std::vector<double>(36000, level)});
    WriteAudio(dir / "key.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate,
               {std::vector<double>(36000, std::pow(10.0, -10.0 / 20.0))});
    const std::vector<std::string> settings = {"--set",       "Preamp Bypass=0",
                                               "--set",       "Compressor Bypass=1",
                                               "--set",       "Compressor Threshold=-20",
                                               "--set",       "Compressor Ratio=4",
                                               "--set",       "38=1",
                                               "--precision", "64"};
    struct Case {
        const char* what;
        bool keyed;
        double expected;
    };
    const Case cases[] = {
        {"sidechain fed", true, std::pow(10.0, -7.5 / 20.0) * level - 1e-10},
        {"no sidechain", false, level - 1e-10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = settings;
        if (c.keyed)
            args.insert(args.end(), {"--sidechain", P("key.wav")});
        args.insert(args.end(), {P("in.wav"), P("out.wav")});
        const RunResult r = Render(args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Audio out = ReadAudio(dir / "out.wav");
        for (std::size_t i = 24000; i < out.Frames(); ++i)
            ASSERT_NEAR(out.channels[0][i], c.expected, 1e-9) << "frame " << i;
    }
}

TEST_F(RenderTorvik, PresetHoldsTheControllerStateOnly) {
    const RunResult r =
        Render({"--set", "Compressor Threshold=-20", "--set", "Compressor Bypass=1", "--set",
                "Main Output=-6", "--set", "Bypass=1", "--save-preset", P("a.vstpreset")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    torvik::preset::VstPreset a;
    std::string error;
    ASSERT_TRUE(torvik::preset::ReadVstPresetFile(dir / "a.vstpreset", a, error)) << error;
    EXPECT_FALSE(a.componentState); // the component keeps no state of its own
    ASSERT_TRUE(a.controllerState);
    ASSERT_EQ(a.controllerState->size(), kStateSize);
    const auto& s = *a.controllerState;
    EXPECT_NEAR(StateValue(s, 16), -20.0, 1e-9);
    EXPECT_EQ(StateValue(s, 35), 1.0);
    EXPECT_NEAR(StateValue(s, 3), -6.0, 1e-9);
    EXPECT_EQ(StateValue(s, 0), -30.0); // untouched default
    EXPECT_EQ(StateValue(s, 17), 4.0);  // untouched default
    EXPECT_EQ(StateValue(s, 28), 1.0);  // "Main Bypass" defaults to on
    const std::uint8_t bypassOn[4] = {1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(s.data() + 320, bypassOn, 4), 0);
    // TORVIK's class ID in its four-word text form, the same on every platform.
    EXPECT_EQ(a.classId, "F2AEE70D00DE4F4E51656C6D54525631");
}

TEST_F(RenderTorvik, PresetRoundTripReproducesTheStateBitForBit) {
    std::vector<std::string> args = kBusyChain;
    args.insert(args.end(), {"--save-preset", P("a.vstpreset")});
    ASSERT_EQ(Render(args).exitCode, 0);
    ASSERT_EQ(Render({"--preset", P("a.vstpreset"), "--save-preset", P("b.vstpreset")}).exitCode,
              0);
    const std::string a = Slurp(dir / "a.vstpreset");
    ASSERT_EQ(a.size(), 48 + kStateSize + 8 + 20);
    EXPECT_EQ(a, Slurp(dir / "b.vstpreset"));

    // A render driven by the preset equals one driven by the same --set values.
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate,
               {Noise(9600, 0.3, 5), Sine(9600, 220, 0.4, kRate)});
    std::vector<std::string> direct = kBusyChain;
    direct.insert(direct.end(), {P("in.wav"), P("direct.wav")});
    ASSERT_EQ(Render(direct).exitCode, 0);
    ASSERT_EQ(Render({"--preset", P("a.vstpreset"), P("in.wav"), P("preset.wav")}).exitCode, 0);
    EXPECT_EQ(Slurp(dir / "direct.wav"), Slurp(dir / "preset.wav"));
}

TEST_F(RenderTorvik, IdenticalChannelsStayIdenticalOnceTheGlidesSettle) {
    // The chain decides its gains from both channels together, so two equal channels get equal
    // treatment. Only while the gain smoothers glide (they start from their construction values
    // and are stepped channel by channel) may the channels differ, by far less than -60 dBFS.
    const std::vector<double> voice = Noise(24000, 0.5, 9);
    WriteAudio(dir / "mono.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, {voice});
    WriteAudio(dir / "stereo.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, {voice, voice});
    std::vector<std::string> args = kBusyChain;
    args.insert(args.end(), {"--report", P("stereo.wav"), P("stereo-out.wav")});
    ASSERT_EQ(Render(args).exitCode, 0);
    const Audio stereo = ReadAudio(dir / "stereo-out.wav");
    ASSERT_EQ(stereo.channels.size(), 2u);
    const std::size_t settled = kRate / 4;
    for (std::size_t i = 0; i < stereo.Frames(); ++i) {
        const double l = stereo.channels[0][i];
        const double r = stereo.channels[1][i];
        if (i >= settled)
            ASSERT_EQ(l, r) << "frame " << i;
        else
            ASSERT_LE(std::fabs(l - r), 1e-3) << "frame " << i;
    }

    // A mono file comes back mono, as the average of the two channels, without a warning.
    args = kBusyChain;
    args.insert(args.end(), {"--report", P("mono.wav"), P("mono-out.wav")});
    const RunResult r = Render(args);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, "");
    EXPECT_NE(r.output.find("mono input: output channels"), std::string::npos) << r.output;
    const Audio mono = ReadAudio(dir / "mono-out.wav");
    ASSERT_EQ(mono.channels.size(), 1u);
    for (std::size_t i = 0; i < mono.Frames(); ++i) {
        const double average = 0.5 * (stereo.channels[0][i] + stereo.channels[1][i]);
        ASSERT_NEAR(mono.channels[0][i], average, 1e-7) << "frame " << i;
    }
}

TEST_F(RenderTorvik, ThirtyTwoAndSixtyFourBitPathsAgreeWithinFloatRounding) {
    // Float input: both paths hand the chain the same doubles, so only the final rounding of the
    // 32-bit path's output to float may differ.
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate,
               {Noise(20000, 0.4, 3), Noise(20000, 0.4, 4)});
    for (const char* precision : {"32", "64"}) {
        std::vector<std::string> args = kBusyChain;
        args.insert(args.end(), {"--precision", precision, "--encoding", "double", P("in.wav"),
                                 P(std::string("out") + precision + ".wav")});
        ASSERT_EQ(Render(args).exitCode, 0);
    }
    const Audio a = ReadAudio(dir / "out32.wav");
    const Audio b = ReadAudio(dir / "out64.wav");
    ASSERT_EQ(a.channels.size(), 2u);
    double worst = 0;
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < a.Frames(); ++i) {
            const double allowed = std::fabs(b.channels[c][i]) / 16777216.0 + 1e-30;
            worst = std::max(worst, std::fabs(a.channels[c][i] - b.channels[c][i]) / allowed);
        }
    EXPECT_LE(worst, 1.0); // within half an ulp of float, relative
}

TEST_F(RenderTorvik, AmbiguousAndUnnamedParametersNeedTheirId) {
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate, {Noise(100, 0.1, 1)});
    RunResult r = Render({"--set", "Compressor External Sidechain=1", P("in.wav"), P("out.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("names the parameters with IDs 38 and 39; give the ID instead"),
              std::string::npos)
        << r.errors;
    EXPECT_FALSE(fs::exists(dir / "out.wav"));

    r = Render({"--set", "39=1", "--set", "Compressor Ratio=20", P("in.wav"), P("out.wav")});
    EXPECT_EQ(r.exitCode, 0) << r.errors;
    // The reserved slot 19 is hidden and read-only: it is refused by its ID too.
    r = Render({"--set", "19=1", P("in.wav"), P("out3.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("'Reserved' is read-only"), std::string::npos) << r.errors;
    EXPECT_FALSE(fs::exists(dir / "out3.wav"));
    r = Render({"--set", "Compressor Ratio=1", P("in.wav"), P("out2.wav")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.errors.find("'Compressor Ratio' takes values from 1.5 to 20; 1 is outside"),
              std::string::npos)
        << r.errors;
    EXPECT_FALSE(fs::exists(dir / "out2.wav"));
}

TEST_F(RenderTorvik, ShortStateInAPresetRestoresWhatItHolds) {
    // A preset whose state stops after parameter 16: TORVIK takes the values that are there,
    // keeps its current ones for the rest and, finding no bypass flag, turns bypass off.
    std::vector<std::string> args = kBusyChain;
    args.insert(args.end(), {"--set", "Bypass=1", "--save-preset", P("full.vstpreset")});
    ASSERT_EQ(Render(args).exitCode, 0);
    torvik::preset::VstPreset cut;
    std::string error;
    ASSERT_TRUE(torvik::preset::ReadVstPresetFile(dir / "full.vstpreset", cut, error)) << error;
    const torvik::preset::Bytes full = *cut.controllerState;
    cut.controllerState->resize(17 * 8);
    ASSERT_TRUE(torvik::preset::WriteVstPresetFile(dir / "cut.vstpreset", cut, error));

    const RunResult r =
        Render({"--preset", P("cut.vstpreset"), "--save-preset", P("back.vstpreset")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    torvik::preset::VstPreset back;
    ASSERT_TRUE(torvik::preset::ReadVstPresetFile(dir / "back.vstpreset", back, error)) << error;
    const auto& s = *back.controllerState;
    ASSERT_EQ(s.size(), kStateSize);
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(StateValue(s, i), StateValue(full, i)) << "parameter " << i;
    EXPECT_EQ(StateValue(s, 29), 0.0); // "De-Esser Bypass" back at its default
    EXPECT_EQ(StateValue(s, 35), 0.0); // "Compressor Bypass" likewise
    EXPECT_EQ(StateValue(s, 28), 1.0); // "Main Bypass" default
    EXPECT_EQ(s[320], 0);              // bypass off
}

// The factory presets that the build generated hold exactly the settings presets.txt lists.
TEST_F(RenderTorvik, FactoryPresetsHoldTheirListedSettings) {
    // Title -> ID from the tool's own listing, as a user would look them up.
    const RunResult list = Render({"--list-params"});
    ASSERT_EQ(list.exitCode, 0) << list.errors;
    std::map<std::string, int> ids;
    std::istringstream lines(list.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() < 52 || line.find("minimum") != std::string::npos)
            continue;
        std::string title = line.substr(12, 32);
        title.erase(title.find_last_not_of(' ') + 1);
        ids[title] = std::atoi(line.substr(0, 10).c_str());
    }
    ASSERT_EQ(ids.at("Compressor Threshold"), 16);

    std::ifstream table(PRESET_TABLE);
    ASSERT_TRUE(table) << PRESET_TABLE;
    int presets = 0;
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::string name = line.substr(0, line.find(" |"));
        SCOPED_TRACE(name);
        ++presets;
        torvik::preset::VstPreset p;
        std::string error;
        const fs::path file = fs::path(PRESET_DIR) / (name + ".vstpreset");
        ASSERT_TRUE(torvik::preset::ReadVstPresetFile(file, p, error)) << error;
        ASSERT_TRUE(p.controllerState);
        ASSERT_EQ(p.controllerState->size(), kStateSize);
        std::istringstream settings(
            line.substr(line.find('|') + 1, line.rfind('|') - line.find('|') - 1));
        for (std::string s; std::getline(settings, s, ';');) {
            const auto eq = s.find('=');
            std::string key = s.substr(0, eq);
            key.erase(0, key.find_first_not_of(' '));
            const double value = std::stod(s.substr(eq + 1));
            ASSERT_TRUE(ids.count(key)) << key;
            EXPECT_NEAR(StateValue(*p.controllerState, ids[key]), value, 1e-9) << key;
        }
        // Loading the preset and saving it again changes nothing.
        ASSERT_EQ(
            Render({"--preset", file.string(), "--save-preset", P("again.vstpreset")}).exitCode, 0);
        EXPECT_EQ(Slurp(file), Slurp(dir / "again.vstpreset"));
    }
    EXPECT_EQ(presets, 6);
}

} // namespace

namespace {

TEST_F(RenderTorvik, SettingsRenderExactlyAsTheSamePresetDoes) {
    // A preset is state restored before the instance starts; settings must arrive the same way,
    // not as changes in the first block, or the effect would glide toward them from its defaults.
    const std::vector<double> noise = Noise(kRate / 2, 0.5, 5);
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate, {noise, noise});
    std::vector<std::string> settings = kBusyChain;
    settings.insert(settings.end(), {"--set", "Main Output=-6"});
    std::vector<std::string> save = settings;
    save.insert(save.end(), {"--save-preset", P("busy.vstpreset")});
    ASSERT_EQ(Render(save).exitCode, 0);

    std::vector<std::string> direct = settings;
    direct.insert(direct.end(), {"--precision", "64", P("in.wav"), P("set.wav")});
    RunResult r = Render(direct);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    r = Render(
        {"--preset", P("busy.vstpreset"), "--precision", "64", P("in.wav"), P("preset.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const Audio fromSettings = ReadAudio(dir / "set.wav");
    const Audio fromPreset = ReadAudio(dir / "preset.wav");
    ASSERT_EQ(fromSettings.Frames(), noise.size());
    EXPECT_EQ(fromSettings.channels, fromPreset.channels);
}

TEST_F(RenderTorvik, SettingsAreInPlaceFromTheFirstSample) {
    // With only the output stage in the path, -6 dB must hold from the first frame on: no glide
    // from the default 0 dB.
    const std::vector<double> noise = Noise(kRate / 10, 0.5, 8);
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate, {noise});
    const RunResult r = Render({"--set", "Preamp Bypass=0", "--set", "Main Output=-6",
                                "--precision", "64", P("in.wav"), P("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const Audio out = ReadAudio(dir / "out.wav");
    ASSERT_EQ(out.Frames(), noise.size());
    const double gain = std::pow(10.0, -6.0 / 20.0);
    for (std::size_t i = 0; i < noise.size(); ++i)
        ASSERT_NEAR(out.channels[0][i], gain * noise[i], 1e-9) << "frame " << i;
}

TEST_F(RenderTorvik, StepAutomationSoundsTheSameThroughSmallAndLargeBlocks) {
    // A step on a frame where blocks of 32 and of 4096 both begin reaches both at that frame;
    // nothing else about the chain depends on the block size.
    constexpr int kStep = 2 * 4096;
    const std::vector<double> noise = Noise(kRate, 0.5, 6);
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate, {noise, noise});
    std::map<int, Audio> outputs;
    for (const int block : {32, 4096}) {
        const std::string name = "out" + std::to_string(block) + ".wav";
        std::vector<std::string> args = kBusyChain;
        args.insert(args.end(),
                    {"--automate", std::to_string(kStep) + "smp Main Output=-12", "--precision",
                     "64", "--block-size", std::to_string(block), P("in.wav"), P(name)});
        const RunResult r = Render(args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        outputs[block] = ReadAudio(dir / name);
    }
    EXPECT_EQ(outputs[32].channels, outputs[4096].channels);
    // The step happened: the second half is much quieter than the first.
    double before = 0, after = 0;
    for (int i = 0; i < kStep; ++i) {
        before += std::fabs(outputs[32].channels[0][static_cast<std::size_t>(i)]);
        after += std::fabs(outputs[32].channels[0][static_cast<std::size_t>(kRate - kStep + i)]);
    }
    EXPECT_LT(after, 0.5 * before);
}

} // namespace
