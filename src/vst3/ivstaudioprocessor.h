// IAudioProcessor, IProcessContextRequirements and the process records.
#pragma once

#include "vst3/funknown.h"
#include "vst3/ivstevents.h"
#include "vst3/ivstparameterchanges.h"
#include "vst3/ivstprocesscontext.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct ProcessSetup {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 maxSamplesPerBlock;
  SampleRate sampleRate;
};

struct AudioBusBuffers {
  int32 numChannels = 0;
  uint64 silenceFlags = 0;
  union {
    Sample32** channelBuffers32;
    Sample64** channelBuffers64;
  };
  AudioBusBuffers() : channelBuffers32(nullptr) {}
};

struct ProcessData {
  int32 processMode = 0;
  int32 symbolicSampleSize = kSample32;
  int32 numSamples = 0;
  int32 numInputs = 0;
  int32 numOutputs = 0;
  AudioBusBuffers* inputs = nullptr;
  AudioBusBuffers* outputs = nullptr;
  IParameterChanges* inputParameterChanges = nullptr;
  IParameterChanges* outputParameterChanges = nullptr;
  IEventList* inputEvents = nullptr;
  IEventList* outputEvents = nullptr;
  ProcessContext* processContext = nullptr;
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

class IAudioProcessor : public FUnknown {
 public:
  // [main-thread] Proposes speaker arrangements for all audio buses; only while not processing.
  virtual tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                SpeakerArrangement* outputs, int32 numOuts) = 0;
  // [main-thread] The current arrangement of one audio bus.
  virtual tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) = 0;
  // [main-thread] Whether 32-bit (0) or 64-bit (1) samples can be processed.
  virtual tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) = 0;
  // [main-thread] Latency in samples.
  virtual uint32 PLUGIN_API getLatencySamples() = 0;
  // [main-thread] Fixes sample rate, block size and sample size; only while inactive.
  virtual tresult PLUGIN_API setupProcessing(ProcessSetup& setup) = 0;
  // [main-thread] Starts or stops processing (some hosts call it from the audio thread).
  virtual tresult PLUGIN_API setProcessing(TBool state) = 0;
  // [audio-thread] Processes one block; never allocates, locks, waits or does I/O.
  virtual tresult PLUGIN_API process(ProcessData& data) = 0;
  // [main-thread] Tail length in samples.
  virtual uint32 PLUGIN_API getTailSamples() = 0;

  VARNOLITH_DECLARE_IID(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

 protected:
  ~IAudioProcessor() = default;
};

class IProcessContextRequirements : public FUnknown {
 public:
  enum Flags : uint32 {
    kNeedSystemTime = 1 << 0,
    kNeedContinousTimeSamples = 1 << 1,
    kNeedProjectTimeMusic = 1 << 2,
    kNeedBarPositionMusic = 1 << 3,
    kNeedCycleMusic = 1 << 4,
    kNeedSamplesToNextClock = 1 << 5,
    kNeedTempo = 1 << 6,
    kNeedTimeSignature = 1 << 7,
    kNeedChord = 1 << 8,
    kNeedFrameRate = 1 << 9,
    kNeedTransportState = 1 << 10,
  };
  // [main-thread] Which ProcessContext fields the plug-in needs.
  virtual uint32 PLUGIN_API getProcessContextRequirements() = 0;

  VARNOLITH_DECLARE_IID(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);

 protected:
  ~IProcessContextRequirements() = default;
};

}  // namespace Steinberg::Vst
