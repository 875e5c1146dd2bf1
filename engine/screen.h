#pragma once
// What the rules need from the screen. The window implements it with real modal boxes; tests
// implement it with a script. Every call is modal: it returns once the player has answered.

#include <string>
#include <vector>

#include "engine/state.h"

namespace truco {

// What the game-kind dialog leaves behind when it closes.
struct GameKindChoice {
  bool ok = false;
  GameKind kind = GameKind::ContraPC;
  std::string name;
};

// The truco dialog's contract: phrase, next stake text and the three switches.
struct TrucoDialogRequest {
  std::string phrase;
  std::string raise_caption;  // "Pedir " + next stake, empty when no raise is offered
  bool accept_enabled = true;
  bool raise_offered = true;
  bool run_enabled = true;
};

inline constexpr char kAnswerAccept = 'S';
inline constexpr char kAnswerRaise = '+';
inline constexpr char kAnswerRun = 'N';
inline constexpr char kAnswerNone = '*';

class Screen {
 public:
  virtual ~Screen() = default;

  // Kind 1: information with OK, always true. Any other kind: Yes/No, true only on Yes.
  virtual bool MOSTRA_MENSAGEM(const std::string& text, int kind) = 0;
  // Kinds 0 "Erro", 1 "Atenção", 2 "Informação", other: no caption. Empty lines: nothing shown.
  virtual void Mensagem(const std::vector<std::string>& lines, int kind) = 0;
  // "Atenção ..." Yes/No; " ?" is appended to the text. Empty lines: false, nothing shown.
  virtual bool Confirma(const std::vector<std::string>& lines) = 0;
  // The truco dialog; returns the answer of the button that closed it ('S', '+', 'N'), or '*'.
  virtual char MOSTRA_TRUCO(const TrucoDialogRequest& request) = 0;
  // The game-kind dialog, shown modally by "Iniciar".
  virtual GameKindChoice EscolhaJogo() = 0;
  // A line for the records table.
  virtual void SubmitRecord(const std::string& name, int won, int lost, int balance) = 0;
};

// Text of Mensagem and Confirma: lines joined by LF CR; a question (Confirma) appends " ?". At
// most 500 characters are kept. An empty list gives an empty text.
std::string MessageText(const std::vector<std::string>& lines, bool question);

}  // namespace truco
