// State: the same bytes as every other format (framework/StateBytes.h),
// written and read through the host's streams, which may move any number of
// bytes per call.
#include "clap/EffectClap.h"

#include "framework/StateBytes.h"

#include <vector>

namespace torvik {

bool IEffectClap::SaveState(const clap_ostream* stream) {
    if (!stream || !stream->write)
        return false;
    const std::vector<std::uint8_t> bytes = SaveStateBytes(*this);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::int64_t n = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (n <= 0 || static_cast<std::uint64_t>(n) > bytes.size() - done)
            return false; // an error, or no progress
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool IEffectClap::LoadState(const clap_istream* stream) {
    if (!stream || !stream->read)
        return false;
    // One byte more than a state holds tells a longer stream from an exact one.
    const std::size_t expected = StateByteCount(ParamCount());
    std::vector<std::uint8_t> bytes(expected + 1);
    std::size_t got = 0;
    while (got < bytes.size()) {
        const std::int64_t n = stream->read(stream, bytes.data() + got, bytes.size() - got);
        if (n < 0)
            return false;
        if (n == 0 || static_cast<std::uint64_t>(n) > bytes.size() - got)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (!LoadStateBytes(*this, bytes.data(), got))
        return false;
    if (hostParams)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

const clap_plugin_state IEffectClap::kState = {
    [](const clap_plugin* p, const clap_ostream* stream) { return Self(p).SaveState(stream); },
    [](const clap_plugin* p, const clap_istream* stream) { return Self(p).LoadState(stream); },
};

} // namespace torvik
