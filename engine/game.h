#pragma once
// A game of truco against the computer, driven by events.
//
// Every public handler is one event of the window (a click, a dialog's answer). When the outermost
// handler returns, the deferred steps that are due run in the order game-end watch, hand of
// eleven, lead step, stake display, pass after pass, until a pass changes nothing. Handlers call
// one another while a modal box is open (the computer's answer runs the player's raise, whose run
// deals anew); `hand_alive`, `raise_in_answer` and `hand_conceded` tell the outer handler that the
// hand ended meanwhile. Each hand ends with exactly one new deal.

#include <cstdint>
#include <optional>
#include <string>

#include "engine/judgement.h"
#include "engine/ladder.h"
#include "engine/random.h"
#include "engine/screen.h"
#include "engine/state.h"

namespace truco {

enum class Side : std::uint8_t { Player, Computer };

// Why points moved; lets tests and tools check every change against its rule.
enum class PointsReason : std::uint8_t {
  HandWon,        // a hand won on tricks (capped at 12)
  PlayerRan,      // the player ran (not capped)
  ComputerRan,    // the computer ran from the player's call (capped at 12)
  ElevenGivenUp,  // the computer at 11 gave the hand up (not capped)
  GameEnded,      // both to 0
  Restarted,      // both to 0
};

// Optional listener for what happens in a game (tests, soak runs, future network mirror).
class GameObserver {
 public:
  virtual ~GameObserver() = default;
  virtual void OnDeal(const GameState&) {}
  virtual void OnTrick(const GameState&, int /*trick*/) {}
  virtual void OnPoints(const GameState&, Side, int /*before*/, PointsReason) {}
  virtual void OnGameEnd(const GameState&, Side /*winner*/) {}
  // The moves of a hand, in the order they were made (the history keeps them). A card is
  // reported as it goes to the table; `hidden` when it was played face down.
  virtual void OnCard(const GameState&, Side, CardId, bool /*hidden*/) {}
  // A call of the stake `stake` (3, 6, 9, 12) and its answer (kAnswerAccept, kAnswerRun,
  // kAnswerRaise, or kAnswerNone for a truco box closed without an answer). The player's
  // "Correr" with no call open is told as their answer kAnswerRun, with no call before it.
  virtual void OnCall(const GameState&, Side /*caller*/, int /*stake*/) {}
  virtual void OnAnswer(const GameState&, Side /*answerer*/, char /*answer*/) {}
  // A side at 11 plays the hand or gives it up.
  virtual void OnEleven(const GameState&, Side, bool /*plays*/) {}
};

// The networked hand plugs in here: the start command and the player's card clicks take its
// branch while the game kind is "Em rede".
class NetworkedPlay {
 public:
  virtual ~NetworkedPlay() = default;
  // Starts a networked hand on this side (`Inicio_Online`).
  virtual void Inicio_Online() = 0;
  // The player clicked the card `id` (one of CartaJ1..CartaJ3).
  virtual void PlayCard(CardId id) = 0;
  // The player pressed "Trucar" / "Correr" in a networked game.
  virtual void Trucar() {}
  virtual void Correr() {}
  // A networked game was cut off and may go on where it stopped: coming back to it is no
  // restart, so "Iniciar" neither asks nor zeroes anything (the two sides settle it).
  [[nodiscard]] virtual bool Resumable() const { return false; }
  // A guest has just reached a host and has not started yet: what it was dealt meanwhile is the
  // game it came for, not one to restart.
  [[nodiscard]] virtual bool Joining() const { return false; }
};

class Game {
 public:
  Game(Screen& screen, RandomSource& random, const Judgement& judgement);

  [[nodiscard]] const GameState& state() const { return state_; }
  // For the settings and phrases windows and for tests that set up a position.
  GameState& mutable_state() { return state_; }
  void set_observer(GameObserver* observer) { observer_ = observer; }
  void set_networked_play(NetworkedPlay* play) { networked_ = play; }
  [[nodiscard]] bool Online() const { return state_.game_kind == GameKind::EmRede; }
  [[nodiscard]] std::uint64_t deals() const { return deals_; }

  // Events of the main window.
  void BInicioClick();
  void CartaJClick(int index);  // 0..2 for CartaJ1..CartaJ3
  void CartaJ1Click() { CartaJClick(0); }
  void CartaJ2Click() { CartaJClick(1); }
  void CartaJ3Click() { CartaJClick(2); }
  void BTrucarClick();
  void BCorrerClick();
  void BEsconderClick();
  // A click on a trick label (1..3): its result as a message, nothing when undecided.
  void TrickLabelClick(int trick);
  // A click on one of the computer's cards (0..2).
  void CartaMClick(int index);
  // The hidden command of the chat entry: the computer's cards in hand turn face up.
  void ViewHands();
  // "Sair": the exit dialog, which taunts a player who leaves ahead or behind and hands the
  // leader's line to the records. True when the program is to end.
  bool BsairClick();
  // The settings changed the manilha mode or the deck: the running hand stops (nothing more is
  // played in it), the points go to 0, and a new hand starts only with "Iniciar".
  void StopMatch();

  // The deferred steps; public so a window or a test can tick them one by one.
  bool Timer1Timer();
  bool Timer2Timer();
  bool Timer3Timer();
  bool Timer4Timer();
  // Runs every due step until a pass changes nothing.
  void RunDueSteps();

  // Deals a new hand against the computer (also used by tests to start from a known deal).
  void Inicio();

  // Text shown for a trick label click, or empty.
  [[nodiscard]] std::string TrickLabelText(int trick) const;
  // Whether the computer may call the next rung now.
  [[nodiscard]] bool ComputerMayCall() const;

 private:
  class EventScope;

  // Computer's answer to a card the player led; marks the answering slot played.
  struct Answer {
    std::string result;
    std::optional<CardId> card;
  };
  Answer Compara_Cartas1(int player_strength, CardId player_card);
  std::string Compara_CartaJ(int player_strength, int led);
  void Posicao_CartaM(CardId card);
  // The whole trick family: places the cards of trick `trick` and scores it.
  void PlaceTrick(int trick, CardId player_card, std::optional<CardId> computer_card,
                  std::string result, bool hidden, bool computer_led);
  void Testa_Ganhou();
  void Ordena_Micro();

  // Betting.
  void Micro_Pede(Rung rung);
  void Micro_Pede_ThirdTrick(Rung rung, CardId computer_card);
  char AskTruco(Rung rung);
  void DoBTrucarClick();
  void DoBCorrerClick();
  void EndHandByRun(Side ran);
  void AddPoints(Side side, int amount, bool capped, PointsReason reason);

  void SetTimer(TimerId id, bool on) { state_.timer_on[id] = on; }
  [[nodiscard]] bool TimerOn(TimerId id) const { return state_.timer_on[id]; }
  bool Message(const std::string& text, int kind = 1) {
    return screen_.MOSTRA_MENSAGEM(text, kind);
  }

  Screen& screen_;
  RandomSource& random_;
  const Judgement& judgement_;
  GameObserver* observer_ = nullptr;
  NetworkedPlay* networked_ = nullptr;
  GameState state_;
  std::uint64_t deals_ = 0;
  int depth_ = 0;
  bool running_due_ = false;
};

}  // namespace truco
