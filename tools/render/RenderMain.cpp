// torvik-render: processes audio files through a VST 3 effect the way a DAW renders a track.
// Exit status: 0 done, 1 a file failed (or the plug-in or a preset could not be used), 2 a usage
// mistake (options, parameter names and values, automation, formats).
#include "AudioFile.h"
#include "Automation.h"
#include "EffectSession.h"
#include "PendingFile.h"
#include "RenderJob.h"
#include "RenderOptions.h"
#include "Report.h"
#include "StageSwitches.h"
#include "VstPresetFile.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace torvik::render;

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;
constexpr const char* kBundleName = "TORVIK.vst3";

int Fail(const std::string& message) {
    std::fprintf(stderr, "torvik-render: %s\n", message.c_str());
    return kExitFailure;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "torvik-render: %s\nTry 'torvik-render --help'.\n", message.c_str());
    return kExitUsage;
}

// The standard VST 3 folders, in the order they are searched.
std::vector<fs::path> StandardVst3Folders() {
    std::vector<fs::path> folders;
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        folders.push_back(fs::path(home) / ".vst3");
    folders.emplace_back("/usr/lib/vst3");
    folders.emplace_back("/usr/local/lib/vst3");
    return folders;
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
    for (const fs::path& folder : StandardVst3Folders())
        if (fs::is_directory(folder / kBundleName, ec))
            return (folder / kBundleName).string();
    return {};
}

// "no TORVIK.vst3 beside this program or in A, B or C; ..."
std::string NoBundleMessage() {
    const std::vector<fs::path> folders = StandardVst3Folders();
    std::string list;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (i > 0)
            list += i + 1 == folders.size() ? " or " : ", ";
        list += folders[i].string();
    }
    return std::string("no ") + kBundleName + " beside this program or in " + list +
           "; give one with --plugin";
}

std::string Number(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

void PrintParameters(const EffectSession& session, std::FILE* to) {
    std::fprintf(to,
                 "Parameters of '%s' (set with --set \"TITLE=VALUE\" or --set \"ID=VALUE\"; "
                 "value is the current one):\n",
                 session.ClassName().c_str());
    std::fprintf(to, "%-10s  %-32s %10s %10s %10s %10s %10s  %-6s %s\n", "ID", "title", "minimum",
                 "maximum", "default", "value", "normalised", "unit", "kind");
    for (const ParameterDescription& p : session.Parameters()) {
        std::string kind = p.stepCount == 0   ? "continuous"
                           : p.stepCount == 1 ? "switch"
                                              : std::to_string(p.stepCount + 1) + " steps";
        if (p.isBypass)
            kind += ", bypass";
        if (p.isProgramChange)
            kind += ", program change";
        if (p.isReadOnly)
            kind += ", read-only";
        std::fprintf(to, "%-10u  %-32s %10s %10s %10s %10s %10s  %-6s %s\n", p.id,
                     p.title.empty() ? "(no title)" : p.title.c_str(), Number(p.minimum).c_str(),
                     Number(p.maximum).c_str(), Number(p.defaultPlain).c_str(),
                     Number(session.CurrentPlain(p.id)).c_str(),
                     Number(session.CurrentNormalized(p.id)).c_str(),
                     p.units.empty() ? "-" : p.units.c_str(), kind.c_str());
    }
}

// One overall progress line on a terminal: files done and the fraction of all audio rendered.
// Workers report through it, and print their summaries through it so the line never mixes
// with them.
class BatchProgress {
public:
    BatchProgress(bool enabled, std::size_t files, std::FILE* results)
        : on(enabled), out(results), fractions(files, 0.0) {}

    void Update(std::size_t file, double fraction) {
        std::lock_guard guard(lock);
        fractions[file] = fraction;
        Draw();
    }
    // Prints a finished file's lines (stdout for results, stderr for failures and warnings).
    void Finished(std::size_t file, const std::string& toStdout, const std::string& toStderr) {
        std::lock_guard guard(lock);
        fractions[file] = 1.0;
        ++done;
        Clear();
        std::fputs(toStdout.c_str(), out);
        std::fflush(out);
        std::fputs(toStderr.c_str(), stderr);
        Draw();
    }
    void End() {
        std::lock_guard guard(lock);
        Clear();
    }

private:
    void Draw() {
        if (!on)
            return;
        double sum = 0;
        for (double f : fractions)
            sum += f;
        const int percent = static_cast<int>(100.0 * sum / static_cast<double>(fractions.size()));
        if (percent == shown && done == shownDone)
            return;
        shown = percent;
        shownDone = done;
        std::fprintf(stderr, "\rrendering: %zu of %zu files done, %3d%%", done, fractions.size(),
                     percent);
        std::fflush(stderr);
    }
    void Clear() {
        if (on && shown >= 0)
            std::fputs("\r\033[K", stderr);
        shown = -1;
    }

    std::mutex lock;
    bool on;                       // stderr is a terminal and --quiet was not given
    std::FILE* out;                // where results go (stderr when the audio goes to stdout)
    std::vector<double> fractions; // per file, 0 to 1
    std::size_t done = 0;          // files finished
    int shown = -1;                // percentage on screen, -1 none
    std::size_t shownDone = 0;     // files-done count on screen
};

// Where each batch input goes: DIR/NAME with --suffix before the extension, and the extension
// of --format when one was asked for.
std::string BatchOutputPath(const RenderOptions& options, const std::string& input) {
    const fs::path in(input);
    std::string extension = in.extension().string();
    if (!options.container.empty())
        extension = "." + options.container;
    // An input of a kind that cannot be written (a .caf, say) comes out as WAV.
    else if (KindForExtension(in) == nullptr)
        extension = ".wav";
    return (fs::path(options.outDir) / (in.stem().string() + options.suffix + extension)).string();
}

// Standard input saved to a file, so it can be read like any other (and its length known).
bool SaveStandardInput(PendingFile& copy, std::string& error) {
    if (!copy.Ok()) {
        error = copy.Error();
        return false;
    }
    std::FILE* to = std::fopen(copy.TempPath().c_str(), "wb");
    if (to == nullptr) {
        error = "cannot save standard input in " + copy.TempPath().string();
        return false;
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    while (const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), stdin))
        ok = ok && std::fwrite(buffer.data(), 1, n, to) == n;
    ok = std::ferror(stdin) == 0 && std::fclose(to) == 0 && ok;
    if (!ok)
        error = "cannot save standard input in " + copy.TempPath().string();
    return ok;
}

// Settings of stages that stay switched out for the whole render cannot be heard.
std::vector<std::string> UnheardSettings(const EffectSession& session,
                                         const std::vector<ResolvedSetting>& settings,
                                         const std::vector<ResolvedAutomation>& automation) {
    std::vector<std::string> warnings;
    for (const ResolvedSetting& s : settings) {
        const ParameterDescription* p = session.Find(s.id);
        const std::optional<StageSwitch> stage = p ? StageSwitchOf(p->title) : std::nullopt;
        if (!stage)
            continue;
        ResolvedSetting which;
        std::string ignored;
        if (!session.Resolve(ParameterSetting{stage->title, 0, stage->title}, which, ignored))
            continue;
        const bool automated =
            std::any_of(automation.begin(), automation.end(),
                        [&](const ResolvedAutomation& a) { return a.setting.id == which.id; });
        if (!automated && session.CurrentPlain(which.id) != stage->inPathValue)
            warnings.push_back("--set \"" + s.title + "=" + Number(s.plain) +
                               "\" cannot be heard: its stage is switched out (" + stage->title +
                               " is " + Number(session.CurrentPlain(which.id)) + "; set \"" +
                               stage->title + "=" + Number(stage->inPathValue) + "\" to hear it)");
    }
    return warnings;
}

} // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    RenderOptions options;
    std::string error;
    if (!ParseRenderOptions(argc, argv, options, error))
        return Usage(error);
    if (options.help) {
        std::fputs(RenderUsage().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("torvik-render %s\n", TORVIK_RENDER_VERSION);
        return 0;
    }

    RemovePendingFilesOnInterrupt();
    // With the audio on standard output, everything else goes to standard error.
    const bool toStdout = options.output == kStandardStream;
    std::FILE* text = toStdout ? stderr : stdout;

    // The files to render, each with its output; an output's format is settled before any work.
    std::vector<std::pair<std::string, std::string>> files;
    if (!options.input.empty())
        files.emplace_back(options.input, options.output);
    const bool batch = !options.outDir.empty();
    if (batch)
        for (const std::string& in : options.inputs)
            files.emplace_back(in, BatchOutputPath(options, in));
    for (const auto& [in, out] : files) {
        const OutputKind* kind = !options.container.empty() ? KindNamed(options.container)
                                 : out == kStandardStream   ? KindNamed("wav")
                                                            : KindForExtension(out);
        if (kind == nullptr && fs::path(out).has_extension())
            return Usage(out + ": torvik-render cannot write '" +
                         fs::path(out).extension().string() + "' files; use one of " + KindNames() +
                         " (by extension or --format)");
        if (kind != nullptr && kind->fixedEncoding != 0 && options.encodingGiven)
            return Usage(
                "--bits and --encoding set the word length of WAV, AIFF and FLAC, not of " +
                std::string(kind->name) + " (use --quality)");
    }
    if (toStdout && options.container.empty())
        options.container = "wav";

    // Everything that can be checked without the plug-in is checked first.
    RenderSetup setup;
    if (!options.sidechain.empty()) {
        if (!CheckUsableAudio(options.sidechain, "sidechain", error))
            return Fail(error);
        setup.sidechainPath = options.sidechain;
    }
    if (!options.presetIn.empty()) {
        setup.preset.emplace();
        if (!torvik::preset::ReadVstPresetFile(options.presetIn, *setup.preset, error))
            return Fail(error);
    }
    bool malformed = false;
    if (!options.automationFile.empty() &&
        !ReadAutomationCsv(options.automationFile, options.automation, error, malformed))
        return malformed ? Usage(error) : Fail(error);
    if (!options.automation.empty() && options.input.empty() && options.inputs.empty())
        return Usage("automation needs audio to run over: give INPUT and OUTPUT or --out-dir");

    setup.pluginPath = options.pluginPath;
    if (setup.pluginPath.empty()) {
        setup.pluginPath = DefaultPluginPath();
        if (setup.pluginPath.empty())
            return Fail(NoBundleMessage());
    }
    setup.className = options.className;

    // This instance checks names and values once for the whole run, lists the parameters and
    // saves presets; every file is rendered by an instance of its own.
    std::unique_ptr<EffectSession> session =
        OpenEffectSession(setup.pluginPath, setup.className, error);
    if (!session)
        return Fail(error);
    for (const ParameterSetting& s : options.settings) {
        ResolvedSetting r;
        if (!session->Resolve(s, r, error))
            return Usage("--set \"" + s.typed + "\": " + error);
        setup.settings.push_back(r);
    }
    for (const AutomationEntry& a : options.automation) {
        ResolvedAutomation r;
        r.entry = a;
        if (!session->Resolve(a.target, r.setting, error))
            return Usage(a.origin + ": " + error);
        const ParameterDescription* p = session->Find(r.setting.id);
        r.stepped = p != nullptr && p->stepCount > 0;
        setup.automation.push_back(r);
    }
    if (setup.preset && !session->LoadPreset(*setup.preset, error))
        return Fail(options.presetIn + ": " + error);
    for (const ResolvedSetting& r : setup.settings)
        session->Apply(r);
    for (const std::string& w : UnheardSettings(*session, setup.settings, setup.automation))
        std::fprintf(stderr, "torvik-render: warning: %s\n", w.c_str());

    // The list shows the values after the preset and the settings, so it also tells what a
    // preset file holds.
    if (options.listParams)
        PrintParameters(*session, text);
    if (!options.presetOut.empty()) {
        torvik::preset::VstPreset presetOut;
        if ((!setup.settings.empty() &&
             !session->Flush(options.blockSize, options.precision, error)) ||
            !session->CapturePreset(presetOut, error) ||
            !torvik::preset::WriteVstPresetFile(options.presetOut, presetOut, error))
            return Fail(error);
    }
    session.reset();
    if (files.empty())
        return 0;
    if (batch) {
        std::error_code ec;
        fs::create_directories(options.outDir, ec);
        if (ec || !fs::is_directory(options.outDir, ec))
            return Fail("cannot create the output folder " + options.outDir +
                        (ec ? " (" + ec.message() + ")" : std::string(" (a file has that name)")));
    }
    std::optional<PendingFile> standardInput;
    if (options.input == kStandardStream) {
        standardInput.emplace(fs::temp_directory_path() / "torvik-render-stdin");
        if (!SaveStandardInput(*standardInput, error))
            return Fail(error);
        setup.standardInputCopy = standardInput->TempPath().string();
    }

    setup.blockSize = options.blockSize;
    setup.precision = options.precision;
    setup.container = options.container;
    setup.encoding = options.encoding;
    setup.dither = options.dither;
    setup.quality = options.quality;
    setup.rate = options.rate;
    setup.measureLoudness = options.report || !options.reportJson.empty();
    setup.normalizeLufs = options.normalizeLufs;
    setup.truePeakLimitDbtp = options.truePeakLimitDbtp;
    setup.limit = options.limit;
    setup.lenient = options.lenient;
    setup.noOverwrite = options.noOverwrite;

    // Two inputs that would land on one output are both refused; neither overwrites the other.
    std::vector<FileResult> results(files.size());
    std::vector<bool> refused(files.size(), false);
    std::map<std::string, std::vector<std::size_t>> byOutput;
    for (std::size_t i = 0; i < files.size(); ++i)
        byOutput[fs::path(files[i].second).lexically_normal().string()].push_back(i);
    for (const auto& [output, users] : byOutput) {
        if (users.size() < 2)
            continue;
        std::string names;
        for (std::size_t k = 0; k < users.size(); ++k)
            names += (k == 0 ? "" : k + 1 == users.size() ? " and " : ", ") + files[users[k]].first;
        for (std::size_t i : users) {
            refused[i] = true;
            results[i].input = files[i].first;
            results[i].output = files[i].second;
            results[i].error =
                names + " would all be written to " + output + "; rename one or use --suffix";
        }
    }

    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t jobs = std::min<std::size_t>(
        files.size(), options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : cores);
    BatchProgress progress(!options.quiet && ::isatty(STDERR_FILENO) != 0, files.size(), text);
    RunInParallel(files.size(), jobs, [&](std::size_t i) {
        FileResult& r = results[i];
        if (!refused[i])
            r = RenderFile(setup, files[i].first, files[i].second,
                           [&](double f) { progress.Update(i, f); });
        std::string out, err;
        for (const std::string& w : r.warnings)
            err += "torvik-render: warning: " + (batch ? r.input + ": " : "") + w + "\n";
        if (!r.ok)
            err += "torvik-render: " + (batch ? FormatSummaryLine(r) : r.error) + "\n";
        if (r.kept)
            err += "torvik-render: " + r.output + " exists; kept it (--no-overwrite)\n";
        else if (batch && r.ok)
            out += FormatSummaryLine(r) + "\n";
        if (options.report && r.written)
            out += FormatFileReport(r);
        progress.Finished(i, out, err);
    });
    progress.End();

    const auto failed = static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const FileResult& r) { return !r.ok; }));
    const auto kept = static_cast<std::size_t>(
        std::count_if(results.begin(), results.end(), [](const FileResult& r) { return r.kept; }));
    if (batch)
        std::fprintf(text, "%zu %s: %zu rendered, %s%zu failed\n", files.size(),
                     files.size() == 1 ? "file" : "files", files.size() - failed - kept,
                     kept > 0 ? (std::to_string(kept) + " kept, ").c_str() : "", failed);
    if (!options.reportJson.empty()) {
        RunDescription run;
        run.plugin = setup.pluginPath;
        run.preset = options.presetIn;
        run.settings = setup.settings;
        run.automation = setup.automation;
        run.blockSize = setup.blockSize;
        run.precision = setup.precision;
        run.normalizeLufs = setup.normalizeLufs;
        run.truePeakLimitDbtp = setup.truePeakLimitDbtp;
        run.limit = setup.limit;
        run.jobs = static_cast<int>(jobs);
        run.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const std::string json = FormatJsonReport(run, results);
        if (!WriteFileAtomically(options.reportJson,
                                 {reinterpret_cast<const std::uint8_t*>(json.data()), json.size()},
                                 error))
            return Fail(error);
    }
    return failed == 0 ? 0 : kExitFailure;
}
