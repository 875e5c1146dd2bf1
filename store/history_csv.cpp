#include "store/history_csv.h"

#include <ctime>

namespace truco::history {

namespace {

std::string Field(const std::string& text) {
  if (text.find_first_of(",\"\n\r") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string WhoText(Who who) {
  return who == Who::Player ? "jogador" : "adversario";
}

std::string MoverText(const Move& move) {
  if (!move.partner) return WhoText(move.who);
  return move.who == Who::Player ? "parceiro" : "outro adversario";
}

std::string KindText(MoveKind kind) {
  switch (kind) {
    case MoveKind::Card:
      return "carta";
    case MoveKind::HiddenCard:
      return "carta encoberta";
    case MoveKind::Call:
      return "pedido";
    case MoveKind::Answer:
      return "resposta";
    case MoveKind::Eleven:
      return "mao de onze";
    case MoveKind::Trick:
      return "vaza";
  }
  return "";
}

std::string ValueText(const Move& move) {
  switch (move.kind) {
    case MoveKind::Card:
    case MoveKind::HiddenCard: {
      const auto card = CardFromCode(move.value);
      return card ? CardName(*card) : "desconhecida";
    }
    case MoveKind::Call:
      return std::to_string(move.value);
    case MoveKind::Answer:
      switch (move.value) {
        case 'S':
          return "aceitou";
        case 'N':
          return "correu";
        case '+':
          return "aumentou";
        default:
          return "sem resposta";
      }
    case MoveKind::Eleven:
      return move.value ? "jogou" : "desistiu";
    case MoveKind::Trick: {
      const int r = move.value & 3;
      return std::to_string(move.value / 4) + " " +
             (r == 1   ? "jogador"
              : r == 2 ? "adversario"
                       : "empate");
    }
  }
  return "";
}

std::string HintText(Hint hint) {
  return hint == Hint::Followed ? "seguiu" : hint == Hint::Ignored ? "nao seguiu" : "";
}

std::string TimeText(std::int64_t t) {
  const auto tt = static_cast<std::time_t>(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm);
  return text;
}

long ExportCsv(const HistoryDb& db, std::ostream& out) {
  out << kCsvHeader << "\n";
  long lines = 0;
  db.ForEachHand([&](const GameInfo& g, const HandRecord& h) {
    const std::string head = std::to_string(g.id) + "," + TimeText(g.started) + "," +
                             (g.seats == kSeatsPairs             ? "duplas"
                              : g.kind == OpponentKind::Computer ? "computador"
                                                                 : "rede") +
                             "," + Field(g.kind == OpponentKind::Computer ? g.level : g.opponent) +
                             "," + Field(g.path) + "," + std::to_string(h.number) + ",";
    const std::string tail = "," + std::to_string(h.stake) + "," + std::to_string(h.player_points) +
                             "," + std::to_string(h.opponent_points) + "," +
                             (h.winner < 0 ? "" : WhoText(static_cast<Who>(h.winner)));
    int index = 0;
    for (const Move& m : h.moves) {
      out << head << ++index << "," << MoverText(m) << "," << KindText(m.kind) << ","
          << Field(ValueText(m)) << "," << HintText(m.hint) << tail << "\n";
      ++lines;
    }
  });
  return lines;
}

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace truco::history
