// The about box: black, no close box, title, version and date, four aces fanned with the hint
// on the ace of clubs, and the site's address opening in the browser.

#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QtTest>

#include "ui/card.h"
#include "ui/formsobre.h"
#include "ui/site.h"

using truco::Suit;
using truco::TCard;

// Stands in for the browser: records what it was asked to open.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> opened;
 public slots:
  void open(const QUrl& url) { opened << url; }
};

class TestSobre : public QObject {
  Q_OBJECT
 private slots:
  void blackWithoutCloseBox();
  void titleVersionAndDate();
  void fourAcesFanned();
  void siteOpensInTheBrowser();
  void siteAddressRestoredOnActivation();
  void fecharCloses();
};

void TestSobre::blackWithoutCloseBox() {
  truco::TFormSobre form;
  QCOMPARE(form.palette().color(QPalette::Window), QColor(Qt::black));
  QVERIFY(form.autoFillBackground());
  const Qt::WindowFlags flags = form.windowFlags();
  QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
  QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
  QCOMPARE(form.windowTitle(), QStringLiteral("Truco Zanforte"));
}

void TestSobre::titleVersionAndDate() {
  truco::TFormSobre form;
  QStringList texts;
  for (auto* label : form.findChildren<QLabel*>()) texts << label->text();
  QVERIFY(texts.contains(QStringLiteral("Truco Zanforte")));
  QVERIFY(texts.contains(QString::fromUtf8("Versão 4.7")));
  QVERIFY(texts.filter(QRegularExpression(QStringLiteral("\\b20\\d\\d\\b"))).size() >= 1);
}

void TestSobre::fourAcesFanned() {
  truco::TFormSobre form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  const std::pair<const char*, Suit> order[] = {{"AsPaus", Suit::Clubs},
                                                {"AsCopas", Suit::Hearts},
                                                {"AsEspadas", Suit::Spades},
                                                {"AsOuros", Suit::Diamonds}};
  TCard* before = nullptr;
  for (const auto& [name, suit] : order) {
    auto* card = form.findChild<TCard*>(QString::fromLatin1(name));
    QVERIFY2(card, name);
    QCOMPARE(card->value(), truco::kAce);
    QCOMPARE(card->suit(), suit);
    QVERIFY(!card->showDeck());
    // The corners sit on the black of the window.
    QCOMPARE(card->grab().toImage().pixelColor(0, 0), QColor(Qt::black));
    if (before) {
      QVERIFY(card->x() > before->x());
      QVERIFY2(card->geometry().intersects(before->geometry()), "the aces are not fanned");
      // The later card lies over the one before.
      QVERIFY(card->parentWidget()->children().indexOf(card) >
              card->parentWidget()->children().indexOf(before));
    }
    before = card;
  }
  auto* clubs = form.findChild<TCard*>(QStringLiteral("AsPaus"));
  QCOMPARE(clubs->toolTip(), QStringLiteral("Clique aqui"));
  QCOMPARE(clubs->cursor().shape(), Qt::PointingHandCursor);
  // The hint promises nothing: a click leaves the window as it was, with no box.
  QTest::mouseClick(clubs, Qt::LeftButton);
  QVERIFY(form.isVisible());
  QVERIFY(QApplication::activeModalWidget() == nullptr ||
          QApplication::activeModalWidget() == &form);
  form.close();
}

void TestSobre::siteOpensInTheBrowser() {
  UrlCatcher browser;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &browser, "open");
  const auto unset =
      qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); });
  truco::TFormSobre form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  auto* site = form.findChild<QLineEdit*>(QStringLiteral("ESite"));
  QVERIFY(site);
  QVERIFY(site->isReadOnly());
  QCOMPARE(site->text(), truco::SiteAddress());
  QCOMPARE(site->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(site, Qt::LeftButton);
  QCOMPARE(browser.opened.size(), 1);
  QCOMPARE(browser.opened.first(), QUrl(truco::SiteAddress()));
  form.close();
}

void TestSobre::siteAddressRestoredOnActivation() {
  truco::TFormSobre form;
  auto* site = form.findChild<QLineEdit*>(QStringLiteral("ESite"));
  site->setText(QStringLiteral("alterado"));
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(site->text(), truco::SiteAddress());
  form.close();
}

void TestSobre::fecharCloses() {
  truco::TFormSobre form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  auto* fechar = form.findChild<QPushButton*>(QStringLiteral("BFechar"));
  QCOMPARE(fechar->text(), QStringLiteral("Fechar"));
  QTest::mouseClick(fechar, Qt::LeftButton);
  QVERIFY(!form.isVisible());
  QCOMPARE(form.result(), int(QDialog::Accepted));
}

QTEST_MAIN(TestSobre)
#include "test_sobre.moc"
