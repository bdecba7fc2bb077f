// Activation starts processing afresh: gains stand at their settings from the
// first sample, and a restored project renders what the saved one rendered.
#include "Block.h"
#include "TorvikHost.h"

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRate = 48000.0;
constexpr int kBlock = 480;
// Long enough for every smoother to settle from anywhere (a 10 Hz corner
// stepped at least once per sample).
constexpr int kWarmUpBlocks = 100;

// A state whose parameters hold the given real values, the others their defaults.
std::vector<uint8_t> StateWith(const std::vector<std::pair<int, double>>& values) {
    auto fresh = NewTorvik();
    std::vector<uint8_t> state = *fresh->getControllerState();
    for (const auto& [index, value] : values)
        std::memcpy(state.data() + 8 * index, &value, sizeof value);
    return state;
}

std::unique_ptr<hostkit::Instance> Restored(const std::vector<uint8_t>& state) {
    auto instance = NewTorvik();
    if (!instance)
        return nullptr;
    instance->activateAllBuses();
    EXPECT_EQ(instance->setControllerState(state), kResultOk);
    EXPECT_EQ(instance->startProcessing(kRate, kBlock, kSample64), kResultOk);
    return instance;
}

// A 1 kHz tone at -12 dBFS (a whole number of periods per block) and a
// pulsing sidechain.
double Tone(int bus, int channel, int i) {
    const double phase = 2.0 * M_PI * 1000.0 * i / kRate;
    if (bus == 1)
        return (i % 240 < 120 ? 0.7 : 0.05) * std::sin(0.25 * phase);
    return 0.25 * std::sin(phase + 0.3 * channel);
}

// A loud, bright, moving voice-like signal.
double Voice(int block, int bus, int channel, int i) {
    const double t = (block * kBlock + i) / kRate;
    const double swell = 0.6 + 0.5 * std::sin(2.0 * M_PI * 1.3 * t);
    const double hiss = std::fmod(t, 0.3) < 0.08 ? 0.4 * std::sin(2.0 * M_PI * 9000.0 * t) : 0.0;
    if (bus == 1)
        return 0.8 * std::sin(2.0 * M_PI * 90.0 * t);
    return swell * std::sin(2.0 * M_PI * (180.0 + 20.0 * channel) * t) + hiss;
}

std::vector<double> RenderBlock(BlockRunner& runner, int block) {
    runner.Fill(kBlock, [block](int bus, int ch, int i) { return Voice(block, bus, ch, i); });
    EXPECT_EQ(runner.Run(kBlock), kResultOk);
    std::vector<double> out;
    for (int ch = 0; ch < 2; ++ch)
        for (int i = 0; i < kBlock; ++i)
            out.push_back(runner.Output(ch, i));
    return out;
}

std::vector<double> Render(hostkit::Instance& instance, int blocks) {
    BlockRunner runner(instance, kBlock, kSample64);
    std::vector<double> out;
    for (int b = 0; b < blocks; ++b) {
        const std::vector<double> block = RenderBlock(runner, b);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

// Gains, drive and voicing away from their defaults; no filter with memory in
// the path, so the steady state of a tone is a function of the tone alone.
const std::vector<std::pair<int, double>> kGainSettings = {
    {0, 12.0}, // Preamp Gain, dB
    {2, -6.0}, // Main Input, dB
    {3, 4.0},  // Main Output, dB
    {21, 1.0}, // Preamp PAD
    {22, 1.0}, // Preamp Phase
    {24, 1.0}, // Preamp MIC
};

TEST(Activation, FirstBlockIsTheSteadyStateOfTheSettings) {
    const std::vector<uint8_t> state = StateWith(kGainSettings);
    auto fresh = Restored(state);
    auto settled = Restored(state);
    ASSERT_NE(fresh, nullptr);
    ASSERT_NE(settled, nullptr);
    BlockRunner freshRunner(*fresh, kBlock, kSample64);
    BlockRunner settledRunner(*settled, kBlock, kSample64);
    settledRunner.Fill(kBlock, Tone);
    for (int b = 0; b < kWarmUpBlocks; ++b)
        ASSERT_EQ(settledRunner.Run(kBlock), kResultOk);

    freshRunner.Fill(kBlock, Tone);
    ASSERT_EQ(freshRunner.Run(kBlock), kResultOk);
    ASSERT_EQ(settledRunner.Run(kBlock), kResultOk);
    double peak = 0.0;
    for (int ch = 0; ch < 2; ++ch) {
        for (int i = 0; i < kBlock; ++i) {
            const double expected = settledRunner.Output(ch, i);
            peak = std::max(peak, std::fabs(expected));
            // A settled smoother may sit an ulp or two off its target.
            EXPECT_NEAR(freshRunner.Output(ch, i), expected, 1e-12)
                << "channel " << ch << " sample " << i;
        }
    }
    EXPECT_GT(peak, 0.15); // the tone came through: 0.25 at -6 dB and +4 dB

    // A change that arrives while processing still glides.
    constexpr ParamID kMainOutput = 3;
    freshRunner.Change(kMainOutput, 0.5); // 0 dB, from +4 dB
    ASSERT_EQ(freshRunner.Run(kBlock), kResultOk);
    ASSERT_EQ(settledRunner.Run(kBlock), kResultOk);
    const double ratio = freshRunner.Output(0, 10) / settledRunner.Output(0, 10);
    EXPECT_GT(ratio, 0.95);
    EXPECT_LT(ratio, 1.0);
}

TEST(Activation, RestoredProjectRendersWhatTheSavedOneRendered) {
    // Every stage in the path, the boosts, filters and envelopes included.
    const std::vector<std::pair<int, double>> everything = {
        {0, 12.0},  {1, 90.0}, {2, 3.0},  {3, -2.0},   {5, -40.0}, {9, 45.0}, {10, 3.0},
        {12, -4.0}, {14, 5.0}, {15, 2.0}, {16, -30.0}, {17, 6.0},  {21, 1.0}, {23, 1.0},
        {24, 1.0},  {25, 1.0}, {26, 1.0}, {27, 1.0},   {29, 1.0},  {31, 1.0}, {32, 1.0},
        {34, 1.0},  {35, 1.0}, {36, 1.0}, {37, 1.0},   {38, 1.0},  {39, 1.0},
    };
    auto original = Restored(StateWith(everything));
    ASSERT_NE(original, nullptr);
    constexpr int kBlocks = 20;
    const std::vector<double> firstRender = Render(*original, kBlocks);

    // The bounce before saving: the original, warm, deactivated and activated again.
    original->stopProcessing();
    ASSERT_EQ(original->startProcessing(kRate, kBlock, kSample64), kResultOk);
    const std::vector<double> bounce = Render(*original, kBlocks);
    const auto saved = original->getControllerState();
    ASSERT_TRUE(saved.has_value());

    // The reopened project, bounced at once.
    auto reopened = Restored(*saved);
    ASSERT_NE(reopened, nullptr);
    const std::vector<double> reopenedBounce = Render(*reopened, kBlocks);

    EXPECT_EQ(bounce, firstRender);
    EXPECT_EQ(reopenedBounce, bounce);
}

} // namespace
} // namespace torvik::testing
