// torvik-soak: renders a long stretch of audio through the built TORVIK.vst3,
// faster than real time, with everything a session throws at a plug-in:
// random automation of every parameter, bypass, the sidechain switched on and
// off, blocks of 1 to 8192 samples, extreme but finite levels and long
// silences. It checks every output sample (no NaN, infinity or subnormal) and
// prints, per period, the processing time per second of audio and the resident
// memory, so a slow drift in either shows as a curve that is not flat.
//
// Usage: torvik-soak [seconds of audio, default 3600] [report period in seconds, default 60]
//                    [bundle, default the one built alongside]
// Exit status 1 when an output sample is bad or the memory keeps growing.
#include "hostkit/hostkit.h"
#include "vst3/HostParamIds.h"
#include "vst3/Vst3Identity.h"

#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace Steinberg;
using namespace Steinberg::Vst;

constexpr double kRate = 48000.0;
constexpr int32 kMaxBlock = 8192;         // longest block a host hands over
constexpr int kParams = 40;               // the plug-in's own parameters
constexpr int kChangesPerBlock = 3;       // automated parameters per block
constexpr double kSceneSeconds = 4.0;     // mean length of one stretch of signal or silence
constexpr double kLowestLevel = 1e-6;     // quietest signal peak (-120 dBFS)
constexpr double kHighestLevel = 1e3;     // loudest signal peak (+60 dBFS)
constexpr double kMemoryGrowthMiB = 16.0; // resident growth after the first period that fails

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// One stretch of input: a tone, noise or silence at one level.
struct Scene {
    enum Kind { kTone, kNoise, kSilence } kind = kSilence;
    double level = 0.0;     // peak
    double frequency = 0.0; // hertz, tones only
    long samplesLeft = 0;
};

class SignalSource {
public:
    explicit SignalSource(std::mt19937& generator) : random(generator) {}

    double Next() {
        if (scene.samplesLeft-- <= 0)
            NewScene();
        ++position;
        switch (scene.kind) {
        case Scene::kTone:
            return scene.level * std::sin(2.0 * std::numbers::pi * scene.frequency *
                                          static_cast<double>(position) / kRate);
        case Scene::kNoise:
            return scene.level * noise(random);
        default:
            return 0.0;
        }
    }

private:
    void NewScene() {
        std::uniform_int_distribution<int> kind(0, 2);
        std::uniform_real_distribution<double> logLevel(std::log10(kLowestLevel),
                                                        std::log10(kHighestLevel));
        std::uniform_real_distribution<double> frequency(20.0, 20000.0);
        std::exponential_distribution<double> length(1.0 / kSceneSeconds);
        scene.kind = static_cast<Scene::Kind>(kind(random));
        scene.level = std::pow(10.0, logLevel(random));
        scene.frequency = frequency(random);
        scene.samplesLeft = static_cast<long>(length(random) * kRate) + 1;
    }

    std::mt19937& random;
    std::uniform_real_distribution<double> noise{-1.0, 1.0};
    Scene scene;
    long position = 0;
};

bool Clean(float v) {
    return std::isfinite(v) && (v == 0.0f || std::fabs(v) >= std::numeric_limits<float>::min());
}

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3600.0;
    const double period = argc > 2 ? std::atof(argv[2]) : 60.0;
    const std::string bundle = argc > 3 ? argv[3] : TORVIK_BUNDLE_PATH;
    if (!(seconds > 0.0) || !(period > 0.0)) {
        std::fprintf(stderr, "usage: torvik-soak [seconds] [report period] [bundle]\n");
        return 2;
    }

    std::string error;
    auto module = hostkit::Module::Load(bundle, &error);
    if (!module) {
        std::fprintf(stderr, "torvik-soak: %s\n", error.c_str());
        return 2;
    }
    const FUID classId(torvik::kClassIdWords[0], torvik::kClassIdWords[1], torvik::kClassIdWords[2],
                       torvik::kClassIdWords[3]);
    auto instance = hostkit::Instance::Create(module, classId, &error);
    if (!instance) {
        std::fprintf(stderr, "torvik-soak: %s\n", error.c_str());
        return 2;
    }
    instance->activateAllBuses();
    instance->setBusArrangements({SpeakerArr::kStereo, SpeakerArr::kStereo}, {SpeakerArr::kStereo});
    if (instance->startProcessing(kRate, kMaxBlock, kSample32) != kResultOk) {
        std::fprintf(stderr, "torvik-soak: the plug-in refused to start\n");
        return 2;
    }
    auto buffers = instance->makeBuffers(kMaxBlock, kSample32);
    auto changes = owned(new hostkit::ParameterChanges());

    std::mt19937 random(20261210);
    SignalSource main(random);
    SignalSource sidechain(random);
    std::uniform_int_distribution<int32> blockSize(1, kMaxBlock);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    bool sidechainOn = true;

    const long total = static_cast<long>(seconds * kRate);
    const long perPeriod = static_cast<long>(period * kRate);
    long done = 0;
    long nextReport = perPeriod;
    long badSamples = 0;
    double cpuInPeriod = 0.0;
    double firstResident = -1.0;
    double lastResident = 0.0;
    double totalCpu = 0.0;
    std::printf("%10s %14s %14s %10s\n", "audio_s", "cpu_ms_per_s", "x_realtime", "rss_MiB");
    while (done < total) {
        const int32 frames = static_cast<int32>(std::min<long>(blockSize(random), total - done));
        for (int ch = 0; ch < 2; ++ch) {
            float* in = buffers->channel32(kInput, 0, ch);
            float* sc = buffers->channel32(kInput, 1, ch);
            for (int32 i = 0; i < frames; ++i) {
                in[i] = static_cast<float>(main.Next());
                sc[i] = static_cast<float>(sidechain.Next());
            }
        }
        for (int k = 0; k < kChangesPerBlock; ++k)
            changes->add(static_cast<ParamID>(random() % kParams), unit(random),
                         static_cast<int32>(random() % static_cast<unsigned>(frames)));
        if (random() % 200 == 0)
            changes->add(torvik::kBypassParamId, unit(random), 0);
        if (random() % 500 == 0) {
            // Hosts switch buses only while the plug-in is inactive.
            sidechainOn = !sidechainOn;
            instance->setActive(false);
            instance->activateBus(kAudio, kInput, 1, sidechainOn);
            instance->setActive(true);
            buffers->setBusActive(kInput, 1, sidechainOn);
        }

        ProcessData& data = buffers->prepare(frames);
        data.inputParameterChanges = changes.get();
        const double before = ProcessCpuSeconds();
        instance->process(data);
        cpuInPeriod += ProcessCpuSeconds() - before;
        changes->clear();

        for (int ch = 0; ch < 2; ++ch) {
            const float* out = buffers->channel32(kOutput, 0, ch);
            for (int32 i = 0; i < frames; ++i)
                badSamples += Clean(out[i]) ? 0 : 1;
        }
        done += frames;
        if (done >= nextReport || done >= total) {
            const double audioSeconds =
                static_cast<double>(done - (nextReport - perPeriod)) / kRate;
            lastResident = ResidentMiB();
            if (firstResident < 0.0)
                firstResident = lastResident;
            std::printf("%10.0f %14.2f %14.1f %10.1f\n", static_cast<double>(done) / kRate,
                        1000.0 * cpuInPeriod / audioSeconds, audioSeconds / cpuInPeriod,
                        lastResident);
            std::fflush(stdout);
            totalCpu += cpuInPeriod;
            cpuInPeriod = 0.0;
            nextReport += perPeriod;
        }
    }
    instance->stopProcessing();

    const double growth = lastResident - firstResident;
    std::printf("audio %.0f s in %.1f s of processing (%.1fx real time); bad output samples: "
                "%ld; resident growth after the first period: %.1f MiB\n",
                seconds, totalCpu, seconds / totalCpu, badSamples, growth);
    return badSamples == 0 && growth < kMemoryGrowthMiB ? 0 : 1;
}
