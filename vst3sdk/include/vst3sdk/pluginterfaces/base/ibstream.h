// IBStream: the host's byte stream for state.
#pragma once

#include "vst3sdk/pluginterfaces/base/funknown.h"

namespace Steinberg {

class IBStream : public FUnknown {
public:
    enum IStreamSeekMode : int32 { kIBSeekSet = 0, kIBSeekCur = 1, kIBSeekEnd = 2 };

    /** `numBytesRead` may be null. */
    virtual tresult PLUGIN_API read(void* buffer, int32 numBytes, int32* numBytesRead) = 0;
    virtual tresult PLUGIN_API write(void* buffer, int32 numBytes, int32* numBytesWritten) = 0;
    virtual tresult PLUGIN_API seek(int64 pos, int32 mode, int64* result) = 0;
    /** One position shared by read and write. */
    virtual tresult PLUGIN_API tell(int64* pos) = 0;

    TORVIK_DECLARE_IID(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    TORVIK_INTERFACE_DESTRUCTOR(IBStream)
};

} // namespace Steinberg
