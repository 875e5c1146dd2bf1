#include <QApplication>
#include <QDir>

#include "app/program.h"
#include "store/phrases_file.h"
#include "ui/formmain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The name shown on the task bar.
  QApplication::setApplicationName(QStringLiteral("Truco"));
  QApplication::setApplicationDisplayName(QStringLiteral("Truco"));

  // Settings and records live in the working directory, the phrases beside the program.
  truco::Program program(
      {QStringLiteral("Conf.dll"), QStringLiteral("Recordes.qdx"), truco::DefaultPhrasesPath()});
  // The player sees the cards slide onto the table; the tests see them land at once.
  program.main_window().SetAnimated(true);
  program.Show();
  return QApplication::exec();
}
