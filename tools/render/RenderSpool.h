#pragma once
// The rendered audio parked on disk between the measuring pass and the writing pass of
// --normalize, so an hour-long render needs no memory for itself. Samples are kept as floats
// when the effect's own samples were floats (nothing is lost) and as doubles otherwise. The file
// is hidden beside the output and removed when done or interrupted.
#include "AudioFile.h"
#include "PendingFile.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace torvik::render {

class RenderSpool {
public:
    RenderSpool(const std::filesystem::path& beside, int channels, bool doubles);
    ~RenderSpool();
    RenderSpool(const RenderSpool&) = delete;
    RenderSpool& operator=(const RenderSpool&) = delete;

    bool Ok(std::string& error) const;
    bool Write(const Planar& audio, std::size_t frames, std::string& error);
    // Starts reading from the beginning (again).
    bool Rewind(std::string& error);
    // Reads up to `n` frames; answers how many (0 at the end).
    std::size_t Read(Planar& out, std::size_t n, std::string& error);

private:
    PendingFile file;
    std::FILE* stream = nullptr;
    std::size_t channels;
    bool wide;
    std::vector<char> bytes;
};

} // namespace torvik::render
