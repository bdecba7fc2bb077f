#include "OutputChain.h"

#include <sndfile.h>

#include <cmath>

namespace torvik::render {

bool OutputChain::Open(const std::filesystem::path& path, const std::string& shownAs,
                       const OutputSettings& wanted, std::string& error) {
    settings = wanted;
    factor = std::pow(10.0, settings.gainDb / 20.0);
    if (settings.limitDbtp)
        limiter = std::make_unique<TruePeakLimiter>(settings.channels, settings.sampleRate,
                                                    *settings.limitDbtp);
    // The effect's samples are floats or doubles: every integer word is shorter.
    if (const int bits = IntegerBits(settings.format); bits != 0)
        words.emplace(bits, settings.dither);
    asFloat = (settings.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT;
    if (!meter.Start(settings.channels, settings.sampleRate, settings.loudness, error))
        return false;
    if (path.empty())
        return true;
    writer.emplace();
    return writer->Open(path, shownAs, settings.format, settings.sampleRate, settings.channels,
                        settings.quality, error);
}

bool OutputChain::Write(const Planar& audio, std::size_t frames, std::string& error) {
    scaled.resize(audio.size());
    for (std::size_t c = 0; c < audio.size(); ++c) {
        scaled[c].resize(frames);
        for (std::size_t i = 0; i < frames; ++i)
            scaled[c][i] = audio[c][i] * factor;
    }
    if (!limiter)
        return Emit(scaled, frames, error);
    limiter->Process(scaled, frames, limited);
    return Emit(limited, limited.empty() ? 0 : limited.front().size(), error);
}

bool OutputChain::Emit(const Planar& audio, std::size_t frames, std::string& error) {
    if (frames == 0)
        return true;
    const std::size_t count = audio.size();
    // What the file will hold, sample for sample, replaces the chunk before it is measured.
    Planar& held = scaled;
    if (&audio != &scaled)
        held = audio;
    if (words) {
        ints.resize(frames * count);
        for (std::size_t i = 0; i < frames; ++i)
            for (std::size_t c = 0; c < count; ++c) {
                const int w = words->Quantize(held[c][i]);
                ints[i * count + c] = w;
                held[c][i] = words->Value(w);
            }
    } else {
        doubles.resize(frames * count);
        for (std::size_t i = 0; i < frames; ++i)
            for (std::size_t c = 0; c < count; ++c) {
                if (asFloat)
                    held[c][i] = static_cast<float>(held[c][i]);
                doubles[i * count + c] = held[c][i];
            }
    }
    levels.Add(held, frames);
    if (!meter.Add(held, frames, error))
        return false;
    if (!writer)
        return true;
    return words ? writer->WriteInt(ints, frames, error)
                 : writer->WriteDouble(doubles, frames, error);
}

bool OutputChain::Finish(std::string& error) {
    if (limiter) {
        limiter->Finish(limited);
        if (!Emit(limited, limited.empty() ? 0 : limited.front().size(), error))
            return false;
    }
    return !writer || writer->Close(error);
}

double OutputChain::LimiterSeconds() const {
    return limiter ? static_cast<double>(limiter->FramesReduced()) / settings.sampleRate : 0.0;
}

} // namespace torvik::render
