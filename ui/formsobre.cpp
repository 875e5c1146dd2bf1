#include "ui/formsobre.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>

#include "ui/card.h"
#include "ui/dialogkeys.h"
#include "ui/site.h"
#include "ui/version.h"
#include "ui_formsobre.h"

namespace truco {

TFormSobre::TFormSobre(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TFormSobre>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormSobre"));
  setFixedSize(size());
  // Black through the palette, so the cards' corners take it too.
  QPalette black = palette();
  black.setColor(QPalette::Window, Qt::black);
  setPalette(black);
  setAutoFillBackground(true);
  ui_->LVersao->setText(QStringLiteral("Versão ") + ProgramVersion());

  // Clubs, hearts, spades, diamonds from left to right, each partly over the one before.
  struct Ace {
    const char* name;
    Suit suit;
    int left;
    int top;
  };
  constexpr Ace kAces[] = {{"AsPaus", Suit::Clubs, 0, 14},
                           {"AsCopas", Suit::Hearts, 42, 4},
                           {"AsEspadas", Suit::Spades, 84, 4},
                           {"AsOuros", Suit::Diamonds, 126, 14}};
  for (const Ace& a : kAces) {
    auto* card = new TCard(ui_->PAses);
    card->setObjectName(QString::fromLatin1(a.name));
    card->setSuit(a.suit);
    card->setValue(kAce);
    card->move(a.left, a.top);
    if (a.suit == Suit::Clubs) {
      // Only an invitation: the card does nothing when clicked.
      card->setToolTip(QStringLiteral("Clique aqui"));
      card->setCursor(Qt::PointingHandCursor);
    }
  }

  ui_->ESite->setText(SiteAddress());
  // Read-only line edits choose their own arrow; this one is a link.
  ui_->ESite->setCursor(Qt::PointingHandCursor);
  ui_->ESite->installEventFilter(this);
  SetDialogKeys(this, ui_->BFechar, ui_->BFechar);
  connect(ui_->BFechar, &QPushButton::clicked, this, &QDialog::accept);
}

TFormSobre::~TFormSobre() = default;

bool TFormSobre::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ESite && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    ESiteClick();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TFormSobre::ESiteClick() {
  const QUrl address(ui_->ESite->text().trimmed());
  if (address.isValid() && QDesktopServices::openUrl(address)) return;
  QMessageBox::warning(
      this, windowTitle(),
      QStringLiteral("Não foi possível abrir o navegador.\nO endereço do site é %1")
          .arg(ui_->ESite->text()));
}

void TFormSobre::showEvent(QShowEvent* event) {
  ui_->ESite->setText(SiteAddress());
  QDialog::showEvent(event);
}

void TFormSobre::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    ui_->ESite->setText(SiteAddress());
  }
  QDialog::changeEvent(event);
}

}  // namespace truco
