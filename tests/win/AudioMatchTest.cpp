// The Windows module's audio against the Linux module's on the same session.
// The two C runtimes' maths functions may differ in the last bit, so the
// outputs must agree within 1e-6 rather than exactly.
#include "AudioScenario.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace torvik::testing {
namespace {

// Largest difference allowed between the platforms' outputs.
constexpr double kTolerance = 1e-6;

TEST(AudioMatch, WindowsModuleSoundsLikeTheLinuxModule) {
    const char* reference = std::getenv("TORVIK_LINUX_AUDIO");
    ASSERT_NE(reference, nullptr) << "TORVIK_LINUX_AUDIO names the Linux module's rendering "
                                     "(torvik_audio_reference; scripts/test-windows.sh makes it)";
    const std::vector<double> fromLinux = ReadSamples(reference);
    ASSERT_FALSE(fromLinux.empty()) << reference;
    std::string error;
    const std::vector<double> windows = RenderAudioScenario(TORVIK_BUNDLE_PATH, error);
    ASSERT_FALSE(windows.empty()) << error;
    ASSERT_EQ(windows.size(), fromLinux.size());
    double largest = 0.0;
    double loudest = 0.0;
    for (std::size_t i = 0; i < windows.size(); ++i) {
        ASSERT_TRUE(std::isfinite(windows[i])) << i;
        largest = std::max(largest, std::abs(windows[i] - fromLinux[i]));
        loudest = std::max(loudest, std::abs(windows[i]));
    }
    std::printf("largest difference Windows - Linux: %.3g (peak %.3g)\n", largest, loudest);
    RecordProperty("LargestDifference", std::to_string(largest));
    EXPECT_GT(loudest, 0.01); // the session is not silent
    EXPECT_LE(largest, kTolerance);
}

} // namespace
} // namespace torvik::testing
