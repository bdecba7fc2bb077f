#pragma once
// The base of every editor control: value, rectangles, flags and the
// parameter binding. Values are normalised, 0..1.
//
// The processing thread writes values and dirty flags (automation, meters)
// while the user-interface thread reads them to draw, so those fields are
// atomics; a value drawn one tick late is fine.
#include "graphics/Geometry.h"
#include "graphics/TextStyle.h"

#include <atomic>
#include <string>
#include <vector>

namespace torvik {

class IEditorHost;
class IDrawContext;

// A further parameter a control follows. The processing thread writes its
// value (host automation) while the user-interface thread draws it.
struct AuxParam {
    AuxParam(double normalised = 0.0, int param = -1) : value(normalised), paramIndex(param) {}
    AuxParam(const AuxParam& other) : AuxParam(other.Value(), other.paramIndex) {}
    AuxParam& operator=(const AuxParam& other) {
        value.store(other.Value(), std::memory_order_relaxed);
        paramIndex = other.paramIndex;
        return *this;
    }
    double Value() const { return value.load(std::memory_order_relaxed); }

    std::atomic<double> value; // normalised
    int paramIndex;            // parameter followed, -1 = none
};

class IControl {
public:
    IControl(IEditorHost* plug, const Rect& rect, int paramIndex = -1, Blend blend = Blend{});
    IControl(const IControl&) = delete;
    IControl& operator=(const IControl&) = delete;

    // Virtual operations, in slot order.
    virtual ~IControl();
    virtual void OnPress(int x, int y, const MouseMods& mods);
    virtual void OnRelease(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {}
    virtual void OnDrag(int /*x*/, int /*y*/, int /*dX*/, int /*dY*/, const MouseMods& /*mods*/) {}
    virtual void OnDoubleClick(int x, int y, const MouseMods& mods);
    virtual void OnWheel(int /*x*/, int /*y*/, const MouseMods& /*mods*/, int /*notches*/) {}
    virtual bool OnKey(int /*x*/, int /*y*/, int /*key*/) { return false; }
    virtual void OnHover(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {}
    virtual void OnLeave() {}
    virtual bool Render(IDrawContext& graphics) = 0;
    virtual void ApplyPlugValue(double v);
    virtual void ApplyUserValue(double v);
    virtual void AcceptEnteredText(const char* /*text*/) {}
    virtual void SetHidden(bool hide);
    virtual void SetGrayed(bool gray);
    virtual bool HitTest(int x, int y) const;
    virtual void MarkDirty(bool pushToPlug);
    virtual void MarkClean();
    virtual bool NeedsRedraw() const;
    virtual void IdleTick() {}
    virtual void ApplyAuxPlugValue(int k, double v);

    // Accessors.
    const Rect& GetRect() const { return rect; }
    const Rect& TargetRect() const { return targetRect; }
    void SetTargetRect(const Rect& r) { targetRect = r; }
    int ParamIndex() const { return paramIndex; }
    double Value() const { return value.load(std::memory_order_relaxed); }
    void SetValue(double v) { value.store(v, std::memory_order_relaxed); }
    double DefaultValue() const { return defaultValue.load(std::memory_order_relaxed); }
    bool IsHidden() const { return hidden; }
    bool IsGrayed() const { return grayed; }
    bool IsDirty() const { return dirty.load(std::memory_order_acquire); }
    bool RedrawRequested() const { return redrawRequested.load(std::memory_order_acquire); }
    const Blend& GetBlend() const { return blend; }
    IEditorHost* Plug() const { return plug; }
    std::vector<AuxParam>& AuxParams() { return auxParams; }
    const AuxParam* AuxParamAt(int k) const;
    TextStyle& Text() { return text; }
    bool PromptDisabled() const { return promptDisabled; }
    void SetPromptDisabled(bool off) { promptDisabled = off; }
    bool DoubleClickAsPress() const { return doubleClickAsPress; }
    void SetDoubleClickAsPress(bool on) { doubleClickAsPress = on; }
    bool HoverWhenGrayed() const { return hoverWhenGrayed; }
    void SetHoverWhenGrayed(bool on) { hoverWhenGrayed = on; }
    void SetClamp(double low, double high) {
        clampLow = low;
        clampHigh = high;
    }
    const std::string& Tooltip() const { return tooltip; }
    void SetTooltip(const char* tip) { tooltip = tip ? tip : ""; }
    int TextEntryLength() const { return textEntryLength; }

protected:
    int textEntryLength = 32;               // characters a value entry may hold
    TextStyle text;                         // used by value entry
    IEditorHost* plug;                      // receives value changes; not owned
    Rect rect;                              // draw area
    Rect targetRect;                        // mouse target area
    int paramIndex;                         // parameter edited and followed, -1 = none
    std::vector<AuxParam> auxParams;        // further bindings
    std::atomic<double> value{0.0};         // normalised
    std::atomic<double> defaultValue{-1.0}; // restored by a double click; negative = not set yet
    double clampLow = 0.0;                  // bounds applied by MarkDirty
    double clampHigh = 1.0;
    std::atomic<bool> dirty{true};            // must be redrawn
    bool hidden = false;                      // not drawn, not hit
    bool grayed = false;                      // not hit; drawn at weight 0.25
    std::atomic<bool> redrawRequested{false}; // stay dirty for one more pass
    bool promptDisabled = true;               // right-click value entry off
    bool doubleClickAsPress = false;          // a double click presses and captures
    bool hoverWhenGrayed = false;             // hover reaches the control while grayed
    Blend blend;                              // how the control is drawn
    std::string tooltip;                      // tooltip text
};

// Frame of a strip of `frames` frames shown for a normalised value, 1-based and
// always inside the strip, whatever the value (NaN included).
int FrameForValue(int frames, double value);

} // namespace torvik
