#pragma once
// Cards, the two decks, the deal without repeats, the vira and the manilhas, and the strength
// by which every comparison of two cards is made.
//
// Rule choices:
// - Values 8, 9 and 10 are never dealt. The 40-card deck ("Baralho Sujo") holds 1-7, Dama,
//   Valete and Rei; the 24-card deck ("Baralho Limpo") 1, 2, 3, Valete, Dama and Rei.
// - "Manilha Nova": the card after the vira, in the deck's cycle of strength, is manilha in all
//   four suits. "Manilha Velha": 4 of Clubs, 7 of Hearts, Ace of Spades, 7 of Diamonds.
// - Among manilhas Clubs > Hearts > Spades > Diamonds; ordinary cards of one value tie.
// - A deck code other than '2' deals from the 40-card deck.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "engine/random.h"

namespace truco {

enum class Suit : std::uint8_t { Spades = 0, Diamonds = 1, Clubs = 2, Hearts = 3 };
inline constexpr int kNumSuits = 4;

inline constexpr int kAce = 1;
inline constexpr int kValete = 11;
inline constexpr int kDama = 12;
inline constexpr int kRei = 13;

struct Card {
  std::uint8_t Value = kAce;  // 1..13
  Suit suit = Suit::Hearts;
  friend bool operator==(const Card&, const Card&) = default;
};

// Deck codes as stored in the settings file.
inline constexpr char kBaralhoSujo = '1';
inline constexpr char kBaralhoLimpo = '2';

enum class ManilhaMode : std::uint8_t { Nova, Velha };

inline constexpr int kHiddenStrength = -1;
inline constexpr int kFirstManilhaStrength = 10;

// Manilha value per suit, indexed by Suit.
using ManilhaValues = std::array<std::uint8_t, kNumSuits>;

// The deck's values by value index (40-card: 10 values, 24-card: 6).
std::span<const std::uint8_t> DeckValues(char deck_type);

// Strength of a value when it is not a manilha: 4 is 0 ... 3 is 9. Never-dealt values give 0.
int OrdinaryStrength(int value);

// Strength of a manilha of this suit: Clubs 13, Hearts 12, Spades 11, Diamonds 10.
int ManilhaStrength(Suit suit);

// The manilha value that follows the vira in the deck's cycle (Proxima_Sujo / Proxima_Limpo).
int Proxima_Sujo(int vira_value);
int Proxima_Limpo(int vira_value);
int Proxima(char deck_type, int vira_value);

// The four fixed manilhas of "Manilha Velha".
ManilhaValues ManilhasVelhas();

// Forca_Carta: the card's strength under the hand's manilhas and the current mode.
int Forca_Carta(Card card, const ManilhaValues& manilha_value, ManilhaMode mode);

// Cards dealt in the current hand: row = suit in draw order (Clubs, Hearts, Spades,
// Diamonds), column = value index.
struct UsedCards {
  std::array<std::array<bool, 12>, kNumSuits> flags{};
  void Clear() { flags = {}; }
  [[nodiscard]] int Count() const;
};

// Suit of a suit draw (0 Clubs, 1 Hearts, 2 Spades, 3 Diamonds) and back.
Suit SuitOfDraw(int draw);
int DrawOfSuit(Suit suit);

// Sorteia_Sujo / Sorteia_Limpo: draw a card not yet dealt in this hand and mark it used.
Card Sorteia(char deck_type, UsedCards& used, RandomSource& random);

// The two numbers a RandomSource must give for Sorteia to draw exactly this card (for stacked
// scenarios and replays). The card must belong to the deck.
std::array<int, 2> DrawNumbersFor(char deck_type, Card card);

// Short Portuguese name of a card, e.g. "Ás de Copas", "Sete de Ouros".
std::string CardName(Card card);

}  // namespace truco
