#include "AudioFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <sstream>
#include <system_error>

namespace torvik::render {

namespace {

// A streamed WAV or AIFF (written to a pipe) leaves a placeholder for its data size, zero or
// close to 2 or 4 GiB; such a header does not promise anything and is not a cut-off file.
constexpr long long kStreamedSizeFloor = 0x7FFF0000LL;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// The data chunk the header announced against what the file holds, from libsndfile's log
// ("data : 384000 (should be 199956)"); empty when they agree.
std::string HeaderShortfall(SNDFILE* file) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        const auto name = line.find_first_not_of(' ');
        if (name == std::string::npos ||
            (line.compare(name, 4, "data") != 0 && line.compare(name, 4, "SSND") != 0))
            continue;
        const auto should = line.find("(should be ");
        const auto colon = line.find(':');
        if (should == std::string::npos || colon == std::string::npos)
            continue;
        const long long claimed = std::atoll(line.c_str() + colon + 1);
        const long long holds = std::atoll(line.c_str() + should + 11);
        if (claimed > holds && claimed != 0 && claimed < kStreamedSizeFloor)
            return "its header announces " + std::to_string(claimed) +
                   " bytes of audio but the file holds " + std::to_string(holds);
    }
    return {};
}

} // namespace

const std::vector<OutputKind>& OutputKinds() {
    static const std::vector<OutputKind> kinds = {
        {"wav", SF_FORMAT_WAV, 0, ".wav .wave"},
        {"aiff", SF_FORMAT_AIFF, 0, ".aif .aiff"},
        {"flac", SF_FORMAT_FLAC, 0, ".flac"},
        {"ogg", SF_FORMAT_OGG, SF_FORMAT_VORBIS, ".ogg .oga"},
        {"opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, ".opus"},
        {"mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, ".mp3"},
    };
    return kinds;
}

const OutputKind* KindNamed(const std::string& name) {
    for (const OutputKind& k : OutputKinds())
        if (name == k.name)
            return &k;
    return nullptr;
}

const OutputKind* KindForExtension(const std::filesystem::path& path) {
    const std::string ext = Lower(path.extension().string());
    if (ext.empty())
        return nullptr;
    for (const OutputKind& k : OutputKinds()) {
        std::istringstream list(k.extensions);
        std::string e;
        while (list >> e)
            if (e == ext)
                return &k;
    }
    return nullptr;
}

std::string KindNames() {
    std::string names;
    for (const OutputKind& k : OutputKinds())
        names += (names.empty() ? "" : ", ") + std::string(k.name);
    return names;
}

bool IsLossyFormat(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_VORBIS:
    case SF_FORMAT_OPUS:
    case SF_FORMAT_MPEG_LAYER_I:
    case SF_FORMAT_MPEG_LAYER_II:
    case SF_FORMAT_MPEG_LAYER_III:
        return true;
    default:
        return false;
    }
}

int IntegerBits(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return 8;
    case SF_FORMAT_PCM_16:
        return 16;
    case SF_FORMAT_PCM_24:
        return 24;
    case SF_FORMAT_PCM_32:
        return 32;
    default:
        return 0;
    }
}

std::string DescribeFormat(int format) {
    SF_FORMAT_INFO major{};
    major.format = format & SF_FORMAT_TYPEMASK;
    SF_FORMAT_INFO sub{};
    sub.format = format & SF_FORMAT_SUBMASK;
    const bool hasMajor = sf_command(nullptr, SFC_GET_FORMAT_INFO, &major, sizeof major) == 0;
    const bool hasSub = sf_command(nullptr, SFC_GET_FORMAT_INFO, &sub, sizeof sub) == 0;
    std::string text = hasMajor ? major.extension : "audio";
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (const int bits = IntegerBits(format); bits != 0)
        return text + " " + std::to_string(bits) + "-bit";
    return text + (hasSub ? std::string(" ") + sub.name : std::string());
}

int CombineFormat(int container, int encoding) {
    SF_INFO probe{};
    probe.channels = 1;
    probe.samplerate = 48000;
    probe.format = (container & SF_FORMAT_TYPEMASK) | (encoding & SF_FORMAT_SUBMASK);
    if (sf_format_check(&probe))
        return probe.format;
    probe.format = (container & SF_FORMAT_TYPEMASK) | SF_FORMAT_PCM_24;
    return sf_format_check(&probe) ? probe.format : 0;
}

int EncodingForName(const std::string& name) {
    if (name == "pcm16")
        return SF_FORMAT_PCM_16;
    if (name == "pcm24")
        return SF_FORMAT_PCM_24;
    if (name == "pcm32")
        return SF_FORMAT_PCM_32;
    if (name == "float")
        return SF_FORMAT_FLOAT;
    if (name == "double")
        return SF_FORMAT_DOUBLE;
    return 0;
}

int EncodingForBits(const std::string& bits) {
    if (bits == "16")
        return SF_FORMAT_PCM_16;
    if (bits == "24")
        return SF_FORMAT_PCM_24;
    if (bits == "32f")
        return SF_FORMAT_FLOAT;
    return 0;
}

bool FormatHolds(int format, int rate, int channels) {
    SF_INFO info{};
    info.format = format;
    info.samplerate = rate;
    info.channels = channels;
    if (!sf_format_check(&info))
        return false;
    // The Opus encoder runs at its own five rates only; MPEG audio stops at 48 kHz.
    if ((format & SF_FORMAT_SUBMASK) == SF_FORMAT_OPUS)
        return rate == 8000 || rate == 12000 || rate == 16000 || rate == 24000 || rate == 48000;
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_MPEG)
        return rate <= 48000;
    return true;
}

AudioReader::~AudioReader() {
    if (file != nullptr)
        sf_close(file);
}

bool AudioReader::Open(const std::filesystem::path& where, std::string& error) {
    path = where.string();
    std::error_code ec;
    if (!std::filesystem::exists(where, ec)) {
        error = path + ": no such file";
        return false;
    }
    if (std::filesystem::is_directory(where, ec)) {
        error = path + ": is a folder, not an audio file";
        return false;
    }
    SF_INFO info{};
    file = sf_open(where.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = path + ": cannot read as audio (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        error = path + ": has no usable audio";
        return false;
    }
    rate = info.samplerate;
    channels = info.channels;
    format = info.format;
    frames = info.frames;
    headerProblem = HeaderShortfall(file);
    return true;
}

std::size_t AudioReader::Read(Planar& out, std::size_t n) {
    const auto count = static_cast<std::size_t>(channels);
    out.resize(count);
    buffer.resize(n * count);
    sf_count_t got = 0;
    if (file != nullptr && decodeProblem.empty()) {
        got = sf_readf_double(file, buffer.data(), static_cast<sf_count_t>(n));
        if (const int status = sf_error(file); status != SF_ERR_NO_ERROR) {
            decodeProblem = sf_error_number(status);
            got = std::max<sf_count_t>(got, 0);
        }
    }
    const auto frames = static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
    for (std::size_t c = 0; c < count; ++c) {
        out[c].resize(frames);
        for (std::size_t f = 0; f < frames; ++f)
            out[c][f] = buffer[f * count + c];
    }
    read += static_cast<std::int64_t>(frames);
    return frames;
}

std::optional<std::string> AudioReader::Damage() const {
    const std::string got =
        " (read " + std::to_string(read) + " of " + std::to_string(frames) + " frames)";
    if (!headerProblem.empty())
        return path + ": cut off: " + headerProblem + " (read " + std::to_string(read) + " frames)";
    if (!decodeProblem.empty())
        return path + ": damaged audio data: " + decodeProblem + got;
    if (read < frames)
        return path + ": cut off: the audio ends early" + got;
    return std::nullopt;
}

AudioWriter::~AudioWriter() {
    if (file != nullptr)
        sf_close(file);
}

bool AudioWriter::Open(const std::filesystem::path& path, const std::string& shownAs, int format,
                       int rate, int channels, std::optional<double> quality, std::string& error) {
    shown = shownAs;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    if (!FormatHolds(format, rate, channels)) {
        error = "cannot write " + shown + " as " + DescribeFormat(format) + " at " +
                std::to_string(rate) + " Hz with " + std::to_string(channels) + " channels";
        return false;
    }
    file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + shown + " (" + sf_strerror(nullptr) + ")";
        return false;
    }
    // No PEAK chunk: it carries the time of writing, and the same render must give the same
    // bytes.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Whatever reaches libsndfile as doubles clips at full scale instead of wrapping round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (quality && IsLossyFormat(format)) {
        double q = std::clamp(*quality / 10.0, 0.0, 1.0);
        sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &q, sizeof q);
    }
    return true;
}

bool AudioWriter::WriteInt(const std::vector<int>& interleaved, std::size_t frames,
                           std::string& error) {
    if (sf_writef_int(file, interleaved.data(), static_cast<sf_count_t>(frames)) ==
        static_cast<sf_count_t>(frames))
        return true;
    error = "cannot write " + shown + " (" + sf_strerror(file) + ")";
    return false;
}

bool AudioWriter::WriteDouble(const std::vector<double>& interleaved, std::size_t frames,
                              std::string& error) {
    if (sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(frames)) ==
        static_cast<sf_count_t>(frames))
        return true;
    error = "cannot write " + shown + " (" + sf_strerror(file) + ")";
    return false;
}

bool AudioWriter::Close(std::string& error) {
    if (file == nullptr)
        return true;
    const int status = sf_close(file);
    file = nullptr;
    if (status != 0) {
        error = "cannot write " + shown + ": closing failed";
        return false;
    }
    return true;
}

} // namespace torvik::render
