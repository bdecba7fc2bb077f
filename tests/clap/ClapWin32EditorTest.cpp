// TORVIK.clap's editor in a Windows host's window: the win32 API, the
// editor's own window inside the host's, the same pixels as torvik-snapshot's
// picture, a click that reaches the host as a gesture, and nothing left
// behind after destroy.
#include "ClapTestSupport.h"
#include "HostWindow.h"
#include "processor/EditorLayout.h"
#include "resources/PngDecode.h"

#include <cstdlib>

namespace torvik::testing {
namespace {

using namespace hostkit::clap;

constexpr int kWidth = 1186;
constexpr int kHeight = 644;
// Long enough for several 40 ms redraw ticks.
constexpr int kSettleMs = 300;

class ClapWin32Editor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(plugin.Created());
        p = plugin.Plugin();
        gui = plugin.Extension<clap_plugin_gui>(CLAP_EXT_GUI);
        params = plugin.Extension<clap_plugin_params>(CLAP_EXT_PARAMS);
        ASSERT_NE(gui, nullptr);
        ASSERT_NE(params, nullptr);
    }
    void TearDown() override {
        if (gui && p)
            gui->destroy(p);
    }
    // Creates the editor and gives it the host's window.
    HWND Open() {
        if (!gui->create(p, CLAP_WINDOW_API_WIN32, false)) {
            ADD_FAILURE() << "gui.create refused";
            return nullptr;
        }
        clap_window window{CLAP_WINDOW_API_WIN32, {}};
        window.win32 = host.Handle();
        if (!gui->set_parent(p, &window)) {
            ADD_FAILURE() << "gui.set_parent refused";
            return nullptr;
        }
        gui->show(p);
        PumpMessages(kSettleMs);
        return host.EditorWindow();
    }

    ClapHost clapHost;
    ClapInstance plugin{TorvikClap(), clapHost, kTorvikClapId};
    HostWindow host{kWidth + 40, kHeight + 40};
    const clap_plugin* p = nullptr;
    const clap_plugin_gui* gui = nullptr;
    const clap_plugin_params* params = nullptr;
};

TEST_F(ClapWin32Editor, OpensInTheHostWindowWithTheSnapshotsPixels) {
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, CLAP_WINDOW_API_WIN32);
    EXPECT_FALSE(floating);
    EXPECT_TRUE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_WIN32, true));
    EXPECT_FALSE(gui->is_api_supported(p, CLAP_WINDOW_API_X11, false));
    HWND editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(clapHost.timers.empty()); // the editor's window runs its own timer
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, static_cast<std::uint32_t>(kWidth));
    EXPECT_EQ(h, static_cast<std::uint32_t>(kHeight));
    RECT client{};
    GetClientRect(editor, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);

    const char* path = std::getenv("TORVIK_SNAPSHOT_PNG");
    ASSERT_NE(path, nullptr) << "TORVIK_SNAPSHOT_PNG names torvik-snapshot's picture of the "
                                "editor at its defaults (scripts/test-windows.sh makes it)";
    const std::vector<unsigned char> bytes = ReadFileBytes(path);
    DecodedPng expected;
    ASSERT_TRUE(DecodePng(bytes.data(), bytes.size(), expected)) << expected.error;
    ASSERT_EQ(expected.pixels.size(), static_cast<std::size_t>(kWidth) * kHeight * 4);
    const std::vector<std::uint32_t> shown = ReadWindowPixels(editor, kWidth, kHeight);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth) * kHeight);
    int differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::uint8_t* rgba = &expected.pixels[i * 4];
        const std::uint32_t want = (static_cast<std::uint32_t>(rgba[0]) << 16) |
                                   (static_cast<std::uint32_t>(rgba[1]) << 8) | rgba[2];
        differing += shown[i] != want;
    }
    EXPECT_EQ(differing, 0);

    EXPECT_TRUE(gui->hide(p));
    gui->destroy(p);
    EXPECT_EQ(host.EditorWindow(), nullptr);
    // A second editor opens in the same window again.
    ASSERT_NE(Open(), nullptr);
    gui->destroy(p);
    EXPECT_EQ(host.EditorWindow(), nullptr);
    EXPECT_EQ(clapHost.misuse, 0);
}

TEST_F(ClapWin32Editor, ClickedSwitchReachesTheHostAsAGesture) {
    HWND editor = Open();
    ASSERT_NE(editor, nullptr);
    const ControlLayout& preampBypass = TorvikEditorLayout()[3];
    ASSERT_EQ(preampBypass.paramIndex, kPreampBypass);
    const double before = plugin.Value(kPreampBypass);
    const LPARAM at = MAKELPARAM(preampBypass.x + 10, preampBypass.y + 10);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(editor, WM_LBUTTONUP, 0, at);
    OutputEvents out;
    params->flush(p, nullptr, out.List());
    EXPECT_GT(clapHost.flushRequests, 0);
    ASSERT_EQ(out.events.size(), 3u);
    EXPECT_EQ(out.events[0].type, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    EXPECT_EQ(out.events[1].type, CLAP_EVENT_PARAM_VALUE);
    EXPECT_EQ(out.events[2].type, CLAP_EVENT_PARAM_GESTURE_END);
    for (const auto& e : out.events)
        EXPECT_EQ(e.id, static_cast<clap_id>(kPreampBypass));
    EXPECT_EQ(out.events[1].value, 1.0 - before);
    EXPECT_EQ(plugin.Value(kPreampBypass), 1.0 - before);
}

TEST_F(ClapWin32Editor, AHostScaleResizesTheEditorWindow) {
    HWND editor = Open();
    ASSERT_NE(editor, nullptr);
    auto clientSize = [&] {
        PumpMessages(50);
        RECT client{};
        GetClientRect(editor, &client);
        return std::make_pair(static_cast<std::uint32_t>(client.right),
                              static_cast<std::uint32_t>(client.bottom));
    };
    // 150 %: 1779 x 966 physical pixels; the host is asked to fit its window.
    const std::pair<std::uint32_t, std::uint32_t> large{1779, 966};
    ASSERT_TRUE(gui->set_scale(p, 1.5));
    ASSERT_EQ(clapHost.resizeRequests.size(), 1u);
    EXPECT_EQ(clapHost.resizeRequests.back(), large);
    std::uint32_t w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(std::make_pair(w, h), large);
    EXPECT_EQ(clientSize(), large);
    // The host sizes its window back to 100 %; the editor's window follows unasked.
    EXPECT_TRUE(gui->set_size(p, kWidth, kHeight));
    EXPECT_EQ(clientSize(), std::make_pair(std::uint32_t{kWidth}, std::uint32_t{kHeight}));
    EXPECT_EQ(clapHost.resizeRequests.size(), 1u);
    EXPECT_FALSE(gui->set_scale(p, 100.0)); // a factor no screen has
}

TEST_F(ClapWin32Editor, AForeignOrMissingParentOpensNothing) {
    ASSERT_TRUE(gui->create(p, CLAP_WINDOW_API_WIN32, false));
    EXPECT_FALSE(gui->set_parent(p, nullptr));
    clap_window x11{CLAP_WINDOW_API_X11, {}};
    x11.x11 = 1;
    EXPECT_FALSE(gui->set_parent(p, &x11));
    EXPECT_EQ(host.EditorWindow(), nullptr);
    gui->destroy(p);
}

} // namespace
} // namespace torvik::testing
