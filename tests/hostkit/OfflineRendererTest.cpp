// Whole-signal rendering through the TestGain bundle in several block sizes and precisions.
#include "hostkit/OfflineRenderer.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

struct RenderCase {
    int32_t blockSize;
    int32 sampleSize;
};

class OfflineRendering : public ::testing::TestWithParam<RenderCase> {};

} // namespace

TEST_P(OfflineRendering, BlocksCoverTheSignalAndChangesLandInTheirBlock) {
    const RenderCase c = GetParam();
    std::string error;
    auto module = hostkit::Module::Load(TESTGAIN_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    auto instance = hostkit::Instance::Create(module, &error);
    ASSERT_TRUE(instance) << error;

    constexpr int64_t kLength = 1000;
    hostkit::PlanarAudio input(2, std::vector<double>(kLength));
    for (int64_t i = 0; i < kLength; ++i) {
        input[0][static_cast<size_t>(i)] = 0.5 * std::sin(0.03 * static_cast<double>(i));
        input[1][static_cast<size_t>(i)] = -0.25;
    }

    hostkit::RenderOptions options;
    options.blockSize = c.blockSize;
    options.sampleSize = c.sampleSize;
    hostkit::OfflineRenderer renderer(*instance, options);
    ASSERT_TRUE(renderer.start(&error)) << error;
    constexpr int64_t kChangeAt = 300;
    renderer.scheduleParameter(0, 0.25, kChangeAt); // gain 0.5 from its block on

    const auto output = renderer.run(input, nullptr, &error);
    ASSERT_TRUE(output) << error;
    ASSERT_EQ(output->size(), 2u);
    ASSERT_EQ((*output)[0].size(), static_cast<size_t>(kLength));

    // The plug-in applies a block's last point to the whole block.
    const int64_t changeBlockStart = kChangeAt / c.blockSize * c.blockSize;
    const double tolerance = c.sampleSize == kSample64 ? 0.0 : 1e-7;
    for (int64_t i = 0; i < kLength; ++i) {
        const double gain = i < changeBlockStart ? 1.0 : 0.5;
        for (size_t ch = 0; ch < 2; ++ch)
            ASSERT_NEAR((*output)[ch][static_cast<size_t>(i)],
                        gain * input[ch][static_cast<size_t>(i)], tolerance)
                << "sample " << i << " channel " << ch;
    }
}

INSTANTIATE_TEST_SUITE_P(BlockSizes, OfflineRendering,
                         ::testing::Values(RenderCase{1, kSample32}, RenderCase{64, kSample32},
                                           RenderCase{100, kSample64}, RenderCase{1000, kSample64},
                                           RenderCase{4096, kSample32}),
                         [](const auto& testInfo) {
                             return std::to_string(testInfo.param.blockSize) +
                                    (testInfo.param.sampleSize == kSample64 ? "Double" : "Float");
                         });
