#pragma once
// The players the arena can seat, each a judgement as the computer's side uses it: "classic"
// (the game's computer, unchanged), "random", "greedy", "forte" and "mestre".

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/judgement.h"
#include "engine/random.h"
#include "opponent/mestre_data.h"

namespace truco::arena {

// A legal card at random; calls, raises, runs and the hand of eleven by a coin.
class RandomJudgement final : public Judgement {
 public:
  explicit RandomJudgement(std::uint64_t seed) { random_.Seed(seed); }
  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;

 private:
  int PickInHand(const GameState& state) const;
  mutable ClockRandom random_;
};

// A simple sensible player: wins the trick as cheaply as it can, else gives up its weakest
// card; leads its strongest; calls with two manilhas or a manilha and a 3 (its cards as dealt);
// accepts with one manilha, else runs; plays a hand of eleven holding a manilha or a 3.
class GreedyJudgement final : public Judgement {
 public:
  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;
};

// The file "mestre" learns from: the shipped one unless set before the first game.
void SetMestreDataPath(const std::string& path);
// The model read from that file once; what went wrong when it could not be used.
const MestreData& ArenaMestreData();

const std::vector<std::string>& PlayerNames();
bool IsPlayerName(const std::string& name);
// A fresh player by name; `seed` feeds whatever chance it uses. Null for an unknown name (and
// for "mestre" when its file cannot be used).
// `forte_samples`: deals of the unseen cards "forte" tries per decision.
inline constexpr int kForteSamples = 160;
std::unique_ptr<Judgement> MakePlayer(const std::string& name, std::uint64_t seed,
                                      int forte_samples = kForteSamples);

}  // namespace truco::arena
