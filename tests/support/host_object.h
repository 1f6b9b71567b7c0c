// HostObject: reference counting and interface answers for the host-side test objects.
#pragma once

#include <atomic>

#include "vst3/funknown.h"

namespace varnolith::testing {

// Implements FUnknown for an object that answers interface I (and FUnknown). Created on the heap
// with one reference; the last release deletes it.
template <class I>
class HostObject : public I {
 public:
  Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override {
    if (!obj) return Steinberg::kInvalidArgument;
    if (Steinberg::iidEqual(iid, I::iid.bytes) || Steinberg::iidEqual(iid, Steinberg::FUnknown::iid.bytes)) {
      *obj = static_cast<I*>(this);
      addRef();
      return Steinberg::kResultOk;
    }
    *obj = nullptr;
    return Steinberg::kNoInterface;
  }
  Steinberg::uint32 PLUGIN_API addRef() override { return ++refs_; }
  Steinberg::uint32 PLUGIN_API release() override {
    const Steinberg::uint32 left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  Steinberg::uint32 refCount() const { return refs_.load(); }

  virtual ~HostObject() = default;

 private:
  std::atomic<Steinberg::uint32> refs_{1};
};

// Creates a host object with one reference held by the returned pointer.
template <class T, class... Args>
Steinberg::IPtr<T> makeHostObject(Args&&... args) {
  return Steinberg::IPtr<T>::adopt(new T(std::forward<Args>(args)...));
}

}  // namespace varnolith::testing
