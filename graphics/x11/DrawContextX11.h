#pragma once
// The Linux editor windows: X11 child windows, one inside each window the host
// hands to an editor view (its "X11EmbedWindowID"), all showing the one editor.
// Each window's own display connection carries its events; the host's run
// loop watches WindowEventFd(window) and calls OnWindowEvents(window) when it
// is readable, and calls OnWindowTimer() every TimerIntervalMs() milliseconds.
// No threads of its own.
#include "graphics/QuietDrawContext.h"

#include <cstdint>
#include <memory>
#include <string>
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

    // Presents to every open window.
    bool PresentRegion(const Rect& rect) override;
    // Nothing when the size is unchanged; otherwise every window follows the new size.
    void SetEditorSize(int w, int h) override;
    void OnScaleChanged() override;
    const char* BackendName() override { return "X11"; }
    // parent is the X11 window ID of the host's window, cast to a pointer.
    // Opens a further window inside it and returns its ID the same way, or
    // none; windows opened earlier stay where they are.
    void* OpenEditorWindow(void* parent) override;
    // Closes the window with that ID; the others stay open.
    void CloseEditorWindow(void* window) override;
    // Closes every window.
    void CloseEditorWindows();
    // The first window that is still open, or none.
    void* NativeWindow() override;
    PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) override;
    // Typed values: a small entry drawn over the control; it holds the keyboard
    // focus while open and hands it back when it closes.
    void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                       const char* text, IParamRecord* param) override;
    void EndTextEntry() override { CloseEntry(); }
    // Without a host menu, a right click on a knob opens the entry at once.
    void ShowOwnParamMenu(IControl* control, int x, int y) override;
    // The desktop's Xft.dpi, as the root window's resources carry it.
    int DesktopScale() override;
    // The editor's menu, drawn over the editor in the window pressed in: a
    // press on an item chooses it, any other press or Escape closes it.
    void ShowEditorMenu(int x, int y) override;

    // The open menu, for tests: its area in editor units (empty when none),
    // and the area of one of its items.
    const Rect& MenuRect() const { return menu.rect; }
    Rect MenuItemRect(int index) const;

    // The open entry, for tests: its area (empty when none) and its text.
    const Rect& EntryRect() const { return entry.rect; }
    const std::string& EntryText() const { return entry.text; }

    // For the host's run loop.
    // Descriptor of that window's display connection, -1 for an unknown window.
    int WindowEventFd(void* window) const override;
    // Handles every event waiting on that window's connection; nothing blocks.
    void OnWindowEvents(void* window) override;
    // One redraw tick: repaints the dirty controls in every window now.
    void OnWindowTimer() override;

    // The first open window's ID and its parent's, 0 when none.
    unsigned long WindowId() const;
    unsigned long ParentId() const;
    // Windows opened and not yet closed (those the host destroyed included).
    int WindowCount() const { return static_cast<int>(windows.size()); }

    // Greatest gap between two presses that makes a double click, milliseconds.
    static constexpr unsigned long kDoubleClickMs = 400;
    // Farthest the second press of a double click may be from the first, pixels.
    static constexpr int kDoubleClickSlop = 4;

private:
    // One window showing the editor, with a display connection of its own.
    struct EditorWindow {
        Display* display = nullptr;           // its own connection
        unsigned long window = 0;             // the window's ID
        bool alive = false;                   // false once the host destroyed it
        unsigned long parentWindow = 0;       // window given to OpenEditorWindow
        unsigned long topLevelWindow = 0;     // the host's top-level ancestor: gets unhandled keys
        std::vector<unsigned long> ancestors; // parent up to the top-level window
        unsigned long focusBefore = 0;   // who had the focus when the editor took it; 0 = not taken
        GC gc = nullptr;                 // drawing state for presenting
        bool canPresent = false;         // the screen takes our pixel layout directly
        void* visual = nullptr;          // the window's Visual
        unsigned int depth = 0;          // the window's depth, bits
        unsigned long lastPressTime = 0; // server time of the last left press, ms
        int lastPressX = 0;              // where it was
        int lastPressY = 0;
        bool lastPressPending =
            false; // a left press that a second one may turn into a double click
    };
    // The typed-value entry: one at a time, in the window it was opened in.
    struct Entry {
        EditorWindow* window = nullptr; // holds the keyboard while the entry is open
        IControl* control = nullptr;    // knob whose value is typed; none = closed
        IParamRecord* param = nullptr;
        Rect rect;
        std::string text;
        bool allSelected = true; // the next key replaces the whole text
    };

    // The editor's menu while it shows.
    struct Menu {
        EditorWindow* window = nullptr; // where it shows; none = closed
        IPopupMenu items;
        Rect rect; // editor units
    };

    EditorWindow* Find(void* window) const;
    void CloseMenu();
    void DrawMenu();
    // Opens the window inside parentId; false (with everything released) on failure.
    bool Create(EditorWindow& w, unsigned long parentId);
    void Present(EditorWindow& w, const Rect& rect);
    IControl* EntryControl() const override { return entry.control; }
    void DrawOverlayExtras() override;
    // Enter: applies the text, or says in the entry that it is no value.
    void CommitEntry(bool byEnter);
    void CloseEntry();
    void HandleEntryKey(_XEvent& event);
    void HandleEvent(EditorWindow& w, _XEvent& event);
    void HandleButtonPress(EditorWindow& w, _XEvent& event);
    void HandleButtonRelease(_XEvent& event);
    void HandleKey(EditorWindow& w, _XEvent& event, bool press);
    // Sends an unhandled key event on to the host's top-level window.
    void ForwardKey(EditorWindow& w, _XEvent& event);
    void ReleaseWindow(EditorWindow& w);
    // Takes the keyboard focus for typing a value, remembering who had it.
    void TakeFocus(EditorWindow& w, unsigned long time);
    // Hands the focus back to the host when the editor holds it or took it to
    // its grave (focus left on nothing, or on the window's own ancestors).
    void ReturnFocus(EditorWindow& w);

    std::vector<std::unique_ptr<EditorWindow>> windows; // open windows, in opening order
    EditorWindow* lastInputWindow =
        nullptr; // the window pressed in last: host menus' entry opens there
    Entry entry; // the typed-value entry
    Menu menu;   // the editor's menu
};

} // namespace torvik
