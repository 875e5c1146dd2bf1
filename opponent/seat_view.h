#pragma once
// What one seat at the table may see, gathered into a value that holds nothing else: its own
// cards, the turned card and the manilhas, the cards that lie face up on the table, the results
// of the tricks, the calls and the points. A judgement that decides from this view cannot look at
// the other side's hand, because the view was never given it.

#include <array>
#include <cstdint>
#include <optional>

#include "engine/cards.h"
#include "engine/ladder.h"
#include "engine/state.h"

namespace truco {

enum class TrickOutcome : std::uint8_t { Open, Won, Lost, Tied };

inline constexpr int kNoCard = -2;  // nothing played into a trick yet (-1 is a hidden card)

struct SeatView {
  // Own cards in the slot order of the hand (weakest first), also those already played.
  std::array<Card, 3> own_card{};
  std::array<int, 3> own_strength{};
  std::array<bool, 3> own_in_hand{};
  // Per trick 1..3: the strength each side put there, kNoCard when nothing yet; the other
  // side's card itself when it lies face up.
  std::array<int, 4> own_played{kNoCard, kNoCard, kNoCard, kNoCard};
  std::array<int, 4> opp_played{kNoCard, kNoCard, kNoCard, kNoCard};
  std::array<std::optional<Card>, 4> opp_card{};
  std::array<TrickOutcome, 4> outcome{};
  int trick = 1;               // the first trick not decided yet
  bool we_lead_trick = false;  // nobody has played into it and this seat is to lead it

  std::optional<Card> vira;  // face up only with "Manilha Nova"
  ManilhaValues manilha_value{};
  ManilhaMode mode = ManilhaMode::Nova;
  char deck_type = kBaralhoSujo;

  int own_points = 0;
  int opp_points = 0;
  int stake = 1;
  std::optional<Rung> next_rung;  // the rung a call would name now
  bool may_call = false;          // this seat may call that rung now
  bool we_led_hand = false;
  bool eleven_decided = false;

  [[nodiscard]] int OwnInHandCount() const {
    return static_cast<int>(own_in_hand[0]) + static_cast<int>(own_in_hand[1]) +
           static_cast<int>(own_in_hand[2]);
  }
  [[nodiscard]] int Strength(Card card) const { return Forca_Carta(card, manilha_value, mode); }
};

// The trick whose row a card lies in (by its top), or 0 when it is in no trick row.
int TrickOfRow(int top);

// The computer's seat. `player_strength` is the card the player has just led and the computer is
// answering (it is not on the table yet); only its strength is known.
SeatView ViewFromComputerSeat(const GameState& state,
                              std::optional<int> player_strength = std::nullopt);

}  // namespace truco
