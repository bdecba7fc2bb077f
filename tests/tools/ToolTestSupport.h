#pragma once
// Helpers for tests that run torvik-render as a user would: audio files written and read with
// libsndfile directly, the tool started as a subprocess, a scratch folder per test.
#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace torvik::testing {

namespace fs = std::filesystem;

using Channels = std::vector<std::vector<double>>;

struct Audio {
    int rate = 0;      // frames per second
    int format = 0;    // libsndfile format code
    Channels channels; // channels[c][frame]
    std::size_t Frames() const { return channels.empty() ? 0 : channels[0].size(); }
};

inline void WriteAudio(const fs::path& path, int format, int rate, const Channels& channels) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = static_cast<int>(channels.size());
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
    const std::size_t frames = channels[0].size();
    std::vector<double> interleaved(frames * channels.size());
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels.size(); ++c)
            interleaved[i * channels.size() + c] = channels[c][i];
    ASSERT_EQ(sf_writef_double(f, interleaved.data(), static_cast<sf_count_t>(frames)),
              static_cast<sf_count_t>(frames));
    sf_close(f);
}

inline Audio ReadAudio(const fs::path& path) {
    Audio a;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (f == nullptr) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return a;
    }
    a.rate = info.samplerate;
    a.format = info.format;
    std::vector<double> interleaved(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_double(f, interleaved.data(), info.frames);
    sf_close(f);
    a.channels.assign(static_cast<std::size_t>(info.channels),
                      std::vector<double>(static_cast<std::size_t>(info.frames)));
    for (std::size_t i = 0; i < a.channels[0].size(); ++i)
        for (std::size_t c = 0; c < a.channels.size(); ++c)
            a.channels[c][i] = interleaved[i * a.channels.size() + c];
    return a;
}

// A sine of `hz` at `amplitude` full scale.
inline std::vector<double> Sine(std::size_t frames, double hz, double amplitude, int rate) {
    std::vector<double> s(frames);
    for (std::size_t i = 0; i < frames; ++i)
        s[i] = amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate);
    return s;
}

// Deterministic white noise in ±amplitude (a fixed linear congruential sequence).
inline std::vector<double> Noise(std::size_t frames, double amplitude, unsigned seed) {
    std::vector<double> s(frames);
    std::uint32_t x = seed;
    for (auto& v : s) {
        x = x * 1664525u + 1013904223u;
        v = amplitude * (static_cast<double>(x >> 8) / 8388608.0 - 1.0);
    }
    return s;
}

struct RunResult {
    int exitCode = -1;  // the tool's exit status
    std::string output; // what it printed on stdout
    std::string errors; // what it printed on stderr
};

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string Slurp(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A scratch folder per test, removed afterwards, and the tool run inside it.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("torvik-render-") + test->test_suite_name() +
                                           "-" + test->name() + "-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        logs = fs::temp_directory_path() / ("torvik-render-logs-" + std::to_string(::getpid()));
        fs::create_directories(logs);
    }
    void TearDown() override {
        fs::remove_all(dir);
        fs::remove_all(logs);
    }

    RunResult Run(const std::vector<std::string>& args) const {
        std::string cmd = Quote(TORVIK_RENDER);
        for (const auto& a : args) {
            cmd += ' ';
            cmd += Quote(a);
        }
        const fs::path out = logs / "stdout.txt";
        const fs::path err = logs / "stderr.txt";
        cmd += " >";
        cmd += Quote(out.string());
        cmd += " 2>";
        cmd += Quote(err.string());
        cmd += " </dev/null";
        RunResult r;
        const int status = std::system(cmd.c_str());
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.output = Slurp(out);
        r.errors = Slurp(err);
        return r;
    }

    // Every name in the scratch folder, hidden temporary files included.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string P(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;  // scratch folder of this test
    fs::path logs; // where the tool's output is captured (outside `dir`)
};

} // namespace torvik::testing
