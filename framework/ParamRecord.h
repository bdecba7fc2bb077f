#pragma once
// One parameter: its kind, current value in real units, range, step, the shape
// exponent of its normalised mapping, and everything needed to show it as text.
#include "framework/ParamTextFormat.h"
#include "framework/RelaxedAtomic.h"

#include <cstdint>
#include <string>
#include <vector>

namespace torvik {

enum ParamKind : std::int32_t {
    kParamUndefined = 0,
    kParamBoolean = 1,
    kParamStepped = 2,
    kParamList = 3,
    kParamContinuous = 4,
};

inline constexpr int kMaxParamDisplayPrecision = 6;
inline constexpr int kParamTextSize = 32; // 31 characters plus the terminator

// A name for one integer value of a parameter.
struct ParamDisplayText {
    std::int32_t value = 0;
    char text[kParamTextSize] = {};
};

// Reads the longest leading decimal number of text (optional sign, fraction and
// exponent); a text without one reads as 0.
double ReadLeadingDecimal(const char* text);

class IParamRecord {
public:
    IParamRecord();

    // Definition, once per record by the plug-in's constructor.
    void DefineContinuous(const char* name, double defaultValue, double minValue, double maxValue,
                          double stepValue, const char* label = "", const char* group = "",
                          double shapeValue = 1.0);
    void DefineStepped(const char* name, int defaultValue, int minValue, int maxValue,
                       const char* label = "", const char* group = "");
    // A shape of exactly 0 is ignored.
    void ApplyShape(double shapeValue);
    void AddDisplayText(int value, const char* text);

    // Normalised (0..1) against real values.
    double FromNormalised(double x) const;
    double ToNormalised(double v) const;
    double GetNormalised() const { return ToNormalised(value.Load()); }
    void SetFromNormalised(double x);
    void SetClamped(double v);
    // A plain value from a host (CLAP, LV2): clamped into the range and, for
    // every kind but continuous, rounded to the step, as SetFromNormalised
    // does; a value that is not a number changes nothing.
    void SetFromPlain(double v);

    // Texts.
    const char* DisplayTextFor(int v) const;
    const char* HostLabel() const;
    // The text format, when one is set, writes and reads every value; else a
    // display text or the number at display precision.
    void SetTextFormat(const IParamTextFormat* format) { textFormat = format; }
    const IParamTextFormat* TextFormat() const { return textFormat; }
    std::string TextOfValue(double v) const; // for hosts: the number without unit
    std::string CurrentText() const { return TextOfValue(value.Load()); }
    std::string FormatForHost(double x) const { return TextOfValue(FromNormalised(x)); }
    // For people: the value with its unit ("-24.0 dB").
    std::string TextWithUnit(double v) const;
    // The leading decimal number of text, normalised; 0 in range when there is none.
    double ParseFromText(const char* text) const;
    // Typed text (UTF-8) as a normalised value, clamped to the range; false, with
    // normalised untouched, when the text holds no value.
    bool ReadText(const char* text, double& normalised) const;

    // Accessors.
    ParamKind Kind() const { return kind; }
    double Value() const { return value.Load(); }
    double Min() const { return min; }
    double Max() const { return max; }
    double Step() const { return step; }
    double Shape() const { return shape; }
    double Default() const { return defaultValue; }
    int DisplayPrecision() const { return displayPrecision; }
    const char* Name() const { return name; }
    const char* Label() const { return label; }
    const char* Group() const { return group; }
    bool NegateDisplay() const { return negateDisplay; }
    void SetNegateDisplay(bool on) { negateDisplay = on; }
    bool CanAutomate() const { return canAutomate; }
    void SetCanAutomate(bool on) { canAutomate = on; }
    const std::vector<ParamDisplayText>& DisplayTexts() const { return displayTexts; }

private:
    ParamKind kind; // what sort of parameter this is
    // Current value, real units. Written under the instance lock; read whole
    // without it (a host polling values never waits for a block).
    RelaxedAtomic<double> value;
    double min;                    // lowest real value
    double max;                    // highest real value
    double step;                   // quantum of the value; fixes the display precision
    double shape;                  // exponent of the normalised mapping; 1.0 is linear
    double defaultValue;           // value given at definition
    std::int32_t displayPrecision; // decimals shown, 0..6
    char name[kParamTextSize];
    char label[kParamTextSize];
    char group[kParamTextSize];
    bool negateDisplay; // show the value with its sign flipped
    bool canAutomate;   // host may automate this parameter
    std::vector<ParamDisplayText> displayTexts;
    const IParamTextFormat* textFormat = nullptr; // the plug-in's; none = numbers
};

} // namespace torvik
