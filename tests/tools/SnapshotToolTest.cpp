// torvik-snapshot run as a program: its PNG is the editor as drawn, and
// parameter and meter settings change only their controls' pixels.
#include "graphics/DrawContext.h"
#include "graphics/EditorScale.h"
#include "graphics/PngDecode.h"
#include "graphics/ScaledStrip.h"
#include "support/TestTorvik.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace torvik::testing {
namespace {

// Agreement of a scaled picture with the 100 % one, brought to the same size.
// Measured: the art at 125 to 200 % scores 28.7 to 29.6 dB (text hinted at
// each size, lines of whole supersampled widths); the 100 % picture shifted
// by one pixel scores 23.7 dB.
constexpr double kMinimumPsnr = 27.0;

class SnapshotToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/torvik-snapshot-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const std::string& f : files)
            std::remove(f.c_str());
        rmdir(dir.c_str());
    }
    // Runs the tool writing name; returns its exit code.
    int Run(const std::string& name, const std::string& args) {
        const std::string path = dir + "/" + name;
        files.push_back(path);
        const std::string command =
            std::string(TORVIK_SNAPSHOT_PATH) + " -o " + path + " " + args + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::unique_ptr<PIX_IBitmap> Load(const std::string& name) {
        return std::unique_ptr<PIX_IBitmap>(DecodePngFile((dir + "/" + name).c_str()));
    }
    // Pixels that differ between a and b, and whether all of them lie in area.
    static int Differences(PIX_IBitmap& a, PIX_IBitmap& b, const Rect& area, bool& allInside) {
        int n = 0;
        allInside = true;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (BitmapRow(a, y)[x] != BitmapRow(b, y)[x]) {
                    ++n;
                    allInside = allInside && area.Contains(x, y);
                }
        return n;
    }

    std::string dir;
    std::vector<std::string> files;
};

TEST_F(SnapshotToolTest, DefaultPictureIsTheEditorAsDrawn) {
    ASSERT_EQ(Run("default.png", ""), 0);
    const auto picture = Load("default.png");
    ASSERT_NE(picture, nullptr);
    ASSERT_EQ(picture->Width(), 1186);
    ASSERT_EQ(picture->Height(), 644);
    testing::TestTorvik plug;
    auto* editor = dynamic_cast<IDrawContext*>(plug.Graphics());
    ASSERT_NE(editor, nullptr);
    editor->DrawRegion(Rect{0, 0, 1186, 644});
    bool inside = true;
    EXPECT_EQ(Differences(*picture, *editor->DrawBitmap(), Rect{}, inside), 0);
}

TEST_F(SnapshotToolTest, ParameterByNameOrIndexTurnsOnlyItsKnob) {
    ASSERT_EQ(Run("default.png", ""), 0);
    ASSERT_EQ(Run("byname.png", "--set 'main input=1'"), 0);
    ASSERT_EQ(Run("byindex.png", "--set 2=1"), 0);
    const auto base = Load("default.png");
    const auto byName = Load("byname.png");
    const auto byIndex = Load("byindex.png");
    ASSERT_TRUE(base && byName && byIndex);
    bool inside = false;
    const Rect mainInput{1033, 259, 1097, 323};
    EXPECT_GT(Differences(*base, *byName, mainInput, inside), 50);
    EXPECT_TRUE(inside);
    EXPECT_EQ(Differences(*byName, *byIndex, Rect{}, inside), 0);
}

TEST_F(SnapshotToolTest, MeterLevelMovesOnlyItsMeter) {
    ASSERT_EQ(Run("default.png", ""), 0);
    ASSERT_EQ(Run("meter.png", "--meter main=0.8"), 0);
    const auto base = Load("default.png");
    const auto meter = Load("meter.png");
    ASSERT_TRUE(base && meter);
    bool inside = false;
    EXPECT_GT(Differences(*base, *meter, Rect{983, 95, 1147, 176}, inside), 50);
    EXPECT_TRUE(inside);
}

TEST_F(SnapshotToolTest, BadArgumentsFailWithoutAPicture) {
    const char* bad[] = {"--set nothing=1", "--set 0=abc",   "--meter needle=0.5",
                         "--set 40=0.5",    "--frobnicate",  "--set",
                         "--scale 130",     "--scale 150.5", "--scale"};
    for (const char* args : bad) {
        EXPECT_EQ(Run("bad.png", args), 2) << args;
        EXPECT_EQ(Load("bad.png"), nullptr) << args;
    }
}

// Peak signal-to-noise ratio of b against a over the colour channels, in dB.
double Psnr(PIX_IBitmap& a, PIX_IBitmap& b) {
    double sum = 0.0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const std::uint32_t p = BitmapRow(a, y)[x];
            const std::uint32_t q = BitmapRow(b, y)[x];
            for (int shift = 0; shift < 24; shift += 8) {
                const double d = static_cast<double>((p >> shift) & 0xFF) -
                                 static_cast<double>((q >> shift) & 0xFF);
                sum += d * d;
            }
        }
    const double mse = sum / (3.0 * a.Width() * a.Height());
    return mse > 0.0 ? 10.0 * std::log10(255.0 * 255.0 / mse) : 99.0;
}

// At every scale the picture has the scaled size, and brought back to 100 %
// it matches the 100 % picture closely: the art made for each scale and the
// layout agree (a control out of place or art of the wrong size would cost
// far more than the differences of drawing and resampling).
TEST_F(SnapshotToolTest, EveryScaleBroughtBackTo100PercentMatchesThe100PercentPicture) {
    const std::string settings = "--set 3=0.7 --set 16=0.2 --meter main=0.8 --meter comp=0.4";
    ASSERT_EQ(Run("100.png", settings), 0);
    auto reference = Load("100.png");
    ASSERT_NE(reference, nullptr);
    for (const int scale : EditorScales()) {
        if (scale == 100)
            continue;
        const std::string name = std::to_string(scale) + ".png";
        ASSERT_EQ(Run(name, settings + " --scale " + std::to_string(scale)), 0) << scale;
        auto picture = Load(name);
        ASSERT_NE(picture, nullptr) << scale;
        EXPECT_EQ(picture->Width(), ScaledLength(1186, scale));
        EXPECT_EQ(picture->Height(), ScaledLength(644, scale));
        PIX_MemBitmap reduced;
        reduced.Resize(1186, 644);
        ResampleByArea(*picture, reduced);
        const double psnr = Psnr(*reference, reduced);
        std::printf("scale %d %%: PSNR against 100 %% %.1f dB\n", scale, psnr);
        EXPECT_GE(psnr, kMinimumPsnr) << scale;
    }
}

} // namespace
} // namespace torvik::testing
