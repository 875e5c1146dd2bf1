#include "store/colours.h"

namespace truco {

bool IsSystemColourCode(ColourCode code) {
  return (static_cast<std::uint32_t>(code) >> 24) == 0xFFu;
}

namespace {

// Chosen to look like a classic light desktop theme.
QColor SystemColour(int index) {
  switch (index) {
    case kSysScrollBar: return QColor(200, 200, 200);
    case kSysWindow: return QColor(255, 255, 255);
    case kSysHighlight: return QColor(0, 120, 215);
    case kSysButtonFace: return QColor(240, 240, 240);
    case kSysInactiveCaptionText: return QColor(67, 78, 84);
    case kSys3DLight: return QColor(227, 227, 227);
    case kSysGradientActiveCaption: return QColor(185, 209, 234);
    default: return QColor(240, 240, 240);
  }
}

}  // namespace

QColor ColourFromCode(ColourCode code) {
  const auto bits = static_cast<std::uint32_t>(code);
  if (IsSystemColourCode(code)) return SystemColour(static_cast<int>(bits & 0xFFu));
  // Top bytes other than 0x00 (palette-relative codes) still carry their colour in the low 24 bits.
  return QColor(static_cast<int>(bits & 0xFFu), static_cast<int>((bits >> 8) & 0xFFu),
                static_cast<int>((bits >> 16) & 0xFFu));
}

}  // namespace truco
