// A hostile saved state restored into TORVIK through the controller's state
// call: whatever the bytes, the instance stays usable and its state stays within
// the parameters' ranges.
#include "hostkit/memory_stream.h"
#include "support/TestTorvik.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static torvik::testing::TestTorvik* plugin = new torvik::testing::TestTorvik();
    auto* in = new hostkit::MemoryStream(std::vector<std::uint8_t>(data, data + size));
    plugin->controllerSetState(in);
    in->release();
    for (int i = 0; i < plugin->ParamCount(); ++i) {
        const torvik::IParamRecord* p = plugin->ParamAt(i);
        if (!(p->Value() >= p->Min() && p->Value() <= p->Max()))
            std::abort();
    }
    auto* out = new hostkit::MemoryStream();
    if (plugin->controllerGetState(out) != Steinberg::kResultOk || out->data().size() != 324)
        std::abort();
    out->release();
    // A short block through the restored chain stays finite: a few samples
    // reach every stage, and a short block keeps each input cheap.
    constexpr int kFrames = 16;
    static std::vector<double> buffers[6];
    double* inputs[4];
    double* outputs[2];
    for (int c = 0; c < 6; ++c)
        buffers[c].assign(kFrames, c < 4 ? 0.5 : 0.0);
    for (int c = 0; c < 4; ++c)
        inputs[c] = buffers[c].data();
    for (int c = 0; c < 2; ++c)
        outputs[c] = buffers[4 + c].data();
    plugin->ProcessBlock(inputs, outputs, kFrames);
    for (int c = 0; c < 2; ++c)
        for (double v : buffers[4 + c])
            if (!std::isfinite(v))
                std::abort();
    return 0;
}
