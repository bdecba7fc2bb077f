#include "lv2/EffectLv2Ui.h"

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace torvik {
namespace {

using namespace lv2;

const void* FeatureData(const LV2_Feature* const* features, const char* uri) {
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if ((*f)->URI && std::strcmp((*f)->URI, uri) == 0)
            return (*f)->data;
    }
    return nullptr;
}

} // namespace

IEffectLv2Ui::IEffectLv2Ui(const PluginFacts& facts)
    : IEffectBase(facts), held(static_cast<std::size_t>(ParamCount()), false) {}

IEffectLv2Ui::~IEffectLv2Ui() {
    CloseEditor();
}

bool IEffectLv2Ui::Instantiate(LV2UI_Write_Function writeFunction, LV2UI_Controller hostController,
                               const LV2_Feature* const* features,
                               std::span<const int> meterControls) {
    IEditorGraphics* graphics = Graphics();
    if (!graphics || !writeFunction)
        return false;
    write = writeFunction;
    controller = hostController;
    touch = static_cast<const LV2UI_Touch*>(FeatureData(features, LV2_UI__touch));
    if (touch && !touch->touch)
        touch = nullptr;
    resize = static_cast<const LV2UI_Resize*>(FeatureData(features, LV2_UI__resize));
    if (resize && !resize->ui_resize)
        resize = nullptr;
    meters.assign(meterControls.begin(), meterControls.end());
    // A control takes its first value as its default without drawing it: the
    // meters get their ports' resting value, so the host's first one shows.
    for (const int control : meters)
        graphics->SetControlValueFromPlug(control, 0.0);
    TakeScaleOption(features);
    // The parent's data is the host window's X11 ID; without it, no window.
    window = graphics->OpenEditorWindow(const_cast<void*>(FeatureData(features, LV2_UI__parent)));
    if (!window)
        return false;
    if (resize)
        resize->ui_resize(resize->handle, graphics->EditorPhysicalWidth(),
                          graphics->EditorPhysicalHeight());
    OnEditorOpen();
    return true;
}

void IEffectLv2Ui::TakeScaleOption(const LV2_Feature* const* features) {
    const auto* map = static_cast<const LV2_URID_Map*>(FeatureData(features, LV2_URID__map));
    const auto* option =
        static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
    if (!map || !map->map || !option)
        return;
    const LV2_URID scaleKey = map->map(map->handle, LV2_UI__scaleFactor);
    const LV2_URID floatType = map->map(map->handle, LV2_ATOM__Float);
    for (; option->key != 0; ++option) {
        if (option->key != scaleKey || option->type != floatType || option->size != sizeof(float) ||
            !option->value)
            continue;
        float factor = 0.0f;
        std::memcpy(&factor, option->value, sizeof factor);
        if (std::isfinite(factor) && factor > 0.0f)
            Graphics()->SetEditorScaleFactor(static_cast<double>(factor));
    }
}

void IEffectLv2Ui::CloseEditor() {
    if (window && Graphics()) {
        OnEditorClose();
        Graphics()->CloseEditorWindow(window);
    }
    window = nullptr;
}

void IEffectLv2Ui::PortEvent(std::uint32_t port, std::uint32_t size, std::uint32_t format,
                             const void* buffer) {
    IEditorGraphics* graphics = Graphics();
    if (format != 0 || size != sizeof(float) || !buffer || !graphics)
        return;
    float value = 0.0f;
    std::memcpy(&value, buffer, sizeof value);
    if (!std::isfinite(value))
        return;
    const unsigned firstMeter = FirstMeterPort(ParamCount());
    if (port >= kFirstParamPort && port < EnabledPort(ParamCount())) {
        const int index = static_cast<int>(port - kFirstParamPort);
        // While the user holds the control, the host echoes the values the
        // editor wrote, some of them already stale.
        if (held[static_cast<std::size_t>(index)])
            return;
        std::lock_guard guard(Mutex());
        IParamRecord* record = ParamAt(index);
        record->SetFromPlain(static_cast<double>(value));
        graphics->ApplyParamToControls(index, record->GetNormalised());
    } else if (port >= firstMeter && port - firstMeter < meters.size()) {
        graphics->SetControlValueFromPlug(meters[port - firstMeter],
                                          std::clamp(static_cast<double>(value), 0.0, 1.0));
    }
}

int IEffectLv2Ui::Idle() {
    IEditorGraphics* graphics = Graphics();
    if (!window || !graphics)
        return 0;
    graphics->OnWindowEvents(window);
    // Frames fall due on a fixed schedule, so idle calls a little more often
    // than the frame rate (jalv: 30 per second) still give the full rate; a
    // host that calls less often gets a frame on every call.
    const auto now = std::chrono::steady_clock::now();
    if (now >= nextFrame) {
        const auto interval = std::chrono::milliseconds(graphics->TimerIntervalMs());
        nextFrame += interval;
        if (nextFrame <= now)
            nextFrame = now + interval;
        graphics->OnWindowTimer();
    }
    return 0;
}

void IEffectLv2Ui::BeginHostEdit(int index) {
    if (!ParamAt(index))
        return;
    held[static_cast<std::size_t>(index)] = true;
    if (touch)
        touch->touch(touch->handle, ParamPort(index), true);
}

void IEffectLv2Ui::InformHostEdit(int index, double /*normalised*/) {
    const IParamRecord* record = ParamAt(index);
    if (!record || !write)
        return;
    // Control ports carry real units: the record's value, stepped as it stores it.
    const auto value = static_cast<float>(record->Value());
    write(controller, ParamPort(index), sizeof value, 0, &value);
}

void IEffectLv2Ui::EndHostEdit(int index) {
    if (!ParamAt(index))
        return;
    held[static_cast<std::size_t>(index)] = false;
    if (touch)
        touch->touch(touch->handle, ParamPort(index), false);
}

void IEffectLv2Ui::ResizeEditor(int width, int height) {
    if (resize && width > 0 && height > 0)
        resize->ui_resize(resize->handle, width, height);
}

const LV2UI_Idle_Interface IEffectLv2Ui::kIdleInterface = {
    [](LV2UI_Handle ui) { return static_cast<IEffectLv2Ui*>(ui)->Idle(); },
};

} // namespace torvik
