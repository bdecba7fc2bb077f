// Parameter, StringListParameter and ParameterContainer of an edit controller.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/vst/ivsteditcontroller.h"

#include <map>
#include <vector>

namespace Steinberg::Vst {

/** One host-facing parameter: its ParameterInfo and normalised value. Plain value = normalised
    value unless a derived class converts. */
class Parameter : public FObject {
public:
    /** All-zero info, value 0. */
    Parameter();
    /** Copies `info`; value = its default. */
    explicit Parameter(const ParameterInfo& info);
    /** Strings copied (at most 127 units); value = default. */
    Parameter(const TChar* title, ParamID tag, const TChar* units = nullptr,
              ParamValue defaultValueNormalized = 0., int32 stepCount = 0,
              int32 flags = ParameterInfo::kCanAutomate, UnitID unitID = kRootUnitIdValue,
              const TChar* shortTitle = nullptr);

    const ParameterInfo& getInfo() const { return info; }
    ParameterInfo& getInfo() { return info; }
    void setUnitID(UnitID id) { info.unitId = id; }
    UnitID getUnitID() const { return info.unitId; }

    ParamValue getNormalized() const { return valueNormalized; }
    /** Clamps to [0, 1] (NaN is refused); true and changed() when the value differs. */
    virtual bool setNormalized(ParamValue v);

    /** Toggle (stepCount 1): "On" above 0.5 else "Off"; otherwise v with `precision` decimals. */
    virtual void toString(ParamValue valueNormalized, String128 string) const;
    /** One number, taken as normalised and not clamped; true if a number was read. */
    virtual bool fromString(const TChar* string, ParamValue& valueNormalized) const;
    virtual ParamValue toPlain(ParamValue valueNormalized) const { return valueNormalized; }
    virtual ParamValue toNormalized(ParamValue plainValue) const { return plainValue; }

    int32 getPrecision() const { return precision; }
    void setPrecision(int32 value) { precision = value; }

    OBJ_METHODS(Parameter, FObject)

    static constexpr UnitID kRootUnitIdValue = 0;

protected:
    ParameterInfo info;         ///< what the host sees
    ParamValue valueNormalized; ///< current value 0..1
    int32 precision = 4;        ///< decimals of toString
};

/** A list parameter: one text per step, stepCount = entries - 1. */
class StringListParameter : public Parameter {
public:
    StringListParameter(const TChar* title, ParamID tag, const TChar* units = nullptr,
                        int32 flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsList,
                        UnitID unitID = kRootUnitIdValue, const TChar* shortTitle = nullptr);

    void appendString(const TChar* string);
    bool replaceString(int32 index, const TChar* string);
    void clear();
    int32 getStringCount() const { return static_cast<int32>(strings.size()); }

    /** Copies entry toPlain(v); an index outside the list gives an empty string. */
    void toString(ParamValue valueNormalized, String128 string) const override;
    /** Exact, case-sensitive match; first match → toNormalized(index). */
    bool fromString(const TChar* string, ParamValue& valueNormalized) const override;
    /** min(stepCount, truncate(v * (stepCount + 1))); 0 without steps. */
    ParamValue toPlain(ParamValue valueNormalized) const override;
    /** p / stepCount; 0 without steps. */
    ParamValue toNormalized(ParamValue plainValue) const override;

    OBJ_METHODS(StringListParameter, Parameter)

protected:
    std::vector<std::u16string> strings; ///< entries in step order
};

/** Parameters in insertion order with lookup by ID. */
class ParameterContainer {
public:
    ParameterContainer() = default;
    ~ParameterContainer() { removeAll(); }
    ParameterContainer(const ParameterContainer&) = delete;
    ParameterContainer& operator=(const ParameterContainer&) = delete;

    /** Reserves room for `initialSize` parameters. */
    void init(int32 initialSize = 10);
    /** Appends `p`, taking over the caller's reference; a duplicate ID maps to the newest. */
    Parameter* addParameter(Parameter* p);
    Parameter* addParameter(const ParameterInfo& info);
    /** Plain Parameter; a negative id means the current count. */
    Parameter* addParameter(const TChar* title, const TChar* units = nullptr, int32 stepCount = 0,
                            ParamValue defaultValueNormalized = 0.,
                            int32 flags = ParameterInfo::kCanAutomate, int32 tag = -1,
                            UnitID unitID = 0, const TChar* shortTitle = nullptr);

    int32 getParameterCount() const { return static_cast<int32>(params.size()); }
    /** Null outside the range. */
    Parameter* getParameterByIndex(int32 index) const;
    /** Null for an unknown id. */
    Parameter* getParameter(ParamID tag) const;
    /** Removes the parameter with `tag`; true if found. */
    bool removeParameter(ParamID tag);
    void removeAll();

private:
    std::vector<Parameter*> params; ///< counted references, insertion order
    std::map<ParamID, size_t> byId; ///< id → position of the newest parameter with that id
};

} // namespace Steinberg::Vst
