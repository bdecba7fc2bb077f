// Runs every scenario through the processor and the reference model and prints
// how far they part, scenario by scenario, then the worst figures. Optional
// argument: a name filter.
#include "reference/Scenario.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace torvik::reference;
    const std::string filter = argc > 1 ? argv[1] : "";
    int outside = 0;
    WorstFigures worst;
    for (const Scenario& s : AllScenarios()) {
        if (!filter.empty() && s.name.find(filter) == std::string::npos)
            continue;
        if (!s.knownDisagreement.empty()) {
            std::printf("%-56s skipped: %s\n", s.name.c_str(), s.knownDisagreement.c_str());
            continue;
        }
        const Comparison r = RunScenario(s);
        worst.Note(s, r);
        if (!r.WithinContract() || (s.bitExact && !r.Exact()))
            ++outside;
        std::printf("%s\n", Describe(s, r).c_str());
        std::fflush(stdout);
    }
    std::printf("%s\n%d scenario(s) break the contract\n", worst.Summary().c_str(), outside);
    return outside == 0 ? 0 : 1;
}
