// Shared state of the headless window system; internal to its two source files.
#pragma once

#include <cairo.h>
#include <pango/pangocairo.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/headless/headless_window_system.h"

namespace varnolith::platform::headless {

struct Timer {
  UINT interval = 0;
  UINT elapsed = 0;
  bool pending = false;  // a WM_TIMER is queued and not yet handled
};

struct Window {
  std::u16string className;
  HINSTANCE classInstance = nullptr;
  WNDPROC proc = nullptr;
  HWND parent = nullptr;
  DWORD thread = 0;
  LONG_PTR userData = 0;
  int width = 0;
  int height = 0;
  DWORD style = 0;
  bool invalid = false;
  bool erase = false;
  bool refuseDestroy = false;
  bool destroying = false;
  int paints = 0;
  std::map<UINT_PTR, Timer> timers;
  cairo_surface_t* surface = nullptr;  // the window's pixels
};

struct ClassEntry {
  std::u16string name;
  WNDCLASSW wc;
};

// A call run on a window's thread on behalf of another thread (a sent message).
struct CrossCall {
  std::function<LRESULT()> run;
  LRESULT result = 0;
  bool done = false;
};

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct Queue {
  std::deque<std::shared_ptr<CrossCall>> calls;
  std::deque<Posted> posted;
};

enum class ObjectKind { Brush, Pen, Font, Bitmap };

struct DrawingObject {
  ObjectKind kind = ObjectKind::Brush;
  bool stock = false;
  COLORREF colour = 0;
  int width = 1;  // pen width
  int height = 0;  // font
  int weight = 400;
  std::u16string face;
  cairo_surface_t* surface = nullptr;  // bitmap
  HDC selectedInto = nullptr;
};

struct Context {
  HWND window = nullptr;               // owning window (window context) or the source's window
  bool memory = false;
  cairo_surface_t* target = nullptr;   // window surface or selected bitmap; null draws nothing
  HGDIOBJ brush = nullptr;
  HGDIOBJ pen = nullptr;
  HGDIOBJ font = nullptr;
  HGDIOBJ bitmap = nullptr;
  POINT position;
  COLORREF textColour = 0;
  int bkMode = 2;  // OPAQUE
};

struct HeadlessWindowSystem::State {
  std::mutex mutex;
  std::condition_variable changed;  // any queue received something or a call completed
  std::uintptr_t nextHandle = 0x1000;
  std::map<std::uintptr_t, Window> windows;
  std::vector<ClassEntry> classes;
  std::map<DWORD, Queue> queues;
  std::map<DWORD, HWND> capture;
  std::map<std::uintptr_t, DrawingObject> objects;
  std::map<std::uintptr_t, Context> contexts;
  HGDIOBJ stockBrush = nullptr;
  HGDIOBJ stockPen = nullptr;
  HGDIOBJ stockFont = nullptr;
  HGDIOBJ stockBitmap = nullptr;
  Faults faults;
  std::deque<int> messageBoxAnswers;
  std::vector<MessageBoxRecord> messageBoxes;
  std::deque<FileDialogAnswer> fileDialogAnswers;
  std::vector<FileDialogRecord> fileDialogs;
  std::vector<DrawnText> drawnTexts;
  PangoFontMap* fontMap = nullptr;  // used under the mutex only

  std::uintptr_t allocateHandle() { return nextHandle += 0x10; }
  Window* findWindow(HWND window) {
    auto it = windows.find(reinterpret_cast<std::uintptr_t>(window));
    return it == windows.end() ? nullptr : &it->second;
  }
  Context* findContext(HDC dc) {
    auto it = contexts.find(reinterpret_cast<std::uintptr_t>(dc));
    return it == contexts.end() ? nullptr : &it->second;
  }
  DrawingObject* findObject(HGDIOBJ object) {
    auto it = objects.find(reinterpret_cast<std::uintptr_t>(object));
    return it == objects.end() ? nullptr : &it->second;
  }
  HGDIOBJ addObject(DrawingObject object) {
    const std::uintptr_t handle = allocateHandle();
    objects.emplace(handle, std::move(object));
    return reinterpret_cast<HGDIOBJ>(handle);
  }
  HDC addContext(Context context);
  void removeContext(HDC dc);
};

// [any-thread] The calling thread's identifier in the headless system (1, 2, ... in order of first use).
DWORD currentThreadId();
// [any-thread] Sets the calling thread's last error.
void setLastError(DWORD error);
// [any-thread] The face that stands in for a Windows face name.
std::string substituteFace(const std::u16string& face);

}  // namespace varnolith::platform::headless
