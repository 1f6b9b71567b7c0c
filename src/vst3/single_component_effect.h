// SingleComponentEffect: one object that is component, audio processor and edit controller at once.
#pragma once

#include "vst3/bus.h"
#include "vst3/fobject.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"
#include "vst3/ivstmessage.h"
#include "vst3/ivstunits.h"
#include "vst3/parameter.h"

namespace Steinberg::Vst {

namespace detail {

// IComponent and IEditController both declare setState(IBStream*) and getState(IBStream*); a single
// C++ override would fill both vtable slots. These adapters give each interface its own behaviour:
// the component's state goes to readState/writeState, the controller keeps none of its own.
class ComponentStateSlots : public IComponent {
 public:
  // [main-thread] Restores the component state through readState.
  tresult PLUGIN_API setState(IBStream* state) final { return readState(state); }
  // [main-thread] Saves the component state through writeState.
  tresult PLUGIN_API getState(IBStream* state) final { return writeState(state); }

 protected:
  ~ComponentStateSlots() = default;
  // [main-thread] The component's state reader; kNotImplemented unless a subclass has state.
  virtual tresult readState(IBStream* state) = 0;
  // [main-thread] The component's state writer.
  virtual tresult writeState(IBStream* state) = 0;
};

class ControllerStateSlots : public IEditController {
 public:
  // [main-thread] The controller keeps no state of its own.
  tresult PLUGIN_API setState(IBStream*) final { return kNotImplemented; }
  tresult PLUGIN_API getState(IBStream*) final { return kNotImplemented; }

 protected:
  ~ControllerStateSlots() = default;
};

}  // namespace detail

class SingleComponentEffect : public FObject,
                              public detail::ComponentStateSlots,
                              public IAudioProcessor,
                              public IProcessContextRequirements,
                              public detail::ControllerStateSlots,
                              public IEditController2,
                              public IUnitInfo,
                              public IConnectionPoint {
 public:
  SingleComponentEffect();
  ~SingleComponentEffect() override;

  // FUnknown: every interface above answered by the one object.
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override { return FObject::addRef(); }
  uint32 PLUGIN_API release() override { return FObject::release(); }

  // IPluginBase
  // [main-thread] Keeps the host context; kResultFalse when already initialized.
  tresult PLUGIN_API initialize(FUnknown* context) override;
  // [main-thread] Removes all parameters and buses and drops the host context and peer.
  tresult PLUGIN_API terminate() override;

  // IComponent
  tresult PLUGIN_API getControllerClassId(TUID) override { return kNotImplemented; }
  tresult PLUGIN_API setIoMode(IoMode) override { return kNotImplemented; }
  // [main-thread] Number of buses of a type and direction.
  int32 PLUGIN_API getBusCount(MediaType type, BusDirection dir) override;
  // [main-thread] Channel count, name, type and flags of one bus.
  tresult PLUGIN_API getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) override;
  tresult PLUGIN_API getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return kNotImplemented; }
  // [main-thread] Sets a bus's active flag, which the audio thread reads.
  tresult PLUGIN_API activateBus(MediaType type, BusDirection dir, int32 index, TBool state) override;
  tresult PLUGIN_API setActive(TBool) override { return kResultOk; }

  // IAudioProcessor
  // [main-thread] Stores the arrangements of the first numIns/numOuts audio buses.
  tresult PLUGIN_API setBusArrangements(SpeakerArrangement* inputs, int32 numIns, SpeakerArrangement* outputs,
                                        int32 numOuts) override;
  tresult PLUGIN_API getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) override;
  tresult PLUGIN_API canProcessSampleSize(int32 symbolicSampleSize) override;
  uint32 PLUGIN_API getLatencySamples() override { return 0; }
  // [main-thread] Stores the setup when canProcessSampleSize accepts its sample size.
  tresult PLUGIN_API setupProcessing(ProcessSetup& setup) override;
  tresult PLUGIN_API setProcessing(TBool) override { return kNotImplemented; }
  tresult PLUGIN_API process(ProcessData&) override { return kNotImplemented; }
  uint32 PLUGIN_API getTailSamples() override { return kNoTail; }

  // IProcessContextRequirements
  uint32 PLUGIN_API getProcessContextRequirements() override { return processContextRequirements; }

  // IEditController
  tresult PLUGIN_API setComponentState(IBStream*) override { return kNotImplemented; }
  int32 PLUGIN_API getParameterCount() override;
  tresult PLUGIN_API getParameterInfo(int32 paramIndex, ParameterInfo& info) override;
  tresult PLUGIN_API getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) override;
  tresult PLUGIN_API getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) override;
  ParamValue PLUGIN_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
  ParamValue PLUGIN_API plainParamToNormalized(ParamID id, ParamValue plainValue) override;
  ParamValue PLUGIN_API getParamNormalized(ParamID id) override;
  tresult PLUGIN_API setParamNormalized(ParamID id, ParamValue value) override;
  // [main-thread] Keeps a counted reference to the host's handler (null clears it).
  tresult PLUGIN_API setComponentHandler(IComponentHandler* handler) override;
  IPlugView* PLUGIN_API createView(FIDString) override { return nullptr; }

  // IEditController2
  tresult PLUGIN_API setKnobMode(KnobMode mode) override;
  tresult PLUGIN_API openHelp(TBool) override { return kResultFalse; }
  tresult PLUGIN_API openAboutBox(TBool) override { return kResultFalse; }

  // IUnitInfo: no units and no program lists.
  int32 PLUGIN_API getUnitCount() override { return 0; }
  tresult PLUGIN_API getUnitInfo(int32, UnitInfo&) override { return kResultFalse; }
  int32 PLUGIN_API getProgramListCount() override { return 0; }
  tresult PLUGIN_API getProgramListInfo(int32, ProgramListInfo&) override { return kResultFalse; }
  tresult PLUGIN_API getProgramName(ProgramListID, int32, String128) override { return kResultFalse; }
  tresult PLUGIN_API getProgramInfo(ProgramListID, int32, CString, String128) override { return kResultFalse; }
  tresult PLUGIN_API hasProgramPitchNames(ProgramListID, int32) override { return kResultFalse; }
  tresult PLUGIN_API getProgramPitchName(ProgramListID, int32, int16, String128) override { return kResultFalse; }
  UnitID PLUGIN_API getSelectedUnit() override { return selectedUnit; }
  tresult PLUGIN_API selectUnit(UnitID unitId) override;
  tresult PLUGIN_API getUnitByBus(MediaType, BusDirection, int32, int32, UnitID&) override { return kResultFalse; }
  tresult PLUGIN_API setUnitProgramData(int32, int32, IBStream*) override { return kResultFalse; }

  // IConnectionPoint
  tresult PLUGIN_API connect(IConnectionPoint* other) override;
  tresult PLUGIN_API disconnect(IConnectionPoint* other) override;
  tresult PLUGIN_API notify(IMessage*) override { return kResultFalse; }

  // [main-thread] The host context given to initialize, or null.
  FUnknown* getHostContext() const noexcept { return hostContext.get(); }
  // [main-thread] The host's component handler, or null.
  IComponentHandler* getComponentHandler() const noexcept { return componentHandler.get(); }
  // [main-thread] The registered parameter with this ID, or null.
  Parameter* getParameterObject(ParamID id) const { return controllerParameters.getParameter(id); }
  // [any-thread] The audio bus list of a direction (input for every value but kOutput).
  const BusList& audioBuses(BusDirection dir) const noexcept {
    return dir == kOutput ? audioOutputs : audioInputs;
  }

 protected:
  // [main-thread] Bus creation helpers, used by initialize of subclasses.
  AudioBus* addAudioInput(const TChar* name, SpeakerArrangement arr, BusType type = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  AudioBus* addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType type = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventInput(const TChar* name, int32 channels = 16, BusType type = kMain,
                          int32 flags = BusInfo::kDefaultActive);
  EventBus* addEventOutput(const TChar* name, int32 channels = 16, BusType type = kMain,
                           int32 flags = BusInfo::kDefaultActive);
  void removeAllBusses() noexcept;
  // [main-thread] The list of a media type and direction, or null for an unknown pair.
  BusList* getBusList(MediaType type, BusDirection dir) noexcept;

  tresult readState(IBStream*) override { return kNotImplemented; }
  tresult writeState(IBStream*) override { return kNotImplemented; }

  IPtr<FUnknown> hostContext;
  IPtr<IComponentHandler> componentHandler;
  IPtr<IConnectionPoint> peerConnection;
  ParameterContainer controllerParameters;
  BusList audioInputs{kAudio, kInput};
  BusList audioOutputs{kAudio, kOutput};
  BusList eventInputs{kEvent, kInput};
  BusList eventOutputs{kEvent, kOutput};
  ProcessSetup processSetup{kRealtime, kSample32, 1024, 44100.0};
  uint32 processContextRequirements = 0;
  KnobMode hostKnobMode = 0;
  UnitID selectedUnit = kRootUnitId;

 private:
  bool initialized = false;
};

}  // namespace Steinberg::Vst
