#include "PngDecode.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <iterator>

namespace torvik::testing {

namespace {

// Everything the read touches lives here, outside the function that calls
// setjmp, so nothing is left indeterminate by libpng's long jump.
struct ReadContext {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
    DecodedPng* out = nullptr;
    std::vector<png_bytep> rows;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t count) {
    auto* context = static_cast<ReadContext*>(png_get_io_ptr(png));
    if (count > context->size - context->position) {
        png_error(png, "data ends early");
    }
    std::memcpy(target, context->data + context->position, count);
    context->position += count;
}

void RecordError(png_structp png, png_const_charp message) {
    auto* context = static_cast<ReadContext*>(png_get_error_ptr(png));
    context->out->error = message;
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

bool ReadPng(png_structp png, png_infop info, ReadContext* context) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, context, ReadFromMemory);
    png_read_info(png, info);
    DecodedPng& out = *context->out;
    out.width = png_get_image_width(png, info);
    out.height = png_get_image_height(png, info);
    out.bitDepth = png_get_bit_depth(png, info);
    out.colourType = png_get_color_type(png, info);
    out.interlace = png_get_interlace_type(png, info);
    if (out.bitDepth != 8 || out.colourType != PNG_COLOR_TYPE_RGBA ||
        out.interlace != PNG_INTERLACE_NONE) {
        return true; // the header is what the caller checks; pixels are not needed
    }
    const std::size_t rowBytes = static_cast<std::size_t>(out.width) * 4;
    out.pixels.assign(rowBytes * out.height, 0);
    context->rows.resize(out.height);
    for (std::uint32_t y = 0; y < out.height; ++y) {
        context->rows[y] = out.pixels.data() + rowBytes * y;
    }
    png_read_image(png, context->rows.data());
    png_read_end(png, nullptr);
    return true;
}

} // namespace

bool DecodePng(const unsigned char* data, std::size_t size, DecodedPng& out) {
    out = DecodedPng{};
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        out.error = "no PNG signature";
        return false;
    }
    ReadContext context;
    context.data = data;
    context.size = size;
    context.out = &out;
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, RecordError, IgnoreWarning);
    if (png == nullptr) {
        out.error = "png_create_read_struct failed";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        out.error = "png_create_info_struct failed";
        return false;
    }
    const bool ok = ReadPng(png, info, &context);
    png_destroy_read_struct(&png, &info, nullptr);
    return ok;
}

std::vector<unsigned char> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return {};
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace torvik::testing
