// The program and its history: a damaged history is set aside and the player is told so in
// Portuguese; a hand that cannot be written is told once, and the game goes on.

#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include "app/program.h"
#include "tests/store/fsize_limit.h"
#include "tests/ui/modal.h"
#include "ui/formmain.h"
#include "ui/hint_controller.h"

using truco::testing::ModalScript;

namespace {

// Whether SQLite's library is in this process's memory now.
bool SqliteMapped() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libsqlite3");
}

}  // namespace

class TestHistoryProgram : public QObject {
  Q_OBJECT
 private slots:
  void damagedHistoryIsSetAsideAndAFailedWriteIsToldOnce();
  void aHintShownMarksThePlayersNextMove();
  void aFullDiskAtStartKeepsTheHistoryAndSaysSo();
};

void TestHistoryProgram::damagedHistoryIsSetAsideAndAFailedWriteIsToldOnce() {
  QTemporaryDir dir;
  const QString history = dir.filePath(QStringLiteral("historico.sqlite"));
  const QByteArray junk("not a database, and long enough to be read as a header of one....");
  {
    QFile f(history);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(junk);
  }
  ModalScript script;
  script.Ok();  // "Conf.dll" missing
  script.Ok();  // the history set aside
  truco::ProgramPaths paths{dir.filePath("Conf.dll"), dir.filePath("Recordes.qdx"),
                            dir.filePath("Frases.ini")};
  paths.history = history;
  truco::Program program(paths, /*show_splash=*/false);
  QTRY_COMPARE(script.pending(), std::size_t{0});
  const QString told = script.texts().value(1);
  QVERIFY2(told.contains(QStringLiteral("O histórico \"historico.sqlite\" está danificado.")),
           qPrintable(told));
  QVERIFY2(told.contains(QStringLiteral("um histórico novo foi começado")), qPrintable(told));
  // The old file is kept whole under the dated name the box gives.
  QStringList aside = QDir(dir.path()).entryList({QStringLiteral("historico.sqlite.*")});
  aside = aside.filter(QRegularExpression(QStringLiteral("^historico\\.sqlite\\.[0-9-]+$")));
  QCOMPARE(aside.size(), 1);
  QVERIFY(told.contains(aside[0]));
  QFile kept(dir.filePath(aside[0]));
  QVERIFY(kept.open(QIODevice::ReadOnly));
  QCOMPARE(kept.readAll(), junk);
  // Checked at the start, then closed with SQLite until a hand needs it.
  QVERIFY(!program.history().is_open());
  QVERIFY(program.history().keeps_hands());
  QVERIFY(!SqliteMapped());
  // Damaged again while closed: the next opening sets it aside too, says so as at the start,
  // and the hand goes into a fresh history.
  {
    QFile f(history);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(junk);
  }
  script.Ok();
  {
    truco::GameState s = program.game().state();
    program.recorder().OnDeal(s);
    program.recorder().OnPoints(s, truco::Side::Player, 0, truco::PointsReason::HandWon);
  }
  QTRY_COMPARE(script.pending(), std::size_t{0});
  QVERIFY2(script.texts().value(2).contains(QStringLiteral("está danificado")),
           qPrintable(script.texts().value(2)));
  QVERIFY(program.history().is_open());
  QCOMPARE(program.history().Games().size(), std::size_t{1});
  QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("historico.sqlite.*")}).size(), 2);

  // Hands end while no file may grow: one box, however many hands, and each is kept to be
  // written later.
  truco::history::HistoryRecorder& recorder = program.recorder();
  truco::GameState s = program.game().state();
  script.Ok();
  {
    truco::testing::FileSizeLimit limit(1);
    for (int i = 0; i < 5; ++i) {
      recorder.OnDeal(s);
      recorder.OnPoints(s, truco::Side::Player, 0, truco::PointsReason::HandWon);
    }
  }
  QTRY_COMPARE(script.pending(), std::size_t{0});
  QTest::qWait(50);
  QCOMPARE(script.texts().size(), 4);
  QVERIFY2(
      script.texts()[3].startsWith(QStringLiteral("Não foi possível gravar a mão no histórico")),
      qPrintable(script.texts()[3]));
  QCOMPARE(program.history().pending(), std::size_t{5});
  QCOMPARE(script.unexpected(), 0);
}

// "Dica" tells the history what it showed: the player's card that follows it is marked as
// followed, and a later hand's card without a hint is marked as neither.
void TestHistoryProgram::aHintShownMarksThePlayersNextMove() {
  QTemporaryDir dir;
  ModalScript script;
  script.Ok();  // "Conf.dll" missing
  truco::ProgramPaths paths{dir.filePath("Conf.dll"), dir.filePath("Recordes.qdx"),
                            dir.filePath("Frases.ini")};
  paths.history = dir.filePath(QStringLiteral("historico.sqlite"));
  truco::Program program(paths, /*show_splash=*/false);
  QTRY_COMPARE(script.pending(), std::size_t{0});
  QVERIFY(!SqliteMapped());
  // A real deal, so the three cards differ.
  script.Answer("OK", [](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("E_NOME")->setText("ANA");
  });
  program.main_window().BInicioClick();
  QTRY_COMPARE(script.pending(), std::size_t{0});
  truco::history::HistoryRecorder& recorder = program.recorder();
  const truco::GameState& s = program.game().state();
  using truco::history::Hint;
  for (int slot = 0; slot < 3; ++slot) {
    for (const int suggested : {slot, (slot + 1) % 3, -1}) {
      recorder.OnDeal(s);
      if (suggested >= 0) emit program.hints().hintShown(s.hand_counter, 0, suggested, 0.5, "Dica");
      recorder.OnCard(s, truco::Side::Player, static_cast<truco::CardId>(truco::kCartaJ1 + slot),
                      false);
      recorder.OnPoints(s, truco::Side::Player, 0, truco::PointsReason::HandWon);
      const auto games = program.history().Games();
      QVERIFY(!games.empty());
      const auto hands = program.history().Hands(games.front().id);
      QVERIFY(!hands.empty());
      const auto& moves = hands.back().moves;
      QVERIFY(!moves.empty());
      const Hint expected = suggested < 0       ? Hint::None
                            : suggested == slot ? Hint::Followed
                                                : Hint::Ignored;
      QCOMPARE(static_cast<int>(moves.front().hint), static_cast<int>(expected));
    }
  }
  QCOMPARE(script.unexpected(), 0);
}

// No room when the game starts: the sound history is kept as it is, the one box says the hands
// wait in memory (and no write box repeats it), and once there is room they are all written.
void TestHistoryProgram::aFullDiskAtStartKeepsTheHistoryAndSaysSo() {
  QTemporaryDir dir;
  const QString history = dir.filePath(QStringLiteral("historico.sqlite"));
  {
    truco::history::HistoryDb db;
    QCOMPARE(db.Open(history.toStdString(), 0).state, truco::history::OpenState::Created);
    truco::history::GameInfo g;
    truco::history::HandRecord h;
    for (int i = 1; i <= 8; ++i) {
      h.number = i;
      QVERIFY(db.WriteHand(g, h));
    }
  }
  ModalScript script;
  script.Ok();  // "Conf.dll" missing
  script.Ok();  // "Conf.dll" could not be created
  script.Ok();  // the history waits
  truco::ProgramPaths paths{dir.filePath("Conf.dll"), dir.filePath("Recordes.qdx"),
                            dir.filePath("Frases.ini")};
  paths.history = history;
  std::unique_ptr<truco::Program> program;
  truco::history::HistoryRecorder* recorder = nullptr;
  auto play_hand = [&] {
    truco::GameState s = program->game().state();
    recorder->OnDeal(s);
    recorder->OnPoints(s, truco::Side::Player, 0, truco::PointsReason::HandWon);
  };
  {
    truco::testing::FileSizeLimit limit(1);
    program = std::make_unique<truco::Program>(paths, /*show_splash=*/false);
    recorder = &program->recorder();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    for (int i = 0; i < 3; ++i) play_hand();
    QTest::qWait(50);
  }
  QCOMPARE(script.texts().size(), 3);
  const QString told = script.texts()[2];
  QVERIFY2(told.contains(QStringLiteral("O histórico \"historico.sqlite\" não pôde ser aberto "
                                        "agora")),
           qPrintable(told));
  QVERIFY2(told.contains(QStringLiteral("Ele ficou como estava.")), qPrintable(told));
  QVERIFY2(told.contains(QStringLiteral("se o jogo ainda estiver aberto")), qPrintable(told));
  QVERIFY2(!told.contains(QStringLiteral("não serão guardadas")), qPrintable(told));
  QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("historico.sqlite.*")}).size(), 0);
  QCOMPARE(program->history().pending(), std::size_t{3});
  play_hand();
  QCOMPARE(program->history().pending(), std::size_t{0});
  long hands = 0;
  program->history().ForEachHand([&hands](const auto&, const auto&) { ++hands; });
  QCOMPARE(hands, 12L);
  QCOMPARE(script.unexpected(), 0);
}

QTEST_MAIN(TestHistoryProgram)
#include "test_history_program.moc"
