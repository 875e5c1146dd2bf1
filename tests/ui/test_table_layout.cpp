// The table as it is drawn: no text cut by its control, no text laid over another, every
// control a screen reader meets named in Portuguese. Run at 1x and, by the environment
// (QT_SCALE_FACTOR=2), at 2x.
#include <QAbstractButton>
#include <QAccessible>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QGroupBox>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyleOptionGroupBox>
#include <QTest>
#include <QTextBrowser>

#include "engine/game.h"
#include "engine/random.h"
#include "opponent/computer.h"
#include "tests/ui/modal.h"
#include "tests/engine/seeded_random.h"
#include "ui/card.h"
#include "ui/dialogkeys.h"
#include "ui/formduplas.h"
#include "ui/formmain.h"
#include "ui/windowscreen.h"

using truco::testing::ModalScript;

namespace {

struct Table {
  truco::StackedRandom random;
  truco::ComputerJudgement judgement;
  truco::WindowScreen screen;
  truco::Game game{screen, random, judgement};
  truco::TFormMain main{game, screen};

  Table() {
    screen.SetMainWindow(&main);
    main.show();
  }
};

// The rectangle, in the window, that a label's or a button's text takes.
QRect TextRect(QWidget* w, const QWidget* window) {
  const QFontMetrics fm = w->fontMetrics();
  QString text;
  Qt::Alignment align = Qt::AlignCenter;
  QRect box = w->rect();
  if (auto* label = qobject_cast<QLabel*>(w)) {
    text = label->text();
    align = label->alignment();
    box = label->contentsRect();
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    text = button->text();
  }
  const QSize size(fm.horizontalAdvance(text), fm.height());
  const QRect r = QStyle::alignedRect(Qt::LeftToRight, align, size, box);
  return QRect(w->mapTo(window, r.topLeft()), r.size());
}

// Every visible text of the window inside its control, with room for a button's frame, and no
// two texts on top of each other; the score box's texts lie inside its frame, below its title.
void CheckTexts(truco::TFormMain& main) {
  const int visible_width = main.width();
  QList<QPair<QString, QRect>> placed;
  for (QWidget* w : main.findChildren<QWidget*>()) {
    if (!w->isVisibleTo(&main)) continue;
    if (w->mapTo(&main, QPoint(0, 0)).x() >= visible_width) continue;  // the chat column
    QString text;
    int room = w->width();
    if (auto* label = qobject_cast<QLabel*>(w)) {
      text = label->text();
      room = label->contentsRect().width();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      text = button->text();
      room = w->width() - 6;  // the button's frame
    } else {
      continue;
    }
    if (text.isEmpty()) continue;
    const int need = w->fontMetrics().horizontalAdvance(text);
    QVERIFY2(need <= room, qPrintable(QStringLiteral("%1 \"%2\": %3 px of text in %4")
                                          .arg(w->objectName(), text)
                                          .arg(need)
                                          .arg(room)));
    QVERIFY2(w->fontMetrics().height() <= w->height(), qPrintable(w->objectName()));
    const QRect r = TextRect(w, &main);
    for (const auto& [other, rect] : placed) {
      QVERIFY2(!r.intersects(rect),
               qPrintable(QStringLiteral("%1 over %2").arg(w->objectName(), other)));
    }
    placed.append({w->objectName(), r});
  }

  auto* gb = main.findChild<QGroupBox*>(QStringLiteral("GB1"));
  QStyleOptionGroupBox option;
  option.initFrom(gb);
  option.text = gb->title();
  option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
  const QRect title =
      gb->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, gb);
  // The title's blanks around the word are drawn as nothing.
  QVERIFY(gb->fontMetrics().horizontalAdvance(gb->title().trimmed()) <= title.width());
  const QRect frame =
      gb->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxFrame, gb);
  for (QLabel* label : gb->findChildren<QLabel*>()) {
    const QRect r = TextRect(label, gb);
    // The frame's top line runs through the middle of the title.
    QVERIFY2(!r.intersects(title) && r.top() > title.center().y() + 1,
             qPrintable(label->objectName() + QStringLiteral(" crosses the title or frame")));
    QVERIFY2(frame.adjusted(1, 1, -1, -1).contains(r), qPrintable(label->objectName()));
  }
  auto* status = main.findChild<QStatusBar*>(QStringLiteral("StatusBar1"));
  QVERIFY(status->fontMetrics().horizontalAdvance(status->currentMessage()) < status->width() - 8);
}

// The screen's size in device pixels when the offscreen platform reads it from a file
// ("offscreen:configfile=...json"); invalid otherwise.
QSize ConfiguredScreenPixels() {
  const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
  const qsizetype at = platform.indexOf(QLatin1String("configfile="));
  if (at < 0) return {};
  QFile file(platform.mid(at + 11).section(QLatin1Char(':'), 0, 0));
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QJsonObject screen =
      QJsonDocument::fromJson(file.readAll()).object()[QLatin1String("screens")][0].toObject();
  return {screen[QLatin1String("width")].toInt(-1), screen[QLatin1String("height")].toInt(-1)};
}

// The window's frame inside the screen in device pixels too: the screen's size in points is
// rounded up at a scale like 3 (1280 / 3 = 426.7 reads 427).
void CheckDevicePixels(const QWidget& window) {
  const QSize pixels = ConfiguredScreenPixels();
  if (!pixels.isValid()) return;
  const QRect frame = window.frameGeometry();
  const qreal dpr = window.devicePixelRatio();
  QVERIFY2(qRound((frame.right() + 1) * dpr) <= pixels.width() &&
               qRound((frame.bottom() + 1) * dpr) <= pixels.height(),
           qPrintable(QStringLiteral("%1: %2 device pixels wide on a screen of %3")
                          .arg(window.objectName())
                          .arg(qRound((frame.right() + 1) * dpr))
                          .arg(pixels.width())));
}

bool NoModalLeft() {
  return QApplication::activeModalWidget() == nullptr;
}

}  // namespace

class TestTableLayout : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    static QtMessageHandler test_log = nullptr;
    test_log = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
          if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
          test_log(type, context, msg);
        });
    qInfo("scale factor %s",
          qgetenv("QT_SCALE_FACTOR").isEmpty() ? "1" : qgetenv("QT_SCALE_FACTOR").constData());
  }

  // The widest texts each line may take: two-digit points and games, the top stake, a long
  // name, a three-digit balance, the hidden card's armed caption, the status line's longest
  // sentences.
  void noTextIsCutOrOverlaid() {
    Table t;
    QVERIFY(QTest::qWaitForWindowExposed(&t.main));
    CheckTexts(t.main);

    truco::GameState& s = t.game.mutable_state();
    s.computer_points = 11;
    s.player_points = 11;
    s.games_computer = 88;
    s.games_player = 88;
    s.LabelVale = "12";
    s.LabelNome = "MMMMMMMMMMM";
    s.LabelCartasNome = "MMMMMMMMMMM";
    s.BEsconder = {truco::kNaoEsconderCaption, true, true};
    s.BTrucar = {"Trucar", true, true};
    t.main.SetFirstPlace(QStringLiteral("MMMMMMMMMMM"), -100);
    t.main.refresh();
    CheckTexts(t.main);
    t.main.SetFirstPlace(QStringLiteral("ANA"), 12);
    CheckTexts(t.main);

    // A dealt hand at 11 to 11 in the dark: the longest status line.
    s.settings.eleven_mode = 1;
    t.game.Inicio();
    t.main.refresh();
    QVERIFY(t.main.statusText().contains(QStringLiteral("escuro")));
    CheckTexts(t.main);
    QVERIFY(NoModalLeft());
  }

  // Whatever the scale, the table opens inside the screen's free area with its caption, its
  // minimise button and its foot line in sight; what does not fit scrolls.
  void opensInsideTheScreen() {
    Table t;
    QVERIFY(QTest::qWaitForWindowExposed(&t.main));
    const QRect area = t.main.screen()->availableGeometry();
    qInfo("screen %dx%d, window %dx%d", area.width(), area.height(), t.main.width(),
          t.main.height());
    QVERIFY(area.contains(t.main.frameGeometry()));
    CheckDevicePixels(t.main);
    for (const char* name : {"Caption", "BMinimizar", "StatusBar1"}) {
      auto* w = t.main.findChild<QWidget*>(QString::fromLatin1(name));
      QVERIFY(w);
      QVERIFY2(t.main.rect().contains(QRect(w->mapTo(&t.main, QPoint()), w->size())), name);
    }
    // The foot of the table (the exit button) can be scrolled into sight.
    auto* scroller = t.main.findChild<QScrollArea*>(QStringLiteral("MesaRolagem"));
    QVERIFY(scroller);
    auto* sair = t.main.findChild<QWidget*>(QStringLiteral("Bsair"));
    scroller->ensureWidgetVisible(sair);
    const QRect seen(scroller->viewport()->mapTo(&t.main, QPoint()), scroller->viewport()->size());
    QVERIFY(seen.contains(QRect(sair->mapTo(&t.main, QPoint()), sair->size())));
  }

  // The table in pairs, like every window, opens with its whole frame inside the screen's free
  // area (not a device pixel over at 3x on 1280 pixels); its foot line stays in sight below the
  // part that scrolls, and every control of the table can be scrolled into sight.
  void pairsWindowOpensInsideTheScreen() {
    truco::KeepWindowsOnScreen();  // as the program's main window does
    truco::testing::SeededDeals random(2026);
    truco::TFormDuplas w(random, false);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect area = w.screen()->availableGeometry();
    qInfo("screen %dx%d, pairs window %dx%d", area.width(), area.height(), w.width(), w.height());
    QVERIFY(area.contains(w.frameGeometry()));
    CheckDevicePixels(w);
    auto* status = w.findChild<QStatusBar*>();
    QVERIFY(status);
    const QRect foot(status->mapTo(&w, QPoint()), status->size());
    QVERIFY2(w.rect().contains(foot), "the foot line is out of sight");
    QCOMPARE(foot.bottom(), w.rect().bottom());
    if (auto* scroller = w.findChild<QScrollArea*>()) {
      const QRect seen(scroller->viewport()->mapTo(&w, QPoint()), scroller->viewport()->size());
      QVERIFY2(!seen.intersects(foot), "the foot line scrolls with the table");
      for (auto* button : w.findChildren<QAbstractButton*>()) {
        if (!button->isVisibleTo(&w)) continue;
        scroller->ensureWidgetVisible(button, 0, 0);
        const QRect at(button->mapTo(&w, QPoint()), button->size());
        QVERIFY2(seen.intersects(at), qPrintable(button->text()));
      }
    }
  }

  // Each control a screen reader meets says what it is, in Portuguese; a face-down card never
  // tells its face.
  void everyControlHasAPortugueseName() {
    Table t;
    t.game.Inicio();
    t.main.refresh();
    for (QWidget* w : t.main.findChildren<QWidget*>()) {
      if (!w->isVisibleTo(&t.main)) continue;
      const bool control = w->focusPolicy() != Qt::NoFocus || qobject_cast<QLabel*>(w) ||
                           qobject_cast<QAbstractButton*>(w) || qobject_cast<truco::TCard*>(w) ||
                           qobject_cast<QTextBrowser*>(w) || qobject_cast<QStatusBar*>(w) ||
                           qobject_cast<QGroupBox*>(w);
      if (!control) continue;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
      QVERIFY(iface);
      const QString name = iface->text(QAccessible::Name);
      QVERIFY2(!name.trimmed().isEmpty(), qPrintable(w->objectName()));
      for (const char* english : {"Undo", "Cut", "Copy", "Paste", "Close", "Cancel", "Card"}) {
        QVERIFY2(!name.contains(QLatin1String(english)), qPrintable(w->objectName()));
      }
    }
    for (int id = 0; id < truco::kNumTableCards; ++id) {
      truco::TCard* card = t.main.card(static_cast<truco::CardId>(id));
      const QString name = QAccessible::queryAccessibleInterface(card)->text(QAccessible::Name);
      if (card->showDeck()) {
        QCOMPARE(name, QStringLiteral("Carta virada para baixo"));
      } else {
        QVERIFY(name != QStringLiteral("Carta virada para baixo"));
      }
    }
  }
};

QTEST_MAIN(TestTableLayout)
#include "test_table_layout.moc"
