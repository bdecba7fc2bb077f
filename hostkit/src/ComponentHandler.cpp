#include "hostkit/ComponentHandler.h"

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

std::vector<HandlerCall> ComponentHandler::calls() const {
    std::lock_guard<std::mutex> guard(lock);
    return log;
}

void ComponentHandler::clear() {
    std::lock_guard<std::mutex> guard(lock);
    log.clear();
}

void ComponentHandler::record(HandlerCall call) {
    std::lock_guard<std::mutex> guard(lock);
    log.push_back(std::move(call));
}

tresult PLUGIN_API ComponentHandler::beginEdit(ParamID id) {
    record({HandlerCall::Kind::BeginEdit, id});
    return editAnswer;
}

tresult PLUGIN_API ComponentHandler::performEdit(ParamID id, ParamValue valueNormalized) {
    record({HandlerCall::Kind::PerformEdit, id, valueNormalized});
    return editAnswer;
}

tresult PLUGIN_API ComponentHandler::endEdit(ParamID id) {
    record({HandlerCall::Kind::EndEdit, id});
    return editAnswer;
}

tresult PLUGIN_API ComponentHandler::restartComponent(int32 flags) {
    record({HandlerCall::Kind::RestartComponent, 0, 0, flags});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::setDirty(TBool state) {
    record({HandlerCall::Kind::SetDirty, 0, 0, state});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::requestOpenEditor(FIDString name) {
    record({HandlerCall::Kind::RequestOpenEditor, 0, 0, 0, name != nullptr ? name : ""});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::startGroupEdit() {
    record({HandlerCall::Kind::StartGroupEdit});
    return kResultOk;
}

tresult PLUGIN_API ComponentHandler::finishGroupEdit() {
    record({HandlerCall::Kind::FinishGroupEdit});
    return kResultOk;
}

IContextMenu* PLUGIN_API ComponentHandler::createContextMenu(IPlugView*, const ParamID* paramID) {
    record({HandlerCall::Kind::CreateContextMenu, paramID != nullptr ? *paramID : kNoParamId});
    if (!offersMenus)
        return nullptr;
    if (menu)
        menu->release();
    menu = new ContextMenu();
    menu->addRef(); // the caller's reference
    return menu;
}

ComponentHandler::~ComponentHandler() {
    if (menu)
        menu->release();
}

ContextMenu::~ContextMenu() {
    for (Entry& entry : items) {
        if (entry.target)
            entry.target->release();
    }
}

int32 PLUGIN_API ContextMenu::getItemCount() {
    return static_cast<int32>(items.size());
}

tresult PLUGIN_API ContextMenu::getItem(int32 index, Item& item, IContextMenuTarget** target) {
    if (index < 0 || index >= getItemCount())
        return kResultFalse;
    const Entry& entry = items[static_cast<std::size_t>(index)];
    item = entry.item;
    if (target) {
        *target = entry.target;
        if (entry.target)
            entry.target->addRef();
    }
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::addItem(const Item& item, IContextMenuTarget* target) {
    if (target)
        target->addRef();
    items.push_back({item, target});
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::removeItem(const Item& item, IContextMenuTarget* target) {
    for (auto it = items.begin(); it != items.end(); ++it) {
        if (it->item.tag == item.tag && it->target == target) {
            if (it->target)
                it->target->release();
            items.erase(it);
            return kResultOk;
        }
    }
    return kResultFalse;
}

tresult PLUGIN_API ContextMenu::popup(UCoord, UCoord) {
    ++popups;
    return kResultOk;
}

tresult PLUGIN_API ContextMenu::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IContextMenu::iid, IContextMenu, this)
    return FObject::queryInterface(_iid, obj);
}

tresult PLUGIN_API ComponentHandler::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IComponentHandler::iid, IComponentHandler, this)
    QUERY_INTERFACE(_iid, obj, IComponentHandler2::iid, IComponentHandler2, this)
    QUERY_INTERFACE(_iid, obj, IComponentHandler3::iid, IComponentHandler3, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace hostkit
