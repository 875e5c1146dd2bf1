// The host's end of a networked game: the classic hand's draws and judgements, the whole game's
// deals and results, and the offer to go on with a game that was cut off.

#include "net/play/host_role.h"

#include <algorithm>
#include <utility>

#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

// ---------------------------------------------------------------------------------------------
// The classic hand

void HostRole::StartClassic(GameState& s) {
  NetworkedHand& h = hand_;
  s.used_cards.Clear();
  ++s.hand_counter;
  h.classic_.GiveTurn(s.hand_counter % 2 == 0 ? 'C' : 'S');
  h.out_.Send(Turn{SideOf(h.table_.turn)});
  if (guest_named_ && !h.classic_.deal_started()) BeginDeal();
}

void HostRole::ReceiveClassic(const Message& message) {
  int k = 0;
  if (const auto* guest = std::get_if<AskGuestCard>(&message)) {
    k = guest->slot;
  } else if (const auto* host = std::get_if<AskHostCard>(&message)) {
    k = host->slot + kFirstHostCard - 1;
  } else if (std::holds_alternative<AskVira>(message)) {
    k = kViraCard;
  } else {
    return;
  }
  if (hand_.classic_.deal_started()) SendCard(k);
}

bool HostRole::ClassicDealComplete() const {
  return std::all_of(dealt_.begin() + 1, dealt_.end(), [](bool dealt) { return dealt; });
}

void HostRole::PeerNamed() {
  NetworkedHand& h = hand_;
  guest_named_ = true;
  if (h.greeted_) {
    h.whole_game_ = true;
    // A kept hand that may go on keeps its secrets until its end; any other is checked now.
    if (h.joint_.on() && h.resume_ && ResumesWithThisPeer() && !MayResumeHand(*h.resume_)) {
      h.joint_.SendOldReveal();
    }
    if (h.started_) BeginWholeGame();
    return;
  }
  // The deal waits for this side's own start, which clears what was dealt before.
  if (h.started_ && !h.classic_.deal_started()) BeginDeal();
}

void HostRole::BeginDeal() {
  NetworkedHand& h = hand_;
  h.classic_.set_deal_started();
  // The deck and the manilha mode hold for the whole hand, whatever the settings do meanwhile.
  const GameSettings& settings = h.game_.state().settings;
  h.table_.deck = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  h.table_.mode = settings.manilha_mode;
  h.used_.Clear();
  // Before "C", so the guest knows the deck before the vira comes.
  h.out_.Send(DeckType{h.table_.deck});
  h.out_.Send(StartDeal{});
}

void HostRole::SendCard(int k) {
  NetworkedHand& h = hand_;
  if (k < 1 || k > kViraCard) return;
  const bool fresh = !dealt_[Index(k)];
  if (fresh) h.random_.Reseed();
  if (k < kFirstHostCard) {
    auto& card = h.OppCards()[Index(k - 1)];
    if (fresh) card = Sorteia(h.table_.deck, h.used_, h.random_);
    h.out_.Send(GuestCard{k, *card});
  } else if (k < kViraCard) {
    auto& card = h.OwnCards()[Index(k - kFirstHostCard)];
    if (fresh) card = Sorteia(h.table_.deck, h.used_, h.random_);
    h.out_.Send(HostCard{k - kFirstHostCard + 1, *card});
  } else if (h.table_.mode == ManilhaMode::Nova) {
    if (fresh) h.SetVira(Sorteia(h.table_.deck, h.used_, h.random_), ManilhaMode::Nova);
    h.out_.Send(Vira{ManilhaMode::Nova, *h.table_.vira});
  } else {
    // Nothing is turned: the card's characters carry no meaning.
    if (fresh) h.SetVira(h.game_.state().cards[kCVira].card, ManilhaMode::Velha);
    h.out_.Send(Vira{ManilhaMode::Velha, *h.table_.vira});
  }
  dealt_[Index(k)] = true;
}

void HostRole::ClassicTrickComplete(int trick) {
  Judge(trick);
}

void HostRole::Judge(int trick) {
  NetworkedHand& h = hand_;
  if (trick < 1 || trick > 3) return;
  const int host = h.trick_strength(trick, Side::Host);
  const int guest = h.trick_strength(trick, Side::Guest);
  if (host < 0 || guest < 0) return;
  auto& outcome = h.table_.outcome[Index(trick)];
  char next = 'S';
  if (guest > host) {
    outcome = Outcome::Opponent;
    next = 'C';
  } else if (host > guest) {
    outcome = Outcome::Own;
  } else {
    outcome = Outcome::Tie;
    next = h.table_.leader[Index(trick)];
  }
  if (trick == 3) {
    h.classic_.EndHand();
    return;
  }
  h.classic_.GiveTurn(next);
  if (guest > host) {
    h.SetPanel(h.opponent_name_ + kTextKilled + "\r" + kTextWaitLead);
  } else if (host > guest) {
    h.SetPanel(kTextYouKilled);
  }
  h.out_.Send(Turn{SideOf(next)});
}

// ---------------------------------------------------------------------------------------------
// The whole game

void HostRole::Greeted(int version) {
  NetworkedHand& h = hand_;
  // Only before the guest's name: after it the classic hand has begun.
  if (guest_named_) return;
  h.greeted_ = true;
  h.joint_.set_on(version == kJointDealVersion);
  h.proven_.set_on(version >= kProvenDealVersion);
  h.out_.Send(Hello{version});
}

void HostRole::StartWhole() {
  // The whole game deals once both the start and the guest's name are here.
  if (hand_.hands_dealt_ == 0 && !continue_asked_) BeginWholeGame();
}

bool HostRole::WholeDealComplete() const {
  return hand_.joint_.on() || hand_.proven_.on() ? hand_.CardsIn() : hand_.hands_dealt_ > 0;
}

// The kept game is this peer's: the same name at the same table.
bool HostRole::ResumesWithThisPeer() const {
  const NetworkedHand& h = hand_;
  return h.resume_ && h.resume_->opponent_name == h.opponent_name_ &&
         h.resume_->table_key == h.table_key_;
}

// The guest's name is here and so is this side's start.
void HostRole::BeginWholeGame() {
  NetworkedHand& h = hand_;
  if (h.hands_dealt_ > 0 || continue_asked_) return;
  if (h.resume_ && ResumesWithThisPeer()) {
    continue_asked_ = true;
    want_continue_ask_ = true;
    h.SetPanel(kTextWaitDeal);
    return;
  }
  h.resume_.reset();
  Deal();
}

void HostRole::Deal() {
  NetworkedHand& h = hand_;
  if (!h.linked_) return;
  GameState& s = h.game_.mutable_state();
  const GameSettings settings = resumed_settings_.value_or(s.settings);
  h.hand_start_ =
      ResumeState{h.opponent_name_, h.replica_.points(), h.replica_.games(), s.hand_counter,
                  settings,         std::nullopt,        std::nullopt,       h.table_key_};
  h.ClearHand();
  h.finished_ = false;
  h.own_closed_ = true;
  h.NoteTallyBefore(h.replica_.games());
  h.table_.deck = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  h.table_.mode = settings.manilha_mode;
  h.table_.eleven_mode = settings.eleven_mode == 1 ? 1 : 0;

  ++s.hand_counter;
  if (h.joint_.on() || h.proven_.on()) {
    StartJointHand();
    return;
  }
  DealRequest request{h.table_.deck, h.table_.mode, s.cards[kCVira].card};
  // Through the hand: a dealer that answers late finds whichever role the hand holds then.
  h.dealer_->Deal(request, [&hand = hand_](const DealtCards& cards) { hand.CardsDealt(cards); });
}

// The dealer's cards are here: the hand starts on both sides.
void HostRole::CardsDealt(const DealtCards& cards) {
  NetworkedHand& h = hand_;
  const char lead = h.game_.state().hand_counter % 2 == 0 ? 'C' : 'S';
  for (std::size_t i = 0; i < 3; ++i) {
    h.OppCards()[i] = cards.guest[i];
    h.OwnCards()[i] = cards.host[i];
  }
  h.SetVira(cards.vira, h.table_.mode);
  ++h.hands_dealt_;
  h.notes_.Begin(false);
  h.table_.turn = lead;
  h.DealReplica();

  const std::array<int, 2> points = h.replica_.points();
  const std::array<int, 2> games = h.replica_.games();
  h.out_.Send(Settings{h.table_.deck, h.table_.mode, h.table_.eleven_mode});
  h.out_.Send(
      NewHand{lead == 'S' ? Side::Host : Side::Guest, points[0], points[1], games[0], games[1]});
  for (int slot = 1; slot <= 3; ++slot) {
    h.out_.Send(GuestCard{slot, *h.OppCards()[Index(slot - 1)]});
  }
  h.out_.Send(Vira{h.table_.mode, *h.table_.vira});
  h.StartEleven();
}

void HostRole::StartJointHand() {
  NetworkedHand& h = hand_;
  const char lead = h.game_.state().hand_counter % 2 == 0 ? 'C' : 'S';
  ++h.hands_dealt_;
  h.notes_.Begin(false);
  h.table_.turn = lead;
  const std::array<int, 2> points = h.replica_.points();
  const std::array<int, 2> games = h.replica_.games();
  const bool nova = h.table_.mode == ManilhaMode::Nova;
  if (h.joint_.on()) h.joint_.NewHand(h.table_.deck, nova, games);
  h.out_.Send(Settings{h.table_.deck, h.table_.mode, h.table_.eleven_mode});
  h.out_.Send(
      NewHand{lead == 'S' ? Side::Host : Side::Guest, points[0], points[1], games[0], games[1]});
  if (h.proven_.on()) {
    h.proven_.NewHand(h.table_.deck, nova, h.hands_dealt_, games);
  } else {
    h.out_.Send(h.joint_.deal().HostList());
  }
  h.StartEleven();
}

bool HostRole::ReceiveWhole(const Message& message) {
  NetworkedHand& h = hand_;
  if (std::holds_alternative<HandClosed>(message)) {
    if (h.restarting_) {
      // The guest dropped its hand: everything it sent before is behind us. A joint deal
      // waits for the dropped hand's secret to pass.
      h.restarting_ = false;
      if (h.joint_.on() && h.joint_.open()) {
        deal_pending_ = true;
      } else {
        Deal();
      }
    } else if (h.finished_ && !guest_closed_) {
      guest_closed_ = true;
      MaybeDealNext();
    }
    return true;
  }
  if (std::holds_alternative<Restart>(message)) {
    // Our own restart crossed the guest's: its "O" follows.
    if (h.hands_dealt_ == 0 || h.restarting_) return true;
    h.out_.Send(Restart{});
    h.ApplyRestart();
    h.restarting_ = true;
    h.joint_.RevealOwn();
    return true;
  }
  return false;
}

void HostRole::ShowOwnCard(int slot) {
  // The host's card travels only right before its play.
  hand_.out_.Send(HostCard{slot + 1, *hand_.OwnCards()[Index(slot)]});
}

// The replica rates the trick; the guest is told who took it.
void HostRole::CompleteTrick(char letter, int slot, int trick, bool hide) {
  NetworkedHand& h = hand_;
  h.replica_.Play(letter, slot, hide);
  const char taker = h.replica_.TrickTaker(trick);
  h.out_.Send(TrickTaken{trick, taker == 'E' ? std::nullopt : std::optional<Side>(SideOf(taker))});
  h.ApplyTrickResult(trick);
}

void HostRole::ClearHand() {
  guest_closed_ = true;
}

void HostRole::HandEnded() {
  guest_closed_ = false;
  if (hand_.hand_start_) hand_.hand_start_->hand_counter = hand_.game_.state().hand_counter;
}

void HostRole::BoxesClosed() {
  MaybeDealNext();
}

void HostRole::MaybeDealNext() {
  const NetworkedHand& h = hand_;
  if (h.finished_ && h.own_closed_ && guest_closed_ && h.linked_ && !h.restarting_ &&
      !(h.joint_.on() && h.joint_.open())) {
    Deal();
  }
}

bool HostRole::AskOwed() {
  if (!want_continue_ask_) return false;
  want_continue_ask_ = false;
  hand_.Sync();
  hand_.out_.Ask(Question::Continue, kTextContinueQuestion);
  return true;
}

void HostRole::Answered(Question question, bool yes) {
  NetworkedHand& h = hand_;
  if (question != Question::Continue || !continue_asked_ || !h.linked_) return;
  continue_asked_ = false;
  want_continue_ask_ = false;
  std::optional<ResumeState> resume = std::move(h.resume_);
  h.resume_.reset();
  if (yes && resume) {
    h.replica_.SetScore(resume->points, resume->games);
    h.game_.mutable_state().hand_counter = resume->hand_counter;
    resumed_settings_ = resume->settings;
    if (MayResumeHand(*resume) && h.hands_dealt_ == 0) {
      ResumeInterruptedHand(*resume);
      return;
    }
  }
  // The hand starts again: the secrets of a jointly dealt one that was cut off are checked.
  h.joint_.SendOldReveal();
  if (h.hands_dealt_ == 0) Deal();
}

bool HostRole::DropQuestion() {
  const bool asked = continue_asked_;
  continue_asked_ = false;
  return asked;
}

// ---------------------------------------------------------------------------------------------
// The joint deal

void HostRole::OwnCardsIn() {
  hand_.DealReplica();
}

void HostRole::HandChecked() {
  if (deal_pending_) {
    deal_pending_ = false;
    Deal();
  } else {
    MaybeDealNext();
  }
}

// ---------------------------------------------------------------------------------------------
// Going on after a cut

// A kept hand goes on where it stopped; jointly dealt, only with its deal complete and kept (in
// memory, or in the resume file after the host's program closed).
bool HostRole::MayResumeHand(const ResumeState& state) const {
  if (!state.hand || hand_.proven_.on()) return false;
  if (!hand_.joint_.on()) return !state.deal;  // a kept joint deal never goes on in the open
  return state.deal && state.deal->Dealt() && state.deal->HandId().has_value();
}

// A hand under way, dealt (jointly: all its cards open), is kept whole.
bool HostRole::KeepsHand() const {
  const NetworkedHand& h = hand_;
  // A hand dealt by proofs is dealt anew: the guest's part of its deal is not kept.
  return !h.finished_ && h.hands_dealt_ > 0 && !h.restarting_ && !h.proven_.on() &&
         (!h.joint_.on() || h.joint_.deal().Dealt());
}

void HostRole::KeepHand(ResumeState& state) const {
  if (KeepsHand()) state.hand = hand_.table_;
}

std::optional<SideRole::ResumeState> HostRole::Snapshot() const {
  const NetworkedHand& h = hand_;
  if (!h.linked_ || continue_asked_ || !h.whole_game_ || !h.hand_start_) return h.resume_;
  ResumeState state = *h.hand_start_;
  // A jointly dealt hand keeps its deal too (the secret with it), so a crash neither deals it
  // again nor lets it be dropped: it goes on once dealt, else its secrets are checked.
  if (h.joint_.on() && h.joint_.open() && h.joint_.deal().HandId()) state.deal = h.joint_.deal();
  KeepHand(state);
  return state;
}

void HostRole::Sync(GameState& s) const {
  s.used_cards = hand_.used_;
}

// Both said yes to "Continuar a partida?": the hand goes on where the cut left it. The guest is
// sent what it may see of it: its own cards (played or not), the host's cards that lie face up on
// the table, never one still in the host's hand.
void HostRole::ResumeInterruptedHand(const ResumeState& state) {
  NetworkedHand& h = hand_;
  GameState& s = h.game_.mutable_state();
  h.hand_start_ = state;
  h.hand_start_->hand.reset();
  h.hand_start_->deal.reset();
  h.ClearHand();
  HandState& table = h.table_;
  table = *state.hand;
  h.replica_.Load(table, 'S', state.points, state.games);
  s.hand_counter = state.hand_counter + 1;
  h.finished_ = false;
  h.own_closed_ = true;
  h.NoteTallyBefore(h.replica_.games());
  ++h.hands_dealt_;
  h.notes_.Begin(true);
  if (h.joint_.on()) {
    // The kept deal goes on: its cards are checked when the hand ends, as any other.
    h.joint_.TakeUp(*state.deal, h.replica_.games());
  }

  auto letter = [](char c) { return c == 'S' || c == 'C' || c == 'B' ? c : '-'; };
  ResumeHand m;
  m.turn = letter(table.turn);
  m.stake = table.stake;
  m.pending = table.pending_stake;
  m.caller = letter(table.caller);
  m.turn_before_call = letter(table.turn_before_call);
  m.raise_right = letter(table.raise_right);
  m.eleven = letter(table.eleven);
  m.eleven_decided = table.eleven_decided;
  m.eleven_dark = table.eleven_dark;
  m.host_points = h.replica_.points()[0];
  m.guest_points = h.replica_.points()[1];
  m.host_games = h.replica_.games()[0];
  m.guest_games = h.replica_.games()[1];
  for (std::size_t i = 0; i < 3; ++i) m.guest_cards[i] = table.cards[kGuestSeat][i];
  m.vira = table.vira.value_or(Card{});
  for (std::size_t t = 1; t <= 3; ++t) {
    ResumeHand::Trick& trick = m.tricks[t - 1];
    const int hs = table.slot[kHostSeat][t];
    const int gs = table.slot[kGuestSeat][t];
    trick.host_slot = hs + 1;
    trick.host_hidden = table.hidden[kHostSeat][t];
    trick.guest_slot = gs + 1;
    trick.guest_hidden = table.hidden[kGuestSeat][t];
    trick.leader = letter(table.leader[t]);
    switch (table.outcome[t]) {
      case Outcome::Own:
        trick.taker = 'S';
        break;
      case Outcome::Opponent:
        trick.taker = 'C';
        break;
      case Outcome::Tie:
        trick.taker = 'E';
        break;
      case Outcome::None:
        break;
    }
    if (hs >= 0 && !trick.host_hidden) trick.host_card = table.cards[kHostSeat][Index(hs)];
  }
  // Jointly dealt, the host knows only the guest cards shown face up; the hand is named so the
  // guest goes on only with the deal of that very hand.
  if (h.joint_.on()) m.hand_id = h.joint_.deal().HandId();
  h.out_.Send(Settings{table.deck, table.mode, table.eleven_mode});
  h.out_.Send(m);
  h.AskWhatIsOwed();
}

}  // namespace truco::net
