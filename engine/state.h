#pragma once
// The one game state of a run. The window only shows it; every rule reads and writes it here.
// Facts that a table of controls would carry (where a card lies, whether it is face down, the
// captions of the betting buttons, the stake label) are plain data too.

#include <array>
#include <cstdint>
#include <string>

#include "engine/cards.h"

namespace truco {

// The seven card places of the main window.
enum CardId : std::uint8_t { kCartaJ1, kCartaJ2, kCartaJ3, kCartaM1, kCartaM2, kCartaM3, kCVira };
inline constexpr int kNumTableCards = 7;

// Table layout in pixels of the main window (top, left). A player's card is in hand exactly
// while its top is the hand row.
inline constexpr int kPlayerHandTop = 365;
inline constexpr int kComputerHandTop = 181;
inline constexpr std::array<int, 3> kHandLefts{12, 100, 188};
inline constexpr int kViraTop = 23;
inline constexpr int kViraLeft = 10;
inline constexpr std::array<int, 4> kTrickTops{0, 72, 208, 350};  // index 1..3
inline constexpr int kTrickPlayerLeft = 320;
inline constexpr int kTrickComputerLeft = 416;

inline constexpr int kPointsToWin = 12;
inline constexpr int kHandOfEleven = 11;

// Trick results.
inline constexpr const char* kJogador = "Jogador";
inline constexpr const char* kMicro = "Micro";
inline constexpr const char* kEmpate = "Empate";

inline constexpr const char* kComputerName = "COMPUTADOR";

inline constexpr const char* kEsconderCaption = "Esconder (Jogar encoberta no monte)";
inline constexpr const char* kNaoEsconderCaption = "Não Esconder (Jogar normal)";

struct TableCard {
  Card card;
  bool face_down = false;
  int top = 0;
  int left = 0;
};

struct HandSlot {
  int strength = 0;
  CardId card = kCartaM1;
  bool played = false;
};

struct ButtonState {
  std::string caption;
  bool enabled = false;
  bool visible = true;
};

// The deferred steps of the main window: due-flags run after every event.
enum TimerId : std::uint8_t { kTimer1 = 1, kTimer2 = 2, kTimer3 = 3, kTimer4 = 4 };

// Duplas: the game in pairs, played in a window of its own.
enum class GameKind : std::uint8_t { ContraPC, EmRede, Duplas };

// Settings read afresh at every deal (and the manilha mode at every strength).
struct GameSettings {
  char deck_type = kBaralhoSujo;
  ManilhaMode manilha_mode = ManilhaMode::Nova;
  int eleven_mode = 0;  // 0 "Normal", 1 "No Escuro"
};

// Phrases shown when the computer calls a rung.
enum PhraseId : std::uint8_t { kPhraseTruco, kPhraseSeis, kPhraseNove, kPhraseDoze, kPhraseAceita };

struct GameState {
  // Cards on the table.
  std::array<TableCard, kNumTableCards> cards{};
  bool vira_hand_pointer = false;  // from the first deal on, a click on the vira shows the manilhas

  // Per hand (reset by every deal, except led_strength and led_card).
  UsedCards used_cards;
  ManilhaValues manilha_value{};
  std::array<HandSlot, 3> computer_hand{};
  int player_tricks = 0;
  int computer_tricks = 0;
  std::array<std::string, 4> trick_result{};  // 1..3
  std::array<bool, 4> trick_played{};         // 1..3
  int hand_stake = 1;
  char turn = ' ';
  int led_strength = 0;
  CardId led_card = kCartaM1;
  bool hide_armed = false;
  bool eleven_decided = false;
  bool hand_conceded = false;
  bool may_play = false;  // no card is played before the first deal
  char truco_answer = '*';
  bool hand_alive = true;
  bool raise_in_answer = false;

  // Per game and per run.
  int player_points = 0;
  int computer_points = 0;
  int games_player = 0;
  int games_computer = 0;
  int hand_counter = 1;

  // Buttons and labels whose state the rules read back.
  ButtonState BTrucar{"Trucar", false, true};
  ButtonState BCorrer{"Correr", false, true};
  ButtonState BEsconder{kEsconderCaption, false, true};
  std::string LabelVale = "0";
  std::string LabelNome = "DESAFIANTE";
  std::string LabelCartasNome = "DESAFIANTE";
  // The other side's name in the records: the computer, or the other person of a networked game.
  std::string opponent_name = kComputerName;

  std::array<std::string, 5> truco_phrases{};
  std::array<bool, 5> timer_on{};  // 1..4
  GameKind game_kind = GameKind::ContraPC;
  GameSettings settings;

  // The per-hand fields as every deal sets them, against the computer or over the network:
  // stake 1, no tricks, the buttons as at the start of a hand.
  void ResetHand() {
    truco_answer = '*';
    hand_alive = true;
    raise_in_answer = false;
    hand_conceded = false;
    BTrucar = {"Trucar", true, true};
    BCorrer.enabled = true;
    BEsconder.caption = kEsconderCaption;
    BEsconder.enabled = false;
    player_tricks = 0;
    computer_tricks = 0;
    trick_played = {};
    hide_armed = false;
    eleven_decided = false;
    trick_result = {};
    hand_stake = 1;
    LabelVale = "1";  // also where no stake display runs (a hand between two people)
  }

  [[nodiscard]] bool InHand(CardId id) const { return cards[id].top == kPlayerHandTop; }
  [[nodiscard]] bool BothAtEleven() const {
    return player_points == kHandOfEleven && computer_points == kHandOfEleven;
  }
  [[nodiscard]] bool DarkElevenHand() const { return settings.eleven_mode == 1 && BothAtEleven(); }
  [[nodiscard]] int Strength(Card card) const {
    return Forca_Carta(card, manilha_value, settings.manilha_mode);
  }
};

}  // namespace truco
