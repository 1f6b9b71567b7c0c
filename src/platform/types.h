// Handles, integer types and records of the window system, shaped like their Win32 namesakes so
// that a Win32 implementation passes them through with a cast.
#pragma once

#include <cstdint>

namespace varnolith::platform {

// Opaque handles: never dereferenced by the editor, compared and passed back only.
struct HWND__;
struct HINSTANCE__;
struct HCURSOR__;
struct HICON__;
struct HBRUSH__;
struct HPEN__;
struct HFONT__;
struct HBITMAP__;
struct HDC__;
struct HMENU__;
using HWND = HWND__*;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HCURSOR = HCURSOR__*;
using HICON = HICON__*;
using HBRUSH = HBRUSH__*;
using HPEN = HPEN__*;
using HFONT = HFONT__*;
using HBITMAP = HBITMAP__*;
using HDC = HDC__*;
using HMENU = HMENU__*;
using HGDIOBJ = void*;  // any brush, pen, font or bitmap

using BOOL = int;
using UINT = std::uint32_t;
using DWORD = std::uint32_t;
using ATOM = std::uint16_t;
using COLORREF = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LONG_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LPCWSTR = const char16_t*;  // UTF-16, zero-terminated (wchar_t on Windows)
using LPWSTR = char16_t*;
using LPCSTR = const char*;

// The window procedure: called on the thread that created the window, for every message.
using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
// Timer callbacks are never used: timers always post WM_TIMER (pass nullptr).
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

// [any-thread] COLORREF from red, green and blue, as the RGB macro builds it.
constexpr COLORREF rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) noexcept {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

struct RECT {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;   // exclusive
  std::int32_t bottom = 0;  // exclusive
};

struct POINT {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct WNDCLASSW {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int cbClsExtra = 0;
  int cbWndExtra = 0;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;
  HBRUSH hbrBackground = nullptr;
  LPCWSTR lpszMenuName = nullptr;
  LPCWSTR lpszClassName = nullptr;
};

// What WM_NCCREATE and WM_CREATE carry in lParam; lpCreateParams is CreateWindowExW's last argument.
struct CREATESTRUCTW {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  std::int32_t style = 0;
  LPCWSTR lpszName = nullptr;
  LPCWSTR lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;
  RECT rcPaint;
  BOOL fRestore = 0;
  BOOL fIncUpdate = 0;
  std::uint8_t rgbReserved[32] = {};
};

// The fields of the common dialogs' OPENFILENAMEW that the editor sets; the Win32 side copies them
// into the system record (lStructSize is the system's) and leaves every other field zero.
struct OPENFILENAMEW {
  HWND hwndOwner = nullptr;
  LPCWSTR lpstrFilter = nullptr;  // pairs of zero-terminated strings, ended by an extra zero
  LPWSTR lpstrFile = nullptr;     // in: initial name (empty); out: the chosen path
  DWORD nMaxFile = 0;             // capacity of lpstrFile in UTF-16 units, terminator included
  LPCWSTR lpstrInitialDir = nullptr;
  LPCWSTR lpstrTitle = nullptr;
  DWORD Flags = 0;
  LPCWSTR lpstrDefExt = nullptr;
};

}  // namespace varnolith::platform
