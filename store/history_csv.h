#pragma once
// The history as CSV, one line per move, for a player's own analysis in a spreadsheet.

#include <ostream>
#include <string>
#include <vector>

#include "store/history.h"

namespace truco::history {

// The columns of every line.
inline constexpr const char* kCsvHeader =
    "jogo,inicio,adversario,nivel_ou_nome,caminho,mao,lance,quem,tipo,valor,dica,aposta,"
    "tentos_jogador,tentos_adversario,vencedor";

// Words of a move as the CSV (and the replay) shows them.
std::string WhoText(Who who);
// Who made a move: as WhoText, or "parceiro" / "outro adversario" in a game in pairs.
std::string MoverText(const Move& move);
std::string KindText(MoveKind kind);
std::string ValueText(const Move& move);
std::string HintText(Hint hint);
// "2026-12-07 18:30:00" (UTC).
std::string TimeText(std::int64_t t);

// Writes every move of every hand; returns the lines written (the header not counted).
long ExportCsv(const HistoryDb& db, std::ostream& out);

// Splits one CSV line into its fields (quotes and doubled quotes undone).
std::vector<std::string> SplitCsvLine(const std::string& line);

}  // namespace truco::history
