#pragma once
// The program's command line: --help and --version, both answered without opening a window, so
// they work without a display. The game takes no other option; the toolkit's own (-platform,
// -display ...) are taken by the toolkit before the rest is checked.

#include <QString>
#include <QStringList>
#include <optional>

namespace truco {

// "Truco Zanforte 4.7".
QString VersionText();
// The Portuguese help shown by --help.
QString HelpText();

// What the arguments after the program's name ask for.
struct CommandLineAnswer {
  int exit_code = 0;
  QString out;  // for standard output
  QString err;  // for standard error
};
// Empty when the game should start; otherwise what to print and the exit code.
std::optional<CommandLineAnswer> AnswerCommandLine(const QStringList& arguments);

// True when the raw arguments hold a request that must be answered before any window exists.
bool AsksBeforeWindows(int argc, char** argv);

}  // namespace truco
