#pragma once
// Sample-rate conversion after the effect (--rate), a chunk at a time, through libsoxr at its
// very high quality setting.
#include "AudioFile.h"

#include <memory>
#include <string>

struct soxr;

namespace torvik::render {

class Resampler {
public:
    Resampler() = default;
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    bool Start(int channels, int fromRate, int toRate, std::string& error);
    // Converts the first `frames` frames of `in` into `out` (what is ready so far).
    bool Process(const Planar& in, std::size_t frames, Planar& out, std::string& error);
    // What the filter still holds at the end.
    bool Finish(Planar& out, std::string& error);

private:
    bool Run(const Planar* in, std::size_t frames, Planar& out, std::string& error);

    soxr* converter = nullptr;
    std::size_t channels = 0;
    double ratio = 1.0;
};

} // namespace torvik::render
