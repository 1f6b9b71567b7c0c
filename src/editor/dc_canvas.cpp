#include "editor/dc_canvas.h"

#include "platform/constants.h"

namespace varnolith::plugins {

namespace {

platform::COLORREF toColorRef(Colour c) { return platform::rgb(c.red, c.green, c.blue); }

platform::RECT toRect(const Rect& r) { return platform::RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void DcCanvas::fillBox(const Rect& rect, Colour colour) {
  platform::HBRUSH brush = system_.CreateSolidBrush(toColorRef(colour));
  if (!brush) return;
  const platform::RECT area = toRect(rect);
  system_.FillRect(dc_, &area, brush);
  system_.DeleteObject(brush);
}

void DcCanvas::drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
                        std::int32_t width) {
  platform::HPEN pen = system_.CreatePen(platform::kPsSolid, width, toColorRef(colour));
  if (!pen) return;
  platform::HGDIOBJ previous = system_.SelectObject(dc_, pen);
  system_.MoveToEx(dc_, x1, y1, nullptr);
  system_.LineTo(dc_, x2, y2);
  system_.SelectObject(dc_, previous);
  system_.DeleteObject(pen);
}

void DcCanvas::drawLabel(const Rect& rect, std::u16string_view text, Colour colour, std::int32_t height,
                         bool semibold, TextLayout layout) {
  using namespace platform;
  HFONT font = system_.CreateFontW(-height, 0, 0, 0, semibold ? kFwSemibold : kFwNormal, 0, 0, 0, kDefaultCharset,
                                   kOutDefaultPrecis, kClipDefaultPrecis, kClearTypeQuality,
                                   kDefaultPitch | kFfDontCare, u"Segoe UI");
  if (!font) return;
  HGDIOBJ previous = system_.SelectObject(dc_, font);
  system_.SetBkMode(dc_, kTransparent);
  system_.SetTextColor(dc_, toColorRef(colour));
  // No prefix processing: file names in the status line may contain '&'.
  UINT format = kDtNoPrefix;
  switch (layout) {
    case TextLayout::SingleLine: format |= kDtSingleLine | kDtVCenter; break;
    case TextLayout::Centered: format |= kDtSingleLine | kDtVCenter | kDtCenter; break;
    case TextLayout::Wrapped: format |= kDtWordBreak; break;
  }
  RECT area = toRect(rect);
  system_.DrawTextW(dc_, text.data(), static_cast<int>(text.size()), &area, format);
  system_.SelectObject(dc_, previous);
  system_.DeleteObject(font);
}

}  // namespace varnolith::plugins
