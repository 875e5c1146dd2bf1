// Host and guest in one process, over 127.0.0.1 only.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <algorithm>
#include <memory>
#include <vector>

#include "net/link/connection.h"
#include "tests/ui/modal.h"
#include "ui/tf_aguarde.h"

using namespace truco::net;
using truco::testing::OnNextModal;

namespace {

constexpr int kWaitMs = 5000;

// A port on 127.0.0.1 that is free right now and obeys the port rule.
quint16 FreePort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    const quint16 port = probe.serverPort();
    if (ParsePort(std::to_string(port))) return port;
  }
  return 0;
}

QString PortText(quint16 port) {
  return QString::number(port);
}

// Every message a connection receives, in order.
struct Inbox {
  explicit Inbox(Connection& connection) {
    QObject::connect(&connection, &Connection::messageReceived,
                     [this](const Message& m) { messages.push_back(m); });
  }
  std::vector<Message> messages;
};

// A host listening on 127.0.0.1 and a guest connected to it.
struct Pair {
  Connection host;
  Connection guest;
  quint16 port = 0;

  bool Open() {
    port = FreePort();
    if (port == 0 || !host.Listen(PortText(port), QHostAddress::LocalHost)) return false;
    QSignalSpy host_connected(&host, &Connection::connected);
    QSignalSpy guest_connected(&guest, &Connection::connected);
    // The host counts the guest as there once it has named itself.
    const auto naming =
        QObject::connect(&guest, &Connection::connected, [this] { guest.Send(Name{"BETO"}); });
    if (!guest.ConnectTo(QStringLiteral("127.0.0.1"), PortText(port))) return false;
    const bool both = QTest::qWaitFor(
        [&]() { return host_connected.count() == 1 && guest_connected.count() == 1; }, kWaitMs);
    QObject::disconnect(naming);
    return both;
  }
};

// A bare socket that plays a misbehaving guest.
bool RawConnect(QTcpSocket& raw, quint16 port) {
  raw.setSocketOption(QAbstractSocket::LowDelayOption, 1);
  raw.connectToHost(QHostAddress::LocalHost, port);
  return raw.waitForConnected(kWaitMs);
}

// A bare socket that connects and names itself, which makes it the host's guest.
bool RawGuest(QTcpSocket& raw, quint16 port, const Connection& host) {
  if (!RawConnect(raw, port)) return false;
  raw.write("NBETO\n");
  raw.flush();
  return QTest::qWaitFor([&]() { return host.isConnected(); }, kWaitMs);
}

// Random rounds log their seed; TRUCO_TEST_SEED replays one.
quint32 TestSeed() {
  bool ok = false;
  const quint32 fixed = qEnvironmentVariable("TRUCO_TEST_SEED").toUInt(&ok);
  const quint32 seed = ok ? fixed : QRandomGenerator::global()->generate();
  qInfo("seed %u", seed);
  return seed;
}

// A misbehaving peer's bytes: whole lines, garbage, halves of lines, now and then a line over
// the limit, in pieces of random size.
QByteArray BadPeerStream(QRandomGenerator& random, Side sender) {
  static const char* const kFromGuest[] = {"NBETO", "C1", "C2",  "C3",
                                           "A1",    "A4", "J12", "M[BETO] oi"};
  static const char* const kFromHost[] = {"NANA",  "B2",    "C",  "V1312",
                                          "A1334", "I1211", "PC", "J31"};
  QByteArray stream;
  const int pieces = int(random.bounded(12));
  for (int i = 0; i < pieces; ++i) {
    const QByteArray line =
        sender == Side::Guest ? kFromGuest[random.bounded(8)] : kFromHost[random.bounded(8)];
    switch (random.bounded(6)) {
      case 0: {  // bytes of any value, line feeds among them now and then
        const int n = int(random.bounded(1, 40));
        for (int b = 0; b < n; ++b)
          stream += random.bounded(8) == 0 ? '\n' : char(random.bounded(256));
        break;
      }
      case 1:  // half a message, which runs into whatever comes next
        stream += line.left(int(random.bounded(line.size())));
        break;
      case 2:
        stream += "\r\n";
        break;
      default:
        stream += line + '\n';
    }
  }
  if (random.bounded(6) == 0) {
    stream += QByteArray(int(kMaxLineBytes) + 1 + int(random.bounded(3000)), 'x');
    if (random.bounded(2) == 0) stream += "\nJ11\n";
  }
  return stream;
}

// What a reader on `reader`'s side must take from `stream`: the messages of the whole lines before
// any line over the limit, and whether such a line (or tail) makes it report a protocol error.
struct Expected {
  std::vector<Message> messages;
  bool protocol_error = false;
};
Expected ExpectFrom(const QByteArray& stream, Side reader) {
  Expected e;
  qsizetype start = 0;
  for (;;) {
    const qsizetype feed = stream.indexOf('\n', start);
    const qsizetype length = (feed < 0 ? stream.size() : feed) - start;
    if (length > qsizetype(kMaxLineBytes)) {
      e.protocol_error = true;
      return e;
    }
    if (feed < 0) return e;
    const auto m =
        Decode(std::string_view(stream.constData() + start, std::size_t(length)), reader);
    if (m) e.messages.push_back(*m);
    start = feed + 1;
  }
}

// What the host takes from a guest that has not named itself yet: lines before its name are
// held (a line over the limit, or too many of them, drops it without a word) and delivered,
// with the name, once the name comes; after the name, as ExpectFrom.
struct ExpectedGuest : Expected {
  bool named = false;
};
ExpectedGuest ExpectFromGuest(const QByteArray& stream) {
  ExpectedGuest e;
  qsizetype start = 0;
  for (;;) {
    const qsizetype feed = stream.indexOf('\n', start);
    const qsizetype length = (feed < 0 ? stream.size() : feed) - start;
    if (length > qsizetype(kMaxLineBytes) || feed < 0) return e;
    const auto m =
        Decode(std::string_view(stream.constData() + start, std::size_t(length)), Side::Host);
    start = feed + 1;
    if (!m) continue;
    if (!std::holds_alternative<Name>(*m) && e.messages.size() >= kMaxEarlyMessages) return e;
    e.messages.push_back(*m);
    if (std::holds_alternative<Name>(*m)) break;
  }
  e.named = true;
  const Expected rest = ExpectFrom(stream.mid(start), Side::Host);
  e.messages.insert(e.messages.end(), rest.messages.begin(), rest.messages.end());
  e.protocol_error = rest.protocol_error;
  return e;
}

// Writes `stream` from `raw` in random pieces with the event loop turning between them, then
// leaves: politely (FIN) or by a reset. Returns whether it left politely.
bool SendAndLeave(QRandomGenerator& random, QTcpSocket& raw, const QByteArray& stream) {
  qsizetype at = 0;
  while (at < stream.size() && raw.state() == QAbstractSocket::ConnectedState) {
    const qsizetype n = std::min<qsizetype>(stream.size() - at, random.bounded(1, 700));
    raw.write(stream.mid(at, n));
    raw.flush();
    at += n;
    if (random.bounded(3) == 0) QTest::qWait(int(random.bounded(3)));
  }
  if (random.bounded(4) == 0) {
    raw.abort();
    return false;
  }
  raw.disconnectFromHost();
  return true;
}

// After a bad peer left: exactly one report, the right one, and the connection closed. A reset
// may throw away bytes the reader had not taken yet, so then only a prefix of them is owed.
void CheckBadPeerOutcome(Connection& side, const Expected& expected, const Inbox& inbox,
                         const QSignalSpy& errors, const QSignalSpy& lost, bool polite) {
  QTRY_COMPARE_WITH_TIMEOUT(errors.count() + lost.count(), 1, kWaitMs);
  QTest::qWait(5);
  QCOMPARE(errors.count() + lost.count(), 1);
  QCOMPARE(side.state(), Connection::State::Idle);
  if (polite) {
    QCOMPARE(errors.count(), expected.protocol_error ? 1 : 0);
    QVERIFY(inbox.messages == expected.messages);
  } else {
    QVERIFY(errors.count() == 0 || expected.protocol_error);
    QVERIFY(inbox.messages.size() <= expected.messages.size());
    QVERIFY(std::equal(inbox.messages.begin(), inbox.messages.end(), expected.messages.begin()));
  }
  if (errors.count() == 1) {
    QCOMPARE(errors.at(0).at(0).toString(), QString::fromUtf8(kTextProtocolError));
  }
}

QLabel* Panel(QWidget* dialog) {
  return dialog->findChild<QLabel*>(QStringLiteral("P_MENS"));
}
QPushButton* Cancela(QWidget* dialog) {
  return dialog->findChild<QPushButton*>(QStringLiteral("BCancela"));
}

}  // namespace

class TestConnection : public QObject {
  Q_OBJECT

 private slots:
  void messagesCrossBothWaysInOrder();
  void aBurstOfMessagesArrivesWhole();
  void splitAndJoinedWritesFromAPeer();
  void garbageIsIgnoredAndTheGameGoesOn();
  void anOverlongLineClosesTheConnectionAndIsReported();
  void furtherGuestsAreTurnedAway();
  void aLostPeerIsReportedOnBothSides();
  void aRefusedConnectionIsAnError();
  void thePortRuleHoldsForHostAndGuest();
  void aSecondStartClosesTheFirstConnection();
  void ownAddressSkipsLoopbackAndLinkLocal();
  void waitingDialogCancelStopsListening();
  void waitingDialogShowsAFailedConnectionAndLetsThePlayerLeave();
  void waitingDialogsOfBothSidesOpenTheGame();
  void waitingDialogWithABadPortOpensNothing();
  void badGuestsLeavingAtRandomPointsAreReportedAndTheHostGoesOn();
  void badHostsLeavingAtRandomPointsAreReportedAndTheGuestGoesOn();
  void closingFromAHandlerMidBurstStopsDeliveryAndHostsAgain();
  void connectionsLeavingBeforeTheirNameLeaveTheHostListening();
  void silentOrCrowdingConnectionsDoNotLockTheGuestOut();
  void linesBeforeTheNameArriveAfterItInOrder();
  void aSilentPeerIsToldOnlyWhileAwaited();
  void cleanup();
};

void TestConnection::messagesCrossBothWaysInOrder() {
  Pair pair;
  QVERIFY(pair.Open());
  Inbox at_host(pair.host), at_guest(pair.guest);

  const std::vector<Message> to_guest = {Name{"ANA"},
                                         Turn{Side::Host},
                                         DeckType{'2'},
                                         StartDeal{},
                                         GuestCard{1, truco::Card{13, truco::Suit::Hearts}},
                                         Chat{"[ANA] olá"}};
  const std::vector<Message> to_host = {Name{"BETO"}, AskGuestCard{1}, AskHostCard{3},
                                        AskVira{},    Play{2, 1},      Chat{"[BETO] tudo bem?"}};
  for (const auto& m : to_guest) QVERIFY(pair.host.Send(m));
  for (const auto& m : to_host) QVERIFY(pair.guest.Send(m));

  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), to_guest.size(), kWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), to_host.size(), kWaitMs);
  QVERIFY(at_guest.messages == to_guest);
  QVERIFY(at_host.messages == to_host);
  QVERIFY(pair.host.isConnected() && pair.guest.isConnected());
}

void TestConnection::aBurstOfMessagesArrivesWhole() {
  Pair pair;
  QVERIFY(pair.Open());
  Inbox at_guest(pair.guest);
  std::vector<Message> sent;
  for (int i = 0; i < 300; ++i) {
    sent.push_back(Chat{ChatLine("ANA", "linha " + std::to_string(i) + std::string(100, '.'))});
    QVERIFY(pair.host.Send(sent.back()));
  }
  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), sent.size(), kWaitMs);
  QVERIFY(at_guest.messages == sent);
}

void TestConnection::splitAndJoinedWritesFromAPeer() {
  Connection host;
  const quint16 port = FreePort();
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  Inbox at_host(host);
  QTcpSocket raw;
  QVERIFY(RawConnect(raw, port));

  // One byte per write, with the event loop turning between writes; the guest counts once its
  // name is whole.
  for (char byte : std::string("NBETO\nC1\n")) {
    raw.write(&byte, 1);
    raw.flush();
    QTest::qWait(1);
  }
  // Then several messages and half of the next one in one write, and the rest later.
  QTRY_VERIFY_WITH_TIMEOUT(host.isConnected(), kWaitMs);
  raw.write("C2\nC3\nA1\nA");
  raw.flush();
  QTest::qWait(20);
  raw.write("4\n");
  raw.flush();

  const std::vector<Message> expected = {Name{"BETO"},    AskGuestCard{1}, AskGuestCard{2},
                                         AskGuestCard{3}, AskHostCard{1},  AskVira{}};
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), expected.size(), kWaitMs);
  QVERIFY(at_host.messages == expected);
}

void TestConnection::garbageIsIgnoredAndTheGameGoesOn() {
  Connection host;
  const quint16 port = FreePort();
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  Inbox at_host(host);
  QSignalSpy protocol_errors(&host, &Connection::protocolError);
  QTcpSocket raw;
  QVERIFY(RawGuest(raw, port, host));
  QCOMPARE(raw.readLine(), QByteArray());  // no greeting was set: the host said nothing

  // sizeof, not a counted length: a miscount sends bytes from past the end of the literal.
  static const char kGarbage[] = "\x01\x02\xff\xfe\n\n\r\nZZZ\nV123\nPC\nJ44\nC9\n";
  raw.write(QByteArray(kGarbage, qsizetype(sizeof kGarbage - 1)));
  raw.write(QByteArray("\0\0\0\n", 4));
  raw.write("J13\n");
  raw.flush();
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), std::size_t(2), kWaitMs);
  QVERIFY(at_host.messages[0] == Message(Name{"BETO"}));
  QVERIFY(at_host.messages[1] == Message(Play{1, 3}));
  QCOMPARE(protocol_errors.count(), 0);
  QVERIFY(host.isConnected());

  // The host can still talk to it.
  QVERIFY(host.Send(Turn{Side::Guest}));
  QTRY_VERIFY_WITH_TIMEOUT(raw.canReadLine(), kWaitMs);
  QCOMPARE(raw.readLine(), QByteArray("PC\n"));
}

void TestConnection::anOverlongLineClosesTheConnectionAndIsReported() {
  for (bool with_line_feed : {true, false}) {
    Connection host;
    const quint16 port = FreePort();
    QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
    Inbox at_host(host);
    QSignalSpy protocol_errors(&host, &Connection::protocolError);
    QSignalSpy lost(&host, &Connection::disconnected);
    QTcpSocket raw;
    QVERIFY(RawGuest(raw, port, host));

    QByteArray flood = "M[X] antes\n" + QByteArray(int(kMaxLineBytes) + 1, 'x');
    if (with_line_feed) flood += "\nJ11\n";
    raw.write(flood);
    raw.flush();

    QTRY_COMPARE_WITH_TIMEOUT(protocol_errors.count(), 1, kWaitMs);
    QCOMPARE(protocol_errors.at(0).at(0).toString(), QString::fromUtf8(kTextProtocolError));
    QCOMPARE(host.state(), Connection::State::Idle);
    // The line before the flood still counted; nothing after it did.
    QCOMPARE(at_host.messages.size(), std::size_t(2));
    QVERIFY(at_host.messages[1] == Message(Chat{"[X] antes"}));
    QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QCOMPARE(lost.count(), 0);

    // The program carries on: the same connection object hosts again.
    QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
    QTcpSocket again;
    QVERIFY(RawGuest(again, port, host));
    again.write("J22\n");
    again.flush();
    QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), std::size_t(4), kWaitMs);
    QVERIFY(at_host.messages[3] == Message(Play{2, 2}));
  }
}

void TestConnection::furtherGuestsAreTurnedAway() {
  Pair pair;
  QVERIFY(pair.Open());
  QSignalSpy host_connected(&pair.host, &Connection::connected);
  QTcpSocket intruder;
  intruder.connectToHost(QHostAddress::LocalHost, pair.port);
  QTRY_COMPARE_WITH_TIMEOUT(intruder.state(), QAbstractSocket::UnconnectedState, kWaitMs);
  QCOMPARE(host_connected.count(), 0);

  // The first guest is untouched.
  Inbox at_guest(pair.guest);
  QVERIFY(pair.host.Send(Name{"ANA"}));
  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), std::size_t(1), kWaitMs);
  QVERIFY(pair.host.isConnected() && pair.guest.isConnected());
}

void TestConnection::aLostPeerIsReportedOnBothSides() {
  {
    Pair pair;
    QVERIFY(pair.Open());
    QSignalSpy host_lost(&pair.host, &Connection::disconnected);
    Inbox at_host(pair.host);
    // A last message right before leaving is not lost.
    QVERIFY(pair.guest.Send(Chat{"[BETO] tchau"}));
    pair.guest.Close();
    QTRY_COMPARE_WITH_TIMEOUT(host_lost.count(), 1, kWaitMs);
    QCOMPARE(pair.host.state(), Connection::State::Idle);
    QVERIFY(!pair.host.Send(Turn{Side::Guest}));
  }
  {
    Pair pair;
    QVERIFY(pair.Open());
    QSignalSpy guest_lost(&pair.guest, &Connection::disconnected);
    QSignalSpy guest_errors(&pair.guest, &Connection::errorOccurred);
    pair.host.Close();
    QTRY_COMPARE_WITH_TIMEOUT(guest_lost.count(), 1, kWaitMs);
    QCOMPARE(guest_errors.count(), 0);
    QCOMPARE(pair.guest.state(), Connection::State::Idle);
    QVERIFY(!pair.guest.Send(Play{1, 1}));
  }
}

void TestConnection::aRefusedConnectionIsAnError() {
  Connection guest;
  QSignalSpy errors(&guest, &Connection::errorOccurred);
  QSignalSpy connected(&guest, &Connection::connected);
  QVERIFY(guest.ConnectTo(QStringLiteral("127.0.0.1"), PortText(FreePort())));
  QCOMPARE(guest.state(), Connection::State::Connecting);
  QTRY_COMPARE_WITH_TIMEOUT(errors.count(), 1, kWaitMs);
  QCOMPARE(errors.at(0).at(0).toString(), QStringLiteral("Erro ao conectar com o servidor"));
  QCOMPARE(guest.state(), Connection::State::Idle);
  QCOMPARE(connected.count(), 0);
}

void TestConnection::thePortRuleHoldsForHostAndGuest() {
  const QString rule =
      QStringLiteral("A porta deve ser um número maior que 1000 e menor que 64000");
  for (const char* text : {"1000", "64000", "abc", "", "7070x"}) {
    Connection host, guest;
    QVERIFY2(!host.Listen(QString::fromLatin1(text), QHostAddress::LocalHost), text);
    QCOMPARE(host.lastError(), rule);
    QCOMPARE(host.state(), Connection::State::Idle);
    QVERIFY2(!guest.ConnectTo(QStringLiteral("127.0.0.1"), QString::fromLatin1(text)), text);
    QCOMPARE(guest.lastError(), rule);
    QCOMPARE(guest.state(), Connection::State::Idle);
  }
  Connection guest;
  QVERIFY(!guest.ConnectTo(QStringLiteral("  "), QStringLiteral("7070")));
  QCOMPARE(guest.lastError(), QStringLiteral("Erro ao conectar com o servidor"));
}

void TestConnection::aSecondStartClosesTheFirstConnection() {
  Pair pair;
  QVERIFY(pair.Open());
  QSignalSpy guest_lost(&pair.guest, &Connection::disconnected);
  QSignalSpy host_lost(&pair.host, &Connection::disconnected);
  // Hosting again drops the old guest and listens afresh on the same port.
  QVERIFY(pair.host.Listen(PortText(pair.port), QHostAddress::LocalHost));
  QCOMPARE(pair.host.state(), Connection::State::Listening);
  QTRY_COMPARE_WITH_TIMEOUT(guest_lost.count(), 1, kWaitMs);
  QCOMPARE(host_lost.count(), 0);
  QSignalSpy reconnected(&pair.guest, &Connection::connected);
  QVERIFY(pair.guest.ConnectTo(QStringLiteral("127.0.0.1"), PortText(pair.port)));
  QTRY_COMPARE_WITH_TIMEOUT(reconnected.count(), 1, kWaitMs);
  QVERIFY(!pair.host.isConnected());
  QVERIFY(pair.guest.Send(Name{"BETO"}));
  QTRY_VERIFY_WITH_TIMEOUT(pair.host.isConnected(), kWaitMs);
}

void TestConnection::ownAddressSkipsLoopbackAndLinkLocal() {
  const QList<QHostAddress> candidates = {
      QHostAddress(QStringLiteral("127.0.0.1")),   QHostAddress(QStringLiteral("::1")),
      QHostAddress(QStringLiteral("169.254.3.4")), QHostAddress(QStringLiteral("fe80::1")),
      QHostAddress(QStringLiteral("192.168.0.5")), QHostAddress(QStringLiteral("10.0.0.9"))};
  QCOMPARE(ChooseOwnIPv4(candidates), QStringLiteral("192.168.0.5"));
  QCOMPARE(ChooseOwnIPv4({QHostAddress(QStringLiteral("127.0.1.1"))}), QString());
  const QString own = OwnIPv4Address();
  QVERIFY(own == QString::fromUtf8(kTextNoOwnAddress) ||
          QHostAddress(own).protocol() == QAbstractSocket::IPv4Protocol);
}

void TestConnection::waitingDialogCancelStopsListening() {
  TF_AGUARDE wait;
  Connection host;
  const quint16 port = FreePort();
  QString shown;
  OnNextModal([&](QWidget* modal) {
    shown = Panel(modal)->text();
    Cancela(modal)->click();
  });
  const OpenResult result = AbreConexao(wait, host, Side::Host, PortText(port), QString(),
                                        QStringLiteral("ANA"), QHostAddress::LocalHost);
  QCOMPARE(result, OpenResult::Cancelled);
  QCOMPARE(shown, QStringLiteral("Aguardando um adversário..."));
  QCOMPARE(host.state(), Connection::State::Idle);
  // Nothing is left listening: the port is free again.
  QTcpServer probe;
  QVERIFY(probe.listen(QHostAddress::LocalHost, port));
}

void TestConnection::waitingDialogShowsAFailedConnectionAndLetsThePlayerLeave() {
  TF_AGUARDE wait;
  Connection guest;
  const QString error = QStringLiteral("Erro ao conectar com o servidor");
  QString shown;
  OnNextModal([&](QWidget* modal) {
    // Loopback refuses at once, so "Conectando..." may already be gone; the error must stay.
    if (QTest::qWaitFor([&]() { return Panel(modal)->text() == error; }, kWaitMs)) {
      QTest::qWait(50);
      shown = Panel(modal)->text();
    }
    Cancela(modal)->click();
  });
  const OpenResult result = AbreConexao(wait, guest, Side::Guest, PortText(FreePort()),
                                        QStringLiteral("127.0.0.1"), QStringLiteral("BETO"));
  QCOMPARE(result, OpenResult::Cancelled);
  QCOMPARE(shown, error);
  QCOMPARE(guest.state(), Connection::State::Idle);
}

void TestConnection::waitingDialogsOfBothSidesOpenTheGame() {
  TF_AGUARDE host_wait, guest_wait;
  Connection host, guest;
  Inbox at_guest(guest);
  // The guest answers the host's name with its own, as its networked hand does; only then does
  // the host's wait end.
  QObject::connect(&guest, &Connection::messageReceived, [&guest](const Message& m) {
    if (std::holds_alternative<Name>(m)) guest.Send(Name{"BETO"});
  });
  const quint16 port = FreePort();
  QString host_text, guest_text;
  OpenResult guest_result = OpenResult::Refused;
  // The guest starts while the host's wait is on screen (a nested wait, as with two copies).
  OnNextModal([&](QWidget*) {
    QObject::connect(&host_wait, &QDialog::finished, [&]() { host_text = host_wait.text(); });
    QObject::connect(&guest_wait, &QDialog::finished, [&]() { guest_text = guest_wait.text(); });
    guest_result = AbreConexao(guest_wait, guest, Side::Guest, PortText(port),
                               QStringLiteral("127.0.0.1"), QStringLiteral("BETO"));
  });
  const OpenResult host_result = AbreConexao(host_wait, host, Side::Host, PortText(port), QString(),
                                             QStringLiteral("ana"), QHostAddress::LocalHost);
  QCOMPARE(host_result, OpenResult::Connected);
  QCOMPARE(guest_result, OpenResult::Connected);
  QCOMPARE(host_text, QStringLiteral("Adversário Conectado."));
  QCOMPARE(guest_text, QStringLiteral("Conectado."));
  QVERIFY(host.isConnected() && guest.isConnected());
  // The host opens the name exchange, its name in upper case.
  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), std::size_t(1), kWaitMs);
  QVERIFY(at_guest.messages[0] == Message(Name{"ANA"}));
  QVERIFY(!host_wait.isVisible() && !guest_wait.isVisible());
}

void TestConnection::waitingDialogWithABadPortOpensNothing() {
  TF_AGUARDE wait;
  Connection host;
  const OpenResult result = AbreConexao(wait, host, Side::Host, QStringLiteral("64000"), QString(),
                                        QStringLiteral("ANA"));
  QCOMPARE(result, OpenResult::Refused);
  QCOMPARE(host.lastError(),
           QStringLiteral("A porta deve ser um número maior que 1000 e menor que 64000"));
  QCOMPARE(host.state(), Connection::State::Idle);
  QVERIFY(!wait.isVisible());
}

void TestConnection::badGuestsLeavingAtRandomPointsAreReportedAndTheHostGoesOn() {
  QRandomGenerator random(TestSeed());
  Connection host;
  const quint16 port = FreePort();
  for (int round = 0; round < 40; ++round) {
    // The same connection object hosts every round, each time after a bad guest left.
    QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
    Inbox inbox(host);
    QSignalSpy errors(&host, &Connection::protocolError);
    QSignalSpy lost(&host, &Connection::disconnected);
    QSignalSpy connected(&host, &Connection::connected);
    QSignalSpy gone(&host, &Connection::candidateGone);
    QTcpSocket raw;
    QVERIFY(RawConnect(raw, port));
    // Most rounds the bad guest names itself first; the others it may never do so.
    QByteArray stream = random.bounded(3) == 0 ? QByteArray() : QByteArray("NBETO\n");
    stream += BadPeerStream(random, Side::Guest);
    const bool polite = SendAndLeave(random, raw, stream);
    const ExpectedGuest expected = ExpectFromGuest(stream);
    // It leaves as a candidate (never named, or a reset lost its name) or as the guest.
    QTRY_VERIFY_WITH_TIMEOUT(
        gone.count() == 1 || (connected.count() == 1 && errors.count() + lost.count() == 1),
        kWaitMs);
    QVERIFY(polite || connected.count() == 1 || gone.count() == 1);
    if (connected.count() == 0) {
      // Never the guest: nothing is reported and the host goes on listening.
      QVERIFY(!expected.named || !polite);
      QTest::qWait(5);
      QCOMPARE(errors.count() + lost.count() + connected.count(), 0);
      QCOMPARE(host.state(), Connection::State::Listening);
      QCOMPARE(host.candidates(), std::size_t(0));
      QVERIFY(inbox.messages.empty());
    } else {
      QVERIFY(expected.named);
      QCOMPARE(gone.count(), 0);
      CheckBadPeerOutcome(host, expected, inbox, errors, lost, polite);
    }
    if (QTest::currentTestFailed())
      qInfo("round %d, %s, stream %s", round, polite ? "FIN" : "reset", stream.toHex().constData());
    QVERIFY(!QTest::currentTestFailed());
    host.disconnect();
  }
  // And a well-behaved guest still plays with it.
  Pair pair;
  QVERIFY(pair.Open());
  Inbox at_guest(pair.guest);
  QVERIFY(pair.host.Send(Name{"ANA"}));
  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), std::size_t(1), kWaitMs);
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  Connection guest;
  QVERIFY(guest.ConnectTo(QStringLiteral("127.0.0.1"), PortText(port)));
  QTRY_VERIFY_WITH_TIMEOUT(guest.isConnected(), kWaitMs);
  Inbox at_host(host);
  QVERIFY(guest.Send(Name{"BETO"}));
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), std::size_t(1), kWaitMs);
  QVERIFY(host.isConnected());
  QVERIFY(at_host.messages[0] == Message(Name{"BETO"}));
}

void TestConnection::badHostsLeavingAtRandomPointsAreReportedAndTheGuestGoesOn() {
  QRandomGenerator random(TestSeed());
  QTcpServer bad_host;
  QVERIFY(bad_host.listen(QHostAddress::LocalHost, FreePort()));
  const QString port = PortText(bad_host.serverPort());
  Connection guest;
  for (int round = 0; round < 40; ++round) {
    // The same connection object connects again every round.
    QVERIFY(guest.ConnectTo(QStringLiteral("127.0.0.1"), port));
    QTRY_VERIFY_WITH_TIMEOUT(guest.isConnected() && bad_host.hasPendingConnections(), kWaitMs);
    Inbox inbox(guest);
    QSignalSpy errors(&guest, &Connection::protocolError);
    QSignalSpy lost(&guest, &Connection::disconnected);
    QSignalSpy failed(&guest, &Connection::errorOccurred);
    std::unique_ptr<QTcpSocket> raw(bad_host.nextPendingConnection());
    const QByteArray stream = BadPeerStream(random, Side::Host);
    const bool polite = SendAndLeave(random, *raw, stream);
    CheckBadPeerOutcome(guest, ExpectFrom(stream, Side::Guest), inbox, errors, lost, polite);
    QCOMPARE(failed.count(), 0);
    if (QTest::currentTestFailed())
      qInfo("round %d, %s, stream %s", round, polite ? "FIN" : "reset", stream.toHex().constData());
    QVERIFY(!QTest::currentTestFailed());
    guest.disconnect();
  }
}

void TestConnection::closingFromAHandlerMidBurstStopsDeliveryAndHostsAgain() {
  QRandomGenerator random(TestSeed());
  Connection host;
  const quint16 port = FreePort();
  for (int round = 0; round < 10; ++round) {
    QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
    QSignalSpy errors(&host, &Connection::protocolError);
    QSignalSpy lost(&host, &Connection::disconnected);
    // The handler of the k-th message closes (and in odd rounds hosts again at once). The guest's
    // name is the first message and makes it the guest, so k falls within the burst behind it.
    const int k = int(random.bounded(2, 202));
    int seen = 0;
    const bool relisten = round % 2 == 1;
    const auto handler = QObject::connect(&host, &Connection::messageReceived, [&](const Message&) {
      if (++seen == k) {
        host.Close();
        if (relisten) QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
      }
    });
    QTcpSocket raw;
    QVERIFY(RawGuest(raw, port, host));
    QByteArray burst;
    for (int i = 0; i < 200; ++i) burst += "J12\n";
    raw.write(burst);
    raw.flush();
    QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, kWaitMs);
    QTest::qWait(10);
    QCOMPARE(seen, k);
    QCOMPARE(errors.count() + lost.count(), 0);
    QCOMPARE(host.state(), relisten ? Connection::State::Listening : Connection::State::Idle);
    QObject::disconnect(handler);
  }
}

void TestConnection::connectionsLeavingBeforeTheirNameLeaveTheHostListening() {
  Connection host;
  host.SetGreeting({Name{"ANA"}});
  const quint16 port = FreePort();
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  QSignalSpy connected(&host, &Connection::connected);
  QSignalSpy gone(&host, &Connection::candidateGone);
  QSignalSpy lost(&host, &Connection::disconnected);
  QSignalSpy errors(&host, &Connection::protocolError);
  {
    // Opens, reads the greeting, closes.
    QTcpSocket raw;
    QVERIFY(RawConnect(raw, port));
    QTRY_VERIFY_WITH_TIMEOUT(raw.canReadLine(), kWaitMs);
    QCOMPARE(raw.readLine(), QByteArray("NANA\n"));
    raw.disconnectFromHost();
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kWaitMs);
  }
  {
    // Resets at once.
    QTcpSocket raw;
    QVERIFY(RawConnect(raw, port));
    raw.abort();
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 2, kWaitMs);
  }
  {
    // Sends half a name and a line over the limit, then leaves.
    QTcpSocket raw;
    QVERIFY(RawConnect(raw, port));
    raw.write("NBE");
    raw.write(QByteArray(int(kMaxLineBytes) + 10, 'x'));
    raw.flush();
    QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 3, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(raw.state(), QAbstractSocket::UnconnectedState, kWaitMs);
  }
  QCOMPARE(connected.count() + lost.count() + errors.count(), 0);
  QCOMPARE(host.state(), Connection::State::Listening);

  // The real guest that comes next is accepted and hears the host's name.
  Connection guest;
  Inbox at_guest(guest);
  QObject::connect(&guest, &Connection::connected, [&guest] { guest.Send(Name{"BETO"}); });
  QVERIFY(guest.ConnectTo(QStringLiteral("127.0.0.1"), PortText(port)));
  QTRY_COMPARE_WITH_TIMEOUT(connected.count(), 1, kWaitMs);
  QVERIFY(host.isConnected());
  QTRY_COMPARE_WITH_TIMEOUT(at_guest.messages.size(), std::size_t(1), kWaitMs);
  QVERIFY(at_guest.messages[0] == Message(Name{"ANA"}));
  // Once the guest is there, a further connection is turned away with nothing said.
  QTcpSocket late;
  QVERIFY(RawConnect(late, port));
  QTRY_COMPARE_WITH_TIMEOUT(late.state(), QAbstractSocket::UnconnectedState, kWaitMs);
  QCOMPARE(late.readAll(), QByteArray());
  QCOMPARE(gone.count(), 3);
  QVERIFY(host.isConnected());
}

void TestConnection::silentOrCrowdingConnectionsDoNotLockTheGuestOut() {
  Connection host;
  host.setNamingTimeout(150);
  const quint16 port = FreePort();
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  QSignalSpy gone(&host, &Connection::candidateGone);
  // More silent connections than the host holds: the oldest make room for the newer.
  std::vector<std::unique_ptr<QTcpSocket>> silent;
  for (std::size_t i = 0; i < kMaxCandidates + 2; ++i) {
    silent.push_back(std::make_unique<QTcpSocket>());
    QVERIFY(RawConnect(*silent.back(), port));
  }
  QTRY_COMPARE_WITH_TIMEOUT(gone.count() + int(host.candidates()), int(kMaxCandidates) + 2,
                            kWaitMs);
  QVERIFY(host.candidates() <= kMaxCandidates);
  // Those that never name themselves are dropped after the naming time.
  QTRY_COMPARE_WITH_TIMEOUT(host.candidates(), std::size_t(0), kWaitMs);
  QCOMPARE(gone.count(), int(kMaxCandidates) + 2);
  for (const auto& socket : silent) {
    QTRY_COMPARE_WITH_TIMEOUT(socket->state(), QAbstractSocket::UnconnectedState, kWaitMs);
  }
  // A silent one still open when the guest names itself is turned away then.
  host.setNamingTimeout(kWaitMs * 4);
  QTcpSocket holder;
  QVERIFY(RawConnect(holder, port));
  QTRY_COMPARE_WITH_TIMEOUT(host.candidates(), std::size_t(1), kWaitMs);
  QTcpSocket guest;
  QVERIFY(RawGuest(guest, port, host));
  QCOMPARE(host.candidates(), std::size_t(0));
  QTRY_COMPARE_WITH_TIMEOUT(holder.state(), QAbstractSocket::UnconnectedState, kWaitMs);
  QCOMPARE(gone.count(), int(kMaxCandidates) + 2);
}

void TestConnection::linesBeforeTheNameArriveAfterItInOrder() {
  Connection host;
  const quint16 port = FreePort();
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  Inbox at_host(host);
  QSignalSpy connected(&host, &Connection::connected);
  std::vector<int> connected_after;  // how many messages had come when connected() fired
  QObject::connect(&host, &Connection::connected,
                   [&] { connected_after.push_back(int(at_host.messages.size())); });
  QTcpSocket raw;
  QVERIFY(RawConnect(raw, port));
  // Garbage and a line the host does not take are dropped; the chat line waits for the name.
  raw.write("ZZ\nM[X] oi\nPC\nNBE");
  raw.flush();
  QTest::qWait(30);
  QCOMPARE(connected.count(), 0);
  raw.write("TO\nJ11\nC");
  raw.flush();
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), std::size_t(3), kWaitMs);
  QCOMPARE(connected_after, std::vector<int>{0});
  QVERIFY(at_host.messages[0] == Message(Chat{"[X] oi"}));
  QVERIFY(at_host.messages[1] == Message(Name{"BETO"}));
  QVERIFY(at_host.messages[2] == Message(Play{1, 1}));
  raw.write("2\n");
  raw.flush();
  QTRY_COMPARE_WITH_TIMEOUT(at_host.messages.size(), std::size_t(4), kWaitMs);
  QVERIFY(at_host.messages[3] == Message(AskGuestCard{2}));
  // Too many lines before a name: dropped, never the guest.
  QSignalSpy gone(&host, &Connection::candidateGone);
  QVERIFY(host.Listen(PortText(port), QHostAddress::LocalHost));
  QTcpSocket chatty;
  QVERIFY(RawConnect(chatty, port));
  for (std::size_t i = 0; i <= kMaxEarlyMessages; ++i) chatty.write("M[X] oi\n");
  chatty.write("NBETO\n");
  chatty.flush();
  QTRY_COMPARE_WITH_TIMEOUT(gone.count(), 1, kWaitMs);
  QCOMPARE(connected.count(), 1);
  QCOMPARE(host.state(), Connection::State::Listening);
}

void TestConnection::aSilentPeerIsToldOnlyWhileAwaited() {
  Pair pair;
  QVERIFY(pair.Open());
  pair.host.setSilenceTimeout(120);
  QSignalSpy silent(&pair.host, &Connection::peerSilent);
  // Nothing awaited and no line begun: no watch at all.
  QVERIFY(!pair.host.silenceWatched());
  QTest::qWait(300);
  QCOMPARE(silent.count(), 0);

  // Awaited: told once after the timeout, then nothing until the player keeps waiting.
  pair.host.SetAwaitingReply(true);
  QVERIFY(pair.host.silenceWatched());
  QTRY_COMPARE_WITH_TIMEOUT(silent.count(), 1, kWaitMs);
  QVERIFY(!pair.host.silenceWatched());
  QTest::qWait(300);
  QCOMPARE(silent.count(), 1);
  QVERIFY(pair.host.isConnected());
  pair.host.KeepWaiting();
  QTRY_COMPARE_WITH_TIMEOUT(silent.count(), 2, kWaitMs);

  // Traffic starts the watch over: a peer that chats is not silent.
  // The watch is long, so a busy machine never reaches its end; only "started over" counts.
  constexpr int kLongWatchMs = 60000;
  pair.host.setSilenceTimeout(kLongWatchMs);
  pair.host.KeepWaiting();
  QTest::qWait(2000);
  const int before_chat = pair.host.silenceRemainingMs();
  QVERIFY(before_chat <= kLongWatchMs - 2000);
  QSignalSpy chat(&pair.host, &Connection::messageReceived);
  QVERIFY(pair.guest.Send(Chat{"[BETO] pensando"}));
  QTRY_COMPARE_WITH_TIMEOUT(chat.count(), 1, kWaitMs);
  QVERIFY(pair.host.silenceRemainingMs() > before_chat);

  // No longer awaited: the watch stops.
  pair.host.SetAwaitingReply(false);
  QVERIFY(!pair.host.silenceWatched());

  // Half a line and then silence is told too, awaited or not.
  pair.host.setSilenceTimeout(120);
  QVERIFY(pair.guest.Send(Chat{"[BETO] x"}));
  QTRY_COMPARE_WITH_TIMEOUT(chat.count(), 2, kWaitMs);
  QVERIFY(!pair.host.silenceWatched());
  QTcpSocket* socket = pair.guest.findChild<QTcpSocket*>();
  QVERIFY(socket);
  socket->write("M[BETO] meia lin");
  socket->flush();
  QTRY_VERIFY_WITH_TIMEOUT(pair.host.silenceWatched(), kWaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(silent.count(), 3, kWaitMs);
  socket->write("ha\n");
  socket->flush();
  QTRY_COMPARE_WITH_TIMEOUT(chat.count(), 3, kWaitMs);
  QVERIFY(!pair.host.silenceWatched());
  // A closed connection watches nothing.
  pair.host.SetAwaitingReply(true);
  pair.host.Close();
  QVERIFY(!pair.host.silenceWatched());
  QVERIFY(!pair.host.awaitingReply());
}

void TestConnection::cleanup() {
  // No window may outlive its test.
  QTRY_VERIFY_WITH_TIMEOUT(QApplication::topLevelWidgets().isEmpty() ||
                               std::none_of(QApplication::topLevelWidgets().begin(),
                                            QApplication::topLevelWidgets().end(),
                                            [](QWidget* w) { return w->isVisible(); }),
                           kWaitMs);
}

QTEST_MAIN(TestConnection)
#include "test_connection.moc"
