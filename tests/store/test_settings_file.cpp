#include <sys/stat.h>
#include <sys/wait.h>

#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "store/settings_file.h"
#include "tests/store/file_faults.h"
#include "tests/store/fsize_limit.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray out;
  for (int v : values) out.append(static_cast<char>(v));
  return out;
}

}  // namespace

class TestSettingsFile : public QObject {
  Q_OBJECT

 private slots:
  void defaultRecordIsTheKnownBytes() {
    QCOMPARE(EncodeSettingsFile(DefaultSettingsRecord()),
             Bytes({0x31, 0x31, 0x31, 0x00, 0x0F, 0x00, 0x00, 0xFF}));
  }

  void colourIsLittleEndianAndSigned() {
    const auto record = DecodeSettingsFile(Bytes({'2', '2', '1', 0x7E, 0x80, 0x80, 0xFF, 0x00}));
    QVERIFY(record);
    QCOMPARE(record->manilha_code, std::uint8_t{'2'});
    QCOMPARE(record->eleven_code, std::uint8_t{'2'});
    QCOMPARE(record->deck_type, std::uint8_t{'1'});
    QCOMPARE(record->filler, std::uint8_t{0x7E});
    QCOMPARE(record->background_colour, ColourCode{0x00FF8080});
    const auto system = DecodeSettingsFile(Bytes({'1', '1', '1', 0, 0x0D, 0, 0, 0xFF}));
    QCOMPARE(system->background_colour, SystemColourCode(kSysHighlight));
    QVERIFY(system->background_colour < 0);
  }

  // Random files: every decodable one re-encodes to its own first 8 bytes, whatever the codes.
  void randomBytesRoundTrip() {
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 500; ++round) {
      QByteArray bytes(rng->bounded(0, 20), Qt::Uninitialized);
      for (auto& b : bytes) b = static_cast<char>(rng->bounded(256));
      const auto record = DecodeSettingsFile(bytes);
      QCOMPARE(record.has_value(), bytes.size() >= kSettingsRecordSize);
      if (record) QCOMPARE(EncodeSettingsFile(*record), bytes.left(kSettingsRecordSize));
    }
  }

  void everyTruncationIsRefusedAndLongerFilesCountEightBytes() {
    const QByteArray full = Bytes({'2', '1', '2', 9, 0x00, 0xFF, 0x00, 0x00});
    for (qsizetype n = 0; n < kSettingsRecordSize; ++n)
      QVERIFY2(!DecodeSettingsFile(full.left(n)), qPrintable(QString::number(n)));
    const auto longer = DecodeSettingsFile(full + QByteArray(100, 'x'));
    QVERIFY(longer);
    QCOMPARE(EncodeSettingsFile(*longer), full);
  }

  // First start: the file is missing, so it is created with exactly the default 8 bytes.
  void missingFileAtStartIsCreated() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    SettingsStore store(path);
    const SettingsStartup startup = store.LoadAtStart();
    QCOMPARE(startup.read.fault, FileFault::Missing);
    QVERIFY(startup.wrote_default);
    QVERIFY(startup.created.ok());
    QCOMPARE(FileBytes(path), Bytes({0x31, 0x31, 0x31, 0x00, 0x0F, 0x00, 0x00, 0xFF}));
    QCOMPARE(store.record(), DefaultSettingsRecord());
  }

  // A file of 1 to 7 bytes keeps what it holds: the bytes read stay, the defaults fill the rest.
  void shortFileAtStartKeepsWhatWasRead() {
    const quint32 seed = qEnvironmentVariableIsSet("TRUCO_TEST_SEED")
                             ? qEnvironmentVariableIntValue("TRUCO_TEST_SEED")
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    const QByteArray defaults = EncodeSettingsFile(DefaultSettingsRecord());
    for (int round = 0; round < 20; ++round) {
      for (qsizetype n = 1; n < kSettingsRecordSize; ++n) {
        QTemporaryDir dir;
        const QString path = dir.filePath("Conf.dll");
        QByteArray held(n, '\0');
        for (char& c : held) c = static_cast<char>(random.bounded(256));
        PutFile(path, held);
        SettingsStore store(path);
        const SettingsStartup startup = store.LoadAtStart();
        QCOMPARE(startup.read.fault, FileFault::Short);
        QCOMPARE(startup.read.size, n);
        QVERIFY(startup.wrote_default);
        QVERIFY(startup.created.ok());
        const QByteArray expected = held + defaults.mid(n);
        QCOMPARE(FileBytes(path), expected);
        QCOMPARE(EncodeSettingsFile(store.record()), expected);
      }
    }
  }

  // A read-modify-write keeps the filler as read and leaves exactly 8 bytes.
  void updateKeepsFillerAndCutsLongFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    PutFile(path, Bytes({'1', '1', '2', 0xAB, 0x00, 0xFF, 0xFF, 0x00}) + QByteArray(40, 'z'));
    SettingsStore store(path);
    QVERIFY(store.LoadAtStart().read.ok());
    QVERIFY(store.Update([](settings_record& r) { r.eleven_code = kElevenEscuroCode; }).saved());
    QCOMPARE(FileBytes(path), Bytes({'1', '2', '2', 0xAB, 0x00, 0xFF, 0xFF, 0x00}));
    QCOMPARE(store.record().filler, std::uint8_t{0xAB});
  }

  // A file that vanished before a save: the default record with the filler in memory.
  void updateOfMissingFileWritesDefault() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    PutFile(path, Bytes({'2', '2', '2', 0x05, 1, 2, 3, 0}));
    SettingsStore store(path);
    QVERIFY(store.LoadAtStart().read.ok());
    QFile::remove(path);
    const SettingsSave save =
        store.Update([](settings_record& r) { r.manilha_code = kManilhaNovaCode; });
    QVERIFY(!save.saved());
    QCOMPARE(save.read.fault, FileFault::Missing);
    QVERIFY(save.wrote_default);
    QCOMPARE(FileBytes(path), EncodeSettingsFile(DefaultSettingsRecord(0x05)));
  }

  // A save that breaks half-way leaves the old record whole, never a truncated file.
  void brokenSaveLeavesTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    const QByteArray old = Bytes({'2', '1', '1', 0, 0xFF, 0, 0, 0});
    PutFile(path, old);
    FileStatus written;
    {
      testing::FileSizeLimit limit(4);
      written = WriteSettingsFile(path, DefaultSettingsRecord());
    }
    QCOMPARE(written.fault, FileFault::WriteFailed);
    QCOMPARE(written.error, EFBIG);
    QCOMPARE(FileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"Conf.dll"});
    QVERIFY(WriteSettingsFile(path, DefaultSettingsRecord()).ok());
    QCOMPARE(FileBytes(path), EncodeSettingsFile(DefaultSettingsRecord()));
  }

  void unwritableLocationIsReportedAtStart() {
    SettingsStore store("/nonexistent-folder-for-truco/Conf.dll");
    const SettingsStartup startup = store.LoadAtStart();
    QCOMPARE(startup.read.fault, FileFault::Missing);
    QVERIFY(startup.wrote_default);
    QCOMPARE(startup.created.fault, FileFault::WriteFailed);
    QCOMPARE(startup.created.error, ENOENT);
    QCOMPARE(store.record(), DefaultSettingsRecord());
  }

  // A file that exists but cannot be read is never taken for a missing one and never written
  // over, at start, by a save of the settings window or by the colour window.
  void unreadableFileIsKeptAndNeverWrittenOver() {
    if (!testing::PermissionsApply()) QSKIP("running as root: a file of mode 0200 reads fine");
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    const QByteArray mine = Bytes({'2', '2', '1', 7, 0x00, 0x80, 0x00, 0x00});
    PutFile(path, mine);
    QVERIFY(testing::SetMode(path, 0200));
    SettingsStore store(path);
    const SettingsStartup startup = store.LoadAtStart();
    QCOMPARE(startup.read.fault, FileFault::Unreadable);
    QCOMPARE(startup.read.error, EACCES);
    QVERIFY(!startup.wrote_default);
    QCOMPARE(store.record(), DefaultSettingsRecord());  // the game goes on with the defaults
    const SettingsSave save = store.Update([](settings_record& r) { r.eleven_code = '2'; });
    QCOMPARE(save.read.fault, FileFault::Unreadable);
    QVERIFY(!save.wrote_default);
    QCOMPARE(WriteSettingsFile(path, DefaultSettingsRecord()).fault, FileFault::Unreadable);
    QVERIFY(testing::SetMode(path, 0600));
    QCOMPARE(FileBytes(path), mine);
    QVERIFY(testing::TemporaryFiles(dir.path()).isEmpty());
  }

  // Pipe, folder, device and socket: refused at once, never opened for reading, never written.
  void oddFilesAreRefusedAtOnceAndNeverWritten() {
    QTemporaryDir dir;
    int socket_fd = -1;
    const struct {
      const char* name;
      std::function<bool(const QString&)> make;
      FileKind kind;
    } cases[] = {
        {"pipe", testing::MakeFifo, FileKind::Pipe},
        {"folder", testing::MakeFolder, FileKind::Folder},
        {"device", testing::MakeDeviceLink, FileKind::Device},
        {"socket", [&](const QString& p) { return testing::MakeSocket(p, &socket_fd); },
         FileKind::Socket},
    };
    for (const auto& c : cases) {
      const QString path = dir.filePath(QStringLiteral("%1/Conf.dll").arg(c.name));
      QVERIFY(QDir().mkpath(QFileInfo(path).path()));
      QVERIFY2(c.make(path), c.name);
      testing::Watchdog watchdog(10, "reading a settings file that is not a regular file");
      SettingsStore store(path);
      const SettingsStartup startup = store.LoadAtStart();
      QCOMPARE(startup.read.fault, FileFault::NotRegularFile);
      QCOMPARE(startup.read.kind, c.kind);
      QVERIFY(!startup.wrote_default);
      const SettingsSave save = store.Update([](settings_record& r) { r.deck_type = '2'; });
      QCOMPARE(save.read.fault, FileFault::NotRegularFile);
      const FileStatus written = WriteSettingsFile(path, DefaultSettingsRecord());
      QCOMPARE(written.fault, FileFault::NotRegularFile);
      QCOMPARE(written.kind, c.kind);
      QVERIFY(!QFileInfo(path).isFile() || QFileInfo(path).isSymLink());
      QVERIFY(testing::TemporaryFiles(QFileInfo(path).path()).isEmpty());
    }
    ::close(socket_fd);
  }

  // Read failures after the file was opened are reported, not taken for a short or missing
  // file; short reads are gone on from.
  void readFaultsAfterOpeningAreReported() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    const QByteArray mine = Bytes({'2', '2', '2', 1, 2, 3, 4, 5});
    PutFile(path, mine);
    SettingsStore store(path);
    {
      testing::InjectedFaults faults;
      faults.read_error = EIO;
      faults.read_after = 3;
      const SettingsStartup startup = store.LoadAtStart();
      QCOMPARE(startup.read.fault, FileFault::ReadError);
      QCOMPARE(startup.read.error, EIO);
      QVERIFY(!startup.wrote_default);
      QVERIFY(faults.reads > 0);
    }
    QCOMPARE(FileBytes(path), mine);
    {
      testing::InjectedFaults faults;
      faults.read_chunk = 1;
      QVERIFY(store.LoadAtStart().read.ok());
      QCOMPARE(faults.reads, 8);
    }
    QCOMPARE(EncodeSettingsFile(store.record()), mine);
  }

  // A full disk and a failed rename or sync leave the old file and no temporary file.
  void writeFaultsLeaveTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    const QByteArray mine = Bytes({'2', '1', '1', 0, 0, 0, 0, 0});
    PutFile(path, mine);
    for (int which = 0; which < 3; ++which) {
      SettingsStore store(path);
      QVERIFY(store.LoadAtStart().read.ok());
      testing::InjectedFaults faults;
      if (which == 0) faults.write_error = ENOSPC, faults.write_after = 5;
      if (which == 1) faults.sync_error = EIO;
      if (which == 2) faults.rename_error = EACCES;
      const SettingsSave save = store.Update([](settings_record& r) { r.manilha_code = '1'; });
      QCOMPARE(save.write.fault, FileFault::WriteFailed);
      QCOMPARE(save.write.error, which == 0 ? ENOSPC : which == 1 ? EIO : EACCES);
      QCOMPARE(store.record().manilha_code, std::uint8_t{'2'});
      QCOMPARE(FileBytes(path), mine);
      QVERIFY(testing::TemporaryFiles(dir.path()).isEmpty());
    }
  }

  // Leftovers of a killed save go at the next save; a player's files that only look alike stay.
  void leftoverTemporaryFilesGoAtTheNextSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    // A process that has ended: its pid names a leftover.
    const pid_t child = fork();
    if (child == 0) _exit(0);
    QVERIFY(child > 0);
    waitpid(child, nullptr, 0);
    const QString leftover = QStringLiteral(".truco-zanforte.%1.0~Conf.dll").arg(child);
    const QString other_file = QStringLiteral(".truco-zanforte.%1.0~Recordes.qdx").arg(child);
    const QString running = QStringLiteral(".truco-zanforte.1.0~Conf.dll");  // init runs
    const QStringList players = {"Conf.dll.bak", "Conf.dll.a1B2c3", ".truco-zanforte.x~Conf.dll",
                                 "Conf.dll~"};
    for (const QString& name : QStringList{leftover, other_file, running} + players)
      PutFile(dir.filePath(name), "x");
    QVERIFY(WriteSettingsFile(path, DefaultSettingsRecord()).ok());
    QVERIFY(!QFile::exists(dir.filePath(leftover)));
    QVERIFY(QFile::exists(dir.filePath(other_file)));  // the records' save removes that one
    QVERIFY(QFile::exists(dir.filePath(running)));
    for (const QString& name : players)
      QVERIFY2(QFile::exists(dir.filePath(name)), qPrintable(name));
  }
};

}  // namespace truco

TRUCO_FILE_TEST_MAIN(truco::TestSettingsFile)
#include "test_settings_file.moc"
