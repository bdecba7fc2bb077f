#include "graphics/x11/DrawContextX11.h"

#include "graphics/EditorContext.h"
#include "graphics/PngResource.h"

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
    CloseEditorWindow();
}

PIX_IBitmap* IDrawContextX11::LoadPlatformBitmap(int id, const char* name) {
    return LoadPngResource(nullptr, id, name);
}

void* IDrawContextX11::NativeWindow() {
    return window ? reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)) : nullptr;
}

int IDrawContextX11::WindowEventFd() const {
    return display ? ConnectionNumber(display) : -1;
}

void* IDrawContextX11::OpenEditorWindow(void* parent) {
    const auto parentId = static_cast<Window>(reinterpret_cast<std::uintptr_t>(parent));
    int x = 0;
    int y = 0;
    unsigned int w = static_cast<unsigned int>(std::max(1, PhysicalWidth()));
    unsigned int h = static_cast<unsigned int>(std::max(1, PhysicalHeight()));
    if (window && display) {
        // Reopening under a new parent keeps the window's place and size.
        Window root = 0;
        unsigned int border = 0;
        unsigned int bits = 0;
        XGetGeometry(display, window, &root, &x, &y, &w, &h, &border, &bits);
        CloseEditorWindow();
    }
    if (parentId == 0)
        return nullptr;
    parentWindow = parentId;

    display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    WatchDisplay(display);
    const unsigned long errorsBefore = ErrorCount();

    XWindowAttributes parentAttributes{};
    if (!XGetWindowAttributes(display, parentId, &parentAttributes)) {
        ReleaseWindow();
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask;
    if (handleMouseOver)
        attributes.event_mask |= PointerMotionMask | LeaveWindowMask;
    attributes.background_pixel = BlackPixel(display, DefaultScreen(display));
    window = XCreateWindow(display, parentId, x, y, w, h, 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixel, &attributes);
    if (window) {
        // Embedders read the XEmbed version and flags as soon as the window
        // exists; some refuse a child without them. The mapped flag stays clear:
        // the window maps itself below, and hosts that map it find it ready.
        const Atom xembedInfo = XInternAtom(display, "_XEMBED_INFO", False);
        const long info[2] = {0 /* protocol version */, 0 /* flags */};
        XChangeProperty(display, window, xembedInfo, xembedInfo, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(info), 2);
    }
    XSync(display, False);
    if (!window || ErrorCount() != errorsBefore) {
        ReleaseWindow();
        return nullptr;
    }
    gc = XCreateGC(display, window, 0, nullptr);

    // Our pixels are 0xAARRGGBB little-endian; a 24/32-bit true-colour screen
    // with the usual masks takes them as they are.
    XWindowAttributes own{};
    XGetWindowAttributes(display, window, &own);
    visual = own.visual;
    depth = static_cast<unsigned int>(own.depth);
    canPresent = own.visual && own.visual->c_class == TrueColor &&
                 own.visual->red_mask == 0xFF0000 && own.visual->green_mask == 0xFF00 &&
                 own.visual->blue_mask == 0xFF && (own.depth == 24 || own.depth == 32);

    ancestors = AncestorsOf(display, window);
    topLevelWindow = ancestors.empty() ? window : ancestors.back();
    focusBefore = 0;
    XMapWindow(display, window);
    XSync(display, False);
    lastPressPending = false;
    MarkAllDirty(); // the first tick paints everything
    return NativeWindow();
}

void IDrawContextX11::ReleaseWindow() {
    if (display) {
        ReturnFocus();
        if (gc)
            XFreeGC(display, gc);
        if (window)
            XDestroyWindow(display, window);
        XSync(display, False);
        ForgetDisplay(display);
        XCloseDisplay(display);
    }
    display = nullptr;
    gc = nullptr;
    window = 0;
    topLevelWindow = 0;
    ancestors.clear();
    focusBefore = 0;
    canPresent = false;
    visual = nullptr;
    depth = 0;
}

void IDrawContextX11::CloseEditorWindow() {
    if (!display)
        return;
    ReleaseWindow();
}

bool IDrawContextX11::PresentRegion(const Rect& rect) {
    if (!display || !window || !gc || !canPresent || !drawBitmap || !drawBitmap->PixelData())
        return true;
    const Rect bounds{0, 0, drawBitmap->Width(), drawBitmap->Height()};
    const Rect r = Intersection(ToPhysical(rect), bounds);
    if (r.Width() <= 0 || r.Height() <= 0)
        return true;
    XImage* image = XCreateImage(display, static_cast<Visual*>(visual), depth, ZPixmap, 0,
                                 reinterpret_cast<char*>(drawBitmap->PixelData()),
                                 static_cast<unsigned int>(drawBitmap->Width()),
                                 static_cast<unsigned int>(drawBitmap->Height()), 32,
                                 drawBitmap->RowSpan() * 4);
    if (!image)
        return false;
    image->byte_order = LSBFirst;
    XPutImage(display, window, gc, image, r.left, r.top, r.left, r.top,
              static_cast<unsigned int>(r.Width()), static_cast<unsigned int>(r.Height()));
    image->data = nullptr; // the pixels belong to the back buffer
    XDestroyImage(image);
    XFlush(display);
    return true;
}

void IDrawContextX11::OnScaleChanged() {
    if (display && window) {
        XResizeWindow(display, window, static_cast<unsigned int>(PhysicalWidth()),
                      static_cast<unsigned int>(PhysicalHeight()));
        XFlush(display);
    }
}

void IDrawContextX11::SetEditorSize(int w, int h) {
    if (w == width && h == height)
        return;
    IDrawContextQuiet::SetEditorSize(w, h);
    if (display && window && w > 0 && h > 0) {
        XResizeWindow(display, window, static_cast<unsigned int>(PhysicalWidth()),
                      static_cast<unsigned int>(PhysicalHeight()));
        XFlush(display);
        MarkAllDirty();
    }
}

void IDrawContextX11::OnWindowTimer() {
    if (!window)
        return;
    RedrawDirty();
}

void IDrawContextX11::OnWindowEvents() {
    while (display && XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == MotionNotify) {
            // Only the latest position of a run of moves matters.
            while (XCheckTypedWindowEvent(display, event.xmotion.window, MotionNotify, &event)) {
            }
        }
        HandleEvent(event);
    }
}

void IDrawContextX11::HandleEvent(XEvent& event) {
    if (event.xany.window != window)
        return;
    switch (event.type) {
    case Expose:
        // Exposed physical pixels, as the editor units that cover them.
        DrawRegion(Rect{ToEditorUnits(event.xexpose.x), ToEditorUnits(event.xexpose.y),
                        ToEditorUnits(event.xexpose.x + event.xexpose.width - 1) + 1,
                        ToEditorUnits(event.xexpose.y + event.xexpose.height - 1) + 1});
        break;
    case ButtonPress:
        HandleButtonPress(event);
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
        HandleKey(event, true);
        break;
    case KeyRelease:
        HandleKey(event, false);
        break;
    case DestroyNotify:
        // The host destroyed its window and ours with it.
        ReturnFocus();
        window = 0;
        break;
    default:
        break;
    }
}

void IDrawContextX11::HandleButtonPress(XEvent& event) {
    const XButtonEvent& b = event.xbutton;
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
    TakeFocus(b.time);
    if (b.button == Button1) {
        const bool isDouble = lastPressPending && b.time - lastPressTime <= kDoubleClickMs &&
                              std::abs(b.x - lastPressX) <= kDoubleClickSlop &&
                              std::abs(b.y - lastPressY) <= kDoubleClickSlop;
        if (isDouble) {
            lastPressPending = false;
            MouseDoubleClick(ToEditorUnits(b.x), ToEditorUnits(b.y), mods);
            return;
        }
        lastPressPending = true;
        lastPressTime = b.time;
        lastPressX = b.x;
        lastPressY = b.y;
    } else {
        lastPressPending = false;
    }
    MouseDown(ToEditorUnits(b.x), ToEditorUnits(b.y), mods);
}

void IDrawContextX11::TakeFocus(unsigned long time) {
    Window current = None;
    int revert = 0;
    XGetInputFocus(display, &current, &revert);
    if (current == window)
        return;
    // Nothing to hand back to: the host's window takes it when the editor goes.
    focusBefore = current == None || current == PointerRoot ? topLevelWindow : current;
    XSetInputFocus(display, window, RevertToParent, time);
}

void IDrawContextX11::ReturnFocus() {
    if (!display || !focusBefore)
        return;
    const Window target = focusBefore;
    focusBefore = 0;
    Window current = None;
    int revert = 0;
    XGetInputFocus(display, &current, &revert);
    const bool lostWithEditor =
        current == window || current == None || current == PointerRoot ||
        current == DefaultRootWindow(display) ||
        std::find(ancestors.begin(), ancestors.end(), current) != ancestors.end();
    if (!lostWithEditor)
        return; // the user has moved on to another window meanwhile
    for (const Window candidate : {target, static_cast<Window>(topLevelWindow)}) {
        if (candidate != window && CanTakeFocus(display, candidate)) {
            XSetInputFocus(display, candidate, RevertToParent, CurrentTime);
            XSync(display, False);
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

void IDrawContextX11::HandleKey(XEvent& event, bool press) {
    if (press) {
        const int key = KeyCodeFor(XLookupKeysym(&event.xkey, 0));
        if (key >= 0 && KeyDown(ToEditorUnits(event.xkey.x), ToEditorUnits(event.xkey.y), key))
            return;
    }
    ForwardKey(event);
}

void IDrawContextX11::ForwardKey(XEvent& event) {
    if (!topLevelWindow || topLevelWindow == window)
        return;
    XEvent copy = event;
    copy.xkey.window = topLevelWindow;
    copy.xkey.subwindow = 0;
    XSendEvent(display, topLevelWindow, False,
               event.type == KeyPress ? KeyPressMask : KeyReleaseMask, &copy);
    XFlush(display);
}

} // namespace torvik
