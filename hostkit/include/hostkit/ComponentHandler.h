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

/** A host's parameter menu: keeps the items a plug-in adds with their targets, and
    records where it was popped up. A test picks an item through its target. */
class ContextMenu : public Steinberg::FObject, public Steinberg::Vst::IContextMenu {
public:
    struct Entry {
        Item item;
        Steinberg::Vst::IContextMenuTarget* target; ///< one reference held
    };
    ~ContextMenu() override;
    const std::vector<Entry>& entries() const { return items; }
    int popupCount() const { return popups; }

    Steinberg::int32 PLUGIN_API getItemCount() override;
    Steinberg::tresult PLUGIN_API getItem(Steinberg::int32 index, Item& item,
                                          Steinberg::Vst::IContextMenuTarget** target) override;
    Steinberg::tresult PLUGIN_API addItem(const Item& item,
                                          Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API removeItem(const Item& item,
                                             Steinberg::Vst::IContextMenuTarget* target) override;
    Steinberg::tresult PLUGIN_API popup(Steinberg::UCoord x, Steinberg::UCoord y) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::vector<Entry> items;
    int popups = 0;
};

/** IComponentHandler, IComponentHandler2 and IComponentHandler3 (which answers no menu
    unless asked to offer one).
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
    /** Whether createContextMenu answers a menu (off by default). */
    void setOffersMenus(bool on) { offersMenus = on; }
    /** The last menu created, kept until the next one; none before. */
    ContextMenu* lastMenu() const { return menu; }
    ~ComponentHandler() override;

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
    bool offersMenus = false;                             ///< createContextMenu answers one
    ContextMenu* menu = nullptr;                          ///< last menu; one reference held
};

} // namespace hostkit
