// Host-side queues of parameter changes inside one block.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"
#include "vst3sdk/pluginterfaces/vst/vsttypes.h"

namespace Steinberg::Vst {

/** The points of one parameter within a block, sorted by sample offset. */
class IParamValueQueue : public FUnknown {
public:
    virtual ParamID PLUGIN_API getParameterId() = 0;
    virtual int32 PLUGIN_API getPointCount() = 0;
    virtual tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) = 0;
    virtual tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) = 0;

    TORVIK_DECLARE_IID(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    TORVIK_INTERFACE_DESTRUCTOR(IParamValueQueue)
};

/** All parameter queues of a block. */
class IParameterChanges : public FUnknown {
public:
    virtual int32 PLUGIN_API getParameterCount() = 0;
    /** No new reference; null when out of range. */
    virtual IParamValueQueue* PLUGIN_API getParameterData(int32 index) = 0;
    virtual IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) = 0;

    TORVIK_DECLARE_IID(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    TORVIK_INTERFACE_DESTRUCTOR(IParameterChanges)
};

} // namespace Steinberg::Vst
