// The deal checked by proofs in the whole game (version 4): ProvenDealing, proven_dealing.h.
//
// Choices:
// - "G" and "D" are version 3's; the deal's lines follow "D" and go out the moment the session
//   says they are due, so neither side waits on anything but the other's lines. A side's hand
//   starts once its three cards (and a turned vira) are open.
// - A "y" is taken only when the play it comes before may be made (the peer's turn, a card still
//   in hand), as version 3 takes its "Y"; the card it proves is the one the following "J" plays.
//   An "e" is the face-down play itself.
// - Version 3's deal messages ("V", "I", "A", "L", "Q", "Y", "X", "E") mean nothing here and are
//   dropped: nobody deals alone, and nothing is revealed at a hand's end.
// - A fault ends the game on both screens as version 3's cheats do ("S" with its number, nothing
//   to resume); a line out of form is a broken connection instead.
// - A hand cut in the middle is not kept: the next connection deals it anew from the points it
//   began with (the deal's own resume is not used by the game yet).

#include "net/play/proven_dealing.h"

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

namespace {
// A name as both sides hold it: as "N" carries it and as it is shown.
std::string WireName(const std::string& name) {
  std::string text = name;
  std::replace(text.begin(), text.end(), '\r', ' ');
  std::replace(text.begin(), text.end(), '\n', ' ');
  return ClipUtf8(text, kMaxNameChars);
}
}  // namespace

void ProvenDealing::Reset(Side side) {
  ResetPart();
  deal_ = ProvenDeal(2, side == Side::Host ? 0 : 1);
  hands_opened_ = 0;
}

void ProvenDealing::NewHand(char deck, bool nova, int number, const std::array<int, 2>& games) {
  NetworkedHand& h = hand_;
  const std::string own = WireName(h.own_name_);
  const std::string& other = h.opponent_name_;
  ProvenHand hand;
  hand.deck_type = deck;
  hand.vira_turned = nova;
  hand.names = h.side_ == Side::Host ? std::vector<std::string>{own, other}
                                     : std::vector<std::string>{other, own};
  hand.number = static_cast<std::uint64_t>(std::max(1, number));
  deal_ = ProvenDeal(2, h.side_ == Side::Host ? 0 : 1);
  open_ = true;
  games_at_deal_ = games;
  SendLines(deal_.NewHand(hand));
}

void ProvenDealing::SendLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) hand_.out_.Send(ProvenLine{line});
}

bool ProvenDealing::Receive(const Message& message) {
  if (!on_) return false;
  if (TookCheatNotice(message)) return true;
  if (const auto* line = std::get_if<ProvenLine>(&message)) {
    Take(*line);
    return true;
  }
  return std::holds_alternative<GuestCard>(message) || std::holds_alternative<HostCard>(message) ||
         std::holds_alternative<Vira>(message) || std::holds_alternative<DealList>(message) ||
         std::holds_alternative<Unlock>(message) || std::holds_alternative<Announce>(message) ||
         std::holds_alternative<RevealKey>(message) || std::holds_alternative<HiddenPlay>(message);
}

void ProvenDealing::Take(const ProvenLine& line) {
  if (!open_ || cheated_) return;
  ProvenStep step = deal_.Take(line.text);
  if (step.fault != DealFault::None) {
    FaultFound(step.fault);
    return;
  }
  SendLines(step.send);
  CardsIn();
  if (step.play) PeerPlays(*step.play);
}

void ProvenDealing::PeerPlays(const ProvenPlay& play) {
  NetworkedHand& h = hand_;
  const int slot = play.slot - 1;
  if (!play.card) {
    h.OpponentPlays(slot, play.trick, true);
    return;
  }
  // Taken only when the play it comes before may be made, as version 3's announcement.
  const char opp = h.OpponentLetter();
  if (!h.MayPlayNow(opp) ||
      std::find(h.OppSlots().begin(), h.OppSlots().end(), slot) != h.OppSlots().end()) {
    return;
  }
  h.OppCards()[Index(slot)] = play.card;
  // A card this side sees already cannot be in the peer's hand.
  if (h.replica_.Show(opp, slot, *play.card) == table::Verdict::BadDeal) {
    FaultFound(DealFault::AnnouncedNotHeld);
  }
}

void ProvenDealing::PlayOwn(int slot, int trick, bool hide) {
  const auto line = hide ? deal_.FaceDown(slot + 1, trick) : deal_.Announce(slot + 1);
  if (line) hand_.out_.Send(ProvenLine{*line});
}

// This side's three cards and the vira are open: its hand can start.
void ProvenDealing::CardsIn() {
  NetworkedHand& h = hand_;
  if (!deal_.HandOpen() || h.table_.vira_dealt) return;
  for (int slot = 1; slot <= 3; ++slot) h.OwnCards()[Index(slot - 1)] = deal_.OwnCard(slot);
  if (h.table_.mode == ManilhaMode::Nova) {
    h.SetVira(*deal_.Vira(), ManilhaMode::Nova);
  } else {
    h.SetVira(h.game_.state().cards[kCVira].card, ManilhaMode::Velha);
  }
  ++hands_opened_;
  h.role_->OwnCardsIn();
}

}  // namespace truco::net
