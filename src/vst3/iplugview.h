// IPlugView and IPlugFrame: the editor window embedded in the host.
#pragma once

#include "vst3/funknown.h"

namespace Steinberg {

#if defined(_WIN32)
#pragma pack(push, 8)
#endif

struct ViewRect {
  int32 left = 0;
  int32 top = 0;
  int32 right = 0;
  int32 bottom = 0;
  int32 getWidth() const noexcept { return right - left; }
  int32 getHeight() const noexcept { return bottom - top; }
};

#if defined(_WIN32)
#pragma pack(pop)
#endif

inline constexpr FIDString kPlatformTypeHWND = "HWND";
inline constexpr FIDString kPlatformTypeHIView = "HIView";
inline constexpr FIDString kPlatformTypeNSView = "NSView";
inline constexpr FIDString kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

class IPlugFrame;

class IPlugView : public FUnknown {
 public:
  // [main-thread] Whether the view can attach to a parent of this platform type.
  virtual tresult PLUGIN_API isPlatformTypeSupported(FIDString type) = 0;
  // [main-thread] Creates the view's window inside the parent.
  virtual tresult PLUGIN_API attached(void* parent, FIDString type) = 0;
  // [main-thread] Destroys the view's window.
  virtual tresult PLUGIN_API removed() = 0;
  virtual tresult PLUGIN_API onWheel(float distance) = 0;
  virtual tresult PLUGIN_API onKeyDown(char16 key, int16 keyCode, int16 modifiers) = 0;
  virtual tresult PLUGIN_API onKeyUp(char16 key, int16 keyCode, int16 modifiers) = 0;
  // [main-thread] The view's size.
  virtual tresult PLUGIN_API getSize(ViewRect* size) = 0;
  // [main-thread] The host resized the view.
  virtual tresult PLUGIN_API onSize(ViewRect* newSize) = 0;
  virtual tresult PLUGIN_API onFocus(TBool state) = 0;
  // [main-thread] The host's frame for resize requests.
  virtual tresult PLUGIN_API setFrame(IPlugFrame* frame) = 0;
  virtual tresult PLUGIN_API canResize() = 0;
  virtual tresult PLUGIN_API checkSizeConstraint(ViewRect* rect) = 0;

  VARNOLITH_DECLARE_IID(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

 protected:
  ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
 public:
  // [main-thread] Asks the host to resize the view.
  virtual tresult PLUGIN_API resizeView(IPlugView* view, ViewRect* newSize) = 0;

  VARNOLITH_DECLARE_IID(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

 protected:
  ~IPlugFrame() = default;
};

}  // namespace Steinberg
