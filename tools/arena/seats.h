#pragma once
// The two seats of the game, each able to hold any player.
//
// The computer's seat is the game's own: the game asks its judgement. The player's seat answers
// the boxes and clicks the cards and buttons, as a person would; to decide, it turns what the
// player sees into the computer's point of view (its own cards as the computer's hand, the other
// side's cards face down unless they lie face up on the table) and asks the same kind of
// judgement. So any player can sit on either side, and neither side is shown the other's hand.

#include <cstdint>
#include <string>

#include "engine/game.h"
#include "engine/judgement.h"

namespace truco::arena {

// What a seat did in one game. Every call or raise of one side is answered by the other, so a
// seat counts the calls it answered and how many it accepted.
struct SeatStats {
  long answered = 0;
  long accepted = 0;
  long illegal = 0;  // decisions that named a card not in hand, or a wrong trick result
};

// The player's side seen as if it were the computer's: own cards in `computer_hand`, the
// other side's cards in hand face down and unknown, tricks, points and the raise right turned
// around. Built only from what lies face up or belongs to the player.
GameState MirrorForPlayerSeat(const GameState& real);
// Which of the player's cards (0..2) a slot of the mirrored hand stands for.
int PlayerCardOfSlot(const GameState& mirror, int slot);

// The computer's seat: forwards to the player sitting there and keeps its statistics.
class ComputerSeat final : public Judgement {
 public:
  explicit ComputerSeat(const Judgement& player) : player_(player) {}
  AnswerChoice ChooseAnswer(const GameState& state, int player_strength) const override;
  LeadChoice ChooseLead(const GameState& state) const override;
  bool WantsLeadCall(const GameState& state) const override;
  bool WantsThirdTrickCall(const GameState& state, int player_strength,
                           int own_strength) const override;
  CallReply AnswerCall(const GameState& state, Rung rung) const override;
  bool PlaysHandOfEleven(const GameState& state) const override;

  mutable SeatStats stats;
  // Checks every answer's result text against the cards (for players other than the classic
  // computer, whose own rules name its results).
  bool check_results = true;

 private:
  const Judgement& player_;
};

// The player's seat: a screen that answers the boxes and a hand that clicks.
class PlayerSeat final : public Screen {
 public:
  explicit PlayerSeat(const Judgement& player) : player_(player) {}
  void Bind(Game& game) { game_ = &game; }

  // One move when it is the player's turn (a call and/or a card). False when it is not.
  bool Act();

  bool MOSTRA_MENSAGEM(const std::string& text, int kind) override;
  void Mensagem(const std::vector<std::string>&, int) override {}
  bool Confirma(const std::vector<std::string>&) override { return false; }
  char MOSTRA_TRUCO(const TrucoDialogRequest& request) override;
  GameKindChoice EscolhaJogo() override { return {true, GameKind::ContraPC, "ARENA"}; }
  void SubmitRecord(const std::string&, int, int, int) override {}

  SeatStats stats;

 private:
  [[nodiscard]] bool MayCall() const;
  void Call();
  void Click(int slot, const GameState& mirror);

  const Judgement& player_;
  Game* game_ = nullptr;
};

}  // namespace truco::arena
