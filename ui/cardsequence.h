#pragma once
// The order of the cards by strength, as the help windows show it: clubs in rows, each card
// under its place ("1ª", "2ª", ...).

#include <QString>
#include <array>
#include <cstdint>
#include <span>

class QWidget;

namespace truco {

// 3, 2, Ás, Rei, Valete, Dama, 7, 6, 5, 4: the 40-card deck, strongest first.
inline constexpr std::array<std::uint8_t, 10> kSequenciaSujo = {3, 2, 1, 13, 11, 12, 7, 6, 5, 4};
// 3, 2, Ás, Rei, Valete, Dama: the 24-card deck, strongest first.
inline constexpr std::array<std::uint8_t, 6> kSequenciaLimpo = {3, 2, 1, 13, 11, 12};

inline constexpr int kSequenceColumnWidth = 74;
inline constexpr int kSequenceRowHeight = 114;

// Fills `area` with the clubs of `values` in rows of `per_row`. The cards are named
// `prefix` + place (e.g. "CartaSujo1"), the place labels "L" + `prefix` + place.
void PlaceCardSequence(QWidget* area, std::span<const std::uint8_t> values, int per_row,
                       const QString& prefix);

}  // namespace truco
