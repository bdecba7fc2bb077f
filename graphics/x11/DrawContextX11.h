#pragma once
// The Linux editor window: an X11 child window inside the window the host
// hands to the editor view (its "X11EmbedWindowID"). Its own display
// connection carries the window's events; the host's run loop watches
// WindowEventFd() and calls OnWindowEvents() when it is readable, and calls OnWindowTimer()
// every TimerIntervalMs() milliseconds. No threads of its own.
#include "graphics/QuietDrawContext.h"

#include <cstdint>
#include <vector>

// Xlib's own declarations, so that this header needs no Xlib include.
using Display = struct _XDisplay; // NOLINT(bugprone-reserved-identifier)
using GC = struct _XGC*;          // NOLINT(bugprone-reserved-identifier)
union _XEvent;                    // NOLINT(bugprone-reserved-identifier)

namespace torvik {

class IDrawContextX11 : public IDrawContextQuiet {
public:
    IDrawContextX11(IEditorHost* plug, int width, int height, int fps);
    ~IDrawContextX11() override;

    bool PresentRegion(const Rect& rect) override;
    // Nothing when the size is unchanged; otherwise the window follows the new size.
    void SetEditorSize(int w, int h) override;
    void OnScaleChanged() override;
    const char* BackendName() override { return "X11"; }
    // parent is the X11 window ID of the host's window, cast to a pointer.
    // Returns the new window's ID the same way, or none.
    void* OpenEditorWindow(void* parent) override;
    void CloseEditorWindow() override;
    void* NativeWindow() override;
    PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) override;

    // For the host's run loop.
    // Descriptor of the window's display connection, -1 without a window.
    int WindowEventFd() const override;
    // Handles every event that is waiting; nothing blocks.
    void OnWindowEvents() override;
    // One redraw tick: repaints the dirty controls now.
    void OnWindowTimer() override;

    // The window's ID, 0 when none.
    unsigned long WindowId() const { return window; }
    unsigned long ParentId() const { return parentWindow; }

    // Greatest gap between two presses that makes a double click, milliseconds.
    static constexpr unsigned long kDoubleClickMs = 400;
    // Farthest the second press of a double click may be from the first, pixels.
    static constexpr int kDoubleClickSlop = 4;

private:
    void HandleEvent(_XEvent& event);
    void HandleButtonPress(_XEvent& event);
    void HandleButtonRelease(_XEvent& event);
    void HandleKey(_XEvent& event, bool press);
    // Sends an unhandled key event on to the host's top-level window.
    void ForwardKey(_XEvent& event);
    void ReleaseWindow();
    // Takes the keyboard focus for a press in the editor, remembering who had it.
    void TakeFocus(unsigned long time);
    // Hands the focus back to the host when the editor holds it or took it to
    // its grave (focus left on nothing, or on the window's own ancestors).
    void ReturnFocus();

    Display* display = nullptr;           // own connection, open while a window is
    unsigned long window = 0;             // the editor window, 0 = none
    unsigned long parentWindow = 0;       // window given to OpenEditorWindow
    unsigned long topLevelWindow = 0;     // the host's top-level ancestor: receives unhandled keys
    std::vector<unsigned long> ancestors; // parent up to the top-level window, for focus checks
    unsigned long focusBefore = 0;   // who held the focus when the editor took it; 0 = not taken
    GC gc = nullptr;                 // drawing state for presenting
    bool canPresent = false;         // the screen takes our pixel layout directly
    void* visual = nullptr;          // the window's Visual
    unsigned int depth = 0;          // the window's depth, bits
    unsigned long lastPressTime = 0; // server time of the last left press, ms
    int lastPressX = 0;              // where it was
    int lastPressY = 0;
    bool lastPressPending = false; // a left press that a second one may turn into a double click
};

} // namespace torvik
