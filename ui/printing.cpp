#include "ui/printing.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibrary>

#ifndef TRUCO_PRINT_FROM_BIN
#error "TRUCO_PRINT_FROM_BIN: the installed printing module relative to the program's folder"
#endif
#ifndef TRUCO_PRINT_BUILT
#error "TRUCO_PRINT_BUILT: the printing module in the build tree"
#endif

namespace truco::printing {
namespace {

struct Module {
  TrucoPrintDefaultFn print_default = nullptr;
  TrucoPrintPdfFn print_pdf = nullptr;
};

const Module& TheModule() {
  static const Module module = [] {
    Module found;
    // An installed program's module first; then the one its build tree made (a copy run from
    // the build folder, and the tests).
    const QStringList places = {
        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral(TRUCO_PRINT_FROM_BIN))),
        QStringLiteral(TRUCO_PRINT_BUILT)};
    for (const QString& place : places) {
      // Never unloaded: Qt keeps the print plugins it loaded for the rest of the run.
      QLibrary library(place);
      if (!library.load()) continue;
      found.print_default =
          reinterpret_cast<TrucoPrintDefaultFn>(library.resolve("truco_print_default"));
      found.print_pdf = reinterpret_cast<TrucoPrintPdfFn>(library.resolve("truco_print_pdf"));
      if (found.print_default && found.print_pdf) break;
      found = {};
    }
    return found;
  }();
  return module;
}

bool g_loaded = false;

}  // namespace

Printed PrintOnDefault(QTextDocument& document, const QString& title, QString* printer_name) {
  const Module& module = TheModule();
  g_loaded = module.print_default != nullptr;
  if (!module.print_default) return Printed::Unavailable;
  return static_cast<Printed>(module.print_default(&document, &title, printer_name));
}

bool PrintToPdf(QTextDocument& document, const QString& title, const QString& path) {
  const Module& module = TheModule();
  g_loaded = module.print_pdf != nullptr;
  return module.print_pdf && module.print_pdf(&document, &title, &path);
}

bool ModuleLoaded() {
  return g_loaded;
}

}  // namespace truco::printing
