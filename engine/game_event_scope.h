#pragma once
// Shared by the files of the game against the computer: the scope that runs the deferred steps
// once the outermost handler returns, and the "... N Tento(s)" texts.

#include <string>

#include "engine/game.h"

namespace truco {

// Runs the due steps when the outermost event handler returns.
class Game::EventScope {
 public:
  explicit EventScope(Game& game) : game_(game) { ++game_.depth_; }
  ~EventScope() {
    if (--game_.depth_ == 0) game_.RunDueSteps();
  }
  EventScope(const EventScope&) = delete;
  EventScope& operator=(const EventScope&) = delete;

 private:
  Game& game_;
};

inline std::string Tentos(const char* prefix, int stake) {
  return prefix + std::to_string(stake) + " Tento(s)";
}

}  // namespace truco
