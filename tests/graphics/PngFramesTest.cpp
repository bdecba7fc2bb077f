// The editor's strips inflate frame by frame: each frame alone gives exactly
// the rows of the whole decode, drawing holds only the frames drawn, and data
// that does not fit falls back to the whole decode.
#include "graphics/PngFrames.h"
#include "graphics/FramePatch.h"
#include "graphics/PngDecode.h"
#include "graphics/PngResource.h"
#include "resources/ImageResources.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <vector>

namespace torvik::testing {
namespace {

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

void PutBigEndian32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

// Position of a chunk's length field, or 0.
std::size_t FindChunk(const std::vector<unsigned char>& png, const char* type) {
    std::size_t pos = 8;
    while (pos + 12 <= png.size()) {
        if (std::memcmp(png.data() + pos + 4, type, 4) == 0)
            return pos;
        pos += 12 + BigEndian32(png.data() + pos);
    }
    return 0;
}

// Recomputes a chunk's CRC after an edit, so only the edit itself is wrong.
void FixCrc(std::vector<unsigned char>& png, std::size_t chunk) {
    const std::uint32_t n = BigEndian32(png.data() + chunk);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), png.data() + chunk + 4, n + 4);
    PutBigEndian32(png.data() + chunk + 8 + n, static_cast<std::uint32_t>(crc));
}

std::vector<unsigned char> Bytes(const ImageResource& image) {
    return {image.data, image.data + image.size};
}

// The whole strip as a plain decode and the frame differences undone give it.
std::unique_ptr<PIX_IBitmap> WholeStrip(const unsigned char* data, std::size_t size) {
    std::unique_ptr<PIX_IBitmap> whole(DecodePngMemory(data, size));
    const int deltaFrames = PngDeltaFrameCount(data, size);
    if (whole && deltaFrames > 0 && !UndoFrameDeltas(*whole, deltaFrames))
        whole.reset();
    return whole;
}

bool RowsEqual(PIX_IBitmap& a, int aRow, PIX_IBitmap& b, int bRow, int width) {
    return std::memcmp(BitmapRow(a, aRow), BitmapRow(b, bRow),
                       static_cast<std::size_t>(width) * 4) == 0;
}

TEST(PngFrames, EveryFrameInflatesAloneToTheRowsOfTheWholeDecode) {
    for (const ImageResource& image : ImageResources()) {
        PngFrameIndex index;
        ASSERT_TRUE(ReadPngFrameIndex(image.data, image.size, index)) << image.name;
        ASSERT_EQ(index.frames, image.frames) << image.name;
        std::unique_ptr<PIX_IBitmap> whole = WholeStrip(image.data, image.size);
        ASSERT_NE(whole, nullptr) << image.name;
        EXPECT_EQ(index.framesAreDeltas, image.frames > 1) << image.name;
        ASSERT_EQ(index.frames * index.rowsPerFrame, whole->Height());
        PIX_MemBitmap frame;
        for (int f = 0; f < index.frames; ++f) {
            ASSERT_TRUE(InflatePngFrame(index, f, frame)) << image.name << " frame " << f;
            ASSERT_EQ(frame.Width(), whole->Width());
            ASSERT_EQ(frame.Height(), index.rowsPerFrame);
            for (int r = 0; r < index.rowsPerFrame; ++r)
                ASSERT_TRUE(RowsEqual(frame, r, *whole, f * index.rowsPerFrame + r, frame.Width()))
                    << image.name << " frame " << f << " row " << r;
        }
        EXPECT_FALSE(InflatePngFrame(index, -1, frame));
        EXPECT_FALSE(InflatePngFrame(index, index.frames, frame));
    }
}

TEST(PngFrames, DrawingInflatesTheFramesDrawnAndHoldsFew) {
    const ImageResource* meter = FindImageResource(104); // 121 frames
    ASSERT_NE(meter, nullptr);
    std::unique_ptr<PIX_IBitmap> whole = WholeStrip(meter->data, meter->size);
    ASSERT_NE(whole, nullptr);
    std::unique_ptr<PIX_IBitmap> lazy(LoadPngResource(nullptr, meter->id, meter->name));
    auto* strip = dynamic_cast<PIX_PngResourceBitmap*>(lazy.get());
    ASSERT_NE(strip, nullptr);
    const int rows = strip->Height() / meter->frames;

    // A needle sweeping up and back (frames seen before come back from their
    // patches), then a jump: held frames never exceed the cap.
    std::vector<int> shown;
    for (int f = 0; f < 30; ++f)
        shown.push_back(f);
    for (int f = 29; f >= 0; f -= 3)
        shown.push_back(f);
    shown.push_back(120);
    for (const int f : shown) {
        int origin = -1;
        // The last rows of the frame only.
        PIX_IBitmap* pixels = strip->RowsFor(f * rows + rows - 5, f * rows + rows, origin);
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(origin, f * rows);
        EXPECT_EQ(pixels->Height(), rows);
        for (int r = 0; r < rows; ++r)
            ASSERT_TRUE(RowsEqual(*pixels, r, *whole, f * rows + r, whole->Width())) << f;
        EXPECT_LE(strip->HeldFrameCount(), PIX_PngResourceBitmap::kHeldFrames);
    }
    EXPECT_FALSE(strip->IsDecoded()) << "no frame needed the whole strip";

    // Rows across two frames need the whole strip, which then serves every frame.
    int origin = -1;
    PIX_IBitmap* pixels = strip->RowsFor(rows - 1, rows + 1, origin);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(origin, 0);
    EXPECT_EQ(pixels->Height(), strip->Height());
    EXPECT_TRUE(strip->IsDecoded());
    EXPECT_EQ(strip->HeldFrameCount(), 0);
    EXPECT_EQ(strip->RowsFor(5 * rows, 6 * rows, origin), pixels);
    EXPECT_EQ(origin, 0);
}

// Damaged frame data is not drawn: the strip falls back to the whole decode,
// which finds the damage as well.
TEST(PngFrames, DamagedFrameDataFallsBackToTheWholeDecode) {
    const ImageResource* knob = FindImageResource(107);
    ASSERT_NE(knob, nullptr);
    std::vector<unsigned char> png = Bytes(*knob);
    PngFrameIndex index;
    ASSERT_TRUE(ReadPngFrameIndex(png.data(), png.size(), index));
    const std::size_t frame3 = static_cast<std::size_t>(index.data - png.data()) + index.offsets[3];
    for (std::size_t i = 0; i < 64; ++i)
        png[frame3 + i] = 0xFF; // an invalid deflate block
    ASSERT_TRUE(ReadPngFrameIndex(png.data(), png.size(), index));
    PIX_MemBitmap frame;
    EXPECT_TRUE(InflatePngFrame(index, 2, frame));
    EXPECT_FALSE(InflatePngFrame(index, 3, frame));

    std::unique_ptr<PIX_PngResourceBitmap> strip(
        PIX_PngResourceBitmap::FromBytes(png.data(), png.size()));
    ASSERT_NE(strip, nullptr);
    const int rows = index.rowsPerFrame;
    int origin = -1;
    EXPECT_NE(strip->RowsFor(2 * rows, 3 * rows, origin), nullptr);
    EXPECT_EQ(strip->RowsFor(3 * rows, 4 * rows, origin), nullptr);
    EXPECT_EQ(strip->RowsFor(2 * rows, 3 * rows, origin), nullptr) << "nothing damaged is drawn";
}

TEST(PngFrames, IndexesThatDoNotFitAreIgnored) {
    const ImageResource* knob = FindImageResource(107);
    ASSERT_NE(knob, nullptr);
    const std::vector<unsigned char> good = Bytes(*knob);
    const std::size_t chunk = FindChunk(good, "frIX");
    ASSERT_NE(chunk, 0u);
    const std::size_t data = chunk + 8;
    const std::size_t offset5 = data + 8 + 4 * 5;
    struct Case {
        const char* what;
        std::size_t offset;  // first byte to set, from the start of the file
        std::uint32_t value; // big-endian word written there
        bool fixCrc;
    } cases[] = {
        {"frame count too large", data, 62, true},
        {"rows per frame wrong", data + 4, 64, true},
        {"first frame not after the zlib header", data + 8, 3, true},
        {"offsets out of order", offset5, BigEndian32(good.data() + offset5 - 4), true},
        {"offset past the data", data + 8 + 4 * 60, 0x7F000000, true},
        {"damaged index chunk", data + 8, 0x55, false},
        {"not RGBA", 24, 0x08020000, true},
        {"interlaced", 25, 0x06000001, true},
    };
    for (const Case& c : cases) {
        std::vector<unsigned char> png = good;
        PutBigEndian32(png.data() + c.offset, c.value);
        if (c.fixCrc)
            FixCrc(png, c.offset < chunk ? 8 : chunk);
        PngFrameIndex index;
        EXPECT_FALSE(ReadPngFrameIndex(png.data(), png.size(), index)) << c.what;
        EXPECT_EQ(index.frames, 0) << c.what;
    }
    std::vector<unsigned char> truncated(good.begin(),
                                         good.begin() + static_cast<long>(chunk) + 20);
    PngFrameIndex index;
    EXPECT_FALSE(ReadPngFrameIndex(truncated.data(), truncated.size(), index));
    EXPECT_FALSE(ReadPngFrameIndex(nullptr, 0, index));
    EXPECT_TRUE(ReadPngFrameIndex(good.data(), good.size(), index));
}

// Frames stored as differences from the first: a damaged or foreign count
// makes the index unusable and the whole decode refuse, for a plain decode
// alone would give differences, not pixels.
TEST(PngFrames, DifferencesFromTheFirstFrameNeedTheirChunk) {
    const ImageResource* knob = FindImageResource(107);
    ASSERT_NE(knob, nullptr);
    const std::vector<unsigned char> good = Bytes(*knob);
    const std::size_t chunk = FindChunk(good, "frDF");
    ASSERT_NE(chunk, 0u);
    EXPECT_EQ(PngDeltaFrameCount(good.data(), good.size()), knob->frames);
    const struct {
        const char* what;
        std::uint32_t count;
        bool fixCrc;
        int expected; // PngDeltaFrameCount
    } cases[] = {
        {"count of another strip", 30, true, 30},
        {"one frame", 1, true, -1},
        {"damaged chunk", static_cast<std::uint32_t>(knob->frames), false, -1},
    };
    for (const auto& c : cases) {
        std::vector<unsigned char> png = good;
        PutBigEndian32(png.data() + chunk + 8, c.count);
        if (c.fixCrc)
            FixCrc(png, chunk);
        else
            png[chunk + 12] ^= 0x01; // the CRC
        EXPECT_EQ(PngDeltaFrameCount(png.data(), png.size()), c.expected) << c.what;
        PngFrameIndex index;
        EXPECT_FALSE(ReadPngFrameIndex(png.data(), png.size(), index)) << c.what;
        std::unique_ptr<PIX_PngResourceBitmap> strip(
            PIX_PngResourceBitmap::FromBytes(png.data(), png.size()));
        ASSERT_NE(strip, nullptr);
        if (c.expected < 0) {
            EXPECT_EQ(strip->PixelData(), nullptr) << c.what;
        }
    }
    // Each frame is the first plus its stored difference: a frame inflated
    // with the first given equals the one inflated alone, and both differ
    // from the stored difference.
    PngFrameIndex index;
    ASSERT_TRUE(ReadPngFrameIndex(good.data(), good.size(), index));
    PIX_MemBitmap first, alone, given;
    ASSERT_TRUE(InflatePngFrame(index, 0, first));
    ASSERT_TRUE(InflatePngFrame(index, 17, alone));
    ASSERT_TRUE(InflatePngFrame(index, 17, given, &first));
    for (int r = 0; r < index.rowsPerFrame; ++r)
        ASSERT_TRUE(RowsEqual(alone, r, given, r, index.width)) << r;
    std::unique_ptr<PIX_IBitmap> stored(DecodePngMemory(good.data(), good.size()));
    ASSERT_NE(stored, nullptr);
    EXPECT_FALSE(RowsEqual(alone, 30, *stored, 17 * index.rowsPerFrame + 30, index.width));
}

// A strip without an index (any other PNG) is served whole.
TEST(PngFrames, AStripWithoutIndexIsDrawnWhole) {
    const ImageResource* knob = FindImageResource(107);
    ASSERT_NE(knob, nullptr);
    std::vector<unsigned char> png = Bytes(*knob);
    const std::size_t chunk = FindChunk(png, "frIX");
    ASSERT_NE(chunk, 0u);
    std::memcpy(png.data() + chunk + 4, "teXt", 4); // now an unknown chunk
    FixCrc(png, chunk);
    std::unique_ptr<PIX_PngResourceBitmap> strip(
        PIX_PngResourceBitmap::FromBytes(png.data(), png.size()));
    ASSERT_NE(strip, nullptr);
    int origin = -1;
    PIX_IBitmap* pixels = strip->RowsFor(65, 130, origin);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(origin, 0);
    EXPECT_TRUE(strip->IsDecoded());
}

TEST(FramePatch, RebuildsTheFrameFromTheBaseOrDeclines) {
    constexpr int kW = 7;
    constexpr int kH = 5;
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> changed; // (row, x)
        std::size_t maxChanged;
        bool made;
    } cases[] = {
        {"identical", {}, 8, true},
        {"one pixel", {{2, 3}}, 8, true},
        {"runs at both row ends", {{0, 0}, {0, 1}, {0, 6}, {4, 5}, {4, 6}}, 8, true},
        {"a whole row", {{1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 4}, {1, 5}, {1, 6}}, 7, true},
        {"more than allowed", {{1, 0}, {2, 0}, {3, 0}}, 2, false},
    };
    for (const Case& c : cases) {
        PIX_MemBitmap base;
        PIX_MemBitmap frame;
        base.Resize(kW, kH);
        frame.Resize(kW, kH);
        for (int r = 0; r < kH; ++r)
            for (int x = 0; x < kW; ++x)
                BitmapRow(base, r)[x] = BitmapRow(frame, r)[x] = 0xFF000000u | (r * 16 + x);
        for (const auto& [r, x] : c.changed)
            BitmapRow(frame, r)[x] = 0x80FFFFFFu - static_cast<std::uint32_t>(x);
        FramePatch patch;
        ASSERT_EQ(FramePatch::Make(base, frame, c.maxChanged, patch), c.made) << c.what;
        if (!c.made)
            continue;
        EXPECT_EQ(patch.Bytes() > 0, !c.changed.empty()) << c.what;
        PIX_MemBitmap rebuilt;
        rebuilt.Resize(kW, kH);
        for (int r = 0; r < kH; ++r)
            std::memcpy(BitmapRow(rebuilt, r), BitmapRow(base, r), kW * 4);
        patch.ApplyTo(rebuilt);
        for (int r = 0; r < kH; ++r)
            EXPECT_TRUE(RowsEqual(rebuilt, r, frame, r, kW)) << c.what << " row " << r;
    }
    PIX_MemBitmap small;
    PIX_MemBitmap large;
    small.Resize(2, 2);
    large.Resize(3, 2);
    FramePatch patch;
    EXPECT_FALSE(FramePatch::Make(small, large, 100, patch)) << "sizes differ";
}

} // namespace
} // namespace torvik::testing
