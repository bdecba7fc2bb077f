// FUID: a 16-byte class or interface ID as a value, with its text form.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"

#include <optional>
#include <string>
#include <string_view>

namespace Steinberg {

class FUID {
public:
    /** All zero. */
    FUID();
    /** From the four words, laid out in the platform's byte order (as INLINE_UID). */
    FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4);
    /** From 16 bytes as they stand. */
    explicit FUID(const TUID bytes);

    /** The four words (inverse of the word constructor on this platform). */
    uint32 getLong1() const;
    uint32 getLong2() const;
    uint32 getLong3() const;
    uint32 getLong4() const;

    const TUID& toTUID() const { return data; }
    void toTUID(TUID out) const;

    /** 32 upper-case hex digits: on Windows bytes 0-3, 4-5, 6-7 each read little-endian, then
        bytes 8-15; elsewhere bytes 0-15 in order. A four-word ID prints as l1l2l3l4 on both. */
    std::string toString() const;
    /** Parses the 32-digit form of toString (case-insensitive); nothing on bad input. */
    static std::optional<FUID> fromString(std::string_view text);

    bool isValid() const;
    bool operator==(const FUID& other) const;
    bool operator!=(const FUID& other) const { return !(*this == other); }

private:
    TUID data; ///< platform-order bytes
};

} // namespace Steinberg
