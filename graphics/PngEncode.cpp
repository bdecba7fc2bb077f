#include "graphics/PngEncode.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>

namespace torvik {

namespace {

// What one encode owns; kept in the caller's frame so a long jump out of
// libpng skips no destructor.
struct EncodeJob {
    png_structp png;
    png_infop info;
    PIX_IBitmap* bitmap;
    png_bytep row; // one RGBA row (malloc)
};

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void SilentWarning(png_structp, png_const_charp) {}

void WriteImage(EncodeJob* job) {
    PIX_IBitmap& bitmap = *job->bitmap;
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    png_set_IHDR(job->png, job->info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(job->png, job->info);
    for (int y = 0; y < h; ++y) {
        const std::uint32_t* pixels = BitmapRow(bitmap, y);
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixels[x];
            png_bytep out = job->row + 4 * x;
            out[0] = static_cast<png_byte>(p >> 16);
            out[1] = static_cast<png_byte>(p >> 8);
            out[2] = static_cast<png_byte>(p);
            out[3] = static_cast<png_byte>(p >> 24);
        }
        png_write_row(job->png, job->row);
    }
    png_write_end(job->png, nullptr);
}

bool WriteGuarded(EncodeJob* job) {
    if (setjmp(png_jmpbuf(job->png)))
        return false;
    WriteImage(job);
    return true;
}

} // namespace

bool EncodePngFile(const char* path, PIX_IBitmap& bitmap) {
    if (!path || bitmap.Width() <= 0 || bitmap.Height() <= 0 || !bitmap.PixelData())
        return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, SilentWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    auto* row = static_cast<png_bytep>(std::malloc(static_cast<std::size_t>(bitmap.Width()) * 4));
    bool ok = false;
    if (png && info && row) {
        png_init_io(png, file);
        EncodeJob job{png, info, &bitmap, row};
        ok = WriteGuarded(&job);
    }
    if (png)
        png_destroy_write_struct(&png, info ? &info : nullptr);
    std::free(row);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok)
        std::remove(path);
    return ok;
}

} // namespace torvik
