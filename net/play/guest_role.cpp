// The guest's end of a networked game: it takes the host's deal and the host's results.

#include "net/play/guest_role.h"

#include <algorithm>
#include <utility>

#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// ---------------------------------------------------------------------------------------------
// The classic hand

void GuestRole::StartClassic(GameState& /*s*/) {
  // A turn the host gave before this start still holds.
  if (hand_.table_.turn == ' ') {
    hand_.may_play_ = false;
    hand_.SetPanel(kTextWaitOpponent);
  }
}

void GuestRole::ReceiveClassic(const Message& message) {
  NetworkedHand& h = hand_;
  if (std::holds_alternative<StartDeal>(message)) {
    if (!h.classic_.deal_started()) {
      h.classic_.set_deal_started();
      Ask(1);
    }
  } else if (const auto* guest = std::get_if<GuestCard>(&message)) {
    if (asked_ != guest->slot) return;
    h.OwnCards()[Index(guest->slot - 1)] = guest->card;
    Ask(asked_ + 1);
  } else if (const auto* host = std::get_if<HostCard>(&message)) {
    if (asked_ != host->slot + kFirstHostCard - 1) return;
    h.OppCards()[Index(host->slot - 1)] = host->card;
    Ask(asked_ + 1);
  } else if (const auto* vira = std::get_if<Vira>(&message)) {
    if (asked_ != kViraCard) return;
    h.SetVira(vira->card, vira->mode);
    asked_ = kDealDone;
  } else if (const auto* deck = std::get_if<DeckType>(&message)) {
    if (asked_ < kViraCard) h.table_.deck = deck->deck_type;
  } else if (const auto* turn = std::get_if<Turn>(&message)) {
    // Only the host says whose turn it is, and only when a turn is due: at the start and after
    // a judged trick. Anything else would let a side play out of turn.
    if (!awaiting_turn_ || h.HandOver()) return;
    awaiting_turn_ = false;
    h.classic_.GiveTurn(turn->side == Side::Host ? 'S' : 'C');
  }
}

void GuestRole::Ask(int k) {
  asked_ = k;
  if (k < kFirstHostCard) {
    hand_.out_.Send(AskGuestCard{k});
  } else if (k < kViraCard) {
    hand_.out_.Send(AskHostCard{k - kFirstHostCard + 1});
  } else if (k == kViraCard) {
    hand_.out_.Send(AskVira{});
  }
}

bool GuestRole::ClassicDealComplete() const {
  return asked_ == kDealDone;
}

void GuestRole::ClassicTrickComplete(int trick) {
  NetworkedHand& h = hand_;
  // The guest rates the cards only to show who took the trick; the turn is the host's word.
  const int own = h.trick_strength(trick, Side::Guest);
  const int opp = h.trick_strength(trick, Side::Host);
  h.table_.outcome[Index(trick)] =
      own > opp ? Outcome::Own : (opp > own ? Outcome::Opponent : Outcome::Tie);
  h.table_.turn = ' ';
  h.may_play_ = false;
  if (trick == 3) {
    h.classic_.EndHand();
    awaiting_turn_ = false;
  } else {
    awaiting_turn_ = true;
  }
}

void GuestRole::PeerNamed() {
  // The greeting goes right before the name, so the host knows it before it deals.
  if (!hand_.classic_only_) hand_.out_.Send(Hello{hand_.max_version_});
  hand_.out_.Send(Name{hand_.own_name_});
}

// ---------------------------------------------------------------------------------------------
// The whole game

void GuestRole::Greeted(int version) {
  NetworkedHand& h = hand_;
  if (h.classic_.deal_started()) return;
  h.greeted_ = true;
  h.whole_game_ = true;
  h.joint_.set_on(version == kJointDealVersion);
  h.proven_.set_on(version >= kProvenDealVersion);
  // The secret of a hand cut off goes out only in answer to the host's: a hand the host takes up
  // again keeps it until its end.
}

bool GuestRole::WholeDealComplete() const {
  return hand_.CardsIn();
}

// A guest that asked for a restart waits for the host's "Z": moves the host made before it saw
// the request belong to the abandoned hand. The secrets of the dropped hand and a caught cheat
// still count.
bool GuestRole::Drops(const Message& message) const {
  return hand_.restarting_ && !std::holds_alternative<Restart>(message) &&
         !std::holds_alternative<Chat>(message) && !std::holds_alternative<RevealKey>(message) &&
         !std::holds_alternative<CheatFound>(message);
}

bool GuestRole::ReceiveWhole(const Message& message) {
  NetworkedHand& h = hand_;
  if (const auto* settings = std::get_if<Settings>(&message)) {
    pending_settings_ = *settings;
  } else if (const auto* deal = std::get_if<NewHand>(&message)) {
    OnNewHand(*deal);
  } else if (const auto* resume = std::get_if<ResumeHand>(&message)) {
    // Only as the first hand of a connection: it takes the place of a deal.
    // Never in version 4: its hands are dealt anew, and a host naming the guest's cards is broken.
    if (h.proven_.on()) {
      h.PeerBroke();
    } else if (h.hands_dealt_ == 0) {
      OnResumeHand(*resume);
    }
  } else if (const auto* card = std::get_if<GuestCard>(&message)) {
    if (dealing_ && !h.OwnCards()[Index(card->slot - 1)]) {
      h.OwnCards()[Index(card->slot - 1)] = card->card;
      FinishDeal();
    }
  } else if (const auto* vira = std::get_if<Vira>(&message)) {
    if (dealing_ && !h.table_.vira_dealt) {
      h.SetVira(vira->card, vira->mode);
      FinishDeal();
    }
  } else if (const auto* shown = std::get_if<HostCard>(&message)) {
    // The host's card travels only right before its play.
    const char opp = h.OpponentLetter();
    const int slot = shown->slot - 1;
    if (h.MayPlayNow(opp) &&
        std::find(h.OppSlots().begin(), h.OppSlots().end(), slot) == h.OppSlots().end()) {
      const table::Verdict verdict = h.replica_.Show(opp, slot, shown->card);
      if (verdict == table::Verdict::Done) h.OppCards()[Index(slot)] = shown->card;
      if (verdict == table::Verdict::BadDeal) h.PeerBroke();
    }
  } else if (const auto* taken = std::get_if<TrickTaken>(&message)) {
    OnTrickTaken(*taken);
  } else if (std::holds_alternative<Restart>(message)) {
    if (h.hands_dealt_ == 0) return true;
    h.ApplyRestart();
    h.restarting_ = false;
    h.joint_.RevealOwn();
    SendHandClosed();
  } else {
    return false;
  }
  return true;
}

void GuestRole::HandStarts(int host_points, int guest_points, int host_games, int guest_games) {
  NetworkedHand& h = hand_;
  const Settings settings =
      pending_settings_.value_or(Settings{h.table_.deck, h.table_.mode, h.table_.eleven_mode});
  h.ClearHand();
  h.table_.deck = settings.deck_type;
  h.table_.mode = settings.mode;
  h.table_.eleven_mode = settings.eleven_mode;
  const std::array<int, 2> points{host_points, guest_points};
  const std::array<int, 2> games{host_games, guest_games};
  h.replica_.SetScore(points, games);
  h.NoteTallyBefore(games);
  h.hand_start_ =
      ResumeState{h.opponent_name_, points, games, 0, {}, std::nullopt, std::nullopt, h.table_key_};
}

void GuestRole::OnNewHand(const NewHand& m) {
  NetworkedHand& h = hand_;
  // The host deals only after both secrets of the last hand are out.
  if (h.joint_.on() && h.joint_.open() && h.joint_.deal().PeerCommitted()) {
    h.joint_.FaultFound(DealFault::NoReveal);
    return;
  }
  HandStarts(m.host_points, m.guest_points, m.host_games, m.guest_games);
  h.table_.turn = m.lead == Side::Host ? 'S' : 'C';
  // Counted here too, so "Iniciar" on the guest knows a game is on and asks before restarting.
  ++h.game_.mutable_state().hand_counter;
  h.finished_ = false;
  h.own_closed_ = true;
  dealing_ = true;
  ++h.hands_dealt_;
  h.notes_.Begin(false);
  if (h.truco_asked_ || h.eleven_asked_) h.out_.CancelAsk();
  h.truco_asked_ = h.eleven_asked_ = false;
  if (h.joint_.on()) {
    h.joint_.NewHand(h.table_.deck, h.table_.mode == ManilhaMode::Nova, h.replica_.games());
  }
  if (h.proven_.on()) {
    h.proven_.NewHand(h.table_.deck, h.table_.mode == ManilhaMode::Nova, h.hands_dealt_,
                      h.replica_.games());
  }
}

void GuestRole::FinishDeal() {
  if (!hand_.DealComplete()) return;
  dealing_ = false;
  hand_.DealReplica();
  hand_.StartEleven();
}

// The card that completes a trick waits for the host's result: until it comes nobody acts.
void GuestRole::CompleteTrick(char letter, int slot, int /*trick*/, bool hide) {
  held_ = HeldPlay{letter, slot, hide};
  hand_.table_.turn = ' ';
}

void GuestRole::OnTrickTaken(const TrickTaken& m) {
  NetworkedHand& h = hand_;
  const int t = m.trick;
  if (h.finished_ || h.table_.outcome[Index(t)] != Outcome::None) return;
  if (h.OwnSlots()[Index(t)] < 0 || h.OppSlots()[Index(t)] < 0 || !held_) return;
  // The host rates the trick; the guest's replica takes its result and goes on from there.
  const HeldPlay held = *held_;
  held_.reset();
  h.replica_.PlayJudged(held.letter, held.slot, held.hide, m.taker ? LetterOf(*m.taker) : 'E');
  h.ApplyTrickResult(t);
}

void GuestRole::ClearHand() {
  held_.reset();
  dealing_ = false;
}

void GuestRole::HandEnded() {
  dealing_ = false;
}

void GuestRole::BoxesClosed() {
  SendHandClosed();
}

// The host deals the next hand on "O": it goes only once this side has checked the hand, so a
// cheat it finds always comes before the next deal.
void GuestRole::SendHandClosed() {
  if (hand_.joint_.on() && hand_.joint_.open()) {
    closed_pending_ = true;
    return;
  }
  hand_.out_.Send(HandClosed{});
}

// ---------------------------------------------------------------------------------------------
// The joint deal

void GuestRole::ListTaken() {
  hand_.out_.Send(hand_.joint_.deal().GuestList());
}

void GuestRole::OwnCardsIn() {
  FinishDeal();
}

void GuestRole::HandChecked() {
  if (closed_pending_) {
    closed_pending_ = false;
    hand_.out_.Send(HandClosed{});
  }
}

// ---------------------------------------------------------------------------------------------
// Going on after a cut

std::optional<SideRole::ResumeState> GuestRole::Snapshot() const {
  const NetworkedHand& h = hand_;
  // The guest keeps only its part of a jointly dealt hand: the host sends the rest with "W".
  std::optional<ResumeState> state;
  if (!h.linked_ || !h.whole_game_) {
    state = h.resume_;
  } else if (h.hand_start_ && h.joint_.on() && h.joint_.open() && h.joint_.deal().HandId()) {
    state = *h.hand_start_;
    state->deal = h.joint_.deal();
  }
  if (!state || !state->deal) return std::nullopt;
  state->hand.reset();
  return state;
}

bool GuestRole::Joining() const {
  return hand_.linked_ && !hand_.started_;
}

void GuestRole::OnResumeHand(const ResumeHand& m) {
  NetworkedHand& h = hand_;
  // Jointly dealt, the guest's cards come from the deal it kept of that very hand; without it the
  // hand cannot go on (nor be checked), and the peer that offers it is broken.
  if (h.joint_.on() != m.hand_id.has_value() ||
      (h.joint_.on() && (!h.joint_.kept_deal() || h.joint_.kept_deal()->HandId() != m.hand_id ||
                         !h.joint_.kept_deal()->Dealt()))) {
    // A guest program closed meanwhile kept no deal at all: it says so rather than blame the host.
    const bool forgotten = h.joint_.on() && m.hand_id && !h.joint_.kept_deal();
    h.out_.CloseLink();
    h.hand_start_.reset();
    h.ConnectionLost(std::string(forgotten ? kTextHandNotKept : kTextDealBroken));
    h.resume_.reset();
    return;
  }
  if (!h.joint_.on() &&
      std::any_of(m.guest_cards.begin(), m.guest_cards.end(), [](const auto& c) { return !c; })) {
    return;
  }
  HandStarts(m.host_points, m.guest_points, m.host_games, m.guest_games);
  HandState& table = h.table_;
  auto letter = [](char c) { return c == '-' ? ' ' : c; };
  if (h.joint_.on()) {
    // A deal read from the file draws the next hand's secret from this game's randomness, as the
    // host's does.
    h.joint_.TakeUp(*h.joint_.kept_deal(), h.replica_.games());
    for (int slot = 1; slot <= 3; ++slot) {
      h.OwnCards()[Index(slot - 1)] = h.joint_.deal().OwnCard(slot);
    }
  } else {
    for (std::size_t i = 0; i < 3; ++i) table.cards[kGuestSeat][i] = m.guest_cards[i];
  }
  h.SetVira(m.vira, table.mode);
  for (std::size_t t = 1; t <= 3; ++t) {
    const ResumeHand::Trick& trick = m.tricks[t - 1];
    table.slot[kHostSeat][t] = trick.host_slot - 1;
    table.hidden[kHostSeat][t] = trick.host_hidden;
    table.slot[kGuestSeat][t] = trick.guest_slot - 1;
    table.hidden[kGuestSeat][t] = trick.guest_hidden;
    if (trick.host_card) table.cards[kHostSeat][Index(trick.host_slot - 1)] = trick.host_card;
    table.leader[t] = trick.leader == '-' ? char{} : trick.leader;
    table.outcome[t] = trick.taker == 'C'   ? Outcome::Own
                       : trick.taker == 'S' ? Outcome::Opponent
                       : trick.taker == 'E' ? Outcome::Tie
                                            : Outcome::None;
  }
  table.turn = letter(m.turn);
  table.stake = m.stake;
  table.pending_stake = m.pending;
  table.caller = letter(m.caller);
  table.turn_before_call = letter(m.turn_before_call);
  table.raise_right = letter(m.raise_right);
  table.eleven = letter(m.eleven);
  table.eleven_decided = m.eleven_decided;
  table.eleven_dark = m.eleven_dark;
  h.replica_.Load(table, 'C', h.replica_.points(), h.replica_.games());
  ++h.game_.mutable_state().hand_counter;
  h.finished_ = false;
  h.own_closed_ = true;
  dealing_ = false;
  ++h.hands_dealt_;
  h.notes_.Begin(true);
  if (h.truco_asked_ || h.eleven_asked_) h.out_.CancelAsk();
  h.truco_asked_ = h.eleven_asked_ = false;
  h.AskWhatIsOwed();
}

}  // namespace truco::net
