#include "vst3sdk/helpers/pluginfactory.h"

#include "vst3sdk/helpers/ustring.h"

#include <cstring>
#include <new>

namespace Steinberg {

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory() {
    CPluginFactory* self = this;
    globalFactory.compare_exchange_strong(self, nullptr);
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunction createFunc,
                                   void* context) {
    if (info == nullptr || createFunc == nullptr)
        return false;
    PClassInfo2 info2;
    std::memset(&info2, 0, sizeof info2);
    std::memcpy(&info2, info, sizeof(PClassInfo));
    return registerClass(&info2, createFunc, context);
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunction createFunc,
                                   void* context) {
    if (info == nullptr || createFunc == nullptr)
        return false;
    ClassEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.info8 = *info;
    PClassInfoW& w = entry.info16;
    std::memcpy(w.cid, info->cid, sizeof(TUID));
    w.cardinality = info->cardinality;
    w.classFlags = info->classFlags;
    strncpy8(w.category, info->category, PClassInfoW::kCategorySize);
    strncpy8(w.subCategories, info->subCategories, PClassInfoW::kSubCategoriesSize);
    // Fields may fill their width without a terminator: widen at most the field's bytes.
    auto widen = [](char16* dst, const char8* src, int32 n) {
        char8 bounded[PClassInfo2::kSubCategoriesSize + 1] = {};
        std::memcpy(bounded, src, static_cast<size_t>(n));
        str8ToStr16(dst, bounded, n);
    };
    widen(w.name, info->name, PClassInfoW::kNameSize);
    widen(w.vendor, info->vendor, PClassInfoW::kVendorSize);
    widen(w.version, info->version, PClassInfoW::kVersionSize);
    widen(w.sdkVersion, info->sdkVersion, PClassInfoW::kVersionSize);
    entry.create = createFunc;
    entry.context = context;
    entry.unicodeOnly = false;
    try {
        if (classes.size() == classes.capacity())
            classes.reserve(classes.size() + 10);
        classes.push_back(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunction createFunc,
                                   void* context) {
    if (info == nullptr || createFunc == nullptr)
        return false;
    ClassEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.info16 = *info;
    entry.create = createFunc;
    entry.context = context;
    entry.unicodeOnly = true;
    try {
        if (classes.size() == classes.capacity())
            classes.reserve(classes.size() + 10);
        classes.push_back(entry);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CPluginFactory::isClassRegistered(const TUID cid) const {
    for (const ClassEntry& entry : classes)
        if (iidEqual(entry.info16.cid, cid))
            return true;
    return false;
}

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    if (iidEqual(_iid, IPluginFactory::iid) || iidEqual(_iid, IPluginFactory2::iid) ||
        iidEqual(_iid, IPluginFactory3::iid) || iidEqual(_iid, FUnknown::iid)) {
        addRef();
        *obj = static_cast<IPluginFactory3*>(this);
        return kResultOk;
    }
    *obj = nullptr;
    return kNoInterface;
}

uint32 PLUGIN_API CPluginFactory::addRef() {
    return static_cast<uint32>(++refCount);
}

uint32 PLUGIN_API CPluginFactory::release() {
    const int32 count = --refCount;
    if (count == 0) {
        delete this;
        return 0;
    }
    return static_cast<uint32>(count);
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (info != nullptr)
        *info = factoryInfo;
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses() {
    return static_cast<int32>(classes.size());
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    if (info == nullptr || index < 0 || index >= countClasses())
        return kInvalidArgument;
    const ClassEntry& entry = classes[static_cast<size_t>(index)];
    if (entry.unicodeOnly) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    std::memcpy(info, &entry.info8, sizeof *info);
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    if (info == nullptr || index < 0 || index >= countClasses())
        return kInvalidArgument;
    const ClassEntry& entry = classes[static_cast<size_t>(index)];
    if (entry.unicodeOnly) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    *info = entry.info8;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    if (info == nullptr || index < 0 || index >= countClasses())
        return kInvalidArgument;
    *info = classes[static_cast<size_t>(index)].info16;
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj) {
    if (obj == nullptr)
        return kInvalidArgument;
    *obj = nullptr;
    if (cid == nullptr || _iid == nullptr)
        return kNoInterface;
    for (const ClassEntry& entry : classes) {
        if (!iidEqual(entry.info16.cid, cid))
            continue;
        FUnknown* instance = nullptr;
        try {
            instance = entry.create(entry.context);
        } catch (...) {
            // Nothing may throw across the module boundary.
            instance = nullptr;
        }
        if (instance == nullptr)
            return kNoInterface;
        if (instance->queryInterface(_iid, obj) != kResultOk) {
            *obj = nullptr;
            instance->release();
            return kNoInterface;
        }
        instance->release();
        return kResultOk;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown*) {
    return kNotImplemented;
}

} // namespace Steinberg
