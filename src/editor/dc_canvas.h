// DcCanvas: the primitives drawn into a window-system device context.
#pragma once

#include "editor/canvas.h"
#include "platform/window_system.h"

namespace varnolith::plugins {

// Every brush, pen and font is created for one call and deleted right after it; the context is
// left with the objects it had. [main-thread] like the context it draws into.
class DcCanvas final : public Canvas {
 public:
  DcCanvas(platform::WindowSystem& system, platform::HDC dc) noexcept : system_(system), dc_(dc) {}

  void fillBox(const Rect& rect, Colour colour) override;
  void drawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, Colour colour,
                std::int32_t width) override;
  void drawLabel(const Rect& rect, std::u16string_view text, Colour colour, std::int32_t height, bool semibold,
                 TextLayout layout) override;

 private:
  platform::WindowSystem& system_;
  platform::HDC dc_;
};

}  // namespace varnolith::plugins
