// Loading a .vst3 bundle and reading its class factory.
#pragma once

#include "vst3sdk/helpers/fuid.h"
#include "vst3sdk/pluginterfaces/base/ipluginbase.h"

#include <memory>
#include <string>
#include <vector>

namespace hostkit {

/** One class the factory offers, with texts as UTF-8. */
struct ClassInfo {
    Steinberg::FUID cid;         ///< class ID
    int32_t cardinality = 0;     ///< kManyInstances = 0x7FFFFFFF
    std::string category;        ///< e.g. "Audio Module Class"
    std::string name;            ///< class name
    uint32_t classFlags = 0;     ///< kDistributable, kSimpleModeSupported
    std::string subCategories;   ///< '|'-separated
    std::string vendor;          ///< empty when the factory has no PClassInfo2
    std::string version;         ///< class version text
    std::string sdkVersion;      ///< e.g. "VST 3.6.12"
    bool hasInfo2 = false;       ///< getClassInfo2 answered
    bool hasInfoUnicode = false; ///< getClassInfoUnicode answered
};

/** The factory's own description, as UTF-8. */
struct FactoryInfo {
    std::string vendor; ///< maker's name
    std::string url;    ///< maker's web address
    std::string email;  ///< maker's contact address
    int32_t flags = 0;  ///< PFactoryInfo flags
};

/** A loaded module: the shared library of a bundle, its entry call and its factory. The module
    stays loaded as long as any Module pointer (and so any Instance made from it) exists. */
class Module {
public:
    /** Loads a bundle directory NAME.vst3 (Linux: Contents/<arch>-linux/NAME.so; Windows:
        Contents/x86_64-win/NAME.vst3, or a single-file NAME.vst3). Calls the module entry
        and GetPluginFactory. Null with `error` filled on failure. */
    static std::shared_ptr<Module> Load(const std::string& bundlePath,
                                        std::string* error = nullptr);

    /** Path of the binary inside a bundle for this platform (no check that it exists). */
    static std::string BinaryPathInBundle(const std::string& bundlePath);

    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const std::string& path() const { return bundlePath; }
    /** The factory (no new reference); valid while the module lives. */
    Steinberg::IPluginFactory* factory() const { return pluginFactory; }
    FactoryInfo factoryInfo() const;
    /** Every class, in factory order. */
    const std::vector<ClassInfo>& classes() const { return classList; }
    /** First class of the given category ("Audio Module Class" by default), or null. */
    const ClassInfo* findClass(const std::string& category = "Audio Module Class") const;
    /** Class with this ID, or null. */
    const ClassInfo* findClass(const Steinberg::FUID& cid) const;

    /** Asks the factory for an object of class `cid` with interface I; null on refusal. The
        answer holds the only reference the host owns. */
    template <class I> Steinberg::IPtr<I> create(const Steinberg::FUID& cid) const {
        void* obj = nullptr;
        if (pluginFactory == nullptr ||
            pluginFactory->createInstance(cid.toTUID(), I::iid, &obj) != Steinberg::kResultOk ||
            obj == nullptr)
            return {};
        return Steinberg::owned(static_cast<I*>(obj));
    }

private:
    Module() = default;
    void readClasses();

    std::string bundlePath;                             ///< as given to Load
    void* library = nullptr;                            ///< dlopen / LoadLibrary handle
    Steinberg::IPluginFactory* pluginFactory = nullptr; ///< counted
    bool entered = false;                               ///< module entry succeeded
    std::vector<ClassInfo> classList;                   ///< read once at load
};

} // namespace hostkit
