// The main window driven as a player drives it: real clicks on the named controls, every modal
// box answered by a script, and a stacked deck so each deal is known.
//
// Deals are written vira first, then the computer's three cards, then the player's three. With
// the vira 7 of Hearts the manilhas are the Damas, so every other card is ordinary:
// 4 (0) 5 (1) 6 (2) Rei (6) Ás (7) 2 (8) 3 (9).

#include <QAbstractButton>
#include <QActionGroup>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkInterface>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <array>
#include <tuple>
#include <vector>

#include "engine/cards.h"
#include "engine/game.h"
#include "engine/random.h"
#include "opponent/computer.h"
#include "tests/ui/accessible_tree.h"
#include "tests/ui/modal.h"
#include "ui/card.h"
#include "ui/formescolha.h"
#include "ui/formmain.h"
#include "ui/formtruco.h"
#include "ui/windowscreen.h"

using truco::Card;
using truco::Suit;
using truco::testing::ModalScript;

namespace {

constexpr Card C(int value, Suit suit) {
  return Card{static_cast<std::uint8_t>(value), suit};
}

struct Deal {
  Card vira;
  std::array<Card, 3> computer;
  std::array<Card, 3> player;
};

// The computer holds 4, 5 and 6 of Spades: it runs from every truco.
const Deal kWeakComputer{C(7, Suit::Hearts),
                         {C(4, Suit::Spades), C(5, Suit::Spades), C(6, Suit::Spades)},
                         {C(3, Suit::Clubs), C(2, Suit::Clubs), C(1, Suit::Clubs)}};
// The computer holds 3, 2 and Ás of Spades; the player 4, 5, 6 of Clubs.
const Deal kStrongComputer{C(7, Suit::Hearts),
                           {C(3, Suit::Spades), C(2, Suit::Spades), C(1, Suit::Spades)},
                           {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)}};

using Record = std::tuple<std::string, int, int, int>;

// One run of the program: the real windows around a game with a stacked deck.
struct Table {
  truco::StackedRandom random;
  truco::ComputerJudgement judgement;
  truco::WindowScreen screen;
  truco::Game game{screen, random, judgement};
  truco::TFormMain main{game, screen};
  truco::TFormTruco truco_dialog;
  truco::TF_ESCOLHA escolha;
  std::vector<Record> records;
  int quits = 0;

  Table() {
    screen.SetMainWindow(&main);
    screen.SetTrucoDialog(&truco_dialog);
    screen.SetEscolhaDialog(&escolha);
    screen.SetRecordSink([this](const std::string& name, int won, int lost, int balance) {
      records.emplace_back(name, won, lost, balance);
    });
    main.SetQuitAction([this] { ++quits; });
    main.show();
  }

  void Stack(const Deal& deal, int times = 1) {
    for (int i = 0; i < times; ++i) {
      for (const Card& c : {deal.vira, deal.computer[0], deal.computer[1], deal.computer[2],
                            deal.player[0], deal.player[1], deal.player[2]}) {
        for (int n : truco::DrawNumbersFor(truco::kBaralhoSujo, c)) random.Push(n);
      }
    }
  }

  template <class T = QWidget>
  T* Get(const char* name) const {
    T* w = main.findChild<T*>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
  }
  QString Text(const char* label) const { return Get<QLabel>(label)->text(); }
  truco::TCard* CardAt(truco::CardId id) const { return main.card(id); }

  void Click(const char* name) { QTest::mouseClick(Get(name), Qt::LeftButton); }

  // A key pressed where the table's keyboard is, as a player presses it (the table is the
  // active window again once a box has closed).
  void Key(Qt::Key key) {
    if (!main.isActiveWindow()) Activate();
    QWidget* focus = main.focusWidget();
    QTest::keyClick(focus ? focus : &main, key);
  }
  QWidget* Focus() const { return main.focusWidget(); }
  void Activate() {
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
  }
};

// Answers the box that opens by pressing Enter on it (its default button), and checks it closed.
ModalScript::Check PressEnter() {
  return [](QWidget* modal) {
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target && target->window() == modal ? target : modal, Qt::Key_Return);
    QVERIFY2(!modal->isVisible(), "Enter did not close the box");
  };
}

// Types the name in the game-kind dialog and confirms with Enter.
void TypeName(ModalScript& script, const QString& name) {
  script.Answer(QStringLiteral("OK"), [name](QWidget* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"));
    QVERIFY(edit);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY2(!dialog->isVisible(), "Enter did not confirm the name");
  });
}

// Types `name` into the game-kind dialog and presses OK.
void ChooseName(ModalScript& script, const QString& name) {
  script.Answer(QStringLiteral("OK"), [name](QWidget* dialog) {
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"));
    QVERIFY(edit);
    edit->clear();
    QTest::keyClicks(edit, name);
  });
}

bool NoModalLeft() {
  return QApplication::activeModalWidget() == nullptr;
}

}  // namespace

class TestFormMain : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    // Windows on the offscreen platform complain about size hints, raising and grabbing.
    static QtMessageHandler test_log = nullptr;
    test_log = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& msg) {
          if (msg.startsWith(QLatin1String("This plugin does not support"))) return;
          test_log(type, context, msg);
        });
  }

  void init() {
    // Earlier runs must not leak a modal box into the next test.
    QVERIFY(NoModalLeft());
  }

  // Before the first deal nothing is on the table; the game-kind dialog takes the name.
  void startsAGameThroughTheGameKindDialog() {
    Table t;
    ModalScript script;
    QSignalSpy manilhas(&t.main, &truco::TFormMain::manilhasRequested);

    QVERIFY(t.CardAt(truco::kCartaJ1)->showDeck());
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isEnabled());
    QVERIFY(!t.Get<QPushButton>("BCorrer")->isEnabled());
    QCOMPARE(t.Get<QPushButton>("BInicio")->text(), QStringLiteral("Iniciar"));
    t.Click("CartaJ1");
    t.Click("CVira");
    QCOMPARE(manilhas.count(), 0);
    QCOMPARE(t.CardAt(truco::kCVira)->cursor().shape(), Qt::ArrowCursor);

    // Empty name: told off, the dialog stays; a long lower-case name is cut and upper-cased.
    script.Answer(QStringLiteral("OK"), [](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Online ou Contra PC"));
      // "Em rede" can be chosen; its own choices wait for it.
      QVERIFY(dialog->findChild<QGroupBox*>(QStringLiteral("RG_TIPOJ"))->isEnabled());
      QVERIFY(!dialog->findChild<QGroupBox*>(QStringLiteral("RG_TIPOC"))->isEnabled());
      QVERIFY(!dialog->findChild<QLineEdit*>(QStringLiteral("E_IPS"))->isEnabled());
      auto* porta = dialog->findChild<QLineEdit*>(QStringLiteral("E_PORTA"));
      QCOMPARE(porta->text(), QStringLiteral("7070"));
      QVERIFY(!porta->isEnabled());
      QVERIFY(!dialog->findChild<QLabel*>(QStringLiteral("L_IP"))->text().isEmpty());
    });
    script.Ok();
    script.Answer(QStringLiteral("Cancela"));
    t.Click("BInicio");
    QCOMPARE(script.texts().value(1), QStringLiteral("Escolha um nome"));
    QCOMPARE(t.game.deals(), std::uint64_t{0});
    QCOMPARE(script.unexpected(), 0);

    ChooseName(script, QStringLiteral("joaquim silva"));
    t.Click("BInicio");
    QCOMPARE(t.game.deals(), std::uint64_t{1});
    QCOMPARE(t.Text("LabelNome"), QStringLiteral("JOAQUIM SIL"));
    QCOMPARE(t.Text("LabelCartasNome"), QStringLiteral("JOAQUIM SIL"));
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("1"));
    QVERIFY(t.Get<QPushButton>("BTrucar")->isEnabled());
    QVERIFY(t.Get<QPushButton>("BCorrer")->isEnabled());
    QVERIFY(!t.Get<QPushButton>("BEsconder")->isEnabled());
    for (truco::CardId id : {truco::kCartaJ1, truco::kCartaJ2, truco::kCartaJ3}) {
      QVERIFY(!t.CardAt(id)->showDeck());
      QCOMPARE(t.CardAt(id)->cursor().shape(), Qt::PointingHandCursor);
      QCOMPARE(t.CardAt(id)->card(), t.game.state().cards[id].card);
    }
    QVERIFY(t.CardAt(truco::kCartaM1)->showDeck());

    // From the first deal on the vira opens the manilhas.
    QCOMPARE(t.CardAt(truco::kCVira)->cursor().shape(), Qt::PointingHandCursor);
    t.Click("CVira");
    QCOMPARE(manilhas.count(), 1);

    // The network choices follow their groups; the server address follows only a click in the
    // connection group.
    auto radio = [&t](const char* name) {
      return t.escolha.findChild<QRadioButton*>(QString::fromLatin1(name));
    };
    auto* ips = t.escolha.findChild<QLineEdit*>(QStringLiteral("E_IPS"));
    auto* tipoc = t.escolha.findChild<QGroupBox*>(QStringLiteral("RG_TIPOC"));
    radio("RB_EMREDE")->click();
    QVERIFY(tipoc->isEnabled());
    QVERIFY(t.escolha.findChild<QLineEdit*>(QStringLiteral("E_PORTA"))->isEnabled());
    QVERIFY(!ips->isEnabled());
    radio("RB_CLIENTE")->click();
    QVERIFY(ips->isEnabled());
    radio("RB_CONTRAPC")->click();
    QVERIFY(!tipoc->isEnabled());
    QVERIFY(!ips->isEnabled());
    radio("RB_EMREDE")->click();
    QVERIFY(radio("RB_CLIENTE")->isChecked());
    QVERIFY(!ips->isEnabled());
    radio("RB_CONTRAPC")->click();

    auto* ip = t.escolha.findChild<QLabel*>(QStringLiteral("L_IP"));
    // The address shown is one of this machine's own IPv4 addresses as Qt lists them, and the
    // loopback one only when the machine has no other.
    QStringList own;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
      if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
        own << address.toString();
    }
    if (own.isEmpty()) {
      QCOMPARE(ip->text(), QStringLiteral("127.0.0.1"));
    } else {
      QVERIFY2(own.contains(ip->text()),
               qPrintable(ip->text() + QStringLiteral(" not in ") + own.join(u' ')));
    }
    QTest::mouseClick(t.escolha.findChild<QPushButton*>(QStringLiteral("BCopiarIP")),
                      Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), ip->text());
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // One hand played card by card: the computer's face-down card, the hidden command, the trick
  // labels, the hidden card and the computer's truco in the third trick, accepted.
  void playsAHandWithTheHiddenCardAndTheComputersThirdTrickCall() {
    Table t;
    ModalScript script;
    t.game.mutable_state().truco_phrases[truco::kPhraseTruco] = "TRUCO, MARRECO!";
    // Computer 4, Rei, 3 of Spades; player 5, 2, Ás of Clubs.
    t.Stack({C(7, Suit::Hearts),
             {C(4, Suit::Spades), C(13, Suit::Spades), C(3, Suit::Spades)},
             {C(5, Suit::Clubs), C(2, Suit::Clubs), C(1, Suit::Clubs)}});
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");

    script.Ok();
    t.Click("CartaM1");
    QCOMPARE(script.texts().last(), QStringLiteral("Tire a mão da minha carta Ladrão"));
    t.Click("Label10");  // undecided: nothing to say
    QCOMPARE(script.seen().size(), qsizetype{2});

    // The player's 2 loses to the computer's 3; the computer then leads its 4.
    t.Click("CartaJ2");
    QCOMPARE(t.CardAt(truco::kCartaJ2)->pos(), QPoint(320, 72));
    QCOMPARE(t.CardAt(truco::kCartaJ2)->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(t.CardAt(truco::kCartaM3)->pos(), QPoint(416, 72));
    QVERIFY(!t.CardAt(truco::kCartaM3)->showDeck());
    QCOMPARE(t.CardAt(truco::kCartaM3)->card(), C(3, Suit::Spades));
    QCOMPARE(t.CardAt(truco::kCartaM1)->pos(), QPoint(416, 208));
    QVERIFY(t.Get<QPushButton>("BEsconder")->isEnabled());
    script.Ok();
    t.Click("Label10");
    QCOMPARE(script.texts().last(), QStringLiteral("      A Primeira é Minha"));

    // The hidden command, exactly typed, shows the computer's last card; anything else is chat.
    auto* chat = t.Get<QLineEdit>("E_MSG");
    QTest::keyClicks(chat, QStringLiteral("/VIEWHANDS_518"));
    QTest::keyClick(chat, Qt::Key_Return);
    QVERIFY(t.CardAt(truco::kCartaM2)->showDeck());
    QVERIFY(chat->text().isEmpty());
    QCOMPARE(t.Get<QPlainTextEdit>("CHAT")->toPlainText(), QStringLiteral("[ANA] /VIEWHANDS_518"));
    QTest::keyClicks(chat, QStringLiteral("/viewhands_518"));
    QTest::keyClick(chat, Qt::Key_Return);
    QVERIFY(!t.CardAt(truco::kCartaM2)->showDeck());
    QCOMPARE(t.CardAt(truco::kCartaM2)->card(), C(13, Suit::Spades));
    QCOMPARE(chat->text(), QStringLiteral("/viewhands_518"));
    t.Click("CartaM2");  // face up now: nothing
    QCOMPARE(script.seen().size(), qsizetype{3});

    // The Ás takes the second trick.
    t.Click("CartaJ3");
    script.Ok();
    t.Click("Label11");
    QCOMPARE(script.texts().last(), QStringLiteral("      A Segunda é Sua"));

    // The hide button toggles; armed, the 5 goes face down into the third trick, and the
    // computer calls truco on it. The table shows the hidden card while the dialog waits.
    auto* esconder = t.Get<QPushButton>("BEsconder");
    t.Click("BEsconder");
    QCOMPARE(esconder->text(), QStringLiteral("Não Esconder (Jogar normal)"));
    t.Click("BEsconder");
    QCOMPARE(esconder->text(), QStringLiteral("Esconder (Jogar encoberta no monte)"));
    t.Click("BEsconder");
    script.Answer(QStringLiteral("Aceitar"), [&t](QWidget* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("O que deseja fazer?"));
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("L_FALA"))->text(),
               QStringLiteral("TRUCO, MARRECO!"));
      auto* raise = dialog->findChild<QPushButton*>(QStringLiteral("B_AUMENTA"));
      QVERIFY(raise->isVisible());
      QCOMPARE(raise->text(), QStringLiteral("Pedir 6"));
      QCOMPARE(t.CardAt(truco::kCartaJ1)->pos(), QPoint(320, 350));
      QVERIFY(t.CardAt(truco::kCartaJ1)->showDeck());
      // Only its buttons close it.
      QTest::keyClick(dialog, Qt::Key_Escape);
      QVERIFY(dialog->isVisible());
      QVERIFY(!(dialog->windowFlags() & Qt::WindowCloseButtonHint));
    });
    script.Answer(QStringLiteral("OK"), [&t](QWidget*) {
      QCOMPARE(t.Text("LabelVale"), QStringLiteral("3"));
      QCOMPARE(t.CardAt(truco::kCartaM2)->pos(), QPoint(416, 350));
      QCOMPARE(t.Get<QPushButton>("BEsconder")->text(),
               QStringLiteral("Esconder (Jogar encoberta no monte)"));
    });
    t.Click("CartaJ1");
    QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 3 Tento(s)"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("3"));
    QCOMPARE(t.Text("PJogador"), QStringLiteral("0"));
    // The next hand is dealt and the computer leads it.
    QCOMPARE(t.game.deals(), std::uint64_t{2});
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("1"));
    QCOMPARE(t.Get<QPushButton>("BTrucar")->text(), QStringLiteral("Trucar"));
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(NoModalLeft());
  }

  // The player's truco: accepted, raised (answered by running and by raising again, up to the
  // computer's "Doze"), refused; and "Correr".
  void bettingFromTheTable() {
    Table t;
    ModalScript script;
    t.game.mutable_state().truco_phrases[truco::kPhraseSeis] = "SEIS!";
    t.game.mutable_state().truco_phrases[truco::kPhraseDoze] = "DOZE!";
    const Deal accepts{C(7, Suit::Hearts),
                       {C(13, Suit::Spades), C(1, Suit::Spades), C(3, Suit::Spades)},
                       {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)}};
    // 2 and 3 of Spades with the Dama of Clubs (the strongest manilha): it raises.
    const Deal raises{C(7, Suit::Hearts),
                      {C(2, Suit::Spades), C(3, Suit::Spades), C(12, Suit::Clubs)},
                      {C(4, Suit::Clubs), C(5, Suit::Clubs), C(6, Suit::Clubs)}};
    t.Stack(accepts);
    t.Stack(raises, 2);
    t.Stack(kWeakComputer, 4);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");

    // Accepted: stake 3, the button moves on to "Seis" and the raise right to the computer.
    script.Ok();
    t.Click("BTrucar");
    QCOMPARE(script.texts().last(), QStringLiteral("Pode jogar Marreco"));
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("3"));
    QCOMPARE(t.Get<QPushButton>("BTrucar")->text(), QStringLiteral("Seis"));
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isEnabled());
    // Running now gives the accepted stake away.
    script.Ok();
    t.Click("BCorrer");
    QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 3 Tento(s)"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("3"));

    // The computer led already; it answers truco with "Seis", and the player runs: 3 points.
    QCOMPARE(t.CardAt(truco::kCartaM1)->pos(), QPoint(416, 72));
    script.Answer(QStringLiteral("Correr"), [](QWidget* dialog) {
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("L_FALA"))->text(),
               QStringLiteral("SEIS!"));
      QCOMPARE(dialog->findChild<QPushButton*>(QStringLiteral("B_AUMENTA"))->text(),
               QStringLiteral("Pedir 9"));
    });
    script.Ok();
    t.Click("BTrucar");
    QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 3 Tento(s)"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("6"));

    // Same hand again: the player raises to "Nove", which the computer accepts.
    script.Answer(QStringLiteral("Pedir 9"));
    script.Ok();
    t.Click("BTrucar");
    QCOMPARE(script.texts().last(), QStringLiteral("Pode jogar Marreco"));
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("9"));
    QCOMPARE(t.Get<QPushButton>("BTrucar")->text(), QStringLiteral("Doze"));
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isEnabled());
    // The computer takes the first trick, then calls "Doze" before leading: no raise offered.
    script.Answer(QStringLiteral("Aceitar"), [](QWidget* dialog) {
      QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("L_FALA"))->text(),
               QStringLiteral("DOZE!"));
      QVERIFY(!dialog->findChild<QPushButton*>(QStringLiteral("B_AUMENTA"))->isVisible());
    });
    t.Click("CartaJ1");
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("12"));
    QCOMPARE(t.Get<QPushButton>("BTrucar")->text(), QStringLiteral("Doze"));
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isEnabled());
    // The second trick ends the hand and the game: 6 + 12 is more than enough.
    script.Ok().Ok();
    t.Click("CartaJ2");
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList({QStringLiteral("Eu Ganhei 12 Tento(s)"),
                          QStringLiteral("Que M A R R E C O! Conseguiu Perder")}));
    QCOMPARE(t.Text("PartMicro"), QStringLiteral("1"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("0"));

    // A weak hand runs from truco; its message keeps its line break.
    script.Ok();
    t.Click("BTrucar");
    QCOMPARE(script.texts().last(),
             QStringLiteral("Você está Furando, mas eu vou Correr\nVocê Ganhou 1 Tento(s)"));
    QCOMPARE(t.Text("PJogador"), QStringLiteral("1"));

    // Nothing called: "Correr" gives 1.
    script.Ok();
    t.Click("BCorrer");
    QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 1 Tento(s)"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("1"));
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(NoModalLeft());
  }

  // A won game and a lost game, from "Iniciar", through the hands of eleven.
  void winsAGameAndLosesOne() {
    Table t;
    ModalScript script;
    t.Stack(kWeakComputer, 24);
    t.Stack(kStrongComputer);
    t.Stack(kWeakComputer, 2);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");

    // Eleven calls, eleven runs of the computer.
    for (int i = 1; i <= 11; ++i) {
      script.Ok();
      if (i == 11) script.Yes();  // "Você tem 11 pontos. Deseja Jogar com estas Cartas?"
      t.Click("BTrucar");
      QCOMPARE(t.Text("PJogador"), QString::number(i));
    }
    QCOMPARE(script.texts().last(),
             QStringLiteral("Você tem 11 pontos. Deseja Jogar com estas Cartas?"));
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isVisible());
    QCOMPARE(t.Text("LabelVale"), QStringLiteral("3"));
    // The computer led its 4; the 3 and the 2 win the hand of eleven, and with it the game.
    t.Click("CartaJ1");
    script.Ok().Ok();
    t.Click("CartaJ2");
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList({QStringLiteral("Você Ganhou 3 Tento(s)"),
                          QStringLiteral("Parabéns  L A D R Ã O!  Você Ganhou")}));
    QCOMPARE(t.Text("PartJogador"), QStringLiteral("1"));
    QCOMPARE(t.Text("PJogador"), QStringLiteral("0"));
    QCOMPARE(t.Text("PartMicro"), QStringLiteral("0"));

    // Eleven runs of the player; at 11 the computer has good cards and plays the hand.
    for (int i = 1; i <= 11; ++i) {
      script.Ok();
      t.Click("BCorrer");
      QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 1 Tento(s)"));
      QCOMPARE(t.Text("PMicro"), QString::number(i));
    }
    QVERIFY(!t.Get<QPushButton>("BTrucar")->isVisible());
    QVERIFY(!t.Get<QPushButton>("BCorrer")->isEnabled());
    t.Click("BCorrer");  // disabled: nothing
    t.Click("CartaJ1");
    script.Ok().Ok();
    t.Click("CartaJ2");
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList({QStringLiteral("Eu Ganhei 3 Tento(s)"),
                          QStringLiteral("Que M A R R E C O! Conseguiu Perder")}));
    QCOMPARE(t.Text("PartMicro"), QStringLiteral("1"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("0"));
    QCOMPARE(t.Text("PartJogador"), QStringLiteral("1"));
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(t.records.empty());
    QVERIFY(NoModalLeft());
  }

  // "Iniciar" during a run asks first; Yes hands both lines to the records and zeroes the points.
  void restartQuestion() {
    Table t;
    ModalScript script;
    t.Stack(kWeakComputer, 4);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");
    script.Ok();
    t.Click("BCorrer");
    QCOMPARE(t.Text("PMicro"), QStringLiteral("1"));
    t.game.mutable_state().games_player = 2;
    t.game.mutable_state().games_computer = 1;
    const auto deals = t.game.deals();

    // No: nothing changes. The name typed before is offered again.
    script.Answer(QStringLiteral("OK"), [](QWidget* dialog) {
      QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("E_NOME"))->text(),
               QStringLiteral("ANA"));
    });
    script.No();
    t.Click("BInicio");
    QCOMPARE(script.seen().last().title, QStringLiteral("Atenção ..."));
    QCOMPARE(script.texts().last(),
             QStringLiteral("Deseja reiniciar a partida? Seus pontos serão zerados ?"));
    QCOMPARE(t.game.deals(), deals);
    QCOMPARE(t.Text("PMicro"), QStringLiteral("1"));
    // Cancela: nothing either.
    script.Answer(QStringLiteral("Cancela"));
    t.Click("BInicio");
    QCOMPARE(t.game.deals(), deals);
    QVERIFY(t.records.empty());

    script.Answer(QStringLiteral("OK")).Yes();
    t.Click("BInicio");
    QCOMPARE(t.game.deals(), deals + 1);
    QCOMPARE(t.Text("PMicro"), QStringLiteral("0"));
    QCOMPARE(t.Text("PartJogador"), QStringLiteral("2"));
    QCOMPARE(t.records, (std::vector<Record>{{"ANA", 2, 1, 1}, {"COMPUTADOR", 1, 2, -1}}));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // Ending the event loop closes every window: the table refuses a close from outside (and
  // shows the about window instead) but lets itself be closed once "Sair" was confirmed.
  void confirmedExitLetsTheTableClose() {
    Table t;
    int abouts = 0;
    QObject::connect(&t.main, &truco::TFormMain::aboutRequested, [&] { ++abouts; });
    QVERIFY(!t.main.close());
    QCOMPARE(abouts, 1);
    QVERIFY(t.main.isVisible());
    bool closed = false;
    t.main.SetQuitAction([&] { closed = t.main.close(); });
    ModalScript script;
    script.Yes();
    t.Click("Bsair");
    QVERIFY(closed);
    QCOMPARE(abouts, 1);
    QVERIFY(NoModalLeft());
  }

  // "Sair" in its three situations, with what reaches the records.
  void exitDialog() {
    Table t;
    ModalScript script;
    // Equal (0 : 0): a plain question; No stays, Yes ends, nothing recorded.
    script.No();
    t.Click("Bsair");
    QCOMPARE(script.texts().last(), QStringLiteral("Tem Certeza que deseja Sair?"));
    QCOMPARE(script.seen().last().title, QStringLiteral("Information"));
    QCOMPARE(t.quits, 0);
    script.Yes();
    t.Click("Bsair");
    QCOMPARE(t.quits, 1);
    QVERIFY(t.records.empty());

    // Behind.
    t.game.mutable_state().games_computer = 2;
    script.No().Ok();
    t.Click("Bsair");
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList(
                 {QStringLiteral("Você está Perdendo no Total. Vai sair com a Derrota nas costas?"),
                  QStringLiteral("É isso ai, seja Macho e não fuja")}));
    QCOMPARE(t.quits, 1);
    QVERIFY(t.records.empty());
    script.Yes().Ok();
    t.Click("Bsair");
    QCOMPARE(script.texts().last(),
             QStringLiteral("Maricas, HAHAHAHA. Não vai perder o sono por causa da surra"));
    QCOMPARE(t.quits, 2);
    QCOMPARE(t.records, (std::vector<Record>{{"COMPUTADOR", 2, 0, 2}}));

    // Ahead, from the pop-up menu's "S&air", with the name of the score box.
    t.records.clear();
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");
    t.game.mutable_state().games_player = 3;
    t.game.mutable_state().games_computer = 1;
    script.No().Ok();
    t.main.findChild<QAction*>(QStringLiteral("MenuSair"))->trigger();
    QCOMPARE(
        script.texts().mid(script.texts().size() - 2),
        QStringList({QStringLiteral("Maricas, HAHAHAHA. Vai aproveitar que ganhou uma e vai sair?"),
                     QStringLiteral("É isso ai, seja Macho e não fuja")}));
    QVERIFY(t.records.empty());
    script.Yes().Ok();
    t.Click("Bsair");
    QCOMPARE(script.texts().last(), QStringLiteral("Maricas, saiu só porque ganhou uma"));
    QCOMPARE(t.quits, 3);
    QCOMPARE(t.records, (std::vector<Record>{{"ANA", 3, 1, 2}}));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // The window itself: layout, pop-up menu and card backs, Alt+F4, "-", the chat entry's focus,
  // the bundled pages and their reload timer.
  void windowMenuAndPanels() {
    Table t;
    ModalScript script;
    QVERIFY(QTest::qWaitForWindowExposed(&t.main));
    QCOMPARE(t.main.windowTitle(), QStringLiteral("Truco Zanforte"));
    // The client area as designed, under the table's own caption: the title and a minimise
    // button, the only button (a window manager draws no buttons of its own on it).
    // The foot line lies below the table, outside what scrolls on a small screen.
    QCOMPARE(t.Get("Mesa")->size() + QSize(0, t.Get("StatusBar1")->height()), QSize(692, 607));
    QCOMPARE(t.Get("StatusBar1")->geometry().bottom(), t.main.height() - 1);
    QVERIFY(t.main.screen()->availableGeometry().contains(t.main.frameGeometry()));
    QCOMPARE(t.main.size(), QSize(692, 607 + truco::TFormMain::kCaptionHeight));
    QVERIFY(!(t.main.windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!(t.main.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(t.main.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(t.main.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(t.Text("LabelCaption"), QStringLiteral("Truco Zanforte"));
    const auto caption_buttons = t.Get("Caption")->findChildren<QAbstractButton*>();
    QCOMPARE(caption_buttons.size(), qsizetype{1});
    QCOMPARE(caption_buttons.front()->accessibleName(), QStringLiteral("Minimizar"));
    const std::vector<std::tuple<const char*, QRect>> places{
        {"GB1", QRect(88, 20, 180, 59)},           {"BInicio", QRect(14, 294, 75, 25)},
        {"BTrucar", QRect(100, 294, 75, 25)},      {"BCorrer", QRect(186, 294, 75, 25)},
        {"BEsconder", QRect(15, 463, 243, 20)},    {"Bsair", QRect(456, 467, 70, 19)},
        {"SpeedButton3", QRect(430, 468, 17, 17)}, {"Browser", QRect(-1, 527, 535, 59)},
        {"Browser2", QRect(534, 0, 158, 586)}};
    for (const auto& [name, rect] : places) QCOMPARE(t.Get(name)->geometry(), rect);
    QCOMPARE(t.Get<QGroupBox>("GB1")->title(), QStringLiteral("  TENTOS  "));
    QCOMPARE(t.Get("CartaM2")->pos(), QPoint(100, 181));
    QCOMPARE(t.Get("CVira")->pos(), QPoint(10, 23));
    QCOMPARE(t.Get("Label11")->toolTip(),
             QStringLiteral("Clique aqui para ver quem ganhou a segunda"));
    QVERIFY(t.Get<QLabel>("Label12")->font().underline());
    QCOMPARE(t.Get("E_MSG")->x(), 738);
    QVERIFY(t.Get("E_MSG")->x() > t.main.width());  // right of the visible width

    // The back menu: "Normal 2" at start; "Castelo" turns the seven backs and only it is checked.
    QMenu* menu = t.main.popupMenu();
    QStringList entries;
    for (QAction* a : menu->actions()) entries << a->text();
    QCOMPARE(entries, QStringList({"&Sobre", "", "Re&gras", "&Configurações", "&Recordes",
                                   "Es&tatísticas\tS", "&Histórico\tH", "&Baralho", "",
                                   "S&air"}));
    auto* baralho = t.main.findChild<QMenu*>(QStringLiteral("MenuBaralho"));
    QCOMPARE(baralho->actions().size(), qsizetype{12});
    QCOMPARE(baralho->actions().at(1)->text(), QStringLiteral("Normal 2"));
    QVERIFY(baralho->actions().at(1)->isChecked());
    for (truco::CardId id : {truco::kCartaJ1, truco::kCartaM3, truco::kCVira}) {
      QCOMPARE(t.CardAt(id)->deckType(), truco::TDecks::Standard2);
    }
    // A right click anywhere, here on a label, opens the menu.
    QContextMenuEvent right_click(QContextMenuEvent::Mouse, QPoint(2, 2),
                                  t.Get("Label4")->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(t.Get("Label4"), &right_click);
    QVERIFY(menu->isVisible());
    menu->close();
    baralho->actions().at(10)->trigger();
    QCOMPARE(baralho->actions().at(10)->text(), QStringLiteral("Castelo"));
    int checked = 0;
    for (QAction* a : baralho->actions()) checked += a->isChecked() ? 1 : 0;
    QCOMPARE(checked, 1);
    QVERIFY(baralho->actions().at(10)->isChecked());
    for (int id = 0; id < truco::kNumTableCards; ++id) {
      QCOMPARE(t.CardAt(static_cast<truco::CardId>(id))->deckType(), truco::TDecks::Castle);
      QCOMPARE(t.CardAt(static_cast<truco::CardId>(id))->pictureName(), QStringLiteral("CASTLE"));
    }
    QVERIFY(t.truco_dialog.findChildren<truco::TCard*>().isEmpty());

    // Hooks: buttons, menu entries, the first-place name, Alt+F4 and a close request.
    QSignalSpy about(&t.main, &truco::TFormMain::aboutRequested);
    QSignalSpy rules(&t.main, &truco::TFormMain::rulesRequested);
    QSignalSpy records(&t.main, &truco::TFormMain::recordsRequested);
    QSignalSpy settings(&t.main, &truco::TFormMain::settingsRequested);
    QSignalSpy phrases(&t.main, &truco::TFormMain::phrasesRequested);
    t.Click("BSobre");
    t.Click("SpeedButton1");
    t.Click("BRecordes");
    t.Click("LabelNomePonto");
    t.Click("BConfig");
    t.Click("SpeedButton2");
    t.main.findChild<QAction*>(QStringLiteral("MenuConfig"))->trigger();
    t.main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&t.main));
    QTest::keyClick(&t.main, Qt::Key_F4, Qt::AltModifier);
    QVERIFY(!t.main.close());
    QCOMPARE(about.count(), 3);
    QCOMPARE(rules.count(), 1);
    QCOMPARE(records.count(), 2);
    QCOMPARE(settings.count(), 2);
    QCOMPARE(phrases.count(), 1);
    QVERIFY(t.main.isVisible());
    t.main.SetFirstPlace(QStringLiteral("ZECA"), 7);
    QCOMPARE(t.Text("LabelNomePonto"), QStringLiteral("ZECA"));
    QCOMPARE(t.Text("LabelPonto"), QStringLiteral("7"));

    // The hidden chat entry never takes the keyboard.
    QVERIFY(QApplication::focusWidget() != t.Get("E_MSG"));
    QCOMPARE(t.Get("E_MSG")->focusPolicy(), Qt::NoFocus);

    // The two pages are bundled and loaded once; the tips column fits inside the window, so
    // its scroll bar shows. Nothing in the window ticks while it waits for the player.
    QVERIFY(t.Get<QTextBrowser>("Browser")->toPlainText().contains(QStringLiteral("truco")));
    auto* tips = t.Get<QTextBrowser>("Browser2");
    QVERIFY(tips->toPlainText().contains(QStringLiteral("manilha")));
    QVERIFY(tips->geometry().right() < t.main.width());
    QVERIFY(tips->geometry().bottom() < t.Get("StatusBar1")->y());
    QVERIFY(tips->verticalScrollBar()->maximum() > 0);
    QVERIFY(tips->verticalScrollBar()->isVisible());
    QVERIFY(tips->mapTo(&t.main, tips->verticalScrollBar()->geometry().topRight()).x() <
            t.main.width());
    for (QTimer* timer : t.main.findChildren<QTimer*>()) {
      QVERIFY2(!timer->isActive(), qPrintable(timer->objectName()));
    }

    // "-" and the caption's button minimise.
    t.Click("SpeedButton3");
    QTRY_VERIFY(t.main.isMinimized());
    t.main.showNormal();
    QTRY_VERIFY(!t.main.isMinimized());
    t.Click("BMinimizar");
    QTRY_VERIFY(t.main.isMinimized());
    QCOMPARE(script.seen().size(), qsizetype{0});
    QVERIFY(NoModalLeft());
  }

  // A whole hand and more without the mouse: Space and Tab from "Iniciar", the cards by Space
  // and by their keys, truco and running by their keys, every box closed by Enter.
  void playsByKeyboard() {
    Table t;
    ModalScript script;
    t.Activate();
    QCOMPARE(t.Focus(), t.Get("BInicio"));
    t.Stack(kWeakComputer, 5);
    TypeName(script, QStringLiteral("ana"));
    t.Key(Qt::Key_Space);
    QCOMPARE(t.game.deals(), std::uint64_t{1});
    QCOMPARE(t.Text("LabelNome"), QStringLiteral("ANA"));
    QVERIFY(t.main.statusText().contains(QStringLiteral("Sua vez")));

    // Tab reaches the first card (past "Trucar" and "Correr"); Space plays it, and the keyboard
    // moves on to the next card in hand.
    for (const char* name : {"BTrucar", "BCorrer", "CartaJ1"}) {
      t.Key(Qt::Key_Tab);
      QCOMPARE(t.Focus(), t.Get(name));
    }
    t.Key(Qt::Key_Space);
    QCOMPARE(t.CardAt(truco::kCartaJ1)->pos(), QPoint(320, 72));
    QCOMPARE(t.Focus(), t.Get("CartaJ2"));
    QCOMPARE(t.CardAt(truco::kCartaJ1)->focusPolicy(), Qt::NoFocus);
    // What a screen reader finds meanwhile: every reachable control named, the cards as buttons
    // (a played one offers nothing any more), the foot line's and the score's text.
    const QStringList faults = truco::test::AccessibilityFaults(&t.main);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    QAccessibleInterface* played = QAccessible::queryAccessibleInterface(t.CardAt(truco::kCartaJ1));
    QAccessibleInterface* in_hand =
        QAccessible::queryAccessibleInterface(t.CardAt(truco::kCartaJ2));
    QCOMPARE(played->role(), QAccessible::Button);
    QCOMPARE(in_hand->role(), QAccessible::Button);
    QCOMPARE(in_hand->text(QAccessible::Name),
             QString::fromStdString(truco::CardName(t.CardAt(truco::kCartaJ2)->card())));
    QVERIFY(played->actionInterface()->actionNames().isEmpty());
    QVERIFY(played->state().disabled);
    QVERIFY(played->text(QAccessible::Description).startsWith(QStringLiteral("Jogada")));
    QCOMPARE(in_hand->actionInterface()->actionNames(),
             QStringList{QAccessibleActionInterface::pressAction()});
    QVERIFY(in_hand->text(QAccessible::Description).contains(QStringLiteral("tecla 2")));
    QCOMPARE(
        QAccessible::queryAccessibleInterface(t.Get("StatusBar1"))->text(QAccessible::Description),
        t.main.statusText());
    auto score = [&t] {
      return QAccessible::queryAccessibleInterface(t.Get("GB1"))->text(QAccessible::Description);
    };
    QCOMPARE(score(), QStringLiteral("Você 0, Computador 0; partidas 0 a 0"));
    const std::string first = t.game.TrickLabelText(1);
    QCOMPARE(QAccessible::queryAccessibleInterface(t.Get("Label10"))->text(QAccessible::Description),
             first.empty() ? QStringLiteral("Não decidida") : QString::fromStdString(first));
    QCOMPARE(QAccessible::queryAccessibleInterface(t.Get("Label12"))->text(QAccessible::Description),
             QStringLiteral("Não decidida"));
    QCOMPARE(QAccessible::queryAccessibleInterface(t.Get("LabelVale"))->text(QAccessible::Description),
             QStringLiteral("Valendo %1 Tento(s)").arg(t.Text("LabelVale")));
    // The 2 by its key wins the hand; Enter closes the box.
    script.Answer(QStringLiteral("OK"), PressEnter());
    t.Key(Qt::Key_2);
    QCOMPARE(script.texts().last(), QStringLiteral("Você Ganhou 1 Tento(s)"));
    QCOMPARE(t.Text("PJogador"), QStringLiteral("1"));
    QCOMPARE(t.game.deals(), std::uint64_t{2});
    QCOMPARE(score(), QStringLiteral("Você 1, Computador 0; partidas 0 a 0"));

    // "T" calls truco (the weak computer runs), "C" runs; "E" does nothing while the button is off.
    script.Answer(QStringLiteral("OK"), PressEnter());
    t.Key(Qt::Key_T);
    QCOMPARE(t.Text("PJogador"), QStringLiteral("2"));
    t.Key(Qt::Key_E);
    QVERIFY(!t.game.state().hide_armed);
    script.Answer(QStringLiteral("OK"), PressEnter());
    t.Key(Qt::Key_C);
    QCOMPARE(script.texts().last(), QStringLiteral("Eu Ganhei 1 Tento(s)"));
    QCOMPARE(t.Text("PMicro"), QStringLiteral("1"));

    // Enter presses a focused button too: "Trucar" again.
    t.Get("BTrucar")->setFocus();
    script.Answer(QStringLiteral("OK"), PressEnter());
    t.Key(Qt::Key_Return);
    QCOMPARE(t.Text("PJogador"), QStringLiteral("3"));

    // Typed letters go nowhere hidden, and the Menu key opens the table's own menu.
    QTest::keyClicks(t.Focus(), QStringLiteral("xyz"));
    QVERIFY(t.Get<QLineEdit>("E_MSG")->text().isEmpty());
    QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(2, 2),
                               t.Focus()->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(t.Focus(), &menu_key);
    QVERIFY(t.main.popupMenu()->isVisible());
    t.main.popupMenu()->close();
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(NoModalLeft());
  }

  // The chat entry takes the keyboard only where the chat column shows (a networked game):
  // there a typed digit is text, not a card, and the hidden command still works; once the
  // column goes, the keyboard leaves the entry.
  void chatEntryTakesKeysOnlyWhereShown() {
    Table t;
    ModalScript script;
    t.Activate();
    t.Stack(kWeakComputer);
    ChooseName(script, QStringLiteral("ana"));
    t.Key(Qt::Key_I);
    auto* chat = t.Get<QLineEdit>("E_MSG");
    QCOMPARE(chat->focusPolicy(), Qt::NoFocus);

    t.game.mutable_state().game_kind = truco::GameKind::EmRede;
    t.main.refresh();
    QVERIFY(t.main.chatShown());
    chat->setFocus();
    QCOMPARE(t.Focus(), chat);
    t.Key(Qt::Key_1);
    QCOMPARE(chat->text(), QStringLiteral("1"));
    QVERIFY(t.game.state().InHand(truco::kCartaJ1));
    chat->clear();
    QTest::keyClicks(chat, QStringLiteral("/viewhands_518"));
    t.Key(Qt::Key_Return);
    // The entry takes the command; between two people it shows nobody's cards.
    QCOMPARE(chat->text(), QStringLiteral("/viewhands_518"));
    for (truco::CardId id : {truco::kCartaM1, truco::kCartaM2, truco::kCartaM3}) {
      QVERIFY(t.CardAt(id)->showDeck());
    }

    t.game.mutable_state().game_kind = truco::GameKind::ContraPC;
    t.main.refresh();
    QVERIFY(!t.main.chatShown());
    QVERIFY(t.Focus() != chat);
    QCOMPARE(chat->focusPolicy(), Qt::NoFocus);
    t.Key(Qt::Key_1);
    QVERIFY(!t.game.state().InHand(truco::kCartaJ1));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // The chat entry holds the keyboard only while the player types: Enter sends and gives it
  // back, Escape gives it back unsent, a click on the table gives it back; the game's keys then
  // play again instead of going into the line.
  void chatGivesTheKeyboardBackToTheTable() {
    Table t;
    ModalScript script;
    t.Activate();
    t.game.mutable_state().game_kind = truco::GameKind::EmRede;
    t.main.refresh();
    auto* chat = t.Get<QLineEdit>("E_MSG");
    QSignalSpy sent(&t.main, &truco::TFormMain::chatLineEntered);
    t.Get("BSobre")->setFocus();
    chat->setFocus();
    QTest::keyClicks(chat, QStringLiteral("oi"));
    t.Key(Qt::Key_Return);
    QCOMPARE(sent.count(), 1);
    QCOMPARE(t.Focus(), t.Get("BSobre"));
    chat->setFocus();
    QTest::keyClicks(chat, QStringLiteral("tchau"));
    t.Key(Qt::Key_Escape);
    QCOMPARE(sent.count(), 1);
    QVERIFY(t.Focus() != chat);
    chat->setFocus();
    QTest::mouseClick(t.Get("Mesa"), Qt::LeftButton, {}, QPoint(300, 150));
    QVERIFY(t.Focus() != chat);
    QCOMPARE(chat->text(), QStringLiteral("tchau"));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // The Enter that closes a box is the box's: while it is held (its repeats come as a release and
  // a press with one timestamp) it never presses "Iniciar" under the box; a new press does.
  void keyThatClosesABoxNeverReachesTheTable() {
    Table t;
    ModalScript script;
    t.Activate();
    t.Stack(kWeakComputer);
    QCOMPARE(t.Focus(), t.Get("BInicio"));
    // Only the press: the box closes on it, and the key is still down.
    script.Answer(QStringLiteral("OK"), [](QWidget* box) {
      QWidget* target = QApplication::focusWidget();
      QTest::keyPress(target && target->window() == box ? target : box, Qt::Key_Return);
      QVERIFY(!box->isVisible());
    });
    t.screen.MOSTRA_MENSAGEM("Arquivo \"Recordes.qdx\" não encontrado", 1);
    QVERIFY(NoModalLeft());
    auto send = [&t](QEvent::Type type, quint64 time) {
      QKeyEvent key(type, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      key.setTimestamp(time);
      QApplication::sendEvent(t.Focus(), &key);
    };
    for (quint64 time = 1000; time < 1400; time += 40) {
      send(QEvent::KeyRelease, time);
      send(QEvent::ShortcutOverride, time);
      send(QEvent::KeyPress, time);
    }
    QCOMPARE(t.game.deals(), std::uint64_t{0});
    QCOMPARE(script.unexpected(), 0);
    // The player lets go and presses Enter again: that one starts the game.
    ChooseName(script, QStringLiteral("ana"));
    send(QEvent::KeyPress, 2000);
    send(QEvent::KeyRelease, 2100);
    QCOMPARE(t.game.deals(), std::uint64_t{1});
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(NoModalLeft());
  }

  // Alt+F7 moves the table by the arrows, inside the screen; Escape puts it back.
  void movesByKeyboard() {
    Table t;
    t.Activate();
    const QPoint start = t.main.pos();
    QTest::keyClick(&t.main, Qt::Key_F7, Qt::AltModifier);
    QVERIFY(t.main.movingByKeys());
    QTest::keyClick(&t.main, Qt::Key_Left);
    QTest::keyClick(&t.main, Qt::Key_Up);
    QTRY_COMPARE_WITH_TIMEOUT(t.main.pos(), start - QPoint(10, 10), 10000);
    QTest::keyClick(&t.main, Qt::Key_Escape);
    QVERIFY(!t.main.movingByKeys());
    QTRY_COMPARE_WITH_TIMEOUT(t.main.pos(), start, 10000);
    QTest::keyClick(&t.main, Qt::Key_F7, Qt::AltModifier);
    for (int i = 0; i < 300; ++i) QTest::keyClick(&t.main, Qt::Key_Right);
    QTest::keyClick(&t.main, Qt::Key_Return);
    QVERIFY(!t.main.movingByKeys());
    QVERIFY(t.main.screen()->availableGeometry().contains(t.main.frameGeometry()));
  }

  // A whole game by keyboard: eleven calls of truco that the computer runs from, the hand of
  // eleven accepted with Enter and won with the keys 1 and 2.
  void winsAWholeGameByKeyboard() {
    Table t;
    ModalScript script;
    t.Activate();
    t.Stack(kWeakComputer, 14);
    TypeName(script, QStringLiteral("ana"));
    t.Key(Qt::Key_I);
    for (int i = 1; i <= 11; ++i) {
      script.Answer(QStringLiteral("OK"), PressEnter());
      if (i == 11) script.Answer(QStringLiteral("Yes"), PressEnter());
      t.Key(Qt::Key_T);
      QCOMPARE(t.Text("PJogador"), QString::number(i));
    }
    QCOMPARE(script.texts().last(),
             QStringLiteral("Você tem 11 pontos. Deseja Jogar com estas Cartas?"));
    t.Key(Qt::Key_1);
    script.Answer(QStringLiteral("OK"), PressEnter()).Answer(QStringLiteral("OK"), PressEnter());
    t.Key(Qt::Key_2);
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList({QStringLiteral("Você Ganhou 3 Tento(s)"),
                          QStringLiteral("Parabéns  L A D R Ã O!  Você Ganhou")}));
    QCOMPARE(t.Text("PartJogador"), QStringLiteral("1"));
    QCOMPARE(t.Text("PJogador"), QStringLiteral("0"));
    QCOMPARE(script.unexpected(), 0);
    QCOMPARE(script.pending(), std::size_t{0});
    QVERIFY(NoModalLeft());
  }

  // Tab visits every control of the table once, top to bottom, skipping what is off; each one
  // says its keys in its hint.
  // Every Tab stop of the table shows that it has the keyboard (it draws otherwise than without
  // it), and an empty first-place name is no stop at all.
  void everyTabStopShowsItsFocus() {
    Table t;
    ModalScript script;
    t.Activate();
    t.Stack(kWeakComputer);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");
    t.main.SetFirstPlace(QString(), 0);
    t.Get("BInicio")->setFocus();
    QStringList stops;
    for (int i = 0; i < 40; ++i) {
      t.Key(Qt::Key_Tab);
      QWidget* focus = t.Focus();
      QVERIFY(focus);
      if (stops.contains(focus->objectName())) break;
      stops << focus->objectName();
      const QImage with = focus->grab().toImage();
      focus->clearFocus();
      const QImage without = focus->grab().toImage();
      focus->setFocus(Qt::TabFocusReason);
      QVERIFY2(with != without, qPrintable(focus->objectName()));
    }
    QVERIFY(!stops.contains(QStringLiteral("LabelNomePonto")));
    QVERIFY(stops.contains(QStringLiteral("Browser2")));
    t.main.SetFirstPlace(QStringLiteral("ANA"), 3);
    QCOMPARE(t.Get("LabelNomePonto")->focusPolicy(), Qt::StrongFocus);
    QCOMPARE(script.unexpected(), 0);
  }

  void focusOrderAndHints() {
    Table t;
    ModalScript script;
    t.Activate();
    t.Stack(kWeakComputer);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");
    t.Get("BInicio")->setFocus();
    const std::vector<const char*> order{"BTrucar", "BCorrer",        "CartaJ1",   "CartaJ2",
                                         "CartaJ3", "LabelNomePonto", "Label10",   "Label11",
                                         "Label12", "SpeedButton3",   "Bsair",     "Browser2",
                                         "CVira",   "BSobre",         "BRecordes", "SpeedButton1",
                                         "BConfig", "SpeedButton2",   "BInicio"};
    for (const char* name : order) {
      t.Key(Qt::Key_Tab);
      QCOMPARE(t.Focus()->objectName(), QString::fromLatin1(name));
    }
    const std::vector<std::pair<const char*, const char*>> keys{
        {"BInicio", "tecla I"},   {"BTrucar", "tecla T"}, {"BCorrer", "tecla C"},
        {"BEsconder", "tecla E"}, {"CVira", "tecla V"},   {"CartaJ1", "tecla 1"},
        {"CartaJ2", "tecla 2"},   {"CartaJ3", "tecla 3"}};
    for (const auto& [name, key] : keys) {
      QVERIFY2(t.Get(name)->toolTip().contains(QString::fromLatin1(key)), name);
    }
    // Space on the first-place name and on a trick label acts like a click.
    QSignalSpy records(&t.main, &truco::TFormMain::recordsRequested);
    t.Get("LabelNomePonto")->setFocus();
    t.Key(Qt::Key_Space);
    QCOMPARE(records.count(), 1);
    QSignalSpy manilhas(&t.main, &truco::TFormMain::manilhasRequested);
    t.Key(Qt::Key_V);
    QCOMPARE(manilhas.count(), 1);
    QCOMPARE(script.unexpected(), 0);
  }

  // At 11 to 11 in the dark every card is face down, and only a face-up card can be hidden: the
  // hide button stays off and the table says why, while the cards play as they should.
  void darkElevenCannotHideAndSaysSo() {
    Table t;
    ModalScript script;
    t.Activate();
    t.game.mutable_state().settings.eleven_mode = 1;
    t.game.mutable_state().player_points = 11;
    t.game.mutable_state().computer_points = 11;
    t.Stack(kWeakComputer);
    ChooseName(script, QStringLiteral("ana"));
    t.Key(Qt::Key_I);
    for (truco::CardId id : {truco::kCartaJ1, truco::kCartaJ2, truco::kCartaJ3}) {
      QVERIFY(t.CardAt(id)->showDeck());
      QCOMPARE(t.CardAt(id)->accessibleName(), QStringLiteral("Carta virada para baixo"));
    }
    QVERIFY(t.main.statusText().contains(QStringLiteral("escuro")));
    t.Key(Qt::Key_1);
    QVERIFY(!t.CardAt(truco::kCartaJ1)->showDeck());
    auto* esconder = t.Get<QPushButton>("BEsconder");
    QVERIFY(!esconder->isEnabled());
    QVERIFY(esconder->toolTip().contains(QStringLiteral("escuro")));
    t.Key(Qt::Key_E);
    t.Click("BEsconder");
    QVERIFY(!t.game.state().hide_armed);
    // The next card plays, face up from the dark, and wins the hand (and the game).
    script.Ok().Ok();
    t.Key(Qt::Key_2);
    QCOMPARE(script.texts().mid(script.texts().size() - 2),
             QStringList({QStringLiteral("Você Ganhou 1 Tento(s)"),
                          QStringLiteral("Parabéns  L A D R Ã O!  Você Ganhou")}));
    QCOMPARE(t.Text("PartJogador"), QStringLiteral("1"));
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  // Tests see every card at its place at once. Animated, the rules move a card at once and
  // only the drawing slides onto the table, in under 200 ms; a new deal puts the hands back at
  // once, and switching the slides off lands whatever moves.
  void cardsSlideOnlyWhenAnimated() {
    Table t;
    ModalScript script;
    QVERIFY(!t.main.animated());
    t.Stack(kWeakComputer, 2);
    ChooseName(script, QStringLiteral("ana"));
    t.Click("BInicio");

    t.main.SetAnimated(true);
    const auto slides = t.main.findChildren<QPropertyAnimation*>();
    QCOMPARE(slides.size(), qsizetype{truco::kNumTableCards});
    for (const QPropertyAnimation* slide : slides) QVERIFY(slide->duration() < 200);
    t.Click("CartaJ1");
    QCOMPARE(t.game.state().cards[truco::kCartaJ1].top, 72);
    QVERIFY(t.CardAt(truco::kCartaJ1)->pos() != QPoint(320, 72));  // still on its way
    QTRY_COMPARE(t.CardAt(truco::kCartaJ1)->pos(), QPoint(320, 72));

    script.Ok();
    t.Click("CartaJ2");
    QCOMPARE(t.game.deals(), std::uint64_t{2});
    for (int i = 0; i < 3; ++i) {
      QCOMPARE(t.CardAt(static_cast<truco::CardId>(truco::kCartaJ1 + i))->pos(),
               QPoint(truco::kHandLefts[static_cast<std::size_t>(i)], 365));
    }
    // The computer leads the new hand: its card slides in.
    int sliding = 0;
    for (truco::CardId id : {truco::kCartaM1, truco::kCartaM2, truco::kCartaM3}) {
      const truco::TableCard& tc = t.game.state().cards[id];
      if (tc.top == 72) sliding += t.CardAt(id)->pos() != QPoint(tc.left, tc.top) ? 1 : 0;
    }
    QCOMPARE(sliding, 1);
    t.main.SetAnimated(false);
    for (int id = 0; id < truco::kNumTableCards; ++id) {
      const truco::TableCard& tc = t.game.state().cards[static_cast<std::size_t>(id)];
      QCOMPARE(t.CardAt(static_cast<truco::CardId>(id))->pos(), QPoint(tc.left, tc.top));
    }
    QCOMPARE(script.unexpected(), 0);
    QVERIFY(NoModalLeft());
  }

  void cleanup() {
    // Each test's windows are gone with its table; nothing is left open or waiting for a click.
    QVERIFY(NoModalLeft());
    for (QWidget* w : QApplication::topLevelWidgets()) {
      QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }
  }
};

QTEST_MAIN(TestFormMain)
#include "test_formmain.moc"
