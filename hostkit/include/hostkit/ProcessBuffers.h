// Builds ProcessData with audio buffers for any buses, in 32- or 64-bit samples.
#pragma once

#include "vst3sdk/pluginterfaces/vst/ivstaudioprocessor.h"
#include "vst3sdk/pluginterfaces/vst/ivstcomponent.h"

#include <cstdint>
#include <vector>

namespace hostkit {

/** Owns the sample storage and the AudioBusBuffers of every bus and fills a ProcessData that
    points at them. Like a host, it passes one AudioBusBuffers per bus, active or not, with the
    bus's channel count. An inactive bus gets silent buffers by default, or null sample pointers
    when `nullForInactive` is set. */
class ProcessBuffers {
public:
    /** Channel counts per input and output bus; storage for `maxSamples` per channel. */
    ProcessBuffers(const std::vector<int32_t>& inputChannels,
                   const std::vector<int32_t>& outputChannels, int32_t maxSamples,
                   Steinberg::int32 symbolicSampleSize = Steinberg::Vst::kSample32);

    int32_t maxSamples() const { return capacity; }
    Steinberg::int32 sampleSize() const { return symbolicSampleSize; }
    int32_t inputBusCount() const { return static_cast<int32_t>(inputs.size()); }
    int32_t outputBusCount() const { return static_cast<int32_t>(outputs.size()); }
    int32_t channelCount(Steinberg::Vst::BusDirection dir, int32_t bus) const;

    void setBusActive(Steinberg::Vst::BusDirection dir, int32_t bus, bool active);
    bool isBusActive(Steinberg::Vst::BusDirection dir, int32_t bus) const;
    void setNullForInactive(bool value) { nullForInactive = value; }

    /** Sample storage of one channel (null for the other sample size or out of range). */
    float* channel32(Steinberg::Vst::BusDirection dir, int32_t bus, int32_t channel);
    double* channel64(Steinberg::Vst::BusDirection dir, int32_t bus, int32_t channel);

    /** Zeroes every channel (inputs and outputs). */
    void clear();

    /** ProcessData for `numSamples` (clamped to 0..maxSamples): buffers wired, silence flags
        reset, mode and sample size set. Parameter changes, events and context stay as the
        caller set them on the returned object. */
    Steinberg::Vst::ProcessData& prepare(int32_t numSamples,
                                         Steinberg::int32 processMode = Steinberg::Vst::kRealtime);
    Steinberg::Vst::ProcessData& data() { return processData; }

private:
    struct BusStorage {
        int32_t channels = 0;                       ///< channel count
        bool active = true;                         ///< host-side activation
        std::vector<std::vector<float>> samples32;  ///< per channel (32-bit mode)
        std::vector<std::vector<double>> samples64; ///< per channel (64-bit mode)
        std::vector<float*> pointers32;             ///< handed to the plug-in
        std::vector<double*> pointers64;            ///< handed to the plug-in
    };
    BusStorage* bus(Steinberg::Vst::BusDirection dir, int32_t index);
    const BusStorage* bus(Steinberg::Vst::BusDirection dir, int32_t index) const;
    void wire(BusStorage& storage, Steinberg::Vst::AudioBusBuffers& buffers);

    int32_t capacity;                    ///< samples per channel
    Steinberg::int32 symbolicSampleSize; ///< kSample32 or kSample64
    bool nullForInactive = false;        ///< inactive buses get null sample pointers
    std::vector<BusStorage> inputs;      ///< per input bus
    std::vector<BusStorage> outputs;     ///< per output bus
    std::vector<Steinberg::Vst::AudioBusBuffers> inputBuffers;  ///< one per input bus
    std::vector<Steinberg::Vst::AudioBusBuffers> outputBuffers; ///< one per output bus
    Steinberg::Vst::ProcessData processData{};                  ///< points at the above
};

/** A transport that moves forward by blocks: tempo, time signature, play state. */
class ProcessContextSource {
public:
    explicit ProcessContextSource(double sampleRate = 44100.0);

    void setSampleRate(double rate) { context.sampleRate = rate; }
    void setTempo(double bpm);
    void setTimeSignature(int32_t numerator, int32_t denominator);
    void setPlaying(bool playing);
    /** Position in samples; musical position follows from the tempo. */
    void setPosition(int64_t samples);

    /** The context for the next block. */
    Steinberg::Vst::ProcessContext* get() { return &context; }
    /** Moves the transport forward by `numSamples` (only while playing, like a host). */
    void advance(int32_t numSamples);

private:
    void updateMusic();

    Steinberg::Vst::ProcessContext context{}; ///< what the plug-in reads
};

} // namespace hostkit
