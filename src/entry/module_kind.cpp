#include "entry/module_kind.h"

namespace varnolith::plugins {

const char* moduleDisplayName(ModuleKind kind) noexcept {
  switch (kind) {
    case ModuleKind::Input: return "VARNOLITH INPUT";
    case ModuleKind::Output: return "VARNOLITH OUTPUT";
    case ModuleKind::Summing: return "VARNOLITH SUMMING";
    case ModuleKind::Breakout: return "VARNOLITH BREAKOUT";
    case ModuleKind::Player: return "VARNOLITH PLAYER";
    case ModuleKind::Recorder: return "VARNOLITH RECORDER";
    case ModuleKind::Distributor: return "VARNOLITH DISTRIBUTOR";
    case ModuleKind::FaderBank: break;
  }
  return "VARNOLITH FADER BANK";
}

}  // namespace varnolith::plugins
