#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "store/codepage.h"
#include "tests/store/boxes.h"
#include "tests/support_files.h"
#include "tests/ui/modal.h"
#include "ui/formfrases.h"

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

  // "Gravar" writes a phrase the player did not touch back byte for byte (lower case, longer than
  // a field holds, any Windows-1252 letter); the ones typed go as the fields hold them.
  void untouchedPhrasesStayByteForByte() {
    const quint32 seed = qEnvironmentVariableIsSet("TRUCO_TEST_SEED")
                             ? qEnvironmentVariableIntValue("TRUCO_TEST_SEED")
                             : QRandomGenerator::global()->generate();
    qInfo("seed %u", seed);
    QRandomGenerator random(seed);
    const char* keys[] = {"TRUCO", "SEIS", "NOVE", "DOZE", "ACEITA"};
    const char* fields[] = {"E_TRUCO", "E_SEIS", "E_NOVE", "E_DOZE"};
    auto text = [&random](int length) {
      QByteArray bytes;
      for (int i = 0; i < length; ++i) {
        // Printable bytes of the code page, no line ends and no '='.
        char c = static_cast<char>(0x20 + random.bounded(0xE0));
        if (c == '=' || c == 0x7F) c = 'a';
        bytes.append(c);
      }
      return bytes.trimmed();
    };
    for (int round = 0; round < 40; ++round) {
      QTemporaryDir dir;
      const QString path = dir.filePath("Frases.ini");
      QByteArray file("[FRASES]\r\n");
      QList<QByteArray> held;
      for (const char* key : keys) {
        held << text(1 + random.bounded(60));
        file += QByteArray(key) + '=' + held.last() + "\r\n";
      }
      PutFile(path, file);
      TFormFrases window(path);
      window.show();
      QList<bool> typed;
      for (const char* name : fields) {
        typed << (random.bounded(2) == 1);
        if (typed.last()) {
          Field(window, name)->clear();
          QTest::keyClicks(Field(window, name), QStringLiteral("novo %1").arg(round));
        }
      }
      Click(window, "B_Grava");
      const QList<QByteArray> lines = FileBytes(path).split('\n');
      for (int k = 0; k < 5; ++k) {
        QByteArray line;
        for (const QByteArray& l : lines) {
          if (l.startsWith(QByteArray(keys[k]) + '=')) line = l.trimmed();
        }
        const QByteArray value = line.mid(qstrlen(keys[k]) + 1);
        if (k < 4 && typed[k]) {
          QCOMPARE(value, QStringLiteral("NOVO %1").arg(round).toLatin1());
        } else {
          QCOMPARE(value, held[k]);
        }
      }
    }
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
