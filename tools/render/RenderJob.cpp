#include "RenderJob.h"

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

namespace torvik::render {

namespace fs = std::filesystem;

namespace {

// Output channels of a mono file that differ by more than this (-60 dBFS) mean the effect is
// not channel-symmetric, which is worth a warning. Smaller differences come from gain glides
// that step each channel in turn while they settle, which leave no audible trace.
constexpr double kMonoWarnDifference = 1e-3;

std::string Seconds(double s) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.3f s", s);
    return buf;
}

std::string Decibels(double db) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%.1f", db);
    return buf;
}

// The output's format: container from --format, else the output's extension, else the input's;
// encoding from --encoding, else the input's.
int OutputFormat(const RenderSetup& setup, const std::string& output, int inputFormat) {
    int container = setup.container == "wav"    ? SF_FORMAT_WAV
                    : setup.container == "aiff" ? SF_FORMAT_AIFF
                    : setup.container == "flac" ? SF_FORMAT_FLAC
                                                : ContainerForExtension(output);
    if (container == 0)
        container = inputFormat & SF_FORMAT_TYPEMASK;
    const int encoding = setup.encoding.empty() ? (inputFormat & SF_FORMAT_SUBMASK)
                                                : EncodingForName(setup.encoding);
    return CombineFormat(container, encoding);
}

// The automation's lanes for a file of `frames` frames at `rate`; false when a point lies past
// the file's end.
bool PlaceLanes(const RenderSetup& setup, const std::string& input, int rate, std::size_t frames,
                std::vector<AutomationLane>& lanes, std::string& error) {
    std::map<std::uint32_t, std::size_t> laneOf;
    for (const ResolvedAutomation& a : setup.automation) {
        const double frame = a.entry.inSeconds ? std::round(a.entry.time * rate) : a.entry.time;
        if (frame > static_cast<double>(frames)) {
            error = a.entry.origin + ": " +
                    (a.entry.inSeconds
                         ? Seconds(a.entry.time)
                         : std::to_string(static_cast<long long>(a.entry.time)) + " samples") +
                    " lies beyond the end of " + input + " (" +
                    Seconds(static_cast<double>(frames) / rate) + ", " + std::to_string(frames) +
                    " samples)";
            return false;
        }
        const auto [at, added] = laneOf.emplace(a.setting.id, lanes.size());
        if (added) {
            lanes.emplace_back();
            lanes.back().id = a.setting.id;
            lanes.back().stepped = a.stepped;
        }
        lanes[at->second].points.push_back({static_cast<std::int64_t>(frame), a.setting.plain});
    }
    for (AutomationLane& lane : lanes)
        std::stable_sort(lane.points.begin(), lane.points.end(),
                         [](const LanePoint& a, const LanePoint& b) { return a.frame < b.frame; });
    return true;
}

} // namespace

std::mutex& InstanceCreationLock() {
    static std::mutex lock;
    return lock;
}

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
                error = path + ": holds a sample that is not a number at " +
                        Seconds(static_cast<double>(f) / out.sampleRate);
                return false;
            }
    return true;
}

namespace {

// The render itself; `result` collects the figures as they become known.
bool Run(const RenderSetup& setup, const std::function<void(double)>& progress,
         FileResult& result) {
    std::string& error = result.error;
    AudioData input;
    if (!ReadUsableAudio(result.input, "input", input, error))
        return false;
    result.sampleRate = input.sampleRate;
    result.channels = input.ChannelCount();
    result.frames = input.Frames();
    std::error_code ec;
    if (fs::exists(result.output, ec) && fs::equivalent(result.input, result.output, ec)) {
        error = "OUTPUT " + result.output + " is the INPUT file itself";
        return false;
    }
    AudioData output;
    output.format = OutputFormat(setup, result.output, input.format);
    if (output.format == 0) {
        error = "cannot write " + result.output + " in the requested format";
        return false;
    }
    if (setup.sidechain != nullptr && setup.sidechain->sampleRate != input.sampleRate) {
        error = setup.sidechainPath + ": runs at " + std::to_string(setup.sidechain->sampleRate) +
                " Hz but the input at " + std::to_string(input.sampleRate) +
                " Hz; resample it first";
        return false;
    }
    std::vector<AutomationLane> lanes;
    if (!PlaceLanes(setup, result.input, input.sampleRate, input.Frames(), lanes, error))
        return false;

    std::unique_ptr<PluginSession> session;
    {
        std::lock_guard guard(InstanceCreationLock());
        session = PluginSession::Open(setup.pluginPath, setup.className, error);
    }
    if (!session)
        return false;
    // Closing the instance is creation's counterpart and takes the same lock.
    struct Closer {
        std::unique_ptr<PluginSession>& s;
        ~Closer() {
            std::lock_guard guard(InstanceCreationLock());
            s.reset();
        }
    } closer{session};

    if (setup.preset && !session->LoadPreset(*setup.preset, error))
        return false;
    for (const ResolvedSetting& s : setup.settings)
        session->Apply(s);
    // A lane starts from where the preset and the settings left its parameter; a point at
    // the very start is a setting like any other and is in place before the first sample.
    for (AutomationLane& lane : lanes) {
        lane.startPlain = session->CurrentPlain(lane.id);
        if (lane.points.front().frame == 0) {
            ResolvedSetting start;
            start.id = lane.id;
            start.plain = LaneValueAt(lane, 0);
            start.normalized = session->ToNormalized(lane.id, start.plain);
            session->Apply(start);
        }
    }
    const std::vector<ScheduledChange> changes = PlanAutomation(
        lanes, static_cast<std::int64_t>(input.Frames()), setup.blockSize,
        [&](std::uint32_t id, double plain) { return session->ToNormalized(id, plain); });
    result.automationChanges = changes.size();
    if (!session->Render(input, setup.sidechain, setup.blockSize, setup.precision, changes, output,
                         result.fold, progress, error))
        return false;
    if (result.fold.checked && result.fold.maxDifference > kMonoWarnDifference) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.3g", result.fold.maxDifference);
        result.warnings.push_back("the effect treated the two copies of the mono input "
                                  "differently (largest difference " +
                                  std::string(buf) + "); wrote their average");
    }

    result.inputLevels = MeasureLevels(input);
    result.gainReduction = MeasureGainReduction(input, output);
    bool normalizeFailed = false;
    if (setup.measureLoudness || setup.normalizeLufs) {
        LoudnessFigures in, out;
        if (!MeasureLoudness(input, in, error) || !MeasureLoudness(output, out, error))
            return false;
        result.inputLoudness = in;
        result.outputLoudness = out;
    }
    if (setup.normalizeLufs) {
        const LoudnessFigures& rendered = *result.outputLoudness;
        if (!rendered.hasIntegrated) {
            normalizeFailed = true;
        } else {
            const NormalizationGain gain =
                PlanNormalization(rendered, *setup.normalizeLufs, setup.truePeakLimitDbtp);
            if (gain.peakLimited)
                result.warnings.push_back(
                    "reaching " + Decibels(*setup.normalizeLufs) +
                    " LUFS would put the true peak at " +
                    Decibels(rendered.truePeakDbtp + gain.gainDb + gain.shortfallLu) +
                    " dBTP, above the ceiling of " + Decibels(setup.truePeakLimitDbtp) +
                    " dBTP; stopped " + Decibels(gain.shortfallLu) + " LU short, at " +
                    Decibels(rendered.integratedLufs + gain.gainDb) + " LUFS");
            ApplyGain(output, gain.gainDb);
            result.gainAppliedDb = gain.gainDb;
            LoudnessFigures normalized;
            if (!MeasureLoudness(output, normalized, error))
                return false;
            result.outputLoudness = normalized;
        }
    }
    result.outputLevels = MeasureLevels(output);
    if (!WriteAudioFile(result.output, output, error))
        return false;
    result.written = true;
    if (normalizeFailed) {
        error = result.input + " renders to silence: there is no loudness to bring to " +
                Decibels(*setup.normalizeLufs) + " LUFS; wrote the render unnormalised";
        return false;
    }
    return true;
}

} // namespace

FileResult RenderFile(const RenderSetup& setup, const std::string& input, const std::string& output,
                      const std::function<void(double)>& progress) {
    const auto started = std::chrono::steady_clock::now();
    FileResult result;
    result.input = input;
    result.output = output;
    result.ok = Run(setup, progress, result);
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace torvik::render
