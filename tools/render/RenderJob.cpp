#include "RenderJob.h"

#include "OutputChain.h"
#include "PendingFile.h"
#include "RenderSpool.h"
#include "Resampler.h"

#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <thread>

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

// Copies a finished file to standard output.
bool CopyToStandardOutput(const fs::path& path, std::string& error) {
    std::FILE* from = std::fopen(path.c_str(), "rb");
    if (from == nullptr) {
        error = "cannot read back " + path.string();
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), from))
        ok = ok && std::fwrite(buffer.data(), 1, n, stdout) == n;
    std::fclose(from);
    if (!ok || std::fflush(stdout) != 0) {
        error = "cannot write to standard output";
        return false;
    }
    return true;
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

// The output's format (see the header).
int OutputFormatFor(const RenderSetup& setup, const std::string& output, int inputFormat) {
    const OutputKind* kind =
        !setup.container.empty() ? KindNamed(setup.container) : KindForExtension(output);
    if (kind != nullptr && kind->fixedEncoding != 0)
        return kind->container | kind->fixedEncoding;
    const int container = kind != nullptr ? kind->container : inputFormat & SF_FORMAT_TYPEMASK;
    int encoding =
        setup.encoding.empty() ? inputFormat & SF_FORMAT_SUBMASK : EncodingForName(setup.encoding);
    // A lossy input has no word length to keep.
    if (IsLossyFormat(encoding))
        encoding = SF_FORMAT_PCM_24;
    return CombineFormat(container, encoding);
}

std::mutex& InstanceCreationLock() {
    static std::mutex lock;
    return lock;
}

bool CheckUsableAudio(const std::string& path, const char* role, std::string& error) {
    AudioReader reader;
    if (!reader.Open(path, error))
        return false;
    if (reader.ChannelCount() > 2) {
        error = path + ": has " + std::to_string(reader.ChannelCount()) + " channels; the " + role +
                " must be mono or stereo";
        return false;
    }
    if (reader.Frames() == 0) {
        error = path + ": holds no audio";
        return false;
    }
    return true;
}

namespace {

// Back to the file's channel count. A mono file comes back mono, as the average of the output
// channels (which is each of them exactly when they agree); `fold` records how far they strayed.
void FoldToFile(Planar& effect, int fileChannels, std::size_t at, MonoFold& fold) {
    if (fileChannels == 1 && effect.size() > 1) {
        fold.checked = true;
        std::vector<double>& mono = effect.front();
        for (std::size_t f = 0; f < mono.size(); ++f) {
            double sum = mono[f];
            bool same = true;
            for (std::size_t c = 1; c < effect.size(); ++c) {
                fold.maxDifference =
                    std::max(fold.maxDifference, std::fabs(effect[c][f] - mono[f]));
                same = same && std::memcmp(&effect[c][f], &mono[f], sizeof(double)) == 0;
                sum += effect[c][f];
            }
            if (!same) {
                fold.identical = false;
                fold.differentThrough = at + f + 1;
            }
            // Identical channels stay bit for bit what they are.
            if (!same)
                mono[f] = sum / static_cast<double>(effect.size());
        }
        effect.resize(1);
        return;
    }
    const auto wanted = static_cast<std::size_t>(fileChannels);
    while (effect.size() < wanted)
        effect.push_back(effect.back());
    effect.resize(wanted);
}

// Frames per step: about a second, in whole blocks.
std::size_t ChunkFrames(int rate, int blockSize) {
    return static_cast<std::size_t>(std::max(1, rate / blockSize)) *
           static_cast<std::size_t>(blockSize);
}

// Levels and loudness of a file as a reader finds it (lossy files differ from what went into
// their encoder).
bool MeasureWrittenFile(const fs::path& path, bool loudness, LevelFigures& levels,
                        std::optional<LoudnessFigures>& figures, std::string& error) {
    AudioReader reader;
    if (!reader.Open(path, error))
        return false;
    LevelMeter levelMeter;
    LoudnessMeter meter;
    if (loudness &&
        !meter.Start(reader.ChannelCount(), reader.SampleRate(), MeterScope::Everything, error))
        return false;
    Planar chunk;
    while (const std::size_t n = reader.Read(chunk, ChunkFrames(reader.SampleRate(), 1))) {
        levelMeter.Add(chunk, n);
        if (loudness && !meter.Add(chunk, n, error))
            return false;
    }
    levels = levelMeter.Result();
    if (loudness)
        figures = meter.Result();
    return true;
}

// The render itself; `result` collects the figures as they become known.
bool Run(const RenderSetup& setup, const std::function<void(double)>& progress,
         FileResult& result) {
    std::string& error = result.error;
    const bool fromStdin = result.input == kStandardStream;
    const bool toStdout = result.output == kStandardStream;
    std::error_code ec;
    if (setup.noOverwrite && !toStdout && fs::exists(result.output, ec)) {
        result.kept = true;
        return true;
    }
    AudioReader in;
    if (!in.Open(fromStdin ? setup.standardInputCopy : result.input, error))
        return false;
    if (in.ChannelCount() > 2) {
        error = result.input + ": has " + std::to_string(in.ChannelCount()) +
                " channels; the input must be mono or stereo";
        return false;
    }
    if (in.Frames() == 0) {
        error = result.input + ": holds no audio";
        return false;
    }
    const int rate = in.SampleRate();
    result.sampleRate = rate;
    result.channels = in.ChannelCount();
    result.frames = static_cast<std::size_t>(in.Frames());
    if (!fromStdin && !toStdout && fs::exists(result.output, ec) &&
        fs::equivalent(result.input, result.output, ec)) {
        error = "OUTPUT " + result.output + " is the INPUT file itself";
        return false;
    }
    OutputSettings out;
    out.format = OutputFormatFor(setup, result.output, in.Format());
    out.sampleRate = setup.rate > 0 ? setup.rate : rate;
    out.channels = in.ChannelCount();
    out.dither = setup.dither;
    out.quality = setup.quality;
    result.outputRate = out.sampleRate;
    if (out.format == 0 || !FormatHolds(out.format, out.sampleRate, out.channels)) {
        error = "cannot write " + result.output + " as " + DescribeFormat(out.format) + " at " +
                std::to_string(out.sampleRate) + " Hz" +
                ((out.format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS
                     ? " (Opus runs at 8, 12, 16, 24 or 48 kHz: use --rate)"
                 : (out.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG
                     ? " (MP3 goes up to 48 kHz: use --rate)"
                     : "");
        return false;
    }
    result.outputFormat = DescribeFormat(out.format);
    AudioReader side;
    const bool withSidechain = !setup.sidechainPath.empty();
    if (withSidechain) {
        if (!side.Open(setup.sidechainPath, error))
            return false;
        if (side.SampleRate() != rate) {
            error = setup.sidechainPath + ": runs at " + std::to_string(side.SampleRate()) +
                    " Hz but the input at " + std::to_string(rate) + " Hz; resample it first";
            return false;
        }
    }
    std::vector<AutomationLane> lanes;
    if (!PlaceLanes(setup, result.input, rate, result.frames, lanes, error))
        return false;

    std::unique_ptr<EffectSession> session;
    {
        std::lock_guard guard(InstanceCreationLock());
        session = OpenEffectSession(setup.pluginPath, setup.className, error);
    }
    if (!session)
        return false;
    // Closing the instance is creation's counterpart and takes the same lock.
    struct Closer {
        std::unique_ptr<EffectSession>& s;
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
    std::vector<ScheduledChange> changes = PlanAutomation(
        lanes, static_cast<std::int64_t>(result.frames), setup.blockSize,
        [&](std::uint32_t id, double plain) { return session->ToNormalized(id, plain); });
    result.automationChanges = changes.size();
    if (!session->Start(rate, setup.blockSize, setup.precision, withSidechain, std::move(changes),
                        error))
        return false;

    // Where the written file goes first: beside the output, or in the temporary folder when it
    // is to be copied to standard output.
    const fs::path written = toStdout ? fs::temp_directory_path() /
                                            ("torvik-render-stdout-" + std::to_string(::getpid()))
                                      : fs::path(result.output);
    PendingFile pending(written);
    if (!pending.Ok()) {
        error = pending.Error();
        return false;
    }

    // Pass one: the effect, and either the output chain straight away or, to normalise, the
    // spool and a meter of the render.
    const bool measure = setup.measureLoudness || setup.normalizeLufs.has_value();
    const bool normalize = setup.normalizeLufs.has_value();
    // The written file's true peak is worth its cost only when a report asks for it.
    out.loudness = setup.measureLoudness ? MeterScope::Everything : MeterScope::IntegratedOnly;
    LevelMeter inputLevels;
    LoudnessMeter inputLoudness;
    if (setup.measureLoudness &&
        !inputLoudness.Start(in.ChannelCount(), rate, MeterScope::Everything, error))
        return false;
    WindowPower inputWindows(rate), outputWindows(rate);
    std::optional<Resampler> resampler;
    if (out.sampleRate != rate) {
        resampler.emplace();
        if (!resampler->Start(out.channels, rate, out.sampleRate, error))
            return false;
    }
    std::optional<RenderSpool> spool;
    LoudnessMeter renderLoudness;
    auto chain = std::make_unique<OutputChain>();
    if (normalize) {
        spool.emplace(written, out.channels, setup.precision == 64 || resampler.has_value());
        if (!spool->Ok(error) ||
            !renderLoudness.Start(out.channels, out.sampleRate,
                                  setup.limit ? MeterScope::IntegratedOnly : MeterScope::Everything,
                                  error))
            return false;
    } else if (!chain->Open(pending.TempPath(), result.output, out, error)) {
        return false;
    }
    const double passes = normalize ? 2.0 : 1.0;
    std::size_t delivered = 0;
    Planar resampled;
    auto sink = [&](const Planar& audio) {
        const std::size_t n = audio.empty() ? 0 : audio.front().size();
        if (n == 0)
            return true;
        if (!normalize)
            return chain->Write(audio, n, error);
        return renderLoudness.Add(audio, n, error) && spool->Write(audio, n, error);
    };
    auto deliver = [&](Planar& effect) {
        FoldToFile(effect, out.channels, delivered, result.fold);
        const std::size_t n = effect.front().size();
        outputWindows.Add(effect, n);
        delivered += n;
        if (!resampler)
            return sink(effect);
        return resampler->Process(effect, n, resampled, error) && sink(resampled);
    };

    const std::size_t chunkFrames = ChunkFrames(rate, setup.blockSize);
    Planar chunk, sideChunk, effect;
    while (const std::size_t n = in.Read(chunk, chunkFrames)) {
        // Float files can carry NaN or infinity; no effect can make sense of them.
        for (const auto& ch : chunk)
            for (std::size_t f = 0; f < n; ++f)
                if (!std::isfinite(ch[f])) {
                    error =
                        result.input + ": holds a sample that is not a number at " +
                        Seconds(static_cast<double>(in.FramesRead() - static_cast<std::int64_t>(n) +
                                                    static_cast<std::int64_t>(f)) /
                                rate);
                    return false;
                }
        inputLevels.Add(chunk, n);
        if (setup.measureLoudness && !inputLoudness.Add(chunk, n, error))
            return false;
        inputWindows.Add(chunk, n);
        if (withSidechain) {
            // A shorter sidechain goes on as silence.
            const std::size_t got = side.Read(sideChunk, n);
            for (auto& ch : sideChunk)
                ch.resize(n, 0.0);
            (void)got;
        }
        if (!session->Process(chunk, withSidechain ? &sideChunk : nullptr, n, effect, error) ||
            !deliver(effect))
            return false;
        if (progress)
            progress(static_cast<double>(in.FramesRead()) / static_cast<double>(result.frames) /
                     passes);
    }
    if (const std::optional<std::string> damage = in.Damage()) {
        if (!setup.lenient) {
            error = *damage + "; --lenient renders what could be read";
            return false;
        }
        result.warnings.push_back(*damage + "; rendered what could be read");
        result.frames = static_cast<std::size_t>(in.FramesRead());
        if (result.frames == 0) {
            error = *damage;
            return false;
        }
    }
    if (!session->Finish(effect, error) ||
        (!effect.empty() && !effect.front().empty() && !deliver(effect)))
        return false;
    if (resampler && (!resampler->Finish(resampled, error) || !sink(resampled)))
        return false;

    if (result.fold.checked && result.fold.maxDifference > kMonoWarnDifference) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.3g", result.fold.maxDifference);
        result.warnings.push_back("the effect treated the two copies of the mono input "
                                  "differently (largest difference " +
                                  std::string(buf) + "); wrote their average");
    }
    result.inputLevels = inputLevels.Result();
    result.gainReduction = CompareWindows(inputWindows, outputWindows);
    if (setup.measureLoudness)
        result.inputLoudness = inputLoudness.Result();

    if (!normalize && !chain->Finish(error))
        return false;

    // Pass two: the parked render through gain (and limiter) into the file.
    bool normalizeFailed = false;
    if (normalize) {
        const LoudnessFigures rendered = renderLoudness.Result();
        const double target = *setup.normalizeLufs;
        double gain = 0;
        if (!rendered.hasIntegrated) {
            normalizeFailed = true;
        } else if (!setup.limit) {
            const NormalizationGain plan =
                PlanNormalization(rendered, target, setup.truePeakLimitDbtp);
            if (plan.peakLimited)
                result.warnings.push_back(
                    "reaching " + Decibels(target) + " LUFS would put the true peak at " +
                    Decibels(rendered.truePeakDbtp + plan.gainDb + plan.shortfallLu) +
                    " dBTP, above the ceiling of " + Decibels(setup.truePeakLimitDbtp) +
                    " dBTP; stopped " + Decibels(plan.shortfallLu) + " LU short, at " +
                    Decibels(rendered.integratedLufs + plan.gainDb) + " LUFS (--limit reaches it)");
            gain = plan.gainDb;
        } else {
            gain = target - rendered.integratedLufs;
            out.limitDbtp = setup.truePeakLimitDbtp -
                            (IsLossyFormat(out.format) ? kLossyLimiterMarginDb : kLimiterMarginDb);
        }
        // With the limiter, the loudness it takes away is made up and the file written again
        // until it lands on the target (each step corrects by what the last one missed).
        constexpr int kMaxLimitedPasses = 5;
        double lastGain = 0, lastMiss = 0;
        for (int pass = 0;; ++pass) {
            out.gainDb = gain;
            chain = std::make_unique<OutputChain>();
            if (!spool->Rewind(error) ||
                !chain->Open(pending.TempPath(), result.output, out, error))
                return false;
            std::size_t done = 0;
            while (const std::size_t n = spool->Read(chunk, chunkFrames, error)) {
                if (!chain->Write(chunk, n, error))
                    return false;
                done += n;
                if (progress)
                    progress(0.5 +
                             0.5 * static_cast<double>(done) /
                                 (static_cast<double>(result.frames) * out.sampleRate / rate));
            }
            if (!error.empty() || !chain->Finish(error))
                return false;
            if (!setup.limit || normalizeFailed)
                break;
            const double miss = target - chain->Loudness().integratedLufs;
            if (std::fabs(miss) < kLimitedTargetToleranceLu || pass + 1 == kMaxLimitedPasses) {
                if (std::fabs(miss) >= kLimitedTargetToleranceLu)
                    result.warnings.push_back("the limiter left the output " + Decibels(-miss) +
                                              " LU off the target");
                break;
            }
            // A secant step once two passes are known, else the plain difference.
            const double step =
                pass == 0 || miss == lastMiss ? miss : miss * (gain - lastGain) / (lastMiss - miss);
            lastGain = gain;
            lastMiss = miss;
            gain += step;
        }
        result.gainAppliedDb = gain;
        result.limiterReductionDb = chain->LimiterMaxReductionDb();
        result.limiterSeconds = chain->LimiterSeconds();
    }
    result.clippedSamples = chain->Clipped();
    if (result.clippedSamples > 0)
        result.warnings.push_back(std::to_string(result.clippedSamples) +
                                  " samples clipped at full scale in " + result.output);
    result.outputLevels = chain->Levels();
    if (measure)
        result.outputLoudness = chain->Loudness();
    if (IsLossyFormat(out.format) &&
        !MeasureWrittenFile(pending.TempPath(), measure, result.outputLevels, result.outputLoudness,
                            error))
        return false;
    if (toStdout) {
        if (!CopyToStandardOutput(pending.TempPath(), error))
            return false;
    } else if (!pending.Commit(error)) {
        return false;
    }
    result.written = true;
    if (normalizeFailed) {
        error = result.input + " renders to silence: there is no loudness to bring to " +
                Decibels(*setup.normalizeLufs) + " LUFS; wrote the render unnormalised";
        return false;
    }
    return true;
}

} // namespace
void RunInParallel(std::size_t count, std::size_t jobs,
                   const std::function<void(std::size_t)>& task) {
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t i = next++; i < count; i = next++)
            task(i);
    };
    std::vector<std::thread> pool;
    for (std::size_t j = 1; j < jobs; ++j)
        pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool)
        t.join();
}

FileResult RenderFile(const RenderSetup& setup, const std::string& input, const std::string& output,
                      const std::function<void(double)>& progress) {
    const auto started = std::chrono::steady_clock::now();
    FileResult result;
    result.input = input;
    result.output = output;
    // Whatever goes wrong inside (memory running out, above all) fails this file only; the
    // unwinding removes its unfinished files.
    try {
        result.ok = Run(setup, progress, result);
    } catch (const std::exception& e) {
        result.ok = false;
        result.error = input + ": the render stopped: " + e.what();
    } catch (...) {
        result.ok = false;
        result.error = input + ": the render stopped on an unknown error";
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return result;
}

} // namespace torvik::render
