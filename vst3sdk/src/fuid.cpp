#include "vst3sdk/helpers/fuid.h"

#include <cstdio>
#include <cstring>

namespace Steinberg {

namespace {

uint32 readBig(const char* p) {
    return (static_cast<uint32>(static_cast<uint8>(p[0])) << 24) |
           (static_cast<uint32>(static_cast<uint8>(p[1])) << 16) |
           (static_cast<uint32>(static_cast<uint8>(p[2])) << 8) |
           static_cast<uint32>(static_cast<uint8>(p[3]));
}

// The bytes of `data` in word order: the Windows GUID head is stored little-endian.
void toWordOrder(const TUID data, uint8 out[16]) {
    for (int i = 0; i < 16; ++i)
        out[i] = static_cast<uint8>(data[i]);
#if defined(_WIN32)
    const uint8 w[8] = {out[3], out[2], out[1], out[0], out[5], out[4], out[7], out[6]};
    std::memcpy(out, w, 8);
#endif
}

void fromWordOrder(const uint8 in[16], TUID data) {
    uint8 b[16];
    std::memcpy(b, in, 16);
#if defined(_WIN32)
    const uint8 w[8] = {b[3], b[2], b[1], b[0], b[5], b[4], b[7], b[6]};
    std::memcpy(b, w, 8);
#endif
    for (int i = 0; i < 16; ++i)
        data[i] = static_cast<char>(b[i]);
}

} // namespace

FUID::FUID() {
    std::memset(data, 0, sizeof data);
}

FUID::FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
    const uint32 words[4] = {l1, l2, l3, l4};
    uint8 b[16];
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k)
            b[w * 4 + k] = static_cast<uint8>(words[w] >> (24 - 8 * k));
    fromWordOrder(b, data);
}

FUID::FUID(const TUID bytes) {
    std::memcpy(data, bytes, sizeof data);
}

uint32 FUID::getLong1() const {
    uint8 b[16];
    toWordOrder(data, b);
    return readBig(reinterpret_cast<const char*>(b));
}
uint32 FUID::getLong2() const {
    uint8 b[16];
    toWordOrder(data, b);
    return readBig(reinterpret_cast<const char*>(b + 4));
}
uint32 FUID::getLong3() const {
    return readBig(data + 8);
}
uint32 FUID::getLong4() const {
    return readBig(data + 12);
}

void FUID::toTUID(TUID out) const {
    std::memcpy(out, data, sizeof data);
}

std::string FUID::toString() const {
    uint8 b[16];
    toWordOrder(data, b);
    std::string text;
    char hex[3];
    for (uint8 v : b) {
        std::snprintf(hex, sizeof hex, "%02X", v);
        text += hex;
    }
    return text;
}

std::optional<FUID> FUID::fromString(std::string_view text) {
    if (text.size() != 32)
        return std::nullopt;
    uint8 b[16];
    for (size_t i = 0; i < 16; ++i) {
        int v = 0;
        for (size_t k = 0; k < 2; ++k) {
            const char c = text[i * 2 + k];
            int d = 0;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'A' && c <= 'F')
                d = c - 'A' + 10;
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return std::nullopt;
            v = v * 16 + d;
        }
        b[i] = static_cast<uint8>(v);
    }
    FUID id;
    fromWordOrder(b, id.data);
    return id;
}

bool FUID::isValid() const {
    for (char c : data)
        if (c != 0)
            return true;
    return false;
}

bool FUID::operator==(const FUID& other) const {
    return std::memcmp(data, other.data, sizeof data) == 0;
}

} // namespace Steinberg
