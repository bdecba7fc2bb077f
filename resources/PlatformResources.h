#pragma once

// Module resources through the Windows calls the editor uses to fetch its
// images: FindResourceA, SizeofResource, LoadResource and LockResource. On
// Windows these are the system's own; elsewhere they read the images compiled
// into this module (ImageResources.h), so the loading code is the same on both.
//
//   HRSRC info = FindResourceA(module, MakeIntResourceA(id), "PNG");
//   DWORD size = SizeofResource(module, info);
//   const void* bytes = LockResource(LoadResource(module, info));

#ifdef _WIN32

#include <windows.h>

namespace torvik::platform {

using ::DWORD;
using ::FindResourceA;
using ::HGLOBAL;
using ::HMODULE;
using ::HRSRC;
using ::LoadResource;
using ::LockResource;
using ::SizeofResource;

// MAKEINTRESOURCEA: a numeric ID passed where a resource name is expected.
inline LPCSTR MakeIntResourceA(int id) noexcept {
    return MAKEINTRESOURCEA(id);
}

} // namespace torvik::platform

#else

#include "resources/ImageResources.h"

#include <cstdint>

namespace torvik::platform {

// Module handle. The images belong to the module they are linked into, so any
// handle, null included, finds them.
using HMODULE = const void*;
// A found resource: the table entry.
using HRSRC = const ImageResource*;
// A loaded resource: the same entry; LockResource turns it into bytes.
using HGLOBAL = const ImageResource*;
using DWORD = std::uint32_t;

// A numeric ID passed where a resource name is expected: the ID sits in the
// pointer's value, below 0x10000, as on Windows.
inline const char* MakeIntResourceA(int id) noexcept {
    return reinterpret_cast<const char*>(
        static_cast<std::uintptr_t>(static_cast<std::uint16_t>(id)));
}

// Whether a name is a numeric ID made by MakeIntResourceA.
inline bool IsIntResource(const char* name) noexcept {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

// The resource called name (a numeric ID, or "#<decimal ID>") of type type.
// Only the type "PNG" exists; type names compare without regard to case.
// Returns nullptr when there is no such resource.
HRSRC FindResourceA(HMODULE module, const char* name, const char* type) noexcept;

// Size in bytes of a found resource; 0 for none.
DWORD SizeofResource(HMODULE module, HRSRC info) noexcept;

// Handle to the data of a found resource; nullptr for none.
HGLOBAL LoadResource(HMODULE module, HRSRC info) noexcept;

// First byte of a loaded resource, read-only and valid for the life of the
// module; nullptr for none.
const void* LockResource(HGLOBAL data) noexcept;

} // namespace torvik::platform

#endif
