// The manilhas and deck-types windows: the manilhas follow the hand in both modes, the deck
// types show the order of each deck, and both take the main window's background.

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "engine/cards.h"
#include "tests/ui/modal.h"
#include "ui/card.h"
#include "ui/formbaralho.h"
#include "ui/formmanilhas.h"

using truco::ManilhaValues;
using truco::Suit;
using truco::TCard;

namespace {

ManilhaValues NovaAfterVira(char deck, int vira) {
  ManilhaValues values{};
  values.fill(static_cast<std::uint8_t>(truco::Proxima(deck, vira)));
  return values;
}

struct Shown {
  const char* card;
  const char* box;
  const char* caption;
  Suit suit;
};
constexpr Shown kShown[] = {{"Zap", "GBZap", "  Zape  ", Suit::Clubs},
                            {"Copas", "GBCopas", "  Sete Copas  ", Suit::Hearts},
                            {"Espadas", "GBEspadas", "  Espadilha  ", Suit::Spades},
                            {"Ouros", "GBOuros", "  Sete Ouros  ", Suit::Diamonds}};

TCard* CardOf(QWidget* window, const char* name) {
  return window->findChild<TCard*>(QString::fromLatin1(name));
}

// The colour around a card's rounded corner, as the player sees it.
QColor CornerColour(TCard* card) {
  return card->grab().toImage().pixelColor(0, 0);
}

}  // namespace

class TestManilhas : public QObject {
  Q_OBJECT
 private slots:
  void fourBoxesInFixedOrder();
  void viraOfFourShowsFourFives();
  void manilhaVelhaShowsTheFixedFour();
  void eachShowingFollowsTheHand();
  void manilhasTakeTheBackgroundAfterAChange();
  void deckTypesShowBothOrders();
  void deckTypesFollowTheBackground();
  void cleanupTestCase();
};

void TestManilhas::fourBoxesInFixedOrder() {
  truco::TFormManilhas form;
  QCOMPARE(form.windowTitle(), QStringLiteral("Manilhas da Rodada"));
  int last_left = -1;
  for (const Shown& s : kShown) {
    auto* box = form.findChild<QGroupBox*>(QString::fromLatin1(s.box));
    QVERIFY2(box, s.box);
    QCOMPARE(box->title(), QString::fromLatin1(s.caption));
    QVERIFY(box->isFlat() == false);
    QVERIFY2(box->x() > last_left, "the boxes are not left to right");
    last_left = box->x();
    TCard* card = CardOf(&form, s.card);
    QVERIFY2(card, s.card);
    QCOMPARE(card->parentWidget(), box);
    QCOMPARE(card->suit(), s.suit);
    QVERIFY(!card->showDeck());
    QCOMPARE(card->deckType(), truco::TDecks::Standard1);
  }
  QCOMPARE(form.Zap(), CardOf(&form, "Zap"));
  QCOMPARE(form.Ouros(), CardOf(&form, "Ouros"));
}

void TestManilhas::viraOfFourShowsFourFives() {
  truco::TFormManilhas form;
  // Opened modally as the click on the vira does, and closed with its own button.
  truco::testing::AnswerNextModal(QStringLiteral("Fechar"));
  const int result = form.showManilhas(NovaAfterVira(truco::kBaralhoSujo, 4));
  QCOMPARE(result, int(QDialog::Accepted));
  QVERIFY(!form.isVisible());
  for (const Shown& s : kShown) {
    TCard* card = CardOf(&form, s.card);
    QCOMPARE(card->value(), 5);
    QCOMPARE(card->suit(), s.suit);
    QVERIFY(!card->showDeck());
  }
}

void TestManilhas::manilhaVelhaShowsTheFixedFour() {
  truco::TFormManilhas form;
  form.setManilhas(truco::ManilhasVelhas());
  QCOMPARE(CardOf(&form, "Zap")->value(), 4);
  QCOMPARE(CardOf(&form, "Copas")->value(), 7);
  QCOMPARE(CardOf(&form, "Espadas")->value(), truco::kAce);
  QCOMPARE(CardOf(&form, "Ouros")->value(), 7);
  // The captions do not change with the mode.
  QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("GBZap"))->title(),
           QStringLiteral("  Zape  "));
}

void TestManilhas::eachShowingFollowsTheHand() {
  truco::TFormManilhas form;
  form.setManilhas(truco::ManilhasVelhas());
  // Next hand, manilha nova: a vira of Rei makes the aces manilhas in either deck.
  form.setManilhas(NovaAfterVira(truco::kBaralhoLimpo, truco::kRei));
  for (const Shown& s : kShown) QCOMPARE(CardOf(&form, s.card)->value(), truco::kAce);
  // A 3 turned in the 24-card deck makes the Damas manilhas.
  form.setManilhas(NovaAfterVira(truco::kBaralhoLimpo, 3));
  for (const Shown& s : kShown) QCOMPARE(CardOf(&form, s.card)->value(), truco::kDama);
  // And the 4s in the 40-card deck.
  form.setManilhas(NovaAfterVira(truco::kBaralhoSujo, 3));
  for (const Shown& s : kShown) QCOMPARE(CardOf(&form, s.card)->value(), 4);
}

void TestManilhas::manilhasTakeTheBackgroundAfterAChange() {
  truco::TFormManilhas form;
  const QColor green(0, 128, 0);
  const QColor sand(222, 200, 150);
  form.setMainBackground(green);
  form.setManilhas(truco::ManilhasVelhas());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(CornerColour(CardOf(&form, "Zap")), green);
  form.close();

  form.setMainBackground(sand);  // changed while the window is closed
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.palette().color(QPalette::Window), sand);
  for (const Shown& s : kShown) {
    auto* box = form.findChild<QGroupBox*>(QString::fromLatin1(s.box));
    QCOMPARE(box->palette().color(QPalette::Window), sand);
    QVERIFY(box->autoFillBackground());
    QCOMPARE(CornerColour(CardOf(&form, s.card)), sand);
  }
  form.close();
}

void TestManilhas::deckTypesShowBothOrders() {
  truco::TFormBaralho form;
  QCOMPARE(form.windowTitle(), QStringLiteral("Tipos de Baralhos, Sujo ou Limpo"));
  QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("GBSujo"))->title(),
           QStringLiteral("Baralho Sujo"));
  QCOMPARE(form.findChild<QGroupBox*>(QStringLiteral("GBLimpo"))->title(),
           QStringLiteral("Baralho Limpo"));
  QCOMPARE(form.findChild<QLabel*>(QStringLiteral("LSequenciaSujo"))->text(),
           QString::fromUtf8("Sequência: Manilhas: 3, 2, 1, Rei, Valete, Dama, 7, 6, 5, 4. Caso a "
                             "vira seja um 3, as manilhas serão os Quatros."));
  QCOMPARE(form.findChild<QLabel*>(QStringLiteral("LSequenciaLimpo"))->text(),
           QString::fromUtf8("Sequência : Manilhas, 3, 2, 1, Rei, Valete, Dama. Caso a Vira seja "
                             "um 3, as Manilhas serão as Damas."));

  struct Half {
    const char* prefix;
    std::vector<int> values;
    int per_row;
  };
  const Half halves[] = {{"CartaSujo", {3, 2, 1, 13, 11, 12, 7, 6, 5, 4}, 5},
                         {"CartaLimpo", {3, 2, 1, 13, 11, 12}, 3}};
  for (const Half& half : halves) {
    const QString prefix = QString::fromLatin1(half.prefix);
    for (int i = 0; i < static_cast<int>(half.values.size()); ++i) {
      const QString place = QString::number(i + 1);
      auto* card = form.findChild<TCard*>(prefix + place);
      QVERIFY2(card, qPrintable(prefix + place));
      QCOMPARE(card->value(), half.values[static_cast<std::size_t>(i)]);
      QCOMPARE(card->suit(), Suit::Clubs);
      QVERIFY(!card->showDeck());
      auto* label = form.findChild<QLabel*>(QStringLiteral("L") + prefix + place);
      QVERIFY(label);
      QCOMPARE(label->text(), place + QStringLiteral("ª"));
      // The number stands right above its card.
      QCOMPARE(label->geometry().center().x(), card->geometry().center().x());
      QVERIFY(label->geometry().bottom() < card->y());
      // Rows of five (three): a new row starts below the first card.
      auto* first = form.findChild<TCard*>(prefix + QStringLiteral("1"));
      QCOMPARE(card->y() > first->y(), i >= half.per_row);
    }
    QVERIFY(!form.findChild<TCard*>(prefix + QString::number(half.values.size() + 1)));
  }
  QVERIFY(form.findChild<QPushButton*>(QStringLiteral("BFechar")));
}

void TestManilhas::deckTypesFollowTheBackground() {
  truco::TFormBaralho form;
  const QColor first(0, 128, 0);
  const QColor second(60, 90, 160);
  form.setMainBackground(first);
  QCOMPARE(form.palette().color(QPalette::Window), first);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(CornerColour(form.findChild<TCard*>(QStringLiteral("CartaSujo1"))), first);
  // The colour changes while the window is open (from the settings window).
  form.setMainBackground(second);
  QCOMPARE(form.palette().color(QPalette::Window), second);
  QCOMPARE(CornerColour(form.findChild<TCard*>(QStringLiteral("CartaLimpo6"))), second);
  QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BFechar")), Qt::LeftButton);
  QVERIFY(!form.isVisible());
}

void TestManilhas::cleanupTestCase() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    QVERIFY2(!w->isVisible(), qPrintable(w->objectName() + QStringLiteral(" left open")));
  }
}

QTEST_MAIN(TestManilhas)
#include "test_manilhas.moc"
