#pragma once
// Channel configurations and the per-channel buffers of the plug-in base.
#include <cstdint>
#include <vector>

namespace torvik {

// One accepted pair of input and output channel counts.
struct IChannelConfig {
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
};

struct IInputChannel {
    bool connected = false;
    double** slot = nullptr;     // the input-data entry this channel feeds
    std::vector<double> scratch; // one block of converted samples
};

struct IOutputChannel {
    bool connected = false;
    double** slot = nullptr;          // the output-data entry the processor writes through
    float* hostDestination = nullptr; // the host's single-precision buffer for this block
    std::vector<double> scratch;      // one block of samples
};

} // namespace torvik
