#pragma once
// Shortening samples to an integer word length: TPDF dither (the sum of two uniform values of
// one step each, so the error is free of the signal and of bias), rounding, and clipping at
// full scale that is counted rather than silent. The noise follows a fixed sequence, so the same
// render gives the same bytes.
#include <cstdint>
#include <vector>

namespace torvik::render {

class WordLength {
public:
    // `bits` from 8 to 32; `dither` false rounds only.
    WordLength(int bits, bool dither);

    // The integer a sample becomes, scaled to the full 32-bit range as libsndfile takes it.
    int Quantize(double sample);
    // That integer as a sample value again (what a reader of the file gets).
    double Value(int word) const { return static_cast<double>(word) / 2147483648.0; }

    // Samples that lay beyond full scale and were clipped.
    std::uint64_t Clipped() const { return clipped; }

private:
    double Uniform();

    double steps;        // 2^(bits-1): the steps of one polarity
    int shift;           // 32 - bits
    bool dither;         // add TPDF noise before rounding
    std::uint64_t noise; // generator state
    std::uint64_t clipped = 0;
};

} // namespace torvik::render
