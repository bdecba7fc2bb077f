// The Linux editor window in a real X server (Xvfb): embedded as a child of a
// host window, painted from the back buffer, and driven by real pointer and
// key events injected through XTest.
#include "graphics/x11/DrawContextX11.h"
#include "processor/ChainTestSupport.h"
#include "processor/Parameters.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

// After the test framework: Xlib's macros (None, Bool, ...) would clash with it.
#include "XServer.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <functional>
#include <poll.h>

namespace torvik::testing {
namespace {

class X11WindowTest : public XServerSuite {
protected:
    void SetUp() override {
        if (!serverUp)
            GTEST_SKIP() << "no X server and Xvfb could not be started";
        host = XOpenDisplay(nullptr);
        ASSERT_NE(host, nullptr);
        XSetErrorHandler(IgnoreXErrors);
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        ASSERT_TRUE(XTestQueryExtension(host, &eventBase, &errorBase, &major, &minor));
        parent = MakeHostWindow();
        editor = dynamic_cast<IDrawContextX11*>(plug.Graphics());
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        if (editor)
            editor->CloseEditorWindows();
        if (host) {
            XDestroyWindow(host, parent);
            XCloseDisplay(host);
        }
    }

    // A top-level host window at the screen's origin that hears key presses.
    Window MakeHostWindow() {
        const int screen = DefaultScreen(host);
        Window w = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 0, 1186, 644, 0,
                                       BlackPixel(host, screen), WhitePixel(host, screen));
        XSelectInput(host, w, KeyPressMask | StructureNotifyMask);
        XMapWindow(host, w);
        XSync(host, False);
        return w;
    }
    bool Open() {
        opened = editor->OpenEditorWindow(reinterpret_cast<void*>(parent));
        Pump([] { return false; }, 5);
        return opened != nullptr;
    }
    // Services the connection of the window opened last like a host run loop,
    // until done() or the given number of idle rounds passed.
    void Pump(const std::function<bool()>& done, int rounds = 100) {
        for (int i = 0; i < rounds && !done(); ++i) {
            XSync(host, False);
            pollfd fd{editor->WindowEventFd(opened), POLLIN, 0};
            if (fd.fd < 0)
                return;
            poll(&fd, 1, 20);
            editor->OnWindowEvents(opened);
        }
    }
    int ChildCount(Window w) {
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(host, w, &root, &up, &children, &count))
            return -1;
        if (children)
            XFree(children);
        return static_cast<int>(count);
    }
    void Click(int x, int y, unsigned button = 1) {
        XTestFakeMotionEvent(host, DefaultScreen(host), x, y, CurrentTime);
        XTestFakeButtonEvent(host, button, True, CurrentTime);
        XTestFakeButtonEvent(host, button, False, CurrentTime);
        XSync(host, False);
    }
    IControl& Control(int i) { return *editor->GetControl(i); }
    Rect RectOf(int i) { return Control(i).GetRect(); }

    testing::TestTorvik plug;
    IDrawContextX11* editor = nullptr;
    Display* host = nullptr;
    Window parent = 0;
    void* opened = nullptr; // the window Open() opened last
};

TEST_F(X11WindowTest, OpensAsAChildOfTheHostWindowAndPaintsTheBackBuffer) {
    ASSERT_TRUE(Open());
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(host, editor->WindowId(), &root, &up, &children, &count));
    if (children)
        XFree(children);
    EXPECT_EQ(up, parent);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host, editor->WindowId(), &attributes));
    EXPECT_EQ(attributes.width, 1186);
    EXPECT_EQ(attributes.height, 644);
    EXPECT_EQ(attributes.map_state, IsViewable);
    EXPECT_GE(editor->WindowEventFd(opened), 0);

    // The XEmbed version and flags an embedder reads: version 0, not asking to be mapped.
    const Atom xembedInfo = XInternAtom(host, "_XEMBED_INFO", False);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    ASSERT_EQ(XGetWindowProperty(host, editor->WindowId(), xembedInfo, 0, 2, False, xembedInfo,
                                 &type, &format, &items, &after, &data),
              Success);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(format, 32);
    ASSERT_EQ(items, 2u);
    const long* info = reinterpret_cast<const long*>(data);
    EXPECT_EQ(info[0], 0);
    EXPECT_EQ(info[1] & 1, 0);
    XFree(data);

    editor->OnWindowTimer(); // everything is dirty after opening: the whole editor is painted
    XSync(host, False);
    const Rect knob = RectOf(1);
    const struct {
        int x, y;
    } points[] = {{5, 5}, {knob.left + 33, knob.top + 32}, {600, 620}, {1000, 130}};
    for (const auto& p : points) {
        XImage* shot = XGetImage(host, editor->WindowId(), p.x, p.y, 1, 1, AllPlanes, ZPixmap);
        ASSERT_NE(shot, nullptr);
        const unsigned long onScreen = XGetPixel(shot, 0, 0) & 0xFFFFFF;
        XDestroyImage(shot);
        const std::uint32_t drawn = BitmapRow(*editor->DrawBitmap(), p.y)[p.x] & 0xFFFFFF;
        EXPECT_EQ(onScreen, drawn) << p.x << "," << p.y;
    }
}

TEST_F(X11WindowTest, AClickTogglesASwitchAsOneGesture) {
    ASSERT_TRUE(Open());
    const Rect r = RectOf(3); // Preamp Bypass, on
    Click(r.left + 10, r.top + 10);
    Pump([&] { return plug.edits.size() >= 3; });
    EXPECT_DOUBLE_EQ(plug.ParamAt(kPreampBypass)->Value(), 0.0);
    ASSERT_EQ(plug.edits.size(), 3u);
    EXPECT_EQ(plug.edits[0].kind, 'b');
    EXPECT_EQ(plug.edits[1].kind, 'p');
    EXPECT_EQ(plug.edits[1].index, kPreampBypass);
    EXPECT_EQ(plug.edits[2].kind, 'e');
    // The next tick redraws it.
    EXPECT_TRUE(Control(3).NeedsRedraw());
    editor->OnWindowTimer();
    EXPECT_FALSE(Control(3).IsDirty());
}

TEST_F(X11WindowTest, DraggingAKnobUpTurnsItUp) {
    ASSERT_TRUE(Open());
    const Rect r = RectOf(11); // Main Input, 64 pixels high, at 0 dB
    const int x = r.left + 30;
    XTestFakeMotionEvent(host, DefaultScreen(host), x, r.top + 60, CurrentTime);
    XTestFakeButtonEvent(host, 1, True, CurrentTime);
    XTestFakeMotionEvent(host, DefaultScreen(host), x, r.top + 28, CurrentTime);
    XTestFakeMotionEvent(host, DefaultScreen(host), x, r.top - 4, CurrentTime);
    XTestFakeButtonEvent(host, 1, False, CurrentTime);
    XSync(host, False);
    Pump([&] { return !plug.edits.empty() && plug.edits.back().kind == 'e'; });
    EXPECT_DOUBLE_EQ(plug.ParamAt(kMainInput)->Value(), 15.0);
}

TEST_F(X11WindowTest, WheelStepsTheKnobUnderThePointer) {
    ASSERT_TRUE(Open());
    const Rect r = RectOf(11);
    Click(r.left + 30, r.top + 30, 4); // one notch up
    Pump([&] { return !plug.edits.empty(); });
    EXPECT_NEAR(Control(11).Value(), 0.51, 1e-12);
    Click(r.left + 30, r.top + 30, 5);
    Click(r.left + 30, r.top + 30, 5);
    Pump([&] { return plug.edits.size() >= 3; });
    EXPECT_NEAR(Control(11).Value(), 0.49, 1e-12);
}

TEST_F(X11WindowTest, DoubleClickRestoresTheKnobsDefault) {
    ASSERT_TRUE(Open());
    Control(11).SetValue(0.9);
    const Rect r = RectOf(11);
    Click(r.left + 30, r.top + 30);
    Click(r.left + 30, r.top + 30);
    Pump([&] { return Control(11).Value() == 0.5; });
    EXPECT_DOUBLE_EQ(Control(11).Value(), 0.5);
    EXPECT_DOUBLE_EQ(plug.ParamAt(kMainInput)->Value(), 0.0);
}

TEST_F(X11WindowTest, UnhandledKeysReachTheHostWindowOnce) {
    ASSERT_TRUE(Open());
    Click(600, 600); // the background: takes the keyboard focus
    Pump([] { return false; }, 5);
    const ::KeyCode a = XKeysymToKeycode(host, XK_a);
    const ::KeyCode f1 = XKeysymToKeycode(host, XK_F1);
    for (::KeyCode key : {a, f1}) {
        XTestFakeKeyEvent(host, key, True, CurrentTime);
        XTestFakeKeyEvent(host, key, False, CurrentTime);
    }
    XSync(host, False);
    int forwarded = 0;
    Pump([&] {
        while (XPending(host)) {
            XEvent e;
            XNextEvent(host, &e);
            if (e.type == KeyPress && e.xany.window == parent)
                ++forwarded;
        }
        return forwarded >= 2;
    });
    // Give any duplicate a chance to arrive.
    Pump([] { return false; }, 5);
    while (XPending(host)) {
        XEvent e;
        XNextEvent(host, &e);
        if (e.type == KeyPress && e.xany.window == parent)
            ++forwarded;
    }
    EXPECT_EQ(forwarded, 2);
}

TEST_F(X11WindowTest, ASecondWindowLeavesTheFirstInItsParent) {
    ASSERT_TRUE(Open());
    void* first = opened;
    const Window second = MakeHostWindow();
    void* other = editor->OpenEditorWindow(reinterpret_cast<void*>(second));
    ASSERT_NE(other, nullptr);
    EXPECT_NE(other, first);
    EXPECT_EQ(editor->WindowCount(), 2);
    EXPECT_EQ(ChildCount(parent), 1);
    EXPECT_EQ(ChildCount(second), 1);
    EXPECT_NE(editor->WindowEventFd(first), editor->WindowEventFd(other));
    // Closing one leaves the other open in its parent.
    editor->CloseEditorWindow(first);
    XSync(host, False);
    EXPECT_EQ(ChildCount(parent), 0);
    EXPECT_EQ(ChildCount(second), 1);
    EXPECT_EQ(editor->WindowEventFd(first), -1);
    EXPECT_EQ(editor->NativeWindow(), other);
    editor->CloseEditorWindow(other);
    XSync(host, False);
    EXPECT_EQ(ChildCount(second), 0);
    EXPECT_EQ(editor->NativeWindow(), nullptr);
    XDestroyWindow(host, second);
}

// An instance whose editor nobody opened holds no back buffer; the meters
// still follow the audio, so an editor opened later shows the levels one
// open all along shows.
TEST_F(X11WindowTest, BackBufferLivesOnlyWhileAWindowShowsTheEditor) {
    EXPECT_EQ(editor->DrawBitmap(), nullptr);
    EXPECT_EQ(editor->ScratchBitmap(), nullptr);
    testing::TestTorvik watched;
    auto* watching = dynamic_cast<IDrawContextX11*>(watched.Graphics());
    ASSERT_NE(watching, nullptr);
    const Window watchedParent = MakeHostWindow();
    void* watchedWindow = watching->OpenEditorWindow(reinterpret_cast<void*>(watchedParent));
    ASSERT_NE(watchedWindow, nullptr);
    ASSERT_NE(watching->DrawBitmap(), nullptr);
    EXPECT_EQ(watching->DrawBitmap()->Width(), 1186);
    EXPECT_EQ(watching->DrawBitmap()->Height(), 644);

    // The same programme through both.
    const Signal programme = MakeProgramme(24000, 48000.0);
    for (TORVIK* fx : {static_cast<TORVIK*>(&plug), static_cast<TORVIK*>(&watched)}) {
        fx->SetSampleRate(48000.0);
        fx->OnActivate(true);
        Render(*fx, programme, 512);
    }
    EXPECT_EQ(editor->DrawBitmap(), nullptr);
    ASSERT_TRUE(Open());
    ASSERT_NE(editor->DrawBitmap(), nullptr);
    const MeterControlIndices m = plug.MeterControls();
    for (const int meter : {m.pre, m.main, m.deEss, m.gate, m.comp}) {
        EXPECT_GT(Control(meter).Value(), 0.0) << meter;
        EXPECT_EQ(Control(meter).Value(), watching->GetControl(meter)->Value()) << meter;
    }
    // Both editors draw the same meters.
    editor->OnWindowTimer();
    watching->OnWindowTimer();
    for (const int meter : {m.pre, m.main, m.deEss, m.gate, m.comp}) {
        const Rect r = RectOf(meter);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                ASSERT_EQ(BitmapRow(*editor->DrawBitmap(), y)[x],
                          BitmapRow(*watching->DrawBitmap(), y)[x])
                    << "meter " << meter << " at " << x << ", " << y;
    }

    // A second window shares the buffer; it goes with the last window.
    const Window second = MakeHostWindow();
    void* other = editor->OpenEditorWindow(reinterpret_cast<void*>(second));
    ASSERT_NE(other, nullptr);
    PIX_SysBitmap* shared = editor->DrawBitmap();
    editor->CloseEditorWindow(opened);
    EXPECT_EQ(editor->DrawBitmap(), shared);
    editor->CloseEditorWindow(other);
    EXPECT_EQ(editor->DrawBitmap(), nullptr);
    EXPECT_EQ(editor->ScratchBitmap(), nullptr);
    watching->CloseEditorWindow(watchedWindow);
    XDestroyWindow(host, second);
    XDestroyWindow(host, watchedParent);
}

TEST_F(X11WindowTest, ResizingTheEditorResizesTheWindow) {
    ASSERT_TRUE(Open());
    editor->SetEditorSize(600, 300);
    XSync(host, False);
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host, editor->WindowId(), &attributes));
    EXPECT_EQ(attributes.width, 600);
    EXPECT_EQ(attributes.height, 300);
    EXPECT_EQ(plug.lastResize, (std::pair<int, int>{600, 300}));
    EXPECT_EQ(editor->DrawBitmap()->Width(), 600);
    editor->OnWindowTimer(); // no controls left: nothing to draw, nothing breaks
}

TEST_F(X11WindowTest, BadParentOrVanishedParentIsSurvived) {
    EXPECT_EQ(editor->OpenEditorWindow(reinterpret_cast<void*>(0x7FFFFFF0ul)), nullptr);
    EXPECT_EQ(editor->OpenEditorWindow(nullptr), nullptr);
    EXPECT_FALSE(editor->IsWindowOpen());
    ASSERT_TRUE(Open());
    XDestroyWindow(host, parent); // the host tears its window down under the editor
    XSync(host, False);
    parent = MakeHostWindow();
    Pump([&] { return editor->NativeWindow() == nullptr; });
    EXPECT_EQ(editor->NativeWindow(), nullptr);
    editor->MarkAllDirty();
    editor->OnWindowTimer(); // no window: nothing to paint, nothing breaks
}

} // namespace
} // namespace torvik::testing
