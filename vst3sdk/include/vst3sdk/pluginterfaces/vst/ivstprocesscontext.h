// ProcessContext: transport and time information passed with each block.
#pragma once

#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

#include <cstddef>

namespace Steinberg::Vst {

struct FrameRate {
    enum FrameRateFlags : uint32 { kPullDownRate = 1 << 0, kDropRate = 1 << 1 };
    uint32 framesPerSecond;
    uint32 flags;
};

struct Chord {
    uint8 keyNote;
    uint8 rootNote;
    int16 chordMask;
};

struct ProcessContext {
    enum StatesAndFlags : uint32 {
        kPlaying = 1 << 1,
        kCycleActive = 1 << 2,
        kRecording = 1 << 3,
        kSystemTimeValid = 1 << 8,
        kProjectTimeMusicValid = 1 << 9,
        kTempoValid = 1 << 10,
        kBarPositionValid = 1 << 11,
        kCycleValid = 1 << 12,
        kTimeSigValid = 1 << 13,
        kSmpteValid = 1 << 14,
        kClockValid = 1 << 15,
        kContTimeValid = 1 << 17,
        kChordValid = 1 << 18,
    };

    uint32 state;                   ///< StatesAndFlags bits
    double sampleRate;              ///< Hz, always valid
    TSamples projectTimeSamples;    ///< always valid
    int64 systemTime;               ///< ns
    TSamples continousTimeSamples;  ///< (the ABI's spelling)
    TQuarterNotes projectTimeMusic; ///< quarter notes
    TQuarterNotes barPositionMusic; ///< quarter notes
    TQuarterNotes cycleStartMusic;  ///< quarter notes
    TQuarterNotes cycleEndMusic;    ///< quarter notes
    double tempo;                   ///< BPM
    int32 timeSigNumerator;
    int32 timeSigDenominator;
    Chord chord;
    int32 smpteOffsetSubframes;
    FrameRate frameRate;
    int32 samplesToNextClock;
};

static_assert(sizeof(Chord) == 4 && sizeof(FrameRate) == 8);
static_assert(sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8);
static_assert(offsetof(ProcessContext, sampleRate) == 8 &&
              offsetof(ProcessContext, projectTimeSamples) == 16 &&
              offsetof(ProcessContext, systemTime) == 24 &&
              offsetof(ProcessContext, continousTimeSamples) == 32 &&
              offsetof(ProcessContext, projectTimeMusic) == 40 &&
              offsetof(ProcessContext, barPositionMusic) == 48 &&
              offsetof(ProcessContext, cycleStartMusic) == 56 &&
              offsetof(ProcessContext, cycleEndMusic) == 64 &&
              offsetof(ProcessContext, tempo) == 72 &&
              offsetof(ProcessContext, timeSigNumerator) == 80 &&
              offsetof(ProcessContext, timeSigDenominator) == 84 &&
              offsetof(ProcessContext, chord) == 88 &&
              offsetof(ProcessContext, smpteOffsetSubframes) == 92 &&
              offsetof(ProcessContext, frameRate) == 96 &&
              offsetof(ProcessContext, samplesToNextClock) == 104);

} // namespace Steinberg::Vst
