#include "ui/formsplash.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include "ui/jpegimage.h"
#include "ui/version.h"

namespace truco {
namespace {

constexpr int kSplashWidth = 401;
constexpr int kSplashHeight = 302;

QImage LoadSplashPicture() {
  QFile file(QStringLiteral(":/splash/splash.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return DecodeJpeg(file.readAll());
}

}  // namespace

TFormSplash::TFormSplash(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), picture_(LoadSplashPicture()) {
  setObjectName(QStringLiteral("FormSplash"));
  setFixedSize(kSplashWidth, kSplashHeight);

  LVersao = new QLabel(ProgramVersion(), this);
  LVersao->setObjectName(QStringLiteral("LVersao"));
  QFont font = LVersao->font();
  font.setBold(true);
  font.setPixelSize(13);
  LVersao->setFont(font);
  LVersao->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
  LVersao->adjustSize();
  LVersao->move(kSplashWidth - LVersao->width() - 16, 12);

  // One shot, no polling: the window stays idle until it closes.
  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setSingleShot(true);
  Timer1->setInterval(kSplashMilliseconds);
  connect(Timer1, &QTimer::timeout, this, &TFormSplash::Timer1Timer);
}

void TFormSplash::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen()) {
    const QRect free = where->availableGeometry();
    move(free.center() - rect().center());
  }
  Timer1->start();
}

void TFormSplash::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (picture_.isNull()) {
    // The picture is part of the program; without it the window still says what it is.
    painter.fillRect(rect(), QColor(18, 84, 44));
    painter.setPen(Qt::white);
    QFont font = painter.font();
    font.setPixelSize(28);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("Truco Zanforte"));
    return;
  }
  painter.drawImage(rect(), picture_);
}

void TFormSplash::Timer1Timer() {
  accept();
}

}  // namespace truco
