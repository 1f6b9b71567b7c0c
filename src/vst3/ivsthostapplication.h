// IHostApplication: the host's name and object creation.
#pragma once

#include "vst3/funknown.h"
#include "vst3/vsttypes.h"

namespace Steinberg::Vst {

class IHostApplication : public FUnknown {
 public:
  // [main-thread] The host's name.
  virtual tresult PLUGIN_API getName(String128 name) = 0;
  // [main-thread] Creates a host object (such as a message or attribute list).
  virtual tresult PLUGIN_API createInstance(TUID cid, TUID iid, void** obj) = 0;

  VARNOLITH_DECLARE_IID(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);

 protected:
  ~IHostApplication() = default;
};

}  // namespace Steinberg::Vst
