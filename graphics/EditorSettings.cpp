#include "graphics/EditorSettings.h"

#include "graphics/EditorScale.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace torvik {

namespace {

constexpr const char* kFileName = "editor.conf";
constexpr const char* kScaleKey = "scale=";
// A settings file is a line; anything longer is not ours.
constexpr std::size_t kMaxSettingsBytes = 256;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

} // namespace

std::string EditorSettingsPath(const char* product) {
    if (!product || !*product)
        return {};
    std::filesystem::path folder;
#if defined(_WIN32)
    const std::string appData = Environment("APPDATA");
    if (appData.empty())
        return {};
    folder = std::filesystem::path(appData);
#else
    const std::string config = Environment("XDG_CONFIG_HOME");
    const std::string home = Environment("HOME");
    // A relative XDG_CONFIG_HOME is invalid and is ignored.
    if (!config.empty() && config[0] == '/')
        folder = std::filesystem::path(config);
    else if (!home.empty())
        folder = std::filesystem::path(home) / ".config";
    else
        return {};
#endif
    return (folder / product / kFileName).string();
}

int ReadEditorScale(const std::string& path) {
    if (path.empty())
        return 0;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return 0;
    char text[kMaxSettingsBytes + 1] = {};
    in.read(text, static_cast<std::streamsize>(kMaxSettingsBytes + 1));
    const auto length = static_cast<std::size_t>(in.gcount());
    if (length > kMaxSettingsBytes)
        return 0;
    const std::size_t keyLength = std::strlen(kScaleKey);
    if (length < keyLength || std::memcmp(text, kScaleKey, keyLength) != 0)
        return 0;
    int value = 0;
    std::size_t i = keyLength;
    for (; i < length && text[i] >= '0' && text[i] <= '9' && i < keyLength + 3; ++i)
        value = value * 10 + (text[i] - '0');
    const bool lineEnds = i == length || (text[i] == '\n' && i + 1 == length);
    return i > keyLength && lineEnds && IsEditorScale(value) ? value : 0;
}

bool WriteEditorScale(const std::string& path, int percent) {
    if (path.empty() || !IsEditorScale(percent))
        return false;
    const std::filesystem::path target(path);
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error)
        return false;
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out << kScaleKey << percent << '\n';
        out.close();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

} // namespace torvik
