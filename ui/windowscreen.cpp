#include "ui/windowscreen.h"

#include <QStringList>

#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
#include "ui/messageboxes.h"

namespace truco {
namespace {

QStringList ToQt(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& line : lines) out << QString::fromStdString(line);
  return out;
}

}  // namespace

void WindowScreen::SetMainWindow(TFormMain* main) {
  main_ = main;
  SetMessageBoxOwner(main);
}

void WindowScreen::SetTrucoDialog(TFormTruco* dialog) {
  truco_ = dialog;
  if (truco_) {
    truco_->SetBackgroundSource([this] { return main_ ? main_->background() : QColor(); });
  }
}

void WindowScreen::SetEscolhaDialog(TF_ESCOLHA* dialog) {
  escolha_ = dialog;
  if (escolha_) {
    escolha_->SetMessenger([this](const QString& text) { truco::MOSTRA_MENSAGEM(text, 1); });
  }
}

void WindowScreen::ShowTable() {
  if (main_) main_->ShowTableForModal();
}

bool WindowScreen::MOSTRA_MENSAGEM(const std::string& text, int kind) {
  ShowTable();
  return truco::MOSTRA_MENSAGEM(QString::fromStdString(text), kind);
}

void WindowScreen::Mensagem(const std::vector<std::string>& lines, int kind) {
  ShowTable();
  truco::Mensagem(ToQt(lines), kind);
}

bool WindowScreen::Confirma(const std::vector<std::string>& lines) {
  ShowTable();
  return truco::Confirma(ToQt(lines));
}

char WindowScreen::MOSTRA_TRUCO(const TrucoDialogRequest& request) {
  ShowTable();
  if (!truco_ && make_truco_) SetTrucoDialog(make_truco_());
  if (!truco_) return kAnswerNone;
  return truco_->Ask(request);
}

GameKindChoice WindowScreen::EscolhaJogo() {
  ShowTable();
  if (!escolha_) return {};
  GameKindChoice choice = escolha_->Escolha();
  if (choice.ok && choice.kind == GameKind::Duplas) {
    if (open_duplas_) open_duplas_(choice);
    return {};
  }
  return choice;
}

void WindowScreen::SubmitRecord(const std::string& name, int won, int lost, int balance) {
  if (records_) records_(name, won, lost, balance);
}

}  // namespace truco
