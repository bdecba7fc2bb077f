#pragma once
// The editor view the host asks the controller for. It draws nothing itself:
// it opens and closes an editor window of its own inside the host's window and,
// on Linux, lends that window the host's run loop for its timer and events.
// Other views of the same plug-in have windows of their own, untouched by it.
#include "vst3sdk/helpers/pluginview.h"
#include "vst3sdk/pluginterfaces/gui/iplugview.h"

namespace torvik {

class IEffectVST3;

class IEffectVST3View : public Steinberg::CPluginView,
                        public Steinberg::IPlugViewContentScaleSupport
#if !defined(_WIN32)
    ,
                        public Steinberg::Linux::ITimerHandler,
                        public Steinberg::Linux::IEventHandler
#endif
{
public:
    explicit IEffectVST3View(IEffectVST3* plugin);
    ~IEffectVST3View() override;

    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    Steinberg::tresult PLUGIN_API removed() override;
    Steinberg::tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    Steinberg::tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    Steinberg::tresult PLUGIN_API setFrame(Steinberg::IPlugFrame* frame) override;
    // The user may drag the editor to any of its sizes; a proposal snaps to the nearest.
    Steinberg::tresult PLUGIN_API canResize() override;
    Steinberg::tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;
    // The host's screen scale: the editor takes the nearest supported scale,
    // reports that size from getSize and asks the frame for it.
    Steinberg::tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

#if !defined(_WIN32)
    void PLUGIN_API onTimer() override;
    void PLUGIN_API onFDIsSet(Steinberg::Linux::FileDescriptor fd) override;
#endif

    // The view asked the host for a new size; the next onSize is the answer.
    void ExpectNewSize() {
        expectingNewSize = true;
    }
    bool ExpectingNewSize() const {
        return expectingNewSize;
    }

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    REFCOUNT_METHODS(CPluginView)
    OBJ_METHODS(IEffectVST3View, CPluginView)

private:
    void StartRunLoop();
    // Asks the frame, if any, for the editor's current physical size.
    void RequestEditorSize();
    void StopRunLoop();

    IEffectVST3* plugin;           // counted: the view keeps its plug-in alive
    bool expectingNewSize = false; // set when the view itself asked for a new size
    void* window = nullptr;        // this view's own editor window, while attached
#if !defined(_WIN32)
    Steinberg::Linux::IRunLoop* runLoop = nullptr; // counted while timers are registered
#endif
};

} // namespace torvik
