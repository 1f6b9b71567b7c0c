// FObject: the reference-counted base of the layer's objects; FUID: a class ID value.
#pragma once

#include <atomic>
#include <cstring>

#include "vst3/funknown.h"

namespace Steinberg {

class FObject : public FUnknown {
 public:
  FObject() = default;
  FObject(const FObject&) = delete;
  FObject& operator=(const FObject&) = delete;
  virtual ~FObject() = default;

  // [any-thread] Answers FUnknown only; subclasses add their interfaces.
  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  // [any-thread] Atomic increment; never allocates.
  uint32 PLUGIN_API addRef() override;
  // [any-thread] Atomic decrement; deletes the object when the count reaches 0.
  uint32 PLUGIN_API release() override;
  // [any-thread] The current count (for tests and diagnostics).
  uint32 getRefCount() const noexcept { return refCount_.load(std::memory_order_acquire); }

 private:
  std::atomic<uint32> refCount_{1};
};

// Answers `I` from `self` when the ID matches, adding a reference. `Via` picks the base
// subobject when `I` is reachable along several paths.
template <class I, class Via = I, class T>
bool answerInterface(T* self, const TUID iid, void** obj) {
  if (!iidEqual(iid, I::iid.bytes)) return false;
  *obj = static_cast<I*>(static_cast<Via*>(self));
  static_cast<Via*>(self)->addRef();
  return true;
}

class FUID {
 public:
  constexpr FUID() = default;
  constexpr FUID(uint32 l1, uint32 l2, uint32 l3, uint32 l4) : bytes_(makeUid(l1, l2, l3, l4)) {}
  explicit FUID(const TUID uid) { std::memcpy(bytes_.bytes, uid, 16); }

  const char* toTUID() const noexcept { return bytes_.bytes; }
  void toTUID(TUID out) const noexcept { std::memcpy(out, bytes_.bytes, 16); }
  bool operator==(const FUID& other) const noexcept { return iidEqual(bytes_.bytes, other.bytes_.bytes); }

 private:
  UidBytes bytes_{};
};

}  // namespace Steinberg
