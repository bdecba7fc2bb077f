// The editor as a Linux host shows it: the built TORVIK.vst3 loaded through
// the host kit, its view attached to a real X11 window with the host's run
// loop, painted on the loop's timer, and clicked.
#include "hostkit/HostKit.h"
#include "hostkit/PlugFrame.h"
#include "vst3/Vst3Identity.h"

#include <gtest/gtest.h>

// After the test framework: Xlib's macros would clash with it.
#include "XServer.h"
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdint>
#include <string>

namespace torvik::testing {
namespace {

using namespace Steinberg;

class EditorViewTest : public XServerSuite {
protected:
    void SetUp() override {
        if (!serverUp)
            GTEST_SKIP() << "no X server and Xvfb could not be started";
        std::string error;
        module = hostkit::Module::Load(TORVIK_BUNDLE_PATH, &error);
        ASSERT_NE(module, nullptr) << error;
        instance = hostkit::Instance::Create(
            module, FUID(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]),
            &error);
        ASSERT_NE(instance, nullptr) << error;
        host = XOpenDisplay(nullptr);
        ASSERT_NE(host, nullptr);
        XSetErrorHandler(IgnoreXErrors);
        const int screen = DefaultScreen(host);
        parent = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 0, 1186, 644, 0,
                                     BlackPixel(host, screen), WhitePixel(host, screen));
        XMapWindow(host, parent);
        XSync(host, False);
        frame = owned(new hostkit::PlugFrame());
    }
    void TearDown() override {
        view = nullptr;
        instance.reset();
        if (host) {
            if (parent)
                XDestroyWindow(host, parent);
            XCloseDisplay(host);
        }
    }
    // The editor window: the parent's only child.
    Window EditorWindow() {
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(host, parent, &root, &up, &children, &count))
            return 0;
        const Window child = count == 1 ? children[0] : 0;
        if (children)
            XFree(children);
        return child;
    }
    std::uint32_t ScreenPixel(Window w, int x, int y) {
        XImage* shot = XGetImage(host, w, x, y, 1, 1, AllPlanes, ZPixmap);
        if (!shot)
            return 0;
        const auto pixel = static_cast<std::uint32_t>(XGetPixel(shot, 0, 0) & 0xFFFFFF);
        XDestroyImage(shot);
        return pixel;
    }

    std::shared_ptr<hostkit::Module> module;
    std::unique_ptr<hostkit::Instance> instance;
    IPtr<IPlugView> view;
    IPtr<hostkit::PlugFrame> frame;
    Display* host = nullptr;
    Window parent = 0;
};

TEST_F(EditorViewTest, AttachedViewPaintsOnTheRunLoopAndTakesClicks) {
    view = instance->createView("editor");
    ASSERT_TRUE(view);
    ASSERT_EQ(view->setFrame(frame.get()), kResultOk);
    void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
    ASSERT_EQ(view->attached(parentId, "X11EmbedWindowID"), kResultOk);
    const Window editor = EditorWindow();
    ASSERT_NE(editor, 0u);
    EXPECT_EQ(frame->timerCount(), 1u);
    EXPECT_EQ(frame->eventHandlerCount(), 1u);

    // Before the first tick the window shows its plain black background.
    XSync(host, False);
    EXPECT_EQ(ScreenPixel(editor, 600, 620), 0u);
    frame->fireTimers();
    XSync(host, False);
    EXPECT_NE(ScreenPixel(editor, 600, 620), 0u);

    // Preamp Bypass (parameter 20) sits at (107, 205), 31 x 31, and is on.
    Vst::IEditController* controller = instance->controller();
    ASSERT_DOUBLE_EQ(controller->getParamNormalized(20), 1.0);
    XTestFakeMotionEvent(host, DefaultScreen(host), 120, 218, CurrentTime);
    XTestFakeButtonEvent(host, 1, True, CurrentTime);
    XTestFakeButtonEvent(host, 1, False, CurrentTime);
    XSync(host, False);
    for (int i = 0; i < 100 && controller->getParamNormalized(20) != 0.0; ++i)
        frame->runOnce(20);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(20), 0.0);
    int begins = 0, performs = 0, ends = 0;
    for (const hostkit::HandlerCall& call : instance->handler().calls()) {
        if (call.id != 20)
            continue;
        begins += call.kind == hostkit::HandlerCall::Kind::BeginEdit;
        performs += call.kind == hostkit::HandlerCall::Kind::PerformEdit;
        ends += call.kind == hostkit::HandlerCall::Kind::EndEdit;
    }
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(performs, 1);
    EXPECT_EQ(ends, 1);

    // Removing the view closes the window and leaves the run loop.
    EXPECT_EQ(view->removed(), kResultOk);
    XSync(host, False);
    EXPECT_EQ(EditorWindow(), 0u);
    EXPECT_EQ(frame->timerCount(), 0u);
    EXPECT_EQ(frame->eventHandlerCount(), 0u);
}

// The host's main window holds the keyboard focus; the user clicks into the
// editor (which takes it) and then the editor goes, in the two ways hosts do.
class EditorFocusTest : public EditorViewTest {
protected:
    void SetUp() override {
        EditorViewTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const int screen = DefaultScreen(host);
        // Below the plug-in's window, so the click lands in the editor.
        hostMain = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 700, 300, 200, 0,
                                       BlackPixel(host, screen), WhitePixel(host, screen));
        XMapWindow(host, hostMain);
        XSync(host, False);
        XSetInputFocus(host, hostMain, RevertToParent, CurrentTime);
        XSync(host, False);
    }
    void TearDown() override {
        if (host && hostMain)
            XDestroyWindow(host, hostMain);
        EditorViewTest::TearDown();
    }
    Window Focus() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(host, &focus, &revert);
        return focus;
    }
    // Attaches the view and clicks an empty spot of the editor's background.
    Window AttachAndClick() {
        view = instance->createView("editor");
        EXPECT_TRUE(view);
        if (!view)
            return 0;
        view->setFrame(frame.get());
        void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
        EXPECT_EQ(view->attached(parentId, "X11EmbedWindowID"), kResultOk);
        const Window editor = EditorWindow();
        frame->fireTimers();
        XTestFakeMotionEvent(host, DefaultScreen(host), 600, 20, CurrentTime);
        XTestFakeButtonEvent(host, 1, True, CurrentTime);
        XTestFakeButtonEvent(host, 1, False, CurrentTime);
        XSync(host, False);
        for (int i = 0; i < 100 && Focus() != editor; ++i)
            frame->runOnce(20);
        return editor;
    }

    Window hostMain = 0;
};

TEST_F(EditorFocusTest, RemovedViewHandsTheFocusBackToTheHost) {
    const Window editor = AttachAndClick();
    ASSERT_NE(editor, 0u);
    ASSERT_EQ(Focus(), editor);
    EXPECT_EQ(view->removed(), kResultOk);
    XSync(host, False);
    EXPECT_EQ(Focus(), hostMain);
    // The host then closes its plug-in window: the focus stays with the host.
    XDestroyWindow(host, parent);
    parent = 0;
    XSync(host, False);
    EXPECT_EQ(Focus(), hostMain);
}

TEST_F(EditorFocusTest, HostWindowDestroyedUnderTheFocusedEditor) {
    const Window editor = AttachAndClick();
    ASSERT_NE(editor, 0u);
    ASSERT_EQ(Focus(), editor);
    XDestroyWindow(host, parent);
    parent = 0;
    XSync(host, False);
    // The editor hears of its window's end on the host's run loop.
    for (int i = 0; i < 100 && Focus() != hostMain; ++i)
        frame->runOnce(20);
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_NE(Focus(), static_cast<Window>(None));
    EXPECT_EQ(view->removed(), kResultOk);
    XSync(host, False);
    EXPECT_EQ(Focus(), hostMain);
}

} // namespace
} // namespace torvik::testing
