#include <QApplication>
#include <QDir>

#include "app/program.h"
#include "store/level_file.h"
#include "store/phrases_file.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The name shown on the task bar.
  QApplication::setApplicationName(QStringLiteral("Truco"));
  QApplication::setApplicationDisplayName(QStringLiteral("Truco"));

  // Settings and records live in the working directory, the phrases beside the program.
  // The computer's level is the user's own, kept in the configuration folder.
  truco::Program program({QStringLiteral("Conf.dll"), QStringLiteral("Recordes.qdx"),
                          truco::DefaultPhrasesPath(), truco::DefaultLevelPath()});
  program.Show();
  return QApplication::exec();
}
