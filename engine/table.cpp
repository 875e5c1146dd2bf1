#include "engine/table.h"

#include <algorithm>
#include <optional>

namespace truco::table {
namespace {

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

// Each action names only what it needs; the rest keeps its default.
Action Action::PlayCard(int seat, int slot, bool hidden) {
  return {.kind = Kind::Play, .seat = seat, .slot = slot, .hidden = hidden};
}
Action Action::CallNext(int seat) { return {.kind = Kind::Call, .seat = seat}; }
Action Action::AnswerCall(int team, CallAnswer answer) {
  return {.kind = Kind::Answer, .team = team, .answer = answer};
}
Action Action::RunFrom(int seat) { return {.kind = Kind::Run, .seat = seat}; }
Action Action::DecideEleven(int team, bool plays) {
  return {.kind = Kind::Eleven, .team = team, .plays = plays};
}
Action Action::ShowSign(int seat, Sign sign) {
  return {.kind = Kind::Sign, .seat = seat, .sign = sign};
}

bool TableState::MayCallNow(int seat) const {
  if (phase != Phase::Play || seat != turn || CallsClosed()) return false;
  return MayCall(stake, false, accepted_team == TeamOf(seat));
}

bool TableState::MayRunNow(int seat) const {
  if (phase != Phase::Play || seat != turn || iron_hand) return false;
  return eleven_team < 0 || eleven_team == TeamOf(seat);
}

int TrickTaker(const TableState& state, const Trick& trick) {
  // Each team's first highest card stands for it; the two meet as one card against one.
  std::array<int, kNumTeams> best{kHiddenStrength - 1, kHiddenStrength - 1};
  std::array<int, kNumTeams> first{kNoSeat, kNoSeat};
  for (int i = 0; i < trick.count; ++i) {
    const PlayedCard& p = trick.cards[U(i)];
    const auto team = U(TeamOf(p.seat));
    const int s = state.StrengthOf(p);
    if (s > best[team]) {
      best[team] = s;
      first[team] = p.seat;
    }
  }
  switch (TrickResult(best[0], best[1])) {
    case Taker::Mine:
      return first[0];
    case Taker::Theirs:
      return first[1];
    default:
      return kNoSeat;
  }
}

Table::Table(RandomSource& random, int seats, TableSettings settings) : random_(random) {
  state_.seats = ValidSeatCount(seats) ? seats : kMaxSeats;
  state_.settings = settings;
}

void Table::NewMatch() {
  const TableState old = state_;
  state_ = TableState{};
  state_.seats = old.seats;
  state_.settings = old.settings;
}

Due Table::NextDue() const {
  const TableState& s = state_;
  switch (s.phase) {
    case Phase::Idle:
      return {Due::Kind::Deal, kNoSeat, kNoTeam};
    case Phase::ElevenDecision:
      return {Due::Kind::Eleven, kNoSeat, s.eleven_team};
    case Phase::Play:
      return {Due::Kind::Play, s.turn, kNoTeam};
    case Phase::CallPending:
      return {Due::Kind::Answer, kNoSeat, OtherTeam(s.call_team)};
  }
  return {};
}

std::vector<Action> Table::LegalActions(int seat) const {
  const TableState& s = state_;
  std::vector<Action> out;
  if (!s.ValidSeat(seat)) return out;
  const int team = TeamOf(seat);
  switch (s.phase) {
    case Phase::Idle:
      break;
    case Phase::ElevenDecision:
      if (team == s.eleven_team) {
        out.push_back(Action::DecideEleven(team, true));
        out.push_back(Action::DecideEleven(team, false));
      }
      break;
    case Phase::CallPending:
      if (team == OtherTeam(s.call_team)) {
        out.push_back(Action::AnswerCall(team, CallAnswer::Accept));
        if (NextRung(s.call_rung)) out.push_back(Action::AnswerCall(team, CallAnswer::Raise));
        out.push_back(Action::AnswerCall(team, CallAnswer::Run));
      }
      break;
    case Phase::Play:
      if (seat != s.turn) break;
      for (int slot = 0; slot < kHandSize; ++slot) {
        if (!s.in_hand[U(seat)][U(slot)]) continue;
        out.push_back(Action::PlayCard(seat, slot, false));
        if (s.MayHideNow()) out.push_back(Action::PlayCard(seat, slot, true));
      }
      if (s.MayCallNow(seat)) out.push_back(Action::CallNext(seat));
      if (s.MayRunNow(seat)) out.push_back(Action::RunFrom(seat));
      break;
  }
  return out;
}

Verdict Table::Check(const Action& a) const {
  const TableState& s = state_;
  switch (a.kind) {
    case Action::Kind::Play:
      if (!s.ValidSeat(a.seat)) return Verdict::NoSuchSeat;
      if (s.phase != Phase::Play || a.seat != s.turn) return Verdict::NotDue;
      if (a.slot < 0 || a.slot >= kHandSize || !s.in_hand[U(a.seat)][U(a.slot)])
        return Verdict::NoSuchCard;
      if (a.hidden && !s.MayHideNow()) return Verdict::MayNotHide;
      if (!a.hidden && s.unseen[U(a.seat)][U(a.slot)]) return Verdict::NoSuchCard;
      return Verdict::Done;
    case Action::Kind::Call:
      if (!s.ValidSeat(a.seat)) return Verdict::NoSuchSeat;
      if (s.phase != Phase::Play || a.seat != s.turn) return Verdict::NotDue;
      return s.MayCallNow(a.seat) ? Verdict::Done : Verdict::MayNotCall;
    case Action::Kind::Answer:
      if (a.team != 0 && a.team != 1) return Verdict::NoSuchSeat;
      if (s.phase != Phase::CallPending || a.team != OtherTeam(s.call_team)) return Verdict::NotDue;
      if (a.answer == CallAnswer::Raise && !NextRung(s.call_rung)) return Verdict::MayNotRaise;
      if (a.answer != CallAnswer::Accept && a.answer != CallAnswer::Raise &&
          a.answer != CallAnswer::Run)
        return Verdict::NotDue;
      return Verdict::Done;
    case Action::Kind::Run:
      if (!s.ValidSeat(a.seat)) return Verdict::NoSuchSeat;
      if (s.phase != Phase::Play || a.seat != s.turn) return Verdict::NotDue;
      return s.MayRunNow(a.seat) ? Verdict::Done : Verdict::MayNotRun;
    case Action::Kind::Eleven:
      if (a.team != 0 && a.team != 1) return Verdict::NoSuchSeat;
      if (s.phase != Phase::ElevenDecision || a.team != s.eleven_team) return Verdict::NotDue;
      return Verdict::Done;
    case Action::Kind::Sign:
      if (!s.ValidSeat(a.seat)) return Verdict::NoSuchSeat;
      if (!s.settings.signs || PartnerOf(a.seat, s.seats) == kNoSeat) return Verdict::SignsOff;
      if (s.phase == Phase::Idle) return Verdict::NotDue;
      return Verdict::Done;
  }
  return Verdict::NotDue;
}

Verdict Table::Apply(const Action& a) {
  const Verdict v = Check(a);
  if (v != Verdict::Done) return v;
  TableState& s = state_;
  switch (a.kind) {
    case Action::Kind::Play:
      PlayCard(a.seat, a.slot, a.hidden);
      break;
    case Action::Kind::Call:
      CallNext(a.seat);
      break;
    case Action::Kind::Answer:
      AnswerCall(a.team, a.answer);
      break;
    case Action::Kind::Run:
      if (observer_) observer_->OnRun(s, a.seat);
      EndHand(OtherTeam(TeamOf(a.seat)), s.stake, PointsReason::Ran);
      break;
    case Action::Kind::Eleven:
      if (observer_) observer_->OnEleven(s, a.team, a.plays);
      if (a.plays) {
        s.stake = kElevenStake;
        s.phase = Phase::Play;
      } else {
        EndHand(OtherTeam(a.team), kElevenGiveUp, PointsReason::ElevenGivenUp);
      }
      break;
    case Action::Kind::Sign:
      s.sign[U(a.seat)] = a.sign;
      break;
  }
  return Verdict::Done;
}

bool Table::Deal() {
  if (state_.phase != Phase::Idle) return false;
  random_.Reseed();
  UsedCards used;
  const char deck = state_.settings.deck_type;
  DealtCards cards;
  cards.vira = Sorteia(deck, used, random_);
  for (int seat = 0; seat < state_.seats; ++seat) {
    for (Card& c : cards.hand[U(seat)]) c = Sorteia(deck, used, random_);
  }
  return DealCards(cards) == Verdict::Done;
}

namespace {

// Marks cards in view, refusing one that is not of the deck or was marked already.
class CardsInView {
 public:
  explicit CardsInView(char deck) : values_(DeckValues(deck)) {}
  bool Take(Card c) {
    const auto suit = static_cast<int>(c.suit);
    if (suit < 0 || suit >= kNumSuits) return false;
    if (std::find(values_.begin(), values_.end(), c.Value) == values_.end()) return false;
    bool& mark = seen_[U(c.Value * kNumSuits + suit)];
    if (mark) return false;
    mark = true;
    return true;
  }

 private:
  std::span<const std::uint8_t> values_;
  std::array<bool, 14 * kNumSuits> seen_{};
};

}  // namespace

Verdict Table::DealCards(const DealtCards& cards, const PartialDeal& partial) {
  TableState& s = state_;
  if (s.phase != Phase::Idle) return Verdict::NotDue;
  // Dealt elsewhere means dealt by a peer: every card of the deck, none twice. The vira of the
  // manilhas velhas decides nothing and is only shown, so it is not checked.
  CardsInView view(s.settings.deck_type);
  bool good = s.settings.manilha_mode == ManilhaMode::Velha || view.Take(cards.vira);
  for (int seat = 0; seat < s.seats; ++seat) {
    for (int slot = 0; slot < kHandSize; ++slot) {
      if (!partial.unseen[U(seat)][U(slot)]) {
        good = view.Take(cards.hand[U(seat)][U(slot)]) && good;
      }
    }
  }
  if (!good) return Verdict::BadDeal;

  if (GameWinner(s.points[0], s.points[1]) != Taker::Nobody) s.points = {};
  s.vira = cards.vira;
  if (s.settings.manilha_mode == ManilhaMode::Nova) {
    s.manilha_value.fill(static_cast<std::uint8_t>(Proxima(s.settings.deck_type, s.vira.Value)));
  } else {
    s.manilha_value = ManilhasVelhas();
  }
  s.hand = {};
  s.in_hand = {};
  s.unseen = {};
  for (int seat = 0; seat < s.seats; ++seat) {
    for (int slot = 0; slot < kHandSize; ++slot) {
      const bool unseen = partial.unseen[U(seat)][U(slot)];
      s.hand[U(seat)][U(slot)] = unseen ? Card{} : cards.hand[U(seat)][U(slot)];
      s.unseen[U(seat)][U(slot)] = unseen;
    }
    s.in_hand[U(seat)].fill(true);
  }
  s.tricks = {};
  s.trick = 1;
  if (s.ValidSeat(partial.leader)) s.next_hand_leader = partial.leader;
  s.hand_leader = s.ValidSeat(s.next_hand_leader) ? s.next_hand_leader : 0;
  s.next_hand_leader = NextSeat(s.hand_leader, s.seats);
  s.turn = s.hand_leader;
  s.tricks[1].leader = s.turn;
  s.stake = 1;
  s.accepted_team = kNoTeam;
  s.call_team = kNoTeam;
  s.sign.fill(Sign::None);
  s.iron_hand = s.points[0] == kHandOfEleven && s.points[1] == kHandOfEleven;
  s.blind = s.iron_hand && s.settings.eleven_mode == 1;
  s.eleven_team = kNoTeam;
  if (!s.iron_hand) {
    for (int t = 0; t < kNumTeams; ++t) {
      if (s.points[U(t)] == kHandOfEleven) s.eleven_team = t;
    }
  }
  s.phase = s.eleven_team >= 0 ? Phase::ElevenDecision : Phase::Play;
  ++s.hands;
  if (observer_) observer_->OnDeal(s);
  return Verdict::Done;
}

Verdict Table::Show(int seat, int slot, Card card) {
  TableState& s = state_;
  if (!s.ValidSeat(seat)) return Verdict::NoSuchSeat;
  if (s.phase == Phase::Idle || slot < 0 || slot >= kHandSize || !s.in_hand[U(seat)][U(slot)] ||
      !s.unseen[U(seat)][U(slot)]) {
    return Verdict::NoSuchCard;
  }
  CardsInView view(s.settings.deck_type);
  bool good = view.Take(card);
  if (s.settings.manilha_mode == ManilhaMode::Nova) good = view.Take(s.vira) && good;
  for (int other = 0; other < s.seats; ++other) {
    for (int i = 0; i < kHandSize; ++i) {
      // Cards played face down stay out of view: the hidden card of a seen hand is still known.
      if (!s.unseen[U(other)][U(i)]) good = view.Take(s.hand[U(other)][U(i)]) && good;
    }
  }
  if (!good) return Verdict::BadDeal;
  s.hand[U(seat)][U(slot)] = card;
  s.unseen[U(seat)][U(slot)] = false;
  return Verdict::Done;
}

void Table::PlayCard(int seat, int slot, bool hidden) {
  TableState& s = state_;
  s.in_hand[U(seat)][U(slot)] = false;
  Trick& t = s.tricks[U(s.trick)];
  t.cards[U(t.count++)] = {seat, s.hand[U(seat)][U(slot)], hidden};
  if (observer_) observer_->OnCard(s, seat);
  if (t.count < s.seats) {
    s.turn = NextSeat(seat, s.seats);
    return;
  }
  CloseTrick();
}

void Table::CloseTrick() {
  TableState& s = state_;
  Trick& t = s.tricks[U(s.trick)];
  t.taker_seat = judge_ ? judge_(s, t) : TrickTaker(s, t);
  t.result = t.taker_seat == kNoSeat     ? Taker::Tie
             : TeamOf(t.taker_seat) == 0 ? Taker::Mine
                                         : Taker::Theirs;
  std::array<Taker, kNumTricks + 1> results{};
  for (int i = 1; i <= s.trick; ++i) results[U(i)] = s.tricks[U(i)].result;
  const Taker winner = HandWinnerOf(results);
  if (winner == Taker::Nobody) {
    // The observer sees the next trick's leader already on turn.
    const int leader = t.taker_seat == kNoSeat ? t.leader : t.taker_seat;
    s.tricks[U(s.trick) + 1].leader = leader;
    s.turn = leader;
    if (observer_) observer_->OnTrick(s, s.trick);
    ++s.trick;
    return;
  }
  if (observer_) observer_->OnTrick(s, s.trick);
  if (winner == Taker::Tie) {
    Redeal();
  } else {
    EndHand(winner == Taker::Mine ? 0 : 1, s.stake, PointsReason::HandWon);
  }
}

void Table::CallNext(int seat) {
  TableState& s = state_;
  s.call_team = TeamOf(seat);
  s.call_rung = *NextCall(s.stake);
  s.phase = Phase::CallPending;
  if (observer_) observer_->OnCall(s, s.call_team);
}

void Table::AnswerCall(int team, CallAnswer answer) {
  TableState& s = state_;
  const RungInfo& info = Info(s.call_rung);
  if (observer_) observer_->OnAnswer(s, team, answer);
  switch (answer) {
    case CallAnswer::Accept:
      s.stake = info.stake;
      s.accepted_team = team;
      s.call_team = kNoTeam;
      s.phase = Phase::Play;
      return;
    case CallAnswer::Raise:
      // A raise accepts the call and names the next rung back.
      s.stake = info.stake;
      s.accepted_team = team;
      s.call_team = team;
      s.call_rung = *NextRung(s.call_rung);
      return;
    case CallAnswer::Run:
      EndHand(s.call_team, info.run_value, PointsReason::CallRefused);
      return;
  }
}

void Table::EndHand(int winner_team, int amount, PointsReason reason) {
  TableState& s = state_;
  int& pts = s.points[U(winner_team)];
  const int before = pts;
  pts = PointsAfter(pts, amount, true);
  s.phase = Phase::Idle;
  s.call_team = kNoTeam;
  s.turn = kNoSeat;
  if (observer_) observer_->OnPoints(s, winner_team, before, reason);
  const Taker g = GameWinner(s.points[0], s.points[1]);
  if (g != Taker::Nobody) {
    const int winner = g == Taker::Mine ? 0 : 1;
    ++s.games[U(winner)];
    if (observer_) observer_->OnGameEnd(s, winner);
  }
}

void Table::Redeal() {
  TableState& s = state_;
  s.phase = Phase::Idle;
  s.turn = kNoSeat;
  if (observer_) observer_->OnRedeal(s);
}

}  // namespace truco::table
