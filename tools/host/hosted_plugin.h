// HostedPlugin: one plug-in instance created from a bundle through its factory, as a DAW holds it.
#pragma once

#include <string>
#include <vector>

#include "support/host_objects.h"
#include "support/module_loader.h"
#include "vst3/ivstaudioprocessor.h"
#include "vst3/ivstcomponent.h"
#include "vst3/ivsteditcontroller.h"

namespace varnolith::host {

class HostedPlugin {
 public:
  HostedPlugin() = default;
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;
  ~HostedPlugin();

  // [main-thread] Loads the bundle, creates its first audio class and initializes it.
  bool open(const std::string& bundle, std::string& error);
  // [main-thread] Terminates and releases the instance and unloads the library.
  void close();

  // [main-thread] A parameter by decimal ID or by title (case-insensitive); false when unknown.
  bool findParameter(const std::string& key, Steinberg::Vst::ParamID& id) const;
  // [main-thread] Restores a saved state file into component and controller.
  bool loadStateFile(const std::string& path, std::string& error);
  // [main-thread] Saves the component state to a file.
  bool saveStateFile(const std::string& path, std::string& error);
  // [main-thread] The component's state document (without the length prefix), or empty.
  std::string stateText();
  // [main-thread] Applies a state document text (adds the length prefix).
  bool applyStateText(const std::string& text, std::string& error);
  // [main-thread] Stores a file path in the module through its state document (a PLAYER loads
  // the file, a RECORDER takes it as its destination).
  bool setModulePath(const std::string& path, std::string& error);
  // [main-thread] Sets bus 0 of each direction to `channels` channels (others keep theirs).
  bool setMainChannels(int inputChannels, int outputChannels);
  // [main-thread] Activates every audio bus of both directions.
  void activateAllAudioBuses();

  const std::string& className() const noexcept { return className_; }
  Steinberg::Vst::IComponent* component() const noexcept { return component_.get(); }
  Steinberg::Vst::IAudioProcessor* processor() const noexcept { return processor_.get(); }
  Steinberg::Vst::IEditController* controller() const noexcept { return controller_.get(); }
  // [main-thread] Channel count of an audio bus as the component reports it.
  int busChannels(Steinberg::Vst::BusDirection dir, int index) const;
  int busCount(Steinberg::Vst::BusDirection dir) const;

 private:
  // [main-thread] Hands a framed state (length prefix and text) to component and controller.
  bool applyStateBytes(std::vector<char> bytes, std::string& error);

  testing::ModuleLoader loader_;
  Steinberg::IPtr<testing::HostApplication> hostContext_;
  Steinberg::IPtr<Steinberg::Vst::IComponent> component_;
  Steinberg::IPtr<Steinberg::Vst::IAudioProcessor> processor_;
  Steinberg::IPtr<Steinberg::Vst::IEditController> controller_;
  std::string className_;
  bool initialized_ = false;
};

}  // namespace varnolith::host
