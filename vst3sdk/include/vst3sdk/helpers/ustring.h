// UTF-16 string helpers: a view over a caller's fixed buffer, fixed-size strings, copies.
#pragma once

#include "vst3sdk/pluginterfaces/base/ftypes.h"

#include <string>
#include <string_view>

namespace Steinberg {

/** Wraps a caller's buffer of `size` UTF-16 units; owns nothing. Every write leaves a
    terminating zero within the buffer, so a 128-unit buffer holds at most 127 units. */
class UString {
public:
    UString(char16* buffer, int32 size) : thisBuffer(buffer), thisSize(size) {}

    int32 getSize() const { return thisSize; }
    /** Units before the first zero (at most size). */
    int32 getLength() const;
    char16* data() { return thisBuffer; }
    const char16* data() const { return thisBuffer; }
    operator const char16*() const { return thisBuffer; }

    /** Copies until just after the first zero of `src`, or at most min(size, n) units (n < 0:
        no limit); always writes zero at unit size - 1. */
    UString& assign(const char16* src, int32 n = -1);
    /** Widens each char with a plain conversion (bytes 0x80-0xFF sign-extend on x86_64). */
    UString& fromAscii(const char* src, int32 n = -1);
    /** Keeps the low byte of each unit; `dst` ends with a zero within `n` bytes. */
    const UString& toAscii(char* dst, int32 n) const;

    /** Prints `value` with `precision` decimals ("%.*lf", C locale). False if nothing printed. */
    bool printFloat(double value, int32 precision = 4);
    /** Reads one floating-point number; true only if a value was read. */
    bool scanFloat(double& value) const;
    bool printInt(int64 value);
    bool scanInt(int64& value) const;

private:
    char16* thisBuffer; ///< caller's buffer
    int32 thisSize;     ///< capacity in units
};

/** UString with its own N-unit buffer, zero-terminated at construction. */
template <int32 N> class UStringBuffer : public UString {
public:
    UStringBuffer() : UString(buffer, N) { buffer[0] = 0; }
    explicit UStringBuffer(const char* ascii) : UStringBuffer() { fromAscii(ascii); }
    explicit UStringBuffer(const char16* src) : UStringBuffer() { assign(src); }
    UStringBuffer(const UStringBuffer& other) : UStringBuffer() { assign(other.buffer); }
    UStringBuffer& operator=(const UStringBuffer& other) {
        if (this != &other)
            assign(other.buffer);
        return *this;
    }

private:
    char16 buffer[N]; ///< own storage
};
using UString128 = UStringBuffer<128>;
using UString256 = UStringBuffer<256>;

/** Copies at most n bytes and zero-fills the rest; a source of n or more leaves no terminator. */
char8* strncpy8(char8* dst, const char8* src, uint32 n);
/** Copies at most n units and zero-fills the rest; a source of n or more leaves no terminator. */
char16* strncpy16(char16* dst, const char16* src, uint32 n);
/** Widens bytes (sign-extending) into at most n - 1 units, zero-filling up to unit n - 1. */
void str8ToStr16(char16* dst, const char8* src, int32 n);
/** strcmp equality; false if either is null. */
bool FIDStringsEqual(const char8* a, const char8* b);
/** Units before the first zero. */
int32 strlen16(const char16* s);

/** Copies a std::u16string_view into a fixed field of n units (truncated, always terminated). */
void copyToFixed(char16* dst, std::u16string_view src, int32 n);

/** UTF-16 (up to the first zero, at most `maxUnits`) to UTF-8; lone surrogates become U+FFFD. */
std::string toUtf8(const char16* s, int32 maxUnits = -1);
/** UTF-8 to UTF-16; invalid sequences become U+FFFD. */
std::u16string fromUtf8(std::string_view s);

} // namespace Steinberg
