#pragma once
// Two programs' network sides over 127.0.0.1 in one process: each a game with its networked
// hand (tests/net/net_sides.h) talking through a real Connection.

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>
#include <memory>

#include "net/connection.h"
#include "tests/net/net_sides.h"

namespace truco::testing {

inline constexpr int kLoopbackWaitMs = 5000;

// A port on 127.0.0.1 that is free right now and obeys the port rule.
inline quint16 FreeLoopbackPort() {
  for (int attempt = 0; attempt < 50; ++attempt) {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    const quint16 port = probe.serverPort();
    if (net::ParsePort(std::to_string(port))) return port;
  }
  return 0;
}

// One program's network side: its game, hand and connection, wired as the program wires them.
struct NetProgram {
  NetProgram(net::Side which, std::string own_name) : side(which, std::move(own_name)) {
    side.out.send = [this](const net::Message& m) { return connection.Send(m); };
    QObject::connect(&connection, &net::Connection::messageReceived, [this](const net::Message& m) {
      ++received;
      if (on_receive) on_receive(m);
      if (connection.isConnected()) side.hand.Receive(m);
    });
    QObject::connect(&connection, &net::Connection::disconnected,
                     [this] { side.hand.ConnectionLost(net::kTextConnectionLost); });
    QObject::connect(&connection, &net::Connection::protocolError,
                     [this](const QString& text) { side.hand.ConnectionLost(text.toStdString()); });
  }
  NetSide side;
  net::Connection connection;
  int received = 0;
  std::function<void(const net::Message&)> on_receive;
};

// Host and guest connected over loopback; the host has sent its name, as its opening does.
struct LoopbackPair {
  std::unique_ptr<NetProgram> host = std::make_unique<NetProgram>(net::Side::Host, "HOSTE");
  std::unique_ptr<NetProgram> guest = std::make_unique<NetProgram>(net::Side::Guest, "ANA");
  // The guest plays as a copy that knows only the classic messages (one hand per connection).
  bool classic_guest = false;

  bool Connect() {
    const quint16 port = FreeLoopbackPort();
    host->side.hand.Prepare(net::Side::Host, "HOSTE");
    guest->side.hand.Prepare(net::Side::Guest, "ANA");
    guest->side.hand.set_classic_only(classic_guest);
    if (port == 0 || !host->connection.Listen(QString::number(port), QHostAddress::LocalHost))
      return false;
    QSignalSpy host_up(&host->connection, &net::Connection::connected);
    QSignalSpy guest_up(&guest->connection, &net::Connection::connected);
    if (!guest->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(port)))
      return false;
    if (!QTest::qWaitFor([&] { return host_up.count() == 1 && guest_up.count() == 1; },
                         kLoopbackWaitMs))
      return false;
    return host->connection.Send(net::Name{"HOSTE"});
  }
};

}  // namespace truco::testing
