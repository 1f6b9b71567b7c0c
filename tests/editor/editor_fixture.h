// Plug-ins, views and host windows for the editor tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "editor/editor_class.h"
#include "player/decoded_audio.h"
#include "platform/constants.h"
#include "platform/headless/headless_window_system.h"
#include "plugin/utility_plugin.h"
#include "support/host_objects.h"
#include "editor/recording_canvas.h"

namespace varnolith::testing {

using platform::HWND;
using plugins::ModuleKind;
using plugins::UtilityPlugin;

// An initialized plug-in of one kind with a recording component handler.
struct PluginUnderTest {
  explicit PluginUnderTest(ModuleKind kind);
  ~PluginUnderTest();
  PluginUnderTest(const PluginUnderTest&) = delete;
  PluginUnderTest& operator=(const PluginUnderTest&) = delete;

  UtilityPlugin& operator*() const { return *plugin.get(); }
  UtilityPlugin* operator->() const { return plugin.get(); }
  double value(std::uint32_t id) const { return plugin->parameters.readParameter(id); }

  Steinberg::IPtr<HostApplication> host;
  Steinberg::IPtr<RecordingComponentHandler> handler;
  Steinberg::IPtr<UtilityPlugin> plugin;
};

// Puts audio in the player's `latest` slot (and its frame count) for the life of the object.
class ScopedLatestAudio {
 public:
  ScopedLatestAudio(UtilityPlugin& plugin, plugins::DecodedAudio audio);
  ~ScopedLatestAudio();
  ScopedLatestAudio(const ScopedLatestAudio&) = delete;
  ScopedLatestAudio& operator=(const ScopedLatestAudio&) = delete;

 private:
  UtilityPlugin& plugin_;
  plugins::DecodedAudio audio_;
  plugins::DecodedAudio* previous_;
  std::uint64_t previousFrames_;
};

// Every test starts and must end with a clean window system: no windows, no class, no leaked
// drawing objects, no registration count.
class HeadlessTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  platform::headless::HeadlessWindowSystem& system = platform::headless::instance();
};

// A view of a plug-in attached to a host window on this thread.
class AttachedEditor {
 public:
  explicit AttachedEditor(UtilityPlugin& plugin);
  ~AttachedEditor();
  AttachedEditor(const AttachedEditor&) = delete;
  AttachedEditor& operator=(const AttachedEditor&) = delete;

  // The editor's child window (null when there is none).
  HWND window() const;
  // Posts a mouse message as the system would and handles it.
  void mouse(platform::UINT message, int x, int y, platform::WPARAM keys = 0);
  void press(int x, int y) {
    mouse(platform::kWmLButtonDown, x, y, platform::kMkLButton);
    mouse(platform::kWmLButtonUp, x, y);
  }
  // Texts drawn by the last WM_PAINT (the window's paints only).
  std::vector<std::u16string> paintedTexts();

  platform::headless::HeadlessWindowSystem& system = platform::headless::instance();
  HWND host = nullptr;
  Steinberg::IPlugView* view = nullptr;
};

}  // namespace varnolith::testing
