#include "opponent/computer.h"

#include <string>

namespace truco {
namespace {

struct Hand {
  int s0, s1, s2;
  bool in0, in1, in2;
};

Hand HandOf(const GameState& s) {
  const auto& h = s.computer_hand;
  return {h[0].strength, h[1].strength, h[2].strength, !h[0].played, !h[1].played, !h[2].played};
}

int FirstInHand(const Hand& h) { return h.in0 ? 0 : (h.in1 ? 1 : 2); }

bool WonFirst(const GameState& s) { return s.trick_result[1] == kMicro; }
bool WonOrTiedFirst(const GameState& s) {
  return s.trick_result[1] == kMicro || s.trick_result[1] == kEmpate;
}
bool WonSecond(const GameState& s) { return s.trick_result[2] == kMicro; }
// The computer won or tied the first trick, or won the second.
bool TrickInFavour(const GameState& s) { return WonOrTiedFirst(s) || WonSecond(s); }

CallReply Accept(const char* message) { return {CallAnswer::Accept, message}; }
CallReply Raise() { return {CallAnswer::Raise, ""}; }
CallReply Run(std::string message) { return {CallAnswer::Run, std::move(message)}; }

}  // namespace

AnswerChoice ComputerJudgement::ChooseAnswer(const GameState& s, int p) const {
  const Hand h = HandOf(s);
  const bool second = s.trick_played[1] && !s.trick_played[2];
  const std::string& first_result = s.trick_result[1];
  // The weakest card that beats the player's; a card of equal strength only in the second
  // trick, where the trick then takes the first trick's result.
  if (p < h.s0) return {FirstInHand(h), kMicro};
  if (second && p == h.s0 && h.in0) return {0, first_result};
  if (p < h.s1) return {h.in1 ? 1 : 2, kMicro};
  if (second && p == h.s1 && p < h.s2 && h.in1) return {1, first_result};
  if (p < h.s2) return h.in2 ? AnswerChoice{2, kMicro} : AnswerChoice{1, kJogador};
  if (second && p == h.s2 && h.in2) return {2, first_result};
  return {FirstInHand(h), kJogador};
}

LeadChoice ComputerJudgement::ChooseLead(const GameState& s) const {
  const Hand h = HandOf(s);
  const std::string& w1 = s.trick_result[1];
  const std::string& w2 = s.trick_result[2];
  if (w1 == kEmpate && w2 == kEmpate) return {h.in1 ? 1 : FirstInHand(h), false};
  if (w1 == kEmpate) return {h.in2 ? 2 : FirstInHand(h), true};
  return {FirstInHand(h), true};
}

bool ComputerJudgement::WantsLeadCall(const GameState& s) const {
  const Hand h = HandOf(s);
  const std::string& w1 = s.trick_result[1];
  const std::string& w2 = s.trick_result[2];
  if (w1 == kEmpate && w2 == kEmpate) return false;
  if (w1 == kEmpate && w2.empty()) return h.s2 >= 8;
  return (WonFirst(s) || WonSecond(s)) && h.s2 >= 9 && h.in2;
}

bool ComputerJudgement::WantsThirdTrickCall(const GameState& s, int p, int r) const {
  const bool card_reason = p <= 7 || p < r || (WonFirst(s) && p == r);
  const bool nobody_at_eleven =
      s.computer_points != kHandOfEleven && s.player_points != kHandOfEleven;
  return card_reason && nobody_at_eleven;
}

CallReply ComputerJudgement::AnswerCall(const GameState& s, Rung rung) const {
  const Hand h = HandOf(s);
  const int pp = s.player_points;
  switch (rung) {
    case Rung::Trucar:
      if (h.s1 >= 6 && h.s2 >= 7 && h.s2 <= 10) return Accept("Pode jogar Marreco");
      if (h.s1 < 8) {
        return Run("Você está Furando, mas eu vou Correr\rVocê Ganhou 1 Tento(s)");
      }
      return Raise();
    case Rung::Seis:
      if (pp + 3 >= kPointsToWin) {
        return Accept("Se eu correr você ganha, manda essa cartinha pato");
      }
      if ((h.s0 >= 7 || h.s1 >= 8) && h.s2 >= 9) return Accept("Pode jogar Marreco");
      if (WonOrTiedFirst(s) && h.s2 >= 9 && h.in2) return Accept("Pode jogar Marreco");
      if (TrickInFavour(s) && h.s2 >= 10) return Raise();
      // The number runs straight into "Tentos", as the computer has always said it.
      return Run("Você está Blefando, mas eu vou Correr\rVoce Ganhou 3Tentos");
    case Rung::Nove:
      if (pp + 6 >= kPointsToWin) return Accept("Agora tenho que jogar ladrão, pode vir");
      if (h.s1 >= 8 && h.s2 >= 10) return Accept("Pode jogar Marreco");
      if (TrickInFavour(s) && h.s2 >= 9 && h.in2) return Accept("Pode jogar Marreco");
      if (TrickInFavour(s) && h.s2 >= 11) return Raise();
      return Run("Você não tem nada, mas eu tenho menos, leva só 6\rVocê Ganhou 6 Tento(s)");
    case Rung::Doze:
      if (pp + 9 >= kPointsToWin) return Accept("Ou vai ou racha, quem ganhar leva o jogo");
      if (h.s1 >= 8 && h.s2 >= 11) return Accept("Pode Jogar Marreco");
      if (TrickInFavour(s) && h.s2 >= 10) return Accept("Pode Jogar Marreco");
      if (h.s1 < 8) {
        return Run("Você não tem nada, mas eu tenho menos, leva só 9\r Você Ganhou 9 Tento(s)");
      }
      // Holding two good cards but no rule fits: a call that did nothing would look broken.
      return Accept("Pode Jogar Marreco");
  }
  return Accept("Pode jogar Marreco");
}

bool ComputerJudgement::PlaysHandOfEleven(const GameState& s) const {
  const Hand h = HandOf(s);
  return h.s0 >= 7 || h.s1 >= 7;
}

}  // namespace truco
