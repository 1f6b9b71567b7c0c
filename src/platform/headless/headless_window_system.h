// HeadlessWindowSystem: windows, messages, timers, capture, dialogs and drawing simulated in
// process, for Linux builds and tests. Painting goes into Cairo image surfaces (text through Pango,
// "Liberation Sans" standing in for "Segoe UI"); tests drive and inspect it through the controls
// below.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace varnolith::platform::headless {

// One message box as it was shown.
struct MessageBoxRecord {
  HWND owner = nullptr;
  bool wide = false;    // MessageBoxW (true) or MessageBoxA (false)
  std::string caption;  // UTF-8 (converted for MessageBoxW, the bytes as given for MessageBoxA)
  std::string text;
  UINT type = 0;  // buttons and icon flags
};

// One file dialog as it was opened.
struct FileDialogRecord {
  bool save = false;  // GetSaveFileNameW (true) or GetOpenFileNameW
  HWND owner = nullptr;
  std::vector<std::u16string> filter;  // the filter strings in order (description, pattern, ...)
  std::u16string defaultExtension;
  DWORD flags = 0;
  DWORD capacity = 0;             // nMaxFile
  bool bufferAllZero = false;     // every unit of lpstrFile[0 .. nMaxFile) was zero
  bool hasTitle = false;          // lpstrTitle was set
  bool hasInitialDirectory = false;
};

// What the next file dialog does.
struct FileDialogAnswer {
  enum class Kind { Choose, Cancel, Fail };
  Kind kind = Kind::Cancel;
  std::u16string path;  // for Choose
};

// One DrawTextW call.
struct DrawnText {
  HWND window = nullptr;  // the window whose context (or a context compatible with it) was used
  std::u16string text;
  RECT rect;
  COLORREF colour = 0;
  int height = 0;  // font height as passed to CreateFontW
  int weight = 0;
  std::u16string face;
  UINT format = 0;
};

// Failures the lifecycle tests inject.
struct Faults {
  bool moduleLookupFails = false;    // GetModuleHandleExW
  bool registerClassFails = false;   // RegisterClassW, with an error other than "already exists"
  bool createWindowFails = false;    // CreateWindowExW
  bool unregisterClassFails = false; // UnregisterClassW
};

class HeadlessWindowSystem final : public WindowSystem {
 public:
  HeadlessWindowSystem();
  ~HeadlessWindowSystem() override;

  BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) override;
  ATOM RegisterClassW(const WNDCLASSW* wc) override;
  BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc) override;
  BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) override;
  DWORD GetLastError() override;
  HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) override;
  HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                       int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) override;
  BOOL DestroyWindow(HWND window) override;
  BOOL IsWindow(HWND window) override;
  LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) override;
  LONG_PTR GetWindowLongPtrW(HWND window, int index) override;
  DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) override;
  DWORD GetCurrentThreadId() override;
  LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
  UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) override;
  BOOL KillTimer(HWND window, UINT_PTR id) override;
  BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) override;
  HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override;
  BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) override;
  HWND SetCapture(HWND window) override;
  BOOL ReleaseCapture() override;
  HDC CreateCompatibleDC(HDC dc) override;
  HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) override;
  HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) override;
  BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
              DWORD rop) override;
  BOOL DeleteObject(HGDIOBJ object) override;
  BOOL DeleteDC(HDC dc) override;
  HBRUSH CreateSolidBrush(COLORREF colour) override;
  int FillRect(HDC dc, const RECT* rect, HBRUSH brush) override;
  HPEN CreatePen(int style, int width, COLORREF colour) override;
  BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) override;
  BOOL LineTo(HDC dc, int x, int y) override;
  HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                    DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                    DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) override;
  int SetBkMode(HDC dc, int mode) override;
  COLORREF SetTextColor(HDC dc, COLORREF colour) override;
  int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) override;
  int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) override;
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) override;
  BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) override;

  // --- Controls for tests and tools; all [any-thread] unless noted ---

  // [window-thread] A top-level window of the given client size, owned by the calling thread,
  // standing in for the host's plug-in window.
  HWND createHostWindow(int width, int height);
  // Queues a message for the window's thread; it is handled by that thread's next pump.
  BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Posts a mouse message as the system would route it: to the capturing window of the window's
  // thread if there is one, else to the window when (x, y) lies in its client area; false when no
  // window takes it.
  bool postMouse(HWND window, UINT message, int x, int y, WPARAM keys);
  // [window-thread] Handles the calling thread's pending sent and posted messages, then sends
  // WM_PAINT to each of its windows that needs painting; returns the number of messages handled.
  int pump();
  // [window-thread] Pumps until done() is true or the timeout passed, waiting for new messages in
  // between; returns done().
  bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  // Advances the clock of every timer; a timer that came due posts one WM_TIMER (never more than
  // one pending per timer, as the system coalesces them).
  void advanceTime(UINT milliseconds);
  // The interval of a running timer, 0 when there is none.
  UINT timerInterval(HWND window, UINT_PTR id);
  // Whether the window has an invalid region waiting for WM_PAINT.
  bool needsPaint(HWND window);
  // Number of BeginPaint calls the window has seen.
  int paintCount(HWND window);
  // The calling thread's capture window.
  HWND captureWindow();
  std::vector<HWND> children(HWND parent);
  std::size_t windowCount();
  // Brushes, pens, fonts, bitmaps and device contexts alive (stock objects not counted).
  std::size_t drawingObjectCount();
  bool classRegistered(LPCWSTR className, HINSTANCE instance);

  void setFaults(const Faults& faults);
  // A window that refuses DestroyWindow while `refuse` is set.
  void refuseDestroy(HWND window, bool refuse);
  void queueMessageBoxAnswer(int answer);
  std::vector<MessageBoxRecord> messageBoxes();
  // Queued answers are used in order; without one a dialog is cancelled.
  void queueFileDialog(FileDialogAnswer answer);
  std::vector<FileDialogRecord> fileDialogs();
  std::vector<DrawnText> drawnTexts();
  // Clears faults, queued answers and every record (message boxes, dialogs, drawn texts).
  void reset();

  // The window's pixel as (r, g, b) in a COLORREF; 0 outside.
  COLORREF pixel(HWND window, int x, int y);
  // Writes the window's surface as a PNG file; false on failure.
  bool savePng(HWND window, const std::string& path);
  // [any-thread] Writes the bitmap selected into a memory context as a PNG file.
  bool saveContextPng(HDC dc, const std::string& path);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// [any-thread] The process's headless window system (the same object as platform::windowSystem()).
HeadlessWindowSystem& instance();

}  // namespace varnolith::platform::headless
