// Two programs' network sides over 127.0.0.1 in one process, and the host's side through its
// real windows.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <set>

#include "tests/net/loopback.h"
#include "tests/ui/modal.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/network_play.h"
#include "ui/windowscreen.h"

using namespace truco;
using namespace truco::testing;

namespace {

const Card kZap = C(kDama, Suit::Clubs);
const Card kReiCopas = C(kRei, Suit::Hearts);
const Card kTresEspadas = C(3, Suit::Spades);
const Card kTresCopas = C(3, Suit::Hearts);
const Card kDoisEspadas = C(2, Suit::Spades);
const Card kQuatroOuros = C(4, Suit::Diamonds);
const Card kSetePaus = C(7, Suit::Clubs);

bool NoModalLeft() {
  QApplication::processEvents();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->isModal()) return false;
  }
  return true;
}

}  // namespace

class TestNetworkPlay : public QObject {
  Q_OBJECT

 private slots:
  void aWholeHandAndChatOverLoopback();
  void aLostConnectionAtEachStepOfTheDeal();
  void theHostPlaysThroughItsWindows();
  void cleanup() { QVERIFY(NoModalLeft()); }
};

void TestNetworkPlay::aWholeHandAndChatOverLoopback() {
  LoopbackPair pair;
  pair.classic_guest = true;  // the classic single hand
  NetSide& host = pair.host->side;
  NetSide& guest = pair.guest->side;
  host.s().settings = {kBaralhoSujo, ManilhaMode::Nova, 0};
  StackNetDeal(host, {kZap, kReiCopas, kTresEspadas}, {kTresCopas, kDoisEspadas, kQuatroOuros},
               kSetePaus);
  host.s().hand_counter = 2;  // odd after the start: the host leads
  QVERIFY(pair.Connect());
  host.game.BInicioClick();
  guest.game.BInicioClick();
  QTRY_VERIFY_WITH_TIMEOUT(guest.hand.DealComplete(), kLoopbackWaitMs);
  QCOMPARE(host.out.opponent, std::string("ANA"));
  QCOMPARE(guest.out.opponent, std::string("HOSTE"));
  std::set<std::pair<int, int>> seen;
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3, kCartaM1, kCartaM2, kCartaM3, kCVira}) {
    seen.insert({guest.Card(id).card.Value, static_cast<int>(guest.Card(id).card.suit)});
    QVERIFY(guest.Card(id).card ==
            host.Card(id < kCVira ? static_cast<CardId>((id + 3) % 6) : kCVira).card);
  }
  QCOMPARE(seen.size(), std::size_t(7));
  QCOMPARE(guest.out.panel, std::string(net::kTextWaitOpponent));

  // The host leads a 3 and the guest kills it with the zap.
  host.Play(kTresCopas);
  QTRY_VERIFY_WITH_TIMEOUT(guest.s().may_play, kLoopbackWaitMs);
  QCOMPARE(guest.OpponentTop(kTresCopas), kTrickTops[1]);
  guest.Play(kZap);
  QTRY_COMPARE_WITH_TIMEOUT(guest.out.panel, std::string(net::kTextYourTurn), kLoopbackWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(host.out.panel, std::string("ANA matou.\rAguarde ele tornar"),
                            kLoopbackWaitMs);
  QVERIFY(!host.s().may_play);
  // The guest leads a king, the host kills it; the guest waits although the host's card came.
  guest.Play(kReiCopas);
  QTRY_VERIFY_WITH_TIMEOUT(host.s().may_play, kLoopbackWaitMs);
  host.Play(kDoisEspadas);
  QCOMPARE(host.out.panel, std::string(net::kTextYouKilled));
  QTRY_COMPARE_WITH_TIMEOUT(guest.OpponentTop(kDoisEspadas), kTrickTops[2], kLoopbackWaitMs);
  QTest::qWait(20);
  QVERIFY(!guest.s().may_play);
  host.Play(kQuatroOuros);
  QTRY_VERIFY_WITH_TIMEOUT(guest.s().may_play, kLoopbackWaitMs);
  guest.Play(kTresEspadas);
  QTRY_VERIFY_WITH_TIMEOUT(host.hand.HandOver(), kLoopbackWaitMs);
  QCOMPARE(host.out.panel, std::string("Fim da mão.\rANA levou a mão."));
  QCOMPARE(guest.out.panel, std::string("Fim da mão.\rVocê levou a mão."));
  for (int t = 1; t <= 3; ++t) {
    QCOMPARE(host.s().trick_played[t], true);
    QCOMPARE(guest.s().trick_played[t], true);
  }

  // Chat both ways, with the line breaks of a pasted text turned into blanks on the wire.
  guest.hand.SendChat(net::ChatLine("ANA", "boa\r\nmão"));
  host.hand.SendChat(net::ChatLine("HOSTE", "olá"));
  QTRY_COMPARE_WITH_TIMEOUT(host.out.chat.size(), std::size_t(1), kLoopbackWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(guest.out.chat.size(), std::size_t(1), kLoopbackWaitMs);
  QCOMPARE(host.out.chat[0], std::string("[ANA] boa  mão"));
  QCOMPARE(guest.out.chat[0], std::string("[HOSTE] olá"));
  QVERIFY(host.out.told.empty() && guest.out.told.empty());
}

// Either side goes away on receiving its k-th message of the opening; the other is told, once,
// and can still play a game against the computer.
void TestNetworkPlay::aLostConnectionAtEachStepOfTheDeal() {
  // The host receives N, C1..C3, A1..A4; the guest N, P, B, C, V x3, A x3, I.
  for (const auto& [leaver, steps] : {std::pair{net::Side::Host, 8}, {net::Side::Guest, 11}}) {
    for (int step = 1; step <= steps; ++step) {
      LoopbackPair pair;
      pair.classic_guest = true;  // the classic deal's steps
      NetProgram& quits = leaver == net::Side::Host ? *pair.host : *pair.guest;
      NetProgram& stays = leaver == net::Side::Host ? *pair.guest : *pair.host;
      quits.on_receive = [&quits, step](const net::Message&) {
        if (quits.received == step) quits.connection.Close();
      };
      QVERIFY(pair.Connect());
      pair.host->side.game.BInicioClick();
      pair.guest->side.game.BInicioClick();
      QTRY_VERIFY_WITH_TIMEOUT(!stays.side.hand.linked(), kLoopbackWaitMs);
      const std::string context = (leaver == net::Side::Host ? "host" : "guest") +
                                  std::string(" left at step ") + std::to_string(step);
      QVERIFY2(stays.side.out.told == std::vector<std::string>{net::kTextConnectionLost},
               context.c_str());
      QCOMPARE(stays.side.out.panel, std::string(net::kTextConnectionLost));
      QVERIFY(!stays.side.s().may_play);
      const std::size_t sent = stays.side.out.sent.size();
      for (int i = 0; i < 3; ++i) stays.side.game.CartaJClick(i);
      QCOMPARE(stays.side.out.sent.size(), sent);
      stays.side.screen.kinds.push_front({true, GameKind::ContraPC, "FULANO"});
      stays.side.game.BInicioClick();
      QVERIFY(!stays.side.game.Online());
      QVERIFY(stays.side.game.deals() >= 1);
      QVERIFY(stays.side.s().may_play);
    }
  }
}

// The host's whole program side: the game-kind dialog opens the connection with its waiting
// dialog, the window widens to its chat column, names, chat and the lost guest's message box.
void TestNetworkPlay::theHostPlaysThroughItsWindows() {
  ClockRandom random;
  ComputerJudgement judgement;
  WindowScreen screen;
  Game game(screen, random, judgement);
  TFormMain main(game, screen);
  main.SetQuitAction([] {});
  screen.SetMainWindow(&main);
  TF_ESCOLHA escolha;
  screen.SetEscolhaDialog(&escolha);
  auto network = net::WireNetworkPlay(game, main, escolha, screen, random);
  network->SetListenAddress(QHostAddress::LocalHost);
  main.show();
  QVERIFY(!main.chatShown());
  QCOMPARE(main.width(), TFormMain::kClientWidth);

  NetProgram guest(net::Side::Guest, "ANA");
  guest.side.hand.Prepare(net::Side::Guest, "ANA");
  guest.side.hand.set_classic_only(true);  // the classic single hand
  const quint16 port = FreeLoopbackPort();

  auto fill = [&](QWidget* dialog, const QString& port_text) {
    dialog->findChild<QRadioButton*>(QStringLiteral("RB_EMREDE"))->click();
    dialog->findChild<QRadioButton*>(QStringLiteral("RB_SERVIDOR"))->click();
    dialog->findChild<QLineEdit*>(QStringLiteral("E_PORTA"))->setText(port_text);
    dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"))->setText(QStringLiteral("hoste"));
  };
  ModalScript script;
  // A port against the rule is refused in a box titled "Informação"; then the real port, whose
  // wait ends when the guest connects.
  script.Answer(QStringLiteral("OK"),
                [&](QWidget* dialog) { fill(dialog, QStringLiteral("1000")); });
  script.Ok();
  script.Answer(QStringLiteral("OK"),
                [&](QWidget* dialog) { fill(dialog, QString::number(port)); });
  // "Cancela" in the wait gives it up and returns to the choice dialog, which tries again.
  script.Answer(QStringLiteral("Cancela"));
  script.Ok();
  // The waiting dialog: the guest connects and the wait closes by itself (never "Cancela").
  script.Answer(QStringLiteral("Cancela"), [&](QWidget* wait) {
    QCOMPARE(wait->findChild<QLabel*>(QStringLiteral("P_MENS"))->text(),
             QString::fromUtf8(net::kTextWaitingHost));
    guest.connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(port));
    QVERIFY(QTest::qWaitFor([wait] { return !wait->isVisible(); }, kLoopbackWaitMs));
  });
  main.findChild<QPushButton*>(QStringLiteral("BInicio"))->click();
  QCOMPARE(script.seen().value(1).title, QStringLiteral("Informação"));
  QCOMPARE(script.seen().value(1).text, QString::fromUtf8(net::kPortRuleText.data()));
  QCOMPARE(script.seen().value(3).text, QString::fromUtf8(net::kTextWaitingHost));
  QCOMPARE(script.seen().value(4).title, QStringLiteral("Online ou Contra PC"));
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(game.Online());
  QVERIFY(main.chatShown());
  QCOMPARE(main.width(), TFormMain::kChatWidth);

  guest.side.game.BInicioClick();
  QTRY_VERIFY_WITH_TIMEOUT(guest.side.hand.DealComplete(), kLoopbackWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(network->hand().DealComplete(), kLoopbackWaitMs);
  auto label = [&main](const char* name) {
    return main.findChild<QLabel*>(QString::fromLatin1(name))->text();
  };
  QCOMPARE(label("NOME"), QStringLiteral("ANA"));
  QCOMPARE(label("Label1"), QStringLiteral("ANA"));
  QCOMPARE(label("Label3"), QStringLiteral("ANA"));
  QCOMPARE(label("LabelNome"), QStringLiteral("HOSTE"));
  QCOMPARE(guest.side.out.opponent, std::string("HOSTE"));
  // Even hand counter: the guest leads.
  QCOMPARE(label("L_MSG"), QString::fromUtf8(net::kTextWaitOpponent));
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3}) {
    QVERIFY(!main.card(id)->showDeck());
    QVERIFY(main.card(id)->card() == guest.side.Card(static_cast<CardId>(id + 3)).card);
  }

  // The guest leads; the host's window shows the card and lets its player answer.
  guest.side.game.CartaJClick(0);
  QTRY_COMPARE_WITH_TIMEOUT(label("L_MSG"), QString::fromUtf8(net::kTextYourTurn), kLoopbackWaitMs);
  QCOMPARE(main.card(kCartaM1)->pos(), QPoint(kTrickComputerLeft, kTrickTops[1]));
  QVERIFY(!main.card(kCartaM1)->showDeck());
  QTest::mouseClick(main.card(kCartaJ2), Qt::LeftButton);
  QCOMPARE(main.card(kCartaJ2)->pos(), QPoint(kTrickPlayerLeft, kTrickTops[1]));
  QTRY_COMPARE_WITH_TIMEOUT(guest.side.OpponentTop(main.card(kCartaJ2)->card()), kTrickTops[1],
                            kLoopbackWaitMs);

  // Chat: a typed line goes out with the name; a received one lands in CHAT; the hidden
  // command stays home.
  auto* entry = main.findChild<QLineEdit*>(QStringLiteral("E_MSG"));
  auto* chat = main.findChild<QPlainTextEdit*>(QStringLiteral("CHAT"));
  entry->setText(QStringLiteral("olá"));
  QTest::keyClick(entry, Qt::Key_Return);
  QTRY_COMPARE_WITH_TIMEOUT(guest.side.out.chat.size(), std::size_t(1), kLoopbackWaitMs);
  QCOMPARE(guest.side.out.chat[0], std::string("[HOSTE] olá"));
  guest.side.hand.SendChat("[ANA] oi");
  QTRY_VERIFY_WITH_TIMEOUT(chat->toPlainText().endsWith(QStringLiteral("[ANA] oi")),
                           kLoopbackWaitMs);
  QCOMPARE(chat->toPlainText(), QStringLiteral("[HOSTE] olá\n[ANA] oi"));
  entry->setText(QString::fromLatin1(TFormMain::kViewHandsCommand));
  QTest::keyClick(entry, Qt::Key_Return);
  QTest::qWait(20);
  QCOMPARE(guest.side.out.chat.size(), std::size_t(1));

  // The guest goes away: a box tells the host, and the table takes no more cards.
  script.Clear();
  script.Ok();
  guest.connection.Close();
  QTRY_COMPARE_WITH_TIMEOUT(script.seen().size(), qsizetype(1), kLoopbackWaitMs);
  QCOMPARE(script.seen()[0].text, QString::fromUtf8(net::kTextConnectionLost));
  QCOMPARE(label("L_MSG"), QString::fromUtf8(net::kTextConnectionLost));
  QVERIFY(!game.state().may_play);

  // A game against the computer narrows the window again.
  script.Clear();
  script.Answer(QStringLiteral("OK"), [](QWidget* dialog) {
    dialog->findChild<QRadioButton*>(QStringLiteral("RB_CONTRAPC"))->click();
  });
  script.Yes();  // restart: the points go
  main.findChild<QPushButton*>(QStringLiteral("BInicio"))->click();
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(!game.Online());
  QVERIFY(!main.chatShown());
  QCOMPARE(main.width(), TFormMain::kClientWidth);
  QCOMPARE(label("Label1"), QStringLiteral("COMPUTADOR"));
  main.hide();
}

QTEST_MAIN(TestNetworkPlay)
#include "test_network_play.moc"
