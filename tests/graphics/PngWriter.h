#pragma once
// Writes small PNG images with libpng, so decoding is tested on real files.
#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace torvik::testing {

struct PngImage {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType = PNG_COLOR_TYPE_RGBA;
    int interlace = PNG_INTERLACE_NONE;
    std::vector<png_color> palette;  // for palette images
    std::vector<png_byte> trnsAlpha; // tRNS alpha per palette entry
    bool greyTrns = false;           // tRNS for a grey image
    png_uint_16 greyTrnsValue = 0;   // the transparent grey level
    // Packed rows exactly as libpng expects them for the format above.
    std::vector<std::vector<png_byte>> rows;
};

namespace detail {
inline void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}
inline void NoFlush(png_structp) {}
} // namespace detail

// The PNG file bytes for image; empty if libpng refused.
inline std::vector<unsigned char> EncodePng(const PngImage& image) {
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rowPointers;
    for (const auto& row : image.rows)
        rowPointers.push_back(const_cast<png_bytep>(row.data()));
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, detail::AppendBytes, detail::NoFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), image.bitDepth, image.colourType,
                 image.interlace, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty())
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    if (!image.trnsAlpha.empty())
        png_set_tRNS(png, info, image.trnsAlpha.data(), static_cast<int>(image.trnsAlpha.size()),
                     nullptr);
    png_color_16 greyKey{};
    if (image.greyTrns) {
        greyKey.gray = image.greyTrnsValue;
        png_set_tRNS(png, info, nullptr, 0, &greyKey);
    }
    png_write_info(png, info);
    if (image.interlace != PNG_INTERLACE_NONE)
        png_set_interlace_handling(png);
    png_write_image(png, rowPointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

inline bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// An 8-bit RGBA image from 0xAARRGGBB pixels, row by row.
inline PngImage RgbaImage(int width, int height, const std::vector<std::uint32_t>& pixels) {
    PngImage image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        std::vector<png_byte> row;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
            row.push_back(static_cast<png_byte>(p >> 16));
            row.push_back(static_cast<png_byte>(p >> 8));
            row.push_back(static_cast<png_byte>(p));
            row.push_back(static_cast<png_byte>(p >> 24));
        }
        image.rows.push_back(row);
    }
    return image;
}

// Big-endian CRC of a chunk's type and data, as PNG stores it.
inline void PutCrc(std::vector<unsigned char>& bytes, std::size_t typeOffset, std::size_t length) {
    const uLong crc = crc32(0L, bytes.data() + typeOffset, static_cast<uInt>(length + 4));
    const std::size_t at = typeOffset + 4 + length;
    bytes[at] = static_cast<unsigned char>(crc >> 24);
    bytes[at + 1] = static_cast<unsigned char>(crc >> 16);
    bytes[at + 2] = static_cast<unsigned char>(crc >> 8);
    bytes[at + 3] = static_cast<unsigned char>(crc);
}

// Rewrites the width and height in a PNG's header, with a valid CRC.
inline void ForgeSize(std::vector<unsigned char>& bytes, std::uint32_t width,
                      std::uint32_t height) {
    // Signature (8), IHDR length (4), "IHDR" (4), then width and height.
    const std::size_t typeOffset = 12;
    for (int i = 0; i < 4; ++i) {
        bytes[16 + static_cast<std::size_t>(i)] = static_cast<unsigned char>(width >> (24 - 8 * i));
        bytes[20 + static_cast<std::size_t>(i)] =
            static_cast<unsigned char>(height >> (24 - 8 * i));
    }
    PutCrc(bytes, typeOffset, 13);
}

} // namespace torvik::testing
