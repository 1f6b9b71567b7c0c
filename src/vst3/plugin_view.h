// CPluginView: the base of editor views (rectangle, parent window and frame).
#pragma once

#include "vst3/fobject.h"
#include "vst3/iplugview.h"

namespace Steinberg {

class CPluginView : public FObject, public IPlugView {
 public:
  explicit CPluginView(const ViewRect* rect = nullptr);
  ~CPluginView() override;

  tresult PLUGIN_API queryInterface(const TUID iid, void** obj) override;
  uint32 PLUGIN_API addRef() override { return FObject::addRef(); }
  uint32 PLUGIN_API release() override { return FObject::release(); }

  tresult PLUGIN_API isPlatformTypeSupported(FIDString) override { return kNotImplemented; }
  // [main-thread] Remembers the parent window.
  tresult PLUGIN_API attached(void* parent, FIDString type) override;
  // [main-thread] Forgets the parent window.
  tresult PLUGIN_API removed() override;
  tresult PLUGIN_API onWheel(float) override { return kResultFalse; }
  tresult PLUGIN_API onKeyDown(char16, int16, int16) override { return kResultFalse; }
  tresult PLUGIN_API onKeyUp(char16, int16, int16) override { return kResultFalse; }
  // [main-thread] Copies the view rectangle; kInvalidArgument for null.
  tresult PLUGIN_API getSize(ViewRect* size) override;
  // [main-thread] Takes the new rectangle (nothing for null).
  tresult PLUGIN_API onSize(ViewRect* newSize) override;
  tresult PLUGIN_API onFocus(TBool) override { return kResultFalse; }
  // [main-thread] Keeps a counted reference to the host frame.
  tresult PLUGIN_API setFrame(IPlugFrame* frame) override;
  tresult PLUGIN_API canResize() override { return kResultFalse; }
  tresult PLUGIN_API checkSizeConstraint(ViewRect*) override { return kResultFalse; }

  const ViewRect& getRect() const noexcept { return rect; }
  void* getSystemWindow() const noexcept { return systemWindow; }
  IPlugFrame* getFrame() const noexcept { return plugFrame.get(); }

 protected:
  ViewRect rect;
  void* systemWindow = nullptr;
  IPtr<IPlugFrame> plugFrame;
};

}  // namespace Steinberg
