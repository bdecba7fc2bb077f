#include "RenderOptions.h"

#include "AudioFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace torvik::render {

namespace {

// Levels --normalize and --true-peak-limit accept: quieter than -70 LUFS is below the
// loudness gate; above +20 no sample format keeps the audio.
constexpr double kLowestLevelDb = -70.0;
constexpr double kHighestLevelDb = 20.0;

bool ParseInt(const std::string& text, long& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && end != nullptr && *end == '\0';
}

bool ParseReal(const std::string& text, double& out) {
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0' && std::isfinite(out);
}

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

} // namespace

bool ParseAutomationTime(const std::string& typed, AutomationEntry& entry) {
    const std::string text = Trim(typed);
    if (text.size() > 3 && text.compare(text.size() - 3, 3, "smp") == 0) {
        long frames = 0;
        entry.inSeconds = false;
        if (!ParseInt(text.substr(0, text.size() - 3), frames) || frames < 0)
            return false;
        entry.time = static_cast<double>(frames);
        return true;
    }
    if (text.size() > 1 && text.back() == 's') {
        entry.inSeconds = true;
        return ParseReal(text.substr(0, text.size() - 1), entry.time) && entry.time >= 0;
    }
    return false;
}

bool ParseSetting(const std::string& text, ParameterSetting& out) {
    const auto eq = text.rfind('=');
    out.typed = text;
    out.name = eq == std::string::npos ? std::string() : Trim(text.substr(0, eq));
    return eq != std::string::npos && !out.name.empty() &&
           ParseReal(Trim(text.substr(eq + 1)), out.value);
}

std::string RenderUsage() {
    return "usage: torvik-render [options] INPUT OUTPUT\n"
           "       torvik-render [options] INPUT... --out-dir DIR\n"
           "       torvik-render [options] --list-params\n"
           "       torvik-render [options] --save-preset FILE [INPUT OUTPUT]\n"
           "\n"
           "Processes an audio file through a VST 3, CLAP or LV2 effect the way a DAW renders a\n"
           "track, and writes the result. INPUT or OUTPUT '-' is standard input or output.\n"
           "\n"
           "  --plugin PATH         the .vst3 bundle, .clap file or .lv2 bundle (default:\n"
           "                        TORVIK.vst3 from this build, then ~/.vst3, /usr/lib/vst3,\n"
           "                        /usr/local/lib/vst3)\n"
           "  --class NAME          the effect class or plug-in in it (default: the first)\n"
           "  --set NAME=VALUE      set a parameter, by title or ID, to a real value\n"
           "                        (switches 0 or 1); may repeat\n"
           "  --preset FILE         load a .vstpreset before the --set values\n"
           "  --save-preset FILE    write the resulting state as a .vstpreset\n"
           "  --sidechain FILE      audio for the sidechain input (same sample rate)\n"
           "  --block-size N        frames per process call (default 512)\n"
           "  --precision 32|64     sample size handed to the effect (default 32)\n"
           "  --format NAME         wav, aiff, flac, ogg (Vorbis), opus or mp3 (default: from\n"
           "                        OUTPUT's extension, else the input's container)\n"
           "  --bits 16|24|32f      word length of WAV, AIFF and FLAC outputs (default: the\n"
           "                        input's); also --encoding pcm16|pcm24|pcm32|float|double\n"
           "  --no-dither           round to shorter words without TPDF dither\n"
           "  --quality Q           lossy outputs: 0 (smallest) to 10 (best)\n"
           "  --rate HZ             convert the output to HZ after the effect\n"
           "  --list-params         print every parameter with ID, range, default and unit\n"
           "  --automate \"TIME NAME=VALUE\"  an automation point; TIME in seconds (1.5s) or\n"
           "                        samples (72000smp); between two points of a parameter the\n"
           "                        value moves linearly; may repeat\n"
           "  --automation FILE     automation points as CSV rows: time,parameter,value\n"
           "  --out-dir DIR         render every INPUT into DIR under the same name\n"
           "  --suffix TEXT         with --out-dir: add TEXT to each output's name\n"
           "  --jobs N              with --out-dir: instances at work at once (default: cores)\n"
           "  -n, --no-overwrite    leave outputs that already exist as they are\n"
           "  --normalize LUFS      one final gain so the output's integrated loudness is LUFS\n"
           "  --true-peak-limit DBTP  the ceiling --normalize must not break (default -1)\n"
           "  --limit               with --normalize: a true-peak limiter holds the ceiling so\n"
           "                        the target is reached\n"
           "  --lenient             render what a cut-off or damaged input holds (a warning)\n"
           "                        instead of failing it\n"
           "  --report              print peak, RMS, gain reduction, loudness (LUFS), loudness\n"
           "                        range (LU) and true peak (dBTP) of input and output\n"
           "  --report-json FILE    write everything --report prints, per file, as JSON\n"
           "  --quiet               no progress display\n"
           "  --version             print the version\n"
           "  --help                this text\n"
           "  --                    everything after it is a file name\n"
           "\n"
           "Exit status: 0 done, 1 a file failed (or the plug-in, a preset), 2 a usage\n"
           "mistake (options, parameter names and values, automation, formats).\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& out, std::string& error) {
    out = RenderOptions{};
    std::vector<std::string> positional;
    bool endOfOptions = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--" && !endOfOptions) {
            endOfOptions = true;
            continue;
        }
        if (endOfOptions || arg == kStandardStream || arg.empty() || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        // Options that take a value accept both "--opt value" and "--opt=value".
        std::string name = arg;
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        auto value = [&](std::string& into) {
            if (inlineValue) {
                into = *inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                error = name + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        auto flag = [&](bool& into) {
            if (inlineValue) {
                error = name + " takes no value";
                return false;
            }
            into = true;
            return true;
        };

        // Options whose value is kept as typed.
        const std::pair<const char*, std::string*> textOptions[] = {
            {"--plugin", &out.pluginPath},     {"--class", &out.className},
            {"--sidechain", &out.sidechain},   {"--preset", &out.presetIn},
            {"--save-preset", &out.presetOut}, {"--automation", &out.automationFile},
            {"--out-dir", &out.outDir},        {"--suffix", &out.suffix},
            {"--report-json", &out.reportJson}};
        const auto textOption = std::find_if(std::begin(textOptions), std::end(textOptions),
                                             [&](const auto& o) { return name == o.first; });
        bool ok = true;
        if (textOption != std::end(textOptions))
            ok = value(*textOption->second);
        else if (name == "--format") {
            ok = value(out.container);
            if (ok && KindNamed(out.container) == nullptr) {
                error = "--format must be one of " + KindNames() + ", not '" + out.container + "'";
                return false;
            }
        } else if (name == "--encoding" || name == "--bits") {
            std::string text;
            ok = value(text);
            const int encoding = name == "--bits" ? EncodingForBits(text) : EncodingForName(text);
            if (ok && encoding == 0) {
                error = name == "--bits" ? "--bits must be 16, 24 or 32f, not '" + text + "'"
                                         : "--encoding must be pcm16, pcm24, pcm32, float or "
                                           "double, not '" +
                                               text + "'";
                return false;
            }
            out.encoding = text == "16"    ? "pcm16"
                           : text == "24"  ? "pcm24"
                           : text == "32f" ? "float"
                                           : text;
            out.encodingGiven = true;
        } else if (name == "--quality") {
            std::string text;
            double q = 0;
            ok = value(text);
            if (ok && (!ParseReal(text, q) || q < 0 || q > 10)) {
                error = "--quality must be a number from 0 to 10, not '" + text + "'";
                return false;
            }
            out.quality = q;
        } else if (name == "--rate") {
            std::string text;
            long hz = 0;
            ok = value(text);
            if (ok && (!ParseInt(text, hz) || hz < kLowestRate || hz > kHighestRate)) {
                error = "--rate must be a whole number of Hz from " + std::to_string(kLowestRate) +
                        " to " + std::to_string(kHighestRate) + ", not '" + text + "'";
                return false;
            }
            out.rate = static_cast<int>(hz);
        } else if (name == "--block-size") {
            std::string text;
            long n = 0;
            ok = value(text);
            if (ok && (!ParseInt(text, n) || n < 1 || n > kMaxBlockSize)) {
                error = "--block-size must be a whole number from 1 to " +
                        std::to_string(kMaxBlockSize) + ", not '" + text + "'";
                return false;
            }
            out.blockSize = static_cast<int>(n);
        } else if (name == "--precision") {
            std::string text;
            ok = value(text);
            if (ok && text != "32" && text != "64") {
                error = "--precision must be 32 or 64, not '" + text + "'";
                return false;
            }
            out.precision = text == "64" ? 64 : 32;
        } else if (name == "--set") {
            std::string text;
            ok = value(text);
            if (!ok)
                return false;
            ParameterSetting s;
            if (!ParseSetting(text, s)) {
                error = "--set needs NAME=VALUE with a number as VALUE, not '" + text + "'";
                return false;
            }
            out.settings.push_back(s);
        } else if (name == "--automate") {
            std::string text;
            if (!value(text))
                return false;
            AutomationEntry entry;
            const std::string trimmed = Trim(text);
            const auto space = trimmed.find_first_of(" \t");
            if (space == std::string::npos ||
                !ParseAutomationTime(trimmed.substr(0, space), entry) ||
                !ParseSetting(Trim(trimmed.substr(space)), entry.target)) {
                error = "--automate needs \"TIME NAME=VALUE\" with TIME in seconds (1.5s) or "
                        "samples (72000smp), not below 0, and a number as VALUE, not '" +
                        text + "'";
                return false;
            }
            entry.origin = "--automate \"" + text + "\"";
            out.automation.push_back(entry);
        } else if (name == "--jobs" || name == "-j") {
            std::string text;
            long n = 0;
            ok = value(text);
            if (ok && (!ParseInt(text, n) || n < 1 || n > kMaxJobs)) {
                error = "--jobs must be a whole number from 1 to " + std::to_string(kMaxJobs) +
                        ", not '" + text + "'";
                return false;
            }
            out.jobs = static_cast<int>(n);
        } else if (name == "--normalize" || name == "--true-peak-limit") {
            std::string text;
            double level = 0;
            ok = value(text);
            // Loudness targets and ceilings are levels below full scale, give or take.
            if (ok &&
                (!ParseReal(text, level) || level < kLowestLevelDb || level > kHighestLevelDb)) {
                error = name + " needs a level from " + std::to_string(int(kLowestLevelDb)) +
                        " to " + std::to_string(int(kHighestLevelDb)) + ", not '" + text + "'";
                return false;
            }
            if (name == "--normalize")
                out.normalizeLufs = level;
            else
                out.truePeakLimitDbtp = level;
        } else if (name == "--list-params")
            ok = flag(out.listParams);
        else if (name == "--report")
            ok = flag(out.report);
        else if (name == "--limit")
            ok = flag(out.limit);
        else if (name == "--lenient")
            ok = flag(out.lenient);
        else if (name == "--no-dither") {
            bool on = false;
            ok = flag(on);
            out.dither = false;
        } else if (name == "--no-overwrite" || name == "-n")
            ok = flag(out.noOverwrite);
        else if (name == "--version")
            ok = flag(out.version);
        else if (name == "--quiet" || name == "-q")
            ok = flag(out.quiet);
        else if (name == "--help" || name == "-h")
            ok = flag(out.help);
        else {
            error = "unknown option '" + arg + "'";
            return false;
        }
        if (!ok)
            return false;
    }
    if (out.help || out.version)
        return true;
    if (out.limit && !out.normalizeLufs) {
        error = "--limit works with --normalize";
        return false;
    }
    if (out.outDir.empty() && out.jobs > 0) {
        error = "--jobs sets how many files of a batch render at once and needs --out-dir";
        return false;
    }
    if (!out.outDir.empty()) {
        if (positional.empty()) {
            error = "--out-dir needs at least one INPUT file";
            return false;
        }
        if (!out.presetOut.empty() || out.listParams) {
            error = "--save-preset and --list-params work without --out-dir";
            return false;
        }
        if (std::find(positional.begin(), positional.end(), kStandardStream) != positional.end()) {
            error = "a batch reads files; standard input '-' works with one INPUT OUTPUT pair";
            return false;
        }
        out.inputs = positional;
        return true;
    }
    if (!out.suffix.empty()) {
        error = "--suffix names batch outputs and needs --out-dir";
        return false;
    }
    if (positional.size() == 2) {
        out.input = positional[0];
        out.output = positional[1];
    } else if (!positional.empty()) {
        error = positional.size() == 1 ? "an OUTPUT file is needed after " + positional[0]
                                       : "too many file names";
        return false;
    } else if (!out.listParams && out.presetOut.empty()) {
        error = "INPUT and OUTPUT files are needed";
        return false;
    }
    if (out.input.empty() && !out.sidechain.empty()) {
        error = "--sidechain needs INPUT and OUTPUT files";
        return false;
    }
    if (!out.input.empty() && out.input == out.output && out.input != kStandardStream) {
        error = "OUTPUT must not be the INPUT file itself";
        return false;
    }
    return true;
}

} // namespace torvik::render
