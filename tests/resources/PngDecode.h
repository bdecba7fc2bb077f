#pragma once

// Decodes a PNG held in memory with libpng, keeping what the header says about
// the file as well as the pixels, so tests can check both.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace torvik::testing {

struct DecodedPng {
    std::uint32_t width = 0;  // pixels
    std::uint32_t height = 0; // pixels
    int bitDepth = 0;         // bits per sample, as stored in the file
    int colourType = -1;      // PNG_COLOR_TYPE_... of the file
    int interlace = -1;       // PNG_INTERLACE_... of the file
    // Rows top to bottom, width × 4 bytes each (R, G, B, A); filled only for
    // 8-bit RGBA files.
    std::vector<std::uint8_t> pixels;
    std::string error; // libpng's message when decoding failed
};

// Reads header and pixels; false (with error set) when libpng rejects the data
// or the data ends early.
bool DecodePng(const unsigned char* data, std::size_t size, DecodedPng& out);

// The whole file at path; empty when it cannot be read.
std::vector<unsigned char> ReadFileBytes(const std::string& path);

} // namespace torvik::testing
