#include "vst3sdk/helpers/pluginview.h"

namespace Steinberg {

CPluginView::CPluginView(const ViewRect* r) {
    if (r != nullptr)
        rect = *r;
}

tresult PLUGIN_API CPluginView::isPlatformTypeSupported(FIDString) {
    return kNotImplemented;
}

tresult PLUGIN_API CPluginView::attached(void* parent, FIDString) {
    systemWindow = parent;
    attachedToParent();
    return kResultOk;
}

tresult PLUGIN_API CPluginView::removed() {
    systemWindow = nullptr;
    removedFromParent();
    return kResultOk;
}

tresult PLUGIN_API CPluginView::getSize(ViewRect* size) {
    if (size == nullptr)
        return kInvalidArgument;
    *size = rect;
    return kResultTrue;
}

tresult PLUGIN_API CPluginView::onSize(ViewRect* newSize) {
    if (newSize != nullptr)
        rect = *newSize;
    return kResultTrue;
}

tresult PLUGIN_API CPluginView::setFrame(IPlugFrame* frame) {
    plugFrame = frame;
    return kResultTrue;
}

tresult PLUGIN_API CPluginView::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IPlugView::iid, IPlugView, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace Steinberg
