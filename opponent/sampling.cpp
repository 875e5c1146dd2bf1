#include "opponent/sampling.h"

namespace truco::sampling {
namespace {

constexpr std::size_t kNumPoints = kPointsToWin + 1;
using WinTable = std::array<std::array<double, kNumPoints>, kNumPoints>;

// Chance of winning the game from a score, for a side that wins half the hands, with hands worth
// 1 most of the time and now and then 3 or 6. Bets are weighed by how they move this chance, so
// the score decides how much a point is worth (nothing is lost by accepting when running would
// hand over the game anyway).
const WinTable& GameWinChance() {
  static const WinTable table = [] {
    constexpr std::array<std::pair<int, double>, 3> kStakes{{{1, 0.65}, {3, 0.27}, {6, 0.08}}};
    WinTable w{};
    for (int a = kPointsToWin; a >= 0; --a) {
      for (int b = kPointsToWin; b >= 0; --b) {
        const auto ua = static_cast<std::size_t>(a);
        const auto ub = static_cast<std::size_t>(b);
        if (a >= kPointsToWin) {
          w[ua][ub] = b >= kPointsToWin ? 0.5 : 1.0;
          continue;
        }
        if (b >= kPointsToWin) {
          w[ua][ub] = 0.0;
          continue;
        }
        double v = 0;
        for (const auto& [stake, chance] : kStakes) {
          const auto up = static_cast<std::size_t>(std::min(kPointsToWin, a + stake));
          const auto down = static_cast<std::size_t>(std::min(kPointsToWin, b + stake));
          v += chance * 0.5 * (w[up][ub] + w[ua][down]);
        }
        w[ua][ub] = v;
      }
    }
    return w;
  }();
  return table;
}

}  // namespace

double Win(int own, int opp) {
  const auto a = static_cast<std::size_t>(std::clamp(own, 0, kPointsToWin));
  const auto b = static_cast<std::size_t>(std::clamp(opp, 0, kPointsToWin));
  return GameWinChance()[a][b];
}

// Game chance after a hand worth `stake` ends with `result` (+1 won, -1 lost, 0 dealt again).
double After(const SeatView& v, int result, int stake) {
  if (result > 0) return Win(v.own_points + stake, v.opp_points);
  if (result < 0) return Win(v.own_points, v.opp_points + stake);
  return Win(v.own_points, v.opp_points);
}

// ---------------------------------------------------------------------------------------------
// Playing the rest of a hand out with every card known: this seat picks its best card, the
// other side plays the usual way (the cheapest card that wins the trick, else its weakest; it
// leads its weakest, its strongest after a tie).

// The hand's result once it is decided after trick `t`: +1, -1, 0 (all three tied); 2 when the
// hand goes on. Tricks are credited as the table credits them, ties included.
int Decided(const std::array<TrickOutcome, 4>& out, int t) {
  if (t < 2) return 2;
  int us = 0, them = 0;
  for (int i = 1; i <= t; ++i) {
    switch (out[static_cast<std::size_t>(i)]) {
      case TrickOutcome::Won:
        ++us;
        break;
      case TrickOutcome::Lost:
        ++them;
        break;
      case TrickOutcome::Tied:
        if (i == 1 || (i == 2 && out[1] != TrickOutcome::Tied)) {
          ++us;
          ++them;
        } else if (i == 3) {
          if (out[1] == TrickOutcome::Won) ++us;
          if (out[1] == TrickOutcome::Lost) ++them;
        }
        break;
      case TrickOutcome::Open:
        break;
    }
  }
  if (us >= 2 && them < 2) return 1;
  if (them >= 2 && us < 2) return -1;
  return t == 3 ? 0 : 2;
}

// Weakest first, for the few cards of one hand.
void SortHand(std::array<int, 3>& cards, int n) {
  for (std::size_t i = 1; i < 3 && static_cast<int>(i) < n; ++i) {
    for (std::size_t j = i; j > 0 && cards[j] < cards[j - 1]; --j)
      std::swap(cards[j], cards[j - 1]);
  }
}

void Take(std::array<int, 3>& cards, int& n, int index) {
  for (int i = index; i + 1 < n; ++i)
    cards[static_cast<std::size_t>(i)] = cards[static_cast<std::size_t>(i) + 1];
  --n;
}

int OppAnswerIndex(const Pos& p) {
  for (int i = 0; i < p.n_opp; ++i) {
    if (p.opp[static_cast<std::size_t>(i)] > p.own_cur) return i;
  }
  return 0;
}

int OppLeadIndex(const Pos& p) {
  const bool after_tie =
      p.trick > 1 && p.out[static_cast<std::size_t>(p.trick - 1)] == TrickOutcome::Tied;
  return after_tie ? p.n_opp - 1 : 0;
}

int Value(const Pos& p) {
  if (p.own_cur != kNoCard && p.opp_cur != kNoCard) {
    Pos q = p;
    const TrickOutcome o = p.own_cur > p.opp_cur   ? TrickOutcome::Won
                           : p.own_cur < p.opp_cur ? TrickOutcome::Lost
                                                   : TrickOutcome::Tied;
    q.out[static_cast<std::size_t>(p.trick)] = o;
    const int r = Decided(q.out, p.trick);
    if (r != 2) return r;
    if (p.trick >= 3) return 0;
    ++q.trick;
    q.own_cur = q.opp_cur = kNoCard;
    q.we_lead = o == TrickOutcome::Won || (o == TrickOutcome::Tied && p.led_by_us);
    return Value(q);
  }
  const bool our_move = p.own_cur == kNoCard && (p.opp_cur != kNoCard || p.we_lead);
  if (our_move) {
    if (p.n_own == 0) return 0;
    int best = -2;
    for (int i = 0; i < p.n_own; ++i) {
      if (i > 0 && p.own[static_cast<std::size_t>(i)] == p.own[static_cast<std::size_t>(i) - 1])
        continue;
      Pos q = p;
      q.own_cur = p.own[static_cast<std::size_t>(i)];
      q.led_by_us = p.opp_cur == kNoCard;
      Take(q.own, q.n_own, i);
      best = std::max(best, Value(q));
      if (best == 1) break;
    }
    return best;
  }
  if (p.n_opp == 0) return 0;
  Pos q = p;
  const int i = p.own_cur != kNoCard ? OppAnswerIndex(p) : OppLeadIndex(p);
  q.opp_cur = p.opp[static_cast<std::size_t>(i)];
  q.led_by_us = p.own_cur != kNoCard;
  Take(q.opp, q.n_opp, i);
  return Value(q);
}

// ---------------------------------------------------------------------------------------------
// The unseen cards and the deals of them that agree with the view.

std::uint64_t Mix(std::uint64_t h, std::uint64_t x) {
  h ^= x + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h;
}

std::uint64_t HashView(const SeatView& v, std::uint64_t seed, std::uint64_t kind) {
  std::uint64_t h = Mix(seed, kind);
  for (std::size_t i = 0; i < 3; ++i) {
    h = Mix(h, static_cast<std::uint64_t>(v.own_card[i].Value) * 8 +
                   static_cast<std::uint64_t>(v.own_card[i].suit) * 2 + (v.own_in_hand[i] ? 1 : 0));
  }
  for (std::size_t t = 1; t <= 3; ++t) {
    h = Mix(h, static_cast<std::uint64_t>(v.opp_played[t] + 3) * 64 +
                   static_cast<std::uint64_t>(v.own_played[t] + 3) * 4 +
                   static_cast<std::uint64_t>(v.outcome[t]));
  }
  h = Mix(h, v.vira ? v.vira->Value * 4u + static_cast<unsigned>(v.vira->suit) : 99u);
  h = Mix(h, static_cast<std::uint64_t>(v.own_points * 1000 + v.opp_points * 10 + v.stake));
  return h;
}

Pos StartOf(const SeatView& v, const Sample& s) {
  Pos p;
  p.out = v.outcome;
  p.trick = v.trick;
  for (std::size_t i = 0; i < 3; ++i) {
    if (v.own_in_hand[i]) p.own[static_cast<std::size_t>(p.n_own++)] = v.own_strength[i];
  }
  SortHand(p.own, p.n_own);
  p.opp = s.opp;
  p.n_opp = s.n_opp;
  const auto cur = static_cast<std::size_t>(v.trick);
  p.own_cur = v.own_played[cur];
  p.opp_cur = v.opp_played[cur];
  p.we_lead = v.we_lead_trick;
  p.led_by_us = p.own_cur != kNoCard && p.opp_cur == kNoCard;
  return p;
}

// How likely the other side accepts a call: always when running would hand this seat the game;
// otherwise a blend of two habits, accepting with two fair cards or a high manilha, and
// accepting with any manilha.
double OppAccepts(const SeatView& v, const Sample& s, int run_value) {
  if (v.own_points + run_value >= kPointsToWin) return 1.0;
  const bool fair = (s.best_all >= 7 && s.second_all >= 6) || s.best_all >= 11;
  const bool manilha = s.best_all >= kFirstManilhaStrength;
  return 0.65 * (fair ? 1.0 : 0.0) + 0.35 * (manilha ? 1.0 : 0.0);
}

// How likely the other side calls with these cards: mostly with a 3 or a manilha, seldom with
// less.
double CallLikelihood(const Sample& s) {
  if (s.best_all >= 9 || (s.best_all >= 8 && s.second_all >= 7)) return 1.0;
  return 0.05;
}

}  // namespace truco::sampling
