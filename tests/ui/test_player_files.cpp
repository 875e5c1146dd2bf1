// The player's files through the whole program: files that cannot be read, odd files, oversized
// and damaged files, a read-only folder. No file is lost and every box says what happened, in
// Portuguese. Runs as nobody when started by root, so permissions bind.
#include <sys/stat.h>

#include <QAbstractButton>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include "app/program.h"
#include "store/records_file.h"
#include "store/settings_file.h"
#include "tests/store/as_player.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formconfig.h"
#include "ui/formfrases.h"
#include "ui/formmain.h"
#include "ui/formrecordes.h"

using truco::testing::FileBytes;
using truco::testing::ModalScript;
using truco::testing::PutFile;

namespace {

const QByteArray kMySettings = QByteArray::fromHex("3232310700800000");  // velha, escuro, navy

QByteArray SixPlayers() {
  truco::RecordsTable table{};
  const char* names[] = {"ANA", "BIA", "CAIO", "DANI", "EDU", "FABI"};
  for (int i = 0; i < 6; ++i) table[i] = truco::MakeRecordsEntry(names[i], 10 - i, 1, 9 - i);
  return truco::EncodeRecordsFile(table);
}

// Words of the system's English error texts that must never reach a box.
bool HasToolkitEnglish(const QString& text) {
  for (const char* word : {"denied", "No space", "directory", "No such", "Permission",
                           "file to open", "Input/output", "Read-only"})
    if (text.contains(QLatin1String(word), Qt::CaseInsensitive)) return true;
  return false;
}

}  // namespace

class TestPlayerFiles : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> dir_;
  QString Path(const char* name) const { return dir_->filePath(name); }
  truco::ProgramPaths Paths() const {
    return {Path("Conf.dll"), Path("Recordes.qdx"), Path("Frases.ini")};
  }

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
  }
  void cleanup() {
    // Whatever a case did to the folder, it can be removed.
    ::chmod(QFile::encodeName(dir_->path()), 0700);
    for (const char* name : {"Conf.dll", "Recordes.qdx", "Frases.ini"})
      ::chmod(QFile::encodeName(Path(name)), 0600);
    dir_.reset();
    QVERIFY(!QApplication::activeModalWidget());
  }

  // Mode 0200: the settings are the defaults for this run, the file stays, and a save of the
  // settings window does not replace it either.
  void unreadableSettingsAreKeptAtStartAndOnSave() {
    if (!truco::testing::PermissionsApply()) QSKIP("running as root: mode 0200 reads fine");
    PutFile(Path("Conf.dll"), kMySettings);
    PutFile(Path("Recordes.qdx"), SixPlayers());
    QVERIFY(truco::testing::SetMode(Path("Conf.dll"), 0200));
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    QCOMPARE(script.texts().size(), 1);
    const QString said = script.texts().value(0);
    QVERIFY2(said.contains("Não foi possível ler o arquivo \"Conf.dll\": sem permissão de leitura"),
             qPrintable(said));
    QVERIFY2(!said.contains("não encontrado"), qPrintable(said));
    QCOMPARE(program.game().state().settings.manilha_mode, truco::ManilhaMode::Nova);

    script.Answer("Gravar e Fechar", [](QWidget* window) {
      window->findChild<QRadioButton*>("Radio11Escuro")->click();
    });
    script.Ok();
    emit program.main_window().settingsRequested();
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.texts().size(), 3);
    QVERIFY2(script.texts()[2].contains("sem permissão de leitura"), qPrintable(script.texts()[2]));
    for (const QString& text : script.texts()) QVERIFY2(!HasToolkitEnglish(text), qPrintable(text));
    QVERIFY(truco::testing::SetMode(Path("Conf.dll"), 0600));
    QCOMPARE(FileBytes(Path("Conf.dll")), kMySettings);
  }

  // Six players' rows behind mode 0200: neither opening "Recordes" nor a result replaces them.
  void unreadableRecordsAreNeverReplaced() {
    if (!truco::testing::PermissionsApply()) QSKIP("running as root: mode 0200 reads fine");
    PutFile(Path("Conf.dll"), kMySettings);
    PutFile(Path("Recordes.qdx"), SixPlayers());
    QVERIFY(truco::testing::SetMode(Path("Recordes.qdx"), 0200));
    ModalScript script;
    truco::Program program(Paths(), false);
    script.Answer("Fechar").Ok();
    emit program.main_window().recordsRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    script.Ok();
    program.screen().SubmitRecord("NOVO", 30, 0, 30);
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.unexpected(), 0);
    bool told = false;
    for (const QString& text : script.texts()) {
      QVERIFY2(!HasToolkitEnglish(text), qPrintable(text));
      told = told || text.contains("\"Recordes.qdx\": sem permissão de leitura");
    }
    QVERIFY2(told, qPrintable(script.texts().join(" // ")));
    QVERIFY(truco::testing::SetMode(Path("Recordes.qdx"), 0600));
    QCOMPARE(FileBytes(Path("Recordes.qdx")), SixPlayers());
  }

  // A restart hands two results over; a records file that cannot be read is told once for both,
  // and again at the next press of "Iniciar".
  void aDamagedRecordsFileIsToldOncePerRestart() {
    PutFile(Path("Conf.dll"), kMySettings);
    QVERIFY(QDir().mkpath(Path("Recordes.qdx")));  // no file at all: a folder in its place
    ModalScript script;
    truco::Program program(Paths(), false);
    script.Ok();
    program.screen().SubmitRecord("ANA", 3, 1, 2);
    program.screen().SubmitRecord("COMPUTADOR", 1, 3, -2);
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.texts()[0].contains("\"Recordes.qdx\""), qPrintable(script.texts()[0]));
    emit program.main_window().startHandled();
    script.Ok();
    program.screen().SubmitRecord("ANA", 4, 1, 3);
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.texts().size(), 2);
    QCOMPARE(script.unexpected(), 0);
    QDir(Path("Recordes.qdx")).removeRecursively();
  }

  // Over 1 MiB with the phrases past the first MiB: "Gravar" does not write five empty phrases
  // over the file; it says why.
  void oversizedPhrasesFileIsNotRewritten() {
    PutFile(Path("Conf.dll"), kMySettings);
    const QByteArray big = "[OUTRA]\r\n" + QByteArray((1 << 20) + 10, ';') +
                           "\r\n[FRASES]\r\nTRUCO=TRUCO LONGE!\r\nSEIS=SEIS LONGE!\r\n";
    PutFile(Path("Frases.ini"), big);
    ModalScript script;
    truco::Program program(Paths(), false);
    script.Answer("Gravar").Ok();
    emit program.main_window().phrasesRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.texts().size(), 2);
    const QString said = script.texts()[1];
    QVERIFY2(said.contains("\"Frases.ini\"") && said.contains("1 MiB") &&
                 said.contains("não foi alterado"),
             qPrintable(said));
    QCOMPARE(FileBytes(Path("Frases.ini")), big);
  }

  // A pipe, a folder and a device where the three files should be: the start goes on at once.
  void oddFilesDoNotStopTheStart() {
    QVERIFY(truco::testing::MakeFifo(Path("Conf.dll")));
    QVERIFY(truco::testing::MakeFolder(Path("Recordes.qdx")));
    QVERIFY(truco::testing::MakeFifo(Path("Frases.ini")));
    truco::testing::Watchdog watchdog(15, "the program's start with a pipe as Conf.dll");
    ModalScript script;
    script.Ok();
    truco::Program program(Paths(), false);
    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.texts()[0].contains("\"Conf.dll\": é um pipe"), qPrintable(script.texts()[0]));
    script.Ok();
    program.Show();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QVERIFY2(script.texts().value(1).contains("\"Recordes.qdx\": é uma pasta"),
             qPrintable(script.texts().value(1)));
    program.main_window().hide();
    // Saving into them refuses too, with the reason.
    script.Answer("Gravar").Ok();
    emit program.main_window().phrasesRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QVERIFY2(script.texts().value(3).contains("\"Frases.ini\": é um pipe"),
             qPrintable(script.texts().value(3)));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(QFileInfo(Path("Recordes.qdx")).isDir());
  }

  // Read-only folder: the file exists, so nothing says "não encontrado"; the save's failure is
  // told as it is, and a manilha change that could not be saved restarts nothing.
  void readOnlyFolderSaysWhatHappenedAndDoesNotRestart() {
    if (!truco::testing::PermissionsApply()) QSKIP("running as root: folders are all writable");
    PutFile(Path("Conf.dll"), kMySettings);
    PutFile(Path("Recordes.qdx"), SixPlayers());
    ModalScript script;
    truco::Program program(Paths(), false);
    QCOMPARE(script.texts().size(), 0);
    program.game().Inicio();
    program.game().mutable_state().player_points = 5;
    QVERIFY(truco::testing::SetMode(dir_->path(), 0555));
    script.Answer("Gravar e Fechar",
                  [](QWidget* window) { window->findChild<QRadioButton*>("RadioNova")->click(); });
    script.Yes();  // restart?
    script.Ok();   // what happened
    emit program.main_window().settingsRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(script.unexpected(), 0);  // no game-kind dialog: no restart
    QCOMPARE(script.texts().size(), 3);
    const QString said = script.texts()[2];
    QVERIFY2(said.contains("Não foi possível gravar o arquivo \"Conf.dll\": sem permissão de "
                           "gravação na pasta"),
             qPrintable(said));
    for (const QString& text : script.texts()) {
      QVERIFY2(!text.contains("não encontrado"), qPrintable(text));
      QVERIFY2(!HasToolkitEnglish(text), qPrintable(text));
    }
    QCOMPARE(program.game().state().player_points, 5);
    QCOMPARE(program.config().manilha_mode(), truco::ManilhaMode::Velha);
    QCOMPARE(FileBytes(Path("Conf.dll")), kMySettings);
  }

  // An empty records file is an empty table, not a missing file: no box at each showing.
  void emptyRecordsFileIsNoFault() {
    PutFile(Path("Conf.dll"), kMySettings);
    PutFile(Path("Recordes.qdx"), {});
    ModalScript script;
    truco::Program program(Paths(), false);
    program.Show();
    QTest::qWait(50);
    program.main_window().hide();
    program.Show();
    QTest::qWait(50);
    QCOMPARE(script.texts(), QStringList{});
    program.main_window().hide();
  }

  // A damaged records file: the balance -2147483648 and names padded with zeros. Both windows
  // show the same clamped number, whole, and the names without the padding.
  void damagedRecordsShowWholeNumbersAndNames() {
    PutFile(Path("Conf.dll"), kMySettings);
    QByteArray bytes = SixPlayers();
    bytes[0] = 11;
    bytes.replace(1, 11, QByteArray("ANA\0\0\0\0\0\0\0\0", 11));
    const qint32 lowest = std::numeric_limits<qint32>::min();
    bytes.replace(20, 4, QByteArray::fromHex("00000080"));
    bytes.replace(12, 4, QByteArray::fromHex("ffffff7f"));
    PutFile(Path("Recordes.qdx"), bytes);
    Q_UNUSED(lowest);
    ModalScript script;
    truco::Program program(Paths(), false);
    program.Show();
    auto* name = program.main_window().findChild<QLabel*>("LabelNomePonto");
    auto* balance = program.main_window().findChild<QLabel*>("LabelPonto");
    QTRY_COMPARE(name->text(), QString("ANA"));
    QCOMPARE(balance->text(), QString("-999"));
    QVERIFY(balance->fontMetrics().horizontalAdvance(balance->text()) <= balance->width());
    program.main_window().hide();

    QString saldo, vitoria, nome;
    bool fits = false;
    script.Answer("Fechar", [&](QWidget* window) {
      auto* s = window->findChild<QLabel*>("Saldo1");
      saldo = s->text();
      fits = s->fontMetrics().horizontalAdvance(s->text()) <= s->width();
      vitoria = window->findChild<QLabel*>("Vitoria1")->text();
      nome = window->findChild<QLabel*>("LNome1")->text();
    });
    emit program.main_window().recordsRequested();
    QTRY_COMPARE(script.pending(), std::size_t{0});
    QCOMPARE(saldo, QString("-999"));
    QCOMPARE(vitoria, QString("9999"));
    QCOMPARE(nome, QString("ANA"));
    QVERIFY(fits);
    QCOMPARE(script.unexpected(), 0);
  }
};

TRUCO_FILE_TEST_MAIN(TestPlayerFiles)
#include "test_player_files.moc"
