#pragma once
// Background colours are kept as 32-bit colour codes: 0x00BBGGRR is a colour given directly
// (red in the low byte); 0xFF0000nn names the system colour nn. This desktop has no such system
// colours, so each index in use is given a fixed colour here. Files and windows keep the code,
// never the colour it resolves to, so a code read is always written back as it was.

#include <QColor>
#include <cstdint>

namespace truco {

using ColourCode = std::int32_t;

// System colour indices in the numbering that the stored codes use.
inline constexpr int kSysScrollBar = 0;
inline constexpr int kSysWindow = 5;
inline constexpr int kSysHighlight = 13;
inline constexpr int kSysButtonFace = 15;
inline constexpr int kSysInactiveCaptionText = 19;
inline constexpr int kSys3DLight = 22;
inline constexpr int kSysGradientActiveCaption = 27;

// The code of a system colour index: 0xFF0000nn.
constexpr ColourCode SystemColourCode(int index) {
  return static_cast<ColourCode>(0xFF000000u | static_cast<std::uint32_t>(index & 0xFF));
}
// The code of a direct colour: 0x00BBGGRR.
constexpr ColourCode DirectColourCode(int red, int green, int blue) {
  return static_cast<ColourCode>((static_cast<std::uint32_t>(blue & 0xFF) << 16) |
                                 (static_cast<std::uint32_t>(green & 0xFF) << 8) |
                                 static_cast<std::uint32_t>(red & 0xFF));
}

// The design colour of every window: the button face.
inline constexpr ColourCode kButtonFaceCode = SystemColourCode(kSysButtonFace);

bool IsSystemColourCode(ColourCode code);

// The colour to paint for a code. A system index without a colour of its own, or a code whose
// top byte is neither 0x00 nor 0xFF, still gives a colour (never a crash, never invisible text).
QColor ColourFromCode(ColourCode code);

}  // namespace truco
