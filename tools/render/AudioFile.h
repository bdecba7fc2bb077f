#pragma once
// Audio files read and written a chunk at a time through libsndfile, as planar double samples at
// full scale ±1, so a file of any length passes through in constant memory.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct sf_private_tag;

namespace torvik::render {

// Planar samples: one vector per channel, all of one length.
using Planar = std::vector<std::vector<double>>;

// A container torvik-render writes, as the user names it (--format) and by extension.
struct OutputKind {
    const char* name;       // "wav", "aiff", "flac", "ogg", "opus", "mp3"
    int container;          // libsndfile major format
    int fixedEncoding;      // the lossy codec, 0 for the PCM containers
    const char* extensions; // space-separated, with dots
};
const std::vector<OutputKind>& OutputKinds();
// The kind named `name` (as for --format), or null.
const OutputKind* KindNamed(const std::string& name);
// The kind a file name asks for by its extension, or null (no or unknown extension).
const OutputKind* KindForExtension(const std::filesystem::path& path);
// The names of every kind, "wav, aiff, ..." for messages.
std::string KindNames();

// True for lossy encodings (Vorbis, Opus, MPEG).
bool IsLossyFormat(int format);
// Bits of an integer PCM encoding (8, 16, 24, 32); 0 for float and everything else.
int IntegerBits(int format);
// The format's words for messages: "WAV 24-bit", "Ogg Opus".
std::string DescribeFormat(int format);

// Combines a container with an encoding; when the container cannot hold the encoding (FLAC has no
// float samples) answers the nearest it can (24-bit integers). 0 when nothing fits.
int CombineFormat(int container, int encoding);
// Parses an encoding name: "pcm16", "pcm24", "pcm32", "float" or "double". 0 when unknown.
int EncodingForName(const std::string& name);
// Parses a --bits value: "16", "24" or "32f". 0 when unknown.
int EncodingForBits(const std::string& bits);

// Reads a file a chunk at a time. A file whose header announces more audio than it holds (a
// cut-off copy), or whose data cannot be decoded to the end, is marked damaged.
class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    // Opens `path`; false with a reason in `error`.
    bool Open(const std::filesystem::path& path, std::string& error);

    int SampleRate() const { return rate; }
    int ChannelCount() const { return channels; }
    int Format() const { return format; }
    // Frames the file holds by its header (what a reader that trusts it expects).
    std::int64_t Frames() const { return frames; }
    // Frames handed out so far.
    std::int64_t FramesRead() const { return read; }

    // Reads up to `n` frames into `out` (resized to the channel count and to what was read);
    // answers the frames read, 0 at the end or when the data is damaged.
    std::size_t Read(Planar& out, std::size_t n);

    // Once reading has ended: why the file is damaged, or nothing when it is whole.
    std::optional<std::string> Damage() const;

private:
    sf_private_tag* file = nullptr;
    std::string path;           // for messages
    int rate = 0;               // Hz
    int channels = 0;           // per frame
    int format = 0;             // libsndfile format code
    std::int64_t frames = 0;    // announced
    std::int64_t read = 0;      // handed out
    std::string headerProblem;  // the header claims more data than the file holds
    std::string decodeProblem;  // libsndfile's error while reading
    std::vector<double> buffer; // interleaved
};

// Writes a file a chunk at a time in a given format.
class AudioWriter {
public:
    AudioWriter() = default;
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Creates `path` (the name shown in messages is `shownAs`). `quality` (0 to 10, best 10) sets
    // a lossy encoder's quality when given.
    bool Open(const std::filesystem::path& path, const std::string& shownAs, int format, int rate,
              int channels, std::optional<double> quality, std::string& error);
    // Integer samples scaled to the full 32-bit range (what libsndfile then shortens exactly).
    bool WriteInt(const std::vector<int>& interleaved, std::size_t frames, std::string& error);
    // Float samples, full scale ±1.
    bool WriteDouble(const std::vector<double>& interleaved, std::size_t frames,
                     std::string& error);
    // Finishes the file; false when the last bytes could not be written.
    bool Close(std::string& error);

private:
    sf_private_tag* file = nullptr;
    std::string shown; // for messages
};

// Whether `format` can hold `channels` channels at `rate` Hz.
bool FormatHolds(int format, int rate, int channels);

} // namespace torvik::render
