#pragma once
// The editor's graphics context: the ordered control list (index 0 is the
// background), the back buffer they draw into, the mouse state and the redraw
// rate. Platform classes derive from it, supply the platform services and turn
// window events into the dispatch operations below.
#include "framework/EditorGraphics.h"
#include "graphics/Bitmap.h"
#include "graphics/BitmapRef.h"
#include "graphics/Control.h"
#include "graphics/Geometry.h"
#include "graphics/PopupMenu.h"
#include "graphics/TextStyle.h"

#include <string>
#include <vector>

namespace torvik {

class IEditorHost;
class IParamRecord;

// Key codes handed to KeyDown.
enum EditorKeyCode : int {
    kKeySpace = 0,
    kKeyUp = 1,
    kKeyDown = 2,
    kKeyLeft = 3,
    kKeyRight = 4,
    kKeyDigit0 = 5,  // "0".."9" are 5..14
    kKeyLetterA = 15 // "A".."Z" are 15..40
};

class IDrawContext : public IEditorGraphics {
public:
    IDrawContext(IEditorHost* plug, int width, int height, int fps);
    IDrawContext(const IDrawContext&) = delete;
    IDrawContext& operator=(const IDrawContext&) = delete;

    // Virtual operations, in slot order.
    virtual bool PresentRegion(const Rect& rect) = 0;
    virtual bool MeasureText(TextStyle& style, const char* text, Rect& rect);
    virtual void EndTextEntry() = 0;
    virtual void SetEditorSize(int w, int h);
    virtual bool IsWindowOpen() { return NativeWindow() != nullptr; }
    virtual const char* BackendName() { return ""; }
    virtual int ShowMessage(const char* text, const char* caption, int type) = 0;
    // rect is in editor units; the platform places the menu at its scaled place.
    virtual IPopupMenu* RunPopupMenu(IPopupMenu* menu, const Rect& rect) = 0;
    // rect is in editor units, the style's size already the size at the scale.
    virtual void OpenTextEntry(IControl* control, const TextStyle& style, const Rect& rect,
                               const char* text, IParamRecord* param) = 0;
    virtual void HostExecutablePath(std::string& out) = 0;
    virtual void PluginModulePath(std::string& out) = 0;
    virtual void UserDesktopPath(std::string& out) = 0;
    virtual void AppDataPath(std::string& out, bool systemWide) = 0;
    virtual void SandboxAppDataPath(std::string& out) = 0;
    virtual void AskForFile(std::string& out, int action, std::string& directory,
                            const char* extensions) = 0;
    virtual bool AskForColour(Colour& colour, const char* prompt) = 0;
    virtual bool OpenWebAddress(const char* address, const char* title, const char* confirmText,
                                const char* errorText) = 0;
    virtual void* OpenWindowInControl(void* /*parent*/, IControl* /*parentControl*/) {
        return nullptr;
    }
    void* OpenEditorWindow(void* parent) override = 0;
    virtual void AttachChildWindow(void* /*window*/) {}
    virtual void DetachChildWindow() {}
    void CloseEditorWindow(void* window) override = 0;
    virtual void* NativeWindow() = 0;
    virtual bool ClipboardText(std::string& out) = 0;
    ~IDrawContext() override;
    virtual void HideCursor() {}
    virtual void RevealCursor() {}
    virtual void PlatformHook() = 0;
    virtual PIX_IBitmap* LoadPlatformBitmap(int id, const char* name) = 0;

    // What the plug-in core calls (IEditorGraphics).
    void ApplyParamToControls(int paramIndex, double normalised) override;
    void SetParamValueFromPlug(int paramIndex, double value, bool isNormalised) override;
    void SetControlValueFromPlug(int controlIndex, double normalised) override;
    int ControlCount() const override { return static_cast<int>(controls.size()); }
    // Makes the back buffer and the spare bitmap anew when something shows the
    // editor (NeedsSurfaces); otherwise releases them.
    void PrepareDrawing() override;
    int EditorWidth() const override { return width; }
    int EditorHeight() const override { return height; }
    int EditorScalePercent() const override { return scale; }
    void SetEditorScalePercent(int percent) override { SetScale(percent); }
    int EditorPhysicalWidth() const override { return PhysicalWidth(); }
    int EditorPhysicalHeight() const override { return PhysicalHeight(); }
    void ChooseOpeningScale() override;
    bool SetEditorScaleFactor(double factor) override;
    int SnapEditorSize(int& physicalWidth, int& physicalHeight) const override;

    // Scale. Controls, hit rectangles and regions stay in units of the editor
    // at 100 %; the back buffer and what the platform presents are physical
    // pixels at the scale, drawn from art made for it.
    // Shows the editor at a supported scale (percent); others are ignored.
    // The back buffer takes the new size and everything is redrawn.
    void SetScale(int percent);
    // The platform's part of a new scale: an open window takes the new size.
    virtual void OnScaleChanged() {}
    // The scale the desktop asks for (percent), 0 when it says nothing.
    virtual int DesktopScale() { return 0; }
    // The size the user chose and is remembered, 0 for none.
    int RememberedScale() const { return rememberedScale; }

    // The editor's own menu, opened by a right press where no parameter is:
    // a title and the editor's sizes, the one shown checked.
    IPopupMenu EditorMenu() const;
    // Shows the editor's menu at (x, y) and carries out the choice.
    virtual void ShowEditorMenu(int x, int y);
    // Carries out item index of EditorMenu; other indices do nothing.
    void ChooseEditorMenuItem(int index);
    // The user chose a size: the editor takes it, asks the host to follow and
    // remembers it in the per-user settings file.
    void ChooseEditorScale(int percent);
    int Scale() const { return scale; }
    int PhysicalWidth() const;
    int PhysicalHeight() const;
    // The physical pixels covering a rectangle of editor units.
    Rect ToPhysical(const Rect& rect) const;
    // The editor unit under a physical pixel.
    int ToEditorUnits(int physical) const;
    // A length of physical pixels as editor units, rounded up so that they hold it.
    int ToEditorLength(int physicalLength) const;
    // A length of editor units in whole physical pixels.
    int ToPhysicalLength(int units) const;
    // A text style for drawing at the scale: its font's size scaled, so the
    // text is hinted at the size it shows at.
    TextStyle ScaledStyle(const TextStyle& style) const;
    // Line height in physical pixels of a style's font.
    static int OverlayLineHeight(TextStyle& scaledStyle);

    // Building the editor.
    // A bitmap from the module-wide cache, loaded on first use. When it cannot
    // be loaded the reference carries no bitmap and a 0 x 0 size.
    BitmapRef LoadBitmapRef(int id, const char* name, int frames);
    // A one-frame opaque bitmap control over its bitmap's size, put in front of the list.
    void AttachBackground(int id, const char* name);
    // Puts a control (owned from now on) in front of the list; the others move up by one.
    void InsertBackground(IControl* control);
    // Appends a control (owned from now on); returns its index.
    int AttachControl(IControl* control);
    IControl* GetControl(int index);
    // Receives keys that land on the background or on no control; owned.
    void SetKeyCatcher(IControl* control);

    // Drawing.
    // Bounding box of every control that needs a redraw; false when none does.
    bool CollectDirtyRegion(Rect& region);
    // Renders every visible control touching rect, cleans every control, presents rect.
    bool DrawRegion(const Rect& rect);
    // Draws the part of a bitmap starting at (srcX, srcY) into rect of the back
    // buffer, clipped to the region being drawn. A null blend draws through the
    // source alpha at full weight.
    bool BlitBitmap(const BitmapRef& bitmap, const Rect& rect, int srcX, int srcY,
                    const Blend* blend);
    // One timer tick: collects the dirty region and, when there is one, has the
    // platform repaint it now. Returns whether anything was dirty.
    bool RedrawDirty();
    // Marks every control dirty, so the next tick repaints everything.
    void MarkAllDirty();
    // The back buffer (width x height) and the spare bitmap, made when
    // missing; and released. Window layers make them with their first window
    // and release them with their last, so that an instance whose editor
    // nobody opened holds no pixels (and on Windows no GDI objects).
    void CreateSurfaces();
    void ReleaseSurfaces();
    // Whether the surfaces should exist now: while a window is open.
    virtual bool NeedsSurfaces() { return IsWindowOpen(); }

    // Input, in editor coordinates.
    int HitTest(int x, int y) const;
    void MouseDown(int x, int y, const MouseMods& mods);
    void MouseDrag(int x, int y, const MouseMods& mods);
    void MouseUp(int x, int y, const MouseMods& mods);
    // True when the control took the double click as a press (the platform then captures the
    // mouse).
    bool MouseDoubleClick(int x, int y, const MouseMods& mods);
    void MouseWheel(int x, int y, const MouseMods& mods, int notches);
    bool KeyDown(int x, int y, int key);
    bool MouseHover(int x, int y, const MouseMods& mods);
    void MouseLeave();

    // Right-click value entry: a menu for listed values, a text entry otherwise.
    void PromptValueEntry(IControl* control, IParamRecord* param, const Rect& rect);

    // Typed values: an entry over a knob, opened by the host's menu item, the
    // editor's own menu or a Ctrl+click released where it was pressed.
    bool StartValueEntry(int paramIndex) override;
    // Opens the platform's entry over control with its parameter's value text.
    bool OpenValueEntry(IControl* control);
    enum class EntryOutcome { kApplied, kRefused };
    // Reads text as a value of param and gives it to control as one host gesture
    // (begin, perform, end), clamped to the range. Text that is no value changes
    // nothing and is refused.
    EntryOutcome CommitValueText(IControl* control, IParamRecord* param, const char* text);
    // The editor's own menu for a parameter where the host offers none.
    virtual void ShowOwnParamMenu(IControl* control, int x, int y);

    // The value readout: while the pointer is over a knob, and while a knob is
    // dragged, the knob's name and value with unit in a small label beside it.
    // Turning it on turns hover tracking on. It repaints only its own area, and
    // only when it comes, changes or goes.
    void SetValueReadout(bool on);
    bool ValueReadout() const { return valueReadout; }
    // The readout's area now, empty when none shows; and its two lines.
    const Rect& ReadoutRect() const { return readout.rect; }
    const std::string& ReadoutName() const { return readout.name; }
    const std::string& ReadoutValue() const { return readout.value; }

    // State.
    IEditorHost* Plug() const { return plug; }
    int Width() const { return width; }
    int Height() const { return height; }
    int Fps() const { return fps; }
    // Milliseconds between timer ticks.
    int TimerIntervalMs() const override { return fps > 0 ? 1000 / fps : 1000; }
    PIX_SysBitmap* DrawBitmap() const { return drawBitmap; }
    PIX_MemBitmap* ScratchBitmap() const { return scratchBitmap; }
    const Rect& DrawRect() const { return drawRect; }
    int MouseCapture() const { return mouseCapture; }
    int MouseOver() const { return mouseOver; }
    int LastMouseX() const { return lastMouseX; }
    int LastMouseY() const { return lastMouseY; }
    bool HandleMouseOver() const { return handleMouseOver; }
    void SetHandleMouseOver(bool on) { handleMouseOver = on; }
    bool StrictDrawing() const { return strictDrawing; }
    bool TooltipsEnabled() const { return tooltipsEnabled; }
    void SetTooltipsEnabled(bool on) { tooltipsEnabled = on; }

protected:
    // The image of a control's bitmap at the current scale (not 100 %): the
    // 200 % art, or a strip resampled from it; cached module-wide.
    PIX_IBitmap* BitmapAtScale(const BitmapRef& bitmap);
    bool BlitScaled(const BitmapRef& bitmap, const Rect& rect, int srcX, int srcY, float weight,
                    int mode);

    // What shows over the controls, and the area that must be repainted because
    // something there came, changed or went.
    struct ReadoutState {
        int control = -1; // knob whose value shows, -1 = none
        std::string name;
        std::string value;
        Rect rect; // empty when none
    };
    void UpdateReadout();
    void MarkOverlayDirty(const Rect& r);
    // Draws the readout, then OverlayExtras, into the back buffer where they meet drawRect.
    void DrawOverlays();
    // A platform's own overlay (the drawn value entry); drawn last.
    virtual void DrawOverlayExtras() {}
    // The control whose value is being typed, or none: the readout stays away.
    virtual IControl* EntryControl() const { return nullptr; }

    // Index of the topmost control under (x, y) that takes input, or -1.
    int HitTestFor(int x, int y, bool hoverRule) const;
    void DeleteControls();
    // Ends the host gesture a press began, if one is open.
    void EndOpenGesture();

    std::vector<IControl*> controls; // owned; index 0 is the background
    IEditorHost* plug;               // the creating plug-in; not owned
    Rect drawRect;                   // region of the current pass; blits are clipped to it
    bool cursorHidden = false;       // the platform hid the cursor
    int savedCursorX = -1;           // screen position where the cursor was hidden
    int savedCursorY = -1;
    PIX_SysBitmap* drawBitmap = nullptr;    // back buffer, owned
    PIX_MemBitmap* scratchBitmap = nullptr; // spare bitmap, owned; not drawn into
    int width;                              // editor size, pixels
    int height;
    int fps;                       // redraw timer rate, ticks per second
    int scale = 100;               // percent; one of the supported editor scales
    int rememberedScale = 0;       // the user's chosen scale, 0 = none
    bool hostGaveScale = false;    // a host's content scale factor arrived
    bool desktopScaleRead = false; // the desktop's scale was taken once
    int mouseCapture = -1;         // control holding the mouse during a press
    int mouseOver = -1;            // control under the cursor while hover tracking
    int lastMouseX = 0;            // last press or drag position; -1 after release
    int lastMouseY = 0;
    bool handleMouseOver = false;   // hover tracking
    bool strictDrawing = true;      // region redraw rule of DrawRegion
    bool tooltipsEnabled = false;   // tooltip window
    IControl* keyCatcher = nullptr; // owned; keys over the background or nothing
    int openGesture = -1;           // parameter whose host gesture a press began, or -1
    int deferredGesture = -1;       // parameter of a Ctrl press: its gesture begins with a drag
    bool pressMoved = false;        // a drag step followed the press
    bool pressWithCtrl = false;     // the left press held Ctrl: typed entry when released unmoved
    bool valueReadout = false;      // the readout is on
    ReadoutState readout;           // what it shows now
    Rect overlayDirty;              // overlay area awaiting a repaint; empty = none
};

// Blit mode for a blend method.
int BlitModeFor(BlendMethod method);

} // namespace torvik
