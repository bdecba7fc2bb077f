// An IBStream over memory, with faults that real hosts' streams show.
#pragma once

#include "vst3sdk/helpers/fobject.h"
#include "vst3sdk/pluginterfaces/base/ibstream.h"

#include <cstdint>
#include <vector>

namespace hostkit {

/** Growable byte stream with one position shared by read and write. Faults:
    - maxChunk: each read or write moves at most this many bytes (a short transfer, kResultOk);
    - failReadsAfter / failWritesAfter: once that many bytes moved, every later read / write
      answers kResultFalse and moves nothing (a partial transfer up to the limit first);
    - seek/tell can be made to fail. */
class MemoryStream : public Steinberg::FObject, public Steinberg::IBStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> initial) : bytes(std::move(initial)) {}

    const std::vector<uint8_t>& data() const { return bytes; }
    /** Replaces the contents and rewinds. */
    void setData(std::vector<uint8_t> newBytes);
    void rewind() { position = 0; }
    int64_t getPosition() const { return position; }

    // Fault injection (negative = off).
    void setMaxChunk(int32_t n) { maxChunk = n; }
    void failReadsAfter(int64_t n) { readLimit = n; }
    void failWritesAfter(int64_t n) { writeLimit = n; }
    void setSeekFails(bool fails) { seekFails = fails; }
    /** Counters of calls, for checking how a plug-in reads. */
    int readCalls() const { return reads; }
    int writeCalls() const { return writes; }

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID _iid, void** obj) override;
    REFCOUNT_METHODS(FObject)

private:
    std::vector<uint8_t> bytes; ///< contents
    int64_t position = 0;       ///< byte offset; may lie past the end after a seek
    int32_t maxChunk = -1;      ///< bytes per transfer, -1 unlimited
    int64_t readLimit = -1;     ///< total bytes readable before reads fail, -1 unlimited
    int64_t writeLimit = -1;    ///< total bytes writable before writes fail, -1 unlimited
    int64_t bytesRead = 0;      ///< total read so far
    int64_t bytesWritten = 0;   ///< total written so far
    bool seekFails = false;     ///< seek and tell answer kResultFalse
    int reads = 0;              ///< read calls
    int writes = 0;             ///< write calls
};

} // namespace hostkit
