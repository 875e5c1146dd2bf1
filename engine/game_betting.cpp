// The game against the computer: calls, answers and runs along the ladder, and the hand of
// eleven.

#include "engine/game.h"
#include "engine/game_event_scope.h"
#include "engine/rules.h"

namespace truco {

// ---------------------------------------------------------------------------------------------
// The hand of eleven

bool Game::Timer3Timer() {
  GameState& s = state_;
  if (!TimerOn(kTimer3)) return false;
  const int p = s.player_points;
  const int c = s.computer_points;

  auto lock_bets = [&](int stake) {
    const bool changed =
        !s.eleven_decided || s.BTrucar.visible || s.BCorrer.enabled || s.hand_stake != stake;
    s.eleven_decided = true;
    s.BTrucar.visible = false;
    s.BCorrer.enabled = false;
    s.hand_stake = stake;
    return changed;
  };

  if (c == kHandOfEleven && p == kHandOfEleven) return lock_bets(s.hand_stake);

  if (p == kHandOfEleven && c <= 10) {
    s.BTrucar.visible = false;
    SetTimer(kTimer3, false);
    const bool plays = Message("Você tem 11 pontos. Deseja Jogar com estas Cartas?", 2);
    if (observer_) observer_->OnEleven(s, Side::Player, plays);
    if (plays) {
      SetTimer(kTimer2, true);
      s.eleven_decided = true;
      s.hand_stake = 3;
    } else {
      s.eleven_decided = false;
      DoBCorrerClick();
    }
    return true;
  }

  if (c == kHandOfEleven && p <= 10) {
    // The step runs again on every pass; the computer is asked once per hand and its decision
    // stands, however a judgement that samples would answer the next time.
    if (s.eleven_decided) return lock_bets(3);
    if (judgement_.PlaysHandOfEleven(s)) {
      if (observer_) observer_->OnEleven(s, Side::Computer, true);
      return lock_bets(3);
    }
    if (observer_) observer_->OnEleven(s, Side::Computer, false);
    SetTimer(kTimer3, false);
    Message("Estou com 11 Tentos. Mas leva 1 tento que minhas cartas estão fracas");
    AddPoints(Side::Player, s.hand_stake, false, PointsReason::ElevenGivenUp);
    Inicio();
    return true;
  }

  SetTimer(kTimer3, false);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Betting

bool Game::ComputerMayCall() const {
  const GameState& s = state_;
  if (!s.BTrucar.visible || s.hand_stake >= kTopStake) return false;
  return !s.BTrucar.enabled || s.BTrucar.caption == Info(Rung::Trucar).caption;
}

char Game::AskTruco(Rung rung) {
  const RungInfo& info = Info(rung);
  TrucoDialogRequest request;
  request.phrase = state_.truco_phrases[info.phrase];
  request.raise_offered = !info.raise_stake.empty();
  request.raise_caption = request.raise_offered ? "Pedir " + std::string(info.raise_stake) : "";
  // A dialog closed some other way must not repeat an earlier answer.
  state_.truco_answer = kAnswerNone;
  if (observer_) observer_->OnCall(state_, Side::Computer, info.stake);
  state_.truco_answer = screen_.MOSTRA_TRUCO(request);
  if (!request.raise_offered && state_.truco_answer == kAnswerRaise) {
    state_.truco_answer = kAnswerNone;
  }
  if (observer_) observer_->OnAnswer(state_, Side::Player, state_.truco_answer);
  return state_.truco_answer;
}

void Game::Micro_Pede(Rung rung) {
  GameState& s = state_;
  const RungInfo& info = Info(rung);
  switch (AskTruco(rung)) {
    case kAnswerAccept:
      s.hand_stake = info.stake;
      s.BTrucar.caption = std::string(info.after);
      s.BTrucar.enabled = rung != Rung::Doze;
      break;
    case kAnswerRun:
      s.hand_stake = info.run_value;
      DoBCorrerClick();
      break;
    case kAnswerRaise:
      s.BTrucar.caption = std::string(info.after);
      s.BTrucar.enabled = true;
      DoBTrucarClick();
      break;
    default:
      break;
  }
}

void Game::Micro_Pede_ThirdTrick(Rung rung, CardId computer_card) {
  GameState& s = state_;
  const RungInfo& info = Info(rung);
  switch (AskTruco(rung)) {
    case kAnswerAccept:
      s.hand_stake = info.stake;
      s.cards[computer_card].top = kTrickTops[3];
      s.cards[computer_card].left = kTrickComputerLeft;
      s.cards[computer_card].face_down = false;
      break;
    case kAnswerRun:
      s.hand_stake = info.run_value;
      AddPoints(Side::Computer, s.hand_stake, false, PointsReason::PlayerRan);
      Message(Tentos(" Eu Ganhei ", s.hand_stake));
      SetTimer(kTimer3, true);
      s.hand_conceded = true;
      break;
    case kAnswerRaise:
      s.BTrucar.caption = std::string(info.after);
      s.BTrucar.enabled = true;
      s.raise_in_answer = true;
      DoBTrucarClick();
      break;
    default:
      break;
  }
}

void Game::BTrucarClick() {
  EventScope scope(*this);
  // Between two people the call goes to the other person, never to the computer.
  if (Online()) {
    if (networked_) networked_->Trucar();
    return;
  }
  if (!state_.may_play || !state_.BTrucar.enabled || !state_.BTrucar.visible) return;
  DoBTrucarClick();
}

void Game::DoBTrucarClick() {
  GameState& s = state_;
  const auto rung = RungFromCaption(s.BTrucar.caption);
  if (!rung) return;
  const RungInfo& info = Info(*rung);
  if (observer_) observer_->OnCall(s, Side::Player, info.stake);
  const CallReply reply = judgement_.AnswerCall(s, *rung);
  if (observer_) {
    const char answer = reply.answer == CallAnswer::Accept ? kAnswerAccept
                        : reply.answer == CallAnswer::Run  ? kAnswerRun
                                                           : kAnswerRaise;
    observer_->OnAnswer(s, Side::Computer, answer);
  }
  switch (reply.answer) {
    case CallAnswer::Accept:
      Message(reply.message);
      s.hand_stake = info.stake;
      s.BTrucar.caption = std::string(info.after);
      s.BTrucar.enabled = false;
      break;
    case CallAnswer::Raise:
      // The counter-raise is the computer's answer, whoever holds the raise right.
      if (const auto next = NextRung(*rung)) Micro_Pede(*next);
      break;
    case CallAnswer::Run:
      s.hand_stake = info.run_value;
      AddPoints(Side::Player, s.hand_stake, true, PointsReason::ComputerRan);
      Message(reply.message);
      EndHandByRun(Side::Computer);
      break;
  }
}

void Game::BCorrerClick() {
  EventScope scope(*this);
  if (Online()) {
    if (networked_) networked_->Correr();
    return;
  }
  if (!state_.may_play || !state_.BCorrer.enabled) return;
  // A run from the hand, with no call open, is told as the player's answer "run" so the history
  // keeps it among the hand's moves.
  if (observer_) observer_->OnAnswer(state_, Side::Player, kAnswerRun);
  DoBCorrerClick();
}

void Game::DoBCorrerClick() {
  GameState& s = state_;
  AddPoints(Side::Computer, s.hand_stake, false, PointsReason::PlayerRan);
  Message(Tentos("Eu Ganhei ", s.hand_stake));
  SetTimer(kTimer3, true);
  EndHandByRun(Side::Player);
}

void Game::EndHandByRun(Side ran) {
  GameState& s = state_;
  if (s.raise_in_answer) {
    // Inside the computer's third-trick answer: the player's click deals anew.
    if (ran == Side::Computer) {
      s.hand_alive = false;
    } else {
      s.hand_conceded = true;
    }
    return;
  }
  Inicio();
}

}  // namespace truco
