#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support_files.h"
#include "store/settings_file.h"
#include "tests/store/fsize_limit.h"
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

  // First start: one information box, then exactly the default 8 bytes on disk.
  void missingFileAtStartIsReportedAndCreated() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    SettingsStore store(path);
    QString seen;
    testing::AnswerNextModal("OK", &seen);
    QVERIFY(store.LoadAtStart());
    QVERIFY(seen.contains("Arquivo \"Conf.dll\" não encontrado. Criando agora..."));
    QVERIFY(seen.contains("Information"));
    QCOMPARE(FileBytes(path), Bytes({0x31, 0x31, 0x31, 0x00, 0x0F, 0x00, 0x00, 0xFF}));
    QCOMPARE(store.record(), DefaultSettingsRecord());
  }

  void shortFileAtStartIsReplacedKeepingNothingOfIt() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    PutFile(path, Bytes({'2', '2', '2'}));
    SettingsStore store(path);
    testing::AnswerNextModal("OK");
    QVERIFY(store.LoadAtStart());
    QCOMPARE(FileBytes(path), EncodeSettingsFile(DefaultSettingsRecord()));
  }

  // A read-modify-write keeps the filler as read and leaves exactly 8 bytes.
  void updateKeepsFillerAndCutsLongFiles() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    PutFile(path, Bytes({'1', '1', '2', 0xAB, 0x00, 0xFF, 0xFF, 0x00}) + QByteArray(40, 'z'));
    SettingsStore store(path);
    QVERIFY(store.LoadAtStart());
    QVERIFY(store.Update([](settings_record& r) { r.eleven_code = kElevenEscuroCode; }));
    QCOMPARE(FileBytes(path), Bytes({'1', '2', '2', 0xAB, 0x00, 0xFF, 0xFF, 0x00}));
    QCOMPARE(store.record().filler, std::uint8_t{0xAB});
  }

  // A vanished file during a save: warning, then the default record with the filler in memory.
  void updateOfMissingFileWarnsAndWritesDefault() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    PutFile(path, Bytes({'2', '2', '2', 0x05, 1, 2, 3, 0}));
    SettingsStore store(path);
    QVERIFY(store.LoadAtStart());
    QFile::remove(path);
    QString seen;
    testing::AnswerNextModal("OK", &seen);
    QVERIFY(!store.Update([](settings_record& r) { r.manilha_code = kManilhaNovaCode; }));
    QVERIFY(seen.contains("Atenção"));
    QVERIFY(seen.contains("Arquivo \"Conf.dll\" não encontrado, criando agora..."));
    QCOMPARE(FileBytes(path), EncodeSettingsFile(DefaultSettingsRecord(0x05)));
  }

  // A save that breaks half-way leaves the old record whole, never a truncated file.
  void brokenSaveLeavesTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Conf.dll");
    const QByteArray old = Bytes({'2', '1', '1', 0, 0xFF, 0, 0, 0});
    PutFile(path, old);
    bool written = true;
    {
      testing::FileSizeLimit limit(4);
      written = WriteSettingsFile(path, DefaultSettingsRecord());
    }
    QVERIFY(!written);
    QCOMPARE(FileBytes(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Conf.dll"});
    QVERIFY(WriteSettingsFile(path, DefaultSettingsRecord()));
    QCOMPARE(FileBytes(path), EncodeSettingsFile(DefaultSettingsRecord()));
  }

  void unwritableLocationIsReportedAtStart() {
    SettingsStore store("/nonexistent-folder-for-truco/Conf.dll");
    QString seen_info;
    QString seen_error;
    testing::AnswerNextModal("OK", &seen_info);
    QTimer::singleShot(300, [&] { testing::AnswerNextModal("OK", &seen_error); });
    QVERIFY(!store.LoadAtStart());
    QVERIFY(seen_info.contains("Criando agora"));
    QVERIFY(seen_error.contains("Conf.dll"));
    QCOMPARE(store.record(), DefaultSettingsRecord());
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestSettingsFile)
#include "test_settings_file.moc"
