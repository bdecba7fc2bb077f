// The Windows graphics context driven through its own operations: a second
// window, the back buffer's life, the window class count, the value-entry edit box and popup menu
// numbering, which this product's editor never opens itself.
#include "graphics/win/DrawContextWin.h"
#include "HostWindow.h"
#include "graphics/EditorScale.h"
#include "graphics/ValueOverlay.h"
#include "graphics/win/PopupMenuWin.h"
#include "processor/Parameters.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace torvik::testing {
namespace {

constexpr int kWidth = 1186;
constexpr int kHeight = 644;
// Index of the preamp gain knob in the editor's control list (after the background).
constexpr int kGainKnob = 1;

bool WindowClassRegistered(HMODULE module) {
    WNDCLASSA wc{};
    return GetClassInfoA(module, IDrawContextWin::kWindowClass, &wc) != 0;
}

class DrawContextWin : public ::testing::Test {
protected:
    void SetUp() override {
        editor = dynamic_cast<IDrawContextWin*>(plug.Graphics());
        ASSERT_NE(editor, nullptr);
        ASSERT_NE(editor->OpenEditorWindow(host.Handle()), nullptr);
        PumpMessages(100);
    }
    void TearDown() override {
        if (editor)
            editor->CloseEditorWindows();
    }
    // Opens the edit box over the gain knob for its parameter.
    HWND OpenEntry(const char* text) {
        IControl* knob = editor->GetControl(kGainKnob);
        editor->OpenTextEntry(knob, knob->Text(), Rect{10, 10, 70, 30}, text,
                              plug.ParamAt(kPreampGain));
        return editor->EditBox();
    }

    HostWindow host{kWidth, kHeight};
    TestTorvik plug;
    IDrawContextWin* editor = nullptr;
};

TEST_F(DrawContextWin, ASecondWindowLeavesTheFirstInItsParent) {
    HWND first = static_cast<HWND>(editor->NativeWindow());
    HostWindow other(kWidth, kHeight);
    HWND second = static_cast<HWND>(editor->OpenEditorWindow(other.Handle()));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(IsWindow(first));
    EXPECT_EQ(GetParent(first), host.Handle());
    EXPECT_EQ(GetParent(second), other.Handle());
    EXPECT_EQ(editor->WindowCount(), 2);
    EXPECT_EQ(IDrawContextWin::OpenWindowCount(), 2);
    editor->CloseEditorWindow(first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_TRUE(IsWindow(second));
    EXPECT_EQ(editor->NativeWindow(), second);
    EXPECT_TRUE(WindowClassRegistered(editor->ModuleInstance()));
}

// The back buffer, with its DIB section and memory device context, exists
// only while a window shows the editor.
TEST_F(DrawContextWin, BackBufferLivesOnlyWhileAWindowShowsTheEditor) {
    TestTorvik unopened;
    auto* idle = dynamic_cast<IDrawContextWin*>(unopened.Graphics());
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->DrawBitmap(), nullptr);
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    HostWindow other(kWidth, kHeight);
    HWND opened = static_cast<HWND>(idle->OpenEditorWindow(other.Handle()));
    ASSERT_NE(opened, nullptr);
    ASSERT_NE(idle->DrawBitmap(), nullptr);
    EXPECT_NE(idle->DrawBitmap()->DrawingContext(), nullptr);
    EXPECT_EQ(idle->DrawBitmap()->Width(), kWidth);
    idle->CloseEditorWindow(opened);
    EXPECT_EQ(idle->DrawBitmap(), nullptr);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
}

TEST_F(DrawContextWin, ClassStaysRegisteredWhileAnyEditorIsOpen) {
    TestTorvik secondPlug;
    auto* second = dynamic_cast<IDrawContextWin*>(secondPlug.Graphics());
    ASSERT_NE(second, nullptr);
    HostWindow otherHost(kWidth, kHeight);
    ASSERT_NE(second->OpenEditorWindow(otherHost.Handle()), nullptr);
    EXPECT_EQ(IDrawContextWin::OpenWindowCount(), 2);
    editor->CloseEditorWindows();
    EXPECT_TRUE(WindowClassRegistered(second->ModuleInstance()));
    PumpMessages(100); // the remaining editor keeps ticking
    second->CloseEditorWindows();
    EXPECT_EQ(IDrawContextWin::OpenWindowCount(), 0);
    EXPECT_FALSE(WindowClassRegistered(second->ModuleInstance()));
}

TEST_F(DrawContextWin, NullOrDestroyedParentOpensNothing) {
    editor->CloseEditorWindows();
    EXPECT_EQ(editor->OpenEditorWindow(nullptr), nullptr);
    HWND gone = nullptr;
    {
        HostWindow destroyed(10, 10);
        gone = destroyed.Handle();
    }
    EXPECT_EQ(editor->OpenEditorWindow(gone), nullptr);
    EXPECT_FALSE(editor->IsWindowOpen());
    EXPECT_EQ(IDrawContextWin::OpenWindowCount(), 0);
    editor->OnTimerTick(); // a tick without a window draws nothing
}

// Away from 100 % the typed entry opens over the knob's scaled place, as
// large as the scale makes it, its font at the scaled size.
TEST_F(DrawContextWin, EntryAtAScaleSitsOverTheKnobsScaledPlace) {
    IControl* knob = editor->GetControl(kGainKnob);
    for (const int scale : {150, 200}) {
        SCOPED_TRACE(scale);
        editor->SetScale(scale);
        PumpMessages(50);
        ASSERT_TRUE(editor->StartValueEntry(kPreampGain));
        HWND box = editor->EditBox();
        ASSERT_NE(box, nullptr);
        const Rect placed =
            editor->ToPhysical(EntryRectFor(knob->GetRect(), editor->Width(), editor->Height()));
        const POINT at = PositionInParent(box);
        EXPECT_EQ(at.x, placed.left);
        EXPECT_EQ(at.y, placed.top);
        RECT r{};
        GetWindowRect(box, &r);
        EXPECT_EQ(r.right - r.left, placed.Width() + 1);
        EXPECT_EQ(r.bottom - r.top, placed.Height() + 1);
        LOGFONTA font{};
        ASSERT_NE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(box, WM_GETFONT, 0, 0)),
                             sizeof font, &font),
                  0);
        EXPECT_EQ(std::abs(font.lfHeight), ScaledLength(knob->Text().size, scale));
        SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
        editor->OnTimerTick();
        EXPECT_EQ(editor->EditBox(), nullptr);
    }
    editor->SetScale(100);
}

TEST_F(DrawContextWin, EnterCommitsTheTypedValueOnTheNextTick) {
    HWND box = OpenEntry("12");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindowLongPtrA(box, GWLP_USERDATA), IDrawContextWin::kEditBoxMark);
    EXPECT_EQ(editor->GetEditState(), EditActive); // it took the focus
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(editor->GetEditState(), EditCommit);
    plug.edits.clear();
    editor->OnTimerTick();
    EXPECT_EQ(editor->GetEditState(), EditIdle);
    EXPECT_EQ(editor->EditBox(), nullptr);
    EXPECT_FALSE(IsWindow(box));
    const IParamRecord* gain = plug.ParamAt(kPreampGain);
    EXPECT_DOUBLE_EQ(gain->GetNormalised(), gain->ToNormalised(12.0));
    ASSERT_FALSE(plug.edits.empty());
    EXPECT_EQ(plug.edits.front().index, kPreampGain);
}

TEST_F(DrawContextWin, EntryStatesFollowKeysClicksAndWheel) {
    struct Case {
        const char* what;
        UINT msg;
        WPARAM wParam;
        bool toBox;  // sent to the edit box, else to the editor window
        bool active; // the box still has the focus (else a tick has set it idle)
        int state;   // editState afterwards
    };
    const Case cases[] = {
        {"Escape", WM_KEYDOWN, VK_ESCAPE, true, true, EditCancel},
        {"click while the box has the focus", WM_LBUTTONDOWN, MK_LBUTTON, false, true, EditCancel},
        {"wheel while the box has the focus", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), false,
         true, EditActive},
        {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), false, false, EditCancel},
        {"click", WM_LBUTTONDOWN, MK_LBUTTON, false, false, EditCommit},
        {"focus leaves the box", WM_KILLFOCUS, 0, true, true, EditCommit},
        {"notification code 1", WM_COMMAND, MAKEWPARAM(0, 1), true, true, EditCommit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HWND box = OpenEntry("7");
        ASSERT_NE(box, nullptr);
        ASSERT_EQ(editor->GetEditState(), EditActive);
        if (!c.active)
            editor->OnTimerTick(); // nothing pending: idle, the box stays open
        SendMessageA(c.toBox ? box : static_cast<HWND>(editor->NativeWindow()), c.msg, c.wParam, 0);
        EXPECT_EQ(editor->GetEditState(), c.state);
        editor->EndTextEntry();
        editor->OnTimerTick();
        EXPECT_EQ(editor->GetEditState(), EditIdle);
        EXPECT_EQ(editor->EditBox(), nullptr);
    }
}

TEST_F(DrawContextWin, ClickAfterTheBoxLostFocusCommitsTheValue) {
    HWND box = OpenEntry("3");
    ASSERT_NE(box, nullptr);
    editor->OnTimerTick(); // the box keeps the text but no longer counts as active
    SendMessageA(static_cast<HWND>(editor->NativeWindow()), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    EXPECT_EQ(editor->GetEditState(), EditCommit);
    editor->OnTimerTick();
    EXPECT_EQ(editor->EditBox(), nullptr);
    EXPECT_DOUBLE_EQ(plug.ParamAt(kPreampGain)->GetNormalised(),
                     plug.ParamAt(kPreampGain)->ToNormalised(3.0));
}

// The parameter reads its own texts: units and words pass into the box.
TEST_F(DrawContextWin, EntryTakesUnitsAndReadsThem) {
    HWND box = OpenEntry("");
    ASSERT_NE(box, nullptr);
    for (const char c : {'-', '1', '.', '5', ' ', 'd', 'B'})
        SendMessageA(box, WM_CHAR, static_cast<WPARAM>(c), 0);
    char text[32] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "-1.5 dB");
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    plug.edits.clear();
    editor->OnTimerTick();
    EXPECT_EQ(editor->EditBox(), nullptr);
    EXPECT_DOUBLE_EQ(plug.ParamAt(kPreampGain)->Value(), -1.5);
    // One gesture: begin, perform, end.
    ASSERT_EQ(plug.edits.size(), 3u);
    EXPECT_EQ(plug.edits[0].kind, 'b');
    EXPECT_EQ(plug.edits[1].kind, 'p');
    EXPECT_EQ(plug.edits[2].kind, 'e');
}

// Text that is no value changes nothing and says so in the box; Escape then
// closes it.
TEST_F(DrawContextWin, UnreadableEntryChangesNothingAndSaysSo) {
    HWND box = OpenEntry("loud");
    ASSERT_NE(box, nullptr);
    const double before = plug.ParamAt(kPreampGain)->Value();
    plug.edits.clear();
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    editor->OnTimerTick();
    ASSERT_EQ(editor->EditBox(), box); // still open
    char text[32] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "not a value");
    EXPECT_TRUE(plug.edits.empty());
    EXPECT_EQ(plug.ParamAt(kPreampGain)->Value(), before);
    SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
    editor->OnTimerTick();
    EXPECT_EQ(editor->EditBox(), nullptr);
    EXPECT_TRUE(plug.edits.empty());
}

// Ctrl+click released where it was pressed: the entry over the knob, holding
// its value with unit; the press itself edits nothing.
TEST_F(DrawContextWin, CtrlClickOnAKnobOpensTheEntry) {
    HWND editorWindow = static_cast<HWND>(editor->NativeWindow());
    const Rect knob = editor->GetControl(kGainKnob)->GetRect();
    const LPARAM at = MAKELPARAM((knob.left + knob.right) / 2, (knob.top + knob.bottom) / 2);
    plug.edits.clear();
    SendMessageA(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, at);
    SendMessageA(editorWindow, WM_LBUTTONUP, MK_CONTROL, at);
    HWND box = editor->EditBox();
    ASSERT_NE(box, nullptr);
    char text[32] = {};
    GetWindowTextA(box, text, sizeof text);
    EXPECT_STREQ(text, "-30.0 dB");
    EXPECT_TRUE(plug.edits.empty());
    RECT r{};
    GetWindowRect(box, &r);
    MapWindowPoints(nullptr, editorWindow, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_LT(r.left, knob.right);
    EXPECT_GT(r.right, knob.left);
    editor->EndTextEntry();
    editor->OnTimerTick();
    EXPECT_EQ(editor->EditBox(), nullptr);
}

// The editor takes the keyboard only while a value is typed, and gives it
// back to the window that had it, or to the host's top-level window.
TEST_F(DrawContextWin, TheKeyboardStaysWithTheHostOutsideValueEntry) {
    HWND editorWindow = static_cast<HWND>(editor->NativeWindow());
    SetFocus(host.Handle());
    ASSERT_EQ(GetFocus(), host.Handle());
    SendMessageA(editorWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(600, 600));
    SendMessageA(editorWindow, WM_LBUTTONUP, 0, MAKELPARAM(600, 600));
    EXPECT_EQ(GetFocus(), host.Handle());
    for (const WPARAM key : {WPARAM{VK_RETURN}, WPARAM{VK_ESCAPE}}) {
        HWND box = OpenEntry("3");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetFocus(), box);
        SendMessageA(box, WM_KEYDOWN, key, 0);
        editor->OnTimerTick();
        EXPECT_EQ(editor->EditBox(), nullptr);
        EXPECT_EQ(GetFocus(), host.Handle());
    }
    // Who had it is gone: the host's top-level window takes it.
    HWND other = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                 host.Handle(), nullptr, nullptr, nullptr);
    SetFocus(other);
    HWND box = OpenEntry("4");
    ASSERT_NE(box, nullptr);
    DestroyWindow(other);
    SetFocus(box);
    SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
    editor->OnTimerTick();
    EXPECT_EQ(GetFocus(), host.Handle());
}

TEST_F(DrawContextWin, RepaintWhileTheBoxIsOpenIsNoted) {
    // Free text: no parameter.
    IControl* knob = editor->GetControl(kGainKnob);
    editor->OpenTextEntry(knob, knob->Text(), Rect{0, 0, 40, 20}, "4", nullptr);
    ASSERT_NE(editor->EditBox(), nullptr);
    ASSERT_EQ(editor->GetEditState(), EditActive);
    editor->OnTimerTick(); // nothing pending: back to idle, the box stays
    EXPECT_EQ(editor->GetEditState(), EditIdle);
    ASSERT_NE(editor->EditBox(), nullptr);
    editor->MarkAllDirty();
    editor->OnTimerTick();
    EXPECT_EQ(editor->GetEditState(), EditRefreshed);
    editor->EndTextEntry();
    editor->OnTimerTick();
    EXPECT_EQ(editor->EditBox(), nullptr);
}

TEST_F(DrawContextWin, PathsClipboardAndCursor) {
    std::string folder;
    editor->PluginModulePath(folder);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    std::string host;
    editor->HostExecutablePath(host);
    EXPECT_EQ(host, folder); // this test program is both host and module

    const wchar_t copied[] = L"gain 3 dB";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, sizeof copied);
    ASSERT_NE(memory, nullptr);
    std::memcpy(GlobalLock(memory), copied, sizeof copied);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
    std::string text;
    EXPECT_TRUE(editor->ClipboardText(text));
    EXPECT_EQ(text, "gain 3 dB");

    // The cursor comes back where it was hidden.
    SetCursorPos(200, 150);
    editor->HideCursor();
    SetCursorPos(400, 300);
    editor->RevealCursor();
    POINT at{};
    GetCursorPos(&at);
    EXPECT_EQ(at.x, 200);
    EXPECT_EQ(at.y, 150);
}

TEST(PopupMenuWin, NumberingStylesFormatTitles) {
    struct Case {
        int style;
        const char* first;
    };
    for (const Case& c :
         {Case{0, "First"}, Case{1, "1: First"}, Case{2, "01: First"}, Case{3, "001: First"}}) {
        IPopupMenu menu;
        menu.SetNumbering(c.style);
        menu.AddItem("First");
        menu.AddItem("Second", IPopupMenu::kItemChecked | IPopupMenu::kItemGrayed, nullptr);
        int nextId = 0;
        HMENU built = BuildPlatformMenu(menu, nextId);
        ASSERT_NE(built, nullptr);
        char title[64] = {};
        GetMenuStringA(built, 0, title, sizeof title, MF_BYPOSITION);
        EXPECT_STREQ(title, c.first);
        const UINT state = GetMenuState(built, 1, MF_BYPOSITION);
        EXPECT_TRUE(state & MF_CHECKED);
        EXPECT_TRUE(state & MF_GRAYED);
        DestroyMenu(built);
    }
}

TEST(PopupMenuWin, CommandIdsRunOverTheTreeDepthFirst) {
    // top: A, B(sub1: C, D(sub2: E)), separator, F -> A0 B1 -2 F3, then C4 D5, then E6
    IPopupMenu sub2;
    sub2.AddItem("E");
    IPopupMenu sub1;
    sub1.AddItem("C");
    sub1.AddItem("D", 0, &sub2);
    IPopupMenu top;
    top.AddItem("A");
    top.AddItem("B", 0, &sub1);
    top.AddSeparator();
    top.AddItem("F");
    int nextId = 0;
    HMENU built = BuildPlatformMenu(top, nextId);
    ASSERT_NE(built, nullptr);
    EXPECT_EQ(nextId, 7);
    EXPECT_EQ(GetMenuItemID(built, 0), 0u);
    EXPECT_EQ(GetMenuItemID(built, 3), 3u);
    HMENU builtSub1 = GetSubMenu(built, 1);
    ASSERT_NE(builtSub1, nullptr);
    EXPECT_EQ(GetMenuItemID(builtSub1, 0), 4u);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(builtSub1, 1), 0), 6u);
    DestroyMenu(built);

    struct Case {
        int id;
        IPopupMenu* menu;
        int index;
    };
    for (const Case& c : {Case{0, &top, 0}, Case{3, &top, 3}, Case{4, &sub1, 0}, Case{5, &sub1, 1},
                          Case{6, &sub2, 0}}) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(ChooseMenuItem(top, c.id), c.menu);
        EXPECT_EQ(c.menu->ChosenIndex(), c.index);
    }
    EXPECT_EQ(ChooseMenuItem(top, 7), nullptr);
    EXPECT_EQ(ChooseMenuItem(top, -1), nullptr);
}

} // namespace
} // namespace torvik::testing
