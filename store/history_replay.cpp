#include "store/history_replay.h"

#include <algorithm>

namespace truco::history {

std::string MoveSentence(const Move& move) {
  const bool me = move.who == Who::Player;
  const std::string who = move.partner ? (me ? "O parceiro" : "O outro adversário")
                          : me         ? "Você"
                                       : "O adversário";
  std::string text;
  switch (move.kind) {
    case MoveKind::Card:
    case MoveKind::HiddenCard: {
      const auto card = CardFromCode(move.value);
      text = who + " jogou " + (card ? CardName(*card) : std::string("uma carta")) +
             (move.kind == MoveKind::HiddenCard ? " encoberta" : "");
      break;
    }
    case MoveKind::Call:
      text = who + (move.value == 3 ? " pediu truco" : " pediu " + std::to_string(move.value));
      break;
    case MoveKind::Answer:
      text = who + (move.value == 'S'   ? " aceitou"
                    : move.value == 'N' ? " correu"
                    : move.value == '+' ? " aumentou"
                                        : " não respondeu");
      break;
    case MoveKind::Eleven:
      text = who + (move.value ? " jogou a mão de onze" : " desistiu da mão de onze");
      break;
    case MoveKind::Trick: {
      const int r = move.value & 3;
      const std::string n = std::to_string(move.value / 4);
      text = r == 0   ? "A " + n + "ª vaza empatou"
             : r == 1 ? "A " + n + "ª vaza é sua"
                      : "A " + n + "ª vaza é do adversário";
      break;
    }
  }
  if (move.hint == Hint::Followed) text += " (seguiu a Dica)";
  if (move.hint == Hint::Ignored) text += " (não seguiu a Dica)";
  return text;
}

TableAt ReplayAt(const HandRecord& hand, std::size_t step) {
  TableAt at;
  at.player_hand.assign(hand.player_cards.begin(), hand.player_cards.end());
  at.opponent_hand.assign(hand.opponent_cards.begin(), hand.opponent_cards.end());
  int trick = 1;
  step = std::min(step, hand.moves.size());
  for (std::size_t i = 0; i < step; ++i) {
    const Move& m = hand.moves[i];
    if (m.kind == MoveKind::Trick) {
      trick = std::min(3, m.value / 4 + 1);
    } else if (m.kind == MoveKind::Card || m.kind == MoveKind::HiddenCard) {
      auto& held = m.who == Who::Player ? at.player_hand : at.opponent_hand;
      auto it = std::find(held.begin(), held.end(), m.value);
      // An unknown card of the other person leaves one unknown place.
      if (it == held.end()) it = std::find(held.begin(), held.end(), std::uint8_t{0});
      if (it != held.end()) held.erase(it);
      at.table.push_back({m.who, m.value, m.kind == MoveKind::HiddenCard, trick});
    }
    at.last = MoveSentence(m);
  }
  return at;
}

}  // namespace truco::history
