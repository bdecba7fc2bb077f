#pragma once
// The editor reads the user's remembered size from the per-user settings
// folder when a view is made. Test programs that make views point that folder
// at an empty one of their own, so a size chosen on this machine never
// changes what they see: XDG_CONFIG_HOME on Linux, APPDATA on Windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace torvik::testing {

class PrivateSettingsFolder : public ::testing::Environment {
public:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("torvik-settings-" + std::to_string(std::rand()) + "-" +
                  std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        std::filesystem::create_directories(folder);
        const char* before = std::getenv(kVariable);
        previous = before ? std::optional<std::string>(before) : std::nullopt;
        Set(folder.string().c_str());
    }
    void TearDown() override {
        if (previous)
            Set(previous->c_str());
        else
            Unset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

private:
#if defined(_WIN32)
    static constexpr const char* kVariable = "APPDATA";
    static void Set(const char* value) {
        _putenv_s(kVariable, value);
    }
    static void Unset() {
        _putenv_s(kVariable, "");
    }
#else
    static constexpr const char* kVariable = "XDG_CONFIG_HOME";
    static void Set(const char* value) {
        setenv(kVariable, value, 1);
    }
    static void Unset() {
        unsetenv(kVariable);
    }
#endif

    std::filesystem::path folder;
    std::optional<std::string> previous;
};

} // namespace torvik::testing
