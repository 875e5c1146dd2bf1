// The rules window: its text covers the rules of this program, printing writes that text under
// the job title, a machine without a printer offers a PDF instead, and the background follows
// the main window's colour.

#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include "tests/ui/modal.h"
#include "ui/card.h"
#include "ui/formregras.h"
#include "ui/printing.h"

using truco::TFormRegras;

namespace {

// The text of a PDF as poppler reads it (also proves that the file is a readable PDF).
QString PdfText(const QString& path) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
  if (tool.isEmpty()) return QStringLiteral("<pdftotext missing: install poppler-utils>");
  QProcess process;
  process.start(tool, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
  if (!process.waitForFinished(30000) || process.exitCode() != 0) return {};
  return QString::fromUtf8(process.readAllStandardOutput()).simplified();
}

QString PdfTitle(const QString& path) {
  const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
  if (tool.isEmpty()) return {};
  QProcess process;
  process.start(tool, {path});
  if (!process.waitForFinished(30000)) return {};
  for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split('\n')) {
    if (line.startsWith(QStringLiteral("Title:"))) return line.mid(6).trimmed();
  }
  return {};
}

// Waits for a modal of type T to come up and runs `action` on it.
template <typename T>
void OnNextModalOf(std::function<void(T*)> action, int tries = 800) {
  QTimer::singleShot(5, [=]() {
    if (auto* modal = qobject_cast<T*>(QApplication::activeModalWidget())) {
      action(modal);
    } else if (tries > 0) {
      OnNextModalOf<T>(action, tries - 1);
    }
  });
}

}  // namespace

class TestRegras : public QObject {
  Q_OBJECT
 private slots:
  void layoutAndFixedTexts();
  void rulesCoverEverySection();
  void printsTheRulesToPdf();
  void printsWhatWasEditedOnScreen();
  void noPrinterOffersPdf();
  void noPrinterCancelWritesNothing();
  void backgroundFollowsTheMainWindow();
  void cleanupTestCase();
};

void TestRegras::layoutAndFixedTexts() {
  TFormRegras regras;
  QCOMPARE(regras.windowTitle(), QStringLiteral("Regras do Jogo"));
  QCOMPARE(regras.size(), QSize(767, 544));
  QStringList texts;
  for (auto* label : regras.findChildren<QLabel*>()) texts << label->text();
  for (const char* expected :
       {"Sequência das Cartas", "Sequência dos Nipes", "Como Jogar", "Manilhas",
        "Essa sequência está ordenada da maior carta para a menor, mas não estão nela, as "
        "manilhas. Vale lembrar que as manilhas vem antes dessa sequência, Onde na verdade será: "
        "Manilhas, 3, 2, 1, Rei, Valete, Dama, 7, 6, 5, 4."}) {
    QVERIFY2(texts.contains(QString::fromUtf8(expected)), expected);
  }
  for (const char* paragraph :
       {"1 -    As manilhas dependem da carta que foi virada. Esta se localiza no canto superior "
        "esquerdo da tela. Se a carta virada for um 4 por exemplo, as manilhas serão todos os 5.",
        "2 -    Para entender as regras basta seguir a sequencia acima. A manilha sempre será "
        "(usando a sequência acima) a carta imediatamente à esquerda da carta virada. Caso a "
        "carta virada seja um 3 as manilhas serão os 4. A carta a esquerda do 3 é o 4.",
        "3 -    Ao clicar o mouse sobre a carta virada ele te mostra quem são as manilhas da "
        "rodada, estas serão as mais fortes do jogo. A ordem de força depois das manilhas está "
        "descrita acima na sequência."}) {
    QVERIFY2(texts.contains(QString::fromUtf8(paragraph)), paragraph);
  }

  // Left: the ten clubs from the strongest, each under its place.
  const int order[] = {3, 2, 1, 13, 11, 12, 7, 6, 5, 4};
  for (int i = 0; i < 10; ++i) {
    const QString place = QString::number(i + 1);
    auto* card = regras.findChild<truco::TCard*>(QStringLiteral("CartaSequencia") + place);
    QVERIFY(card);
    QCOMPARE(card->value(), order[i]);
    QCOMPARE(card->suit(), truco::Suit::Clubs);
    auto* label = regras.findChild<QLabel*>(QStringLiteral("LCartaSequencia") + place);
    QVERIFY(label);
    QCOMPARE(label->text(), place + QStringLiteral("ª"));
  }
  // Right: the aces by suit strength, named, strongest at the left.
  const std::pair<const char*, const char*> aces[] = {
      {"AsPaus", "Paus"}, {"AsCopas", "Copas"}, {"AsEspadas", "Espadas"}, {"AsOuros", "Ouro"}};
  const truco::Suit suits[] = {truco::Suit::Clubs, truco::Suit::Hearts, truco::Suit::Spades,
                               truco::Suit::Diamonds};
  int last_x = -1;
  for (int i = 0; i < 4; ++i) {
    auto* ace = regras.findChild<truco::TCard*>(QString::fromLatin1(aces[i].first));
    QVERIFY(ace);
    QCOMPARE(ace->value(), truco::kAce);
    QCOMPARE(ace->suit(), suits[i]);
    QVERIFY(ace->x() > last_x);
    last_x = ace->x();
    QVERIFY(texts.contains(QString::fromLatin1(aces[i].second)));
  }
  auto* strongest = regras.findChild<QLabel*>(QStringLiteral("LMaisForte"));
  auto* weakest = regras.findChild<QLabel*>(QStringLiteral("LMaisFraco"));
  QCOMPARE(strongest->text(), QStringLiteral("Mais Forte"));
  QCOMPARE(weakest->text(), QStringLiteral("Mais Fraco"));
  QVERIFY(strongest->x() < weakest->x());

  QVERIFY(regras.findChild<QPushButton*>(QStringLiteral("BImprimir")));
  auto* fechar = regras.findChild<QPushButton*>(QStringLiteral("BFechar"));
  QVERIFY(fechar);
  QCOMPARE(fechar->text(), QStringLiteral("Fechar"));
  auto* box = regras.findChild<QTextEdit*>(QStringLiteral("Regras"));
  QVERIFY(box);
  QVERIFY(!box->isReadOnly());
}

void TestRegras::rulesCoverEverySection() {
  TFormRegras regras;
  auto* box = regras.findChild<QTextEdit*>(QStringLiteral("Regras"));
  const QString text = box->toPlainText();
  for (const char* heading : {"Inicio", "Trucar", "Esconder a Carta", "Mão de 11"}) {
    QVERIFY2(text.contains(QString::fromUtf8(heading)), heading);
  }
  QVERIFY(text.contains(QStringLiteral("12 tentos")));
  // The hand of eleven has six numbered rules, the last one 11 against 11 in both modes.
  const QString html = box->toHtml();
  const qsizetype eleven = html.indexOf(QStringLiteral("Mão de 11</"));
  QVERIFY(eleven > 0);
  QCOMPARE(html.mid(eleven).count(QStringLiteral("<li")), 6);
  const QString last_rule = text.mid(text.lastIndexOf(QStringLiteral("11 contra 11")));
  QVERIFY(last_rule.contains(QStringLiteral("Normal")));
  QVERIFY(last_rule.contains(QStringLiteral("No Escuro")));
  // Running gives the caller what the hand was worth before the refused call.
  const QString trucar = text.mid(text.indexOf(QStringLiteral("\nTrucar")));
  QVERIFY(trucar.contains(QStringLiteral("1 tento, do seis 3, do nove 6 e do doze 9")));
  // The first card of a hand is never hidden.
  QVERIFY(text.contains(QStringLiteral("primeira carta da mão nunca pode ser escondida")));
}

void TestRegras::printsTheRulesToPdf() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("regras.pdf"));
  TFormRegras regras;
  // Printing is a module loaded by the first print.
  QVERIFY(!truco::printing::ModuleLoaded());
  QVERIFY(regras.saveRulesAsPdf(path));
  QVERIFY(truco::printing::ModuleLoaded());

  const QString text = PdfText(path);
  for (const char* wanted :
       {"Inicio", "Trucar", "Esconder a Carta", "Mão de 11", "No Escuro", "três rodadas"}) {
    QVERIFY2(text.contains(QString::fromUtf8(wanted)),
             qPrintable(QStringLiteral("'%1' not in the PDF: %2").arg(wanted, text.left(300))));
  }
  QCOMPARE(PdfTitle(path), QStringLiteral("Regras do Truco Zanforte"));
}

void TestRegras::printsWhatWasEditedOnScreen() {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("editado.pdf"));
  TFormRegras regras;
  auto* box = regras.findChild<QTextEdit*>(QStringLiteral("Regras"));
  box->moveCursor(QTextCursor::End);
  box->insertPlainText(QStringLiteral("\nCombinado da casa: quem perder paga o cafe"));
  QVERIFY(regras.saveRulesAsPdf(path));
  QVERIFY(PdfText(path).contains(QStringLiteral("quem perder paga o cafe")));

  // The edit lives only in this window: a new one starts from the program's text.
  TFormRegras fresh;
  QVERIFY(!fresh.findChild<QTextEdit*>(QStringLiteral("Regras"))
               ->toPlainText()
               .contains(QStringLiteral("paga o cafe")));
  // A PDF that cannot be written is reported, not taken for done.
  QVERIFY(!regras.saveRulesAsPdf(dir.filePath(QStringLiteral("no/such/folder/x.pdf"))));
}

void TestRegras::noPrinterOffersPdf() {
  if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("sem impressora.pdf"));
  TFormRegras regras;
  regras.show();

  QString seen;
  bool file_dialog_seen = false;
  OnNextModalOf<QFileDialog>([&](QFileDialog* dialog) {
    file_dialog_seen = true;
    dialog->selectFile(path);
    QMetaObject::invokeMethod(dialog, &QDialog::accept, Qt::QueuedConnection);
  });
  truco::testing::AnswerNextModal(QStringLiteral("Salvar PDF"), &seen);
  QTest::mouseClick(regras.findChild<QPushButton*>(QStringLiteral("BImprimir")), Qt::LeftButton);

  QVERIFY2(seen.contains(QStringLiteral("impressora")), qPrintable(seen));
  QVERIFY(file_dialog_seen);
  QVERIFY(QFileInfo::exists(path));
  QVERIFY(PdfText(path).contains(QStringLiteral("Esconder a Carta")));
  regras.close();
}

void TestRegras::noPrinterCancelWritesNothing() {
  if (!QPrinterInfo::defaultPrinter().isNull()) QSKIP("this machine has a printer");
  TFormRegras regras;
  regras.show();
  QString seen;
  truco::testing::AnswerNextModal(QStringLiteral("Cancelar"), &seen);
  QTest::mouseClick(regras.findChild<QPushButton*>(QStringLiteral("BImprimir")), Qt::LeftButton);
  QVERIFY(seen.contains(QStringLiteral("PDF")));
  // No second box (file dialog) follows a cancel.
  QTest::qWait(50);
  QVERIFY(!QApplication::activeModalWidget());
  regras.close();
}

void TestRegras::backgroundFollowsTheMainWindow() {
  TFormRegras regras;
  auto* box = regras.findChild<QTextEdit*>(QStringLiteral("Regras"));
  const QColor first(0, 128, 0);
  const QColor second(200, 180, 120);

  regras.setMainBackground(first);
  regras.show();
  QCOMPARE(regras.palette().color(QPalette::Window), first);
  QCOMPARE(box->palette().color(QPalette::Base), first);
  regras.close();

  // The main window's colour changes while the rules are closed.
  regras.setMainBackground(second);
  regras.show();
  QCOMPARE(regras.palette().color(QPalette::Window), second);
  QCOMPARE(box->palette().color(QPalette::Base), second);
  QVERIFY(regras.autoFillBackground());

  // And while they are open.
  regras.setMainBackground(first);
  QCOMPARE(regras.palette().color(QPalette::Window), first);
  regras.close();
}

void TestRegras::cleanupTestCase() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + QStringLiteral(" left open")));
  }
}

QTEST_MAIN(TestRegras)
#include "test_regras.moc"
