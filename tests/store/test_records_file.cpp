#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

#include "store/records_file.h"
#include "tests/store/file_faults.h"
#include "tests/store/fsize_limit.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

RecordsTable TableOf(std::initializer_list<std::pair<const char*, int>> rows) {
  RecordsTable table{};
  int i = 0;
  for (const auto& [name, balance] : rows)
    table[i++] = MakeRecordsEntry(QString::fromUtf8(name), balance + 1, 1, balance);
  return table;
}

QList<int> Balances(const RecordsTable& table) {
  QList<int> out;
  for (const auto& e : table) out << e.balance;
  return out;
}

QStringList Names(const RecordsTable& table) {
  QStringList out;
  for (const auto& e : table) out << e.name();
  return out;
}

RecordsTable ReadBack(const QString& path) {
  std::vector<records_entry> entries;
  RecordsTable table{};
  if (ReadRecordsFile(path, &entries).ok()) OverlayRecords(table, entries);
  return table;
}

}  // namespace

class TestRecordsFile : public QObject {
  Q_OBJECT

 private slots:
  void entryLayoutIsByteExact() {
    const auto bytes = EncodeRecordsEntry(MakeRecordsEntry("JOÃO", 7, 2, 5));
    const QByteArray expected = QByteArray::fromHex(
        "04"
        "4a4fc34f"
        "00000000000000"  // length, "JOÃO" in Windows-1252, zero padding
        "07000000"
        "02000000"
        "05000000");
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(bytes.data()), kRecordsEntrySize), expected);
    const auto negative = EncodeRecordsEntry(MakeRecordsEntry("X", 0, 3, -3));
    QCOMPARE(negative[20], std::uint8_t{0xFD});
    QCOMPARE(negative[23], std::uint8_t{0xFF});
  }

  void namesAreCutToElevenCharacters() {
    const auto entry = MakeRecordsEntry("MARIA DA CONCEIÇÃO", 1, 0, 1);
    QCOMPARE(entry.name_length, std::uint8_t{11});
    QCOMPARE(entry.name(), QString("MARIA DA CO"));
    QCOMPARE(MakeRecordsEntry("ÁÉÍÓÚÇÃÕÂÊÔÜ", 0, 0, 0).name(), QString("ÁÉÍÓÚÇÃÕÂÊÔ"));
  }

  // The length byte is never trusted: 12..255 read as 11, never past the name field.
  void overlongNameLengthIsCut() {
    for (int length : {12, 24, 200, 255}) {
      QByteArray bytes = EncodeRecordsFile(ClearedRecordsTable());
      bytes[0] = static_cast<char>(length);
      bytes.replace(1, 11, "ABCDEFGHIJK");
      const auto entries = DecodeRecordsFile(bytes);
      QCOMPARE(entries.size(), std::size_t{6});
      QCOMPARE(entries[0].name(), QString("ABCDEFGHIJK"));
      QCOMPARE(entries[0].balance, 0);
      QCOMPARE(EncodeRecordsFile(TableOf({})).size(), kRecordsFileSize);
      QCOMPARE(static_cast<int>(EncodeRecordsEntry(entries[0])[0]), 11);
    }
  }

  void shortAndLongFilesReadWholeEntriesOnly() {
    const QByteArray six =
        EncodeRecordsFile(TableOf({{"A", 6}, {"B", 5}, {"C", 4}, {"D", 3}, {"E", 2}, {"F", 1}}));
    for (qsizetype n = 0; n <= six.size(); ++n) {
      const auto entries = DecodeRecordsFile(six.left(n));
      QCOMPARE(static_cast<qsizetype>(entries.size()), n / kRecordsEntrySize);
    }
    const auto longer = DecodeRecordsFile(six + six + QByteArray(5, 'x'));
    QCOMPARE(longer.size(), std::size_t{6});
    QCOMPARE(longer[5].name(), QString("F"));
  }

  void randomBytesGiveSoundTables() {
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 300; ++round) {
      QByteArray bytes(rng->bounded(0, 200), Qt::Uninitialized);
      for (auto& b : bytes) b = static_cast<char>(rng->bounded(256));
      const auto entries = DecodeRecordsFile(bytes);
      QVERIFY(entries.size() <= 6);
      RecordsTable table = ClearedRecordsTable();
      OverlayRecords(table, entries);
      for (const auto& e : table) QVERIFY(e.name_length <= 11 && e.name().size() <= 11);
      // What is read is written back as read, lengths mended.
      const QByteArray again = EncodeRecordsFile(table);
      QCOMPARE(again.size(), kRecordsFileSize);
      RecordsTable reread = ClearedRecordsTable();
      OverlayRecords(reread, DecodeRecordsFile(again));
      QCOMPARE(reread, table);
    }
  }

  void rankingCases_data() {
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<int>("submitted");
    QTest::addColumn<QList<int>>("after");
    QTest::addColumn<bool>("enters");
    QTest::newRow("enters above the weakest")
        << QList<int>{9, 7, 5, 3, 1, 0} << 2 << QList<int>{9, 7, 5, 3, 2, 1} << true;
    QTest::newRow("tie with weakest keeps the table")
        << QList<int>{9, 7, 5, 3, 1, 0} << 0 << QList<int>{9, 7, 5, 3, 1, 0} << false;
    QTest::newRow("new first place")
        << QList<int>{9, 7, 5, 3, 1, 0} << 20 << QList<int>{20, 9, 7, 5, 3, 1} << true;
    QTest::newRow("zero never enters a table of zeros")
        << QList<int>{0, 0, 0, 0, 0, 0} << 0 << QList<int>{0, 0, 0, 0, 0, 0} << false;
    QTest::newRow("negative never enters a non-negative table")
        << QList<int>{4, 3, 2, 1, 0, 0} << -2 << QList<int>{4, 3, 2, 1, 0, 0} << false;
    QTest::newRow("negative enters below zero rows")
        << QList<int>{2, 0, -1, -3, -5, -9} << -4 << QList<int>{2, 0, -1, -3, -4, -5} << true;
  }

  void rankingCases() {
    QFETCH(QList<int>, before);
    QFETCH(int, submitted);
    QFETCH(QList<int>, after);
    QFETCH(bool, enters);
    RecordsTable table{};
    for (int i = 0; i < 6; ++i) table[i] = MakeRecordsEntry(QString("R%1").arg(i), 0, 0, before[i]);
    const RecordsTable result = SubmitToTable(table, MakeRecordsEntry("NOVO", 0, 0, submitted));
    QCOMPARE(Balances(result), after);
    QCOMPARE(Names(result).contains("NOVO"), enters);
    // The entry that leaves is the last row, the weakest.
    if (enters) QVERIFY(!Names(result).contains("R5"));
    QStringList kept = Names(result);
    QStringList had = Names(table);
    kept.removeAll("NOVO");
    had.removeAll("R5");
    if (!enters) had << "R5";
    kept.sort();
    had.sort();
    QCOMPARE(kept, had);
  }

  // Entries sharing a balance swap places at every rewrite.
  void equalBalancesReverseAtEachRewrite() {
    const RecordsTable table =
        TableOf({{"A", 5}, {"B", 5}, {"C", 3}, {"D", 2}, {"E", 1}, {"F", 0}});
    const RecordsTable once = SubmitToTable(table, MakeRecordsEntry("G", 0, 0, -1));
    QCOMPARE(Names(once), (QStringList{"B", "A", "C", "D", "E", "F"}));
    const RecordsTable twice = SubmitToTable(once, MakeRecordsEntry("H", 0, 0, 4));
    QCOMPARE(Names(twice), (QStringList{"A", "B", "H", "C", "D", "E"}));
    // Same names in several rows stay separate rows.
    const RecordsTable same = SubmitToTable(twice, MakeRecordsEntry("A", 9, 1, 8));
    QCOMPARE(Names(same), (QStringList{"A", "B", "A", "H", "C", "D"}));
  }

  void submitRewritesSixEntriesAndRemovesTheStrayFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    PutFile(path, EncodeRecordsFile(
                      TableOf({{"A", 9}, {"B", 7}, {"C", 5}, {"D", 3}, {"E", 1}, {"F", 0}})));
    PutFile(dir.filePath("Recrodes.qdx"), "old");
    RecordsBook book(path);
    book.Submit("JOGADOR COM NOME LONGO", 4, 2, 2);
    QVERIFY(!QFile::exists(dir.filePath("Recrodes.qdx")));
    QCOMPARE(FileBytes(path).size(), kRecordsFileSize);
    const RecordsTable table = ReadBack(path);
    QCOMPARE(Balances(table), (QList<int>{9, 7, 5, 3, 2, 1}));
    QCOMPARE(table[4].name(), QString("JOGADOR COM"));
    QCOMPARE(table[4].wins, 4);
    QCOMPARE(table[4].losses, 2);
  }

  // A fresh installation keeps its first results.
  void missingFileAtSubmitStartsFromAnEmptyTable() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    RecordsBook book(path);
    book.Submit("ANA", 3, 1, 2);
    book.Submit("COMPUTADOR", 1, 3, -2);
    const RecordsTable table = ReadBack(path);
    QCOMPARE(table[0].name(), QString("ANA"));
    QCOMPARE(Balances(table), (QList<int>{2, 0, 0, 0, 0, 0}));
    QCOMPARE(table[1].name(), QString());
    QFile::remove(path);
    book.Submit("BETO", 2, 1, 1);
    QCOMPARE(Balances(ReadBack(path)), (QList<int>{1, 0, 0, 0, 0, 0}));
  }

  // Fewer than six entries: the rest of the rows keep what the copy in memory held.
  void shortFileAtSubmitKeepsTheRestOfTheCopy() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    RecordsBook book(path);
    book.Submit("ANA", 5, 1, 4);
    book.Submit("BIA", 4, 1, 3);
    PutFile(path, EncodeRecordsFile(TableOf({{"CAIO", 6}})).left(kRecordsEntrySize + 7));
    book.Submit("DANI", 2, 0, 2);
    QCOMPARE(Names(ReadBack(path)), (QStringList{"CAIO", "BIA", "DANI", "", "", ""}));
  }

  void firstRowReadMissingAndEmptyFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    RecordsBook book(path);
    QCOMPARE(book.ReadFirstRow().fault, FileFault::Missing);
    QCOMPARE(book.rows()[0].name(), QString());
    // An empty file is a table with no entries, not a missing file.
    PutFile(path, "");
    QVERIFY(book.ReadFirstRow().ok());
    PutFile(path, EncodeRecordsFile(TableOf({{"ZÉ", 12}})).left(kRecordsEntrySize));
    QVERIFY(book.ReadFirstRow().ok());
    QCOMPARE(book.rows()[0].name(), QString("ZÉ"));
    QCOMPARE(book.rows()[0].balance, 12);
  }

  // A rewrite that breaks half-way is reported and leaves the old table whole.
  void brokenRewriteLeavesTheOldTable() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    const QByteArray old = EncodeRecordsFile(TableOf({{"A", 9}, {"B", 7}}));
    PutFile(path, old);
    RecordsBook book(path);
    RecordsSubmit submit;
    {
      testing::FileSizeLimit limit(100);
      submit = book.Submit("C", 8, 0, 8);
    }
    QVERIFY(submit.read.ok());
    QVERIFY(submit.wrote);
    QCOMPARE(submit.write.fault, FileFault::WriteFailed);
    QCOMPARE(submit.write.error, EFBIG);
    QCOMPARE(FileBytes(path), old);
    QVERIFY(testing::TemporaryFiles(dir.path()).isEmpty());
  }

  // Six players' rows behind a file of mode 0200: never replaced, neither by a submit nor by
  // the cleared table.
  void unreadableFileIsNeverWrittenOver() {
    if (!testing::PermissionsApply()) QSKIP("running as root: a file of mode 0200 reads fine");
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    const QByteArray six = EncodeRecordsFile(
        TableOf({{"ANA", 9}, {"BIA", 7}, {"CAIO", 5}, {"DANI", 3}, {"EDU", 2}, {"FABI", 1}}));
    PutFile(path, six);
    QVERIFY(testing::SetMode(path, 0200));
    RecordsBook book(path);
    const FileStatus first = book.ReadFirstRow();
    QCOMPARE(first.fault, FileFault::Unreadable);
    QCOMPARE(first.error, EACCES);
    const RecordsSubmit submit = book.Submit("NOVO", 20, 0, 20);
    QCOMPARE(submit.read.fault, FileFault::Unreadable);
    QVERIFY(!submit.wrote);
    QCOMPARE(WriteRecordsFile(path, ClearedRecordsTable()).fault, FileFault::Unreadable);
    QVERIFY(testing::SetMode(path, 0600));
    QCOMPARE(FileBytes(path), six);
  }

  void oddFilesAreRefusedAtOnceAndNeverWritten() {
    QTemporaryDir dir;
    int socket_fd = -1;
    const QString pipe = dir.filePath("pipe/Recordes.qdx"),
                  folder = dir.filePath("folder/Recordes.qdx"),
                  device = dir.filePath("device/Recordes.qdx"),
                  socket = dir.filePath("socket/Recordes.qdx");
    for (const QString& p : {pipe, folder, device, socket})
      QVERIFY(QDir().mkpath(QFileInfo(p).path()));
    QVERIFY(testing::MakeFifo(pipe));
    QVERIFY(testing::MakeFolder(folder));
    QVERIFY(testing::MakeDeviceLink(device));
    QVERIFY(testing::MakeSocket(socket, &socket_fd));
    for (const QString& path : {pipe, folder, device, socket}) {
      testing::Watchdog watchdog(10, "reading a records file that is not a regular file");
      RecordsBook book(path);
      QCOMPARE(book.ReadFirstRow().fault, FileFault::NotRegularFile);
      const RecordsSubmit submit = book.Submit("ANA", 1, 0, 1);
      QCOMPARE(submit.read.fault, FileFault::NotRegularFile);
      QVERIFY(!submit.wrote);
      QCOMPARE(WriteRecordsFile(path, ClearedRecordsTable()).fault, FileFault::NotRegularFile);
    }
    ::close(socket_fd);
  }

  // A read that fails after the file was opened is a failure, not a short table.
  void readFaultsAfterOpeningAreReported() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    const QByteArray six = EncodeRecordsFile(TableOf({{"ANA", 9}, {"BIA", 7}}));
    PutFile(path, six);
    RecordsBook book(path);
    {
      testing::InjectedFaults faults;
      faults.read_error = EIO;
      faults.read_after = kRecordsEntrySize + 5;
      const RecordsSubmit submit = book.Submit("NOVO", 8, 0, 8);
      QCOMPARE(submit.read.fault, FileFault::ReadError);
      QCOMPARE(submit.read.error, EIO);
      QVERIFY(!submit.wrote);
      std::vector<records_entry> entries;
      QCOMPARE(ReadRecordsFile(path, &entries).fault, FileFault::ReadError);
    }
    QCOMPARE(FileBytes(path), six);
    {
      testing::InjectedFaults faults;
      faults.read_chunk = 7;
      std::vector<records_entry> entries;
      QVERIFY(ReadRecordsFile(path, &entries).ok());
      QCOMPARE(entries.size(), std::size_t{6});
      QCOMPARE(entries[1].name(), QString("BIA"));
    }
  }

  // A name ends at its first zero byte: padding never shows as boxes.
  void nameEndsAtTheFirstZeroByte() {
    QByteArray bytes = EncodeRecordsFile(ClearedRecordsTable());
    bytes[0] = 11;
    bytes.replace(1, 11, QByteArray("ANA\0\0\0\0\0\0\0\0", 11));
    bytes[kRecordsEntrySize] = 5;
    bytes.replace(kRecordsEntrySize + 1, 11, QByteArray("\0BCDEFGHIJK", 11));
    const auto entries = DecodeRecordsFile(bytes);
    QCOMPARE(entries[0].name(), QString("ANA"));
    QCOMPARE(entries[1].name(), QString());
    QCOMPARE(entries[2].name(), QString("RECORDISTA"));
  }

  // What the two windows show of a number from the file: whole, or clamped the same way.
  void shownNumbersAreClampedAlike() {
    QCOMPARE(ShownRecordNumber(std::numeric_limits<std::int32_t>::min()), kShownRecordMin);
    QCOMPARE(ShownRecordNumber(std::numeric_limits<std::int32_t>::max()), kShownRecordMax);
    for (std::int32_t n : {-999, -5, 0, 12, 123, 9999}) QCOMPARE(ShownRecordNumber(n), n);
    QCOMPARE(ShownRecordNumber(-1000), -999);
    QCOMPARE(ShownRecordNumber(10000), 9999);
  }
};

}  // namespace truco

TRUCO_FILE_TEST_MAIN(truco::TestRecordsFile)
#include "test_records_file.moc"
