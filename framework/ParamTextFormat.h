#pragma once
// How a plug-in writes and reads the values of one parameter as text, when it
// knows better than a bare number at display precision: units, significant
// figures, state names. The plug-in owns the object; records only refer to it.
#include <string>

namespace torvik {

class IParamTextFormat {
public:
    virtual ~IParamTextFormat() = default;
    // The text of a real value: with its unit for people, or the number alone
    // for hosts, which show the record's label beside it.
    virtual std::string Text(double value, bool withUnit) const = 0;
    // Reads typed text (UTF-8) into a real value within the range; false, with
    // value untouched, when the text is no value of this parameter.
    virtual bool Read(const char* text, double& value) const = 0;
};

} // namespace torvik
