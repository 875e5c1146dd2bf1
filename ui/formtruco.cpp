#include "ui/formtruco.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "ui/dialogkeys.h"
#include "ui_formtruco.h"

namespace truco {
namespace {

// The headline's design size, and the smallest that still reads from the table.
constexpr int kHeadlinePixels = 24;
constexpr int kHeadlineMinPixels = 9;
// Room above the buttons (top 44) for a headline that needs two lines.
constexpr int kHeadlineTop = 6;
constexpr int kHeadlineTallHeight = 36;

}  // namespace

TFormTruco::TFormTruco(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TFormTruco>()) {
  ui_->setupUi(this);
  setObjectName(QStringLiteral("FormTruco"));
  setFixedSize(457, 98);
  setModal(true);
  headline_geometry_ = ui_->L_FALA->geometry();
  FitHeadline();
  for (QPushButton* button : {ui_->B_ACEITA, ui_->B_AUMENTA, ui_->B_FOGE}) StyleBoldButton(button);
  // Enter answers with the button that has the focus; Escape is no answer.
  SetDialogKeys(this, ui_->B_ACEITA, nullptr);
  connect(ui_->B_ACEITA, &QPushButton::clicked, this, [this] { Answer(kAnswerAccept); });
  connect(ui_->B_AUMENTA, &QPushButton::clicked, this, [this] { Answer(kAnswerRaise); });
  connect(ui_->B_FOGE, &QPushButton::clicked, this, [this] { Answer(kAnswerRun); });
}

TFormTruco::~TFormTruco() = default;

void TFormTruco::FitHeadline() {
  // A taunt may be 30 wide letters: the type shrinks until the whole phrase fits on one line,
  // and only below the smallest size does it wrap onto a second.
  QLabel* label = ui_->L_FALA;
  const QString text = label->text();
  QFont font = label->font();
  label->setWordWrap(false);
  label->setGeometry(headline_geometry_);
  const int width = label->contentsRect().width() - 2 * label->margin();
  for (int px = kHeadlinePixels; px >= kHeadlineMinPixels; --px) {
    font.setPixelSize(px);
    if (QFontMetrics(font).horizontalAdvance(text) <= width) {
      label->setFont(font);
      return;
    }
  }
  label->setWordWrap(true);
  label->setGeometry(headline_geometry_.x(), kHeadlineTop, headline_geometry_.width(),
                     kHeadlineTallHeight);
  const QRect box = label->contentsRect();
  for (int px = kHeadlinePixels; px >= kHeadlineMinPixels; --px) {
    font.setPixelSize(px);
    const QRect needed =
        QFontMetrics(font).boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, text);
    if (needed.height() <= box.height() && needed.width() <= box.width()) break;
  }
  label->setFont(font);
}

char TFormTruco::Ask(const TrucoDialogRequest& request) {
  ui_->B_ACEITA->setEnabled(request.accept_enabled);
  ui_->B_FOGE->setEnabled(request.run_enabled);
  ui_->B_AUMENTA->setVisible(request.raise_offered);
  ui_->B_AUMENTA->setText(QString::fromStdString(request.raise_caption));
  ui_->L_FALA->setText(QString::fromStdString(request.phrase));
  FitHeadline();
  // A dialog closed some other way must not repeat an earlier answer.
  answer_ = kAnswerNone;
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  // The focus starts on the first answer the player may give.
  for (QPushButton* button : {ui_->B_ACEITA, ui_->B_AUMENTA, ui_->B_FOGE}) {
    if (button->isEnabled() && !button->isHidden()) {
      button->setFocus();
      break;
    }
  }
  AttachToOwner(this);
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
