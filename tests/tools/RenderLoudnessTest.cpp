// Loudness through torvik-render, checked against an independent measurement of the written
// files with libebur128, with TestGain at unity (plain gain 1) so the effect changes nothing.
#include "ToolTestSupport.h"

#include <ebur128.h>
#include <nlohmann/json.hpp>

namespace {

using namespace tooltest;

constexpr int kRate = 48000;
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
// How close a loudness must come to its target, LU.
constexpr double kLoudnessTolerance = 0.1;
// EBU loudness meter test, case 1: a stereo 1 kHz sine at -23 dBFS reads -23.0 LUFS.
constexpr double kReferenceDbfs = -23.0;

struct Measured {
    double lufs = 0; // integrated
    double dbtp = 0; // highest true peak
};

Measured Measure(const Audio& a) {
    ebur128_state* st =
        ebur128_init(static_cast<unsigned>(a.channels.size()), static_cast<unsigned long>(a.rate),
                     EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    std::vector<double> frames;
    for (std::size_t i = 0; i < a.Frames(); ++i)
        for (const auto& ch : a.channels)
            frames.push_back(ch[i]);
    ebur128_add_frames_double(st, frames.data(), a.Frames());
    Measured m;
    ebur128_loudness_global(st, &m.lufs);
    double peak = 0;
    for (unsigned c = 0; c < a.channels.size(); ++c) {
        double p = 0;
        ebur128_true_peak(st, c, &p);
        peak = std::max(peak, p);
    }
    m.dbtp = 20 * std::log10(peak);
    ebur128_destroy(&st);
    return m;
}

class RenderLoudness : public ToolTest {
protected:
    RunResult Render(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--plugin", TESTGAIN_BUNDLE, "--set", "Gain=1"});
        return Run(args);
    }
};

TEST_F(RenderLoudness, ReferenceSineReadsMinus23Lufs) {
    const double amplitude = std::pow(10.0, kReferenceDbfs / 20.0);
    const std::vector<double> sine = Sine(20 * kRate, 1000, amplitude, kRate);
    WriteAudio(dir / "ref.wav", kFloat, kRate, {sine, sine});
    const RunResult r =
        Render({"--report", "--report-json", P("r.json"), P("ref.wav"), P("o.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_NE(r.output.find("input loudness:  integrated  -23.0 LUFS"), std::string::npos)
        << r.output;
    const nlohmann::json file = nlohmann::json::parse(Slurp(dir / "r.json"))["files"][0];
    for (const char* side : {"input_loudness", "output_loudness"}) {
        SCOPED_TRACE(side);
        EXPECT_NEAR(file[side]["integrated_lufs"].get<double>(), kReferenceDbfs,
                    kLoudnessTolerance);
        EXPECT_NEAR(file[side]["true_peak_dbtp"].get<double>(), kReferenceDbfs, 0.1);
        EXPECT_NEAR(file[side]["loudness_range_lu"].get<double>(), 0.0, 0.1);
    }
}

TEST_F(RenderLoudness, NormalizeReachesTheTargetOrStopsAtTheCeiling) {
    // Noise has a high crest factor; a sine's true peak sits 3 dB over its RMS only.
    WriteAudio(dir / "noise.wav", kFloat, kRate,
               {Noise(10 * kRate, 0.05, 4), Noise(10 * kRate, 0.05, 5)});
    WriteAudio(dir / "sine.wav", kFloat, kRate, {Sine(10 * kRate, 500, 0.05, kRate)});
    struct Case {
        const char* input;
        std::vector<std::string> options;
        double lufs;         // loudness the output must have
        double ceiling;      // true peak it must not pass
        std::string warning; // part of stderr, empty: none
    };
    const Case cases[] = {
        {"noise.wav", {"--normalize", "-16"}, -16.0, -1.0, ""},
        {"sine.wav", {"--normalize", "-23", "--true-peak-limit", "-2"}, -23.0, -2.0, ""},
        // The target asks for a true peak near -1 dBTP; the ceiling allows -6.
        {"noise.wav",
         {"--normalize", "-4", "--true-peak-limit", "-6"},
         0.0,
         -6.0,
         "above the ceiling of -6.0 dBTP; stopped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " " + c.options[1]);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {P(c.input), P("out.wav")});
        const RunResult r = Render(args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Measured m = Measure(ReadAudio(dir / "out.wav"));
        EXPECT_LE(m.dbtp, c.ceiling + 0.01);
        if (c.warning.empty()) {
            EXPECT_EQ(r.errors, "");
            EXPECT_NEAR(m.lufs, c.lufs, kLoudnessTolerance);
        } else {
            EXPECT_NE(r.errors.find(c.warning), std::string::npos) << r.errors;
            EXPECT_NEAR(m.dbtp, c.ceiling, 0.01); // as close to the target as the ceiling lets
            EXPECT_LT(m.lufs, -4.0 - 3.0);
        }
    }
}

} // namespace
