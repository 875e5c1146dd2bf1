#include "opponent/mestre.h"

#include <algorithm>
#include <vector>

#include "opponent/sampling.h"

namespace truco {

using namespace sampling;

namespace {

enum Kind : std::uint64_t { kCall = 11, kAnswer = 12, kChance = 13, kCard = 14 };

// Margins on the chance of winning the game, found in the arena: the model is learned, not exact,
// and the playouts let this seat see the other hand, so a bet that barely pays on paper loses.
// A call must gain this much per deal tried.
constexpr double kCallMargin = 0.025;
// Accepting must beat running by this much.
constexpr double kAcceptMargin = 0.05;
// And raising must beat accepting by this much: raising in answer on a thin edge lost games.
constexpr double kRaiseMargin = 0.10;

int ClassOf(const Sample& s) {
  return HandClass(s.best_all, s.second_all);
}

// How likely the other side accepts (or raises) `rung` holding `s`: always when running would
// hand this seat the game.
double OppAccepts(const MestreModel& model, const SeatView& v, const Sample& s, Rung rung) {
  if (v.own_points + Info(rung).run_value >= kPointsToWin) return 1.0;
  return model.Accepts(AcceptContext(rung, v.trick, Flipped(v.outcome[1])), ClassOf(s));
}

// How likely the other side's bets so far are with the hand `s`: a stake above 1 was called by one
// side and accepted by the other, and either says something about the other side's cards.
double HistoryWeight(const MestreModel& model, const SeatView& v, const Sample& s) {
  if (v.stake <= 1) return 1.0;
  Rung last = Rung::Trucar;
  for (Rung r : {Rung::Trucar, Rung::Seis, Rung::Nove, Rung::Doze}) {
    if (Info(r).stake == v.stake) last = r;
  }
  const TrickOutcome first = Flipped(v.outcome[1]);
  // This seat holds the right to the next rung: the other side made the last call.
  if (v.may_call) return model.Calls(CallContext(last, v.trick, first, false), ClassOf(s)) + 0.02;
  return model.Accepts(AcceptContext(last, v.trick, first), ClassOf(s)) + 0.02;
}

}  // namespace

bool RaisedInAnswer(const SeatView& v, Rung rung) {
  // A call made in its turn finds the stake of the rung below in force; a raise finds less.
  return v.stake < Info(rung).run_value;
}

bool MestreJudgement::WantsCall(const SeatView& v) const {
  if (!v.may_call || !v.next_rung) return false;
  if (v.own_points == kHandOfEleven || v.opp_points == kHandOfEleven) return false;
  const Rung rung = *v.next_rung;
  const RungInfo& info = Info(rung);
  Sampler sampler(v, HashView(v, seed_, kCall));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  double call = 0, keep = 0;
  const double run = Win(v.own_points + info.run_value, v.opp_points);
  double weight = 0;
  for (const Sample& s : samples) {
    const double h = HistoryWeight(model_, v, s);
    const int result = Value(StartOf(v, s));
    keep += h * After(v, result, v.stake);
    const double accepts = OppAccepts(model_, v, s, rung);
    call += h * (accepts * After(v, result, info.stake) + (1 - accepts) * run);
    weight += h;
  }
  return call > keep + kCallMargin * weight;
}

CallAnswer MestreJudgement::Answer(const SeatView& v, Rung rung) const {
  const RungInfo& info = Info(rung);
  const double run = Win(v.own_points, v.opp_points + info.run_value);
  Sampler sampler(v, HashView(v, seed_, kAnswer + static_cast<std::uint64_t>(rung) * 16));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  const auto next = NextRung(rung);
  // The call came from the other side: its own turn to call, or a raise of this seat's call.
  const bool in_answer = RaisedInAnswer(v, rung);
  const int context = CallContext(rung, v.trick, Flipped(v.outcome[1]), in_answer);
  double weight = 0, accept = 0, raise = 0;
  for (const Sample& s : samples) {
    // A call says something about the caller's cards: weigh each deal by how often such a hand
    // was seen to call here.
    const double w = (model_.Calls(context, ClassOf(s)) + 1e-4) * HistoryWeight(model_, v, s);
    const int result = Value(StartOf(v, s));
    weight += w;
    accept += w * After(v, result, info.stake);
    if (next) {
      const RungInfo& up = Info(*next);
      double holds = 1.0;
      if (v.opp_points + info.stake < kPointsToWin) {
        holds = model_.Accepts(AcceptContext(*next, v.trick, Flipped(v.outcome[1])), ClassOf(s));
      }
      raise += w * (holds * After(v, result, up.stake) +
                    (1 - holds) * Win(v.own_points + up.run_value, v.opp_points));
    }
  }
  if (weight <= 0) return CallAnswer::Accept;
  accept /= weight;
  raise /= weight;
  if (next && raise > accept + kRaiseMargin && raise > run) return CallAnswer::Raise;
  return accept >= run + kAcceptMargin ? CallAnswer::Accept : CallAnswer::Run;
}

int MestreJudgement::BestCard(const SeatView& v) const {
  if (v.stake <= 1) return forte_.BestCard(v);
  Sampler sampler(v, HashView(v, seed_, kCard));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  std::vector<double> weights;
  weights.reserve(samples.size());
  for (const Sample& s : samples) weights.push_back(HistoryWeight(model_, v, s));
  int best_slot = -1;
  double best_score = -1e18;
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
    double score = 0;
    for (std::size_t k = 0; k < samples.size(); ++k) {
      Pos p = StartOf(v, samples[k]);
      for (int i = 0; i < p.n_own; ++i) {
        if (p.own[static_cast<std::size_t>(i)] == v.own_strength[slot]) {
          Take(p.own, p.n_own, i);
          break;
        }
      }
      p.own_cur = v.own_strength[slot];
      p.led_by_us = p.opp_cur == kNoCard;
      score += weights[k] * Value(p);
    }
    if (best_slot < 0 || score > best_score + 1e-9) {
      best_slot = static_cast<int>(slot);
      best_score = score;
    }
  }
  return best_slot < 0 ? 0 : best_slot;
}

double MestreJudgement::HandChance(const SeatView& v, int slot) const {
  Sampler sampler(v, HashView(v, seed_, kChance));
  const std::vector<Sample> samples = sampler.Draw(samples_);
  if (samples.empty()) return 0.5;
  double won = 0;
  for (const Sample& s : samples) {
    Pos p = StartOf(v, s);
    if (slot >= 0 && p.own_cur == kNoCard) {
      const int strength = v.own_strength[static_cast<std::size_t>(slot)];
      for (int i = 0; i < p.n_own; ++i) {
        if (p.own[static_cast<std::size_t>(i)] == strength) {
          Take(p.own, p.n_own, i);
          break;
        }
      }
      p.own_cur = strength;
      p.led_by_us = p.opp_cur == kNoCard;
    }
    won += (Value(p) + 1) / 2.0;
  }
  return won / static_cast<double>(samples.size());
}

Advice MestreJudgement::Advise(const SeatView& v, std::optional<Rung> pending) const {
  Advice advice;
  if (pending) {
    const CallAnswer a = Answer(v, *pending);
    advice.kind = a == CallAnswer::Accept  ? Advice::Kind::Accept
                  : a == CallAnswer::Raise ? Advice::Kind::Raise
                                           : Advice::Kind::Run;
    advice.hand_chance = HandChance(v, -1);
    return advice;
  }
  if (v.OwnInHandCount() == 0) return advice;
  // As from its own seat, no call before the first trick is played.
  if (v.trick > 1 && WantsCall(v)) {
    advice.kind = Advice::Kind::Call;
    advice.hand_chance = HandChance(v, -1);
    return advice;
  }
  advice.kind = Advice::Kind::Card;
  advice.slot = BestCard(v);
  advice.hand_chance = HandChance(v, advice.slot);
  return advice;
}

AnswerChoice MestreJudgement::ChooseAnswer(const GameState& state, int player_strength) const {
  const SeatView v = ViewFromComputerSeat(state, player_strength);
  const int slot = BestCard(v);
  return {slot,
          AnswerResult(state, player_strength, v.own_strength[static_cast<std::size_t>(slot)])};
}

LeadChoice MestreJudgement::ChooseLead(const GameState& state) const {
  SeatView v = ViewFromComputerSeat(state);
  v.we_lead_trick = true;
  // Calls before the first lead lost games in the arena (too little is known of either hand),
  // so those wait for a trick, as the classic computer's do.
  return {BestCard(v), MayCallBeforeLead(state)};
}

bool MestreJudgement::WantsLeadCall(const GameState& state) const {
  SeatView v = ViewFromComputerSeat(state);
  v.we_lead_trick = true;
  return WantsCall(v);
}

bool MestreJudgement::WantsThirdTrickCall(const GameState& state, int player_strength,
                                          int /*own_strength*/) const {
  return WantsCall(ViewFromComputerSeat(state, player_strength));
}

CallReply MestreJudgement::AnswerCall(const GameState& state, Rung rung) const {
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

bool MestreJudgement::PlaysHandOfEleven(const GameState& state) const {
  return PlaysEleven(ViewFromComputerSeat(state));
}

}  // namespace truco
