#pragma once
// What a Windows host does around a plug-in editor: a top-level window to put
// it in, a message loop, and a look at the pixels on screen.
#include <windows.h>

#include <cstdint>
#include <vector>

namespace torvik::testing {

// A visible top-level window of the given client size that counts the key
// presses that reach it.
class HostWindow {
public:
    HostWindow(int clientWidth, int clientHeight);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND Handle() const { return hwnd; }
    // WM_KEYDOWN messages received since the window was made.
    int KeyDownCount() const;
    // The plug-in's editor window inside this one, or none.
    HWND EditorWindow() const;

private:
    HWND hwnd = nullptr;
};

// Dispatches every message of this thread for about ms milliseconds.
void PumpMessages(int ms);

// The client area of a window as 0x00RRGGBB pixels, row by row.
std::vector<std::uint32_t> ReadWindowPixels(HWND window, int width, int height);

// Client position of a window inside its parent.
POINT PositionInParent(HWND window);

} // namespace torvik::testing
