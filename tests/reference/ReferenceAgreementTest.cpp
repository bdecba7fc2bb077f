// The processor against the independent model, sample by sample: outputs and
// the values handed to the five meter controls must be bit-identical.
#include "reference/Scenario.h"

#include <gtest/gtest.h>

#include <cctype>

namespace torvik::reference {
namespace {

class ReferenceAgreement : public ::testing::TestWithParam<Scenario> {};

TEST_P(ReferenceAgreement, OutputsAndMetersAreBitIdentical) {
    const Scenario& s = GetParam();
    if (!s.knownDisagreement.empty())
        GTEST_SKIP() << "known disagreement: " << s.knownDisagreement;
    const Comparison r = RunScenario(s);
    EXPECT_GT(r.frames, 0);
    EXPECT_TRUE(r.Exact()) << Describe(s, r);
}

std::string NameOf(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name;
    for (char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ReferenceAgreement, ::testing::ValuesIn(AllScenarios()),
                         NameOf);

// The scenarios must make the dynamics work, or agreement would prove little.
TEST(ReferenceScenarios, DriveEveryDynamicsStage) {
    double lowestDeEss = 1.0, lowestComp = 1.0;
    for (const Scenario& s : AllScenarios()) {
        if (s.name == "all stages, sibilant" || s.name == "compressor external sidechain") {
            const Comparison r = RunScenario(s);
            lowestDeEss = std::min(lowestDeEss, r.lowestDeEssGain);
            lowestComp = std::min(lowestComp, r.lowestCompGain);
        }
    }
    EXPECT_LT(lowestDeEss, 0.1);
    EXPECT_LT(lowestComp, 0.2);
}

} // namespace
} // namespace torvik::reference
