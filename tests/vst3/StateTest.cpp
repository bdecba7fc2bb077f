// Saving and restoring an instance through the controller's state calls.
#include "Block.h"
#include "TorvikHost.h"
#include "processor/TorvikFacts.h"

#include <chrono>
#include <cstring>
#include <future>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

double DoubleAt(const std::vector<uint8_t>& bytes, std::size_t offset) {
    double v = 0;
    std::memcpy(&v, bytes.data() + offset, 8);
    return v;
}

TEST(State, FreshStateLayoutAndComponentPair) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    const auto state = instance->getControllerState();
    ASSERT_TRUE(state.has_value());
    ASSERT_EQ(state->size(), 324u);
    EXPECT_EQ(DoubleAt(*state, 0), -30.0);
    EXPECT_EQ(DoubleAt(*state, 160), 1.0);
    EXPECT_EQ(std::vector<uint8_t>(state->end() - 4, state->end()),
              (std::vector<uint8_t>{0, 0, 0, 0}));

    // The component's pair and setComponentState do not touch the stream.
    auto stream = owned(new hostkit::MemoryStream());
    EXPECT_EQ(instance->component()->getState(stream.get()), kNotImplemented);
    EXPECT_EQ(instance->component()->setState(stream.get()), kNotImplemented);
    EXPECT_EQ(instance->controller()->setComponentState(stream.get()), kNotImplemented);
    EXPECT_TRUE(stream->data().empty());
    EXPECT_EQ(stream->readCalls() + stream->writeCalls(), 0);
}

TEST(State, RoundTripIsBitExactAndStable) {
    auto source = NewTorvik();
    ASSERT_NE(source, nullptr);
    IEditController* controller = source->controller();
    for (ParamID id = 0; id < static_cast<ParamID>(kParameterCount); ++id)
        controller->setParamNormalized(id, (id * 37 % 100) / 99.0);
    source->startProcessing(48000.0, 64);
    BlockRunner runner(*source, 64, kSample32);
    runner.Change(kBypassParamId, 1.0);
    runner.Run(0);
    const auto saved = source->getControllerState();
    ASSERT_TRUE(saved.has_value());
    ASSERT_EQ(saved->size(), 324u);
    EXPECT_EQ(std::vector<uint8_t>(saved->end() - 4, saved->end()),
              (std::vector<uint8_t>{1, 0, 0, 0}));

    auto target = NewTorvik();
    ASSERT_NE(target, nullptr);
    ASSERT_EQ(target->setControllerState(*saved), kResultOk);
    EXPECT_EQ(target->controller()->getParamNormalized(kBypassParamId), 1.0);
    // Written, set and written again: the same bytes.
    EXPECT_EQ(target->getControllerState(), saved);
}

TEST(State, DamagedStreams) {
    auto reference = NewTorvik();
    ASSERT_NE(reference, nullptr);
    std::vector<uint8_t> state = *reference->getControllerState();
    const double ratio50 = 50.0;
    std::memcpy(state.data() + 8 * 17, &ratio50, 8);
    state[320] = 7; // any non-zero bypass integer is on

    {
        auto instance = NewTorvik();
        EXPECT_EQ(instance->setControllerState(state), kResultOk);
        EXPECT_EQ(instance->controller()->normalizedParamToPlain(
                      17, instance->controller()->getParamNormalized(17)),
                  20.0); // clamped
        EXPECT_EQ(instance->controller()->getParamNormalized(kBypassParamId), 1.0);
    }
    {
        // Longer than needed: the rest is not read.
        auto instance = NewTorvik();
        std::vector<uint8_t> longer = state;
        longer.resize(1000, 0xAB);
        EXPECT_EQ(instance->setControllerState(longer), kResultOk);
    }
    {
        // Parameters only: no bytes for bypass, which goes off.
        auto instance = NewTorvik();
        std::vector<uint8_t> noFlag(state.begin(), state.begin() + 320);
        EXPECT_EQ(instance->setControllerState(noFlag), kResultOk);
        EXPECT_EQ(instance->controller()->getParamNormalized(kBypassParamId), 0.0);
    }
    {
        // Ends inside the parameters: the missing ones keep their values.
        auto instance = NewTorvik();
        instance->controller()->setParamNormalized(30, 1.0);
        std::vector<uint8_t> shortState(state.begin(), state.begin() + 100);
        instance->setControllerState(shortState);
        EXPECT_EQ(instance->controller()->getParamNormalized(30), 1.0);
        EXPECT_EQ(instance->controller()->getParamNormalized(0), 0.0);
    }
    {
        // A stream whose reads fail after the parameters: bypass unchanged, kResultFalse.
        auto instance = NewTorvik();
        auto stream = owned(new hostkit::MemoryStream(state));
        stream->failReadsAfter(320);
        EXPECT_EQ(instance->controller()->setState(stream.get()), kResultFalse);
        EXPECT_EQ(instance->controller()->getParamNormalized(kBypassParamId), 0.0);
        EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(17), 1.0);
    }
    {
        // A stream that refuses the write is reported, not taken for a saved state.
        auto instance = NewTorvik();
        auto stream = owned(new hostkit::MemoryStream());
        stream->failWritesAfter(0);
        EXPECT_EQ(instance->controller()->getState(stream.get()), kResultFalse);
        auto partial = owned(new hostkit::MemoryStream());
        partial->failWritesAfter(100);
        EXPECT_EQ(instance->controller()->getState(partial.get()), kResultFalse);
        EXPECT_EQ(instance->controller()->getState(nullptr), kInvalidArgument);
        EXPECT_EQ(instance->controller()->setState(nullptr), kInvalidArgument);
    }
}

// A host stream that, inside every transfer, has the audio thread process a
// block. A state call that talked to the stream while holding the instance
// lock would keep that block waiting until the call returned.
class StreamProcessingMeanwhile : public hostkit::MemoryStream {
public:
    explicit StreamProcessingMeanwhile(BlockRunner& blocks) : runner(blocks) {}

    tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) override {
        ProcessMeanwhile();
        return MemoryStream::read(buffer, numBytes, numBytesRead);
    }
    tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) override {
        ProcessMeanwhile();
        return MemoryStream::write(buffer, numBytes, numBytesWritten);
    }

    int transfers = 0;
    int blocksDuringTransfers = 0;
    std::vector<std::future<void>> blocks; // a block still waiting ends when the lock is free

private:
    void ProcessMeanwhile() {
        // Far longer than one block takes; only a held lock makes it run out.
        constexpr auto kPatience = std::chrono::seconds(10);
        ++transfers;
        blocks.push_back(std::async(std::launch::async, [this] { runner.Run(64); }));
        if (blocks.back().wait_for(kPatience) == std::future_status::ready)
            ++blocksDuringTransfers;
    }

    BlockRunner& runner;
};

TEST(State, StreamIsNeverCalledUnderTheInstanceLock) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->startProcessing(48000.0, 64), kResultOk);
    BlockRunner runner(*instance, 64, kSample32);

    auto saving = owned(new StreamProcessingMeanwhile(runner));
    EXPECT_EQ(instance->controller()->getState(saving.get()), kResultOk);
    saving->blocks.clear();
    EXPECT_GT(saving->transfers, 0);
    EXPECT_EQ(saving->blocksDuringTransfers, saving->transfers);

    auto loading = owned(new StreamProcessingMeanwhile(runner));
    loading->setData(saving->data());
    EXPECT_EQ(instance->controller()->setState(loading.get()), kResultOk);
    loading->blocks.clear();
    EXPECT_GT(loading->transfers, 0);
    EXPECT_EQ(loading->blocksDuringTransfers, loading->transfers);
}

} // namespace
} // namespace torvik::testing
