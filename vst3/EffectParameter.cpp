#include "vst3/EffectParameter.h"

#include "vst3sdk/helpers/ustring.h"

#include <string>

namespace torvik {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// The title of a record the plug-in never defines: validators refuse a
// parameter without one, and hosts must neither show nor automate it.
constexpr const char* kReservedTitle = "Reserved";
// Units of the host's fixed strings, the terminator included.
constexpr int32 kString128Units = 128;

} // namespace

void WidenToString128(const char* text, String128 out) {
    str8ToStr16(out, text, kString128Units);
}

void NarrowFromString16(const TChar* text, char* out, int maxChars) {
    if (!text) {
        out[0] = '\0';
        return;
    }
    UString(const_cast<TChar*>(text), maxChars).toAscii(out, maxChars + 1);
}

IEffectParameter::IEffectParameter(IParamRecord& paramRecord, ParamID id, UnitID unit)
    : record(paramRecord) {
    const bool reserved = record.Kind() == kParamUndefined;
    info.id = id;
    WidenToString128(reserved ? kReservedTitle : record.Name(), info.title);
    WidenToString128("", info.shortTitle);
    WidenToString128(record.HostLabel(), info.units);
    info.stepCount =
        record.Kind() == kParamContinuous ? 0 : static_cast<int32>(record.Max() - record.Min());
    info.defaultNormalizedValue = record.ToNormalised(record.Default());
    info.unitId = unit;
    if (reserved)
        info.flags = ParameterInfo::kIsHidden | ParameterInfo::kIsReadOnly;
    else
        info.flags = record.CanAutomate() ? ParameterInfo::kCanAutomate : 0;
    precision = record.DisplayPrecision();
    valueNormalized = info.defaultNormalizedValue;
}

void IEffectParameter::toString(ParamValue valueNormalized, String128 string) const {
    WidenToString128(record.FormatForHost(valueNormalized).c_str(), string);
}

bool IEffectParameter::fromString(const TChar* string, ParamValue& valueNormalized) const {
    // Read as UTF-8, so a typed U+2212 minus counts; text that holds no value
    // is refused rather than read as 0.
    if (!string)
        return false;
    return record.ReadText(toUtf8(string, kString128Units).c_str(), valueNormalized);
}

ParamValue IEffectParameter::toPlain(ParamValue valueNormalized) const {
    return record.FromNormalised(valueNormalized);
}

ParamValue IEffectParameter::toNormalized(ParamValue plainValue) const {
    return record.ToNormalised(plainValue);
}

} // namespace torvik
