#include "vst3/plugin_view.h"

namespace Steinberg {

CPluginView::CPluginView(const ViewRect* initialRect) {
  if (initialRect) rect = *initialRect;
}

CPluginView::~CPluginView() = default;

tresult PLUGIN_API CPluginView::queryInterface(const TUID iid, void** obj) {
  if (!obj) return kInvalidArgument;
  if (answerInterface<IPlugView>(this, iid, obj) || answerInterface<FUnknown, FObject>(this, iid, obj)) {
    return kResultOk;
  }
  *obj = nullptr;
  return kNoInterface;
}

tresult PLUGIN_API CPluginView::attached(void* parent, FIDString) {
  systemWindow = parent;
  return kResultOk;
}

tresult PLUGIN_API CPluginView::removed() {
  systemWindow = nullptr;
  return kResultOk;
}

tresult PLUGIN_API CPluginView::getSize(ViewRect* size) {
  if (!size) return kInvalidArgument;
  *size = rect;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::onSize(ViewRect* newSize) {
  if (newSize) rect = *newSize;
  return kResultTrue;
}

tresult PLUGIN_API CPluginView::setFrame(IPlugFrame* frame) {
  plugFrame = frame;
  return kResultTrue;
}

}  // namespace Steinberg
