#include "vst3sdk/helpers/ustring.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace Steinberg {

int32 strlen16(const char16* s) {
    if (s == nullptr)
        return 0;
    int32 n = 0;
    while (s[n] != 0)
        ++n;
    return n;
}

int32 UString::getLength() const {
    int32 n = 0;
    while (n < thisSize && thisBuffer[n] != 0)
        ++n;
    return n;
}

UString& UString::assign(const char16* src, int32 n) {
    if (thisBuffer == nullptr || thisSize <= 0)
        return *this;
    const int32 limit = n < 0 ? thisSize : std::min(thisSize, n);
    int32 i = 0;
    if (src != nullptr) {
        for (; i < limit; ++i) {
            thisBuffer[i] = src[i];
            if (src[i] == 0)
                break;
        }
    }
    if (i < thisSize && (src == nullptr || i == limit))
        thisBuffer[i] = 0;
    thisBuffer[thisSize - 1] = 0;
    return *this;
}

UString& UString::fromAscii(const char* src, int32 n) {
    if (thisBuffer == nullptr || thisSize <= 0)
        return *this;
    const int32 limit = n < 0 ? thisSize : std::min(thisSize, n);
    int32 i = 0;
    if (src != nullptr) {
        for (; i < limit; ++i) {
            // Plain char conversion on purpose: bytes above 0x7F sign-extend like the ABI's.
            thisBuffer[i] = static_cast<char16>(src[i]);
            if (src[i] == 0)
                break;
        }
    }
    if (i < thisSize && (src == nullptr || i == limit))
        thisBuffer[i] = 0;
    thisBuffer[thisSize - 1] = 0;
    return *this;
}

const UString& UString::toAscii(char* dst, int32 n) const {
    if (dst == nullptr || n <= 0)
        return *this;
    int32 i = 0;
    for (; i < n - 1 && i < thisSize && thisBuffer[i] != 0; ++i)
        dst[i] = static_cast<char>(thisBuffer[i] & 0xFF);
    dst[i] = 0;
    return *this;
}

bool UString::printFloat(double value, int32 precision) {
    if (thisBuffer == nullptr || thisSize <= 0)
        return false;
    char text[512];
    const int32 limit = std::min<int32>(thisSize, sizeof text);
    const int written = std::snprintf(text, static_cast<size_t>(limit), "%.*lf", precision, value);
    if (written <= 0) {
        thisBuffer[0] = 0;
        return false;
    }
    fromAscii(text);
    return true;
}

bool UString::scanFloat(double& value) const {
    const std::string text = toUtf8(thisBuffer, thisSize);
    double v = 0;
    if (std::sscanf(text.c_str(), "%lf", &v) == 1) {
        value = v;
        return true;
    }
    return false;
}

bool UString::printInt(int64 value) {
    if (thisBuffer == nullptr || thisSize <= 0)
        return false;
    char text[32];
    const int written = std::snprintf(text, sizeof text, "%" PRId64, value);
    if (written <= 0 || written >= thisSize) {
        thisBuffer[0] = 0;
        return false;
    }
    fromAscii(text);
    return true;
}

bool UString::scanInt(int64& value) const {
    const std::string text = toUtf8(thisBuffer, thisSize);
    int64_t v = 0;
    if (std::sscanf(text.c_str(), "%" SCNd64, &v) == 1) {
        value = v;
        return true;
    }
    return false;
}

char8* strncpy8(char8* dst, const char8* src, uint32 n) {
    uint32 i = 0;
    for (; src != nullptr && i < n && src[i] != 0; ++i)
        dst[i] = src[i];
    for (; i < n; ++i)
        dst[i] = 0;
    return dst;
}

char16* strncpy16(char16* dst, const char16* src, uint32 n) {
    uint32 i = 0;
    for (; src != nullptr && i < n && src[i] != 0; ++i)
        dst[i] = src[i];
    for (; i < n; ++i)
        dst[i] = 0;
    return dst;
}

void str8ToStr16(char16* dst, const char8* src, int32 n) {
    if (dst == nullptr || n <= 0)
        return;
    int32 i = 0;
    for (; src != nullptr && i < n - 1 && src[i] != 0; ++i)
        dst[i] = static_cast<char16>(src[i]);
    for (; i < n; ++i)
        dst[i] = 0;
}

bool FIDStringsEqual(const char8* a, const char8* b) {
    return a != nullptr && b != nullptr && std::strcmp(a, b) == 0;
}

void copyToFixed(char16* dst, std::u16string_view src, int32 n) {
    if (dst == nullptr || n <= 0)
        return;
    const auto count = std::min<size_t>(src.size(), static_cast<size_t>(n - 1));
    std::copy_n(src.data(), count, dst);
    std::fill(dst + count, dst + n, char16{0});
}

std::string toUtf8(const char16* s, int32 maxUnits) {
    std::string out;
    if (s == nullptr)
        return out;
    auto put = [&out](uint32 cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    };
    for (int32 i = 0; (maxUnits < 0 || i < maxUnits) && s[i] != 0; ++i) {
        const uint32 u = s[i];
        if (u >= 0xD800 && u < 0xDC00 && (maxUnits < 0 || i + 1 < maxUnits) && s[i + 1] >= 0xDC00 &&
            s[i + 1] < 0xE000) {
            put(0x10000 + ((u - 0xD800) << 10) + (static_cast<uint32>(s[i + 1]) - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            put(0xFFFD);
        } else {
            put(u);
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    size_t i = 0;
    while (i < s.size()) {
        const auto b0 = static_cast<uint8>(s[i]);
        uint32 cp = 0xFFFD;
        size_t len = 1;
        auto cont = [&](size_t k) {
            return i + k < s.size() && (static_cast<uint8>(s[i + k]) & 0xC0) == 0x80;
        };
        if (b0 < 0x80) {
            cp = b0;
        } else if ((b0 & 0xE0) == 0xC0 && cont(1)) {
            cp = ((b0 & 0x1Fu) << 6) | (static_cast<uint8>(s[i + 1]) & 0x3Fu);
            len = 2;
            if (cp < 0x80)
                cp = 0xFFFD;
        } else if ((b0 & 0xF0) == 0xE0 && cont(1) && cont(2)) {
            cp = ((b0 & 0x0Fu) << 12) | ((static_cast<uint8>(s[i + 1]) & 0x3Fu) << 6) |
                 (static_cast<uint8>(s[i + 2]) & 0x3Fu);
            len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000))
                cp = 0xFFFD;
        } else if ((b0 & 0xF8) == 0xF0 && cont(1) && cont(2) && cont(3)) {
            cp = ((b0 & 0x07u) << 18) | ((static_cast<uint8>(s[i + 1]) & 0x3Fu) << 12) |
                 ((static_cast<uint8>(s[i + 2]) & 0x3Fu) << 6) |
                 (static_cast<uint8>(s[i + 3]) & 0x3Fu);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF)
                cp = 0xFFFD;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16>(0xD800 + (cp >> 10));
            out += static_cast<char16>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16>(cp);
        }
        i += len;
    }
    return out;
}

} // namespace Steinberg
