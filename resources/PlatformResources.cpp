#include "resources/PlatformResources.h"

#ifndef _WIN32

#include <cctype>

namespace torvik::platform {

namespace {

bool EqualsIgnoringCase(const char* a, const char* b) noexcept {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::toupper(static_cast<unsigned char>(*a)) !=
            std::toupper(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

// The ID named by "#<decimal digits>", or -1 when the text is anything else.
int ParseNumberedName(const char* name) noexcept {
    if (name[0] != '#' || name[1] == '\0') {
        return -1;
    }
    int id = 0;
    for (const char* p = name + 1; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9' || id > 0xFFFF) {
            return -1;
        }
        id = id * 10 + (*p - '0');
    }
    return id <= 0xFFFF ? id : -1;
}

} // namespace

HRSRC FindResourceA(HMODULE /*module*/, const char* name, const char* type) noexcept {
    // Types are strings here; numeric types (RT_BITMAP and the like) are not
    // stored, and neither is anything but "PNG".
    if (type == nullptr || IsIntResource(type) || !EqualsIgnoringCase(type, "PNG")) {
        return nullptr;
    }
    int id = -1;
    if (IsIntResource(name)) {
        id = static_cast<int>(reinterpret_cast<std::uintptr_t>(name));
    } else {
        id = ParseNumberedName(name);
    }
    // MakeIntResourceA(0) is a null pointer, which names nothing.
    if (id <= 0) {
        return nullptr;
    }
    return FindImageResource(id);
}

DWORD SizeofResource(HMODULE /*module*/, HRSRC info) noexcept {
    return info != nullptr ? static_cast<DWORD>(info->size) : 0;
}

HGLOBAL LoadResource(HMODULE /*module*/, HRSRC info) noexcept {
    return info;
}

const void* LockResource(HGLOBAL data) noexcept {
    return data != nullptr ? static_cast<const void*>(data->data) : nullptr;
}

} // namespace torvik::platform

#endif
