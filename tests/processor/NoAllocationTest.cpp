// Processing allocates nothing: a counting allocator watches ProcessBlock with
// every stage engaged, with the defaults, at several block sizes and after
// parameter changes.
#include "ChainTestSupport.h"
#include "support/EngagedSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

} // namespace

// The program's allocator: counts while asked to, otherwise plain malloc.
void* operator new(std::size_t size) {
    if (counting.load(std::memory_order_relaxed))
        allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace torvik::testing {
namespace {

using testing::MakeProgramme;
using testing::SetParam;
using testing::Signal;
using testing::TestTorvik;

long AllocationsWhileProcessing(TestTorvik& fx, const Signal& s, int blockSize) {
    std::vector<double> outL(s.left.size()), outR(s.right.size());
    allocations = 0;
    for (int start = 0; start < s.Frames(); start += blockSize) {
        const int n = std::min(blockSize, s.Frames() - start);
        const std::size_t o = static_cast<std::size_t>(start);
        double* in[4] = {const_cast<double*>(&s.left[o]), const_cast<double*>(&s.right[o]),
                         const_cast<double*>(&s.scLeft[o]), const_cast<double*>(&s.scRight[o])};
        double* out[2] = {&outL[o], &outR[o]};
        counting = true;
        fx.ProcessBlock(in, out, n);
        counting = false;
        SetParam(fx, kCompThreshold, -10.0 - start % 20); // a change between blocks
    }
    return allocations;
}

TEST(NoAllocation, ProcessBlockAllocatesNothing) {
    const Signal s = MakeProgramme(48000, 48000.0, 1.0);
    for (bool engaged : {false, true}) {
        for (int blockSize : {1, 32, 127, 512, 4096}) {
            TestTorvik fx;
            fx.SetSampleRate(48000.0);
            if (engaged)
                testing::EngageEverything(fx);
            fx.OnActivate(true);
            EXPECT_EQ(AllocationsWhileProcessing(fx, s, blockSize), 0)
                << (engaged ? "engaged" : "defaults") << ", blocks of " << blockSize;
        }
    }
    // The counter itself works.
    counting = true;
    int* volatile probe = new int(1); // volatile: the pair cannot be elided
    counting = false;
    delete probe;
    EXPECT_EQ(allocations, 1);
}

} // namespace
} // namespace torvik::testing
