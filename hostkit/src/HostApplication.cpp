#include "hostkit/HostApplication.h"

#include "vst3sdk/helpers/ustring.h"

#include <algorithm>
#include <cstring>

namespace hostkit {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {
std::string key(const char* id) {
    return id != nullptr ? std::string(id) : std::string();
}
} // namespace

tresult PLUGIN_API AttributeList::setInt(AttrID id, int64 value) {
    if (id == nullptr)
        return kInvalidArgument;
    values[key(id)] = value;
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::getInt(AttrID id, int64& value) {
    const auto it = values.find(key(id));
    if (id == nullptr || it == values.end() || !std::holds_alternative<int64>(it->second))
        return kResultFalse;
    value = std::get<int64>(it->second);
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::setFloat(AttrID id, double value) {
    if (id == nullptr)
        return kInvalidArgument;
    values[key(id)] = value;
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::getFloat(AttrID id, double& value) {
    const auto it = values.find(key(id));
    if (id == nullptr || it == values.end() || !std::holds_alternative<double>(it->second))
        return kResultFalse;
    value = std::get<double>(it->second);
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::setString(AttrID id, const TChar* string) {
    if (id == nullptr || string == nullptr)
        return kInvalidArgument;
    values[key(id)] = std::u16string(string);
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::getString(AttrID id, TChar* string, uint32 sizeInBytes) {
    const auto it = values.find(key(id));
    if (id == nullptr || string == nullptr || it == values.end() ||
        !std::holds_alternative<std::u16string>(it->second))
        return kResultFalse;
    const auto units = static_cast<int32>(sizeInBytes / sizeof(TChar));
    if (units <= 0)
        return kResultFalse;
    copyToFixed(string, std::get<std::u16string>(it->second), units);
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::setBinary(AttrID id, const void* data, uint32 sizeInBytes) {
    if (id == nullptr || (data == nullptr && sizeInBytes > 0))
        return kInvalidArgument;
    const char* bytes = static_cast<const char*>(data);
    values[key(id)] = std::vector<char>(bytes, bytes + sizeInBytes);
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::getBinary(AttrID id, const void*& data, uint32& sizeInBytes) {
    const auto it = values.find(key(id));
    if (id == nullptr || it == values.end() ||
        !std::holds_alternative<std::vector<char>>(it->second))
        return kResultFalse;
    const auto& blob = std::get<std::vector<char>>(it->second);
    data = blob.data();
    sizeInBytes = static_cast<uint32>(blob.size());
    return kResultTrue;
}

tresult PLUGIN_API AttributeList::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IAttributeList::iid, IAttributeList, this)
    return FObject::queryInterface(_iid, obj);
}

Message::Message() : attributes(new AttributeList()) {}

Message::~Message() {
    attributes->release();
}

FIDString PLUGIN_API Message::getMessageID() {
    return hasId ? messageId.c_str() : nullptr;
}

void PLUGIN_API Message::setMessageID(FIDString id) {
    hasId = id != nullptr;
    messageId = id != nullptr ? id : "";
}

IAttributeList* PLUGIN_API Message::getAttributes() {
    return attributes;
}

tresult PLUGIN_API Message::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IMessage::iid, IMessage, this)
    return FObject::queryInterface(_iid, obj);
}

HostApplication::HostApplication(std::u16string name) : hostName(std::move(name)) {}

void HostApplication::setName(std::u16string newName) {
    std::lock_guard<std::mutex> guard(lock);
    hostName = std::move(newName);
}

tresult PLUGIN_API HostApplication::getName(String128 name) {
    if (name == nullptr)
        return kInvalidArgument;
    std::lock_guard<std::mutex> guard(lock);
    copyToFixed(name, hostName, 128);
    return kResultTrue;
}

tresult PLUGIN_API HostApplication::createInstance(TUID cid, TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (iidEqual(cid, IMessage::iid) && iidEqual(_iid, IMessage::iid)) {
        *obj = static_cast<IMessage*>(new Message());
        ++created;
        return kResultTrue;
    }
    if (iidEqual(cid, IAttributeList::iid) && iidEqual(_iid, IAttributeList::iid)) {
        *obj = static_cast<IAttributeList*>(new AttributeList());
        ++created;
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API HostApplication::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    QUERY_INTERFACE(_iid, obj, IHostApplication::iid, IHostApplication, this)
    return FObject::queryInterface(_iid, obj);
}

} // namespace hostkit
