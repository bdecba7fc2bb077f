#pragma once
// A TORVIK with the host-facing operations answered trivially, so tests and
// benchmarks can drive the processor without a host. Records editor edits.
#include "processor/Torvik.h"

#include <utility>
#include <vector>

namespace torvik::testing {

class TestTorvik final : public TORVIK {
public:
    struct Edit {
        char kind; // 'b'egin, 'p'erform, 'e'nd
        int index;
        double normalised;
    };

    void BeginHostEdit(int index) override { edits.push_back({'b', index, 0.0}); }
    void InformHostEdit(int index, double normalised) override {
        edits.push_back({'p', index, normalised});
    }
    void EndHostEdit(int index) override { edits.push_back({'e', index, 0.0}); }
    void ResizeEditor(int width, int height) override { lastResize = {width, height}; }

    std::vector<Edit> edits;
    std::pair<int, int> lastResize{0, 0};
};

} // namespace torvik::testing
