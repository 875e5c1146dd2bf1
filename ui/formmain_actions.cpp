// What the player asks of the table by mouse: the pop-up menu, the buttons and cards forwarded
// to the game, minimising and leaving.
#include "ui/formmain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenu>

#include "ui_formmain.h"

namespace truco {

void TFormMain::BuildPopupMenu() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  auto add = [this](const QString& name, const QString& text, auto signal) {
    QAction* action = popup_->addAction(text);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, signal);
    return action;
  };
  QAction* sobre =
      add(QStringLiteral("MenuSobre"), QStringLiteral("&Sobre"), &TFormMain::aboutRequested);
  // Alt+F4 opens the about window instead of closing the table.
  sobre->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  sobre->setShortcutContext(Qt::WindowShortcut);
  addAction(sobre);
  popup_->addSeparator();
  add(QStringLiteral("MenuRegras"), QStringLiteral("Re&gras"), &TFormMain::rulesRequested);
  add(QStringLiteral("MenuConfig"), QStringLiteral("&Configurações"),
      &TFormMain::settingsRequested);
  add(QStringLiteral("MenuRecordes"), QStringLiteral("&Recordes"), &TFormMain::recordsRequested);
  add(QStringLiteral("MenuEstatisticas"), QStringLiteral("Es&tatísticas\tS"),
      &TFormMain::statisticsRequested);
  add(QStringLiteral("MenuHistorico"), QStringLiteral("&Histórico\tH"),
      &TFormMain::historyRequested);

  QMenu* baralho = popup_->addMenu(QStringLiteral("&Baralho"));
  baralho->setObjectName(QStringLiteral("MenuBaralho"));
  baralho->menuAction()->setObjectName(QStringLiteral("MenuBaralhoAction"));
  deck_group_ = new QActionGroup(this);
  deck_group_->setExclusive(true);
  for (int i = 0; i < kNumDecks; ++i) {
    const auto deck = static_cast<TDecks>(i);
    QAction* entry = baralho->addAction(DeckMenuText(deck));
    entry->setObjectName(QStringLiteral("Baralho%1").arg(i));
    entry->setCheckable(true);
    entry->setData(i);
    deck_group_->addAction(entry);
    connect(entry, &QAction::triggered, this, [this, deck] { SetDeckType(deck); });
  }

  popup_->addSeparator();
  QAction* sair = popup_->addAction(QStringLiteral("S&air"));
  sair->setObjectName(QStringLiteral("MenuSair"));
  connect(sair, &QAction::triggered, this, [this] { BsairClick(); });
}

void TFormMain::Forward(const std::function<void()>& event) {
  event();
  refresh();
}

void TFormMain::BInicioClick() {
  Forward([this] { game_.BInicioClick(); });
  emit startHandled();
}

void TFormMain::BTrucarClick() {
  Forward([this] { game_.BTrucarClick(); });
}

void TFormMain::BCorrerClick() {
  Forward([this] { game_.BCorrerClick(); });
}

void TFormMain::BEsconderClick() {
  Forward([this] { game_.BEsconderClick(); });
}

void TFormMain::CartaJClick(int index) {
  Forward([this, index] { game_.CartaJClick(index); });
}

void TFormMain::CartaMClick(int index) {
  Forward([this, index] { game_.CartaMClick(index); });
}

void TFormMain::TrickLabelClick(int trick) {
  Forward([this, trick] { game_.TrickLabelClick(trick); });
}

void TFormMain::CViraClick() {
  if (game_.state().vira_hand_pointer) emit manilhasRequested();
}

void TFormMain::BsairClick() {
  bool leave = false;
  Forward([this, &leave] { leave = game_.BsairClick(); });
  if (!leave) return;
  // Ending the event loop closes the windows, and the table refuses a close it did not ask for.
  leaving_ = true;
  quit_();
}

void TFormMain::SpeedButton3Click() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible()) w->showMinimized();
  }
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  popup_->popup(event->globalPos());
  event->accept();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // Only "Sair" ends the program; a close request from outside (Alt+F4 of a window manager)
  // opens the about window like the table's own Alt+F4.
  if (leaving_) {
    event->accept();
    return;
  }
  event->ignore();
  emit aboutRequested();
}
}  // namespace truco
