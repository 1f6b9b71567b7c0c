#include "editor/canvas.h"

#include <algorithm>

#include "editor/palette.h"

namespace varnolith::plugins {

void Canvas::drawButton(const Rect& rect, std::u16string_view label, bool active) {
  fillBox(rect, active ? palette::kButtonFaceActive : palette::kButtonFace);
  drawLine(rect.left, rect.top, rect.right, rect.top, palette::kButtonTopEdge, 1);
  drawLine(rect.left, rect.top, rect.left, rect.bottom, palette::kButtonLeftEdge, 1);
  drawLine(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1, palette::kButtonBottomEdge, 2);
  drawLabel(rect, label, active ? palette::kButtonTextActive : palette::kPrimaryText, 14, true, TextLayout::Centered);
}

void Canvas::drawKnob(const Rect& rect) {
  const std::int32_t height = rect.bottom - rect.top;
  const std::int32_t half = height / 2;
  for (std::int32_t i = 0; i < height; ++i) {
    // Light top darkening towards the middle, then dark middle lightening towards the bottom.
    const std::int32_t shade = std::clamp(i < half ? 218 - 2 * i : 151 + 2 * (i - half), 110, 224);
    fillBox(Rect{rect.left, rect.top + i, rect.right, rect.top + i + 1},
            Colour{static_cast<std::uint8_t>(shade - 11), static_cast<std::uint8_t>(shade),
                   static_cast<std::uint8_t>(shade + 3)});
  }
  drawLine(rect.left, rect.top, rect.right, rect.top, palette::kKnobTopLine, 2);
  drawLine(rect.left, rect.bottom - 1, rect.right, rect.bottom - 1, palette::kKnobBottomLine, 2);
  const std::int32_t mid = (rect.top + rect.bottom) / 2;
  drawLine(rect.left, mid, rect.right, mid, palette::kKnobCentreLine, 3);
}

}  // namespace varnolith::plugins
