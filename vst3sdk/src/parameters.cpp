#include "vst3sdk/helpers/parameters.h"

#include "vst3sdk/helpers/ustring.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace Steinberg::Vst {

Parameter::Parameter() : valueNormalized(0.) {
    std::memset(&info, 0, sizeof info);
}

Parameter::Parameter(const ParameterInfo& newInfo)
    : info(newInfo), valueNormalized(newInfo.defaultNormalizedValue) {}

Parameter::Parameter(const TChar* title, ParamID tag, const TChar* units,
                     ParamValue defaultValueNormalized, int32 stepCount, int32 flags, UnitID unitID,
                     const TChar* shortTitle)
    : valueNormalized(defaultValueNormalized) {
    std::memset(&info, 0, sizeof info);
    UString(info.title, 128).assign(title);
    if (units != nullptr)
        UString(info.units, 128).assign(units);
    if (shortTitle != nullptr)
        UString(info.shortTitle, 128).assign(shortTitle);
    info.id = tag;
    info.stepCount = stepCount;
    info.defaultNormalizedValue = defaultValueNormalized;
    info.flags = flags;
    info.unitId = unitID;
}

bool Parameter::setNormalized(ParamValue v) {
    // A NaN would poison every later conversion; keep the last good value.
    if (std::isnan(v))
        return false;
    if (v > 1.0)
        v = 1.0;
    else if (v < 0.0)
        v = 0.0;
    if (v != valueNormalized) {
        valueNormalized = v;
        changed();
        return true;
    }
    return false;
}

void Parameter::toString(ParamValue v, String128 string) const {
    UString wrapper(string, 128);
    if (info.stepCount == 1) {
        wrapper.fromAscii(v > 0.5 ? "On" : "Off");
        return;
    }
    if (!wrapper.printFloat(v, precision))
        string[0] = 0;
}

bool Parameter::fromString(const TChar* string, ParamValue& v) const {
    if (string == nullptr)
        return false;
    UString wrapper(const_cast<TChar*>(string), strlen16(string) + 1);
    return wrapper.scanFloat(v);
}

StringListParameter::StringListParameter(const TChar* title, ParamID tag, const TChar* units,
                                         int32 flags, UnitID unitID, const TChar* shortTitle)
    : Parameter(title, tag, units, 0., 0, flags, unitID, shortTitle) {
    info.stepCount = -1;
}

void StringListParameter::appendString(const TChar* string) {
    strings.emplace_back(string != nullptr ? string : u"");
    info.stepCount++;
}

bool StringListParameter::replaceString(int32 index, const TChar* string) {
    if (index < 0 || index >= getStringCount())
        return false;
    strings[static_cast<size_t>(index)] = string != nullptr ? string : u"";
    return true;
}

void StringListParameter::clear() {
    strings.clear();
    info.stepCount = -1;
}

void StringListParameter::toString(ParamValue v, String128 string) const {
    const double plain = std::isnan(v) ? -1.0 : toPlain(v);
    const auto index = static_cast<int64>(plain);
    if (index < 0 || index >= getStringCount()) {
        string[0] = 0;
        return;
    }
    UString(string, 128).assign(strings[static_cast<size_t>(index)].c_str());
}

bool StringListParameter::fromString(const TChar* string, ParamValue& v) const {
    if (string == nullptr)
        return false;
    const std::u16string_view wanted(string);
    for (size_t i = 0; i < strings.size(); ++i) {
        if (strings[i] == wanted) {
            v = toNormalized(static_cast<ParamValue>(i));
            return true;
        }
    }
    return false;
}

ParamValue StringListParameter::toPlain(ParamValue v) const {
    if (info.stepCount <= 0)
        return 0;
    const double scaled = std::trunc(v * (info.stepCount + 1));
    return std::min<double>(info.stepCount, scaled);
}

ParamValue StringListParameter::toNormalized(ParamValue plainValue) const {
    if (info.stepCount <= 0)
        return 0;
    return plainValue / info.stepCount;
}

void ParameterContainer::init(int32 initialSize) {
    if (initialSize > 0)
        params.reserve(static_cast<size_t>(initialSize));
}

Parameter* ParameterContainer::addParameter(Parameter* p) {
    if (p == nullptr)
        return nullptr;
    if (params.empty())
        init();
    byId[p->getInfo().id] = params.size();
    params.push_back(p);
    return p;
}

Parameter* ParameterContainer::addParameter(const ParameterInfo& info) {
    return addParameter(new Parameter(info));
}

Parameter* ParameterContainer::addParameter(const TChar* title, const TChar* units, int32 stepCount,
                                            ParamValue defaultValueNormalized, int32 flags,
                                            int32 tag, UnitID unitID, const TChar* shortTitle) {
    const auto id = tag < 0 ? static_cast<ParamID>(getParameterCount()) : static_cast<ParamID>(tag);
    return addParameter(new Parameter(title != nullptr ? title : u"", id, units,
                                      defaultValueNormalized, stepCount, flags, unitID,
                                      shortTitle));
}

Parameter* ParameterContainer::getParameterByIndex(int32 index) const {
    if (index < 0 || index >= getParameterCount())
        return nullptr;
    return params[static_cast<size_t>(index)];
}

Parameter* ParameterContainer::getParameter(ParamID tag) const {
    const auto it = byId.find(tag);
    return it == byId.end() ? nullptr : params[it->second];
}

bool ParameterContainer::removeParameter(ParamID tag) {
    const auto it = byId.find(tag);
    if (it == byId.end())
        return false;
    const size_t position = it->second;
    Parameter* p = params[position];
    params.erase(params.begin() + static_cast<std::ptrdiff_t>(position));
    // Keep the map consistent with the shifted positions.
    byId.clear();
    for (size_t i = 0; i < params.size(); ++i)
        byId[params[i]->getInfo().id] = i;
    p->release();
    return true;
}

void ParameterContainer::removeAll() {
    std::vector<Parameter*> old;
    old.swap(params);
    byId.clear();
    for (Parameter* p : old)
        p->release();
}

} // namespace Steinberg::Vst
