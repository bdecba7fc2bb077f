// IAudioProcessor with the set-up and per-block data records.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"
#include "vst3sdk/pluginterfaces/vst/ivstevents.h"
#include "vst3sdk/pluginterfaces/vst/ivstparameterchanges.h"
#include "vst3sdk/pluginterfaces/vst/ivstprocesscontext.h"
#include "vst3sdk/pluginterfaces/vst/vstspeaker.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <cstddef>

namespace Steinberg::Vst {

enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };

inline constexpr uint32 kNoTail = 0;
inline constexpr uint32 kInfiniteTail = kMaxInt32u;

struct ProcessSetup {
    int32 processMode;        ///< ProcessModes
    int32 symbolicSampleSize; ///< SymbolicSampleSizes
    int32 maxSamplesPerBlock;
    SampleRate sampleRate; ///< Hz
};

/** Buffers of one bus: one pointer per channel. */
struct AudioBusBuffers {
    int32 numChannels;
    uint64 silenceFlags; ///< bit n set: channel n is silent
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

/** Everything one process call gets. */
struct ProcessData {
    int32 processMode;
    int32 symbolicSampleSize;
    int32 numSamples;
    int32 numInputs;  ///< audio input buses
    int32 numOutputs; ///< audio output buses
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;  ///< may be null
    IParameterChanges* outputParameterChanges; ///< may be null
    IEventList* inputEvents;                   ///< may be null
    IEventList* outputEvents;                  ///< may be null
    ProcessContext* processContext;            ///< may be null
};

class IAudioProcessor : public FUnknown {
public:
    virtual tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                  SpeakerArrangement* outputs, int32 numOuts) = 0;
    virtual tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index,
                                                 SpeakerArrangement& arr) = 0;
    virtual tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) = 0;
    virtual uint32 PLUGIN_API getLatencySamples() = 0;
    virtual tresult PLUGIN_API setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult PLUGIN_API setProcessing(TBool state) = 0;
    virtual tresult PLUGIN_API process(ProcessData& data) = 0;
    virtual uint32 PLUGIN_API getTailSamples() = 0;

    TORVIK_DECLARE_IID(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    TORVIK_INTERFACE_DESTRUCTOR(IAudioProcessor)
};

/** Newer hosts ask which ProcessContext fields a plug-in needs. */
class IProcessContextRequirements : public FUnknown {
public:
    enum Flags : uint32 {
        kNeedSystemTime = 1 << 0,
        kNeedContinousTimeSamples = 1 << 1,
        kNeedProjectTimeMusic = 1 << 2,
        kNeedBarPositionMusic = 1 << 3,
        kNeedCycleMusic = 1 << 4,
        kNeedSamplesToNextClock = 1 << 5,
        kNeedTempo = 1 << 6,
        kNeedTimeSignature = 1 << 7,
        kNeedChord = 1 << 8,
        kNeedFrameRate = 1 << 9,
        kNeedTransportState = 1 << 10,
    };
    virtual uint32 PLUGIN_API getProcessContextRequirements() = 0;

    TORVIK_DECLARE_IID(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    TORVIK_INTERFACE_DESTRUCTOR(IProcessContextRequirements)
};

static_assert(sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8);
static_assert(offsetof(ProcessSetup, symbolicSampleSize) == 4 &&
              offsetof(ProcessSetup, maxSamplesPerBlock) == 8 &&
              offsetof(ProcessSetup, sampleRate) == 16);
static_assert(sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8);
static_assert(offsetof(AudioBusBuffers, silenceFlags) == 8 &&
              offsetof(AudioBusBuffers, channelBuffers32) == 16 &&
              offsetof(AudioBusBuffers, channelBuffers64) == 16);
static_assert(sizeof(ProcessData) == 80 && alignof(ProcessData) == 8);
static_assert(offsetof(ProcessData, numSamples) == 8 && offsetof(ProcessData, numInputs) == 12 &&
              offsetof(ProcessData, numOutputs) == 16 && offsetof(ProcessData, inputs) == 24 &&
              offsetof(ProcessData, outputs) == 32 &&
              offsetof(ProcessData, inputParameterChanges) == 40 &&
              offsetof(ProcessData, outputParameterChanges) == 48 &&
              offsetof(ProcessData, inputEvents) == 56 &&
              offsetof(ProcessData, outputEvents) == 64 &&
              offsetof(ProcessData, processContext) == 72);

} // namespace Steinberg::Vst
