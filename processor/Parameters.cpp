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
    explicit TableTextFormat(int index) : spec(ParamSpecAt(index)) {}

    std::string Text(double value, bool withUnit) const override {
        return FormatValue(spec, value, withUnit ? TextForm::kWithUnit : TextForm::kNumberOnly);
    }
    bool Read(const char* text, double& value) const override {
        return text && ParseValue(spec, text, value);
    }

private:
    const ParamSpec& spec;
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
        const ParamSpec& spec = ParamSpecAt(i);
        IParamRecord& record = *plug.ParamAt(i);
        if (IsReserved(spec))
            continue; // never defined; keeps the blank record
        if (IsSwitch(spec)) {
            record.DefineStepped(spec.name, static_cast<int>(spec.defaultValue),
                                 static_cast<int>(spec.min), static_cast<int>(spec.max), "", "");
        } else {
            record.DefineContinuous(spec.name, spec.defaultValue, spec.min, spec.max,
                                    kContinuousStep, UnitText(spec.unit), "", 1.0);
        }
        record.SetTextFormat(&Formats()[static_cast<std::size_t>(i)]);
    }
}

} // namespace torvik
