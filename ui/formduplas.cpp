#include "ui/formduplas.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTextBrowser>
#include <QTimer>
#include <algorithm>

#include "opponent/duplas_view.h"

namespace truco {

using namespace duplas;

namespace {

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

constexpr int kTableWidth = 590;
constexpr int kFootHeight = 22;
constexpr int kOverlap = 30;  // side seats' cards overlap down the table edge
constexpr int kMinButtonWidth = 64;

// Where each seat's card lies in the trick, and its hand.
constexpr std::array<QPoint, kNumSeats> kTrickAt{{{260, 272}, {352, 198}, {260, 124}, {168, 198}}};

const char* SeatName(int seat) {
  switch (seat) {
    case kEast:
      return "DIREITA";
    case kNorth:
      return "PARCEIRO";
    case kWest:
      return "ESQUERDA";
    default:
      return "VOCÊ";
  }
}

QString TeamName(int team) {
  return team == 0 ? QStringLiteral("NÓS") : QStringLiteral("ELES");
}

QString RungName(Rung rung) {
  switch (rung) {
    case Rung::Trucar:
      return QStringLiteral("TRUCO");
    case Rung::Seis:
      return QStringLiteral("SEIS");
    case Rung::Nove:
      return QStringLiteral("NOVE");
    case Rung::Doze:
      return QStringLiteral("DOZE");
  }
  return {};
}

bool GameOver(const DuplasState& s) {
  return s.phase == Phase::Idle && GameWinner(s.points[0], s.points[1]) != Taker::Nobody;
}

QString TipsHtml() {
  QString html = QStringLiteral(
      "<p><b>Truco em duplas.</b> Você (embaixo) e o parceiro (em cima) contra os dois "
      "adversários dos lados. Joga-se no sentido anti-horário; a vaza é da dupla da carta "
      "mais alta. Cartas iguais de duplas diferentes empatam.</p>"
      "<p><b>Sinais do parceiro.</b> Logo depois de dar as cartas o parceiro mostra a sua "
      "melhor carta por um sinal; os adversários não o veem:</p><ul>");
  for (Sign s : {Sign::Zap, Sign::Copas, Sign::Espadilha, Sign::PicaFumo, Sign::Nada}) {
    html += QStringLiteral("<li><i>%1</i>: %2</li>").arg(SignFace(s), SignName(s));
  }
  html += QStringLiteral(
      "</ul><p>Para mostrar o seu sinal ao parceiro tecle S (ou o botão Sinal).</p>"
      "<p><b>Teclas.</b> 1, 2 e 3 jogam; T pede truco ou aumenta; A aceita; C corre; E "
      "esconde a próxima carta; J joga a mão de onze; I começa.</p>"
      "<p><b>Mão de onze.</b> A dupla com 11 vê as cartas do parceiro e decide: joga valendo "
      "3 ou corre e os outros ganham 1. A outra dupla não pode correr dessa mão.</p>"
      "<p><b>Mão de ferro (11 contra 11).</b> A mão vale 1 tento, ninguém truca e ninguém "
      "corre.</p>");
  return html;
}

}  // namespace

QString SignName(Sign sign) {
  switch (sign) {
    case Sign::Zap:
      return QStringLiteral("Zap (manilha de Paus)");
    case Sign::Copas:
      return QStringLiteral("Copas (manilha de Copas)");
    case Sign::Espadilha:
      return QStringLiteral("Espadilha (manilha de Espadas)");
    case Sign::PicaFumo:
      return QStringLiteral("Pica-fumo (manilha de Ouros)");
    case Sign::Nada:
      return QStringLiteral("nada de bom");
    case Sign::None:
      break;
  }
  return {};
}

QString SignFace(Sign sign) {
  switch (sign) {
    case Sign::Zap:
      return QStringLiteral("piscar um olho");
    case Sign::Copas:
      return QStringLiteral("levantar as sobrancelhas");
    case Sign::Espadilha:
      return QStringLiteral("torcer a boca de lado");
    case Sign::PicaFumo:
      return QStringLiteral("encher a bochecha");
    case Sign::Nada:
      return QStringLiteral("fechar os olhos");
    case Sign::None:
      break;
  }
  return {};
}

TFormDuplas::TFormDuplas(RandomSource& random, bool forte, QWidget* parent)
    : QWidget(parent, Qt::Window), game_(random), rules_(std::make_unique<DuplasRules>()) {
  if (forte) {
    computer_ = std::make_unique<DuplasForte>(0x5eed);
  } else {
    computer_ = std::make_unique<DuplasRules>();
  }
  players_ = {nullptr, computer_.get(), computer_.get(), computer_.get()};
  setObjectName(QStringLiteral("F_DUPLAS"));
  setWindowTitle(QStringLiteral("Truco Zanforte - Duplas"));
  setFixedSize(kWidth, kHeight);
  step_timer_ = new QTimer(this);
  step_timer_->setSingleShot(true);
  connect(step_timer_, &QTimer::timeout, this, [this] { Step(); });
  Build();
  SetUpKeyboard();
  SetBackground(QColor(0xF0, 0xF0, 0xF0));
  if (const QScreen* s = QGuiApplication::primaryScreen()) {
    // Centred, but never with its top or left edge off a screen smaller than the window.
    const QRect room = s->availableGeometry();
    const QPoint at = room.center() - rect().center();
    move(std::max(at.x(), room.left()), std::max(at.y(), room.top()));
  }
  refresh();
}

TFormDuplas::~TFormDuplas() = default;

void TFormDuplas::Build() {
  auto label = [this](int x, int y, int w, int h, const QString& text, bool bold = false) {
    auto* l = new QLabel(text, this);
    l->setGeometry(x, y, w, h);
    if (bold) {
      QFont f = l->font();
      f.setBold(true);
      l->setFont(f);
    }
    return l;
  };
  auto card = [this](int x, int y) {
    auto* c = new TCard(this);
    c->setGeometry(x, y, TCard::kWidth, TCard::kHeight);
    c->setShowDeck(true);
    return c;
  };

  // The score box.
  auto* box = new QFrame(this);
  box->setFrameShape(QFrame::StyledPanel);
  box->setGeometry(8, 8, 150, 74);
  box->setAccessibleName(QStringLiteral("Tentos"));
  label(16, 12, 80, 16, QStringLiteral("TENTOS"), true);
  label(100, 12, 54, 16, QStringLiteral("Partidas"));
  score_nos_ = label(16, 34, 136, 18, {}, true);
  score_eles_ = label(16, 56, 136, 18, {}, true);

  vira_ = card(506, 8);
  label(506, 106, 80, 16, QStringLiteral("Carta Virada"));

  names_[kNorth] = label(200, 4, 140, 16, {}, true);
  names_[kWest] = label(8, 126, 100, 16, {}, true);
  names_[kEast] = label(486, 126, 100, 16, {}, true);
  names_[kSouth] = label(170, 400, 250, 16, {}, true);
  for (int i = 0; i < kHandSize; ++i) {
    hands_[kNorth][U(i)] = card(200 + 50 * i, 22);
    hands_[kWest][U(i)] = card(12, 146 + kOverlap * i);
    hands_[kEast][U(i)] = card(506, 146 + kOverlap * i);
    hands_[kSouth][U(i)] = card(170 + 90 * i, 418);
  }
  sign_ = label(380, 30, 120, 64, {});
  sign_->setWordWrap(true);
  sign_->setAccessibleName(QStringLiteral("Sinal do parceiro"));
  for (int seat = 0; seat < kNumSeats; ++seat)
    trick_[U(seat)] = card(kTrickAt[U(seat)].x(), kTrickAt[U(seat)].y());
  // Cards played lie above the hands at the sides.
  for (TCard* c : trick_) c->raise();
  call_ = label(100, 374, 390, 20, {}, true);
  call_->setAlignment(Qt::AlignCenter);

  auto button = [this](int x, const QString& text, const QString& hint) {
    auto* b = new QPushButton(text, this);
    b->setGeometry(x, 522, 80, 24);
    b->setToolTip(hint);
    return b;
  };
  b_inicio_ = button(8, QStringLiteral("Iniciar"), QStringLiteral("Começar a partida (tecla I)"));
  b_trucar_ =
      button(90, QStringLiteral("Trucar"), QStringLiteral("Pedir truco ou aumentar (tecla T)"));
  b_correr_ = button(172, QStringLiteral("Correr"), QStringLiteral("Correr desta mão (tecla C)"));
  b_esconder_ = button(254, QStringLiteral("Esconder"),
                       QStringLiteral("Jogar a próxima carta encoberta (tecla E)"));
  b_aceitar_ = button(336, QStringLiteral("Aceitar"), QStringLiteral("Aceitar o pedido (tecla A)"));
  b_jogar_ = button(418, QStringLiteral("Jogar"), QStringLiteral("Jogar a mão de onze (tecla J)"));
  b_sinal_ = button(500, QStringLiteral("Sinal"),
                    QStringLiteral("Mostrar um sinal ao parceiro (tecla S)"));
  // Each button as wide as the longest caption it shows (not the style's usual 80 pixels, or
  // the row would run into the tips column), in a row from the left edge.
  const std::array<std::pair<QPushButton*, QStringList>, 7> row{{
      {b_inicio_, {}},
      {b_trucar_,
       {QStringLiteral("Seis"), QStringLiteral("Nove"), QStringLiteral("Doze"),
        QStringLiteral("Pedir 6"), QStringLiteral("Pedir 9"), QStringLiteral("Pedir 12")}},
      {b_correr_, {}},
      {b_esconder_, {QStringLiteral("Não esconder")}},
      {b_aceitar_, {}},
      {b_jogar_, {}},
      {b_sinal_, {}},
  }};
  const int padding = 2 * (style()->pixelMetric(QStyle::PM_ButtonMargin) +
                           style()->pixelMetric(QStyle::PM_DefaultFrameWidth)) +
                      4;
  int x = 8;
  for (const auto& [b, others] : row) {
    int w = std::max(kMinButtonWidth, b->fontMetrics().horizontalAdvance(b->text()) + padding);
    for (const QString& other : others)
      w = std::max(w, b->fontMetrics().horizontalAdvance(other) + padding);
    b->setGeometry(x, b->y(), w, b->height());
    x += w + 2;
  }
  connect(b_inicio_, &QPushButton::clicked, this, [this] { BInicioClick(); });
  connect(b_trucar_, &QPushButton::clicked, this, [this] { BTrucarClick(); });
  connect(b_correr_, &QPushButton::clicked, this, [this] { BCorrerClick(); });
  connect(b_esconder_, &QPushButton::clicked, this, [this] { BEsconderClick(); });
  connect(b_aceitar_, &QPushButton::clicked, this, [this] { BAceitarClick(); });
  connect(b_jogar_, &QPushButton::clicked, this, [this] { BJogarClick(); });
  for (int i = 0; i < kHandSize; ++i) {
    TCard* c = hands_[kSouth][U(i)];
    c->setToolTip(QStringLiteral("Jogar esta carta (tecla %1)").arg(i + 1));
    connect(c, &TCard::clicked, this, [this, i] { CartaClick(i); });
  }

  sign_menu_ = new QMenu(this);
  for (Sign s : {Sign::Zap, Sign::Copas, Sign::Espadilha, Sign::PicaFumo, Sign::Nada}) {
    QAction* a = sign_menu_->addAction(SignFace(s) + QStringLiteral(" — ") + SignName(s));
    connect(a, &QAction::triggered, this, [this, s] { ShowSign(s); });
  }
  sign_menu_->addSeparator();
  signs_on_ = sign_menu_->addAction(QStringLiteral("Jogar com sinais"));
  signs_on_->setCheckable(true);
  signs_on_->setChecked(true);
  connect(signs_on_, &QAction::toggled, this, [this](bool on) {
    settings_.signs = on;
    refresh();
  });
  connect(b_sinal_, &QPushButton::clicked, this,
          [this] { sign_menu_->popup(b_sinal_->mapToGlobal(QPoint(0, b_sinal_->height()))); });

  stake_ = label(8, 552, 200, 18, {}, true);
  // No fixed name: a screen reader reads (and hears change) the stake itself, "Valendo 3 Tento(s)".
  tricks_line_ = label(210, 552, 370, 18, {});

  tips_ = new QTextBrowser(this);
  tips_->setGeometry(kTableWidth, 0, kWidth - kTableWidth, kHeight - kFootHeight);
  tips_->setHtml(TipsHtml());
  tips_->setAccessibleName(QStringLiteral("Dicas"));
  tips_->setFocusPolicy(Qt::NoFocus);
  tips_->setContextMenuPolicy(Qt::NoContextMenu);

  status_ = new QStatusBar(this);
  status_->setGeometry(0, kHeight - kFootHeight, kWidth, kFootHeight);
  status_->setSizeGripEnabled(false);
  status_->setProperty("truco_foot_line", true);  // in sight when the table has to scroll
  status_->setAccessibleName(QStringLiteral("Situação da mão"));
  // The foot line's text is painted by the bar; a screen reader reads it as its description.
  connect(status_, &QStatusBar::messageChanged, this, [this](const QString& text) {
    if (status_->accessibleDescription() != text) status_->setAccessibleDescription(text);
  });
}

void TFormDuplas::SetUpKeyboard() {
  auto key = [this](const QString& sequence, const std::function<void()>& action) {
    auto* shortcut = new QShortcut(QKeySequence(sequence), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, action);
  };
  auto press = [](QPushButton* b) {
    return [b] {
      if (b->isEnabled() && b->isVisible()) b->click();
    };
  };
  key(QStringLiteral("I"), press(b_inicio_));
  key(QStringLiteral("T"), press(b_trucar_));
  key(QStringLiteral("C"), press(b_correr_));
  key(QStringLiteral("E"), press(b_esconder_));
  key(QStringLiteral("A"), press(b_aceitar_));
  key(QStringLiteral("J"), press(b_jogar_));
  key(QStringLiteral("S"), press(b_sinal_));
  for (int i = 0; i < kHandSize; ++i) key(QString::number(i + 1), [this, i] { CartaClick(i); });
}

void TFormDuplas::SetSettings(const DuplasSettings& settings) {
  const bool signs = settings_.signs;
  settings_ = settings;
  settings_.signs = signs;
}

void TFormDuplas::SetBackground(const QColor& colour) {
  QPalette p = palette();
  p.setColor(QPalette::Window, colour);
  setPalette(p);
  setAutoFillBackground(true);
  for (auto& h : hands_) {
    for (TCard* c : h) c->update();
  }
}

void TFormDuplas::SetDeckType(TDecks deck) {
  for (auto& h : hands_) {
    for (TCard* c : h) c->setDeckType(deck);
  }
  for (TCard* c : trick_) c->setDeckType(deck);
  vira_->setDeckType(deck);
}

TCard* TFormDuplas::card(int seat, int slot) const {
  return hands_[U(seat)][U(slot)];
}
TCard* TFormDuplas::trickCard(int seat) const {
  return trick_[U(seat)];
}
QString TFormDuplas::statusText() const {
  return status_text_;
}
QString TFormDuplas::stakeText() const {
  return stake_->text();
}
QString TFormDuplas::partnerSignText() const {
  return sign_->text();
}

void TFormDuplas::contextMenuEvent(QContextMenuEvent* event) {
  sign_menu_->popup(event->globalPos());
  event->accept();
}

bool TFormDuplas::computerStepDue() const {
  const DuplasState& s = game_.state();
  if (!started_) return false;
  if (signs_due_) return true;
  const Due due = game_.NextDue();
  switch (due.kind) {
    case Due::Kind::Deal:
      return !GameOver(s);
    case Due::Kind::Play:
      return due.seat != kSouth;
    case Due::Kind::Answer:
    case Due::Kind::Eleven:
      // The player answers and decides for the team.
      return due.team != 0;
  }
  return false;
}

void TFormDuplas::ScheduleStep() {
  if (!computerStepDue()) {
    step_timer_->stop();
    return;
  }
  if (step_timer_->isActive()) return;
  // A finished trick and the end of a hand stay on the table a little longer.
  const DuplasState& s = game_.state();
  const bool deal = game_.NextDue().kind == Due::Kind::Deal && !signs_due_;
  const bool trick_closed =
      s.phase == Phase::Play && s.trick > 1 && s.tricks[U(s.trick)].count == 0 && !signs_due_;
  step_timer_->start(deal || trick_closed ? 3 * step_ms_ : step_ms_);
}

void TFormDuplas::Step() {
  if (signs_due_) {
    signs_due_ = false;
    for (int seat = 1; seat < kNumSeats; ++seat) {
      game_.ShowSign(seat, computer_->ChooseSign(ViewOf(game_.state(), seat)));
    }
  } else if (game_.NextDue().kind == Due::Kind::Deal) {
    Deal();
    return;
  } else if (computerStepDue()) {
    StepComputer(game_, players_);
  }
  refresh();
  ScheduleStep();
}

void TFormDuplas::Deal() {
  game_.set_settings(settings_);
  game_.Deal();
  hide_armed_ = false;
  // The partner's sign comes a moment after the cards.
  signs_due_ = settings_.signs;
  refresh();
  ScheduleStep();
}

void TFormDuplas::BInicioClick() {
  const DuplasState& s = game_.state();
  if (started_ && !GameOver(s)) return;
  if (!started_) game_.NewMatch();
  started_ = true;
  Deal();
}

void TFormDuplas::CartaClick(int slot) {
  const DuplasState& s = game_.state();
  if (s.phase != Phase::Play || s.turn != kSouth) return;
  if (game_.Play(kSouth, slot, hide_armed_)) hide_armed_ = false;
  refresh();
  ScheduleStep();
}

void TFormDuplas::BTrucarClick() {
  const Due due = game_.NextDue();
  if (due.kind == Due::Kind::Answer && due.team == 0) {
    game_.Answer(0, CallAnswer::Raise);
  } else {
    game_.Call(kSouth);
  }
  refresh();
  ScheduleStep();
}

void TFormDuplas::BCorrerClick() {
  const Due due = game_.NextDue();
  if (due.kind == Due::Kind::Answer && due.team == 0) {
    game_.Answer(0, CallAnswer::Run);
  } else if (due.kind == Due::Kind::Eleven && due.team == 0) {
    game_.DecideEleven(0, false);
  } else {
    game_.Run(kSouth);
  }
  refresh();
  ScheduleStep();
}

void TFormDuplas::BAceitarClick() {
  game_.Answer(0, CallAnswer::Accept);
  refresh();
  ScheduleStep();
}

void TFormDuplas::BJogarClick() {
  game_.DecideEleven(0, true);
  refresh();
  ScheduleStep();
}

void TFormDuplas::BEsconderClick() {
  hide_armed_ = !hide_armed_;
  refresh();
}

void TFormDuplas::ShowSign(Sign sign) {
  game_.ShowSign(kSouth, sign);
  refresh();
}

int TFormDuplas::ShownTrick() const {
  const DuplasState& s = game_.state();
  for (int t = std::min(s.trick, 3); t >= 1; --t) {
    if (s.tricks[U(t)].count > 0) return t;
  }
  return 0;
}

void TFormDuplas::refresh() {
  const DuplasState& s = game_.state();
  const DuplasView v = ViewOf(s, kSouth);
  const bool dealt = s.hands > 0;
  const Due due = game_.NextDue();

  score_nos_->setText(QStringLiteral("NÓS   %1   (%2)").arg(v.points[0]).arg(v.games[0]));
  score_eles_->setText(QStringLiteral("ELES  %1   (%2)").arg(v.points[1]).arg(v.games[1]));
  // The score as one sentence a screen reader says, announced when it changes.
  const QString score = QStringLiteral("Nós %1, Eles %2; partidas %3 a %4")
                            .arg(v.points[0])
                            .arg(v.points[1])
                            .arg(v.games[0])
                            .arg(v.games[1]);
  for (QLabel* l : {score_nos_, score_eles_}) {
    if (l->accessibleDescription() != score) l->setAccessibleDescription(score);
  }

  vira_->setVisible(dealt);
  if (v.vira) {
    vira_->setCard(*v.vira);
    vira_->setShowDeck(false);
  } else {
    vira_->setShowDeck(true);
  }

  for (int seat = 0; seat < kNumSeats; ++seat) {
    QString name = seat == kSouth && !player_name_.isEmpty() ? player_name_
                                                             : QString::fromUtf8(SeatName(seat));
    if (s.turn == seat && s.phase == Phase::Play) name = QStringLiteral("▶ ") + name;
    names_[U(seat)]->setText(name);
  }
  // Own cards; the partner's face up only in the team's hand of eleven; the others' backs.
  for (int i = 0; i < kHandSize; ++i) {
    TCard* c = hands_[kSouth][U(i)];
    c->setVisible(dealt && v.own_in_hand[U(i)]);
    if (v.own[U(i)]) c->setCard(*v.own[U(i)]);
    c->setShowDeck(!v.own[U(i)].has_value());
    c->setFocusPolicy(v.turn == kSouth ? Qt::StrongFocus : Qt::NoFocus);
    c->setPlace(CardPlace::InHand);  // a played card leaves the hand for the trick's place
    TCard* p = hands_[kNorth][U(i)];
    if (v.partner[U(i)]) {
      p->setCard(*v.partner[U(i)]);
      p->setVisible(dealt && v.partner_in_hand[U(i)]);
    } else {
      p->setVisible(dealt && i < v.HeldBy(kNorth));
    }
    p->setShowDeck(!v.partner[U(i)].has_value());
    hands_[kEast][U(i)]->setVisible(dealt && i < v.HeldBy(kEast));
    hands_[kWest][U(i)]->setVisible(dealt && i < v.HeldBy(kWest));
  }
  QString sign;
  if (dealt && v.settings.signs && v.partner_sign != Sign::None) {
    sign = QStringLiteral("Parceiro: ") + SignFace(v.partner_sign);
  }
  sign_->setText(sign);
  // The sign itself, not only the caption, and "nenhum" rather than silence.
  const QString sign_name = sign.isEmpty() ? QStringLiteral("Sinal do parceiro: nenhum") : sign;
  if (sign_->accessibleName() != sign_name) sign_->setAccessibleName(sign_name);

  for (TCard* c : trick_) c->setVisible(false);
  if (const int t = ShownTrick(); t > 0) {
    const Trick& tr = v.tricks[U(t)];
    for (int i = 0; i < tr.count; ++i) {
      const PlayedCard& p = tr.cards[U(i)];
      TCard* c = trick_[U(p.seat)];
      c->setCard(p.card);
      c->setShowDeck(p.hidden);
      c->setVisible(true);
    }
  }

  QString call;
  QString hint_answer;
  if (due.kind == Due::Kind::Answer) {
    call = TeamName(v.call_team) + QStringLiteral(" pediram ") + RungName(v.call_rung) + "!";
    if (due.team == 0) {
      const CallAnswer a = rules_->Answer(ViewOf(s, kNorth));
      hint_answer = a == CallAnswer::Accept  ? QStringLiteral("aceitar")
                    : a == CallAnswer::Raise ? QStringLiteral("aumentar")
                                             : QStringLiteral("correr");
      call += QStringLiteral("  Parceiro acha: ") + hint_answer;
    }
  } else if (due.kind == Due::Kind::Eleven) {
    call = QStringLiteral("Mão de onze: ") + TeamName(due.team) + QStringLiteral(" decidem");
    if (due.team == 0) {
      call += rules_->PlaysEleven(ViewOf(s, kNorth)) ? QStringLiteral(" (parceiro: jogar)")
                                                     : QStringLiteral(" (parceiro: correr)");
    }
  } else if (GameOver(s)) {
    const int winner = GameWinner(s.points[0], s.points[1]) == Taker::Mine ? 0 : 1;
    call = QStringLiteral("Fim da partida: ") + TeamName(winner) +
           (winner == 0 ? QStringLiteral(" venceram!") : QStringLiteral(" venceram."));
  }
  call_->setText(call);

  const bool my_turn = s.phase == Phase::Play && s.turn == kSouth;
  const bool answering = due.kind == Due::Kind::Answer && due.team == 0;
  const bool deciding = due.kind == Due::Kind::Eleven && due.team == 0;
  b_inicio_->setEnabled(!started_ || GameOver(s));
  b_trucar_->setEnabled(s.MayCallNow(kSouth) || (answering && NextRung(v.call_rung)));
  // The button names the rung a call would be: "Seis" once a truco was accepted, and so on.
  QString call_caption = QStringLiteral("Trucar");
  if (answering && NextRung(v.call_rung)) {
    call_caption = QStringLiteral("Pedir ") + QString::number(Info(*NextRung(v.call_rung)).stake);
  } else if (!s.CallsClosed()) {
    const std::optional<Rung> next = NextCall(s.stake);
    const std::string_view c = Info(next ? *next : Rung::Doze).caption;
    call_caption = QString::fromUtf8(c.data(), static_cast<qsizetype>(c.size()));
  }
  b_trucar_->setText(call_caption);
  b_correr_->setEnabled((my_turn && v.may_run) || answering || deciding);
  b_esconder_->setEnabled(my_turn && s.trick >= 2 && !s.blind);
  b_esconder_->setText(hide_armed_ ? QStringLiteral("Não esconder") : QStringLiteral("Esconder"));
  b_aceitar_->setEnabled(answering);
  b_jogar_->setEnabled(deciding);
  b_sinal_->setEnabled(dealt && v.settings.signs && s.phase != Phase::Idle);

  stake_->setText(QStringLiteral("Valendo %1 Tento(s)").arg(dealt ? v.stake : 0));
  QStringList line;
  static const char* kOrdinal[] = {"", "1ª", "2ª", "3ª"};
  for (int t = 1; t <= 3; ++t) {
    const Trick& tr = v.tricks[U(t)];
    if (tr.result == Taker::Nobody) continue;
    line << QString::fromUtf8(kOrdinal[t]) + QStringLiteral(": ") +
                (tr.result == Taker::Tie ? QStringLiteral("Empate")
                                         : TeamName(tr.result == Taker::Mine ? 0 : 1));
  }
  tricks_line_->setText(line.isEmpty() ? QString() : QStringLiteral("Vazas  ") + line.join("   "));

  QString text;
  if (!started_) {
    text = QStringLiteral("Tecle I ou clique em Iniciar para começar");
  } else if (GameOver(s)) {
    text = QStringLiteral("Fim da partida. Tecle I para jogar outra");
  } else if (answering) {
    text = RungName(v.call_rung) + QStringLiteral("! A aceita, ") +
           (NextRung(v.call_rung) ? QStringLiteral("T aumenta, ") : QString()) +
           QStringLiteral("C corre");
  } else if (deciding) {
    text = QStringLiteral("Mão de onze: J joga valendo 3, C corre (eles ganham 1)");
  } else if (due.kind == Due::Kind::Answer || due.kind == Due::Kind::Eleven) {
    text = QStringLiteral("Vez dos adversários: aguarde a resposta");
  } else if (my_turn) {
    text = hide_armed_
               ? QStringLiteral("Esconder ligado: a próxima carta vai encoberta (E desliga)")
           : s.blind ? QStringLiteral("Mão de ferro no escuro: teclas 1, 2 e 3 jogam às cegas")
                     : QStringLiteral("Sua vez: teclas 1, 2 e 3 jogam as suas cartas");
  } else if (s.phase == Phase::Play) {
    text = s.turn == kNorth  ? QStringLiteral("Vez do parceiro: aguarde a jogada")
           : s.turn == kEast ? QStringLiteral("Vez do adversário da direita: aguarde a jogada")
                             : QStringLiteral("Vez do adversário da esquerda: aguarde a jogada");
  } else {
    text = QStringLiteral("Mão encerrada: as cartas vêm já");
  }
  if (text != status_text_) {
    status_text_ = text;
    status_->showMessage(text);
  }
}

}  // namespace truco
