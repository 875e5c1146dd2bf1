#include <QApplication>

#include "ui/formmain.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Truco"));
  truco::TFormMain main_window;
  main_window.show();
  return QApplication::exec();
}
