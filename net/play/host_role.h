#pragma once
// The host's end of a networked game: it is the authority. In the classic hand it draws every
// card on the guest's requests and judges each trick; in the whole game it deals (alone, or
// starting the joint deal), rates every trick and tells the guest who took it, deals the next
// hand once the guest's "O" has come and its own boxes are closed, offers to go on with a game
// a dropped connection cut off, and keeps the whole hand for the resume file.

#include <array>
#include <optional>

#include "net/play/side_role.h"

namespace truco::net {

class HostRole final : public SideRole {
 public:
  using SideRole::SideRole;

  void StartClassic(GameState& s) override;
  void ReceiveClassic(const Message& message) override;
  [[nodiscard]] bool ClassicDealComplete() const override;
  void ClassicTrickComplete(int trick) override;
  void PeerNamed() override;

  void Greeted(int version) override;
  void StartWhole() override;
  [[nodiscard]] bool WholeDealComplete() const override;
  bool ReceiveWhole(const Message& message) override;
  void CardsDealt(const DealtCards& cards) override;
  void ClearHand() override;
  void ShowOwnCard(int slot) override;
  void CompleteTrick(char letter, int slot, int trick, bool hide) override;
  void HandEnded() override;
  void BoxesClosed() override;
  bool AskOwed() override;
  void Answered(Question question, bool yes) override;
  bool DropQuestion() override;

  void OwnCardsIn() override;
  void HandChecked() override;

  void KeepHand(ResumeState& state) const override;
  [[nodiscard]] std::optional<ResumeState> Snapshot() const override;
  void Sync(GameState& s) const override;

 private:
  // Classic: starts the deal once both this side's start and the guest's name are here.
  void BeginDeal();
  // Classic: draws and sends card k on the guest's request (1..3 the guest's, 4..6 the host's
  // own, 7 the vira); a repeated request gets the same card again.
  void SendCard(int k);
  // Classic: judges trick t once both cards are known.
  void Judge(int trick);

  // Whole game.
  [[nodiscard]] bool ResumesWithThisPeer() const;
  void BeginWholeGame();
  void Deal();
  // Jointly dealt: the settings, the new hand and the host's list go out; the cards follow the
  // openings.
  void StartJointHand();
  void MaybeDealNext();
  [[nodiscard]] bool MayResumeHand(const ResumeState& state) const;
  // Goes on with the hand a dropped connection interrupted; the guest gets its view.
  void ResumeInterruptedHand(const ResumeState& state);
  [[nodiscard]] bool KeepsHand() const;

  std::array<bool, 8> dealt_{};  // classic: cards 1..7 drawn
  bool guest_named_ = false;     // the guest's name came
  bool guest_closed_ = true;     // the guest's "O" for the hand came
  bool deal_pending_ = false;    // the next deal waits for the guest's secret to pass
  bool continue_asked_ = false;  // "Continuar a partida?" is open
  bool want_continue_ask_ = false;
  std::optional<GameSettings> resumed_settings_;  // the settings of the game taken up again
};

}  // namespace truco::net
