// Shows one of the secondary windows on its own, for looking at a layout without playing:
//
//   gallery splash|manilhas|velha|baralho|regras|sobre [background colour, e.g. #c0d8c0]
//   gallery pdf FILE      (the rules as "Imprimir" would print them, into a PDF)
//
// "manilhas" shows the manilhas of a vira of 4 in the 40-card deck, "velha" the fixed ones.

#include <QApplication>
#include <QColor>
#include <QTextStream>

#include "engine/cards.h"
#include "ui/formbaralho.h"
#include "ui/formmanilhas.h"
#include "ui/formregras.h"
#include "ui/formsobre.h"
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
  if (which == QLatin1String("manilhas") || which == QLatin1String("velha")) {
    truco::TFormManilhas manilhas;
    manilhas.setMainBackground(background);
    truco::ManilhaValues values{};
    if (which == QLatin1String("velha")) {
      values = truco::ManilhasVelhas();
    } else {
      values.fill(static_cast<std::uint8_t>(truco::Proxima(truco::kBaralhoSujo, 4)));
    }
    return manilhas.showManilhas(values);
  }
  if (which == QLatin1String("baralho")) {
    truco::TFormBaralho baralho;
    baralho.setMainBackground(background);
    return baralho.exec();
  }
  if (which == QLatin1String("regras")) {
    truco::TFormRegras regras;
    regras.setMainBackground(background);
    return regras.exec();
  }
  if (which == QLatin1String("pdf") && args.size() > 2) {
    truco::TFormRegras regras;
    return regras.saveRulesAsPdf(args[2]) ? 0 : 1;
  }
  if (which == QLatin1String("sobre")) {
    truco::TFormSobre sobre;
    return sobre.exec();
  }
  QTextStream(stderr) << "unknown window: " << which << "\n";
  return 2;
}
