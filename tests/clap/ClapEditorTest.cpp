// TORVIK.clap's editor in a host's X window: the host's timer and fd watching
// drive it, a click becomes a gesture the host collects, and destroying the
// editor leaves nothing registered.
#include "ClapTestSupport.h"
#include "graphics/EditorScale.h"
#include "graphics/XServer.h"
#include "processor/EditorLayout.h"
#include "support/PrivateSettingsFolder.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace torvik::testing {
namespace {

using namespace hostkit::clap;

// No size remembered on this machine changes the sizes seen here.
[[maybe_unused]] ::testing::Environment* const kSettings =
    ::testing::AddGlobalTestEnvironment(new PrivateSettingsFolder);

class ClapEditorTest : public XServerSuite {
protected:
    void SetUp() override {
        if (!serverUp)
            GTEST_SKIP() << "no X server and Xvfb could not be started";
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 1186, 644, 0,
                                     BlackPixel(display, screen), WhitePixel(display, screen));
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override {
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }
    Display* display = nullptr;
    Window parent = 0;
};

TEST_F(ClapEditorTest, ClickedSwitchReachesTheHostAsAGesture) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const clap_plugin* p = plugin.Plugin();
    const auto* gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    ASSERT_NE(gui, nullptr);
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_X11);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, true));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    EXPECT_FALSE(gui->create(p, CLAP_WINDOW_API_X11, false)); // one editor at a time
    ASSERT_EQ(host.timers.size(), 1u);
    EXPECT_EQ(host.timers.begin()->second, 40u); // 25 frames per second
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, 1186u);
    EXPECT_EQ(h, 644u);

    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_EQ(host.fds.size(), 1u);
    EXPECT_TRUE(gui->show(p));

    // A click on the preamp's bypass switch.
    const ControlLayout& preampBypass = TorvikEditorLayout()[3];
    ASSERT_EQ(preampBypass.paramIndex, kPreampBypass);
    const double before = plugin.Value(kPreampBypass);
    XTestFakeMotionEvent(display, DefaultScreen(display), preampBypass.x + 10, preampBypass.y + 10,
                         CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    OutputEvents out;
    for (int round = 0; round < 200 && (out.events.empty() ||
                                        out.events.back().type != CLAP_EVENT_PARAM_GESTURE_END);
         ++round) {
        usleep(10000);
        host.RunReadableFds(p);
        host.RunTimers(p);
        params->flush(p, nullptr, out.List());
    }
    EXPECT_GT(host.flushRequests, 0);
    ASSERT_EQ(out.events.size(), 3u);
    EXPECT_EQ(out.events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.events[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.events[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const auto& e : out.events)
        EXPECT_EQ(e.id, static_cast<clap_id>(kPreampBypass));
    EXPECT_EQ(out.events[1].value, 1.0 - before);
    EXPECT_EQ(plugin.Value(kPreampBypass), 1.0 - before);

    EXPECT_TRUE(gui->hide(p));
    gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.fds.empty());
    EXPECT_EQ(host.misuse, 0);
    // A second editor opens in the same window again.
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    ASSERT_TRUE(gui->set_parent(p, &window));
    gui->destroy(p);
    EXPECT_TRUE(host.timers.empty());
    EXPECT_TRUE(host.fds.empty());
}

// The editor's size at a scale, in physical pixels.
std::pair<std::uint32_t, std::uint32_t> SizeAt(int percent) {
    return {static_cast<std::uint32_t>(ScaledLength(1186, percent)),
            static_cast<std::uint32_t>(ScaledLength(644, percent))};
}

std::pair<std::uint32_t, std::uint32_t> GuiSize(const clap_plugin_gui* gui, const clap_plugin* p) {
    std::uint32_t w = 0, h = 0;
    EXPECT_TRUE(gui->get_size(p, &w, &h));
    return {w, h};
}

TEST_F(ClapEditorTest, ScalesAndSizesAreTheEditorsScales) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const clap_plugin* p = plugin.Plugin();
    const auto* gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    EXPECT_EQ(GuiSize(gui, p), SizeAt(100));
    EXPECT_TRUE(gui->can_resize(p));
    clap_gui_resize_hints hints{};
    ASSERT_TRUE(gui->get_resize_hints(p, &hints));
    EXPECT_TRUE(hints.can_resize_horizontally && hints.can_resize_vertically);
    EXPECT_TRUE(hints.preserve_aspect_ratio);
    EXPECT_EQ(hints.aspect_ratio_width, 1186u);
    EXPECT_EQ(hints.aspect_ratio_height, 644u);

    // A host's factor picks the nearest scale; absurd factors change nothing.
    const struct {
        double factor;
        bool taken;
        int percent; // the scale afterwards
    } factors[] = {{1.5, true, 150},  {100.0, false, 150},    {0.0, false, 150}, {-1.0, false, 150},
                   {NAN, false, 150}, {INFINITY, false, 150}, {1.3, true, 125},  {2.0, true, 200},
                   {3.9, true, 200},  {0.5, true, 100},       {1.0, true, 100}};
    for (const auto& f : factors) {
        SCOPED_TRACE(f.factor);
        EXPECT_EQ(gui->set_scale(p, f.factor), f.taken);
        EXPECT_EQ(GuiSize(gui, p), SizeAt(f.percent));
    }
    EXPECT_TRUE(host.resizeRequests.empty()); // no window yet: the host asks get_size

    // A host's size snaps to the nearest scale's size; set_size takes only those.
    const struct {
        std::uint32_t width, height;
        int percent;
    } proposals[] = {{800, 600, 100},   {1300, 700, 100},  {1480, 800, 125},
                     {2000, 1100, 175}, {5000, 5000, 200}, {0xFFFFFFFF, 0xFFFFFFFF, 200},
                     {0, 0, 100}};
    for (const auto& proposal : proposals) {
        SCOPED_TRACE(::testing::Message() << proposal.width << " x " << proposal.height);
        std::uint32_t w = proposal.width, h = proposal.height;
        ASSERT_TRUE(gui->adjust_size(p, &w, &h));
        EXPECT_EQ(std::make_pair(w, h), SizeAt(proposal.percent));
        EXPECT_FALSE(gui->set_size(p, proposal.width, proposal.height)); // none is exact
    }
    EXPECT_EQ(GuiSize(gui, p), SizeAt(100));
    EXPECT_TRUE(gui->set_size(p, SizeAt(175).first, SizeAt(175).second));
    EXPECT_EQ(GuiSize(gui, p), SizeAt(175));

    // With the editor in the host's window: the editor's window takes each new size, and a
    // new scale asks the host to fit its window (a size the host set does not).
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    auto editorWindowSize = [&] {
        for (int round = 0; round < 5; ++round) {
            host.RunReadableFds(p);
            host.RunTimers(p);
            usleep(10000);
        }
        Window root = 0, parentOut = 0, *children = nullptr;
        unsigned int count = 0;
        XQueryTree(display, parent, &root, &parentOut, &children, &count);
        std::pair<std::uint32_t, std::uint32_t> size{0, 0};
        if (count == 1) {
            int x = 0, y = 0;
            unsigned int w = 0, h = 0, border = 0, depth = 0;
            XGetGeometry(display, children[0], &root, &x, &y, &w, &h, &border, &depth);
            size = {w, h};
        }
        if (children)
            XFree(children);
        return size;
    };
    EXPECT_EQ(editorWindowSize(), SizeAt(175));
    EXPECT_TRUE(gui->set_scale(p, 1.25));
    ASSERT_EQ(host.resizeRequests.size(), 1u);
    EXPECT_EQ(host.resizeRequests.back(), SizeAt(125));
    EXPECT_EQ(editorWindowSize(), SizeAt(125));
    EXPECT_TRUE(gui->set_scale(p, 1.25)); // the same scale again: nothing to ask
    EXPECT_EQ(host.resizeRequests.size(), 1u);
    EXPECT_TRUE(gui->set_size(p, SizeAt(100).first, SizeAt(100).second));
    EXPECT_EQ(editorWindowSize(), SizeAt(100));
    EXPECT_EQ(host.resizeRequests.size(), 1u);
    gui->destroy(p);
    EXPECT_EQ(host.misuse, 0);
}

TEST_F(ClapEditorTest, EditsWaitWhileTheHostRefusesThem) {
    ClapHost host;
    ClapInstance plugin(TorvikClap(), host, kTorvikClapId);
    const clap_plugin* p = plugin.Plugin();
    const auto* gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
    const auto* params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_X11, false));
    clap_window window{CLAP_WINDOW_API_X11, {}};
    window.x11 = parent;
    ASSERT_TRUE(gui->set_parent(p, &window));
    const ControlLayout& control = TorvikEditorLayout()[3];
    XTestFakeMotionEvent(display, DefaultScreen(display), control.x + 10, control.y + 10,
                         CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    OutputEvents refusing;
    refusing.refuse = true;
    for (int round = 0; round < 50; ++round) {
        usleep(10000);
        host.RunReadableFds(p);
    }
    params->flush(p, nullptr, refusing.List());
    OutputEvents out;
    params->flush(p, nullptr, out.List());
    ASSERT_EQ(out.events.size(), 3u); // kept for the next call, in order
    EXPECT_EQ(out.events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    gui->destroy(p);
}

} // namespace
} // namespace torvik::testing
