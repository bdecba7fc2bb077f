#include "vst3sdk/helpers/moduleentry.h"

#include "vst3sdk/helpers/ustring.h"

#include <cstring>
#include <mutex>

namespace Steinberg {

namespace {
std::mutex& moduleLock() {
    static std::mutex lock;
    return lock;
}
void* moduleHandle = nullptr; ///< handle from ModuleEntry
} // namespace

bool ModuleEntryCounter::enter() {
    std::lock_guard<std::mutex> guard(moduleLock());
    return ++entries == 1;
}

bool ModuleEntryCounter::exit(bool& ok) {
    std::lock_guard<std::mutex> guard(moduleLock());
    if (entries <= 0) {
        ok = false;
        return false;
    }
    ok = true;
    return --entries == 0;
}

int32 ModuleEntryCounter::count() const {
    std::lock_guard<std::mutex> guard(moduleLock());
    return entries;
}

void* getModuleHandle() {
    return moduleHandle;
}
void setModuleHandle(void* handle) {
    moduleHandle = handle;
}

IPluginFactory* getOrCreatePluginFactory(const PFactoryInfo& info,
                                         void (*registerClasses)(CPluginFactory& factory)) {
    static std::mutex factoryLock;
    std::lock_guard<std::mutex> guard(factoryLock);
    if (CPluginFactory* existing = CPluginFactory::current()) {
        existing->addRef();
        return existing;
    }
    PFactoryInfo withUnicode = info;
    withUnicode.flags |= PFactoryInfo::kUnicode;
    auto* factory = new (std::nothrow) CPluginFactory(withUnicode);
    if (factory == nullptr)
        return nullptr;
    if (registerClasses != nullptr)
        registerClasses(*factory);
    CPluginFactory::setCurrent(factory);
    return factory;
}

PFactoryInfo makeFactoryInfo(const char* vendor, const char* url, const char* email, int32 flags) {
    PFactoryInfo info;
    std::memset(&info, 0, sizeof info);
    // One byte short of the width keeps a terminator in every field.
    strncpy8(info.vendor, vendor, PFactoryInfo::kNameSize - 1);
    strncpy8(info.url, url, PFactoryInfo::kURLSize - 1);
    strncpy8(info.email, email, PFactoryInfo::kEmailSize - 1);
    info.flags = flags;
    return info;
}

PClassInfo2 makeClassInfo2(const TUID cid, int32 cardinality, const char* category,
                           const char* name, uint32 classFlags, const char* subCategories,
                           const char* vendor, const char* version, const char* sdkVersion) {
    PClassInfo2 info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(info.cid, cid, sizeof(TUID));
    info.cardinality = cardinality;
    strncpy8(info.category, category, PClassInfo2::kCategorySize - 1);
    strncpy8(info.name, name, PClassInfo2::kNameSize - 1);
    info.classFlags = classFlags;
    strncpy8(info.subCategories, subCategories, PClassInfo2::kSubCategoriesSize - 1);
    strncpy8(info.vendor, vendor, PClassInfo2::kVendorSize - 1);
    strncpy8(info.version, version, PClassInfo2::kVersionSize - 1);
    strncpy8(info.sdkVersion, sdkVersion, PClassInfo2::kVersionSize - 1);
    return info;
}

} // namespace Steinberg
