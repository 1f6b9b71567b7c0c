// FUnknown: the root interface; reference counting and interface queries.
#pragma once

#include "vst3/ftypes.h"

namespace Steinberg {

class FUnknown {
 public:
  // [any-thread] Answers a pointer for a known interface ID (adding a reference) or kNoInterface
  // with *obj set to null.
  virtual tresult PLUGIN_API queryInterface(const TUID iid, void** obj) = 0;
  // [any-thread] Adds a reference; returns the new count.
  virtual uint32 PLUGIN_API addRef() = 0;
  // [any-thread] Drops a reference; the last one destroys the object.
  virtual uint32 PLUGIN_API release() = 0;

  VARNOLITH_DECLARE_IID(0x00000000, 0x00000000, 0xC0000000, 0x00000046);

 protected:
  ~FUnknown() = default;
};

// Holds one counted reference to an interface; copying adds one, destruction releases it.
template <class I>
class IPtr {
 public:
  IPtr() noexcept = default;
  IPtr(I* p) noexcept : ptr_(p) {  // NOLINT: implicit by design, like the SDK's
    if (ptr_) ptr_->addRef();
  }
  IPtr(const IPtr& other) noexcept : IPtr(other.ptr_) {}
  IPtr(IPtr&& other) noexcept : ptr_(other.ptr_) { other.ptr_ = nullptr; }
  ~IPtr() { reset(); }
  IPtr& operator=(I* p) noexcept {
    if (p) p->addRef();
    reset();
    ptr_ = p;
    return *this;
  }
  IPtr& operator=(const IPtr& other) noexcept { return *this = other.ptr_; }
  IPtr& operator=(IPtr&& other) noexcept {
    if (this != &other) {
      reset();
      ptr_ = other.ptr_;
      other.ptr_ = nullptr;
    }
    return *this;
  }
  // Takes over a reference the caller already owns.
  static IPtr adopt(I* p) noexcept {
    IPtr r;
    r.ptr_ = p;
    return r;
  }
  void reset() noexcept {
    if (ptr_) {
      I* p = ptr_;
      ptr_ = nullptr;
      p->release();
    }
  }
  I* get() const noexcept { return ptr_; }
  I* operator->() const noexcept { return ptr_; }
  I& operator*() const noexcept { return *ptr_; }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }

 private:
  I* ptr_ = nullptr;
};

// Asks an object for an interface; returns an owning pointer or an empty one.
template <class I>
IPtr<I> queryInterfacePtr(FUnknown* unknown) {
  void* obj = nullptr;
  if (unknown && unknown->queryInterface(I::iid.bytes, &obj) == kResultOk && obj) {
    return IPtr<I>::adopt(static_cast<I*>(obj));
  }
  return {};
}

}  // namespace Steinberg
