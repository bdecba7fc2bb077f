#include "hostkit/Module.h"

#include "vst3sdk/helpers/ustring.h"

#include <cstring>
#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/utsname.h>
#endif

namespace hostkit {

using namespace Steinberg;
namespace fs = std::filesystem;

namespace {

// Text of a fixed 8-bit field that may fill its width without a terminator.
std::string fieldText(const char* field, size_t width) {
    return std::string(field, strnlen(field, width));
}

std::string fieldText16(const char16* field, int32 width) {
    return toUtf8(field, width);
}

void setError(std::string* error, const std::string& text) {
    if (error != nullptr)
        *error = text;
}

#if defined(_WIN32)
void* openLibrary(const std::string& path, std::string& error) {
    HMODULE handle = LoadLibraryW(fs::path(path).wstring().c_str());
    if (handle == nullptr)
        error = "LoadLibraryW failed with error " + std::to_string(GetLastError());
    return reinterpret_cast<void*>(handle);
}
void* findSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
void closeLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}
#else
void* openLibrary(const std::string& path, std::string& error) {
    void* handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "dlopen failed";
    }
    return handle;
}
void* findSymbol(void* library, const char* name) {
    return dlsym(library, name);
}
void closeLibrary(void* library) {
    dlclose(library);
}
#endif

using BoolEntry = bool (*)(void*);
using BoolExit = bool (*)();
using BoolInit = bool (*)();

} // namespace

std::string Module::BinaryPathInBundle(const std::string& bundle) {
    const fs::path root(bundle);
    const std::string stem =
        root.filename().empty() ? root.parent_path().stem().string() : root.stem().string();
#if defined(_WIN32)
    return (root / "Contents" / "x86_64-win" / (stem + ".vst3")).string();
#else
    struct utsname names {};
    std::string machine = "x86_64";
    if (uname(&names) == 0)
        machine = names.machine;
    return (root / "Contents" / (machine + "-linux") / (stem + ".so")).string();
#endif
}

std::shared_ptr<Module> Module::Load(const std::string& bundle, std::string* error) {
    std::error_code ec;
    std::string binary;
#if defined(_WIN32)
    // A plain file is an old-style single-file module.
    binary = fs::is_directory(bundle, ec) ? BinaryPathInBundle(bundle) : bundle;
#else
    if (!fs::is_directory(bundle, ec)) {
        setError(error, "not a bundle directory: " + bundle);
        return nullptr;
    }
    binary = BinaryPathInBundle(bundle);
#endif
    if (!fs::is_regular_file(binary, ec)) {
        setError(error, "no module binary at " + binary);
        return nullptr;
    }

    std::shared_ptr<Module> module(new Module());
    module->bundlePath = bundle;
    std::string openError;
    module->library = openLibrary(binary, openError);
    if (module->library == nullptr) {
        setError(error, openError);
        return nullptr;
    }

    auto getFactory =
        reinterpret_cast<GetFactoryProc>(findSymbol(module->library, "GetPluginFactory"));
    if (getFactory == nullptr) {
        setError(error, "module exports no GetPluginFactory");
        return nullptr;
    }
#if defined(_WIN32)
    if (auto init = reinterpret_cast<BoolInit>(findSymbol(module->library, "InitDll"))) {
        if (!init()) {
            setError(error, "InitDll failed");
            return nullptr;
        }
    }
    module->entered = true;
#else
    auto entry = reinterpret_cast<BoolEntry>(findSymbol(module->library, "ModuleEntry"));
    auto exitFn = reinterpret_cast<BoolExit>(findSymbol(module->library, "ModuleExit"));
    if (entry == nullptr || exitFn == nullptr) {
        setError(error, "module exports no ModuleEntry/ModuleExit");
        return nullptr;
    }
    if (!entry(module->library)) {
        setError(error, "ModuleEntry failed");
        return nullptr;
    }
    module->entered = true;
#endif
    module->pluginFactory = getFactory();
    if (module->pluginFactory == nullptr) {
        setError(error, "GetPluginFactory answered null");
        return nullptr;
    }
    module->readClasses();
    return module;
}

Module::~Module() {
    if (pluginFactory != nullptr) {
        pluginFactory->release();
        pluginFactory = nullptr;
    }
    if (library != nullptr) {
        if (entered) {
#if defined(_WIN32)
            if (auto exitFn = reinterpret_cast<BoolExit>(findSymbol(library, "ExitDll")))
                exitFn();
#else
            if (auto exitFn = reinterpret_cast<BoolExit>(findSymbol(library, "ModuleExit")))
                exitFn();
#endif
        }
        closeLibrary(library);
    }
}

void Module::readClasses() {
    classList.clear();
    FUnknownPtr<IPluginFactory2> factory2(pluginFactory);
    FUnknownPtr<IPluginFactory3> factory3(pluginFactory);
    const int32 count = pluginFactory->countClasses();
    for (int32 i = 0; i < count; ++i) {
        ClassInfo entry;
        PClassInfo info;
        std::memset(&info, 0, sizeof info);
        if (pluginFactory->getClassInfo(i, &info) == kResultOk) {
            entry.cid = FUID(info.cid);
            entry.cardinality = info.cardinality;
            entry.category = fieldText(info.category, sizeof info.category);
            entry.name = fieldText(info.name, sizeof info.name);
        }
        if (factory2) {
            PClassInfo2 info2;
            std::memset(&info2, 0, sizeof info2);
            if (factory2->getClassInfo2(i, &info2) == kResultOk) {
                entry.hasInfo2 = true;
                entry.cid = FUID(info2.cid);
                entry.classFlags = info2.classFlags;
                entry.subCategories = fieldText(info2.subCategories, sizeof info2.subCategories);
                entry.vendor = fieldText(info2.vendor, sizeof info2.vendor);
                entry.version = fieldText(info2.version, sizeof info2.version);
                entry.sdkVersion = fieldText(info2.sdkVersion, sizeof info2.sdkVersion);
            }
        }
        if (factory3) {
            PClassInfoW infoW;
            std::memset(&infoW, 0, sizeof infoW);
            if (factory3->getClassInfoUnicode(i, &infoW) == kResultOk) {
                entry.hasInfoUnicode = true;
                if (!entry.hasInfo2) {
                    entry.cid = FUID(infoW.cid);
                    entry.cardinality = infoW.cardinality;
                    entry.category = fieldText(infoW.category, sizeof infoW.category);
                    entry.name = fieldText16(infoW.name, PClassInfoW::kNameSize);
                    entry.classFlags = infoW.classFlags;
                    entry.subCategories =
                        fieldText(infoW.subCategories, sizeof infoW.subCategories);
                    entry.vendor = fieldText16(infoW.vendor, PClassInfoW::kVendorSize);
                    entry.version = fieldText16(infoW.version, PClassInfoW::kVersionSize);
                    entry.sdkVersion = fieldText16(infoW.sdkVersion, PClassInfoW::kVersionSize);
                }
            }
        }
        classList.push_back(entry);
    }
}

FactoryInfo Module::factoryInfo() const {
    FactoryInfo out;
    PFactoryInfo info;
    std::memset(&info, 0, sizeof info);
    if (pluginFactory != nullptr && pluginFactory->getFactoryInfo(&info) == kResultOk) {
        out.vendor = fieldText(info.vendor, sizeof info.vendor);
        out.url = fieldText(info.url, sizeof info.url);
        out.email = fieldText(info.email, sizeof info.email);
        out.flags = info.flags;
    }
    return out;
}

const ClassInfo* Module::findClass(const std::string& category) const {
    for (const ClassInfo& entry : classList)
        if (entry.category == category)
            return &entry;
    return nullptr;
}

const ClassInfo* Module::findClass(const FUID& cid) const {
    for (const ClassInfo& entry : classList)
        if (entry.cid == cid)
            return &entry;
    return nullptr;
}

} // namespace hostkit
