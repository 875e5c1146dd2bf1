#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/store/boxes.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formrecordes.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

QString LabelText(QWidget& window, const QString& name) {
  auto* label = window.findChild<QLabel*>(name);
  return label ? label->text() : QStringLiteral("<missing %1>").arg(name);
}

QStringList Row(QWidget& window, int row) {
  const QString n = QString::number(row);
  return {LabelText(window, "LNome" + n), LabelText(window, "Vitoria" + n),
          LabelText(window, "Derrota" + n), LabelText(window, "Saldo" + n)};
}

RecordsTable SampleTable() {
  RecordsTable table = ClearedRecordsTable();
  table[0] = MakeRecordsEntry("JOÃO", 130, 7, 123);
  table[1] = MakeRecordsEntry("ANA", 12, 3, 9);
  table[2] = MakeRecordsEntry("COMPUTADOR", 2, 7, -5);
  return table;
}

}  // namespace

class TestFormRecordes : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

  void numbersHaveAtLeastTwoDigits_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("shown");
    QTest::newRow("0") << 0 << "00";
    QTest::newRow("5") << 5 << "05";
    QTest::newRow("12") << 12 << "12";
    QTest::newRow("123") << 123 << "123";
    QTest::newRow("-5") << -5 << "-05";
    QTest::newRow("-12") << -12 << "-12";
    // What a damaged file holds is clamped to what the labels show whole.
    QTest::newRow("min") << std::numeric_limits<int>::min() << "-999";
    QTest::newRow("-999") << -999 << "-999";
    QTest::newRow("max") << std::numeric_limits<int>::max() << "9999";
  }
  void numbersHaveAtLeastTwoDigits() {
    QFETCH(int, number);
    QFETCH(QString, shown);
    QCOMPARE(TwoDigits(number), shown);
  }

  void showingReadsTheFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    PutFile(path, EncodeRecordsFile(SampleTable()));
    TFormRecordes window(path);
    window.show();
    QCOMPARE(Row(window, 1), (QStringList{"JOÃO", "130", "07", "123"}));
    QCOMPARE(Row(window, 3), (QStringList{"COMPUTADOR", "02", "07", "-05"}));
    QCOMPARE(Row(window, 6), (QStringList{"RECORDISTA", "00", "00", "00"}));
    // Shown again after the file changed: read afresh.
    window.close();
    RecordsTable changed = SampleTable();
    changed[0] = MakeRecordsEntry("<b>BIA</b>", 1, 0, 1);
    PutFile(path, EncodeRecordsFile(changed));
    window.show();
    QCOMPARE(Row(window, 1).first(), QString("<b>BIA</b>"));
    QCOMPARE(window.findChild<QLabel*>("LNome1")->textFormat(), Qt::PlainText);
    window.close();
  }

  // Missing file: created with six "RECORDISTA" rows, no message, labels keep their text.
  void missingFileIsCreatedSilently() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    TFormRecordes window(path);
    QCOMPARE(testing::CountModalsDuring([&] { window.show(); }), 0);
    QCOMPARE(FileBytes(path), EncodeRecordsFile(ClearedRecordsTable()));
    QCOMPARE(Row(window, 1), (QStringList{"RECORDISTA", "00", "00", "00"}));
    window.close();
  }

  void limparAsksFirst() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Recordes.qdx");
    const QByteArray sample = EncodeRecordsFile(SampleTable());
    PutFile(path, sample);
    TFormRecordes window(path);
    window.show();
    auto* limpar = window.findChild<QPushButton*>("BLimpar");
    QVERIFY(limpar);
    QCOMPARE(limpar->text(), QString("Limpar"));

    QString seen;
    testing::AnswerNextModal("&No", &seen);
    QTest::mouseClick(limpar, Qt::LeftButton);
    QVERIFY(seen.contains("Tem Certeza que deseja limpar os recordes ?"));
    QVERIFY(seen.contains("Atenção ..."));
    QCOMPARE(FileBytes(path), sample);
    QCOMPARE(Row(window, 1).first(), QString("JOÃO"));

    testing::AnswerNextModal("&Yes");
    QTest::mouseClick(limpar, Qt::LeftButton);
    const QByteArray cleared = FileBytes(path);
    QCOMPARE(cleared.size(), 144);
    QCOMPARE(cleared, EncodeRecordsFile(ClearedRecordsTable()));
    for (int row = 1; row <= 6; ++row)
      QCOMPARE(Row(window, row), (QStringList{"RECORDISTA", "00", "00", "00"}));
    QVERIFY(window.isVisible());
    QTest::mouseClick(window.findChild<QPushButton*>("BFechar"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
  }

  void blackWithYellowTextsAndNoTitleBar() {
    QTemporaryDir dir;
    TFormRecordes window(dir.filePath("Recordes.qdx"));
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(window.palette().color(QPalette::Window), QColor(Qt::black));
    QCOMPARE(LabelText(window, "L_Titulo"), QString("Melhores Recordistas"));
    const auto labels = window.findChildren<QLabel*>();
    QVERIFY(labels.size() >= 1 + 6 * 8);
    for (auto* label : labels)
      QCOMPARE(label->palette().color(QPalette::WindowText), QColor(Qt::yellow));
    QCOMPARE(LabelText(window, "L_Lugar1"), QString("1º"));
    QCOMPARE(LabelText(window, "L_Vitoria2"), QString("Vitória(s)"));
    QCOMPARE(LabelText(window, "L_Derrota3"), QString("Derrota(s)"));
    QCOMPARE(LabelText(window, "L_Saldo6"), QString("Saldo"));
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestFormRecordes)
#include "test_formrecordes.moc"
