#include "ui/formtruco.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "ui_formtruco.h"

namespace truco {

TFormTruco::TFormTruco(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TFormTruco>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormTruco"));
  setFixedSize(457, 98);
  setModal(true);
  QFont headline = ui_->L_FALA->font();
  headline.setPixelSize(24);
  ui_->L_FALA->setFont(headline);
  connect(ui_->B_ACEITA, &QPushButton::clicked, this, [this] { Answer(kAnswerAccept); });
  connect(ui_->B_AUMENTA, &QPushButton::clicked, this, [this] { Answer(kAnswerRaise); });
  connect(ui_->B_FOGE, &QPushButton::clicked, this, [this] { Answer(kAnswerRun); });
}

TFormTruco::~TFormTruco() = default;

char TFormTruco::Ask(const TrucoDialogRequest& request) {
  ui_->B_ACEITA->setEnabled(request.accept_enabled);
  ui_->B_FOGE->setEnabled(request.run_enabled);
  ui_->B_AUMENTA->setVisible(request.raise_offered);
  ui_->B_AUMENTA->setText(QString::fromStdString(request.raise_caption));
  ui_->L_FALA->setText(QString::fromStdString(request.phrase));
  // A dialog closed some other way must not repeat an earlier answer.
  answer_ = kAnswerNone;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  exec();
  return answer_;
}

void TFormTruco::Answer(char answer) {
  answer_ = answer;
  closing_by_button_ = true;
  done(QDialog::Accepted);
  closing_by_button_ = false;
}

void TFormTruco::showEvent(QShowEvent* event) {
  if (background_) {
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, background_());
    setPalette(palette);
    setAutoFillBackground(true);
  }
  QDialog::showEvent(event);
}

void TFormTruco::closeEvent(QCloseEvent* event) {
  if (!closing_by_button_) event->ignore();
}

}  // namespace truco
