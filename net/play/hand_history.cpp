// Writes a networked hand into the history through its recorder.
#include "net/play/hand_history.h"

#include "net/play/networked_hand.h"
#include "store/history_recorder.h"

namespace truco::net {
namespace {

using history::MoveKind;
using history::Who;

std::uint8_t Code(const std::optional<Card>& card) {
  return card ? history::CardCode(*card) : std::uint8_t{0};
}

class RecorderHistory final : public HandHistory {
 public:
  explicit RecorderHistory(history::HistoryRecorder& recorder) : recorder_(recorder) {}
  ~RecorderHistory() override { GameEnded(std::nullopt); }
  RecorderHistory(const RecorderHistory&) = delete;
  RecorderHistory& operator=(const RecorderHistory&) = delete;

  void HandEnded(const std::string& opponent, const std::string& path, const GameSettings& settings,
                 const SeenHand& hand) override {
    if (!open_) {
      recorder_.BeginGame(history::OpponentKind::Network, "", opponent, path, settings);
      open_ = true;
    }
    recorder_.StartHand({Code(hand.own_cards[0]), Code(hand.own_cards[1]), Code(hand.own_cards[2])},
                        Code(hand.vira));
    for (const SeenMove& m : hand.moves) {
      const Who who = m.own ? Who::Player : Who::Opponent;
      switch (m.kind) {
        case SeenMove::Kind::Card:
          recorder_.AddMove({MoveKind::Card, who, Code(m.card)});
          break;
        case SeenMove::Kind::HiddenCard:
          recorder_.AddMove({MoveKind::HiddenCard, who, Code(m.card)});
          break;
        case SeenMove::Kind::Call:
          recorder_.AddMove({MoveKind::Call, who, static_cast<std::uint8_t>(m.value)});
          break;
        case SeenMove::Kind::Answer:
          recorder_.AddMove({MoveKind::Answer, who, static_cast<std::uint8_t>(m.value)});
          break;
        case SeenMove::Kind::Eleven:
          recorder_.AddMove({MoveKind::Eleven, who, static_cast<std::uint8_t>(m.value)});
          break;
        case SeenMove::Kind::Trick:
          recorder_.AddMove({MoveKind::Trick, who, static_cast<std::uint8_t>(m.value)});
          break;
      }
    }
    for (int slot = 0; slot < 3; ++slot) {
      const auto& card = hand.shown[static_cast<std::size_t>(slot)];
      if (card) recorder_.RevealOpponentCard(slot, Code(card));
    }
    recorder_.FinishHand(hand.stake, hand.own_gain, hand.other_gain, hand.winner, hand.own_score,
                         hand.other_score);
  }

  void GameVoided(bool ended_by_the_hand) override {
    recorder_.VoidGame(ended_by_the_hand && !open_);
    open_ = false;
  }

  void GameEnded(std::optional<bool> won) override {
    if (!open_) return;
    open_ = false;
    recorder_.EndGame(won);
  }

 private:
  history::HistoryRecorder& recorder_;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<HandHistory> MakeHandHistory(history::HistoryRecorder& recorder) {
  return std::make_unique<RecorderHistory>(recorder);
}

}  // namespace truco::net

namespace truco::net {

void NetworkedHand::set_history(history::HistoryRecorder* recorder) {
  set_hand_history(recorder != nullptr ? MakeHandHistory(*recorder) : nullptr);
}

}  // namespace truco::net
