#include "ui/formregras.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStandardPaths>

#include "ui_formregras.h"

namespace truco {
namespace {

QString LoadRulesText() {
  QFile file(QStringLiteral(":/text/regras.html"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace

TFormRegras::TFormRegras(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormRegras>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormRegras"));
  setFixedSize(767, 544);
  main_background_ = palette().color(QPalette::Window);

  ui_->Regras->setHtml(LoadRulesText());

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
  QDialog::showEvent(event);
}

void TFormRegras::changeEvent(QEvent* event) {
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) ApplyBackground();
  QDialog::changeEvent(event);
}

bool TFormRegras::printRules(QPrinter& printer) {
  printer.setDocName(QString::fromLatin1(kPrintJobTitle));
  printer.setCreator(QStringLiteral("Truco Zanforte"));
  ui_->Regras->document()->print(&printer);
  return printer.printerState() != QPrinter::Error;
}

bool TFormRegras::saveRulesAsPdf(const QString& path) {
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setOutputFileName(path);
  if (!printRules(pdf)) return false;
  const QFileInfo written(path);
  return written.exists() && written.size() > 0;
}

void TFormRegras::BImprimirClick() {
  const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
  if (default_printer.isNull()) {
    OfferPdfInstead(QStringLiteral("Nenhuma impressora está instalada neste computador."));
    return;
  }
  QPrinter printer(default_printer, QPrinter::HighResolution);
  if (!printRules(printer)) {
    OfferPdfInstead(QStringLiteral("Não foi possível imprimir as regras na impressora \"%1\".")
                        .arg(default_printer.printerName()));
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
  QString path = QFileDialog::getSaveFileName(
      this, QStringLiteral("Salvar as regras em PDF"),
      folder + QStringLiteral("/Regras do Truco Zanforte.pdf"),
      QStringLiteral("Documento PDF (*.pdf)"), nullptr, QFileDialog::DontUseNativeDialog);
  if (path.isEmpty()) return;
  if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
  if (!saveRulesAsPdf(path)) {
    QMessageBox::warning(this, windowTitle(),
                         QStringLiteral("Não foi possível gravar o arquivo \"%1\".").arg(path));
  }
}

}  // namespace truco
