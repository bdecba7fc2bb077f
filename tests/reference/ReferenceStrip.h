#pragma once
// An independent, plain per-sample model of the channel strip's signal chain,
// written straight from the chain's written algorithms: every formula in its
// written order, no caching, switches read at every sample. It shares no code
// with the processor, so agreement between the two means something.
#include <array>
#include <vector>

namespace torvik::testing::reference {

// Second-order section in transposed direct form II; 32-bit in and out, double state.
struct RefBiquad {
    int type = 0;
    double b0 = 1.0, b1 = 0.0, b2 = 0.0; // feed-forward
    double a1 = 0.0, a2 = 0.0;           // feedback (leading 1 not stored)
    double fc = 0.5;                     // corner as a fraction of the sample rate
    double q = 0.707;
    double gainDb = 0.0;
    double z1 = 0.0, z2 = 0.0;

    void UpdateCoefficients();
    float Process(float in);
};

// Peaking section with prescribed Nyquist gain, direct form I, double throughout.
struct RefPeak {
    double b0 = 0.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;
    double sampleRate = 0.0; // hertz
    double piConst = 3.141592653589793;
    double gainDivisor = 1.4142135623730951;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;

    void SetPeak(double gainDb, double freqHz, double q);
    void Design(double g0, double g, double gb, double w0, double dw);
    double Process(double in);
};

// One-pole 10 Hz glide for control values.
struct RefSmoother {
    double oneMinusCoef = 1.0;
    double coef = 0.0;
    double value = 0.0;

    void SetRate(double sampleRate);
    double Step(double target);
};

// The hard-keyed gate with attack and release one-poles.
struct RefGate {
    double attackSampleRate = 44100.0, attackMs = 1.0, attackCoef = 0.0;
    double releaseSampleRate = 44100.0, releaseMs = 100.0, releaseCoef = 0.0;
    double thresholdDb = 0.0;
    double threshold = 1.0;  // linear
    double envelope = 1e-25; // carries the 1e-25 offset

    RefGate();
    void SetSampleRate(double rate);
    void SetThresholdDb(double db);
    void SetAttackMs(double ms);
    void SetReleaseMs(double ms);
    void ProcessStereo(double& left, double& right);
};

// Values of the five meters after one sample, in the order preamp, output,
// de-esser, gate, compressor.
using MeterFrame = std::array<double, 5>;

class ReferenceStrip {
public:
    static constexpr int kParamCount = 40;

    // Stores the real value of one parameter and, for 0 to 18, derives its working value.
    void SetParam(int index, double realValue);

    // Processing starts (the host activates the plug-in): every smoother and gliding
    // value stands at its target, every filter memory is zero, the envelopes, detectors
    // and the gate are as at construction. The meters keep their states.
    void Activate(double sampleRate);
    double Param(int index) const { return params[static_cast<std::size_t>(index)]; }

    // inputs: main L, main R, sidechain L, sidechain R; outputs: L, R.
    // With meters given, appends one frame of meter states per processed sample.
    void ProcessBlock(const double* const* inputs, double* const* outputs, int frames,
                      double sampleRate, std::vector<MeterFrame>* meters);

    // Inspection.
    double DeEssGain() const { return deEssGain; }
    double CompGain() const { return compGain; }
    // Lowest gain factors reached so far, to show that a scenario made a stage work.
    double LowestDeEssGain() const { return lowestDeEssGain; }
    double LowestCompGain() const { return lowestCompGain; }

private:
    int Switch(int index) const;
    void BlockSetUp(double fs);
    double PadTarget() const;
    double LowBoostTarget() const;
    double HighBoostTarget() const;

    std::array<double, kParamCount> params{};

    // Working values of parameters 0 to 18.
    double preampGain = 0.0, hpfFreqHz = 0.0, inputGain = 0.0, outputGain = 0.0;
    double deEssReleaseMs = 0.0, deEssThresholdDb = 0.0, deEssMix = 0.0;
    double gateMix = 0.0, gateReleaseMs = 0.0, gateThresholdParam = 0.0;
    double lowGainDb = 0.0, lowMidFreqHz = 0.0, lowMidGainDb = 0.0;
    double highMidFreqHz = 0.0, highMidGainDb = 0.0, highGainDb = 0.0;
    double compThresholdDb = 0.0, compRatio = 0.0, compMix = 0.0;

    // Switch-derived values.
    double lowBoostDb = 0.0, highBoostDb = 0.0, padGain = 1.0;
    double deEssAttackMs = 2.0, deEssRatio = 4.0, deEssShelfQ = 1.0;
    double gateAttackMs = 1.0, compAttackMs = 10.0, compReleaseMs = 400.0;
    double makeupFraction = 0.22;
    double lowMidQ = 0.2, highMidQ = 0.2; // peak widths of the block

    RefSmoother gainSmoother, padSmoother, hpfSmoother, lowBoostSmoother, highBoostSmoother,
        inputSmoother, outputSmoother, deEssThresholdSmoother;

    std::array<RefBiquad, 2> xfmrLowpass, hpf, lowBoostShelf, highBoostShelf, deEssShelf,
        eqLowShelf, eqHighShelf, sidechainHpf;
    RefBiquad deEssDetectorHpf;
    std::array<RefPeak, 2> eqLowMid, eqHighMid;
    RefGate gate;

    double deEssGain = 1.0, compGain = 1.0;
    double lowestDeEssGain = 1.0, lowestCompGain = 1.0;
    MeterFrame meterState{1.0, 1.0, 1.0, 1.0, 1.0};
};

} // namespace torvik::testing::reference
