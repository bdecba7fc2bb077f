// Debian's lilv tools on the built bundle: lv2apply renders a file through
// TORVIK.lv2 bit-identical to TORVIK.vst3 rendering the same file with the
// same settings.
#include "processor/Parameters.h"
#include "processor/TorvikFacts.h"
#include "support/EngagedSettings.h"
#include "vst3/Block.h"
#include "vst3/TorvikHost.h"

#include <sndfile.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace torvik::testing {
namespace {

namespace fs = std::filesystem;
constexpr double kRate = 48000.0;
constexpr int kFrames = 24000;
constexpr int kChannels = 4; // main left and right, sidechain left and right

// A voice with sibilant bursts on the main pair, a pulsing key on the sidechain.
float Sample(int ch, int i) {
    const double t = i / kRate;
    if (ch >= 2)
        return static_cast<float>((std::fmod(t, 0.25) < 0.1 ? 0.7 : 0.0) *
                                  std::sin(2 * std::numbers::pi * (100.0 + 15 * ch) * t));
    const double hiss =
        std::fmod(t, 0.3) < 0.05 ? 0.3 * std::sin(2 * std::numbers::pi * 7000 * t) : 0;
    return static_cast<float>((0.5 + 0.5 * std::sin(2 * std::numbers::pi * 1.7 * t)) *
                                  (0.6 * std::sin(2 * std::numbers::pi * (220.0 + 3 * ch) * t)) +
                              hiss);
}

bool WriteFloatWav(const fs::path& path, const std::vector<float>& interleaved, int channels) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(kRate);
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t frames = static_cast<sf_count_t>(interleaved.size()) / channels;
    const bool ok = sf_writef_float(f, interleaved.data(), frames) == frames;
    sf_close(f);
    return ok;
}

std::vector<float> ReadWav(const fs::path& path, int& channels) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return {};
    channels = info.channels;
    std::vector<float> data(static_cast<std::size_t>(info.frames * info.channels));
    sf_readf_float(f, data.data(), info.frames);
    sf_close(f);
    return data;
}

// The symbol lv2apply knows each engaged parameter by, read from the bundle's Turtle.
std::string SymbolOf(int index) {
    std::ifstream ttl(std::string(TORVIK_LV2_BUNDLE) + "/TORVIK.ttl");
    std::stringstream text;
    text << ttl.rdbuf();
    const std::string all = text.str();
    const std::string marker = "lv2:index " + std::to_string(6 + index) + " ;";
    const std::size_t at = all.find(marker);
    const std::size_t open = all.find("lv2:symbol \"", at) + 12;
    return all.substr(open, all.find('"', open) - open);
}

TEST(Lv2Apply, RendersBitIdenticalToTheVst3Module) {
#if defined(TORVIK_SANITIZED_MODULE)
    GTEST_SKIP() << "lv2apply cannot load a sanitized module";
#endif
    const fs::path dir =
        fs::temp_directory_path() / ("torvik-lv2apply-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::vector<float> input;
    for (int i = 0; i < kFrames; ++i)
        for (int ch = 0; ch < kChannels; ++ch)
            input.push_back(Sample(ch, i));
    ASSERT_TRUE(WriteFloatWav(dir / "in.wav", input, kChannels));

    // A folder holding the bundle alone, so lv2apply sees nothing else.
    fs::create_directories(dir / "lv2");
    fs::create_directory_symlink(fs::absolute(TORVIK_LV2_BUNDLE), dir / "lv2" / "TORVIK.lv2");
    std::string command = "LV2_PATH='" + (dir / "lv2").string() + "' lv2apply -i '" +
                          (dir / "in.wav").string() + "' -o '" + (dir / "out.wav").string() + "'";
    for (const EngagedSetting& s : kEngagedSettings)
        command += " -c " + SymbolOf(s.index) + " " + std::to_string(s.value);
    command += " urn:quellmark:torvik";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int channels = 0;
    const std::vector<float> lv2 = ReadWav(dir / "out.wav", channels);
    ASSERT_EQ(channels, 2);
    ASSERT_EQ(lv2.size(), static_cast<std::size_t>(kFrames) * 2);

    // The same settings restored into TORVIK.vst3 before it starts, the same file.
    std::vector<std::uint8_t> state(324, 0);
    {
        auto defaults = NewTorvik();
        state = *defaults->getControllerState();
    }
    for (const EngagedSetting& s : kEngagedSettings)
        std::memcpy(state.data() + 8 * s.index, &s.value, 8);
    auto vst3 = NewTorvik();
    ASSERT_EQ(vst3->setControllerState(state), Steinberg::kResultOk);
    vst3->activateAllBuses();
    constexpr int kBlock = 512;
    vst3->startProcessing(kRate, kBlock);
    BlockRunner runner(*vst3, kBlock, Steinberg::Vst::kSample32);
    std::size_t differing = 0;
    double peak = 0.0;
    for (int start = 0; start < kFrames; start += kBlock) {
        const int n = std::min(kBlock, kFrames - start);
        runner.Fill(n, [&](int bus, int ch, int i) { return Sample(bus * 2 + ch, start + i); });
        ASSERT_EQ(runner.Run(n), Steinberg::kResultOk);
        for (int i = 0; i < n; ++i) {
            for (int ch = 0; ch < 2; ++ch) {
                const float expected = static_cast<float>(runner.Output(ch, i));
                const float got = lv2[static_cast<std::size_t>(start + i) * 2 + ch];
                differing +=
                    std::bit_cast<std::uint32_t>(expected) != std::bit_cast<std::uint32_t>(got);
                peak = std::max(peak, std::fabs(static_cast<double>(got)));
            }
        }
    }
    EXPECT_EQ(differing, 0u) << "of " << kFrames * 2 << " samples";
    EXPECT_GT(peak, 0.01);
    fs::remove_all(dir);
}

} // namespace
} // namespace torvik::testing
