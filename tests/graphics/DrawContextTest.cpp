// The graphics context: dirty regions, region redraws, hit testing and the
// dispatch of mouse and key input, with recording controls and plug-in.
#include "GraphicsTestSupport.h"
#include "graphics/BitmapControl.h"
#include "graphics/KnobControl.h"

#include <gtest/gtest.h>

namespace torvik {
namespace {

using testing::ProbeControl;
using testing::RecordingPlug;
using Event = RecordingPlug::Event;

class DrawContextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ClearBitmapCache();
        context = new IDrawContextHeadless(&plug, 200, 100, 25,
                                           testing::StripLoader{{{1, 200, 100, 1}}, &loads});
    }
    void TearDown() override {
        if (plug.Graphics() != context)
            delete context;
        ClearBitmapCache();
    }
    ProbeControl* Add(const Rect& r, int param = -1) {
        auto* c = new ProbeControl(&plug, r, param);
        context->AttachControl(c);
        return c;
    }
    void Attach() { plug.AttachEditorGraphics(context); }
    // Draws whatever is dirty, as a timer tick does.
    void Clean() { context->DrawRegion(Rect{0, 0, 200, 100}); }

    RecordingPlug plug;
    IDrawContextHeadless* context = nullptr;
    int loads = 0;
};

TEST_F(DrawContextTest, DirtyRegionIsTheBoundingBoxOfDirtyControls) {
    ProbeControl* a = Add({10, 10, 20, 20});
    ProbeControl* b = Add({50, 5, 60, 15});
    Add({100, 50, 120, 60});
    Attach();
    Clean();
    Rect region;
    EXPECT_FALSE(context->CollectDirtyRegion(region));
    a->MarkDirty(false);
    b->MarkDirty(false);
    ASSERT_TRUE(context->CollectDirtyRegion(region));
    EXPECT_EQ(region, (Rect{10, 5, 60, 20}));
}

TEST_F(DrawContextTest, HiddenControlsAddToTheRegionZeroRectanglesNever) {
    ProbeControl* zero = Add({0, 0, 0, 0});
    ProbeControl* hidden = Add({30, 30, 40, 40});
    ProbeControl* shown = Add({10, 10, 20, 20});
    Attach();
    Clean();
    zero->MarkDirty(false);
    hidden->SetHidden(true);
    shown->MarkDirty(false);
    Rect region;
    ASSERT_TRUE(context->CollectDirtyRegion(region));
    EXPECT_EQ(region, (Rect{10, 10, 40, 40}));

    // Only the zero-rectangle control is dirty: something was dirty, but the region stays empty.
    Clean();
    Clean(); // the hidden control asked for one more pass
    zero->MarkDirty(false);
    ASSERT_TRUE(context->CollectDirtyRegion(region));
    EXPECT_TRUE(region.IsEmpty());
    const int before = zero->renders;
    context->DrawRegion(region);
    EXPECT_EQ(zero->renders, before);
}

TEST_F(DrawContextTest, RegionRedrawRendersTouchingVisibleControlsAndCleansAll) {
    ProbeControl* inside = Add({10, 10, 20, 20});
    ProbeControl* neighbour = Add({20, 10, 30, 20}); // shares the right edge of inside
    ProbeControl* far = Add({100, 50, 120, 60});
    ProbeControl* hidden = Add({10, 10, 20, 20});
    hidden->SetHidden(true);
    Attach();
    const int presented = context->PresentCount();
    EXPECT_TRUE(context->DrawRegion(Rect{10, 10, 20, 20}));
    EXPECT_EQ(inside->renders, 1);
    EXPECT_EQ(neighbour->renders, 1);
    EXPECT_EQ(far->renders, 0);
    EXPECT_EQ(hidden->renders, 0);
    EXPECT_FALSE(far->IsDirty());
    EXPECT_TRUE(hidden->NeedsRedraw()); // hiding asks for one more pass
    context->DrawRegion(Rect{10, 10, 20, 20});
    EXPECT_FALSE(hidden->NeedsRedraw());
    EXPECT_EQ(context->PresentCount(), presented + 2);
    EXPECT_EQ(context->LastPresented(), (Rect{10, 10, 20, 20}));
}

TEST_F(DrawContextTest, RedrawWithoutControlsPresentsNothing) {
    EXPECT_TRUE(context->DrawRegion(Rect{0, 0, 10, 10}));
    EXPECT_EQ(context->PresentCount(), 0);
}

TEST_F(DrawContextTest, PlugValueKeepsAControlDirtyForOneMorePass) {
    ProbeControl* c = Add({10, 10, 20, 20}, 1);
    Attach(); // first value: the default, not a change
    Clean();
    EXPECT_FALSE(c->NeedsRedraw());
    context->SetControlValueFromPlug(0, 0.9);
    Clean();
    EXPECT_TRUE(c->NeedsRedraw());
    Clean();
    EXPECT_FALSE(c->NeedsRedraw());
}

TEST_F(DrawContextTest, HitTestPrefersHigherIndicesAndSkipsHiddenAndGrayed) {
    context->AttachBackground(1, "bg.png");
    ProbeControl* low = Add({10, 10, 50, 50});
    ProbeControl* high = Add({30, 30, 70, 70});
    Attach();
    EXPECT_EQ(context->HitTest(40, 40), 2);
    EXPECT_EQ(context->HitTest(20, 20), 1);
    EXPECT_EQ(context->HitTest(70, 70), 0); // right and bottom are outside: background
    EXPECT_EQ(context->HitTest(250, 20), -1);
    high->SetHidden(true);
    EXPECT_EQ(context->HitTest(40, 40), 1);
    low->SetGrayed(true);
    EXPECT_EQ(context->HitTest(40, 40), 0);
    EXPECT_FLOAT_EQ(low->GetBlend().weight, 0.25f);
    low->SetTargetRect(Rect{});
    low->SetGrayed(false);
    EXPECT_EQ(context->HitTest(40, 40), 0); // an empty target is never hit
}

TEST_F(DrawContextTest, PressAndReleaseOnABoundControlMakeOneGesture) {
    ProbeControl* c = Add({10, 10, 50, 50}, 1);
    Attach();
    context->MouseDown(20, 20, MouseMods{true});
    EXPECT_EQ(context->MouseCapture(), 0);
    context->MouseUp(90, 90, MouseMods{}); // released elsewhere: still the captured control
    EXPECT_EQ(c->presses, 1);
    EXPECT_EQ(c->releases, 1);
    EXPECT_EQ(plug.events, (std::vector<Event>{{'b', 1, 0.0}, {'e', 1, 0.0}}));
    EXPECT_EQ(context->MouseCapture(), -1);
    EXPECT_EQ(context->LastMouseX(), -1);
}

TEST_F(DrawContextTest, RightPressOnBoundControlOpensTheHostMenuOnly) {
    ProbeControl* bound = Add({10, 10, 50, 50}, 1);
    ProbeControl* unbound = Add({60, 10, 90, 50});
    Attach();
    MouseMods right;
    right.right = true;
    context->MouseDown(20, 30, right);
    EXPECT_EQ(bound->presses, 0);
    EXPECT_EQ(context->MouseCapture(), -1);
    context->MouseUp(20, 30, MouseMods{});
    // The menu, and no gesture: nothing was begun, so nothing is ended.
    EXPECT_EQ(plug.events, (std::vector<Event>{{'m', 1, 20030.0}}));
    context->MouseDown(70, 30, right);
    EXPECT_EQ(unbound->presses, 1);
    EXPECT_EQ(context->MouseCapture(), 1);
}

TEST_F(DrawContextTest, DragsReportDeltasAndDropRepeats) {
    ProbeControl* c = Add({10, 10, 50, 50}, 1);
    Attach();
    context->MouseDrag(30, 30, MouseMods{true}); // no capture: ignored
    context->MouseDown(20, 20, MouseMods{true});
    context->MouseDrag(25, 18, MouseMods{true});
    context->MouseDrag(25, 18, MouseMods{true});
    context->MouseDrag(22, 30, MouseMods{true});
    EXPECT_EQ(c->drags, (std::vector<std::pair<int, int>>{{5, -2}, {-3, 12}}));
}

TEST_F(DrawContextTest, WheelGoesToTheCapturedOrHitControl) {
    ProbeControl* a = Add({10, 10, 50, 50});
    ProbeControl* b = Add({60, 10, 90, 50});
    Attach();
    context->MouseWheel(20, 20, MouseMods{}, 2);
    context->MouseWheel(150, 90, MouseMods{}, 5); // nothing there
    context->MouseDown(70, 20, MouseMods{true});
    context->MouseWheel(20, 20, MouseMods{}, -1); // b holds the mouse
    EXPECT_EQ(a->wheel, 2);
    EXPECT_EQ(b->wheel, -1);
}

TEST_F(DrawContextTest, KeysGoToTheControlOrTheKeyCatcher) {
    context->AttachBackground(1, "bg.png");
    ProbeControl* c = Add({10, 10, 50, 50});
    Attach();
    EXPECT_TRUE(context->KeyDown(20, 20, kKeyUp));
    EXPECT_EQ(c->keys, std::vector<int>{kKeyUp});
    EXPECT_FALSE(context->KeyDown(100, 80, kKeySpace)); // background, no catcher
    auto* catcher = new ProbeControl(&plug, Rect{});
    context->SetKeyCatcher(catcher);
    EXPECT_TRUE(context->KeyDown(100, 80, kKeyLetterA));
    EXPECT_TRUE(context->KeyDown(300, 300, kKeyDigit0)); // nothing under the cursor
    EXPECT_EQ(catcher->keys, (std::vector<int>{kKeyLetterA, kKeyDigit0}));
}

TEST_F(DrawContextTest, HoverOnlyWhenTracked) {
    ProbeControl* a = Add({10, 10, 50, 50});
    ProbeControl* b = Add({60, 10, 90, 50});
    Attach();
    EXPECT_FALSE(context->MouseHover(20, 20, MouseMods{}));
    EXPECT_EQ(a->hovers, 0);
    context->SetHandleMouseOver(true);
    EXPECT_TRUE(context->MouseHover(20, 20, MouseMods{}));
    EXPECT_TRUE(context->MouseHover(70, 20, MouseMods{}));
    EXPECT_EQ(a->hovers, 1);
    EXPECT_EQ(a->leaves, 1);
    EXPECT_EQ(context->MouseOver(), 1);
    context->MouseLeave();
    EXPECT_EQ(context->MouseOver(), -1);
    EXPECT_EQ(b->leaves, 1);
}

TEST_F(DrawContextTest, ParameterValuesReachEveryBoundControl) {
    ProbeControl* first = Add({10, 10, 20, 20}, 1);
    ProbeControl* second = Add({30, 10, 40, 20}, 1);
    ProbeControl* other = Add({50, 10, 60, 20}, 0);
    Attach();
    // Attaching pushed each parameter's normalised default: 25 of 0..100, 0 of -30..30.
    EXPECT_DOUBLE_EQ(first->Value(), 0.25);
    EXPECT_DOUBLE_EQ(second->DefaultValue(), 0.25);
    EXPECT_DOUBLE_EQ(other->Value(), 0.5);
    // A real value is converted with the parameter's own mapping.
    context->SetParamValueFromPlug(1, 80.0, false);
    EXPECT_DOUBLE_EQ(first->Value(), 0.8);
    EXPECT_DOUBLE_EQ(second->Value(), 0.8);
    EXPECT_DOUBLE_EQ(other->Value(), 0.5);
    plug.ParamAt(0)->SetClamped(15.0);
    plug.RefreshParamControls();
    EXPECT_DOUBLE_EQ(other->Value(), 0.75);
    context->SetParamValueFromPlug(7, 0.3, true); // nothing bound: nothing changes
    context->SetControlValueFromPlug(99, 0.3);    // no such control: ignored
    context->SetControlValueFromPlug(-1, 0.3);
    EXPECT_EQ(context->GetControl(3), nullptr);
}

TEST_F(DrawContextTest, FirstAuxiliaryBindingFollowsItsParameter) {
    ProbeControl* c = Add({10, 10, 20, 20}, 0);
    c->AuxParams() = {{0.0, 2}, {0.0, 1}, {0.0, 1}};
    Attach();
    EXPECT_DOUBLE_EQ(c->AuxParams()[1].Value(), 0.25);
    EXPECT_DOUBLE_EQ(c->AuxParams()[2].Value(), 0.0);
}

TEST_F(DrawContextTest, AttachingPreparesTheBackBuffer) {
    Attach();
    ASSERT_NE(context->DrawBitmap(), nullptr);
    EXPECT_EQ(context->DrawBitmap()->Width(), 200);
    EXPECT_EQ(context->DrawBitmap()->Height(), 100);
    ASSERT_NE(context->ScratchBitmap(), nullptr);
    EXPECT_EQ(context->ScratchBitmap()->Width(), 0);
    EXPECT_EQ(context->TimerIntervalMs(), 40);
}

TEST_F(DrawContextTest, ResizingRebuildsTheBufferDropsControlsAndTellsThePlug) {
    Add({10, 10, 20, 20}, 1);
    Attach();
    context->SetEditorSize(120, 80);
    EXPECT_EQ(context->ControlCount(), 0);
    EXPECT_EQ(context->DrawBitmap()->Width(), 120);
    EXPECT_EQ(plug.resizedWidth, 120);
    EXPECT_EQ(plug.resizedHeight, 80);
    EXPECT_EQ(context->MouseCapture(), -1);
}

TEST_F(DrawContextTest, BitmapsAreLoadedOncePerModule) {
    const BitmapRef first = context->LoadBitmapRef(1, "bg.png", 1);
    IDrawContextHeadless other(&plug, 10, 10, 25, testing::StripLoader{{{1, 5, 5, 1}}, &loads});
    const BitmapRef second = other.LoadBitmapRef(1, "other-name.png", 1);
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(first.bitmap, second.bitmap);
    EXPECT_EQ(second.width, 200);
    EXPECT_EQ(CachedBitmapCount(), 1);
    // A bitmap that fails to load is not cached, and the reference says so.
    const BitmapRef missing = context->LoadBitmapRef(42, "none.png", 3);
    EXPECT_EQ(missing.bitmap, nullptr);
    EXPECT_EQ(missing.width, 0);
    EXPECT_EQ(missing.frames, 3);
    EXPECT_EQ(CachedBitmapCount(), 1);
}

TEST_F(DrawContextTest, BackgroundGoesInFrontOfExistingControls) {
    Add({10, 10, 20, 20});
    context->AttachBackground(1, "bg.png");
    ASSERT_EQ(context->ControlCount(), 2);
    const IControl* background = context->GetControl(0);
    EXPECT_EQ(background->GetRect(), (Rect{0, 0, 200, 100}));
    EXPECT_EQ(background->GetBlend().method, BlendOpaque);
    EXPECT_EQ(background->ParamIndex(), -1);
}

TEST_F(DrawContextTest, BlitsAreClippedToTheRegionBeingDrawn) {
    context->AttachBackground(1, "bg.png");
    Attach();
    PIX_SysBitmap* buffer = context->DrawBitmap();
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            BitmapRow(*buffer, y)[x] = 0;
    context->DrawRegion(Rect{10, 20, 30, 25});
    EXPECT_EQ(BitmapRow(*buffer, 20)[10], testing::FrameColour(0));
    EXPECT_EQ(BitmapRow(*buffer, 24)[29], testing::FrameColour(0));
    EXPECT_EQ(BitmapRow(*buffer, 25)[10], 0u);
    EXPECT_EQ(BitmapRow(*buffer, 20)[30], 0u);
    EXPECT_EQ(BitmapRow(*buffer, 19)[15], 0u);
}

} // namespace
} // namespace torvik
