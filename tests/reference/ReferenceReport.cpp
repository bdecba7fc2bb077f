// Runs every scenario through the processor and the reference model and prints
// where they agree and where they part. Optional argument: a name filter.
#include "reference/Scenario.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    using namespace torvik::reference;
    const std::string filter = argc > 1 ? argv[1] : "";
    int differing = 0;
    for (const Scenario& s : AllScenarios()) {
        if (!filter.empty() && s.name.find(filter) == std::string::npos)
            continue;
        const Comparison r = RunScenario(s);
        if (!r.Exact())
            ++differing;
        std::printf("%s\n", Describe(s, r).c_str());
        std::fflush(stdout);
    }
    std::printf("%d scenario(s) differ\n", differing);
    return 0;
}
