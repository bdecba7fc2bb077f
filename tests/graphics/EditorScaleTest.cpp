// Choosing the editor's scale (host factor, desktop Xft.dpi) and remembering
// the user's choice in the per-user settings file.
#include "graphics/EditorScale.h"
#include "graphics/EditorSettings.h"
#include "graphics/PngResource.h"
#include "graphics/ScaledStrip.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace torvik::testing {
namespace {

TEST(EditorScale, NearestSupportedScaleForAFactor) {
    struct Case {
        double factor;
        int scale;
    } cases[] = {
        {1.0, 100},
        {1.25, 125},
        {1.5, 150},
        {1.75, 175},
        {2.0, 200},
        {1.1, 100},
        {1.13, 125},
        {1.125, 100},
        {1.375, 125},
        {1.6, 150},
        {1.9, 200},
        {3.0, 200},
        {0.5, 100},
        {0.0, 100},
        {-2.0, 100},
        {std::numeric_limits<double>::quiet_NaN(), 100},
        {std::numeric_limits<double>::infinity(), 100},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearestEditorScale(c.factor), c.scale) << c.factor;
    for (const int scale : EditorScales())
        EXPECT_TRUE(IsEditorScale(scale));
    EXPECT_FALSE(IsEditorScale(120));
    EXPECT_FALSE(IsEditorScale(0));
}

TEST(EditorScale, ScaledLengthsAreWholePixels) {
    EXPECT_EQ(ScaledLength(1186, 100), 1186);
    EXPECT_EQ(ScaledLength(1186, 125), 1483); // 1482.5 rounds up
    EXPECT_EQ(ScaledLength(644, 125), 805);
    EXPECT_EQ(ScaledLength(1186, 175), 2076); // 2075.5
    EXPECT_EQ(ScaledLength(644, 200), 1288);
}

TEST(EditorScale, DesktopScaleFromXftDpi) {
    struct Case {
        const char* text;
        int scale;
    } cases[] = {
        {"Xft.dpi:\t96\n", 100},
        {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 150},
        {"Xft.dpi: 192", 200},
        {"Xft.dpi:\t120.5\n", 125},
        {"Xft.dpi:\t400\n", 200},
        {"Xft.dpi:\t\n", 0},
        {"Xft.dpi:\tlarge\n", 0},
        {"Xft.dpi:\t-96\n", 0},
        {"Xft.dpix:\t96\n", 0},
        {"*.dpi:\t96\n", 0},
        {"", 0},
        {nullptr, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditorScaleFromXResources(c.text), c.scale) << (c.text ? c.text : "(none)");
}

TEST(ResampleByArea, AveragesCoveredAreaInPremultipliedAlpha) {
    struct Case {
        const char* what;
        std::uint32_t a; // source pixels alternate a, b in both directions
        std::uint32_t b;
        std::uint32_t expected; // every pixel of the half-size result
    } cases[] = {
        {"uniform stays", 0xFF336699u, 0xFF336699u, 0xFF336699u},
        {"opaque average", 0xFF000000u, 0xFFFEFEFEu, 0xFF7F7F7Fu},
        {"transparent lends no colour", 0xFFFF0000u, 0x0000FF00u, 0x80FF0000u},
        {"all transparent is zero", 0x00FFFFFFu, 0x00123456u, 0x00000000u},
    };
    for (const Case& c : cases) {
        PIX_MemBitmap src;
        PIX_MemBitmap dst;
        src.Resize(8, 6);
        dst.Resize(4, 3);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                BitmapRow(src, y)[x] = (x + y) % 2 ? c.b : c.a;
        ResampleByArea(src, dst);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(BitmapRow(dst, y)[x], c.expected) << c.what << " at " << x << "," << y;
    }
    // A fractional ratio keeps a uniform picture uniform (weights sum to one).
    PIX_MemBitmap src;
    PIX_MemBitmap dst;
    src.Resize(16, 16);
    dst.Resize(10, 9);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            BitmapRow(src, y)[x] = 0xC0204080u;
    ResampleByArea(src, dst);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(BitmapRow(dst, y)[x], 0xC0204080u);
}

// A meter at 175 %, swept up and back over more frames than are held: the
// frames seen before come back from the first frame and their patches, with
// the pixels a fresh resampling gives, and without resampling again.
TEST(ScaledStrip, FramesSeenBeforeComeBackFromTheirPatches) {
    const ImageResource* meter = FindImageResource(104); // 121 frames
    const ImageResource* art = FindImageResource(104 + kScaledImageIdOffset);
    ASSERT_NE(meter, nullptr);
    ASSERT_NE(art, nullptr);
    std::unique_ptr<PIX_IBitmap> source(LoadPngResource(nullptr, art->id, art->name));
    std::unique_ptr<PIX_IBitmap> fresh(LoadPngResource(nullptr, art->id, art->name));
    ASSERT_NE(source, nullptr);
    std::unique_ptr<PIX_IBitmap> plain(LoadPngResource(nullptr, meter->id, meter->name));
    ASSERT_NE(plain, nullptr);
    const int w = ScaledLength(plain->Width(), 175);
    const int h = ScaledLength(plain->Height() / meter->frames, 175);
    PIX_ScaledStrip strip(source.get(), meter->frames, w, h);
    constexpr int kSwept = 12;
    static_assert(kSwept > PIX_ScaledStrip::kHeldFrames);
    const auto pixelsOf = [&](PIX_ScaledStrip& s, int f) {
        int origin = -1;
        PIX_IBitmap* frame = s.RowsFor(f * h, (f + 1) * h, origin);
        std::vector<std::uint32_t> pixels;
        if (!frame)
            return pixels;
        EXPECT_EQ(origin, f * h);
        for (int r = 0; r < h; ++r)
            pixels.insert(pixels.end(), BitmapRow(*frame, r), BitmapRow(*frame, r) + w);
        return pixels;
    };
    constexpr int kFirst = 5; // the base: the first frame made
    for (int f = kFirst; f < kFirst + kSwept; ++f)
        ASSERT_FALSE(pixelsOf(strip, f).empty()) << f;
    const int resampled = strip.ResampleCount();
    EXPECT_EQ(resampled, kSwept) << "each frame once; the first serves as the base";
    for (int f = kFirst + kSwept - 1; f >= kFirst; --f) {
        // A strip without patches gives the frame by resampling it alone.
        PIX_ScaledStrip reference(fresh.get(), meter->frames, w, h);
        EXPECT_EQ(pixelsOf(strip, f), pixelsOf(reference, f)) << "frame " << f;
    }
    EXPECT_EQ(strip.ResampleCount(), resampled) << "the way back resampled nothing";
}

// A private configuration folder for the duration of a test.
class EditorSettings : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvik-settings-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        const char* old = std::getenv("XDG_CONFIG_HOME");
        savedConfig = old ? old : "";
        hadConfig = old != nullptr;
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    void TearDown() override {
        if (hadConfig)
            setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        std::filesystem::remove_all(folder);
    }
    void WriteFile(const std::string& path, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string folder;
    std::string savedConfig;
    bool hadConfig = false;
};

TEST_F(EditorSettings, EveryScaleSurvivesARoundTrip) {
    const std::string path = EditorSettingsPath("TORVIK");
    EXPECT_EQ(path, folder + "/TORVIK/editor.conf");
    EXPECT_EQ(ReadEditorScale(path), 0) << "no file yet";
    for (const int scale : EditorScales()) {
        ASSERT_TRUE(WriteEditorScale(path, scale));
        EXPECT_EQ(ReadEditorScale(path), scale);
    }
    EXPECT_FALSE(WriteEditorScale(path, 130));
    EXPECT_EQ(ReadEditorScale(path), 200) << "a refused scale leaves the file alone";
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(EditorSettings, DamagedOrForeignFilesGiveNoScale) {
    const std::string path = EditorSettingsPath("TORVIK");
    const struct {
        const char* what;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"unsupported scale", "scale=120\n"},
        {"no digits", "scale=\n"},
        {"sign", "scale=+150\n"},
        {"trailing text", "scale=150x\n"},
        {"too many digits", "scale=1500\n"},
        {"second line", "scale=150\nscale=200\n"},
        {"other key", "size=150\n"},
        {"binary", std::string("scale=1\0\x50", 9)},
        {"oversized", "scale=150\n" + std::string(1000, '#')},
    };
    for (const auto& c : cases) {
        WriteFile(path, c.text);
        EXPECT_EQ(ReadEditorScale(path), 0) << c.what;
    }
    WriteFile(path, "scale=175");
    EXPECT_EQ(ReadEditorScale(path), 175) << "the line end is optional";
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    EXPECT_EQ(ReadEditorScale(path), 0) << "a folder in the file's place";
}

TEST_F(EditorSettings, AnUnwritablePlaceRefusesTheWrite) {
    // A file where the product's folder should be.
    WriteFile(folder + "/TORVIK", "in the way");
    const std::string path = EditorSettingsPath("TORVIK");
    EXPECT_FALSE(WriteEditorScale(path, 150));
    EXPECT_EQ(ReadEditorScale(path), 0);
    EXPECT_FALSE(WriteEditorScale("", 150));
}

TEST_F(EditorSettings, PathFallsBackToTheHomeFolder) {
    const char* old = std::getenv("HOME");
    const std::string savedHome = old ? old : "";
    setenv("XDG_CONFIG_HOME", "relative/is/ignored", 1);
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(EditorSettingsPath("TORVIK"), "/home/someone/.config/TORVIK/editor.conf");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(EditorSettingsPath("TORVIK"), "/home/someone/.config/TORVIK/editor.conf");
    unsetenv("HOME");
    EXPECT_EQ(EditorSettingsPath("TORVIK"), "");
    EXPECT_EQ(EditorSettingsPath(""), "");
    if (old)
        setenv("HOME", savedHome.c_str(), 1);
}

} // namespace
} // namespace torvik::testing
