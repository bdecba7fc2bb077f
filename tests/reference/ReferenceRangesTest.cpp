// The scenarios set real values through the processor's own parameter records,
// so the ranges and defaults those records carry are checked here against the
// strip's parameter table: a wrong range would otherwise hide behind both sides.
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

namespace torvik::reference {
namespace {

struct Range {
    int index;
    double min, max, defaultValue;
};

// Index, minimum, maximum, default, as the strip's parameter table gives them.
constexpr Range kRanges[] = {
    {0, -30, 30, -30}, {1, 10, 250, 10},       {2, -30, 30, 0},  {3, -30, 30, 0},
    {4, 5, 200, 30},   {5, -60, -10, -10},     {6, 0, 1, 1},     {7, 0, 1, 1},
    {8, 1, 500, 100},  {9, 0, 60, 60},         {10, -15, 15, 0}, {11, 220, 1200, 400},
    {12, -15, 15, 0},  {13, 1500, 8200, 3000}, {14, -15, 15, 0}, {15, -15, 15, 0},
    {16, -60, 0, 0},   {17, 1.5, 20, 4},       {18, 0, 1, 1},    {19, 0, 1, 0},
    {20, 0, 1, 1},     {21, 0, 1, 0},          {22, 0, 1, 0},    {23, 0, 1, 0},
    {24, 0, 1, 0},     {25, 0, 1, 0},          {26, 0, 1, 0},    {27, 0, 1, 0},
    {28, 0, 1, 1},     {29, 0, 1, 0},          {30, 0, 1, 0},    {31, 0, 1, 0},
    {32, 0, 1, 0},     {33, 0, 1, 0},          {34, 0, 1, 0},    {35, 0, 1, 0},
    {36, 0, 1, 0},     {37, 0, 1, 0},          {38, 0, 1, 0},    {39, 0, 1, 0},
};

TEST(ReferenceRanges, RecordsCarryTheTableRangesAndDefaults) {
    testing::TestTorvik fx;
    ASSERT_EQ(fx.ParamCount(), 40);
    for (const Range& r : kRanges) {
        const IParamRecord* p = fx.ParamAt(r.index);
        ASSERT_NE(p, nullptr) << r.index;
        EXPECT_EQ(p->Min(), r.min) << r.index;
        EXPECT_EQ(p->Max(), r.max) << r.index;
        EXPECT_EQ(p->Default(), r.defaultValue) << r.index;
        EXPECT_EQ(p->Value(), r.defaultValue) << r.index;
        EXPECT_EQ(p->Shape(), 1.0) << r.index;
    }
}

TEST(ReferenceRanges, NormalisedValuesMapLinearly) {
    testing::TestTorvik fx;
    // Worked values: ratio from 0.5 is 10.75, gate release from 1.0 is 500.
    fx.ParamAt(17)->SetFromNormalised(0.5);
    EXPECT_DOUBLE_EQ(fx.ParamAt(17)->Value(), 10.75);
    fx.ParamAt(8)->SetFromNormalised(1.0);
    EXPECT_DOUBLE_EQ(fx.ParamAt(8)->Value(), 500.0);
    // A switch rounds at one half.
    fx.ParamAt(29)->SetFromNormalised(0.49);
    EXPECT_EQ(fx.ParamAt(29)->Value(), 0.0);
    fx.ParamAt(29)->SetFromNormalised(0.5);
    EXPECT_EQ(fx.ParamAt(29)->Value(), 1.0);
}

} // namespace
} // namespace torvik::reference
