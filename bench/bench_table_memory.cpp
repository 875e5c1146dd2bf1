// The whole program at start (BM_ProgramAtADealtTable): every window the program makes at start,
// a hand dealt against the computer; counters rss_kb (resident memory then), start_ms (making
// the program until the table is shown), and charts_mapped, print_mapped and sqlite_mapped (1 when
// Qt Charts, Qt Print Support or SQLite was mapped before any statistics, print or finished hand
// needed it; each must be 0). It runs first, in a fresh process.
// The real table over many hands: the main window with its message boxes, the truco dialog and
// the game-kind dialog, offscreen, every box answered as it opens. Reports the resident memory
// after 10, 100, 500 and 1,000 hands (counters rss_*_kb; growth_kb is 1,000 against 10); the growth
// must stay under 2 MB. Run: ./build/bench/bench_table_memory (offscreen unless QT_QPA_PLATFORM
// says otherwise), or under a window manager:
//   QT_QPA_PLATFORM=xcb DISPLAY=:NN TRUCO_SOAK_ANSWER_MS=20 ./build/bench/bench_table_memory
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdint>

#include "app/program.h"

#include "engine/game.h"
#include "engine/random.h"
#include "opponent/computer.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
#include "ui/windowscreen.h"

namespace truco {
namespace {

long ResidentKb() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  }
  return -1;
}

// Answers each modal window on the next pass of its event loop, as a quick player would: a
// message box with its default button (OK, or Yes to play a hand of eleven), the truco dialog
// with "Aceitar", the game-kind dialog with a name and OK.
class AutoAnswer : public QObject {
 public:
  explicit AutoAnswer(QWidget* table) : table_(table) {}
  // How often the table became the active window again (each box closing hands it back).
  int activations = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == table_ && event->type() == QEvent::WindowActivate) ++activations;
    auto* window = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::Show && window && window->isWindow() && window->isModal()) {
      QPointer<QWidget> guard(window);
      // Under a window manager a delay (TRUCO_SOAK_ANSWER_MS) lets each box be activated as
      // a player's would be, and the table activated again after it.
      QTimer::singleShot(qEnvironmentVariableIntValue("TRUCO_SOAK_ANSWER_MS"), this, [guard] {
        if (!guard || !guard->isVisible()) return;
        if (auto* box = qobject_cast<QMessageBox*>(guard.data())) {
          box->defaultButton()->click();
        } else if (auto* accept = guard->findChild<QAbstractButton*>(QStringLiteral("B_ACEITA"))) {
          accept->click();
        } else if (auto* name = guard->findChild<QLineEdit*>(QStringLiteral("E_NOME"))) {
          name->setText(QStringLiteral("SOAK"));
          guard->findChild<QAbstractButton*>(QStringLiteral("BOK"))->click();
        } else {
          guard->close();
        }
      });
    }
    return false;
  }

 private:
  QWidget* table_;
};

// Libraries mapped by this process whose path holds `part`.
int MappedLibraries(const QByteArray& part) {
  QFile maps(QStringLiteral("/proc/self/maps"));
  if (!maps.open(QIODevice::ReadOnly)) return -1;
  QSet<QByteArray> paths;
  for (const QByteArray& line : maps.readAll().split('\n')) {
    const qsizetype slash = line.indexOf('/');
    if (slash >= 0 && line.indexOf(part, slash) >= 0) paths.insert(line.mid(slash));
  }
  return static_cast<int>(paths.size());
}

void BM_ProgramAtADealtTable(benchmark::State& bench) {
  QTemporaryDir dir;
  long rss = 0;
  double start_ms = 0;
  int charts = 0;
  int print = 0;
  int sqlite = 0;
  for (auto _ : bench) {
    // The boxes of a first start (no settings, no records) are answered too.
    AutoAnswer answers(nullptr);
    qApp->installEventFilter(&answers);
    const auto t0 = std::chrono::steady_clock::now();
    ProgramPaths paths{dir.filePath(QStringLiteral("Conf.dll")),
                       dir.filePath(QStringLiteral("Recordes.qdx")),
                       dir.filePath(QStringLiteral("Frases.ini"))};
    paths.mestre_data = QStringLiteral(TRUCO_BENCH_MESTRE_DATA);
    paths.history = dir.filePath(QStringLiteral("historico.sqlite"));
    Program program(paths, /*show_splash=*/false);
    program.Show();
    QCoreApplication::processEvents();
    start_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    program.main_window().BInicioClick();
    QCoreApplication::processEvents();
    rss = ResidentKb();
    charts = MappedLibraries("Charts");
    print = MappedLibraries("PrintSupport");
    sqlite = MappedLibraries("libsqlite3");
    qApp->removeEventFilter(&answers);
    program.main_window().hide();
  }
  bench.counters["rss_kb"] = static_cast<double>(rss);
  bench.counters["start_ms"] = start_ms;
  bench.counters["charts_mapped"] = charts;
  bench.counters["print_mapped"] = print;
  bench.counters["sqlite_mapped"] = sqlite;
}

BENCHMARK(BM_ProgramAtADealtTable)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TableMemoryOverAThousandHands(benchmark::State& bench) {
  ClockRandom random;
  random.Seed(20261207);
  ComputerJudgement judgement;
  WindowScreen screen;
  Game game(screen, random, judgement);
  TFormMain main(game, screen);
  TFormTruco truco_dialog;
  TF_ESCOLHA escolha;
  screen.SetMainWindow(&main);
  screen.SetTrucoDialog(&truco_dialog);
  screen.SetEscolhaDialog(&escolha);
  main.SetAnimated(true);
  AutoAnswer answers(&main);
  qApp->installEventFilter(&answers);
  main.show();
  QCoreApplication::processEvents();

  long rss_10 = 0;
  long rss_100 = 0;
  long rss_500 = 0;
  long rss_1000 = 0;
  for (auto _ : bench) {
    main.BInicioClick();
    while (game.deals() < 1010) {
      const std::uint64_t hand = game.deals();
      // Every third hand the player calls truco first.
      if (hand % 3 == 0) main.BTrucarClick();
      // Then the first card in hand, until the next deal.
      for (int guard = 0; guard < 6 && game.deals() == hand; ++guard) {
        for (int i = 0; i < 3; ++i) {
          if (game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) {
            main.CartaJClick(i);
            break;
          }
        }
        QCoreApplication::processEvents();
      }
      if (game.deals() == hand) main.BCorrerClick();  // a hand that cannot go on is given up
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
      if (rss_10 == 0 && game.deals() > 10) rss_10 = ResidentKb();
      if (rss_100 == 0 && game.deals() > 100) rss_100 = ResidentKb();
      if (rss_500 == 0 && game.deals() > 500) rss_500 = ResidentKb();
    }
    rss_1000 = ResidentKb();
  }
  qApp->removeEventFilter(&answers);
  bench.counters["rss_10_kb"] = static_cast<double>(rss_10);
  bench.counters["rss_100_kb"] = static_cast<double>(rss_100);
  bench.counters["rss_500_kb"] = static_cast<double>(rss_500);
  bench.counters["rss_1000_kb"] = static_cast<double>(rss_1000);
  bench.counters["growth_kb"] = static_cast<double>(rss_1000 - rss_10);
  bench.counters["activations"] = answers.activations;
  main.hide();
}

BENCHMARK(BM_TableMemoryOverAThousandHands)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace truco

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
