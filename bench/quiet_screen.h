#pragma once
// A screen for the network benchmarks: nobody to ask, so every box is answered at once.

#include "engine/screen.h"

namespace truco::net {

// Every start is a networked one and every restart question is answered Yes.
class QuietScreen final : public Screen {
 public:
  bool MOSTRA_MENSAGEM(const std::string&, int) override { return true; }
  void Mensagem(const std::vector<std::string>&, int) override {}
  bool Confirma(const std::vector<std::string>&) override { return true; }
  char MOSTRA_TRUCO(const TrucoDialogRequest&) override { return kAnswerAccept; }
  GameKindChoice EscolhaJogo() override { return {true, GameKind::EmRede, "BANCO"}; }
  void SubmitRecord(const std::string&, int, int, int) override {}
};

}  // namespace truco::net
