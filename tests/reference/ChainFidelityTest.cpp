// The fidelity contract: the production chain against the independent model,
// scenario by scenario. On both outputs and all five meters the largest
// difference stays within 1e-6 and its RMS within 1e-8; rows where only
// filters, envelopes and gains reach the outputs agree to the bit. The worst
// figures are printed at the end of every run.
#include "reference/Scenario.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>

namespace torvik::reference {
namespace {

WorstFigures& Worst() {
    static WorstFigures worst;
    return worst;
}

// Prints the worst figures of the run once every scenario has been compared.
class WorstFiguresReport : public ::testing::Environment {
public:
    void TearDown() override { std::printf("%s\n", Worst().Summary().c_str()); }
};

const ::testing::Environment* const kReport =
    ::testing::AddGlobalTestEnvironment(new WorstFiguresReport);

class ChainFidelity : public ::testing::TestWithParam<Scenario> {};

TEST_P(ChainFidelity, WithinTheAudioContract) {
    const Scenario& s = GetParam();
    if (!s.knownDisagreement.empty()) {
        GTEST_SKIP() << "known disagreement: " << s.knownDisagreement;
    }
    const Comparison r = RunScenario(s);
    Worst().Note(s, r);
    EXPECT_GT(r.frames, 0);
    EXPECT_GT(r.peakOut, 0.0); // something came out
    EXPECT_TRUE(r.WithinContract()) << Describe(s, r);
    if (s.bitExact) {
        EXPECT_TRUE(r.Exact()) << "a bit-exact row: " << Describe(s, r);
    }
}

std::string NameOf(const ::testing::TestParamInfo<Scenario>& info) {
    std::string name;
    for (char c : info.param.name)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, ChainFidelity, ::testing::ValuesIn(AllScenarios()), NameOf);

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

// Every row has a name of its own, so a failure names one scenario.
TEST(ReferenceScenarios, NamesAreUnique) {
    std::set<std::string> names;
    for (const Scenario& s : AllScenarios())
        EXPECT_TRUE(names.insert(s.name).second) << s.name;
}

} // namespace
} // namespace torvik::reference
