// The controller: host-facing parameters and their values, the editor view,
// and the edit notifications, resize requests and menus going to the host.
#include "vst3/EffectVST3.h"

#include "vst3/EffectParameter.h"
#include "vst3/EffectVST3View.h"
#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivstcontextmenu.h"

#include <cstring>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// Tag of our item in the host's parameter menu.
constexpr int32 kEnterValueTag = 1;

// Receives the host's call when the user picks "Enter value" in its menu for a
// parameter; holds the plug-in while the host holds the target.
class ValueEntryTarget : public FObject, public IContextMenuTarget {
public:
    ValueEntryTarget(IEffectVST3* plugIn, int param) : plug(plugIn), index(param) {
        plug->addRef();
    }
    ~ValueEntryTarget() override { plug->release(); }

    tresult PLUGIN_API executeMenuItem(int32 tag) override {
        if (tag != kEnterValueTag)
            return kResultFalse;
        IEditorGraphics* graphics = plug->Graphics();
        return graphics && graphics->StartValueEntry(index) ? kResultOk : kResultFalse;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override {
        if (iidEqual(iid, IContextMenuTarget::iid) || iidEqual(iid, FUnknown::iid)) {
            addRef();
            *obj = static_cast<IContextMenuTarget*>(this);
            return kResultOk;
        }
        return FObject::queryInterface(iid, obj);
    }
    REFCOUNT_METHODS(FObject)

private:
    IEffectVST3* plug; // one reference held
    int index;         // the menu's parameter
};

} // namespace

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
    if (Graphics())
        Graphics()->ChooseOpeningScale();
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

bool IEffectVST3::ShowHostParamMenu(int index, int x, int y) {
    if (!componentHandler || views.empty())
        return false;
    IComponentHandler3* handler3 = nullptr;
    if (componentHandler->queryInterface(IComponentHandler3::iid,
                                         reinterpret_cast<void**>(&handler3)) != kResultOk ||
        !handler3)
        return false;
    const ParamID id = static_cast<ParamID>(index);
    bool shown = false;
    if (IContextMenu* menu = handler3->createContextMenu(views.front(), &id)) {
        // The host's own items first, then ours: typing the value.
        IContextMenu::Item item{};
        copyToFixed(item.name, u"Enter value\u2026", 128);
        item.tag = kEnterValueTag;
        item.flags = 0;
        auto* target = new ValueEntryTarget(this, index);
        menu->addItem(item, target);
        target->release(); // the menu holds it as long as it needs it
        menu->popup(x, y);
        menu->release();
        shown = true;
    }
    handler3->release();
    return shown;
}

} // namespace torvik
