// CPluginFactory: the standard class factory of a module.
#pragma once

#include "vst3sdk/pluginterfaces/base/ipluginbase.h"

#include <atomic>
#include <vector>

namespace Steinberg {

/** Builds a new object for the factory; answers it with one reference, or null. */
using CreateFunction = FUnknown* (*)(void* context);

class CPluginFactory : public IPluginFactory3 {
public:
    /** Reference count 1 (the creator's). */
    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();
    CPluginFactory(const CPluginFactory&) = delete;
    CPluginFactory& operator=(const CPluginFactory&) = delete;

    /** Registers 8-bit class information; the UTF-16 copy is derived by widening. */
    bool registerClass(const PClassInfo* info, CreateFunction createFunc, void* context = nullptr);
    bool registerClass(const PClassInfo2* info, CreateFunction createFunc, void* context = nullptr);
    /** Registers UTF-16 class information only (getClassInfo/2 then answer kResultFalse). */
    bool registerClass(const PClassInfoW* info, CreateFunction createFunc, void* context = nullptr);
    bool isClassRegistered(const TUID cid) const;

    tresult PLUGIN_API queryInterface(const TUID _iid, void** obj) override;
    uint32 PLUGIN_API addRef() override;
    uint32 PLUGIN_API release() override;

    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) override;
    int32 PLUGIN_API countClasses() override;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) override;
    /** First entry with a matching 16-byte cid creates; the object is queried for `_iid`. */
    tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) override;
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) override;
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    /** Keeps nothing: this layer's editors get their run loop from the IPlugFrame. */
    tresult PLUGIN_API setHostContext(FUnknown* context) override;

    /** The module's global factory, or null (no new reference). */
    static CPluginFactory* current() { return globalFactory.load(); }
    /** Stores the module's global factory (done by the GetPluginFactory helper). */
    static void setCurrent(CPluginFactory* factory) { globalFactory = factory; }

private:
    struct ClassEntry {
        PClassInfo2 info8;     ///< 8-bit information (zeroed for a UTF-16-only entry)
        PClassInfoW info16;    ///< UTF-16 information
        CreateFunction create; ///< builds the object
        void* context;         ///< passed to `create`
        bool unicodeOnly;      ///< registered with UTF-16 information only
    };

    std::atomic<int32> refCount{1};  ///< COM count
    PFactoryInfo factoryInfo;        ///< copy of the maker's information
    std::vector<ClassEntry> classes; ///< in registration order
    static inline std::atomic<CPluginFactory*> globalFactory{nullptr}; ///< module's factory
};

} // namespace Steinberg
