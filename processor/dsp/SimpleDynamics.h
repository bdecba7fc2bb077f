#pragma once
// Envelope followers and a hard-keyed gate, plus the level detector and gain
// ramp that the de-esser and the compressor share.
#include "processor/dsp/StereoLanes.h"

#include <algorithm>
#include <cmath>

namespace torvik::dsp {

// ln(10) / 20: exp(db * kLn10Over20) is 10^(db / 20), a gain from its dB.
inline constexpr double kLn10Over20 = 0.11512925464970228;

namespace simple_dynamics {

// Offset that keeps the gate envelope clear of denormal numbers; added before
// the envelope step and taken off after it.
inline constexpr double kDenormalOffset = 1e-25;

// One-pole time constant.
class EnvelopeDetector {
public:
    EnvelopeDetector(double ms, double rate)
        : sampleRate(rate), timeConstantMs(ms),
          coef(std::exp(-1000.0 / (timeConstantMs * sampleRate))) {}
    virtual ~EnvelopeDetector() = default;
    virtual void SetTimeConstantMs(double ms) {
        timeConstantMs = ms;
        UpdateCoefficient();
    }
    virtual double GetTimeConstantMs() const { return timeConstantMs; }
    virtual void SetSampleRate(double rate) {
        sampleRate = rate;
        UpdateCoefficient();
    }
    virtual double GetSampleRate() const { return sampleRate; }
    virtual void UpdateCoefficient() { coef = std::exp(-1000.0 / (timeConstantMs * sampleRate)); }

    double Coef() const { return coef; }
    // The detector's step: moves state s toward x.
    void Run(double x, double& s) const { s = x + coef * (s - x); }

private:
    double sampleRate;     // Hz
    double timeConstantMs; // milliseconds
    double coef;           // exp(-1000 / (timeConstantMs * sampleRate))
};

// An attack and a release time constant; rising inputs follow the attack.
class AttRelEnvelope {
public:
    AttRelEnvelope(double attackMs, double releaseMs, double rate)
        : attack(attackMs, rate), release(releaseMs, rate) {}
    virtual ~AttRelEnvelope() = default;
    virtual void SetAttackMs(double ms) { attack.SetTimeConstantMs(ms); }
    virtual double GetAttackMs() const { return attack.GetTimeConstantMs(); }
    virtual void SetReleaseMs(double ms) { release.SetTimeConstantMs(ms); }
    virtual double GetReleaseMs() const { return release.GetTimeConstantMs(); }
    virtual void SetSampleRate(double rate) {
        attack.SetSampleRate(rate);
        release.SetSampleRate(rate);
    }
    virtual double GetSampleRate() const { return attack.GetSampleRate(); }

    // The envelope's step: attack while x rises above s, release otherwise.
    void Run(double x, double& s) const {
        if (x > s)
            attack.Run(x, s);
        else
            release.Run(x, s);
    }

protected:
    EnvelopeDetector attack;  // rising time constant
    EnvelopeDetector release; // falling time constant
};

// A gate keyed hard open or shut by the larger channel magnitude, its gain
// smoothed by the attack and release detectors. No ratio, range or hold.
class SimpleGate : public AttRelEnvelope {
public:
    SimpleGate() : AttRelEnvelope(1.0, 100.0, 44100.0) {}
    ~SimpleGate() override = default;
    virtual void SetThresholdDb(double db) {
        thresholdDb = db;
        threshold = std::exp(db * kLn10Over20);
    }
    virtual double GetThresholdDb() const { return thresholdDb; }
    virtual void ResetEnvelope() { envelope = kDenormalOffset; }

    double Threshold() const { return threshold; }
    double Envelope() const { return envelope; }

    // Gates both samples in place with one common gain.
    void ProcessStereo(double& left, double& right) {
        const double key = std::max(std::fabs(left), std::fabs(right));
        double over = key > threshold ? 1.0 : 0.0;
        over = over + kDenormalOffset;
        Run(over, envelope);
        const double gain = envelope - kDenormalOffset;
        left = left * gain;
        right = right * gain;
    }

    // ProcessStereo's gains over a run: gains[i] is the gain frame i of left
    // and right takes. An envelope that stands at the key's value stays there
    // bit for bit (over + coef × 0 is over), so that step is skipped, and a
    // gate held open or shut costs no recursion.
    void GainRun(const double* left, const double* right, double* gains, int n) {
        for (int i = 0; i < n; ++i) {
            const double key = std::max(std::fabs(left[i]), std::fabs(right[i]));
            gains[i] = (key > threshold ? 1.0 : 0.0) + kDenormalOffset;
        }
        double s = envelope;
        for (int i = 0; i < n; ++i) {
            const double over = gains[i];
            if (over != s)
                Run(over, s);
            gains[i] = s - kDenormalOffset;
        }
        envelope = s;
    }

private:
    double thresholdDb = 0.0;          // threshold in dB
    double threshold = 1.0;            // linear threshold
    double envelope = kDenormalOffset; // gate gain plus the denormal offset
};

} // namespace simple_dynamics

// The level detector's corner in radians per second: 2 pi times 10 Hz, to the
// ten digits the detector was designed with.
inline constexpr double kDetectorCornerRadians = 62.83185307;

// Level detector of the de-esser and the compressor, with a =
// exp(-kDetectorCornerRadians / sampleRate). Keeps no state. Levels above 1 - a pass as they are;
// lower ones read as sqrt((1 - a²) level). A negative level exceeds nothing: it reads as 0.
inline double DetectLevel(double level, double a) {
    if (level < 0.0)
        return 0.0;
    const double s = (1.0 - a) * level;
    if (level > std::sqrt(s))
        return level;
    return std::sqrt(s + a * s);
}

// DetectLevel over a run, two levels side by side; out may equal in.
inline void DetectLevelRun(const double* in, double* out, int n, double a) {
    const StereoLanes zero = Lanes(0.0, 0.0);
    const StereoLanes oneMinusA = Lanes(1.0 - a, 1.0 - a);
    const StereoLanes aLanes = Lanes(a, a);
    int i = 0;
    for (; i + 1 < n; i += 2) {
        const StereoLanes level = LoadPair(in + i);
        const StereoLanes s = oneMinusA * level;
        const StereoLanes detected = Select(level > Sqrt(s), level, Sqrt(s + aLanes * s));
        StorePair(out + i, Select(level < zero, zero, detected));
    }
    for (; i < n; ++i)
        out[i] = DetectLevel(in[i], a);
}

// Moves gain toward target: down by at most the factor attackFactor per call,
// up by at most 1 / releaseFactor. A factor of 0 makes that move immediate.
inline double RampGain(double gain, double target, double attackFactor, double releaseFactor) {
    // At its target the gain stays there: gain / releaseFactor is at least the
    // gain for a factor up to 1, so the minimum below is the target. Skipping
    // the division keeps a resting gain off the divider's latency.
    if (gain == target && gain >= 0.0 && releaseFactor <= 1.0)
        return target;
    if (gain > target)
        return std::max(target, gain * attackFactor);
    if (releaseFactor == 0.0)
        return target; // also for a gain of 0, where the division has no value
    return std::min(gain / releaseFactor, target);
}

// The stages' dB scale: a linear x is kStageDbScale * ln(x) dB there.
inline constexpr double kStageDbScale = 8.65617025;

} // namespace torvik::dsp
