#pragma once
// Closes each sample: the gliding main output gain on the compressor output,
// or the input straight through with the main section off. Also gathers the
// per-sample values that the five meters follow.
#include "processor/dsp/CachedMath.h"
#include "processor/dsp/ParamSmoother.h"
#include "processor/stages/Stereo.h"

#include <cmath>

namespace torvik {

// What each meter follows for one sample, in meter order.
struct MeterSources {
    double pre = 0.0;   // |2 (S_left + S_right)|, preamp drive level
    double main = 0.0;  // |2.1 (out_left + out_right)|, output level
    double deEss = 0.0; // |1 − de-esser gain|, reduction as a fraction
    double gate = 0.0;  // gated pair lifted by the threshold's height above −60 dB
    double comp = 0.0;  // |1 − compressor gain|, reduction as a fraction
};

class OutputStage {
public:
    double outputGain = 1.0; // main output gain, linear, from the parameter handling

    void SetSmootherRates(double fs) { outputSmoother.SetRate(fs); }
    // Processing starts: the output gain at its target.
    void Activate() { outputSmoother.Settle(outputGain); }
    // n frames of the compressor output C and the main input x in; the output
    // channels written.
    void ProcessRun(const StereoRun& compressed, const StereoRun& x, int n, bool mainEngaged,
                    double* const out[2]);
    // The compressor output C and the main input pair x in; the output pair out.
    Stereo Process(Stereo compressed, Stereo x, bool mainEngaged);

    MeterSources Sources(Stereo preampMeterSource, Stereo out, double deEssGain,
                         double gateThresholdParam, Stereo gated, double compGain) {
        return SourcesWithLift(preampMeterSource, out, deEssGain, GateLift(gateThresholdParam),
                               gated, compGain);
    }
    // The gate meter's lift: as many dB as the threshold sits above -60 dB.
    double GateLift(double gateThresholdParam) {
        return gateLiftPow((kGateMeterFloorDb - gateThresholdParam) / 20.0);
    }
    static MeterSources SourcesWithLift(Stereo preampMeterSource, Stereo out, double deEssGain,
                                        double gateLift, Stereo gated, double compGain) {
        MeterSources s;
        s.pre = std::fabs(kPreMeterScale * (preampMeterSource.left + preampMeterSource.right));
        s.main = std::fabs(kMainMeterScale * (out.left + out.right));
        s.deEss = std::fabs(1.0 - deEssGain);
        s.gate = std::fabs(gateLift * (gated.left + gated.right));
        s.comp = std::fabs(1.0 - compGain);
        return s;
    }

private:
    static constexpr double kPreMeterScale = 2.0;     // preamp meter: twice the channel sum
    static constexpr double kMainMeterScale = 2.1;    // output meter: 2.1 times the channel sum
    static constexpr double kGateMeterFloorDb = 60.0; // the gate meter's reference, -60 dB

    // Output gain; two steps per sample while the main section runs.
    dsp::ParamSmoother outputSmoother;
    dsp::CachedPow10 gateLiftPow; // the gate meter's lift from the threshold
};

} // namespace torvik
