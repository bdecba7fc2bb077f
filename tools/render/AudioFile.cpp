#include "AudioFile.h"

#include "PendingFile.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <system_error>

namespace torvik::render {

namespace {

// Frames moved per libsndfile call, so huge files need no interleaved copy of their own size.
constexpr sf_count_t kChunkFrames = 65536;

bool IsIntegerEncoding(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE:
        return false;
    default:
        return true;
    }
}

} // namespace

bool ReadAudioFile(const std::filesystem::path& path, AudioData& out, std::string& error) {
    out = AudioData{};
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        error = path.string() + ": no such file";
        return false;
    }
    if (std::filesystem::is_directory(path, ec)) {
        error = path.string() + ": is a folder, not an audio file";
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        error = path.string() + ": cannot read as audio (" + sf_strerror(nullptr) + ")";
        return false;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 0) {
        sf_close(file);
        error = path.string() + ": has no usable audio";
        return false;
    }
    out.sampleRate = info.samplerate;
    out.format = info.format;
    const auto channelCount = static_cast<std::size_t>(info.channels);
    out.channels.assign(channelCount, {});
    for (auto& ch : out.channels)
        ch.reserve(static_cast<std::size_t>(info.frames));
    std::vector<double> interleaved(static_cast<std::size_t>(kChunkFrames) * channelCount);
    for (;;) {
        const sf_count_t got = sf_readf_double(file, interleaved.data(), kChunkFrames);
        if (got <= 0)
            break;
        for (sf_count_t f = 0; f < got; ++f)
            for (std::size_t c = 0; c < channelCount; ++c)
                out.channels[c].push_back(
                    interleaved[static_cast<std::size_t>(f) * channelCount + c]);
    }
    const int status = sf_error(file);
    sf_close(file);
    if (status != SF_ERR_NO_ERROR) {
        error = path.string() + ": damaged audio data (" + sf_error_number(status) + ")";
        return false;
    }
    return true;
}

int ContainerForExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".wav" || ext == ".wave")
        return SF_FORMAT_WAV;
    if (ext == ".aif" || ext == ".aiff")
        return SF_FORMAT_AIFF;
    if (ext == ".flac")
        return SF_FORMAT_FLAC;
    return 0;
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

bool WriteAudioFile(const std::filesystem::path& path, const AudioData& audio, std::string& error) {
    if (audio.channels.empty() || audio.sampleRate < 1) {
        error = "cannot write " + path.string() + ": no audio";
        return false;
    }
    PendingFile pending(path);
    if (!pending.Ok()) {
        error = pending.Error();
        return false;
    }
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.ChannelCount();
    info.format = audio.format;
    if (!sf_format_check(&info)) {
        error = "cannot write " + path.string() + ": the format cannot hold this audio";
        return false;
    }
    SNDFILE* file = sf_open(pending.TempPath().c_str(), SFM_WRITE, &info);
    if (file == nullptr) {
        error = "cannot write " + path.string() + " (" + sf_strerror(nullptr) + ")";
        return false;
    }
    // No PEAK chunk: it carries the time of writing, and the same render must
    // give the same bytes.
    sf_command(file, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    // Integer files clip at full scale instead of wrapping round.
    if (IsIntegerEncoding(audio.format))
        sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const std::size_t channelCount = audio.channels.size();
    const std::size_t frames = audio.Frames();
    std::vector<double> interleaved(static_cast<std::size_t>(kChunkFrames) * channelCount);
    bool ok = true;
    for (std::size_t start = 0; start < frames && ok;) {
        const std::size_t n =
            std::min<std::size_t>(static_cast<std::size_t>(kChunkFrames), frames - start);
        for (std::size_t f = 0; f < n; ++f)
            for (std::size_t c = 0; c < channelCount; ++c)
                interleaved[f * channelCount + c] = audio.channels[c][start + f];
        ok = sf_writef_double(file, interleaved.data(), static_cast<sf_count_t>(n)) ==
             static_cast<sf_count_t>(n);
        start += n;
    }
    if (!ok)
        error = "cannot write " + path.string() + " (" + sf_strerror(file) + ")";
    if (sf_close(file) != 0 && ok) {
        ok = false;
        error = "cannot write " + path.string() + ": closing failed";
    }
    return ok && pending.Commit(error);
}

} // namespace torvik::render
