#include "processor/dsp/ParamSmoother.h"

#include <gtest/gtest.h>

#include <cmath>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

TEST(ParamSmoother, FreshSmootherJumpsUntilItHasARate) {
    ParamSmoother s;
    EXPECT_EQ(s.value, 0.0);
    EXPECT_EQ(s.Step(0.7), 0.7); // oneMinusCoef 1, coef 0
}

TEST(ParamSmoother, TenHertzOnePolePerStep) {
    ParamSmoother s;
    s.SetRate(48000.0);
    const double c = std::exp(-6.283185307179586 * 10.0 / 48000.0);
    EXPECT_EQ(s.coef, c);
    EXPECT_EQ(s.oneMinusCoef, 1.0 - c);
    // From 0 toward 1: after n steps 1 − cⁿ; a 10 Hz pole reaches 1 − e⁻¹ in
    // 1 / (2π·10) s.
    double v = 0;
    const int n = static_cast<int>(48000.0 / (2 * M_PI * 10.0));
    for (int i = 0; i < n; ++i)
        v = s.Step(1.0);
    EXPECT_NEAR(v, 1.0 - std::exp(-1.0), 1e-3);
    // Approaches monotonically and never overshoots.
    double last = v;
    for (int i = 0; i < 100000; ++i) {
        v = s.Step(1.0);
        ASSERT_GE(v, last);
        ASSERT_LE(v, 1.0);
        last = v;
    }
    EXPECT_NEAR(v, 1.0, 1e-12);
}

} // namespace
} // namespace torvik::testing
