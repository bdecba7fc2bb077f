// The Windows editor through the built TORVIK.vst3, as a Windows host shows it:
// a top-level window, the view attached with "HWND", the host's message loop.
#include "HostWindow.h"
#include "hostkit/PlugFrame.h"
#include "resources/PngDecode.h"
#include "vst3/TorvikHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace torvik::testing {
namespace {

using namespace Steinberg;
using Kind = hostkit::HandlerCall::Kind;

constexpr int kWidth = 1186;
constexpr int kHeight = 644;
// Long enough for several 40 ms redraw ticks.
constexpr int kSettleMs = 300;
// Parameter 20, "Preamp Bypass": a switch at (107, 205), 31 x 31.
constexpr Vst::ParamID kSwitchParam = 20;
constexpr int kSwitchX = 122;
constexpr int kSwitchY = 220;
// Parameter 0, "Preamp Gain": a knob at (88, 258), 66 x 65.
constexpr Vst::ParamID kKnobParam = 0;
constexpr int kKnobX = 121;
constexpr int kKnobY = 290;
// One wheel notch turns a knob by this much.
constexpr double kWheelStep = 0.01;

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        instance = NewTorvik();
        ASSERT_NE(instance, nullptr);
        view = instance->createView("editor");
        ASSERT_TRUE(view);
        ASSERT_EQ(view->isPlatformTypeSupported("HWND"), kResultTrue);
        ASSERT_EQ(view->attached(host.Handle(), "HWND"), kResultOk);
        editor = host.EditorWindow();
        ASSERT_NE(editor, nullptr);
        PumpMessages(kSettleMs);
        instance->handler().clear();
    }
    void TearDown() override {
        if (view)
            view->removed();
        view = nullptr;
        instance.reset();
    }

    // Every edit call the controller made for one parameter, in order.
    std::vector<hostkit::HandlerCall> EditsOf(Vst::ParamID id) const {
        std::vector<hostkit::HandlerCall> edits;
        for (const hostkit::HandlerCall& call : instance->handler().calls())
            if (call.id == id && (call.kind == Kind::BeginEdit || call.kind == Kind::PerformEdit ||
                                  call.kind == Kind::EndEdit))
                edits.push_back(call);
        return edits;
    }

    HostWindow host{kWidth + 40, kHeight + 40};
    std::unique_ptr<hostkit::Instance> instance;
    IPtr<IPlugView> view;
    HWND editor = nullptr;
};

TEST_F(EditorWindow, PaintsTheSnapshotsPixels) {
    const char* path = std::getenv("TORVIK_SNAPSHOT_PNG");
    ASSERT_NE(path, nullptr) << "TORVIK_SNAPSHOT_PNG names torvik-snapshot's picture of the "
                                "editor at its defaults (scripts/test-windows.sh makes it)";
    const std::vector<unsigned char> bytes = testing::ReadFileBytes(path);
    testing::DecodedPng expected;
    ASSERT_TRUE(testing::DecodePng(bytes.data(), bytes.size(), expected)) << expected.error;
    ASSERT_EQ(expected.width, static_cast<std::uint32_t>(kWidth));
    ASSERT_EQ(expected.height, static_cast<std::uint32_t>(kHeight));
    ASSERT_EQ(expected.pixels.size(), static_cast<std::size_t>(kWidth) * kHeight * 4);

    // Wine takes the screen size from the X server when its prefix is made.
    RECT client{};
    GetClientRect(host.Handle(), &client);
    ASSERT_GE(client.right, kWidth) << "the host window does not fit on Wine's screen";
    ASSERT_GE(client.bottom, kHeight) << "the host window does not fit on Wine's screen";
    const std::vector<std::uint32_t> shown = ReadWindowPixels(editor, kWidth, kHeight);
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(kWidth) * kHeight);
    int differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const std::uint8_t* rgba = &expected.pixels[i * 4];
        const std::uint32_t want = (static_cast<std::uint32_t>(rgba[0]) << 16) |
                                   (static_cast<std::uint32_t>(rgba[1]) << 8) | rgba[2];
        if (shown[i] != want && differing++ == 0)
            first = i;
    }
    EXPECT_EQ(differing, 0) << "first at (" << first % kWidth << ", " << first / kWidth << ")";
}

TEST_F(EditorWindow, ClickOnASwitchIsOneGesture) {
    const double before = instance->controller()->getParamNormalized(kSwitchParam);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(kSwitchX, kSwitchY));
    SendMessageA(editor, WM_LBUTTONUP, 0, At(kSwitchX, kSwitchY));
    const auto edits = EditsOf(kSwitchParam);
    ASSERT_EQ(edits.size(), 3u);
    EXPECT_EQ(edits[0].kind, Kind::BeginEdit);
    EXPECT_EQ(edits[1].kind, Kind::PerformEdit);
    EXPECT_EQ(edits[1].value, 1.0 - before);
    EXPECT_EQ(edits[2].kind, Kind::EndEdit);
    EXPECT_EQ(instance->controller()->getParamNormalized(kSwitchParam), 1.0 - before);
}

TEST_F(EditorWindow, DragOnAKnobTurnsItUnderCapture) {
    const double before = instance->controller()->getParamNormalized(kKnobParam);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(kKnobX, kKnobY));
    EXPECT_EQ(GetCapture(), editor);
    for (int step = 1; step <= 4; ++step)
        SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, At(kKnobX, kKnobY - 5 * step));
    SendMessageA(editor, WM_LBUTTONUP, 0, At(kKnobX, kKnobY - 20));
    EXPECT_EQ(GetCapture(), nullptr);
    const auto edits = EditsOf(kKnobParam);
    ASSERT_GE(edits.size(), 3u);
    EXPECT_EQ(edits.front().kind, Kind::BeginEdit);
    EXPECT_EQ(edits.back().kind, Kind::EndEdit);
    for (std::size_t i = 1; i + 1 < edits.size(); ++i)
        EXPECT_EQ(edits[i].kind, Kind::PerformEdit);
    EXPECT_GT(instance->controller()->getParamNormalized(kKnobParam), before);
}

TEST_F(EditorWindow, WheelNotchTurnsAKnob) {
    const double before = instance->controller()->getParamNormalized(kKnobParam);
    RECT r{};
    GetWindowRect(editor, &r);
    // The wheel carries screen coordinates.
    SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA),
                 At(r.left + kKnobX, r.top + kKnobY));
    EXPECT_NEAR(instance->controller()->getParamNormalized(kKnobParam), before + kWheelStep, 1e-12);
    EXPECT_FALSE(EditsOf(kKnobParam).empty());
}

TEST_F(EditorWindow, UnhandledKeyReachesTheHostWindowOnce) {
    const int before = host.KeyDownCount();
    SendMessageA(editor, WM_KEYDOWN, VK_F5, 0);
    EXPECT_EQ(host.KeyDownCount(), before + 1);
}

TEST_F(EditorWindow, RepaintsAfterAHostEdit) {
    // A value set by the host shows on the next ticks without a host repaint.
    const std::vector<std::uint32_t> before = ReadWindowPixels(editor, kWidth, kHeight);
    const double value = instance->controller()->getParamNormalized(kSwitchParam);
    SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(kSwitchX, kSwitchY));
    SendMessageA(editor, WM_LBUTTONUP, 0, At(kSwitchX, kSwitchY));
    ASSERT_NE(instance->controller()->getParamNormalized(kSwitchParam), value);
    PumpMessages(kSettleMs);
    EXPECT_NE(ReadWindowPixels(editor, kWidth, kHeight), before);
}

// The editor on a screen at 150 % or 200 %, as a Windows host shows it: the
// host gives its factor before attaching, the editor's settings live in a
// folder of this test (never the prefix's own APPDATA).
class ScaledEditorWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const char* before = std::getenv("APPDATA");
        appDataBefore = before ? std::optional<std::string>(before) : std::nullopt;
        settings = std::filesystem::temp_directory_path() /
                   ("torvik-appdata-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::remove_all(settings);
        std::filesystem::create_directories(settings);
        _putenv_s("APPDATA", settings.string().c_str());
    }
    void TearDown() override {
        _putenv_s("APPDATA", appDataBefore ? appDataBefore->c_str() : "");
        std::error_code ignored;
        std::filesystem::remove_all(settings, ignored);
    }
    static IPtr<IPlugViewContentScaleSupport> Scaling(IPlugView* view) {
        IPlugViewContentScaleSupport* scaling = nullptr;
        if (view->queryInterface(IPlugViewContentScaleSupport::iid,
                                 reinterpret_cast<void**>(&scaling)) != kResultOk)
            return nullptr;
        return owned(scaling);
    }
    static SIZE ClientSize(HWND window) {
        RECT r{};
        GetClientRect(window, &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }

    std::filesystem::path settings;
    std::optional<std::string> appDataBefore;
};

// The view takes the factor's size before it is attached, its window opens
// at that size, a click or a drag lands on the control at its scaled place,
// and at 200 % the picture brought back to 100 % (2 x 2 averages) matches
// the snapshot where Wine's screen shows it.
TEST_F(ScaledEditorWindow, FactorSizesTheWindowAndInputLandsOnScaledControls) {
    const struct {
        float factor;
        int width;
        int height;
    } cases[] = {{1.5f, 1779, 966}, {2.0f, 2372, 1288}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor);
        auto instance = NewTorvik();
        ASSERT_NE(instance, nullptr);
        IPtr<IPlugView> view = instance->createView("editor");
        ASSERT_TRUE(view);
        IPtr<IPlugViewContentScaleSupport> scaling = Scaling(view.get());
        ASSERT_TRUE(scaling);
        ASSERT_EQ(scaling->setContentScaleFactor(c.factor), kResultTrue);
        ViewRect size;
        ASSERT_EQ(view->getSize(&size), kResultOk);
        EXPECT_EQ(size.getWidth(), c.width);
        EXPECT_EQ(size.getHeight(), c.height);
        HostWindow host(c.width, c.height);
        ASSERT_EQ(view->attached(host.Handle(), "HWND"), kResultOk);
        HWND editor = host.EditorWindow();
        ASSERT_NE(editor, nullptr);
        EXPECT_EQ(ClientSize(editor).cx, c.width);
        EXPECT_EQ(ClientSize(editor).cy, c.height);
        PumpMessages(kSettleMs);

        if (c.factor == 2.0f) {
            const char* path = std::getenv("TORVIK_SNAPSHOT_PNG");
            ASSERT_NE(path, nullptr) << "scripts/test-windows.sh names the snapshot";
            const std::vector<unsigned char> bytes = testing::ReadFileBytes(path);
            testing::DecodedPng expected;
            ASSERT_TRUE(testing::DecodePng(bytes.data(), bytes.size(), expected));
            // The part of the editor on Wine's 1600 x 1000 screen.
            constexpr int kShownWidth = 700;
            constexpr int kShownHeight = 420;
            const std::vector<std::uint32_t> shown =
                ReadWindowPixels(editor, 2 * kShownWidth, 2 * kShownHeight);
            ASSERT_EQ(shown.size(), 4u * kShownWidth * kShownHeight);
            double squares = 0.0;
            for (int y = 0; y < kShownHeight; ++y) {
                for (int x = 0; x < kShownWidth; ++x) {
                    for (int channel = 0; channel < 3; ++channel) {
                        const int shift = 16 - 8 * channel;
                        double sum = 0.0;
                        for (int dy = 0; dy < 2; ++dy)
                            for (int dx = 0; dx < 2; ++dx)
                                sum +=
                                    (shown[static_cast<std::size_t>(2 * y + dy) * 2 * kShownWidth +
                                           static_cast<std::size_t>(2 * x + dx)] >>
                                     shift) &
                                    0xFF;
                        const double want =
                            expected.pixels[(static_cast<std::size_t>(y) * expected.width +
                                             static_cast<std::size_t>(x)) *
                                                4 +
                                            static_cast<std::size_t>(channel)];
                        squares += (sum / 4.0 - want) * (sum / 4.0 - want);
                    }
                }
            }
            const double mse = squares / (3.0 * kShownWidth * kShownHeight);
            const double psnr = 10.0 * std::log10(255.0 * 255.0 / std::max(mse, 1e-9));
            EXPECT_GE(psnr, 27.0) << "the 200 % art and layout agree with the 100 % picture";
        }

        // A click at the switch's scaled place toggles it as one gesture.
        const double before = instance->controller()->getParamNormalized(kSwitchParam);
        const int sx = static_cast<int>(kSwitchX * c.factor);
        const int sy = static_cast<int>(kSwitchY * c.factor);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(sx, sy));
        SendMessageA(editor, WM_LBUTTONUP, 0, At(sx, sy));
        EXPECT_EQ(instance->controller()->getParamNormalized(kSwitchParam), 1.0 - before);
        // A drag up from the knob's scaled centre turns it up.
        const double knobBefore = instance->controller()->getParamNormalized(kKnobParam);
        const int kx = static_cast<int>(kKnobX * c.factor);
        const int ky = static_cast<int>(kKnobY * c.factor);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(kx, ky));
        for (int step = 1; step <= 4; ++step)
            SendMessageA(editor, WM_MOUSEMOVE, MK_LBUTTON, At(kx, ky - 8 * step));
        SendMessageA(editor, WM_LBUTTONUP, 0, At(kx, ky - 32));
        EXPECT_GT(instance->controller()->getParamNormalized(kKnobParam), knobBefore);
        EXPECT_EQ(view->removed(), kResultOk);
        PumpMessages(100);
    }
}

// The item the user picks in the editor's menu (a right click on the
// background; the menu's command is posted as the menu posts it): the frame
// is asked for the size, the window takes it, the choice is written to
// %APPDATA%\TORVIK\editor.conf, and a new instance opens at it.
TEST_F(ScaledEditorWindow, SizeChosenFromTheMenuIsAskedForAndRemembered) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    IPtr<IPlugView> view = instance->createView("editor");
    ASSERT_TRUE(view);
    IPtr<hostkit::PlugFrame> frame = owned(new hostkit::PlugFrame());
    ASSERT_EQ(view->setFrame(frame.get()), kResultOk);
    HostWindow host(kWidth + 40, kHeight + 40);
    ASSERT_EQ(view->attached(host.Handle(), "HWND"), kResultOk);
    HWND editor = host.EditorWindow();
    ASSERT_NE(editor, nullptr);
    PumpMessages(kSettleMs);

    // While the menu runs, "150 %" (the fourth item, after the title) is
    // chosen and the menu closed, as a click on it would.
    static HWND menuOwner = nullptr;
    menuOwner = editor;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
        if (!FindWindowA("#32768", nullptr))
            return;
        KillTimer(nullptr, id);
        PostMessageA(menuOwner, WM_COMMAND, MAKEWPARAM(3, 0), 0);
        EndMenu();
    });
    ASSERT_NE(timer, 0u);
    SendMessageA(editor, WM_RBUTTONDOWN, MK_RBUTTON, At(3, 3));
    SendMessageA(editor, WM_RBUTTONUP, 0, At(3, 3));
    KillTimer(nullptr, timer);
    ASSERT_FALSE(frame->resizeRequests().empty()) << "no size asked of the frame";
    EXPECT_EQ(frame->resizeRequests().back().getWidth(), 1779);
    EXPECT_EQ(frame->resizeRequests().back().getHeight(), 966);
    EXPECT_EQ(ClientSize(editor).cx, 1779);
    std::ifstream file(settings / "TORVIK" / "editor.conf");
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(text, "scale=150\n");
    EXPECT_EQ(view->removed(), kResultOk);
    view = nullptr;
    PumpMessages(100);

    auto next = NewTorvik();
    ASSERT_NE(next, nullptr);
    IPtr<IPlugView> nextView = next->createView("editor");
    ASSERT_TRUE(nextView);
    ViewRect size;
    ASSERT_EQ(nextView->getSize(&size), kResultOk);
    EXPECT_EQ(size.getWidth(), 1779);
    EXPECT_EQ(size.getHeight(), 966);
}

TEST(EditorWindowBadInput, NullDestroyedAndRepeatedAttachesOpenNothingTwice) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    auto view = instance->createView("editor");
    ASSERT_TRUE(view);
    EXPECT_EQ(view->attached(nullptr, "HWND"), kResultOk);
    EXPECT_EQ(view->removed(), kResultOk);

    HWND gone = nullptr;
    {
        HostWindow destroyed(100, 100);
        gone = destroyed.Handle();
    }
    EXPECT_EQ(view->attached(gone, "HWND"), kResultOk);
    EXPECT_EQ(view->removed(), kResultOk);

    HostWindow host(kWidth, kHeight);
    EXPECT_EQ(view->attached(host.Handle(), "HWND"), kResultOk);
    HWND first = host.EditorWindow();
    ASSERT_NE(first, nullptr);
    view->attached(host.Handle(), "HWND"); // a second attach without removed
    EXPECT_EQ(host.EditorWindow(), first);
    EXPECT_EQ(FindWindowExA(host.Handle(), first, "IEffectWndClass", nullptr), nullptr);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(view->removed(), kResultOk);
    EXPECT_EQ(host.EditorWindow(), nullptr);
    PumpMessages(100);
}

TEST(EditorWindowBadInput, ModuleExitWhileAnEditorIsOpenClosesIt) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    auto view = instance->createView("editor");
    ASSERT_TRUE(view);
    HostWindow host(kWidth, kHeight);
    ASSERT_EQ(view->attached(host.Handle(), "HWND"), kResultOk);
    HWND editor = host.EditorWindow();
    ASSERT_NE(editor, nullptr);
    // The host leaves the module while the window is up: no window may
    // outlive the code behind it.
    HMODULE module = GetModuleHandleA("TORVIK.vst3");
    ASSERT_NE(module, nullptr);
    auto exitDll =
        reinterpret_cast<bool (*)()>(reinterpret_cast<void*>(GetProcAddress(module, "ExitDll")));
    ASSERT_NE(exitDll, nullptr);
    EXPECT_TRUE(exitDll());
    EXPECT_FALSE(IsWindow(editor));
    PumpMessages(100); // a pending timer finds nothing
    EXPECT_EQ(view->removed(), kResultOk);
}

// Two host windows show one instance's editor, as a host does while it
// re-docks the editor or opens a second window for it: each view has a window
// of its own, and removing either leaves the other working.
TEST(EditorWindowTwoViews, EachViewKeepsItsOwnWindowWhicheverIsRemovedFirst) {
    for (const bool firstGoesFirst : {true, false}) {
        SCOPED_TRACE(firstGoesFirst ? "first view removed first" : "second view removed first");
        auto instance = NewTorvik();
        ASSERT_NE(instance, nullptr);
        auto firstHost = std::make_unique<HostWindow>(kWidth, kHeight);
        auto secondHost = std::make_unique<HostWindow>(kWidth, kHeight);
        IPtr<IPlugView> first = instance->createView("editor");
        IPtr<IPlugView> second = instance->createView("editor");
        ASSERT_TRUE(first && second);
        ASSERT_EQ(first->attached(firstHost->Handle(), "HWND"), kResultOk);
        ASSERT_EQ(second->attached(secondHost->Handle(), "HWND"), kResultOk);
        EXPECT_NE(firstHost->EditorWindow(), nullptr)
            << "attaching the second view took the first's window";
        ASSERT_NE(secondHost->EditorWindow(), nullptr);
        PumpMessages(kSettleMs);

        IPtr<IPlugView>& gone = firstGoesFirst ? first : second;
        IPtr<IPlugView>& kept = firstGoesFirst ? second : first;
        std::unique_ptr<HostWindow>& goneHost = firstGoesFirst ? firstHost : secondHost;
        HostWindow& keptHost = firstGoesFirst ? *secondHost : *firstHost;
        EXPECT_EQ(gone->removed(), kResultOk);
        EXPECT_EQ(goneHost->EditorWindow(), nullptr);
        goneHost.reset(); // the host closes the window it no longer uses
        PumpMessages(kSettleMs);

        // The remaining view takes a click and shows its result on its own ticks.
        HWND editor = keptHost.EditorWindow();
        ASSERT_NE(editor, nullptr) << "the remaining view lost its window";
        const std::vector<std::uint32_t> before = ReadWindowPixels(editor, kWidth, kHeight);
        const double value = instance->controller()->getParamNormalized(kSwitchParam);
        SendMessageA(editor, WM_LBUTTONDOWN, MK_LBUTTON, At(kSwitchX, kSwitchY));
        SendMessageA(editor, WM_LBUTTONUP, 0, At(kSwitchX, kSwitchY));
        EXPECT_EQ(instance->controller()->getParamNormalized(kSwitchParam), 1.0 - value);
        PumpMessages(kSettleMs);
        EXPECT_NE(ReadWindowPixels(editor, kWidth, kHeight), before)
            << "the remaining view is not repainted";
        EXPECT_EQ(kept->removed(), kResultOk);
        EXPECT_EQ(keptHost.EditorWindow(), nullptr);
        PumpMessages(100);
    }
}

} // namespace
} // namespace torvik::testing
