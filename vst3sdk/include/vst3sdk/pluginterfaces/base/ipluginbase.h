// IPluginBase and the class factory interfaces with their information records.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"

#include <cstddef>

namespace Steinberg {

/** Base of IComponent and IEditController: one-time setup with the host context. */
class IPluginBase : public FUnknown {
public:
    /** The host's context (IHostApplication on VST 3 hosts). A failure means the host releases
        the object at once without calling terminate. */
    virtual tresult PLUGIN_API initialize(FUnknown* context) = 0;
    virtual tresult PLUGIN_API terminate() = 0;

    TORVIK_DECLARE_IID(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    TORVIK_INTERFACE_DESTRUCTOR(IPluginBase)
};

/** What a factory says about its maker. 8-bit strings, zero-padded. */
struct PFactoryInfo {
    enum FactoryFlags : int32 {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kLicenseCheck = 1 << 1,
        kComponentNonDiscardable = 1 << 3,
        kUnicode = 1 << 4,
    };
    enum { kURLSize = 256, kEmailSize = 128, kNameSize = 64 };

    char8 vendor[kNameSize];
    char8 url[kURLSize];
    char8 email[kEmailSize];
    int32 flags;
};

/** Basic class information: 116 bytes, identical to the start of PClassInfo2. */
struct PClassInfo {
    enum ClassCardinality : int32 { kManyInstances = 0x7FFFFFFF };
    enum { kCategorySize = 32, kNameSize = 64 };

    TUID cid;
    int32 cardinality;
    char8 category[kCategorySize];
    char8 name[kNameSize];
};

/** Class flags of PClassInfo2::classFlags. */
namespace Vst {
enum ComponentFlags : uint32 {
    kDistributable = 1 << 0,
    kSimpleModeSupported = 1 << 1,
};
} // namespace Vst

/** Extended class information with 8-bit strings. */
struct PClassInfo2 {
    enum {
        kVendorSize = 64,
        kVersionSize = 64,
        kSubCategoriesSize = 128,
        kCategorySize = PClassInfo::kCategorySize,
        kNameSize = PClassInfo::kNameSize,
    };

    TUID cid;
    int32 cardinality;
    char8 category[kCategorySize];
    char8 name[kNameSize];
    uint32 classFlags;
    char8 subCategories[kSubCategoriesSize]; ///< categories separated by '|'
    char8 vendor[kVendorSize];
    char8 version[kVersionSize];
    char8 sdkVersion[kVersionSize];
};

/** Extended class information with UTF-16 names (category and sub-categories stay 8-bit). */
struct PClassInfoW {
    enum {
        kVendorSize = 64,
        kVersionSize = 64,
        kSubCategoriesSize = 128,
        kCategorySize = PClassInfo::kCategorySize,
        kNameSize = PClassInfo::kNameSize,
    };

    TUID cid;
    int32 cardinality;
    char8 category[kCategorySize];
    char16 name[kNameSize];
    uint32 classFlags;
    char8 subCategories[kSubCategoriesSize];
    char16 vendor[kVendorSize];
    char16 version[kVersionSize];
    char16 sdkVersion[kVersionSize];
};

/** The module's class factory (exported through GetPluginFactory). */
class IPluginFactory : public FUnknown {
public:
    virtual tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32 PLUGIN_API countClasses() = 0;
    virtual tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) = 0;
    /** `cid` and `_iid` both point at 16-byte IDs. */
    virtual tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) = 0;

    TORVIK_DECLARE_IID(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    TORVIK_INTERFACE_DESTRUCTOR(IPluginFactory)
};

class IPluginFactory2 : public IPluginFactory {
public:
    virtual tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) = 0;

    TORVIK_DECLARE_IID(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    TORVIK_INTERFACE_DESTRUCTOR(IPluginFactory2)
};

class IPluginFactory3 : public IPluginFactory2 {
public:
    virtual tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) = 0;
    virtual tresult PLUGIN_API setHostContext(FUnknown* context) = 0;

    TORVIK_DECLARE_IID(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    TORVIK_INTERFACE_DESTRUCTOR(IPluginFactory3)
};

// Layouts are part of the ABI: natural alignment, identical on Linux and Windows x64.
static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, classFlags) == 116 &&
              offsetof(PClassInfo2, subCategories) == 120 && offsetof(PClassInfo2, vendor) == 248 &&
              offsetof(PClassInfo2, version) == 312 && offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);

} // namespace Steinberg

/** Signature of the exported factory entry point. */
extern "C" {
using GetFactoryProc = Steinberg::IPluginFactory*(PLUGIN_API*)();
}
