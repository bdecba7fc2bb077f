// Buses: created from the framework's channel counts, rearranged at the host's request.
#include "vst3/EffectVST3.h"

#include "vst3/EffectParameter.h"

#include <bit>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int CountChannels(SpeakerArrangement arrangement) {
    return std::popcount(static_cast<uint64>(arrangement));
}

} // namespace

SpeakerArrangement SpeakerArrangementForChannels(int channels) {
    switch (channels) {
    case 1:
        return 0x80000; // mono
    case 2:
        return 0x3; // left, right
    case 3:
        return 0x103; // left, right, centre surround
    case 4:
        return 0x33; // left, right, left surround, right surround
    case 5:
        return 0x37; // adds centre
    case 6:
        return 0x3F; // adds LFE
    default:
        return 0;
    }
}

void IEffectVST3::CreateBuses() {
    String128 name;
    const int mainChannels = InputChannelCount() - sidechainChannels;
    const SpeakerArrangement mainArrangement = SpeakerArrangementForChannels(mainChannels);
    if (mainArrangement != 0) {
        WidenToString128(inputBusLabels[0].c_str(), name);
        addAudioInput(name, mainArrangement, kMain, BusInfo::kDefaultActive);
    }
    WidenToString128(outputBusLabels[0].c_str(), name);
    addAudioOutput(name, SpeakerArrangementForChannels(OutputChannelCount()), kMain,
                   BusInfo::kDefaultActive);
    if (sidechainChannels != 0) {
        WidenToString128(inputBusLabels[1].c_str(), name);
        addAudioInput(name, SpeakerArrangementForChannels(sidechainChannels), kAux, 0);
    }
}

tresult PLUGIN_API IEffectVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                   SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;

    for (int i = 0; i < InputChannelCount(); ++i) {
        InputChannel(i).connected = false;
        *InputChannel(i).slot = InputChannel(i).scratch.data();
    }
    for (int i = 0; i < OutputChannelCount(); ++i) {
        OutputChannel(i).connected = false;
        *OutputChannel(i).slot = OutputChannel(i).scratch.data();
    }

    if (numIns < 1 || numOuts < 1 || !inputs || !outputs)
        return kResultFalse;
    const int nIn = CountChannels(inputs[0]);
    const int nOut = CountChannels(outputs[0]);
    if (!LegalIO(nIn, nOut))
        return kResultFalse;
    // Decide the answer before touching any bus, so a refused request changes nothing.
    const bool withSidechain = sidechainChannels != 0;
    if (withSidechain ? numIns != 2 : numIns != 1)
        return kResultFalse;
    AudioBus* mainIn = AudioInputBus(0);
    AudioBus* mainOut = AudioOutputBus(0);
    if (!mainIn || !mainOut || (withSidechain && !AudioInputBus(1)))
        return kResultFalse; // no buses before initialize

    const int nSc = withSidechain ? CountChannels(inputs[1]) : 0;
    String128 name;
    const bool rebuildMain = CountChannels(mainIn->getArrangement()) != nIn;
    const bool rebuildSidechain =
        withSidechain && CountChannels(AudioInputBus(1)->getArrangement()) != nSc;
    if (rebuildMain || rebuildSidechain) {
        // The input list is rebuilt whole: main input, then the sidechain with
        // the channel count asked for. A host that switched a bus on before
        // arranging it finds it still on.
        const TBool mainWasActive = mainIn->isActive();
        const TBool sidechainWasActive = withSidechain ? AudioInputBus(1)->isActive() : false;
        getBusList(kAudio, kInput)->clear();
        WidenToString128("Input", name);
        addAudioInput(name, SpeakerArrangementForChannels(nIn), kMain, BusInfo::kDefaultActive)
            ->setActive(mainWasActive);
        if (withSidechain) {
            WidenToString128("Sidechain Input", name);
            addAudioInput(name, SpeakerArrangementForChannels(nSc), kAux, 0)
                ->setActive(sidechainWasActive);
        }
    }
    if (CountChannels(mainOut->getArrangement()) != nOut) {
        const TBool outputWasActive = mainOut->isActive();
        getBusList(kAudio, kOutput)->clear();
        WidenToString128("Output", name);
        addAudioOutput(name, SpeakerArrangementForChannels(nOut), kMain, BusInfo::kDefaultActive)
            ->setActive(outputWasActive);
    }
    return kResultOk;
}

AudioBus* IEffectVST3::AudioInputBus(int index) const {
    return FCast<AudioBus>(audioInputs.at(index));
}

AudioBus* IEffectVST3::AudioOutputBus(int index) const {
    return FCast<AudioBus>(audioOutputs.at(index));
}

} // namespace torvik
