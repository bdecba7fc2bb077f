#include "vst3sdk/helpers/fobject.h"

#include <cstring>
#include <random>

namespace Steinberg {

bool classIDsEqual(FClassID a, FClassID b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

const TUID& FObject::objectIID() {
    static const struct RandomId {
        TUID bytes;
        RandomId() {
            std::random_device source;
            for (auto& b : bytes)
                b = static_cast<char>(source() & 0xFF);
        }
    } id;
    return id.bytes;
}

tresult PLUGIN_API FObject::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    if (iidEqual(_iid, FUnknown::iid) || iidEqual(_iid, IDependent::iid) ||
        iidEqual(_iid, objectIID())) {
        addRef();
        *obj = iidEqual(_iid, objectIID()) ? static_cast<void*>(this)
                                           : static_cast<void*>(static_cast<IDependent*>(this));
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API FObject::addRef() {
    return static_cast<uint32>(++refCount);
}

uint32 PLUGIN_API FObject::release() {
    const int32 count = --refCount;
    if (count == 0) {
        // Guards against a release re-entered from the destructor.
        refCount = -1000;
        delete this;
        return 0;
    }
    return static_cast<uint32>(count);
}

void PLUGIN_API FObject::update(FUnknown*, int32) {}

void FObject::changed(int32) {}

bool FObject::isTypeOf(FClassID s, bool) const {
    return classIDsEqual(s, getFClassID());
}

} // namespace Steinberg
