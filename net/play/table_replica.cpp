#include "net/play/table_replica.h"

#include "engine/ladder.h"

namespace truco::net {

using table::Action;
using table::Phase;
using table::Verdict;

namespace {

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

}  // namespace

TableReplica::TableReplica() : table_(no_draws_, 2) {
  table_.set_observer(this);
}

void TableReplica::SetSettings(char deck, ManilhaMode mode, int eleven_mode) {
  table_.set_settings({.deck_type = deck,
                       .manilha_mode = mode,
                       .eleven_mode = eleven_mode,
                       .signs = false,
                       .hide_when_blind = true});
}

void TableReplica::SetScore(std::array<int, 2> points, std::array<int, 2> games) {
  table::TableState& s = table_.mutable_state();
  s.points = points;
  s.games = games;
}

void TableReplica::DropHand() {
  table::TableState& s = table_.mutable_state();
  s.phase = Phase::Idle;
  s.turn = table::kNoSeat;
  s.call_team = table::kNoTeam;
  hand_end_.reset();
}

Verdict TableReplica::Deal(const HandState& hand, char lead) {
  DropHand();
  SetSettings(hand.deck, hand.mode, hand.eleven_mode);
  table::DealtCards cards;
  table::PartialDeal partial;
  cards.vira = hand.vira.value_or(Card{});
  for (int seat = 0; seat < 2; ++seat) {
    for (int slot = 0; slot < 3; ++slot) {
      const std::optional<Card>& card = hand.cards[U(seat)][U(slot)];
      cards.hand[U(seat)][U(slot)] = card.value_or(Card{});
      partial.unseen[U(seat)][U(slot)] = !card;
    }
  }
  partial.leader = SeatOf(lead);
  return table_.DealCards(cards, partial);
}

// The picture names, per side, the slot played into each trick and how; the table holds each
// trick's cards in the order played, from its leader on.
void TableReplica::Load(const HandState& h, char keeper, std::array<int, 2> points,
                        std::array<int, 2> games) {
  DropHand();
  SetSettings(h.deck, h.mode, h.eleven_mode);
  table::TableState& s = table_.mutable_state();
  const table::TableState fresh{.seats = 2, .settings = s.settings};
  s = fresh;
  s.points = points;
  s.games = games;
  s.vira = h.vira.value_or(Card{});
  s.manilha_value = h.manilhas;
  auto seat_of = [](char letter) { return letter == 'S' ? 0 : letter == 'C' ? 1 : table::kNoSeat; };
  for (int seat = 0; seat < 2; ++seat) {
    for (int slot = 0; slot < 3; ++slot) {
      const std::optional<Card>& card = h.cards[U(seat)][U(slot)];
      s.hand[U(seat)][U(slot)] = card.value_or(Card{});
      s.unseen[U(seat)][U(slot)] = !card;
      s.in_hand[U(seat)][U(slot)] = true;
    }
  }
  s.trick = 0;
  for (int t = 1; t <= 3; ++t) {
    table::Trick& trick = s.tricks[U(t)];
    trick.leader = seat_of(h.leader[U(t)]);
    for (int i = 0; i < 2; ++i) {
      const int seat = trick.leader == 1 ? 1 - i : i;
      const int slot = h.slot[U(seat)][U(t)];
      if (slot < 0 || slot > 2) continue;
      s.in_hand[U(seat)][U(slot)] = false;
      trick.cards[U(trick.count++)] = {seat, s.hand[U(seat)][U(slot)], h.hidden[U(seat)][U(t)]};
    }
    const Outcome o = h.outcome[U(t)];
    const int own = SeatOf(keeper);
    trick.taker_seat = o == Outcome::Own ? own : o == Outcome::Opponent ? 1 - own : table::kNoSeat;
    trick.result = o == Outcome::None      ? Taker::Nobody
                   : o == Outcome::Tie     ? Taker::Tie
                   : trick.taker_seat == 0 ? Taker::Mine
                                           : Taker::Theirs;
    if (o == Outcome::None && s.trick == 0) s.trick = t;
  }
  if (s.trick == 0) s.trick = 3;
  s.turn = seat_of(h.turn);
  // The trick under way is led by whoever is on turn when it has no card yet.
  if (s.tricks[U(s.trick)].leader == table::kNoSeat) s.tricks[U(s.trick)].leader = s.turn;
  s.hand_leader = s.tricks[1].leader;
  s.stake = h.stake;
  s.accepted_team = seat_of(h.raise_right);
  s.eleven_team = h.eleven == 'S' || h.eleven == 'C' ? seat_of(h.eleven) : table::kNoTeam;
  s.iron_hand = h.eleven == 'B';
  s.blind = h.eleven_dark;
  s.phase = Phase::Play;
  if (h.pending_stake != 0) {
    s.phase = Phase::CallPending;
    s.call_team = seat_of(h.caller);
    s.call_rung = RungOfStake(h.pending_stake);
    // Above the first rung the call waiting is the caller's raise, which accepted the rung below.
    s.accepted_team = h.stake > 1 ? s.call_team : table::kNoTeam;
  } else if (s.eleven_team >= 0 && !h.eleven_decided) {
    s.phase = Phase::ElevenDecision;
  }
  s.hands = 1;
}

Verdict TableReplica::Show(char letter, int slot, Card card) {
  return table_.Show(SeatOf(letter), slot, card);
}

Verdict TableReplica::Apply(const Action& action) {
  const Verdict v = table_.Apply(action);
  if (v == Verdict::Done && hand_end_ && hand_end_->game_over) {
    // The wire sends the next deal from 0 to 0: a won game's points go with its last hand.
    table_.mutable_state().points = {};
  }
  return v;
}

Verdict TableReplica::Play(char letter, int slot, bool hide) {
  return Apply(Action::PlayCard(SeatOf(letter), slot, hide));
}

Verdict TableReplica::PlayJudged(char letter, int slot, bool hide, char taker) {
  const int seat = taker == 'S' || taker == 'C' ? SeatOf(taker) : table::kNoSeat;
  table_.set_trick_judge([seat](const table::TableState&, const table::Trick&) { return seat; });
  const Verdict v = Play(letter, slot, hide);
  table_.set_trick_judge(nullptr);
  return v;
}

Verdict TableReplica::Call(char letter, int stake) {
  if (CallableStake(letter) != stake) return Verdict::MayNotCall;
  if (table_.state().phase == Phase::CallPending) {
    return Apply(Action::AnswerCall(SeatOf(letter), CallAnswer::Raise));
  }
  return Apply(Action::CallNext(SeatOf(letter)));
}

Verdict TableReplica::Accept(char letter, int stake) {
  if (pending_stake() == 0 || pending_stake() != stake) return Verdict::NotDue;
  return Apply(Action::AnswerCall(SeatOf(letter), CallAnswer::Accept));
}

Verdict TableReplica::Run(char letter) {
  const table::TableState& s = table_.state();
  const int seat = SeatOf(letter);
  if (s.phase == Phase::CallPending) return Apply(Action::AnswerCall(seat, CallAnswer::Run));
  // Running while deciding the hand of eleven gives it up; it is worth one point either way.
  if (s.phase == Phase::ElevenDecision) return Apply(Action::DecideEleven(seat, false));
  return Apply(Action::RunFrom(seat));
}

Verdict TableReplica::Eleven(char letter, bool plays) {
  return Apply(Action::DecideEleven(SeatOf(letter), plays));
}

bool TableReplica::MayPlay(char letter) const {
  const table::TableState& s = table_.state();
  return s.phase == Phase::Play && s.turn == SeatOf(letter);
}

Verdict TableReplica::CanPlay(char letter, int slot, bool hide) const {
  return table_.Check(Action::PlayCard(SeatOf(letter), slot, hide));
}

bool TableReplica::MayRun(char letter) const {
  const table::TableState& s = table_.state();
  const int seat = SeatOf(letter);
  switch (s.phase) {
    case Phase::CallPending:
      return table_.Check(Action::AnswerCall(seat, CallAnswer::Run)) == Verdict::Done;
    case Phase::ElevenDecision:
      return table_.Check(Action::DecideEleven(seat, false)) == Verdict::Done;
    default:
      return table_.Check(Action::RunFrom(seat)) == Verdict::Done;
  }
}

std::optional<int> TableReplica::CallableStake(char letter) const {
  const table::TableState& s = table_.state();
  const int seat = SeatOf(letter);
  if (s.phase == Phase::CallPending) {
    const auto next = NextRung(s.call_rung);
    if (!next || table_.Check(Action::AnswerCall(seat, CallAnswer::Raise)) != Verdict::Done) {
      return std::nullopt;
    }
    return Info(*next).stake;
  }
  if (table_.Check(Action::CallNext(seat)) != Verdict::Done) return std::nullopt;
  return Info(*NextCall(s.stake)).stake;
}

char TableReplica::actor() const {
  const table::TableState& s = table_.state();
  switch (s.phase) {
    case Phase::Idle:
      return ' ';
    case Phase::ElevenDecision:
      return LetterOf(s.eleven_team);
    case Phase::CallPending:
      return LetterOf(table::OtherTeam(s.call_team));
    case Phase::Play:
      return LetterOf(s.turn);
  }
  return ' ';
}

char TableReplica::turn() const {
  return LetterOf(table_.state().turn);
}

int TableReplica::pending_stake() const {
  const table::TableState& s = table_.state();
  return s.phase == Phase::CallPending ? Info(s.call_rung).stake : 0;
}

char TableReplica::caller() const {
  const table::TableState& s = table_.state();
  return s.phase == Phase::CallPending ? LetterOf(s.call_team) : ' ';
}

char TableReplica::TrickTaker(int trick) const {
  if (trick < 1 || trick > 3) return ' ';
  const table::Trick& t = table_.state().tricks[U(trick)];
  switch (t.result) {
    case Taker::Tie:
      return 'E';
    case Taker::Mine:
      return 'S';
    case Taker::Theirs:
      return 'C';
    default:
      return ' ';
  }
}

void TableReplica::OnPoints(const table::TableState& s, int team, int before,
                            table::PointsReason why) {
  HandEnd end;
  end.winner = LetterOf(team);
  switch (why) {
    case table::PointsReason::HandWon:
    case table::PointsReason::Ran:
      end.amount = s.stake;
      break;
    case table::PointsReason::CallRefused:
      end.amount = Info(s.call_rung).run_value;
      break;
    case table::PointsReason::ElevenGivenUp:
      end.amount = kElevenGiveUp;
      break;
  }
  end.before = s.points;
  end.before[U(team)] = before;
  end.after = s.points;
  end.game_over = GameWinner(s.points[0], s.points[1]) != Taker::Nobody;
  hand_end_ = end;
}

void TableReplica::OnRedeal(const table::TableState& s) {
  hand_end_ = HandEnd{' ', 0, s.points, s.points, false};
}

}  // namespace truco::net
