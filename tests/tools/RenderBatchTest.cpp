// torvik-render's batches and reports through real bundles: TestGain (plain gain 0..2, applied
// block by block from the last point of each queue) where exact figures are needed, TORVIK
// where its own parameter names matter.
#include "ToolTestSupport.h"

#include <nlohmann/json.hpp>

#include <map>

namespace {

using namespace torvik::testing;

constexpr int kRate = 48000;
constexpr int kPcm16 = SF_FORMAT_WAV | SF_FORMAT_PCM_16;

class RenderBatch : public ToolTest {
protected:
    RunResult Render(std::vector<std::string> args, const char* bundle = TESTGAIN_BUNDLE) const {
        args.insert(args.begin(), {"--plugin", bundle});
        return Run(args);
    }
    // Every name in `folder`, hidden ones included.
    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RenderBatch, EveryInputLandsInTheFolderAndAFailureDoesNotStopTheRest) {
    const Channels stereo = {Sine(5000, 440, 0.5, kRate), Noise(5000, 0.4, 3)};
    const Channels mono = {Noise(7000, 0.6, 9)};
    WriteAudio(dir / "a.wav", kPcm16, kRate, stereo);
    WriteAudio(dir / "b.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, kRate, mono);
    WriteAudio(dir / "c.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, kRate, stereo);
    std::ofstream(dir / "notes.wav") << "not audio";
    fs::create_directories(dir / "out");
    // The failed file's earlier render stays as it was.
    std::ofstream(dir / "out" / "notes-half.wav") << "an earlier render";

    const RunResult r = Render({"--set", "Gain=0.5", "--jobs", "2", "--suffix", "-half", P("a.wav"),
                                P("b.flac"), P("notes.wav"), P("c.aiff"), "--out-dir", P("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.errors.find("notes.wav: cannot read as audio"), std::string::npos) << r.errors;
    EXPECT_NE(r.output.find("4 files: 3 rendered, 1 failed"), std::string::npos) << r.output;
    for (const char* name : {"a-half.wav", "b-half.flac", "c-half.aiff"})
        EXPECT_NE(r.output.find(std::string(name) + ": peak"), std::string::npos) << r.output;
    EXPECT_EQ(Names(dir / "out"), (std::vector<std::string>{"a-half.wav", "b-half.flac",
                                                            "c-half.aiff", "notes-half.wav"}));
    EXPECT_EQ(Slurp(dir / "out" / "notes-half.wav"), "an earlier render");
    const std::map<std::string, Channels> expected = {
        {"a-half.wav", stereo}, {"b-half.flac", mono}, {"c-half.aiff", stereo}};
    for (const auto& [name, in] : expected) {
        SCOPED_TRACE(name);
        const Audio out = ReadAudio(dir / "out" / name);
        ASSERT_EQ(out.channels.size(), in.size());
        ASSERT_EQ(out.Frames(), in[0].size());
        for (std::size_t c = 0; c < in.size(); ++c)
            for (std::size_t i = 0; i < in[c].size(); ++i)
                // TPDF dither and rounding stay within 1.5 steps; the input's own rounding
                // adds a quarter.
                ASSERT_NEAR(out.channels[c][i], 0.5 * in[c][i], 1.75 / 32768) << i;
    }
}

// The lane's value at `frame` for points (frame, value) after a start value.
double Lane(const std::vector<std::pair<double, double>>& points, double start, double frame) {
    if (frame < points.front().first)
        return start;
    for (std::size_t k = 0; k + 1 < points.size(); ++k)
        if (frame < points[k + 1].first)
            return points[k].second + (points[k + 1].second - points[k].second) *
                                          (frame - points[k].first) /
                                          (points[k + 1].first - points[k].first);
    return points.back().second;
}

TEST_F(RenderBatch, AutomationReachesEachBlockAsItsLastPointDictates) {
    // A constant input shows the gain of every frame directly.
    constexpr std::size_t kFrames = 3 * kRate + 17;
    constexpr double kLevel = 0.25;
    WriteAudio(dir / "in.wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, kRate,
               {std::vector<double>(kFrames, kLevel), std::vector<double>(kFrames, kLevel)});
    // Up from silence over the first second, a jump at 1.5 s, then down over 5000 samples.
    const std::vector<std::pair<double, double>> points = {
        {0, 0.0}, {kRate, 2.0}, {1.5 * kRate, 0.5}, {2 * kRate, 0.5}, {2 * kRate + 5000, 1.5}};
    std::ofstream(dir / "lane.csv") << "time,parameter,value\n"
                                    << "# from silence\n"
                                    << "0s,Gain,0\n1s,Gain,2\n1.5s,Gain,0.5\n\n"
                                    << "96000smp,Gain,0.5\n101000smp,gain,1.5\n";
    const std::vector<std::vector<std::string>> ways = {
        {"--automation", P("lane.csv")},
        {"--automate", "0s Gain=0", "--automate", "1s Gain=2", "--automate", "72000smp Gain=0.5",
         "--automate", "2s Gain=0.5", "--automate", "101000smp Gain=1.5"}};
    for (const int block : {32, 1000, 4096}) {
        for (const auto& way : ways) {
            SCOPED_TRACE("block " + std::to_string(block) + " " + way[0]);
            std::vector<std::string> args = way;
            args.insert(args.end(), {"--precision", "64", "--block-size", std::to_string(block),
                                     P("in.wav"), P("out.wav")});
            const RunResult r = Render(args);
            ASSERT_EQ(r.exitCode, 0) << r.errors;
            const Audio out = ReadAudio(dir / "out.wav");
            ASSERT_EQ(out.Frames(), kFrames);
            for (std::size_t start = 0; start < kFrames; start += block) {
                const std::size_t end = std::min(kFrames, start + block);
                const double gain = Lane(points, 1.0, static_cast<double>(end - 1));
                for (std::size_t i = start; i < end; ++i)
                    ASSERT_NEAR(out.channels[1][i], kLevel * gain, 1e-12) << "frame " << i;
            }
        }
    }
}

TEST_F(RenderBatch, JsonReportHoldsEveryFileWithItsFigures) {
    const std::string odd = "say \"hi\"\\ now.wav"; // quotes and a backslash need escaping
    WriteAudio(dir / odd, kPcm16, kRate, {Sine(kRate, 1000, 0.5, kRate)});
    WriteAudio(dir / "b.wav", kPcm16, kRate, {Sine(kRate, 300, 0.25, kRate)});
    const RunResult r =
        Render({"--set", "Gain=1.5", "--block-size", "256", "--report-json", P("report.json"),
                P(odd), P("b.wav"), P("missing.wav"), "--out-dir", P("out")});
    EXPECT_EQ(r.exitCode, 1);
    const nlohmann::json doc = nlohmann::json::parse(Slurp(dir / "report.json"));
    EXPECT_EQ(doc["block_size"], 256);
    EXPECT_EQ(doc["precision"], 32);
    EXPECT_EQ(doc["settings"][0]["parameter"], "Gain"); // the title itself, no quotes inside
    EXPECT_EQ(doc["settings"][0]["value"], 1.5);
    EXPECT_EQ(doc["rendered"], 2);
    EXPECT_EQ(doc["failed"], 1);
    ASSERT_EQ(doc["files"].size(), 3u);
    const auto& first = doc["files"][0];
    EXPECT_EQ(first["input"], P(odd));
    EXPECT_EQ(first["output"], P("out/" + odd));
    EXPECT_TRUE(first["ok"]);
    EXPECT_NEAR(first["input_levels"]["peak_dbfs"].get<double>(), 20 * std::log10(0.5), 0.01);
    EXPECT_NEAR(first["output_levels"]["peak_dbfs"].get<double>(), 20 * std::log10(0.75), 0.01);
    EXPECT_NEAR(first["output_loudness"]["integrated_lufs"].get<double>() -
                    first["input_loudness"]["integrated_lufs"].get<double>(),
                20 * std::log10(1.5), 0.01);
    EXPECT_GT(first["seconds"].get<double>(), 0.0);
    EXPECT_EQ(first["block_size"], 256);
    EXPECT_EQ(first["settings"], doc["settings"]);
    const auto& missing = doc["files"][2];
    EXPECT_FALSE(missing["ok"]);
    EXPECT_NE(missing["error"].get<std::string>().find("missing.wav: no such file"),
              std::string::npos);
}

TEST_F(RenderBatch, BadInputGetsOneClearMessageAndOverwritesNothing) {
    constexpr std::size_t kFrames = 2 * kRate;
    WriteAudio(dir / "in.wav", kPcm16, kRate, {Sine(kFrames, 200, 0.5, kRate)});
    fs::create_directories(dir / "sub");
    WriteAudio(dir / "sub" / "in.wav", kPcm16, kRate, {Sine(kFrames, 300, 0.5, kRate)});
    WriteAudio(dir / "silence.wav", kPcm16, kRate, {std::vector<double>(kFrames, 0.0)});
    std::ofstream(dir / "text.wav") << "not audio";
    std::ofstream(dir / "blocked") << "a file where a folder should go";
    std::ofstream(dir / "bad-row.csv") << "time,parameter,value\n0s,Gain,1\n1s;Gain;2\n";
    std::ofstream(dir / "bare-time.csv") << "time,parameter,value\n0s,Gain,1\n\n48000,Gain,2\n";
    std::ofstream(dir / "bad-time.csv") << "-1s,Gain,1\n";
    fs::create_directories(dir / "out");
    std::ofstream(dir / "out" / "keep.wav") << "earlier";
    std::ofstream(dir / "out" / "in.wav") << "earlier";

    struct Case {
        const char* what;
        const char* bundle;
        std::vector<std::string> args;
        int exitCode;
        std::string message;              // part of stderr
        std::vector<std::string> written; // files in out/ besides keep.wav and in.wav
    };
    const std::string in = P("in.wav");
    const std::string out = P("out");
    const char* gain = TESTGAIN_BUNDLE;
    const char* torvik = TORVIK_BUNDLE;
    const Case cases[] = {
        {"missing input in a batch",
         gain,
         {P("nope.wav"), P("silence.wav"), "--out-dir", out},
         1,
         "nope.wav: no such file",
         {"silence.wav"}},
        {"non-audio input in a batch",
         gain,
         {P("text.wav"), "--out-dir", out},
         1,
         "text.wav: cannot read as audio",
         {}},
        {"output folder blocked",
         gain,
         {in, "--out-dir", P("blocked/out")},
         1,
         "cannot create the output folder",
         {}},
        {"two inputs, one output name",
         gain,
         {in, P("sub/in.wav"), "--out-dir", out},
         1,
         "would all be written to",
         {}},
        {"automation past the end",
         gain,
         {"--automate", "2.5s Gain=1", in, "--out-dir", out},
         1,
         "2.500 s lies beyond the end of",
         {}},
        {"automation before 0",
         gain,
         {"--automate", "-3smp Gain=1", in, "--out-dir", out},
         2,
         "not below 0",
         {}},
        {"automation file time before 0",
         gain,
         {"--automation", P("bad-time.csv"), in, "--out-dir", out},
         2,
         "bad-time.csv line 1:",
         {}},
        {"unknown parameter",
         gain,
         {"--automate", "1s Volume=1", in, "--out-dir", out},
         2,
         "--automate \"1s Volume=1\": no parameter is named 'Volume'",
         {}},
        {"ambiguous parameter",
         torvik,
         {"--automate", "1s Compressor External Sidechain=1", in, "--out-dir", out},
         2,
         "names the parameters with IDs 38 and 39; give the ID instead",
         {}},
        {"value out of range",
         gain,
         {"--automate", "1s Gain=3", in, "--out-dir", out},
         2,
         "'Gain' takes values from 0 to 2; 3 is outside",
         {}},
        {"malformed CSV row",
         gain,
         {"--automation", P("bad-row.csv"), in, "--out-dir", out},
         2,
         "bad-row.csv line 3: expected time,parameter,value",
         {}},
        {"CSV time without a unit",
         gain,
         {"--automation", P("bare-time.csv"), in, "--out-dir", out},
         2,
         "bare-time.csv line 4: expected time,parameter,value with the time in seconds (1.5s) or "
         "samples (72000smp)",
         {}},
        {"missing CSV",
         gain,
         {"--automation", P("none.csv"), in, "--out-dir", out},
         1,
         "cannot read the automation file",
         {}},
        {"normalising silence",
         gain,
         {"--normalize", "-16", P("silence.wav"), "--out-dir", out},
         1,
         "renders to silence: there is no loudness",
         {"silence.wav"}},
        {"target out of reach of any file",
         gain,
         {"--normalize", "-90", in, "--out-dir", out},
         2,
         "--normalize needs a level",
         {}},
        {"jobs zero", gain, {"--jobs", "0", in, "--out-dir", out}, 2, "--jobs must be", {}},
        {"suffix without a folder",
         gain,
         {"--suffix", "-x", in, P("x.wav")},
         2,
         "--suffix names batch outputs",
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = Render(c.args, c.bundle);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.errors;
        EXPECT_NE(r.errors.find(c.message), std::string::npos) << r.errors;
        std::vector<std::string> expected = c.written;
        expected.insert(expected.end(), {"in.wav", "keep.wav"});
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(Names(dir / "out"), expected);
        EXPECT_EQ(Slurp(dir / "out" / "in.wav"), "earlier");
        for (const std::string& w : c.written)
            fs::remove(dir / "out" / w);
    }
}

} // namespace
