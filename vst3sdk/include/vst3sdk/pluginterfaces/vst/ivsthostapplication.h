// IHostApplication: the context the host passes to initialize.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

namespace Steinberg::Vst {

class IHostApplication : public FUnknown {
public:
    virtual tresult PLUGIN_API getName(String128 name) = 0;
    /** cid = iid = IMessage::iid (or IAttributeList::iid) makes a message (attribute list). */
    virtual tresult PLUGIN_API createInstance(TUID cid, TUID _iid, void** obj) = 0;

    TORVIK_DECLARE_IID(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
    TORVIK_INTERFACE_DESTRUCTOR(IHostApplication)
};

} // namespace Steinberg::Vst
