// "Nível do computador": read at start from its own file, shown in the score box's hint, chosen
// in the settings window and kept for the next run, with "Conf.dll" left at its 8 bytes.
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

#include "app/program.h"
#include "store/settings_file.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formconfig.h"
#include "ui/formmain.h"
#include "ui/hint_controller.h"

using truco::testing::FileBytes;
using truco::testing::ModalScript;
using truco::testing::PutFile;

class TestLevel : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QByteArray kConf = QByteArray::fromHex("313131000F0000FF");
  QString LevelPath() const { return dir_.filePath("config/Truco/nivel.conf"); }
  truco::ProgramPaths Paths(const QString& mestre_data = {}) const {
    return {dir_.filePath("Conf.dll"),
            dir_.filePath("Recordes.qdx"),
            dir_.filePath("Frases.ini"),
            QString(),
            LevelPath(),
            mestre_data};
  }
  static QString Hint(truco::Program& program) {
    return program.main_window().findChild<QGroupBox*>("GB1")->toolTip();
  }

 private slots:
  void init() {
    QFile::remove(LevelPath());
    PutFile(dir_.filePath("Conf.dll"), kConf);
  }

  void noFileIsClassico() {
    truco::Program program(Paths(), /*show_splash=*/false);
    QCOMPARE(program.level(), truco::ComputerLevel::Classico);
    QCOMPARE(Hint(program), QString("Nível do computador: Clássico"));
    QVERIFY(program.config().findChild<QRadioButton*>("RadioClassico")->isChecked());
    QVERIFY(!QFile::exists(LevelPath()));  // nothing written until the player chooses
  }

  void storedForteIsInForceAndShown() {
    QVERIFY(QDir().mkpath(QFileInfo(LevelPath()).absolutePath()));
    PutFile(LevelPath(), "nivel=forte\n");
    truco::Program program(Paths(), false);
    QCOMPARE(program.level(), truco::ComputerLevel::Forte);
    QCOMPARE(Hint(program), QString("Nível do computador: Forte"));
    QVERIFY(program.config().findChild<QRadioButton*>("RadioForte")->isChecked());
  }

  void mestreWithoutItsDataSaysWhyAndFortePlays() {
    QVERIFY(QDir().mkpath(QFileInfo(LevelPath()).absolutePath()));
    PutFile(LevelPath(), "nivel=mestre\n");
    const QString data = dir_.filePath("mestre.dat");
    for (const QByteArray& bytes : {QByteArray(), QByteArray("MESTRE1\n\x01", 9)}) {
      QFile::remove(data);
      if (!bytes.isEmpty()) PutFile(data, bytes);
      ModalScript script;
      script.Ok();
      truco::Program program(Paths(data), false);
      QCOMPARE(script.unexpected(), 0);
      QCOMPARE(script.texts().size(), 1);
      const QString why = bytes.isEmpty() ? "não foi encontrado" : "está incompleto (cortado)";
      QCOMPARE(script.texts().at(0), "O arquivo de dados do nível Mestre (" +
                                         QDir::toNativeSeparators(data) + ") " + why +
                                         ". O computador joga no nível Forte.");
      QCOMPARE(program.level(), truco::ComputerLevel::Mestre);
      QCOMPARE(Hint(program), QString("Nível do computador: Forte"));
      QVERIFY(program.config().findChild<QRadioButton*>("RadioMestre")->isChecked());
      // No hint without the data.
      program.hints().BDicaClick();
      QVERIFY(!program.hints().shown());
      QVERIFY(program.main_window().hintButton()->isHidden());
    }
  }

  void mestreWithItsDataPlaysAndHints() {
    QVERIFY(QDir().mkpath(QFileInfo(LevelPath()).absolutePath()));
    PutFile(LevelPath(), "nivel=mestre\n");
    ModalScript script;
    truco::Program program(Paths(QStringLiteral(TRUCO_MESTRE_DATA)), false);
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(Hint(program), QString("Nível do computador: Mestre"));
    QVERIFY(program.main_window().hintButton()->isHidden());  // nothing dealt yet
    script.Answer("OK", [](QWidget* dialog) {                 // the game-kind dialog
      dialog->findChild<QLineEdit*>("E_NOME")->setText("ANA");
    });
    program.main_window().BInicioClick();
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(program.game().deals(), std::uint64_t{1});
    QVERIFY(!program.main_window().hintButton()->isHidden());
    int shown = 0;
    QObject::connect(&program.hints(), &truco::HintController::hintShown,
                     [&](int, int, int, double chance, const QString& text) {
                       ++shown;
                       QVERIFY(chance >= 0 && chance <= 1);
                       QVERIFY(text.startsWith("Dica: "));
                     });
    const truco::GameState& s = program.game().state();
    if (s.turn == 'L' || s.turn == 'J') {
      program.main_window().hintButton()->click();
      QCOMPARE(shown, 1);
      program.Show();
      QVERIFY(QTest::qWaitForWindowActive(&program.main_window()));
      QTest::keyClick(&program.main_window(), Qt::Key_D);
      QCOMPARE(shown, 2);
      QVERIFY(
          program.main_window().findChild<QStatusBar*>()->currentMessage().startsWith("Dica: "));
    }
  }

  void garbageIsClassico() {
    QVERIFY(QDir().mkpath(QFileInfo(LevelPath()).absolutePath()));
    PutFile(LevelPath(), QByteArray("\x00\xffnivel=forte", 13));
    truco::Program program(Paths(), false);
    QCOMPARE(program.level(), truco::ComputerLevel::Classico);
  }

  // A level that cannot be kept (its folder cannot be made: a file is in the way, which stops
  // root too) is told, and stays in force for this run.
  void aLevelThatCannotBeSavedIsTold() {
    const QString blocker = dir_.filePath("config");
    QDir(blocker).removeRecursively();
    PutFile(blocker, "not a folder");
    truco::Program program(Paths(), false);
    ModalScript script;
    script.Answer("Gravar e Fechar",
                  [](QWidget* window) { window->findChild<QRadioButton*>("RadioForte")->click(); });
    script.Ok();
    emit program.main_window().settingsRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.unexpected(), 0);
    const QString said = script.texts().last();
    QVERIFY2(said.contains("Não foi possível gravar o arquivo \"nivel.conf\"") &&
                 said.contains("vale só até o programa ser fechado"),
             qPrintable(said));
    QCOMPARE(program.level(), truco::ComputerLevel::Forte);
    QFile::remove(blocker);
  }

  void choosingForteInTheSettingsWindowKeepsItAndLeavesConfDllAlone() {
    {
      truco::Program program(Paths(), false);
      ModalScript script;
      script.Answer("Gravar e Fechar", [](QWidget* window) {
        QVERIFY(window->findChild<QRadioButton*>("RadioClassico")->isChecked());
        window->findChild<QRadioButton*>("RadioForte")->click();
      });
      emit program.main_window().settingsRequested();
      QCOMPARE(script.pending(), std::size_t{0});
      QCOMPARE(script.unexpected(), 0);
      QCOMPARE(program.level(), truco::ComputerLevel::Forte);
      QCOMPARE(Hint(program), QString("Nível do computador: Forte"));
      QCOMPARE(FileBytes(LevelPath()), QByteArray("nivel=forte\n"));
      QCOMPARE(FileBytes(dir_.filePath("Conf.dll")), kConf);
    }
    // The next run starts on "Forte".
    truco::Program again(Paths(), false);
    QCOMPARE(again.level(), truco::ComputerLevel::Forte);
  }
};

QTEST_MAIN(TestLevel)
#include "test_level.moc"
