#pragma once
// The guest's end of a networked game: it follows the host. In the classic hand it asks for its
// cards one by one and plays on the host's "P"; in the whole game it takes the host's deal (or
// its part of the joint deal), holds a trick's last card until the host's result comes, sends
// "O" once the hand's boxes are closed (and, jointly dealt, once the host's secret has passed),
// and goes on with a hand the host sends back after a cut.

#include <optional>

#include "net/play/side_role.h"

namespace truco::net {

class GuestRole final : public SideRole {
 public:
  using SideRole::SideRole;

  void StartClassic(GameState& s) override;
  void ReceiveClassic(const Message& message) override;
  [[nodiscard]] bool ClassicDealComplete() const override;
  void ClassicTrickComplete(int trick) override;
  void PeerNamed() override;

  void Greeted(int version) override;
  void StartWhole() override {}
  [[nodiscard]] bool WholeDealComplete() const override;
  [[nodiscard]] bool Drops(const Message& message) const override;
  bool ReceiveWhole(const Message& message) override;
  void CompleteTrick(char letter, int slot, int trick, bool hide) override;
  [[nodiscard]] bool AwaitsTrickResult() const override { return held_.has_value(); }
  void ClearHand() override;
  void HandEnded() override;
  void BoxesClosed() override;

  void ListTaken() override;
  void OwnCardsIn() override;
  void HandChecked() override;

  [[nodiscard]] std::optional<ResumeState> Snapshot() const override;
  [[nodiscard]] bool Joining() const override;

 private:
  // Classic: asks for card k of the deal (1..7), or nothing after the last.
  void Ask(int k);

  // Whole game.
  // A new or resumed hand: the host's settings, points and tally take effect.
  void HandStarts(int host_points, int guest_points, int host_games, int guest_games);
  void OnNewHand(const NewHand& m);
  void FinishDeal();
  void OnTrickTaken(const TrickTaken& m);
  // The host sends back the hand a dropped connection interrupted: it goes on from there.
  void OnResumeHand(const ResumeHand& m);
  // "O", once the hand's deal has passed its checks (at once without a joint deal).
  void SendHandClosed();

  int asked_ = 0;              // classic: the card last asked for (1..7), 8 when all came
  bool awaiting_turn_ = true;  // classic: the next "P" is expected
  // The card that completed a trick, held from the replica until the host's result says the hand
  // goes on (until then nobody acts, as on the host's side of the wire).
  struct HeldPlay {
    char letter = ' ';
    int slot = 0;
    bool hide = false;
  };
  std::optional<HeldPlay> held_;
  bool dealing_ = false;                      // a deal's cards are on their way
  std::optional<Settings> pending_settings_;  // the host's settings for the hand it deals next
  bool closed_pending_ = false;               // "O" waits for the host's secret to pass
};

}  // namespace truco::net
