#pragma once
// Ballistics of the five meters: each state follows its source with a
// one-pole that covers 99 % of a step in 0.3 s. Handing the states to the
// editor is the joining class's business.
#include "processor/dsp/CachedMath.h"
#include "processor/dsp/StereoLanes.h"
#include "processor/stages/OutputStage.h"

namespace torvik {

struct Meters {
    // Meter states, following their sources; 1.0 at construction, so a fresh
    // meter falls from full scale.
    double meterPre = 1.0;
    double meterMain = 1.0;
    double meterDeEss = 1.0;
    double meterGate = 1.0;
    double meterComp = 1.0;

    // The ballistic coefficient at a sample rate.
    double Coefficient(double fs) { return coefficientExp(kLn99Percent / (kRiseSeconds * fs)); }

    // Moves each state one sample toward its source, with coefficient k.
    void Update(const MeterSources& sources, double k) {
        meterPre = Follow(meterPre, sources.pre, k);
        meterMain = Follow(meterMain, sources.main, k);
        meterDeEss = Follow(meterDeEss, sources.deEss, k);
        meterGate = Follow(meterGate, sources.gate, k);
        meterComp = Follow(meterComp, sources.comp, k);
    }

    // Update frame by frame over a run of n frames, sourcesAt(i) giving frame
    // i's MeterSources: the two levels (preamp, output) and the two
    // reductions (de-esser, gate) side by side in lanes. The sources are
    // formed inside the loop, where their work fills the wait of the five
    // recursions.
    template <class SourcesAt> void FollowRun(int n, double k, SourcesAt sourcesAt) {
        using dsp::Lanes;
        dsp::StereoLanes levels = Lanes(meterPre, meterMain);
        dsp::StereoLanes reductions = Lanes(meterDeEss, meterGate);
        double comp = meterComp;
        const dsp::StereoLanes kLanes = Lanes(k, k);
        for (int i = 0; i < n; ++i) {
            const MeterSources sources = sourcesAt(i);
            levels = Follow(levels, Lanes(sources.pre, sources.main), kLanes);
            reductions = Follow(reductions, Lanes(sources.deEss, sources.gate), kLanes);
            comp = Follow(comp, sources.comp, k);
        }
        meterPre = dsp::Left(levels);
        meterMain = dsp::Right(levels);
        meterDeEss = dsp::Left(reductions);
        meterGate = dsp::Right(reductions);
        meterComp = comp;
    }

    // One ballistic step: a rising meter aims 1.25 % above the level, a
    // falling one 1.25 % below it.
    static double Follow(double state, double v, double k) {
        const double t = v > state ? v * kRisingAim : v * kFallingAim;
        return t + k * (state - t);
    }
    // The same step on two meters side by side.
    static dsp::StereoLanes Follow(dsp::StereoLanes state, dsp::StereoLanes v, dsp::StereoLanes k) {
        const dsp::StereoLanes t = dsp::Select(v > state, v * dsp::Lanes(kRisingAim, kRisingAim),
                                               v * dsp::Lanes(kFallingAim, kFallingAim));
        return t + k * (state - t);
    }

private:
    static constexpr double kLn99Percent = -4.60517018599; // ln 0.01: 99 % of a step covered
    static constexpr double kRiseSeconds = 0.3;            // time to cover it
    static constexpr double kRisingAim = 1.0125;           // a rising meter aims 1.25 % above
    static constexpr double kFallingAim = 0.9875;          // a falling one 1.25 % below

    dsp::CachedExp coefficientExp; // the ballistic coefficient from the sample rate
};

} // namespace torvik
