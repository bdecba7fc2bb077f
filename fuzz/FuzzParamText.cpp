// Typed parameter text: always a normalised value within 0..1, and every
// parameter of the table either refuses the text or reads a value in range
// whose own text reads back.
#include "framework/ParamRecord.h"
#include "processor/ValueText.h"

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
    for (int i = 0; i < torvik::kTorvikParamCount; ++i) {
        const torvik::ParamRow& param = torvik::ParamRowAt(i);
        double v = 0.0;
        if (!torvik::ParseValue(param, text, v))
            continue;
        if (!(v >= param.min && v <= param.max))
            std::abort();
        double again = 0.0;
        const std::string shown = torvik::FormatValue(param, v, torvik::TextForm::kWithUnit);
        if (!torvik::ParseValue(param, shown, again))
            std::abort();
    }
    return 0;
}
