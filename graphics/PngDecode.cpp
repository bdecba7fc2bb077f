#include "graphics/PngDecode.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace torvik {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

// Zero bytes the memory reader serves past the end of the data before it gives
// up. A short tail of zeros is all a cut-off image can use; without a bound, a
// chunk header announcing up to 2 GiB would have the decoder checksum that many
// zeros from a file of a few bytes.
constexpr std::size_t kMaxPngZerosPastEnd = 64u * 1024u;

// Cursor over PNG bytes in memory.
struct MemoryReader {
    const unsigned char* data;
    std::size_t length;
    std::size_t position;
    std::size_t zerosPastEnd; // bytes served beyond the data so far
};

// Everything one decode needs. It lives in the frame that calls the guarded
// step, so a long jump out of libpng never skips a destructor and never leaves
// it in an indeterminate state.
struct DecodeJob {
    png_structp png;
    png_infop info;
    PIX_IBitmap* target;  // caller's bitmap, or none
    PIX_IBitmap* created; // bitmap made by this decode, deleted on failure
    png_bytep* rows;      // row pointer table (malloc)
};

void SilentWarning(png_structp, png_const_charp) {}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

// Zero-fills the request, then copies what is left of the data. Reading more
// than kMaxPngZerosPastEnd bytes beyond the end is an error.
void ReadFromMemory(png_structp png, png_bytep out, png_size_t n) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    const std::size_t left = reader->length - reader->position;
    const std::size_t count = n < left ? n : left;
    const std::size_t zeros = n - count;
    if (zeros > kMaxPngZerosPastEnd - reader->zerosPastEnd)
        png_error(png, "read beyond the end of the data");
    reader->zerosPastEnd += zeros;
    std::memset(out, 0, n);
    std::memcpy(out, reader->data + reader->position, count);
    reader->position += count;
}

// The libpng work. May long-jump out through png_error; it keeps no objects
// with destructors and records everything it owns in the job.
void ReadImage(DecodeJob* job) {
    png_structp png = job->png;
    png_infop info = job->info;
    png_read_info(png, info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    if (static_cast<std::uint64_t>(width) * height > kMaxBitmapPixels)
        png_error(png, "image too large");

    bool hasAlpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0;
    if (colourType == PNG_COLOR_TYPE_PALETTE)
        png_set_palette_to_rgb(png);
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8)
        png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png);
        hasAlpha = true;
    }
    if (bitDepth == 16)
        png_set_strip_16(png);
    if (bitDepth < 8)
        png_set_packing(png);
    if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(png);
    if (hasAlpha)
        png_set_swap_alpha(png);
    else
        png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    // Every row must now be exactly four bytes per pixel, or the rows would overrun.
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(width) * 4u)
        png_error(png, "unexpected row size");

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    PIX_IBitmap* bitmap = job->target;
    if (bitmap) {
        bitmap->Resize(w, h);
    } else {
        job->created = new PIX_MemBitmap();
        if (w > 0 && h > 0)
            job->created->Resize(w, h);
        bitmap = job->created;
    }
    if (bitmap->Width() != w || bitmap->Height() != h || !bitmap->PixelData())
        png_error(png, "no bitmap");

    job->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * height));
    if (!job->rows)
        png_error(png, "out of memory");
    for (int r = 0; r < h; ++r)
        job->rows[r] = reinterpret_cast<png_bytep>(BitmapRow(*bitmap, r));
    png_read_image(png, job->rows);
    png_read_end(png, nullptr);
}

// Runs ReadImage; false when libpng reported an error.
bool ReadGuarded(DecodeJob* job) {
    if (setjmp(png_jmpbuf(job->png)))
        return false;
    ReadImage(job);
    return true;
}

// Decoded bytes A, R, G, B become the pixel value 0xAARRGGBB.
void ConvertToPixels(PIX_IBitmap& bitmap) {
    for (int r = 0; r < bitmap.Height(); ++r) {
        std::uint32_t* row = BitmapRow(bitmap, r);
        for (int x = 0; x < bitmap.Width(); ++x) {
            unsigned char bytes[4];
            std::memcpy(bytes, row + x, 4);
            row[x] = (static_cast<std::uint32_t>(bytes[0]) << 24) |
                     (static_cast<std::uint32_t>(bytes[1]) << 16) |
                     (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3];
        }
    }
}

// Sets up libpng with the given reader (a memory reader, or a file when
// memory is none) and decodes.
PIX_IBitmap* Decode(MemoryReader* memory, std::FILE* file, PIX_IBitmap* target) {
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, SilentWarning);
    if (!png)
        return nullptr;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return nullptr;
    }
    // Refuse absurd headers before any row memory is reserved.
    png_set_user_limits(png, kMaxPngWidth, kMaxPngHeight);
    png_set_chunk_cache_max(png, 128);
    png_set_chunk_malloc_max(png, 8u * 1024u * 1024u);
    if (memory)
        png_set_read_fn(png, memory, ReadFromMemory);
    else
        png_init_io(png, file);

    DecodeJob job{png, info, target, nullptr, nullptr};
    const bool ok = ReadGuarded(&job);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(job.rows);
    if (!ok) {
        delete job.created;
        return nullptr;
    }
    PIX_IBitmap* bitmap = job.created ? job.created : target;
    ConvertToPixels(*bitmap);
    return bitmap;
}

} // namespace

PIX_IBitmap* DecodePngMemory(const unsigned char* bytes, std::size_t length, PIX_IBitmap* target) {
    if (!bytes || length <= 7 || std::memcmp(bytes, kSignature, sizeof kSignature) != 0)
        return nullptr;
    MemoryReader reader{bytes, length, 0, 0};
    return Decode(&reader, nullptr, target);
}

PIX_IBitmap* DecodePngFile(const char* path, PIX_IBitmap* target) {
    if (!path)
        return nullptr;
    std::FILE* file = std::fopen(path, "rb");
    if (!file)
        return nullptr;
    PIX_IBitmap* bitmap = Decode(nullptr, file, target);
    std::fclose(file);
    return bitmap;
}

PIX_IBitmap* LoadPngFileChecked(const char* path, bool checkName, PIX_IBitmap* target) {
    if (!path)
        return nullptr;
    if (checkName) {
        const char* dot = std::strrchr(path, '.');
        if (!dot || strcasecmp(dot, ".png") != 0)
            return nullptr;
    }
    return DecodePngFile(path, target);
}

bool HasPngExtension(const char* name) {
    if (!name || !*name)
        return false;
    const char* dot = std::strrchr(name, '.');
    const char* extension = dot ? dot + 1 : name + 1;
    return strcasecmp(extension, "png") == 0;
}

} // namespace torvik
