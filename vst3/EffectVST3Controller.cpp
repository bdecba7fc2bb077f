// The controller: host-facing parameters and their values, the editor view,
// and the edit notifications, resize requests and menus going to the host.
#include "vst3/EffectVST3.h"

#include "vst3/EffectParameter.h"
#include "vst3/EffectVST3View.h"
#include "vst3sdk/pluginterfaces/vst/ivstcontextmenu.h"

#include <cstring>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

UnitID IEffectVST3::UnitForGroup(const char* group) {
    if (!group || group[0] == '\0')
        return kRootUnitId;
    std::vector<std::string>& groups = ParamGroups();
    for (int i = static_cast<int>(groups.size()) - 1; i >= 0; --i) {
        if (groups[static_cast<std::size_t>(i)] == group)
            return i + 1;
    }
    groups.emplace_back(group);
    return static_cast<UnitID>(groups.size());
}

void IEffectVST3::CreateParameters() {
    String128 title;
    if (PresetCount() > 0) {
        WidenToString128("Preset", title);
        auto* preset = new Parameter(title, kPresetParamId, nullptr, 0.0, PresetCount(),
                                     ParameterInfo::kIsProgramChange, kRootUnitId);
        parameters.addParameter(preset);
    }
    WidenToString128("Bypass", title);
    auto* bypass = new StringListParameter(title, kBypassParamId, nullptr,
                                           ParameterInfo::kCanAutomate | ParameterInfo::kIsList |
                                               ParameterInfo::kIsBypass,
                                           kRootUnitId);
    String128 text;
    WidenToString128("off", text);
    bypass->appendString(text);
    WidenToString128("on", text);
    bypass->appendString(text);
    parameters.addParameter(bypass);

    for (int i = 0; i < ParamCount(); ++i) {
        IParamRecord& record = *ParamAt(i);
        parameters.addParameter(
            new IEffectParameter(record, static_cast<ParamID>(i), UnitForGroup(record.Group())));
    }
}

ParamValue PLUGIN_API IEffectVST3::getParamNormalized(ParamID id) {
    // Bypass and the records' values are read whole without the lock: a host
    // polling values from its interface thread never waits for a block.
    if (id == kBypassParamId)
        return IsBypassed() ? 1.0 : 0.0;
    if (id < static_cast<ParamID>(ParamCount()))
        return ParamAt(static_cast<int>(id))->GetNormalised();
    return 0.0;
}

tresult PLUGIN_API IEffectVST3::setParamNormalized(ParamID id, ParamValue value) {
    if (id >= static_cast<ParamID>(ParamCount()))
        return kResultFalse;
    // The audio thread may be reading this record: the lock keeps a block from
    // seeing half a write.
    std::lock_guard guard(Mutex());
    ParamAt(static_cast<int>(id))->SetFromNormalised(value);
    return kResultOk;
}

ParamValue PLUGIN_API IEffectVST3::plainParamToNormalized(ParamID id, ParamValue plain) {
    if (id < static_cast<ParamID>(ParamCount()))
        return ParamAt(static_cast<int>(id))->ToNormalised(plain);
    return plain;
}

tresult PLUGIN_API IEffectVST3::getParamStringByValue(ParamID id, ParamValue value,
                                                      String128 text) {
    if (!text || id >= static_cast<ParamID>(ParamCount()))
        return kResultFalse;
    WidenToString128(ParamAt(static_cast<int>(id))->FormatForHost(value).c_str(), text);
    return kResultOk;
}

IPlugView* PLUGIN_API IEffectVST3::createView(FIDString name) {
    if (!name || std::strcmp(name, "editor") != 0)
        return nullptr;
    auto* view = new IEffectVST3View(this);
    views.push_back(view);
    return view;
}

void IEffectVST3::ForgetView(IEffectVST3View* view) {
    std::erase(views, view);
}

tresult PLUGIN_API IEffectVST3::setKnobMode(KnobMode) {
    return kResultOk;
}

tresult PLUGIN_API IEffectVST3::openHelp(TBool) {
    return kResultFalse;
}

tresult PLUGIN_API IEffectVST3::openAboutBox(TBool) {
    return kResultFalse;
}

void IEffectVST3::BeginHostEdit(int index) {
    beginEdit(static_cast<ParamID>(index));
}

void IEffectVST3::InformHostEdit(int index, double normalised) {
    performEdit(static_cast<ParamID>(index), normalised);
}

void IEffectVST3::EndHostEdit(int index) {
    endEdit(static_cast<ParamID>(index));
}

void IEffectVST3::ResizeEditor(int width, int height) {
    if (!Graphics() || views.empty() || !views.front()->getFrame())
        return;
    IEffectVST3View* view = views.front();
    view->ExpectNewSize();
    ViewRect rect{0, 0, width, height};
    view->getFrame()->resizeView(view, &rect);
}

void IEffectVST3::ShowHostParamMenu(int index, int x, int y) {
    if (!componentHandler || views.empty())
        return;
    IComponentHandler3* handler3 = nullptr;
    if (componentHandler->queryInterface(IComponentHandler3::iid,
                                         reinterpret_cast<void**>(&handler3)) != kResultOk ||
        !handler3)
        return;
    const ParamID id = static_cast<ParamID>(index);
    if (IContextMenu* menu = handler3->createContextMenu(views.front(), &id)) {
        menu->popup(x, y);
        menu->release();
    }
    handler3->release();
}

} // namespace torvik
