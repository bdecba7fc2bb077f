#include "graphics/EditorScale.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace torvik {

std::span<const int> EditorScales() {
    return kEditorScales;
}

bool IsEditorScale(int percent) {
    for (const int scale : kEditorScales) {
        if (scale == percent)
            return true;
    }
    return false;
}

int NearestEditorScale(double factor) {
    if (!std::isfinite(factor) || factor <= 0.0)
        return kDefaultEditorScale;
    const double percent = factor * 100.0;
    int best = kEditorScales[0];
    for (const int scale : kEditorScales) {
        if (std::fabs(percent - scale) < std::fabs(percent - best))
            best = scale;
    }
    return best;
}

int ScaledLength(int length, int percent) {
    return static_cast<int>(std::lround(static_cast<double>(length) * percent / 100.0));
}

int EditorScaleFromXResources(const char* text) {
    if (!text)
        return 0;
    // Lines of "name:\tvalue"; the value of Xft.dpi is a number of dots per inch.
    constexpr const char* kName = "Xft.dpi:";
    const std::size_t nameLength = std::strlen(kName);
    for (const char* line = text; *line;) {
        const char* end = std::strchr(line, '\n');
        if (!end)
            end = line + std::strlen(line);
        if (static_cast<std::size_t>(end - line) > nameLength &&
            std::strncmp(line, kName, nameLength) == 0) {
            const char* value = line + nameLength;
            while (value < end && (*value == ' ' || *value == '\t'))
                ++value;
            char* parsedEnd = nullptr;
            const double dpi = std::strtod(value, &parsedEnd);
            if (parsedEnd != value && parsedEnd <= end && std::isfinite(dpi) && dpi > 0.0)
                return NearestEditorScale(dpi / kBaseDpi);
            return 0;
        }
        line = *end ? end + 1 : end;
    }
    return 0;
}

} // namespace torvik
