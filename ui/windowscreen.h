#pragma once
// The game's screen in real windows: the shared message boxes, the truco dialog and the game-kind
// dialog. Before any box opens, the table is brought up to date, so the player sees it as it is
// while answering.

#include <functional>
#include <string>

#include "engine/screen.h"

namespace truco {

class TFormMain;
class TFormTruco;
class TF_ESCOLHA;

class WindowScreen final : public Screen {
 public:
  using RecordSink = std::function<void(const std::string& name, int won, int lost, int balance)>;

  // Also the owner of the message boxes.
  void SetMainWindow(TFormMain* main);
  void SetTrucoDialog(TFormTruco* dialog);
  // Makes the truco dialog when it is first asked for, if none was set.
  void SetTrucoDialogMaker(std::function<TFormTruco*()> make) { make_truco_ = std::move(make); }
  // The truco dialog, if set or made by now.
  [[nodiscard]] TFormTruco* trucoDialog() const { return truco_; }
  void SetEscolhaDialog(TF_ESCOLHA* dialog);
  // Where the results for the records table go.
  void SetRecordSink(RecordSink sink) { records_ = std::move(sink); }
  // Opens the game in pairs when the game-kind dialog chose it; the game against the computer
  // then starts nothing.
  void SetDuplasOpener(std::function<void(const GameKindChoice&)> open) {
    open_duplas_ = std::move(open);
  }

  bool MOSTRA_MENSAGEM(const std::string& text, int kind) override;
  void Mensagem(const std::vector<std::string>& lines, int kind) override;
  bool Confirma(const std::vector<std::string>& lines) override;
  char MOSTRA_TRUCO(const TrucoDialogRequest& request) override;
  GameKindChoice EscolhaJogo() override;
  void SubmitRecord(const std::string& name, int won, int lost, int balance) override;

 private:
  void ShowTable();

  TFormMain* main_ = nullptr;
  TFormTruco* truco_ = nullptr;
  std::function<TFormTruco*()> make_truco_;
  TF_ESCOLHA* escolha_ = nullptr;
  RecordSink records_;
  std::function<void(const GameKindChoice&)> open_duplas_;
};

}  // namespace truco
