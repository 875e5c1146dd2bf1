// "Nível do computador": read at start from its own file, shown in the score box's hint, chosen
// in the settings window and kept for the next run, with "Conf.dll" left at its 8 bytes.
#include <QGroupBox>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/program.h"
#include "store/settings_file.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formconfig.h"
#include "ui/formmain.h"

using truco::testing::FileBytes;
using truco::testing::ModalScript;
using truco::testing::PutFile;

class TestLevel : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;
  const QByteArray kConf = QByteArray::fromHex("313131000F0000FF");
  QString LevelPath() const { return dir_.filePath("config/Truco/nivel.conf"); }
  truco::ProgramPaths Paths() const {
    return {dir_.filePath("Conf.dll"), dir_.filePath("Recordes.qdx"), dir_.filePath("Frases.ini"),
            QString(), LevelPath()};
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
