// Window messages, styles and flags with their Win32 values. Spelled kCamelCase because windows.h
// defines the Win32 spellings as macros.
#pragma once

#include "platform/types.h"

namespace varnolith::platform {

// Messages
inline constexpr UINT kWmCreate = 0x0001;
inline constexpr UINT kWmDestroy = 0x0002;
inline constexpr UINT kWmPaint = 0x000F;
inline constexpr UINT kWmEraseBkgnd = 0x0014;
inline constexpr UINT kWmNcCreate = 0x0081;
inline constexpr UINT kWmNcDestroy = 0x0082;
inline constexpr UINT kWmTimer = 0x0113;
inline constexpr UINT kWmMouseMove = 0x0200;
inline constexpr UINT kWmLButtonDown = 0x0201;
inline constexpr UINT kWmLButtonUp = 0x0202;
inline constexpr UINT kWmLButtonDblClk = 0x0203;
inline constexpr UINT kWmCaptureChanged = 0x0215;
inline constexpr UINT kWmPrintClient = 0x0318;
inline constexpr UINT kWmApp = 0x8000;

// Mouse key state in wParam of mouse messages
inline constexpr WPARAM kMkLButton = 0x0001;

// [any-thread] Mouse position in lParam: signed 16-bit x in the low word, y in the high word.
constexpr LPARAM makePointParam(int x, int y) noexcept {
  return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
                             static_cast<std::uint16_t>(x));
}
constexpr int pointX(LPARAM lParam) noexcept { return static_cast<std::int16_t>(lParam & 0xFFFF); }
constexpr int pointY(LPARAM lParam) noexcept { return static_cast<std::int16_t>((lParam >> 16) & 0xFFFF); }

// Window data slots
inline constexpr int kGwlpUserData = -21;

// Window styles
inline constexpr DWORD kWsChild = 0x40000000;
inline constexpr DWORD kWsVisible = 0x10000000;
inline constexpr DWORD kWsOverlappedWindow = 0x00CF0000;
inline constexpr UINT kCsDblClks = 0x0008;
inline constexpr UINT kCsGlobalClass = 0x4000;

// Resources: MAKEINTRESOURCEW(IDC_ARROW)
inline const LPCWSTR kIdcArrow = reinterpret_cast<LPCWSTR>(static_cast<std::uintptr_t>(32512));

// GetModuleHandleExW
inline constexpr DWORD kGetModuleHandleExFlagUnchangedRefcount = 0x00000002;
inline constexpr DWORD kGetModuleHandleExFlagFromAddress = 0x00000004;

// GetLastError values
inline constexpr DWORD kErrorAccessDenied = 5;
inline constexpr DWORD kErrorInvalidWindowHandle = 1400;
inline constexpr DWORD kErrorClassAlreadyExists = 1410;
inline constexpr DWORD kErrorClassDoesNotExist = 1411;
inline constexpr DWORD kErrorClassHasWindows = 1412;

// GDI
inline constexpr int kPsSolid = 0;
inline constexpr int kTransparent = 1;
inline constexpr int kOpaque = 2;
inline constexpr int kFwNormal = 400;
inline constexpr int kFwSemibold = 600;
inline constexpr DWORD kDefaultCharset = 1;
inline constexpr DWORD kOutDefaultPrecis = 0;
inline constexpr DWORD kClipDefaultPrecis = 0;
inline constexpr DWORD kClearTypeQuality = 5;
inline constexpr DWORD kDefaultPitch = 0;
inline constexpr DWORD kFfDontCare = 0;
inline constexpr DWORD kSrcCopy = 0x00CC0020;

// DrawTextW formats
inline constexpr UINT kDtCenter = 0x00000001;
inline constexpr UINT kDtVCenter = 0x00000004;
inline constexpr UINT kDtWordBreak = 0x00000010;
inline constexpr UINT kDtSingleLine = 0x00000020;
inline constexpr UINT kDtNoPrefix = 0x00000800;

// MessageBoxW / MessageBoxA
inline constexpr UINT kMbOk = 0x00000000;
inline constexpr UINT kMbIconError = 0x00000010;
inline constexpr UINT kMbIconInformation = 0x00000040;
inline constexpr UINT kMbIconMask = 0x000000F0;
inline constexpr int kIdOk = 1;

// Common dialogs
inline constexpr DWORD kOfnNoChangeDir = 0x00000008;
inline constexpr DWORD kOfnPathMustExist = 0x00000800;
inline constexpr DWORD kOfnFileMustExist = 0x00001000;
inline constexpr DWORD kOfnExplorer = 0x00080000;

}  // namespace varnolith::platform
