// ComponentBase: host context and connection peer shared by controllers and components.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/base/ipluginbase.h"
#include "vst3sdk/pluginterfaces/vst/ivstmessage.h"

namespace Steinberg::Vst {

class ComponentBase : public FObject, public IPluginBase, public IConnectionPoint {
public:
    ComponentBase() = default;
    ~ComponentBase() override;

    /** Stores the context (counted) → kResultOk; a context already stored → kResultFalse. */
    tresult PLUGIN_API initialize(FUnknown* context) override;
    /** Drops the context and disconnects the peer. */
    tresult PLUGIN_API terminate() override;

    tresult PLUGIN_API connect(IConnectionPoint* other) override;
    tresult PLUGIN_API disconnect(IConnectionPoint* other) override;
    /** "TextMessage" with a "Text" attribute goes to receiveText; everything else kResultFalse. */
    tresult PLUGIN_API notify(IMessage* message) override;

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)
    OBJ_METHODS(ComponentBase, FObject)

    FUnknown* getHostContext() const { return hostContext; }
    IConnectionPoint* getPeer() const { return peerConnection; }

    /** A new message from the host (IHostApplication::createInstance), or null. Caller releases. */
    IMessage* allocateMessage() const;
    /** Sends "TextMessage" with "Text" (at most 255 units) to the peer. */
    tresult sendTextMessage(const char8* text) const;
    /** Sends a message to the peer; kResultFalse without one. */
    tresult sendMessage(IMessage* message) const;
    /** Text of a "TextMessage" in UTF-8; answered by notify. */
    virtual tresult receiveText(const char8* text);

protected:
    FUnknown* hostContext = nullptr;            ///< counted host context from initialize
    IConnectionPoint* peerConnection = nullptr; ///< counted peer from connect
};

} // namespace Steinberg::Vst
