#include "reference/ReferenceStrip.h"

#include <algorithm>
#include <cmath>

namespace torvik::testing::reference {

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kDbScale = 8.65617025; // the dynamics stages' own dB scale
// The equaliser's bands take their bandwidth as w0 / (q * this factor).
constexpr double kQToBandwidth = 1.588308819;
// The level detector's corner: 2 pi times 10 Hz, to ten digits, in radians per second.
constexpr double kDetectorCorner = 62.83185307;
constexpr double kEnvelopeOffset = 1e-25;

// A biquad corner at or above half the sample rate has no design; it is designed here.
constexpr double kHalfRate = 0.5;
constexpr double kHighestCorner = 0.49;

// The equaliser colour's tan term grows without bound toward |x| = 1.1624; beyond full
// scale it is held at its full-scale value.
constexpr double kColourTanLimit = 1.0;

// The pair's channel count.
constexpr int kChannels = 2;

// run(F, v): the value goes in as a float and comes out widened again.
double Run(RefBiquad& filter, double v) {
    return static_cast<double>(filter.Process(static_cast<float>(v)));
}

// Level detector shared by the de-esser and the compressor; stateless.
double DetectLevel(double level, double a) {
    const double s = (1.0 - a) * level;
    if (level > std::sqrt(s))
        return level;
    return std::sqrt(s + a * s);
}

// Gain follower shared by the de-esser and the compressor.
double RampGain(double gain, double target, double attackFactor, double releaseFactor) {
    if (gain > target)
        return std::max(target, gain * attackFactor);
    return std::min(gain / releaseFactor, target);
}

double Cube(double x) {
    return x * x * x;
}

} // namespace

// ---------------------------------------------------------------- RefBiquad

void RefBiquad::UpdateCoefficients() {
    const double V = std::pow(10.0, std::fabs(gainDb) / 20.0);
    const double K = std::tan(kPi * (fc >= kHalfRate ? kHighestCorner : fc));
    const double Q = q;
    double n = 0.0;
    switch (type) {
    case 0:
        n = 1.0 / (1.0 + K / Q + K * K);
        b0 = K * K * n;
        b1 = 2.0 * b0;
        b2 = b0;
        a1 = 2.0 * (K * K - 1.0) * n;
        a2 = (1.0 - K / Q + K * K) * n;
        break;
    case 1:
        n = 1.0 / (1.0 + K / Q + K * K);
        b0 = n;
        b1 = -2.0 * b0;
        b2 = b0;
        a1 = 2.0 * (K * K - 1.0) * n;
        a2 = (1.0 - K / Q + K * K) * n;
        break;
    case 2:
        n = 1.0 / (1.0 + K / Q + K * K);
        b0 = (K / Q) * n;
        b1 = 0.0;
        b2 = -b0;
        a1 = 2.0 * (K * K - 1.0) * n;
        a2 = (1.0 - K / Q + K * K) * n;
        break;
    case 3:
        n = 1.0 / (1.0 + K / Q + K * K);
        b0 = (1.0 + K * K) * n;
        b1 = 2.0 * (K * K - 1.0) * n;
        b2 = b0;
        a1 = b1;
        a2 = (1.0 - K / Q + K * K) * n;
        break;
    case 4:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K * K);
            b0 = (1.0 + (V / Q) * K + K * K) * n;
            b1 = 2.0 * (K * K - 1.0) * n;
            b2 = (1.0 - (V / Q) * K + K * K) * n;
            a1 = b1;
            a2 = (1.0 - K / Q + K * K) * n;
        } else {
            n = 1.0 / (1.0 + (V / Q) * K + K * K);
            b0 = (1.0 + K / Q + K * K) * n;
            b1 = 2.0 * (K * K - 1.0) * n;
            b2 = (1.0 - K / Q + K * K) * n;
            a1 = b1;
            a2 = (1.0 - (V / Q) * K + K * K) * n;
        }
        break;
    case 5:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K * K);
            b0 = (1.0 + (V / Q) * K + V * (K * K)) * n;
            b1 = 2.0 * (V * (K * K) - 1.0) * n;
            b2 = (1.0 - (V / Q) * K + V * (K * K)) * n;
            a1 = 2.0 * (K * K - 1.0) * n;
            a2 = (1.0 - K / Q + K * K) * n;
        } else {
            n = 1.0 / (1.0 + (V / Q) * K + V * (K * K));
            b0 = (1.0 + K / Q + K * K) * n;
            b1 = 2.0 * (K * K - 1.0) * n;
            b2 = (1.0 - K / Q + K * K) * n;
            a1 = 2.0 * (V * (K * K) - 1.0) * n;
            a2 = (1.0 - (V / Q) * K + V * (K * K)) * n;
        }
        break;
    case 6:
        if (gainDb >= 0.0) {
            n = 1.0 / (1.0 + K / Q + K * K);
            b0 = (V + (V / Q) * K + K * K) * n;
            b1 = 2.0 * (K * K - V) * n;
            b2 = (V - (V / Q) * K + K * K) * n;
            a1 = 2.0 * (K * K - 1.0) * n;
            a2 = (1.0 - K / Q + K * K) * n;
        } else {
            n = 1.0 / (V + (V / Q) * K + K * K);
            b0 = (1.0 + K / Q + K * K) * n;
            b1 = 2.0 * (K * K - 1.0) * n;
            b2 = (1.0 - K / Q + K * K) * n;
            a1 = 2.0 * (K * K - V) * n;
            a2 = (V - (V / Q) * K + K * K) * n;
        }
        break;
    default:
        break; // unknown type: keep the coefficients
    }
}

float RefBiquad::Process(float in) {
    const double x = in;
    const double out = x * b0 + z1;
    z1 = x * b1 + z2 - a1 * out;
    z2 = x * b2 - a2 * out;
    return static_cast<float>(out);
}

// ---------------------------------------------------------------- RefPeak

void RefPeak::SetPeak(double gainDb, double freqHz, double q) {
    freqHz = std::min(freqHz, kHighestCorner * sampleRate); // a centre beyond has no design
    const double w0 = (piConst + piConst) / sampleRate * freqHz;
    const double dw = w0 / (q * kQToBandwidth);
    // Gains within 1e-9 dB of zero are flat: nearer zero the design subtracts
    // nearly equal numbers and can give NaN or a pole on the unit circle.
    if (std::fabs(gainDb) < 1e-9) {
        Design(1.0, 1.0, 1.0, w0, dw);
        return;
    }
    const double g = std::pow(10.0, gainDb / 20.0);
    const double gb = std::pow(10.0, gainDb / gainDivisor / 20.0);
    Design(1.0, g, gb, w0, dw);
    // A design that is not finite, or not strictly stable, is flat as well.
    const bool finite = std::isfinite(b0) && std::isfinite(b1) && std::isfinite(b2) &&
                        std::isfinite(a1) && std::isfinite(a2);
    if (!finite || !(std::fabs(a2) < 1.0) || !(std::fabs(a1) < 1.0 + a2))
        Design(1.0, 1.0, 1.0, w0, dw);
}

void RefPeak::Design(double g0, double g, double gb, double w0, double dw) {
    if (g == gb) {
        b0 = 1.0;
        b1 = b2 = a1 = a2 = 0.0;
        return;
    }
    const double pi = piConst;
    const double F = std::fabs(g * g - gb * gb);
    const double G00 = std::fabs(g * g - g0 * g0);
    const double F00 = std::fabs(gb * gb - g0 * g0);
    const double w0pi = w0 * w0 - pi * pi;
    const double G1 =
        std::sqrt((g0 * g0 * (w0pi * w0pi) + g * g * F00 * (pi * pi) * (dw * dw) / F) /
                  ((w0pi * w0pi) + F00 * (pi * pi) * (dw * dw) / F));
    const double G01 = std::fabs(g * g - g0 * G1);
    const double G11 = std::fabs(g * g - G1 * G1);
    const double F01 = std::fabs(gb * gb - g0 * G1);
    const double F11 = std::fabs(gb * gb - G1 * G1);
    const double tanHalfW0 = std::tan(w0 / 2.0);
    const double W2 = std::sqrt(G11 / G00) * (tanHalfW0 * tanHalfW0);
    const double DW = (1.0 + std::sqrt(F00 / F11) * W2) * std::tan(dw / 2.0);
    const double C = F11 * (DW * DW) - 2.0 * W2 * (F01 - std::sqrt(F00 * F11));
    const double D = 2.0 * W2 * (G01 - std::sqrt(G00 * G11));
    const double A = std::sqrt((C + D) / F);
    const double B = std::sqrt((g * g * C + gb * gb * D) / F);
    const double M = 1.0 + W2 + A;
    b0 = (G1 + g0 * W2 + B) / M;
    b1 = -2.0 * (G1 - g0 * W2) / M;
    b2 = (G1 - B + g0 * W2) / M;
    a1 = -2.0 * (1.0 - W2) / M;
    a2 = (1.0 + W2 - A) / M;
}

double RefPeak::Process(double in) {
    const double y = b0 * in + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = in;
    y2 = y1;
    y1 = y;
    return y;
}

// ---------------------------------------------------------------- RefSmoother

void RefSmoother::SetRate(double sampleRate) {
    coef = std::exp(-6.283185307179586 * 10.0 / sampleRate);
    oneMinusCoef = 1.0 - coef;
}

double RefSmoother::Step(double target) {
    value = oneMinusCoef * target + coef * value;
    return value;
}

// ---------------------------------------------------------------- RefGate

RefGate::RefGate() {
    attackCoef = std::exp(-1000.0 / (attackMs * attackSampleRate));
    releaseCoef = std::exp(-1000.0 / (releaseMs * releaseSampleRate));
}

void RefGate::SetSampleRate(double rate) {
    attackSampleRate = rate;
    attackCoef = std::exp(-1000.0 / (attackMs * attackSampleRate));
    releaseSampleRate = rate;
    releaseCoef = std::exp(-1000.0 / (releaseMs * releaseSampleRate));
}

void RefGate::SetThresholdDb(double db) {
    thresholdDb = db;
    threshold = std::exp(db * 0.11512925464970228);
}

void RefGate::SetAttackMs(double ms) {
    attackMs = ms;
    attackCoef = std::exp(-1000.0 / (attackMs * attackSampleRate));
}

void RefGate::SetReleaseMs(double ms) {
    releaseMs = ms;
    releaseCoef = std::exp(-1000.0 / (releaseMs * releaseSampleRate));
}

void RefGate::ProcessStereo(double& left, double& right) {
    const double key = std::max(std::fabs(left), std::fabs(right));
    double over = key > threshold ? 1.0 : 0.0;
    over = over + kEnvelopeOffset;
    if (over > envelope)
        envelope = over + attackCoef * (envelope - over);
    else
        envelope = over + releaseCoef * (envelope - over);
    const double gain = envelope - kEnvelopeOffset;
    left = left * gain;
    right = right * gain;
}

// ---------------------------------------------------------------- ReferenceStrip

int ReferenceStrip::Switch(int index) const {
    return static_cast<int>(params[static_cast<std::size_t>(index)]);
}

void ReferenceStrip::SetParam(int index, double v) {
    if (index < 0 || index >= kParamCount)
        return;
    params[static_cast<std::size_t>(index)] = v;
    switch (index) {
    case 0:
        preampGain = std::pow(10.0, v / 20.0);
        break;
    case 1:
        hpfFreqHz = v;
        break;
    case 2:
        inputGain = std::pow(10.0, v / 20.0);
        break;
    case 3:
        outputGain = std::pow(10.0, v / 20.0);
        break;
    case 4:
        deEssReleaseMs = v;
        break;
    case 5:
        deEssThresholdDb = v;
        break;
    case 6:
        deEssMix = v;
        break;
    case 7:
        gateMix = v;
        break;
    case 8:
        gateReleaseMs = v;
        break;
    case 9:
        gateThresholdParam = v;
        break;
    case 10:
        lowGainDb = v;
        break;
    case 11:
        lowMidFreqHz = v;
        break;
    case 12:
        lowMidGainDb = v;
        break;
    case 13:
        highMidFreqHz = v;
        break;
    case 14:
        highMidGainDb = v;
        break;
    case 15:
        highGainDb = v;
        break;
    case 16:
        compThresholdDb = v;
        break;
    case 17:
        compRatio = v;
        break;
    case 18:
        compMix = v;
        break;
    default:
        break;
    }
}

double ReferenceStrip::PadTarget() const {
    return Switch(21) == 0 ? std::pow(10.0, 0.0) : std::pow(10.0, -1.0);
}

double ReferenceStrip::LowBoostTarget() const {
    return Switch(25) == 0 ? 0.0 : 3.0;
}

double ReferenceStrip::HighBoostTarget() const {
    return Switch(26) == 0 ? 0.0 : 3.0;
}

void ReferenceStrip::Activate(double fs) {
    padGain = PadTarget();
    lowBoostDb = LowBoostTarget();
    highBoostDb = HighBoostTarget();
    gainSmoother.value = preampGain;
    padSmoother.value = padGain;
    hpfSmoother.value = hpfFreqHz / fs;
    lowBoostSmoother.value = lowBoostDb;
    highBoostSmoother.value = highBoostDb;
    inputSmoother.value = inputGain;
    outputSmoother.value = outputGain;
    deEssThresholdSmoother.value = deEssThresholdDb * 1.5;

    for (auto* pair : {&xfmrLowpass, &hpf, &lowBoostShelf, &highBoostShelf, &deEssShelf,
                       &eqLowShelf, &eqHighShelf, &sidechainHpf})
        for (RefBiquad& f : *pair)
            f.z1 = f.z2 = 0.0;
    deEssDetectorHpf.z1 = deEssDetectorHpf.z2 = 0.0;
    for (auto* pair : {&eqLowMid, &eqHighMid})
        for (RefPeak& p : *pair)
            p.x1 = p.x2 = p.y1 = p.y2 = 0.0;

    gate = RefGate();
    deEssGain = 1.0;
    compGain = 1.0;
}

void ReferenceStrip::BlockSetUp(double fs) {
    for (RefBiquad& f : xfmrLowpass) {
        f.type = 0;
        f.fc = 200.0 / fs;
        f.q = 0.1;
        f.gainDb = 0.0;
        f.UpdateCoefficients();
    }
    for (RefBiquad& f : sidechainHpf) {
        f.type = 1;
        f.fc = 80.0 / fs;
        f.q = 0.707;
        f.gainDb = 0.0;
        f.UpdateCoefficients();
    }
    deEssDetectorHpf.type = 1;
    deEssDetectorHpf.fc = 15000.0 / fs;
    deEssDetectorHpf.q = 1.0;
    deEssDetectorHpf.gainDb = 0.0;
    deEssDetectorHpf.UpdateCoefficients();

    // Boosts are wider than cuts of the same size.
    lowMidQ = lowMidGainDb >= 0.0 ? lowMidGainDb / 40.0 + 0.2 : 0.2 - lowMidGainDb / 25.0;
    highMidQ = highMidGainDb >= 0.0 ? highMidGainDb / 40.0 + 0.2 : 0.2 - highMidGainDb / 25.0;

    for (RefBiquad& f : eqLowShelf) {
        f.type = 5;
        f.fc = 10.0 / fs;
        f.q = 0.2;
        f.gainDb = lowGainDb;
        f.UpdateCoefficients();
    }
    for (RefPeak& p : eqLowMid) {
        p.sampleRate = fs;
        p.SetPeak(lowMidGainDb, lowMidFreqHz, lowMidQ);
    }
    for (RefPeak& p : eqHighMid) {
        p.sampleRate = fs;
        p.SetPeak(highMidGainDb, highMidFreqHz, highMidQ);
    }
    for (RefBiquad& f : eqHighShelf) {
        f.type = 6;
        f.fc = 15000.0 / fs;
        f.q = 0.2;
        f.gainDb = highGainDb;
        f.UpdateCoefficients();
    }
    lowBoostDb = LowBoostTarget();
    highBoostDb = HighBoostTarget();
}

void ReferenceStrip::ProcessBlock(const double* const* inputs, double* const* outputs, int frames,
                                  double fs, std::vector<MeterFrame>* meters) {
    BlockSetUp(fs);
    if (frames < 1)
        return;

    for (int i = 0; i < frames; ++i) {
        for (RefSmoother* s :
             {&gainSmoother, &padSmoother, &hpfSmoother, &lowBoostSmoother, &highBoostSmoother,
              &inputSmoother, &outputSmoother, &deEssThresholdSmoother})
            s->SetRate(fs);

        double x[kChannels] = {inputs[0][i], inputs[1][i]};

        // ---- Preamp
        for (int c = 0; c < kChannels; ++c) {
            highBoostShelf[c].gainDb = highBoostSmoother.Step(highBoostDb);
            highBoostShelf[c].type = 6;
            highBoostShelf[c].fc = 12000.0 / fs;
            highBoostShelf[c].q = 0.1;
            highBoostShelf[c].UpdateCoefficients();
        }
        for (int c = 0; c < kChannels; ++c) {
            lowBoostShelf[c].gainDb = lowBoostSmoother.Step(lowBoostDb);
            lowBoostShelf[c].type = 5;
            lowBoostShelf[c].fc = 30.0 / fs;
            lowBoostShelf[c].q = 0.2;
            lowBoostShelf[c].UpdateCoefficients();
        }
        for (int c = 0; c < kChannels; ++c) {
            hpf[c].fc = hpfSmoother.Step(hpfFreqHz / fs);
            hpf[c].type = 1;
            hpf[c].q = 0.6;
            hpf[c].gainDb = 0.0;
            hpf[c].UpdateCoefficients();
        }
        double T[kChannels];
        if (Switch(27) == 0) {
            for (int c = 0; c < kChannels; ++c)
                T[c] = x[c] + 1e-10;
        } else {
            for (int c = 0; c < kChannels; ++c) {
                const double xv = x[c];
                const double x3 = Cube(xv);
                const double x4 = xv * x3;
                const float s =
                    static_cast<float>(std::sin(std::tanh(x4) + std::tanh(x3)) + std::tanh(xv));
                const double k = static_cast<double>(xfmrLowpass[c].Process(s));
                const double a = k * std::pow(10.0, -1.75);
                const double a3 = Cube(a);
                const double a4 = a * a3;
                T[c] = std::sin(std::tanh(a4) + std::tanh(a3)) + std::tanh(a) + (xv + 1e-10);
            }
        }
        double M[kChannels];
        for (int c = 0; c < kChannels; ++c)
            M[c] = inputSmoother.Step(inputGain) * T[c];
        padGain = PadTarget();
        double y[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            const double p = padSmoother.Step(padGain);
            const double g = gainSmoother.Step(preampGain);
            const double B = p * M[c] * g;
            const double g2 = gainSmoother.Step(preampGain);
            const double p2 = padSmoother.Step(padGain);
            const double B2 = B * B;
            const double B3 = B * B * B;
            if (Switch(24) == 0) {
                const double B7 = B * B * B * B * B * B * B;
                y[c] = (std::sin(0.001 * std::tanh(B2) + 0.001 * std::tanh(B3)) + std::tanh(B) -
                        0.001 * std::atan(B7)) /
                       g2 / p2;
            } else {
                y[c] = (std::sin(0.005 * std::sin(B2) + 0.001 * std::tanh(B3)) + std::tanh(B) -
                        0.001 * std::sin(B3)) /
                       g2 / p2;
            }
        }
        double H[kChannels];
        for (int c = 0; c < kChannels; ++c)
            H[c] = Switch(23) == 1 ? Run(hpf[c], y[c]) : y[c];
        double L[kChannels];
        for (int c = 0; c < kChannels; ++c)
            L[c] = Run(highBoostShelf[c], Run(lowBoostShelf[c], H[c]));
        if (Switch(22) == 1) {
            L[0] = -L[0];
            L[1] = -L[1];
        }
        double P[kChannels];
        for (int c = 0; c < kChannels; ++c)
            P[c] = Switch(20) == 1 ? L[c] : inputGain * x[c];
        double S[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            const double p = padSmoother.Step(padGain);
            const double g = gainSmoother.Step(preampGain);
            S[c] = p * P[c] * g;
        }

        // ---- De-esser
        if (Switch(31) == 0) {
            deEssAttackMs = 2.0;
            deEssRatio = 4.0;
        } else {
            deEssAttackMs = 4.0;
            deEssRatio = 1.5;
        }
        {
            const double a = std::exp(-kDetectorCorner / fs);
            const double thr = deEssThresholdSmoother.Step(deEssThresholdDb * 1.5);
            const double thrLin = std::exp(thr / kDbScale);
            const double attackFactor = deEssAttackMs / 1000.0 == 0.0
                                            ? 0.0
                                            : std::exp(-1.0 / ((deEssAttackMs / 1000.0) * fs));
            const double releaseFactor = deEssReleaseMs / 1000.0 == 0.0
                                             ? 0.0
                                             : std::exp(-1.0 / ((deEssReleaseMs / 1000.0) * fs));
            const double e = std::fabs(P[0]) + std::fabs(P[1]);
            const double E = Run(deEssDetectorHpf, e);
            const double d = DetectLevel(E, a);
            double F = 1.0;
            if (d > thrLin)
                F = std::exp((thr + (kDbScale * std::log(d) - thr) / deEssRatio) / kDbScale) / d;
            deEssGain = RampGain(deEssGain, F, attackFactor, releaseFactor);
        }
        deEssShelfQ = Switch(30) == 0 ? 1.0 : 1.4;
        for (int c = 0; c < kChannels; ++c) {
            deEssShelf[c].type = 6;
            deEssShelf[c].fc = 16000.0 / fs;
            deEssShelf[c].q = deEssShelfQ;
            deEssShelf[c].gainDb = deEssGain * 24.0 - 24.0;
            deEssShelf[c].UpdateCoefficients();
        }
        double D[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            if (Switch(29) == 1)
                D[c] = (1.0 - deEssMix) * P[c] + deEssMix * Run(deEssShelf[c], P[c]);
            else
                D[c] = P[c];
        }

        // ---- Gate
        gateAttackMs = Switch(33) == 0 ? 1.0 : 0.1;
        gate.SetSampleRate(fs);
        gate.SetThresholdDb(-gateThresholdParam);
        gate.SetAttackMs(gateAttackMs);
        gate.SetReleaseMs(gateReleaseMs);
        double gated[kChannels] = {D[0], D[1]};
        gate.ProcessStereo(gated[0], gated[1]);
        double G[kChannels];
        for (int c = 0; c < kChannels; ++c)
            G[c] = Switch(32) == 1 ? (1.0 - gateMix) * D[c] + gateMix * gated[c] : D[c];

        // ---- Equaliser
        double cIn[kChannels];
        for (int c = 0; c < kChannels; ++c) {
            const double xv = G[c];
            const double tanOf = std::clamp(Cube(xv), -kColourTanLimit, kColourTanLimit);
            cIn[c] = xv + std::sin(0.005 * std::tanh(Cube(xv)) + 0.00005 * std::sin(xv * xv)) -
                     0.000001 * std::tan(tanOf);
        }
        double E[kChannels];
        if (Switch(34) == 1) {
            for (int c = 0; c < kChannels; ++c) {
                const double u = Run(eqLowShelf[c], cIn[c]);
                const double v = eqLowMid[c].Process(u);
                const double w = eqHighMid[c].Process(v);
                E[c] = Run(eqHighShelf[c], w);
            }
        } else {
            E[0] = G[0];
            E[1] = G[1];
        }

        // ---- Compressor
        double Sc[kChannels];
        for (int c = 0; c < kChannels; ++c)
            Sc[c] = Switch(38) == 0 ? E[c] : inputs[2 + c][i];
        double Sf[kChannels];
        for (int c = 0; c < kChannels; ++c)
            Sf[c] = Switch(39) == 1 ? Run(sidechainHpf[c], Sc[c]) : Sc[c];
        compAttackMs = Switch(36) == 0 ? 10.0 : 2.0;
        compReleaseMs = Switch(37) == 0 ? 400.0 : std::fabs(Sf[0] + Sf[1]) * 900.0 + 1000.0;
        double C[kChannels];
        {
            const double a = std::exp(-kDetectorCorner / fs);
            const double attackFactor =
                std::exp(compThresholdDb / (fs * compAttackMs / 1000.0) / kDbScale);
            const double releaseFactor =
                std::exp(compThresholdDb / (fs * compReleaseMs / 1000.0) / kDbScale);
            const double m = std::max(std::fabs(Sf[0]), std::fabs(Sf[1]));
            const double d = DetectLevel(m, a);
            const double xdb = 20.0 * std::log10(d);
            const double T_ = compThresholdDb;
            const double R = compRatio;
            double gr = 0.0;
            if (T_ - 3.0 > xdb) {
                gr = 0.0;
            } else if (xdb > T_ + 3.0) {
                gr = (xdb - T_) * (1.0 / R - 1.0);
            } else {
                const double over = xdb - (T_ - 3.0);
                gr = (1.0 / R - 1.0) / 12.0 * (over * over);
            }
            const double t = std::pow(10.0, gr / 20.0);
            compGain = RampGain(compGain, t, attackFactor, releaseFactor);
            if (compThresholdDb == 0.0)
                compGain = 1.0;
            makeupFraction = Switch(38) == 0 ? 0.22 : 0.0;
            const double makeup = std::pow(10.0, compThresholdDb * makeupFraction / -20.0);
            for (int c = 0; c < kChannels; ++c) {
                const double K = compGain * E[c] * makeup;
                C[c] = Switch(35) == 1 ? (1.0 - compMix) * E[c] + compMix * K : E[c];
            }
        }

        // ---- Output
        double out[kChannels];
        if (Switch(28) == 0) {
            for (int c = 0; c < kChannels; ++c)
                out[c] = inputs[c][i] - 1e-10;
        } else {
            for (int c = 0; c < kChannels; ++c) {
                const double o = outputSmoother.Step(outputGain);
                out[c] = o * (C[c] - 1e-10);
            }
        }
        outputs[0][i] = out[0];
        outputs[1][i] = out[1];

        lowestDeEssGain = std::min(lowestDeEssGain, deEssGain);
        lowestCompGain = std::min(lowestCompGain, compGain);

        // ---- Meters
        if (meters) {
            const double k = std::exp(-4.60517018599 / (0.3 * fs));
            const MeterFrame sources = {
                std::fabs(2.0 * (S[0] + S[1])),
                std::fabs(2.1 * (out[0] + out[1])),
                std::fabs(1.0 - deEssGain),
                std::fabs(std::pow(10.0, (60.0 - gateThresholdParam) / 20.0) *
                          (gated[0] + gated[1])),
                std::fabs(1.0 - compGain),
            };
            for (std::size_t m = 0; m < meterState.size(); ++m) {
                const double v = sources[m];
                const double t = v > meterState[m] ? v * 1.0125 : v * 0.9875;
                meterState[m] = t + k * (meterState[m] - t);
            }
            meters->push_back(meterState);
        }
    }
}

} // namespace torvik::testing::reference
