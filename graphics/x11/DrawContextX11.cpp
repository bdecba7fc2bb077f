#include "graphics/x11/DrawContextX11.h"

#include "graphics/EditorContext.h"
#include "graphics/EditorScale.h"
#include "graphics/Font.h"
#include "graphics/PngResource.h"
#include "graphics/ValueOverlay.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <set>

namespace torvik {

namespace {

// X errors on the editors' own connections (a parent destroyed under us, a
// bad parent ID) must not end the host, whose handler may do just that. Our
// handler ignores errors on our connections and passes the rest on.
struct ErrorTrap {
    std::mutex lock;
    std::set<Display*> displays;      // our open connections
    XErrorHandler previous = nullptr; // the handler we chain to
    bool installed = false;
    unsigned long errorCount = 0; // errors seen on our connections
};

ErrorTrap& Trap() {
    static ErrorTrap trap;
    return trap;
}

int OnXError(Display* display, XErrorEvent* error) {
    ErrorTrap& trap = Trap();
    XErrorHandler next = nullptr;
    {
        std::lock_guard guard(trap.lock);
        if (trap.displays.count(display)) {
            ++trap.errorCount;
            return 0;
        }
        next = trap.previous;
    }
    return next ? next(display, error) : 0;
}

void WatchDisplay(Display* display) {
    ErrorTrap& trap = Trap();
    std::lock_guard guard(trap.lock);
    trap.displays.insert(display);
    if (!trap.installed) {
        trap.previous = XSetErrorHandler(OnXError);
        trap.installed = true;
    }
}

void ForgetDisplay(Display* display) {
    ErrorTrap& trap = Trap();
    std::lock_guard guard(trap.lock);
    trap.displays.erase(display);
    if (trap.displays.empty() && trap.installed) {
        // Put the old handler back only if nobody replaced ours meanwhile.
        XErrorHandler current = XSetErrorHandler(trap.previous);
        if (current != OnXError)
            XSetErrorHandler(current);
        trap.installed = false;
        trap.previous = nullptr;
    }
}

unsigned long ErrorCount() {
    ErrorTrap& trap = Trap();
    std::lock_guard guard(trap.lock);
    return trap.errorCount;
}

MouseMods ModsFromState(unsigned int state) {
    MouseMods mods;
    mods.left = (state & Button1Mask) != 0;
    mods.right = (state & Button3Mask) != 0;
    mods.shift = (state & ShiftMask) != 0;
    mods.ctrl = (state & ControlMask) != 0;
    mods.alt = (state & Mod1Mask) != 0;
    return mods;
}

// Editor key code of a key symbol, or -1 for keys the editor does not know.
int KeyCodeFor(KeySym sym) {
    if (sym == XK_space)
        return kKeySpace;
    if (sym == XK_Up)
        return kKeyUp;
    if (sym == XK_Down)
        return kKeyDown;
    if (sym == XK_Left)
        return kKeyLeft;
    if (sym == XK_Right)
        return kKeyRight;
    if (sym >= XK_0 && sym <= XK_9)
        return kKeyDigit0 + static_cast<int>(sym - XK_0);
    if (sym >= XK_a && sym <= XK_z)
        return kKeyLetterA + static_cast<int>(sym - XK_a);
    if (sym >= XK_A && sym <= XK_Z)
        return kKeyLetterA + static_cast<int>(sym - XK_A);
    return -1;
}

// Deepest window nesting we follow up to the root; host windows nest a few levels.
constexpr int kMaxWindowDepth = 64;

// The windows above w up to (not including) the root, nearest first; the last
// is w's top-level window.
std::vector<unsigned long> AncestorsOf(Display* display, Window w) {
    std::vector<unsigned long> chain;
    Window current = w;
    for (int depth = 0; depth < kMaxWindowDepth; ++depth) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, current, &root, &parent, &children, &count))
            break;
        if (children)
            XFree(children);
        if (parent == 0 || parent == root)
            break;
        chain.push_back(parent);
        current = parent;
    }
    return chain;
}

bool CanTakeFocus(Display* display, Window w) {
    XWindowAttributes attributes{};
    return w != None && XGetWindowAttributes(display, w, &attributes) &&
           attributes.map_state == IsViewable;
}

} // namespace

IDrawContext* CreateEditorContext(IEditorHost* plug, int width, int height, int fps) {
    return new IDrawContextX11(plug, width, height, fps);
}

IDrawContextX11::IDrawContextX11(IEditorHost* plugIn, int w, int h, int rate)
    : IDrawContextQuiet(plugIn, w, h, rate) {}

IDrawContextX11::~IDrawContextX11() {
    CloseEditorWindows();
}

PIX_IBitmap* IDrawContextX11::LoadPlatformBitmap(int id, const char* name) {
    return LoadPngResource(nullptr, id, name);
}

IDrawContextX11::EditorWindow* IDrawContextX11::Find(void* window) const {
    const auto id = static_cast<Window>(reinterpret_cast<std::uintptr_t>(window));
    for (const auto& w : windows) {
        if (id != 0 && w->window == id)
            return w.get();
    }
    return nullptr;
}

void* IDrawContextX11::NativeWindow() {
    for (const auto& w : windows) {
        if (w->alive)
            return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w->window));
    }
    return nullptr;
}

unsigned long IDrawContextX11::WindowId() const {
    for (const auto& w : windows) {
        if (w->alive)
            return w->window;
    }
    return 0;
}

unsigned long IDrawContextX11::ParentId() const {
    for (const auto& w : windows) {
        if (w->alive)
            return w->parentWindow;
    }
    return 0;
}

int IDrawContextX11::WindowEventFd(void* window) const {
    const EditorWindow* w = Find(window);
    return w && w->display ? ConnectionNumber(w->display) : -1;
}

void* IDrawContextX11::OpenEditorWindow(void* parent) {
    const auto parentId = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
    if (parentId == 0)
        return nullptr;
    auto w = std::make_unique<EditorWindow>();
    if (!Create(*w, parentId))
        return nullptr;
    // The back buffer exists while some window shows the editor.
    CreateSurfaces();
    windows.push_back(std::move(w));
    MarkAllDirty(); // the first tick paints everything, in the new window too
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(windows.back()->window));
}

bool IDrawContextX11::Create(EditorWindow& w, unsigned long parentId) {
    w.parentWindow = parentId;
    w.display = XOpenDisplay(nullptr);
    if (!w.display)
        return false;
    Display* display = w.display;
    WatchDisplay(display);
    const unsigned long errorsBefore = ErrorCount();

    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(display, parentId, &parentAttributes)) {
        ReleaseWindow(w);
        return false;
    }
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask | FocusChangeMask;
    if (handleMouseOver)
        attributes.event_mask |= PointerMotionMask | LeaveWindowMask;
    attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
    const auto wide = static_cast<unsigned int>(std::max(1, PhysicalWidth()));
    const auto high = static_cast<unsigned int>(std::max(1, PhysicalHeight()));
    w.window = XCreateWindow(display, parentId, 0, 0, wide, high, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWEventMask | CWBackPixel, &attributes);
    if (w.window) {
        // Embedders read the XEmbed version and flags as soon as the window
        // exists; some refuse a child without them. The mapped flag stays clear:
        // the window maps itself below, and hosts that map it find it ready.
        const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
        const long info[2] = {0 /* protocol version */, 0 /* flags */};
        XChangeProperty(display, w.window, xembedInfo, xembedInfo, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
    }
    XSync(display, False);
    if (!w.window || ErrorCount() != errorsBefore) {
        ReleaseWindow(w);
        return false;
    }
    w.alive = true;
    w.gc = XCreateGC(display, w.window, 0, nullptr);

    // Our pixels are 0xAARRGGBB little-endian; a 24/32-bit true-colour screen
    // with the usual masks takes them as they are.
    XWindowAttributes own{};
    XGetWindowAttributes(display, w.window, &own);
    w.visual = own.visual;
    w.depth = static_cast<unsigned int>(own.depth);
    w.canPresent = own.visual && own.visual->c_class == TrueColor &&
                   own.visual->red_mask == 0xFF0000 && own.visual->green_mask == 0xFF00 &&
                   own.visual->blue_mask == 0xFF && (own.depth == 24 || own.depth == 32);

    w.ancestors = AncestorsOf(display, w.window);
    w.topLevelWindow = w.ancestors.empty() ? w.window : w.ancestors.back();
    if (w.topLevelWindow != w.window) {
        // Hosts close the editor by hiding their window: an open entry must then
        // close and give the keyboard back.
        XWindowAttributes top{};
        if (XGetWindowAttributes(display, w.topLevelWindow, &top))
            XSelectInput(display, w.topLevelWindow, top.your_event_mask | StructureNotifyMask);
    }
    XMapWindow(display, w.window);
    XSync(display, False);
    return true;
}

void IDrawContextX11::ReleaseWindow(EditorWindow& w) {
    if (entry.window == &w) {
        // The entry goes with its window.
        MarkOverlayDirty(entry.rect);
        entry = Entry{};
    }
    if (menu.window == &w)
        CloseMenu();
    if (lastInputWindow == &w)
        lastInputWindow = nullptr;
    if (w.display) {
        ReturnFocus(w);
        if (w.gc)
            XFreeGC(w.display, w.gc);
        if (w.window && w.alive)
            XDestroyWindow(w.display, w.window);
        XSync(w.display, False);
        ForgetDisplay(w.display);
        XCloseDisplay(w.display);
    }
    w.display = nullptr;
    w.gc = nullptr;
    w.alive = false;
}

void IDrawContextX11::CloseEditorWindow(void* window) {
    EditorWindow* w = Find(window);
    if (!w)
        return;
    ReleaseWindow(*w);
    std::erase_if(windows, [w](const auto& open) { return open.get() == w; });
    if (windows.empty())
        ReleaseSurfaces(); // nothing shows the editor: no back buffer is kept
}

void IDrawContextX11::CloseEditorWindows() {
    while (!windows.empty())
        CloseEditorWindow(
            reinterpret_cast<void*>(static_cast<std::uintptr_t>(windows.back()->window)));
}

bool IDrawContextX11::PresentRegion(const Rect& rect) {
    // Every window shows what was drawn: a region one window asked for may
    // hold changes the others have not shown yet.
    for (const auto& w : windows)
        Present(*w, rect);
    return true;
}

void IDrawContextX11::Present(EditorWindow& w, const Rect& rect) {
    if (!w.display || !w.alive || !w.gc || !w.canPresent || !drawBitmap || !drawBitmap->PixelData())
        return;
    const Rect bounds{0, 0, drawBitmap->Width(), drawBitmap->Height()};
    const Rect r = Intersection(ToPhysical(rect), bounds);
    if (r.Width() <= 0 || r.Height() <= 0)
        return;
    XImage* image = XCreateImage(w.display, static_cast<Visual*>(w.visual), w.depth, ZPixmap, 0,
                                 reinterpret_cast<char*>(drawBitmap->PixelData()),
                                 static_cast<unsigned int>(drawBitmap->Width()),
                                 static_cast<unsigned int>(drawBitmap->Height()), 32,
                                 drawBitmap->RowSpan() * 4);
    if (!image)
        return;
    image->byte_order = LSBFirst;
    XPutImage(w.display, w.window, w.gc, image, r.left, r.top, r.left, r.top,
              static_cast<unsigned int>(r.Width()), static_cast<unsigned int>(r.Height()));
    image->data = nullptr; // the pixels belong to the back buffer
    XDestroyImage(image);
    XFlush(w.display);
}

void IDrawContextX11::OnScaleChanged() {
    for (const auto& open : windows) {
        if (!open->display || !open->alive)
            continue;
        XResizeWindow(open->display, open->window, static_cast<unsigned int>(PhysicalWidth()),
                      static_cast<unsigned int>(PhysicalHeight()));
        XFlush(open->display);
    }
}

void IDrawContextX11::SetEditorSize(int w, int h) {
    if (w == width && h == height)
        return;
    IDrawContextQuiet::SetEditorSize(w, h);
    if (w <= 0 || h <= 0)
        return;
    for (const auto& open : windows) {
        if (!open->display || !open->alive)
            continue;
        XResizeWindow(open->display, open->window, static_cast<unsigned int>(PhysicalWidth()),
                      static_cast<unsigned int>(PhysicalHeight()));
        XFlush(open->display);
    }
    MarkAllDirty();
}

void IDrawContextX11::OnWindowTimer() {
    if (NativeWindow())
        RedrawDirty();
}

void IDrawContextX11::OnWindowEvents(void* window) {
    EditorWindow* w = Find(window);
    while (w && w->display && XPending(w->display) > 0) {
        XEvent event;
        XNextEvent(w->display, &event);
        if (event.type == MotionNotify) {
            // Only the latest position of a run of moves matters; a press or
            // release between moves ends the run, so hover moves never swallow
            // the drag moves after a press.
            XEvent next;
            while (XPending(w->display) > 0) {
                XPeekEvent(w->display, &next);
                if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window)
                    break;
                XNextEvent(w->display, &event);
            }
        }
        HandleEvent(*w, event);
    }
}

void IDrawContextX11::HandleEvent(EditorWindow& w, XEvent& event) {
    if (event.type == UnmapNotify && event.xany.window == w.topLevelWindow) {
        if (entry.window == &w)
            CommitEntry(false);
        return;
    }
    if (!w.alive || event.xany.window != w.window)
        return;
    switch (event.type) {
    case FocusOut:
        // The user went elsewhere while typing: as a click elsewhere, it commits.
        if (entry.window == &w && event.xfocus.mode == NotifyNormal &&
            event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer) {
            Window current = None;
            int revert = 0;
            XGetInputFocus(w.display, &current, &revert);
            if (current != w.window)
                CommitEntry(false);
        }
        break;
    case Expose:
        // Exposed physical pixels, as the editor units that cover them.
        DrawRegion(Rect{ToEditorUnits(event.xexpose.x), ToEditorUnits(event.xexpose.y),
                        ToEditorUnits(event.xexpose.x + event.xexpose.width - 1) + 1,
                        ToEditorUnits(event.xexpose.y + event.xexpose.height - 1) + 1});
        break;
    case ButtonPress:
        HandleButtonPress(w, event);
        break;
    case ButtonRelease:
        HandleButtonRelease(event);
        break;
    case MotionNotify: {
        const MouseMods mods = ModsFromState(event.xmotion.state);
        if (mods.left || mods.right)
            MouseDrag(ToEditorUnits(event.xmotion.x), ToEditorUnits(event.xmotion.y), mods);
        else
            MouseHover(ToEditorUnits(event.xmotion.x), ToEditorUnits(event.xmotion.y), mods);
        break;
    }
    case LeaveNotify:
        if (handleMouseOver)
            MouseLeave();
        break;
    case KeyPress:
        HandleKey(w, event, true);
        break;
    case KeyRelease:
        HandleKey(w, event, false);
        break;
    case DestroyNotify:
        // The host destroyed its window and ours with it.
        ReturnFocus(w);
        w.alive = false;
        break;
    default:
        break;
    }
}

void IDrawContextX11::HandleButtonPress(EditorWindow& w, XEvent& event) {
    const XButtonEvent& b = event.xbutton;
    lastInputWindow = &w;
    if (menu.window) {
        // A press on an item chooses it; any other press only closes the menu.
        int chosen = -1;
        for (int i = 0; i < menu.items.ItemCount() && menu.window == &w; ++i) {
            const int flags = menu.items.ItemAt(i).flags;
            if (!(flags & (IPopupMenu::kItemGrayed | IPopupMenu::kItemDisabled |
                           IPopupMenu::kItemSeparator)) &&
                MenuItemRect(i).Contains(ToEditorUnits(b.x), ToEditorUnits(b.y)))
                chosen = i;
        }
        CloseMenu();
        w.lastPressPending = false;
        if (b.button == Button1 && chosen >= 0)
            ChooseEditorMenuItem(chosen);
        return;
    }
    if (entry.control) {
        // While a value is typed, a press inside the entry does nothing, the
        // wheel cancels, and a press elsewhere (another window included)
        // commits and does nothing else.
        if (b.button == Button4 || b.button == Button5)
            CloseEntry();
        else if (entry.window != &w || !entry.rect.Contains(ToEditorUnits(b.x), ToEditorUnits(b.y)))
            CommitEntry(false);
        w.lastPressPending = false;
        return;
    }
    if (b.button == Button4 || b.button == Button5) {
        MouseWheel(ToEditorUnits(b.x), ToEditorUnits(b.y), ModsFromState(b.state),
                   b.button == Button4 ? 1 : -1);
        return;
    }
    if (b.button != Button1 && b.button != Button2 && b.button != Button3)
        return;
    MouseMods mods = ModsFromState(b.state);
    mods.left = mods.left || b.button == Button1;
    mods.right = mods.right || b.button == Button3;
    // A press leaves the keyboard with the host: the editor takes no keys, and
    // a focus taken here would vanish with the host's window when it hides it.
    if (b.button == Button1) {
        const bool isDouble = w.lastPressPending && b.time - w.lastPressTime <= kDoubleClickMs &&
                              std::abs(b.x - w.lastPressX) <= kDoubleClickSlop &&
                              std::abs(b.y - w.lastPressY) <= kDoubleClickSlop;
        if (isDouble) {
            w.lastPressPending = false;
            MouseDoubleClick(ToEditorUnits(b.x), ToEditorUnits(b.y), mods);
            return;
        }
        w.lastPressPending = true;
        w.lastPressTime = b.time;
        w.lastPressX = b.x;
        w.lastPressY = b.y;
    } else {
        w.lastPressPending = false;
    }
    MouseDown(ToEditorUnits(b.x), ToEditorUnits(b.y), mods);
}

void IDrawContextX11::TakeFocus(EditorWindow& w, unsigned long time) {
    Window current = None;
    int revert = 0;
    XGetInputFocus(w.display, &current, &revert);
    if (current == w.window)
        return;
    // Nothing to hand back to: the host's window takes it when the editor goes.
    w.focusBefore = current == None || current == PointerRoot ? w.topLevelWindow : current;
    XSetInputFocus(w.display, w.window, RevertToParent, time);
}

void IDrawContextX11::ReturnFocus(EditorWindow& w) {
    if (!w.display || !w.focusBefore)
        return;
    const Window target = w.focusBefore;
    w.focusBefore = 0;
    Window current = None;
    int revert = 0;
    XGetInputFocus(w.display, &current, &revert);
    const bool lostWithEditor =
        current == w.window || current == None || current == PointerRoot ||
        current == DefaultRootWindow(w.display) ||
        std::find(w.ancestors.begin(), w.ancestors.end(), current) != w.ancestors.end();
    if (!lostWithEditor)
        return; // the user has moved on to another window meanwhile
    for (const Window candidate : {target, static_cast<Window>(w.topLevelWindow)}) {
        if (candidate != w.window && CanTakeFocus(w.display, candidate)) {
            XSetInputFocus(w.display, candidate, RevertToParent, CurrentTime);
            XSync(w.display, False);
            return;
        }
    }
}

void IDrawContextX11::HandleButtonRelease(XEvent& event) {
    const XButtonEvent& b = event.xbutton;
    if (b.button != Button1 && b.button != Button2 && b.button != Button3)
        return;
    MouseMods mods = ModsFromState(b.state);
    // The state still shows the button being released.
    if (b.button == Button1)
        mods.left = false;
    if (b.button == Button3)
        mods.right = false;
    MouseUp(ToEditorUnits(b.x), ToEditorUnits(b.y), mods);
}

void IDrawContextX11::HandleKey(EditorWindow& w, XEvent& event, bool press) {
    if (entry.control) {
        if (press && entry.window == &w)
            HandleEntryKey(event);
        return; // the entry's keys are its own
    }
    if (menu.window && press && XLookupKeysym(&event.xkey, 0) == XK_Escape) {
        CloseMenu();
        return;
    }
    if (press) {
        const int key = KeyCodeFor(XLookupKeysym(&event.xkey, 0));
        if (key >= 0 && KeyDown(ToEditorUnits(event.xkey.x), ToEditorUnits(event.xkey.y), key))
            return;
    }
    ForwardKey(w, event);
}

void IDrawContextX11::OpenTextEntry(IControl* control, const TextStyle& /*style*/, const Rect& rect,
                                    const char* text, IParamRecord* param) {
    // The entry opens in the window the user last pressed in, or the first.
    EditorWindow* w = lastInputWindow;
    if (!w || !w->alive || !w->display)
        w = Find(NativeWindow());
    if (!control || entry.control || !w || !w->display)
        return;
    entry.window = w;
    entry.control = control;
    entry.param = param;
    entry.rect = rect;
    entry.text = text ? text : "";
    entry.allSelected = true;
    MarkOverlayDirty(entry.rect);
    TakeFocus(*w, CurrentTime);
    XFlush(w->display);
}

void IDrawContextX11::ShowOwnParamMenu(IControl* control, int /*x*/, int /*y*/) {
    OpenValueEntry(control);
}

int IDrawContextX11::DesktopScale() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0;
    // The resources the root window carried when the connection opened.
    const int percent = EditorScaleFromXResources(XResourceManagerString(display));
    XCloseDisplay(display);
    return percent;
}

void IDrawContextX11::ShowEditorMenu(int x, int y) {
    EditorWindow* w = lastInputWindow;
    if (!w || !w->alive || !w->display)
        w = Find(NativeWindow());
    if (!w || entry.control)
        return;
    CloseMenu();
    menu.window = w;
    menu.items = EditorMenu();
    // As wide as the widest title, measured at the scale, in editor units.
    TextStyle style = ScaledStyle(OverlayTextStyle(ValueOverlay::kText));
    int widest = 0;
    for (int i = 0; i < menu.items.ItemCount(); ++i) {
        Rect extent{0, 0, 0, 0};
        MeasureTextRect(style, menu.items.ItemAt(i).title.c_str(), extent);
        widest = std::max(widest, ToEditorLength(extent.Width()));
    }
    const int menuWidth = ValueOverlay::kMenuCheckWidth + widest + 2 * ValueOverlay::kMenuPadX;
    const int menuHeight = menu.items.ItemCount() * ValueOverlay::kMenuItemHeight + 2;
    menu.rect = KeptInside(Rect{x, y, x + menuWidth, y + menuHeight}, width, height);
    MarkOverlayDirty(menu.rect);
}

Rect IDrawContextX11::MenuItemRect(int index) const {
    if (!menu.window || index < 0 || index >= menu.items.ItemCount())
        return Rect{0, 0, 0, 0};
    const int top = menu.rect.top + 1 + index * ValueOverlay::kMenuItemHeight;
    return Rect{menu.rect.left + 1, top, menu.rect.right - 1, top + ValueOverlay::kMenuItemHeight};
}

void IDrawContextX11::CloseMenu() {
    if (!menu.window)
        return;
    MarkOverlayDirty(menu.rect);
    menu = Menu{};
}

void IDrawContextX11::DrawMenu() {
    if (!menu.window || !Intersects(drawRect, menu.rect))
        return;
    const Rect r = ToPhysical(menu.rect);
    const Rect clip = ToPhysical(drawRect);
    const int border = ToPhysicalLength(1);
    FillOverlayRect(drawBitmap, r, clip, ValueOverlay::kFrame);
    FillOverlayRect(drawBitmap,
                    Rect{r.left + border, r.top + border, r.right - border, r.bottom - border},
                    clip, ValueOverlay::kBackground);
    for (int i = 0; i < menu.items.ItemCount(); ++i) {
        const IPopupMenu::Item& item = menu.items.ItemAt(i);
        const Rect row = ToPhysical(MenuItemRect(i));
        const bool grayed =
            (item.flags & (IPopupMenu::kItemGrayed | IPopupMenu::kItemDisabled)) != 0;
        TextStyle style = ScaledStyle(
            OverlayTextStyle(grayed ? ValueOverlay::kMenuGrayedText : ValueOverlay::kText));
        style.alignment = kAlignNear;
        const int lineHeight = OverlayLineHeight(style);
        const int top = row.top + (row.Height() - lineHeight) / 2;
        const int checkColumn = row.left + ToPhysicalLength(ValueOverlay::kMenuPadX);
        if (item.checked) {
            const int mark = ToPhysicalLength(ValueOverlay::kMenuCheckSize);
            const int markTop = row.top + (row.Height() - mark) / 2;
            FillOverlayRect(drawBitmap,
                            Rect{checkColumn, markTop, checkColumn + mark, markTop + mark}, clip,
                            ValueOverlay::kText);
        }
        const int textLeft = checkColumn + ToPhysicalLength(ValueOverlay::kMenuCheckWidth);
        DrawTextInto(drawBitmap, style, item.title.c_str(),
                     Rect{textLeft, top, row.right, top + lineHeight});
    }
}

void IDrawContextX11::CloseEntry() {
    if (!entry.control)
        return;
    MarkOverlayDirty(entry.rect);
    EditorWindow* w = entry.window;
    entry = Entry{};
    if (w)
        ReturnFocus(*w);
}

void IDrawContextX11::CommitEntry(bool byEnter) {
    if (!entry.control)
        return;
    const bool message = entry.text == kEntryRefusedText;
    const bool applied = !message && CommitValueText(entry.control, entry.param,
                                                     entry.text.c_str()) == EntryOutcome::kApplied;
    if (!applied && byEnter && !message) {
        // Said in the entry, selected so that typing replaces it.
        entry.text = kEntryRefusedText;
        entry.allSelected = true;
        MarkOverlayDirty(entry.rect);
        return;
    }
    CloseEntry(); // applied, or left or confirmed unreadable: nothing changed
}

void IDrawContextX11::HandleEntryKey(XEvent& event) {
    char typed[8] = {};
    KeySym sym = 0;
    const int n = XLookupString(&event.xkey, typed, sizeof typed - 1, &sym, nullptr);
    if (sym == XK_Return || sym == XK_KP_Enter) {
        CommitEntry(true);
        return;
    }
    if (sym == XK_Escape) {
        CloseEntry();
        return;
    }
    if (sym == XK_BackSpace || sym == XK_Delete) {
        if (entry.allSelected)
            entry.text.clear();
        else if (!entry.text.empty())
            entry.text.pop_back();
        entry.allSelected = false;
    } else if (n == 1 && typed[0] >= ' ' && typed[0] <= '~') {
        // Printable ASCII: the drawn font's glyphs are looked up byte by byte.
        if (entry.allSelected)
            entry.text.clear();
        if (static_cast<int>(entry.text.size()) < entry.control->TextEntryLength())
            entry.text.push_back(typed[0]);
        entry.allSelected = false;
    } else {
        return;
    }
    MarkOverlayDirty(entry.rect);
}

void IDrawContextX11::DrawOverlayExtras() {
    DrawMenu();
    if (!entry.control || !Intersects(drawRect, entry.rect))
        return;
    // Physical pixels: frame, caret and text size scale with the editor.
    const Rect r = ToPhysical(entry.rect);
    const Rect clip = ToPhysical(drawRect);
    const int border = ToPhysicalLength(1);
    const bool refused = entry.text == kEntryRefusedText;
    FillOverlayRect(drawBitmap, r, clip, ValueOverlay::kFrame);
    const Rect inner{r.left + border, r.top + border, r.right - border, r.bottom - border};
    FillOverlayRect(drawBitmap, inner, clip, ValueOverlay::kEntryBackground);
    TextStyle style =
        ScaledStyle(OverlayTextStyle(refused             ? ValueOverlay::kRefusedText
                                     : entry.allSelected ? ValueOverlay::kEntryBackground
                                                         : ValueOverlay::kEntryText));
    Rect extent{0, 0, 0, 0};
    MeasureTextRect(style, entry.text.c_str(), extent);
    const int lineHeight = OverlayLineHeight(style);
    const int top = r.top + (r.Height() - lineHeight) / 2;
    const int textLeft = r.left + (r.Width() - extent.Width()) / 2;
    if (entry.allSelected && !refused && !entry.text.empty())
        FillOverlayRect(
            drawBitmap,
            Rect{textLeft - border, top, textLeft + extent.Width() + border, top + lineHeight},
            Intersection(clip, inner), ValueOverlay::kEntrySelection);
    DrawTextInto(drawBitmap, style, entry.text.c_str(),
                 Rect{inner.left, top, inner.right, top + lineHeight});
    if (!entry.allSelected) {
        // The caret after the text.
        const int caret = std::min(textLeft + extent.Width() + border, inner.right - 2 * border);
        FillOverlayRect(drawBitmap,
                        Rect{caret, top + border, caret + border, top + lineHeight - border},
                        Intersection(clip, inner), ValueOverlay::kEntryText);
    }
}

void IDrawContextX11::ForwardKey(EditorWindow& w, XEvent& event) {
    if (!w.topLevelWindow || w.topLevelWindow == w.window)
        return;
    XEvent copy = event;
    copy.xkey.window = w.topLevelWindow;
    copy.xkey.subwindow = 0;
    XSendEvent(w.display, w.topLevelWindow, False,
               event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
    XFlush(w.display);
}

} // namespace torvik
