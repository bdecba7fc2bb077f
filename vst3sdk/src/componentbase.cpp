#include "vst3sdk/helpers/componentbase.h"

#include "vst3sdk/helpers/ustring.h"
#include "vst3sdk/pluginterfaces/vst/ivsthostapplication.h"

namespace Steinberg::Vst {

ComponentBase::~ComponentBase() {
    if (peerConnection != nullptr)
        peerConnection->release();
    if (hostContext != nullptr)
        hostContext->release();
}

tresult PLUGIN_API ComponentBase::initialize(FUnknown* context) {
    if (hostContext != nullptr)
        return kResultFalse;
    hostContext = context;
    if (hostContext != nullptr)
        hostContext->addRef();
    return kResultOk;
}

tresult PLUGIN_API ComponentBase::terminate() {
    if (hostContext != nullptr) {
        hostContext->release();
        hostContext = nullptr;
    }
    if (peerConnection != nullptr) {
        IConnectionPoint* peer = peerConnection;
        peerConnection = nullptr;
        peer->disconnect(this);
        peer->release();
    }
    return kResultOk;
}

tresult PLUGIN_API ComponentBase::connect(IConnectionPoint* other) {
    if (other == nullptr)
        return kInvalidArgument;
    if (peerConnection != nullptr)
        return kResultFalse;
    peerConnection = other;
    peerConnection->addRef();
    return kResultOk;
}

tresult PLUGIN_API ComponentBase::disconnect(IConnectionPoint* other) {
    if (peerConnection != nullptr && other == peerConnection) {
        peerConnection->release();
        peerConnection = nullptr;
        return kResultOk;
    }
    return kResultFalse;
}

tresult PLUGIN_API ComponentBase::notify(IMessage* message) {
    if (message == nullptr)
        return kInvalidArgument;
    if (!FIDStringsEqual(message->getMessageID(), "TextMessage"))
        return kResultFalse;
    IAttributeList* attributes = message->getAttributes();
    if (attributes == nullptr)
        return kResultFalse;
    // 512 units of room, announced as 512 bytes: safe whether the host reads units or bytes.
    char16 text[512] = {};
    if (attributes->getString("Text", text, 512) != kResultOk)
        return kResultFalse;
    text[511] = 0;
    return receiveText(toUtf8(text).c_str());
}

tresult PLUGIN_API ComponentBase::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IPluginBase::iid, IPluginBase, this)
    QUERY_INTERFACE(_iid, obj, IConnectionPoint::iid, IConnectionPoint, this)
    return FObject::queryInterface(_iid, obj);
}

IMessage* ComponentBase::allocateMessage() const {
    FUnknownPtr<IHostApplication> host(hostContext);
    if (!host)
        return nullptr;
    TUID cid;
    TUID msgIid;
    std::memcpy(cid, IMessage::iid, sizeof cid);
    std::memcpy(msgIid, IMessage::iid, sizeof msgIid);
    void* obj = nullptr;
    if (host->createInstance(cid, msgIid, &obj) == kResultTrue)
        return static_cast<IMessage*>(obj);
    return nullptr;
}

tresult ComponentBase::sendMessage(IMessage* message) const {
    if (message == nullptr || peerConnection == nullptr)
        return kResultFalse;
    return peerConnection->notify(message);
}

tresult ComponentBase::sendTextMessage(const char8* text) const {
    IMessage* message = allocateMessage();
    if (message == nullptr)
        return kResultFalse;
    message->setMessageID("TextMessage");
    UString256 wide;
    wide.assign(fromUtf8(text != nullptr ? text : "").c_str());
    tresult result = kResultFalse;
    if (IAttributeList* attributes = message->getAttributes()) {
        attributes->setString("Text", wide.data());
        result = sendMessage(message);
    }
    message->release();
    return result;
}

tresult ComponentBase::receiveText(const char8*) {
    return kResultOk;
}

} // namespace Steinberg::Vst
