#include "hosted_plugin.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "vst3/string16.h"

namespace varnolith::host {

using namespace Steinberg;
using namespace Steinberg::Vst;

HostedPlugin::~HostedPlugin() { close(); }

bool HostedPlugin::open(const std::string& bundle, std::string& error) {
  close();
  if (!loader_.load(bundle, error)) return false;
  IPluginFactory* factory = loader_.factory();
  for (int32 i = 0; i < factory->countClasses(); ++i) {
    PClassInfo info{};
    if (factory->getClassInfo(i, &info) != kResultOk) continue;
    if (std::string(info.category) != kVstAudioEffectClass) continue;
    void* obj = nullptr;
    if (factory->createInstance(info.cid, IComponent::iid.bytes, &obj) != kResultOk || !obj) {
      error = "'" + bundle + "': createInstance failed";
      return false;
    }
    component_ = IPtr<IComponent>::adopt(static_cast<IComponent*>(obj));
    className_ = info.name;
    break;
  }
  if (!component_) {
    error = "'" + bundle + "' registers no audio module class";
    return false;
  }
  processor_ = queryInterfacePtr<IAudioProcessor>(component_.get());
  controller_ = queryInterfacePtr<IEditController>(component_.get());
  if (!processor_ || !controller_) {
    error = "'" + bundle + "': the component answers no audio processor or edit controller";
    return false;
  }
  hostContext_ = testing::makeHostObject<testing::HostApplication>();
  if (component_->initialize(hostContext_.get()) != kResultOk) {
    error = "'" + bundle + "': initialize failed";
    return false;
  }
  initialized_ = true;
  return true;
}

void HostedPlugin::close() {
  if (initialized_ && component_) component_->terminate();
  initialized_ = false;
  controller_.reset();
  processor_.reset();
  component_.reset();
  hostContext_.reset();
  loader_.unload();
}

bool HostedPlugin::findParameter(const std::string& key, ParamID& id) const {
  unsigned value = 0;
  const auto [ptr, ec] = std::from_chars(key.data(), key.data() + key.size(), value);
  if (ec == std::errc() && ptr == key.data() + key.size()) {
    id = value;
    return true;
  }
  auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
  };
  const std::string wanted = lower(key);
  for (int32 i = 0; i < controller_->getParameterCount(); ++i) {
    ParameterInfo info{};
    if (controller_->getParameterInfo(i, info) != kResultOk) continue;
    if (lower(utf16ToUtf8(info.title)) == wanted) {
      id = info.id;
      return true;
    }
  }
  return false;
}

std::string HostedPlugin::stateText() {
  auto stream = testing::makeHostObject<testing::MemoryStream>();
  if (component_->getState(stream.get()) != kResultOk || stream->data.size() < 4) return {};
  return std::string(stream->data.begin() + 4, stream->data.end());
}

bool HostedPlugin::applyStateBytes(std::vector<char> bytes, std::string& error) {
  auto stream = testing::makeHostObject<testing::MemoryStream>(std::move(bytes));
  if (component_->setState(stream.get()) != kResultOk) {
    error = "the module refused the state";
    return false;
  }
  stream->position = 0;
  // Hosts hand the same state to the controller side; this module treats both alike.
  if (controller_->setComponentState(stream.get()) != kResultOk) {
    error = "the controller refused the state";
    return false;
  }
  return true;
}

bool HostedPlugin::applyStateText(const std::string& text, std::string& error) {
  std::vector<char> bytes(4 + text.size());
  const auto length = static_cast<std::uint32_t>(text.size());
  for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((length >> (8 * i)) & 0xFF);
  std::copy(text.begin(), text.end(), bytes.begin() + 4);
  return applyStateBytes(std::move(bytes), error);
}

bool HostedPlugin::loadStateFile(const std::string& path, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "cannot read state file '" + path + "'";
    return false;
  }
  std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (!applyStateBytes(std::move(bytes), error)) {
    error += " in '" + path + "'";
    return false;
  }
  return true;
}

bool HostedPlugin::saveStateFile(const std::string& path, std::string& error) {
  auto stream = testing::makeHostObject<testing::MemoryStream>();
  if (component_->getState(stream.get()) != kResultOk) {
    error = "the module could not save its state";
    return false;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(stream->data.data(), static_cast<std::streamsize>(stream->data.size()));
  if (!file) {
    error = "cannot write state file '" + path + "'";
    return false;
  }
  return true;
}

bool HostedPlugin::setModulePath(const std::string& path, std::string& error) {
  const std::string text = stateText();
  if (text.empty()) {
    error = "the module has no state document";
    return false;
  }
  nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    error = "the module's state document is not JSON";
    return false;
  }
  document["path"] = path;
  if (!applyStateText(document.dump(), error)) {
    error += " (path '" + path + "')";
    return false;
  }
  return true;
}

bool HostedPlugin::setMainChannels(int inputChannels, int outputChannels) {
  auto arrangement = [](int channels) -> SpeakerArrangement {
    if (channels == 1) return SpeakerArr::kMono;
    return channels >= 64 ? ~SpeakerArrangement{0} : (SpeakerArrangement{1} << channels) - 1;
  };
  std::vector<SpeakerArrangement> ins, outs;
  for (int i = 0; i < busCount(kInput); ++i) {
    SpeakerArrangement a = 0;
    processor_->getBusArrangement(kInput, i, a);
    ins.push_back(i == 0 && inputChannels > 0 ? arrangement(inputChannels) : a);
  }
  for (int i = 0; i < busCount(kOutput); ++i) {
    SpeakerArrangement a = 0;
    processor_->getBusArrangement(kOutput, i, a);
    outs.push_back(i == 0 && outputChannels > 0 ? arrangement(outputChannels) : a);
  }
  return processor_->setBusArrangements(ins.empty() ? nullptr : ins.data(), static_cast<int32>(ins.size()),
                                        outs.empty() ? nullptr : outs.data(),
                                        static_cast<int32>(outs.size())) == kResultOk;
}

void HostedPlugin::activateAllAudioBuses() {
  for (BusDirection dir : {kInput, kOutput}) {
    for (int i = 0; i < busCount(dir); ++i) component_->activateBus(kAudio, dir, i, 1);
  }
}

int HostedPlugin::busChannels(BusDirection dir, int index) const {
  BusInfo info{};
  if (component_->getBusInfo(kAudio, dir, index, info) != kResultOk) return 0;
  return info.channelCount;
}

int HostedPlugin::busCount(BusDirection dir) const { return component_->getBusCount(kAudio, dir); }

}  // namespace varnolith::host
