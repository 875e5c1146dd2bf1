#pragma once
// What the torn-save writer saves at each step: every step's records table and settings record
// differ from the step before in every row, so a file mixing two steps cannot pass for either.

#include <QString>
#include <cstdint>

#include "store/records_file.h"
#include "store/settings_file.h"

namespace truco::testing {

inline RecordsTable TornSaveTable(std::int64_t step) {
  RecordsTable table;
  for (int row = 0; row < kRecordsRows; ++row) {
    const auto mark = static_cast<std::int32_t>(step * kRecordsRows + row);
    table[row] = MakeRecordsEntry(QStringLiteral("P%1").arg(step % 100000000), mark, row,
                                  static_cast<std::int32_t>(step) - row);
  }
  return table;
}

inline settings_record TornSaveSettings(std::int64_t step) {
  settings_record record;
  record.manilha_code = step % 2 ? kManilhaNovaCode : kManilhaVelhaCode;
  record.eleven_code = step % 3 ? kElevenNormalCode : kElevenEscuroCode;
  record.deck_type = step % 5 ? kDeckSujoCode : kDeckLimpoCode;
  record.filler = static_cast<std::uint8_t>(step);
  record.background_colour = static_cast<ColourCode>(step * 2654435761LL);
  return record;
}

}  // namespace truco::testing
