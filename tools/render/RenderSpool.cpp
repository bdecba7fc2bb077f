#include "RenderSpool.h"

#include <cstring>

namespace torvik::render {

RenderSpool::RenderSpool(const std::filesystem::path& beside, int channelCount, bool doubles)
    : file(beside.string() + ".render"), channels(static_cast<std::size_t>(channelCount)),
      wide(doubles) {
    if (file.Ok())
        stream = std::fopen(file.TempPath().c_str(), "w+b");
}

RenderSpool::~RenderSpool() {
    if (stream != nullptr)
        std::fclose(stream);
}

bool RenderSpool::Ok(std::string& error) const {
    if (stream != nullptr)
        return true;
    error = file.Ok() ? "cannot open " + file.TempPath().string() + ": " + std::strerror(errno)
                      : file.Error();
    return false;
}

bool RenderSpool::Write(const Planar& audio, std::size_t frames, std::string& error) {
    const std::size_t size = wide ? sizeof(double) : sizeof(float);
    bytes.resize(frames * channels * size);
    for (std::size_t i = 0; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c) {
            char* at = bytes.data() + (i * channels + c) * size;
            if (wide) {
                std::memcpy(at, &audio[c][i], size);
            } else {
                const auto f = static_cast<float>(audio[c][i]);
                std::memcpy(at, &f, size);
            }
        }
    if (std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        error =
            "cannot park the render in " + file.TempPath().string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool RenderSpool::Rewind(std::string& error) {
    if (std::fflush(stream) != 0 || std::fseek(stream, 0, SEEK_SET) != 0) {
        error = "cannot read back " + file.TempPath().string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::size_t RenderSpool::Read(Planar& out, std::size_t n, std::string& error) {
    const std::size_t size = wide ? sizeof(double) : sizeof(float);
    bytes.resize(n * channels * size);
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), stream);
    if (got < bytes.size() && std::ferror(stream) != 0) {
        error = "cannot read back " + file.TempPath().string() + ": " + std::strerror(errno);
        return 0;
    }
    const std::size_t frames = got / (channels * size);
    out.resize(channels);
    for (std::size_t c = 0; c < channels; ++c) {
        out[c].resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            const char* at = bytes.data() + (i * channels + c) * size;
            if (wide) {
                std::memcpy(&out[c][i], at, size);
            } else {
                float f = 0;
                std::memcpy(&f, at, size);
                out[c][i] = f;
            }
        }
    }
    return frames;
}

} // namespace torvik::render
