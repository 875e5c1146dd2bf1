// The table by keyboard: Tab order and hints, the game's keys, the chat entry holding the keys
// only while the player types, and moving the window with the arrows.
#include "ui/formmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QShortcut>
#include <QStatusBar>
#include <QWindow>

#include "ui/dialogkeys.h"
#include "ui_formmain.h"

namespace truco {

void TFormMain::StartKeyboardMove() {
  if (moving_by_keys_) return;
  moving_by_keys_ = true;
  move_start_ = pos();
  grabKeyboard();
  status_ = QStringLiteral("Mover: setas movem a janela, Enter confirma, Esc cancela");
  ui_->StatusBar1->showMessage(status_);
}

void TFormMain::EndKeyboardMove(bool keep) {
  moving_by_keys_ = false;
  releaseKeyboard();
  if (!keep) move(move_start_);
  status_.clear();
  UpdateStatus();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->E_MSG && event->type() == QEvent::KeyPress) {
    // Taken here, so the key does not go on to the table once the keyboard is back there.
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape) {
      ReturnKeyboardToTable();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      E_MSGKeyPress();
      return true;
    }
  }
  const bool on_caption =
      watched == caption_ || (caption_ && caption_->isAncestorOf(qobject_cast<QWidget*>(watched)));
  if (!on_caption) {
    if (event->type() == QEvent::MouseButtonPress && focusWidget() == ui_->E_MSG &&
        watched != ui_->E_MSG) {
      ReturnKeyboardToTable();
    }
    return QWidget::eventFilter(watched, event);
  }
  if (event->type() == QEvent::ContextMenu) {
    caption_menu_->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  if (event->type() == QEvent::MouseButtonPress && watched != caption_minimise_ &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    if (QWindow* window = windowHandle()) window->startSystemMove();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TFormMain::E_MSGKeyPress() {
  QString text = ui_->E_MSG->text();
  if (text == QLatin1String(kViewHandsCommand)) {
    // The command stays in the field and goes nowhere.
    Forward([this] { game_.ViewHands(); });
    return;
  }
  // A chat line is one line, here and on the wire.
  text.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  const QString line = QStringLiteral("[%1] %2").arg(ui_->LabelNome->text(), text);
  AppendChat(line);
  FlushChat();
  emit chatLineEntered(line);
  ui_->E_MSG->clear();
  ReturnKeyboardToTable();
}

void TFormMain::ReturnKeyboardToTable() {
  QWidget* to = table_keyboard_;
  if (!to || !to->isVisible() || !to->isEnabled() || to->focusPolicy() == Qt::NoFocus ||
      to->window() != this) {
    to = ui_->BInicio;
  }
  to->setFocus(Qt::OtherFocusReason);
}

void TFormMain::SetUpKeyboard() {
  // Tab runs through the table top to bottom; the player's cards take the focus like buttons.
  ui_->CVira->setFocusPolicy(Qt::TabFocus);
  for (ClickLabel* l : {ui_->LabelNomePonto, ui_->Label10, ui_->Label11, ui_->Label12}) {
    l->setFocusPolicy(Qt::StrongFocus);
  }
  if (ui_->LabelNomePonto->text().trimmed().isEmpty())
    ui_->LabelNomePonto->setFocusPolicy(Qt::NoFocus);
  // The tips column scrolls by the arrow keys too, and shows when it has them.
  ui_->Browser2->setFocusPolicy(Qt::TabFocus);
  ui_->Browser2->setStyleSheet(
      QStringLiteral("QTextBrowser:focus { border: 2px solid palette(highlight); }"));
  ui_->E_MSG->setFocusPolicy(Qt::NoFocus);
  ui_->CHAT->setFocusPolicy(Qt::NoFocus);
  // The chat entry holds the keyboard only while the player types in it: Enter (after sending),
  // Escape and a click anywhere else on the table give it back to where it was, so the game's
  // keys (1, 2, 3, T, C...) play again.
  focus_watch_ =
      connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (now == ui_->E_MSG && old && old != ui_->E_MSG && old != ui_->CHAT &&
            old->window() == this)
          table_keyboard_ = old;
      });
  ui_->E_MSG->installEventFilter(this);
  table_->installEventFilter(this);
  for (QWidget* w : table_->findChildren<QWidget*>()) {
    if (w != ui_->E_MSG && w != ui_->CHAT && !ui_->CHAT->isAncestorOf(w))
      w->installEventFilter(this);
  }
  const std::vector<QWidget*> order{
      ui_->CVira,        ui_->BSobre,  ui_->BRecordes,    ui_->SpeedButton1,   ui_->BConfig,
      ui_->SpeedButton2, ui_->BInicio, ui_->BTrucar,      ui_->BCorrer,        ui_->CartaJ1,
      ui_->CartaJ2,      ui_->CartaJ3, ui_->BEsconder,    ui_->LabelNomePonto, ui_->Label10,
      ui_->Label11,      ui_->Label12, ui_->SpeedButton3, ui_->Bsair,          ui_->Browser2,
      ui_->E_MSG,        ui_->CHAT};
  for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);

  // One key for each game command, shown in its hint. A visible chat entry keeps its typing:
  // a line edit claims printable keys before a shortcut sees them.
  auto key = [this](const QString& sequence, const std::function<void()>& action) {
    auto* shortcut = new QShortcut(QKeySequence(sequence), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  auto press = [](QAbstractButton* button) {
    return [button] {
      if (button->isEnabled() && button->isVisible()) button->click();
    };
  };
  key(QStringLiteral("I"), press(ui_->BInicio));
  key(QStringLiteral("T"), press(ui_->BTrucar));
  key(QStringLiteral("C"), press(ui_->BCorrer));
  key(QStringLiteral("E"), press(ui_->BEsconder));
  for (int i = 0; i < 3; ++i) {
    key(QString::number(i + 1), [this, i] { CartaJClick(i); });
  }
  key(QStringLiteral("V"), [this] { CViraClick(); });
  key(QStringLiteral("S"), [this] { emit statisticsRequested(); });
  key(QStringLiteral("H"), [this] { emit historyRequested(); });
  key(QStringLiteral("D"), press(hint_button_));

  const std::vector<std::pair<QWidget*, QString>> hints{
      {ui_->BInicio, QStringLiteral("Começar ou recomeçar a partida (tecla I)")},
      {ui_->BTrucar, QStringLiteral("Pedir truco ou aumentar a aposta (tecla T)")},
      {ui_->BCorrer, QStringLiteral("Correr desta mão (tecla C)")},
      {ui_->CVira, QStringLiteral("Clique aqui para ver as Manilhas da Rodada (tecla V)")},
      {ui_->CartaJ1, QStringLiteral("Jogar esta carta (tecla 1)")},
      {ui_->CartaJ2, QStringLiteral("Jogar esta carta (tecla 2)")},
      {ui_->CartaJ3, QStringLiteral("Jogar esta carta (tecla 3)")},
  };
  for (const auto& [widget, hint] : hints) widget->setToolTip(hint);

  // Names for a screen reader where a control shows no words of its own.
  ui_->SpeedButton3->setAccessibleName(QStringLiteral("Minimizar"));
  ui_->Browser->setAccessibleName(QStringLiteral("Dicas"));
  ui_->Browser2->setAccessibleName(QStringLiteral("Como jogar melhor"));
  ui_->StatusBar1->setAccessibleName(QStringLiteral("Situação da mão"));
  // The foot line's text (whose turn, the keys, a hint's answer) is painted by the bar; a screen
  // reader reads it, and hears it change, as the bar's description.
  connect(ui_->StatusBar1, &QStatusBar::messageChanged, this, [this](const QString& text) {
    if (ui_->StatusBar1->accessibleDescription() != text) {
      ui_->StatusBar1->setAccessibleDescription(text);
    }
  });
  ui_->CHAT->setAccessibleName(QStringLiteral("Conversa"));
  ui_->E_MSG->setAccessibleName(QStringLiteral("Mensagem para o adversário"));
  ui_->GB1->setAccessibleName(QStringLiteral("Tentos"));
  ui_->Bevel1->setAccessibleName(QStringLiteral("Botões do jogo"));
  ui_->Panel1->setAccessibleName(QStringLiteral("Borda da mesa"));
  ui_->Panel2->setAccessibleName(QStringLiteral("Borda da mesa"));
}

void TFormMain::keyPressEvent(QKeyEvent* event) {
  if (moving_by_keys_) {
    // Arrows move by 10 pixels (1 with Ctrl); the window never leaves the screen's free area.
    const int step = event->modifiers() & Qt::ControlModifier ? 1 : 10;
    QPoint to = pos();
    switch (event->key()) {
      case Qt::Key_Left:
        to.rx() -= step;
        break;
      case Qt::Key_Right:
        to.rx() += step;
        break;
      case Qt::Key_Up:
        to.ry() -= step;
        break;
      case Qt::Key_Down:
        to.ry() += step;
        break;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        EndKeyboardMove(true);
        break;
      case Qt::Key_Escape:
        EndKeyboardMove(false);
        break;
      default:
        break;
    }
    if (moving_by_keys_ && to != pos()) {
      if (screen()) {
        const QRect area = ScreenArea(this);
        QRect frame = frameGeometry();
        frame.moveTopLeft(to + (frame.topLeft() - pos()));
        if (frame.right() > area.right()) frame.moveRight(area.right());
        if (frame.bottom() > area.bottom()) frame.moveBottom(area.bottom());
        if (frame.left() < area.left()) frame.moveLeft(area.left());
        if (frame.top() < area.top()) frame.moveTop(area.top());
        to = frame.topLeft() - (frameGeometry().topLeft() - pos());
      }
      move(to);
    }
    event->accept();
    return;
  }
  // Enter presses the button that has the keyboard, as Space does.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QAbstractButton*>(focusWidget())) {
      if (button->isEnabled() && button->window() == this) {
        if (!event->isAutoRepeat()) button->click();
        event->accept();
        return;
      }
    }
  }
  QWidget::keyPressEvent(event);
}
}  // namespace truco
