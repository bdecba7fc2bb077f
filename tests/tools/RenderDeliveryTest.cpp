// torvik-render for delivery: loudness range as EBU Tech 3342 defines it, what integer outputs do
// at full scale, dither, every output format, sample-rate conversion, standard input and output,
// cut-off inputs, the limiter on speech and the command-line conventions. The written files are
// measured here with libsndfile and libebur128, never taken from the tool's report alone.
#include "ToolTestSupport.h"

#include <ebur128.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <numeric>

namespace {

using namespace torvik::testing;

constexpr int kRate = 48000;
constexpr int kFloat = SF_FORMAT_WAV | SF_FORMAT_FLOAT;

// A file's loudness as an independent meter gives it: libebur128 for integrated loudness and
// true peak, and the loudness range from short-term loudness read every 100 ms.
struct Meter {
    double integrated = 0;   // LUFS
    double range = 0;        // LU
    double truePeak = 0;     // dBTP
    double maxShortTerm = 0; // LUFS
    double maxMomentary = 0; // LUFS
};

double RangeOf(std::vector<double> st) {
    std::erase_if(st, [](double l) { return !std::isfinite(l) || l <= -70; });
    if (st.empty())
        return 0;
    double power = 0;
    for (double l : st)
        power += std::pow(10, l / 10);
    const double gate = 10 * std::log10(power / static_cast<double>(st.size())) - 20;
    std::erase_if(st, [&](double l) { return l <= gate; });
    std::sort(st.begin(), st.end());
    auto at = [&](double p) {
        return st[static_cast<std::size_t>(std::round(p * static_cast<double>(st.size() - 1)))];
    };
    return at(0.95) - at(0.10);
}

Meter Measure(const Audio& a) {
    ebur128_state* s =
        ebur128_init(static_cast<unsigned>(a.channels.size()), static_cast<unsigned long>(a.rate),
                     EBUR128_MODE_I | EBUR128_MODE_S | EBUR128_MODE_TRUE_PEAK);
    const std::size_t step = static_cast<std::size_t>(a.rate) / 10;
    std::vector<double> shortTerm, frames;
    Meter m;
    m.maxShortTerm = m.maxMomentary = -200;
    for (std::size_t start = 0, k = 1; start + step <= a.Frames(); start += step, ++k) {
        frames.clear();
        for (std::size_t i = start; i < start + step; ++i)
            for (const auto& ch : a.channels)
                frames.push_back(ch[i]);
        ebur128_add_frames_double(s, frames.data(), step);
        double l = 0;
        if (k >= 4 && ebur128_loudness_momentary(s, &l) == EBUR128_SUCCESS && std::isfinite(l))
            m.maxMomentary = std::max(m.maxMomentary, l);
        if (k >= 30 && ebur128_loudness_shortterm(s, &l) == EBUR128_SUCCESS) {
            shortTerm.push_back(l);
            if (std::isfinite(l))
                m.maxShortTerm = std::max(m.maxShortTerm, l);
        }
    }
    ebur128_loudness_global(s, &m.integrated);
    double peak = 0;
    for (unsigned c = 0; c < a.channels.size(); ++c) {
        double p = 0;
        ebur128_true_peak(s, c, &p);
        peak = std::max(peak, p);
    }
    m.truePeak = 20 * std::log10(peak);
    m.range = RangeOf(shortTerm);
    ebur128_destroy(&s);
    return m;
}

std::vector<double> Concat(std::vector<double> a, const std::vector<double>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

double Db(double v) {
    return std::pow(10.0, v / 20.0);
}

class RenderDelivery : public ToolTest {
protected:
    // Through TestGain at unity, so the effect changes nothing and what is measured is the tool.
    RunResult Unity(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--plugin", TESTGAIN_BUNDLE, "--set", "Gain=1"});
        return Run(args);
    }
    nlohmann::json Json(const std::string& name) const {
        return nlohmann::json::parse(Slurp(dir / name))["files"][0];
    }
    // A shell pipeline around the tool; answers its exit status.
    int Shell(const std::string& line) const {
        const int status = std::system(("cd " + Quote(dir.string()) + " && " + line).c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Spoken phrases from espeak-ng at 48 kHz, mono.
    void Speech(const std::string& name, const std::string& voice, const std::string& text) const {
        ASSERT_EQ(Shell("espeak-ng -v " + voice + " -w raw.wav " + Quote(text) +
                        " && sox raw.wav -r 48000 " + name + " && rm raw.wav"),
                  0);
    }
};

TEST_F(RenderDelivery, LoudnessRangeFollowsTech3342Cases) {
    // Stereo 1 kHz, 20 s at one level then 20 s at another.
    struct Case {
        double first, second; // dBFS
        double range;         // LU
    };
    const Case cases[] = {{-20, -30, 10}, {-20, -15, 5}, {-40, -20, 20}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.first) + " then " + std::to_string(c.second));
        const auto sine = Concat(Sine(20 * kRate, 1000, Db(c.first), kRate),
                                 Sine(20 * kRate, 1000, Db(c.second), kRate));
        WriteAudio(dir / "case.wav", kFloat, kRate, {sine, sine});
        const RunResult r =
            Unity({"--bits", "32f", "--report-json", P("r.json"), P("case.wav"), P("o.wav")});
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const nlohmann::json out = Json("r.json")["output_loudness"];
        EXPECT_NEAR(out["loudness_range_lu"].get<double>(), c.range, 1.0);
        const Meter m = Measure(ReadAudio(dir / "o.wav"));
        EXPECT_NEAR(out["loudness_range_lu"].get<double>(), m.range, 0.05);
        const double loudest = std::max(c.first, c.second);
        EXPECT_NEAR(out["max_momentary_lufs"].get<double>(), loudest, 0.1);
        EXPECT_NEAR(out["max_short_term_lufs"].get<double>(), loudest, 0.1);
    }
}

TEST_F(RenderDelivery, SpeechLoudnessAgreesWithAnIndependentMeter) {
    Speech("a.wav", "en",
           "Welcome back to the show. Today we talk about microphones, rooms, and "
           "why your voice sounds different on a recording. Stay with us.");
    const RunResult r =
        Run({"--plugin", TORVIK_BUNDLE, "--set", "Compressor Bypass=1", "--set",
             "Compressor Threshold=-30", "--report-json", P("r.json"), P("a.wav"), P("o.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const Meter m = Measure(ReadAudio(dir / "o.wav"));
    const nlohmann::json out = Json("r.json")["output_loudness"];
    EXPECT_NEAR(out["integrated_lufs"].get<double>(), m.integrated, 0.05);
    EXPECT_NEAR(out["loudness_range_lu"].get<double>(), m.range, 0.05);
    EXPECT_NEAR(out["true_peak_dbtp"].get<double>(), m.truePeak, 0.05);
    EXPECT_NEAR(out["max_short_term_lufs"].get<double>(), m.maxShortTerm, 0.05);
    EXPECT_NEAR(out["max_momentary_lufs"].get<double>(), m.maxMomentary, 0.05);
}

TEST_F(RenderDelivery, ClippingIsCountedWarnedAndTheReportDescribesTheFileWritten) {
    // A sine peaking at 1.5 after the gain: the samples beyond full scale are clipped.
    const auto sine = Sine(2 * kRate, 997, 0.75, kRate);
    WriteAudio(dir / "in.wav", kFloat, kRate, {sine, sine});
    std::size_t beyond = 0;
    for (double v : sine)
        beyond += std::fabs(2 * v) >= 1.0 ? 2 : 0;
    const RunResult r = Run({"--plugin", TESTGAIN_BUNDLE, "--set", "Gain=2", "--bits", "16",
                             "--report-json", P("r.json"), P("in.wav"), P("o.wav")});
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    const nlohmann::json file = Json("r.json");
    const auto clipped = file["clipped_samples"].get<std::size_t>();
    EXPECT_NEAR(static_cast<double>(clipped), static_cast<double>(beyond), 0.01 * beyond);
    EXPECT_NE(r.errors.find("warning: " + std::to_string(clipped) +
                            " samples clipped at full scale in " + P("o.wav")),
              std::string::npos)
        << r.errors;
    // Report = file: the written file's own true peak, not the float signal's (+3.5 dB).
    const Audio written = ReadAudio(dir / "o.wav");
    const Meter m = Measure(written);
    EXPECT_NEAR(file["output_loudness"]["true_peak_dbtp"].get<double>(), m.truePeak, 0.05);
    EXPECT_LT(m.truePeak, 1.5);
    EXPECT_LE(file["output_levels"]["peak_dbfs"].get<double>(), 0.0);
    EXPECT_EQ(file["output_format"], "WAV 16-bit");

    // A float output keeps the overs and clips nothing.
    const RunResult f = Run({"--plugin", TESTGAIN_BUNDLE, "--set", "Gain=2", "--bits", "32f",
                             "--report-json", P("f.json"), P("in.wav"), P("f.wav")});
    ASSERT_EQ(f.exitCode, 0) << f.errors;
    EXPECT_EQ(f.errors, "");
    EXPECT_EQ(Json("f.json")["clipped_samples"], 0);
}

TEST_F(RenderDelivery, ShorterWordsAreDitheredUnlessAskedNotTo) {
    // A quiet sine in float: the error of the 16-bit file against it is the dither and rounding.
    const auto sine = Sine(4 * kRate, 441, 0.01, kRate);
    WriteAudio(dir / "in.wav", kFloat, kRate, {sine});
    struct Case {
        std::vector<std::string> options;
        double variance; // of the error, in steps squared: TPDF 1/6 plus rounding 1/12
    };
    const Case cases[] = {{{"--bits", "16"}, 0.25}, {{"--bits", "16", "--no-dither"}, 1.0 / 12}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options.size());
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {P("in.wav"), P("o.wav")});
        ASSERT_EQ(Unity(args).exitCode, 0);
        const Audio out = ReadAudio(dir / "o.wav");
        ASSERT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        double sum = 0, squares = 0;
        for (std::size_t i = 0; i < sine.size(); ++i) {
            const double e = (out.channels[0][i] - sine[i]) * 32768;
            sum += e;
            squares += e * e;
        }
        const double n = static_cast<double>(sine.size());
        EXPECT_NEAR(sum / n, 0.0, 0.01);
        EXPECT_NEAR(squares / n, c.variance, 0.02);
    }
    // The same render gives the same bytes.
    ASSERT_EQ(Unity({"--bits", "16", P("in.wav"), P("a.wav")}).exitCode, 0);
    ASSERT_EQ(Unity({"--bits", "16", P("in.wav"), P("b.wav")}).exitCode, 0);
    EXPECT_EQ(Slurp(dir / "a.wav"), Slurp(dir / "b.wav"));
}

TEST_F(RenderDelivery, EveryFormatRoundTrips) {
    const auto left = Sine(3 * kRate, 440, 0.3, kRate);
    const auto right = Noise(3 * kRate, 0.2, 7);
    WriteAudio(dir / "in.wav", kFloat, kRate, {left, right});
    const Meter source = Measure(ReadAudio(dir / "in.wav"));
    struct Case {
        std::vector<std::string> options;
        std::string output;
        int format;       // as libsndfile reads the file back
        double tolerance; // largest sample error; 0: judged by loudness only (lossy)
    };
    const Case cases[] = {
        {{}, "o.wav", kFloat, 1e-7},
        {{"--bits", "16"}, "o.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.5 / 32768},
        {{"--bits", "24"}, "o.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 1.5 / 8388608},
        {{"--bits", "24"}, "o.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1.5 / 8388608},
        {{"--bits", "16", "--format", "flac"},
         "o.audio",
         SF_FORMAT_FLAC | SF_FORMAT_PCM_16,
         1.5 / 32768},
        {{}, "o.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0},
        {{"--quality", "8"}, "o.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 0},
        {{"--quality", "7"}, "o.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--report-json", P("r.json"), P("in.wav"), P(c.output)});
        const RunResult r = Unity(args);
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Audio out = ReadAudio(dir / c.output);
        EXPECT_EQ(out.format, c.format);
        EXPECT_EQ(out.rate, kRate);
        ASSERT_EQ(out.channels.size(), 2u);
        const Meter m = Measure(out);
        // The report describes the file as a reader decodes it.
        EXPECT_NEAR(Json("r.json")["output_loudness"]["integrated_lufs"].get<double>(),
                    m.integrated, 0.05);
        if (c.tolerance > 0) {
            ASSERT_EQ(out.Frames(), left.size());
            for (std::size_t i = 0; i < left.size(); ++i) {
                ASSERT_NEAR(out.channels[0][i], left[i], c.tolerance) << i;
                ASSERT_NEAR(out.channels[1][i], right[i], c.tolerance) << i;
            }
        } else {
            EXPECT_NEAR(m.integrated, source.integrated, 0.5);
        }
        fs::remove(dir / c.output);
    }
}

TEST_F(RenderDelivery, RateConversionFollowsTheEffect) {
    const auto sine = Sine(2 * kRate, 1000, 0.5, kRate);
    WriteAudio(dir / "in.wav", kFloat, kRate, {sine, sine});
    ASSERT_EQ(Unity({"--rate", "44100", P("in.wav"), P("o.wav")}).exitCode, 0);
    const Audio out = ReadAudio(dir / "o.wav");
    EXPECT_EQ(out.rate, 44100);
    EXPECT_NEAR(static_cast<double>(out.Frames()), 2 * 44100, 1);
    EXPECT_NEAR(Measure(out).integrated, Measure(ReadAudio(dir / "in.wav")).integrated, 0.05);
    // The 1 kHz sine, resampled: compare its middle with a sine made at 44.1 kHz.
    const auto expected = Sine(2 * 44100, 1000, 0.5, 44100);
    double worst = 0;
    for (std::size_t i = 4410; i < 80000; ++i)
        worst = std::max(worst, std::fabs(out.channels[0][i] - expected[i]));
    EXPECT_LT(worst, 1e-4);

    // Opus runs at 48 kHz and a few lower rates only: a 44.1 kHz take needs --rate.
    const auto low = Sine(44100, 1000, 0.5, 44100);
    WriteAudio(dir / "cd.wav", kFloat, 44100, {low, low});
    const RunResult refused = Unity({P("cd.wav"), P("o.opus")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.errors.find("use --rate"), std::string::npos) << refused.errors;
    EXPECT_FALSE(fs::exists(dir / "o.opus"));
    ASSERT_EQ(Unity({"--rate", "48000", P("cd.wav"), P("o.opus")}).exitCode, 0);
    EXPECT_EQ(ReadAudio(dir / "o.opus").rate, 48000);
}

TEST_F(RenderDelivery, StandardInputAndOutputCarryTheAudioAndNothingElse) {
    const auto sine = Sine(kRate, 300, 0.25, kRate);
    WriteAudio(dir / "in.wav", kFloat, kRate, {sine, sine});
    const std::string tool =
        Quote(TORVIK_RENDER) + " --plugin " + Quote(TESTGAIN_BUNDLE) + " --set Gain=1 --report ";
    struct Case {
        std::string options;
        int format;
    };
    const Case cases[] = {{"", kFloat},
                          {"--format flac --bits 24", SF_FORMAT_FLAC | SF_FORMAT_PCM_24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        ASSERT_EQ(Shell("cat in.wav | " + tool + c.options + " - - > piped 2> errors.txt"), 0)
            << Slurp(dir / "errors.txt");
        // The report went to standard error; standard output is one whole audio file.
        EXPECT_NE(Slurp(dir / "errors.txt").find("output loudness"), std::string::npos);
        const Audio out = ReadAudio(dir / "piped");
        EXPECT_EQ(out.format, c.format);
        ASSERT_EQ(out.Frames(), sine.size());
        for (std::size_t i = 0; i < sine.size(); ++i)
            ASSERT_NEAR(out.channels[1][i], sine[i], 1e-6) << i;
    }
    EXPECT_FALSE(fs::exists(dir / "-"));
}

TEST_F(RenderDelivery, CutOffInputsFailUnlessLenient) {
    const auto noise = Noise(4 * kRate, 0.3, 5);
    WriteAudio(dir / "whole.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, kRate, {noise, noise});
    WriteAudio(dir / "whole.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, kRate, {noise, noise});
    // Copies that end halfway, as an interrupted transfer leaves them.
    for (const char* name : {"whole.wav", "whole.flac"}) {
        const std::string bytes = Slurp(dir / name);
        std::ofstream(dir / ("cut" + fs::path(name).extension().string()), std::ios::binary)
            << bytes.substr(0, bytes.size() / 2);
    }
    for (const char* cut : {"cut.wav", "cut.flac"}) {
        SCOPED_TRACE(cut);
        const RunResult failed = Unity({P(cut), P("o.wav")});
        EXPECT_EQ(failed.exitCode, 1);
        // A WAV says how much it should hold; a FLAC decoder loses its way where the data ends.
        EXPECT_NE(failed.errors.find(P(cut) +
                                     (std::string(cut) == "cut.wav" ? ": cut off" : ": damaged")),
                  std::string::npos)
            << failed.errors;
        EXPECT_NE(failed.errors.find("--lenient renders what could be read"), std::string::npos)
            << failed.errors;
        EXPECT_FALSE(fs::exists(dir / "o.wav"));

        const RunResult lenient = Unity({"--lenient", P(cut), P("o.wav")});
        EXPECT_EQ(lenient.exitCode, 0) << lenient.errors;
        EXPECT_NE(lenient.errors.find("warning: "), std::string::npos) << lenient.errors;
        const Audio out = ReadAudio(dir / "o.wav");
        EXPECT_GT(out.Frames(), noise.size() / 4);
        EXPECT_LT(out.Frames(), noise.size() * 3 / 4);
        for (std::size_t i = 0; i < out.Frames(); ++i)
            ASSERT_NEAR(out.channels[0][i], noise[i], 2.0 / 8388608) << i;
        fs::remove(dir / "o.wav");
    }
}

TEST_F(RenderDelivery, TheLimiterBringsSpeechToTheTargetUnderTheCeiling) {
    Speech("a.wav", "en",
           "Peter picked a peck of pickled peppers. Put the big brown box by the "
           "back door, please, before the party begins.");
    Speech("b.wav", "en+f3",
           "Tonight: a conversation about podcasts, patience, and the "
           "particular pleasure of a perfectly placed pause.");
    for (const char* take : {"a.wav", "b.wav"}) {
        SCOPED_TRACE(take);
        // Without the limiter the ceiling stops the gain short of the target.
        const RunResult shortOf = Unity({"--normalize", "-16", P(take), P("plain.wav")});
        ASSERT_EQ(shortOf.exitCode, 0) << shortOf.errors;
        EXPECT_NE(shortOf.errors.find("LU short"), std::string::npos) << shortOf.errors;
        EXPECT_LT(Measure(ReadAudio(dir / "plain.wav")).integrated, -16.5);

        const RunResult r = Unity(
            {"--normalize", "-16", "--limit", "--report-json", P("r.json"), P(take), P("o.wav")});
        ASSERT_EQ(r.exitCode, 0) << r.errors;
        const Meter m = Measure(ReadAudio(dir / "o.wav"));
        EXPECT_NEAR(m.integrated, -16.0, 0.5);
        EXPECT_LE(m.truePeak, -1.0);
        const nlohmann::json limiter = Json("r.json")["limiter"];
        EXPECT_GT(limiter["max_reduction_db"].get<double>(), 0.5);
        EXPECT_GT(limiter["seconds_reducing"].get<double>(), 0.0);
    }
}

TEST_F(RenderDelivery, CommandLineConventionsAndExitCodes) {
    const auto sine = Sine(kRate / 2, 300, 0.25, kRate);
    WriteAudio(dir / "in.wav", kFloat, kRate, {sine});
    WriteAudio(dir / "-dash.wav", kFloat, kRate, {sine});
    std::ofstream(dir / "kept.wav") << "an earlier render";
    struct Case {
        const char* what;
        std::vector<std::string> args;
        int exitCode;
        std::string message;             // part of stdout or stderr
        std::vector<std::string> exists; // files the run leaves (besides the inputs)
    };
    const std::string in = P("in.wav");
    const Case cases[] = {
        {"version", {"--version"}, 0, "torvik-render 1.", {}},
        {"end of options", {"--", P("-dash.wav"), P("o.wav")}, 0, "", {"o.wav"}},
        {"dash file without --", {P("in.wav"), "-x"}, 2, "unknown option '-x'", {}},
        {"unknown option", {"--loud", in, P("o.wav")}, 2, "unknown option '--loud'", {}},
        {"no overwrite", {"-n", in, P("kept.wav")}, 0, "kept it", {}},
        {"jobs without a folder", {"--jobs", "2", in, P("o.wav")}, 2, "needs --out-dir", {}},
        {"limit without normalize", {"--limit", in, P("o.wav")}, 2, "--limit works with", {}},
        {"extension it cannot write", {in, P("o.m4a")}, 2, "cannot write '.m4a' files", {}},
        {"bits of a lossy format", {"--bits", "16", in, P("o.mp3")}, 2, "not of mp3", {}},
        {"bits unknown", {"--bits", "20", in, P("o.wav")}, 2, "--bits must be 16, 24 or 32f", {}},
        {"rate unknown", {"--rate", "fast", in, P("o.wav")}, 2, "--rate must be", {}},
        {"quality out of range", {"--quality", "11", in, P("o.ogg")}, 2, "--quality must be", {}},
        {"format unknown", {"--format", "m4a", in, P("o.wav")}, 2, "--format must be one of", {}},
        {"batch from standard input", {"-", "--out-dir", P("out")}, 2, "standard input", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = Unity(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.errors;
        EXPECT_NE((r.output + r.errors).find(c.message), std::string::npos) << r.output << r.errors;
        std::vector<std::string> expected = c.exists;
        expected.insert(expected.end(), {"-dash.wav", "in.wav", "kept.wav"});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Files(), expected);
        for (const std::string& f : c.exists)
            fs::remove(dir / f);
    }
    EXPECT_EQ(Slurp(dir / "kept.wav"), "an earlier render");
}

TEST_F(RenderDelivery, SettingsOfAStageSwitchedOutDrawAWarning) {
    WriteAudio(dir / "in.wav", kFloat, kRate, {Noise(kRate / 2, 0.1, 3)});
    const std::string in = P("in.wav");
    struct Case {
        std::vector<std::string> settings;
        bool warned;
    };
    const Case cases[] = {
        {{"--set", "Compressor Threshold=-20"}, true},
        {{"--set", "Compressor Bypass=1", "--set", "Compressor Threshold=-20"}, false},
        {{"--set", "Low Gain=3"}, true},
        {{"--set", "Main Output=-3"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings.back());
        std::vector<std::string> args = {"--plugin", TORVIK_BUNDLE};
        args.insert(args.end(), c.settings.begin(), c.settings.end());
        args.insert(args.end(), {in, P("o.wav")});
        const RunResult r = Run(args);
        EXPECT_EQ(r.exitCode, 0) << r.errors;
        EXPECT_EQ(r.errors.find("cannot be heard: its stage is switched out") != std::string::npos,
                  c.warned)
            << r.errors;
    }
}

} // namespace
