// Messages between component and controller: IConnectionPoint, IMessage, IAttributeList.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

namespace Steinberg::Vst {

/** Host side: named values of a message. */
class IAttributeList : public FUnknown {
public:
    using AttrID = const char*;

    virtual tresult PLUGIN_API setInt(AttrID id, int64 value) = 0;
    virtual tresult PLUGIN_API getInt(AttrID id, int64& value) = 0;
    virtual tresult PLUGIN_API setFloat(AttrID id, double value) = 0;
    virtual tresult PLUGIN_API getFloat(AttrID id, double& value) = 0;
    virtual tresult PLUGIN_API setString(AttrID id, const TChar* string) = 0;
    /** `sizeInBytes` of the destination (older hosts read it as units; pass a buffer that is
        large enough either way). */
    virtual tresult PLUGIN_API getString(AttrID id, TChar* string, uint32 sizeInBytes) = 0;
    virtual tresult PLUGIN_API setBinary(AttrID id, const void* data, uint32 sizeInBytes) = 0;
    virtual tresult PLUGIN_API getBinary(AttrID id, const void*& data, uint32& sizeInBytes) = 0;

    TORVIK_DECLARE_IID(0x1E5F0AEB, 0xCC7F4533, 0xA2544011, 0x38AD5EE4);
    TORVIK_INTERFACE_DESTRUCTOR(IAttributeList)
};

/** Host side: a message with an ID and attributes. */
class IMessage : public FUnknown {
public:
    virtual FIDString PLUGIN_API getMessageID() = 0;
    virtual void PLUGIN_API setMessageID(FIDString id) = 0;
    /** No new reference. */
    virtual IAttributeList* PLUGIN_API getAttributes() = 0;

    TORVIK_DECLARE_IID(0x936F033B, 0xC6C047DB, 0xBB0882F8, 0x13C1E613);
    TORVIK_INTERFACE_DESTRUCTOR(IMessage)
};

/** Both sides of a split plug-in: the host connects component and controller. */
class IConnectionPoint : public FUnknown {
public:
    virtual tresult PLUGIN_API connect(IConnectionPoint* other) = 0;
    virtual tresult PLUGIN_API disconnect(IConnectionPoint* other) = 0;
    virtual tresult PLUGIN_API notify(IMessage* message) = 0;

    TORVIK_DECLARE_IID(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
    TORVIK_INTERFACE_DESTRUCTOR(IConnectionPoint)
};

} // namespace Steinberg::Vst
