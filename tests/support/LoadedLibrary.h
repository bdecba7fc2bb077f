#pragma once
// A module binary opened by path, for looking at what it exports: dlopen on
// Linux, LoadLibrary on Windows.
#include <string>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace torvik::testing {

class LoadedLibrary {
public:
    explicit LoadedLibrary(const std::string& path) {
#if defined(_WIN32)
        handle = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
#else
        handle = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
#endif
    }
    ~LoadedLibrary() {
        if (!handle)
            return;
#if defined(_WIN32)
        FreeLibrary(static_cast<HMODULE>(handle));
#else
        dlclose(handle);
#endif
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool IsOpen() const {
        return handle != nullptr;
    }
    // The exported symbol, or none.
    void* Symbol(const char* name) const {
#if defined(_WIN32)
        return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
#else
        return dlsym(handle, name);
#endif
    }

private:
    void* handle = nullptr;
};

// The entry points a host of this platform calls.
#if defined(_WIN32)
inline constexpr const char* kEntryPoints[] = {"GetPluginFactory", "InitDll", "ExitDll"};
#else
inline constexpr const char* kEntryPoints[] = {"GetPluginFactory", "ModuleEntry", "ModuleExit"};
#endif

} // namespace torvik::testing
