// Module entry points: export macro, entry/exit counting and the shared factory.
#pragma once

#include "vst3sdk/helpers/pluginfactory.h"

/** Gives an entry point default visibility (the build hides everything else) and C linkage. */
#if defined(_WIN32)
#define TORVIK_VST3_EXPORT extern "C" __declspec(dllexport)
#else
#define TORVIK_VST3_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace Steinberg {

/** Counts ModuleEntry/InitDll against ModuleExit/ExitDll: only the first entry and the matching
    last exit do work. */
class ModuleEntryCounter {
public:
    /** True when this is the first entry (the caller then initialises). */
    bool enter();
    /** True when this was the last exit (the caller then cleans up). `ok` is false for an exit
        without a matching entry. */
    bool exit(bool& ok);
    int32 count() const;

private:
    int32 entries = 0; ///< balance of entries and exits, guarded by a module lock
};

/** The dlopen handle passed to ModuleEntry (Linux), or null before entry. */
void* getModuleHandle();
void setModuleHandle(void* handle);

/** Answers the module's factory with one new reference for the caller. The first call (and the
    first after the last release) builds it from `info` (kUnicode always added) and lets
    `registerClasses` fill it. Guarded so that concurrent callers share one factory. */
IPluginFactory* getOrCreatePluginFactory(const PFactoryInfo& info,
                                         void (*registerClasses)(CPluginFactory& factory));

/** Fills a PFactoryInfo from 8-bit texts, truncated to their fields and zero-padded. */
PFactoryInfo makeFactoryInfo(const char* vendor, const char* url, const char* email,
                             int32 flags = PFactoryInfo::kUnicode);
/** Fills a PClassInfo2 from 8-bit texts, truncated to their fields and zero-padded. */
PClassInfo2 makeClassInfo2(const TUID cid, int32 cardinality, const char* category,
                           const char* name, uint32 classFlags, const char* subCategories,
                           const char* vendor, const char* version, const char* sdkVersion);

} // namespace Steinberg
