#include "Resampler.h"

#include <soxr.h>

#include <cmath>
#include <vector>

namespace torvik::render {

Resampler::~Resampler() {
    if (converter != nullptr)
        soxr_delete(converter);
}

bool Resampler::Start(int channelCount, int fromRate, int toRate, std::string& error) {
    channels = static_cast<std::size_t>(channelCount);
    ratio = static_cast<double>(toRate) / fromRate;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT64_S, SOXR_FLOAT64_S);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    soxr_error_t why = nullptr;
    converter = soxr_create(fromRate, toRate, static_cast<unsigned>(channelCount), &why, &io,
                            &quality, nullptr);
    if (converter == nullptr || why != nullptr) {
        error = std::string("cannot convert from ") + std::to_string(fromRate) + " Hz to " +
                std::to_string(toRate) + " Hz (" + (why != nullptr ? why : "no converter") + ")";
        return false;
    }
    return true;
}

bool Resampler::Run(const Planar* in, std::size_t frames, Planar& out, std::string& error) {
    out.assign(channels, {});
    std::vector<const double*> from(channels, nullptr);
    if (in != nullptr)
        for (std::size_t c = 0; c < channels; ++c)
            from[c] = (*in)[c].data();
    // Room for what this input makes, and a bit for the filter's own store when flushing.
    const std::size_t room = static_cast<std::size_t>(std::ceil(frames * ratio)) + 4096;
    std::size_t consumed = 0;
    for (;;) {
        std::vector<std::vector<double>> part(channels, std::vector<double>(room));
        std::vector<double*> to(channels);
        for (std::size_t c = 0; c < channels; ++c)
            to[c] = part[c].data();
        std::vector<const double*> at(channels, nullptr);
        if (in != nullptr)
            for (std::size_t c = 0; c < channels; ++c)
                at[c] = from[c] + consumed;
        std::size_t used = 0, made = 0;
        const soxr_error_t why = soxr_process(converter, in != nullptr ? at.data() : nullptr,
                                              frames - consumed, &used, to.data(), room, &made);
        if (why != nullptr) {
            error = std::string("sample-rate conversion failed (") + why + ")";
            return false;
        }
        consumed += used;
        for (std::size_t c = 0; c < channels; ++c)
            out[c].insert(out[c].end(), part[c].begin(),
                          part[c].begin() + static_cast<std::ptrdiff_t>(made));
        // Done when the input is used up and the converter had no more to give.
        if (consumed >= frames && made < room)
            return true;
    }
}

bool Resampler::Process(const Planar& in, std::size_t frames, Planar& out, std::string& error) {
    return Run(&in, frames, out, error);
}

bool Resampler::Finish(Planar& out, std::string& error) {
    return Run(nullptr, 0, out, error);
}

} // namespace torvik::render
