// The real program, laid out as an installed copy in a temporary tree and started headless with a
// temporary data folder: it takes over an older copy's files, writes its own into the data folder
// and nothing into the folder it was started from, and a termination signal ends it cleanly even
// while a start-up box waits for a click.
#include <csignal>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support_files.h"

using truco::testing::FileBytes;
using truco::testing::PutFile;

namespace {

// The whole start runs under a sanitizer too, so the waits are generous; none is a measurement.
constexpr int kWaitMs = 60000;

struct Tree {
  QTemporaryDir root;
  QString program;  // <root>/usr/games/truco-zanforte
  QString work;     // the folder the game is started from
  QString data;     // $XDG_DATA_HOME/Truco
};

void MakeTree(Tree& tree) {
  QVERIFY(tree.root.isValid());
  const QString bin = tree.root.filePath("usr/games");
  const QString shipped = tree.root.filePath("usr/share/games/truco-zanforte");
  QVERIFY(QDir().mkpath(bin));
  QVERIFY(QDir().mkpath(shipped));
  tree.program = bin + "/truco-zanforte";
  QVERIFY(QFile::copy(TRUCO_PROGRAM_FILE, tree.program));
  QVERIFY(QFile::copy(TRUCO_SHIPPED_PHRASES, shipped + "/Frases.ini"));
  tree.work = tree.root.filePath("work");
  QVERIFY(QDir().mkpath(tree.work));
  tree.data = tree.root.filePath("xdg-data/Truco");
}

void Start(QProcess& process, const Tree& tree, const QStringList& args = {}) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("HOME", tree.root.filePath("home"));
  env.insert("XDG_DATA_HOME", tree.root.filePath("xdg-data"));
  env.insert("XDG_CONFIG_HOME", tree.root.filePath("xdg-config"));
  process.setProcessEnvironment(env);
  process.setWorkingDirectory(tree.work);
  process.start(tree.program, args);
  QVERIFY(process.waitForStarted(kWaitMs));
}

// Waits until `path` exists (the program got past the point that makes it).
bool WaitFor(const QString& path) {
  QDeadlineTimer deadline(kWaitMs);
  while (!QFileInfo::exists(path)) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(20);
  }
  return true;
}

// True once the process catches `sig` (its handler is in place, as /proc tells), so a signal
// sent then is never one that arrives before the program can act on it.
bool WaitCatching(const QProcess& process, int sig) {
  QDeadlineTimer deadline(kWaitMs);
  const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
  while (!deadline.hasExpired()) {
    for (const QByteArray& line : FileBytes(status).split('\n')) {
      if (!line.startsWith("SigCgt:")) continue;
      bool ok = false;
      const qulonglong mask = line.mid(7).trimmed().toULongLong(&ok, 16);
      if (ok && (mask >> (sig - 1)) & 1) return true;
    }
    QTest::qWait(20);
  }
  return false;
}

void EndWithSignal(QProcess& process, int sig) {
  QVERIFY2(WaitCatching(process, sig), "the program never caught the signal");
  ::kill(static_cast<pid_t>(process.processId()), sig);
  const bool ended = process.waitForFinished(kWaitMs);
  if (!ended) process.kill();
  QVERIFY2(ended, "the program did not end after the signal");
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 0);
}

}  // namespace

class TestInstalledRun : public QObject {
  Q_OBJECT

 private slots:
  void versionAndHelpNeedNoDisplay() {
    Tree tree;
    MakeTree(tree);
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    process.setProcessEnvironment(env);
    process.start(tree.program, {"--version"});
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(process.readAllStandardOutput(), QByteArray("Truco Zanforte " TRUCO_VERSION "\n"));
    process.start(tree.program, {"--help"});
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).startsWith("Uso: truco-zanforte"));
    // Any other option is refused once the toolkit took its own (which needs a display).
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(tree.program, {"-platform", "offscreen", "--nada"});
    QVERIFY(process.waitForFinished(kWaitMs));
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(process.readAllStandardError().contains("nada"));
  }

  void aFirstStartWritesItsSettingsIntoTheDataFolder() {
    Tree tree;
    MakeTree(tree);
    QProcess process;
    Start(process, tree);
    // The data folder is made before any window; then the splash and the box "Conf.dll not
    // found" wait, and the signal ends both.
    QVERIFY(WaitFor(tree.data));
    EndWithSignal(process, SIGTERM);
    QCOMPARE(FileBytes(tree.data + "/Conf.dll"), QByteArray::fromHex("313131000F0000FF"));
    // Nothing in the working folder, and the phrases still the shipped ones.
    QVERIFY(QDir(tree.work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    QVERIFY(!QFile::exists(tree.data + "/Frases.ini"));
  }

  void anOlderCopysFilesAreTakenOverAndKept() {
    Tree tree;
    MakeTree(tree);
    const QByteArray settings = QByteArray::fromHex("3232310000008000");
    QByteArray records;
    for (int row = 0; row < 6; ++row) {
      QByteArray entry(24, '\0');
      entry[0] = 4;
      entry.replace(1, 4, "ZECA");
      entry[20] = static_cast<char>(6 - row);
      records += entry;
    }
    PutFile(tree.work + "/Conf.dll", settings);
    PutFile(tree.work + "/Recordes.qdx", records);

    QProcess process;
    Start(process, tree);
    QVERIFY(WaitFor(tree.data + "/Recordes.qdx"));
    // Both files are there, so no box waits; past the three-second splash the program waits in
    // its main loop until it is told to end.
    QTest::qWait(3500);
    QCOMPARE(process.state(), QProcess::Running);
    EndWithSignal(process, SIGINT);
    QCOMPARE(FileBytes(tree.data + "/Conf.dll"), settings);
    QCOMPARE(FileBytes(tree.data + "/Recordes.qdx"), records);
    QCOMPARE(FileBytes(tree.work + "/Conf.dll"), settings);
    QCOMPARE(FileBytes(tree.work + "/Recordes.qdx"), records);
    QCOMPARE(QDir(tree.work).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);

    // A second start from a folder with other old files takes nothing over.
    PutFile(tree.work + "/Conf.dll", QByteArray::fromHex("3131320000000000"));
    QProcess again;
    Start(again, tree);
    EndWithSignal(again, SIGTERM);
    QCOMPARE(FileBytes(tree.data + "/Conf.dll"), settings);
  }
};

QTEST_MAIN(TestInstalledRun)
#include "test_installed_run.moc"
