// Where the game keeps its files: a build tree or loose copy as always, an installed copy in the
// player's data folder; the take-over of an older copy's files; the shipped phrases standing in
// until the first save; the command line.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "app/command_line.h"
#include "app/paths.h"
#include "tests/support_files.h"
#include "ui/formfrases.h"

using truco::testing::FileBytes;
using truco::testing::PutFile;

namespace {

// An installed tree as `cmake --install` or the package lays it out, under `root`.
QString MakeInstalledTree(const QString& root, const QByteArray& shipped_phrases) {
  const QString bin = root + "/usr/games";
  const QString data = root + "/usr/share/games/truco-zanforte";
  QDir().mkpath(bin);
  QDir().mkpath(data);
  PutFile(data + "/Frases.ini", shipped_phrases);
  return bin;
}

const QByteArray kShipped =
    "; first phrases\r\n[FRASES]\r\nTRUCO=TRUCO MARRECO!!!\r\nSEIS=SEIS LADR\xC3O!!!!\r\n"
    "NOVE=NOVE SEU PATO!!!\r\nDOZE=EU GRITO DOZE!!!\r\nACEITA=PODE JOGAR\r\n[OUTRA]\r\nX=1\r\n";

}  // namespace

class TestPaths : public QObject {
  Q_OBJECT

 private slots:
  void buildTreeAndLooseCopiesKeepTheirFilesWhereTheyAlwaysDid() {
    QTemporaryDir root;
    // A loose copy: no shipped data beside it.
    const QString loose = root.filePath("loose");
    QDir().mkpath(loose);
    truco::GamePaths paths = truco::DecideGamePaths(loose, root.filePath("data"));
    QVERIFY(!paths.installed);
    QCOMPARE(paths.settings, QString("Conf.dll"));
    QCOMPARE(paths.records, QString("Recordes.qdx"));
    QCOMPARE(paths.phrases, loose + "/Frases.ini");
    QVERIFY(paths.phrases_default.isEmpty());

    // A build folder stays a build folder even where a shipped data folder happens to lie in
    // the install layout beside it (an install staged into the build tree).
    const QString bin = MakeInstalledTree(root.filePath("build"), kShipped);
    QVERIFY(truco::IsInstalledCopy(bin));
    QDir().mkpath(bin + "/CMakeFiles");
    QVERIFY(!truco::IsInstalledCopy(bin));
    paths = truco::DecideGamePaths(bin, root.filePath("data"));
    QVERIFY(!paths.installed);
    QCOMPARE(paths.settings, QString("Conf.dll"));
    QCOMPARE(paths.phrases, bin + "/Frases.ini");

    // This test's own program lies in the build tree.
    QVERIFY(!truco::IsInstalledCopy(QCoreApplication::applicationDirPath()));
  }

  void anInstalledCopyKeepsEverythingInTheDataFolder() {
    QTemporaryDir root;
    const QString bin = MakeInstalledTree(root.filePath("stage"), kShipped);
    const QString data = root.filePath("home/.local/share/Truco");
    const truco::GamePaths paths = truco::DecideGamePaths(bin, data);
    QVERIFY(paths.installed);
    QCOMPARE(paths.data_folder, data);
    QCOMPARE(paths.settings, data + "/Conf.dll");
    QCOMPARE(paths.records, data + "/Recordes.qdx");
    QCOMPARE(paths.phrases, data + "/Frases.ini");
    QCOMPARE(paths.phrases_default,
             root.filePath("stage/usr/share/games/truco-zanforte/Frases.ini"));
    QCOMPARE(truco::ShippedDataFolder(bin), root.filePath("stage/usr/share/games/truco-zanforte"));
  }

  void aShippedFolderWithoutItsPhrasesFileIsNoInstall() {
    QTemporaryDir root;
    const QString bin = root.filePath("usr/games");
    QDir().mkpath(bin);
    QDir().mkpath(root.filePath("usr/share/games/truco-zanforte"));
    QVERIFY(!truco::IsInstalledCopy(bin));
    // A folder in the phrases file's place does not count either.
    QDir().mkpath(root.filePath("usr/share/games/truco-zanforte/Frases.ini"));
    QVERIFY(!truco::IsInstalledCopy(bin));
  }

  void theDataFolderFollowsXdgDataHome() {
    QTemporaryDir home;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const QString saved_name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("Truco");
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    const QString folder = truco::PlayerDataFolder();
    QCoreApplication::setApplicationName(saved_name);
    if (saved.isNull())
      qunsetenv("XDG_DATA_HOME");
    else
      qputenv("XDG_DATA_HOME", saved);
    QCOMPARE(folder, home.path() + "/Truco");
  }

  void oldFilesAreCopiedOnceByteForByteAndNeverRemoved() {
    QTemporaryDir root;
    const QString old_folder = root.filePath("old");
    const QString data = root.filePath("data");
    QDir().mkpath(old_folder);
    QDir().mkpath(data);
    // Bytes the codecs would not write themselves: a long Conf.dll, a short records file, a
    // phrases file with a stray byte; each must arrive exactly as it was.
    const QByteArray settings = QByteArray::fromHex("3232310000008000FFEE");
    const QByteArray records =
        QByteArray("\x05JOAO\0\0\0\0\0\0\0\x03\0\0\0\x01\0\0\0\x02\0\0\0", 24);
    const QByteArray phrases = "[FRASES]\nTRUCO=\x81\xFF\n";
    PutFile(old_folder + "/Conf.dll", settings);
    PutFile(old_folder + "/Recordes.qdx", records);
    PutFile(old_folder + "/Frases.ini", phrases);

    QCOMPARE(truco::TakeOverOldFiles(old_folder, data),
             QStringList({"Conf.dll", "Recordes.qdx", "Frases.ini"}));
    QCOMPARE(FileBytes(data + "/Conf.dll"), settings);
    QCOMPARE(FileBytes(data + "/Recordes.qdx"), records);
    QCOMPARE(FileBytes(data + "/Frases.ini"), phrases);
    // The old files are left as they were.
    QCOMPARE(FileBytes(old_folder + "/Conf.dll"), settings);
    QCOMPARE(FileBytes(old_folder + "/Recordes.qdx"), records);
    QCOMPARE(FileBytes(old_folder + "/Frases.ini"), phrases);

    // Once: the player's newer files in the data folder are never replaced by the old ones.
    PutFile(data + "/Conf.dll", QByteArray::fromHex("313131000F0000FF"));
    QVERIFY(truco::TakeOverOldFiles(old_folder, data).isEmpty());
    QCOMPARE(FileBytes(data + "/Conf.dll"), QByteArray::fromHex("313131000F0000FF"));
    QCOMPARE(QDir(data).entryList(QDir::Files | QDir::Hidden).size(), 3);  // no temporary left
  }

  void eachMissingFileIsTakenOverOnItsOwn() {
    QTemporaryDir root;
    const QString old_folder = root.filePath("old");
    const QString data = root.filePath("data");
    QDir().mkpath(old_folder);
    QDir().mkpath(data);
    PutFile(old_folder + "/Conf.dll", "old settings");
    PutFile(old_folder + "/Recordes.qdx", "old records");
    PutFile(data + "/Conf.dll", "new settings");
    // A dangling link in the data folder is the player's too: not written through.
    QVERIFY(QFile::link(root.filePath("nowhere"), data + "/Frases.ini"));
    PutFile(old_folder + "/Frases.ini", "old phrases");

    QCOMPARE(truco::TakeOverOldFiles(old_folder, data), QStringList({"Recordes.qdx"}));
    QCOMPARE(FileBytes(data + "/Conf.dll"), QByteArray("new settings"));
    QCOMPARE(FileBytes(data + "/Recordes.qdx"), QByteArray("old records"));
    QVERIFY(!QFile::exists(root.filePath("nowhere")));
  }

  void oddEntriesAreNeverOpenedNorCopied() {
    QTemporaryDir root;
    const QString old_folder = root.filePath("old");
    const QString data = root.filePath("data");
    QDir().mkpath(old_folder);
    QDir().mkpath(data);
    // A pipe would block the start for good if it were opened for reading.
    QCOMPARE(::mkfifo(QFile::encodeName(old_folder + "/Conf.dll").constData(), 0600), 0);
    QDir().mkpath(old_folder + "/Recordes.qdx");
    QCOMPARE(truco::TakeOverOldFiles(old_folder, data), QStringList());
    QVERIFY(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());

    // The data folder itself as the working folder: nothing to take.
    PutFile(data + "/Conf.dll", "x");
    QCOMPARE(truco::TakeOverOldFiles(data, data), QStringList());
    // A missing data folder is not made here.
    QCOMPARE(truco::TakeOverOldFiles(old_folder, root.filePath("missing")), QStringList());
  }

  void shippedPhrasesStandInUntilTheFirstSave() {
    QTemporaryDir root;
    const QString bin = MakeInstalledTree(root.path(), kShipped);
    const QString data = root.filePath("data");
    QDir().mkpath(data);
    const truco::GamePaths paths = truco::DecideGamePaths(bin, data);

    {
      truco::TFormFrases frases(paths.phrases, paths.phrases_default);
      QCOMPARE(frases.phrase(truco::PhraseKey::Truco), QString("TRUCO MARRECO!!!"));
      QCOMPARE(frases.phrase(truco::PhraseKey::Seis), QString("SEIS LADRÃO!!!!"));
      QVERIFY(!QFile::exists(paths.phrases));  // reading copies nothing

      frases.findChild<QLineEdit*>("E_TRUCO")->setText("TRUCO NA MESA");
      frases.findChild<QPushButton*>("B_Grava")->click();
    }
    // The copy is the shipped file with the one key changed; the shipped file is untouched.
    QByteArray expected = kShipped;
    expected.replace("TRUCO=TRUCO MARRECO!!!", "TRUCO=TRUCO NA MESA");
    QCOMPARE(FileBytes(paths.phrases), expected);
    QCOMPARE(FileBytes(paths.phrases_default), kShipped);

    // From then on the player's own file is the one read, whatever the shipped one says.
    PutFile(paths.phrases_default, "[FRASES]\r\nTRUCO=OUTRA\r\n");
    truco::TFormFrases again(paths.phrases, paths.phrases_default);
    QCOMPARE(again.phrase(truco::PhraseKey::Truco), QString("TRUCO NA MESA"));
  }

  void anUnreadableOwnPhrasesFileIsNotReplacedByTheShippedOne() {
    if (::geteuid() == 0) QSKIP("root reads every file");
    QTemporaryDir root;
    const QString bin = MakeInstalledTree(root.path(), kShipped);
    const QString data = root.filePath("data");
    QDir().mkpath(data);
    const truco::GamePaths paths = truco::DecideGamePaths(bin, data);
    PutFile(paths.phrases, "[FRASES]\r\nTRUCO=MINHA\r\n");
    QVERIFY(QFile::setPermissions(paths.phrases, QFileDevice::WriteOwner));
    truco::TFormFrases frases(paths.phrases, paths.phrases_default);
    QVERIFY(frases.phrase(truco::PhraseKey::Truco).isEmpty());
  }

  void theCommandLineAnswersHelpAndVersionAndRefusesTheRest() {
    const QString program = "truco-zanforte";
    QVERIFY(!truco::AnswerCommandLine({program}).has_value());

    for (const char* ask : {"--version", "-v"}) {
      const auto answer = truco::AnswerCommandLine({program, ask});
      QVERIFY(answer.has_value());
      QCOMPARE(answer->exit_code, 0);
      QCOMPARE(answer->out, QString("Truco Zanforte " TRUCO_VERSION "\n"));
    }
    for (const char* ask : {"--help", "-h", "-?"}) {
      const auto answer = truco::AnswerCommandLine({program, ask});
      QVERIFY(answer.has_value());
      QCOMPARE(answer->exit_code, 0);
      QVERIFY(answer->out.startsWith("Uso: truco-zanforte [opções]"));
      QVERIFY(answer->out.contains("--version"));
      QVERIFY(answer->out.contains("~/.local/share/Truco"));
    }
    const auto unknown = truco::AnswerCommandLine({program, "--sem-abertura"});
    QVERIFY(unknown.has_value());
    QCOMPARE(unknown->exit_code, 1);
    QVERIFY(unknown->out.isEmpty());
    QVERIFY(unknown->err.contains("opção desconhecida: sem-abertura"));
    const auto stray = truco::AnswerCommandLine({program, "Conf.dll"});
    QVERIFY(stray.has_value());
    QCOMPARE(stray->exit_code, 1);
    QVERIFY(stray->err.contains("argumento inesperado: Conf.dll"));

    // Only help and version are answered before the toolkit starts.
    auto asks = [](std::vector<const char*> args) {
      std::vector<char*> argv;
      for (const char* a : args) argv.push_back(const_cast<char*>(a));
      return truco::AsksBeforeWindows(static_cast<int>(argv.size()), argv.data());
    };
    QVERIFY(asks({"truco-zanforte", "--version"}));
    QVERIFY(asks({"truco-zanforte", "-platform", "offscreen", "-h"}));
    QVERIFY(!asks({"truco-zanforte", "-platform", "offscreen"}));
    QVERIFY(!asks({"truco-zanforte", "--", "--help"}));
    QVERIFY(!asks({"truco-zanforte", "help"}));
  }
};

QTEST_MAIN(TestPaths)
#include "test_paths.moc"
