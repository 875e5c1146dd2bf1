#pragma once
// Writes every hand of a game in pairs against the computer into the history, as the player's
// seat (south) saw it: its own cards as dealt, everybody else's as they were played (a card
// another seat played face down stays unknown). The player's team is "player", the other team
// "opponent"; the partner's moves, and those of the opponent who plays after the partner, carry
// the `partner` mark.

#include <string>

#include "engine/duplas.h"
#include "store/history_recorder.h"

namespace truco::history {

class PairsHistory final : public duplas::DuplasObserver {
 public:
  // `recorder` is this table's own: a game in pairs may run beside one against one.
  explicit PairsHistory(HistoryRecorder& recorder) : recorder_(recorder) {}
  ~PairsHistory() override;
  PairsHistory(const PairsHistory&) = delete;
  PairsHistory& operator=(const PairsHistory&) = delete;

  // How the computer seats play, for the games that start from now on ("Forte", "Regras").
  void set_level(std::string level) { level_ = std::move(level); }
  // Another observer that hears every event after the history.
  void set_next(duplas::DuplasObserver* next) { next_ = next; }

  void OnDeal(const duplas::DuplasState& s) override;
  void OnCard(const duplas::DuplasState& s, int seat) override;
  void OnTrick(const duplas::DuplasState& s, int trick) override;
  void OnPoints(const duplas::DuplasState& s, int team, int before,
                duplas::PointsReason reason) override;
  void OnCall(const duplas::DuplasState& s, int team) override;
  void OnAnswer(const duplas::DuplasState& s, int team, CallAnswer answer) override;
  void OnEleven(const duplas::DuplasState& s, int team, bool plays) override;
  void OnRun(const duplas::DuplasState& s, int seat) override;
  void OnRedeal(const duplas::DuplasState& s) override;
  void OnGameEnd(const duplas::DuplasState& s, int winner) override;

 private:
  HistoryRecorder& recorder_;
  std::string level_ = "Regras";
  duplas::DuplasObserver* next_ = nullptr;
  bool open_ = false;
};

}  // namespace truco::history
