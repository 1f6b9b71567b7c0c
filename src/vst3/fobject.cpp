#include "vst3/fobject.h"

namespace Steinberg {

tresult PLUGIN_API FObject::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (answerInterface<FUnknown>(this, iid, obj)) return kResultOk;
  *obj = nullptr;
  return kNoInterface;
}

uint32 PLUGIN_API FObject::addRef() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }

uint32 PLUGIN_API FObject::release() {
  const uint32 left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) delete this;
  return left;
}

}  // namespace Steinberg
