// The splash: its picture decodes from the program's own JPEG data, it shows the version, and it
// closes by itself while the event loop keeps running. Also the JPEG decoder against bad input.

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

#include "ui/formsplash.h"
#include "ui/jpegimage.h"

using truco::DecodeJpeg;
using truco::TFormSplash;

namespace {

QByteArray EmbeddedSplash() {
  QFile file(QStringLiteral(":/splash/splash.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "jpg");
  writer.setQuality(quality);
  return writer.write(image) ? bytes : QByteArray();
}

}  // namespace

class TestSplash : public QObject {
  Q_OBJECT
 private slots:
  void pictureIsTheEmbeddedJpeg();
  void decoderRoundTripsColours();
  void decoderRefusesDamagedData();
  void windowShowsVersionWithoutBorder();
  void closesByItselfWhileTheLoopRuns();
};

void TestSplash::pictureIsTheEmbeddedJpeg() {
  const QByteArray bytes = EmbeddedSplash();
  QVERIFY2(bytes.startsWith("\xFF\xD8"), "the splash resource is not JPEG data");
  const QImage picture = DecodeJpeg(bytes);
  QCOMPARE(picture.size(), QSize(401, 302));
  // The felt is green: a corner inside the frame is darker green than red or blue.
  const QColor felt = picture.pixelColor(30, 150);
  QVERIFY(felt.green() > felt.red() + 20 && felt.green() > felt.blue() + 20);
  // Not a flat fill: the cards put near-white in the middle of the lower half.
  int whites = 0;
  for (int x = 100; x < 300; ++x) {
    const QColor c = picture.pixelColor(x, 200);
    if (c.red() > 230 && c.green() > 230 && c.blue() > 230) ++whites;
  }
  QVERIFY2(whites > 50, "no cards in the splash picture");
  // The decoder's library is let go with the picture: the game after the splash does not keep it
  // mapped (the first case here, before Qt's own JPEG writer maps it for the ones below).
  QFile maps(QStringLiteral("/proc/self/maps"));
  QVERIFY(maps.open(QIODevice::ReadOnly));
  const QByteArray mapped = maps.readAll();
  QVERIFY(mapped.contains("libQt6Widgets"));  // the list is the process's own
  QVERIFY2(!mapped.contains("libjpeg"), "libjpeg still mapped after the splash's picture");
}

void TestSplash::decoderRoundTripsColours() {
  QImage source(64, 48, QImage::Format_RGB32);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      source.setPixelColor(x, y, x < 32 ? QColor(200, 30, 30) : QColor(20, 40, 210));
    }
  }
  const QByteArray jpeg = EncodeJpeg(source, 100);
  QVERIFY(!jpeg.isEmpty());
  const QImage decoded = DecodeJpeg(jpeg);
  QCOMPARE(decoded.size(), source.size());
  for (const QPoint p : {QPoint(5, 5), QPoint(50, 40)}) {
    const QColor want = source.pixelColor(p);
    const QColor got = decoded.pixelColor(p);
    QVERIFY2(
        qAbs(want.red() - got.red()) < 12 && qAbs(want.green() - got.green()) < 12 &&
            qAbs(want.blue() - got.blue()) < 12,
        qPrintable(QStringLiteral("colour at %1,%2 is %3").arg(p.x()).arg(p.y()).arg(got.name())));
  }
  // A grey picture comes back as RGB too.
  QImage grey(16, 16, QImage::Format_Grayscale8);
  grey.fill(128);
  const QImage grey_decoded = DecodeJpeg(EncodeJpeg(grey, 100));
  QCOMPARE(grey_decoded.size(), QSize(16, 16));
  QVERIFY(qAbs(grey_decoded.pixelColor(8, 8).green() - 128) < 6);
}

void TestSplash::decoderRefusesDamagedData() {
  QVERIFY(DecodeJpeg(QByteArray()).isNull());
  QVERIFY(DecodeJpeg(QByteArray("not a picture at all")).isNull());
  QVERIFY(DecodeJpeg(QByteArray("\xFF\xD8\xFF", 3)).isNull());

  const QByteArray good = EmbeddedSplash();
  QVERIFY(!good.isEmpty());
  // Cut inside the headers: nothing to show.
  QVERIFY(DecodeJpeg(good.left(100)).isNull());

  // A frame header that claims a picture far beyond any screen is not believed.
  QByteArray huge = good;
  const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
  QVERIFY(sof > 0);
  huge[sof + 5] = '\xFF';  // height, high byte
  huge[sof + 6] = '\xFF';
  QVERIFY(DecodeJpeg(huge).isNull());

  // Random damage in the body may give a smeared picture or none, never a crash.
  QRandomGenerator chance(7);
  for (int round = 0; round < 40; ++round) {
    QByteArray damaged = good;
    for (int i = 0; i < 30; ++i) {
      const int at = chance.bounded(2, static_cast<int>(damaged.size()));
      damaged[at] = static_cast<char>(chance.bounded(256));
    }
    const QImage image =
        DecodeJpeg(damaged.left(chance.bounded(50, static_cast<int>(damaged.size()))));
    QVERIFY(image.isNull() || (image.width() > 0 && image.width() <= truco::kMaxJpegSide));
  }
}

void TestSplash::windowShowsVersionWithoutBorder() {
  TFormSplash splash;
  QCOMPARE(splash.size(), QSize(401, 302));
  QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
  QVERIFY(!splash.picture().isNull());
  auto* version = splash.findChild<QLabel*>(QStringLiteral("LVersao"));
  QVERIFY(version);
  QCOMPARE(version->text(), QStringLiteral("4.7"));
  QVERIFY(version->font().bold());
  QCOMPARE(version->palette().color(version->foregroundRole()), QColor(Qt::white));
  // Top right corner.
  QVERIFY(version->geometry().right() > 401 - 40);
  QVERIFY(version->geometry().top() < 30);
}

void TestSplash::closesByItselfWhileTheLoopRuns() {
  TFormSplash splash;
  bool guard_fired = false;
  QTimer guard;
  guard.setSingleShot(true);
  connect(&guard, &QTimer::timeout, &splash, [&] {
    guard_fired = true;
    splash.reject();
  });
  guard.start(15000);

  int ticks = 0;
  QTimer heartbeat;
  connect(&heartbeat, &QTimer::timeout, [&] { ++ticks; });
  heartbeat.start(100);

  QElapsedTimer clock;
  clock.start();
  const int result = splash.exec();
  const qint64 shown_ms = clock.elapsed();

  QVERIFY2(!guard_fired, "the splash did not close by itself");
  QCOMPARE(result, int(QDialog::Accepted));
  QVERIFY2(shown_ms >= 2500, qPrintable(QStringLiteral("closed after %1 ms").arg(shown_ms)));
  // Other timers kept ticking while it was up: the wait did not block the event loop.
  QVERIFY2(ticks >= 10, qPrintable(QStringLiteral("only %1 heartbeats").arg(ticks)));
  QVERIFY(!splash.isVisible());
}

QTEST_MAIN(TestSplash)
#include "test_splash.moc"
