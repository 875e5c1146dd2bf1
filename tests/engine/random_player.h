#pragma once
// A player who answers every box and clicks at random: used by the random-play tests and the
// benchmark of whole hands.

#include "engine/game.h"

namespace truco::testing {

class RandomScreen : public Screen {
 public:
  explicit RandomScreen(ClockRandom& random) : random_(random) {}
  bool MOSTRA_MENSAGEM(const std::string&, int kind) override {
    return kind == 1 || random_.Uniform(2) == 0;
  }
  void Mensagem(const std::vector<std::string>&, int) override {}
  bool Confirma(const std::vector<std::string>&) override { return random_.Uniform(2) == 0; }
  char MOSTRA_TRUCO(const TrucoDialogRequest& request) override {
    ++dialogs;
    const int n = random_.Uniform(request.raise_offered ? 3 : 2);
    return n == 0 ? kAnswerAccept : (n == 1 ? kAnswerRun : kAnswerRaise);
  }
  GameKindChoice EscolhaJogo() override { return {true, GameKind::ContraPC, "ALEATORIO"}; }
  void SubmitRecord(const std::string&, int, int, int) override { ++records; }

  long dialogs = 0;
  long records = 0;

 private:
  ClockRandom& random_;
};

// One random event: a card click mostly; with `betting` also calls, runs and the hide button;
// with `restarts` now and then "Iniciar".
inline void RandomEvent(Game& game, ClockRandom& player, bool betting, bool restarts) {
  const int roll = player.Uniform(100);
  if (betting && roll < 6) {
    game.BTrucarClick();
  } else if (betting && roll < 7) {
    game.BCorrerClick();
  } else if (betting && roll < 10) {
    game.BEsconderClick();
  } else if (restarts && roll < 11) {
    game.BInicioClick();
  } else {
    game.CartaJClick(player.Uniform(3));
  }
}

}  // namespace truco::testing
