// RecordingCanvas: remembers every primitive call with all its arguments.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "editor/canvas.h"

namespace varnolith::testing {

using plugins::Colour;
using plugins::Rect;
using plugins::TextLayout;

struct DrawCall {
  enum class Kind { Fill, Line, Label, Button, Knob };
  Kind kind = Kind::Fill;
  Rect rect;               // Fill, Label, Button, Knob
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0, width = 0;  // Line
  Colour colour;           // Fill, Line, Label
  std::u16string text;     // Label, Button
  int height = 0;          // Label
  bool semibold = false;   // Label
  TextLayout layout = TextLayout::SingleLine;  // Label
  bool active = false;     // Button
  bool operator==(const DrawCall&) const = default;
};

inline DrawCall fill(Rect r, Colour c) { return {DrawCall::Kind::Fill, r, 0, 0, 0, 0, 0, c}; }
inline DrawCall line(int x1, int y1, int x2, int y2, Colour c, int width) {
  return {DrawCall::Kind::Line, {}, x1, y1, x2, y2, width, c};
}
inline DrawCall label(Rect r, std::u16string text, Colour c, int height, bool semibold, TextLayout layout) {
  return {DrawCall::Kind::Label, r, 0, 0, 0, 0, 0, c, std::move(text), height, semibold, layout};
}
inline DrawCall button(Rect r, std::u16string text, bool active) {
  DrawCall call{DrawCall::Kind::Button, r};
  call.text = std::move(text);
  call.active = active;
  return call;
}
inline DrawCall knob(Rect r) { return {DrawCall::Kind::Knob, r}; }

void PrintTo(const DrawCall& call, std::ostream* os);

// Records buttons and knobs as one call each; with `expand` it records what they are made of.
class RecordingCanvas final : public plugins::Canvas {
 public:
  explicit RecordingCanvas(bool expand = false) : expand_(expand) {}

  void fillBox(const Rect& rect, Colour colour) override { calls.push_back(fill(rect, colour)); }
  void drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
                std::int32_t width) override {
    calls.push_back(line(x1, y1, x2, y2, colour, width));
  }
  void drawLabel(const Rect& rect, std::u16string_view text, Colour colour, std::int32_t height, bool semibold,
                 TextLayout layout) override {
    calls.push_back(label(rect, std::u16string(text), colour, height, semibold, layout));
  }
  void drawButton(const Rect& rect, std::u16string_view text, bool active) override {
    if (expand_) return Canvas::drawButton(rect, text, active);
    calls.push_back(button(rect, std::u16string(text), active));
  }
  void drawKnob(const Rect& rect) override {
    if (expand_) return Canvas::drawKnob(rect);
    calls.push_back(knob(rect));
  }

  // The calls of one kind, in order.
  std::vector<DrawCall> only(DrawCall::Kind kind) const {
    std::vector<DrawCall> result;
    for (const DrawCall& call : calls) {
      if (call.kind == kind) result.push_back(call);
    }
    return result;
  }
  // The first label or button with this text, or null.
  const DrawCall* find(std::u16string_view text) const {
    for (const DrawCall& call : calls) {
      if ((call.kind == DrawCall::Kind::Label || call.kind == DrawCall::Kind::Button) && call.text == text) return &call;
    }
    return nullptr;
  }

  std::vector<DrawCall> calls;

 private:
  bool expand_;
};

}  // namespace varnolith::testing
