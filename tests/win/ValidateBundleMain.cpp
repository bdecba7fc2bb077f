// torvik_validate BUNDLE
//
// Checks an installed TORVIK.vst3 the way a plug-in validator does, through our host kit: the
// factory and its one class, buses and parameters, processing at several sample rates, block
// sizes and sample sizes with finite output, a state that reads back byte for byte, and two
// instances at once. Prints one line per check ("ok" or "FAIL") and exits 1 when any failed.
#include "hostkit/HostKit.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

using namespace Steinberg;

namespace {

int failures = 0;

void Check(bool ok, const std::string& what, const std::string& detail = {}) {
    std::printf("%s: %s%s%s\n", ok ? "ok" : "FAIL", what.c_str(), detail.empty() ? "" : ": ",
                detail.c_str());
    if (!ok)
        ++failures;
}

// A voice-like tone with noise, at -10 dBFS or so, on both channels.
hostkit::PlanarAudio Signal(double rate, std::size_t frames) {
    hostkit::PlanarAudio audio(2, std::vector<double>(frames));
    std::uint32_t x = 1;
    for (std::size_t i = 0; i < frames; ++i) {
        x = x * 1664525u + 1013904223u;
        const double noise = static_cast<double>(x >> 8) / 8388608.0 - 1.0;
        const double tone = std::sin(2.0 * M_PI * 220.0 * static_cast<double>(i) / rate);
        audio[0][i] = 0.3 * tone + 0.05 * noise;
        audio[1][i] = 0.3 * tone - 0.05 * noise;
    }
    return audio;
}

bool AllFinite(const hostkit::PlanarAudio& audio) {
    for (const auto& channel : audio)
        for (double v : channel)
            if (!std::isfinite(v))
                return false;
    return true;
}

void CheckProcessing(const std::shared_ptr<hostkit::Module>& module) {
    for (double rate : {44100.0, 48000.0, 96000.0})
        for (int32 block : {1, 64, 512})
            for (int32 size : {Vst::kSample32, Vst::kSample64}) {
                const std::string what = "processing at " + std::to_string(int(rate)) +
                                         " Hz, blocks of " + std::to_string(block) + ", " +
                                         (size == Vst::kSample32 ? "32" : "64") + "-bit";
                std::string error;
                auto instance = hostkit::Instance::Create(module, &error);
                if (!instance) {
                    Check(false, what, error);
                    continue;
                }
                hostkit::RenderOptions options;
                options.sampleRate = rate;
                options.blockSize = block;
                options.sampleSize = size;
                options.activateAllBuses = true;
                hostkit::OfflineRenderer renderer(*instance, options);
                if (!renderer.start(&error)) {
                    Check(false, what, error);
                    continue;
                }
                // Every stage in, so each one processes.
                for (Vst::ParamID id : {29u, 32u, 34u, 35u})
                    renderer.scheduleParameter(id, 1.0, 0);
                const std::size_t frames = static_cast<std::size_t>(rate / 20);
                const hostkit::PlanarAudio input = Signal(rate, frames);
                const auto out = renderer.run(input, &input, &error);
                Check(out && out->size() == 2 && (*out)[0].size() == frames && AllFinite(*out),
                      what, error);
            }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: torvik_validate BUNDLE\n");
        return 2;
    }
    std::string error;
    auto module = hostkit::Module::Load(argv[1], &error);
    Check(module != nullptr, std::string("module loads from ") + argv[1], error);
    if (!module)
        return 1;

    Check(module->factoryInfo().vendor == "Quellmark", "factory vendor Quellmark",
          module->factoryInfo().vendor);
    Check(module->classes().size() == 1, "one class");
    const hostkit::ClassInfo* info = module->findClass();
    Check(info != nullptr && info->name == "TORVIK", "audio effect class TORVIK");
    Check(info != nullptr && info->subCategories.find("Fx") != std::string::npos, "sub-category Fx",
          info ? info->subCategories : "");

    auto instance = hostkit::Instance::Create(module, &error);
    Check(instance != nullptr, "instance created and initialised", error);
    if (!instance)
        return 1;
    const auto inputs = instance->audioChannelCounts(Vst::kInput);
    const auto outputs = instance->audioChannelCounts(Vst::kOutput);
    Check(inputs == std::vector<int32_t>{2, 2}, "main and sidechain stereo inputs");
    Check(outputs == std::vector<int32_t>{2}, "one stereo output");
    Check(instance->parameterInfos().size() == 42, "40 parameters, bypass and preset",
          std::to_string(instance->parameterInfos().size()));

    // The effect keeps its state with the controller, as single-component effects do.
    const auto state = instance->getControllerState();
    Check(state && !state->empty(), "state written", std::to_string(state ? state->size() : 0));
    if (state) {
        Check(instance->setControllerState(*state) == kResultOk, "state read back");
        const auto again = instance->getControllerState();
        Check(again && *again == *state, "state written again gives the same bytes");
    }

    auto second = hostkit::Instance::Create(module, &error);
    Check(second != nullptr, "a second instance beside the first", error);

    CheckProcessing(module);
    std::printf("torvik_validate: %d failed\n", failures);
    return failures == 0 ? 0 : 1;
}
