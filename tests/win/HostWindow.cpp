#include "HostWindow.h"

#include "graphics/win/DibSection.h"

#include <map>

namespace torvik::testing {

namespace {

constexpr const char* kHostClass = "TorvikTestHost";
// The editor's window class.
constexpr const char* kEditorClass = "IEffectWndClass";
// Steps of the message loop, milliseconds.
constexpr int kPumpStepMs = 5;

std::map<HWND, int>& KeyDowns() {
    static std::map<HWND, int> counts;
    return counts;
}

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN)
        ++KeyDowns()[hwnd];
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void RegisterHostClass() {
    static const bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        wc.lpszClassName = kHostClass;
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
}

} // namespace

HostWindow::HostWindow(int clientWidth, int clientHeight) {
    RegisterHostClass();
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    hwnd = CreateWindowExA(0, kHostClass, "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                           r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
    PumpMessages(50);
}

HostWindow::~HostWindow() {
    if (hwnd) {
        KeyDowns().erase(hwnd);
        DestroyWindow(hwnd);
    }
    PumpMessages(10);
}

int HostWindow::KeyDownCount() const {
    const auto it = KeyDowns().find(hwnd);
    return it == KeyDowns().end() ? 0 : it->second;
}

HWND HostWindow::EditorWindow() const {
    return FindWindowExA(hwnd, nullptr, kEditorClass, nullptr);
}

void PumpMessages(int ms) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(kPumpStepMs);
    } while (static_cast<LONG>(GetTickCount() - end) < 0);
}

std::vector<std::uint32_t> ReadWindowPixels(HWND window, int width, int height) {
    std::vector<std::uint32_t> pixels;
    HDC windowDc = GetDC(window);
    if (!windowDc)
        return pixels;
    void* bits = nullptr;
    HBITMAP section = CreateTopDownSection(width, height, &bits);
    HDC memory = CreateCompatibleDC(windowDc);
    if (section && memory) {
        HGDIOBJ previous = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.reserve(static_cast<std::size_t>(width) * height);
        for (std::size_t i = 0; i < static_cast<std::size_t>(width) * height; ++i)
            pixels.push_back(p[i] & 0xFFFFFFu);
        SelectObject(memory, previous);
    }
    if (memory)
        DeleteDC(memory);
    if (section)
        DeleteObject(section);
    ReleaseDC(window, windowDc);
    return pixels;
}

POINT PositionInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    POINT p{r.left, r.top};
    ScreenToClient(GetParent(window), &p);
    return p;
}

} // namespace torvik::testing
