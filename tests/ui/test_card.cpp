// The card control and the card pictures it draws.

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>
#include <set>
#include <vector>

#include "engine/cards.h"
#include "engine/random.h"
#include "ui/card.h"

using truco::Card;
using truco::Suit;
using truco::TCard;
using truco::TDecks;

namespace {

const QRgb kGrey = qRgb(192, 192, 192);
const QRgb kBlack = qRgb(0, 0, 0);
constexpr Suit kSuits[] = {Suit::Spades, Suit::Diamonds, Suit::Clubs, Suit::Hearts};

QStringList AllPictureNames() {
  QStringList names;
  for (const char* letter : {"S", "D", "C", "H"})
    for (int v = 1; v <= 13; ++v) names << QString::fromLatin1(letter) + QString::number(v);
  for (int d = 0; d < truco::kNumDecks; ++d) names << truco::DeckPictureName(TDecks(d));
  return names;
}

// Pixels reachable from the four corners without crossing pure black (4-neighbours).
std::set<std::pair<int, int>> CornerFill(const QImage& image) {
  std::set<std::pair<int, int>> seen, filled;
  std::vector<std::pair<int, int>> todo = {{0, 0},
                                           {image.width() - 1, 0},
                                           {0, image.height() - 1},
                                           {image.width() - 1, image.height() - 1}};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) continue;
    if (!seen.insert({x, y}).second) continue;
    if ((image.pixel(x, y) | 0xff000000u) == kBlack) continue;
    filled.insert({x, y});
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  return filled;
}

QImage Resource(const QString& name, bool double_size = false) {
  return QImage(QStringLiteral(":/cards/") + name +
                (double_size ? QStringLiteral("@2x.png") : QStringLiteral(".png")));
}

QImage Shot(TCard& card) {
  return card.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The card on screen is its picture, with the corners in `background`.
bool ShowsPicture(TCard& card, const QString& name, QColor background, QString* why) {
  const QImage shot = Shot(card);
  const QImage picture = Resource(name).convertToFormat(QImage::Format_RGB32);
  if (shot.size() != QSize(71, 96) || picture.size() != QSize(71, 96)) {
    *why = QStringLiteral("bad sizes");
    return false;
  }
  const auto corners = CornerFill(picture);
  for (int y = 0; y < 96; ++y)
    for (int x = 0; x < 71; ++x) {
      const QRgb want = corners.count({x, y}) ? background.rgb() : picture.pixel(x, y);
      if (shot.pixel(x, y) != want) {
        *why = QStringLiteral("%1: pixel (%2,%3) is %4, want %5")
                   .arg(name)
                   .arg(x)
                   .arg(y)
                   .arg(shot.pixel(x, y), 8, 16)
                   .arg(want, 8, 16);
        return false;
      }
    }
  return true;
}

class CountingRandom final : public truco::RandomSource {
 public:
  void Reseed() override { ++reseeds; }
  int Uniform(int) override { return 0; }
  int reseeds = 0;
};

// Every text a screen reader could get from the control.
QStringList SpokenTexts(QWidget* w) {
  QStringList texts = {w->accessibleName(), w->accessibleDescription(), w->toolTip(),
                       w->whatsThis(), w->statusTip()};
  if (QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w)) {
    for (auto t :
         {QAccessible::Name, QAccessible::Description, QAccessible::Value, QAccessible::Help})
      texts << a->text(t);
  }
  return texts;
}

}  // namespace

class TestCard : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    qRegisterMetaType<QMouseEvent*>();
    QVERIFY(TCard::HasPicture(QStringLiteral("S1")));
  }

  // Every picture at both sizes is read as PNG without asking Qt's image plugins (which would
  // load them all, with libjpeg and Qt SVG). Before any case below reads a picture its own way.
  void picturesLoadNoImagePlugin() {
    for (const QString& name : AllPictureNames()) {
      QVERIFY(!TCard::Picture(name, 1.0).isNull());
      QVERIFY(!TCard::Picture(name, 2.0).isNull());
    }
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Gui"));  // the list is the process's own
    QVERIFY2(!mapped.contains("imageformats"), "an image plugin was loaded for a card picture");
  }

  void resources_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("double_size");
    for (const QString& name : AllPictureNames()) {
      QTest::newRow(qPrintable(name)) << name << false;
      QTest::newRow(qPrintable(name + "@2x")) << name << true;
    }
  }

  // Every picture: right size, 256-colour palette, a closed black outline, and outside it only
  // the light-grey corners.
  void resources() {
    QFETCH(QString, name);
    QFETCH(bool, double_size);
    const QImage image = Resource(name, double_size);
    QVERIFY2(!image.isNull(), qPrintable(name + " missing"));
    const int scale = double_size ? 2 : 1;
    QCOMPARE(image.size(), QSize(71 * scale, 96 * scale));
    QCOMPARE(image.format(), QImage::Format_Indexed8);
    QVERIFY(image.colorCount() <= 256);

    const int w = image.width(), h = image.height();
    // The outline runs along all four edges (apart from the rounded corners).
    for (int x = 2 * scale; x < w - 2 * scale; ++x) {
      QCOMPARE(image.pixel(x, 0) | 0xff000000u, kBlack);
      QCOMPARE(image.pixel(x, h - 1) | 0xff000000u, kBlack);
    }
    for (int y = 2 * scale; y < h - 2 * scale; ++y) {
      QCOMPARE(image.pixel(0, y) | 0xff000000u, kBlack);
      QCOMPARE(image.pixel(w - 1, y) | 0xff000000u, kBlack);
    }
    // Outside the outline: three pixels a corner (their doubles at 2x), all light grey.
    const auto corners = CornerFill(image);
    QCOMPARE(static_cast<int>(corners.size()), 4 * 3 * scale * scale);
    for (auto [x, y] : corners) {
      QCOMPARE(image.pixel(x, y) | 0xff000000u, kGrey);
      QVERIFY(std::min(x, w - 1 - x) < 2 * scale && std::min(y, h - 1 - y) < 2 * scale);
    }
  }

  void decksHaveDistinctPicturesAndMenuTexts() {
    QSet<QString> pictures, texts;
    for (int d = 0; d < truco::kNumDecks; ++d) {
      const QString picture = truco::DeckPictureName(TDecks(d));
      QVERIFY2(TCard::HasPicture(picture), qPrintable(picture));
      pictures << picture;
      texts << truco::DeckMenuText(TDecks(d));
    }
    QCOMPARE(pictures.size(), truco::kNumDecks);
    QCOMPARE(texts.size(), truco::kNumDecks);
    QVERIFY(!texts.contains(QString()));
    QCOMPARE(truco::DeckMenuText(TDecks::Robot), QStringLiteral("Robô"));
    QCOMPARE(truco::DeckMenuText(TDecks::Hand), QStringLiteral("Mão"));
    QCOMPARE(truco::DeckPictureName(TDecks(kNumDecksPlusOne())), QString());
  }

  void initialState() {
    TCard card;
    QCOMPARE(card.value(), 1);
    QCOMPARE(card.suit(), Suit::Hearts);
    QVERIFY(!card.showDeck());
    QCOMPARE(card.deckType(), TDecks::Standard1);
    QCOMPARE(card.rank(), 0);
    QCOMPARE(card.size(), QSize(71, 96));
    QCOMPARE(card.focusPolicy(), Qt::NoFocus);
    QCOMPARE(card.property("Value").toInt(), 1);
    QCOMPARE(card.property("Suit").value<Suit>(), Suit::Hearts);
    QVERIFY(card.setProperty("DeckType", QVariant::fromValue(TDecks::Castle)));
    QCOMPARE(card.deckType(), TDecks::Castle);
  }

  // 0 shows the ace and 200 the king, through the setter, setCard and the property.
  void valueClamping() {
    QWidget table;
    TCard card(&table);
    card.setSuit(Suit::Spades);
    QString why;
    card.setValue(0);
    QCOMPARE(card.value(), 1);
    QVERIFY2(ShowsPicture(card, "S1", table.palette().color(QPalette::Window), &why),
             qPrintable(why));
    card.setValue(200);
    QCOMPARE(card.value(), 13);
    QVERIFY2(ShowsPicture(card, "S13", table.palette().color(QPalette::Window), &why),
             qPrintable(why));
    card.setValue(-7);
    QCOMPARE(card.value(), 1);
    card.setCard(Card{0, Suit::Clubs});
    QCOMPARE(card.card(), (Card{1, Suit::Clubs}));
    card.setProperty("Value", 99);
    QCOMPARE(card.value(), 13);
    card.setRank(-42);
    QCOMPARE(card.rank(), -42);
    QCOMPARE(card.value(), 13);
  }

  void everyFaceShowsItsPicture() {
    QWidget table;
    TCard card(&table);
    QString why;
    for (Suit suit : kSuits)
      for (int v = 1; v <= 13; ++v) {
        card.setCard(Card{static_cast<std::uint8_t>(v), suit});
        const QString want = QString("SDCH"[static_cast<int>(suit)]) + QString::number(v);
        QCOMPARE(card.pictureName(), want);
        QVERIFY2(ShowsPicture(card, want, table.palette().color(QPalette::Window), &why),
                 qPrintable(why));
      }
  }

  void backWhateverTheFace() {
    QWidget table;
    TCard card(&table);
    card.setShowDeck(true);
    QString why;
    for (int d = 0; d < truco::kNumDecks; ++d) {
      card.setDeckType(TDecks(d));
      const QString back = truco::DeckPictureName(TDecks(d));
      for (Card face : {Card{1, Suit::Spades}, Card{7, Suit::Diamonds}, Card{13, Suit::Hearts}}) {
        card.setCard(face);
        QCOMPARE(card.pictureName(), back);
        QVERIFY2(ShowsPicture(card, back, table.palette().color(QPalette::Window), &why),
                 qPrintable(why));
      }
    }
    card.setShowDeck(false);
    QCOMPARE(card.pictureName(), QStringLiteral("H13"));
  }

  void cornersTakeTheBackground() {
    QWidget table;
    QPalette palette = table.palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 0));
    table.setPalette(palette);
    TCard face(&table), back(&table);
    face.setCard(Card{3, Suit::Clubs});
    back.setShowDeck(true);
    back.setDeckType(TDecks::Castle);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QString why;
    QVERIFY2(ShowsPicture(face, "C3", QColor(0, 128, 0), &why), qPrintable(why));

    palette.setColor(QPalette::Window, QColor(20, 40, 200));
    table.setPalette(palette);
    QVERIFY2(ShowsPicture(face, "C3", QColor(20, 40, 200), &why), qPrintable(why));
    QVERIFY2(ShowsPicture(back, "CASTLE", QColor(20, 40, 200), &why), qPrintable(why));

    // On a panel that paints its own colour, the corners match the panel.
    QWidget panel(&table);
    QPalette panel_palette = panel.palette();
    panel_palette.setColor(QPalette::Window, QColor(250, 240, 10));
    panel.setPalette(panel_palette);
    panel.setAutoFillBackground(true);
    TCard on_panel(&panel);
    QVERIFY2(ShowsPicture(on_panel, "H1", QColor(250, 240, 10), &why), qPrintable(why));
  }

  void sizeIsForcedBack() {
    QWidget table;
    table.resize(400, 400);
    auto* layout = new QVBoxLayout(&table);
    auto* in_layout = new TCard;
    layout->addWidget(in_layout);
    TCard loose(&table);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QCOMPARE(in_layout->size(), QSize(71, 96));

    loose.resize(200, 300);
    QCOMPARE(loose.size(), QSize(71, 96));
    // Even after someone lifts the limits first.
    loose.setMinimumSize(0, 0);
    loose.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    loose.setGeometry(5, 5, 30, 40);
    QCoreApplication::processEvents();
    QCOMPARE(loose.size(), QSize(71, 96));
    QCOMPARE(loose.pos(), QPoint(5, 5));
    QCOMPARE(Shot(loose).size(), QSize(71, 96));
  }

  // A face-down card says only that it is face down, whatever face it holds and however it
  // got there; face up it says its name.
  void accessibleNamesHideFaceDownCards() {
    QWidget table;
    TCard card(&table);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    card.setCard(Card{7, Suit::Diamonds});
    QCOMPARE(card.accessibleName(), QStringLiteral("Sete de Ouros"));
    card.setShowDeck(true);
    for (Suit suit : kSuits)
      for (int v = 1; v <= 13; ++v) {
        card.setCard(Card{static_cast<std::uint8_t>(v), suit});
        card.setValue(v);
        card.setSuit(suit);
        card.setDeckType(TDecks(v % truco::kNumDecks));
        const QString face = QString::fromStdString(truco::CardName(card.card()));
        for (const QString& text : SpokenTexts(&card)) {
          QVERIFY2(!text.contains(face), qPrintable(text));
          QVERIFY2(text.isEmpty() || text == QStringLiteral("Carta virada para baixo"),
                   qPrintable(text));
        }
      }
    QCOMPARE(card.accessibleName(), QStringLiteral("Carta virada para baixo"));
    card.setShowDeck(false);
    QCOMPARE(card.accessibleName(), QStringLiteral("Rei de Copas"));
  }

  void mouseSignals() {
    QWidget table;
    TCard card(&table);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    QSignalSpy clicked(&card, &TCard::clicked);
    QSignalSpy double_clicked(&card, &TCard::doubleClicked);
    QSignalSpy pressed(&card, &TCard::mousePressed);
    QSignalSpy released(&card, &TCard::mouseReleased);
    QSignalSpy moved(&card, &TCard::mouseMoved);

    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(30, 40));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(pressed.count(), 1);
    QCOMPARE(released.count(), 1);
    QVERIFY(!card.hasFocus());

    QTest::mouseClick(&card, Qt::RightButton, {}, QPoint(30, 40));
    QCOMPARE(clicked.count(), 1);

    // Pressed on the card, let go elsewhere: no click.
    QTest::mousePress(&card, Qt::LeftButton, {}, QPoint(30, 40));
    QTest::mouseRelease(&card, Qt::LeftButton, {}, QPoint(150, 40));
    QCOMPARE(clicked.count(), 1);

    QTest::mouseDClick(&card, Qt::LeftButton, {}, QPoint(30, 40));
    QCOMPARE(double_clicked.count(), 1);

    QTest::mouseMove(&card, QPoint(10, 10));
    QTest::mouseMove(&card, QPoint(20, 30));
    QVERIFY(moved.count() >= 1);
  }

  void creatingACardReseeds() {
    CountingRandom random;
    TCard::SetRandomSource(&random);
    {
      TCard a, b, c;
      QCOMPARE(random.reseeds, 3);
      a.setValue(5);  // only creation reseeds
      QCOMPARE(random.reseeds, 3);
    }
    TCard::SetRandomSource(nullptr);
    TCard d;
    QCOMPARE(random.reseeds, 3);
  }

  void missingPictureDrawsAPlaceholder() {
    const QImage missing = TCard::Picture(QStringLiteral("NO_SUCH_CARD"));
    QVERIFY(!missing.isNull());
    QCOMPARE(missing.size(), QSize(71, 96));
    const QImage missing2x = TCard::Picture(QStringLiteral("NO_SUCH_CARD"), 2.0);
    QCOMPARE(missing2x.size(), QSize(142, 192));
    QCOMPARE(missing2x.devicePixelRatio(), 2.0);

    QWidget table;
    TCard card(&table);
    card.setShowDeck(true);
    card.setDeckType(TDecks(kNumDecksPlusOne()));
    const QImage shot = Shot(card);
    QCOMPARE(shot.size(), QSize(71, 96));
    // Visibly not a blank: the red cross crosses the middle.
    bool red = false;
    for (int x = 30; x < 41; ++x) {
      const QColor c = shot.pixelColor(x, 48);
      red |= c.red() > 150 && c.green() < 80 && c.blue() < 80;
    }
    QVERIFY(red);
  }

  // High-DPI screens get the 2x picture, at the same logical size, corners cleared.
  void doubleSizePictures() {
    const QImage image = TCard::Picture(QStringLiteral("D12"), 2.0);
    QCOMPARE(image.size(), QSize(142, 192));
    QCOMPARE(image.devicePixelRatio(), 2.0);
    QCOMPARE(image.deviceIndependentSize().toSize(), QSize(71, 96));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(141, 191)), 0);
    QCOMPARE(image.pixel(4, 0) | 0xff000000u, kBlack);
    QCOMPARE(qAlpha(image.pixel(71, 96)), 255);
  }

 private:
  static int kNumDecksPlusOne() { return truco::kNumDecks + 1; }
};

QTEST_MAIN(TestCard)
#include "test_card.moc"
