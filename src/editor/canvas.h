// Canvas: the five drawing primitives that every panel is painted with.
#pragma once

#include <cstdint>
#include <string_view>

namespace varnolith::plugins {

// Window pixels; right and bottom are exclusive.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool operator==(const Rect&) const = default;
};

struct Colour {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  bool operator==(const Colour&) const = default;
};

enum class TextLayout {
  SingleLine,  // one line, left-aligned, vertically centred
  Centered,    // one line, centred both ways
  Wrapped,     // words wrapped at the rectangle's width, from the top-left corner
};

// Every call is [main-thread] (the editor window's thread) and draws at once; a canvas never
// keeps drawing objects between calls.
class Canvas {
 public:
  virtual ~Canvas() = default;

  // Fills the rectangle with one colour.
  virtual void fillBox(const Rect& rect, Colour colour) = 0;
  // Solid line from (x1, y1) to (x2, y2), the end point excluded.
  virtual void drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
                        std::int32_t width) = 0;
  // Text in "Segoe UI", `height` pixels (em height), weight 600 or 400, clipped to the rectangle.
  virtual void drawLabel(const Rect& rect, std::u16string_view text, Colour colour, std::int32_t height,
                         bool semibold, TextLayout layout) = 0;
  // A bevelled button with a centred label; composed of the three calls above.
  virtual void drawButton(const Rect& rect, std::u16string_view label, bool active);
  // A shaded cap for faders and sliders; composed of fillBox and drawLine.
  virtual void drawKnob(const Rect& rect);
};

}  // namespace varnolith::plugins
