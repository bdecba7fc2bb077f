#pragma once
// The host-facing face of one framework parameter. Holds no value of its own
// for conversions: texts and plain values come from the parameter record.
#include "framework/ParamRecord.h"
#include "vst3sdk/helpers/parameters.h"

namespace torvik {

class IEffectParameter : public Steinberg::Vst::Parameter {
public:
    IEffectParameter(IParamRecord& record, Steinberg::Vst::ParamID id, Steinberg::Vst::UnitID unit);

    void toString(Steinberg::Vst::ParamValue valueNormalized,
                  Steinberg::Vst::String128 string) const override;
    bool fromString(const Steinberg::Vst::TChar* string,
                    Steinberg::Vst::ParamValue& valueNormalized) const override;
    Steinberg::Vst::ParamValue toPlain(Steinberg::Vst::ParamValue valueNormalized) const override;
    Steinberg::Vst::ParamValue toNormalized(Steinberg::Vst::ParamValue plainValue) const override;

    OBJ_METHODS(IEffectParameter, Parameter)

private:
    IParamRecord& record; // owned by the plug-in base
};

// Widens 8-bit text byte by byte into a 128-unit host string; unit 127 is always 0.
void WidenToString128(const char* text, Steinberg::Vst::String128 out);
// Keeps the low byte of each unit, up to the first zero, at most maxChars characters.
void NarrowFromString16(const Steinberg::Vst::TChar* text, char* out, int maxChars);

} // namespace torvik
