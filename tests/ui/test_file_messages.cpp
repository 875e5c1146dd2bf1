// The Portuguese texts of the files' failures: every reason is the program's own, never the
// system's English, and each names what really happened.
#include <cerrno>
#include <cstring>

#include <QtTest>

#include "store/file_status.h"
#include "ui/file_messages.h"

namespace truco {

class TestFileMessages : public QObject {
  Q_OBJECT

 private slots:
  void noReasonIsTheSystemsEnglish() {
    const FileFault faults[] = {FileFault::Unreadable, FileFault::ReadError,
                                FileFault::WriteFailed};
    for (int error = 1; error < 134; ++error) {
      const QString english = QString::fromLocal8Bit(std::strerror(error));
      for (FileFault fault : faults) {
        const QString reason = FileFaultReason(FileStatus::Fault(fault, error));
        QVERIFY(!reason.isEmpty());
        QVERIFY2(!reason.contains(english, Qt::CaseInsensitive), qPrintable(reason));
      }
    }
  }

  void eachFaultSaysWhatHappened_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("said");
    auto row = [](const char* name, FileFault f, int e, FileKind k, const char* said) {
      QTest::newRow(name) << static_cast<int>(f) << e << static_cast<int>(k)
                          << QString::fromUtf8(said);
    };
    row("missing", FileFault::Missing, ENOENT, FileKind::Regular, "o arquivo não existe");
    row("mode 0200", FileFault::Unreadable, EACCES, FileKind::Regular, "sem permissão de leitura");
    row("read-only folder", FileFault::WriteFailed, EACCES, FileKind::Regular,
        "sem permissão de gravação na pasta");
    row("full disk", FileFault::WriteFailed, ENOSPC, FileKind::Regular, "o disco está cheio");
    row("read-only disk", FileFault::WriteFailed, EROFS, FileKind::Regular,
        "o disco só permite leitura");
    row("read error", FileFault::ReadError, EIO, FileKind::Regular,
        "erro durante a leitura (erro de entrada e saída no disco)");
    row("pipe", FileFault::NotRegularFile, 0, FileKind::Pipe, "é um pipe");
    row("folder", FileFault::NotRegularFile, 0, FileKind::Folder, "é uma pasta");
    row("device", FileFault::NotRegularFile, 0, FileKind::Device, "é um dispositivo");
    row("socket", FileFault::NotRegularFile, 0, FileKind::Socket, "é um socket");
    row("unknown errno", FileFault::WriteFailed, 4242, FileKind::Regular,
        "erro do sistema número 4242");
  }
  void eachFaultSaysWhatHappened() {
    QFETCH(int, fault);
    QFETCH(int, error);
    QFETCH(int, kind);
    QFETCH(QString, said);
    FileStatus status = FileStatus::Fault(static_cast<FileFault>(fault), error);
    status.kind = static_cast<FileKind>(kind);
    QVERIFY2(FileFaultReason(status).startsWith(said), qPrintable(FileFaultReason(status)));
  }

  void linesNameTheFileTheWayAndTheConsequence() {
    FileStatus large = FileStatus::Fault(FileFault::TooLarge);
    large.size = 1048600;
    large.limit = 1 << 20;
    const QStringList lines = FileFailureLines("Frases.ini", large, "O arquivo não foi alterado.");
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QString::fromUtf8("Não foi possível ler o arquivo \"Frases.ini\": o arquivo "
                                         "tem 1048600 bytes, mais que o limite de 1 MiB que o "
                                         "jogo lê e grava."));
    QCOMPARE(lines[1], QString::fromUtf8("O arquivo não foi alterado."));
    const QStringList written =
        FileFailureLines("Conf.dll", FileStatus::Fault(FileFault::WriteFailed, ENOSPC));
    QCOMPARE(written, QStringList{QString::fromUtf8(
                          "Não foi possível gravar o arquivo \"Conf.dll\": o disco está cheio.")});
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestFileMessages)
#include "test_file_messages.moc"
