#include "processor/Parameters.h"

#include "framework/EffectBase.h"
#include "framework/ParamTextFormat.h"
#include "processor/ValueText.h"

#include <array>
#include <utility>

namespace torvik {
namespace {

// A record's texts as the parameter table writes and reads them.
class TableTextFormat : public IParamTextFormat {
public:
    explicit TableTextFormat(int index) : param(ParamRowAt(index)) {}

    std::string Text(double value, bool withUnit) const override {
        return FormatValue(param, value, withUnit ? TextForm::kWithUnit : TextForm::kNumberOnly);
    }
    bool Read(const char* text, double& value) const override {
        return text && ParseValue(param, text, value);
    }

private:
    const ParamRow& param;
};

template <std::size_t... I>
std::array<TableTextFormat, sizeof...(I)> MakeFormats(std::index_sequence<I...>) {
    return {TableTextFormat(static_cast<int>(I))...};
}

// One format per index, shared by every instance.
const std::array<TableTextFormat, kParameterCount>& Formats() {
    static const auto formats = MakeFormats(std::make_index_sequence<kParameterCount>());
    return formats;
}

// Every continuous parameter steps by 0.01 (two decimals of display
// precision for hosts) and carries its unit as its label.
constexpr double kContinuousStep = 0.01;

} // namespace

void DefineTorvikParameters(IEffectBase& plug) {
    for (int i = 0; i < kParameterCount; ++i) {
        const ParamRow& param = ParamRowAt(i);
        IParamRecord& record = *plug.ParamAt(i);
        if (IsReserved(param))
            continue; // never defined; keeps the blank record
        if (IsSwitch(param)) {
            record.DefineStepped(param.name, static_cast<int>(param.defaultValue),
                                 static_cast<int>(param.min), static_cast<int>(param.max), "", "");
        } else {
            record.DefineContinuous(param.name, param.defaultValue, param.min, param.max,
                                    kContinuousStep, UnitText(param.unit), "", 1.0);
        }
        record.SetTextFormat(&Formats()[static_cast<std::size_t>(i)]);
    }
}

} // namespace torvik
