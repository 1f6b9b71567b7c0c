// varnolith-snapshot: writes a PNG of every module's panel, as the headless window system paints
// it through the real view (createView, attached, WM_PAINT), in a few chosen states.
//   varnolith-snapshot <output directory>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "params/parameter_ids.h"
#include "platform/constants.h"
#include "platform/headless/headless_window_system.h"
#include "plugin/utility_plugin.h"

namespace {

using namespace varnolith;
using plugins::ModuleKind;
using plugins::UtilityPlugin;
namespace headless = platform::headless;

// Creates the plug-in, lets `prepare` set its state, opens its editor, runs `interact` on the
// window, repaints and saves the window; `cleanup` runs before the plug-in goes away.
bool snapshot(const std::filesystem::path& file, ModuleKind kind,
              const std::function<void(UtilityPlugin&)>& prepare = {},
              const std::function<void(platform::HWND)>& interact = {},
              const std::function<void(UtilityPlugin&)>& cleanup = {}) {
  auto& system = headless::instance();
  auto plugin = Steinberg::IPtr<UtilityPlugin>::adopt(new UtilityPlugin(kind));
  if (plugin->initialize(nullptr) != Steinberg::kResultOk) return false;
  if (prepare) prepare(*plugin.get());
  platform::HWND host = system.createHostWindow(960, 580);
  Steinberg::IPlugView* view = plugin->createView("editor");
  bool saved = false;
  if (view && view->attached(host, "HWND") == Steinberg::kResultOk) {
    const platform::HWND window = system.children(host).front();
    system.pump();
    if (interact) interact(window);
    system.InvalidateRect(window, nullptr, 0);
    system.pump();
    saved = system.savePng(window, file.string());
    view->removed();
  }
  if (view) view->release();
  system.DestroyWindow(host);
  if (cleanup) cleanup(*plugin.get());
  plugin->terminate();
  std::printf("%s %s\n", saved ? "wrote" : "FAILED", file.string().c_str());
  return saved;
}

void click(platform::HWND window, int x, int y) {
  auto& system = headless::instance();
  system.postMouse(window, platform::kWmLButtonDown, x, y, platform::kMkLButton);
  system.postMouse(window, platform::kWmLButtonUp, x, y, 0);
  system.pump();
}

// A stereo file of four seconds: a decaying tone burst every half second.
plugins::DecodedAudio demoAudio() {
  plugins::DecodedAudio audio;
  audio.channelCount = 2;
  audio.sampleRate = 44100;
  const std::size_t frames = 4 * 44100;
  audio.samples.resize(frames * 2);
  for (std::size_t f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / 44100.0;
    const double beat = std::fmod(t, 0.5);
    const double envelope = std::exp(-beat * 9.0) * (0.35 + 0.6 * std::fabs(std::sin(t * 0.8)));
    const double tone = std::sin(2.0 * M_PI * 110.0 * t) * envelope;
    audio.samples[2 * f] = static_cast<float>(tone);
    audio.samples[2 * f + 1] = static_cast<float>(tone * 0.7);
  }
  return audio;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path out = argv[1];
  std::filesystem::create_directories(out);
  bool ok = true;

  const struct {
    ModuleKind kind;
    const char* name;
  } kinds[] = {
      {ModuleKind::Input, "input"},       {ModuleKind::Output, "output"},      {ModuleKind::Summing, "summing"},
      {ModuleKind::Breakout, "breakout"}, {ModuleKind::Player, "player"},      {ModuleKind::Recorder, "recorder"},
      {ModuleKind::FaderBank, "fader-bank"}, {ModuleKind::Distributor, "distributor"},
  };
  for (const auto& k : kinds) ok &= snapshot(out / (std::string(k.name) + "-default.png"), k.kind);

  // FADER BANK, second page (FADER 9 to 16) of 20 strips, strip 10 muted, faders spread out.
  ok &= snapshot(
      out / "fader-bank-page2-muted.png", ModuleKind::FaderBank,
      [](UtilityPlugin& p) {
        p.parameters.storeParameter(plugins::kActiveStrips, 19.0 / 63.0);
        for (std::uint32_t c = 0; c < 20; ++c) p.parameters.storeParameter(plugins::kFaderGainBase + c, 0.3 + 0.05 * c);
        p.parameters.storeParameter(plugins::kFaderMuteBase + 9, 1.0);
      },
      [](platform::HWND window) { click(window, 118, 542); });  // "›"

  // PLAYER with a loaded file and its waveform.
  ok &= snapshot(
      out / "player-loaded.png", ModuleKind::Player,
      [](UtilityPlugin& p) {
        p.player.installAudio(demoAudio());
        p.modulePath = u"C:\\Audio\\Session\\drum-loop.wav";
        p.parameters.storeParameter(plugins::kFollowTransport, 0.0);
        p.parameters.storeParameter(plugins::kPlayRecord, 1.0);
        p.player.playing.store(true);
      },
      {},
      [](UtilityPlugin& p) { p.player.stop(); });

  // RECORDER while recording.
  ok &= snapshot(
      out / "recorder-recording.png", ModuleKind::Recorder,
      [](UtilityPlugin& p) {
        p.modulePath = u"C:\\Recordings\\vocal-take3.wav";
        p.recorder.ready.store(true);
        p.recorder.recording.store(true);
        p.recorder.framesWritten.store(576000);
        p.recorder.droppedFrames.store(0);
        p.parameters.storeParameter(plugins::kPlayRecord, 1.0);
        p.parameters.storeParameter(plugins::kFollowTransport, 0.0);
      },
      {},
      [](UtilityPlugin& p) {
        p.recorder.recording.store(false);
        p.recorder.ready.store(false);
      });

  return ok ? 0 : 1;
}
