// The .vstpreset container: layout, damaged files, and a save/restore through a real bundle.
#include "hostkit/PresetFile.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

hostkit::PresetChunk chunk(const char* id, std::vector<uint8_t> data) {
    hostkit::PresetChunk c;
    std::memcpy(c.id.data(), id, 4);
    c.data = std::move(data);
    return c;
}

int64_t int64At(const std::vector<uint8_t>& bytes, size_t at) {
    int64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | bytes[at + static_cast<size_t>(i)];
    return v;
}

const char* const kClass = "F2AEE70D00DE4F4E51656C6D54525631";

hostkit::PresetFile twoChunks() {
    hostkit::PresetFile preset;
    preset.classId = kClass;
    preset.chunks.push_back(chunk("Comp", {}));
    preset.chunks.push_back(chunk("Cont", {1, 2, 3, 4, 5}));
    return preset;
}

} // namespace

TEST(PresetFile, LayoutOfAWrittenFile) {
    const auto bytes = hostkit::writePresetFile(twoChunks());
    // 48-byte header, 5 data bytes, "List", count, two 20-byte entries.
    ASSERT_EQ(bytes.size(), 48u + 5u + 8u + 40u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "VST3");
    EXPECT_EQ(bytes[4], 1);
    EXPECT_EQ(bytes[5] | bytes[6] | bytes[7], 0);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 40), kClass);
    EXPECT_EQ(int64At(bytes, 40), 53); // the list follows the data
    EXPECT_EQ(std::string(bytes.begin() + 53, bytes.begin() + 57), "List");
    EXPECT_EQ(bytes[57], 2);
    // Entry 0: "Comp" at 48, 0 bytes; entry 1: "Cont" at 48, 5 bytes.
    EXPECT_EQ(std::string(bytes.begin() + 61, bytes.begin() + 65), "Comp");
    EXPECT_EQ(int64At(bytes, 65), 48);
    EXPECT_EQ(int64At(bytes, 73), 0);
    EXPECT_EQ(std::string(bytes.begin() + 81, bytes.begin() + 85), "Cont");
    EXPECT_EQ(int64At(bytes, 85), 48);
    EXPECT_EQ(int64At(bytes, 93), 5);

    const auto parsed = hostkit::readPresetFile(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->classId, kClass);
    ASSERT_EQ(parsed->chunks.size(), 2u);
    EXPECT_TRUE(parsed->find("Comp")->data.empty());
    EXPECT_EQ(parsed->find("Cont")->data, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(parsed->find("Info"), nullptr);
}

TEST(PresetFile, DamagedFilesAreRefusedWithoutReadingOutside) {
    const auto good = hostkit::writePresetFile(twoChunks());
    // Every truncation fails: the list sits at the end.
    for (size_t n = 0; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(hostkit::readPresetFile(cut)) << n;
    }

    struct Case {
        const char* what;
        size_t at;
        std::vector<uint8_t> bytes;
    };
    const Case damages[] = {
        {"magic", 0, {'V', 'S', 'T', '2'}},
        {"version 0", 4, {0, 0, 0, 0}},
        {"class ID not hex", 8, {'X'}},
        {"list offset 0", 40, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"list offset negative", 40, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"list offset past the end", 40, {0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {"list ID", 53, {'L', 'i', 's', 's'}},
        {"no entries", 57, {0, 0, 0, 0}},
        {"too many entries", 57, {129, 0, 0, 0}},
        {"count past the end", 57, {3, 0, 0, 0}},
        {"chunk offset past the end", 85, {0xFF, 0xFF, 0, 0, 0, 0, 0, 0}},
        {"chunk size past the end", 93, {100, 0, 0, 0, 0, 0, 0, 0}},
        {"chunk size huge", 93, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
        {"chunk offset negative", 85, {0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},
    };
    for (const Case& c : damages) {
        auto bytes = good;
        std::copy(c.bytes.begin(), c.bytes.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(c.at));
        std::string error;
        EXPECT_FALSE(hostkit::readPresetFile(bytes, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    // Lower-case hex is read and reported in the usual upper-case form.
    auto lower = good;
    lower[8] = 'f';
    const auto parsed = hostkit::readPresetFile(lower);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->classId, kClass);
}

TEST(PresetFile, SaveAndRestoreThroughTheTestGainBundle) {
    std::string error;
    auto module = hostkit::Module::Load(TESTGAIN_BUNDLE, &error);
    ASSERT_TRUE(module) << error;
    const FUID cid = module->classes()[0].cid;
    auto source = hostkit::Instance::Create(module, &error);
    ASSERT_TRUE(source) << error;
    std::vector<uint8_t> state = *source->getControllerState();
    // Put a known gain in the controller's state: 0.25 linear.
    const double gain = 0.25;
    uint64_t bits;
    std::memcpy(&bits, &gain, 8);
    for (int i = 0; i < 8; ++i)
        state[static_cast<size_t>(i)] = static_cast<uint8_t>(bits >> (8 * i));
    ASSERT_EQ(source->setControllerState(state), kResultOk);

    const auto preset = hostkit::savePreset(*source, cid, &error);
    ASSERT_TRUE(preset) << error;
    const auto parsed = hostkit::readPresetFile(*preset);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->classId, cid.toString());
    ASSERT_NE(parsed->find("Comp"), nullptr);
    EXPECT_TRUE(parsed->find("Comp")->data.empty()); // this component keeps no state
    ASSERT_NE(parsed->find("Cont"), nullptr);
    EXPECT_EQ(parsed->find("Cont")->data, state);

    auto target = hostkit::Instance::Create(module, &error);
    ASSERT_TRUE(target) << error;
    EXPECT_EQ(hostkit::loadPreset(*target, *preset, cid, &error), kResultOk) << error;
    EXPECT_EQ(*target->getControllerState(), state);
    EXPECT_DOUBLE_EQ(target->controller()->getParamNormalized(0), 0.125);

    // A preset of another class is not applied.
    EXPECT_EQ(hostkit::loadPreset(*target, *preset, FUID(1, 2, 3, 4), &error), kResultFalse);
    EXPECT_EQ(hostkit::loadPreset(*target, {1, 2, 3}, cid, &error), kInvalidArgument);
}
