#pragma once
// The joint deal's part of the whole game (version 3), the same on both sides: the hand's deal
// (net/fair/joint_deal.h) and what goes with it over one connection: the lists, openings and
// announced cards as they come, this side's secret at a hand's end and the check of the peer's,
// the hand a cut connection left to check, and a cheat that voids the game. The host starts each
// hand's deal (HostRole), the guest follows it (GuestRole); both reach it through the hand.

#include <array>
#include <optional>
#include <string>

#include "net/fair/joint_deal.h"
#include "net/play/dealing_part.h"
#include "net/wire/protocol.h"

namespace truco::net {

class NetworkedHand;

class JointDealing final : public DealingPart {
 public:
  using DealingPart::DealingPart;

  // A new connection as `side`: a fresh deal; `kept` is the deal of the hand a resumed game lost,
  // to reveal and check before the first hand.
  void Reset(Side side, std::optional<JointDeal> kept);
  [[nodiscard]] JointDeal& deal() { return deal_; }
  [[nodiscard]] const JointDeal& deal() const { return deal_; }
  // A jointly dealt hand whose secrets are not both revealed yet.
  [[nodiscard]] bool open() const { return open_; }

  // A hand is dealt jointly from here; `games` is the tally as it begins.
  void NewHand(char deck, bool nova, const std::array<int, 2>& games);
  // The kept deal of an interrupted hand goes on: its cards are checked when the hand ends.
  void TakeUp(const JointDeal& kept, const std::array<int, 2>& games);
  // The deal of the hand a resumed game lost (read from the file or kept in memory).
  [[nodiscard]] const std::optional<JointDeal>& kept_deal() const { return old_deal_; }
  void Keep(std::optional<JointDeal> deal) {
    old_deal_ = std::move(deal);
    old_revealed_ = false;
  }

  // A message of the joint deal (or one it voids); false when it is none of its business.
  bool Receive(const Message& message);
  // The hand ended or was dropped: this side's secret goes out.
  void RevealOwn();
  // The secret of the hand a resumed game lost goes out, once.
  void SendOldReveal();
  [[nodiscard]] bool AwaitsPeerSecret() const;
  void GiveUpOnSilentPeer(const std::string& lost_text);

  void set_entropy(DealEntropy* entropy) {
    entropy_ = entropy != nullptr ? entropy : &own_entropy_;
  }
  [[nodiscard]] int hands_checked() const { return hands_checked_; }
  [[nodiscard]] bool interrupted_hand_checked() const { return old_deal_ && old_deal_->Verified(); }

 private:
  void CardsIn();
  void TryVerify();
  [[nodiscard]] std::string Reason(DealFault fault, Side cheater) const override {
    return FaultText(fault, cheater);
  }
  void DropDeal() override { old_deal_.reset(); }

  DealEntropy own_entropy_;
  DealEntropy* entropy_ = &own_entropy_;
  JointDeal deal_{Side::Host, own_entropy_};
  bool own_revealed_ = false;
  std::optional<RevealKey> peer_key_;
  int hands_checked_ = 0;
  // The interrupted hand's deal of a resumed game, checked before the new connection's first hand.
  std::optional<JointDeal> old_deal_;
  bool old_revealed_ = false;
};

}  // namespace truco::net
