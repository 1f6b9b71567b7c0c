// UtilityPlugin: the one plug-in class of all eight module kinds.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "entry/module_kind.h"
#include "params/parameter_store.h"
#include "plugin/audio_work.h"
#include "player/player_engine.h"
#include "recorder/recorder_engine.h"
#include "vst3/single_component_effect.h"

namespace varnolith::plugins {

using Steinberg::FIDString;
using Steinberg::FUnknown;
using Steinberg::IBStream;
using Steinberg::IPlugView;
using Steinberg::int32;
using Steinberg::TBool;
using Steinberg::tresult;
using Steinberg::uint32;
using Steinberg::Vst::ParamID;
using Steinberg::Vst::ParamValue;
using Steinberg::Vst::ProcessData;
using Steinberg::Vst::ProcessSetup;
using Steinberg::Vst::SpeakerArrangement;

inline constexpr std::uint32_t kMaxBuses = 64;
inline constexpr std::uint32_t kMaxChannels = 64;
inline constexpr double kMinSampleRate = 8000.0;
inline constexpr double kMaxSampleRate = 384000.0;

// Threads: the host's main thread makes the lifecycle, controller, state and editor calls; one
// audio thread calls process; the recorder's disk writer is a thread of its own. Fields say which
// thread owns them; everything shared is atomic or owned by the engines' lock-free protocols.
class UtilityPlugin : public Steinberg::Vst::SingleComponentEffect {
 public:
  // [main-thread] Sets the defaults of every field; only the factory creates plug-ins.
  explicit UtilityPlugin(ModuleKind kind);
  // [main-thread] Stops the recorder and waits for its writer, then frees everything.
  ~UtilityPlugin() override;

  // IPluginBase
  // [main-thread] Base initialize, then the kind's buses, then its parameters.
  tresult PLUGIN_API initialize(FUnknown* context) override;

  // IComponent
  // [main-thread] Activation arms a Recorder take; deactivation stops player and recorder. Blocks
  // while a recorder writer finishes; never call on the audio thread.
  tresult PLUGIN_API setActive(TBool state) override;

  // IAudioProcessor
  // [main-thread] Accepts arrangements within the kind's limits; refused while processing.
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) override;
  // [main-thread] The arrangement of one audio bus.
  tresult PLUGIN_API getBusArrangement(Steinberg::Vst::BusDirection dir, int32 index,
                                       SpeakerArrangement& arr) override;
  // [main-thread] 32-bit and 64-bit float samples.
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  // [main-thread] Checks and stores rate and block size and allocates the scratch storage; only
  // while not processing.
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
  // [main-thread] Starts or stops processing; stopping stops player and recorder capture.
  tresult PLUGIN_API setProcessing(TBool state) override;
  // [audio-thread] Processes one block sample-accurately. Never allocates, frees, locks, waits
  // or does I/O.
  tresult PLUGIN_API process(ProcessData& data) override;

  // IEditController
  // [main-thread] Reads the state document exactly as IComponent::setState does.
  tresult PLUGIN_API setComponentState(IBStream* state) override;
  // [main-thread] The parameter store's value (0.0 for IDs of 512 or more).
  ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
  // [main-thread] Stores the value, then updates the registered parameter object.
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
  // [main-thread] The editor view for "editor", else null.
  IPlugView* PLUGIN_API createView(FIDString name) override;

  // [main-thread] One complete user edit: beginEdit, store, parameter object, performEdit, endEdit.
  void editParameter(ParamID id, ParamValue value);
  // [main-thread] The file interface: loads a PLAYER's WAV file or prepares a RECORDER's
  // destination; false with a user-facing message on failure. Decodes or blocks; never call on
  // the audio thread.
  bool setModuleFile(const std::u16string& path, std::string& errorText);
  // [main-thread] Channel count of audio input bus `index` through getBusInfo; 0 when it fails.
  int32 inputBusChannelCount(int32 index);

  // --- Fields, in order ---
  const ModuleKind kind;                       // fixed at creation
  ParameterStore parameters;                   // any thread, atomic slots
  std::atomic<bool> processing{false};         // set by setProcessing
  bool previousRun = false;                    // audio thread while processing
  std::uint64_t sampleCounter = 0;             // audio thread while processing
  PlayerEngine player;                         // own thread rules inside
  RecorderEngine recorder;                     // own thread rules inside
  std::u16string modulePath;                   // main thread
  std::vector<float> scratchStorage;           // allocated by setupProcessing only
  float* scratchChannels[kMaxChannels] = {};   // channel c at scratchStorage + c * maxBlockSize
  float* captureChannels[kMaxChannels] = {};   // the same pointers, handed to the recorder
  double sampleRate = 48000.0;                 // from setupProcessing
  std::uint32_t maxBlockSize = 512;            // from setupProcessing
  double smoothedStripGains[kMaxChannels] = {};  // audio thread
  double smoothedMasterGain = 1.0;             // audio thread
  bool smoothingPrimed = false;                // audio thread; cleared by setProcessing(false)

 protected:
  // [main-thread] IComponent::setState and setComponentState: reads one length-prefixed document
  // and applies all of it or nothing (a Player loads its file first). Refused while processing;
  // never throws. Decodes a WAV file; never call on the audio thread.
  tresult readState(IBStream* state) override;
  // [main-thread] IComponent::getState: writes the length-prefixed document; changes nothing and
  // never throws. Allocates; never call on the audio thread.
  tresult writeState(IBStream* state) override;

 private:
  void createBuses();
  // [main-thread] Names and prepares a Recorder take on activation; throws on failure.
  void armRecorderTake();
  // [audio-thread] The kernels of the two sample formats for one slice. Never allocate, lock or
  // wait.
  void processSlice32(ProcessData& data, int32 offset, int32 length) noexcept;
  void processSlice64(ProcessData& data, int32 offset, int32 length) noexcept;
  // [audio-thread] Both kernels in one body; Sample is float or double.
  template <class Sample>
  void processSlice(ProcessData& data, int32 offset, int32 length) noexcept;
  // [audio-thread] Takes the block's parameter changes (and a Recorder's sync messages) into
  // audioWork.points.
  void collectPoints(ProcessData& data) noexcept;
  // [audio-thread] Orders the collected points by offset (stable); returns the ordered array.
  const BlockPoint* sortPoints(int32 numSamples) noexcept;
  // [audio-thread] Applies one point at the current sampleCounter.
  void applyPoint(const BlockPoint& point) noexcept;
  // [audio-thread] Resolves the block's input channel pointers and live output buses.
  void resolveBuses(ProcessData& data) noexcept;

  // Audio thread while processing; sized by setupProcessing. Points, resolved buses, silence
  // bookkeeping, per-slice gain curve and mix, and the gain-law memo.
  AudioWork audioWork;
};

}  // namespace varnolith::plugins
