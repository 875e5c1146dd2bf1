#pragma once
// One copy of the program's network side without windows: a game with a scripted screen and
// stacked chance, its networked hand, and an output that records what the hand shows.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "net/play/networked_hand.h"
#include "net/wire/protocol.h"
#include "tests/engine/scripted.h"

namespace truco::testing {

// Records what the hand shows; sends through `send`, which the test wires to the other side.
class RecordingOutput final : public net::HandOutput {
 public:
  bool Send(const net::Message& message) override {
    sent.push_back(net::Encode(message));
    return send && send(message);
  }
  void SetMessagePanel(const std::string& text) override { panel = text; }
  void SetOpponentName(const std::string& name) override { opponent = name; }
  void AppendChat(const std::string& line) override { chat.push_back(line); }
  void Tell(const std::string& text) override { told.push_back(text); }
  void TableChanged() override { ++changes; }
  void AskTruco(const TrucoDialogRequest& request) override { truco_asks.push_back(request); }
  void Ask(net::Question question, const std::string& text) override {
    questions.emplace_back(question, text);
  }
  void CancelAsk() override { ++cancels; }
  void CloseLink() override {
    ++closes;
    if (close) close();
  }

  std::function<bool(const net::Message&)> send;
  std::function<void()> close;    // the hand closed the connection itself
  std::vector<std::string> sent;  // every message handed to Send, as its wire text
  std::string panel;
  std::string opponent;
  std::vector<std::string> chat;
  std::vector<std::string> told;
  int changes = 0;
  std::vector<TrucoDialogRequest> truco_asks;
  std::vector<std::pair<net::Question, std::string>> questions;
  int cancels = 0;
  int closes = 0;
};

struct NetSide {
  NetSide(net::Side which, std::string own_name) : side(which), name(std::move(own_name)) {
    game.set_networked_play(&hand);
    // Scenarios stack the host's draws: the whole game of version 2, where the host deals.
    // Tests of the joint deal raise it (set_max_version).
    hand.set_max_version(net::kWholeGameVersion);
    // Every start says "Em rede" and confirms a restart.
    for (int i = 0; i < 8; ++i) {
      screen.kinds.push_back({true, GameKind::EmRede, name});
      screen.confirm.push_back(true);
    }
  }

  GameState& s() { return game.mutable_state(); }
  const TableCard& Card(CardId id) { return game.state().cards[id]; }
  // The slot (0..2) of the player's card with this face, or -1.
  int Slot(truco::Card card) {
    for (int i = 0; i < 3; ++i) {
      if (Card(static_cast<CardId>(kCartaJ1 + i)).card == card) return i;
    }
    return -1;
  }
  // Clicks the player's card with this face.
  void Play(truco::Card card) {
    const int slot = Slot(card);
    ASSERT_GE(slot, 0) << "not in this side's hand";
    game.CartaJClick(slot);
  }
  // Clicks the first of the player's cards still in hand (plain play that ends hands quickly).
  void PlayFirstInHand() {
    for (int i = 0; i < 3; ++i) {
      if (game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) {
        game.CartaJClick(i);
        return;
      }
    }
  }
  // Where the opponent's card with this face lies (its top), or -1.
  int OpponentTop(truco::Card card) {
    for (CardId id : {kCartaM1, kCartaM2, kCartaM3}) {
      if (Card(id).card == card) return Card(id).top;
    }
    return -1;
  }

  net::Side side;
  std::string name;
  ScriptedScreen screen;
  StackedRandom random;
  ComputerJudgement judgement;
  Game game{screen, random, judgement};
  RecordingOutput out;
  net::NetworkedHand hand{game, random, out};
};

// Stacks the host's draws in the order of the deal: the guest's three, the host's three, the
// vira (drawn only in "Manilha Nova").
inline void StackNetDeal(NetSide& host, const std::array<Card, 3>& guest_cards,
                         const std::array<Card, 3>& host_cards, Card vira) {
  const GameSettings& settings = host.game.state().settings;
  auto push = [&](Card c) {
    for (int n : DrawNumbersFor(settings.deck_type, c)) host.random.Push(n);
  };
  for (Card c : guest_cards) push(c);
  for (Card c : host_cards) push(c);
  if (settings.manilha_mode == ManilhaMode::Nova) push(vira);
}

}  // namespace truco::testing
