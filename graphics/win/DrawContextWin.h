#pragma once
// The Windows editor window: a Win32 child window inside the window the host
// hands to the editor view ("HWND"), redrawn by a timer at the editor's frame
// rate, painted from the back buffer through a DIB section, with mouse, wheel
// and keys, the value-entry edit box, popup menus and the platform services.
#include "graphics/DrawContext.h"

#include <windows.h>

#include <string>
#include <vector>

namespace torvik {

// Value-entry states of the edit box.
enum EditState : int {
    EditIdle = 0,      // no entry, or nothing pending
    EditActive = 1,    // the edit box has the focus
    EditRefreshed = 2, // the editor was repainted while the box was open
    EditCancel = 3,    // the next tick discards the entry
    EditCommit = 4,    // the next tick applies the entry
};

class IDrawContextWin : public IDrawContext {
public:
    // The window class every editor window of the module belongs to.
    static constexpr const char* kWindowClass = "IEffectWndClass";
    // The redraw timer's ID.
    static constexpr UINT_PTR kTimerId = 2;
    // The edit box's control ID and the mark in its user data.
    static constexpr int kEditBoxId = 99;
    static constexpr LONG_PTR kEditBoxMark = 0x7E57ED17;

    IDrawContextWin(IEditorHost* plug, int width, int height, int fps);
    ~IDrawContextWin() override;

    bool PresentRegion(const Rect& rect) override;
    void EndTextEntry() override { editState = EditCancel; }
    void SetEditorSize(int w, int h) override;
    void OnScaleChanged() override;
    bool IsWindowOpen() override { return !windows.empty(); }
    const char* BackendName() override { return "Windows GDI"; }
    int ShowMessage(const char* text, const char* caption, int type) override;
    IPopupMenu* RunPopupMenu(IPopupMenu* menu, const Rect& rect) override;
    void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                       const char* text, IParamRecord* param) override;
    void HostExecutablePath(std::string& out) override;
    void PluginModulePath(std::string& out) override;
    void UserDesktopPath(std::string& out) override;
    void AppDataPath(std::string& out, bool systemWide) override;
    void SandboxAppDataPath(std::string& out) override { AppDataPath(out, false); }
    void AskForFile(std::string& out, int action, std::string& directory,
                    const char* extensions) override;
    bool AskForColour(Colour& colour, const char* prompt) override;
    bool OpenWebAddress(const char* address, const char* title, const char* confirmText,
                        const char* errorText) override;
    // parent is the host's HWND; opens a further editor window inside it and
    // returns its HWND, or none. Windows opened earlier stay where they are.
    void* OpenEditorWindow(void* parent) override;
    // Closes that one window; the others stay open.
    void CloseEditorWindow(void* window) override;
    // Closes every window of this editor.
    void CloseEditorWindows();
    // The window in use: the one last pressed in, else the newest.
    void* NativeWindow() override { return window; }
    int WindowCount() const { return static_cast<int>(windows.size()); }
    bool ClipboardText(std::string& out) override;
    void HideCursor() override;
    void RevealCursor() override;
    void PlatformHook() override {}
    PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) override;

    // One redraw tick (WM_TIMER): the value-entry step, else the redraw step.
    void OnTimerTick();

    // State, for the window procedures and tests.
    int GetEditState() const { return editState; }
    HWND EditBox() const { return editBox; }
    HWND ParentWindow() const { return parentWindow; }
    HMODULE ModuleInstance() const { return moduleInstance; }

    // Number of open editor windows of the module (the class is registered while > 0).
    static int OpenWindowCount();
    // Closes every editor window of the module: its unloading.
    static void CloseAllWindows();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Whether hwnd is one of this editor's windows.
    bool Owns(HWND hwnd) const;
    LRESULT HandleEditMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // True when the editor took the key; otherwise it went to the root window.
    bool HandleKey(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void CommitEntry();
    void CloseEntry();
    void HideTooltip();
    void CreateTooltip();
    void FindMainWindow();

    HMODULE moduleInstance = nullptr; // this module: window class, resources, paths
    std::vector<HWND> windows;        // every open editor window, in opening order
    HWND window = nullptr;           // the window in use: entry box, menus and dialogs belong to it
    HWND paintingWindow = nullptr;   // the window whose paint message is being answered
    HWND editBox = nullptr;          // open value-entry edit box
    HWND tooltipWindow = nullptr;    // only with tooltips enabled
    HFONT editFont = nullptr;        // the edit box's font, owned while it is open
    IControl* editControl = nullptr; // control whose value is being entered
    IParamRecord* editParam = nullptr; // parameter being entered; none for free text
    WNDPROC editDefaultProc = nullptr; // the edit box's own procedure
    HWND focusBeforeEntry = nullptr;   // who had the keyboard when the entry took it
    bool commitByEnter = false;        // the pending commit came from the Enter key
    int editState = EditIdle;
    bool showingTooltip = false;
    int tooltipIndex = -1;             // control whose tooltip is current
    COLORREF* customColours = nullptr; // 16, created on first use
    HWND parentWindow = nullptr;       // window given to OpenEditorWindow
    HWND mainWindow = nullptr;         // owner of message boxes
    std::string mainWindowClass;       // class name of that window
};

} // namespace torvik
