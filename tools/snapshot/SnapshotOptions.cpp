#include "SnapshotOptions.h"

#include "framework/EffectBase.h"
#include "graphics/EditorScale.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace torvik {

namespace {

const char* const kMeterNames[] = {"pre", "main", "deess", "gate", "comp"};

// A finite number making up the whole text.
bool ReadNumber(const std::string& text, double& value) {
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

// A parameter by index or by name (any case; the first of equal names).
int FindParam(const IEffectBase& plug, const std::string& key) {
    char* end = nullptr;
    const long index = std::strtol(key.c_str(), &end, 10);
    if (!key.empty() && end && *end == '\0')
        return index >= 0 && index < plug.ParamCount() ? static_cast<int>(index) : -1;
    for (int i = 0; i < plug.ParamCount(); ++i) {
        const IParamRecord* param = plug.ParamAt(i);
        if (param && strcasecmp(param->Name(), key.c_str()) == 0)
            return i;
    }
    return -1;
}

// Splits "key=value" at its last "=".
bool SplitSetting(const char* text, std::string& key, std::string& value) {
    const char* eq = std::strrchr(text, '=');
    if (!eq || eq == text)
        return false;
    key.assign(text, static_cast<std::size_t>(eq - text));
    value.assign(eq + 1);
    return true;
}

} // namespace

const char* SnapshotUsage() {
    return "usage: torvik-snapshot [-o FILE] [--scale N] [--set PARAM=NORMALISED]... "
           "[--meter METER=LEVEL]...\n"
           "  Renders TORVIK's editor without a window into a PNG file.\n"
           "  -o, --output FILE   where to write (default torvik-editor.png)\n"
           "  --scale N           editor size in percent: 100, 125, 150, 175 or 200\n"
           "  --set PARAM=X       parameter by index (0-39) or name, normalised 0..1\n"
           "  --meter METER=X     meter pre, main, deess, gate or comp, level 0..1\n"
           "  -h, --help          this text\n";
}

bool ParseSnapshotOptions(int argc, char** argv, const IEffectBase& plug, SnapshotOptions& options,
                          std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        const bool takesValue = arg == "-o" || arg == "--output" || arg == "--set" ||
                                arg == "--meter" || arg == "--scale";
        if (!takesValue) {
            error = "unknown argument: " + arg;
            return false;
        }
        if (i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        if (arg == "-o" || arg == "--output") {
            options.output = value;
            continue;
        }
        if (arg == "--scale") {
            double percent = 0.0;
            if (!ReadNumber(value, percent) || !IsEditorScale(static_cast<int>(percent)) ||
                percent != std::trunc(percent)) {
                error = std::string("no such scale: ") + value + " (100, 125, 150, 175, 200)";
                return false;
            }
            options.scale = static_cast<int>(percent);
            continue;
        }
        std::string key;
        std::string number;
        double x = 0.0;
        if (!SplitSetting(value, key, number) || !ReadNumber(number, x)) {
            error = std::string("expected NAME=NUMBER: ") + value;
            return false;
        }
        if (arg == "--set") {
            const int index = FindParam(plug, key);
            if (index < 0) {
                error = "no such parameter: " + key;
                return false;
            }
            options.params.push_back({index, x});
        } else {
            int meter = -1;
            for (int m = 0; m < 5; ++m)
                if (strcasecmp(key.c_str(), kMeterNames[m]) == 0)
                    meter = m;
            if (meter < 0) {
                error = "no such meter: " + key + " (pre, main, deess, gate, comp)";
                return false;
            }
            options.meters.push_back({meter, x});
        }
    }
    return true;
}

} // namespace torvik
