#include "graphics/win/DrawContextWin.h"

#include "framework/EditorHost.h"
#include "framework/ParamRecord.h"
#include "graphics/EditorContext.h"
#include "graphics/PngResource.h"
#include "graphics/ValueOverlay.h"
#include "graphics/win/PopupMenuWin.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace torvik {

namespace {

// Module-wide: open editor windows (the class is registered while there are
// any). User-interface thread only.
std::vector<IDrawContextWin*> openEditors;

// A wheel notch, in the units of WM_MOUSEWHEEL.
constexpr int kWheelDelta = WHEEL_DELTA;
// Characters the edit box text is read to.
constexpr int kEntryTextSize = 32;
// Custom colours of the colour dialog.
constexpr int kCustomColourCount = 16;
// ShellExecuteA results above this mean success.
constexpr INT_PTR kShellExecuteOk = 32;
// Longest default extension and filter pattern of the file dialog.
constexpr std::size_t kDefaultExtensionMax = 15;
constexpr std::size_t kFilterPatternMax = 255;
constexpr int kFileNameSize = 256;

// The module this code lives in.
HMODULE OwnModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&OwnModule), &module);
    return module;
}

int SignedLow(LPARAM value) {
    return static_cast<short>(LOWORD(value));
}
int SignedHigh(LPARAM value) {
    return static_cast<short>(HIWORD(value));
}

MouseMods ModsFrom(WPARAM keys) {
    MouseMods mods;
    mods.left = (keys & MK_LBUTTON) != 0;
    mods.right = (keys & MK_RBUTTON) != 0;
    mods.shift = (keys & MK_SHIFT) != 0;
    mods.ctrl = (keys & MK_CONTROL) != 0;
    mods.alt = GetKeyState(VK_MENU) < 0;
    return mods;
}

// Editor key code of a virtual key, or -1 for keys the editor does not know.
int KeyCodeFor(WPARAM key) {
    switch (key) {
    case VK_SPACE:
        return kKeySpace;
    case VK_UP:
        return kKeyUp;
    case VK_DOWN:
        return kKeyDown;
    case VK_LEFT:
        return kKeyLeft;
    case VK_RIGHT:
        return kKeyRight;
    default:
        break;
    }
    if (key >= '0' && key <= '9')
        return kKeyDigit0 + static_cast<int>(key - '0');
    if (key >= 'A' && key <= 'Z')
        return kKeyLetterA + static_cast<int>(key - 'A');
    if (key >= 'a' && key <= 'z')
        return kKeyLetterA + static_cast<int>(key - 'a');
    return -1;
}

// The folder of a full file name, with its trailing backslash; empty when the
// name has no backslash or ends in one.
std::string FolderOf(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    if (!slash || slash[1] == '\0')
        return {};
    return std::string(path, static_cast<std::size_t>(slash - path + 1));
}

void RegisterWindowClass(HMODULE module, WNDPROC proc) {
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = IDrawContextWin::kWindowClass;
    RegisterClassA(&wc);
}

void Forget(IDrawContextWin* context, HMODULE module) {
    const auto it = std::find(openEditors.begin(), openEditors.end(), context);
    if (it == openEditors.end())
        return;
    openEditors.erase(it);
    if (openEditors.empty())
        UnregisterClassA(IDrawContextWin::kWindowClass, module);
}

// Sets the colour dialog's title to its prompt.
UINT_PTR CALLBACK ColourHook(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        const auto* choose = reinterpret_cast<const CHOOSECOLORA*>(lParam);
        if (choose && choose->lCustData)
            SetWindowTextA(dialog, reinterpret_cast<const char*>(choose->lCustData));
    }
    return 0;
}

} // namespace

IDrawContext* CreateEditorContext(IEditorHost* plug, int width, int height, int fps) {
    return new IDrawContextWin(plug, width, height, fps);
}

IDrawContextWin::IDrawContextWin(IEditorHost* plugIn, int w, int h, int rate)
    : IDrawContext(plugIn, w, h, rate), moduleInstance(OwnModule()) {}

IDrawContextWin::~IDrawContextWin() {
    CloseEditorWindows();
    delete[] customColours;
    customColours = nullptr;
    mainWindowClass.clear();
}

int IDrawContextWin::OpenWindowCount() {
    return static_cast<int>(openEditors.size());
}

void IDrawContextWin::CloseAllWindows() {
    while (!openEditors.empty())
        openEditors.back()->CloseEditorWindows();
}

PIX_IBitmap* IDrawContextWin::LoadPlatformBitmap(int id, const char* name) {
    return LoadPngResource(moduleInstance, id, name);
}

void* IDrawContextWin::OpenEditorWindow(void* parent) {
    const auto parentHwnd = static_cast<HWND>(parent);
    if (!parentHwnd || !IsWindow(parentHwnd))
        return nullptr;
    if (openEditors.empty())
        RegisterWindowClass(moduleInstance, WindowProc);
    openEditors.push_back(this); // one entry per window
    // The back buffer, its DIB section and memory DC exist while a window shows the editor.
    CreateSurfaces();
    HWND opened =
        CreateWindowExA(0, kWindowClass, "IEffect", WS_CHILD | WS_VISIBLE, 0, 0, PhysicalWidth(),
                        PhysicalHeight(), parentHwnd, nullptr, moduleInstance, this);
    if (!opened) {
        Forget(this, moduleInstance);
        if (windows.empty())
            ReleaseSurfaces();
        if (!openEditors.empty())
            MarkAllDirty();
        return nullptr;
    }
    windows.push_back(opened);
    window = opened; // the newest window is the one the user is about to use
    parentWindow = parentHwnd;
    MarkAllDirty(); // the first tick repaints everything
    if (tooltipsEnabled && !tooltipWindow)
        CreateTooltip();
    return opened;
}

bool IDrawContextWin::Owns(HWND hwnd) const {
    return hwnd && std::find(windows.begin(), windows.end(), hwnd) != windows.end();
}

void IDrawContextWin::CreateTooltip() {
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    tooltipWindow = CreateWindowExA(
        0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr, moduleInstance, nullptr);
    if (!tooltipWindow) {
        tooltipsEnabled = false;
        return;
    }
    SetWindowPos(tooltipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = const_cast<char*>("");
    if (!SendMessageA(tooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
        DestroyWindow(tooltipWindow);
        tooltipWindow = nullptr;
        tooltipsEnabled = false;
    }
}

void IDrawContextWin::CloseEditorWindow(void* closingWindow) {
    const auto closing = static_cast<HWND>(closingWindow);
    if (!Owns(closing))
        return;
    if (closing == window) {
        // The entry box and the tooltip belong to the window in use.
        if (editBox)
            CloseEntry();
        if (tooltipWindow) {
            DestroyWindow(tooltipWindow);
            tooltipWindow = nullptr;
        }
        showingTooltip = false;
        tooltipIndex = -1;
    }
    std::erase(windows, closing);
    if (closing == window)
        window = windows.empty() ? nullptr : windows.back();
    if (paintingWindow == closing)
        paintingWindow = nullptr;
    // The procedure no longer finds this object behind the window.
    SetWindowLongPtrA(closing, GWLP_USERDATA, 0);
    DestroyWindow(closing);
    Forget(this, moduleInstance);
    if (windows.empty())
        ReleaseSurfaces(); // nothing shows the editor: no back buffer, DIB section or DC kept
}

void IDrawContextWin::CloseEditorWindows() {
    while (!windows.empty())
        CloseEditorWindow(windows.back());
}

bool IDrawContextWin::PresentRegion(const Rect& rect) {
    // A paint message presents to the window it came from.
    HWND target = paintingWindow ? paintingWindow : window;
    if (!target || !drawBitmap || !drawBitmap->DrawingContext())
        return true;
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(target, &paint);
    if (dc) {
        const Rect p = ToPhysical(rect);
        BitBlt(dc, p.left, p.top, p.Width(), p.Height(),
               static_cast<HDC>(drawBitmap->DrawingContext()), p.left, p.top, SRCCOPY);
    }
    EndPaint(target, &paint);
    return true;
}

void IDrawContextWin::OnScaleChanged() {
    for (HWND scaled : windows) {
        SetWindowPos(scaled, nullptr, 0, 0, PhysicalWidth(), PhysicalHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(scaled, nullptr, FALSE);
    }
}

void IDrawContextWin::SetEditorSize(int w, int h) {
    if (w == width && h == height)
        return;
    const int dw = w - width;
    const int dh = h - height;
    IDrawContext::SetEditorSize(w, h);
    const bool hostResizesItself = plug && plug->HostResizesEditorWindow();
    for (HWND resized : windows) {
        RECT r{};
        GetWindowRect(resized, &r);
        SetWindowPos(resized, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        HWND child = resized;
        for (int level = 0; level < 2 && !hostResizesItself; ++level) {
            const LONG style = GetWindowLongA(child, GWL_STYLE);
            const LONG extended = GetWindowLongA(child, GWL_EXSTYLE);
            if (!(style & WS_CHILD) || (extended & WS_EX_MDICHILD))
                break;
            HWND parent = GetParent(child);
            if (!parent)
                break;
            GetWindowRect(parent, &r);
            SetWindowPos(parent, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            child = parent;
        }
        const RECT all{0, 0, w, h};
        InvalidateRect(resized, &all, FALSE);
    }
}

LRESULT CALLBACK IDrawContextWin::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* created = static_cast<IDrawContextWin*>(create->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        SetTimer(hwnd, kTimerId, static_cast<UINT>(created->TimerIntervalMs()), nullptr);
        // The keyboard stays with the host: the editor takes it only to type a value.
        return 0;
    }
    auto* self = reinterpret_cast<IDrawContextWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || !self->Owns(hwnd))
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->HandleMessage(hwnd, msg, wParam, lParam);
}

LRESULT IDrawContextWin::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (editBox && editState == EditActive) {
        if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
            editState = EditCancel;
            return 0;
        }
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        return 0;
    case WM_PAINT: {
        RECT r{};
        if (GetUpdateRect(hwnd, &r, FALSE) && r.right > r.left && r.bottom > r.top) {
            // Changes this paint shows and cleans are still owed to the other windows.
            Rect dirty;
            if (windows.size() > 1 && CollectDirtyRegion(dirty)) {
                const Rect p = ToPhysical(dirty);
                const RECT owed{p.left, p.top, p.right, p.bottom};
                for (HWND other : windows)
                    if (other != hwnd)
                        InvalidateRect(other, &owed, FALSE);
            }
            // Physical pixels to redraw, as the editor units that cover them.
            paintingWindow = hwnd;
            DrawRegion(Rect{ToEditorUnits(r.left), ToEditorUnits(r.top),
                            ToEditorUnits(r.right - 1) + 1, ToEditorUnits(r.bottom - 1) + 1});
            paintingWindow = nullptr;
        } else {
            ValidateRect(hwnd, nullptr);
        }
        return 0;
    }
    case WM_TIMER:
        // The first window's timer ticks for all of them.
        if (wParam == kTimerId && hwnd == windows.front())
            OnTimerTick();
        return 0;
    case WM_CLOSE:
        CloseEditorWindow(hwnd);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (HandleKey(hwnd, msg, wParam, lParam))
            return 0;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        HideTooltip();
        if (editBox) {
            editState = EditCommit;
            return 0;
        }
        window = hwnd; // the window the user works in; the keyboard stays with the host
        SetCapture(hwnd);
        MouseDown(ToEditorUnits(SignedLow(lParam)), ToEditorUnits(SignedHigh(lParam)),
                  ModsFrom(wParam));
        return 0;
    case WM_MOUSEMOVE: {
        const MouseMods mods = ModsFrom(wParam);
        if (mods.left || mods.right) {
            if (GetCapture() == hwnd && !editBox)
                MouseDrag(ToEditorUnits(SignedLow(lParam)), ToEditorUnits(SignedHigh(lParam)),
                          mods);
        } else if (MouseHover(ToEditorUnits(SignedLow(lParam)), ToEditorUnits(SignedHigh(lParam)),
                              mods)) {
            TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, HOVER_DEFAULT};
            if (tooltipsEnabled && mouseOver != tooltipIndex) {
                HideTooltip();
                tooltipIndex = mouseOver;
                track.dwFlags |= TME_HOVER;
            }
            TrackMouseEvent(&track);
        }
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        ReleaseCapture();
        MouseUp(ToEditorUnits(SignedLow(lParam)), ToEditorUnits(SignedHigh(lParam)),
                ModsFrom(wParam));
        return 0;
    case WM_LBUTTONDBLCLK:
        if (MouseDoubleClick(ToEditorUnits(SignedLow(lParam)), ToEditorUnits(SignedHigh(lParam)),
                             ModsFrom(wParam)))
            SetCapture(hwnd);
        return 0;
    case WM_MOUSEWHEEL: {
        if (editBox) {
            editState = EditCancel;
            return 0;
        }
        RECT r{};
        GetWindowRect(hwnd, &r);
        const int notches = static_cast<short>(HIWORD(wParam)) / kWheelDelta;
        MouseWheel(ToEditorUnits(SignedLow(lParam) - r.left),
                   ToEditorUnits(SignedHigh(lParam) - r.top), ModsFrom(LOWORD(wParam)), notches);
        return 0;
    }
    case WM_MOUSEHOVER:
        if (tooltipWindow && tooltipIndex >= 0 && tooltipIndex < ControlCount()) {
            TOOLINFOA tool{};
            tool.cbSize = sizeof(tool);
            tool.hwnd = hwnd;
            tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
            tool.lpszText = const_cast<char*>("");
            SendMessageA(tooltipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
            SendMessageA(tooltipWindow, TTM_ACTIVATE, TRUE, 0);
            showingTooltip = true;
        }
        return 0;
    case WM_MOUSELEAVE:
        HideTooltip();
        MouseLeave();
        return 0;
    case WM_CTLCOLOREDIT:
        if (editControl) {
            const TextStyle& style = editControl->Text();
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, style.entryBackground.ToColourRef());
            SetTextColor(dc, style.entryForeground.ToColourRef());
            SetBkMode(dc, OPAQUE);
            return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
        }
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

bool IDrawContextWin::HandleKey(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN) {
        const int key = KeyCodeFor(wParam);
        if (key >= 0) {
            POINT p{};
            GetCursorPos(&p);
            ScreenToClient(hwnd, &p);
            if (KeyDown(ToEditorUnits(p.x), ToEditorUnits(p.y), key))
                return true;
        }
    }
    // Keys the editor does not take are the host's (its shortcuts).
    HWND root = GetAncestor(hwnd, GA_ROOT);
    if (root && root != hwnd)
        SendMessageA(root, msg, wParam, lParam);
    return false;
}

void IDrawContextWin::HideTooltip() {
    if (tooltipWindow && showingTooltip)
        SendMessageA(tooltipWindow, TTM_ACTIVATE, FALSE, 0);
    showingTooltip = false;
}

void IDrawContextWin::OnTimerTick() {
    if (!window)
        return;
    if (editBox && editState != EditIdle) {
        if (editState == EditCancel)
            CloseEntry();
        else if (editState == EditCommit)
            CommitEntry();
        else
            editState = EditIdle;
        return;
    }
    Rect region;
    if (!CollectDirtyRegion(region))
        return;
    const Rect dirty = ToPhysical(region);
    const RECT r{dirty.left, dirty.top, dirty.right, dirty.bottom};
    // Every window shows the change; the open entry box's control is left as it is.
    bool entryKept = false;
    for (HWND shown : windows) {
        InvalidateRect(shown, &r, FALSE);
        if (shown == window && editBox && editControl) {
            const Rect c = ToPhysical(editControl->GetRect());
            const RECT keep{c.left, c.top, c.right, c.bottom};
            ValidateRect(shown, &keep);
            entryKept = true;
        }
        UpdateWindow(shown);
    }
    if (entryKept)
        editState = EditRefreshed;
}

void IDrawContextWin::CommitEntry() {
    char text[kEntryTextSize] = {};
    GetWindowTextA(editBox, text, kEntryTextSize);
    IControl* control = editControl;
    IParamRecord* param = editParam;
    if (control && param && param->TextFormat()) {
        // The plug-in reads its own texts; what is no value changes nothing.
        const bool byEnter = commitByEnter;
        commitByEnter = false;
        const bool message = std::strcmp(text, kEntryRefusedText) == 0;
        const bool applied =
            !message && CommitValueText(control, param, text) == EntryOutcome::kApplied;
        if (!applied && byEnter && !message) {
            // Said in the entry, selected so that typing replaces it.
            SetWindowTextA(editBox, kEntryRefusedText);
            SendMessageA(editBox, EM_SETSEL, 0, -1);
            editState = GetFocus() == editBox ? EditActive : EditIdle;
            return;
        }
        CloseEntry();
        return;
    }
    CloseEntry();
    if (!control)
        return;
    if (!param) {
        control->AcceptEnteredText(text);
        return;
    }
    double value = 0.0;
    if (param->Kind() == kParamBoolean || param->Kind() == kParamList) {
        for (const ParamDisplayText& entry : param->DisplayTexts()) {
            if (std::strcmp(entry.text, text) == 0) {
                value = entry.value;
                break;
            }
        }
    } else {
        value = ReadLeadingDecimal(text);
        if (param->NegateDisplay())
            value = -value;
    }
    control->ApplyUserValue(param->ToNormalised(value));
}

void IDrawContextWin::CloseEntry() {
    if (editBox && GetFocus() == editBox) {
        // The keyboard goes back to who had it, or to the host's top-level
        // window when that one is gone or hidden.
        HWND target = focusBeforeEntry;
        if (!target || !IsWindow(target) || !IsWindowVisible(target) || target == editBox)
            target = window ? GetAncestor(window, GA_ROOT) : nullptr;
        if (target && target != window && IsWindowVisible(target))
            SetFocus(target);
        else
            SetFocus(nullptr);
    }
    focusBeforeEntry = nullptr;
    commitByEnter = false;
    if (editBox) {
        SetWindowLongPtrA(editBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editDefaultProc));
        DestroyWindow(editBox);
    }
    if (editFont)
        DeleteObject(editFont);
    editFont = nullptr;
    editBox = nullptr;
    editControl = nullptr;
    editParam = nullptr;
    editDefaultProc = nullptr;
    editState = EditIdle;
}

void IDrawContextWin::OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                                    const char* text, IParamRecord* param) {
    if (!control || editBox || !window)
        return;
    DWORD editStyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE;
    if (style.alignment == kAlignCentre)
        editStyle |= ES_CENTER;
    else if (style.alignment == kAlignFar)
        editStyle |= ES_RIGHT;
    const Rect box = ToPhysical(rect); // the window's pixels
    editBox = CreateWindowExA(0, "EDIT", text ? text : "", editStyle, box.left, box.top,
                              box.right - box.left + 1, box.bottom - box.top + 1, window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditBoxId)),
                              moduleInstance, nullptr);
    if (!editBox)
        return;
    editFont =
        CreateFontA(style.size, 0, 0, 0, style.style == kTextBold ? FW_BOLD : FW_DONTCARE,
                    style.style == kTextItalic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, style.font);
    SendMessageA(editBox, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), 0);
    SendMessageA(editBox, EM_LIMITTEXT, static_cast<WPARAM>(control->TextEntryLength()), 0);
    SendMessageA(editBox, EM_SETSEL, 0, -1);
    editControl = control;
    editParam = param;
    editDefaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(editBox, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditProc)));
    SetWindowLongPtrA(editBox, GWLP_USERDATA, kEditBoxMark);
    focusBeforeEntry = GetFocus();
    SetFocus(editBox);
}

LRESULT CALLBACK IDrawContextWin::EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self =
        reinterpret_cast<IDrawContextWin*>(GetWindowLongPtrA(GetParent(hwnd), GWLP_USERDATA));
    if (!self || self->editBox != hwnd || !self->editDefaultProc)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return self->HandleEditMessage(hwnd, msg, wParam, lParam);
}

LRESULT IDrawContextWin::HandleEditMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    HideTooltip();
    switch (msg) {
    case WM_SETFOCUS:
        editState = EditActive;
        break;
    case WM_KILLFOCUS:
        editState = EditCommit;
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            editState = EditCommit;
            commitByEnter = true;
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            editState = EditCancel;
            return 0;
        }
        break;
    case WM_CHAR:
        // A parameter that reads its own texts takes units and words too.
        if (editParam && !editParam->TextFormat() && wParam != VK_BACK) {
            const bool digit = (wParam >= '0' && wParam <= '9') || wParam == '+' || wParam == '-';
            const bool point = wParam == '.' && editParam->Kind() == kParamContinuous;
            const ParamKind kind = editParam->Kind();
            if (kind >= kParamBoolean && kind <= kParamContinuous && !digit && !point)
                return 0;
        }
        break;
    case WM_COMMAND:
        if (HIWORD(wParam) == 1)
            editState = EditCommit;
        break;
    case WM_GETDLGCODE:
        if (!editParam) {
            LRESULT code = CallWindowProcA(editDefaultProc, hwnd, msg, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN)
                code |= DLGC_WANTALLKEYS;
            return code;
        }
        break;
    default:
        break;
    }
    return CallWindowProcA(editDefaultProc, hwnd, msg, wParam, lParam);
}

IPopupMenu* IDrawContextWin::RunPopupMenu(IPopupMenu* menu, const Rect& rect) {
    mouseCapture = lastMouseX = lastMouseY = -1;
    if (!menu || !window)
        return nullptr;
    int nextId = 0;
    HMENU platformMenu = BuildPlatformMenu(*menu, nextId);
    if (!platformMenu)
        return nullptr;
    const Rect placed = ToPhysical(rect);
    POINT corner{placed.left, placed.bottom};
    ClientToScreen(window, &corner);
    TrackPopupMenu(platformMenu, TPM_LEFTALIGN, corner.x, corner.y, 0, window, nullptr);
    IPopupMenu* chosen = nullptr;
    MSG msg{};
    if (PeekMessageA(&msg, window, WM_COMMAND, WM_COMMAND, PM_REMOVE) && HIWORD(msg.wParam) == 0)
        chosen = ChooseMenuItem(*menu, static_cast<int>(LOWORD(msg.wParam)));
    DestroyMenu(platformMenu);
    InvalidateRect(window, nullptr, FALSE);
    return chosen;
}

int IDrawContextWin::ShowMessage(const char* text, const char* caption, int type) {
    FindMainWindow();
    return MessageBoxA(mainWindow, text, caption, static_cast<UINT>(type));
}

void IDrawContextWin::FindMainWindow() {
    if (mainWindow)
        return;
    if (parentWindow) {
        HWND top = parentWindow;
        while (HWND up = GetParent(top))
            top = up;
        mainWindow = top;
        char name[256] = {};
        GetClassNameA(top, name, sizeof name);
        mainWindowClass = name;
        return;
    }
    if (mainWindowClass.empty())
        return;
    struct Search {
        const std::string* className;
        DWORD process;
        HWND found;
    } search{&mainWindowClass, GetCurrentProcessId(), nullptr};
    EnumWindows(
        [](HWND candidate, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            char name[256] = {};
            GetClassNameA(candidate, name, sizeof name);
            if (owner == s->process && *s->className == name) {
                s->found = candidate;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    mainWindow = search.found;
}

void IDrawContextWin::HostExecutablePath(std::string& out) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    out = FolderOf(path);
}

void IDrawContextWin::PluginModulePath(std::string& out) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(moduleInstance, path, MAX_PATH);
    out = FolderOf(path);
}

void IDrawContextWin::UserDesktopPath(std::string& out) {
    char path[MAX_PATH] = {};
    out = SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE) ? path : "";
}

void IDrawContextWin::AppDataPath(std::string& out, bool systemWide) {
    char path[MAX_PATH] = {};
    const int folder = systemWide ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
    out = SUCCEEDED(SHGetFolderPathA(nullptr, folder, nullptr, 0, path)) ? path : "";
}

void IDrawContextWin::AskForFile(std::string& out, int action, std::string& directory,
                                 const char* extensions) {
    if (!window) {
        out.clear();
        return;
    }
    char fileName[kFileNameSize] = {};
    std::strncpy(fileName, out.c_str(), kFileNameSize - 1);
    if (directory.empty())
        UserDesktopPath(directory);
    // "*.a;*.b" serves as the filter's display text and its pattern.
    std::string pattern;
    std::string defaultExtension;
    const char* p = extensions ? extensions : "";
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* end = p;
        while (*end && *end != ' ')
            ++end;
        if (end > p) {
            const std::string word(p, end);
            if (defaultExtension.empty())
                defaultExtension = word.substr(0, kDefaultExtensionMax);
            if (!pattern.empty())
                pattern += ';';
            pattern += "*." + word;
        }
        p = end;
    }
    pattern = pattern.substr(0, kFilterPatternMax);
    std::string filter = pattern + '\0' + pattern + '\0' + '\0';
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = window;
    dialog.lpstrFilter = pattern.empty() ? nullptr : filter.c_str();
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = kFileNameSize;
    dialog.lpstrInitialDir = directory.c_str();
    dialog.lpstrDefExt = defaultExtension.empty() ? nullptr : defaultExtension.c_str();
    bool ok = false;
    if (action == 1) {
        dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
        ok = GetSaveFileNameA(&dialog) != 0;
    } else {
        dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
        ok = GetOpenFileNameA(&dialog) != 0;
    }
    if (!ok) {
        out.clear();
        return;
    }
    out = fileName;
    directory = FolderOf(fileName);
}

bool IDrawContextWin::AskForColour(Colour& colour, const char* prompt) {
    if (!window)
        return false;
    if (!customColours) {
        customColours = new COLORREF[kCustomColourCount];
        std::fill(customColours, customColours + kCustomColourCount, RGB(255, 255, 255));
    }
    CHOOSECOLORA choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = window;
    choose.rgbResult = colour.ToColourRef();
    choose.lpCustColors = customColours;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR | CC_SOLIDCOLOR;
    if (prompt) {
        choose.Flags |= CC_ENABLEHOOK;
        choose.lpfnHook = ColourHook;
        choose.lCustData = reinterpret_cast<LPARAM>(prompt);
    }
    if (!ChooseColorA(&choose))
        return false;
    colour.r = GetRValue(choose.rgbResult);
    colour.g = GetGValue(choose.rgbResult);
    colour.b = GetBValue(choose.rgbResult);
    return true;
}

bool IDrawContextWin::OpenWebAddress(const char* address, const char* title,
                                     const char* confirmText, const char* errorText) {
    if (confirmText && MessageBoxA(window, confirmText, title, MB_YESNO) != IDYES)
        return false;
    DWORD state = 0;
    if (address && InternetGetConnectedState(&state, 0) &&
        reinterpret_cast<INT_PTR>(ShellExecuteA(window, "open", address, nullptr, nullptr,
                                                SW_SHOWNORMAL)) > kShellExecuteOk)
        return true;
    if (errorText)
        MessageBoxA(window, errorText, title, MB_OK);
    return false;
}

bool IDrawContextWin::ClipboardText(std::string& out) {
    out.clear();
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(window))
        return false;
    bool ok = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            const int bytes =
                WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
            if (bytes > 0) {
                out.resize(static_cast<std::size_t>(bytes));
                WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
                out.resize(static_cast<std::size_t>(bytes - 1)); // without the terminator
                ok = true;
            }
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return ok;
}

void IDrawContextWin::HideCursor() {
    if (cursorHidden)
        return;
    POINT p{};
    GetCursorPos(&p);
    savedCursorX = p.x;
    savedCursorY = p.y;
    ShowCursor(FALSE);
    cursorHidden = true;
}

void IDrawContextWin::RevealCursor() {
    if (!cursorHidden)
        return;
    SetCursorPos(savedCursorX, savedCursorY);
    ShowCursor(TRUE);
    cursorHidden = false;
}

} // namespace torvik
