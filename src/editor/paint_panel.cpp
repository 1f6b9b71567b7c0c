#include "editor/paint_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "editor/layout.h"
#include "editor/palette.h"
#include "editor/status_text.h"
#include "params/gain_law.h"
#include "params/parameter_ids.h"
#include "plugin/utility_plugin.h"
#include "vst3/string16.h"

namespace varnolith::plugins {

namespace {

using namespace layout;
using std::int32_t;

std::u16string ascii(const std::string& text) { return std::u16string(text.begin(), text.end()); }

std::u16string decibelText(double normalized) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.1f dB", gainDecibels(normalized));
  return ascii(buffer);
}

// lround(v × 63): 0..63, one less than the number of strips or branches.
int32_t activeIndex(const UtilityPlugin& plugin) {
  return static_cast<int32_t>(std::lround(plugin.parameters.readParameter(kActiveStrips) * 63.0));
}

void paintHeader(UtilityPlugin& plugin, Canvas& canvas) {
  canvas.fillBox(Rect{0, 0, kPanelWidth, kPanelHeight}, palette::kBackground);
  canvas.fillBox(Rect{0, 0, kPanelWidth, 88}, palette::kHeaderBand);
  canvas.drawLabel(Rect{26, 13, 820, 46}, ascii(moduleDisplayName(plugin.kind)), palette::kPrimaryText, 27, true,
                   TextLayout::SingleLine);
  canvas.drawLabel(Rect{28, 49, 890, 75}, u"Independent VST3 module  /  realtime audio  /  host-controlled ports",
                   palette::kSecondaryText, 13, false, TextLayout::SingleLine);
  canvas.drawLine(0, 87, kPanelWidth, 87, palette::kHeaderRule, 1);
}

void paintFaderBank(UtilityPlugin& plugin, PanelState& state, Canvas& canvas) {
  const int32_t n = activeIndex(plugin);
  const int32_t strips = n + 1;
  state.faderPage = std::clamp(state.faderPage, 0, n / kStripsPerPage);

  canvas.drawLabel(Rect{24, 99, 515, 130}, u"Independent strips: each input goes only to its own output.",
                   palette::kAccent, 15, false, TextLayout::SingleLine);
  canvas.drawButton(kFewerStrips, u"\u2212", false);
  canvas.drawButton(kMoreStrips, u"+", false);
  canvas.drawLabel(Rect{756, 101, 930, 135}, ascii(std::to_string(strips) + " strips"), palette::kPrimaryText, 17,
                   true, TextLayout::SingleLine);

  for (int32_t slot = 0; slot < kStripsPerPage; ++slot) {
    const int32_t c = state.faderPage * kStripsPerPage + slot;
    if (c >= strips) break;
    const int32_t x = stripX(slot);
    canvas.fillBox(Rect{x - 88, 154, x + 14, 512}, palette::kStripFace);
    canvas.drawLine(x - 88, 154, x + 14, 154, palette::kAccent, 3);
    canvas.drawLabel(Rect{x - 84, 158, x + 10, 181}, ascii("FADER " + std::to_string(c + 1)), palette::kPrimaryText,
                     15, true, TextLayout::SingleLine);
    const bool mono = plugin.inputBusChannelCount(c) == 1;
    canvas.drawLabel(Rect{x - 84, 181, x + 10, 201}, mono ? u"MONO \u2192 MONO" : u"STEREO \u2192 STEREO",
                     palette::kSecondaryText, 10, false, TextLayout::SingleLine);
    const bool muted = plugin.parameters.readParameter(kFaderMuteBase + static_cast<std::uint32_t>(c)) > 0.5;
    canvas.drawButton(muteButton(x), muted ? u"MUTED" : u"Mute", muted);
    canvas.fillBox(Rect{x - 41, kFaderTop, x - 33, 445}, palette::kFaderTrack);
    for (int32_t y = kFaderTop; y < 475; y += 31) canvas.drawLine(x - 71, y, x - 49, y, palette::kTick, 1);
    const double g = plugin.parameters.readParameter(kFaderGainBase + static_cast<std::uint32_t>(c));
    const int32_t ky = kFaderTop + static_cast<int32_t>(std::trunc((1.0 - g) * kFaderTravel));
    canvas.drawKnob(Rect{x - 56, ky - 22, x - 17, ky + 22});
    canvas.drawLabel(Rect{x - 84, 461, x + 10, 491}, decibelText(g), palette::kPrimaryText, 15, true,
                     TextLayout::Centered);
  }

  canvas.drawButton(kPreviousPage, u"\u2039", false);
  canvas.drawButton(kNextPage, u"\u203A", false);
  canvas.drawLabel(Rect{169, 525, 920, 560}, u"No internal summing. Connect strip outputs to SUMMING when needed.",
                   palette::kSecondaryText, 14, false, TextLayout::SingleLine);
}

void paintRouting(UtilityPlugin& plugin, Canvas& canvas) {
  std::u16string description;
  std::u16string suffix;
  switch (plugin.kind) {
    case ModuleKind::Input:
      description = u"Expose audio supplied by the DAW or rack input. Hardware selection belongs to the host.";
      break;
    case ModuleKind::Output:
      description = u"Pass audio to a host-routed output. Hardware selection belongs to the host.";
      break;
    case ModuleKind::Summing:
      description = u"Add independent mono / stereo inputs into one output. Neutral digital addition.";
      suffix = u" active inputs";
      break;
    case ModuleKind::Breakout:
      description =
          u"Separate a multichannel input into individual mono outputs. Each output carries one input lane.";
      suffix = u" enabled output lanes";
      break;
    default:
      description = u"Copy the input to independent output branches. Connect any branch to an effect.";
      suffix = u" active branches";
      break;
  }
  canvas.drawLabel(Rect{28, 112, 920, 190}, description, palette::kPrimaryText, 23, true, TextLayout::Wrapped);
  if (!suffix.empty()) {
    canvas.drawButton(kFewerCount, u"\u2212", false);
    canvas.drawButton(kMoreCount, u"+", false);
    canvas.drawLabel(Rect{207, 222, 890, 266}, ascii(std::to_string(activeIndex(plugin) + 1)) + suffix,
                     palette::kAccent, 23, true, TextLayout::SingleLine);
  }
  canvas.drawLabel(Rect{30, 320, 920, 355}, u"Output gain", palette::kSecondaryText, 15, false,
                   TextLayout::SingleLine);
  canvas.fillBox(Rect{kGainLeft, 397, 900, 406}, palette::kGainTrack);
  const double v = plugin.parameters.readParameter(kGain);
  const int32_t kx = kGainLeft + static_cast<int32_t>(std::trunc(v * kGainTravel));
  canvas.drawKnob(Rect{kx - 20, 375, kx + 20, 430});
  canvas.drawLabel(Rect{31, 448, 919, 491}, decibelText(v), palette::kAccent, 24, true, TextLayout::SingleLine);
  canvas.drawLabel(Rect{30, 517, 920, 563},
                   u"Extra DAW buses must be enabled by the host. Inactive or disconnected inputs are silent.",
                   palette::kSecondaryText, 14, false, TextLayout::SingleLine);
}

// 898 columns, each the peak of (a sample of) its span of frames; cost per column is bounded.
void paintWaveform(const DecodedAudio& audio, std::uint64_t frames, Canvas& canvas) {
  constexpr std::uint64_t kColumns = 898;
  const std::uint64_t channels = audio.channelCount;
  for (std::uint64_t k = 1; k <= kColumns; ++k) {
    const std::uint64_t first = frames * (k - 1) / kColumns;
    const std::uint64_t last = std::max(first + 1, frames * k / kColumns);
    const std::uint64_t step = std::max<std::uint64_t>(1, (last - first) / 32);
    const std::uint64_t end = std::min(frames, last);
    float peak = 0.0f;
    for (std::uint64_t f = first; f < end; f += step) {
      for (std::uint64_t j = 0; j < channels; ++j) {
        const float magnitude = std::fabs(audio.samples[f * channels + j]);
        if (magnitude > peak) peak = magnitude;  // false for NaN: a NaN never raises the peak
      }
    }
    const auto h = static_cast<int32_t>(std::trunc(std::min(peak, 1.0f) * 95.0f));
    const auto x = static_cast<int32_t>(k) + 29;
    canvas.drawLine(x, 340 - h, x, 340 + h, palette::kAccent, 1);
  }
}

void paintTransport(UtilityPlugin& plugin, Canvas& canvas) {
  const bool player = plugin.kind == ModuleKind::Player;
  canvas.drawButton(kFileButton, player ? u"Open WAV\u2026" : u"New WAV file\u2026", false);
  canvas.drawButton(kRunButton, player ? u"Play" : u"Record", plugin.parameters.readParameter(kPlayRecord) > 0.5);
  canvas.drawButton(kStopButton, u"Stop", false);
  canvas.drawButton(kTransportButton, u"Follow DAW transport",
                    plugin.parameters.readParameter(kFollowTransport) > 0.5);
  std::u16string status;
  if (!Steinberg::utf8ToUtf16(composeStatusText(plugin), status)) status = u"\uFFFD";
  canvas.drawLabel(Rect{28, 169, 929, 218}, status, palette::kAccent, 15, false, TextLayout::Wrapped);

  if (player) {
    canvas.fillBox(Rect{28, 230, 930, 450}, palette::kWaveformField);
    const DecodedAudio* audio = plugin.player.latest.load();
    const std::uint64_t frames = audio ? audio->frameCount() : 0;
    if (frames == 0) {
      canvas.drawLabel(Rect{40, 300, 920, 375}, u"Choose a WAV file to see its waveform.", palette::kSecondaryText, 19,
                       false, TextLayout::Centered);
    } else {
      paintWaveform(*audio, frames, canvas);
      canvas.drawLabel(Rect{36, 461, 911, 492},
                       ascii(std::to_string(frames) + " frames  /  " + std::to_string(audio->sampleRate) +
                             " Hz  /  " + std::to_string(audio->channelCount) + " channels"),
                       palette::kSecondaryText, 14, false, TextLayout::SingleLine);
    }
    canvas.drawLabel(Rect{28, 523, 930, 563},
                     u"WAV PCM 16/24/32-bit or float32. Preloaded audio, maximum 512 MiB decoded.",
                     palette::kSecondaryText, 14, false, TextLayout::SingleLine);
    return;
  }

  canvas.drawLabel(Rect{30, 244, 916, 304},
                   u"Prepare the file first. Recording runs on the shared host sample clock.", palette::kPrimaryText,
                   20, true, TextLayout::Wrapped);
  canvas.drawLabel(Rect{30, 324, 916, 392},
                   u"On transport stop, capture the effect tail until 0.5 seconds of silence or the maximum tail. "
                   u"Audio passes through unchanged.",
                   palette::kSecondaryText, 17, false, TextLayout::Wrapped);
  canvas.drawButton(kTailDown, u"Tail \u2212", false);
  canvas.drawButton(kTailUp, u"Tail +", false);
  const auto seconds =
      static_cast<long long>(std::trunc(plugin.parameters.readParameter(kMaximumTail) * 3600.0));
  canvas.drawLabel(Rect{341, 421, 922, 460}, ascii("Maximum tail: " + std::to_string(seconds) + " s"),
                   palette::kAccent, 17, true, TextLayout::SingleLine);
  canvas.drawLabel(Rect{28, 523, 930, 563}, u"New files only: existing recordings are never intentionally overwritten.",
                   palette::kSecondaryText, 14, false, TextLayout::SingleLine);
}

}  // namespace

void paintPanel(UtilityPlugin& plugin, PanelState& state, Canvas& canvas) {
  paintHeader(plugin, canvas);
  switch (plugin.kind) {
    case ModuleKind::FaderBank:
      paintFaderBank(plugin, state, canvas);
      break;
    case ModuleKind::Player:
    case ModuleKind::Recorder:
      paintTransport(plugin, canvas);
      break;
    default:
      paintRouting(plugin, canvas);
      break;
  }
}

}  // namespace varnolith::plugins
