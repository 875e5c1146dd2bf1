#pragma once
// The machinery that "Forte" and "Mestre" share: the chance of winning the game from a score, the
// deals of the unseen cards that agree with a seat's view, and the rest of a hand played out with
// every card known (this seat picks its best card, the other side plays the usual way: the
// cheapest card that wins the trick, else its weakest; it leads its weakest, its strongest after
// a tie).

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/random.h"
#include "opponent/seat_view.h"

namespace truco::sampling {

// Chance of winning the game for a side at `own` points against `opp`.
double Win(int own, int opp);
// Game chance after a hand worth `stake` ends with `result` (+1 won, -1 lost, 0 dealt again).
double After(const SeatView& v, int result, int stake);

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
// hand goes on.
int Decided(const std::array<TrickOutcome, 4>& out, int t);
void SortHand(std::array<int, 3>& cards, int n);
void Take(std::array<int, 3>& cards, int& n, int index);
// The hand's result for this seat from `p`, both sides playing as above.
int Value(const Pos& p);

struct Sample {
  std::array<int, 3> opp{};  // the other side's cards still in hand, weakest first
  int n_opp = 0;
  int best_all = -1;    // its strongest card of the hand, played ones included
  int second_all = -1;  // and its second
};

std::uint64_t Mix(std::uint64_t h, std::uint64_t x);
// A seed from everything the seat sees, so the same position always gets the same decision.
std::uint64_t HashView(const SeatView& v, std::uint64_t seed, std::uint64_t kind);

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

// The position at the seat's view with the other side holding `s`.
Pos StartOf(const SeatView& v, const Sample& s);
// Forte's model of the other side: how likely it accepts a call, how likely it calls.
double OppAccepts(const SeatView& v, const Sample& s, int run_value);
double CallLikelihood(const Sample& s);

}  // namespace truco::sampling
