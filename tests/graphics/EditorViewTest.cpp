// The editor as a Linux host shows it: the built TORVIK.vst3 loaded through
// the host kit, its view attached to a real X11 window with the host's run
// loop, painted on the loop's timer, and clicked.
#include "hostkit/ComponentHandler.h"
#include "hostkit/HostKit.h"
#include "hostkit/PlugFrame.h"
#include "vst3/Vst3Identity.h"
#include "vst3sdk/helpers/ustring.h"

#include <gtest/gtest.h>

// After the test framework: Xlib's macros would clash with it.
#include "XServer.h"
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace torvik::testing {
namespace {

using namespace Steinberg;

FUID TorvikClassId() {
    return FUID(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
}

class EditorViewTest : public XServerSuite {
protected:
    void SetUp() override {
        if (!serverUp)
            GTEST_SKIP() << "no X server and Xvfb could not be started";
        // The editor's per-user settings go to a folder of this test, never
        // to the real home.
        char folder[] = "/tmp/torvik-config-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        configHome = folder;
        const char* before = std::getenv("XDG_CONFIG_HOME");
        configHomeBefore = before ? std::optional<std::string>(before) : std::nullopt;
        setenv("XDG_CONFIG_HOME", folder, 1);
        std::string error;
        module = hostkit::Module::Load(TORVIK_BUNDLE_PATH, &error);
        ASSERT_NE(module, nullptr) << error;
        instance = hostkit::Instance::Create(module, TorvikClassId(), &error);
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
        if (!configHome.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(configHome, ignored);
            if (configHomeBefore)
                setenv("XDG_CONFIG_HOME", configHomeBefore->c_str(), 1);
            else
                unsetenv("XDG_CONFIG_HOME");
        }
    }
    std::string SettingsFile() const { return configHome + "/TORVIK/editor.conf"; }
    std::string SettingsText() const {
        std::ifstream in(SettingsFile());
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // A right click, or a left click, at a place of the screen.
    void Click(int x, int y, unsigned int button) {
        XTestFakeMotionEvent(host, DefaultScreen(host), x, y, CurrentTime);
        XTestFakeButtonEvent(host, button, True, CurrentTime);
        XTestFakeButtonEvent(host, button, False, CurrentTime);
        XSync(host, False);
    }
    void WindowSize(Window w, unsigned int& width, unsigned int& height) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned int border = 0, depth = 0;
        XSync(host, False);
        XGetGeometry(host, w, &root, &x, &y, &width, &height, &border, &depth);
    }
    // Runs the host's loop until done() or about two seconds have passed.
    void RunUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 100 && !done(); ++i) {
            frame->runOnce(20);
            XSync(host, False);
        }
    }
    // The editor window: the parent's only child.
    Window EditorWindow() { return OnlyChild(parent); }
    Window OnlyChild(Window w) {
        Window root = 0, up = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(host, w, &root, &up, &children, &count))
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
    std::string configHome;
    std::optional<std::string> configHomeBefore;
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

// The host tells the view its screen's scale, before and after attaching:
// the view reports and asks for the scaled size, the window takes it, and a
// click at a control's scaled place reaches that control.
TEST_F(EditorViewTest, ContentScaleSizesTheViewAndClicksLandOnScaledControls) {
    view = instance->createView("editor");
    ASSERT_TRUE(view);
    IPtr<IPlugViewContentScaleSupport> scaling;
    ASSERT_EQ(
        view->queryInterface(IPlugViewContentScaleSupport::iid, reinterpret_cast<void**>(&scaling)),
        kResultOk); // the reference queryInterface took is the pointer's own
    const struct {
        float factor;
        int width;
        int height;
    } sizes[] = {{1.0f, 1186, 644},  {1.25f, 1483, 805}, {1.5f, 1779, 966},  {1.75f, 2076, 1127},
                 {2.0f, 2372, 1288}, {1.6f, 1779, 966},  {3.0f, 2372, 1288}, {0.5f, 1186, 644}};
    for (const auto& c : sizes) {
        // Before the frame and before attaching: getSize answers the new size.
        ASSERT_EQ(scaling->setContentScaleFactor(c.factor), kResultTrue) << c.factor;
        ViewRect size;
        ASSERT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), c.width) << c.factor;
        EXPECT_EQ(size.getHeight(), c.height) << c.factor;
    }
    EXPECT_EQ(view->canResize(), kResultTrue);

    ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
    ASSERT_EQ(view->setFrame(frame.get()), kResultOk);
    void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
    ASSERT_EQ(view->attached(parentId, "X11EmbedWindowID"), kResultOk);
    const Window editor = EditorWindow();
    ASSERT_NE(editor, 0u);
    const auto windowSize = [&](unsigned int& w, unsigned int& h) {
        Window root = 0;
        int x = 0, y = 0;
        unsigned int border = 0, depth = 0;
        XSync(host, False);
        XGetGeometry(host, editor, &root, &x, &y, &w, &h, &border, &depth);
    };
    unsigned int w = 0, h = 0;
    windowSize(w, h);
    EXPECT_EQ(w, 2372u);
    EXPECT_EQ(h, 1288u);

    // After attaching: the view asks the frame for the new size and the window takes it.
    ASSERT_EQ(scaling->setContentScaleFactor(1.5f), kResultTrue);
    ASSERT_FALSE(frame->resizeRequests().empty());
    EXPECT_EQ(frame->resizeRequests().back().getWidth(), 1779);
    EXPECT_EQ(frame->resizeRequests().back().getHeight(), 966);
    // The editor's own connection carries the resize; wait for the server.
    for (int i = 0; i < 100 && (windowSize(w, h), w != 1779u); ++i)
        frame->runOnce(20);
    EXPECT_EQ(w, 1779u);
    EXPECT_EQ(h, 966u);

    // Preamp Bypass (parameter 20) sits at (107, 205), 31 x 31, and is on:
    // at 150 % its centre is at (183, 330).
    Vst::IEditController* controller = instance->controller();
    ASSERT_DOUBLE_EQ(controller->getParamNormalized(20), 1.0);
    XTestFakeMotionEvent(host, DefaultScreen(host), 183, 330, CurrentTime);
    XTestFakeButtonEvent(host, 1, True, CurrentTime);
    XTestFakeButtonEvent(host, 1, False, CurrentTime);
    XSync(host, False);
    for (int i = 0; i < 100 && controller->getParamNormalized(20) != 0.0; ++i)
        frame->runOnce(20);
    EXPECT_DOUBLE_EQ(controller->getParamNormalized(20), 0.0);
    EXPECT_EQ(view->removed(), kResultOk);
}

// The user drags the host's window: every proposal snaps to the nearest of
// the editor's sizes, and the size the host then gives becomes the scale.
TEST_F(EditorViewTest, SizeProposalsSnapToTheEditorsSizes) {
    view = instance->createView("editor");
    ASSERT_TRUE(view);
    const struct {
        int width;
        int height;
        int snappedWidth;
        int snappedHeight;
    } cases[] = {{1186, 644, 1186, 644}, {1300, 700, 1186, 644},  {1400, 760, 1483, 805},
                 {1779, 600, 1483, 805}, {1900, 1000, 1779, 966}, {5000, 3000, 2372, 1288},
                 {10, 10, 1186, 644},    {-50, -50, 1186, 644}};
    for (const auto& c : cases) {
        ViewRect proposed{20, 30, 20 + c.width, 30 + c.height};
        ASSERT_EQ(view->checkSizeConstraint(&proposed), kResultTrue);
        EXPECT_EQ(proposed.left, 20);
        EXPECT_EQ(proposed.top, 30);
        EXPECT_EQ(proposed.getWidth(), c.snappedWidth) << c.width << " x " << c.height;
        EXPECT_EQ(proposed.getHeight(), c.snappedHeight) << c.width << " x " << c.height;
    }
    ViewRect given{0, 0, 2076, 1127};
    ASSERT_EQ(view->onSize(&given), kResultOk);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 2076);
    EXPECT_EQ(size.getHeight(), 1127);
    ViewRect odd{0, 0, 1500, 900}; // not one of the sizes: the scale stays
    ASSERT_EQ(view->onSize(&odd), kResultOk);
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 2076);
}

// The user picks a size from the editor's menu (a right click on the
// background): the frame is asked for that size, the window takes it, the
// choice is written to the settings file, and the menu works at the new
// scale too. A new instance opens at the remembered size.
TEST_F(EditorViewTest, SizeChosenFromTheEditorsMenuIsAskedForAndRemembered) {
    view = instance->createView("editor");
    ASSERT_TRUE(view);
    ASSERT_EQ(view->setFrame(frame.get()), kResultOk);
    void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
    ASSERT_EQ(view->attached(parentId, "X11EmbedWindowID"), kResultOk);
    const Window editor = EditorWindow();
    ASSERT_NE(editor, 0u);
    frame->fireTimers();
    XSync(host, False);

    // The menu opens where the background was clicked: rows of 18 editor
    // units from one unit below the click, "Editor size" then 100 % to 200 %.
    constexpr std::uint32_t kMenuBackground = 0x222428;
    constexpr int kRow = 18;
    const auto rowCentre = [&](int clickY, int row, int percent) {
        return ((clickY * 100 / percent) + 1 + row * kRow + kRow / 2) * percent / 100;
    };
    Click(3, 3, 3);
    RunUntil([&] { return frame->fireTimers(), ScreenPixel(editor, 6, 6) == kMenuBackground; });
    ASSERT_EQ(ScreenPixel(editor, 6, 6), kMenuBackground) << "the menu is drawn";
    Click(30, rowCentre(3, 3, 100), 1); // "150 %"
    RunUntil([&] { return !frame->resizeRequests().empty(); });
    ASSERT_FALSE(frame->resizeRequests().empty());
    EXPECT_EQ(frame->resizeRequests().back().getWidth(), 1779);
    EXPECT_EQ(frame->resizeRequests().back().getHeight(), 966);
    unsigned int w = 0, h = 0;
    RunUntil([&] { return WindowSize(editor, w, h), w == 1779u; });
    EXPECT_EQ(w, 1779u);
    EXPECT_EQ(h, 966u);
    ViewRect size;
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1779);
    EXPECT_EQ(SettingsText(), "scale=150\n");

    // At 150 % the menu closes without a choice when the click misses it,
    // then a click on "125 %" at its scaled place chooses that.
    frame->fireTimers();
    Click(5, 5, 3);
    RunUntil([&] { return frame->fireTimers(), ScreenPixel(editor, 9, 9) == kMenuBackground; });
    ASSERT_EQ(ScreenPixel(editor, 9, 9), kMenuBackground);
    Click(1100, 30, 1); // the background, beside the menu
    RunUntil([&] { return frame->fireTimers(), ScreenPixel(editor, 9, 9) != kMenuBackground; });
    EXPECT_EQ(frame->resizeRequests().size(), 1u);
    Click(5, 5, 3);
    RunUntil([&] { return frame->fireTimers(), ScreenPixel(editor, 9, 9) == kMenuBackground; });
    Click(45, rowCentre(5, 2, 150), 1); // "125 %"
    RunUntil([&] { return frame->resizeRequests().size() > 1; });
    ASSERT_EQ(frame->resizeRequests().size(), 2u);
    EXPECT_EQ(frame->resizeRequests().back().getWidth(), 1483);
    EXPECT_EQ(frame->resizeRequests().back().getHeight(), 805);
    EXPECT_EQ(SettingsText(), "scale=125\n");
    EXPECT_EQ(view->removed(), kResultOk);
    view = nullptr;

    // A new instance opens at the remembered size, also when the host then
    // gives its screen's factor.
    std::string error;
    auto next = hostkit::Instance::Create(module, TorvikClassId(), &error);
    ASSERT_NE(next, nullptr) << error;
    IPtr<IPlugView> nextView = next->createView("editor");
    ASSERT_TRUE(nextView);
    ASSERT_EQ(nextView->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1483);
    EXPECT_EQ(size.getHeight(), 805);
    IPtr<IPlugViewContentScaleSupport> scaling;
    ASSERT_EQ(nextView->queryInterface(IPlugViewContentScaleSupport::iid,
                                       reinterpret_cast<void**>(&scaling)),
              kResultOk);
    EXPECT_EQ(scaling->setContentScaleFactor(2.0f), kResultTrue);
    ASSERT_EQ(nextView->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1483);
}

// Where an editor opens: the remembered choice first, then the host's
// factor, then the desktop's Xft.dpi (read from the root window's resources
// at the first open), else 100 %.
TEST_F(EditorViewTest, OpeningSizeComesFromTheChoiceTheHostOrTheDesktop) {
    const Window root = DefaultRootWindow(host);
    const Atom resources = XInternAtom(host, "RESOURCE_MANAGER", False);
    const struct {
        const char* settings; // file text, none = no file
        const char* desktop;  // root window resources, none = none
        float hostFactor;     // 0 = the host says nothing
        int width;
    } cases[] = {
        {nullptr, nullptr, 0.0f, 1186},
        {nullptr, "Xft.antialias:\t1\nXft.dpi:\t144\n", 0.0f, 1779},
        {nullptr, "Xft.dpi:\t192\n", 0.0f, 2372},
        {nullptr, "Xft.dpi:\t96\n", 0.0f, 1186},
        {nullptr, "Xft.dpi:\t144\n", 1.25f, 1483},
        {nullptr, nullptr, 1.75f, 2076},
        {"scale=175\n", "Xft.dpi:\t96\n", 0.0f, 2076},
        {"scale=125\n", "Xft.dpi:\t192\n", 2.0f, 1483},
        {"scale=130\n", "Xft.dpi:\t192\n", 0.0f, 2372}, // not a size: ignored
        {"garbage", nullptr, 1.5f, 1779},
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(configHome + "/TORVIK");
        if (c.settings) {
            std::filesystem::create_directories(configHome + "/TORVIK");
            std::ofstream(SettingsFile()) << c.settings;
        }
        if (c.desktop)
            XChangeProperty(host, root, resources, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(c.desktop),
                            static_cast<int>(std::strlen(c.desktop)));
        else
            XDeleteProperty(host, root, resources);
        XSync(host, False);

        std::string error;
        auto fresh = hostkit::Instance::Create(module, TorvikClassId(), &error);
        ASSERT_NE(fresh, nullptr) << error;
        IPtr<IPlugView> freshView = fresh->createView("editor");
        ASSERT_TRUE(freshView);
        if (c.hostFactor > 0.0f) {
            IPtr<IPlugViewContentScaleSupport> scaling;
            ASSERT_EQ(freshView->queryInterface(IPlugViewContentScaleSupport::iid,
                                                reinterpret_cast<void**>(&scaling)),
                      kResultOk);
            EXPECT_EQ(scaling->setContentScaleFactor(c.hostFactor), kResultTrue);
        }
        ViewRect size;
        ASSERT_EQ(freshView->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), c.width)
            << (c.settings ? c.settings : "no file") << " / " << (c.desktop ? c.desktop : "none")
            << " / " << c.hostFactor;
    }
    XDeleteProperty(host, root, resources);
    XSync(host, False);
}

// The host's main window holds the keyboard focus while the user works in the
// editor, and keeps it however the editor goes: the editor takes no keys.
class EditorFocusTest : public EditorViewTest {
protected:
    void SetUp() override {
        EditorViewTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const int screen = DefaultScreen(host);
        // Below the plug-in's window, so the pointer lands in the editor.
        hostMain = XCreateSimpleWindow(host, RootWindow(host, screen), 0, 700, 300, 200, 0,
                                       BlackPixel(host, screen), WhitePixel(host, screen));
        XMapWindow(host, hostMain);
        XSync(host, False);
        XSetInputFocus(host, hostMain, RevertToParent, CurrentTime);
        XSync(host, False);
    }
    void TearDown() override {
        // As a host does before it lets a view go: the view and the frame's run
        // loop hold each other until then.
        if (view && attached)
            Remove();
        if (host && hostMain)
            XDestroyWindow(host, hostMain);
        EditorViewTest::TearDown();
    }
    tresult Remove() {
        attached = false;
        return view->removed();
    }
    Window Focus() {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(host, &focus, &revert);
        return focus;
    }
    Window Attach() {
        view = instance->createView("editor");
        EXPECT_TRUE(view);
        if (!view)
            return 0;
        view->setFrame(frame.get());
        void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
        attached = view->attached(parentId, "X11EmbedWindowID") == kResultOk;
        EXPECT_TRUE(attached);
        frame->fireTimers();
        return EditorWindow();
    }
    void Press(int x, int y, unsigned button) {
        XTestFakeMotionEvent(host, DefaultScreen(host), x, y, CurrentTime);
        XTestFakeButtonEvent(host, button, True, CurrentTime);
    }
    void Release(unsigned button) { XTestFakeButtonEvent(host, button, False, CurrentTime); }
    // Lets the editor handle everything the server has for it.
    void Settle() {
        XSync(host, False);
        for (int i = 0; i < 5; ++i)
            frame->runOnce(20);
    }
    int Edits(Vst::ParamID id) {
        int n = 0;
        for (const hostkit::HandlerCall& call : instance->handler().calls())
            n += call.id == id && call.kind != hostkit::HandlerCall::Kind::CreateContextMenu;
        return n;
    }

    Window hostMain = 0;
    bool attached = false;
};

TEST_F(EditorFocusTest, ClickDragWheelAndDoubleClickLeaveTheFocusWithTheHost) {
    ASSERT_NE(Attach(), 0u);
    Press(600, 20, 1); // the background
    Release(1);
    Settle();
    EXPECT_EQ(Focus(), hostMain);

    Press(120, 218, 1); // Preamp Bypass: one click, one switch step
    Release(1);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_GT(Edits(20), 0);

    Press(1063, 320, 1); // Main Input, dragged up
    XTestFakeMotionEvent(host, DefaultScreen(host), 1063, 280, CurrentTime);
    Release(1);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_GT(Edits(2), 0);

    Press(1063, 420, 4); // Main Output, one notch
    Release(4);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_GT(Edits(3), 0);

    for (int i = 0; i < 2; ++i) { // Main Input back to its default
        Press(1063, 290, 1);
        Release(1);
    }
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_DOUBLE_EQ(instance->controller()->getParamNormalized(2), 0.5);
}

// Ardour closes its plug-in window by hiding it, with the view still attached.
TEST_F(EditorFocusTest, HidingTheHostsWindowWithTheViewAttachedKeepsTheFocus) {
    ASSERT_NE(Attach(), 0u);
    Press(600, 20, 1);
    Release(1);
    Settle();
    XUnmapWindow(host, parent);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    // Shown again and used again, then removed: still the host's.
    XMapWindow(host, parent);
    Settle();
    Press(120, 218, 1);
    Release(1);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_EQ(Remove(), kResultOk);
    XSync(host, False);
    EXPECT_EQ(Focus(), hostMain);
}

TEST_F(EditorFocusTest, HostWindowDestroyedUnderTheEditor) {
    ASSERT_NE(Attach(), 0u);
    Press(600, 20, 1);
    Release(1);
    Settle();
    XDestroyWindow(host, parent);
    parent = 0;
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_EQ(Remove(), kResultOk);
    XSync(host, False);
    EXPECT_EQ(Focus(), hostMain);
}

// A host that guards its audio thread with a lock of its own, held across
// every process call, and takes that lock in its edit callbacks to hand the
// edit over. A callback that cannot get the lock within the patience counts a
// stall instead of hanging the test, and after a stall none waits any more.
// The lock is polled: the thread sanitizer does not follow timed waits.
class AudioGuardedHandler : public hostkit::ComponentHandler {
public:
    tresult PLUGIN_API beginEdit(Vst::ParamID id) override {
        const Guard guard(*this);
        return ComponentHandler::beginEdit(id);
    }
    tresult PLUGIN_API performEdit(Vst::ParamID id, Vst::ParamValue value) override {
        const Guard guard(*this);
        return ComponentHandler::performEdit(id, value);
    }
    tresult PLUGIN_API endEdit(Vst::ParamID id) override {
        const Guard guard(*this);
        return ComponentHandler::endEdit(id);
    }
    int Count(hostkit::HandlerCall::Kind kind) const {
        int n = 0;
        for (const hostkit::HandlerCall& call : calls())
            n += call.kind == kind;
        return n;
    }

    std::mutex audioLock;       // held by the audio thread across process
    std::atomic<int> stalls{0}; // edit callbacks that could not get it in time

private:
    static constexpr auto kPatience = std::chrono::seconds(5);
    struct Guard {
        explicit Guard(AudioGuardedHandler& h) : handler(h), held(h.Acquire()) {}
        ~Guard() {
            if (held)
                handler.audioLock.unlock();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
        AudioGuardedHandler& handler;
        bool held;
    };
    bool Acquire() {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (stalls == 0) {
            if (audioLock.try_lock())
                return true;
            if (std::chrono::steady_clock::now() > deadline)
                ++stalls;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        return false;
    }
};

// The compressor threshold knob: 65 x 65 at (844, 258), parameter 16.
constexpr int kKnobX = 844 + 32;
constexpr int kKnobY = 258 + 32;
constexpr Vst::ParamID kKnobParam = 16;
constexpr int kDragSteps = 20;
constexpr int kDragPixels = 3; // per step, downwards
constexpr int kBlock = 256;
constexpr double kRate = 48000.0;

class EditorHostCallsTest : public EditorViewTest {
protected:
    // One instance with the guarded host, processing.
    std::unique_ptr<hostkit::Instance> NewInstance(const IPtr<AudioGuardedHandler>& handler) {
        std::string error;
        auto made = hostkit::Instance::Create(module, TorvikClassId(), &error);
        EXPECT_NE(made, nullptr) << error;
        if (!made)
            return made;
        made->controller()->setComponentHandler(handler.get());
        EXPECT_EQ(made->startProcessing(kRate, kBlock), kResultOk);
        return made;
    }
    // Drags the knob down step by step through the instance's editor, the run
    // loop serviced on this thread; each step waits until the host heard of
    // it, then runs afterStep.
    void Drag(
        hostkit::Instance& target, AudioGuardedHandler& handler,
        const std::function<void()>& afterStep = [] {}) {
        IPtr<IPlugView> dragged = target.createView("editor");
        ASSERT_TRUE(dragged);
        dragged->setFrame(frame.get());
        void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(parent));
        ASSERT_EQ(dragged->attached(parentId, "X11EmbedWindowID"), kResultOk);
        frame->fireTimers();
        const int screen = DefaultScreen(host);
        XTestFakeMotionEvent(host, screen, kKnobX, kKnobY, CurrentTime);
        XTestFakeButtonEvent(host, 1, True, CurrentTime);
        XSync(host, False);
        using Kind = hostkit::HandlerCall::Kind;
        for (int i = 0; i < 100 && handler.Count(Kind::BeginEdit) == 0; ++i)
            frame->runOnce(20);
        for (int step = 1; step <= kDragSteps; ++step) {
            XTestFakeMotionEvent(host, screen, kKnobX, kKnobY + step * kDragPixels, CurrentTime);
            XSync(host, False);
            for (int i = 0; i < 500 && handler.Count(Kind::PerformEdit) < step; ++i)
                frame->runOnce(20);
            afterStep();
        }
        XTestFakeButtonEvent(host, 1, False, CurrentTime);
        XSync(host, False);
        for (int i = 0; i < 100 && handler.Count(Kind::EndEdit) == 0; ++i)
            frame->runOnce(20);
        EXPECT_EQ(dragged->removed(), kResultOk);
    }
    // One block of a steady two-tone signal, the same for every instance.
    static void Fill(hostkit::ProcessBuffers& buffers, long block) {
        for (int ch = 0; ch < 2; ++ch) {
            float* in = buffers.channel32(Vst::kInput, 0, ch);
            for (int i = 0; i < kBlock; ++i) {
                const double t = static_cast<double>(block * kBlock + i);
                in[i] = static_cast<float>(0.5 * std::sin(0.031 * (ch + 1) * t) +
                                           0.2 * std::sin(0.0021 * t));
            }
        }
    }
    static std::vector<float> Output(hostkit::ProcessBuffers& buffers) {
        std::vector<float> out;
        for (int ch = 0; ch < 2; ++ch) {
            const float* samples = buffers.channel32(Vst::kOutput, 0, ch);
            out.insert(out.end(), samples, samples + kBlock);
        }
        return out;
    }
};

// The host's edit callbacks wait for its audio thread, which holds its lock
// across every block: the editor must never call them while holding what a
// block waits for. A drag while processing ends, and it leaves the instance as
// a drag without any audio thread does.
TEST_F(EditorHostCallsTest, DragWhileProcessingWithAHostThatGuardsItsAudioThread) {
    auto guarded = owned(new AudioGuardedHandler());
    auto busy = NewInstance(guarded);
    ASSERT_NE(busy, nullptr);
    std::atomic<bool> dragging{true};
    std::atomic<long> blocksDuring{0};
    std::thread audio([&] {
        auto buffers = busy->makeBuffers(kBlock, Vst::kSample32);
        for (long block = 0; dragging; ++block) {
            {
                // The host readies the block (its queued edits, the inputs)
                // under its lock, then processes it.
                const std::lock_guard lock(guarded->audioLock);
                Fill(*buffers, block);
                std::this_thread::sleep_for(std::chrono::microseconds(300));
                busy->process(buffers->prepare(kBlock));
            }
            ++blocksDuring;
            // The audio device's next period.
            std::this_thread::sleep_for(std::chrono::microseconds(300));
        }
    });
    // Each step lets the audio thread finish a block after the edit.
    Drag(*busy, *guarded, [&] {
        const long seen = blocksDuring;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (blocksDuring == seen && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    });
    dragging = false;
    audio.join();
    EXPECT_EQ(guarded->stalls, 0) << "an edit callback was made while a block waited for it";
    EXPECT_GE(blocksDuring, kDragSteps);

    auto quiet = owned(new AudioGuardedHandler());
    auto replay = NewInstance(quiet);
    ASSERT_NE(replay, nullptr);
    Drag(*replay, *quiet);
    EXPECT_EQ(quiet->stalls, 0);

    // The host heard the same gesture, and both instances hold the same state.
    using Kind = hostkit::HandlerCall::Kind;
    EXPECT_EQ(guarded->Count(Kind::PerformEdit), kDragSteps);
    EXPECT_EQ(guarded->calls(), quiet->calls());
    EXPECT_LT(busy->controller()->getParamNormalized(kKnobParam), 1.0);
    EXPECT_EQ(busy->controller()->getParamNormalized(kKnobParam),
              replay->controller()->getParamNormalized(kKnobParam));
    const auto busyState = busy->getControllerState();
    ASSERT_TRUE(busyState.has_value());
    EXPECT_EQ(busyState, replay->getControllerState());

    // Started afresh, both sound the same to the bit.
    for (hostkit::Instance* instance : {busy.get(), replay.get()}) {
        instance->setActive(false);
        instance->setActive(true);
    }
    auto busyBuffers = busy->makeBuffers(kBlock, Vst::kSample32);
    auto replayBuffers = replay->makeBuffers(kBlock, Vst::kSample32);
    for (long block = 0; block < 64; ++block) {
        Fill(*busyBuffers, block);
        Fill(*replayBuffers, block);
        busy->process(busyBuffers->prepare(kBlock));
        replay->process(replayBuffers->prepare(kBlock));
        ASSERT_EQ(Output(*busyBuffers), Output(*replayBuffers)) << "block " << block;
    }
}

// Two host windows show the same instance's editor, as a host does while it
// re-docks the editor or opens a second window for it: each view has a
// window of its own, and removing either leaves the other working.
class EditorTwoViewsTest : public EditorViewTest {
protected:
    void SetUp() override {
        EditorViewTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        const int screen = DefaultScreen(host);
        // Beside the first one's switch, so a click there reaches the first.
        secondParent =
            XCreateSimpleWindow(host, RootWindow(host, screen), kSecondX, kSecondY, 1186, 644, 0,
                                BlackPixel(host, screen), WhitePixel(host, screen));
        XMapWindow(host, secondParent);
        XSync(host, False);
        secondFrame = owned(new hostkit::PlugFrame());
    }
    void TearDown() override {
        second = nullptr;
        if (host && secondParent)
            XDestroyWindow(host, secondParent);
        EditorViewTest::TearDown();
    }
    IPtr<IPlugView> Attach(Window in, hostkit::PlugFrame& loop) {
        IPtr<IPlugView> made = instance->createView("editor");
        EXPECT_TRUE(made);
        if (!made)
            return made;
        made->setFrame(&loop);
        void* parentId = reinterpret_cast<void*>(static_cast<std::uintptr_t>(in));
        EXPECT_EQ(made->attached(parentId, "X11EmbedWindowID"), kResultOk);
        return made;
    }
    // The remaining view paints on its own run loop and a click on its Preamp
    // Bypass switch (at (107, 205), 31 x 31) reaches the instance.
    void ExpectWorking(Window in, int screenX, int screenY, hostkit::PlugFrame& loop) {
        const Window editor = OnlyChild(in);
        ASSERT_NE(editor, 0u) << "the remaining view lost its window";
        EXPECT_EQ(loop.timerCount(), 1u);
        EXPECT_EQ(loop.eventHandlerCount(), 1u);
        loop.fireTimers();
        // The window system asks for a repaint of a cleared strip.
        XClearArea(host, editor, 0, 600, 1186, 44, True);
        XSync(host, False);
        EXPECT_EQ(ScreenPixel(editor, 600, 620), 0u);
        for (int i = 0; i < 500 && ScreenPixel(editor, 600, 620) == 0u; ++i)
            loop.runOnce(20);
        EXPECT_NE(ScreenPixel(editor, 600, 620), 0u) << "the remaining view is not painted";

        Vst::IEditController* controller = instance->controller();
        const double before = controller->getParamNormalized(kSwitch);
        XTestFakeMotionEvent(host, DefaultScreen(host), screenX + 120, screenY + 218, CurrentTime);
        XTestFakeButtonEvent(host, 1, True, CurrentTime);
        XTestFakeButtonEvent(host, 1, False, CurrentTime);
        XSync(host, False);
        for (int i = 0; i < 500 && controller->getParamNormalized(kSwitch) == before; ++i)
            loop.runOnce(20);
        EXPECT_NE(controller->getParamNormalized(kSwitch), before) << "the click did not arrive";
    }

    static constexpr int kSecondX = 400;
    static constexpr int kSecondY = 350;
    static constexpr Vst::ParamID kSwitch = 20;
    Window secondParent = 0;
    IPtr<hostkit::PlugFrame> secondFrame;
    IPtr<IPlugView> second;
};

TEST_F(EditorTwoViewsTest, EachViewKeepsItsOwnWindowWhicheverIsRemovedFirst) {
    for (const bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "first view removed first" : "second view removed first");
        view = Attach(parent, *frame);
        second = Attach(secondParent, *secondFrame);
        ASSERT_TRUE(view && second);
        XSync(host, False);
        EXPECT_NE(OnlyChild(parent), 0u) << "attaching the second view took the first's window";
        EXPECT_NE(OnlyChild(secondParent), 0u);
        EXPECT_NE(OnlyChild(parent), OnlyChild(secondParent));
        if (firstGoesFirst) {
            EXPECT_EQ(view->removed(), kResultOk);
            XSync(host, False);
            EXPECT_EQ(OnlyChild(parent), 0u);
            EXPECT_EQ(frame->timerCount(), 0u);
            ExpectWorking(secondParent, kSecondX, kSecondY, *secondFrame);
            EXPECT_EQ(second->removed(), kResultOk);
        } else {
            EXPECT_EQ(second->removed(), kResultOk);
            XSync(host, False);
            EXPECT_EQ(OnlyChild(secondParent), 0u);
            EXPECT_EQ(secondFrame->timerCount(), 0u);
            // The host closes its second window; the first is uncovered.
            XUnmapWindow(host, secondParent);
            ExpectWorking(parent, 0, 0, *frame);
            XMapWindow(host, secondParent);
            EXPECT_EQ(view->removed(), kResultOk);
        }
        XSync(host, False);
        EXPECT_EQ(OnlyChild(parent), 0u);
        EXPECT_EQ(OnlyChild(secondParent), 0u);
        EXPECT_EQ(frame->timerCount() + secondFrame->timerCount(), 0u);
        view = nullptr;
        second = nullptr;
    }
}

constexpr int kThresholdX = kKnobX;
constexpr int kThresholdY = kKnobY;
constexpr Vst::ParamID kThreshold = kKnobParam;

void TapKey(Display* display, KeySym sym) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), True, CurrentTime);
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), False, CurrentTime);
}

TEST_F(EditorFocusTest, EnterValueFromTheHostsMenuIsOneGestureAndGivesTheKeyboardBack) {
    instance->handler().setOffersMenus(true);
    const Window editor = Attach();
    ASSERT_NE(editor, 0u);
    Press(kThresholdX, kThresholdY, 3);
    Release(3);
    Settle();
    hostkit::ContextMenu* menu = instance->handler().lastMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->popupCount(), 1);
    ASSERT_EQ(menu->entries().size(), 1u);
    EXPECT_EQ(toUtf8(menu->entries()[0].item.name, 128), "Enter value\u2026");
    ASSERT_NE(menu->entries()[0].target, nullptr);
    EXPECT_EQ(Focus(), hostMain); // the menu alone takes nothing

    instance->handler().clear();
    EXPECT_EQ(menu->entries()[0].target->executeMenuItem(menu->entries()[0].item.tag), kResultOk);
    Settle();
    EXPECT_EQ(Focus(), editor);
    for (const KeySym key : {XK_minus, XK_2, XK_4, XK_Return})
        TapKey(host, key);
    Settle();
    EXPECT_NEAR(instance->controller()->getParamNormalized(kThreshold), 36.0 / 60.0, 1e-12);
    std::vector<hostkit::HandlerCall::Kind> kinds;
    for (const hostkit::HandlerCall& call : instance->handler().calls())
        kinds.push_back(call.kind);
    using K = hostkit::HandlerCall::Kind;
    EXPECT_EQ(kinds, (std::vector<K>{K::BeginEdit, K::PerformEdit, K::EndEdit}));
    EXPECT_EQ(Focus(), hostMain);
}

// No host menu: a right click on a knob types a value at once; the host then
// hides its window while the value is being typed.
TEST_F(EditorFocusTest, HidingTheHostsWindowWhileTypingGivesTheKeyboardBack) {
    const Window editor = Attach();
    ASSERT_NE(editor, 0u);
    Press(kThresholdX, kThresholdY, 3);
    Release(3);
    Settle();
    EXPECT_EQ(Focus(), editor);
    TapKey(host, XK_Escape);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_EQ(Edits(kThreshold), 0); // Escape: nothing reached the host

    Press(kThresholdX - 10, kThresholdY, 3);
    Release(3);
    Settle();
    ASSERT_EQ(Focus(), editor);
    XUnmapWindow(host, parent);
    Settle();
    EXPECT_EQ(Focus(), hostMain);
    EXPECT_NE(Focus(), static_cast<Window>(None));
}

} // namespace
} // namespace torvik::testing
