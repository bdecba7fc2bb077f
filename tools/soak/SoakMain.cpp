// torvik-soak: renders a long stretch of audio through the built TORVIK.vst3,
// faster than real time, with everything a session throws at a plug-in:
// random automation of every parameter, bypass, the sidechain switched on and
// off, blocks of 1 to 8192 samples, extreme but finite levels and long
// silences. It checks every output sample (no NaN, infinity or subnormal) and
// the resident memory.
//
// The work repeats: period p replays, call for call, the host calls of period
// p mod R (its signal, block sizes, all 40 parameters set in its first block,
// automation, bypass and sidechain switching). So every period after the
// first R does the same work as an earlier one, and the ratio of its CPU time
// to that first occurrence shows a slow-down directly; a flat curve stays
// near 1. Timing is printed, never judged.
//
// Usage: torvik-soak [seconds of audio, default 3600] [report period in seconds, default 60]
//                    [periods before the work repeats, default 3] [bundle, default the one
//                    built alongside]
// Exit status 1 when an output sample is bad or the memory keeps growing.
#include "hostkit/HostKit.h"
#include "vst3/HostParamIds.h"
#include "vst3/Vst3Identity.h"

#include <time.h>
#include <unistd.h>

#include <algorithm>
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
constexpr unsigned kSeed = 20261210;      // the schedule's seed; slot s uses kSeed + s

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

// The work of one period: everything a period's host calls depend on, made
// anew from the period's slot at its start.
struct PeriodWork {
    explicit PeriodWork(unsigned slot)
        : random(kSeed + slot), main(random), sidechain(random), sidechainOn(random() % 2 == 0) {}

    std::mt19937 random;
    SignalSource main;
    SignalSource sidechain;
    bool sidechainOn; // the sidechain bus at the period's start
};

// CPU time of each slot's first occurrence, to compare its repeats with.
struct Baselines {
    std::vector<double> cpuPerSecond; // ms per second of audio; negative until measured
    double worstRatio = 0.0;
    long worstPeriod = -1;
};

} // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3600.0;
    const double period = argc > 2 ? std::atof(argv[2]) : 60.0;
    const int repeat = argc > 3 ? std::atoi(argv[3]) : 3;
    const std::string bundle = argc > 4 ? argv[4] : TORVIK_BUNDLE_PATH;
    if (!(seconds > 0.0) || !(period > 0.0) || repeat < 1) {
        std::fprintf(stderr, "usage: torvik-soak [seconds] [report period] [repeat] [bundle]\n");
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
    bool sidechainOn = true;
    // Hosts switch buses only while the plug-in is inactive.
    const auto switchSidechain = [&](bool on) {
        sidechainOn = on;
        instance->setActive(false);
        instance->activateBus(kAudio, kInput, 1, sidechainOn);
        instance->setActive(true);
        buffers->setBusActive(kInput, 1, sidechainOn);
    };

    const long total = static_cast<long>(seconds * kRate);
    const long perPeriod = std::max(1L, static_cast<long>(period * kRate));
    Baselines baselines;
    baselines.cpuPerSecond.assign(static_cast<std::size_t>(repeat), -1.0);
    long done = 0;
    long badSamples = 0;
    double firstResident = -1.0;
    double lastResident = 0.0;
    double totalCpu = 0.0;
    std::printf("%7s %10s %5s %14s %8s %12s %10s\n", "period", "audio_s", "slot", "cpu_ms_per_s",
                "ratio", "x_realtime", "rss_MiB");
    for (long p = 0; done < total; ++p) {
        const auto slot = static_cast<unsigned>(p % repeat);
        PeriodWork work(slot);
        if (work.sidechainOn != sidechainOn)
            switchSidechain(work.sidechainOn);
        std::uniform_int_distribution<int32> blockSize(1, kMaxBlock);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        // The period's settings: every parameter in its first block.
        for (int k = 0; k < kParams; ++k)
            changes->add(static_cast<ParamID>(k), unit(work.random), 0);

        const long length = std::min(perPeriod, total - done);
        double cpu = 0.0;
        for (long inPeriod = 0; inPeriod < length;) {
            const int32 frames =
                static_cast<int32>(std::min<long>(blockSize(work.random), length - inPeriod));
            for (int ch = 0; ch < 2; ++ch) {
                float* in = buffers->channel32(kInput, 0, ch);
                float* sc = buffers->channel32(kInput, 1, ch);
                for (int32 i = 0; i < frames; ++i) {
                    in[i] = static_cast<float>(work.main.Next());
                    sc[i] = static_cast<float>(work.sidechain.Next());
                }
            }
            for (int k = 0; k < kChangesPerBlock; ++k)
                changes->add(static_cast<ParamID>(work.random() % kParams), unit(work.random),
                             static_cast<int32>(work.random() % static_cast<unsigned>(frames)));
            if (work.random() % 200 == 0)
                changes->add(torvik::kBypassParamId, unit(work.random), 0);
            if (work.random() % 500 == 0)
                switchSidechain(!sidechainOn);

            ProcessData& data = buffers->prepare(frames);
            data.inputParameterChanges = changes.get();
            const double before = ProcessCpuSeconds();
            instance->process(data);
            cpu += ProcessCpuSeconds() - before;
            changes->clear();

            for (int ch = 0; ch < 2; ++ch) {
                const float* out = buffers->channel32(kOutput, 0, ch);
                for (int32 i = 0; i < frames; ++i)
                    badSamples += Clean(out[i]) ? 0 : 1;
            }
            inPeriod += frames;
        }
        done += length;
        totalCpu += cpu;

        const double audioSeconds = static_cast<double>(length) / kRate;
        const double msPerSecond = 1000.0 * cpu / audioSeconds;
        double& baseline = baselines.cpuPerSecond[slot];
        char ratioText[16] = "first";
        // A shortened last period does other work than its slot's first one.
        if (baseline > 0.0 && length == perPeriod) {
            const double ratio = msPerSecond / baseline;
            std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
            if (ratio > baselines.worstRatio) {
                baselines.worstRatio = ratio;
                baselines.worstPeriod = p;
            }
        } else if (baseline < 0.0) {
            baseline = msPerSecond;
        } else {
            std::snprintf(ratioText, sizeof ratioText, "short");
        }
        lastResident = ResidentMiB();
        if (firstResident < 0.0)
            firstResident = lastResident;
        std::printf("%7ld %10.0f %5u %14.2f %8s %12.1f %10.1f\n", p,
                    static_cast<double>(done) / kRate, slot, msPerSecond, ratioText,
                    audioSeconds / cpu, lastResident);
        std::fflush(stdout);
    }
    instance->stopProcessing();

    const double growth = lastResident - firstResident;
    std::printf("audio %.0f s in %.1f s of processing (%.1fx real time); bad output samples: "
                "%ld; resident growth after the first period: %.1f MiB\n",
                seconds, totalCpu, seconds / totalCpu, badSamples, growth);
    if (baselines.worstPeriod >= 0)
        std::printf("worst CPU ratio to the same work's first occurrence: %.3f (period %ld)\n",
                    baselines.worstRatio, baselines.worstPeriod);
    else
        std::printf("no period repeated its slot's work: run longer than %d periods for ratios\n",
                    repeat);
    return badSamples == 0 && growth < kMemoryGrowthMiB ? 0 : 1;
}
