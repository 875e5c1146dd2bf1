#include "ui/formmain.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStatusBar>
#include <QUrl>

#include "store/records_file.h"
#include "ui/dialogkeys.h"
#include "ui/messageboxes.h"
#include "ui_formmain.h"

// The bundled pages live in a static library: make sure their resource is registered.
static void InitMainWindowResources() {
  Q_INIT_RESOURCE(mainwindow);
}

namespace truco {
namespace {

constexpr int kClientHeight = 607;
// The lines of text on the table: the first place (two lines) and the stake.
constexpr int kTableLeft = 282;
constexpr int kFirstPlaceTop = 3;
constexpr int kLineHeight = 15;
constexpr int kLineGap = 5;
constexpr int kStakeLeft = 284;
constexpr int kStakeTop = 469;
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

void SetFittedText(QLabel* label, const QString& text) {
  static constexpr char kBaseSize[] = "fittedBasePixelSize";
  static constexpr int kSmallest = 7;
  QVariant base = label->property(kBaseSize);
  if (!base.isValid()) {
    base = QFontInfo(label->font()).pixelSize();
    label->setProperty(kBaseSize, base);
  }
  QFont font = label->font();
  int size = base.toInt();
  font.setPixelSize(size);
  const int room = label->contentsRect().width() - 2 * label->margin();
  while (size > kSmallest && QFontMetrics(font).horizontalAdvance(text) > room) {
    font.setPixelSize(--size);
  }
  if (font != label->font()) label->setFont(font);
  label->setText(text);
}

TFormMain::TFormMain(Game& game, Screen& screen, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint),
      ui_(std::make_unique<Ui::TFormMain>()),
      game_(game),
      screen_(screen) {
  InitMainWindowResources();
  KeepKeysInTheirWindow();
  KeepWindowsOnScreen();
  setProperty("truco_fits_itself", true);
  // The table is laid out in pixels: its type is sized in pixels too.
  QFont base = font();
  base.setPixelSize(11);
  setFont(base);
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormMain"));
  BuildCaption();
  for (QLabel* title : {ui_->Label1, ui_->LabelCartasNome}) {
    QFont f = title->font();
    f.setPixelSize(17);
    title->setFont(f);
  }
  for (QLabel* games : {ui_->PartMicro, ui_->PartJogador}) {
    QFont f = games->font();
    f.setPixelSize(14);
    games->setFont(f);
  }
  FitScreen();
  if (QWidget::screen()) move(ScreenArea(this).center() - rect().center());

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
  // The tips column fits the window, so its scroll bar shows; neither page ever wakes the
  // program again once loaded.
  ui_->Browser->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ui_->Browser2->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  ui_->Browser2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  ui_->Browser->setSource(QUrl(QStringLiteral("qrc:/web/Devudazoz.html")));
  ui_->Browser2->setSource(QUrl(QStringLiteral("qrc:/web/Zavudiz2.html")));

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
  ui_->StatusBar1->setSizeGripEnabled(false);
  ui_->CHAT->setMaximumBlockCount(kChatLines);
  chat_flush_ = new QTimer(this);
  chat_flush_->setSingleShot(true);
  chat_flush_->setInterval(0);
  connect(chat_flush_, &QTimer::timeout, this, [this] { FlushChat(); });

  BuildPopupMenu();
  // "Dica", by the player's cards: shown only when a hint controller takes it (ui/hint_controller).
  hint_button_ = new QPushButton(QStringLiteral("Dica"), table_);
  hint_button_->setObjectName(QStringLiteral("BDica"));
  hint_button_->setGeometry(kDicaLeft, kDicaTop, kDicaWidth, kDicaHeight);
  hint_button_->setToolTip(QStringLiteral("O que o Mestre faria agora no seu lugar (tecla D)"));
  hint_button_->hide();
  SetUpKeyboard();
  for (int id = 0; id < kNumTableCards; ++id) {
    auto* move = new QPropertyAnimation(cards_[static_cast<std::size_t>(id)], "pos", this);
    move->setDuration(kMoveMs);
    move->setEasingCurve(QEasingCurve::OutCubic);
    moves_[static_cast<std::size_t>(id)] = move;
  }

  quit_ = [] { QCoreApplication::quit(); };
  SetFirstPlace(ui_->LabelNomePonto->text(), ui_->LabelPonto->text().toInt());
  // The keyboard starts on "Iniciar".
  ui_->BInicio->setFocus(Qt::OtherFocusReason);
  SetBackground(kButtonFace);
  SetDeckType(kStartDeck);
  refresh();
}

TFormMain::~TFormMain() {
  // The children go after ui_; a focus change while they go must not reach the chat watch.
  disconnect(focus_watch_);
}

void TFormMain::BuildCaption() {
  // Window managers draw their own title-bar buttons whatever a program asks (openbox keeps a
  // close box and a maximise button on every window), so the table draws its caption itself:
  // the title, and a minimise button as the only button. Dragging the caption moves the window.
  table_ = new QWidget(this);
  table_->setObjectName(QStringLiteral("Mesa"));
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child == table_) continue;
    const QRect place = child->geometry();
    child->setParent(table_);
    child->setGeometry(place);
  }
  table_->resize(kClientWidth, kClientHeight);
  // On a screen too small for the table (a large scale factor) the caption stays whole and the
  // table scrolls below it: cards laid out in pixels keep their places and stay sharp.
  scroller_ = new QScrollArea(this);
  scroller_->setObjectName(QStringLiteral("MesaRolagem"));
  scroller_->setFrameShape(QFrame::NoFrame);
  scroller_->setFocusPolicy(Qt::NoFocus);
  scroller_->setBackgroundRole(QPalette::Window);
  scroller_->viewport()->setBackgroundRole(QPalette::Window);
  scroller_->setWidget(table_);
  ui_->StatusBar1->setParent(this);
  ui_->StatusBar1->show();
  scroller_->setGeometry(0, kCaptionHeight, kClientWidth, kClientHeight);

  caption_ = new QFrame(this);
  caption_->setObjectName(QStringLiteral("Caption"));
  caption_->setGeometry(0, 0, kClientWidth, kCaptionHeight);
  caption_->setAutoFillBackground(true);
  QPalette colours = caption_->palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::Active, QPalette::Highlight));
  colours.setColor(QPalette::WindowText,
                   colours.color(QPalette::Active, QPalette::HighlightedText));
  caption_->setPalette(colours);
  auto* title = new QLabel(windowTitle(), caption_);
  title->setObjectName(QStringLiteral("LabelCaption"));
  title->setAlignment(Qt::AlignCenter);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setGeometry(0, 0, kClientWidth, kCaptionHeight);
  caption_minimise_ = new QPushButton(QStringLiteral("-"), caption_);
  caption_minimise_->setObjectName(QStringLiteral("BMinimizar"));
  caption_minimise_->setFocusPolicy(Qt::NoFocus);  // "-" on the table takes the keyboard
  caption_minimise_->setToolTip(QStringLiteral("Minimizar"));
  caption_minimise_->setAccessibleName(QStringLiteral("Minimizar"));
  caption_minimise_->setGeometry(kClientWidth - 21, 2, 18, kCaptionHeight - 4);
  connect(caption_minimise_, &QPushButton::clicked, this, [this] { SpeedButton3Click(); });
  caption_->installEventFilter(this);
  title->installEventFilter(this);

  // The caption's own menu, as a window manager's would be: the window moves by keyboard too.
  caption_menu_ = new QMenu(this);
  caption_menu_->setObjectName(QStringLiteral("MenuJanela"));
  QAction* mover = caption_menu_->addAction(QStringLiteral("&Mover"));
  mover->setObjectName(QStringLiteral("MenuMover"));
  mover->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F7));
  mover->setShortcutContext(Qt::WindowShortcut);
  addAction(mover);
  connect(mover, &QAction::triggered, this, [this] { StartKeyboardMove(); });
  QAction* minimise = caption_menu_->addAction(QStringLiteral("Mi&nimizar"));
  connect(minimise, &QAction::triggered, this, [this] { SpeedButton3Click(); });
  auto* menu_key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
  connect(menu_key, &QShortcut::activated, this,
          [this] { caption_menu_->popup(caption_->mapToGlobal(QPoint(0, kCaptionHeight))); });
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

void TFormMain::SetLevelHint(const QString& level_name) {
  ui_->GB1->setToolTip(QStringLiteral("Nível do computador: ") + level_name);
}

void TFormMain::SetFirstPlace(const QString& name, int balance) {
  ui_->LabelNomePonto->setText(name);
  // Clamped as the records window clamps it; the line is laid out from the texts' widths.
  ui_->LabelPonto->setText(Number(ShownRecordNumber(balance)));
  ui_->LabelNomePonto->setAccessibleName(QStringLiteral("1º Lugar: %1").arg(name));
  // An empty name is nothing to stop at: Tab passes it by.
  const bool named = !name.trimmed().isEmpty();
  if (!named && ui_->LabelNomePonto->hasFocus()) focusNextChild();
  ui_->LabelNomePonto->setFocusPolicy(named ? Qt::StrongFocus : Qt::NoFocus);
  LayOutLine(kTableLeft, kFirstPlaceTop, {ui_->Label5, ui_->LabelNomePonto}, kLineGap);
  LayOutLine(kTableLeft, kFirstPlaceTop + kLineHeight, {ui_->LabelPonto, ui_->Label6}, kLineGap);
}

void TFormMain::LayOutLine(int left, int top, std::initializer_list<QLabel*> labels, int gap) {
  int x = left;
  for (QLabel* label : labels) {
    const QSize hint = label->sizeHint();
    label->setGeometry(x, top, hint.width(), std::max(hint.height(), kLineHeight - 1));
    x += hint.width() + gap;
  }
}

void TFormMain::refresh() {
  const GameState& s = game_.state();
  // Before the first deal there is no card on the table: only backs. A networked hand says
  // itself which of its cards are not dealt yet.
  const bool online = game_.Online();
  const bool dealt = game_.deals() > 0 || online;
  // A card led right after a deal comes from its hand, even if it lay on the same place of the
  // table in the hand before.
  const bool new_deal = game_.deals() != shown_deals_;
  shown_deals_ = game_.deals();
  for (int id = 0; id < kNumTableCards; ++id) {
    const TableCard& tc = s.cards[static_cast<std::size_t>(id)];
    TCard* c = cards_[static_cast<std::size_t>(id)];
    c->setCard(tc.card);
    c->setShowDeck(tc.face_down || !dealt);
    PlaceCard(static_cast<CardId>(id), QPoint(tc.left, tc.top), new_deal);
  }
  int focused = -1;
  for (int i = 0; i < 3; ++i) {
    TCard* c = cards_[kCartaJ1 + i];
    const auto id = static_cast<CardId>(kCartaJ1 + i);
    const bool pointer = dealt && s.InHand(id) && !s.cards[id].face_down;
    c->setCursor(pointer ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Only a card in hand takes the keyboard (by Tab, not by a click); a played card hands it
    // on to the next card in hand.
    const bool playable = dealt && s.InHand(id);
    c->setFocusPolicy(playable ? Qt::TabFocus : Qt::NoFocus);
    if (!playable && focusWidget() == c) focused = i;
    if (!playable && table_keyboard_ == c) table_keyboard_ = ui_->BInicio;
    c->setPlace(playable ? CardPlace::InHand : dealt ? CardPlace::Played : CardPlace::Table);
  }
  if (focused >= 0) {
    QWidget* to = ui_->BInicio;
    for (int k = 1; k <= 3; ++k) {
      TCard* c = cards_[kCartaJ1 + (focused + k) % 3];
      if (c->focusPolicy() != Qt::NoFocus) {
        to = c;
        break;
      }
    }
    to->setFocus(Qt::OtherFocusReason);
  }
  ui_->CVira->setCursor(s.vira_hand_pointer ? Qt::PointingHandCursor : Qt::ArrowCursor);

  ui_->PMicro->setText(Number(s.computer_points));
  ui_->PJogador->setText(Number(s.player_points));
  ui_->PartMicro->setText(Number(s.games_computer));
  ui_->PartJogador->setText(Number(s.games_player));
  SetFittedText(ui_->LabelNome, QString::fromStdString(s.LabelNome));
  SetFittedText(ui_->LabelCartasNome, QString::fromStdString(s.LabelCartasNome));
  ui_->LabelVale->setText(QString::fromStdString(s.LabelVale));
  LayOutLine(kStakeLeft, kStakeTop, {ui_->Label7, ui_->LabelVale, ui_->Label8}, kLineGap);
  ShowButton(ui_->BTrucar, s.BTrucar);
  ShowButton(ui_->BCorrer, s.BCorrer);
  ShowButton(ui_->BEsconder, s.BEsconder);
  // In a hand of eleven in the dark no card is face up, and only a face-up card can be hidden.
  ui_->BEsconder->setToolTip(
      dealt && s.DarkElevenHand()
          ? QStringLiteral(
                "Na mão de onze no escuro as cartas já vão fechadas: não há o que esconder")
          : QStringLiteral(
                "Clique aqui e na carta que deseja esconder (tecla E, depois 1, 2 ou 3)"));
  ShowOpponentName();
  ShowChatColumn(online);
  TellTable();
  UpdateStatus();
  emit refreshed();
}

void TFormMain::TellTable() {
  // What a sighted player reads at a glance, as sentences a screen reader can say; each is set
  // only when it changes, so a change is announced once.
  auto tell = [](QWidget* w, const QString& text) {
    if (w->accessibleDescription() != text) w->setAccessibleDescription(text);
  };
  const GameState& s = game_.state();
  const QString opponent =
      game_.Online() && !opponent_name_.isEmpty() ? opponent_name_ : QStringLiteral("Computador");
  tell(ui_->GB1, QStringLiteral("Você %1, %2 %3; partidas %4 a %5")
                     .arg(s.player_points)
                     .arg(opponent)
                     .arg(s.computer_points)
                     .arg(s.games_player)
                     .arg(s.games_computer));
  tell(ui_->LabelVale, QStringLiteral("%1 %2 %3")
                           .arg(ui_->Label7->text(), ui_->LabelVale->text(), ui_->Label8->text()));
  const std::array<ClickLabel*, 3> tricks{ui_->Label10, ui_->Label11, ui_->Label12};
  for (int i = 0; i < 3; ++i) {
    const QString result = QString::fromStdString(game_.TrickLabelText(i + 1));
    tell(tricks[static_cast<std::size_t>(i)],
         result.isEmpty() ? QStringLiteral("Não decidida") : result);
  }
}

void TFormMain::ShowFootLine(const QString& text) {
  // Until the status next changes; the status itself stays what it was.
  ui_->StatusBar1->showMessage(text);
}

void TFormMain::PlaceCard(CardId id, const QPoint& target, bool new_deal) {
  TCard* card = cards_[id];
  QPropertyAnimation* move = moves_[id];
  // Only a card going to the table slides; a new deal puts the hands back at once.
  const bool to_table =
      target.y() != kPlayerHandTop && target.y() != kComputerHandTop && id != kCVira;
  const bool moving = move->state() == QAbstractAnimation::Running;
  if (!(new_deal && to_table) && (moving ? move->endValue().toPoint() : card->pos()) == target) {
    return;
  }
  move->stop();
  if (!animated_ || !isVisible() || !to_table) {
    card->move(target);
    return;
  }
  if (new_deal) {
    const int slot = id <= kCartaJ3 ? id - kCartaJ1 : id - kCartaM1;
    card->move(kHandLefts[static_cast<std::size_t>(slot)],
               id <= kCartaJ3 ? kPlayerHandTop : kComputerHandTop);
  }
  card->raise();
  move->setStartValue(card->pos());
  move->setEndValue(target);
  move->start();
}

void TFormMain::SetAnimated(bool animated) {
  animated_ = animated;
  if (animated) return;
  // Whatever is sliding arrives now.
  for (QPropertyAnimation* move : moves_) {
    if (move->state() == QAbstractAnimation::Running) move->setCurrentTime(move->duration());
    move->stop();
  }
}

QString TFormMain::statusText() const {
  return status_;
}

void TFormMain::UpdateStatus() {
  const GameState& s = game_.state();
  const bool dealt = game_.deals() > 0 || game_.Online();
  const bool yours = game_.Online() ? s.may_play : s.turn == 'L' || s.turn == 'J';
  QString text;
  const bool box = box_coming_ || QApplication::activeModalWidget() != nullptr;
  box_coming_ = false;
  if (box) {
    // Nobody plays while a box waits: what the player may do is answer it.
    text = QStringLiteral("Responda à mensagem aberta para continuar");
  } else if (!dealt || (!s.may_play && !game_.Online())) {
    text = QStringLiteral("Tecle I ou clique em Iniciar para começar");
  } else if (yours) {
    text = s.turn == 'J' ? QStringLiteral("O computador jogou. Sua vez: teclas 1, 2 e 3 jogam")
                         : QStringLiteral("Sua vez: teclas 1, 2 e 3 jogam as suas cartas");
    if (s.hide_armed) {
      text = QStringLiteral("Esconder ligado: a próxima carta vai encoberta (E desliga)");
    } else if (s.DarkElevenHand()) {
      text = QStringLiteral("Mão de onze no escuro: jogue as cartas fechadas; nada se esconde");
    }
  } else if (game_.Online() && !ui_->L_MSG->text().isEmpty()) {
    // A networked game says itself what is awaited (the other's card, its answer, the next hand,
    // a lost connection).
    text = ui_->L_MSG->text().section(QLatin1Char('\n'), 0, 0);
  } else {
    text = QStringLiteral("Vez do adversário: aguarde a jogada");
  }
  if (text == status_) return;
  status_ = text;
  ui_->StatusBar1->showMessage(text);
}

void TFormMain::ShowOpponentName() {
  QString opponent = QStringLiteral("COMPUTADOR");
  if (game_.Online()) {
    opponent = opponent_name_.isEmpty() ? QString::fromUtf8(kTextWaitingName) : opponent_name_;
  }
  if (ui_->Label1->text() != opponent) SetFittedText(ui_->Label1, opponent);
  if (ui_->Label3->text() != opponent) SetFittedText(ui_->Label3, opponent);
  // The chat header names only the networked opponent.
  const QString header =
      opponent_name_.isEmpty() ? QString::fromUtf8(kTextWaitingName) : opponent_name_;
  if (ui_->NOME->text() != header) SetFittedText(ui_->NOME, header);
  const QString heading = game_.Online() ? opponent : QStringLiteral("Computador");
  if (ui_->LabelMesaMicro->text() != heading) SetFittedText(ui_->LabelMesaMicro, heading);
}

void TFormMain::ShowChatColumn(bool show) {
  if (show == chat_shown_) return;
  chat_shown_ = show;
  // The chat entry takes the keyboard only where it can be seen.
  for (QWidget* w : {static_cast<QWidget*>(ui_->E_MSG), static_cast<QWidget*>(ui_->CHAT)}) {
    w->setFocusPolicy(show ? Qt::StrongFocus : Qt::NoFocus);
    if (!show && focusWidget() == w) ui_->BInicio->setFocus(Qt::OtherFocusReason);
  }
  const int width = show ? kChatWidth : kClientWidth;
  table_->resize(width, table_->height());
  FitScreen();
  // Keep the whole window on the screen when it grows.
  if (screen()) {
    const QRect area = ScreenArea(this);
    QRect frame = frameGeometry();
    if (frame.right() > area.right()) frame.moveRight(area.right());
    if (frame.left() < area.left()) frame.moveLeft(area.left());
    move(frame.topLeft());
  }
}

void TFormMain::FitScreen() {
  // The foot line stays at the window's foot, outside what scrolls.
  QStatusBar* foot = ui_->StatusBar1;
  const int table_height = kClientHeight - foot->height();
  table_->resize(table_->width(), table_height);
  QSize size(table_->width(), kCaptionHeight + table_height + foot->height());
  if (screen()) size = size.boundedTo(ScreenArea(this).size());
  setFixedSize(size);
  scroller_->setGeometry(0, kCaptionHeight, size.width(),
                         size.height() - kCaptionHeight - foot->height());
  foot->setGeometry(0, size.height() - foot->height(), size.width(), foot->height());
  caption_->resize(size.width(), kCaptionHeight);
  caption_->findChild<QLabel*>()->resize(size.width(), kCaptionHeight);
  caption_minimise_->move(size.width() - caption_minimise_->width() - 3, caption_minimise_->y());
}

void TFormMain::SetMessagePanel(const QString& text) {
  ui_->L_MSG->setText(DisplayText(text));
}

void TFormMain::SetOpponentName(const QString& name) {
  opponent_name_ = name;
  ShowOpponentName();
}

void TFormMain::AppendChat(const QString& line) {
  pending_chat_ << line;
  // Lines that would be dropped at once are not even kept.
  if (pending_chat_.size() > kChatLines) {
    pending_chat_.erase(pending_chat_.begin(),
                        pending_chat_.begin() + (pending_chat_.size() - kChatLines));
  }
  if (!chat_flush_->isActive()) chat_flush_->start();
}

void TFormMain::FlushChat() {
  chat_flush_->stop();
  if (pending_chat_.isEmpty()) return;
  // One append for the lot: the box lays out once and drops what runs over its limit.
  ui_->CHAT->appendPlainText(pending_chat_.join(QLatin1Char('\n')));
  // The new lines, for a screen reader to say when they come.
  ui_->CHAT->setAccessibleDescription(pending_chat_.join(QLatin1Char('\n')));
  pending_chat_.clear();
}

void TFormMain::ShowTableForModal() {
  // The stake label and the hide button would catch up on their own timer tick during the box.
  game_.Timer4Timer();
  box_coming_ = true;
  refresh();
}

void TFormMain::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!event->spontaneous()) emit firstPlaceRequested();
}

}  // namespace truco
