// WindowSystem: the window, drawing and dialog operations of the editor, one virtual per Win32
// function of the same name and signature shape. A Win32 implementation forwards each call to
// user32/gdi32/comdlg32; the headless implementation simulates them in process.
#pragma once

#include "platform/types.h"

namespace varnolith::platform {

// Unless a line says otherwise, an operation is [main-thread] in the Win32 sense: call it on the
// thread that owns the window or device context it names, and never from the audio thread (every
// one of them may lock, allocate or block).
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // --- Modules and classes ---
  // [any-thread] With kGetModuleHandleExFlagFromAddress the module containing the address passed
  // in moduleName; UNCHANGED_REFCOUNT keeps the module's load count as it is.
  virtual BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) = 0;
  // [any-thread] Registers a class by name for wc->hInstance; 0 with kErrorClassAlreadyExists when
  // that name is taken for the instance (or by a global class).
  virtual ATOM RegisterClassW(const WNDCLASSW* wc) = 0;
  // [any-thread] Looks a class up by instance and name (global classes too); fills wc.
  virtual BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc) = 0;
  // [any-thread] Removes a class; fails while windows of the class exist.
  virtual BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) = 0;
  // [any-thread] The calling thread's last error code.
  virtual DWORD GetLastError() = 0;
  // [any-thread] A shared system cursor (instance null, name kIdcArrow); never destroy it.
  virtual HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) = 0;

  // --- Windows ---
  // Creates a window owned by the calling thread; WM_NCCREATE and WM_CREATE reach the procedure
  // before it returns, with a CREATESTRUCTW whose lpCreateParams is `param`. Null on failure.
  virtual HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y,
                               int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                               void* param) = 0;
  // Destroys a window of the calling thread and its children (WM_DESTROY, WM_NCDESTROY); FALSE
  // for another thread's window or when the window refuses.
  virtual BOOL DestroyWindow(HWND window) = 0;
  // [any-thread] Whether the handle names an existing window.
  virtual BOOL IsWindow(HWND window) = 0;
  // [any-thread] Replaces a window data slot (kGwlpUserData); returns the previous value.
  virtual LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value) = 0;
  // [any-thread] Reads a window data slot; 0 for a handle that is no window.
  virtual LONG_PTR GetWindowLongPtrW(HWND window, int index) = 0;
  // [any-thread] The identifier of the thread that created the window; 0 for no window.
  virtual DWORD GetWindowThreadProcessId(HWND window, DWORD* processId) = 0;
  // [any-thread] The calling thread's identifier.
  virtual DWORD GetCurrentThreadId() = 0;
  // [any-thread] Calls the window procedure on the window's own thread and returns its result;
  // from another thread it blocks until that thread has handled the message.
  virtual LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
  // Default handling of a message the procedure does not handle itself.
  virtual LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // --- Timers, repaint and capture ---
  // Starts (or restarts) timer `id`: WM_TIMER every `elapse` ms; the callback must be null.
  virtual UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) = 0;
  virtual BOOL KillTimer(HWND window, UINT_PTR id) = 0;
  // [any-thread] Marks the rectangle (null: the whole client area) for a later WM_PAINT.
  virtual BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) = 0;
  // Starts painting in WM_PAINT: the window's device context; validates the window.
  virtual HDC BeginPaint(HWND window, PAINTSTRUCT* paint) = 0;
  virtual BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) = 0;
  // Gives the mouse to the window until ReleaseCapture; returns the previous capture window.
  virtual HWND SetCapture(HWND window) = 0;
  // Ends the capture; the window that loses it receives WM_CAPTURECHANGED.
  virtual BOOL ReleaseCapture() = 0;

  // --- Drawing (device contexts and objects) ---
  virtual HDC CreateCompatibleDC(HDC dc) = 0;
  virtual HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) = 0;
  // Selects a brush, pen, font or bitmap into the context; returns the one it replaces.
  virtual HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) = 0;
  virtual BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                      DWORD rop) = 0;
  // Frees a brush, pen, font or bitmap; FALSE while it is selected into a context.
  virtual BOOL DeleteObject(HGDIOBJ object) = 0;
  virtual BOOL DeleteDC(HDC dc) = 0;
  virtual HBRUSH CreateSolidBrush(COLORREF colour) = 0;
  // Fills left..right-1 × top..bottom-1.
  virtual int FillRect(HDC dc, const RECT* rect, HBRUSH brush) = 0;
  virtual HPEN CreatePen(int style, int width, COLORREF colour) = 0;
  virtual BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) = 0;
  // Line with the selected pen from the current position to (x, y), the end point excluded.
  virtual BOOL LineTo(HDC dc, int x, int y) = 0;
  // A negative height is the character (em) height in pixels.
  virtual HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                            DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                            DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) = 0;
  virtual int SetBkMode(HDC dc, int mode) = 0;
  virtual COLORREF SetTextColor(HDC dc, COLORREF colour) = 0;
  // Draws `count` UTF-16 units (-1: up to the terminator) with the selected font into rect,
  // clipped to it; returns the text height.
  virtual int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) = 0;

  // --- Message boxes and file dialogs (modal: they return when the user closed them) ---
  virtual int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) = 0;
  // The 8-bit variant: text and caption bytes are passed on unchanged.
  virtual int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) = 0;
  // TRUE with the chosen path in ofn->lpstrFile; FALSE when cancelled or failed.
  virtual BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) = 0;
  virtual BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) = 0;
};

// [any-thread] The process's window system (Win32 on Windows, headless elsewhere); lives until
// the process ends.
WindowSystem& windowSystem();

}  // namespace varnolith::platform
