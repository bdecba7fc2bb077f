// The LV2 UI side of the host kit: load a bundle's UI binary, instantiate a UI
// inside a parent window with the features a desktop host offers, record what
// the UI writes and touches, send it port events and call its idle interface.
#pragma once

#include "hostkit/lv2/Lv2Host.h"

#include <lv2/options/options.h>
#include <lv2/ui/ui.h>

#include <cstdint>
#include <string>
#include <vector>

namespace hostkit::lv2 {

/// A bundle's UI binary, loaded; unloaded on destruction.
class Lv2UiLibrary {
public:
    explicit Lv2UiLibrary(const std::string& binaryPath);
    ~Lv2UiLibrary();
    Lv2UiLibrary(const Lv2UiLibrary&) = delete;
    Lv2UiLibrary& operator=(const Lv2UiLibrary&) = delete;
    /// The UI descriptor with this URI, or none.
    const LV2UI_Descriptor* Descriptor(const char* uri) const;
    const std::string& Error() const { return error; }

private:
    void* library = nullptr;
    std::string error;
};

/// Which optional features the host offers besides the parent window.
struct UiFeatures {
    bool parent = true;
    bool touch = true;
    bool resize = true;
    bool idle = true;
    float scaleFactor = 0.0f; ///< passed as an option when above 0
};

/// One UI; cleaned up on destruction.
class Lv2UiInstance {
public:
    Lv2UiInstance(const LV2UI_Descriptor* descriptor, const char* pluginUri,
                  const std::string& bundlePath, unsigned long parentWindow,
                  const UiFeatures& offered = {});
    ~Lv2UiInstance();
    Lv2UiInstance(const Lv2UiInstance&) = delete;
    Lv2UiInstance& operator=(const Lv2UiInstance&) = delete;

    bool Created() const { return handle != nullptr; }
    /// The UI's widget: its X11 window ID.
    unsigned long Widget() const { return widget; }
    /// A float port event, as a host sends a control port's value.
    void PortEvent(std::uint32_t port, float value);
    /// Any port event, as a host might send it.
    void RawPortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                      const void* buffer);
    /// One idle call; the UI's answer, or -1 when it offers no idle interface.
    int Idle();
    /// Destroys the UI now.
    void Cleanup();

    struct Write {
        std::uint32_t port;
        std::uint32_t size;
        std::uint32_t protocol;
        float value;
    };
    struct Touch {
        std::uint32_t port;
        bool grabbed;
    };
    std::vector<Write> writes;
    std::vector<Touch> touches;
    std::vector<std::pair<int, int>> resizes;

private:
    const LV2UI_Descriptor* descriptor = nullptr;
    LV2UI_Handle handle = nullptr;
    const LV2UI_Idle_Interface* idle = nullptr;
    unsigned long widget = 0;
    UridMap urids;
    LV2UI_Touch touch{};
    LV2UI_Resize resize{};
    float scale = 0.0f;
    LV2_Options_Option options[2]{};
};

} // namespace hostkit::lv2
