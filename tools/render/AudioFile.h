#pragma once
// Reading and writing audio files (WAV, AIFF, FLAC and whatever else libsndfile knows) as
// planar double samples at full scale ±1.
#include <filesystem>
#include <string>
#include <vector>

namespace torvik::render {

// A whole file in memory, one vector per channel.
struct AudioData {
    int sampleRate = 0;                        // frames per second
    int format = 0;                            // libsndfile format code (container | encoding)
    std::vector<std::vector<double>> channels; // channels[c][frame]

    std::size_t Frames() const { return channels.empty() ? 0 : channels.front().size(); }
    int ChannelCount() const { return static_cast<int>(channels.size()); }
};

// Reads `path`. Integer files are scaled to ±1; float files keep their values.
bool ReadAudioFile(const std::filesystem::path& path, AudioData& out, std::string& error);

// The container a file name asks for by its extension (".wav", ".aif", ".aiff", ".flac"), as a
// libsndfile major format, or 0 when the extension is none of these.
int ContainerForExtension(const std::filesystem::path& path);

// Combines a container with an encoding; when the container cannot hold the encoding (FLAC has no
// float samples) answers the nearest it can (24-bit integers). 0 when nothing fits.
int CombineFormat(int container, int encoding);

// Parses an encoding name: "pcm16", "pcm24", "pcm32", "float" or "double". 0 when unknown.
int EncodingForName(const std::string& name);

// Writes `audio` to `path` in `audio.format` through a temporary file renamed on success, so a
// failed write leaves nothing under `path`. Integer encodings clip at full scale.
bool WriteAudioFile(const std::filesystem::path& path, const AudioData& audio, std::string& error);

} // namespace torvik::render
