// Three programs' lobby windows on one real Mosquitto: a host creates a public table by a click,
// a third lobby shows it and loses it once a guest takes it by clicks, and host and guest then
// play a whole hand over the broker; a private table is joined by typing its code.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

#include "tests/net/mosquitto_runner.h"
#include "tests/net/net_sides.h"
#include "tests/ui/accessible_tree.h"
#include "ui/formmesas.h"

using namespace truco;
using namespace truco::testing;

namespace {

constexpr int kWaitMs = 5000;

// One program's side of the lobby: its link, its lobby and its window.
struct Seat {
  net::BrokerLink link;
  net::Lobby lobby;
  TF_MESAS window{link, lobby};
  explicit Seat(const std::string& name) {
    window.SetEntryMaker([name] {
      net::LobbyEntry entry;
      entry.host_name = name;
      entry.deck_type = kBaralhoLimpo;
      entry.since = QDateTime::currentSecsSinceEpoch();
      return entry;
    });
  }
  void Open(const MosquittoRunner& broker) {
    window.Start({"127.0.0.1", broker.port(), false},
                 QStringLiteral("127.0.0.1:%1").arg(broker.port()));
    window.show();
  }
};

}  // namespace

class TestInternetLobby : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { QVERIFY2(broker_.ok(), qPrintable(broker_.error())); }
  void twoMeetInTheLobbyByClicksAndPlayAHand();
  void aPrivateTableIsJoinedByItsCode();

 private:
  MosquittoRunner broker_{{false, true}};
};

void TestInternetLobby::twoMeetInTheLobbyByClicksAndPlayAHand() {
  Seat host("HOSTE");
  Seat guest("ANA");
  Seat third("CURIOSO");
  third.Open(broker_);
  host.Open(broker_);
  QTRY_VERIFY_WITH_TIMEOUT(host.lobby.isOpen(), kWaitMs);
  QTest::mouseClick(host.window.publicButton(), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(host.link.state(), net::BrokerLink::State::Waiting, kWaitMs);
  QVERIFY(host.window.status()->text().contains(QStringLiteral("não de quem mantém")));
  QVERIFY(!host.window.publicButton()->isEnabled());

  // Every other lobby lists it; the host's own does not.
  QTRY_COMPARE_WITH_TIMEOUT(third.window.tableList()->topLevelItemCount(), 1, kWaitMs);
  QCOMPARE(third.window.tableList()->topLevelItem(0)->text(0), QStringLiteral("HOSTE"));
  QCOMPARE(third.window.tableList()->topLevelItem(0)->text(1), QStringLiteral("24 cartas"));
  QCOMPARE(host.window.tableList()->topLevelItemCount(), 0);
  // The filter narrows the list by the host's name, in any case.
  QTest::keyClicks(third.window.filterEdit(), QStringLiteral("zz"));
  QCOMPARE(third.window.tableList()->topLevelItemCount(), 0);
  third.window.filterEdit()->clear();
  QTest::keyClicks(third.window.filterEdit(), QStringLiteral("ost"));
  QCOMPARE(third.window.tableList()->topLevelItemCount(), 1);
  // The lobby as a screen reader finds it, a table listed: every control named, none alike.
  const QStringList faults = test::AccessibilityFaults(&third.window);
  QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));

  guest.Open(broker_);
  QTRY_COMPARE_WITH_TIMEOUT(guest.window.tableList()->topLevelItemCount(), 1, kWaitMs);
  QSignalSpy host_in(&host.window, &QDialog::accepted);
  QSignalSpy guest_in(&guest.window, &QDialog::accepted);
  // By keyboard: the list has the focus and the table is chosen; Enter joins.
  guest.window.activateWindow();
  guest.window.tableList()->setFocus();
  QTest::keyClick(guest.window.tableList(), Qt::Key_Return);
  QTRY_COMPARE_WITH_TIMEOUT(host_in.count(), 1, kWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(guest_in.count(), 1, kWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(third.window.tableList()->topLevelItemCount(), 0, kWaitMs);
  third.window.reject();

  // A hand between the two, the networked hand over the links.
  NetSide h(net::Side::Host, "HOSTE");
  NetSide g(net::Side::Guest, "ANA");
  h.out.send = [&](const net::Message& m) { return host.link.Send(m); };
  g.out.send = [&](const net::Message& m) { return guest.link.Send(m); };
  QObject::connect(&host.link, &net::Link::messageReceived,
                   [&](const net::Message& m) { h.hand.Receive(m); });
  QObject::connect(&guest.link, &net::Link::messageReceived,
                   [&](const net::Message& m) { g.hand.Receive(m); });
  for (int i = 0; i < 400; ++i) h.random.Push(i * 7919 % 65536);
  h.hand.Prepare(net::Side::Host, "HOSTE");
  g.hand.Prepare(net::Side::Guest, "ANA");
  h.out.Send(net::Name{"HOSTE"});
  QTRY_COMPARE_WITH_TIMEOUT(h.out.opponent, std::string("ANA"), kWaitMs);
  h.game.BInicioClick();
  g.game.BInicioClick();
  const int dealt = h.hand.hands_dealt();
  QTRY_VERIFY_WITH_TIMEOUT(dealt > 0 && g.hand.started(), kWaitMs);
  int plays = 0;
  while (h.hand.hands_dealt() == dealt && plays < 12) {
    const char actor = h.hand.actor();
    NetSide& side = actor == 'S' ? h : g;
    if (side.hand.eleven() == actor && !side.hand.eleven_decided()) {
      side.hand.Answer(net::Question::Eleven, true);
    } else {
      for (int slot = 0; slot < 3; ++slot) {
        if (side.game.state().InHand(static_cast<CardId>(kCartaJ1 + slot))) {
          side.game.CartaJClick(slot);
          break;
        }
      }
      ++plays;
    }
    QTest::qWait(30);
    // Both show the same score after every move.
    QTRY_COMPARE_WITH_TIMEOUT(h.game.state().player_points, g.game.state().computer_points,
                              kWaitMs);
  }
  QTRY_VERIFY_WITH_TIMEOUT(h.hand.hands_dealt() > dealt, kWaitMs);
  QCOMPARE(h.game.state().player_points + h.game.state().computer_points, 1);
  QTRY_COMPARE_WITH_TIMEOUT(g.game.state().player_points + g.game.state().computer_points, 1,
                            kWaitMs);
  QCOMPARE(host.link.rejected() + guest.link.rejected(), 0);
}

void TestInternetLobby::aPrivateTableIsJoinedByItsCode() {
  Seat host("HOSTE");
  Seat friend_("ANA");
  host.Open(broker_);
  QTRY_VERIFY_WITH_TIMEOUT(host.lobby.isOpen(), kWaitMs);
  QTest::mouseClick(host.window.privateButton(), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(host.link.state(), net::BrokerLink::State::Waiting, kWaitMs);
  const QString code = QString::fromStdString(net::ShowTableCode(host.link.code()));
  QVERIFY(host.window.status()->text().contains(code));

  friend_.Open(broker_);
  QTRY_VERIFY_WITH_TIMEOUT(friend_.lobby.isOpen(), kWaitMs);
  QCOMPARE(friend_.window.tableList()->topLevelItemCount(), 0);  // a private table is not listed
  // A wrong code first: not found, and the window stays usable.
  QString wrong = code;
  wrong[0] = wrong[0] == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
  QTest::keyClicks(friend_.window.codeEdit(), wrong);
  QTest::keyClick(friend_.window.codeEdit(), Qt::Key_Return);
  QTRY_COMPARE_WITH_TIMEOUT(friend_.window.status()->text(),
                            QString::fromUtf8(net::kTextTableNotFound), kWaitMs);
  QVERIFY(friend_.window.isVisible());
  friend_.window.codeEdit()->clear();
  QTest::keyClicks(friend_.window.codeEdit(), code.toLower());
  QSignalSpy in(&friend_.window, &QDialog::accepted);
  QTest::mouseClick(friend_.window.codeButton(), Qt::LeftButton);
  QTRY_COMPARE_WITH_TIMEOUT(in.count(), 1, kWaitMs);
  QTRY_VERIFY_WITH_TIMEOUT(host.link.isConnected(), kWaitMs);
}

QTEST_MAIN(TestInternetLobby)
#include "test_internet_lobby.moc"
