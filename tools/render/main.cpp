// torvik-render: processes audio files through a VST 3 effect the way a DAW renders a track.
// Exit status: 0 done, 1 the work failed (bad file, parameter, plug-in), 2 bad command line.
#include "AudioFile.h"
#include "LevelReport.h"
#include "PluginSession.h"
#include "RenderOptions.h"
#include "VstPresetFile.h"

#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace torvik::render;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kBundleName = "TORVIK.vst3";
// Output channels of a mono file that differ by more than this (-60 dBFS) mean the effect is
// not channel-symmetric, which is worth a warning. Smaller differences come from gain glides
// that step each channel in turn while they settle, which leave no audible trace.
constexpr double kMonoWarnDifference = 1e-3;
// Files shorter than this render too fast for a progress display to help.
constexpr double kProgressAfterSeconds = 10.0;

int Fail(const std::string& message) {
    std::fprintf(stderr, "torvik-render: %s\n", message.c_str());
    return kExitFailure;
}

// The bundle this build made (searched upwards from the executable), else the installed one.
std::string DefaultPluginPath() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path dir = exe.parent_path();
        for (int up = 0; up < 4 && !dir.empty(); ++up) {
            for (const fs::path& candidate : {dir / kBundleName, dir / "vst3" / kBundleName})
                if (fs::is_directory(candidate, ec))
                    return candidate.string();
            if (dir == dir.parent_path())
                break;
            dir = dir.parent_path();
        }
    }
    std::vector<fs::path> installed;
    if (const char* home = std::getenv("HOME"))
        installed.push_back(fs::path(home) / ".vst3" / kBundleName);
    installed.push_back(fs::path("/usr/lib/vst3") / kBundleName);
    installed.push_back(fs::path("/usr/local/lib/vst3") / kBundleName);
    for (const fs::path& candidate : installed)
        if (fs::is_directory(candidate, ec))
            return candidate.string();
    return {};
}

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

void PrintParameters(const PluginSession& session) {
    std::printf("Parameters of '%s' (set with --set \"TITLE=VALUE\" or --set \"ID=VALUE\"; "
                "value is the current one):\n",
                session.ClassName().c_str());
    std::printf("%5s  %-10s  %-32s %10s %10s %10s %10s %10s  %-6s %s\n", "index", "ID", "title",
                "minimum", "maximum", "default", "value", "normalised", "unit", "kind");
    for (const ParameterDescription& p : session.Parameters()) {
        std::string kind = p.stepCount == 0   ? "continuous"
                           : p.stepCount == 1 ? "switch"
                                              : std::to_string(p.stepCount + 1) + " steps";
        using Info = Steinberg::Vst::ParameterInfo;
        if ((p.flags & Info::kIsBypass) != 0)
            kind += ", bypass";
        if ((p.flags & Info::kIsProgramChange) != 0)
            kind += ", program change";
        if ((p.flags & Info::kIsReadOnly) != 0)
            kind += ", read-only";
        std::printf("%5d  %-10u  %-32s %10s %10s %10s %10s %10s  %-6s %s\n", p.listIndex, p.id,
                    p.title.empty() ? "(no title)" : p.title.c_str(), Number(p.minimum).c_str(),
                    Number(p.maximum).c_str(), Number(p.defaultPlain).c_str(),
                    Number(session.CurrentPlain(p.id)).c_str(),
                    Number(session.CurrentNormalized(p.id)).c_str(),
                    p.units.empty() ? "-" : p.units.c_str(), kind.c_str());
    }
}

// Reads an audio file that the effect can take: one or two channels, at least one frame.
bool ReadUsableAudio(const std::string& path, const char* role, AudioData& out,
                     std::string& error) {
    if (!ReadAudioFile(path, out, error))
        return false;
    if (out.ChannelCount() > 2) {
        error = path + ": has " + std::to_string(out.ChannelCount()) + " channels; the " + role +
                " must be mono or stereo";
        return false;
    }
    if (out.Frames() == 0) {
        error = path + ": holds no audio";
        return false;
    }
    // Float files can carry NaN or infinity; no effect can make sense of them.
    for (const auto& ch : out.channels)
        for (std::size_t f = 0; f < ch.size(); ++f)
            if (!std::isfinite(ch[f])) {
                char at[48];
                std::snprintf(at, sizeof at, "%.3f s", static_cast<double>(f) / out.sampleRate);
                error = path + ": holds a sample that is not a number at " + at;
                return false;
            }
    return true;
}

// The output's format: container from --format, else the output's extension, else the input's;
// encoding from --encoding, else the input's.
int OutputFormat(const RenderOptions& options, int inputFormat) {
    int container = options.container == "wav"    ? SF_FORMAT_WAV
                    : options.container == "aiff" ? SF_FORMAT_AIFF
                    : options.container == "flac" ? SF_FORMAT_FLAC
                                                  : ContainerForExtension(options.output);
    if (container == 0)
        container = inputFormat & SF_FORMAT_TYPEMASK;
    const int encoding = options.encoding.empty() ? (inputFormat & SF_FORMAT_SUBMASK)
                                                  : EncodingForName(options.encoding);
    return CombineFormat(container, encoding);
}

class Progress {
public:
    Progress(bool enabled) : on(enabled) {}
    ~Progress() { Done(); }
    void operator()(double fraction) {
        if (!on)
            return;
        const int percent = static_cast<int>(fraction * 100.0);
        if (percent != shown) {
            shown = percent;
            std::fprintf(stderr, "\rrendering %3d%%", percent);
            std::fflush(stderr);
        }
    }
    void Done() {
        if (on && shown >= 0)
            std::fprintf(stderr, "\r              \r");
        shown = -1;
    }

private:
    bool on;        // stderr is a terminal and the file is long
    int shown = -1; // last percentage printed, -1 none
};

} // namespace

int main(int argc, char** argv) {
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "torvik-render: %s\nTry 'torvik-render --help'.\n", error.c_str());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(RenderUsage().c_str(), stdout);
        return 0;
    }

    // Everything that can be checked without the plug-in is checked first.
    AudioData input;
    AudioData sidechain;
    int outputFormat = 0;
    if (!options.input.empty()) {
        if (!ReadUsableAudio(options.input, "input", input, error))
            return Fail(error);
        std::error_code ec;
        if (fs::exists(options.output, ec) && fs::equivalent(options.input, options.output, ec))
            return Fail("OUTPUT " + options.output + " is the INPUT file itself");
        outputFormat = OutputFormat(options, input.format);
        if (outputFormat == 0)
            return Fail("cannot write " + options.output + " in the requested format");
    }
    if (!options.sidechain.empty()) {
        if (!ReadUsableAudio(options.sidechain, "sidechain", sidechain, error))
            return Fail(error);
        if (sidechain.sampleRate != input.sampleRate)
            return Fail(options.sidechain + ": runs at " + std::to_string(sidechain.sampleRate) +
                        " Hz but the input at " + std::to_string(input.sampleRate) +
                        " Hz; resample it first");
    }
    torvik::preset::VstPreset presetIn;
    if (!options.presetIn.empty() &&
        !torvik::preset::ReadVstPresetFile(options.presetIn, presetIn, error))
        return Fail(error);

    std::string pluginPath = options.pluginPath;
    if (pluginPath.empty()) {
        pluginPath = DefaultPluginPath();
        if (pluginPath.empty())
            return Fail(std::string("no ") + kBundleName +
                        " found next to this program or in ~/.vst3; give one with --plugin");
    }
    std::unique_ptr<PluginSession> session =
        PluginSession::Open(pluginPath, options.className, error);
    if (!session)
        return Fail(error);

    std::vector<ResolvedSetting> settings;
    for (const ParameterSetting& s : options.settings) {
        ResolvedSetting r;
        if (!session->Resolve(s, r, error))
            return Fail("--set \"" + s.typed + "\": " + error);
        settings.push_back(r);
    }
    if (!options.presetIn.empty() && !session->LoadPreset(presetIn, error))
        return Fail(options.presetIn + ": " + error);
    for (const ResolvedSetting& r : settings)
        session->Apply(r);

    // The list shows the values after the preset and the settings, so it also tells what a
    // preset file holds.
    if (options.listParams) {
        PrintParameters(*session);
        if (options.input.empty() && options.presetOut.empty())
            return 0;
    }

    if (!options.input.empty()) {
        const bool longFile = static_cast<double>(input.Frames()) >
                              kProgressAfterSeconds * static_cast<double>(input.sampleRate);
        Progress progress(!options.quiet && longFile && ::isatty(STDERR_FILENO) != 0);
        AudioData output;
        MonoFold fold;
        const bool rendered = session->Render(
            input, options.sidechain.empty() ? nullptr : &sidechain, options.blockSize,
            options.precision, output, fold, [&](double f) { progress(f); }, error);
        progress.Done();
        if (!rendered)
            return Fail(error);
        if (fold.checked && fold.maxDifference > kMonoWarnDifference)
            std::fprintf(stderr,
                         "torvik-render: warning: the effect treated the two copies of the mono "
                         "input differently (largest difference %.3g); wrote their average\n",
                         fold.maxDifference);
        output.format = outputFormat;
        if (!WriteAudioFile(options.output, output, error))
            return Fail(error);
        if (options.report) {
            std::fputs(FormatLevelReport(input, output).c_str(), stdout);
            if (fold.checked && fold.identical)
                std::printf("mono input: output channels identical bit for bit\n");
            else if (fold.checked)
                std::printf("mono input: output channels differ by at most %.3g (%.1f dBFS) "
                            "until %.3f s; wrote their average\n",
                            fold.maxDifference, 20.0 * std::log10(fold.maxDifference),
                            static_cast<double>(fold.differentThrough) / input.sampleRate);
        }
    } else if (!options.presetOut.empty() && !options.settings.empty()) {
        if (!session->Flush(options.blockSize, options.precision, error))
            return Fail(error);
    }

    if (!options.presetOut.empty()) {
        torvik::preset::VstPreset presetOut;
        if (!session->CapturePreset(presetOut, error) ||
            !torvik::preset::WriteVstPresetFile(options.presetOut, presetOut, error))
            return Fail(error);
    }
    return 0;
}
