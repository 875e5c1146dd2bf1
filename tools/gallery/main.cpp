// Shows one of the secondary windows on its own, for looking at a layout without playing:
//
//   gallery splash|manilhas|velha|baralho|regras|sobre [background colour, e.g. #c0d8c0]
//   gallery truco|frases|config|cor|recordes|escolha|aguarde [background colour]
//   gallery mensagem|confirma|mostra|arquivo   (the shared boxes; the PDF save dialog)
//   gallery pdf FILE      (the rules as "Imprimir" would print them, into a PDF)
//
// "truco" shows the longest taunt the phrases window accepts. The windows run in a scratch
// folder of their own, so no settings, records or phrases of a real game are touched.
//
// "manilhas" shows the manilhas of a vira of 4 in the 40-card deck, "velha" the fixed ones.

#include <QApplication>
#include <QColor>
#include <QTextStream>

#include <QFileDialog>
#include <QTemporaryDir>

#include "engine/cards.h"
#include "store/settings_file.h"
#include "ui/formbaralho.h"
#include "ui/formconfig.h"
#include "ui/formcor.h"
#include "ui/formescolha.h"
#include "ui/formfrases.h"
#include "ui/formmanilhas.h"
#include "ui/formrecordes.h"
#include "ui/formregras.h"
#include "ui/formsobre.h"
#include "ui/formsplash.h"
#include "ui/formtruco.h"
#include "ui/messageboxes.h"
#include "ui/tf_aguarde.h"
#include "ui/translation.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Truco"));
  truco::LoadToolkitTranslation();
  QTemporaryDir scratch;
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
  if (which == QLatin1String("truco")) {
    truco::TFormTruco dialog;
    dialog.SetBackgroundSource([background] { return background; });
    truco::TrucoDialogRequest request;
    request.phrase = "TRUCO NA MESA, SEU MARRECO SEM";
    request.raise_offered = true;
    request.raise_caption = "Pedir 6";
    return dialog.Ask(request);
  }
  if (which == QLatin1String("frases")) {
    truco::TFormFrases frases(scratch.filePath(QStringLiteral("Frases.ini")));
    frases.setMainBackground(background);
    return frases.exec();
  }
  if (which == QLatin1String("config") || which == QLatin1String("cor")) {
    truco::SettingsStore settings(scratch.filePath(QStringLiteral("Conf.dll")));
    settings.Write(truco::settings_record{});
    settings.Reread();
    truco::TFormCor colours(&settings);
    colours.setMainBackground(background);
    if (which == QLatin1String("cor")) return colours.exec();
    truco::TFormConfig config(&settings, &colours);
    config.setMainBackground(background);
    QObject::connect(&config, &truco::TFormConfig::helpRequested, [&background] {
      truco::TFormBaralho baralho;
      baralho.setMainBackground(background);
      baralho.exec();
    });
    return config.OpenFrom(truco::kButtonFaceCode);
  }
  if (which == QLatin1String("recordes")) {
    truco::TFormRecordes recordes(scratch.filePath(QStringLiteral("Recordes.qdx")));
    return recordes.exec();
  }
  if (which == QLatin1String("escolha")) {
    truco::TF_ESCOLHA escolha;
    return escolha.Escolha().ok ? 0 : 1;
  }
  if (which == QLatin1String("aguarde")) {
    truco::net::TF_AGUARDE wait;
    return wait.MOSTRA_AGUARDE(QString::fromUtf8(truco::net::kTextWaitingHost));
  }
  if (which == QLatin1String("mensagem")) {
    truco::Mensagem({QStringLiteral("Arquivo \"Conf.dll\" não encontrado, criando agora...")},
                    truco::kMensagemAtencao);
    return 0;
  }
  if (which == QLatin1String("confirma")) {
    return truco::Confirma({QStringLiteral("Tem Certeza que deseja limpar os recordes")}) ? 0 : 1;
  }
  if (which == QLatin1String("mostra")) {
    return truco::MOSTRA_MENSAGEM(QStringLiteral("Deseja reiniciar a partida? Seus pontos serão "
                                                 "zerados"),
                                  truco::kMostraPergunta)
               ? 0
               : 1;
  }
  if (which == QLatin1String("arquivo")) {
    QFileDialog::getSaveFileName(nullptr, QStringLiteral("Salvar as regras em PDF"),
                                 scratch.filePath(QStringLiteral("Regras do Truco Zanforte.pdf")),
                                 QStringLiteral("Documento PDF (*.pdf)"), nullptr,
                                 QFileDialog::DontUseNativeDialog);
    return 0;
  }
  QTextStream(stderr) << "unknown window: " << which << "\n";
  return 2;
}
