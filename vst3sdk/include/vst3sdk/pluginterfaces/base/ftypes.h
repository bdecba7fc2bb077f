// Basic types, result codes and the calling convention of the VST 3 ABI.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define PLUGIN_API __stdcall
#else
#define PLUGIN_API
#endif

// Windows builds use the COM-compatible result codes; Linux and macOS use small integers.
#if defined(_WIN32)
#define TORVIK_VST3_COM_COMPATIBLE 1
#else
#define TORVIK_VST3_COM_COMPATIBLE 0
#endif

namespace Steinberg {

using int8 = char;
using uint8 = std::uint8_t;
using uchar = unsigned char;
using int16 = std::int16_t;
using uint16 = std::uint16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using TSize = int64;

using tresult = int32;
using TBool = uint8;

using char8 = char;
using char16 = char16_t;
using tchar = char16;

using CStringA = const char8*;
using CStringW = const char16*;
using FIDString = const char8*;
using UCoord = int32;

/** Maximal unsigned 32-bit value; also the "infinite tail" answer. */
static constexpr uint32 kMaxInt32u = 0xFFFFFFFFu;
static constexpr int32 kMaxInt32 = 0x7FFFFFFF;

#if TORVIK_VST3_COM_COMPATIBLE
enum : tresult {
    kNoInterface = static_cast<tresult>(0x80004002L),
    kResultOk = 0,
    kResultTrue = kResultOk,
    kResultFalse = 1,
    kInvalidArgument = static_cast<tresult>(0x80070057L),
    kNotImplemented = static_cast<tresult>(0x80004001L),
    kInternalError = static_cast<tresult>(0x80004005L),
    kNotInitialized = static_cast<tresult>(0x8000FFFFL),
    kOutOfMemory = static_cast<tresult>(0x8007000EL),
};
#else
enum : tresult {
    kNoInterface = -1,
    kResultOk = 0,
    kResultTrue = kResultOk,
    kResultFalse = 1,
    kInvalidArgument = 2,
    kNotImplemented = 3,
    kInternalError = 4,
    kNotInitialized = 5,
    kOutOfMemory = 6,
};
#endif

static_assert(sizeof(int8) == 1 && sizeof(int16) == 2 && sizeof(int32) == 4 && sizeof(int64) == 8);
static_assert(sizeof(TBool) == 1 && sizeof(char16) == 2 && sizeof(tresult) == 4);

} // namespace Steinberg
