#include "AudioScenario.h"

#include "hostkit/HostKit.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>

namespace torvik::testing {

namespace {

constexpr double kSampleRate = 48000.0;
constexpr int kBlockSize = 256;
constexpr int kFrames = 48000; // one second
constexpr double kPi = 3.14159265358979323846;

// Parameter IDs (indices) the session sets, and their normalised values.
struct Setting {
    Steinberg::Vst::ParamID id;
    double normalised;
    int position; // sample
};
constexpr Steinberg::Vst::ParamID kPreampGain = 0;
constexpr Steinberg::Vst::ParamID kDeEsserThreshold = 5;
constexpr Steinberg::Vst::ParamID kGateThreshold = 9;
constexpr Steinberg::Vst::ParamID kHighMidGain = 14;
constexpr Steinberg::Vst::ParamID kCompThreshold = 16;
constexpr Steinberg::Vst::ParamID kCompRatio = 17;
constexpr Steinberg::Vst::ParamID kPreampTransformer = 27;
constexpr Steinberg::Vst::ParamID kCompExternalSidechain = 38;

constexpr Setting kSettings[] = {
    {kPreampGain, 0.7, 0},
    {kDeEsserThreshold, 0.3, 0},
    {kGateThreshold, 0.4, 0},
    {kHighMidGain, 0.8, 0},
    {kCompRatio, 0.6, 0},
    {kPreampTransformer, 1.0, 0},
    {kCompExternalSidechain, 1.0, 0},
    // Automation: the threshold falls in steps through the second.
    {kCompThreshold, 0.8, 0},
    {kCompThreshold, 0.5, 12000},
    {kCompThreshold, 0.3, 24000},
    {kCompThreshold, 0.1, 36000},
};

// Deterministic noise in -1..1.
class Noise {
public:
    double Next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<double>(state >> 8) / static_cast<double>(1u << 23) - 1.0;
    }

private:
    std::uint32_t state = 12345u;
};

} // namespace

std::vector<double> RenderAudioScenario(const std::string& bundle, std::string& error) {
    auto module = hostkit::Module::Load(bundle, &error);
    if (!module)
        return {};
    auto instance = hostkit::Instance::Create(module, &error);
    if (!instance)
        return {};
    hostkit::RenderOptions options;
    options.sampleRate = kSampleRate;
    options.blockSize = kBlockSize;
    options.sampleSize = Steinberg::Vst::kSample64;
    options.activateAllBuses = true;
    hostkit::OfflineRenderer renderer(*instance, options);
    if (!renderer.start(&error))
        return {};
    for (const Setting& s : kSettings)
        renderer.scheduleParameter(s.id, s.normalised, s.position);

    // A voice-like tone with sibilant noise bursts; the sidechain pulses.
    hostkit::PlanarAudio main(2, std::vector<double>(kFrames));
    hostkit::PlanarAudio side(2, std::vector<double>(kFrames));
    Noise noise;
    for (int i = 0; i < kFrames; ++i) {
        const double t = i / kSampleRate;
        const double vowel = 0.4 * std::sin(2 * kPi * 180 * t) + 0.2 * std::sin(2 * kPi * 360 * t);
        const double hiss = (std::fmod(t, 0.25) < 0.05) ? 0.3 * noise.Next() : 0.0;
        main[0][static_cast<std::size_t>(i)] = vowel + hiss;
        main[1][static_cast<std::size_t>(i)] = 0.9 * vowel - hiss;
        const double pulse = std::fmod(t, 0.5) < 0.1 ? 0.8 : 0.05;
        side[0][static_cast<std::size_t>(i)] = side[1][static_cast<std::size_t>(i)] =
            pulse * std::sin(2 * kPi * 90 * t);
    }
    const auto out = renderer.run(main, &side, &error);
    if (!out || out->size() < 2)
        return {};
    std::vector<double> frames;
    frames.reserve(static_cast<std::size_t>(kFrames) * 2);
    for (std::size_t i = 0; i < (*out)[0].size(); ++i) {
        frames.push_back((*out)[0][i]);
        frames.push_back((*out)[1][i]);
    }
    return frames;
}

bool WriteSamples(const std::string& path, const std::vector<double>& samples) {
    std::ofstream file(path, std::ios::binary);
    for (double v : samples) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &v, sizeof bits);
        unsigned char bytes[8];
        for (int b = 0; b < 8; ++b)
            bytes[b] = static_cast<unsigned char>(bits >> (8 * b));
        file.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    }
    return static_cast<bool>(file);
}

std::vector<double> ReadSamples(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::vector<double> samples;
    unsigned char bytes[8];
    while (file.read(reinterpret_cast<char*>(bytes), sizeof bytes)) {
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b)
            bits |= static_cast<std::uint64_t>(bytes[b]) << (8 * b);
        double v = 0.0;
        std::memcpy(&v, &bits, sizeof v);
        samples.push_back(v);
    }
    return samples;
}

} // namespace torvik::testing
