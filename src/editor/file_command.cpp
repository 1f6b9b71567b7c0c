#include "editor/file_command.h"

#include <string>
#include <vector>

#include "platform/constants.h"
#include "plugin/utility_plugin.h"
#include "vst3/string16.h"

namespace varnolith::plugins {

namespace {

constexpr platform::DWORD kPathCapacity = 32768;
// One filter pair; the literal's own terminator ends the list.
constexpr char16_t kWavFilter[] = u"WAV audio\0*.wav\0";

}  // namespace

bool chooseFile(UtilityPlugin& plugin, platform::WindowSystem& system, platform::HWND owner) {
  using namespace platform;
  const bool player = plugin.kind == ModuleKind::Player;
  if (plugin.kind == ModuleKind::Recorder && plugin.recorder.recording.load()) {
    system.MessageBoxW(owner, u"Stop recording before choosing a new destination.", u"VARNOLITH RECORDER", kMbOk);
    return false;
  }
  std::vector<char16_t> path(kPathCapacity, u'\0');
  OPENFILENAMEW dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = kWavFilter;
  dialog.lpstrFile = path.data();
  dialog.nMaxFile = kPathCapacity;
  dialog.lpstrDefExt = u"wav";
  dialog.Flags = kOfnExplorer | kOfnPathMustExist | kOfnNoChangeDir | (player ? kOfnFileMustExist : 0);
  const BOOL chosen = player ? system.GetOpenFileNameW(&dialog) : system.GetSaveFileNameW(&dialog);
  if (!chosen) return false;
  path.back() = u'\0';  // a dialog that filled the whole buffer still yields a terminated path

  std::string error;
  if (plugin.setModuleFile(std::u16string(path.data()), error)) return true;

  // The messages are UTF-8; the wide box shows every one of them as written (the 8-bit box would
  // read non-ASCII bytes in the system code page). Bytes that are no UTF-8 go out unchanged.
  const char* caption = moduleDisplayName(plugin.kind);
  std::u16string wideText;
  std::u16string wideCaption;
  if (Steinberg::utf8ToUtf16(error, wideText) && Steinberg::utf8ToUtf16(caption, wideCaption)) {
    system.MessageBoxW(owner, wideText.c_str(), wideCaption.c_str(), kMbOk | kMbIconError);
  } else {
    system.MessageBoxA(owner, error.c_str(), caption, kMbOk | kMbIconError);
  }
  return false;
}

}  // namespace varnolith::plugins
