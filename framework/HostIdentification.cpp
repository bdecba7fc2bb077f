#include "framework/HostIdentification.h"

#include <cstring>

namespace torvik {
namespace {

struct HostEntry {
    const char* substring;
    int code;
};

// Tested in this order; the first match wins. The codes are fixed per host,
// independent of the order (6, 10, 11 and 19 belong to no entry).
constexpr HostEntry kHostTable[] = {
    {"cubase", 3},      {"reaper", 1},      {"nuendo", 4},
    {"cakewalk", 5},    {"samplitude", 8},  {"fruity", 7},
    {"live", 9},        {"melodyne", 12},   {"vstmanlib", 13},
    {"aulab", 14},      {"garageband", 22}, {"forte", 15},
    {"chainer", 16},    {"audition", 17},   {"orion", 18},
    {"sawstudio", 20},  {"logic", 21},      {"digital", 23},
    {"audiomulch", 25}, {"presonus", 26},   {"vst3plugintesthost", 27},
    {"protools", 2},    {"ardour", 28},     {"openmpt", 30},
    {"renoise", 29},    {"standalone", 24},
};

} // namespace

int IdentifyHost(const char* name) {
    char lowered[256] = {};
    if (name) {
        for (std::size_t i = 0; i + 1 < sizeof lowered && name[i] != '\0'; ++i) {
            const char c = name[i];
            lowered[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    for (const HostEntry& entry : kHostTable) {
        if (std::strstr(lowered, entry.substring) != nullptr)
            return entry.code;
    }
    return kHostNoMatch;
}

} // namespace torvik
