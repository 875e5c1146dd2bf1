#include "net/play/hand_notes.h"

#include <utility>

namespace truco::net {

void HandNotes::set_history(std::unique_ptr<HandHistory> history) {
  history_ = std::move(history);
  open_ = false;
  game_ = false;
  score_ = {};
}

void HandNotes::Begin(bool resumed) {
  // A hand taken up again keeps what was seen of it before the cut: it is written once, whole.
  if (resumed && open_) return;
  seen_ = {};
  open_ = history_ != nullptr;
}

void HandNotes::Note(SeenMove::Kind kind, bool own, std::optional<Card> card, int value) {
  if (!open_) return;
  seen_.moves.push_back({kind, own, card, value});
}

void HandNotes::End(const TableReplica::HandEnd& end, const HandState& hand, std::size_t own_seat,
                    const std::string& opponent) {
  if (!open_ || !history_) return;
  open_ = false;
  const std::array<int, 2>& before = end.before;
  const std::array<int, 2>& points = end.after;
  // A new game that began at 0 to 0 while the last one was not over: that one was left.
  if (game_ && before == std::array<int, 2>{} && score_ != std::array<int, 2>{}) GameLeft();
  seen_.own_cards = hand.cards[own_seat];
  seen_.vira = hand.vira;
  for (const SeenMove& m : seen_.moves) {
    if (!m.own && m.kind == SeenMove::Kind::Card) {
      seen_.shown[static_cast<std::size_t>(m.value)] = m.card;
    }
  }
  seen_.stake = hand.stake;
  const int winner = end.winner == ' ' ? -1 : TableReplica::SeatOf(end.winner);
  const auto w = static_cast<std::size_t>(winner);
  const int gain = winner < 0 ? 0 : points[w] - before[w];
  const bool own_won = winner == static_cast<int>(own_seat);
  seen_.own_gain = own_won ? gain : 0;
  seen_.other_gain = winner >= 0 && !own_won ? gain : 0;
  seen_.winner = winner < 0 ? -1 : own_won ? 0 : 1;
  seen_.own_score = points[own_seat];
  seen_.other_score = points[1 - own_seat];
  history_->HandEnded(opponent, path_, GameSettings{hand.deck, hand.mode, hand.eleven_mode}, seen_);
  game_ = true;
  score_ = points;
  if (end.game_over) {
    history_->GameEnded(seen_.winner == 0);
    game_ = false;
    score_ = {};
  }
}

void HandNotes::GameLeft() {
  open_ = false;
  if (!history_ || !game_) return;
  history_->GameEnded(std::nullopt);
  game_ = false;
  score_ = {};
}

void HandNotes::GameVoided(bool ended_by_the_hand) {
  if (history_) history_->GameVoided(ended_by_the_hand);
  game_ = false;
  score_ = {};
}

}  // namespace truco::net
