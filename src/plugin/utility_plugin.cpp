#include "plugin/utility_plugin.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "params/parameter_catalogue.h"
#include "plugin/editor_factory.h"
#include "recorder/take_naming.h"
#include "vst3/string16.h"

namespace varnolith::plugins {

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

int32 audioInputCount(ModuleKind kind) {
  if (kind == ModuleKind::Player) return 0;
  return kind == ModuleKind::Summing || kind == ModuleKind::FaderBank ? 64 : 1;
}

int32 audioOutputCount(ModuleKind kind) {
  return kind == ModuleKind::Breakout || kind == ModuleKind::FaderBank || kind == ModuleKind::Distributor ? 64 : 1;
}

int32 inputChannelLimit(ModuleKind kind) {
  switch (kind) {
    case ModuleKind::Input:
    case ModuleKind::Output:
    case ModuleKind::Breakout:
    case ModuleKind::Recorder: return 64;
    default: return 2;
  }
}

int32 outputChannelLimit(ModuleKind kind) {
  switch (kind) {
    case ModuleKind::Breakout: return 1;
    case ModuleKind::Input:
    case ModuleKind::Output:
    case ModuleKind::Player:
    case ModuleKind::Recorder: return 64;
    default: return 2;
  }
}

void widenBusName(const char* prefix, int32 number, String128 out) {
  widenInto(std::string(prefix) + std::to_string(number), out, 128);
}

}  // namespace

UtilityPlugin::UtilityPlugin(ModuleKind moduleKind) : kind(moduleKind) {
  processContextRequirements |=
      IProcessContextRequirements::kNeedContinousTimeSamples | IProcessContextRequirements::kNeedTransportState;
}

UtilityPlugin::~UtilityPlugin() {
  recorder.requestStop();
  try {
    recorder.finish();
  } catch (...) {
    // The writer could not be joined; the engine's own destructor tries again.
  }
  scratchStorage.clear();
  scratchStorage.shrink_to_fit();
  modulePath.clear();
}

tresult PLUGIN_API UtilityPlugin::initialize(FUnknown* context) {
  const tresult result = SingleComponentEffect::initialize(context);
  if (result != kResultOk) return result;
  try {
    createBuses();
    registerParameters(static_cast<int32>(kind), controllerParameters);
  } catch (const std::bad_alloc&) {
    SingleComponentEffect::terminate();
    return kOutOfMemory;
  }
  return kResultOk;
}

void UtilityPlugin::createBuses() {
  const int32 inputs = audioInputCount(kind);
  const int32 outputs = audioOutputCount(kind);
  String128 name{};
  for (int32 i = 0; i < inputs; ++i) {
    widenBusName("Input ", i + 1, name);
    addAudioInput(name, SpeakerArr::kStereo, i == 0 ? kMain : kAux, i == 0 ? int32{BusInfo::kDefaultActive} : 0);
  }
  const SpeakerArrangement outputArrangement = kind == ModuleKind::Breakout ? SpeakerArr::kMono : SpeakerArr::kStereo;
  for (int32 i = 0; i < outputs; ++i) {
    widenBusName("Output ", i + 1, name);
    addAudioOutput(name, outputArrangement, i == 0 ? kMain : kAux, i == 0 ? int32{BusInfo::kDefaultActive} : 0);
  }
  if (kind == ModuleKind::Player) {
    widenInto("Player Sync", name, 128);
    addEventOutput(name, 1, kMain, BusInfo::kDefaultActive);
  } else if (kind == ModuleKind::Recorder) {
    widenInto("Recorder Sync", name, 128);
    addEventInput(name, 1, kMain, BusInfo::kDefaultActive);
  }
}

tresult PLUGIN_API UtilityPlugin::setActive(TBool state) {
  if (!state) {
    processing.store(false);
    player.stop();
    recorder.requestStop();
    try {
      recorder.finish();
    } catch (...) {
      // Joining failed; the take stays open until the next attempt.
    }
    parameters.storeParameter(kPlayRecord, 0.0);
    previousRun = false;
    return kResultOk;
  }
  if (kind == ModuleKind::Recorder && !modulePath.empty()) {
    try {
      armRecorderTake();
    } catch (...) {
      return kResultFalse;
    }
  }
  return kResultOk;
}

void UtilityPlugin::armRecorderTake() {
  const int32 channels = inputBusChannelCount(0);
  const auto rate = static_cast<std::uint32_t>(sampleRate);
  if (recorder.ready.load() && static_cast<int64>(recorder.channelCount) == channels && recorder.sampleRate == rate) {
    return;
  }
  recorder.requestStop();
  recorder.finish();
  std::u16string candidate = chooseTakePath(modulePath);
  recorder.prepareDestination(std::filesystem::path(candidate), static_cast<std::uint32_t>(channels), rate);
  modulePath = std::move(candidate);
}

tresult PLUGIN_API UtilityPlugin::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                    SpeakerArrangement* outputs, int32 numOuts) {
  if (processing.load()) return kResultFalse;
  if (numIns < 0 || numOuts < 0) return kResultFalse;
  if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs)) return kResultFalse;
  if (numIns != audioInputs.size() || numOuts != audioOutputs.size()) return kResultFalse;
  const int32 inLimit = inputChannelLimit(kind);
  const int32 outLimit = outputChannelLimit(kind);
  for (int32 i = 0; i < numIns; ++i) {
    if (inputs[i] == 0 || SpeakerArr::getChannelCount(inputs[i]) > inLimit) return kResultFalse;
  }
  for (int32 i = 0; i < numOuts; ++i) {
    if (outputs[i] == 0 || SpeakerArr::getChannelCount(outputs[i]) > outLimit) return kResultFalse;
  }
  if (kind == ModuleKind::FaderBank) {
    for (int32 i = 0; i < numIns; ++i) {
      if (outputs[i] != inputs[i]) return kResultFalse;
    }
  }
  return SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
}

tresult PLUGIN_API UtilityPlugin::getBusArrangement(BusDirection dir, int32 index, SpeakerArrangement& arr) {
  if (static_cast<uint32>(dir) > 1u) return kInvalidArgument;
  if (index < 0 || index >= audioBuses(dir).size()) return kInvalidArgument;
  return SingleComponentEffect::getBusArrangement(dir, index, arr);
}

tresult PLUGIN_API UtilityPlugin::canProcessSampleSize(int32 symbolicSampleSize) {
  return static_cast<uint32>(symbolicSampleSize) <= 1u ? kResultOk : kResultFalse;
}

tresult PLUGIN_API UtilityPlugin::setupProcessing(ProcessSetup& setup) {
  if (static_cast<uint32>(setup.maxSamplesPerBlock) - 1u > 65535u) return kInvalidArgument;
  if (!(setup.sampleRate >= kMinSampleRate && setup.sampleRate <= kMaxSampleRate)) return kInvalidArgument;
  if (static_cast<uint32>(setup.symbolicSampleSize) > 1u) return kInvalidArgument;
  // The audio thread uses the scratch storage while processing runs; reallocating it then would
  // pull the memory from under it.
  if (processing.load()) return kResultFalse;
  const tresult result = SingleComponentEffect::setupProcessing(setup);
  if (result != kResultOk) return result;
  const auto blockSize = static_cast<std::uint32_t>(setup.maxSamplesPerBlock);
  try {
    // The work buffers first: if the scratch storage then fails, the old channel pointers still
    // point into it and larger work buffers do no harm.
    audioWork.allocate(blockSize);
    scratchStorage.resize(std::size_t{kMaxChannels} * blockSize);
  } catch (const std::bad_alloc&) {
    return kOutOfMemory;
  }
  sampleRate = setup.sampleRate;
  maxBlockSize = blockSize;
  for (std::uint32_t c = 0; c < kMaxChannels; ++c) {
    scratchChannels[c] = scratchStorage.data() + std::size_t{c} * blockSize;
    captureChannels[c] = scratchChannels[c];
  }
  return kResultOk;
}

tresult PLUGIN_API UtilityPlugin::setProcessing(TBool state) {
  processing.store(state != 0);
  if (!state) {
    player.stop();
    recorder.requestStop();
    parameters.storeParameter(kPlayRecord, 0.0);
    previousRun = false;
    smoothingPrimed = false;
  }
  return kResultOk;
}

tresult PLUGIN_API UtilityPlugin::setComponentState(IBStream* state) { return readState(state); }

ParamValue PLUGIN_API UtilityPlugin::getParamNormalized(ParamID id) { return parameters.readParameter(id); }

tresult PLUGIN_API UtilityPlugin::setParamNormalized(ParamID id, ParamValue value) {
  parameters.storeParameter(id, value);
  Parameter* parameter = getParameterObject(id);
  if (!parameter) return kResultFalse;
  if (std::isfinite(value)) parameter->setNormalized(value);
  return kResultTrue;
}

IPlugView* PLUGIN_API UtilityPlugin::createView(FIDString name) {
  if (!name || std::strcmp(name, kEditor) != 0) return nullptr;
  try {
    return createEditorView(*this);
  } catch (...) {
    return nullptr;
  }
}

void UtilityPlugin::editParameter(ParamID id, ParamValue value) {
  IComponentHandler* handler = getComponentHandler();
  if (handler) handler->beginEdit(id);
  parameters.storeParameter(id, value);
  if (Parameter* parameter = getParameterObject(id); parameter && std::isfinite(value)) {
    parameter->setNormalized(value);
  }
  if (handler) {
    handler->performEdit(id, value);
    handler->endEdit(id);
  }
}

bool UtilityPlugin::setModuleFile(const std::u16string& path, std::string& errorText) {
  try {
    if (kind == ModuleKind::Player) {
      if (player.playing.load()) {
        throw std::runtime_error(
            "Stop file playback before replacing WAV; the DAW audio engine can stay running");
      }
      player.loadFile(std::filesystem::path(path));
    } else if (kind == ModuleKind::Recorder) {
      if (recorder.recording.load()) throw std::runtime_error("Stop recording first");
      const int32 channels = inputBusChannelCount(0);
      recorder.prepareDestination(std::filesystem::path(path), static_cast<std::uint32_t>(channels),
                                  static_cast<std::uint32_t>(sampleRate));
    } else {
      throw std::runtime_error("Module has no file interface");
    }
    modulePath = path;
    return true;
  } catch (const std::exception& error) {
    errorText = error.what();
  } catch (...) {
    errorText = "Unknown error";
  }
  return false;
}

int32 UtilityPlugin::inputBusChannelCount(int32 index) {
  BusInfo info{};
  if (getBusInfo(kAudio, kInput, index, info) != kResultOk) return 0;
  return info.channelCount;
}

}  // namespace varnolith::plugins
