#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "tests/support_files.h"
#include "store/codepage.h"
#include "ui/formfrases.h"
#include "tests/store/boxes.h"
#include "tests/ui/modal.h"

namespace truco {

namespace {

using truco::testing::FileBytes;
using truco::testing::PutFile;

QLineEdit* Field(QWidget& window, const char* name) {
  auto* field = window.findChild<QLineEdit*>(name);
  Q_ASSERT(field);
  return field;
}

// Types any text, accents included, as key presses carrying that text.
void Type(QWidget* widget, const QString& text) {
  for (const QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

void Click(QWidget& window, const char* name) {
  auto* button = window.findChild<QPushButton*>(name);
  QVERIFY(button);
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class TestFormFrases : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

  void layoutAndHiddenAcceptancePhrase() {
    QTemporaryDir dir;
    TFormFrases window(dir.filePath("Frases.ini"));
    QCOMPARE(window.windowTitle(), QString("Frases do jogo"));
    QCOMPARE(window.size(), QSize(477, 263));
    QCOMPARE(window.findChild<QPushButton*>("B_Grava")->text(), QString("Gravar"));
    QCOMPARE(window.findChild<QPushButton*>("B_Fecha")->text(), QString("Fechar"));
    window.show();
    QVERIFY(!Field(window, "E_ACEITA")->isVisible());
    QVERIFY(!Field(window, "E_ACEITA")->isEnabled());
    for (const char* name : {"E_TRUCO", "E_SEIS", "E_NOVE", "E_DOZE"})
      QCOMPARE(Field(window, name)->geometry().width(), 321);
    window.close();
  }

  // No file: four empty fields, and the headline the computer shows is empty.
  void missingFileGivesEmptyPhrases() {
    QTemporaryDir dir;
    TFormFrases window(dir.filePath("Frases.ini"));
    for (const char* name : {"E_TRUCO", "E_SEIS", "E_NOVE", "E_DOZE", "E_ACEITA"})
      QCOMPARE(Field(window, name)->text(), QString());
    QCOMPARE(window.phrase(PhraseKey::Truco), QString());
  }

  void loadsWindows1252Phrases() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    PutFile(path, EncodeWindows1252(QString::fromUtf8(
                      "[FRASES]\r\nTRUCO=TRUCO MARRECO!!!\r\nSEIS=seis ladrão!!!!\r\n"
                      "ACEITA=PODE JOGAR LADRÂO\r\n")));
    TFormFrases window(path);
    QCOMPARE(window.phrase(PhraseKey::Truco), QString("TRUCO MARRECO!!!"));
    QCOMPARE(window.phrase(PhraseKey::Seis), QString::fromUtf8("SEIS LADRÃO!!!!"));
    QCOMPARE(window.phrase(PhraseKey::Nove), QString());
    QCOMPARE(Field(window, "E_ACEITA")->text(), QString::fromUtf8("PODE JOGAR LADRÂO"));
  }

  void typingIsUpperCaseAndStopsAtThirty() {
    QTemporaryDir dir;
    TFormFrases window(dir.filePath("Frases.ini"));
    window.show();
    QLineEdit* field = Field(window, "E_TRUCO");
    field->setFocus();
    Type(field, QString::fromUtf8("truco, ladrão! ação"));
    QCOMPARE(field->text(), QString::fromUtf8("TRUCO, LADRÃO! AÇÃO"));
    field->clear();
    QTest::keyClicks(field, QString(35, 'a'));
    QCOMPARE(field->text(), QString(30, 'A'));
    window.close();
  }

  // "Gravar" writes all five keys (ACEITA with its loaded value) and keeps foreign sections.
  void gravarSavesAndUsesTheFields() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    PutFile(path, "[OUTRA]\r\nX=1\r\n[FRASES]\r\nTRUCO=VELHO\r\nACEITA=ACEITO\r\n");
    TFormFrases window(path);
    QSignalSpy saved(&window, &TFormFrases::phrasesSaved);
    window.show();
    Field(window, "E_TRUCO")->clear();
    QTest::keyClicks(Field(window, "E_TRUCO"), "novo truco");
    Type(Field(window, "E_DOZE"), QString::fromUtf8("dôze"));
    Click(window, "B_Grava");
    QVERIFY(!window.isVisible());
    QCOMPARE(saved.count(), 1);
    QCOMPARE(window.phrase(PhraseKey::Truco), QString("NOVO TRUCO"));
    QCOMPARE(FileBytes(path), EncodeWindows1252(QString::fromUtf8(
                                  "[OUTRA]\r\nX=1\r\n[FRASES]\r\nTRUCO=NOVO TRUCO\r\n"
                                  "ACEITA=ACEITO\r\nSEIS=\r\nNOVE=\r\nDOZE=DÔZE\r\n")));
  }

  // "Fechar": the file and the phrases in use stay; the fields keep the edit for next time.
  void fecharKeepsEditsUnsaved() {
    QTemporaryDir dir;
    const QString path = dir.filePath("Frases.ini");
    const QByteArray old = "[FRASES]\r\nTRUCO=VELHO\r\n";
    PutFile(path, old);
    TFormFrases window(path);
    QSignalSpy saved(&window, &TFormFrases::phrasesSaved);
    window.show();
    QTest::keyClicks(Field(window, "E_TRUCO"), " editado");
    Click(window, "B_Fecha");
    QVERIFY(!window.isVisible());
    QCOMPARE(saved.count(), 0);
    QCOMPARE(window.phrase(PhraseKey::Truco), QString("VELHO"));
    QCOMPARE(FileBytes(path), old);
    window.show();
    QCOMPARE(Field(window, "E_TRUCO")->text(), QString("VELHO EDITADO"));
    window.close();
    QCOMPARE(window.phrase(PhraseKey::Truco), QString("VELHO"));
  }

  // A file that cannot be written is reported; the new phrases still serve this run.
  void unwritableFileIsReported() {
    TFormFrases window("/nonexistent-folder-for-truco/Frases.ini");
    window.show();
    QTest::keyClicks(Field(window, "E_SEIS"), "seis");
    QString seen;
    testing::AnswerNextModal("OK", &seen);
    Click(window, "B_Grava");
    QVERIFY(seen.contains("Frases.ini"));
    QVERIFY(seen.contains("Atenção"));
    QCOMPARE(window.phrase(PhraseKey::Seis), QString("SEIS"));
    QVERIFY(!window.isVisible());
  }

  void takesTheMainBackground() {
    QTemporaryDir dir;
    TFormFrases window(dir.filePath("Frases.ini"));
    window.setMainBackground(QColor(0, 128, 0));
    QCOMPARE(window.palette().color(QPalette::Window), QColor(0, 128, 0));
    QVERIFY(window.autoFillBackground());
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestFormFrases)
#include "test_formfrases.moc"
