#include "reference/Scenario.h"

#include "reference/ReferenceStrip.h"
#include "support/RecordingGraphics.h"
#include "support/TestSignals.h"
#include "support/TestTorvik.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace torvik::reference {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kMeterCount = 5;
constexpr int kFirstMeterControl = 40;

// Sanitizer builds run every row over a quarter of its length, to stay in seconds.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr double kDurationScale = 0.25;
#else
constexpr double kDurationScale = 1.0;
#endif

// Level of the generated sidechain signals.
constexpr double kSidechainLevel = 0.8;

// Value written to the outputs before a block, so an unwritten sample shows.
constexpr double kUnwrittenMarker = 12345.0;

// Fills one channel of a test signal; channel 1 is a slightly different take.
void Generate(Signal kind, double level, double fs, int channel, std::vector<double>& out) {
    const double detune = channel == 0 ? 1.0 : 1.1;
    const double phase = channel == 0 ? 0.0 : 0.7;
    testing::Noise noise(channel == 0 ? 12345u : 67890u);
    double previousNoise = 0.0;
    for (std::size_t n = 0; n < out.size(); ++n) {
        const double t = static_cast<double>(n) / fs;
        double v = 0.0;
        switch (kind) {
        case Signal::Silence:
            v = 0.0;
            break;
        case Signal::Sine:
            v = level * std::sin(kTwoPi * 1000.0 * detune * t + phase);
            break;
        case Signal::Voice: {
            // 140 Hz voice with five harmonics, syllables of 120 ms and pauses of 80 ms,
            // and a sibilant burst at the end of every second syllable.
            const double cycle = std::fmod(t, 0.2);
            const bool voiced = cycle < 0.12;
            double tone = 0.0;
            for (int h = 1; h <= 5; ++h)
                tone += std::sin(kTwoPi * 140.0 * detune * h * t + phase * h) / h;
            const double env = voiced ? std::sin(kTwoPi * cycle / 0.24) : 0.0;
            const double fresh = noise.Next();
            const double bright = fresh - previousNoise;
            previousNoise = fresh;
            const bool sibilant = std::fmod(t, 0.4) > 0.33;
            v = level * (0.6 * env * tone / 1.5 + (sibilant ? 0.35 * bright : 0.0));
            break;
        }
        case Signal::Sibilant: {
            const double fresh = noise.Next();
            const double bright = fresh - previousNoise;
            previousNoise = fresh;
            const double tones = std::sin(kTwoPi * 7500.0 * detune * t) +
                                 std::sin(kTwoPi * std::min(17500.0, 0.4 * fs) * t + phase);
            v = level * (0.3 * tones + 0.4 * bright);
            break;
        }
        case Signal::Noise:
            v = level * noise.Next();
            break;
        case Signal::NearFull:
            v = 0.999 * std::sin(kTwoPi * 100.0 * detune * t + phase);
            break;
        case Signal::Loud:
            v = std::tanh(4.0 * std::sin(kTwoPi * 220.0 * detune * t + phase));
            break;
        case Signal::Bass: {
            const bool on = std::fmod(t, 0.1) < 0.05;
            v = on ? level * std::sin(kTwoPi * 60.0 * t + phase) : 0.0;
            break;
        }
        case Signal::Programme:
            break; // generated whole, with its sidechain, by GenerateInputs
        }
        out[n] = v;
    }
}

// Sets a value the way a host does, through its normalised form.
void Apply(testing::TestTorvik& fx, ReferenceStrip& model, int index, double value,
           bool normalised) {
    IParamRecord* param = fx.ParamAt(index);
    if (!param)
        return;
    param->SetFromNormalised(normalised ? value : param->ToNormalised(value));
    fx.HandleParamChange(index);
    model.SetParam(index, param->Value());
}

// Every value handed to the meter controls in one block against the model's, five per frame.
void CompareHanded(Comparison& r,
                   const std::vector<testing::RecordingGraphics::ControlValue>& handed,
                   const std::vector<MeterFrame>& model, long position) {
    r.metersHanded += static_cast<long>(handed.size());
    r.metersExpected += static_cast<long>(model.size()) * kMeterCount;
    if (handed.size() != model.size() * kMeterCount) {
        r.meterCountMismatch = true;
        return;
    }
    for (std::size_t n = 0; n < model.size(); ++n) {
        for (int m = 0; m < kMeterCount; ++m) {
            const auto& h = handed[n * kMeterCount + static_cast<std::size_t>(m)];
            if (h.control != kFirstMeterControl + m) {
                r.meterCountMismatch = true;
                if (r.firstStrayControl < 0)
                    r.firstStrayControl = h.control;
                continue;
            }
            r.signals[static_cast<std::size_t>(kMeterPre + m)].Note(
                position + static_cast<long>(n), h.value, model[n][static_cast<std::size_t>(m)]);
        }
    }
}

// The meter states at the end of a block against the model's.
void CompareStates(Comparison& r, const Meters& states, const MeterFrame& model, long frame) {
    const double processor[kMeterCount] = {states.meterPre, states.meterMain, states.meterDeEss,
                                           states.meterGate, states.meterComp};
    for (int m = 0; m < kMeterCount; ++m)
        r.signals[static_cast<std::size_t>(kMeterPre + m)].Note(frame, processor[m],
                                                                model[static_cast<std::size_t>(m)]);
}

// The four input channels of a scenario: main left and right, sidechain left and right.
std::vector<std::vector<double>> GenerateInputs(const Scenario& s, long total) {
    std::vector<std::vector<double>> input(4, std::vector<double>(static_cast<std::size_t>(total)));
    testing::Signal programme;
    if (s.main == Signal::Programme || s.sidechain == Signal::Programme)
        programme = testing::MakeProgramme(static_cast<int>(total), s.sampleRate, s.level);
    if (s.main == Signal::Programme) {
        input[0] = programme.left;
        input[1] = programme.right;
    } else {
        Generate(s.main, s.level, s.sampleRate, 0, input[0]);
        Generate(s.main, s.level, s.sampleRate, 1, input[1]);
    }
    if (s.sidechain == Signal::Programme) {
        input[2] = programme.scLeft;
        input[3] = programme.scRight;
    } else {
        Generate(s.sidechain, kSidechainLevel, s.sampleRate, 0, input[2]);
        Generate(s.sidechain, kSidechainLevel, s.sampleRate, 1, input[3]);
    }
    return input;
}

// The host starts processing (after stopping it, where it was running): the processor
// through its activation hook, the model through its own.
void ActivateBoth(testing::TestTorvik& fx, ReferenceStrip& model, double fs, bool wasActive) {
    if (wasActive)
        fx.OnActivate(false);
    fx.OnActivate(true);
    model.Activate(fs);
}

} // namespace

void Difference::Note(long frame, double processor, double model) {
    const double diff = std::fabs(processor - model);
    if (!(diff <= maxAbs)) // also takes NaN on either side
        maxAbs = std::isnan(diff) ? INFINITY : diff;
    if (std::isfinite(diff))
        sumSquares += diff * diff;
    ++count;
    if (firstFrame < 0 && std::memcmp(&processor, &model, sizeof processor) != 0) {
        firstFrame = frame;
        firstProcessor = processor;
        firstModel = model;
    }
}

double Difference::Rms() const {
    if (std::isinf(maxAbs))
        return INFINITY;
    return count > 0 ? std::sqrt(sumSquares / static_cast<double>(count)) : 0.0;
}

bool Comparison::Exact() const {
    for (const Difference& d : signals)
        if (d.firstFrame >= 0)
            return false;
    return !meterCountMismatch;
}

bool Comparison::WithinContract() const {
    return !meterCountMismatch && WorstMax() <= kMaxDifference && WorstRms() <= kMaxRmsDifference;
}

double Comparison::WorstMax() const {
    double worst = 0.0;
    for (const Difference& d : signals)
        worst = std::max(worst, d.maxAbs);
    return worst;
}

double Comparison::WorstRms() const {
    double worst = 0.0;
    for (const Difference& d : signals)
        worst = std::max(worst, d.Rms());
    return worst;
}

Comparison RunScenario(const Scenario& s) {
    Comparison r;
    double fs = s.sampleRate;
    const long total = std::max(1L, static_cast<long>(s.seconds * kDurationScale * s.sampleRate));
    const std::vector<std::vector<double>> input = GenerateInputs(s, total);

    testing::TestTorvik fx;
    // A recorder catches every meter value handed out; where the plug-in builds its own
    // editor context, the meter states are compared at the end of each block instead.
    testing::RecordingGraphics* graphics = nullptr;
    if (!fx.Graphics()) {
        graphics = new testing::RecordingGraphics(45); // owned by the plug-in from here
        fx.AttachEditorGraphics(graphics);
    }
    // The editor layout's meter controls, as the editor lists them.
    fx.SetMeterControls(kFirstMeterControl, kFirstMeterControl + 1, kFirstMeterControl + 2,
                        kFirstMeterControl + 3, kFirstMeterControl + 4);
    fx.SetSampleRate(fs);
    const int largest = *std::max_element(s.blockSizes.begin(), s.blockSizes.end());
    fx.ApplyBlockSize(std::max(largest, 1));

    // A processor driven on its own gets every working value before its first block.
    ReferenceStrip model;
    for (int i = 0; i < fx.ParamCount(); ++i) {
        fx.HandleParamChange(i);
        model.SetParam(i, fx.ParamAt(i)->Value());
    }
    for (const ParamSetting& p : s.settings)
        Apply(fx, model, p.index, p.value, s.normalisedSettings);
    if (s.activate)
        ActivateBoth(fx, model, fs, false);

    std::vector<double> procOut[2], modelOut[2];
    std::vector<MeterFrame> modelMeters;
    long position = 0;
    for (int block = 0; position < total || block == 0; ++block) {
        for (const BlockChange& c : s.changes) {
            if (c.beforeBlock != block)
                continue;
            if (c.index == kNewSampleRate) {
                fs = c.value;
                fx.SetSampleRate(fs);
            } else if (c.index == kReactivate) {
                ActivateBoth(fx, model, fs, true);
            } else {
                Apply(fx, model, c.index, c.value, false);
            }
        }
        const int size = s.blockSizes[static_cast<std::size_t>(block) % s.blockSizes.size()];
        const int frames = static_cast<int>(std::min<long>(size, total - position));
        for (int c = 0; c < 2; ++c) {
            procOut[c].assign(static_cast<std::size_t>(std::max(frames, 1)), kUnwrittenMarker);
            modelOut[c].assign(static_cast<std::size_t>(std::max(frames, 1)), kUnwrittenMarker);
        }
        double* in[4];
        for (int c = 0; c < 4; ++c)
            in[c] = const_cast<double*>(input[static_cast<std::size_t>(c)].data()) + position;
        double* pOut[2] = {procOut[0].data(), procOut[1].data()};
        double* mOut[2] = {modelOut[0].data(), modelOut[1].data()};

        if (graphics)
            graphics->handed.clear();
        modelMeters.clear();
        fx.ProcessBlock(in, pOut, frames);
        model.ProcessBlock(in, mOut, frames, fs, &modelMeters);

        for (int n = 0; n < frames; ++n) {
            for (int c = 0; c < 2; ++c) {
                const double mv = modelOut[c][static_cast<std::size_t>(n)];
                r.signals[static_cast<std::size_t>(kOutLeft + c)].Note(
                    position + n, procOut[c][static_cast<std::size_t>(n)], mv);
                r.peakOut = std::max(r.peakOut, std::fabs(mv));
            }
        }
        if (graphics)
            CompareHanded(r, graphics->handed, modelMeters, position);
        else if (!modelMeters.empty())
            CompareStates(r, fx.MeterStates(), modelMeters.back(), position + frames - 1);
        position += frames;
        if (size <= 0 && block > 4 * static_cast<int>(s.blockSizes.size()) && position == 0)
            break; // only empty blocks: stop
    }
    r.frames = position;
    r.lowestDeEssGain = model.LowestDeEssGain();
    r.lowestCompGain = model.LowestCompGain();
    return r;
}

namespace {

const char* const kSignalNames[kCompareSignalCount] = {
    "output left",    "output right", "preamp meter",    "output meter",
    "de-esser meter", "gate meter",   "compressor meter"};

} // namespace

std::string Describe(const Scenario& s, const Comparison& r) {
    char line[512];
    const char* verdict = r.Exact() ? "exact" : r.WithinContract() ? "within" : "OUTSIDE";
    std::snprintf(line, sizeof line,
                  "%-56s %-7s over %6ld frames: max |diff| %.3g, RMS %.3g (peak %.3g, de-esser "
                  "%.3g, compressor %.3g)",
                  s.name.c_str(), verdict, r.frames, r.WorstMax(), r.WorstRms(), r.peakOut,
                  r.lowestDeEssGain, r.lowestCompGain);
    std::string text = line;
    if (r.Exact())
        return text;
    for (int k = 0; k < kCompareSignalCount; ++k) {
        const Difference& d = r.signals[static_cast<std::size_t>(k)];
        if (d.firstFrame < 0)
            continue;
        std::snprintf(line, sizeof line,
                      "\n    %-16s max |diff| %.3g, RMS %.3g, first at frame %ld: processor "
                      "%.17g model %.17g",
                      kSignalNames[k], d.maxAbs, d.Rms(), d.firstFrame, d.firstProcessor,
                      d.firstModel);
        text += line;
    }
    if (r.meterCountMismatch) {
        std::snprintf(line, sizeof line,
                      "\n    meters: the processor handed %ld values where the model hands %ld "
                      "(first stray control %d)",
                      r.metersHanded, r.metersExpected, r.firstStrayControl);
        text += line;
    }
    return text;
}

void WorstFigures::Note(const Scenario& s, const Comparison& r) {
    ++scenarios;
    if (r.Exact())
        ++exact;
    auto worse = [&s](double value, double& worst, std::string& at) {
        if (!(value <= worst)) {
            worst = value;
            at = s.name;
        }
    };
    for (int k = 0; k < kCompareSignalCount; ++k) {
        const Difference& d = r.signals[static_cast<std::size_t>(k)];
        const bool output = k <= kOutRight;
        worse(d.maxAbs, output ? outMax : meterMax, output ? outMaxAt : meterMaxAt);
        worse(d.Rms(), output ? outRms : meterRms, output ? outRmsAt : meterRmsAt);
    }
}

std::string WorstFigures::Summary() const {
    auto at = [](const std::string& name) {
        return name.empty() ? "everywhere exact" : name.c_str();
    };
    char line[1024];
    std::snprintf(line, sizeof line,
                  "Worst differences from the reference model over %d scenario(s), %d exact:\n"
                  "  outputs: max |diff| %.3g (%s), RMS %.3g (%s)\n"
                  "  meters:  max |diff| %.3g (%s), RMS %.3g (%s)\n"
                  "  contract: max |diff| <= %.0e, RMS <= %.0e",
                  scenarios, exact, outMax, at(outMaxAt), outRms, at(outRmsAt), meterMax,
                  at(meterMaxAt), meterRms, at(meterRmsAt), kMaxDifference, kMaxRmsDifference);
    return line;
}

} // namespace torvik::reference
