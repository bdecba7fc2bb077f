// CPluginView: an IPlugView with default answers, a stored rectangle and parent window.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/gui/iplugview.h"

namespace Steinberg {

class CPluginView : public FObject, public IPlugView {
public:
    explicit CPluginView(const ViewRect* rect = nullptr);

    /** kNotImplemented; editors answer their platform types. */
    tresult PLUGIN_API isPlatformTypeSupported(FIDString type) override;
    /** Stores `parent` and calls attachedToParent; kResultOk. The type is not checked here. */
    tresult PLUGIN_API attached(void* parent, FIDString type) override;
    /** Clears the parent and calls removedFromParent; kResultOk. */
    tresult PLUGIN_API removed() override;
    tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
    tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
    tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
    /** Copies the rectangle; null → kInvalidArgument. */
    tresult PLUGIN_API getSize(ViewRect* size) override;
    /** Stores *newSize when given; kResultTrue. */
    tresult PLUGIN_API onSize(ViewRect* newSize) override;
    tresult PLUGIN_API onFocus(TBool) override { return kResultFalse; }
    /** Stores the frame without taking a reference (the host owns it while attached). */
    tresult PLUGIN_API setFrame(IPlugFrame* frame) override;
    tresult PLUGIN_API canResize() override { return kResultFalse; }
    tresult PLUGIN_API checkSizeConstraint(ViewRect*) override { return kResultFalse; }

    const ViewRect& getRect() const { return rect; }
    void setRect(const ViewRect& r) { rect = r; }
    bool isAttached() const { return systemWindow != nullptr; }
    void* getSystemWindow() const { return systemWindow; }
    IPlugFrame* getFrame() const { return plugFrame; }

    virtual void attachedToParent() {}
    virtual void removedFromParent() {}

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)
    OBJ_METHODS(CPluginView, FObject)

protected:
    ViewRect rect;                   ///< current size in pixels
    void* systemWindow = nullptr;    ///< parent window given by attached
    IPlugFrame* plugFrame = nullptr; ///< host frame, not counted
};

} // namespace Steinberg
