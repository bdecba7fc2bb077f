// torvik-render's preset files: the chunks it restores picked out of the container, round trips,
// and files on disk. The container's own layout and damage checks are tested with the host kit.
#include "VstPresetFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace {

using torvik::preset::Bytes;
using torvik::preset::DecodeVstPreset;
using torvik::preset::EncodeVstPreset;
using torvik::preset::VstPreset;

const std::string kClassId = "F2AEE70D00DE4F4E51656C6D54525631";

std::uint64_t Le(const Bytes& b, std::size_t at, int n) {
    std::uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i)
        v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

void PutLe(Bytes& b, std::size_t at, std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A 324-byte controller state like TORVIK's: 40 doubles then a 32-bit flag.
Bytes ControllerState() {
    Bytes state(324);
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return state;
}

TEST(VstPresetFile, RoundTripKeepsEveryChunkBitForBit) {
    struct Case {
        const char* what;
        bool comp, cont, info;
    };
    const Case cases[] = {
        {"controller only", false, true, false},
        {"component only", true, false, false},
        {"component, controller and info", true, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VstPreset p;
        p.classId = kClassId;
        if (c.comp)
            p.componentState = Bytes{1, 2, 3, 0, 255};
        if (c.cont)
            p.controllerState = ControllerState();
        if (c.info)
            p.info = "<?xml version=\"1.0\"?><MetaInfo/>";
        VstPreset back;
        std::string error;
        ASSERT_TRUE(DecodeVstPreset(EncodeVstPreset(p), back, error)) << error;
        EXPECT_EQ(back.classId, kClassId);
        EXPECT_EQ(back.componentState, p.componentState);
        EXPECT_EQ(back.controllerState, p.controllerState);
        EXPECT_EQ(back.info, p.info);
    }
}

TEST(VstPresetFile, ReadsChunksOnlyThroughTheList) {
    // Chunks in reverse order and an unknown chunk: a reader that assumed positions would fail.
    Bytes image(48);
    std::memcpy(image.data(), "VST3", 4);
    PutLe(image, 4, 1, 4);
    std::memcpy(image.data() + 8, kClassId.data(), 32);
    const Bytes cont = ControllerState();
    const Bytes comp = {9, 8, 7};
    const std::size_t contAt = image.size();
    image.insert(image.end(), cont.begin(), cont.end());
    const std::size_t progAt = image.size();
    image.insert(image.end(), {0xAA, 0xBB});
    const std::size_t compAt = image.size();
    image.insert(image.end(), comp.begin(), comp.end());
    const std::size_t list = image.size();
    image.resize(list + 8 + 3 * 20);
    std::memcpy(image.data() + list, "List", 4);
    PutLe(image, list + 4, 3, 4);
    const struct {
        const char* id;
        std::size_t at, size;
    } entries[] = {{"Comp", compAt, comp.size()}, {"Prog", progAt, 2}, {"Cont", contAt, 324}};
    for (int i = 0; i < 3; ++i) {
        const std::size_t e = list + 8 + static_cast<std::size_t>(i) * 20;
        std::memcpy(image.data() + e, entries[i].id, 4);
        PutLe(image, e + 4, entries[i].at, 8);
        PutLe(image, e + 12, entries[i].size, 8);
    }
    PutLe(image, 40, list, 8);

    VstPreset back;
    std::string error;
    ASSERT_TRUE(DecodeVstPreset(image, back, error)) << error;
    EXPECT_EQ(back.componentState, comp);
    EXPECT_EQ(back.controllerState, cont);
    EXPECT_FALSE(back.info);
}

TEST(VstPresetFile, RepeatedOrMissingStateIsRefused) {
    VstPreset p;
    p.classId = kClassId;
    p.componentState = Bytes{1};
    p.controllerState = Bytes{2};
    const Bytes image = EncodeVstPreset(p);
    const std::size_t list = Le(image, 40, 8);
    struct Case {
        const char* what;
        const char* first;  // new ID of the first entry
        const char* second; // new ID of the second entry
        const char* expected;
    };
    const Case cases[] = {
        {"two component chunks", "Comp", "Comp", "more than one 'Comp'"},
        {"two controller chunks", "Cont", "Cont", "more than one 'Cont'"},
        {"only program data", "Prog", "Prog", "holds no component or controller state"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes damaged = image;
        std::memcpy(damaged.data() + list + 8, c.first, 4);
        std::memcpy(damaged.data() + list + 8 + 20, c.second, 4);
        VstPreset back;
        std::string error;
        EXPECT_FALSE(DecodeVstPreset(damaged, back, error));
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
    }
    // Damage the container itself and the host kit's reader answers.
    Bytes cut = image;
    cut.resize(cut.size() - 1);
    VstPreset back;
    std::string error;
    EXPECT_FALSE(DecodeVstPreset(cut, back, error));
    EXPECT_FALSE(error.empty());
}

TEST(VstPresetFile, ClassIdTextIsThirtyTwoHexDigits) {
    EXPECT_TRUE(torvik::preset::IsClassIdText(kClassId));
    EXPECT_TRUE(torvik::preset::IsClassIdText("f2aee70d00de4f4e51656c6d54525631"));
    EXPECT_FALSE(torvik::preset::IsClassIdText(kClassId.substr(1)));
    EXPECT_FALSE(torvik::preset::IsClassIdText("{F2AEE70D-00DE-4F4E-5165-6C6D54525631}"));
}

class VstPresetFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() /
                 ("vstpreset-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                      std::filesystem::directory_iterator()));
    }
    std::filesystem::path folder;
};

TEST_F(VstPresetFileOnDisk, WriteThenReadGivesTheSamePreset) {
    VstPreset p;
    p.classId = kClassId;
    p.controllerState = ControllerState();
    std::string error;
    const auto path = folder / "Male Vocal.vstpreset";
    ASSERT_TRUE(torvik::preset::WriteVstPresetFile(path, p, error)) << error;
    EXPECT_EQ(FilesInFolder(), 1u); // no temporary file left beside it
    VstPreset back;
    ASSERT_TRUE(torvik::preset::ReadVstPresetFile(path, back, error)) << error;
    EXPECT_EQ(back.controllerState, p.controllerState);
    EXPECT_EQ(std::filesystem::file_size(path), 48u + 324u + 28u);
}

TEST_F(VstPresetFileOnDisk, FailuresNameTheFileAndLeaveNothing) {
    VstPreset back;
    std::string error;
    EXPECT_FALSE(torvik::preset::ReadVstPresetFile(folder / "missing.vstpreset", back, error));
    EXPECT_NE(error.find("missing.vstpreset"), std::string::npos) << error;

    const auto junk = folder / "junk.vstpreset";
    std::ofstream(junk) << "not a preset at all, but long enough to pass the header size check";
    EXPECT_FALSE(torvik::preset::ReadVstPresetFile(junk, back, error));
    EXPECT_NE(error.find("junk.vstpreset: not a VST 3 preset"), std::string::npos) << error;

    VstPreset p;
    p.classId = kClassId;
    p.controllerState = ControllerState();
    EXPECT_FALSE(
        torvik::preset::WriteVstPresetFile(folder / "no-such-dir" / "x.vstpreset", p, error));
    p.classId = "nonsense";
    EXPECT_FALSE(torvik::preset::WriteVstPresetFile(folder / "bad-id.vstpreset", p, error));
    EXPECT_FALSE(std::filesystem::exists(folder / "bad-id.vstpreset"));
    EXPECT_EQ(FilesInFolder(), 1u); // only the junk file
}

} // namespace
