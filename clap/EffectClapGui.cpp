// The editor inside the host's window. On Linux the host's timer drives the
// redraw and the host watches the editor's X connection; a host without both
// cannot create the x11 editor. On Windows the editor's own window timer runs.
#include "clap/EffectClap.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace torvik {
namespace {

#if defined(_WIN32)
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif

// Host scale factors outside this range are taken for mistakes and refused
// (a host has passed 100 where it meant 100 %).
constexpr double kLeastHostScale = 0.5;
constexpr double kGreatestHostScale = 4.0;

int ToInt(std::uint32_t length) {
    return static_cast<int>(std::min<std::uint32_t>(length, INT_MAX));
}

} // namespace

// The answer depends on the window system only: scanners ask it of a host
// that offers few extensions and cache it, so the host the user runs later
// would never show the editor. Creating the editor is what needs the host's
// timer and fd watching.
bool IEffectClap::GuiApiSupported(const char* api, bool floating) const {
    return !floating && api && std::strcmp(api, kWindowApi) == 0 && Graphics();
}

bool IEffectClap::GuiCreate(const char* api, bool floating) {
    if (!OnMainThread()) {
        Log(CLAP_LOG_HOST_MISBEHAVING, "gui.create called off the main thread");
        return false;
    }
    if (guiCreated || !GuiApiSupported(api, floating))
        return false;
#if !defined(_WIN32)
    if (!hostTimers || !hostFds) {
        // An editor nobody redraws or serves would hang in the host's window.
        Log(CLAP_LOG_ERROR, "the x11 editor needs the host's timer-support and posix-fd-support");
        return false;
    }
    clap_id id = CLAP_INVALID_ID;
    if (!hostTimers->register_timer(host, static_cast<std::uint32_t>(Graphics()->TimerIntervalMs()),
                                    &id))
        return false;
    timerId = id;
#endif
    guiCreated = true;
    Graphics()->ChooseOpeningScale();
    return true;
}

void IEffectClap::StopWatchingDisplay() {
    if (watchedFd >= 0 && hostFds)
        hostFds->unregister_fd(host, watchedFd);
    watchedFd = -1;
}

void IEffectClap::CloseGuiWindow() {
    if (editorWindow && Graphics())
        Graphics()->CloseEditorWindow(editorWindow);
    editorWindow = nullptr;
}

void IEffectClap::GuiDestroy() {
    if (!guiCreated)
        return;
    StopWatchingDisplay();
    if (timerId != CLAP_INVALID_ID && hostTimers)
        hostTimers->unregister_timer(host, timerId);
    timerId = CLAP_INVALID_ID;
    CloseGuiWindow();
    guiCreated = false;
}

bool IEffectClap::GuiSetParent(const clap_window* window) {
    if (!guiCreated || !window || !window->api || std::strcmp(window->api, kWindowApi) != 0)
        return false;
    StopWatchingDisplay();
    // The one gui of this instance moves to its new parent.
    CloseGuiWindow();
#if defined(_WIN32)
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11));
#endif
    editorWindow = Graphics()->OpenEditorWindow(parent);
    if (!editorWindow)
        return false;
#if !defined(_WIN32)
    const int fd = Graphics()->WindowEventFd(editorWindow);
    if (fd >= 0 && hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ))
        watchedFd = fd;
#endif
    OnEditorOpen();
    return true;
}

bool IEffectClap::GuiGetSize(std::uint32_t& width, std::uint32_t& height) const {
    const IEditorGraphics* graphics = Graphics();
    if (!graphics)
        return false;
    // Physical pixels: the editor at the scale the user chose.
    const int w =
        graphics->EditorWidth() > 0 ? graphics->EditorPhysicalWidth() : Facts().editorWidth;
    const int h =
        graphics->EditorHeight() > 0 ? graphics->EditorPhysicalHeight() : Facts().editorHeight;
    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
    return true;
}

bool IEffectClap::GuiSetScale(double factor) {
    IEditorGraphics* graphics = Graphics();
    if (!graphics || !std::isfinite(factor) || factor < kLeastHostScale ||
        factor > kGreatestHostScale)
        return false;
    const int before = graphics->EditorScalePercent();
    if (!graphics->SetEditorScaleFactor(factor))
        return false;
    if (graphics->EditorScalePercent() != before)
        RequestGuiSize();
    return true;
}

bool IEffectClap::GuiResizeHints(clap_gui_resize_hints& hints) const {
    const IEditorGraphics* graphics = Graphics();
    if (!graphics)
        return false;
    // Every scale keeps the editor's proportions.
    const int w = graphics->EditorWidth() > 0 ? graphics->EditorWidth() : Facts().editorWidth;
    const int h = graphics->EditorHeight() > 0 ? graphics->EditorHeight() : Facts().editorHeight;
    hints = clap_gui_resize_hints{};
    hints.can_resize_horizontally = true;
    hints.can_resize_vertically = true;
    hints.preserve_aspect_ratio = true;
    hints.aspect_ratio_width = static_cast<std::uint32_t>(w);
    hints.aspect_ratio_height = static_cast<std::uint32_t>(h);
    return true;
}

bool IEffectClap::GuiAdjustSize(std::uint32_t& width, std::uint32_t& height) const {
    const IEditorGraphics* graphics = Graphics();
    if (!graphics)
        return false;
    int w = ToInt(width);
    int h = ToInt(height);
    graphics->SnapEditorSize(w, h);
    width = static_cast<std::uint32_t>(w);
    height = static_cast<std::uint32_t>(h);
    return true;
}

bool IEffectClap::GuiSetSize(std::uint32_t width, std::uint32_t height) {
    IEditorGraphics* graphics = Graphics();
    if (!graphics)
        return false;
    int w = ToInt(width);
    int h = ToInt(height);
    const int scale = graphics->SnapEditorSize(w, h);
    if (static_cast<std::uint32_t>(w) != width || static_cast<std::uint32_t>(h) != height)
        return false; // not one of the editor's sizes: nothing changes
    // The host sized its window already; the editor's window follows.
    graphics->SetEditorScalePercent(scale);
    return true;
}

void IEffectClap::RequestGuiSize() {
    std::uint32_t w = 0;
    std::uint32_t h = 0;
    // Without an open window the host asks get_size before it makes one.
    if (guiCreated && editorWindow && hostGui && GuiGetSize(w, h))
        hostGui->request_resize(host, w, h);
}

void IEffectClap::ResizeEditor(int width, int height) {
    // The editor took a new drawn size: the host's window takes it at the editor's scale.
    if (width > 0 && height > 0)
        RequestGuiSize();
}

void IEffectClap::OnTimer(clap_id id) {
    if (guiCreated && editorWindow && id == timerId && Graphics())
        Graphics()->OnWindowTimer();
}

void IEffectClap::OnFd(int fd, std::uint32_t /*flags*/) {
    if (editorWindow && fd == watchedFd && Graphics())
        Graphics()->OnWindowEvents(editorWindow);
}

const clap_plugin_gui IEffectClap::kGui = {
    [](const clap_plugin* p, const char* api, bool floating) {
        return Self(p).GuiApiSupported(api, floating);
    },
    [](const clap_plugin*, const char** api, bool* floating) {
        if (!api || !floating)
            return false;
        *api = kWindowApi;
        *floating = false;
        return true;
    },
    [](const clap_plugin* p, const char* api, bool floating) {
        return Self(p).GuiCreate(api, floating);
    },
    [](const clap_plugin* p) { Self(p).GuiDestroy(); },
    [](const clap_plugin* p, double factor) { return Self(p).GuiSetScale(factor); },
    [](const clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
        return width && height && Self(p).GuiGetSize(*width, *height);
    },
    // Resizable to the editor's scales.
    [](const clap_plugin* p) { return Self(p).Graphics() != nullptr; },
    [](const clap_plugin* p, clap_gui_resize_hints* hints) {
        return hints && Self(p).GuiResizeHints(*hints);
    },
    [](const clap_plugin* p, std::uint32_t* width, std::uint32_t* height) {
        return width && height && Self(p).GuiAdjustSize(*width, *height);
    },
    [](const clap_plugin* p, std::uint32_t width, std::uint32_t height) {
        return Self(p).GuiSetSize(width, height);
    },
    [](const clap_plugin* p, const clap_window* window) { return Self(p).GuiSetParent(window); },
    // Floating windows are not offered.
    [](const clap_plugin*, const clap_window*) { return false; },
    [](const clap_plugin*, const char*) {},
    [](const clap_plugin* p) { return Self(p).guiCreated; },
    [](const clap_plugin* p) { return Self(p).guiCreated; },
};

const clap_plugin_timer_support IEffectClap::kTimerSupport = {
    [](const clap_plugin* p, clap_id id) { Self(p).OnTimer(id); },
};

const clap_plugin_posix_fd_support IEffectClap::kFdSupport = {
    [](const clap_plugin* p, int fd, std::uint32_t flags) { Self(p).OnFd(fd, flags); },
};

} // namespace torvik
