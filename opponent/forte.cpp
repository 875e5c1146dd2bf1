#include "opponent/forte.h"

#include <algorithm>
#include <vector>

#include "opponent/sampling.h"

namespace truco {

using namespace sampling;

namespace {

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
