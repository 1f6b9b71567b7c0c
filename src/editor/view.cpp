// View: the editor's IPlugView, its child window and the window procedure.
#include <cstring>
#include <mutex>

#include "editor/dc_canvas.h"
#include "editor/editor_class.h"
#include "editor/interaction.h"
#include "editor/layout.h"
#include "editor/paint_panel.h"
#include "platform/constants.h"
#include "platform/window_system.h"
#include "plugin/editor_factory.h"
#include "plugin/utility_plugin.h"
#include "vst3/plugin_view.h"

namespace varnolith::plugins {

namespace {

using namespace platform;
using Steinberg::kResultFalse;
using Steinberg::kResultOk;
using Steinberg::kResultTrue;

// The only process-wide state of the editor: the class registration shared by all views.
std::mutex editorClassLock;
std::int32_t editorClassUsers = 0;

constexpr Steinberg::ViewRect kViewRect{0, 0, layout::kPanelWidth, layout::kPanelHeight};

LRESULT editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the class, or accepts one that already exists for this module with this procedure.
// Caller holds editorClassLock.
bool registerEditorClass(WindowSystem& system, HINSTANCE module) {
  WNDCLASSW wc;
  wc.style = 0;  // no CS_DBLCLKS: a double click arrives as two presses
  wc.lpfnWndProc = editorWindowProc;
  wc.hInstance = module;
  wc.hCursor = system.LoadCursorW(nullptr, kIdcArrow);
  wc.lpszClassName = kEditorClassName;
  if (system.RegisterClassW(&wc) != 0) return true;
  if (system.GetLastError() != kErrorClassAlreadyExists) return false;
  WNDCLASSW existing;
  return system.GetClassInfoW(module, kEditorClassName, &existing) && existing.hInstance == module &&
         existing.lpfnWndProc == editorWindowProc;
}

class View final : public Steinberg::CPluginView {
 public:
  explicit View(UtilityPlugin& owner) : CPluginView(&kViewRect), plugin(&owner), system(windowSystem()) {}
  ~View() override;

  // [main-thread] kResultTrue for "HWND" only.
  Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
  // [main-thread] Registers the class (once per process) and creates the child window and its
  // timer; kResultFalse leaves no window, timer or registration behind.
  Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
  // [main-thread, or any thread while the window's thread pumps messages] Destroys the window on
  // its own thread and releases the registration.
  Steinberg::tresult PLUGIN_API removed() override;

  Steinberg::IPtr<UtilityPlugin> plugin;
  HWND window = nullptr;
  HINSTANCE moduleHandle = nullptr;
  bool ownsClassRegistration = false;
  PanelState panel;
  WindowSystem& system;

 private:
  // Destroys the window if there is one; false when it survives. `detach` also clears the
  // window's back-pointer when it refuses to go (the view is being destroyed).
  bool destroyWindow(bool detach);
  // Gives back one registration; when the class cannot be unregistered the count is restored
  // (`keepOnFailure`) or dropped, leaving the class for the next registration to adopt.
  bool releaseRegistration(bool keepOnFailure);
  void paintWindow(HWND target);

  friend LRESULT editorWindowProc(HWND, UINT, WPARAM, LPARAM);
};

View::~View() {
  if (destroyWindow(true)) {
    window = nullptr;
    systemWindow = nullptr;
    if (ownsClassRegistration) releaseRegistration(false);
    ownsClassRegistration = false;
    moduleHandle = nullptr;
  }
  plugin.reset();  // last: the plug-in outlives its view's window and registration
}

Steinberg::tresult PLUGIN_API View::isPlatformTypeSupported(Steinberg::FIDString type) {
  return type && std::strcmp(type, Steinberg::kPlatformTypeHWND) == 0 ? kResultTrue : kResultFalse;
}

Steinberg::tresult PLUGIN_API View::attached(void* parent, Steinberg::FIDString type) {
  if (window || ownsClassRegistration) return kResultFalse;
  const auto parentWindow = static_cast<HWND>(parent);
  if (!parentWindow || !system.IsWindow(parentWindow) || !type || std::strcmp(type, Steinberg::kPlatformTypeHWND) != 0) {
    return kResultFalse;
  }
  HMODULE module = nullptr;
  if (!system.GetModuleHandleExW(kGetModuleHandleExFlagFromAddress | kGetModuleHandleExFlagUnchangedRefcount,
                                 reinterpret_cast<LPCWSTR>(&editorWindowProc), &module)) {
    moduleHandle = nullptr;
    return kResultFalse;
  }
  moduleHandle = module;
  {
    std::lock_guard lock(editorClassLock);
    if (editorClassUsers == 0 && !registerEditorClass(system, moduleHandle)) {
      moduleHandle = nullptr;
      return kResultFalse;
    }
    ++editorClassUsers;
  }
  ownsClassRegistration = true;
  HWND created = system.CreateWindowExW(0, kEditorClassName, u"VARNOLITH", kWsChild | kWsVisible, 0, 0,
                                        layout::kPanelWidth, layout::kPanelHeight, parentWindow, nullptr,
                                        moduleHandle, this);
  if (!created) {
    releaseRegistration(false);
    ownsClassRegistration = false;
    moduleHandle = nullptr;
    return kResultFalse;
  }
  window = created;
  systemWindow = parent;
  system.SetTimer(window, kRepaintTimerId, kRepaintIntervalMs, nullptr);
  return kResultOk;
}

Steinberg::tresult PLUGIN_API View::removed() {
  if (!destroyWindow(false)) return kResultFalse;
  window = nullptr;
  systemWindow = nullptr;
  if (!ownsClassRegistration) return kResultOk;
  if (!releaseRegistration(true)) return kResultFalse;
  ownsClassRegistration = false;
  moduleHandle = nullptr;
  return kResultOk;
}

bool View::destroyWindow(bool detach) {
  const HWND target = window;
  if (!target || !system.IsWindow(target)) return true;
  system.KillTimer(target, kRepaintTimerId);
  bool destroyed = false;
  if (system.GetWindowThreadProcessId(target, nullptr) == system.GetCurrentThreadId()) {
    destroyed = system.DestroyWindow(target) != 0;
    if (!destroyed && detach) system.SetWindowLongPtrW(target, kGwlpUserData, 0);
  } else {
    destroyed = system.SendMessageW(target, kDestroyEditorMessage, detach ? 1 : 0, 0) != 0;
  }
  return destroyed || !system.IsWindow(target);
}

bool View::releaseRegistration(bool keepOnFailure) {
  std::lock_guard lock(editorClassLock);
  if (editorClassUsers <= 0) return true;
  if (--editorClassUsers > 0) return true;
  if (system.UnregisterClassW(kEditorClassName, moduleHandle)) return true;
  if (keepOnFailure) ++editorClassUsers;
  return false;
}

void View::paintWindow(HWND target) {
  PAINTSTRUCT paint;
  HDC dc = system.BeginPaint(target, &paint);
  if (dc) {
    // Draw off screen, then copy in one blit: no flicker, and no separate background erase.
    HDC memory = system.CreateCompatibleDC(dc);
    HBITMAP bitmap = system.CreateCompatibleBitmap(dc, layout::kPanelWidth, layout::kPanelHeight);
    if (memory && bitmap) {
      HGDIOBJ previous = system.SelectObject(memory, bitmap);
      DcCanvas canvas(system, memory);
      paintPanel(*plugin.get(), panel, canvas);
      system.BitBlt(dc, 0, 0, layout::kPanelWidth, layout::kPanelHeight, memory, 0, 0, kSrcCopy);
      system.SelectObject(memory, previous);
    }
    if (bitmap) system.DeleteObject(bitmap);
    if (memory) system.DeleteDC(memory);
  }
  system.EndPaint(target, &paint);
}

LRESULT editorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& system = windowSystem();
  if (message == kWmNcCreate) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    system.SetWindowLongPtrW(window, kGwlpUserData, reinterpret_cast<LONG_PTR>(create ? create->lpCreateParams : nullptr));
    return system.DefWindowProcW(window, message, wParam, lParam);
  }
  auto* view = reinterpret_cast<View*>(system.GetWindowLongPtrW(window, kGwlpUserData));
  if (!view) return system.DefWindowProcW(window, message, wParam, lParam);
  EditorContext context{*view->plugin.get(), view->panel, system, window};
  switch (message) {
    case kWmPaint:
      view->paintWindow(window);
      return 0;
    case kWmEraseBkgnd:
      return 1;
    case kWmNcDestroy:
      if (view->window == window) view->window = nullptr;
      system.SetWindowLongPtrW(window, kGwlpUserData, 0);
      return system.DefWindowProcW(window, message, wParam, lParam);
    case kWmTimer:
      system.InvalidateRect(window, nullptr, 0);
      return 0;
    case kWmMouseMove:
      if (wParam & kMkLButton) onDrag(context, pointX(lParam), pointY(lParam));
      return 0;
    case kWmLButtonDown:
      onMouseDown(context, pointX(lParam), pointY(lParam));
      return 0;
    case kWmLButtonUp:
      endDrag(view->panel);
      system.ReleaseCapture();
      return 0;
    case kWmCaptureChanged:
      endDrag(view->panel);
      return 0;
    case kWmPrintClient: {
      DcCanvas canvas(system, reinterpret_cast<HDC>(wParam));
      paintPanel(*view->plugin.get(), view->panel, canvas);
      return 0;
    }
    case kDestroyEditorMessage:
      system.KillTimer(window, kRepaintTimerId);
      if (system.DestroyWindow(window)) return 1;
      if (wParam == 1) system.SetWindowLongPtrW(window, kGwlpUserData, 0);
      return 0;
    default:
      return system.DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

std::int32_t editorClassUserCount() {
  std::lock_guard lock(editorClassLock);
  return editorClassUsers;
}

WNDPROC editorWindowProcedure() noexcept { return editorWindowProc; }

Steinberg::IPlugView* createEditorView(UtilityPlugin& plugin) { return new View(plugin); }

}  // namespace varnolith::plugins
