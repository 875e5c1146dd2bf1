// Two programs' network sides over 127.0.0.1 in one process, and the host's side through its
// real windows.

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>
#include <random>
#include <set>

#include "tests/net/loopback.h"
#include "tests/ui/modal.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
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
  void aClassicGuestPlaysOneHandAndChatsOverLoopback();
  void aClassicHostPlaysOneHandWithANewGuest();
  void aLostConnectionAtEachStepOfTheDeal();
  void aWholeGameBetweenTwoConnections();
  void aVersion4GameOverLoopbackDealsByProofs();
  void aConnectionLostAtEveryMomentOfAHandIsResumed();
  void theHostPlaysThroughItsWindows();
  void bothWindowsByClicksACallAnsweredByARaise();
  void aSilentPeerIsToldAndThePlayerWaitsOrLeaves();
  void theChatKeepsItsLastLinesAndTakesAFloodInOneUpdate();
  void namesWaitNeutrallyAndElevenWideLettersFit();
  void fiveHandsBetweenTwoWindowsShowOnlyWhatEachSeatMaySee();
  void aStartThatEndsTheConnectionSaysSo();
  void cleanup() { QVERIFY(NoModalLeft()); }
};

// A guest that knows only the classic messages plays today's single hand against a host that
// knows the whole game: the host's greeting goes unanswered, and it falls back.
void TestNetworkPlay::aClassicGuestPlaysOneHandAndChatsOverLoopback() {
  LoopbackPair pair;
  NetSide& host = pair.host->side;
  NetSide& guest = pair.guest->side;
  pair.classic_guest = true;
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
  QVERIFY(!host.hand.whole_game() && !guest.hand.whole_game());
  QCOMPARE(host.s().player_points + host.s().computer_points, 0);
}

// The mirror: a host that knows only the classic messages deals today's single hand to a guest
// that knows the whole game; the guest's greeting goes unanswered.
void TestNetworkPlay::aClassicHostPlaysOneHandWithANewGuest() {
  LoopbackPair pair;
  NetSide& host = pair.host->side;
  NetSide& guest = pair.guest->side;
  host.hand.set_classic_only(true);
  host.s().settings = {kBaralhoSujo, ManilhaMode::Nova, 0};
  StackNetDeal(host, {kZap, kReiCopas, kTresEspadas}, {kTresCopas, kDoisEspadas, kQuatroOuros},
               kSetePaus);
  host.s().hand_counter = 2;  // the host leads
  QVERIFY(pair.Connect());
  host.game.BInicioClick();
  guest.game.BInicioClick();
  QTRY_VERIFY_WITH_TIMEOUT(guest.hand.DealComplete(), kLoopbackWaitMs);
  QCOMPARE(guest.out.sent.front(), std::string("H2"));
  QVERIFY(!guest.hand.whole_game() && !host.hand.whole_game());
  // Three tricks: the host's 3 falls to the zap, the guest's king to the host's 2, then 4 and 3.
  host.Play(kTresCopas);
  QTRY_VERIFY_WITH_TIMEOUT(guest.s().may_play, kLoopbackWaitMs);
  guest.Play(kZap);
  QTRY_COMPARE_WITH_TIMEOUT(guest.out.panel, std::string(net::kTextYourTurn), kLoopbackWaitMs);
  guest.Play(kReiCopas);
  QTRY_VERIFY_WITH_TIMEOUT(host.s().may_play, kLoopbackWaitMs);
  host.Play(kDoisEspadas);
  QTRY_VERIFY_WITH_TIMEOUT(host.s().may_play, kLoopbackWaitMs);
  host.Play(kQuatroOuros);
  QTRY_VERIFY_WITH_TIMEOUT(guest.s().may_play, kLoopbackWaitMs);
  guest.Play(kTresEspadas);
  QTRY_VERIFY_WITH_TIMEOUT(host.hand.HandOver() && guest.hand.HandOver(), kLoopbackWaitMs);
  QCOMPARE(guest.out.panel, std::string("Fim da mão.\rVocê levou a mão."));
  QCOMPARE(host.out.panel, std::string("Fim da mão.\rANA levou a mão."));
  QVERIFY(host.out.told.empty() && guest.out.told.empty());
}

// Either side goes away on receiving its k-th message of the opening; the other is told, once,
// and can still play a game against the computer.
void TestNetworkPlay::aLostConnectionAtEachStepOfTheDeal() {
  // How many messages each side receives from the names to the end of the first deal.
  int host_steps = 0;
  int guest_steps = 0;
  {
    LoopbackPair pair;
    QVERIFY(pair.Connect());
    pair.host->side.game.BInicioClick();
    pair.guest->side.game.BInicioClick();
    QTRY_VERIFY_WITH_TIMEOUT(pair.guest->side.hand.DealComplete(), kLoopbackWaitMs);
    QTest::qWait(20);
    host_steps = pair.host->received;
    guest_steps = pair.guest->received;
    QVERIFY(host_steps >= 2 && guest_steps >= 4);
  }
  for (const auto& [leaver, steps] :
       {std::pair{net::Side::Host, host_steps}, {net::Side::Guest, guest_steps}}) {
    for (int step = 1; step <= steps; ++step) {
      LoopbackPair pair;
      NetProgram& quits = leaver == net::Side::Host ? *pair.host : *pair.guest;
      NetProgram& stays = leaver == net::Side::Host ? *pair.guest : *pair.host;
      quits.on_receive = [&quits, step](const net::Message&) {
        if (quits.received == step) quits.connection.Close();
      };
      if (leaver == net::Side::Guest && step == 1) {
        // Gone before it named itself: never the guest; the host goes on waiting for one.
        QVERIFY(!pair.Connect());
        QCOMPARE(stays.connection.state(), net::Connection::State::Listening);
        QVERIFY(stays.side.out.told.empty());
        continue;
      }
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
    QVERIFY(main.card(id)->card() == *network->hand().own_card(id - kCartaJ1 + 1));
    // The host's cards travel only when played.
    QVERIFY(!guest.side.hand.opponent_card(id - kCartaJ1 + 1).has_value());
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
  // A screen reader hears the line that came.
  QCOMPARE(QAccessible::queryAccessibleInterface(chat)->text(QAccessible::Description),
           QStringLiteral("[ANA] oi"));
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

namespace {

unsigned LoopbackSeed() {
  bool ok = false;
  const unsigned fixed = qEnvironmentVariable("TRUCO_TEST_SEED").toUInt(&ok);
  const unsigned seed = ok ? fixed : std::random_device{}();
  qInfo("seed %u", seed);
  return seed;
}

// Both sides show the same table and neither shows points past the end of a game.
void CheckAgree(NetSide& host, NetSide& guest) {
  const SharedView h = ViewOf(host);
  const SharedView g = ViewOf(guest);
  QVERIFY(h == g);
  QVERIFY(h.host_points <= 12 && h.guest_points <= 12);
  QCOMPARE(host.s().games_player, guest.s().games_computer);
  QCOMPARE(host.s().games_computer, guest.s().games_player);
  QCOMPARE(host.s().opponent_name, std::string("ANA"));
  QCOMPARE(guest.s().opponent_name, std::string("HOSTE"));
}

}  // namespace

// Two connections play a whole game to 12 points and go on into the next, with calls, raises,
// runs and hidden cards chosen at random; after every move both sides agree.
void TestNetworkPlay::aWholeGameBetweenTwoConnections() {
  LoopbackPair pair;
  LoopbackPlayers players(pair, LoopbackSeed());
  NetSide& host = players.Host();
  NetSide& guest = players.Guest();
  host.s().settings = {kBaralhoLimpo, ManilhaMode::Nova, 0};
  QVERIFY(pair.Connect());
  host.game.BInicioClick();
  guest.game.BInicioClick();
  QVERIFY(players.Settle());
  QVERIFY(host.hand.whole_game() && guest.hand.whole_game());
  int moves = 0;
  int hands = 0;
  int calls_seen = 0;
  while (host.hand.games(net::Side::Host) + host.hand.games(net::Side::Guest) < 1) {
    QVERIFY2(++moves < 3000, "the game does not end");
    const int calls_before = int(host.out.truco_asks.size() + guest.out.truco_asks.size());
    QVERIFY(players.Move());
    QVERIFY2(players.Settle(), "the sides do not settle");
    CheckAgree(host, guest);
    if (QTest::currentTestFailed()) return;
    calls_seen += int(host.out.truco_asks.size() + guest.out.truco_asks.size()) - calls_before;
    hands = host.hand.hands_dealt();
  }
  // The game ended on both sides with its box, the tally counts it, the next game is dealt.
  QVERIFY(hands > 1);
  QVERIFY(calls_seen > 0);
  QCOMPARE(host.s().games_player + host.s().games_computer, 1);
  const bool host_won = host.s().games_player == 1;
  auto told = [](NetSide& side, const char* text) {
    return std::count(side.out.told.begin(), side.out.told.end(), std::string(text));
  };
  QCOMPARE(told(host, host_won ? net::kTextGameWon : net::kTextGameLost), 1);
  QCOMPARE(told(guest, host_won ? net::kTextGameLost : net::kTextGameWon), 1);
  QCOMPARE(host.s().player_points + host.s().computer_points, 0);
  QVERIFY(host.hand.hands_dealt() == hands && !host.hand.hand_finished());
  QVERIFY(host.out.told.size() >= std::size_t(hands - 1));
}

// Two sides of version 4 over real sockets: the greeting settles on 4, the deal's long lines
// (a shuffle part is some 3.5 KB) cross the framing whole, and hands are played with both sides
// agreeing and no cheat found.
void TestNetworkPlay::aVersion4GameOverLoopbackDealsByProofs() {
  LoopbackPair pair;
  LoopbackPlayers players(pair, LoopbackSeed());
  NetSide& host = players.Host();
  NetSide& guest = players.Guest();
  host.hand.set_max_version(net::kProvenDealVersion);
  guest.hand.set_max_version(net::kProvenDealVersion);
  QVERIFY(pair.Connect());
  host.game.BInicioClick();
  guest.game.BInicioClick();
  QVERIFY(players.Settle());
  QVERIFY(host.hand.proven() && guest.hand.proven());
  for (int moves = 0; host.hand.hands_dealt() < 3; ++moves) {
    QVERIFY2(moves < 300, "the game does not move");
    QVERIFY(players.Move());
    QVERIFY2(players.Settle(), "the sides do not settle");
    CheckAgree(host, guest);
    if (QTest::currentTestFailed()) return;
  }
  QVERIFY(!host.hand.cheat_found() && !guest.hand.cheat_found());
  QVERIFY(host.hand.linked() && guest.hand.linked());
  QCOMPARE(guest.out.sent.front(), std::string("H4"));
  const auto longest = [](const NetSide& side) {
    std::size_t most = 0;
    for (const std::string& line : side.out.sent) {
      if (line[0] == 'l') most = std::max(most, line.size());
    }
    return most;
  };
  QVERIFY(longest(host) > 3000 && longest(guest) > 3000);
}

// The connection goes at every kind of moment of a hand; both sides reconnect ("Em rede" again),
// the host is asked "Continuar a partida?" and both go on from the start of the interrupted hand
// with the points and the tally they had. Once, the guest's program is a fresh one (a copy that
// was killed and started again).
void TestNetworkPlay::aConnectionLostAtEveryMomentOfAHandIsResumed() {
  const unsigned seed = LoopbackSeed();
  using Moment = std::function<bool(NetSide & host)>;
  const std::vector<std::pair<const char*, Moment>> moments = {
      {"dealt", [](NetSide& h) { return !h.s().trick_played[1] && h.hand.hands_dealt() > 1; }},
      {"one trick", [](NetSide& h) { return h.s().trick_played[1] && !h.s().trick_played[2]; }},
      {"two tricks", [](NetSide& h) { return h.s().trick_played[2]; }},
      {"half a trick",
       [](NetSide& h) {
         const SharedView v = ViewOf(h);
         return (v.host_card[1] != 0) != (v.guest_card[1] != 0);
       }},
      {"a raised stake",
       [](NetSide& h) { return h.hand.stake() > 1 && h.hand.pending_call() == 0; }},
      {"a hidden card",
       [](NetSide& h) {
         return h.hand.hidden(2, net::Side::Host) || h.hand.hidden(2, net::Side::Guest);
       }},
      {"a call waiting", [](NetSide& h) { return h.hand.pending_call() != 0; }},
  };
  int round = 0;
  for (const auto& [name, reached] : moments) {
    for (const bool killed : {false, true}) {
      if (killed && round % 3 != 0) {
        ++round;
        continue;
      }
      LoopbackPair pair;
      LoopbackPlayers players(pair, seed + unsigned(round++));
      NetSide& host = pair.host->side;
      QVERIFY(pair.Connect());
      host.game.BInicioClick();
      pair.guest->side.game.BInicioClick();
      QVERIFY(players.Settle());
      // Play until the moment comes (a waiting call is caught before its answer).
      bool there = false;
      for (int move = 0; move < 4000 && !there; ++move) {
        const std::size_t asks =
            host.out.truco_asks.size() + pair.guest->side.out.truco_asks.size();
        QVERIFY(players.Move());
        if (host.out.truco_asks.size() + pair.guest->side.out.truco_asks.size() > asks ||
            host.hand.pending_call() != 0) {
          QTRY_VERIFY_WITH_TIMEOUT(ViewOf(host) == ViewOf(pair.guest->side), kLoopbackWaitMs);
          if (reached(host)) {
            there = true;
            break;
          }
        }
        QVERIFY(players.Settle());
        there = reached(host);
      }
      QVERIFY2(there, name);
      const SharedView before = ViewOf(host);
      const std::array<int, 2> games = {host.hand.games(net::Side::Host),
                                        host.hand.games(net::Side::Guest)};
      // Gone: the guest's copy is killed, or its connection drops.
      if (killed) {
        pair.guest = std::make_unique<NetProgram>(net::Side::Guest, "ANA");
      } else {
        pair.guest->connection.Close();
        pair.guest->side.hand.ConnectionLost(net::kTextConnectionLost);
      }
      QTRY_VERIFY_WITH_TIMEOUT(!host.hand.linked(), kLoopbackWaitMs);
      QVERIFY(host.hand.resume_state().has_value());
      QVERIFY(host.out.told.back() == net::kTextConnectionLost);
      // Both come back.
      players.truco_answered[1] = pair.guest->side.out.truco_asks.size();
      players.questions_answered[1] = pair.guest->side.out.questions.size();
      const std::size_t questions = host.out.questions.size();
      QVERIFY(pair.Connect());
      host.game.BInicioClick();
      pair.guest->side.game.BInicioClick();
      QTRY_VERIFY_WITH_TIMEOUT(host.out.questions.size() == questions + 1, kLoopbackWaitMs);
      QCOMPARE(host.out.questions.back().second, std::string(net::kTextContinueQuestion));
      players.questions_answered[0] = host.out.questions.size();
      host.hand.Answer(net::Question::Continue, true);
      QTRY_VERIFY_WITH_TIMEOUT(
          ViewOf(host) == ViewOf(pair.guest->side) && pair.guest->side.hand.hands_dealt() > 0,
          kLoopbackWaitMs);
      const SharedView after = ViewOf(host);
      const std::string context = std::string(name) + (killed ? ", killed" : ", dropped");
      // The hand goes on where it stopped: the same points, table, stake, call and turn.
      QVERIFY2(after == before, context.c_str());
      QCOMPARE(host.hand.games(net::Side::Host), games[0]);
      QCOMPARE(host.hand.games(net::Side::Guest), games[1]);
      QVERIFY(players.Settle());
      CheckAgree(host, pair.guest->side);
      // And the game goes on.
      for (int move = 0; move < 6; ++move) {
        QVERIFY(players.Move(false));
        QVERIFY(players.Settle());
        CheckAgree(host, pair.guest->side);
      }
    }
  }
}

// One copy of the program's windows and network side.
struct WindowSide {
  ClockRandom random;
  ComputerJudgement judgement;
  WindowScreen screen;
  Game game{screen, random, judgement};
  TFormMain main{game, screen};
  TFormTruco truco;
  TF_ESCOLHA escolha;
  std::unique_ptr<net::NetworkPlay> network;
  WindowSide() {
    main.SetQuitAction([] {});
    screen.SetMainWindow(&main);
    screen.SetTrucoDialog(&truco);
    screen.SetEscolhaDialog(&escolha);
    network = net::WireNetworkPlay(game, main, escolha, screen, random);
    network->SetListenAddress(QHostAddress::LocalHost);
  }
  QPushButton* Button(const char* name) {
    return main.findChild<QPushButton*>(QString::fromLatin1(name));
  }
  QString Label(const char* name) {
    return main.findChild<QLabel*>(QString::fromLatin1(name))->text();
  }
  void Click(const char* button) { QTest::mouseClick(Button(button), Qt::LeftButton); }
};

// Two copies side by side, each driven through its own windows by real clicks: "Iniciar" and the
// game-kind dialog on both, a "Trucar" on the side that leads, answered on the other side with
// "Pedir 6" in its truco dialog, which the caller accepts in its own; then a card each.
// Opens a whole game between two copies through their windows: "Iniciar" and the game-kind
// dialog on both, the guest's while the host waits.
void OpenThroughWindows(WindowSide& host, WindowSide& guest, ModalScript& script) {
  const quint16 port = FreeLoopbackPort();
  auto fill = [port](QWidget* dialog, bool hosting, const char* name) {
    dialog->findChild<QRadioButton*>(QStringLiteral("RB_EMREDE"))->click();
    dialog
        ->findChild<QRadioButton*>(hosting ? QStringLiteral("RB_SERVIDOR")
                                           : QStringLiteral("RB_CLIENTE"))
        ->click();
    dialog->findChild<QLineEdit*>(QStringLiteral("E_PORTA"))->setText(QString::number(port));
    if (!hosting)
      dialog->findChild<QLineEdit*>(QStringLiteral("E_IPS"))->setText(QStringLiteral("127.0.0.1"));
    dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"))->setText(QString::fromLatin1(name));
  };
  auto waits_by_itself = [](QWidget* wait) {
    QVERIFY(QTest::qWaitFor([wait] { return !wait->isVisible(); }, kLoopbackWaitMs));
  };
  script.Answer(QStringLiteral("OK"), [&](QWidget* dialog) { fill(dialog, true, "hoste"); });
  // While the host waits, the guest presses its own "Iniciar".
  script.Answer(QStringLiteral("Cancela"), [&](QWidget* wait) {
    guest.Click("BInicio");
    waits_by_itself(wait);
  });
  script.Answer(QStringLiteral("OK"), [&](QWidget* dialog) { fill(dialog, false, "ana"); });
  script.Answer(QStringLiteral("Cancela"), waits_by_itself);
  host.Click("BInicio");
}

// Two windows shown and joined through their own boxes over the loopback; hidden at the end.
struct JoinedWindows {
  explicit JoinedWindows(bool animated = true) {
    host.main.show();
    guest.main.show();
    if (!animated) {
      host.main.SetAnimated(false);
      guest.main.SetAnimated(false);
    }
    OpenThroughWindows(host, guest, script);
  }
  ~JoinedWindows() {
    host.main.hide();
    guest.main.hide();
  }
  WindowSide host;
  WindowSide guest;
  ModalScript script;
};

void TestNetworkPlay::bothWindowsByClicksACallAnsweredByARaise() {
  JoinedWindows joined;
  auto& [host, guest, script] = joined;
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(host.game.Online() && guest.game.Online());
  QTRY_VERIFY_WITH_TIMEOUT(host.network->hand().actor() != ' ' &&
                               guest.network->hand().actor() == host.network->hand().actor(),
                           kLoopbackWaitMs);
  QVERIFY(host.network->hand().whole_game());
  QTRY_COMPARE_WITH_TIMEOUT(host.Label("Label1"), QStringLiteral("ANA"), kLoopbackWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(guest.Label("Label1"), QStringLiteral("HOSTE"), kLoopbackWaitMs);

  const bool host_leads = host.network->hand().actor() == 'S';
  WindowSide& caller = host_leads ? host : guest;
  WindowSide& answerer = host_leads ? guest : host;
  const QString caller_name = QString::fromLatin1(host_leads ? "HOSTE" : "ANA");
  const QString answerer_name = QString::fromLatin1(host_leads ? "ANA" : "HOSTE");
  QVERIFY(caller.Button("BTrucar")->isEnabled());
  QVERIFY(!answerer.Button("BTrucar")->isEnabled());

  script.Clear();
  QString raise_phrase;
  QString accept_phrase;
  bool raise_on_answerer = false;
  script.Answer(QStringLiteral("Pedir 6"), [&](QWidget* dialog) {
    raise_on_answerer = dialog == &answerer.truco;
    raise_phrase = dialog->findChild<QLabel*>(QStringLiteral("L_FALA"))->text();
  });
  script.Answer(QStringLiteral("Aceitar"), [&](QWidget* dialog) {
    QVERIFY(dialog == &caller.truco);
    accept_phrase = dialog->findChild<QLabel*>(QStringLiteral("L_FALA"))->text();
  });
  caller.Click("BTrucar");
  QTRY_VERIFY_WITH_TIMEOUT(script.pending() == 0 && !caller.truco.isVisible(), kLoopbackWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(host.network->hand().stake() == 6 && guest.network->hand().stake() == 6,
                           kLoopbackWaitMs);
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(raise_on_answerer);
  QCOMPARE(raise_phrase, caller_name + QStringLiteral(" pede Truco"));
  QCOMPARE(accept_phrase, answerer_name + QStringLiteral(" pede Seis"));
  for (WindowSide* side : {&host, &guest}) {
    side->main.refresh();
    QCOMPARE(side->Label("LabelVale"), QStringLiteral("6"));
  }
  // The one who raised accepted nothing more: only the caller, who accepted the raise, may call
  // Nove.
  QCOMPARE(caller.Button("BTrucar")->text(), QStringLiteral("Nove"));

  // The caller plays a card by a click; the other window shows it in the first trick's row.
  TCard* played = caller.main.card(kCartaJ1);
  const Card card = played->card();
  QTest::mouseClick(played, Qt::LeftButton);
  QCOMPARE(played->pos(), QPoint(kTrickPlayerLeft, kTrickTops[1]));
  QTRY_COMPARE_WITH_TIMEOUT(answerer.main.card(kCartaM1)->pos(),
                            QPoint(kTrickComputerLeft, kTrickTops[1]), kLoopbackWaitMs);
  QVERIFY(answerer.main.card(kCartaM1)->card() == card);
  QVERIFY(!answerer.main.card(kCartaM1)->showDeck());
  QCOMPARE(script.unexpected(), 0);
}

// The side that waits for the other is asked after the silence; "Yes" waits on, a move of the
// other side closes the question by itself, "No" leaves the game (both sides are told it is
// lost, and it can be resumed).
void TestNetworkPlay::aSilentPeerIsToldAndThePlayerWaitsOrLeaves() {
  JoinedWindows joined;
  auto& [host, guest, script] = joined;
  QCOMPARE(script.unexpected(), 0);
  QTRY_VERIFY_WITH_TIMEOUT(host.network->hand().actor() != ' ' &&
                               guest.network->hand().actor() == host.network->hand().actor(),
                           kLoopbackWaitMs);
  const bool host_acts = host.network->hand().actor() == 'S';
  WindowSide& actor = host_acts ? host : guest;
  WindowSide& waiter = host_acts ? guest : host;
  QVERIFY(!actor.network->connection().awaitingReply());
  QVERIFY(waiter.network->connection().awaitingReply());
  script.Clear();
  const QString silent = QString::fromUtf8(net::kTextPeerSilent);
  QWidget* first_box = nullptr;
  script.Answer(QStringLiteral("Yes"), [&](QWidget* box) {
    QCOMPARE(box->windowTitle(), QStringLiteral("Atenção"));
    first_box = box;
  });
  // The other side moves while the second question is open: it closes by itself.
  script.Answer(QStringLiteral("Yes"), [&](QWidget* box) {
    QVERIFY(waiter.network->silenceQuestion() == box);
    for (int i = 0; i < 3; ++i) {
      if (actor.game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) {
        QTest::mouseClick(actor.main.card(static_cast<CardId>(kCartaJ1 + i)), Qt::LeftButton);
        break;
      }
    }
    QVERIFY(QTest::qWaitFor([box] { return !box->isVisible(); }, kLoopbackWaitMs));
  });
  // Now the one who played waits; it leaves at the question.
  script.No();
  script.Ok();
  script.Ok();
  for (WindowSide* side : {&host, &guest}) side->network->SetSilenceTimeout(150);
  waiter.network->connection().KeepWaiting();  // the shorter watch starts now
  QTRY_VERIFY_WITH_TIMEOUT(script.pending() == 0, 4 * kLoopbackWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(!host.game.state().may_play && !guest.game.state().may_play,
                           kLoopbackWaitMs);
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(first_box != nullptr);
  const auto texts = script.texts();
  QCOMPARE(texts.value(0), silent);
  QCOMPARE(texts.value(1), silent);
  QCOMPARE(texts.value(2), silent);
  QCOMPARE(texts.value(3), QString::fromUtf8(net::kTextConnectionLost));
  QCOMPARE(texts.value(4), QString::fromUtf8(net::kTextConnectionLost));
  QVERIFY(!host.network->connection().isConnected() && !guest.network->connection().isConnected());
  // A game left in the middle waits for its opponent to come back.
  QVERIFY(host.network->hand().resume_state().has_value());
  QVERIFY(host.network->resumeWaiting());
}

// A main window around a game, without the network.
struct BareTable {
  ClockRandom random;
  ComputerJudgement judgement;
  WindowScreen screen;
  Game game{screen, random, judgement};
  TFormMain main{game, screen};
  BareTable() {
    main.SetQuitAction([] {});
    screen.SetMainWindow(&main);
  }
  QString Label(const char* name) {
    return main.findChild<QLabel*>(QString::fromLatin1(name))->text();
  }
};

void TestNetworkPlay::theChatKeepsItsLastLinesAndTakesAFloodInOneUpdate() {
  BareTable table;
  table.game.mutable_state().game_kind = GameKind::EmRede;
  table.main.refresh();
  table.main.show();
  auto* chat = table.main.findChild<QPlainTextEdit*>(QStringLiteral("CHAT"));
  auto* entry = table.main.findChild<QLineEdit*>(QStringLiteral("E_MSG"));
  QSignalSpy updates(chat->document(), &QTextDocument::contentsChanged);
  // A flood arrives within one pass of the event loop: nothing is laid out line by line.
  const int flood = 3 * TFormMain::kChatLines + 17;
  for (int i = 0; i < flood; ++i) table.main.AppendChat(QStringLiteral("[BETO] linha %1").arg(i));
  QCOMPARE(updates.count(), 0);
  QTRY_COMPARE(updates.count(), 1);
  QCOMPARE(chat->blockCount(), TFormMain::kChatLines);
  QCOMPARE(chat->document()->firstBlock().text(),
           QStringLiteral("[BETO] linha %1").arg(flood - TFormMain::kChatLines));
  QCOMPARE(chat->document()->lastBlock().text(), QStringLiteral("[BETO] linha %1").arg(flood - 1));
  // A line received and then one typed keep their order; the oldest line makes room.
  table.main.AppendChat(QStringLiteral("[BETO] recebida"));
  table.game.mutable_state().LabelNome = "ANA";
  table.main.refresh();
  entry->setText(QStringLiteral("digitada"));
  QTest::keyClick(entry, Qt::Key_Return);
  QCOMPARE(chat->blockCount(), TFormMain::kChatLines);
  QCOMPARE(chat->document()->lastBlock().previous().text(), QStringLiteral("[BETO] recebida"));
  QCOMPARE(chat->document()->lastBlock().text(), QStringLiteral("[ANA] digitada"));
  QCOMPARE(chat->document()->firstBlock().text(),
           QStringLiteral("[BETO] linha %1").arg(flood - TFormMain::kChatLines + 2));
  // A few lines less than the limit are all kept.
  BareTable fresh;
  for (int i = 0; i < 3; ++i) fresh.main.AppendChat(QStringLiteral("l%1").arg(i));
  fresh.main.FlushChat();
  auto* few = fresh.main.findChild<QPlainTextEdit*>(QStringLiteral("CHAT"));
  QCOMPARE(few->toPlainText(), QStringLiteral("l0\nl1\nl2"));
  table.main.hide();
}

void TestNetworkPlay::namesWaitNeutrallyAndElevenWideLettersFit() {
  BareTable table;
  const QString waiting = QString::fromUtf8(TFormMain::kTextWaitingName);
  // Against the computer the opponent is the computer.
  QCOMPARE(table.Label("Label1"), QStringLiteral("COMPUTADOR"));
  QCOMPARE(table.Label("Label3"), QStringLiteral("COMPUTADOR"));
  // A networked game before the name arrives: a neutral waiting text, also in the chat header.
  table.game.mutable_state().game_kind = GameKind::EmRede;
  table.main.refresh();
  for (const char* label : {"Label1", "Label3", "NOME"}) QCOMPARE(table.Label(label), waiting);

  const QString wide = QStringLiteral("WWWWWWWWWWW");
  table.game.mutable_state().LabelNome = wide.toStdString();
  table.game.mutable_state().LabelCartasNome = wide.toStdString();
  table.main.SetOpponentName(wide);
  table.main.refresh();
  table.main.show();
  for (const char* name : {"Label1", "Label3", "NOME", "LabelNome", "LabelCartasNome"}) {
    auto* label = table.main.findChild<QLabel*>(QString::fromLatin1(name));
    QCOMPARE(label->text(), wide);
    const int text_width = QFontMetrics(label->font()).horizontalAdvance(wide);
    QVERIFY2(text_width <= label->contentsRect().width(),
             qPrintable(QStringLiteral("%1: %2 > %3")
                            .arg(QString::fromLatin1(name))
                            .arg(text_width)
                            .arg(label->contentsRect().width())));
    QVERIFY(label->isVisible());
  }
  // A short name gets its label's own size back.
  auto* score = table.main.findChild<QLabel*>(QStringLiteral("Label3"));
  const int smaller = QFontInfo(score->font()).pixelSize();
  table.main.SetOpponentName(QStringLiteral("ANA"));
  QCOMPARE(table.Label("Label3"), QStringLiteral("ANA"));
  QVERIFY(QFontInfo(score->font()).pixelSize() > smaller);
  // A new connection forgets the old name until the new one comes.
  table.main.SetOpponentName(QString());
  for (const char* label : {"Label1", "Label3", "NOME"}) QCOMPARE(table.Label(label), waiting);
  table.main.hide();
}

// Every card control of a window, against what its seat may see: its own cards face up where
// they lie, the other's cards as backs in hand, face up on the table with the card the other
// window played there (a back when played face down), nothing of an earlier hand.
void CheckCardsOf(WindowSide& me, WindowSide& other, const char* who) {
  me.main.refresh();
  other.main.refresh();
  const net::NetworkedHand& hand = me.network->hand();
  for (int i = 0; i < 3; ++i) {
    const auto own_id = static_cast<CardId>(kCartaJ1 + i);
    const auto opp_id = static_cast<CardId>(kCartaM1 + i);
    TCard* mine = me.main.card(own_id);
    TCard* theirs = me.main.card(opp_id);
    QVERIFY2(mine->isVisible() && theirs->isVisible(), who);
    QVERIFY2(hand.own_card(i + 1).has_value(), who);
    if (!mine->showDeck()) QVERIFY2(mine->card() == *hand.own_card(i + 1), who);
    if (mine->pos().y() == kPlayerHandTop) QVERIFY2(!mine->showDeck(), who);
    if (theirs->pos().y() == kComputerHandTop) {
      QVERIFY2(theirs->showDeck(), (std::string(who) + ": the other's card shown in hand").c_str());
      continue;
    }
    // On the table: the other window holds that card in the same slot, in the same trick row.
    TCard* played = other.main.card(own_id);
    QVERIFY2(played->pos().y() == theirs->pos().y(), who);
    QVERIFY2(theirs->showDeck() == played->showDeck(), who);
    if (!theirs->showDeck()) QVERIFY2(theirs->card() == played->card(), who);
  }
}

void TestNetworkPlay::fiveHandsBetweenTwoWindowsShowOnlyWhatEachSeatMaySee() {
  JoinedWindows joined(false);
  auto& [host, guest, script] = joined;
  QCOMPARE(script.unexpected(), 0);
  script.Clear();  // from here every box (the end of a hand, of a game) is closed as it opens
  std::mt19937 random(LoopbackSeed());
  int moves = 0;
  while (host.network->hand().hands_dealt() <= 5) {
    QVERIFY(++moves < 400);
    QTRY_VERIFY_WITH_TIMEOUT(
        host.network->hand().actor() != ' ' &&
            guest.network->hand().actor() == host.network->hand().actor() &&
            guest.network->hand().hands_dealt() == host.network->hand().hands_dealt() &&
            !QApplication::activeModalWidget(),
        kLoopbackWaitMs);
    CheckCardsOf(host, guest, "host");
    CheckCardsOf(guest, host, "guest");
    if (QTest::currentTestFailed()) return;
    const char actor = host.network->hand().actor();
    WindowSide& side = actor == 'S' ? host : guest;
    const net::NetworkedHand& hand = side.network->hand();
    if (hand.eleven() == actor && !hand.eleven_decided()) {
      QTest::qWait(20);
      continue;  // its question box is closed as it opens: the hand of 11 is given up
    }
    std::vector<TCard*> in_hand;
    for (int i = 0; i < 3; ++i) {
      TCard* c = side.main.card(static_cast<CardId>(kCartaJ1 + i));
      if (c->pos().y() == kPlayerHandTop) in_hand.push_back(c);
    }
    QVERIFY(!in_hand.empty());
    QTest::mouseClick(in_hand[random() % in_hand.size()], Qt::LeftButton);
  }
}

// The guest goes back to the computer in the middle of a game: its own start ended the connection,
// and a box says so on its side (the host is told the connection was lost).
void TestNetworkPlay::aStartThatEndsTheConnectionSaysSo() {
  JoinedWindows joined;
  auto& [host, guest, script] = joined;
  QCOMPARE(script.unexpected(), 0);
  QTRY_VERIFY_WITH_TIMEOUT(guest.network->hand().actor() != ' ', kLoopbackWaitMs);
  script.Clear();
  script.Answer(QStringLiteral("OK"), [](QWidget* dialog) {
    dialog->findChild<QRadioButton*>(QStringLiteral("RB_CONTRAPC"))->click();
  });
  script.Yes();  // "Deseja reiniciar a partida?"
  script.Ok();
  script.Ok();
  guest.Click("BInicio");
  QTRY_VERIFY_WITH_TIMEOUT(script.pending() == 0, kLoopbackWaitMs);
  QCOMPARE(script.unexpected(), 0);
  QVERIFY(!guest.game.Online());
  QVERIFY(script.texts().contains(QStringLiteral("A conexão com o adversário foi encerrada.")));
  QVERIFY(script.texts().contains(QString::fromUtf8(net::kTextConnectionLost)));
}

QTEST_MAIN(TestNetworkPlay)
#include "test_network_play.moc"
