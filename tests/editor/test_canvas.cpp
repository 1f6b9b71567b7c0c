// The composed primitives, and the device-context canvas drawing into a headless window.
#include <gtest/gtest.h>

#include "editor/dc_canvas.h"
#include "editor/editor_fixture.h"
#include "editor/palette.h"

namespace varnolith::testing {
namespace {

namespace pal = plugins::palette;

TEST(ComposedPrimitives, ButtonIsFaceBevelAndCentredLabel) {
  for (bool active : {false, true}) {
    RecordingCanvas canvas(true);
    canvas.drawButton({10, 20, 60, 50}, u"Stop", active);
    EXPECT_EQ(canvas.calls,
              (std::vector<DrawCall>{
                  fill({10, 20, 60, 50}, active ? pal::kButtonFaceActive : pal::kButtonFace),
                  line(10, 20, 60, 20, pal::kButtonTopEdge, 1),
                  line(10, 20, 10, 50, pal::kButtonLeftEdge, 1),
                  line(10, 49, 60, 49, pal::kButtonBottomEdge, 2),
                  label({10, 20, 60, 50}, u"Stop", active ? pal::kButtonTextActive : pal::kPrimaryText, 14, true,
                        TextLayout::Centered),
              }))
        << active;
  }
}

Colour shade(int s) {
  return Colour{static_cast<std::uint8_t>(s - 11), static_cast<std::uint8_t>(s), static_cast<std::uint8_t>(s + 3)};
}

TEST(ComposedPrimitives, KnobRowsAndLines) {
  RecordingCanvas small(true);
  small.drawKnob({5, 100, 45, 104});  // H 4, half 2
  EXPECT_EQ(small.calls, (std::vector<DrawCall>{
                             fill({5, 100, 45, 101}, shade(218)),
                             fill({5, 101, 45, 102}, shade(216)),
                             fill({5, 102, 45, 103}, shade(151)),
                             fill({5, 103, 45, 104}, shade(153)),
                             line(5, 100, 45, 100, pal::kKnobTopLine, 2),
                             line(5, 103, 45, 103, pal::kKnobBottomLine, 2),
                             line(5, 102, 45, 102, pal::kKnobCentreLine, 3),
                         }));

  // A tall knob hits both limits of the shade: 110 in the upper half, 224 in the lower.
  RecordingCanvas tall(true);
  tall.drawKnob({0, 0, 10, 200});
  const auto rows = tall.only(DrawCall::Kind::Fill);
  ASSERT_EQ(rows.size(), 200u);
  EXPECT_EQ(rows[53].colour, shade(112));
  EXPECT_EQ(rows[99].colour, shade(110));
  EXPECT_EQ(rows[100].colour, shade(151));
  EXPECT_EQ(rows[199].colour, shade(224));

  // No height: no rows, still the three lines.
  for (Rect empty : {Rect{0, 50, 10, 50}, Rect{0, 50, 10, 40}}) {
    RecordingCanvas flat(true);
    flat.drawKnob(empty);
    EXPECT_EQ(flat.only(DrawCall::Kind::Fill).size(), 0u);
    EXPECT_EQ(flat.only(DrawCall::Kind::Line).size(), 3u);
  }
}

class DcCanvasTest : public HeadlessTest {};

TEST_F(DcCanvasTest, DrawsIntoTheContextAndFreesEveryObject) {
  HWND window = system.createHostWindow(200, 100);
  platform::PAINTSTRUCT paint;
  platform::HDC dc = system.BeginPaint(window, &paint);
  ASSERT_NE(dc, nullptr);
  {
    plugins::DcCanvas canvas(system, dc);
    canvas.fillBox({0, 0, 200, 100}, pal::kBackground);
    canvas.fillBox({10, 10, 20, 30}, pal::kAccent);
    canvas.drawLine(0, 50, 100, 50, pal::kHeaderRule, 1);
    canvas.drawLine(150, 10, 150, 90, pal::kTick, 3);
    canvas.drawLabel({20, 60, 190, 95}, u"Mute", pal::kPrimaryText, 14, true, TextLayout::Centered);
  }
  system.EndPaint(window, &paint);
  EXPECT_EQ(system.drawingObjectCount(), 0u);

  EXPECT_EQ(system.pixel(window, 15, 20), platform::rgb(132, 203, 191));
  EXPECT_EQ(system.pixel(window, 20, 20), platform::rgb(18, 30, 36));  // right edge excluded
  EXPECT_EQ(system.pixel(window, 0, 50), platform::rgb(76, 97, 103));
  EXPECT_EQ(system.pixel(window, 99, 50), platform::rgb(76, 97, 103));
  EXPECT_EQ(system.pixel(window, 100, 50), platform::rgb(18, 30, 36));  // end point excluded
  for (int x : {149, 150, 151}) EXPECT_EQ(system.pixel(window, x, 40), platform::rgb(76, 95, 102)) << x;
  EXPECT_EQ(system.pixel(window, 152, 40), platform::rgb(18, 30, 36));
  // The label drew something in its rectangle, on a transparent background.
  int inked = 0;
  for (int y = 60; y < 95; ++y) {
    for (int x = 20; x < 190; ++x) inked += system.pixel(window, x, y) != platform::rgb(18, 30, 36);
  }
  EXPECT_GT(inked, 20);
  EXPECT_EQ(system.pixel(window, 21, 61), platform::rgb(18, 30, 36));

  const auto texts = system.drawnTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].text, u"Mute");
  EXPECT_EQ(texts[0].height, -14);
  EXPECT_EQ(texts[0].weight, 600);
  EXPECT_EQ(texts[0].face, u"Segoe UI");
  EXPECT_EQ(texts[0].colour, platform::rgb(237, 241, 235));
  EXPECT_EQ(texts[0].format, platform::kDtSingleLine | platform::kDtVCenter | platform::kDtCenter | platform::kDtNoPrefix);
  system.DestroyWindow(window);
}

TEST_F(DcCanvasTest, TextIsClippedToItsRectangle) {
  HWND window = system.createHostWindow(300, 100);
  platform::PAINTSTRUCT paint;
  platform::HDC dc = system.BeginPaint(window, &paint);
  plugins::DcCanvas canvas(system, dc);
  canvas.fillBox({0, 0, 300, 100}, pal::kBackground);
  canvas.drawLabel({10, 10, 60, 30}, u"A label far too long for its rectangle", pal::kPrimaryText, 27, true,
                   TextLayout::SingleLine);
  system.EndPaint(window, &paint);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 300; ++x) {
      if (x >= 10 && x < 60 && y >= 10 && y < 30) continue;
      ASSERT_EQ(system.pixel(window, x, y), platform::rgb(18, 30, 36)) << x << ", " << y;
    }
  }
  system.DestroyWindow(window);
}

}  // namespace
}  // namespace varnolith::testing
