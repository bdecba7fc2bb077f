// Typed parameter text: always a normalised value within 0..1.
#include "framework/ParamRecord.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    torvik::IParamRecord ratio;
    ratio.DefineContinuous("Compressor Ratio", 4, 1.5, 20, 0.01, "%");
    const double x = ratio.ParseFromText(text.c_str());
    if (!(x >= 0.0 && x <= 1.0))
        std::abort();
    ratio.SetFromNormalised(x);
    if (!(ratio.Value() >= 1.5 && ratio.Value() <= 20.0))
        std::abort();
    return 0;
}
