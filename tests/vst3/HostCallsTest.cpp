// A host's interface thread never waits for the audio thread: a value it reads
// answers while a block is inside the plug-in.
#include "TorvikHost.h"

#include "hostkit/ParameterChanges.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;
using Clock = std::chrono::steady_clock;

// How long a held block waits for the reader before giving up.
constexpr auto kPatience = std::chrono::seconds(5);
constexpr int32 kBlock = 256;
constexpr ParamID kCompThreshold = 16;

// The block's parameter changes, whose first question from the plug-in (asked
// inside process, with the block under way) is answered only once the test
// releases it, or after the patience.
class HeldChanges : public hostkit::ParameterChanges {
public:
    int32 PLUGIN_API getParameterCount() override {
        inside = true;
        const auto deadline = Clock::now() + kPatience;
        while (!released && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        releasedInTime = released.load();
        return ParameterChanges::getParameterCount();
    }

    std::atomic<bool> inside{false};         // the plug-in is in the block
    std::atomic<bool> released{false};       // the test let the block go on
    std::atomic<bool> releasedInTime{false}; // it did so within the patience
};

TEST(HostCalls, ValueReadsDoNotWaitForABlock) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    IEditController* controller = instance->controller();
    ASSERT_EQ(instance->startProcessing(48000.0, kBlock), kResultOk);
    const double before = controller->getParamNormalized(kCompThreshold);

    auto buffers = instance->makeBuffers(kBlock, kSample32);
    auto changes = owned(new HeldChanges());
    changes->add(kCompThreshold, 0.25);
    ProcessData& data = buffers->prepare(kBlock);
    data.inputParameterChanges = changes.get();
    std::thread audio([&] { instance->process(data); });
    const auto deadline = Clock::now() + kPatience;
    while (!changes->inside && Clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_TRUE(changes->inside);

    // The block holds the instance; the host's interface thread polls a value.
    const double during = controller->getParamNormalized(kCompThreshold);
    changes->released = true;
    audio.join();
    EXPECT_TRUE(changes->releasedInTime) << "the value read waited for the block to end";
    EXPECT_EQ(during, before);
    EXPECT_NEAR(controller->getParamNormalized(kCompThreshold), 0.25, 1e-12);
}

} // namespace
} // namespace torvik::testing
