#include "ui/formmain.h"

namespace truco {

TFormMain::TFormMain(QWidget* parent) : QWidget(parent) {
  setObjectName("FormMain");
  setWindowTitle(QStringLiteral("Truco Zanforte"));
  setFixedSize(692, 607);
}

}  // namespace truco
