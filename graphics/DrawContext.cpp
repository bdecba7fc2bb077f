#include "graphics/DrawContext.h"

#include "framework/EditorHost.h"
#include "framework/ParamRecord.h"
#include "graphics/BitmapCache.h"
#include "graphics/BitmapControl.h"
#include "graphics/Blit.h"
#include "graphics/EditorScale.h"
#include "graphics/EditorSettings.h"
#include "graphics/Font.h"
#include "graphics/KnobControl.h"
#include "graphics/ScaledStrip.h"
#include "graphics/ValueOverlay.h"
#include "resources/ImageResources.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

namespace torvik {

int BlitModeFor(BlendMethod method) {
    switch (method) {
    case BlendOpaque:
        return kBlitCopy;
    case BlendAdd:
        return kBlitAdd | kBlitUseAlpha;
    case BlendDodge:
        return kBlitDodge | kBlitUseAlpha;
    case BlendNone:
    default:
        return kBlitCopy | kBlitUseAlpha;
    }
}

IDrawContext::IDrawContext(IEditorHost* plugIn, int w, int h, int rate)
    : plug(plugIn), width(w), height(h), fps(rate) {}

IDrawContext::~IDrawContext() {
    delete keyCatcher;
    keyCatcher = nullptr;
    DeleteControls();
    ReleaseSurfaces();
}

void IDrawContext::DeleteControls() {
    while (!controls.empty()) {
        delete controls.back();
        controls.pop_back();
    }
}

bool IDrawContext::MeasureText(TextStyle& style, const char* text, Rect& rect) {
    return MeasureTextRect(style, text, rect);
}

void IDrawContext::SetEditorSize(int w, int h) {
    {
        // The processing thread feeds controls by index under the plug-in's
        // lock; the list must not change under it.
        std::unique_lock<RecursiveLock> guard;
        if (plug)
            guard = std::unique_lock(plug->Mutex());
        width = w;
        height = h;
        EndOpenGesture();
        mouseCapture = -1;
        lastMouseX = -1;
        lastMouseY = -1;
        DeleteControls();
        PrepareDrawing();
    }
    if (plug)
        plug->ResizeEditor(w, h);
}

void IDrawContext::ApplyParamToControls(int paramIndex, double normalised) {
    for (IControl* control : controls) {
        if (control->ParamIndex() == paramIndex)
            control->ApplyPlugValue(normalised);
        auto& aux = control->AuxParams();
        for (std::size_t k = 0; k < aux.size(); ++k) {
            if (aux[k].paramIndex == paramIndex) {
                control->ApplyAuxPlugValue(static_cast<int>(k), normalised);
                break;
            }
        }
    }
}

void IDrawContext::SetParamValueFromPlug(int paramIndex, double value, bool isNormalised) {
    if (!isNormalised) {
        const IParamRecord* param = plug ? plug->ParamAt(paramIndex) : nullptr;
        if (!param)
            return;
        value = param->ToNormalised(value);
    }
    ApplyParamToControls(paramIndex, value);
}

void IDrawContext::SetControlValueFromPlug(int controlIndex, double normalised) {
    if (controlIndex >= 0 && controlIndex < ControlCount())
        controls[static_cast<std::size_t>(controlIndex)]->ApplyPlugValue(normalised);
}

void IDrawContext::PrepareDrawing() {
    ReleaseSurfaces();
    if (NeedsSurfaces())
        CreateSurfaces();
}

void IDrawContext::CreateSurfaces() {
    if (!drawBitmap) {
        drawBitmap = new PIX_SysBitmap();
        drawBitmap->Resize(PhysicalWidth(), PhysicalHeight());
    }
    if (!scratchBitmap)
        scratchBitmap = new PIX_MemBitmap();
}

void IDrawContext::ReleaseSurfaces() {
    delete drawBitmap;
    drawBitmap = nullptr;
    delete scratchBitmap;
    scratchBitmap = nullptr;
}

BitmapRef IDrawContext::LoadBitmapRef(int id, const char* name, int frames) {
    PIX_IBitmap* bitmap = FindCachedBitmap(id);
    if (!bitmap)
        bitmap = AddCachedBitmap(id, LoadPlatformBitmap(id, name));
    BitmapRef ref;
    ref.bitmap = bitmap;
    ref.width = bitmap ? bitmap->Width() : 0;
    ref.height = bitmap ? bitmap->Height() : 0;
    ref.frames = frames;
    ref.framesHorizontal = false;
    ref.id = id;
    ref.name = name;
    return ref;
}

void IDrawContext::SetScale(int percent) {
    if (!IsEditorScale(percent) || percent == scale)
        return;
    scale = percent;
    if (drawBitmap)
        drawBitmap->Resize(PhysicalWidth(), PhysicalHeight());
    MarkAllDirty();
    OnScaleChanged();
}

void IDrawContext::ChooseOpeningScale() {
    if (IsWindowOpen())
        return; // a further view shows the editor at the size it has
    const char* name = plug ? plug->SettingsName() : "";
    rememberedScale = ReadEditorScale(EditorSettingsPath(name));
    if (rememberedScale) {
        SetScale(rememberedScale);
        return;
    }
    if (hostGaveScale || desktopScaleRead)
        return;
    desktopScaleRead = true;
    if (const int desktop = DesktopScale())
        SetScale(desktop);
}

bool IDrawContext::SetEditorScaleFactor(double factor) {
    hostGaveScale = true;
    // The user's own choice outlasts the host's factor, which only says what
    // the screen is: hosts repeat it at every open and would undo the choice.
    if (!rememberedScale)
        SetScale(NearestEditorScale(factor));
    return true;
}

IPopupMenu IDrawContext::EditorMenu() const {
    IPopupMenu menu;
    menu.AddItem("Editor size", IPopupMenu::kItemGrayed | IPopupMenu::kItemDisabled, nullptr);
    for (const int s : EditorScales())
        menu.AddItem((std::to_string(s) + " %").c_str(), s == scale);
    return menu;
}

void IDrawContext::ShowEditorMenu(int x, int y) {
    IPopupMenu menu = EditorMenu();
    IPopupMenu* chosen = RunPopupMenu(&menu, Rect{x, y, x, y});
    if (chosen == &menu)
        ChooseEditorMenuItem(menu.ChosenIndex());
}

void IDrawContext::ChooseEditorMenuItem(int index) {
    const auto scales = EditorScales();
    if (index >= 1 && index <= static_cast<int>(scales.size()))
        ChooseEditorScale(scales[static_cast<std::size_t>(index - 1)]);
}

void IDrawContext::ChooseEditorScale(int percent) {
    if (!IsEditorScale(percent))
        return;
    rememberedScale = percent;
    if (plug)
        WriteEditorScale(EditorSettingsPath(plug->SettingsName()), percent);
    SetScale(percent);
    if (plug)
        plug->ResizeEditor(PhysicalWidth(), PhysicalHeight());
}

int IDrawContext::SnapEditorSize(int& physicalWidth, int& physicalHeight) const {
    // The scale whose size is nearest to the proposal, judged by the larger
    // of the two differences; the aspect ratio is the editor's.
    int best = kDefaultEditorScale;
    long long bestDistance = -1;
    for (const int s : EditorScales()) {
        const long long d =
            std::max(std::llabs(static_cast<long long>(physicalWidth) - ScaledLength(width, s)),
                     std::llabs(static_cast<long long>(physicalHeight) - ScaledLength(height, s)));
        if (bestDistance < 0 || d < bestDistance) {
            best = s;
            bestDistance = d;
        }
    }
    physicalWidth = ScaledLength(width, best);
    physicalHeight = ScaledLength(height, best);
    return best;
}

int IDrawContext::PhysicalWidth() const {
    return ScaledLength(width, scale);
}

int IDrawContext::PhysicalHeight() const {
    return ScaledLength(height, scale);
}

namespace {

// floor(v * scale / 100) and its ceiling, for any sign.
int ScaleDown(int v, int scale) {
    const long long p = static_cast<long long>(v) * scale;
    return static_cast<int>(p >= 0 ? p / 100 : -((-p + 99) / 100));
}

int ScaleUp(int v, int scale) {
    return -ScaleDown(-v, scale);
}

} // namespace

Rect IDrawContext::ToPhysical(const Rect& rect) const {
    return Rect{ScaleDown(rect.left, scale), ScaleDown(rect.top, scale), ScaleUp(rect.right, scale),
                ScaleUp(rect.bottom, scale)};
}

int IDrawContext::ToEditorLength(int physicalLength) const {
    // ceil(physicalLength * 100 / scale): the units that hold that many pixels.
    const long long p = static_cast<long long>(std::max(physicalLength, 0)) * 100;
    return static_cast<int>((p + scale - 1) / scale);
}

int IDrawContext::ToPhysicalLength(int units) const {
    return ScaledLength(units, scale);
}

TextStyle IDrawContext::ScaledStyle(const TextStyle& style) const {
    TextStyle scaled = style;
    scaled.size = ScaledLength(style.size, scale);
    scaled.cachedFont = nullptr;
    return scaled;
}

int IDrawContext::OverlayLineHeight(TextStyle& scaledStyle) {
    PIX_CachedFont* font = CacheFont(scaledStyle);
    return font ? font->LineHeight() : scaledStyle.size;
}

int IDrawContext::ToEditorUnits(int physical) const {
    // The unit whose physical span holds the pixel: floor(physical * 100 / scale).
    const long long p = static_cast<long long>(physical) * 100;
    return static_cast<int>(p >= 0 ? p / scale : -((-p + scale - 1) / scale));
}

PIX_IBitmap* IDrawContext::BitmapAtScale(const BitmapRef& bitmap) {
    constexpr int kArtScale = 200; // the scale the larger art is drawn at
    const int artId = bitmap.id + kScaledImageIdOffset;
    PIX_IBitmap* art = FindCachedBitmap(artId);
    if (!art && bitmap.name)
        art = AddCachedBitmap(artId, LoadPlatformBitmap(artId, bitmap.name));
    if (!art || scale == kArtScale)
        return art;
    // Intermediate scales: cached under an ID of their own per scale.
    constexpr int kScaleStep = 25;
    const int key = bitmap.id + kScaledImageIdOffset * (scale / kScaleStep);
    if (PIX_IBitmap* derived = FindCachedBitmap(key))
        return derived;
    const int n = std::max(bitmap.frames, 1);
    return AddCachedBitmap(key,
                           new PIX_ScaledStrip(art, n, ScaledLength(bitmap.FrameWidth(), scale),
                                               ScaledLength(bitmap.FrameHeight(), scale)));
}

bool IDrawContext::BlitScaled(const BitmapRef& bitmap, const Rect& rect, int srcX, int srcY,
                              float weight, int mode) {
    PIX_IBitmap* art = BitmapAtScale(bitmap);
    const int fw = bitmap.FrameWidth();
    const int fh = bitmap.FrameHeight();
    const int n = std::max(bitmap.frames, 1);
    if (!art || fw <= 0 || fh <= 0 || srcX < 0 || srcY < 0)
        return true;
    // The frame drawn and the offset inside it, in editor units.
    const bool across = bitmap.framesHorizontal;
    const int frame = std::min(across ? srcX / fw : srcY / fh, n - 1);
    const int inX = across ? srcX - frame * fw : srcX;
    const int inY = across ? srcY : srcY - frame * fh;
    // The same in physical pixels of the art at this scale.
    const int pw = across ? art->Width() / n : art->Width();
    const int ph = across ? art->Height() : art->Height() / n;
    const int sx = ScaledLength(inX, scale);
    const int sy = ScaledLength(inY, scale);
    const int dx = ScaledLength(rect.left, scale);
    const int dy = ScaledLength(rect.top, scale);
    const int w = std::min(ScaledLength(rect.right, scale) - dx, pw - sx);
    const int h = std::min(ScaledLength(rect.bottom, scale) - dy, ph - sy);
    const Rect r = Intersection(Rect{dx, dy, dx + w, dy + h}, ToPhysical(drawRect));
    if (r.right <= r.left || r.bottom <= r.top)
        return true;
    const int frameX = across ? frame * pw : 0;
    const int frameY = across ? 0 : frame * ph;
    Rect source{frameX + sx + r.left - dx, frameY + sy + r.top - dy, frameX + sx + r.right - dx,
                frameY + sy + r.bottom - dy};
    int origin = 0;
    PIX_IBitmap* pixels = art->RowsFor(source.top, source.bottom, origin);
    if (!pixels)
        return true;
    source.top -= origin;
    source.bottom -= origin;
    BlitPixels(drawBitmap, pixels, r.left, r.top, &source, weight, mode);
    return true;
}

void IDrawContext::AttachBackground(int id, const char* name) {
    const BitmapRef ref = LoadBitmapRef(id, name, 1);
    InsertBackground(new IBitmapControl(plug, 0, 0, -1, ref, BlendOpaque));
}

void IDrawContext::InsertBackground(IControl* control) {
    if (control)
        controls.insert(controls.begin(), control);
}

int IDrawContext::AttachControl(IControl* control) {
    if (!control)
        return -1;
    controls.push_back(control);
    return ControlCount() - 1;
}

IControl* IDrawContext::GetControl(int index) {
    if (index < 0 || index >= ControlCount())
        return nullptr;
    return controls[static_cast<std::size_t>(index)];
}

void IDrawContext::SetKeyCatcher(IControl* control) {
    delete keyCatcher;
    keyCatcher = control;
}

bool IDrawContext::CollectDirtyRegion(Rect& region) {
    UpdateReadout();
    bool any = false;
    region = Rect{};
    if (!overlayDirty.IsEmpty()) {
        any = true;
        region = overlayDirty;
    }
    for (IControl* control : controls) {
        if (!control->NeedsRedraw())
            continue;
        any = true;
        const Rect& r = control->GetRect();
        if (region.IsEmpty())
            region = r;
        else if (!r.IsEmpty())
            region = BoundingBox(region, r);
    }
    return any;
}

bool IDrawContext::DrawRegion(const Rect& rect) {
    if (controls.empty())
        return true;
    CreateSurfaces(); // something draws without a window: a tool's picture
    drawRect = rect;
    for (IControl* control : controls) {
        if (!control->IsHidden() && Intersects(rect, control->GetRect()))
            control->Render(*this);
    }
    DrawOverlays();
    for (IControl* control : controls)
        control->MarkClean();
    if (!overlayDirty.IsEmpty() && BoundingBox(rect, overlayDirty) == rect)
        overlayDirty = Rect{};
    return PresentRegion(rect);
}

bool IDrawContext::BlitBitmap(const BitmapRef& bitmap, const Rect& rect, int srcX, int srcY,
                              const Blend* blend) {
    const float weight = blend ? blend->weight : 1.0f;
    const int mode = blend ? BlitModeFor(blend->method) : (kBlitCopy | kBlitUseAlpha);
    if (scale != 100)
        return BlitScaled(bitmap, rect, srcX, srcY, weight, mode);
    const Rect r = Intersection(rect, drawRect);
    Rect source{srcX + r.left - rect.left, srcY + r.top - rect.top, srcX + r.right - rect.left,
                srcY + r.bottom - rect.top};
    if (!bitmap.bitmap || source.right <= source.left || source.bottom <= source.top)
        return true;
    // Only the rows drawn need pixels: a strip may hand over just that frame.
    int origin = 0;
    PIX_IBitmap* pixels = bitmap.bitmap->RowsFor(source.top, source.bottom, origin);
    source.top -= origin;
    source.bottom -= origin;
    BlitPixels(drawBitmap, pixels, r.left, r.top, &source, weight, mode);
    return true;
}

bool IDrawContext::RedrawDirty() {
    Rect region;
    if (!CollectDirtyRegion(region))
        return false;
    DrawRegion(region);
    return true;
}

void IDrawContext::MarkAllDirty() {
    for (IControl* control : controls)
        control->MarkDirty(false);
}

int IDrawContext::HitTestFor(int x, int y, bool hoverRule) const {
    for (int i = ControlCount() - 1; i >= 0; --i) {
        const IControl* control = controls[static_cast<std::size_t>(i)];
        if (control->IsHidden())
            continue;
        if (control->IsGrayed() && !(hoverRule && control->HoverWhenGrayed()))
            continue;
        if (control->HitTest(x, y))
            return i;
    }
    return -1;
}

int IDrawContext::HitTest(int x, int y) const {
    return HitTestFor(x, y, false);
}

void IDrawContext::EndOpenGesture() {
    const int param = openGesture;
    openGesture = -1;
    deferredGesture = -1;
    if (plug && param >= 0)
        plug->EndHostEdit(param);
}

void IDrawContext::MouseDown(int x, int y, const MouseMods& mods) {
    lastMouseX = lastMouseY = -1;
    mouseCapture = -1;
    EndOpenGesture(); // a press while another button still holds a gesture
    const int hit = HitTest(x, y);
    if (mods.right && (hit < 0 || (hit == 0 && controls.front()->ParamIndex() < 0))) {
        // On the background or beside every control the right button opens
        // the editor's own menu.
        ShowEditorMenu(x, y);
        return;
    }
    if (hit < 0)
        return;
    IControl* control = controls[static_cast<std::size_t>(hit)];
    mouseCapture = hit;
    lastMouseX = x;
    lastMouseY = y;
    pressMoved = false;
    pressWithCtrl = false;
    const int param = control->ParamIndex();
    if (plug && plug->HostOffersParamMenu() && mods.right) {
        if (param >= 0) {
            lastMouseX = lastMouseY = -1;
            mouseCapture = -1;
            // The host places its menu in the view's physical pixels.
            if (!plug->ShowHostParamMenu(param, ScaledLength(x, scale), ScaledLength(y, scale)))
                ShowOwnParamMenu(control, x, y);
            return;
        }
    } else if (plug && param >= 0 && mods.left && mods.ctrl &&
               dynamic_cast<IKnobControl*>(control)) {
        // Released unmoved it opens typed entry, which makes its own gesture;
        // dragged it is fine adjustment, whose gesture starts with the drag.
        pressWithCtrl = true;
        deferredGesture = param;
    } else if (plug && param >= 0) {
        plug->BeginHostEdit(param);
        openGesture = param;
    }
    control->OnPress(x, y, mods);
}

void IDrawContext::MouseDrag(int x, int y, const MouseMods& mods) {
    if (mouseCapture < 0 || mouseCapture >= ControlCount())
        return;
    if (x == lastMouseX && y == lastMouseY)
        return;
    const int dX = x - lastMouseX;
    const int dY = y - lastMouseY;
    lastMouseX = x;
    lastMouseY = y;
    pressMoved = true;
    if (deferredGesture >= 0 && plug) {
        openGesture = deferredGesture;
        deferredGesture = -1;
        plug->BeginHostEdit(openGesture);
    }
    controls[static_cast<std::size_t>(mouseCapture)]->OnDrag(x, y, dX, dY, mods);
}

void IDrawContext::MouseUp(int x, int y, const MouseMods& mods) {
    const bool captured = mouseCapture >= 0;
    const int c = captured ? mouseCapture : HitTest(x, y);
    mouseCapture = lastMouseX = lastMouseY = -1;
    if (c < 0 || c >= ControlCount()) {
        EndOpenGesture();
        pressWithCtrl = false;
        return;
    }
    IControl* control = controls[static_cast<std::size_t>(c)];
    control->OnRelease(x, y, mods);
    // Only a gesture that a press began is ended: a release after a
    // host-menu press or a double click has none.
    if (control->ParamIndex() >= 0 && control->ParamIndex() == openGesture)
        EndOpenGesture();
    const bool typeValue = pressWithCtrl && !pressMoved && captured;
    deferredGesture = -1;
    pressWithCtrl = false;
    if (typeValue)
        OpenValueEntry(control);
}

bool IDrawContext::MouseDoubleClick(int x, int y, const MouseMods& mods) {
    lastMouseX = lastMouseY = mouseCapture = -1;
    pressWithCtrl = false;
    const int hit = HitTest(x, y);
    if (hit < 0)
        return false;
    IControl* control = controls[static_cast<std::size_t>(hit)];
    if (control->DoubleClickAsPress()) {
        mouseCapture = hit;
        lastMouseX = x;
        lastMouseY = y;
        control->OnPress(x, y, mods);
        return true;
    }
    // The value change of a double click is a gesture of its own.
    EndOpenGesture();
    const int param = control->ParamIndex();
    if (plug && param >= 0)
        plug->BeginHostEdit(param);
    control->OnDoubleClick(x, y, mods);
    if (plug && param >= 0)
        plug->EndHostEdit(param);
    return false;
}

void IDrawContext::MouseWheel(int x, int y, const MouseMods& mods, int notches) {
    const int target = mouseCapture >= 0 ? mouseCapture : HitTest(x, y);
    if (target < 0 || target >= ControlCount())
        return;
    controls[static_cast<std::size_t>(target)]->OnWheel(x, y, mods, notches);
}

bool IDrawContext::KeyDown(int x, int y, int key) {
    const int target = mouseCapture >= 0 ? mouseCapture : HitTest(x, y);
    IControl* control = nullptr;
    if (target <= 0 || target >= ControlCount())
        control = keyCatcher;
    else
        control = controls[static_cast<std::size_t>(target)];
    if (!control)
        return false;
    return control->OnKey(x, y, key);
}

bool IDrawContext::MouseHover(int x, int y, const MouseMods& mods) {
    if (!handleMouseOver)
        return false;
    const int target = mouseCapture >= 0 ? mouseCapture : HitTestFor(x, y, true);
    if (target < 0 || target >= ControlCount())
        return true;
    lastMouseX = x;
    lastMouseY = y;
    controls[static_cast<std::size_t>(target)]->OnHover(x, y, mods);
    if (mouseOver >= 0 && mouseOver != target && mouseOver < ControlCount())
        controls[static_cast<std::size_t>(mouseOver)]->OnLeave();
    mouseOver = target;
    return true;
}

void IDrawContext::MouseLeave() {
    for (IControl* control : controls)
        control->OnLeave();
    mouseOver = -1;
}

void IDrawContext::PromptValueEntry(IControl* control, IParamRecord* param, const Rect& rect) {
    if (!control || !param)
        return;
    const ParamKind kind = param->Kind();
    if (kind == kParamList || (kind == kParamBoolean && !param->DisplayTexts().empty())) {
        IPopupMenu menu;
        const std::string current = param->CurrentText();
        const int count = static_cast<int>(param->DisplayTexts().size());
        for (int i = 0; i < count; ++i) {
            const char* title = param->DisplayTextFor(i);
            menu.AddItem(title, current == (title ? title : ""));
        }
        IPopupMenu* chosen = RunPopupMenu(&menu, rect);
        if (chosen && chosen->ChosenIndex() >= 0)
            control->ApplyUserValue(param->ToNormalised(chosen->ChosenIndex()));
        return;
    }
    char text[64];
    const double v = param->Value();
    if (param->DisplayPrecision() > 0) {
        std::snprintf(text, sizeof text, "%.*f", param->DisplayPrecision(),
                      param->NegateDisplay() ? -v : v);
    } else {
        const double shown = std::clamp(param->NegateDisplay() ? -v : v, -1e15, 1e15);
        std::snprintf(text, sizeof text, "%lld",
                      static_cast<long long>(shown == shown ? shown : 0.0));
    }
    OpenTextEntry(control, ScaledStyle(control->Text()), rect, text, param);
}

} // namespace torvik

namespace torvik {

bool IDrawContext::StartValueEntry(int paramIndex) {
    if (!IsWindowOpen())
        return false;
    for (IControl* control : controls) {
        if (control->ParamIndex() == paramIndex && dynamic_cast<IKnobControl*>(control))
            return OpenValueEntry(control);
    }
    return false;
}

bool IDrawContext::OpenValueEntry(IControl* control) {
    IParamRecord* param = plug && control ? plug->ParamAt(control->ParamIndex()) : nullptr;
    if (!param || !IsWindowOpen())
        return false;
    const std::string text = param->TextWithUnit(param->Value());
    OpenTextEntry(control, ScaledStyle(control->Text()),
                  EntryRectFor(control->GetRect(), width, height), text.c_str(), param);
    return true;
}

IDrawContext::EntryOutcome IDrawContext::CommitValueText(IControl* control, IParamRecord* param,
                                                         const char* text) {
    double normalised = 0.0;
    if (!control || !param || !param->ReadText(text, normalised))
        return EntryOutcome::kRefused;
    const int index = control->ParamIndex();
    if (plug && index >= 0)
        plug->BeginHostEdit(index);
    // Exactly one perform, also when the typed value is the one already set.
    if (normalised != control->Value())
        control->ApplyUserValue(normalised);
    else
        control->MarkDirty(true);
    if (plug && index >= 0)
        plug->EndHostEdit(index);
    return EntryOutcome::kApplied;
}

} // namespace torvik

namespace torvik {

void IDrawContext::ShowOwnParamMenu(IControl* control, int x, int y) {
    if (!dynamic_cast<IKnobControl*>(control))
        return;
    IPopupMenu menu;
    menu.AddItem("Enter value...");
    IPopupMenu* chosen = RunPopupMenu(&menu, Rect{x, y, x, y});
    if (chosen == &menu && menu.ChosenIndex() == 0)
        OpenValueEntry(control);
}

void IDrawContext::SetValueReadout(bool on) {
    valueReadout = on;
    if (on)
        handleMouseOver = true;
}

void IDrawContext::MarkOverlayDirty(const Rect& r) {
    if (r.IsEmpty())
        return;
    overlayDirty = overlayDirty.IsEmpty() ? r : BoundingBox(overlayDirty, r);
}

void IDrawContext::UpdateReadout() {
    ReadoutState next;
    const int target = mouseCapture >= 0 ? mouseCapture : mouseOver;
    IControl* control = GetControl(target);
    if (valueReadout && IsWindowOpen() && control && control != EntryControl() &&
        dynamic_cast<IKnobControl*>(control)) {
        if (const IParamRecord* param = plug ? plug->ParamAt(control->ParamIndex()) : nullptr) {
            next.control = target;
            next.name = param->Name();
            next.value = param->TextWithUnit(param->FromNormalised(control->Value()));
        }
    }
    if (next.control == readout.control && next.name == readout.name && next.value == readout.value)
        return; // nothing changed: nothing to repaint
    if (next.control >= 0) {
        // Measured with the font at the scale, laid out in editor units.
        TextStyle style = ScaledStyle(OverlayTextStyle(ValueOverlay::kText));
        Rect nameRect{0, 0, 0, 0};
        Rect valueRect{0, 0, 0, 0};
        MeasureTextRect(style, next.name.c_str(), nameRect);
        MeasureTextRect(style, next.value.c_str(), valueRect);
        next.rect = ReadoutRectFor(control->GetRect(),
                                   ToEditorLength(std::max(nameRect.Width(), valueRect.Width())),
                                   ToEditorLength(OverlayLineHeight(style)), width, height);
    }
    MarkOverlayDirty(readout.rect);
    MarkOverlayDirty(next.rect);
    readout = next;
}

void IDrawContext::DrawOverlays() {
    if (!readout.rect.IsEmpty() && Intersects(drawRect, readout.rect)) {
        // Drawn in physical pixels: the frame's width, the gaps and the text's
        // size scale, the text is hinted at its own size.
        const Rect r = ToPhysical(readout.rect);
        const Rect clip = ToPhysical(drawRect);
        const int border = ToPhysicalLength(1);
        FillOverlayRect(drawBitmap, r, clip, ValueOverlay::kFrame);
        FillOverlayRect(drawBitmap,
                        Rect{r.left + border, r.top + border, r.right - border, r.bottom - border},
                        clip, ValueOverlay::kBackground);
        TextStyle style = ScaledStyle(OverlayTextStyle(ValueOverlay::kText));
        const int lineHeight = OverlayLineHeight(style);
        const int top = r.top + ToPhysicalLength(ValueOverlay::kPadY);
        // Drawn whole: outside drawRect it lands where the readout is anyway.
        DrawTextInto(drawBitmap, style, readout.name.c_str(),
                     Rect{r.left, top, r.right, top + lineHeight});
        const int second = top + lineHeight + ToPhysicalLength(ValueOverlay::kLineGap);
        DrawTextInto(drawBitmap, style, readout.value.c_str(),
                     Rect{r.left, second, r.right, second + lineHeight});
    }
    DrawOverlayExtras();
}

} // namespace torvik
