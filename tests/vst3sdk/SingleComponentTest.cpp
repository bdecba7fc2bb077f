// The single-component effect and the edit controller behaviour, in process.
#include "vst3sdk/helpers/singlecomponenteffect.h"
#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

/** Answers the two state pairs differently, as the TORVIK binding does. */
class Effect : public SingleComponentEffect {
public:
    int controllerReads = 0;
    int controllerWrites = 0;
    tresult controllerSetState(IBStream*) override {
        ++controllerReads;
        return kResultOk;
    }
    tresult controllerGetState(IBStream*) override {
        ++controllerWrites;
        return kResultOk;
    }
    tresult PLUGIN_API initialize(FUnknown* context) override {
        const tresult result = SingleComponentEffect::initialize(context);
        if (result == kResultOk) {
            addAudioInput(u"Main In", SpeakerArr::kStereo);
            addAudioInput(u"Side", SpeakerArr::kMono, kAux, 0);
            addAudioOutput(u"Out", SpeakerArr::kStereo);
            addEventInput(u"MIDI");
            parameters.addParameter(u"Level", u"dB", 0, 0.5, ParameterInfo::kCanAutomate, 10);
        }
        return result;
    }
    using EditController::beginEdit;
    using EditController::endEdit;
    using EditController::performEdit;
    const ProcessSetup& setup() const { return processSetup; }
};

/** Records edits. */
class Handler : public FObject, public IComponentHandler {
public:
    std::vector<std::pair<char, ParamID>> calls;
    tresult PLUGIN_API beginEdit(ParamID id) override {
        calls.emplace_back('b', id);
        return kResultOk;
    }
    tresult PLUGIN_API performEdit(ParamID id, ParamValue) override {
        calls.emplace_back('p', id);
        return kResultOk;
    }
    tresult PLUGIN_API endEdit(ParamID id) override {
        calls.emplace_back('e', id);
        return kResultOk;
    }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override {
        QUERY_INTERFACE(_iid, obj, IComponentHandler::iid, IComponentHandler, this)
        return FObject::queryInterface(_iid, obj);
    }
    REFCOUNT_METHODS(FObject)
};

class SingleComponentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(effect->initialize(nullptr), kResultOk); }
    void TearDown() override {
        effect->terminate();
        EXPECT_EQ(effect->release(), 0u);
    }
    IComponent* component() { return effect; }
    IEditController* controller() { return effect; }
    IAudioProcessor* processor() { return effect; }

    Effect* effect = new Effect();
};

} // namespace

TEST_F(SingleComponentTest, StatePairsAreSeparateSlots) {
    EXPECT_EQ(component()->getState(nullptr), kNotImplemented);
    EXPECT_EQ(component()->setState(nullptr), kNotImplemented);
    EXPECT_EQ(controller()->getState(nullptr), kResultOk);
    EXPECT_EQ(controller()->setState(nullptr), kResultOk);
    EXPECT_EQ(effect->controllerWrites, 1);
    EXPECT_EQ(effect->controllerReads, 1);
}

TEST_F(SingleComponentTest, QueryInterfaceSharesOneCountAndRefusesConnection) {
    const int32 before = effect->getRefCount();
    for (const TUID* iid :
         {&IComponent::iid, &IAudioProcessor::iid, &IEditController::iid, &IEditController2::iid,
          &IUnitInfo::iid, &IPluginBase::iid, &FUnknown::iid, &IProcessContextRequirements::iid}) {
        void* obj = nullptr;
        ASSERT_EQ(effect->queryInterface(*iid, &obj), kResultOk);
        ASSERT_NE(obj, nullptr);
        EXPECT_EQ(effect->getRefCount(), before + 1);
        static_cast<FUnknown*>(obj)->release();
    }
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(effect->queryInterface(IConnectionPoint::iid, &obj), kNoInterface);
    EXPECT_EQ(obj, nullptr);
    EXPECT_EQ(effect->getRefCount(), before);
    // Asking through another interface reaches the same object.
    ASSERT_EQ(processor()->queryInterface(IEditController::iid, &obj), kResultOk);
    EXPECT_EQ(obj, controller());
    controller()->release();
}

TEST_F(SingleComponentTest, BusQueries) {
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 2);
    EXPECT_EQ(component()->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kInput), 1);
    EXPECT_EQ(component()->getBusCount(kEvent, kOutput), 0);
    EXPECT_EQ(component()->getBusCount(7, kInput), 0);
    // Any direction other than input counts as output.
    EXPECT_EQ(component()->getBusCount(kAudio, 5), 1);

    BusInfo info;
    std::memset(&info, 0, sizeof info);
    ASSERT_EQ(component()->getBusInfo(kAudio, kInput, 1, info), kResultTrue);
    EXPECT_EQ(info.mediaType, kAudio);
    EXPECT_EQ(info.direction, kInput);
    EXPECT_EQ(info.channelCount, 1);
    EXPECT_EQ(toUtf8(info.name), "Side");
    EXPECT_EQ(info.busType, kAux);
    EXPECT_EQ(info.flags, 0u);
    ASSERT_EQ(component()->getBusInfo(kEvent, kInput, 0, info), kResultTrue);
    EXPECT_EQ(info.channelCount, 16);
    EXPECT_EQ(info.flags, static_cast<uint32>(BusInfo::kDefaultActive));
    for (int32 bad : {-1, 2})
        EXPECT_EQ(component()->getBusInfo(kAudio, kInput, bad, info), kInvalidArgument);
    EXPECT_EQ(component()->activateBus(kAudio, kInput, 2, 1), kInvalidArgument);
    EXPECT_EQ(component()->activateBus(kAudio, kInput, 1, 1), kResultTrue);
    EXPECT_EQ(component()->getControllerClassId(nullptr), kNotImplemented);
    EXPECT_EQ(component()->setActive(1), kResultOk);
}

TEST_F(SingleComponentTest, ArrangementsAndProcessSetup) {
    SpeakerArrangement arr = 0;
    ASSERT_EQ(processor()->getBusArrangement(kInput, 1, arr), kResultTrue);
    EXPECT_EQ(arr, SpeakerArr::kMono);
    EXPECT_EQ(processor()->getBusArrangement(kOutput, 1, arr), kInvalidArgument);

    SpeakerArrangement ins[] = {SpeakerArr::kStereo, SpeakerArr::kStereo};
    SpeakerArrangement outs[] = {SpeakerArr::kMono};
    EXPECT_EQ(processor()->setBusArrangements(ins, -1, outs, 1), kInvalidArgument);
    EXPECT_EQ(processor()->setBusArrangements(ins, 3, outs, 1), kResultFalse);
    EXPECT_EQ(processor()->setBusArrangements(ins, 2, outs, 1), kResultTrue);
    processor()->getBusArrangement(kOutput, 0, arr);
    EXPECT_EQ(arr, SpeakerArr::kMono);

    EXPECT_EQ(effect->setup().maxSamplesPerBlock, 1024);
    EXPECT_DOUBLE_EQ(effect->setup().sampleRate, 44100.0);
    ProcessSetup doubles{kOffline, kSample64, 512, 96000.0};
    EXPECT_EQ(processor()->setupProcessing(doubles), kResultFalse); // 64-bit refused by default
    EXPECT_EQ(effect->setup().maxSamplesPerBlock, 1024);
    ProcessSetup floats{kOffline, kSample32, 512, 96000.0};
    EXPECT_EQ(processor()->setupProcessing(floats), kResultOk);
    EXPECT_EQ(effect->setup().maxSamplesPerBlock, 512);
    EXPECT_EQ(processor()->getLatencySamples(), 0u);
    EXPECT_EQ(processor()->getTailSamples(), kNoTail);
}

TEST_F(SingleComponentTest, ControllerParametersAndEditsReachTheHandler) {
    EXPECT_EQ(controller()->getParameterCount(), 1);
    ParameterInfo info;
    ASSERT_EQ(controller()->getParameterInfo(0, info), kResultTrue);
    EXPECT_EQ(info.id, 10u);
    EXPECT_EQ(controller()->getParameterInfo(1, info), kResultFalse);
    EXPECT_DOUBLE_EQ(controller()->getParamNormalized(10), 0.5);
    EXPECT_DOUBLE_EQ(controller()->getParamNormalized(99), 0.0);
    EXPECT_EQ(controller()->setParamNormalized(99, 0.2), kResultFalse);
    EXPECT_EQ(controller()->setParamNormalized(10, 0.2), kResultTrue);
    EXPECT_DOUBLE_EQ(controller()->normalizedParamToPlain(99, 0.3), 0.3);

    String128 text;
    ASSERT_EQ(controller()->getParamStringByValue(10, 0.25, text), kResultTrue);
    EXPECT_EQ(toUtf8(text), "0.2500");
    EXPECT_EQ(controller()->getParamStringByValue(99, 0.25, text), kResultFalse);
    ParamValue v = 0;
    char16 typed[] = u"0.75";
    EXPECT_EQ(controller()->getParamValueByString(10, typed, v), kResultTrue);
    EXPECT_DOUBLE_EQ(v, 0.75);

    EXPECT_EQ(effect->beginEdit(10), kResultFalse); // no handler yet
    auto* handler = new Handler();
    EXPECT_EQ(controller()->setComponentHandler(handler), kResultTrue);
    EXPECT_EQ(handler->getRefCount(), 2);
    EXPECT_EQ(controller()->setComponentHandler(handler), kResultTrue);
    EXPECT_EQ(handler->getRefCount(), 2);
    effect->beginEdit(10);
    effect->performEdit(10, 0.9);
    effect->endEdit(10);
    const std::vector<std::pair<char, ParamID>> expected = {{'b', 10}, {'p', 10}, {'e', 10}};
    EXPECT_EQ(handler->calls, expected);
    EXPECT_EQ(effect->startGroupEdit(), kNotImplemented); // handler has no IComponentHandler2
    EXPECT_EQ(controller()->setComponentHandler(nullptr), kResultTrue);
    EXPECT_EQ(handler->release(), 0u);
}

TEST_F(SingleComponentTest, TerminateEmptiesBusesAndParametersAndAllowsReinitialize) {
    effect->terminate();
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 0);
    EXPECT_EQ(controller()->getParameterCount(), 0);
    ASSERT_EQ(effect->initialize(nullptr), kResultOk);
    EXPECT_EQ(component()->getBusCount(kAudio, kInput), 2);
}
