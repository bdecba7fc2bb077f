#pragma once
// Envelope followers and a hard-keyed gate, plus the level detector and gain
// ramp that the de-esser and the compressor share.
#include <algorithm>
#include <cmath>

namespace torvik::dsp {

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
        threshold = std::exp(db * 0.11512925464970228);
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

// Moves gain toward target: down by at most the factor attackFactor per call,
// up by at most 1 / releaseFactor. A factor of 0 makes that move immediate.
inline double RampGain(double gain, double target, double attackFactor, double releaseFactor) {
    if (gain > target)
        return std::max(target, gain * attackFactor);
    if (releaseFactor == 0.0)
        return target; // also for a gain of 0, where the division has no value
    return std::min(gain / releaseFactor, target);
}

// The stages' dB scale: a linear x is kStageDbScale * ln(x) dB there.
inline constexpr double kStageDbScale = 8.65617025;

} // namespace torvik::dsp
