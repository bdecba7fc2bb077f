// The module's entry points and its class factory: one effect class, TORVIK.
#include "vst3sdk/helpers/moduleentry.h"
#include "framework/RecursiveLock.h"
#include "processor/Torvik.h"
#include "processor/TorvikFacts.h"
#include "vst3/Vst3Identity.h"
#include "vst3sdk/helpers/fuid.h"

#include <mutex>
#include <new>

#if defined(_WIN32)
#include "graphics/win/DrawContextWin.h"
#include <windows.h>
#endif

using namespace Steinberg;

namespace torvik {
namespace {

ModuleEntryCounter entryCounter;
// The module's own copy of its handle, and the one that InitDll hands to the
// editor for its image resources.
void* moduleInstance = nullptr;
void* resourceModule = nullptr;

RecursiveLock& CreationLock() {
    static RecursiveLock lock;
    return lock;
}

FUnknown* CreateTorvik(void* /*context*/) {
    std::lock_guard guard(CreationLock());
    TORVIK* plugin = new (std::nothrow) TORVIK();
    if (!plugin)
        return nullptr;
    return static_cast<Vst::IAudioProcessor*>(plugin);
}

void RegisterClasses(CPluginFactory& factory) {
    static const PClassInfo2 info = [] {
        const FUID cid(kClassIdWords[0], kClassIdWords[1], kClassIdWords[2], kClassIdWords[3]);
        return makeClassInfo2(cid.toTUID(), PClassInfo::kManyInstances, kClassCategory, kEffectName,
                              Vst::kSimpleModeSupported, kClassSubCategories, "", kVersionText,
                              kSdkVersionText);
    }();
    factory.registerClass(&info, CreateTorvik);
}

} // namespace

} // namespace torvik

using namespace torvik;

TORVIK_VST3_EXPORT bool InitDll() {
    resourceModule = moduleInstance;
    return true;
}

TORVIK_VST3_EXPORT bool ExitDll() {
#if defined(_WIN32)
    // No editor window may outlive the code of its window procedure.
    IDrawContextWin::CloseAllWindows();
#endif
    return true;
}

#if defined(_WIN32)
// Process attach: the module keeps its handle.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        setModuleHandle(instance);
    }
    return TRUE;
}
#endif

#if !defined(_WIN32)
// Linux hosts call this once after dlopen; it plays the part of process attach.
TORVIK_VST3_EXPORT bool ModuleEntry(void* sharedLibraryHandle) {
    if (entryCounter.enter()) {
        moduleInstance = sharedLibraryHandle;
        setModuleHandle(sharedLibraryHandle);
        InitDll();
    }
    return true;
}

TORVIK_VST3_EXPORT bool ModuleExit() {
    bool ok = true;
    if (entryCounter.exit(ok))
        ExitDll();
    return ok;
}
#endif

TORVIK_VST3_EXPORT IPluginFactory* PLUGIN_API GetPluginFactory() {
    static const PFactoryInfo info =
        makeFactoryInfo(kMakerName, kFactoryUrl, kFactoryEmail, PFactoryInfo::kUnicode);
    return getOrCreatePluginFactory(info, RegisterClasses);
}
