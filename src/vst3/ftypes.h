// Basic types, calling convention, result codes and interface-ID byte order of the VST 3 ABI.
#pragma once

#include <cstdint>

#if defined(_WIN32)
#define VARNOLITH_COM_COMPATIBLE 1
#define PLUGIN_API __stdcall
#else
#define VARNOLITH_COM_COMPATIBLE 0
#define PLUGIN_API
#endif

namespace Steinberg {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
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
using TChar = char16;
using CStringA = const char8*;
using CString = const char8*;
using FIDString = const char8*;
using UCoord = int32;

using TUID = char[16];

#if VARNOLITH_COM_COMPATIBLE
enum : int32 {
  kNoInterface = static_cast<int32>(0x80004002L),
  kResultOk = 0,
  kResultTrue = kResultOk,
  kResultFalse = 1,
  kInvalidArgument = static_cast<int32>(0x80070057L),
  kNotImplemented = static_cast<int32>(0x80004001L),
  kInternalError = static_cast<int32>(0x80004005L),
  kNotInitialized = static_cast<int32>(0x8000FFFFL),
  kOutOfMemory = static_cast<int32>(0x8007000EL),
};
#else
enum : int32 {
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

// The 16 bytes of an ID made of four 32-bit words, in the platform's byte order.
struct UidBytes {
  char bytes[16];
};

// The 16 bytes of an ID in either byte order: COM order (Windows) stores word 1 and the two halves
// of word 2 little-endian; every other platform stores all four words big-endian.
constexpr UidBytes makeUidInOrder(bool comOrder, uint32 l1, uint32 l2, uint32 l3, uint32 l4) noexcept {
  auto b = [](uint32 v, int shift) { return static_cast<char>(static_cast<uint8>((v >> shift) & 0xFFu)); };
  if (comOrder) {
    return {{b(l1, 0), b(l1, 8), b(l1, 16), b(l1, 24), b(l2, 16), b(l2, 24), b(l2, 0), b(l2, 8),
             b(l3, 24), b(l3, 16), b(l3, 8), b(l3, 0), b(l4, 24), b(l4, 16), b(l4, 8), b(l4, 0)}};
  }
  return {{b(l1, 24), b(l1, 16), b(l1, 8), b(l1, 0), b(l2, 24), b(l2, 16), b(l2, 8), b(l2, 0),
           b(l3, 24), b(l3, 16), b(l3, 8), b(l3, 0), b(l4, 24), b(l4, 16), b(l4, 8), b(l4, 0)}};
}

// [any-thread] The platform's form of an ID.
constexpr UidBytes makeUid(uint32 l1, uint32 l2, uint32 l3, uint32 l4) noexcept {
  return makeUidInOrder(VARNOLITH_COM_COMPATIBLE != 0, l1, l2, l3, l4);
}

// [any-thread] Compares all 16 bytes of two IDs; never allocates.
inline bool iidEqual(const void* a, const void* b) noexcept {
  const auto* x = static_cast<const unsigned char*>(a);
  const auto* y = static_cast<const unsigned char*>(b);
  for (int i = 0; i < 16; ++i) {
    if (x[i] != y[i]) return false;
  }
  return true;
}

}  // namespace Steinberg

// Declares the interface ID of an interface class from its four words.
#define VARNOLITH_DECLARE_IID(l1, l2, l3, l4) \
  static constexpr ::Steinberg::UidBytes iid = ::Steinberg::makeUid(l1, l2, l3, l4)
