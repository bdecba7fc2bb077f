// A component handler that records every edit and restart request of a controller.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/vst/ivstcontextmenu.h"
#include "vst3sdk/pluginterfaces/vst/ivsteditcontroller.h"

#include <mutex>
#include <string>
#include <vector>

namespace hostkit {

/** One call a controller made on the host. */
struct HandlerCall {
    enum class Kind {
        BeginEdit,
        PerformEdit,
        EndEdit,
        RestartComponent,
        SetDirty,
        RequestOpenEditor,
        StartGroupEdit,
        FinishGroupEdit,
        CreateContextMenu,
    };
    HandlerCall(Kind k, Steinberg::Vst::ParamID paramId = 0, Steinberg::Vst::ParamValue v = 0,
                Steinberg::int32 f = 0, std::string t = {})
        : kind(k), id(paramId), value(v), flags(f), text(std::move(t)) {}

    Kind kind;                            ///< which call
    Steinberg::Vst::ParamID id = 0;       ///< parameter (edits, context menu)
    Steinberg::Vst::ParamValue value = 0; ///< normalised value (performEdit)
    Steinberg::int32 flags = 0;           ///< restart flags, or dirty state
    std::string text;                     ///< editor name (requestOpenEditor)

    bool operator==(const HandlerCall& other) const = default;
};

/** IComponentHandler, IComponentHandler2 and IComponentHandler3 (which answers no menu).
    Thread-safe: validators edit from several threads. */
class ComponentHandler : public Steinberg::FObject,
                         public Steinberg::Vst::IComponentHandler,
                         public Steinberg::Vst::IComponentHandler2,
                         public Steinberg::Vst::IComponentHandler3 {
public:
    /** Snapshot of every call so far, in order. */
    std::vector<HandlerCall> calls() const;
    void clear();
    /** Answer given to every edit call (kResultOk by default). */
    void setEditAnswer(Steinberg::tresult answer) { editAnswer = answer; }

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue valueNormalized) override;
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override;
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32 flags) override;
    Steinberg::tresult PLUGIN_API setDirty(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API requestOpenEditor(Steinberg::FIDString name) override;
    Steinberg::tresult PLUGIN_API startGroupEdit() override;
    Steinberg::tresult PLUGIN_API finishGroupEdit() override;
    Steinberg::Vst::IContextMenu* PLUGIN_API createContextMenu(
        Steinberg::IPlugView* plugView, const Steinberg::Vst::ParamID* paramID) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    void record(HandlerCall call);

    mutable std::mutex lock;                              ///< guards log
    std::vector<HandlerCall> log;                         ///< every call in order
    Steinberg::tresult editAnswer = Steinberg::kResultOk; ///< answer of edit calls
};

} // namespace hostkit
