// The memoryless curves over runs: against the platform's maths library on
// both sides of the range where their Taylor series take over, and the same
// result for a sample wherever a run split puts it.
#include "processor/dsp/Shapers.h"
#include "processor/dsp/ShaperTerms.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace torvik::testing {
namespace {

using namespace torvik::dsp;

struct Curve {
    std::string name;
    std::function<void(const double*, double*, int)> run; // over a run
    std::function<double(double)> reference;              // one sample, maths library
};

std::vector<Curve> Curves() {
    return {
        {"saturation", SaturateRun, Saturate},
        {"waveshaper", [](const double* in, double* out, int n) { ShapeRun(in, out, n, false); },
         [](double v) { return Shape(v, false); }},
        {"waveshaper with mic voicing",
         [](const double* in, double* out, int n) { ShapeRun(in, out, n, true); },
         [](double v) { return Shape(v, true); }},
        {"colour", ColourRun, Colour},
    };
}

// Arguments on both sides of the series' range (0.05; 0.4 for the colour) and
// far from it, both signs.
std::vector<double> Arguments() {
    std::vector<double> v;
    for (double m : {1e-300, 1e-12, 1e-6, 3e-4, 0.0037, 0.0178, 0.031622, 0.0499999, 0.05,
                     0.0500001, 0.07, 0.2, 0.3999999, 0.4, 0.4000001, 0.56, 0.999, 1.7, 12.0}) {
        v.push_back(m);
        v.push_back(-m);
    }
    v.push_back(0.0);
    return v;
}

TEST(Shapers, AgreeWithTheMathsLibraryInAndBeyondTheSeriesRange) {
    const std::vector<double> args = Arguments();
    for (const Curve& c : Curves()) {
        std::vector<double> out(args.size());
        c.run(args.data(), out.data(), static_cast<int>(args.size()));
        for (std::size_t k = 0; k < args.size(); ++k) {
            const double expected = c.reference(args[k]);
            // The series are exact to the last bit or so; the vector
            // functions beyond them to a few.
            const double relative = std::fabs(args[k]) <= 0.05 ? 4e-16 : 2e-15;
            const double tolerance = relative * std::fabs(expected) + 1e-320;
            EXPECT_NEAR(out[k], expected, tolerance) << c.name << " at " << args[k];
        }
    }
}

TEST(Shapers, ASampleGivesTheSameResultWhereverARunSplitPutsIt) {
    std::vector<double> args = Arguments();
    // Mix small and large arguments within every vector.
    for (std::size_t k = 0; k + 3 < args.size(); k += 4)
        std::swap(args[k + 1], args[args.size() - 1 - k]);
    const int n = static_cast<int>(args.size());
    for (const Curve& c : Curves()) {
        std::vector<double> whole(args.size());
        c.run(args.data(), whole.data(), n);
        for (int runLength = 1; runLength <= 9; ++runLength) {
            for (int offset = 0; offset < runLength; ++offset) {
                std::vector<double> split(args.size());
                int start = 0;
                for (int length = offset == 0 ? runLength : offset; start < n;
                     start += length, length = runLength) {
                    const int count = std::min(length, n - start);
                    c.run(args.data() + start, split.data() + start, count);
                }
                for (int k = 0; k < n; ++k)
                    ASSERT_EQ(split[static_cast<std::size_t>(k)],
                              whole[static_cast<std::size_t>(k)])
                        << c.name << " runs of " << runLength << " from " << offset << " at "
                        << args[static_cast<std::size_t>(k)];
            }
        }
    }
}

} // namespace
} // namespace torvik::testing
