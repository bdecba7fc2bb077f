#include "processor/Torvik.h"

#include "graphics/EditorContext.h"
#include "processor/EditorLayout.h"
#include "processor/MeterHandOff.h"
#include "processor/Parameters.h"
#include "processor/TorvikFacts.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <mutex>

namespace torvik {
namespace {

// Largest input magnitude the chain takes. Its powers (up to the seventh in
// the waveshaper) and its 32-bit filter stages overflow for samples far beyond
// this; no audio comes near it (about +600 dBFS).
constexpr double kMaxInputMagnitude = 1e30;

// The chain's entry: a sample that is not a number or infinite is silence, so
// it cannot poison the filters and envelopes for good; finite samples pass
// unchanged up to the bound above.
// Written without branches, so that a run of them vectorises: |v| <= DBL_MAX
// fails for NaN and the infinities.
double EntrySample(double v) {
    const double bounded = std::min(std::max(v, -kMaxInputMagnitude), kMaxInputMagnitude);
    return std::fabs(v) <= DBL_MAX ? bounded : 0.0;
}

double DbToGain(double db) {
    return std::pow(10.0, db / 20.0);
}

// Reads switches for one block. The records sit in one array, so every read
// after the first is a load; should they not, each read asks for its record.
class SwitchReader {
public:
    explicit SwitchReader(const IEffectBase& plugin)
        : plugin(plugin), records(plugin.ParamAt(0)),
          contiguous(records &&
                     plugin.ParamAt(kParameterCount - 1) == records + (kParameterCount - 1)) {}
    bool operator()(int index) const {
        const IParamRecord* record = contiguous && index >= 0 && index < kParameterCount
                                         ? records + index
                                         : plugin.ParamAt(index);
        return static_cast<int>(record->Value()) != 0;
    }

private:
    const IEffectBase& plugin;
    const IParamRecord* records; // the first record
    bool contiguous;             // the others follow it in index order
};

} // namespace

TORVIK::TORVIK() : PluginBinding(kTorvikFacts) {
    DefineTorvikParameters(*this);
    // Give the chain its working values from the defaults, so that a processor
    // driven on its own starts from the same values a host's first preset
    // recall gives it.
    for (int i = 0; i < kParameterCount; ++i)
        HandleParamChange(i);
    // The editor: built once, attached for the instance's whole life. Attaching
    // pushes every parameter's value into its controls.
    IDrawContext* editor = CreateEditorContext(this, kEditorWidth, kEditorHeight, kEditorFps);
    const MeterControlIndices controls = BuildTorvikEditor(*this, *editor);
    SetMeterControls(controls.pre, controls.main, controls.deEss, controls.gate, controls.comp);
    AttachEditorGraphics(editor);
    // The default preset holds the values a fresh instance starts with.
    FillDefaultPresets("-");
}

TORVIK::~TORVIK() = default;

double TORVIK::MeterLevel(int meter) const {
    const double levels[] = {meters.meterPre, meters.meterMain, meters.meterDeEss, meters.meterGate,
                             meters.meterComp};
    if (meter < 0 || meter >= MeterCount())
        return 0.0;
    return std::clamp(levels[meter], 0.0, 1.0);
}

void TORVIK::SetMeterControls(int pre, int main, int deEss, int gateMeter, int comp) {
    meterControls = {pre, main, deEss, gateMeter, comp};
}

void TORVIK::HandleParamChange(int index) {
    std::lock_guard guard(Mutex());
    const IParamRecord* param = ParamAt(index);
    if (!param)
        return;
    const double v = param->Value();
    switch (index) {
    case kPreampGain:
        preamp.preampGain = DbToGain(v);
        break;
    case kPreampHpf:
        preamp.hpfFreqHz = v;
        break;
    case kMainInput:
        preamp.inputGain = DbToGain(v);
        break;
    case kMainOutput:
        outputStage.outputGain = DbToGain(v);
        break;
    case kDeEsserRelease:
        deEsser.releaseMs = v;
        break;
    case kDeEsserThreshold:
        deEsser.thresholdDb = v;
        break;
    case kDeEsserMix:
        deEsser.mix = v;
        break;
    case kGateMix:
        gate.mix = v;
        break;
    case kGateRelease:
        gate.releaseMs = v;
        break;
    case kGateThreshold:
        gate.thresholdParam = v;
        break;
    case kLowGain:
        equaliser.lowGainDb = v;
        break;
    case kLowMidFreq:
        equaliser.lowMidFreqHz = v;
        break;
    case kLowMidGain:
        equaliser.lowMidGainDb = v;
        break;
    case kHighMidFreq:
        equaliser.highMidFreqHz = v;
        break;
    case kHighMidGain:
        equaliser.highMidGainDb = v;
        break;
    case kHighGain:
        equaliser.highGainDb = v;
        break;
    case kCompThreshold:
        compressor.thresholdDb = v;
        break;
    case kCompRatio:
        compressor.ratio = v;
        break;
    case kCompMix:
        compressor.mix = v;
        break;
    default:
        break; // switches are read while processing; 19 is unused
    }
}

void TORVIK::OnActivate(bool active) {
    std::lock_guard guard(Mutex());
    if (!active)
        return;
    const double fs = SampleRate();
    if (!(fs > 0.0) || !std::isfinite(fs))
        return; // no chain runs without a sample rate
    preamp.Activate(fs, SwitchOn(kPreampPad), SwitchOn(kPreampLowBoost),
                    SwitchOn(kPreampHighBoost));
    deEsser.Activate();
    gate.Activate();
    equaliser.Activate();
    compressor.Activate();
    outputStage.Activate();
}

bool TORVIK::SwitchOn(int index) const {
    return static_cast<int>(ParamAt(index)->Value()) != 0;
}

void TORVIK::ProcessBlock(double** inputs, double** outputs, int frames) {
    const double fs = SampleRate();
    if (!(fs > 0.0) || !std::isfinite(fs)) {
        // No chain can run without a sample rate: pass the input through.
        if (frames > 0 && inputs && outputs) {
            for (int c = 0; c < 2; ++c) {
                if (!outputs[c])
                    continue;
                for (int i = 0; i < frames; ++i)
                    outputs[c][i] = inputs[c] ? EntrySample(inputs[c][i]) : 0.0;
            }
        }
        return;
    }

    // Block set-up: the filters that depend only on parameters.
    preamp.SetUpBlock(fs, SwitchOn(kPreampLowBoost), SwitchOn(kPreampHighBoost));
    deEsser.SetUpBlock(fs);
    equaliser.SetUpBlock(fs);
    compressor.SetUpBlock(fs);
    if (frames < 1 || !inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1])
        return;

    // The sample rate cannot change during a block (the instance lock is
    // held), so refreshing the smoother rates once before the first frame
    // gives the same values as refreshing them at every frame.
    preamp.SetSmootherRates(fs);
    deEsser.SetSmootherRates(fs);
    outputStage.SetSmootherRates(fs);

    // Switches cannot change during a block either: read them once, from the
    // records in one pass.
    const SwitchReader on(*this);
    const PreampSwitches preampSwitches = {on(kPreampBypass), on(kPreampPad),
                                           on(kPreampPhase),  on(kPreampHpfSwitch),
                                           on(kPreampMic),    on(kPreampTransformer)};
    const DeEsserSwitches deEsserSwitches = {on(kDeEsserBypass), on(kDeEsserBand),
                                             on(kDeEsserSoft)};
    const GateSwitches gateSwitches = {on(kGateBypass), on(kGateFastAttack)};
    const bool eqEngaged = on(kEqBypass);
    const CompressorSwitches compressorSwitches = {on(kCompBypass), on(kCompFastAttack),
                                                   on(kCompAutoRelease), on(kCompExternalSidechain),
                                                   on(kCompSidechainHpf)};
    const bool mainEngaged = on(kMainBypass);

    // The meters move only while an editor context is attached; they are
    // handed to it once per block, with the block's last states (the editor
    // shows them at its frame rate).
    const bool metering = Graphics() != nullptr;
    const double meterCoef = metering ? meters.Coefficient(fs) : 0.0;

    // The block passes the chain stage by stage, in runs of kRunFrames.
    for (int start = 0; start < frames; start += kRunFrames) {
        const int n = std::min(kRunFrames, frames - start);
        // Read every input before writing: the host may process in place.
        // Only the compressor's external key reads the sidechain pair.
        for (int c = 0; c < 2; ++c) {
            const double* in = inputs[c] + start;
            for (int i = 0; i < n; ++i)
                work.x.ch[c][i] = EntrySample(in[i]);
            if (!compressorSwitches.externalSidechain)
                continue;
            const double* sidechainIn = inputs[2 + c];
            for (int i = 0; i < n; ++i)
                work.sidechain.ch[c][i] = sidechainIn ? EntrySample(sidechainIn[start + i]) : 0.0;
        }
        preamp.ProcessRun(work.x, n, preampSwitches, fs, work.preampOut, work.preampMeter);
        deEsser.ProcessRun(work.preampOut, n, deEsserSwitches, fs, work.deEssed, work.deEssGains);
        gate.ProcessRun(work.deEssed, n, gateSwitches, fs, work.gateOut, work.gated);
        equaliser.ProcessRun(work.gateOut, n, eqEngaged, work.equalised);
        compressor.ProcessRun(work.equalised, work.sidechain, n, compressorSwitches, fs,
                              work.compressed, work.compGains);
        double* const out[2] = {outputs[0] + start, outputs[1] + start};
        outputStage.ProcessRun(work.compressed, work.x, n, mainEngaged, out);

        if (!metering)
            continue;
        const double gateLift = outputStage.GateLift(gate.thresholdParam);
        meters.FollowRun(n, meterCoef, [&](int i) {
            return OutputStage::SourcesWithLift(
                {work.preampMeter.ch[0][i], work.preampMeter.ch[1][i]}, {out[0][i], out[1][i]},
                work.deEssGains[i], gateLift, {work.gated.ch[0][i], work.gated.ch[1][i]},
                work.compGains[i]);
        });
    }
    if (metering)
        HandOffMeters(meters, meterControls, [this] { return Graphics(); });
}

} // namespace torvik
