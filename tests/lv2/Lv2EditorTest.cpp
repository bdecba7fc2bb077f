// TORVIK.lv2's X11 UI loaded from the built bundle as a desktop host loads it:
// embedded in a real parent window, driven by idle calls, clicked and dragged
// under Xvfb. It reaches the plug-in only through its ports.
// gtest before Xlib, whose macros (None) it cannot take.
#include <gtest/gtest.h>

#include "graphics/XServer.h"
#include "hostkit/lv2/Lv2UiHost.h"
#include "lv2/Lv2Identity.h"
#include "processor/EditorLayout.h"
#include "processor/ParameterTable.h"
#include "processor/Parameters.h"
#include "processor/TorvikFacts.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace torvik::testing {
namespace {

using namespace hostkit::lv2;
using namespace torvik::lv2;

const std::string kBundle = std::string(TORVIK_LV2_BUNDLE) + "/";

const LV2UI_Descriptor* UiDescriptor() {
    static Lv2UiLibrary library(kBundle + kUiBinaryName);
    EXPECT_TRUE(library.Error().empty()) << library.Error();
    return library.Descriptor(kUiUri);
}

const ControlLayout& ControlOf(int paramIndex) {
    for (const ControlLayout& c : TorvikEditorLayout())
        if (c.paramIndex == paramIndex)
            return c;
    ADD_FAILURE() << "no control for parameter " << paramIndex;
    return TorvikEditorLayout()[0];
}

const ControlLayout& Meter(int m) {
    int seen = 0;
    for (const ControlLayout& c : TorvikEditorLayout())
        if (c.kind == ControlKind::Meter && seen++ == m)
            return c;
    ADD_FAILURE() << "no meter " << m;
    return TorvikEditorLayout()[0];
}

int FrameHeight(const ControlLayout& c) {
    return c.bitmapHeight / c.frames;
}

class Lv2EditorTest : public XServerSuite {
protected:
    void SetUp() override {
        if (!serverUp)
            GTEST_SKIP() << "no X server and Xvfb could not be started";
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, kEditorWidth,
                                     kEditorHeight, 0, BlackPixel(display, screen),
                                     WhitePixel(display, screen));
        XMapWindow(display, parent);
        XSync(display, False);
        ASSERT_NE(UiDescriptor(), nullptr);
    }
    void TearDown() override {
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    std::vector<Window> Children() const {
        Window root = 0;
        Window up = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        std::vector<Window> out;
        if (XQueryTree(display, parent, &root, &up, &list, &count) && list) {
            out.assign(list, list + count);
            XFree(list);
        }
        return out;
    }
    // Idle calls, as a host makes them, until the condition holds or about
    // two seconds have passed; at least one redraw interval passes.
    template <typename Done> void IdleUntil(Lv2UiInstance& ui, Done done) {
        XSync(display, False);
        for (int round = 0; round < 200; ++round) {
            usleep(10000);
            EXPECT_EQ(ui.Idle(), 0);
            if (round >= 5 && done())
                return;
        }
    }
    void Click(int x, int y) {
        XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XTestFakeButtonEvent(display, 1, False, CurrentTime);
        XSync(display, False);
    }
    // The editor's pixels in one control's area, as the screen shows them.
    std::vector<unsigned long> Pixels(Window window, const ControlLayout& c) {
        const int h = FrameHeight(c);
        XImage* image =
            XGetImage(display, window, c.x, c.y, static_cast<unsigned int>(c.bitmapWidth),
                      static_cast<unsigned int>(h), AllPlanes, ZPixmap);
        std::vector<unsigned long> out;
        if (!image)
            return out;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < c.bitmapWidth; ++x)
                out.push_back(XGetPixel(image, x, y));
        XDestroyImage(image);
        return out;
    }
    Lv2UiInstance NewUi(const UiFeatures& features = {}) {
        return {UiDescriptor(), kPluginUri, kBundle, parent, features};
    }
    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(Lv2EditorTest, OpensInTheParentWindowAndLeavesNothingBehind) {
    {
        Lv2UiInstance ui(UiDescriptor(), kPluginUri, kBundle, parent);
        ASSERT_TRUE(ui.Created());
        ASSERT_NE(ui.Widget(), 0u);
        EXPECT_EQ(Children(), std::vector<Window>{ui.Widget()});
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(display, ui.Widget(), &attributes));
        EXPECT_EQ(attributes.width, kEditorWidth);
        EXPECT_EQ(attributes.height, kEditorHeight);
        // The host learns the editor's size as soon as it exists.
        ASSERT_EQ(ui.resizes.size(), 1u);
        EXPECT_EQ(ui.resizes[0], std::make_pair(kEditorWidth, kEditorHeight));
        IdleUntil(ui, [] { return true; });
        EXPECT_TRUE(ui.writes.empty()); // opening and drawing write nothing
        ui.Cleanup();
        XSync(display, False);
        EXPECT_TRUE(Children().empty());
    }
    // The editor needs the host's window, and it edits TORVIK alone.
    UiFeatures noParent;
    noParent.parent = false;
    EXPECT_FALSE(NewUi(noParent).Created());
    EXPECT_FALSE(Lv2UiInstance(UiDescriptor(), "urn:other:plugin", kBundle, parent).Created());
    EXPECT_FALSE(Lv2UiInstance(UiDescriptor(), kPluginUri, kBundle, 0).Created());
    XSync(display, False);
    EXPECT_TRUE(Children().empty());
    // Two editors of two instances side by side, each in its own window.
    Lv2UiInstance a = NewUi();
    Lv2UiInstance b = NewUi();
    ASSERT_TRUE(a.Created() && b.Created());
    EXPECT_NE(a.Widget(), b.Widget());
    EXPECT_EQ(Children().size(), 2u);
}

TEST_F(Lv2EditorTest, AHostThatDestroysItsWindowBeforeTheUi) {
    const Window own = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kEditorWidth,
                                           kEditorHeight, 0, 0, 0);
    XMapWindow(display, own);
    XSync(display, False);
    Lv2UiInstance ui(UiDescriptor(), kPluginUri, kBundle, own);
    ASSERT_TRUE(ui.Created());
    IdleUntil(ui, [] { return true; });
    XDestroyWindow(display, own);
    ui.PortEvent(FirstMeterPort(kParameterCount), 1.0f); // something left to draw
    IdleUntil(ui, [] { return true; });
    ui.Cleanup();
    // The next editor opens as usual.
    Lv2UiInstance next = NewUi();
    ASSERT_TRUE(next.Created());
    IdleUntil(next, [] { return true; });
    EXPECT_EQ(Children(), std::vector<Window>{next.Widget()});
}

TEST_F(Lv2EditorTest, TakesTheHostsScaleFactor) {
    const struct {
        float factor;
        int percent; // the editor's nearest scale
    } cases[] = {{1.5f, 150}, {2.0f, 200}, {1.3f, 125}, {0.5f, 100}, {-1.0f, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        UiFeatures features;
        features.scaleFactor = c.factor;
        Lv2UiInstance ui = NewUi(features);
        ASSERT_TRUE(ui.Created());
        const auto width = static_cast<int>(std::lround(kEditorWidth * c.percent / 100.0));
        const auto height = static_cast<int>(std::lround(kEditorHeight * c.percent / 100.0));
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(display, ui.Widget(), &attributes));
        EXPECT_EQ(attributes.width, width);
        EXPECT_EQ(attributes.height, height);
        ASSERT_FALSE(ui.resizes.empty());
        EXPECT_EQ(ui.resizes.back(), std::make_pair(width, height));
    }
}

TEST_F(Lv2EditorTest, AClickedSwitchIsWrittenToItsPortBetweenTouches) {
    for (const bool withTouch : {true, false}) {
        SCOPED_TRACE(withTouch ? "host offers touch" : "host offers no touch");
        UiFeatures features;
        features.touch = withTouch;
        Lv2UiInstance ui = NewUi(features);
        ASSERT_TRUE(ui.Created());
        IdleUntil(ui, [] { return true; });
        const ControlLayout& control = ControlOf(kPreampBypass);
        const std::uint32_t port = ParamPort(kPreampBypass);
        const float before = static_cast<float>(ParamRowAt(kPreampBypass).defaultValue);
        Click(control.x + 10, control.y + 10);
        IdleUntil(ui, [&] { return !ui.writes.empty(); });
        ASSERT_EQ(ui.writes.size(), 1u);
        EXPECT_EQ(ui.writes[0].port, port);
        EXPECT_EQ(ui.writes[0].size, sizeof(float));
        EXPECT_EQ(ui.writes[0].protocol, 0u);
        EXPECT_EQ(ui.writes[0].value, 1.0f - before);
        if (withTouch) {
            ASSERT_EQ(ui.touches.size(), 2u);
            EXPECT_EQ(ui.touches[0].port, port);
            EXPECT_TRUE(ui.touches[0].grabbed);
            EXPECT_EQ(ui.touches[1].port, port);
            EXPECT_FALSE(ui.touches[1].grabbed);
        }
        // The host sets the port back: the next click switches it again. It
        // comes after the double-click interval, as a second separate click.
        ui.PortEvent(port, before);
        usleep(500000);
        Click(control.x + 10, control.y + 10);
        IdleUntil(ui, [&] { return ui.writes.size() >= 2; });
        ASSERT_EQ(ui.writes.size(), 2u);
        EXPECT_EQ(ui.writes[1].value, 1.0f - before);
    }
}

TEST_F(Lv2EditorTest, ADraggedKnobWritesRealUnits) {
    Lv2UiInstance ui = NewUi();
    ASSERT_TRUE(ui.Created());
    IdleUntil(ui, [] { return true; });
    const ControlLayout& knob = ControlOf(kLowGain);
    const ParamRow& row = ParamRowAt(kLowGain);
    const int cx = knob.x + knob.bitmapWidth / 2;
    const int cy = knob.y + FrameHeight(knob) / 2;
    XTestFakeMotionEvent(display, DefaultScreen(display), cx, cy, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    // One knob height upward, in steps, turns the knob a quarter of its range.
    const int height = FrameHeight(knob);
    for (int step = 1; step <= 4; ++step) {
        XTestFakeMotionEvent(display, DefaultScreen(display), cx, cy - height * step / 4,
                             CurrentTime);
        XSync(display, False);
        IdleUntil(ui, [&] { return static_cast<int>(ui.writes.size()) >= step; });
    }
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    IdleUntil(ui, [&] { return ui.touches.size() >= 2; });
    ASSERT_GE(ui.writes.size(), 4u);
    float last = -std::numeric_limits<float>::infinity();
    for (const auto& w : ui.writes) {
        EXPECT_EQ(w.port, ParamPort(kLowGain));
        EXPECT_GE(w.value, row.min);
        EXPECT_LE(w.value, row.max);
        EXPECT_GT(w.value, last); // upward raises it, write by write
        last = w.value;
    }
    const double expected = row.defaultValue + 0.25 * (row.max - row.min);
    EXPECT_NEAR(ui.writes.back().value, expected, 0.011); // the parameter's step is 0.01
    ASSERT_EQ(ui.touches.size(), 2u);
    EXPECT_TRUE(ui.touches[0].grabbed);
    EXPECT_FALSE(ui.touches[1].grabbed);
    for (const auto& t : ui.touches)
        EXPECT_EQ(t.port, ParamPort(kLowGain));
}

TEST_F(Lv2EditorTest, PortEventsMoveKnobsAndMeters) {
    Lv2UiInstance ui = NewUi();
    ASSERT_TRUE(ui.Created());
    IdleUntil(ui, [] { return true; });
    const Window editor = ui.Widget();
    const ControlLayout& knob = ControlOf(kLowGain);
    const ParamRow& row = ParamRowAt(kLowGain);
    const auto knobBefore = Pixels(editor, knob);
    ui.PortEvent(ParamPort(kLowGain), static_cast<float>(row.max));
    IdleUntil(ui, [&] { return Pixels(editor, knob) != knobBefore; });
    EXPECT_NE(Pixels(editor, knob), knobBefore);

    // The knob stands at the top now: dragging further up writes the maximum.
    const int cx = knob.x + knob.bitmapWidth / 2;
    const int cy = knob.y + FrameHeight(knob) / 2;
    XTestFakeMotionEvent(display, DefaultScreen(display), cx, cy, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeMotionEvent(display, DefaultScreen(display), cx, cy - 20, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    IdleUntil(ui, [&] { return ui.touches.size() >= 2; });
    ASSERT_FALSE(ui.writes.empty());
    EXPECT_EQ(ui.writes.back().value, static_cast<float>(row.max));

    // Each meter port moves its own meter.
    for (int m = 0; m < 5; ++m) {
        SCOPED_TRACE(m);
        const ControlLayout& meter = Meter(m);
        const auto meterBefore = Pixels(editor, meter);
        ui.PortEvent(FirstMeterPort(kParameterCount) + static_cast<std::uint32_t>(m), 1.0f);
        IdleUntil(ui, [&] { return Pixels(editor, meter) != meterBefore; });
        EXPECT_NE(Pixels(editor, meter), meterBefore);
    }
}

TEST_F(Lv2EditorTest, HostileEventsAndMissingFeaturesChangeNothing) {
    UiFeatures bare;
    bare.touch = false;
    bare.resize = false;
    Lv2UiInstance ui = NewUi(bare);
    ASSERT_TRUE(ui.Created());
    IdleUntil(ui, [] { return true; });
    const Window editor = ui.Widget();
    const ControlLayout& knob = ControlOf(kLowGain);
    const auto before = Pixels(editor, knob);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const double wide = 1.0;
    const std::uint32_t port = ParamPort(kLowGain);
    ui.PortEvent(port, nan);
    ui.PortEvent(port, inf);
    ui.RawPortEvent(port, sizeof wide, 0, &wide);  // not one float
    ui.RawPortEvent(port, sizeof(float), 7, &inf); // a protocol it never asked for
    ui.RawPortEvent(port, sizeof(float), 0, nullptr);
    for (std::uint32_t p : {0u, 3u, 5u, EnabledPort(kParameterCount), 1000u, 0xffffffffu})
        ui.PortEvent(p, 1.0f);
    ui.PortEvent(ParamPort(kUnusedParam), 5.0f);
    IdleUntil(ui, [] { return false; });
    EXPECT_EQ(Pixels(editor, knob), before);
    EXPECT_TRUE(ui.writes.empty());
    EXPECT_TRUE(ui.resizes.empty());
    // Far-out values stand at the ends of the range.
    ui.PortEvent(port, 1e30f);
    const ControlLayout& bypass = ControlOf(kPreampBypass);
    ui.PortEvent(ParamPort(kPreampBypass), 1e30f);
    Click(bypass.x + 10, bypass.y + 10);
    IdleUntil(ui, [&] { return !ui.writes.empty(); });
    ASSERT_EQ(ui.writes.size(), 1u);
    EXPECT_EQ(ui.writes[0].value, 0.0f);
}

} // namespace
} // namespace torvik::testing
