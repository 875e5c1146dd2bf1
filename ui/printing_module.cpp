// The printing module: everything of the game that needs Qt Print Support.
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>

#include "ui/printing.h"

namespace {

bool PrintTo(QPrinter& printer, QTextDocument& document, const QString& title) {
  printer.setDocName(title);
  printer.setCreator(QStringLiteral("Truco Zanforte"));
  document.print(&printer);
  return printer.printerState() != QPrinter::Error;
}

}  // namespace

extern "C" Q_DECL_EXPORT int truco_print_default(QTextDocument* document, const QString* title,
                                                 QString* printer_name) {
  const QPrinterInfo default_printer = QPrinterInfo::defaultPrinter();
  if (default_printer.isNull()) return static_cast<int>(truco::printing::Printed::NoPrinter);
  *printer_name = default_printer.printerName();
  QPrinter printer(default_printer, QPrinter::HighResolution);
  return static_cast<int>(PrintTo(printer, *document, *title) ? truco::printing::Printed::Done
                                                              : truco::printing::Printed::Failed);
}

extern "C" Q_DECL_EXPORT bool truco_print_pdf(QTextDocument* document, const QString* title,
                                              const QString* path) {
  QPrinter pdf(QPrinter::HighResolution);
  pdf.setOutputFormat(QPrinter::PdfFormat);
  pdf.setOutputFileName(*path);
  return PrintTo(pdf, *document, *title);
}
