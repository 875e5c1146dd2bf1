// The joint deal's part of the whole game (version 3): the lists, the openings, the announced
// cards, the secrets at the end of a hand, the check of a hand cut off with the last connection,
// and a cheat that voids the game (JointDealing, joint_dealing.h).
//
// Choices of the joint deal (version 3):
// - After "G" and "D" the host sends its list; the guest answers with the final list and its
//   openings of the host's cards and the vira; the host answers the final list with its openings
//   of the guest's cards and the vira. A side's hand starts once its three cards and the vira are
//   open.
// - A card played face up is announced ("Y") right before its "J", by either side; the host
//   judges the guest's card by that announcement.
// - When a hand ends (scored, run, given up, all three tied) or is dropped by a restart, each
//   side reveals its secret ("X") and checks the other's. The host deals the next hand only once
//   the guest's secret has passed; a guest that gets a new hand before the host's secret has come
//   takes it as a cheat.
// - A failed check ends the game on both screens: "Trapaça detectada: a partida foi anulada" and
//   the reason; the finder sends "S" with the reason and closes the connection. The game's points
//   go (the tally of games finished before stays) and nothing can resume it. A point that is no
//   group element is a protocol error instead: the connection closes as for a broken line.
// - A game cut off keeps the interrupted hand's deal: when the same opponent comes back, both
//   reveal that hand's secrets first and each checks the other's, before the hand starts over.

#include "net/play/joint_dealing.h"

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

namespace {
Side PeerOf(Side side) {
  return side == Side::Host ? Side::Guest : Side::Host;
}
}  // namespace

void JointDealing::Reset(Side side, std::optional<JointDeal> kept) {
  ResetPart();
  deal_ = JointDeal(side, *entropy_);
  own_revealed_ = false;
  peer_key_.reset();
  hands_checked_ = 0;
  Keep(std::move(kept));
}

void JointDealing::NewHand(char deck, bool nova, const std::array<int, 2>& games) {
  deal_.NewHand(deck, nova);
  open_ = true;
  own_revealed_ = false;
  peer_key_.reset();
  games_at_deal_ = games;
}

void JointDealing::TakeUp(const JointDeal& kept, const std::array<int, 2>& games) {
  // A deal read from the file draws the next hand's secret from this game's randomness.
  deal_ = kept;
  deal_.UseEntropy(*entropy_);
  old_deal_.reset();
  open_ = true;
  own_revealed_ = false;
  peer_key_.reset();
  games_at_deal_ = games;
}

bool JointDealing::Receive(const Message& message) {
  NetworkedHand& h = hand_;
  if (!on_) return false;
  if (TookCheatNotice(message)) return true;
  if (const auto* key = std::get_if<RevealKey>(&message)) {
    if (key->interrupted) {
      // The secret of the hand the last connection cut off: checked once, against what was kept.
      if (!old_deal_ || old_deal_->Verified() || old_deal_->HandId() != key->interrupted) {
        return true;
      }
      SendOldReveal();
      if (const DealFault fault = old_deal_->TakeReveal(*key); fault != DealFault::None) {
        FaultFound(fault);
      }
      return true;
    }
    if (open_ && !peer_key_) {
      peer_key_ = *key;
      TryVerify();
    }
    return true;
  }
  // The classic deal messages mean nothing here: nobody deals alone.
  if (std::holds_alternative<GuestCard>(message) || std::holds_alternative<HostCard>(message) ||
      std::holds_alternative<Vira>(message)) {
    return true;
  }
  const bool live = open_ && !h.finished_;
  DealFault fault = DealFault::None;
  if (const auto* list = std::get_if<DealList>(&message)) {
    if (!live || deal_.HasFinalList()) return true;
    fault = deal_.TakeList(*list);
    if (fault == DealFault::None) h.role_->ListTaken();
    if (fault == DealFault::None && deal_.HasFinalList()) {
      for (const Unlock& u : deal_.Openings()) h.out_.Send(u);
    }
  } else if (const auto* opening = std::get_if<Unlock>(&message)) {
    if (!live) return true;
    fault = deal_.TakeOpening(*opening);
    if (fault == DealFault::None) CardsIn();
  } else if (const auto* announce = std::get_if<Announce>(&message)) {
    // Taken only when the play it comes before may be made: the peer's turn, a card still in hand.
    const int slot = announce->position - DealPosition(PeerOf(h.side_), 1);
    const char opp = h.OpponentLetter();
    if (!live || slot < 0 || slot > 2 || !h.MayPlayNow(opp) ||
        std::find(h.OppSlots().begin(), h.OppSlots().end(), slot) != h.OppSlots().end()) {
      return true;
    }
    fault = deal_.TakeAnnounce(*announce);
    if (fault == DealFault::None) {
      h.OppCards()[Index(slot)] = announce->card;
      // A card this side sees already cannot be in the peer's hand.
      if (h.replica_.Show(opp, slot, announce->card) == table::Verdict::BadDeal) {
        fault = DealFault::AnnouncedNotHeld;
      }
    }
  } else {
    return false;
  }
  if (fault != DealFault::None) FaultFound(fault);
  return true;
}

// This side's three cards and the vira are open: its hand can start.
void JointDealing::CardsIn() {
  NetworkedHand& h = hand_;
  if (!deal_.Dealt() || h.table_.vira_dealt) return;
  for (int slot = 1; slot <= 3; ++slot) h.OwnCards()[Index(slot - 1)] = deal_.OwnCard(slot);
  if (h.table_.mode == ManilhaMode::Nova) {
    h.SetVira(*deal_.Vira(), ManilhaMode::Nova);
  } else {
    h.SetVira(h.game_.state().cards[kCVira].card, ManilhaMode::Velha);
  }
  h.role_->OwnCardsIn();
}

bool JointDealing::AwaitsPeerSecret() const {
  return hand_.linked_ && on_ && open_ && own_revealed_ && deal_.PeerCommitted() && !peer_key_;
}

// A peer that owes the secret of a hand already played withholds what would prove that hand: the
// game is void, as for a cheat. Any other silence is a lost connection the game may come back from.
void JointDealing::GiveUpOnSilentPeer(const std::string& lost_text) {
  NetworkedHand& h = hand_;
  if (!h.linked_) return;
  if (AwaitsPeerSecret()) {
    h.out_.Send(CheatFound{static_cast<int>(DealFault::NoReveal)});
    h.out_.CloseLink();
    EndByCheat(DealFault::NoReveal, PeerOf(h.side_));
    return;
  }
  h.out_.CloseLink();
  h.ConnectionLost(lost_text);
}

void JointDealing::RevealOwn() {
  if (!on_ || !open_ || own_revealed_) return;
  own_revealed_ = true;
  hand_.out_.Send(deal_.Reveal());
  TryVerify();
}

// Both secrets are out: every message of the hand is checked. The host deals the next hand only
// after that.
void JointDealing::TryVerify() {
  if (!open_ || !own_revealed_) return;
  if (deal_.PeerCommitted()) {
    if (!peer_key_) return;
    if (const DealFault fault = deal_.TakeReveal(*peer_key_); fault != DealFault::None) {
      FaultFound(fault);
      return;
    }
    ++hands_checked_;
  }
  open_ = false;
  // The guest's "O" may go now; the host may deal.
  hand_.role_->HandChecked();
}

void JointDealing::SendOldReveal() {
  if (old_revealed_ || !old_deal_ || !old_deal_->HandId()) return;
  old_revealed_ = true;
  hand_.out_.Send(RevealKey{old_deal_->secret(), old_deal_->HandId()});
}

}  // namespace truco::net
