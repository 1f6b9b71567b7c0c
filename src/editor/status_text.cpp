#include "editor/status_text.h"

#include <algorithm>

#include "plugin/utility_plugin.h"
#include "vst3/string16.h"

namespace varnolith::plugins {

std::string displayedFileName(const std::u16string& path) {
  std::size_t start = 0;
  if (const std::size_t slash = path.find_last_of(u"\\/"); slash != std::u16string::npos) {
    start = slash + 1;
  } else if (path.size() >= 2 && path[1] == u':' &&
             ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'))) {
    start = 2;
  }
  std::string name = Steinberg::utf16ToUtf8(std::u16string_view(path).substr(start));
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::string composeStatusText(const UtilityPlugin& plugin) {
  if (plugin.kind == ModuleKind::Player) {
    if (plugin.modulePath.empty()) return "Choose a WAV file. Disk is never read in the audio callback.";
    return displayedFileName(plugin.modulePath) + " | " + (plugin.player.playing.load() ? "Playing" : "Ready");
  }
  if (plugin.kind == ModuleKind::Recorder) {
    const RecorderEngine& recorder = plugin.recorder;
    if (recorder.failed.load()) return "Recording failed; inspect output disk";
    if (recorder.recording.load()) {
      const std::uint64_t written = recorder.framesWritten.load();
      const std::uint64_t dropped = recorder.droppedFrames.load();
      return "Recording " + std::to_string(written) + " frames; dropped " + std::to_string(dropped);
    }
    if (recorder.ready.load()) return "Armed and ready";
    if (recorder.finalized.load() && recorder.fileCreated.load() && !plugin.modulePath.empty()) {
      return "Finalized " + displayedFileName(plugin.modulePath);
    }
    return "Choose a NEW WAV destination before playback";
  }
  return "Host audio ports | Digital processing | No extra hardware engine";
}

}  // namespace varnolith::plugins
