#include "ui/formbaralho.h"

#include <QPushButton>

#include "ui/cardsequence.h"
#include "ui/dialogkeys.h"
#include "ui_formbaralho.h"

namespace truco {

TFormBaralho::TFormBaralho(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormBaralho>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormBaralho"));
  setFixedSize(size());
  main_background_ = palette().color(QPalette::Window);

  PlaceCardSequence(ui_->PSujo, kSequenciaSujo, 5, QStringLiteral("CartaSujo"));
  PlaceCardSequence(ui_->PLimpo, kSequenciaLimpo, 3, QStringLiteral("CartaLimpo"));

  SetDialogKeys(this, ui_->BFechar, ui_->BFechar);
  connect(ui_->BFechar, &QPushButton::clicked, this, &QDialog::accept);
}

TFormBaralho::~TFormBaralho() = default;

void TFormBaralho::setMainBackground(const QColor& colour) {
  main_background_ = colour;
  QPalette p = palette();
  p.setColor(QPalette::Window, colour);
  setPalette(p);
  setAutoFillBackground(true);
}

}  // namespace truco
