// The joint deal's part of the whole game (version 3): the lists, the openings, the announced
// cards, the secrets at the end of a hand, the check of a hand cut off with the last connection,
// and a cheat that voids the game.
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

// Host: the settings, the new hand and the host's list go out; the cards follow the openings.
void NetworkedHand::StartJointHand() {
  const char lead = game_.state().hand_counter % 2 == 0 ? 'C' : 'S';
  ++hands_dealt_;
  notes_.Begin(false);
  table_.turn = lead;
  joint_deal_.NewHand(table_.deck, table_.mode == ManilhaMode::Nova);
  joint_open_ = true;
  own_revealed_ = false;
  peer_key_.reset();
  const std::array<int, 2> points = replica_.points();
  const std::array<int, 2> games = replica_.games();
  games_at_deal_ = games;
  out_.Send(Settings{table_.deck, table_.mode, table_.eleven_mode});
  out_.Send(
      NewHand{lead == 'S' ? Side::Host : Side::Guest, points[0], points[1], games[0], games[1]});
  out_.Send(joint_deal_.HostList());
  StartEleven();
}

bool NetworkedHand::ReceiveJoint(const Message& message) {
  if (!joint_) return false;
  if (const auto* cheat = std::get_if<CheatFound>(&message)) {
    if (const auto fault = CheatOfNumber(cheat->reason)) {
      out_.CloseLink();
      EndByCheat(*fault, side_);
    }
    return true;
  }
  if (const auto* key = std::get_if<RevealKey>(&message)) {
    if (key->interrupted) {
      // The secret of the hand the last connection cut off: checked once, against what was kept.
      if (!old_deal_ || old_deal_->Verified() || old_deal_->HandId() != key->interrupted) {
        return true;
      }
      SendOldReveal();
      if (const DealFault fault = old_deal_->TakeReveal(*key); fault != DealFault::None) {
        DealFaultFound(fault);
      }
      return true;
    }
    if (joint_open_ && !peer_key_) {
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
  const bool live = joint_open_ && !finished_;
  DealFault fault = DealFault::None;
  if (const auto* list = std::get_if<DealList>(&message)) {
    if (!live || joint_deal_.HasFinalList()) return true;
    fault = joint_deal_.TakeList(*list);
    if (fault == DealFault::None) role_->ListTaken();
    if (fault == DealFault::None && joint_deal_.HasFinalList()) {
      for (const Unlock& u : joint_deal_.Openings()) out_.Send(u);
    }
  } else if (const auto* opening = std::get_if<Unlock>(&message)) {
    if (!live) return true;
    fault = joint_deal_.TakeOpening(*opening);
    if (fault == DealFault::None) JointCardsIn();
  } else if (const auto* announce = std::get_if<Announce>(&message)) {
    // Taken only when the play it comes before may be made: the peer's turn, a card still in hand.
    const int slot = announce->position - DealPosition(PeerOf(side_), 1);
    if (!live || slot < 0 || slot > 2 || !MayPlayNow(OpponentLetter()) ||
        std::find(OppSlots().begin(), OppSlots().end(), slot) != OppSlots().end()) {
      return true;
    }
    fault = joint_deal_.TakeAnnounce(*announce);
    if (fault == DealFault::None) {
      OppCards()[Index(slot)] = announce->card;
      // A card this side sees already cannot be in the peer's hand.
      if (replica_.Show(OpponentLetter(), slot, announce->card) == table::Verdict::BadDeal) {
        fault = DealFault::AnnouncedNotHeld;
      }
    }
  } else {
    return false;
  }
  if (fault != DealFault::None) DealFaultFound(fault);
  return true;
}

// This side's three cards and the vira are open: its hand can start.
void NetworkedHand::JointCardsIn() {
  if (!joint_deal_.Dealt() || table_.vira_dealt) return;
  for (int slot = 1; slot <= 3; ++slot) OwnCards()[Index(slot - 1)] = joint_deal_.OwnCard(slot);
  if (table_.mode == ManilhaMode::Nova) {
    SetVira(*joint_deal_.Vira(), ManilhaMode::Nova);
  } else {
    SetVira(game_.state().cards[kCVira].card, ManilhaMode::Velha);
  }
  role_->OwnCardsIn();
}

bool NetworkedHand::awaits_peer_secret() const {
  return linked_ && joint_ && joint_open_ && own_revealed_ && joint_deal_.PeerCommitted() &&
         !peer_key_;
}

// A peer that owes the secret of a hand already played withholds what would prove that hand: the
// game is void, as for a cheat. Any other silence is a lost connection the game may come back from.
void NetworkedHand::GiveUpOnSilentPeer(const std::string& lost_text) {
  if (!linked_) return;
  if (awaits_peer_secret()) {
    out_.Send(CheatFound{static_cast<int>(DealFault::NoReveal)});
    out_.CloseLink();
    EndByCheat(DealFault::NoReveal, PeerOf(side_));
    return;
  }
  out_.CloseLink();
  ConnectionLost(lost_text);
}

void NetworkedHand::RevealOwn() {
  if (!joint_ || !joint_open_ || own_revealed_) return;
  own_revealed_ = true;
  out_.Send(joint_deal_.Reveal());
  TryVerify();
}

// Both secrets are out: every message of the hand is checked. The host deals the next hand only
// after that.
void NetworkedHand::TryVerify() {
  if (!joint_open_ || !own_revealed_) return;
  if (joint_deal_.PeerCommitted()) {
    if (!peer_key_) return;
    if (const DealFault fault = joint_deal_.TakeReveal(*peer_key_); fault != DealFault::None) {
      DealFaultFound(fault);
      return;
    }
    ++hands_checked_;
  }
  joint_open_ = false;
  // The guest's "O" may go now; the host may deal.
  role_->HandChecked();
}

void NetworkedHand::SendOldReveal() {
  if (old_revealed_ || !old_deal_ || !old_deal_->HandId()) return;
  old_revealed_ = true;
  out_.Send(RevealKey{old_deal_->secret(), old_deal_->HandId()});
}

void NetworkedHand::DealFaultFound(DealFault fault) {
  if (!checks_peer_) return;
  const Side cheater = PeerOf(side_);
  if (IsProtocolError(fault)) {
    // A broken peer, not a caught one: the connection goes as for a broken line, for good.
    out_.CloseLink();
    hand_start_.reset();
    joint_open_ = false;
    ConnectionLost(std::string(kTextDealBroken) + "\r" + FaultText(fault, cheater));
    resume_.reset();
    return;
  }
  out_.Send(CheatFound{static_cast<int>(fault)});
  out_.CloseLink();
  EndByCheat(fault, cheater);
}

// The game is void: no points, no resume, and a game the cheated hand ended is not counted; the
// games finished before stay counted.
void NetworkedHand::EndByCheat(DealFault fault, Side cheater) {
  if (cheated_) return;
  cheated_ = true;
  notes_.GameVoided(replica_.games() != games_at_deal_);
  replica_.SetScore({}, games_at_deal_);
  hand_start_.reset();
  old_deal_.reset();
  joint_open_ = false;
  restarting_ = false;
  ConnectionLost(std::string(kTextCheat) + "\r" + FaultText(fault, cheater));
  resume_.reset();
}

}  // namespace truco::net
