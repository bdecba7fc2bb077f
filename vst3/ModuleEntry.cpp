// The module's entry points and its class factory: one effect class, TORVIK.
#include "vst3sdk/helpers/moduleentry.h"
#include "framework/PluginIdentity.h"
#include "processor/Torvik.h"
#include "vst3/ModuleInfo.h"
#include "vst3sdk/helpers/fuid.h"

#include <mutex>
#include <new>

#if defined(_WIN32)
#include "graphics/win/DrawContextWin.h"
#include <windows.h>
#else
#include <dlfcn.h>
#endif

using namespace Steinberg;

namespace torvik {
namespace {

ModuleEntryCounter entryCounter;
// The module's own copy of its handle, and the one that InitDll hands to the
// editor for its image resources.
void* moduleInstance = nullptr;
void* resourceModule = nullptr;
std::string moduleFolder;

std::mutex& CreationLock() {
    static std::mutex lock;
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

// Finds the module's own file and folder (the folder keeps its trailing separator).
void StoreModuleLocation() {
#if defined(_WIN32)
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(static_cast<HMODULE>(moduleInstance), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return;
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path, -1, text.data(), bytes, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(bytes - 1));
    const std::size_t slash = text.find_last_of('\\');
    moduleFolder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
#else
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&StoreModuleLocation), &info) && info.dli_fname) {
        std::string path = info.dli_fname;
        const std::size_t slash = path.find_last_of('/');
        moduleFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    }
#endif
}

} // namespace

const std::string& ModuleFolder() {
    return moduleFolder;
}

void* ResourceModule() {
    return resourceModule;
}

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
// Process attach: the module keeps its handle and folder.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        moduleInstance = instance;
        setModuleHandle(instance);
        StoreModuleLocation();
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
        StoreModuleLocation();
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
