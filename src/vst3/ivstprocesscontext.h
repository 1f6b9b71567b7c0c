// ProcessContext: the host's transport and clock for one block.
#pragma once

#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct FrameRate {
  uint32 framesPerSecond;
  uint32 flags;
};

struct Chord {
  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};

struct ProcessContext {
  enum StatesAndFlags : uint32 {
    kPlaying = 1 << 1,
    kCycleActive = 1 << 2,
    kRecording = 1 << 3,
    kSystemTimeValid = 1 << 8,
    kContTimeValid = 1 << 17,
    kProjectTimeMusicValid = 1 << 9,
    kBarPositionValid = 1 << 11,
    kCycleValid = 1 << 12,
    kTempoValid = 1 << 10,
    kTimeSigValid = 1 << 13,
    kChordValid = 1 << 18,
    kSmpteValid = 1 << 14,
    kClockValid = 1 << 15,
  };

  uint32 state;
  double sampleRate;
  TSamples projectTimeSamples;
  int64 systemTime;
  TSamples continousTimeSamples;
  TQuarterNotes projectTimeMusic;
  TQuarterNotes barPositionMusic;
  TQuarterNotes cycleStartMusic;
  TQuarterNotes cycleEndMusic;
  double tempo;
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes;
  FrameRate frameRate;
  int32 samplesToNextClock;
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

}  // namespace Steinberg::Vst
