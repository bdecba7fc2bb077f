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

#include <cstdint>
#include <functional>
#include <poll.h>
#include <vector>

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
    void MoveTo(int x, int y) {
        XTestFakeMotionEvent(host, DefaultScreen(host), x, y, CurrentTime);
        XSync(host, False);
    }
    void Key(KeySym sym, bool down) {
        XTestFakeKeyEvent(host, XKeysymToKeycode(host, sym), down ? True : False, CurrentTime);
        XSync(host, False);
    }
    // The back buffer's pixels, row by row.
    std::vector<std::uint32_t> BackBuffer() {
        PIX_IBitmap* b = editor->DrawBitmap();
        std::vector<std::uint32_t> pixels;
        for (int y = 0; y < b->Height(); ++y) {
            const std::uint32_t* row =
                b->PixelData() + static_cast<std::ptrdiff_t>(y) * b->RowSpan();
            pixels.insert(pixels.end(), row, row + b->Width());
        }
        return pixels;
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
    // The host's window holds the focus; keys over the editor reach the editor,
    // which sends on what it does not take. A click leaves that as it is.
    XSetInputFocus(host, parent, RevertToParent, CurrentTime);
    Click(600, 600);
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

// Compressor Threshold: knob 32, 65 x 65 at (844, 258).
constexpr int kThresholdKnob = 32;

TEST_F(X11WindowTest, ReadoutShowsOnHoverAndLeavesNothingDirtyWhenThePointerHasGone) {
    ASSERT_TRUE(Open());
    editor->OnWindowTimer(); // everything painted
    Rect idle;
    ASSERT_FALSE(editor->CollectDirtyRegion(idle));
    const std::vector<std::uint32_t> before = BackBuffer();

    const Rect knob = RectOf(kThresholdKnob);
    MoveTo(knob.left + 30, knob.top + 30);
    Pump([&] { return editor->MouseOver() == kThresholdKnob; });
    editor->OnWindowTimer();
    EXPECT_EQ(editor->ReadoutName(), "Compressor Threshold");
    EXPECT_EQ(editor->ReadoutValue(), "0.0 dB");
    const Rect shown = editor->ReadoutRect();
    ASSERT_FALSE(shown.IsEmpty());
    EXPECT_EQ(Intersection(shown, knob).Width() * Intersection(shown, knob).Height(), 0)
        << "the readout covers its knob";
    EXPECT_GE(shown.left, 0);
    EXPECT_LE(shown.right, editor->Width());
    EXPECT_GE(shown.top, knob.bottom);
    EXPECT_NE(BackBuffer(), before);
    // Resting on the knob costs nothing: no region to repaint, tick after tick.
    for (int i = 0; i < 3; ++i) {
        Rect region;
        EXPECT_FALSE(editor->CollectDirtyRegion(region));
    }

    MoveTo(1400, 900); // off the editor
    Pump([&] { return editor->MouseOver() < 0; });
    Rect region;
    ASSERT_TRUE(editor->CollectDirtyRegion(region));
    EXPECT_EQ(BoundingBox(region, shown), region); // only the readout's area
    editor->OnWindowTimer();
    EXPECT_TRUE(editor->ReadoutRect().IsEmpty());
    EXPECT_FALSE(editor->CollectDirtyRegion(region));
    EXPECT_EQ(BackBuffer(), before); // the snapshot's pixels again
}

// A vertical drag of 32 pixels on a 64-pixel knob at gearing 4 moves it by
// 0.125; with Shift by a tenth of that. The readout shows the value on the way.
TEST_F(X11WindowTest, ShiftMovesAKnobATenthAsFarAndTheReadoutFollows) {
    ASSERT_TRUE(Open());
    const Rect r = RectOf(11); // Main Input, 64 pixels high, at 0 dB
    const int x = r.left + 30;
    for (const bool shift : {false, true}) {
        SCOPED_TRACE(shift ? "shift" : "plain");
        Control(11).SetValue(0.5);
        plug.edits.clear();
        // Each pass presses elsewhere, so that no two presses make a double click.
        const int from = r.top + (shift ? 50 : 40);
        MoveTo(x, from);
        if (shift)
            Key(XK_Shift_L, true);
        XTestFakeButtonEvent(host, 1, True, CurrentTime);
        MoveTo(x, from - 32);
        Pump([&] { return !plug.edits.empty() && plug.edits.back().kind == 'p'; });
        EXPECT_NEAR(Control(11).Value(), shift ? 0.5125 : 0.625, 1e-12);
        editor->OnWindowTimer();
        EXPECT_EQ(editor->ReadoutName(), "Main Input");
        EXPECT_EQ(editor->ReadoutValue(), shift ? "0.7 dB" : "7.5 dB");
        XTestFakeButtonEvent(host, 1, False, CurrentTime);
        if (shift)
            Key(XK_Shift_L, false);
        XSync(host, False);
        Pump([&] { return plug.edits.back().kind == 'e'; });
    }
    // A wheel notch with Shift: 0.001 instead of 0.01.
    Control(11).SetValue(0.5);
    Key(XK_Shift_L, true);
    Click(x, r.top + 30, 4);
    Key(XK_Shift_L, false);
    Pump([&] { return Control(11).Value() != 0.5; });
    EXPECT_NEAR(Control(11).Value(), 0.501, 1e-12);
}

// Typed values: Ctrl+click released where it was pressed opens an entry over
// the knob, which holds the keyboard until it closes.
class X11EntryTest : public X11WindowTest {
protected:
    Window Focus() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(host, &focus, &revert);
        return focus;
    }
    void CtrlClick(int x, int y) {
        Key(XK_Control_L, true);
        Click(x, y);
        Key(XK_Control_L, false);
    }
    void Type(const char* keys) {
        for (const char* k = keys; *k; ++k) {
            const KeySym sym = *k == '-'   ? XK_minus
                               : *k == ' ' ? XK_space
                               : *k == '.' ? XK_period
                                           : static_cast<KeySym>(*k);
            Key(sym, true);
            Key(sym, false);
        }
    }
    void Press(KeySym sym) {
        Key(sym, true);
        Key(sym, false);
        Pump([] { return false; }, 3);
    }
    double Threshold() { return plug.ParamAt(kCompThreshold)->Value(); }
    // Opens the entry over Compressor Threshold with the host's window focused.
    void OpenOverThreshold() {
        ASSERT_TRUE(Open());
        XSetInputFocus(host, parent, RevertToParent, CurrentTime);
        const Rect knob = RectOf(kThresholdKnob);
        CtrlClick(knob.left + 30, knob.top + 30);
        Pump([&] { return !editor->EntryRect().IsEmpty(); });
        ASSERT_FALSE(editor->EntryRect().IsEmpty());
        Pump([&] { return Focus() == editor->WindowId(); });
    }
};

TEST_F(X11EntryTest, EnterCommitsOneGestureAndGivesTheKeyboardBack) {
    OpenOverThreshold();
    EXPECT_EQ(editor->EntryText(), "0.0 dB");
    EXPECT_EQ(Focus(), editor->WindowId());
    EXPECT_TRUE(plug.edits.empty()); // the Ctrl+click itself edits nothing
    // Drawn over the knob, in the editor.
    const Rect knob = RectOf(kThresholdKnob);
    EXPECT_TRUE(Intersects(editor->EntryRect(), knob));
    editor->OnWindowTimer();
    Type("-24.5");
    Pump([&] { return editor->EntryText() == "-24.5"; });
    EXPECT_EQ(editor->EntryText(), "-24.5"); // typing replaced the selected text
    Press(XK_Return);
    EXPECT_TRUE(editor->EntryRect().IsEmpty());
    EXPECT_DOUBLE_EQ(Threshold(), -24.5);
    ASSERT_EQ(plug.edits.size(), 3u);
    EXPECT_EQ(plug.edits[0].kind, 'b');
    EXPECT_EQ(plug.edits[1].kind, 'p');
    EXPECT_NEAR(plug.edits[1].normalised, 35.5 / 60.0, 1e-12);
    EXPECT_EQ(plug.edits[2].kind, 'e');
    EXPECT_EQ(Focus(), parent);
    // The next ticks repaint the entry's area and the turned knob; then nothing is dirty.
    editor->OnWindowTimer();
    editor->OnWindowTimer();
    Rect region;
    EXPECT_FALSE(editor->CollectDirtyRegion(region));
}

// Away from 100 % the readout and the entry are drawn at the editor's scale:
// frame and text sizes scale (the text hinted at its own size, not enlarged),
// their places follow the knob, and the entry is opened and typed into at the
// knob's scaled place.
TEST_F(X11EntryTest, ReadoutAndEntryScaleWithTheEditor) {
    constexpr std::uint32_t kFrame = 0x6E727A;      // the overlays' frame
    constexpr std::uint32_t kBackground = 0x222428; // the readout's inside
    constexpr std::uint32_t kEntryInside = 0xFAFAFA;
    // Rows of a rectangle of the back buffer holding bright (text) pixels.
    const auto textRows = [&](const Rect& p) {
        int first = -1, last = -1;
        for (int y = p.top; y < p.bottom; ++y) {
            const std::uint32_t* row = BitmapRow(*editor->DrawBitmap(), y);
            for (int x = p.left; x < p.right; ++x) {
                if (((row[x] >> 8) & 0xFF) > 150) {
                    first = first < 0 ? y : first;
                    last = y;
                    break;
                }
            }
        }
        return first < 0 ? 0 : last - first + 1;
    };
    int textHeightAt100 = 0;
    for (const int scale : {100, 150, 200}) {
        SCOPED_TRACE(scale);
        editor->SetScale(scale);
        ASSERT_TRUE(Open());
        editor->OnWindowTimer();
        const Rect knob = RectOf(1); // Preamp Gain, at its left end
        const Rect physicalKnob = editor->ToPhysical(knob);
        MoveTo(physicalKnob.left + 30, physicalKnob.top + 30);
        Pump([&] { return editor->MouseOver() == 1; });
        editor->OnWindowTimer();
        EXPECT_EQ(editor->ReadoutName(), "Preamp Gain");
        const Rect shown = editor->ReadoutRect();
        ASSERT_FALSE(shown.IsEmpty());
        EXPECT_GE(shown.top, knob.bottom) << "below its knob, in editor units";
        const Rect p = editor->ToPhysical(shown);
        const int border = scale / 100 + (scale % 100 >= 50 ? 1 : 0);
        EXPECT_EQ(BitmapRow(*editor->DrawBitmap(), p.top)[p.left] & 0xFFFFFF, kFrame);
        EXPECT_EQ(BitmapRow(*editor->DrawBitmap(), p.top + border - 1)[p.right - border] & 0xFFFFFF,
                  kFrame)
            << "the frame is as wide as one unit";
        EXPECT_EQ(BitmapRow(*editor->DrawBitmap(), p.top + border)[p.left + border] & 0xFFFFFF,
                  kBackground);
        const int textHeight = textRows(p);
        if (scale == 100)
            textHeightAt100 = textHeight;
        EXPECT_NEAR(textHeight, textHeightAt100 * scale / 100.0, textHeightAt100 * 0.25)
            << "text drawn at the scale's size";

        // Ctrl+click at the knob's scaled place opens the entry over it.
        XSetInputFocus(host, parent, RevertToParent, CurrentTime);
        CtrlClick(physicalKnob.left + 30, physicalKnob.top + 30);
        Pump([&] { return !editor->EntryRect().IsEmpty(); });
        ASSERT_FALSE(editor->EntryRect().IsEmpty());
        EXPECT_TRUE(Intersects(editor->EntryRect(), knob));
        editor->OnWindowTimer();
        const Rect e = editor->ToPhysical(editor->EntryRect());
        EXPECT_EQ(BitmapRow(*editor->DrawBitmap(), e.top)[e.left] & 0xFFFFFF, kFrame);
        EXPECT_EQ(BitmapRow(*editor->DrawBitmap(), e.top + border)[e.left + border] & 0xFFFFFF,
                  kEntryInside);
        Pump([&] { return Focus() == editor->WindowId(); });
        Type("12");
        Pump([&] { return editor->EntryText() == "12"; });
        Press(XK_Return);
        EXPECT_TRUE(editor->EntryRect().IsEmpty());
        EXPECT_DOUBLE_EQ(plug.ParamAt(kPreampGain)->Value(), 12.0);
        plug.ParamAt(kPreampGain)->SetClamped(-30.0);
        editor->SetParamValueFromPlug(kPreampGain, -30.0, false);
        MoveTo(1400, 900); // off the editor: the readout goes
        Pump([&] { return editor->MouseOver() < 0; });
        editor->CloseEditorWindows();
    }
}

TEST_F(X11EntryTest, EscapeAndUnreadableTextChangeNothing) {
    OpenOverThreshold();
    Type("-12");
    Press(XK_Escape);
    EXPECT_TRUE(editor->EntryRect().IsEmpty());
    EXPECT_EQ(Threshold(), 0.0);
    EXPECT_EQ(Focus(), parent);

    const Rect knob = RectOf(kThresholdKnob);
    CtrlClick(knob.left + 15, knob.top + 15); // away from the first: no double click
    Pump([&] { return !editor->EntryRect().IsEmpty(); });
    Type("loud");
    Press(XK_Return);
    EXPECT_EQ(editor->EntryText(), "not a value"); // said in the entry, which stays
    EXPECT_FALSE(editor->EntryRect().IsEmpty());
    EXPECT_EQ(Threshold(), 0.0);
    EXPECT_TRUE(plug.edits.empty());
    Type("-6"); // replaces the message
    Press(XK_Return);
    EXPECT_DOUBLE_EQ(Threshold(), -6.0);
}

TEST_F(X11EntryTest, AClickElsewhereCommitsAndCtrlDragStaysFine) {
    OpenOverThreshold();
    Type("-90"); // clamped to the range
    Pump([] { return false; }, 3);
    Click(600, 600);
    Pump([&] { return editor->EntryRect().IsEmpty(); });
    EXPECT_DOUBLE_EQ(Threshold(), -60.0);
    EXPECT_EQ(Focus(), parent);

    // Ctrl held through a drag: a tenth of the travel, and no entry.
    const Rect r = RectOf(11);
    Control(11).SetValue(0.5);
    MoveTo(r.left + 30, r.top + 40);
    Key(XK_Control_L, true);
    XTestFakeButtonEvent(host, 1, True, CurrentTime);
    MoveTo(r.left + 30, r.top + 8);
    XTestFakeButtonEvent(host, 1, False, CurrentTime);
    Key(XK_Control_L, false);
    Pump([&] {
        return !plug.edits.empty() && plug.edits.back().kind == 'e' &&
               plug.edits.back().index == kMainInput;
    });
    EXPECT_NEAR(Control(11).Value(), 0.5125, 1e-12);
    EXPECT_TRUE(editor->EntryRect().IsEmpty());
}

} // namespace
} // namespace torvik::testing
