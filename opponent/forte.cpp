#include "opponent/forte.h"

#include <algorithm>
#include <vector>

#include "engine/random.h"

namespace truco {
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

struct Pos {
  std::array<TrickOutcome, 4> out{};
  int trick = 1;
  std::array<int, 3> own{};  // strengths in hand, weakest first
  int n_own = 0;
  std::array<int, 3> opp{};
  int n_opp = 0;
  int own_cur = kNoCard;
  int opp_cur = kNoCard;
  bool we_lead = false;    // who opens the current trick while it is empty
  bool led_by_us = false;  // who opened it once a card lies there
};

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

struct Sample {
  std::array<int, 3> opp{};  // the other side's cards still in hand, weakest first
  int n_opp = 0;
  int best_all = -1;    // its strongest card of the hand, played ones included
  int second_all = -1;  // and its second
};

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

class Sampler {
 public:
  Sampler(const SeatView& v, std::uint64_t seed) {
    random_.Seed(seed);
    const auto values = DeckValues(v.deck_type);
    auto seen = [&](Card c) {
      for (std::size_t i = 0; i < 3; ++i) {
        if (v.own_card[i] == c) return true;
      }
      if (v.vira && *v.vira == c) return true;
      for (std::size_t t = 1; t <= 3; ++t) {
        if (v.opp_card[t] && *v.opp_card[t] == c) return true;
      }
      return false;
    };
    for (std::uint8_t value : values) {
      for (int s = 0; s < kNumSuits; ++s) {
        const Card c{value, static_cast<Suit>(s)};
        if (!seen(c)) pool_.push_back(v.Strength(c));
      }
    }
    // The card being answered is known by its strength only: take one such card out of the pool.
    for (std::size_t t = 1; t <= 3; ++t) {
      const int p = v.opp_played[t];
      if (p >= 0 && !v.opp_card[t]) {
        const auto it = std::find(pool_.begin(), pool_.end(), p);
        if (it != pool_.end()) pool_.erase(it);
      }
      if (v.opp_played[t] != kNoCard) {
        ++played_;
        known_.push_back(p);
      }
    }
    remaining_ = std::max(0, 3 - played_);
  }

  // All deals when the other side holds one card (each unseen card once), else `count` drawn.
  std::vector<Sample> Draw(int count) {
    std::vector<Sample> out;
    if (remaining_ == 0) {
      out.push_back(Finish(Sample{}));
      return out;
    }
    if (remaining_ == 1) {
      for (int strength : pool_) {
        Sample s;
        s.opp[0] = strength;
        s.n_opp = 1;
        out.push_back(Finish(s));
      }
      return out;
    }
    out.reserve(static_cast<std::size_t>(count));
    std::vector<int> pool = pool_;
    const int n = static_cast<int>(pool.size());
    for (int k = 0; k < count && n >= remaining_; ++k) {
      Sample s;
      for (int i = 0; i < remaining_; ++i) {
        const int j = i + random_.Uniform(n - i);
        std::swap(pool[static_cast<std::size_t>(i)], pool[static_cast<std::size_t>(j)]);
        s.opp[static_cast<std::size_t>(i)] = pool[static_cast<std::size_t>(i)];
      }
      s.n_opp = remaining_;
      SortHand(s.opp, remaining_);
      out.push_back(Finish(s));
    }
    return out;
  }

 private:
  Sample Finish(Sample s) const {
    std::array<int, 3> all{-1, -1, -1};
    std::size_t n = 0;
    for (int k : known_) all[n++] = k;
    for (int i = 0; i < s.n_opp && n < 3; ++i) all[n++] = s.opp[static_cast<std::size_t>(i)];
    std::sort(all.begin(), all.end(), std::greater<>());
    s.best_all = all[0];
    s.second_all = all[1];
    return s;
  }

  ClockRandom random_;
  std::vector<int> pool_;
  std::vector<int> known_;
  int played_ = 0;
  int remaining_ = 3;
};

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

enum Kind : std::uint64_t { kCard = 1, kCall, kAnswer, kEleven };

}  // namespace

int ForteJudgement::BestCard(const SeatView& v) const {
  Sampler sampler(v, HashView(v, seed_, kCard));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  int best_slot = -1;
  long best_score = -1000000;
  int last_strength = kNoCard;
  // Weakest first, so of two equally good cards the weaker goes.
  std::array<std::size_t, 3> order{0, 1, 2};
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return v.own_strength[a] < v.own_strength[b];
  });
  for (std::size_t slot : order) {
    if (!v.own_in_hand[slot]) continue;
    if (v.own_strength[slot] == last_strength) continue;
    last_strength = v.own_strength[slot];
    long score = 0;
    for (const Sample& s : samples) {
      Pos p = StartOf(v, s);
      for (int i = 0; i < p.n_own; ++i) {
        if (p.own[static_cast<std::size_t>(i)] == v.own_strength[slot]) {
          Take(p.own, p.n_own, i);
          break;
        }
      }
      p.own_cur = v.own_strength[slot];
      p.led_by_us = p.opp_cur == kNoCard;
      score += Value(p);
    }
    if (best_slot < 0 || score > best_score) {
      best_slot = static_cast<int>(slot);
      best_score = score;
    }
  }
  return best_slot < 0 ? 0 : best_slot;
}

bool ForteJudgement::WantsCall(const SeatView& v) const {
  if (!v.may_call || !v.next_rung) return false;
  if (v.own_points == kHandOfEleven || v.opp_points == kHandOfEleven) return false;
  const RungInfo& info = Info(*v.next_rung);
  Sampler sampler(v, HashView(v, seed_, kCall));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  double call = 0, keep = 0;
  for (const Sample& s : samples) {
    const int result = Value(StartOf(v, s));
    keep += After(v, result, v.stake);
    const double accepts = OppAccepts(v, s, info.run_value);
    call += accepts * After(v, result, info.stake) +
            (1 - accepts) * Win(v.own_points + info.run_value, v.opp_points);
  }
  return call > keep + 0.002 * static_cast<double>(samples.size());
}

CallAnswer ForteJudgement::Answer(const SeatView& v, Rung rung) const {
  const RungInfo& info = Info(rung);
  const double run = Win(v.own_points, v.opp_points + info.run_value);
  Sampler sampler(v, HashView(v, seed_, kAnswer + static_cast<std::uint64_t>(rung) * 8));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  const auto next = NextRung(rung);
  double weight = 0, accept = 0, raise = 0;
  for (const Sample& s : samples) {
    // A call says something about the caller's cards: weigh each deal by how likely it calls.
    const double w = CallLikelihood(s);
    const int result = Value(StartOf(v, s));
    weight += w;
    accept += w * After(v, result, info.stake);
    if (next) {
      const RungInfo& up = Info(*next);
      const bool holds = v.opp_points + info.stake >= kPointsToWin || w >= 1.0;
      raise +=
          w * (holds ? After(v, result, up.stake) : Win(v.own_points + up.run_value, v.opp_points));
    }
  }
  if (weight <= 0) return CallAnswer::Accept;
  accept /= weight;
  raise /= weight;
  if (next && raise > accept + 0.01 && raise > run) return CallAnswer::Raise;
  return accept >= run ? CallAnswer::Accept : CallAnswer::Run;
}

bool ForteJudgement::PlaysEleven(const SeatView& v) const {
  Sampler sampler(v, HashView(v, seed_, kEleven));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  double play = 0;
  for (const Sample& s : samples) play += After(v, Value(StartOf(v, s)), 3);
  const double give_up = Win(v.own_points, v.opp_points + 1) * static_cast<double>(samples.size());
  return play >= give_up;
}

AnswerChoice ForteJudgement::ChooseAnswer(const GameState& state, int player_strength) const {
  const SeatView v = ViewFromComputerSeat(state, player_strength);
  const int slot = BestCard(v);
  return {slot,
          AnswerResult(state, player_strength, v.own_strength[static_cast<std::size_t>(slot)])};
}

LeadChoice ForteJudgement::ChooseLead(const GameState& state) const {
  SeatView v = ViewFromComputerSeat(state);
  v.we_lead_trick = true;
  return {BestCard(v), MayCallBeforeLead(state)};
}

bool ForteJudgement::WantsLeadCall(const GameState& state) const {
  SeatView v = ViewFromComputerSeat(state);
  v.we_lead_trick = true;
  return WantsCall(v);
}

bool ForteJudgement::WantsThirdTrickCall(const GameState& state, int player_strength,
                                         int /*own_strength*/) const {
  return WantsCall(ViewFromComputerSeat(state, player_strength));
}

CallReply ForteJudgement::AnswerCall(const GameState& state, Rung rung) const {
  const CallAnswer answer = Answer(ViewFromComputerSeat(state), rung);
  switch (answer) {
    case CallAnswer::Accept:
      return {answer, "Pode jogar Marreco"};
    case CallAnswer::Raise:
      return {answer, ""};
    case CallAnswer::Run:
      return {answer,
              "Essa eu corro\rVocê Ganhou " + std::to_string(Info(rung).run_value) + " Tento(s)"};
  }
  return {CallAnswer::Accept, "Pode jogar Marreco"};
}

bool ForteJudgement::PlaysHandOfEleven(const GameState& state) const {
  return PlaysEleven(ViewFromComputerSeat(state));
}

}  // namespace truco
