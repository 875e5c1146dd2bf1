#include <QAbstractButton>
#include <QMessageBox>
#include <QtTest>

#include "tests/store/boxes.h"
#include "tests/ui/modal.h"
#include "ui/messageboxes.h"

namespace truco {

namespace {

// Records the next box, then presses `button` in it (or rejects it when `button` is empty).
void RecordNextBox(testing::SeenBox* seen, const QString& button) {
  testing::OnNextModal([seen, button](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box) {
      modal->close();
      return;
    }
    seen->opened = true;
    seen->caption = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->modality = box->windowModality();
    for (auto* b : box->buttons()) seen->buttons << b->text();
    for (auto* b : box->buttons()) {
      if (!button.isEmpty() && b->text() == button) {
        b->click();
        return;
      }
    }
    box->reject();
  });
}

}  // namespace

class TestMessageBoxes : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

  void textIsJoinedWithLineFeedCarriageReturn() {
    QCOMPARE(BuildMessageText({"A", "B", "C"}, false), QString("A\n\rB\n\rC"));
    QCOMPARE(BuildMessageText({"Tem Certeza que deseja limpar os recordes"}, true),
             QString("Tem Certeza que deseja limpar os recordes ?"));
    QCOMPARE(BuildMessageText({}, true), QString());
    QCOMPARE(BuildMessageText({QString(600, 'x')}, false).size(), kMessageTextLimit);
    QCOMPARE(BuildMessageText({QString(499, 'x')}, true), QString(499, 'x') + " ");
  }

  void everyKindOfLineBreakShowsAsOne() {
    QCOMPARE(DisplayText("A\n\rB\r\nC\rD\nE"), QString("A\nB\nC\nD\nE"));
    QCOMPARE(DisplayText("A\n\r\n\rB"), QString("A\n\nB"));
    QCOMPARE(DisplayText("A\n\nB"), QString("A\n\nB"));
    QCOMPARE(DisplayText("no breaks"), QString("no breaks"));
  }

  void confirmaAsksWithQuestionMarkAndReportsYes() {
    testing::SeenBox seen;
    RecordNextBox(&seen, "&Yes");
    QVERIFY(Confirma({"Tem Certeza que deseja limpar os recordes"}));
    QCOMPARE(seen.caption, QString("Atenção ..."));
    QCOMPARE(seen.text, QString("Tem Certeza que deseja limpar os recordes ?"));
    QCOMPARE(seen.icon, QMessageBox::Question);
    QCOMPARE(seen.modality, Qt::ApplicationModal);
    QCOMPARE(seen.buttons, (QStringList{"&Yes", "&No"}));

    testing::SeenBox no;
    RecordNextBox(&no, "&No");
    QVERIFY(!Confirma({"Linha 1", "Linha 2"}));
    QCOMPARE(no.text, QString("Linha 1\nLinha 2 ?"));

    testing::SeenBox escaped;
    RecordNextBox(&escaped, QString());
    QVERIFY(!Confirma({"Fechada sem resposta"}));
  }

  void emptyListsShowNothing() {
    bool answer = true;
    QCOMPARE(testing::CountModalsDuring([&] { answer = Confirma({}); }), 0);
    QVERIFY(!answer);
    QCOMPARE(testing::CountModalsDuring([] { Mensagem({}, kMensagemErro); }), 0);
    QCOMPARE(testing::CountModalsDuring([] { Mensagem({"x"}, kMensagemErro); }), 1);
  }

  void mensagemKinds_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("icon");
    QTest::newRow("0 error") << 0 << "Erro" << int(QMessageBox::Critical);
    QTest::newRow("1 warning") << 1 << "Atenção" << int(QMessageBox::Warning);
    QTest::newRow("2 information") << 2 << "Informação" << int(QMessageBox::Information);
    QTest::newRow("5 bare") << 5 << "" << int(QMessageBox::NoIcon);
    QTest::newRow("255 bare") << 255 << "" << int(QMessageBox::NoIcon);
  }

  void mensagemKinds() {
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(int, icon);
    testing::SeenBox seen;
    RecordNextBox(&seen, "OK");
    Mensagem({"Primeira", "Segunda"}, kind);
    QVERIFY(seen.opened);
    QCOMPARE(seen.caption, caption);
    QCOMPARE(int(seen.icon), icon);
    QCOMPARE(seen.text, QString("Primeira\nSegunda"));
    QCOMPARE(seen.buttons, QStringList{"OK"});
    QCOMPARE(seen.modality, Qt::ApplicationModal);
  }

  void mostraMensagemInformationIsAlwaysTrue() {
    testing::SeenBox seen;
    RecordNextBox(&seen, QString());  // closed without pressing OK
    QVERIFY(MOSTRA_MENSAGEM("Arquivo \"Recordes.qdx\" não encontrado", kMostraInformacao));
    QCOMPARE(seen.caption, QString("Information"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.buttons, QStringList{"OK"});
  }

  void mostraMensagemQuestionIsTrueOnlyForYes() {
    testing::SeenBox yes;
    RecordNextBox(&yes, "&Yes");
    QVERIFY(MOSTRA_MENSAGEM("Tem Certeza que deseja Sair?", kMostraPergunta));
    QCOMPARE(yes.buttons, (QStringList{"&Yes", "&No"}));
    QCOMPARE(yes.caption, QString("Information"));
    testing::SeenBox no;
    RecordNextBox(&no, "&No");
    QVERIFY(!MOSTRA_MENSAGEM("Linha\r\nquebrada", 7));
    QCOMPARE(no.text, QString("Linha\nquebrada"));
  }
};

}  // namespace truco

QTEST_MAIN(truco::TestMessageBoxes)
#include "test_messageboxes.moc"
