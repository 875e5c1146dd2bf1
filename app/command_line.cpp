#include "app/command_line.h"

#include <QCommandLineParser>
#include <cstring>

#ifndef TRUCO_VERSION
#error "TRUCO_VERSION: the project's version"
#endif

namespace truco {

namespace {

const QStringList kHelpNames = {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")};
const QStringList kVersionNames = {QStringLiteral("v"), QStringLiteral("version")};

}  // namespace

QString VersionText() {
  return QStringLiteral("Truco Zanforte " TRUCO_VERSION);
}

QString HelpText() {
  return QStringLiteral(
      "Uso: truco-zanforte [opções]\n"
      "\n"
      "Truco Zanforte: truco contra o computador, com vira e manilhas (ou manilha velha),\n"
      "truco, seis, nove e doze, e a mão de onze.\n"
      "\n"
      "Opções:\n"
      "  -h, --help     mostra esta ajuda e sai\n"
      "  -v, --version  mostra a versão e sai\n"
      "\n"
      "Arquivos:\n"
      "  Instalado, o jogo guarda as configurações (Conf.dll), os recordes (Recordes.qdx) e as\n"
      "  frases editadas (Frases.ini) na pasta de dados do usuário ($XDG_DATA_HOME/Truco,\n"
      "  normalmente ~/.local/share/Truco); até a primeira gravação das frases vale o Frases.ini\n"
      "  que acompanha o jogo. Arquivos Conf.dll, Recordes.qdx e Frases.ini deixados por uma\n"
      "  versão antiga na pasta em que o jogo é aberto são copiados para lá uma vez.\n"
      "  Fora de uma instalação (na pasta de compilação), Conf.dll e Recordes.qdx ficam na pasta\n"
      "  em que o jogo é aberto, e Frases.ini ao lado do programa.\n");
}

std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  const QCommandLineOption help(kHelpNames);
  const QCommandLineOption version(kVersionNames);
  parser.addOption(help);
  parser.addOption(version);

  const QString usage = QStringLiteral("Use \"truco-zanforte --help\" para ver as opções.\n");
  if (!parser.parse(arguments)) {
    const QStringList unknown = parser.unknownOptionNames();
    const QString what = unknown.isEmpty()
                             ? parser.errorText()
                             : QStringLiteral("opção desconhecida: %1").arg(unknown.join(u' '));
    return CommandLineAnswer{1, {}, QStringLiteral("truco-zanforte: %1\n").arg(what) + usage};
  }
  if (parser.isSet(help)) return CommandLineAnswer{0, HelpText(), {}};
  if (parser.isSet(version)) return CommandLineAnswer{0, VersionText() + u'\n', {}};
  if (!parser.positionalArguments().isEmpty()) {
    return CommandLineAnswer{1,
                             {},
                             QStringLiteral("truco-zanforte: argumento inesperado: %1\n")
                                     .arg(parser.positionalArguments().join(u' ')) +
                                 usage};
  }
  return std::nullopt;
}

bool AsksBeforeWindows(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--") == 0) break;
    while (*arg == '-') ++arg;
    if (arg == argv[i]) continue;  // not an option
    const QString name = QString::fromLocal8Bit(arg);
    if (kHelpNames.contains(name) || kVersionNames.contains(name)) return true;
  }
  return false;
}

}  // namespace truco
