// mestre_train: learns what "Mestre" knows of the other side's bets, by play.
//
//   mestre_train OUTPUT [--games N] [--seed S]
//
// Players whose bets are worth knowing (the classic computer, "Forte", and "Mestre" itself once a
// first table exists) play duplicate games through the arena, also against an explorer that plays
// its cards as "Forte" and calls at random at every moment it may, so that every moment of a hand
// sees calls. Every answer to a call and every chance to call is counted by the hand of the one
// deciding (its two strongest cards) and the moment; the counts become chances, each cell leaning
// on the coarser cell above it while it has seen little. Two rounds: the second adds "Mestre"
// with the first round's table. The same seed gives the same file, byte for byte.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "opponent/computer.h"
#include "opponent/forte.h"
#include "opponent/mestre.h"
#include "opponent/mestre_data.h"
#include "opponent/seat_view.h"
#include "tools/arena/match.h"

namespace truco {
namespace {

struct Counts {
  std::vector<double> accept_n = std::vector<double>(kAcceptCells);
  std::vector<double> accept_k = std::vector<double>(kAcceptCells);
  std::vector<double> call_n = std::vector<double>(kCallCells);
  std::vector<double> call_k = std::vector<double>(kCallCells);
};

// The two strongest cards of the seat's deal, played ones included.
int OwnClass(const GameState& s) {
  std::array<int, 3> h{s.computer_hand[0].strength, s.computer_hand[1].strength,
                       s.computer_hand[2].strength};
  std::sort(h.begin(), h.end(), std::greater<>());
  return HandClass(h[0], h[1]);
}

// Forwards to `inner` and counts its bets.
class Learner final : public Judgement {
 public:
  Learner(const Judgement& inner, Counts& counts) : inner_(inner), counts_(counts) {}
  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    return inner_.ChooseAnswer(s, p);
  }
  LeadChoice ChooseLead(const GameState& s) const override { return inner_.ChooseLead(s); }
  bool WantsLeadCall(const GameState& s) const override {
    const bool call = inner_.WantsLeadCall(s);
    SeatView v = ViewFromComputerSeat(s);
    CountCall(v, call);
    return call;
  }
  bool WantsThirdTrickCall(const GameState& s, int p, int own) const override {
    const bool call = inner_.WantsThirdTrickCall(s, p, own);
    CountCall(ViewFromComputerSeat(s, p), call);
    return call;
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    const CallReply reply = inner_.AnswerCall(s, rung);
    const SeatView v = ViewFromComputerSeat(s);
    const int cls = OwnClass(s);
    const auto cell =
        static_cast<std::size_t>(AcceptContext(rung, v.trick, v.outcome[1]) * kHandClasses + cls);
    counts_.accept_n[cell] += 1;
    if (reply.answer != CallAnswer::Run) counts_.accept_k[cell] += 1;
    if (const auto next = NextRung(rung)) {
      const auto call_cell = static_cast<std::size_t>(
          CallContext(*next, v.trick, v.outcome[1], true) * kHandClasses + cls);
      counts_.call_n[call_cell] += 1;
      if (reply.answer == CallAnswer::Raise) counts_.call_k[call_cell] += 1;
    }
    return reply;
  }
  bool PlaysHandOfEleven(const GameState& s) const override { return inner_.PlaysHandOfEleven(s); }

 private:
  void CountCall(const SeatView& v, bool call) const {
    if (!v.may_call || !v.next_rung) return;
    if (v.own_points == kHandOfEleven || v.opp_points == kHandOfEleven) return;
    // Only the own hand counts; the view gives the strengths, the state the whole deal.
    std::array<int, 3> h = v.own_strength;
    std::sort(h.begin(), h.end(), std::greater<>());
    const auto cell = static_cast<std::size_t>(
        CallContext(*v.next_rung, v.trick, v.outcome[1], false) * kHandClasses +
        HandClass(h[0], h[1]));
    counts_.call_n[cell] += 1;
    if (call) counts_.call_k[cell] += 1;
  }
  const Judgement& inner_;
  Counts& counts_;
};

// Plays its cards as "Forte" and calls by a coin at every moment it may.
class Explorer final : public Judgement {
 public:
  explicit Explorer(std::uint64_t seed) : forte_(seed) { random_.Seed(seed); }
  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    return forte_.ChooseAnswer(s, p);
  }
  LeadChoice ChooseLead(const GameState& s) const override {
    return {forte_.ChooseLead(s).slot, true};
  }
  bool WantsLeadCall(const GameState&) const override { return random_.Uniform(100) < 35; }
  bool WantsThirdTrickCall(const GameState&, int, int) const override {
    return random_.Uniform(100) < 35;
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    return forte_.AnswerCall(s, rung);
  }
  bool PlaysHandOfEleven(const GameState& s) const override { return forte_.PlaysHandOfEleven(s); }

 private:
  ForteJudgement forte_;
  mutable ClockRandom random_;
};

std::uint64_t SplitMix(std::uint64_t x) {
  std::uint64_t z = x + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Both seatings of `pairs` deal sequences; `make` builds the two players of a game.
template <typename Make>
void Play(long pairs, std::uint64_t seed, Make make) {
  for (long i = 0; i < pairs; ++i) {
    const std::uint64_t game_seed = SplitMix(seed + static_cast<std::uint64_t>(i));
    for (int seating = 0; seating < 2; ++seating) {
      auto [a, b] = make(SplitMix(game_seed + static_cast<std::uint64_t>(seating)));
      if (seating == 0) {
        arena::PlayOneGame(*a, *b, game_seed);
      } else {
        arena::PlayOneGame(*b, *a, game_seed);
      }
    }
  }
}

// Chances from counts: each cell leans on its coarser parent with the weight of a few games.
MestreModel Estimate(const Counts& c) {
  constexpr double kLean = 4.0;
  MestreModel m;
  auto fill = [&](const std::vector<double>& n, const std::vector<double>& k, int contexts,
                  int per_rung, float* out) {
    for (int r = 0; r < 4; ++r) {
      double rn = 0, rk = 0;
      for (int ctx = r * per_rung; ctx < (r + 1) * per_rung; ++ctx) {
        for (int h = 0; h < kHandClasses; ++h) {
          rn += n[static_cast<std::size_t>(ctx * kHandClasses + h)];
          rk += k[static_cast<std::size_t>(ctx * kHandClasses + h)];
        }
      }
      const double p_rung = (rk + 1) / (rn + 2);
      for (int ctx = r * per_rung; ctx < (r + 1) * per_rung; ++ctx) {
        double cn = 0, ck = 0;
        for (int h = 0; h < kHandClasses; ++h) {
          cn += n[static_cast<std::size_t>(ctx * kHandClasses + h)];
          ck += k[static_cast<std::size_t>(ctx * kHandClasses + h)];
        }
        const double p_ctx = (ck + kLean * p_rung) / (cn + kLean);
        for (int best = 0; best < 14; ++best) {
          double bn = 0, bk = 0;
          for (int second = 0; second < 14; ++second) {
            bn += n[static_cast<std::size_t>(ctx * kHandClasses + HandClass(best, second))];
            bk += k[static_cast<std::size_t>(ctx * kHandClasses + HandClass(best, second))];
          }
          const double p_best = (bk + kLean * p_ctx) / (bn + kLean);
          for (int second = 0; second < 14; ++second) {
            const auto cell =
                static_cast<std::size_t>(ctx * kHandClasses + HandClass(best, second));
            out[cell] = static_cast<float>((k[cell] + kLean * p_best) / (n[cell] + kLean));
          }
        }
      }
    }
    (void)contexts;
  };
  fill(c.accept_n, c.accept_k, kAcceptContexts, kAcceptContexts / 4, m.accept.data());
  fill(c.call_n, c.call_k, kCallContexts, kCallContexts / 4, m.call.data());
  return m;
}

using Pair = std::pair<std::unique_ptr<Judgement>, std::unique_ptr<Judgement>>;

void Round(Counts& counts, long pairs, std::uint64_t seed, const MestreModel* model) {
  // Every player whose bets are learned sits behind a Learner; the explorer does not.
  struct Owned {
    std::unique_ptr<Judgement> inner;
    std::unique_ptr<Judgement> learner;
  };
  auto learned = [&](std::unique_ptr<Judgement> inner) {
    auto owner = std::make_shared<Owned>();
    owner->learner = std::make_unique<Learner>(*inner, counts);
    owner->inner = std::move(inner);
    return owner;
  };
  std::vector<std::shared_ptr<Owned>> keep;
  auto forte = [&](std::uint64_t s) -> const Judgement& {
    keep.push_back(learned(std::make_unique<ForteJudgement>(s)));
    return *keep.back()->learner;
  };
  auto classic = [&](std::uint64_t) -> const Judgement& {
    keep.push_back(learned(std::make_unique<ComputerJudgement>()));
    return *keep.back()->learner;
  };
  struct Ref final : public Judgement {
    explicit Ref(const Judgement& j) : j_(j) {}
    AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
      return j_.ChooseAnswer(s, p);
    }
    LeadChoice ChooseLead(const GameState& s) const override { return j_.ChooseLead(s); }
    bool WantsLeadCall(const GameState& s) const override { return j_.WantsLeadCall(s); }
    bool WantsThirdTrickCall(const GameState& s, int p, int o) const override {
      return j_.WantsThirdTrickCall(s, p, o);
    }
    CallReply AnswerCall(const GameState& s, Rung r) const override { return j_.AnswerCall(s, r); }
    bool PlaysHandOfEleven(const GameState& s) const override { return j_.PlaysHandOfEleven(s); }
    const Judgement& j_;
  };
  auto ref = [](const Judgement& j) { return std::make_unique<Ref>(j); };
  auto explorer = [](std::uint64_t s) { return std::make_unique<Explorer>(s); };
  auto other = [&](std::uint64_t s) -> std::unique_ptr<Judgement> {
    if (model) return std::make_unique<MestreJudgement>(*model, s);
    return explorer(s);
  };

  Play(pairs, seed * 7 + 1, [&](std::uint64_t s) {
    keep.clear();
    return Pair{explorer(s), ref(forte(SplitMix(s)))};
  });
  Play(pairs, seed * 7 + 2, [&](std::uint64_t s) {
    keep.clear();
    return Pair{explorer(s), ref(classic(s))};
  });
  Play(pairs, seed * 7 + 3, [&](std::uint64_t s) {
    keep.clear();
    return Pair{ref(forte(s)), ref(classic(s))};
  });
  Play(pairs / 2, seed * 7 + 4, [&](std::uint64_t s) {
    keep.clear();
    return Pair{ref(forte(s)), ref(forte(SplitMix(s)))};
  });
  Play(pairs / 2, seed * 7 + 5, [&](std::uint64_t s) {
    keep.clear();
    return Pair{ref(classic(s)), ref(classic(s))};
  });
  if (model) {
    Play(pairs, seed * 7 + 6, [&](std::uint64_t s) {
      keep.clear();
      return Pair{other(s), ref(forte(SplitMix(s)))};
    });
    Play(pairs, seed * 7 + 7, [&](std::uint64_t s) {
      keep.clear();
      return Pair{other(s), ref(classic(s))};
    });
  }
}

bool ParseNumber(const char* text, unsigned long long& out) {
  char* end = nullptr;
  out = std::strtoull(text, &end, 10);
  return end && *end == '\0' && end != text;
}

}  // namespace
}  // namespace truco

int main(int argc, char** argv) {
  using namespace truco;
  std::string output;
  unsigned long long games = 4000, seed = 2026;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--games" && i + 1 < argc && ParseNumber(argv[i + 1], games)) {
      ++i;
    } else if (arg == "--seed" && i + 1 < argc && ParseNumber(argv[i + 1], seed)) {
      ++i;
    } else if (arg == "--help" || arg == "-h") {
      std::puts("usage: mestre_train OUTPUT [--games N] [--seed S]");
      return 0;
    } else if (output.empty()) {
      output = arg;
    } else {
      std::fputs("usage: mestre_train OUTPUT [--games N] [--seed S]\n", stderr);
      return 2;
    }
  }
  if (output.empty()) {
    std::fputs("usage: mestre_train OUTPUT [--games N] [--seed S]\n", stderr);
    return 2;
  }
  const long pairs = static_cast<long>(games / 2);
  Counts counts;
  Round(counts, pairs, seed, nullptr);
  const MestreModel first = Estimate(counts);
  std::fprintf(stderr, "mestre_train: first round done\n");
  Round(counts, pairs, seed + 1, &first);
  const std::string bytes = EncodeMestreData(Estimate(counts));
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "mestre_train: cannot write %s\n", output.c_str());
    return 1;
  }
  std::fprintf(stderr, "mestre_train: %zu bytes to %s\n", bytes.size(), output.c_str());
  return 0;
}
