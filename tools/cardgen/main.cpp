// cardgen: draws the game's 64 card pictures (52 faces, 12 backs) at 71 x 96 and at twice that
// size, as 8-bit indexed PNGs with the black rounded outline and light-grey corners the card
// control expects, and writes cards.qrc listing them. Run by hand; its outputs are committed so
// the game's build needs neither the SVG deck nor the emoji font.
//
//   cardgen [--faces /usr/share/aisleriot/cards/anglo.svgz] OUTDIR
//
// Faces: the "Anglo" deck of Debian's gnome-cards-data (Aike Reyer, GPL-3.0-or-later).
// Backs: our own QPainter designs; motifs from Debian's fonts-noto-color-emoji (OFL-1.1).

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgRenderer>
#include <QTextStream>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <vector>

namespace {

constexpr int kWidth = 71;
constexpr int kHeight = 96;
// Drawn this many times larger and scaled down, so thin lines and small glyphs stay smooth.
constexpr int kSupersample = 4;

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kCornerGrey = qRgb(192, 192, 192);
const QRgb kWhite = qRgb(255, 255, 255);

// Where a pixel of the final picture lies: outside the outline (the grey corners), on it, or
// inside. The 2x picture repeats the 1x shape, two pixels for one, so both look alike.
enum class Zone { Corner, Outline, Inside };

Zone ZoneOf(int x, int y, int scale) {
  const int x1 = x / scale;
  const int y1 = y / scale;
  const int dx = std::min(x1, kWidth - 1 - x1);
  const int dy = std::min(y1, kHeight - 1 - y1);
  if (dx + dy <= 1) return Zone::Corner;
  if (dx == 0 || dy == 0 || (dx == 1 && dy == 1)) return Zone::Outline;
  return Zone::Inside;
}

// ---------------------------------------------------------------------------------------------
// Palette: median cut over the picture's colours, with black, the corner grey and white kept
// exact so the outline and corners survive quantisation untouched.

struct ColorCount {
  QRgb rgb;
  int count;
};

int Channel(QRgb c, int ch) {
  return ch == 0 ? qRed(c) : ch == 1 ? qGreen(c) : qBlue(c);
}

QList<QRgb> MedianCut(const QHash<QRgb, int>& histogram, int max_colors) {
  std::vector<ColorCount> all;
  all.reserve(histogram.size());
  for (auto it = histogram.cbegin(); it != histogram.cend(); ++it)
    all.push_back({it.key(), it.value()});
  // QHash order differs from run to run; sorting makes the palette, and so the files, repeatable.
  std::sort(all.begin(), all.end(),
            [](const ColorCount& a, const ColorCount& b) { return a.rgb < b.rgb; });
  QList<QRgb> result;
  if (static_cast<int>(all.size()) <= max_colors) {
    for (const auto& c : all) result.push_back(c.rgb);
    return result;
  }
  struct Box {
    std::vector<ColorCount> colors;
    int widest_channel = 0;
    int range = 0;
    long long weight = 0;
  };
  auto measure = [](Box& b) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    b.weight = 0;
    for (const auto& c : b.colors) {
      for (int ch = 0; ch < 3; ++ch) {
        lo[ch] = std::min(lo[ch], Channel(c.rgb, ch));
        hi[ch] = std::max(hi[ch], Channel(c.rgb, ch));
      }
      b.weight += c.count;
    }
    b.range = -1;
    for (int ch = 0; ch < 3; ++ch) {
      if (hi[ch] - lo[ch] > b.range) {
        b.range = hi[ch] - lo[ch];
        b.widest_channel = ch;
      }
    }
  };
  std::vector<Box> boxes(1);
  boxes[0].colors = std::move(all);
  measure(boxes[0]);
  while (static_cast<int>(boxes.size()) < max_colors) {
    // Split the box whose spread, weighted by how many pixels it holds, is largest.
    int best = -1;
    double best_score = 0;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
      if (boxes[i].colors.size() < 2 || boxes[i].range == 0) continue;
      const double score = boxes[i].range * std::sqrt(static_cast<double>(boxes[i].weight));
      if (score > best_score) {
        best_score = score;
        best = i;
      }
    }
    if (best < 0) break;
    Box& box = boxes[best];
    const int ch = box.widest_channel;
    std::sort(box.colors.begin(), box.colors.end(), [ch](const ColorCount& a, const ColorCount& b) {
      const int ca = Channel(a.rgb, ch), cb = Channel(b.rgb, ch);
      return ca != cb ? ca < cb : a.rgb < b.rgb;
    });
    long long half = box.weight / 2, running = 0;
    std::size_t cut = 1;
    for (std::size_t i = 0; i + 1 < box.colors.size(); ++i) {
      running += box.colors[i].count;
      cut = i + 1;
      if (running >= half) break;
    }
    Box other;
    other.colors.assign(box.colors.begin() + static_cast<std::ptrdiff_t>(cut), box.colors.end());
    box.colors.resize(cut);
    measure(box);
    measure(other);
    boxes.push_back(std::move(other));
  }
  for (const auto& b : boxes) {
    double r = 0, g = 0, bl = 0, n = 0;
    for (const auto& c : b.colors) {
      r += qRed(c.rgb) * c.count;
      g += qGreen(c.rgb) * c.count;
      bl += qBlue(c.rgb) * c.count;
      n += c.count;
    }
    result.push_back(qRgb(static_cast<int>(std::lround(r / n)),
                          static_cast<int>(std::lround(g / n)),
                          static_cast<int>(std::lround(bl / n))));
  }
  return result;
}

// Frames the picture (outline and grey corners) and converts it to 8-bit indexed.
QImage Finish(const QImage& art, int scale) {
  QImage rgb = art.convertToFormat(QImage::Format_RGB32);
  const int w = rgb.width(), h = rgb.height();
  QHash<QRgb, int> histogram;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (ZoneOf(x, y, scale) == Zone::Inside) ++histogram[rgb.pixel(x, y) | 0xff000000u];
    }
  }
  histogram.remove(kBlack);
  histogram.remove(kCornerGrey);
  histogram.remove(kWhite);
  QList<QRgb> table = {kBlack, kCornerGrey, kWhite};
  table += MedianCut(histogram, 256 - 3);

  QImage out(w, h, QImage::Format_Indexed8);
  out.setColorTable(table);
  QHash<QRgb, int> nearest;
  auto index_of = [&](QRgb c) {
    auto it = nearest.constFind(c);
    if (it != nearest.cend()) return *it;
    int best = 0;
    long long best_d = -1;
    for (int i = 0; i < table.size(); ++i) {
      const long long dr = qRed(c) - qRed(table[i]), dg = qGreen(c) - qGreen(table[i]),
                      db = qBlue(c) - qBlue(table[i]);
      const long long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
      if (best_d < 0 || d < best_d) {
        best_d = d;
        best = i;
      }
    }
    nearest.insert(c, best);
    return best;
  };
  for (int y = 0; y < h; ++y) {
    uchar* line = out.scanLine(y);
    for (int x = 0; x < w; ++x) {
      switch (ZoneOf(x, y, scale)) {
        case Zone::Corner:
          line[x] = 1;
          break;
        case Zone::Outline:
          line[x] = 0;
          break;
        case Zone::Inside: {
          // Keep pure black off the inside, so only the outline stops a corner flood-fill.
          int i = index_of(rgb.pixel(x, y) | 0xff000000u);
          if (i == 0) i = index_of(qRgb(8, 8, 8) | 0xff000000u);
          line[x] = static_cast<uchar>(i);
          break;
        }
      }
    }
  }
  return out;
}

QImage Downscale(const QImage& big, int scale) {
  return big.scaled(kWidth * scale, kHeight * scale, Qt::IgnoreAspectRatio,
                    Qt::SmoothTransformation);
}

// ---------------------------------------------------------------------------------------------
// Faces

QString FaceElement(QChar suit, int value) {
  QString name = suit == 'S' ? "spade" : suit == 'D' ? "diamond" : suit == 'C' ? "club" : "heart";
  switch (value) {
    case 11:
      return name + "_jack";
    case 12:
      return name + "_queen";
    case 13:
      return name + "_king";
    default:
      return name + "_" + QString::number(value);
  }
}

QImage DrawFace(QSvgRenderer& deck, const QString& element, int scale) {
  const int f = kSupersample * scale;
  QImage big(kWidth * f, kHeight * f, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::white);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  // Stretched to fill: the source cards are a little narrower, and filling keeps indexes large.
  deck.render(&p, element, QRectF(0, 0, big.width(), big.height()));
  p.end();
  return Downscale(big, scale);
}

// ---------------------------------------------------------------------------------------------
// Backs. Every back is drawn in the 71 x 96 coordinate system; the painter is scaled.

const QRectF kCard(0, 0, kWidth, kHeight);
const QRectF kPanel(4, 4, kWidth - 8, kHeight - 8);
const QPointF kCentre(kWidth / 2.0, kHeight / 2.0);

QPainterPath Rounded(const QRectF& r, qreal radius) {
  QPainterPath path;
  path.addRoundedRect(r, radius, radius);
  return path;
}

void Emoji(QPainter& p, const QString& text, const QPointF& centre, qreal size) {
  QFont font(QStringLiteral("Noto Color Emoji"));
  // Noto Color Emoji is a bitmap font drawn at 109 px; draw it there and scale the painter.
  font.setPixelSize(109);
  p.save();
  p.translate(centre);
  p.scale(size / 109.0, size / 109.0);
  p.setFont(font);
  p.drawText(QRectF(-80, -80, 160, 160), Qt::AlignCenter, text);
  p.restore();
}

// A medallion framed in `ring` with `fill` inside, holding an emoji.
void Medallion(QPainter& p, const QString& emoji, const QColor& fill, const QColor& ring,
               qreal rx = 22, qreal ry = 26, qreal emoji_size = 30) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0, 0, 0, 60));
  p.drawEllipse(kCentre + QPointF(0.8, 1.2), rx, ry);
  QRadialGradient g(kCentre - QPointF(rx * 0.3, ry * 0.35), rx * 1.6);
  g.setColorAt(0, fill.lighter(125));
  g.setColorAt(1, fill);
  p.setBrush(g);
  p.setPen(QPen(ring, 1.6));
  p.drawEllipse(kCentre, rx, ry);
  p.setPen(QPen(ring.lighter(150), 0.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(kCentre, rx - 2, ry - 2);
  p.restore();
  Emoji(p, emoji, kCentre + QPointF(0, 0.5), emoji_size);
}

// The white card, the coloured panel inside it and the panel's double frame; `pattern` draws
// the panel's ground, clipped to the panel.
void Panel(QPainter& p, const QColor& frame, const std::function<void()>& pattern,
           const QColor& inner_line = Qt::white) {
  p.fillRect(kCard, Qt::white);
  const QPainterPath panel = Rounded(kPanel, 3);
  p.save();
  p.setClipPath(panel);
  pattern();
  p.restore();
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(frame, 1.0));
  p.drawPath(panel);
  p.setPen(QPen(inner_line, 0.6));
  p.drawPath(Rounded(kPanel.adjusted(2.2, 2.2, -2.2, -2.2), 2));
}

void Lattice(QPainter& p, const QColor& line, qreal step, qreal width) {
  p.setPen(QPen(line, width));
  for (qreal k = -kHeight; k < kWidth + kHeight; k += step) {
    p.drawLine(QPointF(k, 0), QPointF(k + kHeight, kHeight));
    p.drawLine(QPointF(k, kHeight), QPointF(k + kHeight, 0));
  }
}

void Gradient(QPainter& p, const QColor& top, const QColor& bottom) {
  QLinearGradient g(0, 0, 0, kHeight);
  g.setColorAt(0, top);
  g.setColorAt(1, bottom);
  p.fillRect(kCard, g);
}

// A rosette of petals for the plain backs.
void Rosette(QPainter& p, const QColor& petal, const QColor& heart, qreal radius, int petals) {
  p.save();
  p.translate(kCentre);
  p.setPen(QPen(heart, 0.5));
  p.setBrush(petal);
  for (int i = 0; i < petals; ++i) {
    p.save();
    p.rotate(360.0 * i / petals);
    QPainterPath leaf;
    leaf.moveTo(0, 0);
    leaf.cubicTo(radius * 0.35, -radius * 0.4, radius * 0.25, -radius * 0.9, 0, -radius);
    leaf.cubicTo(-radius * 0.25, -radius * 0.9, -radius * 0.35, -radius * 0.4, 0, 0);
    p.drawPath(leaf);
    p.restore();
  }
  p.setBrush(heart);
  p.drawEllipse(QPointF(0, 0), radius * 0.18, radius * 0.18);
  p.restore();
}

void CornerDots(QPainter& p, const QColor& c, qreal inset, qreal r) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  for (const QPointF& pt :
       {QPointF(inset, inset), QPointF(kWidth - inset, inset), QPointF(inset, kHeight - inset),
        QPointF(kWidth - inset, kHeight - inset)})
    p.drawEllipse(pt, r, r);
  p.restore();
}

void BackStd1(QPainter& p) {
  const QColor navy(22, 48, 128);
  Panel(p, navy, [&] {
    p.fillRect(kCard, navy);
    Lattice(p, QColor(120, 160, 230), 6, 0.7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 220, 255));
    for (qreal y = 4; y < kHeight; y += 6)
      for (qreal x = (static_cast<int>(y) / 6 % 2) ? 3 : 0; x < kWidth + 3; x += 6) {
        p.drawEllipse(QPointF(x + 1.5, y), 0.55, 0.55);
      }
  });
  p.save();
  p.setPen(QPen(Qt::white, 0.9));
  p.setBrush(navy);
  p.drawEllipse(kCentre, 17, 21);
  p.restore();
  Rosette(p, QColor(200, 220, 255), QColor(240, 200, 60), 15, 8);
  CornerDots(p, QColor(240, 200, 60), 10, 1.4);
}

void BackStd2(QPainter& p) {
  const QColor red(170, 20, 30);
  Panel(p, red, [&] {
    p.fillRect(kCard, red);
    // Alternating diamonds, the classic red back.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(205, 60, 60));
    const qreal s = 5;
    for (int row = 0; row * s < kHeight + s; ++row)
      for (int col = 0; col * s < kWidth + s; ++col) {
        if ((row + col) % 2) continue;
        const QPointF c(col * s, row * s);
        QPolygonF d{c + QPointF(0, -s / 2), c + QPointF(s / 2, 0), c + QPointF(0, s / 2),
                    c + QPointF(-s / 2, 0)};
        p.drawPolygon(d);
      }
  });
  p.save();
  p.setPen(QPen(QColor(245, 215, 110), 1.0));
  p.setBrush(QColor(120, 10, 20));
  QPolygonF diamond{kCentre + QPointF(0, -26), kCentre + QPointF(20, 0), kCentre + QPointF(0, 26),
                    kCentre + QPointF(-20, 0)};
  p.drawPolygon(diamond);
  p.restore();
  Rosette(p, QColor(245, 215, 110), Qt::white, 13, 4);
  Rosette(p, QColor(255, 240, 200, 170), QColor(245, 215, 110), 8, 4);
  CornerDots(p, QColor(245, 215, 110), 10, 1.4);
}

void Bubbles(QPainter& p, const QColor& c, unsigned seed, int count) {
  p.save();
  p.setPen(QPen(c, 0.45));
  p.setBrush(Qt::NoBrush);
  unsigned s = seed;
  auto next = [&s] {
    s = s * 1103515245u + 12345u;
    return (s >> 16) & 0x7fff;
  };
  for (int i = 0; i < count; ++i) {
    const qreal x = 6 + next() % 60, y = 6 + next() % 84, r = 0.8 + (next() % 12) / 8.0;
    p.drawEllipse(QPointF(x, y), r, r);
  }
  p.restore();
}

void BackFishes1(QPainter& p) {
  Panel(p, QColor(10, 50, 100), [&] {
    Gradient(p, QColor(40, 140, 210), QColor(10, 40, 110));
    p.setPen(QPen(QColor(140, 210, 255, 150), 0.7));
    p.setBrush(Qt::NoBrush);
    for (qreal y = 6; y < kHeight; y += 7) {
      QPainterPath wave;
      wave.moveTo(0, y);
      for (qreal x = 0; x < kWidth; x += 8) {
        wave.quadTo(x + 2, y - 2, x + 4, y);
        wave.quadTo(x + 6, y + 2, x + 8, y);
      }
      p.drawPath(wave);
    }
    Bubbles(p, QColor(220, 245, 255), 7, 22);
  });
  Medallion(p, QString::fromUtf8("\U0001F41F"), QColor(200, 235, 250), QColor(250, 200, 60));
}

void BackFishes2(QPainter& p) {
  Panel(
      p, QColor(0, 100, 100),
      [&] {
        p.fillRect(kCard, QColor(0, 150, 145));
        // Overlapping fish scales.
        p.setPen(QPen(QColor(180, 240, 230), 0.6));
        const qreal r = 4;
        for (int row = 0; row * r * 0.9 < kHeight + r; ++row) {
          const qreal y = row * r * 0.9;
          const qreal shift = (row % 2) ? r : 0;
          for (qreal x = -r + shift; x < kWidth + r; x += 2 * r) {
            p.setBrush(QColor(0, row % 4 < 2 ? 160 : 135, row % 4 < 2 ? 150 : 140));
            p.drawChord(QRectF(x - r, y - r, 2 * r, 2 * r), 180 * 16, 180 * 16);
          }
        }
      },
      QColor(255, 140, 90));
  Medallion(p, QString::fromUtf8("\U0001F420"), QColor(255, 225, 190), QColor(255, 120, 70));
}

void BackBeach(QPainter& p) {
  Panel(p, QColor(30, 110, 170), [&] {
    Gradient(p, QColor(110, 190, 245), QColor(200, 235, 255));
    // The sun, the sea and the sand.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 215, 70));
    p.drawEllipse(QPointF(53, 17), 7, 7);
    p.setBrush(QColor(255, 235, 150, 120));
    p.drawEllipse(QPointF(53, 17), 10, 10);
    QLinearGradient sea(0, 50, 0, 70);
    sea.setColorAt(0, QColor(20, 110, 190));
    sea.setColorAt(1, QColor(60, 180, 210));
    p.setBrush(sea);
    p.drawRect(QRectF(0, 50, kWidth, 30));
    p.setPen(QPen(QColor(230, 250, 255), 0.6));
    for (qreal y = 54; y < 70; y += 4) {
      for (qreal x = static_cast<int>(y) % 8; x < kWidth; x += 12)
        p.drawLine(QPointF(x, y), QPointF(x + 5, y));
    }
    p.setPen(Qt::NoPen);
    QPainterPath sand;
    sand.moveTo(0, 72);
    sand.cubicTo(20, 66, 45, 74, kWidth, 68);
    sand.lineTo(kWidth, kHeight);
    sand.lineTo(0, kHeight);
    sand.closeSubpath();
    p.setBrush(QColor(240, 210, 140));
    p.drawPath(sand);
    p.setBrush(QColor(225, 190, 120));
    for (int i = 0; i < 30; ++i)
      p.drawEllipse(QPointF(5 + (i * 37) % 62, 78 + (i * 13) % 14), 0.4, 0.4);
    // Two gulls.
    p.setPen(QPen(QColor(60, 60, 80), 0.6));
    p.setBrush(Qt::NoBrush);
    for (const QPointF& g : {QPointF(16, 16), QPointF(25, 11)}) {
      QPainterPath gull;
      gull.moveTo(g + QPointF(-3, 0));
      gull.quadTo(g + QPointF(-1.5, -1.5), g);
      gull.quadTo(g + QPointF(1.5, -1.5), g + QPointF(3, 0));
      p.drawPath(gull);
    }
  });
  // The beach with its umbrella, in a rounded frame like a postcard.
  p.save();
  const QRectF frame(kCentre.x() - 18, kCentre.y() - 15, 36, 34);
  p.setPen(QPen(Qt::white, 1.4));
  p.setBrush(QColor(255, 255, 255, 90));
  p.drawRoundedRect(frame, 4, 4);
  p.restore();
  Emoji(p, QString::fromUtf8("\U0001F3D6"), frame.center(), 30);
}

void Leaf(QPainter& p, const QPointF& at, qreal size, qreal angle, const QColor& c) {
  p.save();
  p.translate(at);
  p.rotate(angle);
  QPainterPath leaf;
  leaf.moveTo(0, -size);
  leaf.cubicTo(size * 0.7, -size * 0.4, size * 0.5, size * 0.6, 0, size);
  leaf.cubicTo(-size * 0.5, size * 0.6, -size * 0.7, -size * 0.4, 0, -size);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPath(leaf);
  p.setPen(QPen(c.darker(140), size * 0.12));
  p.drawLine(QPointF(0, -size * 0.8), QPointF(0, size * 1.3));
  p.restore();
}

void BackLeaves1(QPainter& p) {
  Panel(
      p, QColor(110, 50, 10),
      [&] {
        Gradient(p, QColor(200, 110, 30), QColor(140, 60, 20));
        const QColor tones[] = {QColor(235, 170, 40), QColor(215, 80, 30), QColor(170, 110, 30),
                                QColor(245, 200, 90)};
        int i = 0;
        for (qreal y = 4; y < kHeight + 4; y += 10)
          for (qreal x = (static_cast<int>(y / 10) % 2) ? 9 : 2; x < kWidth + 4; x += 13, ++i)
            Leaf(p, QPointF(x, y), 4.4, (i * 67) % 360, tones[i % 4]);
      },
      QColor(255, 230, 170));
  Medallion(p, QString::fromUtf8("\U0001F341"), QColor(255, 240, 200), QColor(150, 60, 20));
}

void Blossom(QPainter& p, const QPointF& at, qreal r, const QColor& petal, const QColor& heart) {
  p.save();
  p.setPen(Qt::NoPen);
  p.setBrush(petal);
  for (int k = 0; k < 5; ++k) {
    const qreal a = k * 2 * std::numbers::pi / 5;
    p.drawEllipse(at + QPointF(std::cos(a) * r, std::sin(a) * r), r * 0.75, r * 0.75);
  }
  p.setBrush(heart);
  p.drawEllipse(at, r * 0.55, r * 0.55);
  p.restore();
}

void BackLeaves2(QPainter& p) {
  Panel(
      p, QColor(20, 90, 40),
      [&] {
        Gradient(p, QColor(70, 160, 70), QColor(30, 110, 50));
        int i = 0;
        for (qreal y = 4; y < kHeight; y += 10)
          for (qreal x = (static_cast<int>(y / 10) % 2) ? 9 : 3; x < kWidth; x += 12, ++i) {
            Leaf(p, QPointF(x + 4, y + 3), 2.2, 40 + (i * 50) % 90, QColor(120, 200, 90));
            Blossom(p, QPointF(x, y), 1.5, i % 3 ? QColor(255, 255, 240) : QColor(255, 200, 220),
                    QColor(250, 200, 40));
          }
      },
      QColor(255, 250, 200));
  Medallion(p, QString::fromUtf8("\U0001F33C"), QColor(235, 250, 220), QColor(240, 190, 30));
}

void BackRobot(QPainter& p) {
  Panel(
      p, QColor(40, 50, 60),
      [&] {
        Gradient(p, QColor(95, 110, 125), QColor(55, 65, 80));
        // Circuit board traces, one bent trace with its pads in each cell of a grid.
        p.setPen(QPen(QColor(140, 230, 200), 0.6));
        for (int row = 0; row < 7; ++row)
          for (int col = 0; col < 4; ++col) {
            const int k = row * 4 + col;
            const qreal x = 5 + col * 16 + (k * 5) % 4, y = 6 + row * 13 + (k * 3) % 4;
            const qreal dir = (k % 3 == 0) ? -1 : 1;
            QPainterPath t;
            t.moveTo(x, y);
            t.lineTo(x + 7, y);
            t.lineTo(x + 10, y + 3 * dir);
            t.lineTo(x + 10, y + 7 * dir);
            p.setBrush(Qt::NoBrush);
            p.drawPath(t);
            p.setBrush(QColor(140, 230, 200));
            p.drawEllipse(QPointF(x, y), 0.9, 0.9);
            p.drawEllipse(QPointF(x + 10, y + 7 * dir), 0.7, 0.7);
          }
      },
      QColor(190, 200, 210));
  // A square plate with rivets instead of a round medallion.
  p.save();
  const QRectF plate(kCentre.x() - 20, kCentre.y() - 20, 40, 40);
  QLinearGradient g(plate.topLeft(), plate.bottomRight());
  g.setColorAt(0, QColor(230, 235, 240));
  g.setColorAt(1, QColor(160, 170, 180));
  p.setBrush(g);
  p.setPen(QPen(QColor(40, 50, 60), 1.2));
  p.drawRoundedRect(plate, 4, 4);
  p.setBrush(QColor(90, 100, 110));
  p.setPen(Qt::NoPen);
  for (const QPointF& c :
       {plate.topLeft() + QPointF(3.5, 3.5), plate.topRight() + QPointF(-3.5, 3.5),
        plate.bottomLeft() + QPointF(3.5, -3.5), plate.bottomRight() + QPointF(-3.5, -3.5)})
    p.drawEllipse(c, 1.2, 1.2);
  p.restore();
  Emoji(p, QString::fromUtf8("\U0001F916"), kCentre, 30);
  CornerDots(p, QColor(140, 230, 200), 9.5, 1.3);
}

void BackRoses(QPainter& p) {
  Panel(
      p, QColor(130, 20, 60),
      [&] {
        p.fillRect(kCard, QColor(200, 60, 110));
        // A trellis with small rosebuds at its crossings.
        Lattice(p, QColor(240, 150, 180), 8, 0.8);
        for (qreal y = 0; y < kHeight + 8; y += 8)
          for (qreal x = 0; x < kWidth + 8; x += 8) {
            const int row = static_cast<int>(y / 8);
            const qreal cx = x + ((row % 2) ? 4 : 0);
            Blossom(p, QPointF(cx, y), 1.1, QColor(255, 210, 225), QColor(170, 20, 70));
          }
      },
      QColor(255, 220, 235));
  Medallion(p, QString::fromUtf8("\U0001F339"), QColor(255, 240, 245), QColor(60, 140, 60));
}

void BackShell(QPainter& p) {
  Panel(
      p, QColor(150, 100, 50),
      [&] {
        Gradient(p, QColor(250, 225, 180), QColor(225, 180, 120));
        // Rays fanning out from below, like the ribs of a scallop.
        p.save();
        p.translate(kWidth / 2.0, kHeight + 10);
        p.setPen(Qt::NoPen);
        for (int i = 0; i < 24; ++i) {
          p.setBrush(i % 2 ? QColor(240, 190, 130) : QColor(252, 215, 165));
          QPainterPath ray;
          ray.moveTo(0, 0);
          const qreal a0 = std::numbers::pi + i * std::numbers::pi / 24;
          const qreal a1 = a0 + std::numbers::pi / 24;
          ray.lineTo(std::cos(a0) * 140, std::sin(a0) * 140);
          ray.lineTo(std::cos(a1) * 140, std::sin(a1) * 140);
          ray.closeSubpath();
          p.drawPath(ray);
        }
        p.restore();
        p.setPen(QPen(QColor(200, 140, 90), 0.6));
        p.setBrush(Qt::NoBrush);
        for (qreal r = 20; r < 120; r += 12)
          p.drawEllipse(QPointF(kWidth / 2.0, kHeight + 10), r, r);
      },
      QColor(255, 250, 240));
  Medallion(p, QString::fromUtf8("\U0001F41A"), QColor(210, 240, 250), QColor(60, 140, 170));
}

void BackCastle(QPainter& p) {
  Panel(
      p, QColor(40, 25, 80),
      [&] {
        Gradient(p, QColor(30, 25, 90), QColor(90, 60, 150));
        // Stars above, a brick wall with battlements below.
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 245, 180));
        for (int i = 0; i < 20; ++i)
          p.drawEllipse(QPointF(6 + (i * 23) % 60, 6 + (i * 17) % 40), 0.5 + (i % 3) * 0.25,
                        0.5 + (i % 3) * 0.25);
        p.drawEllipse(QPointF(15, 14), 4, 4);
        p.setBrush(QColor(30, 25, 90));
        p.drawEllipse(QPointF(16.8, 12.8), 3.4, 3.4);
        const qreal top = 66;
        p.setBrush(QColor(120, 110, 130));
        for (qreal x = 4; x < kWidth; x += 8) p.drawRect(QRectF(x, top - 4, 4.5, 4));
        p.drawRect(QRectF(0, top, kWidth, kHeight - top));
        p.setPen(QPen(QColor(70, 60, 85), 0.5));
        for (qreal y = top; y < kHeight; y += 4) {
          p.drawLine(QPointF(0, y), QPointF(kWidth, y));
          const qreal off = (static_cast<int>((y - top) / 4) % 2) ? 3 : 0;
          for (qreal x = off; x < kWidth; x += 6) p.drawLine(QPointF(x, y), QPointF(x, y + 4));
        }
      },
      QColor(230, 210, 120));
  Medallion(p, QString::fromUtf8("\U0001F3F0"), QColor(200, 220, 250), QColor(230, 200, 90));
}

void BackHand(QPainter& p) {
  Panel(
      p, QColor(150, 90, 0),
      [&] {
        p.fillRect(kCard, QColor(245, 185, 50));
        // Rings like a fingerprint around the palm.
        p.setBrush(Qt::NoBrush);
        for (int i = 0; i < 22; ++i) {
          p.setPen(QPen(i % 2 ? QColor(225, 150, 30) : QColor(255, 215, 110), 1.4));
          p.drawEllipse(kCentre + QPointF(0, 4), 6 + i * 3.2, 8 + i * 3.8);
        }
      },
      QColor(255, 245, 220));
  Medallion(p, QString::fromUtf8("\u270B"), QColor(255, 250, 235), QColor(180, 100, 20));
}

struct Back {
  const char* name;
  void (*draw)(QPainter&);
};

const Back kBacks[] = {
    {"STD1", BackStd1},       {"STD2", BackStd2},     {"FISHES1", BackFishes1},
    {"FISHES2", BackFishes2}, {"BEACH", BackBeach},   {"LEAVES1", BackLeaves1},
    {"LEAVES2", BackLeaves2}, {"ROBOT", BackRobot},   {"ROSES", BackRoses},
    {"SHELL", BackShell},     {"CASTLE", BackCastle}, {"HAND", BackHand},
};

QImage DrawBack(const Back& back, int scale) {
  const int f = kSupersample * scale;
  QImage big(kWidth * f, kHeight * f, QImage::Format_ARGB32_Premultiplied);
  big.fill(Qt::white);
  QPainter p(&big);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::SmoothPixmapTransform);
  p.scale(f, f);
  back.draw(p);
  p.end();
  return Downscale(big, scale);
}

bool Save(const QImage& image, const QString& path) {
  if (!image.save(path, "PNG", 9)) {
    std::fprintf(stderr, "cardgen: cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCommandLineParser parser;
  parser.setApplicationDescription("Draws the card pictures and their resource list.");
  parser.addHelpOption();
  QCommandLineOption faces_option("faces", "SVG deck of the faces.", "file",
                                  "/usr/share/aisleriot/cards/anglo.svgz");
  parser.addOption(faces_option);
  parser.addPositionalArgument("outdir", "Folder for the pictures and cards.qrc.");
  parser.process(app);
  if (parser.positionalArguments().size() != 1) parser.showHelp(2);
  const QDir out(parser.positionalArguments().first());
  if (!out.exists() && !QDir().mkpath(out.path())) {
    std::fprintf(stderr, "cardgen: cannot create %s\n", qPrintable(out.path()));
    return 1;
  }

  QSvgRenderer deck(parser.value(faces_option));
  if (!deck.isValid()) {
    std::fprintf(stderr, "cardgen: cannot read %s (package gnome-cards-data)\n",
                 qPrintable(parser.value(faces_option)));
    return 1;
  }
  if (!QFontDatabase::families().contains(QStringLiteral("Noto Color Emoji"))) {
    std::fprintf(stderr,
                 "cardgen: font Noto Color Emoji missing (package fonts-noto-color-emoji)\n");
    return 1;
  }

  QStringList names;
  bool ok = true;
  for (QChar suit : {QChar('S'), QChar('D'), QChar('C'), QChar('H')}) {
    for (int value = 1; value <= 13; ++value) {
      const QString element = FaceElement(suit, value);
      if (!deck.elementExists(element)) {
        std::fprintf(stderr, "cardgen: deck has no %s\n", qPrintable(element));
        return 1;
      }
      const QString name = QString(suit) + QString::number(value);
      ok &= Save(Finish(DrawFace(deck, element, 1), 1), out.filePath(name + ".png"));
      ok &= Save(Finish(DrawFace(deck, element, 2), 2), out.filePath(name + "@2x.png"));
      names << name;
    }
  }
  for (const Back& back : kBacks) {
    ok &= Save(Finish(DrawBack(back, 1), 1), out.filePath(QString(back.name) + ".png"));
    ok &= Save(Finish(DrawBack(back, 2), 2), out.filePath(QString(back.name) + "@2x.png"));
    names << back.name;
  }

  QFile qrc(out.filePath("cards.qrc"));
  if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    std::fprintf(stderr, "cardgen: cannot write %s\n", qPrintable(qrc.fileName()));
    return 1;
  }
  QTextStream qrc_text(&qrc);
  qrc_text << "<!DOCTYPE RCC>\n<!-- Written by tools/cardgen; see CREDITS. -->\n"
           << "<RCC version=\"1.0\">\n  <qresource prefix=\"/cards\">\n";
  for (const QString& name : names) {
    qrc_text << "    <file>" << name << ".png</file>\n";
    qrc_text << "    <file>" << name << "@2x.png</file>\n";
  }
  qrc_text << "  </qresource>\n</RCC>\n";
  return ok ? 0 : 1;
}
