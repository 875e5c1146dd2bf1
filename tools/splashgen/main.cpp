// Composes the splash picture: the four fixed manilhas fanned on a felt table under the title.
// Run by hand; its output is committed, so building the game needs neither this tool nor the
// card artwork it reads.
//
//   splashgen [anglo.svgz] [out.jpg]
//
// The card faces come from the "Anglo" deck of Debian's gnome-cards-data (GPL-3.0-or-later).

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRandomGenerator>
#include <QSvgRenderer>
#include <QTextStream>
#include <cmath>

namespace {

constexpr int kWidth = 401;
constexpr int kHeight = 302;
constexpr int kScale = 3;  // drawn large and scaled down, for smooth edges
constexpr double kCardAspect = 201.08 / 313.58;

// Felt: a lit centre, darker edges, and a fine fixed-seed grain so it does not look flat.
void PaintTable(QPainter& p, const QRectF& area) {
  QRadialGradient felt(area.center() + QPointF(0, area.height() * 0.10), area.width() * 0.75);
  felt.setColorAt(0.0, QColor(32, 122, 66));
  felt.setColorAt(0.55, QColor(18, 84, 44));
  felt.setColorAt(1.0, QColor(6, 34, 18));
  p.fillRect(area, felt);

  QRandomGenerator grain(20261207);
  p.setPen(Qt::NoPen);
  for (int i = 0; i < 26000; ++i) {
    const double x = grain.bounded(area.width());
    const double y = grain.bounded(area.height());
    const int light = grain.bounded(2);
    p.setBrush(light ? QColor(255, 255, 255, 10) : QColor(0, 0, 0, 16));
    p.drawEllipse(QPointF(x, y), 0.9 * kScale / 2.0, 0.9 * kScale / 2.0);
  }
}

void PaintFrame(QPainter& p, const QRectF& area) {
  const double s = kScale;
  QPen gold(QColor(214, 176, 84), 2.0 * s);
  p.setBrush(Qt::NoBrush);
  p.setPen(gold);
  p.drawRoundedRect(area.adjusted(7 * s, 7 * s, -7 * s, -7 * s), 10 * s, 10 * s);
  QPen thin(QColor(214, 176, 84, 150), 0.8 * s);
  p.setPen(thin);
  p.drawRoundedRect(area.adjusted(11 * s, 11 * s, -11 * s, -11 * s), 7 * s, 7 * s);
}

// One card, rotated about a point below the fan, with a soft shadow on the felt.
void PaintCard(QPainter& p, QSvgRenderer& deck, const QString& id, QPointF pivot, double radius,
               double angle, double card_height) {
  const double w = card_height * kCardAspect;
  const double h = card_height;
  const QRectF face(-w / 2, -radius, w, h);

  p.save();
  p.translate(pivot);
  p.rotate(angle);
  p.setPen(Qt::NoPen);
  for (int i = 6; i >= 1; --i) {
    p.setBrush(QColor(0, 0, 0, 14));
    p.drawRoundedRect(
        face.translated(2.5 * kScale, 3.0 * kScale).adjusted(-i * 1.2, -i * 1.2, i * 1.2, i * 1.2),
        9 * kScale, 9 * kScale);
  }
  deck.render(&p, id, face);
  p.restore();
}

// Gold lettering with a dark rim and a drop shadow, centred on `centre_x`.
void PaintTitle(QPainter& p, const QString& text, const QFont& font, double centre_x,
                double baseline) {
  QPainterPath path;
  path.addText(0, 0, font, text);
  const QRectF box = path.boundingRect();
  path.translate(centre_x - box.center().x(), baseline);

  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 120));
  p.drawPath(path.translated(1.6 * kScale, 2.0 * kScale));

  const QRectF r = path.boundingRect();
  QLinearGradient gold(r.topLeft(), r.bottomLeft());
  gold.setColorAt(0.0, QColor(255, 240, 170));
  gold.setColorAt(0.45, QColor(238, 196, 82));
  gold.setColorAt(0.55, QColor(205, 150, 40));
  gold.setColorAt(1.0, QColor(250, 214, 110));
  p.setPen(QPen(QColor(70, 40, 5), 1.2 * kScale, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(gold);
  p.drawPath(path);
}

void PaintSubtitle(QPainter& p, const QString& text, double centre_x, double baseline) {
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setItalic(true);
  font.setPixelSize(11 * kScale);
  QPainterPath path;
  path.addText(0, 0, font, text);
  path.translate(centre_x - path.boundingRect().center().x(), baseline);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 130));
  p.drawPath(path.translated(0.8 * kScale, 1.0 * kScale));
  p.setBrush(QColor(244, 234, 208));
  p.drawPath(path);
}

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  const QString deck_path =
      args.size() > 1 ? args[1] : QStringLiteral("/usr/share/aisleriot/cards/anglo.svgz");
  const QString out_path = args.size() > 2 ? args[2] : QStringLiteral("splash.jpg");

  QSvgRenderer deck(deck_path);
  QTextStream err(stderr);
  if (!deck.isValid() || !deck.elementExists(QStringLiteral("club_4"))) {
    err << "cannot read the card deck " << deck_path << "\n";
    return 1;
  }

  const QRectF area(0, 0, kWidth * kScale, kHeight * kScale);
  QImage canvas(area.size().toSize(), QImage::Format_RGB32);
  QPainter p(&canvas);
  p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                   QPainter::TextAntialiasing);

  PaintTable(p, area);
  PaintFrame(p, area);

  // The fixed manilhas, strongest on top: espadilha, sete de ouros, sete de copas, zape.
  const QPointF pivot(area.width() / 2, area.height() + 118 * kScale);
  const double radius = 300 * kScale;
  const double card_height = 118 * kScale;
  struct Placed {
    const char* id;
    double angle;
  };
  const Placed fan[] = {
      {"diamond_7", -19.5}, {"spade_1", -6.5}, {"heart_7", 6.5}, {"club_4", 19.5}};
  for (const Placed& c : fan) {
    PaintCard(p, deck, QString::fromLatin1(c.id), pivot, radius, c.angle, card_height);
  }

  QFont title(QStringLiteral("DejaVu Serif"));
  title.setBold(true);
  title.setPixelSize(40 * kScale);
  PaintTitle(p, QStringLiteral("Truco Zanforte"), title, area.width() / 2, 64 * kScale);
  PaintSubtitle(p, QStringLiteral("Truco com vira e manilhas, contra o computador"),
                area.width() / 2, 86 * kScale);
  p.end();

  const QImage splash =
      canvas.scaled(kWidth, kHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  QImageWriter writer(out_path, "jpg");
  writer.setQuality(92);
  writer.setOptimizedWrite(true);
  if (!writer.write(splash)) {
    err << "cannot write " << out_path << ": " << writer.errorString() << "\n";
    return 1;
  }
  return 0;
}
