// Types shared by the Vst interfaces.
#pragma once

#include "vst3/ftypes.h"

namespace Steinberg::Vst {

using String128 = TChar[128];
using ParamID = uint32;
using ParamValue = double;
using Sample32 = float;
using Sample64 = double;
using SampleRate = double;
using TSamples = int64;
using TQuarterNotes = double;
using SpeakerArrangement = uint64;
using Speaker = uint64;
using MediaType = int32;
using BusDirection = int32;
using BusType = int32;
using IoMode = int32;
using UnitID = int32;
using ProgramListID = int32;
using KnobMode = int32;
using CtrlNumber = int16;
using NoteExpressionTypeID = uint32;
using NoteExpressionValue = double;

enum MediaTypes : int32 { kAudio = 0, kEvent = 1, kNumMediaTypes };
enum BusDirections : int32 { kInput = 0, kOutput = 1 };
enum BusTypes : int32 { kMain = 0, kAux = 1 };
enum SymbolicSampleSizes : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessModes : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };

inline constexpr UnitID kRootUnitId = 0;
inline constexpr UnitID kNoParentUnitId = -1;
inline constexpr ProgramListID kNoProgramListId = -1;
inline constexpr uint32 kNoTail = 0;

namespace SpeakerArr {
inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = 1ull << 19;
inline constexpr SpeakerArrangement kStereo = 0x3;

// [any-thread] Number of speakers (set bits) of an arrangement.
constexpr int32 getChannelCount(SpeakerArrangement arr) noexcept {
  int32 count = 0;
  while (arr) {
    arr &= arr - 1;
    ++count;
  }
  return count;
}
}  // namespace SpeakerArr

}  // namespace Steinberg::Vst
