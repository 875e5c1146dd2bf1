#include <QApplication>
#include <QDir>

#include "app/program.h"
#include "store/phrases_file.h"
#include "ui/translation.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The name shown on the task bar. No display name: the toolkit would append it to every
  // window's caption, and the captions are exactly the game's.
  QApplication::setApplicationName(QStringLiteral("Truco"));
  truco::LoadToolkitTranslation();

  // Settings and records live in the working directory, the phrases beside the program.
  truco::Program program(
      {QStringLiteral("Conf.dll"), QStringLiteral("Recordes.qdx"), truco::DefaultPhrasesPath()});
  program.Show();
  return QApplication::exec();
}
