// The editor view as a host drives it.
#include "TorvikHost.h"

#include "processor/Torvik.h"
#include "support/PrivateSettingsFolder.h"

namespace torvik::testing {
namespace {

using namespace Steinberg;

// No size remembered on this machine changes the sizes seen here.
[[maybe_unused]] ::testing::Environment* const kSettings =
    ::testing::AddGlobalTestEnvironment(new PrivateSettingsFolder);

// The window type this platform's editor opens in, and one it does not.
#if defined(_WIN32)
constexpr const char* kNativeType = "HWND";
constexpr const char* kForeignType = "X11EmbedWindowID";
#else
constexpr const char* kNativeType = "X11EmbedWindowID";
constexpr const char* kForeignType = "HWND";
#endif

TEST(View, CreationPlatformAndSize) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    EXPECT_FALSE(instance->createView("Editor"));
    EXPECT_EQ(instance->controller()->createView(nullptr), nullptr);
    EXPECT_FALSE(instance->createView("editorx"));
    auto view = instance->createView("editor");
    ASSERT_TRUE(view);

    EXPECT_EQ(view->isPlatformTypeSupported(kNativeType), kResultTrue);
    EXPECT_EQ(view->isPlatformTypeSupported(kForeignType), kResultFalse);
    EXPECT_EQ(view->isPlatformTypeSupported("NSView"), kResultFalse);
    ViewRect rect{};
    ASSERT_EQ(view->getSize(&rect), kResultOk);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right, 1186);
    EXPECT_EQ(rect.bottom, 644);

    // A size from the host without a request is stored; it calls no hook.
    ViewRect hostSize{0, 0, 800, 600};
    EXPECT_EQ(view->onSize(&hostSize), kResultOk);
    EXPECT_EQ(view->onWheel(1.0f), kResultFalse);
    // The editor takes the sizes of its scales, so a host may let the user resize it.
    EXPECT_EQ(view->canResize(), kResultTrue);
    EXPECT_EQ(view->onFocus(true), kResultFalse);

    // An attach with a platform type other than ours opens nothing but succeeds.
    EXPECT_EQ(view->attached(nullptr, kForeignType), kResultOk);
    EXPECT_EQ(view->removed(), kResultOk);
}

TEST(View, ViewKeepsItsPluginAlive) {
    auto instance = NewTorvik();
    ASSERT_NE(instance, nullptr);
    auto view = instance->createView("editor");
    ASSERT_TRUE(view);
    instance.reset(); // the host lets go of the plug-in first
    ViewRect rect{};
    EXPECT_EQ(view->getSize(&rect), kResultOk);
    EXPECT_EQ(rect.right, 1186);
    view.reset();
}

TEST(View, ClosingOneViewKeepsTheOthers) {
    // The object itself, so the editor's own requests can be made as its
    // window makes them.
    IPtr<TORVIK> plugin = owned(new TORVIK());
    auto hostApp = owned(new hostkit::HostApplication());
    auto handler = owned(new hostkit::ComponentHandler());
    ASSERT_EQ(plugin->initialize(static_cast<Vst::IHostApplication*>(hostApp.get())), kResultOk);
    ASSERT_EQ(plugin->setComponentHandler(handler.get()), kResultOk);

    IPtr<IPlugView> first = owned(plugin->createView("editor"));
    IPtr<IPlugView> second = owned(plugin->createView("editor"));
    ASSERT_TRUE(first && second);
    auto firstFrame = owned(new hostkit::PlugFrame());
    auto secondFrame = owned(new hostkit::PlugFrame());
    first->setFrame(firstFrame.get());
    second->setFrame(secondFrame.get());
    first = nullptr; // the host closes the first editor

    plugin->ResizeEditor(800, 600);
    ASSERT_EQ(secondFrame->resizeRequests().size(), 1u);
    EXPECT_EQ(secondFrame->resizeRequests()[0].right, 800);
    EXPECT_EQ(secondFrame->resizeRequests()[0].bottom, 600);
    EXPECT_TRUE(firstFrame->resizeRequests().empty());

    constexpr int kThreshold = 16; // a parameter the menu is asked for
    plugin->ShowHostParamMenu(kThreshold, 10, 20);
    const auto calls = handler->calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), hostkit::HandlerCall(hostkit::HandlerCall::Kind::CreateContextMenu,
                                                 static_cast<Vst::ParamID>(kThreshold)));

    second = nullptr;
    plugin->terminate();
}

} // namespace
} // namespace torvik::testing
