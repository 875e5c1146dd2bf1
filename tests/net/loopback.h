#pragma once
// Two programs' network sides over 127.0.0.1 in one process: each a game with its networked
// hand (tests/net/net_sides.h) talking through a real Connection.

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>
#include <memory>
#include <random>

#include "net/link/connection.h"
#include "tests/net/net_sides.h"
#include "tests/net/whole_game.h"

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

// Host and guest connected over loopback, names exchanged, as the program opens a game.
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
    // The host greets with its name; the guest counts once its hand has answered with its own.
    host->connection.SetGreeting({net::Name{"HOSTE"}});
    if (port == 0 || !host->connection.Listen(QString::number(port), QHostAddress::LocalHost))
      return false;
    QSignalSpy host_up(&host->connection, &net::Connection::connected);
    QSignalSpy guest_up(&guest->connection, &net::Connection::connected);
    if (!guest->connection.ConnectTo(QStringLiteral("127.0.0.1"), QString::number(port)))
      return false;
    return QTest::qWaitFor([&] { return host_up.count() == 1 && guest_up.count() == 1; },
                           kLoopbackWaitMs);
  }
};

}  // namespace truco::testing

namespace truco::testing {

// Plays a connected whole game over loopback as two players would: answers every dialog and
// question the hands ask, and on the side that may act chooses at random (a seeded generator)
// among playing a card, hiding one, calling and running.
struct LoopbackPlayers {
  LoopbackPair& pair;
  std::mt19937 random;
  std::size_t truco_answered[2] = {0, 0};
  std::size_t questions_answered[2] = {0, 0};
  bool eleven_plays = true;

  LoopbackPlayers(LoopbackPair& p, unsigned seed) : pair(p), random(seed) {}

  NetSide& Host() { return pair.host->side; }
  NetSide& Guest() { return pair.guest->side; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); }

  // Answers what either side was asked; true when it answered something.
  bool AnswerAsks() {
    bool any = false;
    for (int i = 0; i < 2; ++i) {
      NetSide& side = i == 0 ? Host() : Guest();
      while (truco_answered[i] < side.out.truco_asks.size()) {
        const TrucoDialogRequest& ask = side.out.truco_asks[truco_answered[i]++];
        const int roll = Pick(10);
        char answer = roll < 6 ? kAnswerAccept : roll < 8 ? kAnswerRun : kAnswerRaise;
        if (answer == kAnswerRaise && !ask.raise_offered) answer = kAnswerAccept;
        side.hand.AnswerTruco(answer);
        any = true;
      }
      while (questions_answered[i] < side.out.questions.size()) {
        const auto question = side.out.questions[questions_answered[i]++].first;
        side.hand.Answer(question, question == net::Question::Continue || eleven_plays);
        any = true;
      }
    }
    return any;
  }

  // Both sides show the same table and nothing is on its way.
  bool Settled() {
    return ViewOf(Host()) == ViewOf(Guest()) && Host().hand.actor() != ' ' &&
           truco_answered[0] == Host().out.truco_asks.size() &&
           truco_answered[1] == Guest().out.truco_asks.size() &&
           questions_answered[0] == Host().out.questions.size() &&
           questions_answered[1] == Guest().out.questions.size();
  }

  // Waits until the sides agree (answering asks meanwhile); false on timeout.
  bool Settle() {
    return QTest::qWaitFor(
        [&] {
          AnswerAsks();
          return Settled();
        },
        kLoopbackWaitMs);
  }

  // One move of the side that may act. False when nobody may act.
  bool Move(bool calls = true) {
    const char actor = Host().hand.actor();
    if (actor == ' ') return false;
    NetSide& side = actor == 'S' ? Host() : Guest();
    GameState& s = side.s();
    const int roll = Pick(100);
    if (calls && roll < 12 && s.BTrucar.enabled && s.BTrucar.visible) {
      side.game.BTrucarClick();
      return true;
    }
    if (calls && roll < 14 && s.BCorrer.enabled) {
      side.game.BCorrerClick();
      return true;
    }
    if (!s.may_play) return true;  // a call waits on this side: its answer is in AnswerAsks
    if (roll < 25 && s.BEsconder.enabled) side.game.BEsconderClick();
    std::vector<int> in_hand;
    for (int i = 0; i < 3; ++i) {
      if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
    }
    if (in_hand.empty()) return false;
    side.game.CartaJClick(in_hand[static_cast<std::size_t>(Pick(int(in_hand.size())))]);
    return true;
  }
};

}  // namespace truco::testing
