// The kit's path for plug-ins with separate component and controller classes.
#include "hostkit/HostKit.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
constexpr ParamID kGain = 0;
constexpr ParamID kGreetings = 1;

std::vector<uint8_t> gainState(double gain) {
    std::vector<uint8_t> out(8);
    uint64_t bits;
    std::memcpy(&bits, &gain, 8);
    for (int i = 0; i < 8; ++i)
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (8 * i));
    return out;
}
} // namespace

TEST(TestSplitBundle, ControllerIsCreatedConnectedAndGivenTheComponentState) {
    std::string error;
    auto module = hostkit::Module::Load(TESTSPLIT_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    ASSERT_EQ(module->classes().size(), 2u);
    ASSERT_NE(module->findClass("Component Controller Class"), nullptr);

    auto host = owned(new hostkit::HostApplication(u"Split Host"));
    {
        auto instance = hostkit::Instance::Create(
            module, module->findClass("Audio Module Class")->cid, &error, host);
        ASSERT_TRUE(instance) << error;
        EXPECT_FALSE(instance->isSingleComponent());
        EXPECT_TRUE(instance->isConnected());
        ASSERT_NE(instance->controller(), nullptr);

        // The processor greeted the controller once, through a message the host made.
        EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(kGreetings), 0.25);
        EXPECT_EQ(host->createdObjects(), 1);

        // Restoring the component also tells the controller.
        ASSERT_EQ(instance->setComponentState(gainState(0.5)), kResultOk);
        EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(kGain), 0.5);
        EXPECT_EQ(instance->getComponentState(), gainState(0.5));
        EXPECT_EQ(instance->setComponentState({1, 2, 3}), kResultFalse);
        EXPECT_FALSE(instance->getControllerState()); // this controller keeps no state

        instance->activateDefaultBuses();
        ASSERT_EQ(instance->startProcessing(44100.0, 64), kResultOk);
        auto buffers = instance->makeBuffers(64, kSample32);
        for (int32_t i = 0; i < 64; ++i)
            buffers->channel32(kInput, 0, 1)[i] = 1.0f;
        hostkit::ParameterChanges changes;
        changes.add(kGain, 0.25, 10);
        ProcessData& data = buffers->prepare(64);
        data.inputParameterChanges = &changes;
        ASSERT_EQ(instance->process(data), kResultOk);
        EXPECT_FLOAT_EQ(buffers->channel32(kOutput, 0, 1)[63], 0.25f);
    }
    // Disconnected, terminated and released: the host holds its own reference only.
    EXPECT_EQ(host->getRefCount(), 1);
}
