#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commdlg.h>

#include <cstddef>

#include "platform/win32/win32_window_system.h"

namespace varnolith::platform {

namespace {

// Our records are declared with the Win32 layouts so that window procedures can read what the
// system hands them (CREATESTRUCTW in WM_NCCREATE) without a copy; these checks hold us to it.
static_assert(sizeof(void*) == 8, "the window procedure cast below relies on the single x64 calling convention");
static_assert(sizeof(CREATESTRUCTW) == sizeof(::CREATESTRUCTW));
static_assert(offsetof(CREATESTRUCTW, lpCreateParams) == offsetof(::CREATESTRUCTW, lpCreateParams));
static_assert(offsetof(CREATESTRUCTW, hwndParent) == offsetof(::CREATESTRUCTW, hwndParent));
static_assert(offsetof(CREATESTRUCTW, cx) == offsetof(::CREATESTRUCTW, cx));
static_assert(offsetof(CREATESTRUCTW, style) == offsetof(::CREATESTRUCTW, style));
static_assert(offsetof(CREATESTRUCTW, dwExStyle) == offsetof(::CREATESTRUCTW, dwExStyle));
static_assert(sizeof(RECT) == sizeof(::RECT) && sizeof(POINT) == sizeof(::POINT));
static_assert(sizeof(PAINTSTRUCT) == sizeof(::PAINTSTRUCT));
static_assert(offsetof(PAINTSTRUCT, rcPaint) == offsetof(::PAINTSTRUCT, rcPaint));
static_assert(offsetof(PAINTSTRUCT, rgbReserved) == offsetof(::PAINTSTRUCT, rgbReserved));
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings pass through unchanged");
static_assert(sizeof(WPARAM) == sizeof(::WPARAM) && sizeof(LPARAM) == sizeof(::LPARAM) &&
              sizeof(LRESULT) == sizeof(::LRESULT));

template <class To, class From>
To handle(From from) noexcept {
  return reinterpret_cast<To>(from);
}

const wchar_t* wide(LPCWSTR text) noexcept { return reinterpret_cast<const wchar_t*>(text); }
wchar_t* wide(LPWSTR text) noexcept { return reinterpret_cast<wchar_t*>(text); }

::RECT toSystem(const RECT& r) noexcept { return ::RECT{r.left, r.top, r.right, r.bottom}; }
RECT fromSystem(const ::RECT& r) noexcept {
  return RECT{static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top), static_cast<std::int32_t>(r.right),
              static_cast<std::int32_t>(r.bottom)};
}

// On x64 both procedure types use the one calling convention and pass the same register-sized
// arguments; void (*)() is the sanctioned go-between for a function pointer cast.
::WNDPROC toSystem(WNDPROC procedure) noexcept {
  return reinterpret_cast<::WNDPROC>(reinterpret_cast<void (*)()>(procedure));
}
WNDPROC fromSystem(::WNDPROC procedure) noexcept {
  return reinterpret_cast<WNDPROC>(reinterpret_cast<void (*)()>(procedure));
}

::PAINTSTRUCT toSystem(const PAINTSTRUCT& p) noexcept {
  ::PAINTSTRUCT out{};
  out.hdc = handle<::HDC>(p.hdc);
  out.fErase = p.fErase;
  out.rcPaint = toSystem(p.rcPaint);
  out.fRestore = p.fRestore;
  out.fIncUpdate = p.fIncUpdate;
  for (std::size_t i = 0; i < sizeof(out.rgbReserved); ++i) out.rgbReserved[i] = p.rgbReserved[i];
  return out;
}

void fromSystem(const ::PAINTSTRUCT& p, PAINTSTRUCT& out) noexcept {
  out.hdc = handle<HDC>(p.hdc);
  out.fErase = p.fErase;
  out.rcPaint = fromSystem(p.rcPaint);
  out.fRestore = p.fRestore;
  out.fIncUpdate = p.fIncUpdate;
  for (std::size_t i = 0; i < sizeof(out.rgbReserved); ++i) out.rgbReserved[i] = p.rgbReserved[i];
}

::OPENFILENAMEW toSystem(const OPENFILENAMEW& ofn) noexcept {
  ::OPENFILENAMEW out{};
  out.lStructSize = sizeof(out);
  out.hwndOwner = handle<::HWND>(ofn.hwndOwner);
  out.lpstrFilter = wide(ofn.lpstrFilter);
  out.lpstrFile = wide(ofn.lpstrFile);
  out.nMaxFile = ofn.nMaxFile;
  out.lpstrInitialDir = wide(ofn.lpstrInitialDir);
  out.lpstrTitle = wide(ofn.lpstrTitle);
  out.Flags = ofn.Flags;
  out.lpstrDefExt = wide(ofn.lpstrDefExt);
  return out;
}

}  // namespace

BOOL Win32WindowSystem::GetModuleHandleExW(DWORD flags, LPCWSTR moduleName, HMODULE* module) {
  ::HMODULE found = nullptr;
  const BOOL ok = ::GetModuleHandleExW(flags, wide(moduleName), &found);
  if (module) *module = handle<HMODULE>(found);
  return ok;
}

ATOM Win32WindowSystem::RegisterClassW(const WNDCLASSW* wc) {
  if (!wc) return 0;
  ::WNDCLASSW system{};
  system.style = wc->style;
  system.lpfnWndProc = toSystem(wc->lpfnWndProc);
  system.cbClsExtra = wc->cbClsExtra;
  system.cbWndExtra = wc->cbWndExtra;
  system.hInstance = handle<::HINSTANCE>(wc->hInstance);
  system.hIcon = handle<::HICON>(wc->hIcon);
  system.hCursor = handle<::HCURSOR>(wc->hCursor);
  system.hbrBackground = handle<::HBRUSH>(wc->hbrBackground);
  system.lpszMenuName = wide(wc->lpszMenuName);
  system.lpszClassName = wide(wc->lpszClassName);
  return ::RegisterClassW(&system);
}

BOOL Win32WindowSystem::GetClassInfoW(HINSTANCE instance, LPCWSTR className, WNDCLASSW* wc) {
  ::WNDCLASSW system{};
  const BOOL ok = ::GetClassInfoW(handle<::HINSTANCE>(instance), wide(className), &system);
  if (ok && wc) {
    wc->style = system.style;
    wc->lpfnWndProc = fromSystem(system.lpfnWndProc);
    wc->cbClsExtra = system.cbClsExtra;
    wc->cbWndExtra = system.cbWndExtra;
    wc->hInstance = handle<HINSTANCE>(system.hInstance);
    wc->hIcon = handle<HICON>(system.hIcon);
    wc->hCursor = handle<HCURSOR>(system.hCursor);
    wc->hbrBackground = handle<HBRUSH>(system.hbrBackground);
    wc->lpszMenuName = reinterpret_cast<LPCWSTR>(system.lpszMenuName);
    wc->lpszClassName = reinterpret_cast<LPCWSTR>(system.lpszClassName);
  }
  return ok;
}

BOOL Win32WindowSystem::UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
  return ::UnregisterClassW(wide(className), handle<::HINSTANCE>(instance));
}

DWORD Win32WindowSystem::GetLastError() { return ::GetLastError(); }

HCURSOR Win32WindowSystem::LoadCursorW(HINSTANCE instance, LPCWSTR cursorName) {
  return handle<HCURSOR>(::LoadCursorW(handle<::HINSTANCE>(instance), wide(cursorName)));
}

HWND Win32WindowSystem::CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                                        int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                        void* param) {
  return handle<HWND>(::CreateWindowExW(exStyle, wide(className), wide(windowName), style, x, y, width, height,
                                        handle<::HWND>(parent), handle<::HMENU>(menu),
                                        handle<::HINSTANCE>(instance), param));
}

BOOL Win32WindowSystem::DestroyWindow(HWND window) { return ::DestroyWindow(handle<::HWND>(window)); }

BOOL Win32WindowSystem::IsWindow(HWND window) { return ::IsWindow(handle<::HWND>(window)); }

LONG_PTR Win32WindowSystem::SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  return ::SetWindowLongPtrW(handle<::HWND>(window), index, value);
}

LONG_PTR Win32WindowSystem::GetWindowLongPtrW(HWND window, int index) {
  return ::GetWindowLongPtrW(handle<::HWND>(window), index);
}

DWORD Win32WindowSystem::GetWindowThreadProcessId(HWND window, DWORD* processId) {
  ::DWORD process = 0;
  const ::DWORD thread = ::GetWindowThreadProcessId(handle<::HWND>(window), &process);
  if (processId) *processId = process;
  return thread;
}

DWORD Win32WindowSystem::GetCurrentThreadId() { return ::GetCurrentThreadId(); }

LRESULT Win32WindowSystem::SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessageW(handle<::HWND>(window), message, wParam, lParam);
}

LRESULT Win32WindowSystem::DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(handle<::HWND>(window), message, wParam, lParam);
}

UINT_PTR Win32WindowSystem::SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) {
  // Timers post WM_TIMER; a callback would run outside the window procedure.
  if (callback) return 0;
  return ::SetTimer(handle<::HWND>(window), id, elapse, nullptr);
}

BOOL Win32WindowSystem::KillTimer(HWND window, UINT_PTR id) { return ::KillTimer(handle<::HWND>(window), id); }

BOOL Win32WindowSystem::InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (!rect) return ::InvalidateRect(handle<::HWND>(window), nullptr, erase);
  const ::RECT area = toSystem(*rect);
  return ::InvalidateRect(handle<::HWND>(window), &area, erase);
}

HDC Win32WindowSystem::BeginPaint(HWND window, PAINTSTRUCT* paint) {
  ::PAINTSTRUCT system{};
  const ::HDC dc = ::BeginPaint(handle<::HWND>(window), &system);
  if (paint) fromSystem(system, *paint);
  return handle<HDC>(dc);
}

BOOL Win32WindowSystem::EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  const ::PAINTSTRUCT system = toSystem(*paint);
  return ::EndPaint(handle<::HWND>(window), &system);
}

HWND Win32WindowSystem::SetCapture(HWND window) { return handle<HWND>(::SetCapture(handle<::HWND>(window))); }

BOOL Win32WindowSystem::ReleaseCapture() { return ::ReleaseCapture(); }

HDC Win32WindowSystem::CreateCompatibleDC(HDC dc) { return handle<HDC>(::CreateCompatibleDC(handle<::HDC>(dc))); }

HBITMAP Win32WindowSystem::CreateCompatibleBitmap(HDC dc, int width, int height) {
  return handle<HBITMAP>(::CreateCompatibleBitmap(handle<::HDC>(dc), width, height));
}

HGDIOBJ Win32WindowSystem::SelectObject(HDC dc, HGDIOBJ object) {
  return ::SelectObject(handle<::HDC>(dc), static_cast<::HGDIOBJ>(object));
}

BOOL Win32WindowSystem::BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                               DWORD rop) {
  return ::BitBlt(handle<::HDC>(dest), x, y, width, height, handle<::HDC>(source), sourceX, sourceY, rop);
}

BOOL Win32WindowSystem::DeleteObject(HGDIOBJ object) { return ::DeleteObject(static_cast<::HGDIOBJ>(object)); }

BOOL Win32WindowSystem::DeleteDC(HDC dc) { return ::DeleteDC(handle<::HDC>(dc)); }

HBRUSH Win32WindowSystem::CreateSolidBrush(COLORREF colour) { return handle<HBRUSH>(::CreateSolidBrush(colour)); }

int Win32WindowSystem::FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  if (!rect) return 0;
  const ::RECT area = toSystem(*rect);
  return ::FillRect(handle<::HDC>(dc), &area, handle<::HBRUSH>(brush));
}

HPEN Win32WindowSystem::CreatePen(int style, int width, COLORREF colour) {
  return handle<HPEN>(::CreatePen(style, width, colour));
}

BOOL Win32WindowSystem::MoveToEx(HDC dc, int x, int y, POINT* previous) {
  ::POINT before{};
  const BOOL ok = ::MoveToEx(handle<::HDC>(dc), x, y, &before);
  if (ok && previous) *previous = POINT{static_cast<std::int32_t>(before.x), static_cast<std::int32_t>(before.y)};
  return ok;
}

BOOL Win32WindowSystem::LineTo(HDC dc, int x, int y) { return ::LineTo(handle<::HDC>(dc), x, y); }

HFONT Win32WindowSystem::CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                                     DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                                     DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
  return handle<HFONT>(::CreateFontW(height, width, escapement, orientation, weight, italic, underline, strikeOut,
                                     charSet, outPrecision, clipPrecision, quality, pitchAndFamily, wide(faceName)));
}

int Win32WindowSystem::SetBkMode(HDC dc, int mode) { return ::SetBkMode(handle<::HDC>(dc), mode); }

COLORREF Win32WindowSystem::SetTextColor(HDC dc, COLORREF colour) {
  return ::SetTextColor(handle<::HDC>(dc), colour);
}

int Win32WindowSystem::DrawTextW(HDC dc, LPCWSTR text, int count, RECT* rect, UINT format) {
  if (!rect) return 0;
  ::RECT area = toSystem(*rect);
  const int height = ::DrawTextW(handle<::HDC>(dc), wide(text), count, &area, format);
  *rect = fromSystem(area);
  return height;
}

int Win32WindowSystem::MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  return ::MessageBoxW(handle<::HWND>(owner), wide(text), wide(caption), type);
}

int Win32WindowSystem::MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  return ::MessageBoxA(handle<::HWND>(owner), text, caption, type);
}

BOOL Win32WindowSystem::GetOpenFileNameW(OPENFILENAMEW* ofn) {
  if (!ofn) return FALSE;
  ::OPENFILENAMEW system = toSystem(*ofn);
  return ::GetOpenFileNameW(&system);
}

BOOL Win32WindowSystem::GetSaveFileNameW(OPENFILENAMEW* ofn) {
  if (!ofn) return FALSE;
  ::OPENFILENAMEW system = toSystem(*ofn);
  return ::GetSaveFileNameW(&system);
}

WindowSystem& windowSystem() {
  static Win32WindowSystem system;
  return system;
}

}  // namespace varnolith::platform
