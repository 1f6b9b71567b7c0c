// Until the editor library exists the plug-in offers no view.
#include "plugin/editor_factory.h"

namespace varnolith::plugins {

Steinberg::IPlugView* createEditorView(UtilityPlugin&) { return nullptr; }

}  // namespace varnolith::plugins
