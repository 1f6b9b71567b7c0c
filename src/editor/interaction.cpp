#include "editor/interaction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/file_command.h"
#include "editor/layout.h"
#include "params/parameter_ids.h"
#include "platform/constants.h"
#include "plugin/utility_plugin.h"

namespace varnolith::plugins {

namespace {

using namespace layout;
using std::int32_t;

double read(const EditorContext& context, std::uint32_t id) { return context.plugin.parameters.readParameter(id); }

void edit(EditorContext& context, std::uint32_t id, double value) { context.plugin.editParameter(id, value); }

void toggle(EditorContext& context, std::uint32_t id) { edit(context, id, read(context, id) > 0.5 ? 0.0 : 1.0); }

int32_t activeIndex(const EditorContext& context) {
  return static_cast<int32_t>(std::lround(read(context, kActiveStrips) * 63.0));
}

void stepCount(EditorContext& context, int32_t n, bool more) {
  const int32_t strips = more ? std::min(n + 2, 64) : std::max(n, 1);
  edit(context, kActiveStrips, (strips - 1) / 63.0);
}

void startDrag(EditorContext& context, int32_t x, int32_t y) {
  context.system.SetCapture(context.window);
  onDrag(context, x, y);
}

void transportDown(EditorContext& context, int32_t x, int32_t y) {
  UtilityPlugin& plugin = context.plugin;
  const bool player = plugin.kind == ModuleKind::Player;
  if (contains(kFileButton, x, y)) chooseFile(plugin, context.system, context.window);
  if (contains(kRunButton, x, y)) {
    const bool allowed = player ? plugin.player.frameCount.load() != 0
                                : plugin.recorder.ready.load() && !plugin.recorder.failed.load();
    if (allowed) {
      edit(context, kFollowTransport, 0.0);
      edit(context, kPlayRecord, 1.0);
    } else {
      context.system.MessageBoxW(context.window,
                                 player ? u"Choose a WAV file first."
                                        : u"Choose a new WAV destination first. The recorder prepares it before "
                                          u"recording starts.",
                                 u"VARNOLITH", platform::kMbOk | platform::kMbIconInformation);
    }
  }
  if (contains(kStopButton, x, y)) {
    edit(context, kPlayRecord, 0.0);
    edit(context, kFollowTransport, 0.0);
  }
  if (contains(kTransportButton, x, y)) toggle(context, kFollowTransport);
  if (!player && y >= kTailDown.top && y <= kTailDown.bottom) {
    const double seconds = read(context, kMaximumTail) * 3600.0;
    if (x >= kTailDown.left && x <= kTailDown.right) edit(context, kMaximumTail, std::max(seconds - 5.0, 1.0) / 3600.0);
    if (x >= kTailUp.left && x <= kTailUp.right) edit(context, kMaximumTail, std::min(seconds + 5.0, 3600.0) / 3600.0);
  }
}

void faderBankDown(EditorContext& context, int32_t x, int32_t y) {
  PanelState& state = context.state;
  const int32_t n = activeIndex(context);
  if (contains(kFewerStrips, x, y)) stepCount(context, n, false);
  if (contains(kMoreStrips, x, y)) stepCount(context, n, true);
  if (contains(kPreviousPage, x, y) && state.faderPage > 0) --state.faderPage;
  if (contains(kNextPage, x, y) && state.faderPage < n / kStripsPerPage) ++state.faderPage;
  for (int32_t slot = 0; slot < kStripsPerPage; ++slot) {
    const int32_t c = state.faderPage * kStripsPerPage + slot;
    if (c >= n + 1) break;
    const int32_t stripCentre = stripX(slot);
    if (contains(muteButton(stripCentre), x, y)) toggle(context, kFaderMuteBase + static_cast<std::uint32_t>(c));
    if (contains(faderRegion(stripCentre), x, y)) {
      state.dragFader = c;
      state.dragStartPos = y;
      const double g = read(context, kFaderGainBase + static_cast<std::uint32_t>(c));
      const int32_t ky = kFaderTop + static_cast<int32_t>(std::trunc((1.0 - g) * kFaderTravel));
      // Near the cap the cap is taken where it is; elsewhere it jumps to the pointer.
      state.dragStartValue = std::abs(y - ky) <= kFaderGrab
                                 ? g
                                 : std::clamp(1.0 - static_cast<double>(y - kFaderTop) / kFaderTravel, 0.0, 1.0);
      startDrag(context, x, y);
    }
  }
}

void routingDown(EditorContext& context, int32_t x, int32_t y) {
  const ModuleKind kind = context.plugin.kind;
  const bool counted = kind == ModuleKind::Summing || kind == ModuleKind::Breakout || kind == ModuleKind::Distributor;
  if (counted && y >= kFewerCount.top && y <= kFewerCount.bottom) {
    const int32_t n = activeIndex(context);
    if (x >= kFewerCount.left && x <= kFewerCount.right) stepCount(context, n, false);
    if (x >= kMoreCount.left && x <= kMoreCount.right) stepCount(context, n, true);
  }
  if (contains(kGainRegion, x, y)) {
    PanelState& state = context.state;
    state.dragGain = true;
    state.dragStartPos = x;
    const double v = read(context, kGain);
    const int32_t kx = kGainLeft + static_cast<int32_t>(std::trunc(v * kGainTravel));
    state.dragStartValue = std::abs(x - kx) <= kGainGrab
                               ? v
                               : std::clamp(static_cast<double>(x - kGainLeft) / kGainTravel, 0.0, 1.0);
    startDrag(context, x, y);
  }
}

}  // namespace

void onMouseDown(EditorContext& context, int32_t x, int32_t y) {
  switch (context.plugin.kind) {
    case ModuleKind::Player:
    case ModuleKind::Recorder:
      transportDown(context, x, y);
      break;
    case ModuleKind::FaderBank:
      faderBankDown(context, x, y);
      break;
    default:
      routingDown(context, x, y);
      break;
  }
  context.system.InvalidateRect(context.window, nullptr, 0);
}

void onDrag(EditorContext& context, int32_t x, int32_t y) {
  PanelState& state = context.state;
  if (state.dragFader >= 0) {
    const double value = std::clamp((state.dragStartPos - y) / kFaderTravel + state.dragStartValue, 0.0, 1.0);
    edit(context, kFaderGainBase + static_cast<std::uint32_t>(state.dragFader), value);
  } else if (state.dragGain) {
    const double value = std::clamp((x - state.dragStartPos) / kGainTravel + state.dragStartValue, 0.0, 1.0);
    edit(context, kGain, value);
  }
  context.system.InvalidateRect(context.window, nullptr, 0);
}

void endDrag(PanelState& state) noexcept {
  state.dragFader = -1;
  state.dragGain = false;
}

}  // namespace varnolith::plugins
