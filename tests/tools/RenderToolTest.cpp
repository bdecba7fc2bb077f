// torvik-render run as a subprocess against a real bundle: TestGain, a stereo effect with one
// "Gain" parameter (plain 0..2, the factor applied to the input), a "Bypass" switch and a stereo
// sidechain that is added to the output while the host keeps its bus active. Its state is
// the controller's: the gain as a little-endian double, then a 32-bit bypass flag.
#include "ToolTestSupport.h"

#include "VstPresetFile.h"

#include <cstring>

namespace {

using namespace torvik::testing;

constexpr int kRate = 48000;

class RenderTool : public ToolTest {
protected:
    RunResult Render(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--plugin", TESTGAIN_BUNDLE});
        return Run(args);
    }
};

// Largest |a − b| over all channels and frames (channel and frame counts must agree).
double MaxDifference(const Channels& a, const Channels& b) {
    double worst = 0;
    for (std::size_t c = 0; c < a.size(); ++c)
        for (std::size_t i = 0; i < a[c].size(); ++i)
            worst = std::max(worst, std::fabs(a[c][i] - b[c][i]));
    return worst;
}

Channels Scaled(const Channels& in, double gain) {
    Channels out = in;
    for (auto& ch : out)
        for (auto& v : ch)
            v *= gain;
    return out;
}

TEST_F(RenderTool, GainIsAppliedInEveryFormatPrecisionAndBlockSize) {
    struct Case {
        const char* name;
        int format;
        int channels;
        const char* precision;
        const char* blockSize;
        double tolerance; // one step of the file's encoding, or float rounding
    };
    const Case cases[] = {
        {"mono.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 1, "32", "512", 1.0 / 8388608},
        {"stereo.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, "64", "1", 1.0 / 32768},
        {"stereo.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 2, "32", "1000", 1.0 / 8388608},
        {"mono.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1, "64", "4096", 1.0 / 32768},
        {"float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, "32", "333", 1e-7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " precision " + c.precision + " block " + c.blockSize);
        // Not a whole number of blocks, so the last block is a short one.
        Channels in = {Sine(12345, 997, 0.6, kRate)};
        if (c.channels == 2)
            in.push_back(Noise(12345, 0.5, 7));
        WriteAudio(dir / c.name, c.format, kRate, in);
        const Audio written = ReadAudio(dir / c.name);
        const std::string out = std::string("out-") + c.name;
        const RunResult r = Render({"--set", "Gain=0.5", "--precision", c.precision, "--block-size",
                                    c.blockSize, P(c.name), P(out)});
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        EXPECT_EQ(r.errors, "");
        const Audio result = ReadAudio(dir / out);
        EXPECT_EQ(result.format, c.format); // same container and encoding as the input
        EXPECT_EQ(result.rate, kRate);
        ASSERT_EQ(result.channels.size(), written.channels.size());
        ASSERT_EQ(result.Frames(), written.Frames());
        EXPECT_LE(MaxDifference(result.channels, Scaled(written.channels, 0.5)), c.tolerance);
    }
}

TEST_F(RenderTool, MonoInputComesBackMonoAndIdentical) {
    const Channels in = {Sine(4800, 440, 0.5, kRate)};
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, in);
    const RunResult r = Render({"--report", P("in.wav"), P("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.errors, "");
    EXPECT_NE(r.output.find("output channels identical bit for bit"), std::string::npos)
        << r.output;
    const Audio out = ReadAudio(dir / "out.wav");
    ASSERT_EQ(out.channels.size(), 1u);
    // Default gain 0.5 means unity: float samples come back exactly.
    EXPECT_EQ(MaxDifference(out.channels, ReadAudio(dir / "in.wav").channels), 0.0);
}

TEST_F(RenderTool, SidechainIsMixedInAndPaddedWithSilence) {
    const Channels in = {Sine(10000, 300, 0.25, kRate), Sine(10000, 500, 0.25, kRate)};
    const Channels side = {Noise(3000, 0.2, 1), Noise(3000, 0.2, 2)};
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, in);
    WriteAudio(dir / "side.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, side);
    const RunResult r =
        Render({"--sidechain", P("side.wav"), "--block-size", "256", P("in.wav"), P("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const Audio out = ReadAudio(dir / "out.wav");
    ASSERT_EQ(out.Frames(), 10000u);
    double worst = 0;
    for (std::size_t c = 0; c < 2; ++c)
        for (std::size_t i = 0; i < 10000; ++i) {
            const double expected =
                static_cast<double>(static_cast<float>(in[c][i])) +
                (i < 3000 ? static_cast<double>(static_cast<float>(side[c][i])) : 0.0);
            worst = std::max(worst, std::fabs(out.channels[c][i] - expected));
        }
    EXPECT_LE(worst, 1e-7);

    // Without --sidechain the bus stays off and nothing is added.
    ASSERT_EQ(Render({P("in.wav"), P("plain.wav")}).exitCode, 0);
    EXPECT_LE(MaxDifference(ReadAudio(dir / "plain.wav").channels, in), 1e-7);
}

TEST_F(RenderTool, MonoInputThatTheEffectSplitsIsAveragedWithAWarning) {
    // A stereo sidechain with different channels makes the two output channels differ.
    const Channels in = {std::vector<double>(2000, 0.0)};
    const Channels side = {std::vector<double>(2000, 0.5), std::vector<double>(2000, -0.25)};
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, in);
    WriteAudio(dir / "side.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, side);
    const RunResult r = Render({"--sidechain", P("side.wav"), P("in.wav"), P("out.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.errors.find("warning: the effect treated the two copies of the mono input "
                            "differently"),
              std::string::npos)
        << r.errors;
    const Audio out = ReadAudio(dir / "out.wav");
    ASSERT_EQ(out.channels.size(), 1u);
    EXPECT_EQ(out.channels[0][0], 0.125);
    EXPECT_EQ(out.channels[0][1999], 0.125);
}

TEST_F(RenderTool, ThirtyTwoAndSixtyFourBitPathsAgreeWithinFloatRounding) {
    const Channels in = {Noise(20000, 0.9, 11), Noise(20000, 0.9, 12)};
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate, in);
    for (const char* precision : {"32", "64"})
        ASSERT_EQ(Render({"--set", "Gain=0.6", "--precision", precision, P("in.wav"),
                          P(std::string("out") + precision + ".wav")})
                      .exitCode,
                  0);
    const Audio a = ReadAudio(dir / "out32.wav");
    const Audio b = ReadAudio(dir / "out64.wav");
    // 64-bit output is the exact product; 32-bit rounds input and output to float.
    EXPECT_LE(MaxDifference(b.channels, Scaled(in, 0.6)), 1e-15);
    const double diff = MaxDifference(a.channels, b.channels);
    EXPECT_GT(diff, 0.0); // the paths really differ in precision...
    EXPECT_LE(diff, 2.0 * 0.9 * 0.6 / 16777216.0 + 1e-12); // ...by float rounding only
}

TEST_F(RenderTool, PresetRoundTripReproducesTheStateBitForBit) {
    ASSERT_EQ(Render({"--set", "Gain=0.6", "--set", "Bypass=1", "--save-preset", P("a.vstpreset")})
                  .exitCode,
              0);
    torvik::preset::VstPreset a;
    std::string error;
    ASSERT_TRUE(torvik::preset::ReadVstPresetFile(dir / "a.vstpreset", a, error)) << error;
    ASSERT_TRUE(a.controllerState);
    ASSERT_EQ(a.controllerState->size(), 12u);
    double gain = 0;
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = (bits << 8) | (*a.controllerState)[static_cast<std::size_t>(i)];
    std::memcpy(&gain, &bits, sizeof gain);
    EXPECT_EQ(gain, 0.6);
    EXPECT_EQ((*a.controllerState)[8], 1); // bypass on, little-endian 1

    // Loading and saving again gives the same bytes.
    ASSERT_EQ(Render({"--preset", P("a.vstpreset"), "--save-preset", P("b.vstpreset")}).exitCode,
              0);
    EXPECT_EQ(Slurp(dir / "a.vstpreset"), Slurp(dir / "b.vstpreset"));
}

TEST_F(RenderTool, PresetDrivesTheRenderAndSetValuesOverrideIt) {
    const Channels in = {Sine(3000, 1000, 0.5, kRate)};
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate, in);
    ASSERT_EQ(Render({"--set", "Gain=0.2", "--save-preset", P("quiet.vstpreset")}).exitCode, 0);

    ASSERT_EQ(Render({"--preset", P("quiet.vstpreset"), P("in.wav"), P("a.wav")}).exitCode, 0);
    EXPECT_LE(MaxDifference(ReadAudio(dir / "a.wav").channels, Scaled(in, 0.2)), 1e-7);

    ASSERT_EQ(
        Render({"--preset", P("quiet.vstpreset"), "--set", "gain=0.8", P("in.wav"), P("b.wav")})
            .exitCode,
        0);
    EXPECT_LE(MaxDifference(ReadAudio(dir / "b.wav").channels, Scaled(in, 0.8)), 1e-7);

    // The parameter by ID, and the last of two settings wins.
    ASSERT_EQ(Render({"--set", "0=0.2", "--set", "0=0.9", P("in.wav"), P("c.wav")}).exitCode, 0);
    EXPECT_LE(MaxDifference(ReadAudio(dir / "c.wav").channels, Scaled(in, 0.9)), 1e-7);
}

TEST_F(RenderTool, ListParamsShowsIdsRangesDefaultsUnitsAndCurrentValues) {
    const RunResult r = Render({"--list-params"});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    // ID, title, minimum, maximum, default, value, normalised, unit, kind: one identity
    EXPECT_NE(r.output.find("\n0           Gain                                      0 "
                            "         2          1          1        0.5  x      continuous"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("Bypass"), std::string::npos);
    EXPECT_EQ(r.output.find("index"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("switch, bypass"), std::string::npos) << r.output;

    // After a preset and a setting, the list shows what they set.
    ASSERT_EQ(Render({"--set", "Gain=1.5", "--save-preset", P("loud.vstpreset")}).exitCode, 0);
    const RunResult after =
        Render({"--preset", P("loud.vstpreset"), "--set", "Bypass=1", "--list-params"});
    ASSERT_EQ(after.exitCode, 0) << after.errors;
    EXPECT_NE(after.output.find("Gain                                      0          2          1 "
                                "       1.5       0.75"),
              std::string::npos)
        << after.output;
    EXPECT_NE(after.output.find("Bypass                                    0          1          0 "
                                "         1          1"),
              std::string::npos)
        << after.output;
    EXPECT_EQ(Files(), std::vector<std::string>{"loud.vstpreset"});
}

TEST_F(RenderTool, BadInputGetsOneMessageAndNoOutputFile) {
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate,
               {Sine(1000, 100, 0.5, kRate)});
    WriteAudio(dir / "three.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, kRate,
               {Sine(100, 1, 0.1, kRate), Sine(100, 1, 0.1, kRate), Sine(100, 1, 0.1, kRate)});
    WriteAudio(dir / "side44.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100,
               {Sine(100, 1, 0.1, 44100)});
    std::ofstream(dir / "text.wav") << "this is not audio";
    WriteAudio(dir / "nan.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, kRate,
               {{0.0, 0.5, std::nan(""), 0.0}});
    std::ofstream(dir / "junk.vstpreset") << "VST3 but nothing else that a preset needs to have";
    torvik::preset::VstPreset other;
    other.classId = "00112233445566778899AABBCCDDEEFF";
    other.controllerState = torvik::preset::Bytes(12, 0);
    std::string error;
    ASSERT_TRUE(torvik::preset::WriteVstPresetFile(dir / "other.vstpreset", other, error));

    struct Case {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string message; // part of stderr
    };
    const std::string in = P("in.wav");
    const std::string out = P("out.wav");
    const Case cases[] = {
        {"missing input", {P("nope.wav"), out}, 1, "nope.wav: no such file"},
        {"unreadable input", {P("text.wav"), out}, 1, "text.wav: cannot read as audio"},
        {"NaN in the input",
         {P("nan.wav"), out},
         1,
         "nan.wav: holds a sample that is not a number"},
        {"three channels",
         {P("three.wav"), out},
         1,
         "has 3 channels; the input must be mono or stereo"},
        {"unknown parameter", {"--set", "Volume=1", in, out}, 2, "no parameter is named 'Volume'"},
        {"unknown ID", {"--set", "77=1", in, out}, 2, "no parameter has the ID 77"},
        {"above range",
         {"--set", "Gain=2.5", in, out},
         2,
         "'Gain' takes values from 0 to 2; 2.5 is outside"},
        {"below range", {"--set", "Gain=-0.1", in, out}, 2, "-0.1 is outside"},
        {"switch between steps",
         {"--set", "Bypass=0.5", in, out},
         2,
         "'Bypass' is a switch: 0 or 1, not 0.5"},
        {"not a number", {"--set", "Gain=loud", in, out}, 2, "--set needs NAME=VALUE"},
        {"sidechain rate",
         {"--sidechain", P("side44.wav"), in, out},
         1,
         "runs at 44100 Hz but the input at 48000 Hz"},
        {"missing sidechain", {"--sidechain", P("gone.wav"), in, out}, 1, "gone.wav: no such file"},
        {"junk preset",
         {"--preset", P("junk.vstpreset"), in, out},
         1,
         "junk.vstpreset: file too short for a preset"},
        {"preset of another effect",
         {"--preset", P("other.vstpreset"), in, out},
         1,
         "the preset is for the class 00112233445566778899AABBCCDDEEFF"},
        {"output folder missing", {in, P("no/such/dir/out.wav")}, 1, "cannot create a file in"},
        {"block size zero", {"--block-size", "0", in, out}, 2, "--block-size must be"},
        {"precision 16", {"--precision", "16", in, out}, 2, "--precision must be 32 or 64"},
        {"output only", {in}, 2, "an OUTPUT file is needed"},
        {"output is input", {in, in}, 2, "OUTPUT must not be the INPUT"},
        {"missing plug-in", {"--plugin", P("None.vst3"), in, out}, 1, "cannot load"},
    };
    const std::vector<std::string> before = Files();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = Render(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.errors;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
        EXPECT_EQ(r.output, "");
        EXPECT_EQ(Files(), before); // no output, no temporary file left behind
    }
}

} // namespace
