// "Histórico" replays recorded hands with the table's card controls: stepped by the arrow keys,
// every trick shows the cards the game put on the table, and each seat holds what it was dealt.
// "Estatísticas" shows a table beside every chart with the numbers of the chart.

#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QAccessible>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <sqlite3.h>

#include "engine/game.h"
#include "opponent/computer.h"
#include "store/history.h"
#include "store/history_recorder.h"
#include "store/history_stats.h"
#include "tests/engine/random_player.h"
#include "tests/engine/seeded_random.h"
#include "tests/ui/accessible_tree.h"
#include "ui/formhistory.h"
#include "ui/history_charts.h"

namespace truco {

using namespace history;

namespace {

// The cards on the table after each trick, as the game had them, for every deal.
class TableSnapshots : public GameObserver {
 public:
  struct Deal {
    std::array<std::uint8_t, 6> dealt{};
    // trick -> (player's card, shown face down; computer's card)
    std::map<int, std::pair<std::pair<std::uint8_t, bool>, std::uint8_t>> tricks;
  };
  std::vector<Deal> deals;

  void OnDeal(const GameState& s) override {
    Deal d;
    for (std::size_t i = 0; i < 6; ++i) d.dealt[i] = CardCode(s.cards[i].card);
    deals.push_back(d);
  }
  void OnTrick(const GameState& s, int trick) override {
    std::pair<std::uint8_t, bool> mine{};
    std::uint8_t theirs = 0;
    for (std::size_t id = 0; id < 6; ++id) {
      const TableCard& c = s.cards[id];
      if (c.top != kTrickTops[static_cast<std::size_t>(trick)]) continue;
      if (id < 3 && c.left == kTrickPlayerLeft) mine = {CardCode(c.card), c.face_down};
      if (id >= 3 && c.left == kTrickComputerLeft) theirs = CardCode(c.card);
    }
    deals.back().tricks[trick] = {mine, theirs};
  }
};

}  // namespace

class TestHistoryWindows : public QObject {
  Q_OBJECT
 private slots:
  void replayShowsTheCardsOfTheGame();
  void barChartsCountInWholeStepsAndShowWholeNames();
  void aBusyHistoryIsToldNotShownEmpty();
};

void TestHistoryWindows::replayShowsTheCardsOfTheGame() {
  const char* env = std::getenv("TRUCO_TEST_SEED");
  const auto seed = env ? std::strtoull(env, nullptr, 10) : std::random_device{}();
  qInfo("TRUCO_TEST_SEED=%llu", static_cast<unsigned long long>(seed));
  QTemporaryDir folder;
  HistoryDb db;
  QCOMPARE(db.Open(folder.filePath(QStringLiteral("h.sqlite")).toStdString(), 0).state,
           OpenState::Created);
  HistoryRecorder recorder(db);
  TableSnapshots snapshots;
  recorder.set_next(&snapshots);
  testing::SeededDeals chance(seed);  // reseeded at every deal: from the seed, not the clock
  ClockRandom player;
  player.Seed(seed * 7 + 1);
  testing::RandomScreen screen(player);
  ComputerJudgement judgement;
  Game game(screen, chance, judgement);
  game.set_observer(&recorder);
  game.BInicioClick();
  while (recorder.hands_written() < 150) testing::RandomEvent(game, player, true, false);

  std::map<std::array<std::uint8_t, 6>, const TableSnapshots::Deal*> by_cards;
  for (const auto& d : snapshots.deals) by_cards[d.dealt] = &d;

  TFormHistorico window(db);
  window.show();
  window.Reload();
  QVERIFY(window.games()->rowCount() > 0);
  int tricks_checked = 0;
  for (int g = 0; g < window.games()->rowCount(); ++g) {
    window.games()->setCurrentCell(g, 0);
    const std::vector<GameInfo> games = db.Games();
    const std::vector<HandRecord> hands = db.Hands(games[static_cast<std::size_t>(g)].id);
    QCOMPARE(window.hands()->count(), static_cast<int>(hands.size()));
    for (int h = 0; h < window.hands()->count(); ++h) {
      window.hands()->setCurrentRow(h);
      const HandRecord& hand = hands[static_cast<std::size_t>(h)];
      std::array<std::uint8_t, 6> dealt{};
      for (std::size_t i = 0; i < 3; ++i) {
        dealt[i] = hand.player_cards[i];
        dealt[i + 3] = hand.opponent_cards[i];
      }
      const auto found = by_cards.find(dealt);
      QVERIFY(found != by_cards.end());
      const TableSnapshots::Deal& deal = *found->second;
      const auto& cards = window.cards();
      // As dealt: each seat holds its three cards.
      QCOMPARE(window.step(), std::size_t{0});
      for (std::size_t i = 0; i < 6; ++i) {
        QVERIFY(cards[i]->isVisibleTo(&window));
        QCOMPARE(CardCode(cards[i]->card()), dealt[i]);
      }
      for (std::size_t step = 1; step <= hand.moves.size(); ++step) {
        QTest::keyClick(window.hands(), Qt::Key_Right);
        QCOMPARE(window.step(), step);
        // A screen reader hears the move shown, not only a caption.
        const QString move = QStringLiteral("Lance %1 de %2. ").arg(step).arg(hand.moves.size());
        int heard = 0;
        for (QLabel* l : window.findChildren<QLabel*>()) {
          const QString name = QAccessible::queryAccessibleInterface(l)->text(QAccessible::Name);
          heard += name.startsWith(move) && name == l->text() && name.size() > move.size();
        }
        QCOMPARE(heard, 1);
        const Move& m = hand.moves[step - 1];
        if (m.kind != MoveKind::Trick) continue;
        const int trick = m.value / 4;
        const auto& [mine, theirs] = deal.tricks.at(trick);
        const std::size_t place = 7 + static_cast<std::size_t>(trick - 1) * 2;
        QCOMPARE(CardCode(cards[place]->card()), mine.first);
        QCOMPARE(cards[place]->showDeck(), mine.second);
        QCOMPARE(CardCode(cards[place + 1]->card()), theirs);
        QVERIFY(!cards[place + 1]->showDeck());
        ++tricks_checked;
      }
      // Back to the deal by the left arrow.
      for (std::size_t step = hand.moves.size(); step > 0; --step) {
        QTest::keyClick(window.games(), Qt::Key_Left);
      }
      QCOMPARE(window.step(), std::size_t{0});
      for (std::size_t i = 7; i < 13; ++i) QVERIFY(!cards[i]->isVisibleTo(&window));
    }
  }
  QVERIFY(tricks_checked > 100);

  // Estatísticas: five charts, each with its table; the points table adds up to the hands won.
  // The charts' module is loaded by the first chart, and each page holds a real chart from it.
  QVERIFY(!charts::ModuleLoaded());
  TFormEstatisticas stats(db);
  stats.Reload();
  QCOMPARE(stats.charts()->count(), 5);
  QVERIFY(charts::ModuleLoaded());
  for (int page = 0; page < stats.charts()->count(); ++page) {
    int views = 0;
    for (const QWidget* w : stats.charts()->widget(page)->findChildren<QWidget*>())
      views += w->inherits("QChartView");
    QCOMPARE(views, 1);
  }
  // Each chart's description says the numbers of the table beside it.
  for (int page = 0; page < stats.charts()->count(); ++page) {
    auto* table = stats.charts()->widget(page)->findChild<QTableWidget*>();
    QWidget* view = nullptr;
    for (QWidget* w : stats.charts()->widget(page)->findChildren<QWidget*>())
      if (w->inherits("QChartView")) view = w;
    QVERIFY(table && view);
    const QString said =
        QAccessible::queryAccessibleInterface(view)->text(QAccessible::Description);
    QVERIFY2(said.startsWith(QStringLiteral("Os números estão na tabela ao lado")),
             qPrintable(said));
    for (int r = 0; r < table->rowCount(); ++r)
      for (int c = 0; c < table->columnCount(); ++c)
        if (table->item(r, c)) QVERIFY2(said.contains(table->item(r, c)->text()), qPrintable(said));
  }
  // Both windows as a screen reader finds them: every control named, none alike.
  stats.show();
  for (QWidget* w : {static_cast<QWidget*>(&window), static_cast<QWidget*>(&stats)}) {
    const QStringList faults = test::AccessibilityFaults(w);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
  }
  auto* points = stats.charts()->widget(1)->findChild<QTableWidget*>();
  QVERIFY(points);
  int won = 0;
  for (int r = 0; r < points->rowCount(); ++r) won += points->item(r, 1)->text().toInt();
  int expected = 0;
  db.ForEachHand([&](const GameInfo&, const HandRecord& h) { expected += h.winner == 0; });
  QCOMPARE(won, expected);
}

// Every count from none to a few thousand: the value axis reads whole numbers in equal steps from
// 0, none twice, up to at least the count; the longest names of "Estatísticas" stand uncut under
// their bars at the chart's smallest width.
void TestHistoryWindows::barChartsCountInWholeStepsAndShowWholeNames() {
  const QStringList names = {QStringLiteral("Aceito e ganho"), QStringLiteral("Aceito e perdido"),
                             QStringLiteral("O outro correu")};
  std::vector<int> tops;
  for (int top = 0; top <= 30; ++top) tops.push_back(top);
  for (int top : {49, 51, 99, 101, 250, 999, 1001, 4321}) tops.push_back(top);
  for (int top : tops) {
    std::unique_ptr<QWidget> view(
        charts::MakeBarChart({QStringLiteral("Truco pedido por você"), names,
                              {{QStringLiteral("Pedidos"), {top, top / 2, 0}}}}));
    auto* graphics = qobject_cast<QGraphicsView*>(view.get());
    QVERIFY(graphics);
    view->resize(view->minimumSizeHint().expandedTo(view->minimumSize()));
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QCoreApplication::processEvents();
    std::vector<int> counts;
    QStringList shown;
    for (QGraphicsItem* item : graphics->scene()->items()) {
      auto* text = dynamic_cast<QGraphicsTextItem*>(item);
      if (!text || !text->isVisible()) continue;
      const QString label = text->toPlainText();
      bool number = false;
      const int n = label.toInt(&number);
      if (number) counts.push_back(n);
      shown << label;
    }
    std::sort(counts.begin(), counts.end());
    QVERIFY2(counts.size() >= 2, qPrintable(shown.join(QLatin1Char('|'))));
    QCOMPARE(counts.front(), 0);
    QVERIFY2(counts.back() >= top, qPrintable(QString::number(top)));
    const int step = counts[1] - counts[0];
    QVERIFY2(step > 0, qPrintable(shown.join(QLatin1Char('|'))));
    for (std::size_t i = 1; i < counts.size(); ++i) QCOMPARE(counts[i] - counts[i - 1], step);
    for (const QString& name : names)
      QVERIFY2(shown.contains(name), qPrintable(name + QStringLiteral(" cut: ") +
                                                shown.join(QLatin1Char('|'))));
  }
}

// A history another program holds shut reads as nothing: both windows say why and how many of
// this run's hands wait, never "no hand yet"; once it is free they read it again.
void TestHistoryWindows::aBusyHistoryIsToldNotShownEmpty() {
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("historico.sqlite")).toStdString();
  HistoryDb db;
  GameInfo game;
  game.started = 1'800'000'000;
  game.level = "Mestre";
  HandRecord hand;
  hand.number = 1;
  hand.winner = 0;
  hand.player_points = 1;
  {
    HistoryDb first;
    QCOMPARE(first.Open(path, game.started).state, OpenState::Created);
  }
  sqlite3* other = nullptr;
  QCOMPARE(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  QCOMPARE(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; COMMIT;", nullptr,
                        nullptr, nullptr),
           SQLITE_OK);
  QCOMPARE(db.Open(path, game.started).state, OpenState::Waiting);
  QVERIFY(!db.WriteHand(game, hand));
  hand.number = 2;
  QVERIFY(!db.WriteHand(game, hand));

  TFormEstatisticas stats(db);
  TFormHistorico replay(db);
  for (int round = 0; round < 2; ++round) {
    stats.Reload();
    replay.Reload();
    const bool busy = round == 0;
    for (QLabel* notice : {stats.unreadable(), replay.unreadable()}) {
      QCOMPARE(!notice->isHidden(), busy);
      if (busy) QVERIFY2(notice->text().contains(QStringLiteral("2 mãos")), qPrintable(notice->text()));
    }
    const QLabel* empty = nullptr;
    for (QLabel* label : stats.findChildren<QLabel*>()) {
      if (label->text().startsWith(QStringLiteral("Nenhuma mão"))) empty = label;
    }
    QVERIFY(empty && empty->text().startsWith(QStringLiteral("Nenhuma mão")));
    QVERIFY(empty->isHidden());
    if (busy) {
      sqlite3_close(other);
      QVERIFY(db.OpenAgain());
      // The hands that waited go in with the next one written.
      hand.number = 3;
      QVERIFY(db.WriteHand(game, hand));
    } else {
      QCOMPARE(replay.games()->rowCount(), 1);
      QCOMPARE(stats.stats().hands, 3);
    }
  }
}

}  // namespace truco

QTEST_MAIN(truco::TestHistoryWindows)
#include "test_history_windows.moc"
