// The host context handed to initialize: IHostApplication with messages and attribute lists.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/vst/ivsthostapplication.h"
#include "vst3sdk/pluginterfaces/vst/ivstmessage.h"

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

namespace hostkit {

/** Named integers, floats, strings and binary blobs. */
class AttributeList : public Steinberg::FObject, public Steinberg::Vst::IAttributeList {
public:
    Steinberg::tresult PLUGIN_API setInt(AttrID id, Steinberg::int64 value) override;
    Steinberg::tresult PLUGIN_API getInt(AttrID id, Steinberg::int64& value) override;
    Steinberg::tresult PLUGIN_API setFloat(AttrID id, double value) override;
    Steinberg::tresult PLUGIN_API getFloat(AttrID id, double& value) override;
    Steinberg::tresult PLUGIN_API setString(AttrID id,
                                            const Steinberg::Vst::TChar* string) override;
    /** Copies at most sizeInBytes / 2 units, always terminated; kResultFalse when absent. */
    Steinberg::tresult PLUGIN_API getString(AttrID id, Steinberg::Vst::TChar* string,
                                            Steinberg::uint32 sizeInBytes) override;
    Steinberg::tresult PLUGIN_API setBinary(AttrID id, const void* data,
                                            Steinberg::uint32 sizeInBytes) override;
    /** The pointer stays valid until the attribute is set again or the list dies. */
    Steinberg::tresult PLUGIN_API getBinary(AttrID id, const void*& data,
                                            Steinberg::uint32& sizeInBytes) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    using Value = std::variant<Steinberg::int64, double, std::u16string, std::vector<char>>;
    std::map<std::string, Value> values; ///< by attribute ID
};

/** A message: an ID and an attribute list. */
class Message : public Steinberg::FObject, public Steinberg::Vst::IMessage {
public:
    Message();
    ~Message() override;

    Steinberg::FIDString PLUGIN_API getMessageID() override;
    void PLUGIN_API setMessageID(Steinberg::FIDString id) override;
    Steinberg::Vst::IAttributeList* PLUGIN_API getAttributes() override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::string messageId;     ///< empty until set
    bool hasId = false;        ///< setMessageID was called with non-null
    AttributeList* attributes; ///< owned, counted
};

/** IHostApplication with a settable name. Real reference counting: tests can check that a
    plug-in gives back every reference it took. */
class HostApplication : public Steinberg::FObject, public Steinberg::Vst::IHostApplication {
public:
    explicit HostApplication(std::u16string name = u"TORVIK hostkit");

    void setName(std::u16string newName);
    /** Number of messages and attribute lists the plug-in asked for. */
    int createdObjects() const { return created.load(); }

    Steinberg::tresult PLUGIN_API getName(Steinberg::Vst::String128 name) override;
    Steinberg::tresult PLUGIN_API createInstance(Steinberg::TUID cid, Steinberg::TUID _iid,
                                                 void** obj) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::mutex lock;             ///< guards hostName
    std::u16string hostName;     ///< answered by getName, truncated to 127 units
    std::atomic<int> created{0}; ///< objects made by createInstance
};

} // namespace hostkit
