#pragma once
// A top-down 32-bit DIB section: pixels the program writes directly and GDI
// draws into or copies from.
#include <windows.h>

namespace torvik {

// A w x h section (rows top to bottom, 0x00RRGGBB pixels, zeroed); bits
// receives the first pixel. None on failure.
inline HBITMAP CreateTopDownSection(int w, int h, void** bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h; // negative: top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

} // namespace torvik
