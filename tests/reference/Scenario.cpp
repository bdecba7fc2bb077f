#include "reference/Scenario.h"

#include "reference/ReferenceStrip.h"
#include "support/RecordingGraphics.h"
#include "support/TestTorvik.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace torvik::reference {

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kMeterCount = 5;
constexpr int kFirstMeterControl = 40;

// Deterministic white noise in -1..1.
class Lcg {
public:
    explicit Lcg(std::uint32_t seed) : state(seed) {}
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / 8388608.0 - 1.0;
    }

private:
    std::uint32_t state;
};

// Fills one channel of a test signal; channel 1 is a slightly different take.
void Generate(Signal kind, double level, double fs, int channel, std::vector<double>& out) {
    const double detune = channel == 0 ? 1.0 : 1.1;
    const double phase = channel == 0 ? 0.0 : 0.7;
    Lcg noise(channel == 0 ? 12345u : 67890u);
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

void Note(Comparison& r, long frame, int channel, double processor, double model) {
    const double diff = std::fabs(processor - model);
    if (!(diff <= r.maxOutDiff)) // also takes NaN on either side
        r.maxOutDiff = std::isnan(diff) ? INFINITY : diff;
    if (r.firstOutFrame < 0 && !(processor == model)) {
        r.firstOutFrame = frame;
        r.firstOutChannel = channel;
        r.firstOutProcessor = processor;
        r.firstOutModel = model;
    }
}

void NoteMeter(Comparison& r, long frame, int meter, double processor, double model) {
    const double diff = std::fabs(processor - model);
    if (!(diff <= r.maxMeterDiff))
        r.maxMeterDiff = std::isnan(diff) ? INFINITY : diff;
    if (r.firstMeterFrame < 0 && !(processor == model)) {
        r.firstMeterFrame = frame;
        r.firstMeter = meter;
        r.firstMeterProcessor = processor;
        r.firstMeterModel = model;
    }
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
            NoteMeter(r, position + static_cast<long>(n), m, h.value,
                      model[n][static_cast<std::size_t>(m)]);
        }
    }
}

// The meter states at the end of a block against the model's.
void CompareStates(Comparison& r, const Meters& states, const MeterFrame& model, long frame) {
    const double processor[kMeterCount] = {states.meterPre, states.meterMain, states.meterDeEss,
                                           states.meterGate, states.meterComp};
    for (int m = 0; m < kMeterCount; ++m)
        NoteMeter(r, frame, m, processor[m], model[static_cast<std::size_t>(m)]);
}

} // namespace

Comparison RunScenario(const Scenario& s) {
    Comparison r;
    double fs = s.sampleRate;
    const long total = static_cast<long>(s.seconds * s.sampleRate);

    std::vector<std::vector<double>> input(4, std::vector<double>(static_cast<std::size_t>(total)));
    Generate(s.main, s.level, s.sampleRate, 0, input[0]);
    Generate(s.main, s.level, s.sampleRate, 1, input[1]);
    Generate(s.sidechain, 0.8, s.sampleRate, 0, input[2]);
    Generate(s.sidechain, 0.8, s.sampleRate, 1, input[3]);

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

    std::vector<double> procOut[2], modelOut[2];
    std::vector<MeterFrame> modelMeters;
    long position = 0;
    for (int block = 0; position < total || block == 0; ++block) {
        for (const BlockChange& c : s.changes) {
            if (c.beforeBlock != block)
                continue;
            if (c.index < 0) {
                fs = c.value;
                fx.SetSampleRate(fs);
            } else {
                Apply(fx, model, c.index, c.value, false);
            }
        }
        const int size = s.blockSizes[static_cast<std::size_t>(block) % s.blockSizes.size()];
        const int frames = static_cast<int>(std::min<long>(size, total - position));
        for (int c = 0; c < 2; ++c) {
            // Outputs start as a marker, so an unwritten sample shows as a difference.
            procOut[c].assign(static_cast<std::size_t>(std::max(frames, 1)), 12345.0);
            modelOut[c].assign(static_cast<std::size_t>(std::max(frames, 1)), 12345.0);
        }
        double* in[4];
        for (int c = 0; c < 4; ++c)
            in[c] = input[static_cast<std::size_t>(c)].data() + position;
        double* pOut[2] = {procOut[0].data(), procOut[1].data()};
        double* mOut[2] = {modelOut[0].data(), modelOut[1].data()};

        if (graphics)
            graphics->handed.clear();
        modelMeters.clear();
        fx.ProcessBlock(in, pOut, frames);
        model.ProcessBlock(in, mOut, frames, fs, &modelMeters);

        for (int n = 0; n < frames; ++n) {
            for (int c = 0; c < 2; ++c) {
                const double pv = procOut[c][static_cast<std::size_t>(n)];
                const double mv = modelOut[c][static_cast<std::size_t>(n)];
                Note(r, position + n, c, pv, mv);
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

std::string Describe(const Scenario& s, const Comparison& r) {
    static const char* const meterNames[kMeterCount] = {"preamp", "output", "de-esser", "gate",
                                                        "compressor"};
    char line[512];
    if (r.Exact()) {
        std::snprintf(line, sizeof line,
                      "%-48s exact over %6ld frames (peak %.3g, de-esser %.3g, compressor %.3g)",
                      s.name.c_str(), r.frames, r.peakOut, r.lowestDeEssGain, r.lowestCompGain);
        return line;
    }
    std::string text;
    std::snprintf(line, sizeof line, "%-48s DIFFERS over %6ld frames (peak %.3g)", s.name.c_str(),
                  r.frames, r.peakOut);
    text += line;
    if (r.firstOutFrame >= 0) {
        std::snprintf(line, sizeof line,
                      "\n    output: max |diff| %.3g, first at frame %ld ch %d: processor %.17g "
                      "model %.17g",
                      r.maxOutDiff, r.firstOutFrame, r.firstOutChannel, r.firstOutProcessor,
                      r.firstOutModel);
        text += line;
    }
    if (r.firstMeterFrame >= 0) {
        std::snprintf(line, sizeof line,
                      "\n    meters: max |diff| %.3g, first at frame %ld (%s): processor %.17g "
                      "model %.17g",
                      r.maxMeterDiff, r.firstMeterFrame, meterNames[r.firstMeter],
                      r.firstMeterProcessor, r.firstMeterModel);
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

} // namespace torvik::reference
