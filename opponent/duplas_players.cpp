#include "opponent/duplas_players.h"

#include <algorithm>
#include <vector>

namespace truco::duplas {
namespace {

// A "2" and up: cards that take most tricks of ordinary cards.
constexpr int kGoodStrength = 8;
// A "3" and the manilhas.
constexpr int kStrongStrength = 9;

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

struct Held {
  std::array<int, kHandSize> slot{};
  std::array<int, kHandSize> strength{};
  int n = 0;
};

// The seat's cards in hand, weakest first.
Held HeldCards(const DuplasView& v) {
  Held h;
  for (int i = 0; i < kHandSize; ++i) {
    if (!v.own_in_hand[U(i)] || !v.own[U(i)]) continue;
    int j = h.n++;
    const int s = v.Strength(*v.own[U(i)]);
    while (j > 0 && h.strength[U(j - 1)] > s) {
      h.slot[U(j)] = h.slot[U(j - 1)];
      h.strength[U(j)] = h.strength[U(j - 1)];
      --j;
    }
    h.slot[U(j)] = i;
    h.strength[U(j)] = s;
  }
  return h;
}

int FirstInHand(const DuplasView& v) {
  for (int i = 0; i < kHandSize; ++i) {
    if (v.own_in_hand[U(i)]) return i;
  }
  return 0;
}

// What the partner's sign promises, as a strength (a middling card when it says nothing).
int SignStrength(Sign sign) {
  switch (sign) {
    case Sign::Zap:
      return kFirstManilhaStrength + 3;
    case Sign::Copas:
      return kFirstManilhaStrength + 2;
    case Sign::Espadilha:
      return kFirstManilhaStrength + 1;
    case Sign::PicaFumo:
      return kFirstManilhaStrength;
    case Sign::Nada:
      return 4;
    case Sign::None:
      break;
  }
  return 6;
}

// The partner's best card still to come: its shown hand, else its sign.
int PartnerPromise(const DuplasView& v) {
  int best = -1;
  bool shown = false;
  for (int i = 0; i < kHandSize; ++i) {
    if (v.partner[U(i)]) {
      shown = true;
      if (v.partner_in_hand[U(i)]) best = std::max(best, v.Strength(*v.partner[U(i)]));
    }
  }
  return shown ? best : SignStrength(v.partner_sign);
}

int TricksWon(const DuplasView& v, int team) {
  int n = 0;
  for (int t = 1; t < v.trick; ++t) {
    const Trick& tr = v.tricks[U(t)];
    if (tr.taker_seat != kNoSeat && TeamOf(tr.taker_seat) == team) ++n;
  }
  return n;
}

// How good the team's hand looks from this seat: own strong cards, the partner's promise, the
// tricks taken and lost.
int HandScore(const DuplasView& v) {
  const Held h = HeldCards(v);
  int score = 0;
  for (int i = 0; i < h.n; ++i) {
    if (h.strength[U(i)] >= kFirstManilhaStrength)
      score += 3;
    else if (h.strength[U(i)] >= kStrongStrength)
      score += 2;
    else if (h.strength[U(i)] >= kGoodStrength)
      score += 1;
  }
  const int promise = PartnerPromise(v);
  if (promise >= kFirstManilhaStrength)
    score += 2;
  else if (promise >= kStrongStrength)
    score += 1;
  score += 3 * TricksWon(v, v.team()) - 3 * TricksWon(v, OtherTeam(v.team()));
  return score;
}

}  // namespace

Sign DuplasPlayer::ChooseSign(const DuplasView& v) {
  const Held h = HeldCards(v);
  return h.n == 0 ? Sign::Nada : SignOfStrength(h.strength[U(h.n - 1)]);
}

CardChoice DuplasRules::ChooseCard(const DuplasView& v) {
  const Held h = HeldCards(v);
  if (h.n == 0) return {FirstInHand(v), false};
  const int weakest = h.slot[0];
  const int strongest = h.slot[U(h.n - 1)];
  const Trick& cur = v.tricks[U(v.trick)];
  const int prev = v.trick > 1 ? v.trick - 1 : 0;
  const Taker prev_result = prev ? v.tricks[U(prev)].result : Taker::Nobody;
  const bool we_won_first = v.trick > 1 && v.tricks[1].taker_seat != kNoSeat &&
                            TeamOf(v.tricks[1].taker_seat) == v.team();

  if (cur.count == 0) {
    if (v.trick == 1) {
      // Lead a good card that is not a manilha, keeping the manilhas for later.
      for (int i = h.n - 1; i >= 0; --i) {
        const int s = h.strength[U(i)];
        if (s < kFirstManilhaStrength && s >= kGoodStrength) return {h.slot[U(i)], false};
      }
      return {weakest, false};
    }
    if (prev_result == Taker::Tie || !we_won_first) return {strongest, false};
    return {weakest, false};
  }

  // Who is taking the trick so far.
  int best = kHiddenStrength - 1;
  int best_seat = kNoSeat;
  bool tied = false;
  for (int i = 0; i < cur.count; ++i) {
    const PlayedCard& p = cur.cards[U(i)];
    const int s = v.StrengthOf(p);
    if (s > best) {
      best = s;
      best_seat = p.seat;
      tied = false;
    } else if (s == best && TeamOf(p.seat) != TeamOf(best_seat)) {
      tied = true;
    }
  }
  const bool last = cur.count == kNumSeats - 1;
  const bool partner_to_play = cur.count == 1;  // leader, me, an opponent, my partner
  const bool partner_taking = !tied && best_seat == PartnerOf(v.seat);

  if (partner_taking) {
    // Never overtake the partner; hide a worthless card once the trick is safe.
    return {weakest, last && v.trick >= 2 && !v.blind};
  }
  // The cheapest card that takes the trick.
  int winner = -1;
  for (int i = 0; i < h.n; ++i) {
    if (h.strength[U(i)] > best) {
      winner = i;
      break;
    }
  }
  // A partner whose sign beats the table takes it, and this seat keeps its manilha.
  if (partner_to_play && PartnerPromise(v) > best && winner >= 0 &&
      h.strength[U(winner)] >= kFirstManilhaStrength) {
    return {weakest, false};
  }
  if (winner >= 0) return {h.slot[U(winner)], false};
  // A tie is worth having in the first trick, or once the first is ours.
  const bool tie_helps = v.trick == 1 || we_won_first;
  if (tie_helps) {
    for (int i = 0; i < h.n; ++i) {
      if (h.strength[U(i)] == best) return {h.slot[U(i)], false};
    }
  }
  return {weakest, false};
}

bool DuplasRules::WantsCall(const DuplasView& v) {
  if (!v.may_call) return false;
  const int score = HandScore(v);
  // Higher rungs need more.
  const int need = 5 + (v.stake >= 3 ? 2 : 0) + (v.stake >= 9 ? 2 : 0);
  return score >= need;
}

CallAnswer DuplasRules::Answer(const DuplasView& v) {
  const RungInfo& info = Info(v.call_rung);
  const int ours = v.points[U(v.team())];
  const int theirs = v.points[U(OtherTeam(v.team()))];
  const int score = HandScore(v);
  const bool running_loses = theirs + info.run_value >= kPointsToWin;
  const int rung = static_cast<int>(v.call_rung);
  if (NextRung(v.call_rung) && score >= 7 + 2 * rung && ours + info.stake < kPointsToWin) {
    return CallAnswer::Raise;
  }
  if (score >= 3 + rung || running_loses) return CallAnswer::Accept;
  return CallAnswer::Run;
}

bool DuplasRules::PlaysEleven(const DuplasView& v) {
  int strong = 0;
  int good = 0;
  for (int i = 0; i < kHandSize; ++i) {
    for (const auto* c : {&v.own[U(i)], &v.partner[U(i)]}) {
      if (!*c) continue;
      const int s = v.Strength(**c);
      if (s >= kStrongStrength) ++strong;
      if (s >= kGoodStrength) ++good;
    }
  }
  // Giving up costs one point; losing at 3 may end the game.
  const int theirs = v.points[U(OtherTeam(v.team()))];
  if (theirs + kElevenStake >= kPointsToWin) return strong >= 2 || good >= 3;
  return strong >= 1 || good >= 3;
}

CardChoice DuplasRandom::ChooseCard(const DuplasView& v) {
  std::array<int, kHandSize> slots{};
  int n = 0;
  for (int i = 0; i < kHandSize; ++i) {
    if (v.own_in_hand[U(i)]) slots[U(n++)] = i;
  }
  if (n == 0) return {};
  const int slot = slots[U(static_cast<int>(rng_() % static_cast<std::uint64_t>(n)))];
  const bool hide = v.trick >= 2 && !v.blind && rng_() % 8 == 0;
  return {slot, hide};
}

bool DuplasRandom::WantsCall(const DuplasView& v) {
  return v.may_call && rng_() % 6 == 0;
}

CallAnswer DuplasRandom::Answer(const DuplasView& v) {
  const auto r = rng_() % 3;
  if (r == 0 && NextRung(v.call_rung)) return CallAnswer::Raise;
  return r == 1 ? CallAnswer::Run : CallAnswer::Accept;
}

bool DuplasRandom::PlaysEleven(const DuplasView&) {
  return rng_() % 2 == 0;
}

int DecidingSeat(const DuplasState& s, int team) {
  // The seat after the one on turn is always of the other team: it answers a call.
  if (s.turn != kNoSeat && TeamOf(NextSeat(s.turn)) == team) return NextSeat(s.turn);
  if (s.turn != kNoSeat && TeamOf(s.turn) == team) return s.turn;
  return team;  // south for team 0, east for team 1
}

bool StepComputer(DuplasGame& game, const std::array<DuplasPlayer*, kNumSeats>& players) {
  const DuplasState& s = game.state();
  const Due due = game.NextDue();
  switch (due.kind) {
    case Due::Kind::Deal:
      return false;
    case Due::Kind::Eleven: {
      const int seat = DecidingSeat(s, due.team);
      DuplasPlayer* p = players[U(seat)];
      if (!p) return false;
      return game.DecideEleven(due.team, p->PlaysEleven(ViewOf(s, seat)));
    }
    case Due::Kind::Answer: {
      const int seat = DecidingSeat(s, due.team);
      DuplasPlayer* p = players[U(seat)];
      if (!p) return false;
      return game.Answer(due.team, p->Answer(ViewOf(s, seat)));
    }
    case Due::Kind::Play: {
      DuplasPlayer* p = players[U(due.seat)];
      if (!p) return false;
      const DuplasView v = ViewOf(s, due.seat);
      if (v.may_call && p->WantsCall(v)) return game.Call(due.seat);
      const CardChoice c = p->ChooseCard(v);
      if (game.Play(due.seat, c.slot, c.hidden)) return true;
      return game.Play(due.seat, c.slot, false);
    }
  }
  return false;
}

std::unique_ptr<DuplasPlayer> MakeDuplasPlayer(const std::string& name, std::uint64_t seed) {
  if (name == "random") return std::make_unique<DuplasRandom>(seed);
  if (name == "rules") return std::make_unique<DuplasRules>();
  if (name == "forte") return std::make_unique<DuplasForte>(seed);
  return nullptr;
}

}  // namespace truco::duplas
