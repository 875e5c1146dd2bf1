#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "store/level_file.h"
#include "tests/support_files.h"

namespace truco {

class TestLevelFile : public QObject {
  Q_OBJECT

 private slots:
  void roundTripThroughAFolderThatDoesNotExistYet() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Truco/sub/nivel.conf"));
    QVERIFY(WriteLevelFile(path, ComputerLevel::Forte));
    QCOMPARE(ReadLevelFile(path), ComputerLevel::Forte);
    QCOMPARE(testing::FileBytes(path), QByteArray("nivel=forte\n"));
    QVERIFY(WriteLevelFile(path, ComputerLevel::Mestre));
    QCOMPARE(ReadLevelFile(path), ComputerLevel::Mestre);
    QCOMPARE(testing::FileBytes(path), QByteArray("nivel=mestre\n"));
    QVERIFY(WriteLevelFile(path, ComputerLevel::Classico));
    QCOMPARE(ReadLevelFile(path), ComputerLevel::Classico);
    QCOMPARE(testing::FileBytes(path), QByteArray("nivel=classico\n"));
    // Atomic: nothing but the file itself is left beside it.
    QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files).size(), 1);
  }

  void missingOrBadContentsMeanClassico() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nivel.conf"));
    QCOMPARE(ReadLevelFile(path), ComputerLevel::Classico);  // no file
    QCOMPARE(ReadLevelFile(QString()), ComputerLevel::Classico);
    const QList<QByteArray> bad{"",
                                "forte",
                                "nivel=FORTE",
                                "nivel=mestre2",
                                "nivel=forte\nnivel=forte\n",
                                QByteArray("nivel=forte\0", 12),
                                QByteArray(1000, 'x'),
                                "\xff\xfe\x00n\x00i"};
    for (const QByteArray& bytes : bad) {
      testing::PutFile(path, bytes);
      QCOMPARE(ReadLevelFile(path), ComputerLevel::Classico);
    }
    // Spaces and a Windows line end around the one line are forgiven.
    testing::PutFile(path, "  nivel=forte\r\n");
    QCOMPARE(ReadLevelFile(path), ComputerLevel::Forte);
    // A folder in the file's place reads as nothing.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pasta")));
    QCOMPARE(ReadLevelFile(dir.filePath(QStringLiteral("pasta"))), ComputerLevel::Classico);
  }

  void namesAreThePortugueseOnes() {
    QCOMPARE(LevelName(ComputerLevel::Classico), QStringLiteral("Clássico"));
    QCOMPARE(LevelName(ComputerLevel::Forte), QStringLiteral("Forte"));
    QCOMPARE(LevelName(ComputerLevel::Mestre), QStringLiteral("Mestre"));
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestLevelFile)
#include "test_level_file.moc"
