// The run divisions against plain division, bit for bit, for every run length
// from empty through several vectors, so that both the vector body and the
// last values on their own are covered whatever width the processor has.
#include "processor/dsp/Quotients.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <vector>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

TEST(Quotients, RunsDivideAsPlainDivision) {
    const std::vector<double> values = {
        1.0,     -3.5,      0.1,    1e-310,     -0.0,  0.0,  1e308, INFINITY,  -7.25,  NAN,
        DBL_MIN, 2.0 / 3.0, 1000.0, 8.65617025, -1e-5, 42.0, 0.3,   -INFINITY, 5e-324, 123.456};
    const int count = static_cast<int>(values.size());
    for (int n = 0; n <= count; ++n) {
        std::vector<double> a(values.begin(), values.begin() + n);
        std::vector<double> b(a.rbegin(), a.rend());
        std::vector<double> out(static_cast<std::size_t>(n));
        DivideRun(a.data(), b.data(), out.data(), n);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(SameBits(out[i], a[i] / b[i])) << a[i] << " / " << b[i];
        for (double scalar : {8.65617025, -0.0, 3.0}) {
            DivideRun(a.data(), scalar, out.data(), n);
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(SameBits(out[i], a[i] / scalar)) << a[i] << " / " << scalar;
            DivideRun(scalar, b.data(), out.data(), n);
            for (int i = 0; i < n; ++i)
                EXPECT_TRUE(SameBits(out[i], scalar / b[i])) << scalar << " / " << b[i];
        }
        // In place.
        DivideRun(a.data(), 3.0, a.data(), n);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(SameBits(a[i], values[static_cast<std::size_t>(i)] / 3.0));
    }
}

} // namespace
} // namespace torvik::testing
