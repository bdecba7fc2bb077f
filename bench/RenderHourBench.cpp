// torvik-render on a long take: memory and time for SECONDS (default 3600) of 48 kHz stereo
// through the "Podcast Voice" preset. Prints, for comparison, the processor time the effect
// itself needs for that audio (in this process, no files), the codec time (reading the input and
// writing a 24-bit WAV, nothing else), and then torvik-render's real and processor time and peak
// resident memory for a plain render, with --normalize, and with --normalize --report.
// The input is generated here, a second at a time, and removed afterwards.
//
//   render_hour_bench [SECONDS]
#include "AudioFile.h"
#include "EffectSession.h"
#include "VstPresetFile.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace torvik::render;
namespace fs = std::filesystem;

constexpr int kRate = 48000;

double ProcessorSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// One second of speech-like stereo: noise shaped into syllables of 150-300 ms with pauses.
class SpeechLike {
public:
    void Second(Planar& out) {
        out.assign(2, std::vector<double>(kRate));
        for (int i = 0; i < kRate; ++i) {
            if (left-- <= 0) {
                talking = !talking;
                left = static_cast<int>(kRate * (talking ? length(random) : 0.5 * length(random)));
                level = talking ? 0.05 + 0.25 * unit(random) : 0.0;
            }
            lowpass += 0.2 * (noise(random) - lowpass);
            const double v = level * lowpass;
            out[0][static_cast<std::size_t>(i)] = v;
            out[1][static_cast<std::size_t>(i)] = 0.9 * v;
        }
    }

private:
    std::mt19937 random{11};
    std::uniform_real_distribution<double> noise{-1.0, 1.0};
    std::uniform_real_distribution<double> unit{0.0, 1.0};
    std::uniform_real_distribution<double> length{0.15, 0.30};
    bool talking = false;
    int left = 0;
    double level = 0;
    double lowpass = 0;
};

struct Run {
    double real = 0, processor = 0, peakMb = 0;
    int status = -1;
};

Run Measure(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const double start = Now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run r;
    r.real = Now() - start;
    r.processor = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    r.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 3600;
    if (seconds < 1) {
        std::fprintf(stderr, "usage: render_hour_bench [SECONDS]\n");
        return 2;
    }
    const fs::path dir =
        fs::temp_directory_path() / ("torvik-hour-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path input = dir / "take.wav";
    const std::string preset = std::string(PRESET_DIR) + "/Podcast Voice.vstpreset";
    std::string error;

    // The input, and with it the effect alone on the same audio.
    torvik::preset::VstPreset podcast;
    std::unique_ptr<EffectSession> session = OpenEffectSession(TORVIK_BUNDLE, "", error);
    if (!session || !torvik::preset::ReadVstPresetFile(preset, podcast, error) ||
        !session->LoadPreset(podcast, error) || !session->Start(kRate, 512, 32, false, {}, error)) {
        std::fprintf(stderr, "render_hour_bench: %s\n", error.c_str());
        return 1;
    }
    AudioWriter writer;
    if (!writer.Open(input, input.string(),
                     CombineFormat(KindNamed("wav")->container, EncodingForName("pcm24")), kRate, 2,
                     std::nullopt, error))
        return 1;
    SpeechLike speech;
    Planar second, out;
    std::vector<double> interleaved(2 * kRate);
    double effectProcessor = 0, effectReal = 0;
    for (int s = 0; s < seconds; ++s) {
        speech.Second(second);
        for (int i = 0; i < kRate; ++i)
            for (int c = 0; c < 2; ++c)
                interleaved[static_cast<std::size_t>(2 * i + c)] =
                    second[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)];
        writer.WriteDouble(interleaved, kRate, error);
        const double p0 = ProcessorSeconds(), r0 = Now();
        session->Process(second, nullptr, kRate, out, error);
        effectProcessor += ProcessorSeconds() - p0;
        effectReal += Now() - r0;
    }
    session->Finish(out, error);
    session.reset();
    writer.Close(error);

    // The codec alone: read the input, write 24-bit WAV.
    double codecProcessor = 0, codecReal = 0;
    {
        const double p0 = ProcessorSeconds(), r0 = Now();
        AudioReader reader;
        AudioWriter copy;
        reader.Open(input, error);
        copy.Open(dir / "copy.wav", "copy", reader.Format(), kRate, 2, std::nullopt, error);
        Planar chunk;
        while (const std::size_t n = reader.Read(chunk, kRate)) {
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t c = 0; c < 2; ++c)
                    interleaved[2 * i + c] = chunk[c][i];
            copy.WriteDouble(interleaved, n, error);
        }
        copy.Close(error);
        codecProcessor = ProcessorSeconds() - p0;
        codecReal = Now() - r0;
        fs::remove(dir / "copy.wav");
    }

    std::printf("%d s of 48 kHz stereo through \"Podcast Voice\"\n", seconds);
    std::printf("%-44s %9s %11s %10s\n", "", "real s", "processor s", "peak MB");
    std::printf("%-44s %9.1f %11.1f %10s\n", "effect alone, in process", effectReal,
                effectProcessor, "-");
    std::printf("%-44s %9.1f %11.1f %10s\n", "codec alone (read, write WAV 24-bit)", codecReal,
                codecProcessor, "-");
    const std::vector<std::pair<const char*, std::vector<std::string>>> runs = {
        {"torvik-render to WAV 24-bit", {}},
        {"torvik-render --normalize -16", {"--normalize", "-16"}},
        {"torvik-render --normalize -16 --report", {"--normalize", "-16", "--report"}},
    };
    int status = 0;
    for (const auto& [label, options] : runs) {
        std::vector<std::string> args = {TORVIK_RENDER, "--plugin", TORVIK_BUNDLE,
                                         "--preset",    preset,     "--quiet"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), {input.string(), (dir / "out.wav").string()});
        const Run r = Measure(args);
        std::printf("%-44s %9.1f %11.1f %10.1f%s\n", label, r.real, r.processor, r.peakMb,
                    r.status == 0 ? "" : "  (FAILED)");
        status |= r.status;
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return status == 0 ? 0 : 1;
}
