#include "vst3/single_component_effect.h"

namespace Steinberg::Vst {

SingleComponentEffect::SingleComponentEffect() = default;

SingleComponentEffect::~SingleComponentEffect() = default;

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (answerInterface<IComponent>(this, iid, obj) ||
      answerInterface<IPluginBase, IComponent>(this, iid, obj) ||
      answerInterface<IAudioProcessor>(this, iid, obj) ||
      answerInterface<IProcessContextRequirements>(this, iid, obj) ||
      answerInterface<IEditController>(this, iid, obj) || answerInterface<IEditController2>(this, iid, obj) ||
      answerInterface<IUnitInfo>(this, iid, obj) || answerInterface<IConnectionPoint>(this, iid, obj) ||
      answerInterface<FUnknown, FObject>(this, iid, obj)) {
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
  // A second initialize would register buses and parameters twice, also after a null context.
  if (initialized) return kResultFalse;
  initialized = true;
  hostContext = context;
  return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
  controllerParameters.removeAll();
  removeAllBusses();
  if (peerConnection) {
    IPtr<IConnectionPoint> peer = std::move(peerConnection);
    peer->disconnect(this);
  }
  hostContext.reset();
  initialized = false;
  return kResultOk;
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) noexcept {
  if (type == kAudio) return dir == kInput ? &audioInputs : dir == kOutput ? &audioOutputs : nullptr;
  if (type == kEvent) return dir == kInput ? &eventInputs : dir == kOutput ? &eventOutputs : nullptr;
  return nullptr;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
  const BusList* list = getBusList(type, dir);
  return list ? list->size() : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index, BusInfo& bus) {
  if (index < 0) return kInvalidArgument;
  const BusList* list = getBusList(type, dir);
  if (!list || index >= list->size()) return kInvalidArgument;
  bus.mediaType = type;
  bus.direction = dir;
  return list->at(index)->getInfo(bus) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index, TBool state) {
  if (index < 0) return kInvalidArgument;
  BusList* list = getBusList(type, dir);
  if (!list || index >= list->size()) return kInvalidArgument;
  list->at(index)->setActive(state != 0);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                            SpeakerArrangement* outputs, int32 numOuts) {
  if (numIns < 0 || numOuts < 0) return kInvalidArgument;
  if (numIns > audioInputs.size() || numOuts > audioOutputs.size()) return kResultFalse;
  if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kInvalidArgument;
  for (int32 i = 0; i < numIns; ++i) {
    if (auto* bus = static_cast<AudioBus*>(audioInputs.at(i))) bus->setArrangement(inputs[i]);
  }
  for (int32 i = 0; i < numOuts; ++i) {
    if (auto* bus = static_cast<AudioBus*>(audioOutputs.at(i))) bus->setArrangement(outputs[i]);
  }
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  const BusList& list = dir == kInput ? audioInputs : audioOutputs;
  if (index < 0 || index >= list.size()) return kInvalidArgument;
  arr = static_cast<const AudioBus*>(list.at(index))->getArrangement();
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
  return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue) return kResultFalse;
  processSetup = setup;
  return kResultOk;
}

int32 PLUGIN_API SingleComponentEffect::getParameterCount() { return controllerParameters.getParameterCount(); }

tresult PLUGIN_API SingleComponentEffect::getParameterInfo(int32 paramIndex, ParameterInfo& info) {
  const Parameter* parameter = controllerParameters.getParameterByIndex(paramIndex);
  if (!parameter) return kResultFalse;
  info = parameter->getInfo();
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                                               String128 string) {
  const Parameter* parameter = getParameterObject(id);
  if (!parameter || !string) return kResultFalse;
  parameter->toString(valueNormalized, string);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getParamValueByString(ParamID id, TChar* string,
                                                               ParamValue& valueNormalized) {
  const Parameter* parameter = getParameterObject(id);
  if (!parameter || !string) return kResultFalse;
  return parameter->fromString(string, valueNormalized) ? kResultTrue : kResultFalse;
}

ParamValue PLUGIN_API SingleComponentEffect::normalizedParamToPlain(ParamID id, ParamValue valueNormalized) {
  const Parameter* parameter = getParameterObject(id);
  return parameter ? parameter->toPlain(valueNormalized) : valueNormalized;
}

ParamValue PLUGIN_API SingleComponentEffect::plainParamToNormalized(ParamID id, ParamValue plainValue) {
  const Parameter* parameter = getParameterObject(id);
  return parameter ? parameter->toNormalized(plainValue) : plainValue;
}

ParamValue PLUGIN_API SingleComponentEffect::getParamNormalized(ParamID id) {
  const Parameter* parameter = getParameterObject(id);
  return parameter ? parameter->getNormalized() : 0.0;
}

tresult PLUGIN_API SingleComponentEffect::setParamNormalized(ParamID id, ParamValue value) {
  Parameter* parameter = getParameterObject(id);
  if (!parameter) return kResultFalse;
  parameter->setNormalized(value);
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setComponentHandler(IComponentHandler* handler) {
  componentHandler = handler;
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setKnobMode(KnobMode mode) {
  hostKnobMode = mode;
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::selectUnit(UnitID unitId) {
  selectedUnit = unitId;
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::connect(IConnectionPoint* other) {
  if (!other) return kInvalidArgument;
  if (peerConnection) return kResultFalse;
  peerConnection = other;
  return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::disconnect(IConnectionPoint* other) {
  if (peerConnection && other == peerConnection.get()) {
    peerConnection.reset();
    return kResultTrue;
  }
  return kResultFalse;
}

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arr, BusType type, int32 flags) {
  return static_cast<AudioBus*>(audioInputs.append(std::make_unique<AudioBus>(name, type, flags, arr)));
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType type,
                                                int32 flags) {
  return static_cast<AudioBus*>(audioOutputs.append(std::make_unique<AudioBus>(name, type, flags, arr)));
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType type, int32 flags) {
  return static_cast<EventBus*>(eventInputs.append(std::make_unique<EventBus>(name, type, flags, channels)));
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType type, int32 flags) {
  return static_cast<EventBus*>(eventOutputs.append(std::make_unique<EventBus>(name, type, flags, channels)));
}

void SingleComponentEffect::removeAllBusses() noexcept {
  audioInputs.clear();
  audioOutputs.clear();
  eventInputs.clear();
  eventOutputs.clear();
}

}  // namespace Steinberg::Vst
