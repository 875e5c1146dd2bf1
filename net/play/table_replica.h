#pragma once
// The table a whole networked game is played at, one replica on each program: a two-seat
// truco::table::Table (the host at seat 0, the guest at seat 1) fed the same moves in the same
// order on both sides, so both agree on who may act, who took each trick, who won the hand and
// the points, by the rules the pairs game plays by. The wire names sides by letter ('S' the host,
// 'C' the guest); this class turns a message into a table action and answers the roles from the
// table. What the wire keeps beyond the rules (when a move may be taken, the boxes, the joint
// deal, the picture a resumed hand is sent with) stays in the roles.
//
// Where the networked game sets the table apart from the pairs game: the lead of each hand is
// named by the host's deal, a card the replica does not see stays unseen until it is played face
// up (a hidden one never shows), a blind hand may still hide a card, the side at 11 that runs
// before deciding gives the hand up, and a won game's points go at once (the next deal is sent
// from 0 to 0).

#include <array>
#include <optional>

#include "engine/table.h"
#include "net/play/hand_state.h"

namespace truco::net {

class TableReplica final : private table::TableObserver {
 public:
  TableReplica();
  TableReplica(const TableReplica&) = delete;
  TableReplica& operator=(const TableReplica&) = delete;

  static int SeatOf(char letter) { return letter == 'S' ? 0 : 1; }
  static char LetterOf(int seat) { return seat == 0 ? 'S' : seat == 1 ? 'C' : ' '; }

  // Read at the next deal.
  void SetSettings(char deck, ManilhaMode mode, int eleven_mode);
  // Points and games by side (host, guest): those the next deal is played for.
  void SetScore(std::array<int, 2> points, std::array<int, 2> games);
  [[nodiscard]] std::array<int, 2> points() const { return table_.state().points; }
  [[nodiscard]] std::array<int, 2> games() const { return table_.state().games; }
  // The hand on the table goes (a restart, a cut connection): nothing is due until the next deal.
  void DropHand();

  // A new hand with the cards of `hand` this side sees (the others stay unseen); `lead` leads.
  table::Verdict Deal(const HandState& hand, char lead);
  // A hand taken up again from its picture, as `keeper` ('S' / 'C') holds it.
  void Load(const HandState& hand, char keeper, std::array<int, 2> points,
            std::array<int, 2> games);
  // The peer's card shows its face right before it is played face up.
  table::Verdict Show(char letter, int slot, Card card);

  // The moves, by the letter of the side that makes them. `stake` is what the message names.
  table::Verdict Play(char letter, int slot, bool hide);
  // Guest: the card that completes a trick, taken by `taker` ('S', 'C', 'E' tied) as the host
  // judged it: the host rates every trick.
  table::Verdict PlayJudged(char letter, int slot, bool hide, char taker);
  table::Verdict Call(char letter, int stake);  // the opening call, or a raise of the other's
  table::Verdict Accept(char letter, int stake);
  table::Verdict Run(char letter);  // from a call, on one's turn, or from deciding a hand of 11
  table::Verdict Eleven(char letter, bool plays);

  [[nodiscard]] bool MayPlay(char letter) const;
  // Whether Play would take the card now.
  [[nodiscard]] table::Verdict CanPlay(char letter, int slot, bool hide) const;
  [[nodiscard]] bool MayRun(char letter) const;
  // The stake `letter` may call now (an opening call or a raise), if any.
  [[nodiscard]] std::optional<int> CallableStake(char letter) const;

  // The side that may act ('S' / 'C'), ' ' when nothing is due but a deal.
  [[nodiscard]] char actor() const;
  // The side on turn to play ' ' when none (also while a call waits: the turn it returns to).
  [[nodiscard]] char turn() const;
  [[nodiscard]] int stake() const { return table_.state().stake; }
  // The call that waits for an answer, 0 when none, and who made it.
  [[nodiscard]] int pending_stake() const;
  [[nodiscard]] char caller() const;
  // Who took trick t: 'S', 'C', 'E' (tied), ' ' not yet.
  [[nodiscard]] char TrickTaker(int trick) const;

  // How the last hand ended, once it has.
  struct HandEnd {
    char winner = ' ';  // ' ' all three tricks tied: dealt again, nobody scores
    int amount = 0;     // what the hand was worth to the winner (the gain is capped at 12)
    std::array<int, 2> before{};
    std::array<int, 2> after{};  // before a won game's points go
    bool game_over = false;
  };
  [[nodiscard]] const std::optional<HandEnd>& hand_end() const { return hand_end_; }

  [[nodiscard]] const table::TableState& state() const { return table_.state(); }

 private:
  table::Verdict Apply(const table::Action& action);
  void OnPoints(const table::TableState& s, int team, int before, table::PointsReason why) override;
  void OnRedeal(const table::TableState& s) override;

  class NoDraws final : public RandomSource {
   public:
    void Reseed() override {}
    int Uniform(int /*bound*/) override { return 0; }
  };
  NoDraws no_draws_;  // the replica never draws: its cards come from the deal on the wire
  table::Table table_;
  std::optional<HandEnd> hand_end_;
};

}  // namespace truco::net
