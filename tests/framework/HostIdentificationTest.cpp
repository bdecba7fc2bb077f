#include "framework/HostIdentification.h"

#include <gtest/gtest.h>

#include <string>

namespace torvik::testing {
namespace {

TEST(HostIdentification, KnownNamesAndOrdering) {
    const struct {
        const char* name;
        int code;
    } cases[] = {
        {"Cubase Pro 10.5", 3},
        {"REAPER64", 1},
        {"Ableton Live 10 Suite", 9},
        {"VST3PluginTestHost", 27},
        {"OpenMPT", 30},
        {"Renoise", 29},
        {"PROTOOLS", 2},
        {"Ardour", 28},
        {"Bitwig Studio", 0},
        {"", 0},
        // The first entry in test order wins.
        {"Nuendo with Cubase inside", 3},
        {"Logic Live", 9},
        {"renoise-openmpt bridge", 30},
        {"Digital Performer", 23},
        {"Standalone", 24},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IdentifyHost(c.name), c.code) << c.name;
    EXPECT_EQ(IdentifyHost(nullptr), 0);
}

TEST(HostIdentification, LongNamesAreCutSafely) {
    std::string name(1000, 'x');
    name += "reaper"; // beyond the 255 characters that are looked at
    EXPECT_EQ(IdentifyHost(name.c_str()), 0);
    EXPECT_EQ(IdentifyHost(("reaper" + std::string(1000, 'x')).c_str()), 1);
}

} // namespace
} // namespace torvik::testing
