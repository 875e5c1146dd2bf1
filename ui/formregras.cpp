#include "ui/formregras.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>

#include "ui/card.h"
#include "ui/cardsequence.h"
#include "ui/dialogkeys.h"
#include "ui/printing.h"
#include "ui/translation.h"
#include "ui_formregras.h"

namespace truco {
namespace {

QString LoadRulesText() {
  QFile file(QStringLiteral(":/text/regras.html"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

// The four aces in the order of the manilhas' suits, strongest at the left.
void PlaceSuitOrder(QWidget* area) {
  struct Ace {
    const char* card_name;
    const char* label_name;
    const char* text;
    Suit suit;
  };
  constexpr Ace kAces[] = {{"AsPaus", "LPaus", "Paus", Suit::Clubs},
                           {"AsCopas", "LCopas", "Copas", Suit::Hearts},
                           {"AsEspadas", "LEspadas", "Espadas", Suit::Spades},
                           {"AsOuros", "LOuro", "Ouro", Suit::Diamonds}};
  constexpr int kGap = 20;
  constexpr int kRowWidth = 4 * TCard::kWidth + 3 * kGap;
  const int first_left = (area->minimumWidth() - kRowWidth) / 2;
  int left = first_left;
  for (const Ace& a : kAces) {
    auto* label = new QLabel(QString::fromUtf8(a.text), area);
    label->setObjectName(QString::fromLatin1(a.label_name));
    label->setAlignment(Qt::AlignCenter);
    label->setGeometry(left, 0, TCard::kWidth, 16);
    auto* card = new TCard(area);
    card->setObjectName(QString::fromLatin1(a.card_name));
    card->setSuit(a.suit);
    card->setValue(kAce);
    card->move(left, 16);
    left += TCard::kWidth + kGap;
  }
  auto* strongest = new QLabel(QStringLiteral("Mais Forte"), area);
  strongest->setObjectName(QStringLiteral("LMaisForte"));
  strongest->setGeometry(first_left, 116, 120, 18);
  auto* weakest = new QLabel(QStringLiteral("Mais Fraco"), area);
  weakest->setObjectName(QStringLiteral("LMaisFraco"));
  weakest->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  weakest->setGeometry(first_left + kRowWidth - 120, 116, 120, 18);
  for (QLabel* l : {strongest, weakest}) {
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
  }
}

}  // namespace

TFormRegras::TFormRegras(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormRegras>()) {
  ui_->setupUi(this);
  ui_->Regras->setAccessibleName(
      QStringLiteral("Regras do Jogo"));  // the text shows no title of its own
  setObjectName(QStringLiteral("FormRegras"));
  setFixedSize(767, 544);
  main_background_ = palette().color(QPalette::Window);

  PlaceCardSequence(ui_->PSequencia, kSequenciaSujo, 5, QStringLiteral("CartaSequencia"));
  PlaceSuitOrder(ui_->PNipes);
  ui_->Regras->setHtml(LoadRulesText());

  SetDialogKeys(this, ui_->BFechar, ui_->BFechar);
  connect(ui_->BFechar, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->BImprimir, &QPushButton::clicked, this, &TFormRegras::BImprimirClick);
}

TFormRegras::~TFormRegras() = default;

void TFormRegras::setMainBackground(const QColor& colour) {
  main_background_ = colour;
  if (isVisible()) ApplyBackground();
}

void TFormRegras::ApplyBackground() {
  setAutoFillBackground(true);
  QPalette window_palette = palette();
  window_palette.setColor(QPalette::Window, main_background_);
  setPalette(window_palette);

  QPalette box_palette = ui_->Regras->palette();
  box_palette.setColor(QPalette::Base, main_background_);
  ui_->Regras->setPalette(box_palette);
}

void TFormRegras::showEvent(QShowEvent* event) {
  ApplyBackground();
  // Enter closes until the player moves into the text box, which takes Enter as a new line.
  ui_->BFechar->setFocus();
  QDialog::showEvent(event);
}

void TFormRegras::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ApplyBackground();
  QDialog::changeEvent(event);
}

bool TFormRegras::saveRulesAsPdf(const QString& path) {
  if (!printing::PrintToPdf(*ui_->Regras->document(), QString::fromLatin1(kPrintJobTitle), path))
    return false;
  const QFileInfo written(path);
  return written.exists() && written.size() > 0;
}

void TFormRegras::BImprimirClick() {
  QString printer;
  switch (printing::PrintOnDefault(*ui_->Regras->document(), QString::fromLatin1(kPrintJobTitle),
                                   &printer)) {
    case printing::Printed::Done:
      break;
    case printing::Printed::NoPrinter:
      OfferPdfInstead(QStringLiteral("Nenhuma impressora está instalada neste computador."));
      break;
    case printing::Printed::Failed:
      OfferPdfInstead(
          QStringLiteral("Não foi possível imprimir as regras na impressora \"%1\".").arg(printer));
      break;
    case printing::Printed::Unavailable:
      // Without the module no PDF can be written either.
      QMessageBox::warning(this, windowTitle(),
                           QStringLiteral("A impressão não está disponível nesta instalação."));
      break;
  }
}

void TFormRegras::OfferPdfInstead(const QString& why) {
  QMessageBox box(QMessageBox::Warning, windowTitle(),
                  why + QStringLiteral("\nDeseja salvar as regras em um arquivo PDF?"),
                  QMessageBox::NoButton, this);
  QPushButton* save = box.addButton(QStringLiteral("Salvar PDF"), QMessageBox::AcceptRole);
  box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole);
  box.setDefaultButton(save);
  box.exec();
  if (box.clickedButton() != save) return;

  const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  QString path = AskFileToSave(this, QStringLiteral("Salvar as regras em PDF"),
                               folder + QStringLiteral("/Regras do Truco Zanforte.pdf"),
                               QStringLiteral("Documento PDF (*.pdf)"));
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  if (!saveRulesAsPdf(path)) {
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("Não foi possível gravar o arquivo \"%1\".").arg(path));
  }
}

}  // namespace truco
