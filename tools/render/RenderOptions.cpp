#include "RenderOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

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
    if (!text.empty() && text.back() == 's') {
        entry.inSeconds = true;
        return ParseReal(text.substr(0, text.size() - 1), entry.time) && entry.time >= 0;
    }
    long frames = 0;
    entry.inSeconds = false;
    if (!ParseInt(text, frames) || frames < 0)
        return false;
    entry.time = static_cast<double>(frames);
    return true;
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
           "Processes an audio file (WAV, AIFF, FLAC) through a VST 3 effect the way a DAW\n"
           "renders a track, and writes the result.\n"
           "\n"
           "  --plugin PATH         the .vst3 bundle (default: TORVIK.vst3 from this build,\n"
           "                        then ~/.vst3, /usr/lib/vst3, /usr/local/lib/vst3)\n"
           "  --class NAME          the effect class in the bundle (default: the first)\n"
           "  --set NAME=VALUE      set a parameter, by title or ID, to a real value\n"
           "                        (dB, Hz, ms, ratio; switches 0 or 1); may repeat\n"
           "  --preset FILE         load a .vstpreset before the --set values\n"
           "  --save-preset FILE    write the resulting state as a .vstpreset\n"
           "  --sidechain FILE      audio for the sidechain input (same sample rate)\n"
           "  --block-size N        frames per process call (default 512)\n"
           "  --precision 32|64     sample size handed to the effect (default 32)\n"
           "  --format wav|aiff|flac         output container (default: from OUTPUT's\n"
           "                                 extension, else the input's)\n"
           "  --encoding pcm16|pcm24|pcm32|float|double   output samples (default: the input's)\n"
           "  --list-params         print every parameter with ID, range, default and unit\n"
           "  --automate \"TIME NAME=VALUE\"  an automation point; TIME in seconds (1.5s) or\n"
           "                        samples (72000); between two points of a parameter the\n"
           "                        value moves linearly; may repeat\n"
           "  --automation FILE     automation points as CSV rows: time,parameter,value\n"
           "  --out-dir DIR         render every INPUT into DIR under the same name\n"
           "  --suffix TEXT         with --out-dir: add TEXT to each output's name\n"
           "  --jobs N              with --out-dir: instances at work at once (default: cores)\n"
           "  --normalize LUFS      one final gain so the output's integrated loudness is LUFS\n"
           "  --true-peak-limit DBTP  the ceiling --normalize must not break (default -1)\n"
           "  --report              print peak, RMS, gain reduction, loudness (LUFS), loudness\n"
           "                        range (LU) and true peak (dBTP) of input and output\n"
           "  --report-json FILE    write everything --report prints, per file, as JSON\n"
           "  --quiet               no progress display\n"
           "  --help                this text\n";
}

bool ParseRenderOptions(int argc, const char* const* argv, RenderOptions& out, std::string& error) {
    out = RenderOptions{};
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
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

        bool ok = true;
        if (name == "--plugin")
            ok = value(out.pluginPath);
        else if (name == "--class")
            ok = value(out.className);
        else if (name == "--sidechain")
            ok = value(out.sidechain);
        else if (name == "--preset")
            ok = value(out.presetIn);
        else if (name == "--save-preset")
            ok = value(out.presetOut);
        else if (name == "--format") {
            ok = value(out.container);
            if (ok && out.container != "wav" && out.container != "aiff" &&
                out.container != "flac") {
                error = "--format must be wav, aiff or flac, not '" + out.container + "'";
                return false;
            }
        } else if (name == "--encoding") {
            ok = value(out.encoding);
            if (ok && out.encoding != "pcm16" && out.encoding != "pcm24" &&
                out.encoding != "pcm32" && out.encoding != "float" && out.encoding != "double") {
                error = "--encoding must be pcm16, pcm24, pcm32, float or double, not '" +
                        out.encoding + "'";
                return false;
            }
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
                        "samples (72000), not below 0, and a number as VALUE, not '" +
                        text + "'";
                return false;
            }
            entry.origin = "--automate \"" + text + "\"";
            out.automation.push_back(entry);
        } else if (name == "--automation")
            ok = value(out.automationFile);
        else if (name == "--out-dir")
            ok = value(out.outDir);
        else if (name == "--suffix")
            ok = value(out.suffix);
        else if (name == "--report-json")
            ok = value(out.reportJson);
        else if (name == "--jobs" || name == "-j") {
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
        else if (name == "--quiet" || name == "-q")
            ok = flag(out.quiet);
        else if (name == "--help" || name == "-h")
            ok = flag(out.help);
        else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else
            positional.push_back(arg);
        if (!ok)
            return false;
    }
    if (out.help)
        return true;
    if (!out.outDir.empty()) {
        if (positional.empty()) {
            error = "--out-dir needs at least one INPUT file";
            return false;
        }
        if (!out.presetOut.empty() || out.listParams) {
            error = "--save-preset and --list-params work without --out-dir";
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
    if (!out.input.empty() && out.input == out.output) {
        error = "OUTPUT must not be the INPUT file itself";
        return false;
    }
    return true;
}

} // namespace torvik::render
