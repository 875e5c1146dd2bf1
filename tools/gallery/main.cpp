// Shows one of the secondary windows on its own, for looking at a layout without playing:
//
//   gallery splash|regras [background colour, e.g. #c0d8c0]

#include <QApplication>
#include <QColor>
#include <QTextStream>

#include "ui/formregras.h"
#include "ui/formsplash.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Truco"));
  const QStringList args = QApplication::arguments();
  const QString which = args.size() > 1 ? args[1] : QStringLiteral("splash");
  const QColor background(args.size() > 2 ? args[2] : QStringLiteral("#008000"));

  if (which == QLatin1String("splash")) {
    truco::TFormSplash splash;
    return splash.exec() == QDialog::Accepted ? 0 : 1;
  }
  if (which == QLatin1String("regras")) {
    truco::TFormRegras regras;
    regras.setMainBackground(background);
    return regras.exec();
  }
  QTextStream(stderr) << "unknown window: " << which << "\n";
  return 2;
}
