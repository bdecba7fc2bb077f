#pragma once
// A second, deliberately plain rendering of the channel strip for comparison:
// one function per sample, written straight from the chain's order of
// operations, with every coefficient recomputed where the order says, every
// smoother refreshed at every frame and no stage objects. It shares no code
// with the processor; it covers sample rates of 44.1 kHz and up and signals
// within full scale at the equaliser, where the processor adds no safeguards.
#include <algorithm>
#include <cmath>

namespace torvik::reference {

struct RBiquad {
    int type = 0;
    double a0 = 1, a1 = 0, a2 = 0, b1 = 0, b2 = 0;
    double fc = 0.5, q = 0.707, gainDb = 0;
    double z1 = 0, z2 = 0;

    void Update() {
        const double pi = 3.141592653589793;
        const double V = std::pow(10.0, std::fabs(gainDb) / 20.0);
        const double K = std::tan(pi * fc);
        const double Q = q;
        double n;
        if (type == 0) {
            n = 1 / (1 + K / Q + K * K);
            a0 = K * K * n;
            a1 = 2 * a0;
            a2 = a0;
            b1 = 2 * (K * K - 1) * n;
            b2 = (1 - K / Q + K * K) * n;
        } else if (type == 1) {
            n = 1 / (1 + K / Q + K * K);
            a0 = n;
            a1 = -2 * a0;
            a2 = a0;
            b1 = 2 * (K * K - 1) * n;
            b2 = (1 - K / Q + K * K) * n;
        } else if (type == 5 && gainDb >= 0) {
            n = 1 / (1 + K / Q + K * K);
            a0 = (1 + (V / Q) * K + V * (K * K)) * n;
            a1 = 2 * (V * (K * K) - 1) * n;
            a2 = (1 - (V / Q) * K + V * (K * K)) * n;
            b1 = 2 * (K * K - 1) * n;
            b2 = (1 - K / Q + K * K) * n;
        } else if (type == 5) {
            n = 1 / (1 + (V / Q) * K + V * (K * K));
            a0 = (1 + K / Q + K * K) * n;
            a1 = 2 * (K * K - 1) * n;
            a2 = (1 - K / Q + K * K) * n;
            b1 = 2 * (V * (K * K) - 1) * n;
            b2 = (1 - (V / Q) * K + V * (K * K)) * n;
        } else if (type == 6 && gainDb >= 0) {
            n = 1 / (1 + K / Q + K * K);
            a0 = (V + (V / Q) * K + K * K) * n;
            a1 = 2 * (K * K - V) * n;
            a2 = (V - (V / Q) * K + K * K) * n;
            b1 = 2 * (K * K - 1) * n;
            b2 = (1 - K / Q + K * K) * n;
        } else if (type == 6) {
            n = 1 / (V + (V / Q) * K + K * K);
            a0 = (1 + K / Q + K * K) * n;
            a1 = 2 * (K * K - 1) * n;
            a2 = (1 - K / Q + K * K) * n;
            b1 = 2 * (K * K - V) * n;
            b2 = (V - (V / Q) * K + K * K) * n;
        }
    }
    void Set(int t, double f, double qq, double g) {
        type = t;
        fc = f;
        q = qq;
        gainDb = g;
        Update();
    }
    double Run(double v) {
        const float x = static_cast<float>(v);
        const double out = x * a0 + z1;
        z1 = x * a1 + z2 - b1 * out;
        z2 = x * a2 - b2 * out;
        return static_cast<double>(static_cast<float>(out));
    }
};

struct RPeak {
    double b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0, sampleRate = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    void SetPeak(double gainDb, double freqHz, double q) {
        const double pi = 3.141592653589793;
        const double w0 = (pi + pi) / sampleRate * freqHz;
        const double dw = w0 / (q * 1.588308819);
        const double g = std::pow(10.0, gainDb / 20.0);
        const double gb = std::pow(10.0, gainDb / 1.4142135623730951 / 20.0);
        const double g0 = 1.0;
        if (g == gb) {
            b0 = 1;
            b1 = b2 = a1 = a2 = 0;
            return;
        }
        const double F = std::fabs(g * g - gb * gb), G00 = std::fabs(g * g - g0 * g0),
                     F00 = std::fabs(gb * gb - g0 * g0);
        const double t = w0 * w0 - pi * pi;
        const double G1 = std::sqrt((g0 * g0 * (t * t) + g * g * F00 * (pi * pi) * (dw * dw) / F) /
                                    (t * t + F00 * (pi * pi) * (dw * dw) / F));
        const double G01 = std::fabs(g * g - g0 * G1), G11 = std::fabs(g * g - G1 * G1),
                     F01 = std::fabs(gb * gb - g0 * G1), F11 = std::fabs(gb * gb - G1 * G1);
        const double W2 = std::sqrt(G11 / G00) * (std::tan(w0 / 2) * std::tan(w0 / 2));
        const double DW = (1 + std::sqrt(F00 / F11) * W2) * std::tan(dw / 2);
        const double C = F11 * (DW * DW) - 2 * W2 * (F01 - std::sqrt(F00 * F11));
        const double D = 2 * W2 * (G01 - std::sqrt(G00 * G11));
        const double A = std::sqrt((C + D) / F), B = std::sqrt((g * g * C + gb * gb * D) / F);
        const double M = 1 + W2 + A;
        b0 = (G1 + g0 * W2 + B) / M;
        b1 = -2 * (G1 - g0 * W2) / M;
        b2 = (G1 - B + g0 * W2) / M;
        a1 = -2 * (1 - W2) / M;
        a2 = (1 + W2 - A) / M;
    }
    double Run(double in) {
        const double y = b0 * in + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = in;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct RSmoother {
    double omc = 1, coef = 0, value = 0;
    void SetRate(double fs) {
        coef = std::exp(-6.283185307179586 * 10 / fs);
        omc = 1 - coef;
    }
    double Step(double t) {
        value = omc * t + coef * value;
        return value;
    }
};

// Parameter values as real values, indexed like the plug-in's parameters.
struct RChain {
    double p[40] = {};
    double fs = 48000;

    RSmoother gainS, padS, hpfS, lowBS, highBS, inputS, outputS, deThrS;
    RBiquad xfmr[2], hpf[2], lowB[2], highB[2], deHpf, deShelf[2], eqLow[2], eqHigh[2], scHpf[2];
    RPeak eqLM[2], eqHM[2];
    double lowBoostDb = 0, highBoostDb = 0;
    double gAttCoef = std::exp(-1000.0 / (1 * 44100.0)),
           gRelCoef = std::exp(-1000.0 / (100 * 44100.0));
    double gThr = 1, gEnv = 1e-25;
    double deEssGain = 1, compGain = 1;
    double meter[5] = {1, 1, 1, 1, 1};
    double meterSource[5] = {};

    bool Sw(int i) const { return static_cast<int>(p[i]) == 1; }
    static double Db(double v) { return std::pow(10.0, v / 20.0); }

    void SetUpBlock() {
        for (auto& f : xfmr)
            f.Set(0, 200 / fs, 0.1, 0);
        for (auto& f : scHpf)
            f.Set(1, 80 / fs, 0.707, 0);
        deHpf.Set(1, 15000 / fs, 1.0, 0);
        const double lmg = p[12], hmg = p[14];
        const double qLM = lmg >= 0 ? lmg / 40 + 0.2 : 0.2 - lmg / 25;
        const double qHM = hmg >= 0 ? hmg / 40 + 0.2 : 0.2 - hmg / 25;
        for (auto& f : eqLow)
            f.Set(5, 10 / fs, 0.2, p[10]);
        for (auto& f : eqLM) {
            f.sampleRate = fs;
            f.SetPeak(lmg, p[11], qLM);
        }
        for (auto& f : eqHM) {
            f.sampleRate = fs;
            f.SetPeak(hmg, p[13], qHM);
        }
        for (auto& f : eqHigh)
            f.Set(6, 15000 / fs, 0.2, p[15]);
        lowBoostDb = Sw(25) ? 3.0 : 0;
        highBoostDb = Sw(26) ? 3.0 : 0;
    }

    static double Sat(double v) {
        return std::sin(std::tanh(v * (v * v * v)) + std::tanh(v * v * v)) + std::tanh(v);
    }

    // One frame; updates the meters as with an editor attached.
    void Frame(const double x[2], const double sc[2], double out[2]) {
        for (RSmoother* s : {&gainS, &padS, &hpfS, &lowBS, &highBS, &inputS, &outputS, &deThrS})
            s->SetRate(fs);
        const double preampGain = Db(p[0]), hpfFreqHz = p[1], inputGain = Db(p[2]),
                     outputGain = Db(p[3]);
        // Preamp.
        for (int c = 0; c < 2; ++c)
            highB[c].Set(6, 12000 / fs, 0.1, highBS.Step(highBoostDb));
        for (int c = 0; c < 2; ++c)
            lowB[c].Set(5, 30 / fs, 0.2, lowBS.Step(lowBoostDb));
        for (int c = 0; c < 2; ++c)
            hpf[c].Set(1, hpfS.Step(hpfFreqHz / fs), 0.6, 0);
        double P[2], S[2];
        {
            double T[2], M[2], y[2], L[2];
            for (int c = 0; c < 2; ++c) {
                if (!Sw(27)) {
                    T[c] = x[c] + 1e-10;
                } else {
                    const float s = static_cast<float>(Sat(x[c]));
                    const double k = xfmr[c].Run(s);
                    const double a = k * std::pow(10.0, -1.75);
                    T[c] = Sat(a) + (x[c] + 1e-10);
                }
            }
            for (int c = 0; c < 2; ++c)
                M[c] = inputS.Step(inputGain) * T[c];
            const double padGain = Sw(21) ? std::pow(10.0, -1.0) : std::pow(10.0, 0.0);
            for (int c = 0; c < 2; ++c) {
                const double pp = padS.Step(padGain);
                const double g = gainS.Step(preampGain);
                const double B = pp * M[c] * g;
                const double g2 = gainS.Step(preampGain);
                const double p2 = padS.Step(padGain);
                if (!Sw(24))
                    y[c] = (std::sin(0.001 * std::tanh(B * B) + 0.001 * std::tanh(B * B * B)) +
                            std::tanh(B) - 0.001 * std::atan(B * B * B * B * B * B * B)) /
                           g2 / p2;
                else
                    y[c] = (std::sin(0.005 * std::sin(B * B) + 0.001 * std::tanh(B * B * B)) +
                            std::tanh(B) - 0.001 * std::sin(B * B * B)) /
                           g2 / p2;
            }
            for (int c = 0; c < 2; ++c) {
                const double H = Sw(23) ? hpf[c].Run(y[c]) : y[c];
                L[c] = highB[c].Run(lowB[c].Run(H));
            }
            if (Sw(22)) {
                L[0] = -L[0];
                L[1] = -L[1];
            }
            for (int c = 0; c < 2; ++c)
                P[c] = Sw(20) ? L[c] : inputGain * x[c];
            for (int c = 0; c < 2; ++c) {
                const double pp = padS.Step(padGain);
                const double g = gainS.Step(preampGain);
                S[c] = pp * P[c] * g;
            }
        }
        // De-esser.
        double D[2];
        {
            const double attMs = Sw(31) ? 4.0 : 2.0, ratio = Sw(31) ? 1.5 : 4.0;
            const double a = std::exp(-62.83185307 / fs);
            const double thr = deThrS.Step(p[5] * 1.5);
            const double thrLin = std::exp(thr / 8.65617025);
            const double af = attMs / 1000 == 0 ? 0 : std::exp(-1 / ((attMs / 1000) * fs));
            const double rf = p[4] / 1000 == 0 ? 0 : std::exp(-1 / ((p[4] / 1000) * fs));
            const double e = std::fabs(P[0]) + std::fabs(P[1]);
            const double E = deHpf.Run(e);
            const double s = (1 - a) * E;
            const double d = E > std::sqrt(s) ? E : std::sqrt(s + a * s);
            double F = 1;
            if (d > thrLin)
                F = std::exp((thr + (8.65617025 * std::log(d) - thr) / ratio) / 8.65617025) / d;
            if (deEssGain > F)
                deEssGain = std::max(F, deEssGain * af);
            else
                deEssGain = std::min(deEssGain / rf, F);
            const double q = Sw(30) ? 1.4 : 1.0;
            for (int c = 0; c < 2; ++c)
                deShelf[c].Set(6, 16000 / fs, q, deEssGain * 24 - 24);
            for (int c = 0; c < 2; ++c)
                D[c] = Sw(29) ? (1 - p[6]) * P[c] + p[6] * deShelf[c].Run(P[c]) : P[c];
        }
        // Gate.
        double G[2], gated[2] = {D[0], D[1]};
        {
            const double attMs = Sw(33) ? 0.1 : 1.0;
            gAttCoef = std::exp(-1000 / (attMs * fs));
            gRelCoef = std::exp(-1000 / (p[8] * fs));
            gThr = std::exp(-p[9] * 0.11512925464970228);
            const double key = std::max(std::fabs(gated[0]), std::fabs(gated[1]));
            const double over = (key > gThr ? 1.0 : 0.0) + 1e-25;
            gEnv = over > gEnv ? over + gAttCoef * (gEnv - over) : over + gRelCoef * (gEnv - over);
            const double gain = gEnv - 1e-25;
            gated[0] *= gain;
            gated[1] *= gain;
            for (int c = 0; c < 2; ++c)
                G[c] = Sw(32) ? (1 - p[7]) * D[c] + p[7] * gated[c] : D[c];
        }
        // Equaliser.
        double E[2];
        for (int c = 0; c < 2; ++c) {
            if (!Sw(34)) {
                E[c] = G[c];
                continue;
            }
            const double v = G[c];
            const double col = v +
                               std::sin(0.005 * std::tanh(v * v * v) + 0.00005 * std::sin(v * v)) -
                               0.000001 * std::tan(v * v * v);
            E[c] = eqHigh[c].Run(eqHM[c].Run(eqLM[c].Run(eqLow[c].Run(col))));
        }
        // Compressor.
        double C[2];
        {
            double Sf[2] = {Sw(38) ? sc[0] : E[0], Sw(38) ? sc[1] : E[1]};
            if (Sw(39))
                for (int c = 0; c < 2; ++c)
                    Sf[c] = scHpf[c].Run(Sf[c]);
            const double attMs = Sw(36) ? 2.0 : 10.0;
            const double relMs = Sw(37) ? std::fabs(Sf[0] + Sf[1]) * 900 + 1000 : 400.0;
            const double a = std::exp(-62.83185307 / fs);
            const double T = p[16], R = p[17];
            const double af = std::exp(T / (fs * attMs / 1000) / 8.65617025);
            const double rf = std::exp(T / (fs * relMs / 1000) / 8.65617025);
            const double m = std::max(std::fabs(Sf[0]), std::fabs(Sf[1]));
            const double s = (1 - a) * m;
            const double d = m > std::sqrt(s) ? m : std::sqrt(s + a * s);
            const double xdb = 20 * std::log10(d);
            double gr;
            if (T - 3 > xdb)
                gr = 0;
            else if (xdb > T + 3)
                gr = (xdb - T) * (1 / R - 1);
            else
                gr = (1 / R - 1) / 12 * ((xdb - (T - 3)) * (xdb - (T - 3)));
            const double t = std::pow(10.0, gr / 20);
            if (compGain > t)
                compGain = std::max(t, compGain * af);
            else
                compGain = std::min(compGain / rf, t);
            if (T == 0)
                compGain = 1;
            const double mf = Sw(38) ? 0 : 0.22;
            const double makeup = std::pow(10.0, T * mf / -20);
            for (int c = 0; c < 2; ++c) {
                const double K = compGain * E[c] * makeup;
                C[c] = Sw(35) ? (1 - p[18]) * E[c] + p[18] * K : E[c];
            }
        }
        // Output.
        if (!Sw(28)) {
            out[0] = x[0] - 1e-10;
            out[1] = x[1] - 1e-10;
        } else {
            out[0] = outputS.Step(outputGain) * (C[0] - 1e-10);
            out[1] = outputS.Step(outputGain) * (C[1] - 1e-10);
        }
        // Meters.
        const double k = std::exp(-4.60517018599 / (0.3 * fs));
        meterSource[0] = std::fabs(2 * (S[0] + S[1]));
        meterSource[1] = std::fabs(2.1 * (out[0] + out[1]));
        meterSource[2] = std::fabs(1 - deEssGain);
        meterSource[3] = std::fabs(std::pow(10.0, (60 - p[9]) / 20) * (gated[0] + gated[1]));
        meterSource[4] = std::fabs(1 - compGain);
        for (int i = 0; i < 5; ++i) {
            const double v = meterSource[i];
            const double t = v > meter[i] ? v * 1.0125 : v * 0.9875;
            meter[i] = t + k * (meter[i] - t);
        }
    }
};

} // namespace torvik::reference
