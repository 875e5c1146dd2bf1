#pragma once
// A scripted screen and deal helpers for scenario tests of the headless game.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "engine/cards.h"
#include "engine/game.h"
#include "engine/random.h"
#include "engine/screen.h"
#include "opponent/computer.h"

namespace truco::testing {

struct Record {
  std::string name;
  int won, lost, balance;
  friend bool operator==(const Record&, const Record&) = default;
};

// Answers every modal from queues filled by the test; unexpected questions fail the test.
class ScriptedScreen : public Screen {
 public:
  bool MOSTRA_MENSAGEM(const std::string& text, int kind) override {
    messages.push_back(text);
    if (kind == 1) return true;
    if (yes_no.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return false;
    }
    const bool answer = yes_no.front();
    yes_no.pop_front();
    return answer;
  }
  void Mensagem(const std::vector<std::string>& lines, int) override {
    messages.push_back(MessageText(lines, false));
  }
  bool Confirma(const std::vector<std::string>& lines) override {
    messages.push_back(MessageText(lines, true));
    if (confirm.empty()) {
      ADD_FAILURE() << "unexpected confirmation: " << MessageText(lines, true);
      return false;
    }
    const bool answer = confirm.front();
    confirm.pop_front();
    return answer;
  }
  char MOSTRA_TRUCO(const TrucoDialogRequest& request) override {
    dialogs.push_back(request);
    if (truco.empty()) {
      ADD_FAILURE() << "unexpected truco dialog: " << request.phrase;
      return kAnswerNone;
    }
    const char answer = truco.front();
    truco.pop_front();
    return answer;
  }
  GameKindChoice EscolhaJogo() override {
    if (kinds.empty()) return {true, GameKind::ContraPC, "FULANO"};
    GameKindChoice c = kinds.front();
    kinds.pop_front();
    return c;
  }
  void SubmitRecord(const std::string& name, int won, int lost, int balance) override {
    records.push_back({name, won, lost, balance});
  }

  std::deque<bool> yes_no;
  std::deque<bool> confirm;
  std::deque<char> truco;
  std::deque<GameKindChoice> kinds;
  std::vector<std::string> messages;
  std::vector<TrucoDialogRequest> dialogs;
  std::vector<Record> records;
};

// Card shorthand: C(3, Suit::Clubs).
inline Card C(int value, Suit suit) { return Card{static_cast<std::uint8_t>(value), suit}; }

// Stacks the numbers that deal exactly these cards (the vira only in "Manilha Nova").
inline void StackDeal(StackedRandom& random, const GameSettings& settings, Card vira,
                      const std::array<Card, 3>& computer, const std::array<Card, 3>& player) {
  auto push = [&](Card c) {
    for (int n : DrawNumbersFor(settings.deck_type, c)) random.Push(n);
  };
  if (settings.manilha_mode == ManilhaMode::Nova) push(vira);
  for (Card c : computer) push(c);
  for (Card c : player) push(c);
}

// A game with a scripted screen and stacked chance.
struct Table {
  ScriptedScreen screen;
  StackedRandom random;
  ComputerJudgement judgement;
  Game game{screen, random, judgement};

  GameState& s() { return game.mutable_state(); }

  // Deals the given cards. `player_leads` fixes who leads the hand through the hand counter.
  void Deal(Card vira, const std::array<Card, 3>& computer, const std::array<Card, 3>& player,
            bool player_leads = true) {
    s().hand_counter = player_leads ? 1 : 2;  // the deal increments it
    random.Clear();
    StackDeal(random, s().settings, vira, computer, player);
    game.Inicio();
    EXPECT_EQ(random.Remaining(), 0u) << "the deal drew a repeated card";
    game.RunDueSteps();
  }

  // The player's card with this value and suit (index 0..2), or -1.
  int PlayerIndex(Card c) {
    for (int i = 0; i < 3; ++i) {
      if (s().cards[static_cast<CardId>(kCartaJ1 + i)].card == c) return i;
    }
    return -1;
  }
  void Play(Card c) {
    const int i = PlayerIndex(c);
    ASSERT_GE(i, 0) << "card not in the player's hand";
    game.CartaJClick(i);
  }
  // The computer card that lies in trick `t`, if any.
  std::optional<Card> ComputerCardInTrick(int t) {
    for (CardId id : {kCartaM1, kCartaM2, kCartaM3}) {
      const auto& tc = s().cards[id];
      if (tc.top == kTrickTops[t] && tc.left == kTrickComputerLeft) return tc.card;
    }
    return std::nullopt;
  }
  std::string LastMessage() { return screen.messages.empty() ? "" : screen.messages.back(); }
};

}  // namespace truco::testing
