// The editor view as a host drives it.
#include "TorvikHost.h"

namespace torvik::testing {
namespace {

using namespace Steinberg;

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
    EXPECT_EQ(view->canResize(), kResultFalse);
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

} // namespace
} // namespace torvik::testing
