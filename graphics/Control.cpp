#include "graphics/Control.h"

#include "framework/EditorHost.h"
#include "framework/ParamRecord.h"
#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>

namespace torvik {

IControl::IControl(IEditorHost* plugIn, const Rect& area, int param, Blend how)
    : plug(plugIn), rect(area), targetRect(area), paramIndex(param), blend(how) {}

IControl::~IControl() = default;

const AuxParam* IControl::AuxParamAt(int k) const {
    if (k < 0 || k >= static_cast<int>(auxParams.size()))
        return nullptr;
    return &auxParams[static_cast<std::size_t>(k)];
}

void IControl::OnPress(int /*x*/, int /*y*/, const MouseMods& mods) {
    if (!mods.right || paramIndex < 0 || promptDisabled || !plug)
        return;
    auto* graphics = dynamic_cast<IDrawContext*>(plug->Graphics());
    IParamRecord* param = plug->ParamAt(paramIndex);
    if (!graphics || !param)
        return;
    Rect area = rect;
    if (param->DisplayTexts().empty()) {
        const int cx = static_cast<int>(static_cast<float>(rect.left + rect.right) * 0.5f);
        const int cy = static_cast<int>(static_cast<float>(rect.top + rect.bottom) * 0.5f);
        area = Rect{cx - 20, cy - 8, cx + 20, cy + 8};
    }
    graphics->PromptValueEntry(this, param, area);
    redrawRequested.store(true, std::memory_order_release);
}

void IControl::OnDoubleClick(int /*x*/, int /*y*/, const MouseMods& /*mods*/) {
    const double fallback = DefaultValue();
    if (fallback >= 0.0) {
        SetValue(fallback);
        MarkDirty(true);
    }
}

void IControl::ApplyPlugValue(double v) {
    if (DefaultValue() < 0.0) {
        defaultValue.store(v, std::memory_order_relaxed);
        SetValue(v);
        return;
    }
    const double current = Value();
    if (!(v == current)) { // NaN counts as a change
        SetValue(v);
        MarkDirty(false);
        redrawRequested.store(true, std::memory_order_release);
    }
}

void IControl::ApplyUserValue(double v) {
    if (!(v == Value())) {
        SetValue(v);
        MarkDirty(true);
        redrawRequested.store(true, std::memory_order_release);
    }
}

void IControl::ApplyAuxPlugValue(int k, double v) {
    if (k < 0 || k >= static_cast<int>(auxParams.size()))
        return;
    AuxParam& aux = auxParams[static_cast<std::size_t>(k)];
    if (!(v == aux.Value())) {
        aux.value.store(v, std::memory_order_relaxed);
        MarkDirty(false);
        redrawRequested.store(true, std::memory_order_release);
    }
}

void IControl::SetHidden(bool hide) {
    hidden = hide;
    redrawRequested.store(true, std::memory_order_release);
    MarkDirty(false);
}

void IControl::SetGrayed(bool gray) {
    grayed = gray;
    blend.weight = gray ? 0.25f : 1.0f;
    MarkDirty(false);
}

bool IControl::HitTest(int x, int y) const {
    return !targetRect.IsEmpty() && targetRect.Contains(x, y);
}

void IControl::MarkDirty(bool pushToPlug) {
    double v = Value();
    if (clampLow > v)
        v = clampLow;
    else
        v = std::min(clampHigh, v);
    SetValue(v);
    dirty.store(true, std::memory_order_release);
    if (pushToPlug && plug && paramIndex >= 0)
        plug->SetParameterFromEditor(paramIndex, v);
}

void IControl::MarkClean() {
    // The request flag is taken before dirty is written, and writers set it
    // after dirty, so a value that arrives while drawing is never lost.
    const bool again = redrawRequested.exchange(false, std::memory_order_acq_rel);
    dirty.store(again, std::memory_order_release);
}

bool IControl::NeedsRedraw() const {
    return dirty.load(std::memory_order_acquire) || redrawRequested.load(std::memory_order_acquire);
}

int FrameForValue(int frames, double value) {
    if (frames < 2)
        return 1;
    const double i = std::trunc((frames - 1) * value + 0.5) + 1.0;
    if (!(i >= 1.0)) // also catches NaN
        return 1;
    if (i > frames)
        return frames;
    return static_cast<int>(i);
}

} // namespace torvik
