#pragma once
// The seam between the rules and the computer's judgement. The rules ask; the judgement only
// looks at the state and answers, it never changes anything.

#include <string>

#include "engine/ladder.h"
#include "engine/state.h"

namespace truco {

// The computer's card for a trick the player led, and the trick's result text.
struct AnswerChoice {
  int slot = 0;
  std::string result;
};

// The computer's lead: which slot, and whether it considers calling first.
struct LeadChoice {
  int slot = 0;
  bool consider_call = false;
};

enum class CallAnswer : std::uint8_t { Accept, Raise, Run };

struct CallReply {
  CallAnswer answer = CallAnswer::Accept;
  std::string message;  // shown for Accept and Run
};

class Judgement {
 public:
  virtual ~Judgement() = default;
  // First or second trick: the answer to the player's card of strength `player_strength`.
  virtual AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const = 0;
  virtual LeadChoice ChooseLead(const GameState& state) const = 0;
  // Whether to call before leading (only asked when the lead choice considers a call).
  virtual bool WantsLeadCall(const GameState& state) const = 0;
  // Whether to call before playing its last card into the third trick.
  virtual bool WantsThirdTrickCall(const GameState& state, int player_strength,
                                   int own_strength) const = 0;
  // The answer to the player's call of `rung`.
  virtual CallReply AnswerCall(const GameState& state, Rung rung) const = 0;
  // Whether the computer, at 11 points, plays the hand.
  virtual bool PlaysHandOfEleven(const GameState& state) const = 0;
};

}  // namespace truco
