// A judgement asked every question twice, on the real state and on one whose hidden cards were
// swapped for others nobody was dealt: a seat that decides only from what it may see answers
// both the same.
#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "engine/game.h"
#include "opponent/computer.h"

namespace truco {

constexpr std::array<CardId, 3> kPlayerCards{kCartaJ1, kCartaJ2, kCartaJ3};
constexpr std::array<CardId, 3> kComputerCards{kCartaM1, kCartaM2, kCartaM3};

// Replaces each card of `ids` that still lies in `hand_top` by a card nobody was dealt in this
// hand, keeping the deal's bookkeeping (used cards, the computer's strengths) consistent, so
// nothing but the hidden cards themselves differs.
inline GameState SwapHidden(const GameState& s, const std::array<CardId, 3>& ids, int hand_top,
                            std::mt19937& rng) {
  GameState t = s;
  const auto values = DeckValues(t.settings.deck_type);
  for (CardId id : ids) {
    if (t.cards[id].top != hand_top) continue;
    std::vector<std::pair<std::size_t, std::size_t>> free;
    for (std::size_t row = 0; row < 4; ++row) {
      for (std::size_t col = 0; col < values.size(); ++col) {
        if (!t.used_cards.flags[row][col]) free.emplace_back(row, col);
      }
    }
    if (free.empty()) continue;
    const auto [row, col] = free[rng() % free.size()];
    const Card old = t.cards[id].card;
    const auto old_col = static_cast<std::size_t>(
        std::find(values.begin(), values.end(), old.Value) - values.begin());
    t.used_cards.flags[static_cast<std::size_t>(DrawOfSuit(old.suit))][old_col] = false;
    t.used_cards.flags[row][col] = true;
    t.cards[id].card = Card{values[col], SuitOfDraw(static_cast<int>(row))};
    for (HandSlot& slot : t.computer_hand) {
      if (slot.card == id) slot.strength = t.Strength(t.cards[id].card);
    }
  }
  return t;
}

// Asks every question twice, on the real state and on one with the hidden cards swapped, and
// counts the answers that differ.
class SwapProbe final : public Judgement {
 public:
  SwapProbe(const Judgement& forte, std::function<GameState(const GameState&)> swap)
      : forte_(forte), swap_(std::move(swap)) {}

  AnswerChoice ChooseAnswer(const GameState& s, int p) const override {
    const AnswerChoice a = forte_.ChooseAnswer(s, p);
    const AnswerChoice b = forte_.ChooseAnswer(swap_(s), p);
    Count(a.slot == b.slot && a.result == b.result);
    return a;
  }
  LeadChoice ChooseLead(const GameState& s) const override {
    const LeadChoice a = forte_.ChooseLead(s);
    const LeadChoice b = forte_.ChooseLead(swap_(s));
    Count(a.slot == b.slot && a.consider_call == b.consider_call);
    return a;
  }
  bool WantsLeadCall(const GameState& s) const override {
    const bool a = forte_.WantsLeadCall(s);
    Count(a == forte_.WantsLeadCall(swap_(s)));
    return a;
  }
  bool WantsThirdTrickCall(const GameState& s, int p, int own) const override {
    const bool a = forte_.WantsThirdTrickCall(s, p, own);
    Count(a == forte_.WantsThirdTrickCall(swap_(s), p, own));
    return a;
  }
  CallReply AnswerCall(const GameState& s, Rung rung) const override {
    const CallReply a = forte_.AnswerCall(s, rung);
    Count(a.answer == forte_.AnswerCall(swap_(s), rung).answer);
    return a;
  }
  bool PlaysHandOfEleven(const GameState& s) const override {
    const bool a = forte_.PlaysHandOfEleven(s);
    Count(a == forte_.PlaysHandOfEleven(swap_(s)));
    return a;
  }

  mutable long asked = 0;
  mutable long differed = 0;

 private:
  void Count(bool same) const {
    ++asked;
    if (!same) ++differed;
  }
  const Judgement& forte_;
  std::function<GameState(const GameState&)> swap_;
};

}  // namespace truco
