#pragma once
// Printing a document. Qt Print Support lives in a module of its own (truco-print.so), loaded by
// the first print: a run that never prints does not map it.

#include <QString>

class QTextDocument;

namespace truco::printing {

enum class Printed {
  Done,
  NoPrinter,    // no printer is installed
  Failed,       // the printer reported an error
  Unavailable,  // the printing module could not be loaded
};

// Prints `document` on the default printer under the job title `title`; `printer_name` gets the
// printer's name.
Printed PrintOnDefault(QTextDocument& document, const QString& title, QString* printer_name);
// Writes `document` to the PDF file `path` under the title `title`; false when it could not.
bool PrintToPdf(QTextDocument& document, const QString& title, const QString& path);

// Whether the module was loaded by this run (false until the first print).
bool ModuleLoaded();

}  // namespace truco::printing

// The module's entry points, looked up by name. The result of truco_print_default is a Printed.
extern "C" {
using TrucoPrintDefaultFn = int (*)(QTextDocument*, const QString*, QString*);
using TrucoPrintPdfFn = bool (*)(QTextDocument*, const QString*, const QString*);
}
