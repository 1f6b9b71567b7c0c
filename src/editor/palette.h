// The panel's colours.
#pragma once

#include "editor/canvas.h"

namespace varnolith::plugins::palette {

inline constexpr Colour kBackground{18, 30, 36};
inline constexpr Colour kHeaderBand{33, 49, 57};
inline constexpr Colour kHeaderRule{76, 97, 103};
inline constexpr Colour kPrimaryText{237, 241, 235};
inline constexpr Colour kSecondaryText{151, 174, 185};
inline constexpr Colour kAccent{132, 203, 191};
inline constexpr Colour kStripFace{33, 47, 55};
inline constexpr Colour kFaderTrack{5, 12, 17};
inline constexpr Colour kGainTrack{6, 12, 17};
inline constexpr Colour kTick{76, 95, 102};
inline constexpr Colour kWaveformField{10, 23, 30};
inline constexpr Colour kButtonFace{48, 64, 72};
inline constexpr Colour kButtonFaceActive{169, 131, 81};
inline constexpr Colour kButtonTopEdge{111, 133, 140};
inline constexpr Colour kButtonLeftEdge{81, 100, 110};
inline constexpr Colour kButtonBottomEdge{10, 18, 24};
inline constexpr Colour kButtonTextActive{10, 20, 23};
inline constexpr Colour kKnobTopLine{237, 242, 241};
inline constexpr Colour kKnobBottomLine{57, 76, 87};
inline constexpr Colour kKnobCentreLine{40, 59, 67};

}  // namespace varnolith::plugins::palette
