// Headless windows, classes, messages, timers, capture, message boxes and file dialogs.
#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/constants.h"
#include "platform/headless/headless_state.h"
#include "vst3/string16.h"

// Fontconfig keeps a few allocations of its configuration for the life of the process, which the
// leak checker of sanitizer builds would otherwise report at exit.
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
// Pango loads the font configuration on a thread of its own and hands it over through GLib's
// futex-based locks, which the race detector cannot see.
#if defined(__SANITIZE_THREAD__)
extern "C" __attribute__((visibility("default"))) const char* __tsan_default_suppressions() {
  return "race:libfontconfig.so\nrace:libglib-2.0.so\nrace:libpango-1.0.so\nrace:libpangoft2-1.0.so\n";
}
#endif

namespace varnolith::platform {

WindowSystem& windowSystem() { return headless::instance(); }

}  // namespace varnolith::platform

namespace varnolith::platform::headless {

namespace {

constexpr DWORD kErrorNotEnoughMemory = 8;
constexpr DWORD kErrorInvalidParameter = 87;
constexpr DWORD kErrorModuleNotFound = 126;
constexpr DWORD kErrorInvalidWindowHandleLocal = 1400;
constexpr DWORD kErrorTlwWithWsChild = 1406;
constexpr DWORD kErrorCannotFindWndClass = 1407;
constexpr char16_t kHostClassName[] = u"VarnolithHeadlessHost";
// The module handle of the host windows' class: an address that lies in no loaded module's header.
const char kHostModuleTag = 0;

std::atomic<DWORD> threadCounter{0};
thread_local DWORD threadId = 0;
thread_local DWORD lastError = 0;

LRESULT hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return instance().DefWindowProcW(window, message, wParam, lParam);
}

std::u16string toString(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

}  // namespace

DWORD currentThreadId() {
  if (threadId == 0) threadId = ++threadCounter;
  return threadId;
}

void setLastError(DWORD error) { lastError = error; }

HeadlessWindowSystem& instance() {
  // Never destroyed: views released during static destruction may still reach it.
  static HeadlessWindowSystem* const system = new HeadlessWindowSystem();
  return *system;
}

// --- Internal helpers on the state ---

namespace {

using State = HeadlessWindowSystem::State;

const ClassEntry* findClass(State& s, const std::u16string& name, HINSTANCE instance) {
  for (const ClassEntry& entry : s.classes) {
    if (entry.name == name && entry.wc.hInstance == instance) return &entry;
  }
  for (const ClassEntry& entry : s.classes) {
    if (entry.name == name && (entry.wc.style & kCsGlobalClass)) return &entry;
  }
  return nullptr;
}

LRESULT callProc(State& s, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard lock(s.mutex);
    if (Window* w = s.findWindow(window)) proc = w->proc;
  }
  return proc ? proc(window, message, wParam, lParam) : 0;
}

// Runs a call on another thread and waits, serving calls sent to this thread meanwhile.
LRESULT runOn(State& s, DWORD owner, std::function<LRESULT()> run) {
  auto call = std::make_shared<CrossCall>();
  call->run = std::move(run);
  const DWORD me = currentThreadId();
  std::unique_lock lock(s.mutex);
  s.queues[owner].calls.push_back(call);
  s.changed.notify_all();
  while (!call->done) {
    Queue& mine = s.queues[me];
    if (!mine.calls.empty()) {
      std::shared_ptr<CrossCall> incoming = mine.calls.front();
      mine.calls.pop_front();
      lock.unlock();
      const LRESULT result = incoming->run();
      lock.lock();
      incoming->result = result;
      incoming->done = true;
      s.changed.notify_all();
      continue;
    }
    s.changed.wait(lock);
  }
  return call->result;
}

void destroyTree(State& s, HWND window) {
  {
    std::lock_guard lock(s.mutex);
    Window* w = s.findWindow(window);
    if (!w || w->destroying) return;
    w->destroying = true;
  }
  callProc(s, window, kWmDestroy, 0, 0);
  std::vector<std::pair<HWND, DWORD>> children;
  {
    std::lock_guard lock(s.mutex);
    for (auto& [handle, w] : s.windows) {
      if (w.parent == window) children.emplace_back(reinterpret_cast<HWND>(handle), w.thread);
    }
  }
  for (auto [child, owner] : children) {
    if (owner == currentThreadId()) {
      destroyTree(s, child);
    } else {
      runOn(s, owner, [&s, child = child] {
        destroyTree(s, child);
        return LRESULT{0};
      });
    }
  }
  {
    std::lock_guard lock(s.mutex);
    for (auto it = s.capture.begin(); it != s.capture.end();) {
      it = it->second == window ? s.capture.erase(it) : std::next(it);
    }
  }
  callProc(s, window, kWmNcDestroy, 0, 0);
  std::lock_guard lock(s.mutex);
  auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(window));
  if (it != s.windows.end()) {
    cairo_surface_destroy(it->second.surface);
    s.windows.erase(it);
  }
}

BOOL showFileDialog(State& s, OPENFILENAMEW* ofn, bool save) {
  if (!ofn) {
    setLastError(kErrorInvalidParameter);
    return 0;
  }
  FileDialogRecord record;
  record.save = save;
  record.owner = ofn->hwndOwner;
  for (const char16_t* p = ofn->lpstrFilter; p && *p;) {
    std::u16string part(p);
    p += part.size() + 1;
    record.filter.push_back(std::move(part));
  }
  record.defaultExtension = toString(ofn->lpstrDefExt);
  record.flags = ofn->Flags;
  record.capacity = ofn->nMaxFile;
  record.bufferAllZero =
      ofn->lpstrFile && std::all_of(ofn->lpstrFile, ofn->lpstrFile + ofn->nMaxFile, [](char16_t c) { return c == 0; });
  record.hasTitle = ofn->lpstrTitle != nullptr;
  record.hasInitialDirectory = ofn->lpstrInitialDir != nullptr;
  FileDialogAnswer answer;
  {
    std::lock_guard lock(s.mutex);
    s.fileDialogs.push_back(record);
    if (!s.fileDialogAnswers.empty()) {
      answer = s.fileDialogAnswers.front();
      s.fileDialogAnswers.pop_front();
    }
  }
  if (answer.kind != FileDialogAnswer::Kind::Choose) return 0;
  if (!ofn->lpstrFile || answer.path.size() + 1 > ofn->nMaxFile) return 0;  // buffer too small
  std::copy(answer.path.begin(), answer.path.end(), ofn->lpstrFile);
  ofn->lpstrFile[answer.path.size()] = 0;
  return 1;
}

}  // namespace

HeadlessWindowSystem::HeadlessWindowSystem() : state_(std::make_unique<State>()) {
  State& s = *state_;
  DrawingObject brush{ObjectKind::Brush, true, rgb(255, 255, 255)};
  DrawingObject pen{ObjectKind::Pen, true, rgb(0, 0, 0)};
  DrawingObject font{ObjectKind::Font, true};
  font.height = -13;
  font.face = u"System";
  DrawingObject bitmap{ObjectKind::Bitmap, true};
  s.stockBrush = s.addObject(brush);
  s.stockPen = s.addObject(pen);
  s.stockFont = s.addObject(font);
  s.stockBitmap = s.addObject(bitmap);
  s.fontMap = pango_cairo_font_map_new();
}

HeadlessWindowSystem::~HeadlessWindowSystem() {
  for (auto& [handle, w] : state_->windows) cairo_surface_destroy(w.surface);
  for (auto& [handle, o] : state_->objects) {
    if (o.surface) cairo_surface_destroy(o.surface);
  }
  g_object_unref(state_->fontMap);
}

// --- Modules and classes ---

BOOL HeadlessWindowSystem::GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) {
  if (!module) {
    setLastError(kErrorInvalidParameter);
    return 0;
  }
  *module = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (state_->faults.moduleLookupFails) {
      setLastError(kErrorModuleNotFound);
      return 0;
    }
  }
  if (!(flags & kGetModuleHandleExFlagFromAddress)) {  // lookups by name are not simulated
    setLastError(kErrorModuleNotFound);
    return 0;
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<const void*>(moduleName), &info) == 0 || !info.dli_fbase) {
    setLastError(kErrorModuleNotFound);
    return 0;
  }
  *module = static_cast<HMODULE>(info.dli_fbase);
  return 1;
}

ATOM HeadlessWindowSystem::RegisterClassW(const WNDCLASSW* wc) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  if (s.faults.registerClassFails) {
    setLastError(kErrorNotEnoughMemory);
    return 0;
  }
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
    setLastError(kErrorInvalidParameter);
    return 0;
  }
  const std::u16string name(wc->lpszClassName);
  for (const ClassEntry& entry : s.classes) {
    if (entry.name == name && (entry.wc.hInstance == wc->hInstance || (entry.wc.style & kCsGlobalClass))) {
      setLastError(kErrorClassAlreadyExists);
      return 0;
    }
  }
  ClassEntry entry{name, *wc};
  entry.wc.lpszClassName = nullptr;
  entry.wc.lpszMenuName = nullptr;
  s.classes.push_back(entry);
  return static_cast<ATOM>(0xC000 + s.classes.size());
}

BOOL HeadlessWindowSystem::GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc) {
  std::lock_guard lock(state_->mutex);
  const ClassEntry* entry = className ? findClass(*state_, className, instance) : nullptr;
  if (!entry || !wc) {
    setLastError(kErrorClassDoesNotExist);
    return 0;
  }
  *wc = entry->wc;
  wc->lpszClassName = className;
  return 1;
}

BOOL HeadlessWindowSystem::UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
  State& s = *state_;
  std::lock_guard lock(s.mutex);
  if (s.faults.unregisterClassFails) {
    setLastError(kErrorAccessDenied);
    return 0;
  }
  const std::u16string name = toString(className);
  auto it = std::find_if(s.classes.begin(), s.classes.end(),
                         [&](const ClassEntry& e) { return e.name == name && e.wc.hInstance == instance; });
  if (it == s.classes.end()) {
    setLastError(kErrorClassDoesNotExist);
    return 0;
  }
  for (const auto& [handle, w] : s.windows) {
    if (w.className == name && w.classInstance == instance) {
      setLastError(kErrorClassHasWindows);
      return 0;
    }
  }
  s.classes.erase(it);
  return 1;
}

DWORD HeadlessWindowSystem::GetLastError() { return lastError; }

HCURSOR HeadlessWindowSystem::LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
  if (instance != nullptr || cursorName != kIdcArrow) return nullptr;
  static const char arrowCursor = 0;
  return reinterpret_cast<HCURSOR>(const_cast<char*>(&arrowCursor));
}

// --- Windows ---

HWND HeadlessWindowSystem::CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style,
                                           int x, int y, int width, int height, HWND parent, HMENU menu,
                                           HINSTANCE instance, void* param) {
  State& s = *state_;
  HWND window = nullptr;
  {
    std::lock_guard lock(s.mutex);
    if (s.faults.createWindowFails) {
      setLastError(kErrorNotEnoughMemory);
      return nullptr;
    }
    const ClassEntry* entry = className ? findClass(s, className, instance) : nullptr;
    if (!entry) {
      setLastError(kErrorCannotFindWndClass);
      return nullptr;
    }
    if ((style & kWsChild) && !s.findWindow(parent)) {
      setLastError(kErrorTlwWithWsChild);
      return nullptr;
    }
    Window w;
    w.className = entry->name;
    w.classInstance = entry->wc.hInstance;
    w.proc = entry->wc.lpfnWndProc;
    w.parent = parent;
    w.thread = currentThreadId();
    w.width = width;
    w.height = height;
    w.style = style;
    w.invalid = (style & kWsVisible) != 0;  // a window that is shown starts with an invalid client area
    w.erase = w.invalid;
    w.surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, std::max(width, 1), std::max(height, 1));
    const std::uintptr_t handle = s.allocateHandle();
    s.windows.emplace(handle, w);
    window = reinterpret_cast<HWND>(handle);
  }
  CREATESTRUCTW create{param,  instance, menu,   parent, height,     width,
                       y,      x,        static_cast<std::int32_t>(style), windowName, className, exStyle};
  if (callProc(s, window, kWmNcCreate, 0, reinterpret_cast<LPARAM>(&create)) == 0) {
    callProc(s, window, kWmNcDestroy, 0, 0);
    std::lock_guard lock(s.mutex);
    auto it = s.windows.find(reinterpret_cast<std::uintptr_t>(window));
    cairo_surface_destroy(it->second.surface);
    s.windows.erase(it);
    return nullptr;
  }
  if (callProc(s, window, kWmCreate, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    destroyTree(s, window);
    return nullptr;
  }
  return window;
}

BOOL HeadlessWindowSystem::DestroyWindow(HWND window) {
  {
    std::lock_guard lock(state_->mutex);
    Window* w = state_->findWindow(window);
    if (!w) {
      setLastError(kErrorInvalidWindowHandleLocal);
      return 0;
    }
    if (w->thread != currentThreadId() || w->refuseDestroy) {
      setLastError(kErrorAccessDenied);
      return 0;
    }
  }
  destroyTree(*state_, window);
  return 1;
}

BOOL HeadlessWindowSystem::IsWindow(HWND window) {
  std::lock_guard lock(state_->mutex);
  return state_->findWindow(window) ? 1 : 0;
}

LONG_PTR HeadlessWindowSystem::SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w || index != kGwlpUserData) {
    setLastError(w ? kErrorInvalidParameter : kErrorInvalidWindowHandleLocal);
    return 0;
  }
  return std::exchange(w->userData, value);
}

LONG_PTR HeadlessWindowSystem::GetWindowLongPtrW(HWND window, int index) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w || index != kGwlpUserData) {
    setLastError(w ? kErrorInvalidParameter : kErrorInvalidWindowHandleLocal);
    return 0;
  }
  return w->userData;
}

DWORD HeadlessWindowSystem::GetWindowThreadProcessId(HWND window, DWORD* processId) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w) return 0;
  if (processId) *processId = static_cast<DWORD>(getpid());
  return w->thread;
}

DWORD HeadlessWindowSystem::GetCurrentThreadId() { return currentThreadId(); }

LRESULT HeadlessWindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  State& s = *state_;
  DWORD owner = 0;
  {
    std::lock_guard lock(s.mutex);
    Window* w = s.findWindow(window);
    if (!w) {
      setLastError(kErrorInvalidWindowHandleLocal);
      return 0;
    }
    owner = w->thread;
  }
  if (owner == currentThreadId()) return callProc(s, window, message, wParam, lParam);
  return runOn(s, owner, [&s, window, message, wParam, lParam] { return callProc(s, window, message, wParam, lParam); });
}

LRESULT HeadlessWindowSystem::DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM) {
  switch (message) {
    case kWmNcCreate:
      return 1;
    case kWmPaint: {
      PAINTSTRUCT paint;
      BeginPaint(window, &paint);
      EndPaint(window, &paint);
      return 0;
    }
    default:
      return 0;
  }
}

// --- Timers, repaint and capture ---

UINT_PTR HeadlessWindowSystem::SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w || callback || id == 0) {
    setLastError(w ? kErrorInvalidParameter : kErrorInvalidWindowHandleLocal);
    return 0;
  }
  Timer& timer = w->timers[id];
  timer.interval = std::max<UINT>(elapse, 10);
  timer.elapsed = 0;
  return id;
}

BOOL HeadlessWindowSystem::KillTimer(HWND window, UINT_PTR id) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w || w->timers.erase(id) == 0) {
    setLastError(kErrorInvalidParameter);
    return 0;
  }
  return 1;
}

BOOL HeadlessWindowSystem::InvalidateRect(HWND window, const RECT*, BOOL erase) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w) {
    setLastError(kErrorInvalidWindowHandleLocal);
    return 0;
  }
  w->invalid = true;
  w->erase = w->erase || erase != 0;
  state_->changed.notify_all();
  return 1;
}

HDC HeadlessWindowSystem::BeginPaint(HWND window, PAINTSTRUCT* paint) {
  State& s = *state_;
  HDC dc = nullptr;
  bool erase = false;
  RECT client;
  {
    std::lock_guard lock(s.mutex);
    Window* w = s.findWindow(window);
    if (!w || !paint) return nullptr;
    erase = w->erase;
    w->invalid = false;
    w->erase = false;
    ++w->paints;
    client = RECT{0, 0, w->width, w->height};
    Context context;
    context.window = window;
    context.target = w->surface;
    dc = s.addContext(context);
  }
  paint->hdc = dc;
  paint->rcPaint = client;
  paint->fErase = 0;
  if (erase) paint->fErase = callProc(s, window, kWmEraseBkgnd, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL HeadlessWindowSystem::EndPaint(HWND, const PAINTSTRUCT* paint) {
  if (!paint) return 0;
  std::lock_guard lock(state_->mutex);
  state_->removeContext(paint->hdc);
  return 1;
}

HWND HeadlessWindowSystem::SetCapture(HWND window) {
  HWND previous = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    if (!state_->findWindow(window)) return nullptr;
    HWND& slot = state_->capture[currentThreadId()];
    previous = std::exchange(slot, window);
  }
  if (previous && previous != window) {
    SendMessageW(previous, kWmCaptureChanged, 0, reinterpret_cast<LPARAM>(window));
  }
  return previous;
}

BOOL HeadlessWindowSystem::ReleaseCapture() {
  HWND previous = nullptr;
  {
    std::lock_guard lock(state_->mutex);
    auto it = state_->capture.find(currentThreadId());
    if (it != state_->capture.end()) {
      previous = it->second;
      state_->capture.erase(it);
    }
  }
  if (previous) SendMessageW(previous, kWmCaptureChanged, 0, 0);
  return 1;
}

// --- Message boxes and dialogs ---

int HeadlessWindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  MessageBoxRecord record{owner, true, Steinberg::utf16ToUtf8(toString(caption)),
                          Steinberg::utf16ToUtf8(toString(text)), type};
  std::lock_guard lock(state_->mutex);
  state_->messageBoxes.push_back(record);
  if (state_->messageBoxAnswers.empty()) return kIdOk;
  const int answer = state_->messageBoxAnswers.front();
  state_->messageBoxAnswers.pop_front();
  return answer;
}

int HeadlessWindowSystem::MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  MessageBoxRecord record{owner, false, caption ? caption : "", text ? text : "", type};
  std::lock_guard lock(state_->mutex);
  state_->messageBoxes.push_back(record);
  if (state_->messageBoxAnswers.empty()) return kIdOk;
  const int answer = state_->messageBoxAnswers.front();
  state_->messageBoxAnswers.pop_front();
  return answer;
}

BOOL HeadlessWindowSystem::GetOpenFileNameW(OPENFILENAMEW* ofn) { return showFileDialog(*state_, ofn, false); }

BOOL HeadlessWindowSystem::GetSaveFileNameW(OPENFILENAMEW* ofn) { return showFileDialog(*state_, ofn, true); }

// --- Test controls ---

HWND HeadlessWindowSystem::createHostWindow(int width, int height) {
  const auto module = reinterpret_cast<HINSTANCE>(const_cast<char*>(&kHostModuleTag));
  WNDCLASSW wc;
  wc.style = kCsGlobalClass;
  wc.lpfnWndProc = hostWindowProc;
  wc.hInstance = module;
  wc.lpszClassName = kHostClassName;
  RegisterClassW(&wc);  // already there after the first host window: fine
  return CreateWindowExW(0, kHostClassName, u"Host", kWsOverlappedWindow | kWsVisible, 0, 0, width, height, nullptr,
                         nullptr, module, nullptr);
}

BOOL HeadlessWindowSystem::PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w) return 0;
  state_->queues[w->thread].posted.push_back({window, message, wParam, lParam});
  state_->changed.notify_all();
  return 1;
}

bool HeadlessWindowSystem::postMouse(HWND window, UINT message, int x, int y, WPARAM keys) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w) return false;
  HWND target = nullptr;
  auto captured = state_->capture.find(w->thread);
  if (captured != state_->capture.end() && state_->findWindow(captured->second)) {
    target = captured->second;
  } else if (x >= 0 && y >= 0 && x < w->width && y < w->height) {
    target = window;
  } else {
    return false;
  }
  state_->queues[w->thread].posted.push_back({target, message, keys, makePointParam(x, y)});
  state_->changed.notify_all();
  return true;
}

int HeadlessWindowSystem::pump() {
  State& s = *state_;
  const DWORD me = currentThreadId();
  int handled = 0;
  for (;;) {
    std::unique_lock lock(s.mutex);
    Queue& queue = s.queues[me];
    if (!queue.calls.empty()) {
      std::shared_ptr<CrossCall> call = queue.calls.front();
      queue.calls.pop_front();
      lock.unlock();
      const LRESULT result = call->run();
      lock.lock();
      call->result = result;
      call->done = true;
      s.changed.notify_all();
      ++handled;
      continue;
    }
    if (!queue.posted.empty()) {
      const Posted posted = queue.posted.front();
      queue.posted.pop_front();
      Window* w = s.findWindow(posted.window);
      if (!w) continue;  // the window went away after the message was posted
      if (posted.message == kWmTimer) {
        auto timer = w->timers.find(posted.wParam);
        if (timer != w->timers.end()) timer->second.pending = false;
      }
      lock.unlock();
      callProc(s, posted.window, posted.message, posted.wParam, posted.lParam);
      ++handled;
      continue;
    }
    break;
  }
  std::vector<HWND> dirty;
  {
    std::lock_guard lock(s.mutex);
    for (auto& [handle, w] : s.windows) {
      if (w.thread == me && w.invalid) dirty.push_back(reinterpret_cast<HWND>(handle));
    }
  }
  for (HWND window : dirty) {
    callProc(s, window, kWmPaint, 0, 0);
    ++handled;
  }
  return handled;
}

bool HeadlessWindowSystem::pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    pump();
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::unique_lock lock(state_->mutex);
    state_->changed.wait_for(lock, std::chrono::milliseconds(5));
  }
}

void HeadlessWindowSystem::advanceTime(UINT milliseconds) {
  std::lock_guard lock(state_->mutex);
  for (auto& [handle, w] : state_->windows) {
    for (auto& [id, timer] : w.timers) {
      timer.elapsed += milliseconds;
      if (timer.elapsed < timer.interval) continue;
      timer.elapsed %= timer.interval;
      if (timer.pending) continue;
      timer.pending = true;
      state_->queues[w.thread].posted.push_back({reinterpret_cast<HWND>(handle), kWmTimer, id, 0});
    }
  }
  state_->changed.notify_all();
}

UINT HeadlessWindowSystem::timerInterval(HWND window, UINT_PTR id) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  if (!w) return 0;
  auto it = w->timers.find(id);
  return it == w->timers.end() ? 0 : it->second.interval;
}

bool HeadlessWindowSystem::needsPaint(HWND window) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  return w && w->invalid;
}

int HeadlessWindowSystem::paintCount(HWND window) {
  std::lock_guard lock(state_->mutex);
  Window* w = state_->findWindow(window);
  return w ? w->paints : 0;
}

HWND HeadlessWindowSystem::captureWindow() {
  std::lock_guard lock(state_->mutex);
  auto it = state_->capture.find(currentThreadId());
  return it == state_->capture.end() ? nullptr : it->second;
}

std::vector<HWND> HeadlessWindowSystem::children(HWND parent) {
  std::lock_guard lock(state_->mutex);
  std::vector<HWND> result;
  for (auto& [handle, w] : state_->windows) {
    if (w.parent == parent) result.push_back(reinterpret_cast<HWND>(handle));
  }
  return result;
}

std::size_t HeadlessWindowSystem::windowCount() {
  std::lock_guard lock(state_->mutex);
  return state_->windows.size();
}

std::size_t HeadlessWindowSystem::drawingObjectCount() {
  std::lock_guard lock(state_->mutex);
  std::size_t count = state_->contexts.size();
  for (auto& [handle, o] : state_->objects) count += o.stock ? 0 : 1;
  return count;
}

bool HeadlessWindowSystem::classRegistered(LPCWSTR className, HINSTANCE instance) {
  std::lock_guard lock(state_->mutex);
  const std::u16string name = toString(className);
  return std::any_of(state_->classes.begin(), state_->classes.end(),
                     [&](const ClassEntry& e) { return e.name == name && e.wc.hInstance == instance; });
}

void HeadlessWindowSystem::setFaults(const Faults& faults) {
  std::lock_guard lock(state_->mutex);
  state_->faults = faults;
}

void HeadlessWindowSystem::refuseDestroy(HWND window, bool refuse) {
  std::lock_guard lock(state_->mutex);
  if (Window* w = state_->findWindow(window)) w->refuseDestroy = refuse;
}

void HeadlessWindowSystem::queueMessageBoxAnswer(int answer) {
  std::lock_guard lock(state_->mutex);
  state_->messageBoxAnswers.push_back(answer);
}

std::vector<MessageBoxRecord> HeadlessWindowSystem::messageBoxes() {
  std::lock_guard lock(state_->mutex);
  return state_->messageBoxes;
}

void HeadlessWindowSystem::queueFileDialog(FileDialogAnswer answer) {
  std::lock_guard lock(state_->mutex);
  state_->fileDialogAnswers.push_back(std::move(answer));
}

std::vector<FileDialogRecord> HeadlessWindowSystem::fileDialogs() {
  std::lock_guard lock(state_->mutex);
  return state_->fileDialogs;
}

std::vector<DrawnText> HeadlessWindowSystem::drawnTexts() {
  std::lock_guard lock(state_->mutex);
  return state_->drawnTexts;
}

void HeadlessWindowSystem::reset() {
  std::lock_guard lock(state_->mutex);
  state_->faults = Faults{};
  state_->messageBoxAnswers.clear();
  state_->messageBoxes.clear();
  state_->fileDialogAnswers.clear();
  state_->fileDialogs.clear();
  state_->drawnTexts.clear();
}

}  // namespace varnolith::platform::headless
