#include <QApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "store/codepage.h"
#include "store/phrases_file.h"
#include "tests/store/file_faults.h"
#include "tests/store/fsize_limit.h"
#include "tests/support_files.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

Phrases Make(const char* truco, const char* seis, const char* nove, const char* doze,
             const char* aceita) {
  return {QString::fromUtf8(truco), QString::fromUtf8(seis), QString::fromUtf8(nove),
          QString::fromUtf8(doze), QString::fromUtf8(aceita)};
}

QByteArray Cp1252(const char* utf8) {
  return EncodeWindows1252(QString::fromUtf8(utf8));
}

}  // namespace

class TestPhrasesFile : public QObject {
  Q_OBJECT

 private slots:
  void readsTheFiveKeysInWindows1252() {
    const QByteArray file = Cp1252(
        "[OUTRA]\r\nTRUCO=não é esta\r\n"
        "[frases]\r\ntruco = TRUCO MARRECO!!!\r\nSEIS=SEIS LADRÃO!!!!\r\n"
        "NOVE=\"  NOVE COM ESPAÇOS  \"\r\nDOZE=DOZE €\r\n");
    const Phrases p = DecodePhrasesFile(file);
    QCOMPARE(p[PhraseIndex(PhraseKey::Truco)], QString("TRUCO MARRECO!!!"));
    QCOMPARE(p[PhraseIndex(PhraseKey::Seis)], QString::fromUtf8("SEIS LADRÃO!!!!"));
    QCOMPARE(p[PhraseIndex(PhraseKey::Nove)], QString::fromUtf8("  NOVE COM ESPAÇOS  "));
    QCOMPARE(p[PhraseIndex(PhraseKey::Doze)], QString::fromUtf8("DOZE €"));
    QCOMPARE(p[PhraseIndex(PhraseKey::Aceita)], QString());
    QVERIFY(Cp1252("Ã€").size() == 2);
  }

  void missingFileSectionOrKeysReadEmpty() {
    Phrases read = Make("X", "X", "X", "X", "X");
    QCOMPARE(ReadPhrasesFile("/nonexistent-folder-for-truco/Frases.ini", &read).fault,
             FileFault::Missing);
    QCOMPARE(read, Phrases{});
    QCOMPARE(DecodePhrasesFile("[OUTRA]\nTRUCO=X\n"), Phrases{});
    QCOMPARE(DecodePhrasesFile(""), Phrases{});
  }

  void savingANewFileWritesSectionAndAllKeys() {
    const QByteArray out =
        EncodePhrasesFile({}, Make("TRUCO MARRECO!!!", "SEIS LADRÃO!!!!", "", "DOZE", "PODE"));
    QCOMPARE(out, Cp1252("[FRASES]\r\nTRUCO=TRUCO MARRECO!!!\r\nSEIS=SEIS LADRÃO!!!!\r\nNOVE=\r\n"
                         "DOZE=DOZE\r\nACEITA=PODE\r\n"));
  }

  // Everything outside the five key lines survives byte for byte, odd bytes and line ends too.
  void otherSectionsKeysAndLinesStayAsTheyWere() {
    // Ends with bytes the code page leaves undefined or that decode to letters.
    const QByteArray odd("\x81\xFF\x81", 3);
    const QByteArray before = Cp1252(
                                  "; comentário do jogador\n"
                                  "[JOGADOR]\nNOME=José\n\n"
                                  "[FRASES]\nTRUCO=VELHO\nEXTRA=fica\r\n  ; nota  \n"
                                  "ACEITA=ACEITO\n\n[FIM]\nX=") +
                              odd;
    const Phrases p = Make("NOVO", "SEIS!", "NOVE!", "DOZE!", "ACEITO");
    const QByteArray after = EncodePhrasesFile(before, p);
    QCOMPARE(after, Cp1252("; comentário do jogador\n"
                           "[JOGADOR]\nNOME=José\n\n"
                           "[FRASES]\nTRUCO=NOVO\nEXTRA=fica\r\n  ; nota  \n"
                           "ACEITA=ACEITO\nSEIS=SEIS!\nNOVE=NOVE!\nDOZE=DOZE!\n\n[FIM]\nX=") +
                        odd);
    QCOMPARE(DecodePhrasesFile(after), p);
  }

  void sectionAddedAtTheEndOfAFileWithoutIt() {
    const QByteArray out = EncodePhrasesFile("[A]\nK=V", Make("T", "S", "N", "D", "A"));
    QCOMPARE(out, QByteArray("[A]\nK=V\n[FRASES]\nTRUCO=T\nSEIS=S\nNOVE=N\nDOZE=D\nACEITA=A\n"));
  }

  // Read, write, read gives the same phrases, whatever the text.
  void readWriteReadIdentity() {
    const QStringList samples = {"",
                                 "A",
                                 "  LEADING",
                                 "TRAILING  ",
                                 "\"QUOTED\"",
                                 "'Q'",
                                 "= SIGN =",
                                 "; NOT A COMMENT",
                                 "[NOT A SECTION]",
                                 QString::fromUtf8("ÇÃÕÉÊÍÓÚÀÂÔÜ ÿ€"),
                                 "X\"Y"};
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 100; ++round) {
      Phrases p;
      for (auto& s : p) s = samples[rng->bounded(samples.size())];
      const QByteArray once = EncodePhrasesFile("[X]\nY=1\n", p);
      QCOMPARE(DecodePhrasesFile(once), p);
      QCOMPARE(EncodePhrasesFile(once, DecodePhrasesFile(once)), once);
    }
  }

  // Phrases cannot break the file's lines; characters outside the code page become '?'.
  void lineBreaksAndForeignLettersCannotDamageTheFile() {
    const Phrases p = Make("A\r\n[OUTRA]\nB", "漢字", "", "", "");
    const QByteArray out = EncodePhrasesFile({}, p);
    QCOMPARE(out.count("\r\n"), 6);
    const Phrases back = DecodePhrasesFile(out);
    QCOMPARE(back[0], QString("A  [OUTRA] B"));
    QCOMPARE(back[1], QString("??"));
  }

  void randomFilesNeverBreakTheCodec() {
    auto* rng = QRandomGenerator::global();
    const QByteArray alphabet = "[]=;\r\n FRASESTRUCOSEISNOVEDOZEACEITAfrases\"\x80\xC3\xFF";
    for (int round = 0; round < 300; ++round) {
      QByteArray bytes(rng->bounded(0, 120), Qt::Uninitialized);
      for (auto& b : bytes) b = alphabet[rng->bounded(alphabet.size())];
      const Phrases p = Make("T", "S", "N", "D", "A");
      const QByteArray out = EncodePhrasesFile(bytes, p);
      QCOMPARE(DecodePhrasesFile(out), p);
    }
  }

  // Every prefix of a real file reads as far as it goes and saves soundly.
  void everyTruncationReadsSoundly() {
    const QByteArray full = Cp1252(
        "[A]\r\nK=V\r\n[FRASES]\r\nTRUCO=TRUCO MARRECO!!!\r\n"
        "SEIS=SEIS LADRÃO!!!!\r\nNOVE=X\r\nDOZE=Y\r\nACEITA=Z\r\n");
    const Phrases all = DecodePhrasesFile(full);
    QCOMPARE(all[1], QString::fromUtf8("SEIS LADRÃO!!!!"));
    for (qsizetype n = 0; n <= full.size(); ++n) {
      const Phrases p = DecodePhrasesFile(full.left(n));
      for (int k = 0; k < kNumPhrases; ++k) QVERIFY(all[k].startsWith(p[k]));
      QCOMPARE(DecodePhrasesFile(EncodePhrasesFile(full.left(n), all)), all);
    }
  }

  void fileSavesAndReloads() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    PutFile(path, "[MEU]\r\nA=1\r\n");
    const Phrases p = Make("TRUCO!", "SEIS!", "NOVE!", "DOZE!", "ACEITA!");
    QVERIFY(WritePhrasesFile(path, p).ok());
    Phrases read;
    QVERIFY(ReadPhrasesFile(path, &read).ok());
    QCOMPARE(read, p);
    QVERIFY(FileBytes(path).startsWith("[MEU]\r\nA=1\r\n[FRASES]\r\n"));
    const FileStatus nowhere = WritePhrasesFile(dir.filePath("no-such-folder/Frases.ini"), p);
    QCOMPARE(nowhere.fault, FileFault::WriteFailed);
    QCOMPARE(nowhere.error, ENOENT);
  }

  // The file that ships beside the program holds the texts the editor is laid out with.
  void shippedFileHoldsTheFirstPhrases() {
    Phrases p;
    QVERIFY(ReadPhrasesFile(QStringLiteral(TRUCO_SOURCE_DIR "/resources/Frases.ini"), &p).ok());
    QCOMPARE(p, Make("TRUCO MARRECO!!!", "SEIS LADRÃO!!!!", "NOVE SEU PATO!!!",
                     "EU GRITO DOZE MARRECO!!!", "PODE JOGAR LADRÂO"));
  }

  void brokenSaveLeavesTheOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    const QByteArray old = "[FRASES]\r\nTRUCO=VELHO\r\n" + QByteArray(200, ';');
    PutFile(path, old);
    FileStatus written;
    {
      testing::FileSizeLimit limit(64);
      written = WritePhrasesFile(path, Make("NOVO", "", "", "", ""));
    }
    QCOMPARE(written.fault, FileFault::WriteFailed);
    QCOMPARE(FileBytes(path), old);
  }

  // Over the limit: neither read (not even its first part) nor rewritten; at the limit: both.
  void oversizedFileIsNeitherReadNorRewritten() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    const QByteArray section = "[FRASES]\r\nTRUCO=LONGE\r\n";
    QByteArray big = "[OUTRA]\r\n" + QByteArray(kPhrasesFileLimit, ';') + "\r\n" + section;
    PutFile(path, big);
    Phrases read = Make("X", "", "", "", "");
    const FileStatus status = ReadPhrasesFile(path, &read);
    QCOMPARE(status.fault, FileFault::TooLarge);
    QCOMPARE(status.size, big.size());
    QCOMPARE(status.limit, kPhrasesFileLimit);
    QCOMPARE(read, Phrases{});
    QCOMPARE(WritePhrasesFile(path, Make("NOVO", "", "", "", "")).fault, FileFault::TooLarge);
    QCOMPARE(FileBytes(path), big);
    // Exactly at the limit the file is read whole and saved with everything kept.
    const QByteArray at_limit =
        "\r\n" + QByteArray(kPhrasesFileLimit - section.size() - 4, ';') + "\r\n" + section;
    QCOMPARE(at_limit.size(), kPhrasesFileLimit);
    PutFile(path, at_limit);
    QVERIFY(ReadPhrasesFile(path, &read).ok());
    QCOMPARE(read[0], QString("LONGE"));
    QVERIFY(WritePhrasesFile(path, Make("PERTO", "", "", "", "")).ok());
    QVERIFY(FileBytes(path).startsWith(at_limit.left(kPhrasesFileLimit - section.size())));
  }

  void unreadableFileIsNeverWrittenOver() {
    if (!testing::PermissionsApply()) QSKIP("running as root: a file of mode 0200 reads fine");
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    const QByteArray mine = "[JOGADOR]\r\nNOME=ANA\r\n[FRASES]\r\nTRUCO=MINHA\r\n";
    PutFile(path, mine);
    QVERIFY(testing::SetMode(path, 0200));
    Phrases read;
    QCOMPARE(ReadPhrasesFile(path, &read).fault, FileFault::Unreadable);
    const FileStatus written = WritePhrasesFile(path, Make("NOVA", "", "", "", ""));
    QCOMPARE(written.fault, FileFault::Unreadable);
    QCOMPARE(written.error, EACCES);
    QVERIFY(testing::SetMode(path, 0600));
    QCOMPARE(FileBytes(path), mine);
  }

  void oddFilesAreRefusedAtOnceAndNeverWritten() {
    QTemporaryDir dir;
    int socket_fd = -1;
    const QString pipe = dir.filePath("pipe/Frases.ini"),
                  folder = dir.filePath("folder/Frases.ini"),
                  device = dir.filePath("device/Frases.ini"),
                  socket = dir.filePath("socket/Frases.ini");
    for (const QString& p : {pipe, folder, device, socket})
      QVERIFY(QDir().mkpath(QFileInfo(p).path()));
    QVERIFY(testing::MakeFifo(pipe));
    QVERIFY(testing::MakeFolder(folder));
    QVERIFY(testing::MakeDeviceLink(device));
    QVERIFY(testing::MakeSocket(socket, &socket_fd));
    for (const QString& path : {pipe, folder, device, socket}) {
      testing::Watchdog watchdog(10, "reading a phrases file that is not a regular file");
      Phrases read;
      QCOMPARE(ReadPhrasesFile(path, &read).fault, FileFault::NotRegularFile);
      QCOMPARE(WritePhrasesFile(path, Make("A", "B", "C", "D", "E")).fault,
               FileFault::NotRegularFile);
    }
    ::close(socket_fd);
  }

  // A read that fails after opening refuses the save: the file is not rewritten from a part.
  void readFaultsAfterOpeningRefuseTheSave() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    const QByteArray mine = "[A]\r\nB=C\r\n[FRASES]\r\nTRUCO=VELHO\r\n" + QByteArray(300, ';');
    PutFile(path, mine);
    {
      testing::InjectedFaults faults;
      faults.read_error = EIO;
      faults.read_after = 10;
      Phrases read = Make("X", "", "", "", "");
      QCOMPARE(ReadPhrasesFile(path, &read).fault, FileFault::ReadError);
      QCOMPARE(read, Phrases{});
      const FileStatus written = WritePhrasesFile(path, Make("NOVO", "", "", "", ""));
      QCOMPARE(written.fault, FileFault::ReadError);
      QCOMPARE(written.error, EIO);
      QCOMPARE(faults.writes, 0);
    }
    QCOMPARE(FileBytes(path), mine);
    {
      testing::InjectedFaults faults;
      faults.read_chunk = 3;
      QVERIFY(WritePhrasesFile(path, Make("NOVO", "", "", "", "")).ok());
    }
    Phrases read;
    QVERIFY(ReadPhrasesFile(path, &read).ok());
    QCOMPARE(read[0], QString("NOVO"));
    QVERIFY(FileBytes(path).startsWith("[A]\r\nB=C\r\n[FRASES]\r\nTRUCO=NOVO\r\n"));
  }
};

}  // namespace truco

TRUCO_FILE_TEST_MAIN(truco::TestPhrasesFile)
#include "test_phrases_file.moc"
