// End to end: the TestGain bundle, built on the layer, loaded from disk and driven by the kit.
#include "hostkit/HostKit.h"

#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/LoadedLibrary.h"

using namespace Steinberg;
using namespace Steinberg::Vst;
using hostkit::HandlerCall;

namespace {

constexpr ParamID kGain = 0;
constexpr ParamID kBypass = 1;

std::shared_ptr<hostkit::Module> loadTestGain() {
    std::string error;
    auto module = hostkit::Module::Load(TESTGAIN_BUNDLE, &error);
    EXPECT_TRUE(module) << error;
    return module;
}

class TestGainInstance : public ::testing::Test {
protected:
    void SetUp() override {
        module = loadTestGain();
        ASSERT_TRUE(module);
        std::string error;
        instance = hostkit::Instance::Create(module, &error);
        ASSERT_TRUE(instance) << error;
    }

    std::shared_ptr<hostkit::Module> module;
    std::unique_ptr<hostkit::Instance> instance;
};

std::vector<uint8_t> stateBytes(double gain, uint32_t bypass) {
    std::vector<uint8_t> out(12);
    uint64_t bits;
    std::memcpy(&bits, &gain, 8);
    for (int i = 0; i < 8; ++i)
        out[static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (8 * i));
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(8 + i)] = static_cast<uint8_t>(bypass >> (8 * i));
    return out;
}

} // namespace

TEST(TestGainModule, FactoryAndClassInformation) {
    auto module = loadTestGain();
    ASSERT_TRUE(module);
    const hostkit::FactoryInfo factory = module->factoryInfo();
    EXPECT_EQ(factory.vendor, "TORVIK tests");
    EXPECT_EQ(factory.flags, PFactoryInfo::kUnicode);
    ASSERT_EQ(module->classes().size(), 1u);
    const hostkit::ClassInfo& info = module->classes()[0];
    EXPECT_EQ(info.name, "TestGain");
    EXPECT_EQ(info.category, "Audio Module Class");
    EXPECT_EQ(info.subCategories, "Fx");
    EXPECT_EQ(info.version, "1.2.3");
    EXPECT_EQ(info.sdkVersion, "VST 3.6.12");
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_EQ(info.classFlags, static_cast<uint32>(kSimpleModeSupported));
    EXPECT_TRUE(info.hasInfo2);
    EXPECT_TRUE(info.hasInfoUnicode);
    EXPECT_EQ(info.cid.toString(), "544553544741494E0001000200030004");
    EXPECT_EQ(module->findClass(info.cid), &info);
    EXPECT_EQ(module->findClass("Component Controller Class"), nullptr);

    // An unknown class ID is refused in the usual way.
    EXPECT_FALSE(module->create<IComponent>(FUID(1, 2, 3, 4)));
}

TEST(TestGainModule, ExportsOnlyTheEntryPoints) {
    const std::string binary = hostkit::Module::BinaryPathInBundle(TESTGAIN_BUNDLE);
    EXPECT_NE(std::filesystem::path(binary).generic_string().find("TestGain.vst3/Contents/"),
              std::string::npos);
    const torvik::testing::LoadedLibrary library(binary);
    ASSERT_TRUE(library.IsOpen()) << binary;
    for (const char* name : torvik::testing::kEntryPoints)
        EXPECT_NE(library.Symbol(name), nullptr) << name;
    // Layer internals stay hidden, so two plug-ins never bind to each other's copies.
    for (const char* name : {"_ZN9Steinberg7FObject6addRefEv", "_ZN9Steinberg8strlen16EPKDs"})
        EXPECT_EQ(library.Symbol(name), nullptr) << name;
}

TEST(TestGainModule, LoadFailuresAreReported) {
    const auto dir = std::filesystem::temp_directory_path() / "hostkit_load_failures";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "Empty.vst3" / "Contents");
    std::filesystem::create_directories(dir / "Broken.vst3" / "Contents" / "x86_64-linux");
    std::ofstream(dir / "Broken.vst3" / "Contents" / "x86_64-linux" / "Broken.so") << "not elf";
    std::ofstream(dir / "Plain.vst3") << "file";
    for (const auto& path :
         {dir / "Missing.vst3", dir / "Empty.vst3", dir / "Broken.vst3", dir / "Plain.vst3"}) {
        std::string error;
        EXPECT_FALSE(hostkit::Module::Load(path.string(), &error)) << path;
        EXPECT_FALSE(error.empty()) << path;
    }
    std::filesystem::remove_all(dir);
}

TEST(TestGainModule, ReferencesReturnToZeroAndHostObjectsAreReleased) {
    auto module = loadTestGain();
    ASSERT_TRUE(module);
    auto host = owned(new hostkit::HostApplication(u"Refcount Host"));
    auto component = module->create<IComponent>(module->classes()[0].cid);
    ASSERT_TRUE(component);
    ASSERT_EQ(component->initialize(static_cast<IHostApplication*>(host.get())), kResultOk);
    EXPECT_EQ(host->getRefCount(), 2); // the plug-in keeps its context

    // Every interface of the one object, each query one reference.
    const TUID* iids[] = {&IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
                          &IUnitInfo::iid,       &IPluginBase::iid,     &FUnknown::iid};
    std::vector<FUnknown*> held;
    for (const TUID* iid : iids) {
        void* obj = nullptr;
        ASSERT_EQ(component->queryInterface(*iid, &obj), kResultOk);
        held.push_back(static_cast<FUnknown*>(obj));
    }
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(component->queryInterface(IConnectionPoint::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    uint32 count = 0;
    for (FUnknown* unknown : held)
        count = unknown->release();
    EXPECT_EQ(count, 1u);

    auto handler = owned(new hostkit::ComponentHandler());
    {
        FUnknownPtr<IEditController> controller(component.get());
        ASSERT_TRUE(controller);
        controller->setComponentHandler(handler.get());
        // The controller keeps the handler and its IComponentHandler2 interface.
        EXPECT_EQ(handler->getRefCount(), 3);
        IPlugView* view = controller->createView("editor");
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->release(), 0u); // the caller held the only reference
    }

    EXPECT_EQ(component->terminate(), kResultOk);
    EXPECT_EQ(host->getRefCount(), 1);
    EXPECT_EQ(handler->getRefCount(), 1);
    EXPECT_EQ(component.take()->release(), 0u);
}

TEST_F(TestGainInstance, BusesAndParametersAsTheHostSeesThem) {
    EXPECT_TRUE(instance->isSingleComponent());
    EXPECT_FALSE(instance->isConnected());
    EXPECT_EQ(instance->audioChannelCounts(kInput), (std::vector<int32_t>{2, 2}));
    EXPECT_EQ(instance->audioChannelCounts(kOutput), (std::vector<int32_t>{2}));
    EXPECT_EQ(instance->busCount(kEvent, kInput), 1);
    const auto side = instance->busInfo(kAudio, kInput, 1);
    ASSERT_TRUE(side);
    EXPECT_EQ(toUtf8(side->name), "Sidechain");
    EXPECT_EQ(side->busType, kAux);
    EXPECT_EQ(side->flags, 0u);
    EXPECT_FALSE(instance->busInfo(kAudio, kInput, 2));

    const auto params = instance->parameterInfos();
    ASSERT_EQ(params.size(), 2u);
    EXPECT_EQ(toUtf8(params[0].title), "Gain");
    EXPECT_EQ(toUtf8(params[0].units), "x");
    EXPECT_EQ(params[1].flags,
              ParameterInfo::kCanAutomate | ParameterInfo::kIsList | ParameterInfo::kIsBypass);
    EXPECT_EQ(params[1].stepCount, 1);
    EXPECT_EQ(instance->parameterText(kBypass, 0.0), "off");
    EXPECT_EQ(instance->parameterText(kBypass, 0.5), "on");
    EXPECT_EQ(instance->parameterText(kGain, 0.25), "0.2500");
    EXPECT_EQ(instance->parameterText(999, 0.25), "");
    EXPECT_DOUBLE_EQ(instance->controller()->normalizedParamToPlain(kGain, 0.25), 0.5);
    EXPECT_DOUBLE_EQ(instance->controller()->plainParamToNormalized(kGain, 1.5), 0.75);
    ASSERT_TRUE(instance->findParameter("Bypass"));
    EXPECT_EQ(instance->findParameter("Bypass")->id, kBypass);
}

// Processing through the real module in both sample sizes: unity gain, then an automated gain
// change, then the sidechain once the host activates its bus.
class TestGainProcessing : public TestGainInstance, public ::testing::WithParamInterface<int32> {
protected:
    double in(int32_t channel, int32_t i) const { return 0.25 * std::sin(0.01 * i + channel); }

    void fill(hostkit::ProcessBuffers& buffers, int32_t bus, double scale) {
        for (int32_t c = 0; c < 2; ++c) {
            for (int32_t i = 0; i < kBlock; ++i) {
                const double v = scale * in(c, i);
                if (GetParam() == kSample64)
                    buffers.channel64(kInput, bus, c)[i] = v;
                else
                    buffers.channel32(kInput, bus, c)[i] = static_cast<float>(v);
            }
        }
    }
    double out(hostkit::ProcessBuffers& buffers, int32_t c, int32_t i) {
        return GetParam() == kSample64 ? buffers.channel64(kOutput, 0, c)[i]
                                       : buffers.channel32(kOutput, 0, c)[i];
    }

    static constexpr int32_t kBlock = 256;
};

TEST_P(TestGainProcessing, GainAutomationAndSidechain) {
    const int32 size = GetParam();
    instance->activateDefaultBuses();
    ASSERT_EQ(instance->startProcessing(48000.0, kBlock, size), kResultOk);
    auto buffers = instance->makeBuffers(kBlock, size);
    EXPECT_TRUE(buffers->isBusActive(kInput, 0));
    EXPECT_FALSE(buffers->isBusActive(kInput, 1)); // not flagged default-active
    hostkit::ParameterChanges changes;
    ProcessData& data = buffers->prepare(kBlock);
    data.inputParameterChanges = &changes;

    fill(*buffers, 0, 1.0);
    fill(*buffers, 1, 1.0);
    ASSERT_EQ(instance->process(data), kResultOk);
    // Single precision results are exact too: 1.0 * x stays x.
    for (int32_t i = 0; i < kBlock; i += 37)
        EXPECT_EQ(out(*buffers, 1, i), size == kSample64 ? in(1, i) : static_cast<float>(in(1, i)));

    // The last point of the block wins: gain 0.25 normalised is 0.5 linear.
    changes.add(kGain, 0.9, 0);
    changes.add(kGain, 0.25, 100);
    ASSERT_EQ(instance->process(buffers->prepare(kBlock)), kResultOk);
    for (int32_t i = 0; i < kBlock; i += 37)
        EXPECT_NEAR(out(*buffers, 0, i), 0.5 * in(0, i), 1e-7);

    // The sidechain joins only once its bus is active.
    changes.clear();
    ASSERT_EQ(instance->activateBus(kAudio, kInput, 1, true), kResultOk);
    EXPECT_TRUE(instance->isAudioBusActive(kInput, 1));
    buffers->setBusActive(kInput, 1, true);
    fill(*buffers, 1, 1.0);
    ASSERT_EQ(instance->process(buffers->prepare(kBlock)), kResultOk);
    for (int32_t i = 0; i < kBlock; i += 37)
        EXPECT_NEAR(out(*buffers, 0, i), 1.5 * in(0, i), 1e-6);
    instance->stopProcessing();
    EXPECT_FALSE(instance->isActive());
}

TEST_P(TestGainProcessing, FlushWithoutBuffersAppliesParameters) {
    ASSERT_EQ(instance->startProcessing(44100.0, kBlock, GetParam()), kResultOk);
    hostkit::ParameterChanges changes;
    changes.add(kBypass, 1.0);
    changes.add(12345, 0.5); // unknown IDs are ignored
    ProcessData flush{};
    flush.symbolicSampleSize = GetParam();
    flush.inputParameterChanges = &changes;
    ASSERT_EQ(instance->process(flush), kResultOk);
    const auto state = instance->getControllerState();
    ASSERT_TRUE(state);
    EXPECT_EQ(*state, stateBytes(1.0, 1));
}

INSTANTIATE_TEST_SUITE_P(SampleSizes, TestGainProcessing, ::testing::Values(kSample32, kSample64),
                         [](const auto& testInfo) {
                             return testInfo.param == kSample64 ? std::string("Double")
                                                                : std::string("Float");
                         });

TEST_F(TestGainInstance, StateLivesInTheControllerPair) {
    // The component pair is not implemented; the controller carries 12 bytes.
    EXPECT_FALSE(instance->getComponentState());
    const auto state = instance->getControllerState();
    ASSERT_TRUE(state);
    EXPECT_EQ(*state, stateBytes(1.0, 0));

    const auto saved = stateBytes(0.5, 1);
    ASSERT_EQ(instance->setControllerState(saved), kResultOk);
    EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(kGain), 0.25);
    EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(kBypass), 1.0);
    // Written, set and written again: the same bytes.
    EXPECT_EQ(*instance->getControllerState(), saved);

    // A second instance restored from those bytes says the same.
    auto other = hostkit::Instance::Create(module);
    ASSERT_TRUE(other);
    ASSERT_EQ(other->setControllerState(saved), kResultOk);
    EXPECT_EQ(*other->getControllerState(), saved);
}

TEST_F(TestGainInstance, StateThroughFaultyStreams) {
    IEditController* controller = instance->controller();
    const auto saved = stateBytes(1.5, 0);

    // Short reads are fine: the plug-in keeps reading.
    auto shortReads = owned(new hostkit::MemoryStream(saved));
    shortReads->setMaxChunk(1);
    EXPECT_EQ(controller->setState(shortReads.get()), kResultOk);
    EXPECT_EQ(shortReads->readCalls(), 12);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(kGain), 0.75);

    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        int64_t readLimit;
    };
    const Case failures[] = {
        {"read fails midway", stateBytes(0.2, 1), 5},
        {"stream too short", std::vector<uint8_t>(7, 0), -1},
        {"empty stream", {}, -1},
        {"gain out of range", stateBytes(9.0, 0), -1},
        {"gain not a number", stateBytes(std::nan(""), 0), -1},
    };
    for (const Case& c : failures) {
        auto stream = owned(new hostkit::MemoryStream(c.bytes));
        stream->failReadsAfter(c.readLimit);
        EXPECT_EQ(controller->setState(stream.get()), kResultFalse) << c.what;
        EXPECT_EQ(*instance->getControllerState(), saved) << c.what << ": state unchanged";
    }
    EXPECT_EQ(controller->setState(nullptr), kInvalidArgument);

    // A failing writer is reported, and short writes are completed.
    auto failingWriter = owned(new hostkit::MemoryStream());
    failingWriter->failWritesAfter(4);
    EXPECT_EQ(controller->getState(failingWriter.get()), kResultFalse);
    auto shortWriter = owned(new hostkit::MemoryStream());
    shortWriter->setMaxChunk(5);
    EXPECT_EQ(controller->getState(shortWriter.get()), kResultOk);
    EXPECT_EQ(shortWriter->data(), saved);
}

TEST_F(TestGainInstance, EditorViewOnTheHostRunLoop) {
    EXPECT_FALSE(instance->createView("inspector"));
    auto view = instance->createView();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeHWND), kInvalidArgument);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultTrue);
    EXPECT_EQ(size.getWidth(), 300);
    EXPECT_EQ(size.getHeight(), 200);

    auto frame = owned(new hostkit::PlugFrame());
    ASSERT_EQ(view->setFrame(frame.get()), kResultTrue);
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(uintptr_t{0x2a00001}),
                             kPlatformTypeX11EmbedWindowID),
              kResultOk);
    EXPECT_EQ(frame->timerCount(), 1u);
    EXPECT_EQ(frame->fireTimers(), 1);

    // The view asks the frame for a new size, and the frame answers with onSize.
    EXPECT_EQ(view->onWheel(1.0f), kResultTrue);
    ASSERT_EQ(frame->resizeRequests().size(), 1u);
    view->getSize(&size);
    EXPECT_EQ(size.getWidth(), 400);

    // A user edit in the view reaches the host's component handler.
    instance->handler().clear();
    EXPECT_EQ(view->onKeyDown(u'g', 0, 0), kResultTrue);
    using K = HandlerCall::Kind;
    const std::vector<HandlerCall> edits = {
        {K::BeginEdit, kGain}, {K::PerformEdit, kGain, 1.0}, {K::EndEdit, kGain}};
    EXPECT_EQ(instance->handler().calls(), edits);
    EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(kGain), 1.0);

    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(frame->timerCount(), 0u);
    view->setFrame(nullptr);
    EXPECT_EQ(frame->getRefCount(), 1);
}

TEST(TestGainModule, ModulesAndInstancesKeepTheLibraryLoaded) {
    auto first = loadTestGain();
    auto second = loadTestGain(); // the same library, entered twice
    ASSERT_TRUE(first && second);
    auto instance = hostkit::Instance::Create(first);
    ASSERT_TRUE(instance);
    first.reset(); // the instance still holds its module
    EXPECT_EQ(instance->parameterInfos().size(), 2u);
    instance.reset(); // last user of the first module: its exit runs, the second stays entered
    auto another = hostkit::Instance::Create(second);
    ASSERT_TRUE(another);
    EXPECT_EQ(another->busCount(kAudio, kInput), 2);
}
