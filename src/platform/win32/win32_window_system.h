// Win32WindowSystem: the editor's window system on Windows, each operation the Win32 function of
// the same name (user32, gdi32, comdlg32) with the arguments converted to the system's types.
#pragma once

#include "platform/window_system.h"

namespace varnolith::platform {

// Each operation keeps the thread rule of its WindowSystem declaration, which is that of the Win32
// function: [any-thread] where marked there, otherwise [main-thread] on the thread that owns the
// window or device context. None may run on the audio thread: they lock, allocate and block.
class Win32WindowSystem final : public WindowSystem {
 public:
  // [any-thread] Modules and classes (user32, kernel32).
  BOOL GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) override;
  ATOM RegisterClassW(const WNDCLASSW* wc) override;
  BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc) override;
  BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) override;
  DWORD GetLastError() override;
  HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) override;

  // [main-thread] Windows and messages (user32); the [any-thread] ones as in WindowSystem.
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

  // [main-thread] Timers, painting and capture (user32); InvalidateRect [any-thread].
  UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) override;
  BOOL KillTimer(HWND window, UINT_PTR id) override;
  BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) override;
  HDC BeginPaint(HWND window, PAINTSTRUCT* paint) override;
  BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) override;
  HWND SetCapture(HWND window) override;
  BOOL ReleaseCapture() override;

  // [main-thread] Drawing (gdi32); objects are deleted by the caller right after use.
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

  // [main-thread] Modal boxes and dialogs (user32, comdlg32); they pump messages until closed.
  int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) override;
  int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) override;
  BOOL GetOpenFileNameW(OPENFILENAMEW* ofn) override;
  BOOL GetSaveFileNameW(OPENFILENAMEW* ofn) override;
};

}  // namespace varnolith::platform
