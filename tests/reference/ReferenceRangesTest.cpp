// The scenarios set real values through the processor's own parameter records,
// so the ranges and defaults those records carry are checked here against the
// strip's parameter table: a wrong range would otherwise hide behind both sides.
#include "reference/ParameterTable.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

namespace torvik::reference {
namespace {

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
