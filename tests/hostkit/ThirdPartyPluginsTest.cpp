// Real third-party VST 3 effects from /usr/lib/vst3: the kit and the layer's ABI must drive them.
#include "hostkit/HostKit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

const char* const kFolder = "/usr/lib/vst3";

class ThirdPartyPlugin : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        path = std::string(kFolder) + "/" + GetParam() + ".vst3";
        if (!std::filesystem::is_directory(path))
            GTEST_SKIP() << path << " is not installed (Debian package zam-plugins)";
    }
    std::string path;
};

} // namespace

TEST_P(ThirdPartyPlugin, LoadsInitialisesAndProcessesLikeInAHost) {
    std::string error;
    auto module = hostkit::Module::Load(path, &error);
    ASSERT_TRUE(module) << error;
    ASSERT_FALSE(module->classes().empty());
    const hostkit::ClassInfo* effect = module->findClass("Audio Module Class");
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->name, GetParam());
    EXPECT_FALSE(module->factoryInfo().vendor.empty());

    auto instance = hostkit::Instance::Create(module, effect->cid, &error);
    ASSERT_TRUE(instance) << error;
    ASSERT_NE(instance->controller(), nullptr);
    // A split plug-in's two halves are connected.
    EXPECT_TRUE(instance->isSingleComponent() || instance->isConnected());
    EXPECT_GT(instance->parameterInfos().size(), 0u);

    constexpr int32_t kBlock = 512;
    instance->activateDefaultBuses();
    EXPECT_EQ(instance->processor()->canProcessSampleSize(kSample32), kResultTrue);
    ASSERT_EQ(instance->startProcessing(48000.0, kBlock, kSample32), kResultOk);
    auto buffers = instance->makeBuffers(kBlock, kSample32);
    ASSERT_GE(buffers->inputBusCount(), 1);
    ASSERT_GE(buffers->outputBusCount(), 1);
    hostkit::ParameterChanges inputChanges;
    hostkit::ParameterChanges outputChanges;
    hostkit::ProcessContextSource transport(48000.0);
    transport.setPlaying(true);

    double peak = 0;
    for (int block = 0; block < 40; ++block) {
        for (int32_t c = 0; c < buffers->channelCount(kInput, 0); ++c) {
            float* x = buffers->channel32(kInput, 0, c);
            for (int32_t i = 0; i < kBlock; ++i)
                x[i] = 0.5f * static_cast<float>(std::sin(2.0 * 3.141592653589793 * 440.0 *
                                                          (block * kBlock + i) / 48000.0));
        }
        ProcessData& data = buffers->prepare(kBlock);
        outputChanges.clear();
        data.inputParameterChanges = &inputChanges;
        data.outputParameterChanges = &outputChanges;
        data.processContext = transport.get();
        ASSERT_EQ(instance->process(data), kResultOk) << "block " << block;
        transport.advance(kBlock);
        for (int32_t c = 0; c < buffers->channelCount(kOutput, 0); ++c) {
            const float* y = buffers->channel32(kOutput, 0, c);
            for (int32_t i = 0; i < kBlock; ++i) {
                ASSERT_TRUE(std::isfinite(y[i])) << "block " << block << " sample " << i;
                peak = std::max(peak, std::fabs(static_cast<double>(y[i])));
            }
        }
    }
    // A 0.5 sine through a dynamics effect at its defaults: audible and not exploding.
    EXPECT_GT(peak, 0.01);
    EXPECT_LT(peak, 4.0);

    // State travels from one instance to another.
    const auto state = instance->getComponentState();
    ASSERT_TRUE(state);
    instance->stopProcessing();
    auto second = hostkit::Instance::Create(module, effect->cid, &error);
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->setComponentState(*state), kResultOk);
    EXPECT_EQ(second->getComponentState(), state);
}

INSTANTIATE_TEST_SUITE_P(ZamPlugins, ThirdPartyPlugin,
                         ::testing::Values("ZamComp", "ZaMaximX2", "ZamGate", "ZamEQ2"));
