// Draws the program's icon: the zap (the four of clubs, the strongest manilha) fanned over a
// second card on a felt tile. Run by hand; its output is committed, like the card art.
//
//   icongen <folder>   writes truco-zanforte.svg and truco-zanforte-<N>.png for the usual sizes
//
// Everything is drawn as paths (the digit too, from DejaVu Sans Bold), so the SVG looks the
// same without any font installed.

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QSvgGenerator>
#include <QTextStream>
#include <array>

namespace {

constexpr int kDesign = 256;  // the drawing's own units; every size scales from these
constexpr std::array<int, 8> kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

QPainterPath Club(QPointF centre, double r) {
  QPainterPath club;
  club.setFillRule(Qt::WindingFill);
  club.addEllipse(centre + QPointF(0, -r * 0.95), r, r);
  club.addEllipse(centre + QPointF(-r * 0.98, r * 0.45), r, r);
  club.addEllipse(centre + QPointF(r * 0.98, r * 0.45), r, r);
  // The stem widens to a foot.
  QPainterPath stem;
  stem.moveTo(centre + QPointF(-r * 0.22, 0));
  stem.lineTo(centre + QPointF(r * 0.22, 0));
  stem.quadTo(centre + QPointF(r * 0.30, r * 1.65), centre + QPointF(r * 0.85, r * 2.2));
  stem.lineTo(centre + QPointF(-r * 0.85, r * 2.2));
  stem.quadTo(centre + QPointF(-r * 0.30, r * 1.65), centre + QPointF(-r * 0.22, 0));
  club.addPath(stem);
  return club.simplified();
}

QPainterPath Digit(const QString& text, QPointF baseline_left, double pixel_size) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(static_cast<int>(pixel_size));
  QPainterPath path;
  path.addText(baseline_left, font, text);
  return path;
}

void PaintCard(QPainter& p, const QRectF& card, double angle, bool face) {
  p.save();
  p.translate(card.center());
  p.rotate(angle);
  const QRectF r(-card.width() / 2, -card.height() / 2, card.width(), card.height());
  // Shadow.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 70));
  p.drawRoundedRect(r.translated(5, 7), 16, 16);
  // Paper.
  p.setBrush(face ? QColor(252, 250, 242) : QColor(170, 28, 38));
  p.setPen(QPen(QColor(40, 30, 20), 4));
  p.drawRoundedRect(r, 16, 16);
  if (face) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 20, 24));
    p.drawPath(Club(r.center() + QPointF(0, 10), 24));
    p.drawPath(Digit(QStringLiteral("4"), r.topLeft() + QPointF(12, 50), 52));
  } else {
    // The back: a lighter inner frame with a lattice.
    const QRectF inner = r.adjusted(12, 12, -12, -12);
    p.setPen(QPen(QColor(250, 216, 120), 4));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(inner, 8, 8);
    // The lattice is cut to the frame as a path, not by clipping, which an SVG reader may ignore.
    QPainterPath lines;
    for (double x = inner.left() - inner.height(); x < inner.right(); x += 18) {
      lines.moveTo(x, inner.top());
      lines.lineTo(x + inner.height(), inner.bottom());
      lines.moveTo(x + inner.height(), inner.top());
      lines.lineTo(x, inner.bottom());
    }
    QPainterPathStroker stroker;
    stroker.setWidth(3);
    QPainterPath frame;
    frame.addRoundedRect(inner, 8, 8);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 216, 120, 150));
    p.drawPath(stroker.createStroke(lines).intersected(frame));
  }
  p.restore();
}

// The whole icon in design units (0..256).
void PaintIcon(QPainter& p) {
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF tile(8, 8, 240, 240);
  QLinearGradient felt(tile.topLeft(), tile.bottomRight());
  felt.setColorAt(0.0, QColor(34, 132, 70));
  felt.setColorAt(1.0, QColor(12, 70, 36));
  p.setPen(QPen(QColor(8, 44, 22), 4));
  p.setBrush(felt);
  p.drawRoundedRect(tile, 44, 44);

  const QRectF card(0, 0, 112, 160);
  PaintCard(p, card.translated(40, 46), -16, false);
  PaintCard(p, card.translated(104, 50), 12, true);
}

bool WritePng(const QString& path, int size) {
  // Drawn four times larger and scaled down, so thin lines stay smooth at the small sizes.
  const int big = size * 4;
  QImage image(big, big, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.scale(static_cast<double>(big) / kDesign, static_cast<double>(big) / kDesign);
    PaintIcon(p);
  }
  return image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .convertToFormat(QImage::Format_ARGB32)
      .save(path, "PNG", 9);
}

bool WriteSvg(const QString& path) {
  QSvgGenerator svg;
  svg.setFileName(path);
  svg.setSize(QSize(kDesign, kDesign));
  svg.setViewBox(QRect(0, 0, kDesign, kDesign));
  svg.setTitle(QStringLiteral("Truco Zanforte"));
  svg.setDescription(QStringLiteral("The four of clubs over a card back on a felt tile"));
  QPainter p;
  if (!p.begin(&svg)) return false;
  PaintIcon(p);
  return p.end();
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication app(argc, argv);
  QTextStream err(stderr);
  if (argc != 2) {
    err << "usage: icongen <folder>\n";
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) {
    err << "cannot make " << out.path() << '\n';
    return 1;
  }
  bool ok = WriteSvg(out.filePath(QStringLiteral("truco-zanforte.svg")));
  for (const int size : kSizes)
    ok = WritePng(out.filePath(QStringLiteral("truco-zanforte-%1.png").arg(size)), size) && ok;
  if (!ok) err << "some pictures could not be written\n";
  return ok ? 0 : 1;
}
