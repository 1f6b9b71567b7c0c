// Events and IEventList: note, data and other events of one block.
#pragma once

#include "vst3/funknown.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct NoteOnEvent {
  int16 channel;
  int16 pitch;
  float tuning;
  float velocity;
  int32 length;
  int32 noteId;
};

struct NoteOffEvent {
  int16 channel;
  int16 pitch;
  float velocity;
  int32 noteId;
  float tuning;
};

struct DataEvent {
  enum DataTypes : uint32 { kMidiSysEx = 0 };
  uint32 size;
  uint32 type;
  const uint8* bytes;
};

struct PolyPressureEvent {
  int16 channel;
  int16 pitch;
  float pressure;
  int32 noteId;
};

struct NoteExpressionValueEvent {
  NoteExpressionTypeID typeId;
  int32 noteId;
  NoteExpressionValue value;
};

struct NoteExpressionTextEvent {
  NoteExpressionTypeID typeId;
  int32 noteId;
  uint32 textLen;
  const TChar* text;
};

struct ChordEvent {
  int16 root;
  int16 bassNote;
  int16 mask;
  uint16 textLen;
  const TChar* text;
};

struct ScaleEvent {
  int16 root;
  int16 mask;
  uint16 textLen;
  const TChar* text;
};

struct LegacyMIDICCOutEvent {
  uint8 controlNumber;
  int8 channel;
  int8 value;
  int8 value2;
};

struct Event {
  enum EventFlags : uint16 { kIsLive = 1 << 0, kUserReserved1 = 1 << 14, kUserReserved2 = 1 << 15 };
  enum EventTypes : uint16 {
    kNoteOnEvent = 0,
    kNoteOffEvent = 1,
    kDataEvent = 2,
    kPolyPressureEvent = 3,
    kNoteExpressionValueEvent = 4,
    kNoteExpressionTextEvent = 5,
    kChordEvent = 6,
    kScaleEvent = 7,
    kLegacyMIDICCOutEvent = 65535,
  };

  int32 busIndex;
  int32 sampleOffset;
  TQuarterNotes ppqPosition;
  uint16 flags;
  uint16 type;
  union {
    NoteOnEvent noteOn;
    NoteOffEvent noteOff;
    DataEvent data;
    PolyPressureEvent polyPressure;
    NoteExpressionValueEvent noteExpressionValue;
    NoteExpressionTextEvent noteExpressionText;
    ChordEvent chord;
    ScaleEvent scale;
    LegacyMIDICCOutEvent midiCCOut;
  };
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

class IEventList : public FUnknown {
 public:
  // [audio-thread] Number of events in the list.
  virtual int32 PLUGIN_API getEventCount() = 0;
  // [audio-thread] Copies one event.
  virtual tresult PLUGIN_API getEvent(int32 index, Event& e) = 0;
  // [audio-thread] Appends an event (output lists).
  virtual tresult PLUGIN_API addEvent(Event& e) = 0;

  VARNOLITH_DECLARE_IID(0x3A2C4214, 0x346349FE, 0xB2C4F397, 0xB9695A44);

 protected:
  ~IEventList() = default;
};

}  // namespace Steinberg::Vst
