#include "ui/formmain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QUrl>

#include "store/records_file.h"
#include "ui/messageboxes.h"
#include "ui_formmain.h"

// The bundled pages live in a static library: make sure their resource is registered.
static void InitMainWindowResources() {
  Q_INIT_RESOURCE(mainwindow);
}

namespace truco {
namespace {

// The design geometry of the first place's line: the balance ends where "Vitória(s) de Saldo"
// begins; wider numbers take room from the name.
constexpr int kLabelPontoWidth = 16;
constexpr int kLabelPontoRight = 442;
constexpr int kLabelNomePontoWidth = 92;

constexpr int kClientHeight = 607;
// The classic button face: the colour the table has until the settings give their own.
const QColor kButtonFace(212, 208, 200);

QString Number(int value) {
  return QString::number(value);
}

void ShowButton(QPushButton* button, const ButtonState& state) {
  button->setText(QString::fromStdString(state.caption));
  button->setEnabled(state.enabled);
  button->setVisible(state.visible);
}

}  // namespace

TFormMain::TFormMain(Game& game, Screen& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinimizeButtonHint),
      ui_(std::make_unique<Ui::TFormMain>()),
      game_(game),
      screen_(screen) {
  InitMainWindowResources();
  // The table is laid out in pixels: its type is sized in pixels too.
  QFont base = font();
  base.setPixelSize(11);
  setFont(base);
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormMain"));
  for (QLabel* title : {ui_->Label1, ui_->LabelCartasNome}) {
    QFont f = title->font();
    f.setPixelSize(17);
    title->setFont(f);
  }
  {
    // The first-place line shares its row with the table's edge; its tail is set smaller.
    QFont f = ui_->Label6->font();
    f.setPixelSize(9);
    ui_->Label6->setFont(f);
  }
  for (QLabel* games : {ui_->PartMicro, ui_->PartJogador}) {
    QFont f = games->font();
    f.setPixelSize(14);
    games->setFont(f);
  }
  setFixedSize(kClientWidth, kClientHeight);
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    move(s->availableGeometry().center() - rect().center());
  }

  cards_ = {ui_->CartaJ1, ui_->CartaJ2, ui_->CartaJ3, ui_->CartaM1,
            ui_->CartaM2, ui_->CartaM3, ui_->CVira};
  // Played cards must lie above the table's labels.
  for (TCard* c : cards_) c->raise();
  ui_->StatusBar1->raise();
  // The browsers leave the pop-up menu to the window.
  ui_->Browser->setContextMenuPolicy(Qt::NoContextMenu);
  ui_->Browser2->setContextMenuPolicy(Qt::NoContextMenu);
  ui_->Browser->setSearchPaths({});
  ui_->Browser2->setSearchPaths({});
  // Browser2 runs past the window's right edge: wrap its text inside the part that shows.
  ui_->Browser2->setLineWrapMode(QTextEdit::FixedPixelWidth);
  ui_->Browser2->setLineWrapColumnOrWidth(kClientWidth - ui_->Browser2->x() - 12);

  connect(ui_->BInicio, &QPushButton::clicked, this, [this] { BInicioClick(); });
  connect(ui_->BTrucar, &QPushButton::clicked, this, [this] { BTrucarClick(); });
  connect(ui_->BCorrer, &QPushButton::clicked, this, [this] { BCorrerClick(); });
  connect(ui_->BEsconder, &QPushButton::clicked, this, [this] { BEsconderClick(); });
  connect(ui_->BSobre, &QPushButton::clicked, this, &TFormMain::aboutRequested);
  connect(ui_->BRecordes, &QPushButton::clicked, this, &TFormMain::recordsRequested);
  connect(ui_->SpeedButton1, &QPushButton::clicked, this, &TFormMain::rulesRequested);
  connect(ui_->BConfig, &QPushButton::clicked, this, &TFormMain::settingsRequested);
  connect(ui_->SpeedButton2, &QPushButton::clicked, this, &TFormMain::phrasesRequested);
  connect(ui_->SpeedButton3, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
  connect(ui_->Bsair, &QPushButton::clicked, this, [this] { BsairClick(); });
  connect(ui_->LabelNomePonto, &ClickLabel::clicked, this, &TFormMain::recordsRequested);
  connect(ui_->Label10, &ClickLabel::clicked, this, [this] { TrickLabelClick(1); });
  connect(ui_->Label11, &ClickLabel::clicked, this, [this] { TrickLabelClick(2); });
  connect(ui_->Label12, &ClickLabel::clicked, this, [this] { TrickLabelClick(3); });
  for (int i = 0; i < 3; ++i) {
    connect(cards_[kCartaJ1 + i], &TCard::clicked, this, [this, i] { CartaJClick(i); });
    connect(cards_[kCartaM1 + i], &TCard::clicked, this, [this, i] { CartaMClick(i); });
  }
  connect(ui_->CVira, &TCard::clicked, this, [this] { CViraClick(); });
  connect(ui_->E_MSG, &QLineEdit::returnPressed, this, [this] { E_MSGKeyPress(); });

  BuildPopupMenu();

  timer6_ = new QTimer(this);
  timer6_->setObjectName(QStringLiteral("Timer6"));
  timer6_->setInterval(kTimer6FirstMs);
  connect(timer6_, &QTimer::timeout, this, [this] { Timer6Timer(); });
  timer6_->start();
  LoadPages();

  quit_ = [] { QCoreApplication::quit(); };
  SetBackground(kButtonFace);
  SetDeckType(kStartDeck);
  refresh();
}

TFormMain::~TFormMain() = default;

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

void TFormMain::SetDeckType(TDecks deck) {
  deck_type_ = deck;
  for (TCard* c : cards_) c->setDeckType(deck);
  for (QAction* entry : deck_group_->actions()) {
    entry->setChecked(entry->data().toInt() == static_cast<int>(deck));
  }
}

void TFormMain::SetBackground(const QColor& colour) {
  background_ = colour;
  QPalette p = palette();
  p.setColor(QPalette::Window, colour);
  setPalette(p);
  setAutoFillBackground(true);
  QPalette gb = ui_->GB1->palette();
  gb.setColor(QPalette::Window, colour);
  ui_->GB1->setPalette(gb);
  for (TCard* c : cards_) c->update();
}

void TFormMain::SetFirstPlace(const QString& name, int balance) {
  ui_->LabelNomePonto->setText(name);
  // Clamped as the records window clamps it, and the label widened to its left (into the name's
  // spare room) so that the number shows whole and "Vitória(s) de Saldo" stays in place.
  QLabel* number = ui_->LabelPonto;
  number->setText(Number(ShownRecordNumber(balance)));
  const int width =
      std::max(kLabelPontoWidth, number->fontMetrics().horizontalAdvance(number->text()) + 1);
  number->setGeometry(kLabelPontoRight - width, number->y(), width, number->height());
  QLabel* name_label = ui_->LabelNomePonto;
  name_label->resize(std::min(kLabelNomePontoWidth, number->x() - 3 - name_label->x()),
                     name_label->height());
}

void TFormMain::refresh() {
  const GameState& s = game_.state();
  // Before the first deal there is no card on the table: only backs. A networked hand says
  // itself which of its cards are not dealt yet.
  const bool online = game_.Online();
  const bool dealt = game_.deals() > 0 || online;
  for (int id = 0; id < kNumTableCards; ++id) {
    const TableCard& tc = s.cards[static_cast<std::size_t>(id)];
    TCard* c = cards_[static_cast<std::size_t>(id)];
    c->setCard(tc.card);
    c->setShowDeck(tc.face_down || !dealt);
    c->move(tc.left, tc.top);
  }
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) {
    const bool pointer = dealt && s.InHand(id) && !s.cards[id].face_down;
    cards_[id]->setCursor(pointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
  }
  ui_->CVira->setCursor(s.vira_hand_pointer ? Qt::PointingHandCursor : Qt::ArrowCursor);

  ui_->PMicro->setText(Number(s.computer_points));
  ui_->PJogador->setText(Number(s.player_points));
  ui_->PartMicro->setText(Number(s.games_computer));
  ui_->PartJogador->setText(Number(s.games_player));
  ui_->LabelNome->setText(QString::fromStdString(s.LabelNome));
  ui_->LabelCartasNome->setText(QString::fromStdString(s.LabelCartasNome));
  ui_->LabelVale->setText(QString::fromStdString(s.LabelVale));
  ShowButton(ui_->BTrucar, s.BTrucar);
  ShowButton(ui_->BCorrer, s.BCorrer);
  ShowButton(ui_->BEsconder, s.BEsconder);
  const QString opponent =
      online && !opponent_name_.isEmpty() ? opponent_name_ : QStringLiteral("COMPUTADOR");
  ui_->Label1->setText(opponent);
  ui_->Label3->setText(opponent);
  ShowChatColumn(online);
}

void TFormMain::ShowChatColumn(bool show) {
  if (show == chat_shown_) return;
  chat_shown_ = show;
  const int width = show ? kChatWidth : kClientWidth;
  setFixedSize(width, kClientHeight);
  ui_->StatusBar1->resize(width, ui_->StatusBar1->height());
  // Keep the whole window on the screen when it grows.
  if (const QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    QRect frame = frameGeometry();
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    move(frame.topLeft());
  }
}

void TFormMain::SetMessagePanel(const QString& text) {
  ui_->L_MSG->setText(DisplayText(text));
}

void TFormMain::SetOpponentName(const QString& name) {
  opponent_name_ = name;
  ui_->NOME->setText(name);
  if (game_.Online()) {
    ui_->Label1->setText(name);
    ui_->Label3->setText(name);
  }
}

void TFormMain::AppendChat(const QString& line) {
  ui_->CHAT->appendPlainText(line);
}

void TFormMain::ShowTableForModal() {
  // The stake label and the hide button would catch up on their own timer tick during the box.
  game_.Timer4Timer();
  refresh();
}

void TFormMain::Forward(const std::function<void()>& event) {
  event();
  refresh();
}

void TFormMain::BInicioClick() {
  Forward([this] { game_.BInicioClick(); });
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
  ui_->CHAT->appendPlainText(line);
  emit chatLineEntered(line);
  ui_->E_MSG->clear();
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

void TFormMain::LoadPages() {
  ui_->Browser->setSource(QUrl(QStringLiteral("qrc:/web/Devudazoz.html")));
  ui_->Browser2->setSource(QUrl(QStringLiteral("qrc:/web/Zavudiz2.html")));
}

void TFormMain::Timer6Timer() {
  timer6_->setInterval(kTimer6EveryMs);
  ui_->Browser->reload();
  ui_->Browser2->reload();
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  popup_->popup(event->globalPos());
  event->accept();
}

void TFormMain::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    // The (hidden) chat entry takes the keyboard at every activation.
    ui_->E_MSG->setFocus(Qt::ActiveWindowFocusReason);
    LoadPages();
  }
  QWidget::changeEvent(event);
}

void TFormMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) emit firstPlaceRequested();
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
