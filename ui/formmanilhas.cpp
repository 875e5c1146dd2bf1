#include "ui/formmanilhas.h"

#include <QGroupBox>
#include <QPushButton>

#include "ui/card.h"
#include "ui/dialogkeys.h"
#include "ui_formmanilhas.h"

namespace truco {
namespace {

TCard* PlaceManilha(QGroupBox* box, const char* name, Suit suit) {
  auto* card = new TCard(box);
  card->setObjectName(QString::fromLatin1(name));
  card->setSuit(suit);
  card->move((box->width() - TCard::kWidth) / 2, 22);
  return card;
}

}  // namespace

TFormManilhas::TFormManilhas(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormManilhas>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormManilhas"));
  setFixedSize(size());
  main_background_ = palette().color(QPalette::Window);

  // Captions and suits are fixed; only the values follow the hand.
  zap_ = PlaceManilha(ui_->GBZap, "Zap", Suit::Clubs);
  copas_ = PlaceManilha(ui_->GBCopas, "Copas", Suit::Hearts);
  espadas_ = PlaceManilha(ui_->GBEspadas, "Espadas", Suit::Spades);
  ouros_ = PlaceManilha(ui_->GBOuros, "Ouros", Suit::Diamonds);

  SetDialogKeys(this, ui_->BFechar, ui_->BFechar);
  connect(ui_->BFechar, &QPushButton::clicked, this, &QDialog::accept);
}

TFormManilhas::~TFormManilhas() = default;

void TFormManilhas::setManilhas(const ManilhaValues& manilha_value) {
  for (TCard* card : {zap_, copas_, espadas_, ouros_}) {
    card->setValue(manilha_value[static_cast<std::size_t>(card->suit())]);
  }
}

int TFormManilhas::showManilhas(const ManilhaValues& manilha_value) {
  setManilhas(manilha_value);
  return exec();
}

void TFormManilhas::setMainBackground(const QColor& colour) {
  main_background_ = colour;
  if (isVisible()) ApplyBackground();
}

void TFormManilhas::ApplyBackground() {
  for (QWidget* w : std::initializer_list<QWidget*>{this, ui_->GBZap, ui_->GBCopas, ui_->GBEspadas,
                                                    ui_->GBOuros}) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, main_background_);
    w->setPalette(p);
    w->setAutoFillBackground(true);
  }
}

void TFormManilhas::showEvent(QShowEvent* event) {
  ApplyBackground();
  QDialog::showEvent(event);
}

void TFormManilhas::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ApplyBackground();
  QDialog::changeEvent(event);
}

}  // namespace truco
