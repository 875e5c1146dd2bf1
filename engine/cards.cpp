#include "engine/cards.h"

#include <algorithm>

namespace truco {
namespace {

constexpr std::array<std::uint8_t, 10> kSujo{1, 2, 3, 4, 5, 6, 7, 12, 11, 13};
constexpr std::array<std::uint8_t, 6> kLimpo{1, 2, 3, 11, 12, 13};

// Weakest first: the cycle of strength of ordinary values.
constexpr std::array<std::uint8_t, 10> kStrengthOrder{4, 5, 6, 7, 12, 11, 13, 1, 2, 3};
constexpr std::array<std::uint8_t, 6> kLimpoStrengthOrder{12, 11, 13, 1, 2, 3};

// Draw number -> suit, and the suit draw of each Suit.
constexpr std::array<Suit, kNumSuits> kDrawSuits{Suit::Clubs, Suit::Hearts, Suit::Spades,
                                                 Suit::Diamonds};

template <std::size_t N>
int NextInCycle(const std::array<std::uint8_t, N>& cycle, int value) {
  for (std::size_t i = 0; i < N; ++i) {
    if (cycle[i] == value) return cycle[(i + 1) % N];
  }
  return cycle[0];
}

}  // namespace

std::span<const std::uint8_t> DeckValues(char deck_type) {
  if (deck_type == kBaralhoLimpo) return kLimpo;
  return kSujo;
}

int OrdinaryStrength(int value) {
  for (std::size_t i = 0; i < kStrengthOrder.size(); ++i) {
    if (kStrengthOrder[i] == value) return static_cast<int>(i);
  }
  return 0;
}

int ManilhaStrength(Suit suit) {
  switch (suit) {
    case Suit::Clubs: return 13;
    case Suit::Hearts: return 12;
    case Suit::Spades: return 11;
    case Suit::Diamonds: return 10;
  }
  return 10;
}

int Proxima_Sujo(int vira_value) { return NextInCycle(kStrengthOrder, vira_value); }
int Proxima_Limpo(int vira_value) { return NextInCycle(kLimpoStrengthOrder, vira_value); }
int Proxima(char deck_type, int vira_value) {
  return deck_type == kBaralhoLimpo ? Proxima_Limpo(vira_value) : Proxima_Sujo(vira_value);
}

ManilhaValues ManilhasVelhas() {
  ManilhaValues m{};
  m[static_cast<int>(Suit::Clubs)] = 4;
  m[static_cast<int>(Suit::Hearts)] = 7;
  m[static_cast<int>(Suit::Spades)] = 1;
  m[static_cast<int>(Suit::Diamonds)] = 7;
  return m;
}

int Forca_Carta(Card card, const ManilhaValues& manilha_value, ManilhaMode mode) {
  if (mode == ManilhaMode::Velha) {
    // Each suit has its own manilha value; test in the order of strength.
    for (Suit s : {Suit::Clubs, Suit::Hearts, Suit::Spades, Suit::Diamonds}) {
      if (card.Value == manilha_value[static_cast<int>(s)] && card.suit == s) {
        return ManilhaStrength(s);
      }
    }
    return OrdinaryStrength(card.Value);
  }
  if (card.Value == manilha_value[static_cast<int>(card.suit)]) return ManilhaStrength(card.suit);
  return OrdinaryStrength(card.Value);
}

int UsedCards::Count() const {
  int n = 0;
  for (const auto& row : flags) n += static_cast<int>(std::count(row.begin(), row.end(), true));
  return n;
}

Suit SuitOfDraw(int draw) { return kDrawSuits[static_cast<std::size_t>(draw & 3)]; }

int DrawOfSuit(Suit suit) {
  for (int i = 0; i < kNumSuits; ++i) {
    if (kDrawSuits[static_cast<std::size_t>(i)] == suit) return i;
  }
  return 0;
}

Card Sorteia(char deck_type, UsedCards& used, RandomSource& random) {
  const auto values = DeckValues(deck_type);
  const int count = static_cast<int>(values.size());
  for (;;) {
    // A number in 0..(10 * count - 1), ten consecutive numbers per value index.
    const int index = random.Uniform(count * 10) / 10;
    const int row = random.Uniform(kNumSuits);
    bool& flag = used.flags[static_cast<std::size_t>(row)][static_cast<std::size_t>(index)];
    if (!flag) {
      flag = true;
      return Card{values[static_cast<std::size_t>(index)], SuitOfDraw(row)};
    }
  }
}

std::array<int, 2> DrawNumbersFor(char deck_type, Card card) {
  const auto values = DeckValues(deck_type);
  const auto it = std::find(values.begin(), values.end(), card.Value);
  const int index = it == values.end() ? 0 : static_cast<int>(it - values.begin());
  return {index * 10, DrawOfSuit(card.suit)};
}

std::string CardName(Card card) {
  static const char* const kValueNames[] = {"",     "Ás",   "Dois",   "Três", "Quatro",
                                            "Cinco", "Seis", "Sete",   "Oito", "Nove",
                                            "Dez",  "Valete", "Dama", "Rei"};
  static const char* const kSuitNames[] = {"Espadas", "Ouros", "Paus", "Copas"};
  const int v = std::clamp<int>(card.Value, 1, 13);
  return std::string(kValueNames[v]) + " de " + kSuitNames[static_cast<int>(card.suit) & 3];
}

}  // namespace truco
