#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QTextStream>
#include <cstdio>

#include "app/command_line.h"
#include "app/paths.h"
#include "app/program.h"
#include "app/termination.h"
#include "store/broker_file.h"
#include "store/level_file.h"
#include "ui/formmain.h"
#include "ui/frame_style.h"
#include "ui/translation.h"

namespace {

QIcon ProgramIcon() {
  // The sizes a title bar or task switcher draws: each size is decoded and copied into every
  // window's icon property, and 128 and 256 alone took 1.3 MB of heap. Menus and docks take the
  // installed icons of the desktop entry.
  // Read as PNG by name: a reader left to guess asks every image plugin Qt has (loading them,
  // and Qt SVG and libjpeg with them) even for a file called .png.
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64}) {
    QImageReader reader(QStringLiteral(":/icons/truco-zanforte-%1.png").arg(size), "png");
    reader.setAutoDetectImageFormat(false);
    icon.addPixmap(QPixmap::fromImageReader(&reader));
  }
  return icon;
}

int Answer(const truco::CommandLineAnswer& answer) {
  QTextStream(stdout) << answer.out;
  QTextStream(stderr) << answer.err;
  return answer.exit_code;
}

}  // namespace

int main(int argc, char* argv[]) {
  truco::CatchEndSignals();
  // --help and --version need no display.
  if (truco::AsksBeforeWindows(argc, argv)) {
    QCoreApplication core(argc, argv);
    if (auto answer = truco::AnswerCommandLine(QCoreApplication::arguments()))
      return Answer(*answer);
  }

  QApplication app(argc, argv);
  // The name shown on the task bar. No display name: the toolkit would append it to every
  // window's caption, and the captions are exactly the game's.
  QApplication::setApplicationName(QStringLiteral("Truco"));
  truco::LoadToolkitTranslation();
  QApplication::setApplicationVersion(QStringLiteral(TRUCO_VERSION));
  // The icon of every window, and the menu entry the desktop matches the windows to.
  QApplication::setWindowIcon(ProgramIcon());
  truco::UseFrameStyle();
  QGuiApplication::setDesktopFileName(QStringLiteral(TRUCO_APP_ID));
  // What is left once the toolkit took its own options.
  if (auto answer = truco::AnswerCommandLine(QCoreApplication::arguments())) return Answer(*answer);

  truco::EndOnSignal ending;
  // From a build tree: settings and records in the working folder, the phrases beside the
  // program. Installed: all three in the player's data folder.
  const truco::GamePaths paths = truco::PrepareGamePaths();
  // The computer's level is the player's own, kept in the configuration folder.
  // The history of every hand lives in the player's data folder, whichever kind of copy runs.
  const QString data_folder = truco::PlayerDataFolder();
  QDir().mkpath(data_folder);
  truco::Program program({paths.settings, paths.records, paths.phrases, paths.phrases_default,
                          truco::DefaultLevelPath(), truco::MestreDataPath(),
                          QDir(data_folder).filePath(QStringLiteral("historico.sqlite")),
                          truco::DefaultBrokerPath()});
  if (ending.requested()) return 0;
  // The player sees the cards slide onto the table; the tests see them land at once.
  program.main_window().SetAnimated(true);
  program.Show();
  if (ending.requested()) return 0;
  return QApplication::exec();
}
