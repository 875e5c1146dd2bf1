// Two programs through a real Mosquitto started here: the broker link carries every message in
// order and sealed, whole networked games play over it, the lobby shows and clears tables (also
// when a host vanishes), private codes join and wrong ones do not, and whoever sees every byte on
// the broker sees no card, no chat line and no name but a public table's host.

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>
#include <set>

#include "net/link/broker_link.h"
#include "net/link/lobby.h"
#include "tests/net/mosquitto_runner.h"
#include "tests/net/net_sides.h"
#include "tests/test_seed.h"

namespace truco::testing {
namespace {

using net::BrokerLink;
using net::Message;
using net::Side;

QCoreApplication& App() {
  static int argc = 1;
  static char name[] = "test_broker";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

// Runs the event loop until `done` or the time is up.
bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  return RunEventsUntil(done, ms);
}

net::BrokerAddress Local(const MosquittoRunner& broker, bool tls = false) {
  return {tls ? "localhost" : "127.0.0.1", broker.port(), tls};
}

net::LobbyEntry Entry(const std::string& name) {
  net::LobbyEntry entry;
  entry.host_name = name;
  entry.since = QDateTime::currentSecsSinceEpoch();
  return entry;
}

// Records every publication on the broker, as its operator could.
struct Sniffer {
  net::MqttClient client;
  std::vector<std::pair<std::string, std::string>> seen;
  explicit Sniffer(const MosquittoRunner& broker) {
    QObject::connect(&client, &net::MqttClient::opened, [this] { client.Subscribe("#"); });
    QObject::connect(
        &client, &net::MqttClient::messageArrived,
        [this](const std::string& t, const std::string& p) { seen.emplace_back(t, p); });
    bool subscribed = false;
    QObject::connect(&client, &net::MqttClient::subscribed, [&subscribed] { subscribed = true; });
    client.Open(Local(broker), net::NewGuestId(), std::nullopt);
    EXPECT_TRUE(WaitFor([&] { return subscribed; }));
    QObject::disconnect(&client, &net::MqttClient::subscribed, nullptr, nullptr);
  }
  // Every byte seen outside the lobby entries, and inside them.
  [[nodiscard]] std::string Bytes(bool lobby) const {
    std::string all;
    for (const auto& [topic, payload] : seen) {
      if ((topic.find("/lobby/") != std::string::npos) == lobby) all += topic + payload;
    }
    return all;
  }
};

// Host and guest at a public table of this broker.
struct Table {
  BrokerLink host;
  BrokerLink guest;
  std::vector<Message> to_host;
  std::vector<Message> to_guest;
  explicit Table(const MosquittoRunner& broker, const std::string& host_name = "HOSTE")
      : Table(broker, broker, host_name) {}
  // The host on one broker, the guest on another (bridged to it).
  Table(const MosquittoRunner& host_broker, const MosquittoRunner& guest_broker,
        const std::string& host_name, int wait_ms = 5000) {
    host.SetBroker(Local(host_broker));
    guest.SetBroker(Local(guest_broker));
    QObject::connect(&host, &BrokerLink::messageReceived,
                     [this](const Message& m) { to_host.push_back(m); });
    QObject::connect(&guest, &BrokerLink::messageReceived,
                     [this](const Message& m) { to_guest.push_back(m); });
    EXPECT_TRUE(host.HostPublic(Entry(host_name)));
    EXPECT_TRUE(WaitFor([&] { return host.state() == BrokerLink::State::Waiting; }));
    EXPECT_TRUE(WaitFor(
        [&] {
          // Across a bridge the entry may not be there yet: "Mesa não encontrada", try again.
          if (guest.state() == BrokerLink::State::Idle) guest.JoinPublic(host.tableId());
          return host.isConnected() && guest.isConnected();
        },
        wait_ms));
  }
};

class Broker : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    App();
    plain_ = new MosquittoRunner({false, false});
    confined_ = new MosquittoRunner({false, true});
  }
  static void TearDownTestSuite() {
    delete plain_;
    delete confined_;
  }
  void SetUp() override {
    ASSERT_TRUE(plain_->ok()) << plain_->error().toStdString();
    ASSERT_TRUE(confined_->ok()) << confined_->error().toStdString();
  }
  static MosquittoRunner* plain_;     // no ACL: the operator's view, and an attacker's tools
  static MosquittoRunner* confined_;  // the shipped ACL
};
MosquittoRunner* Broker::plain_ = nullptr;
MosquittoRunner* Broker::confined_ = nullptr;

std::string RandomChat(std::mt19937_64& rng) {
  static const char* const kWords[] = {"truco", "seis",      "olá",   "cadê", "manilha",
                                       "zap",   "espadilha", "copas", "ção"};
  std::string text;
  for (int n = 1 + int(rng() % 30); n > 0; --n) text += std::string(kWords[rng() % 9]) + " ";
  if (rng() % 20 == 0) text = std::string(5000, 'x');  // cut to fit a publication
  return text;
}

// No line of the game in the bytes the broker saw. Sealed, a line of 4 or 5 bytes still turns up
// in that much random ciphertext by chance: a game's ~80 such lines in ~40 KB, one run in about
// 1,500. So those may match once (twice by chance: below 1e-6); a line sent in clear shows them
// all, and a longer line never matches by chance (below 1e-8).
void ExpectNoLineInClear(const std::vector<std::string>& lines, const std::string& bytes) {
  std::set<std::string> short_found;
  for (const std::string& line : lines) {
    if (line.size() < 4 || bytes.find(line) == std::string::npos) continue;
    if (line.size() <= 5) {
      short_found.insert(line);
    } else {
      ADD_FAILURE() << "in clear: " << line;
    }
  }
  EXPECT_LE(short_found.size(), 1U) << "short lines in clear, first " << *short_found.begin();
}

// A line in clear is found, and a single short chance match is let pass.
TEST(BrokerBytes, LinesInClearAreFoundAndOneShortChanceMatchIsNot) {
  static const std::vector<std::string> kLines = {"A131", "I411", "V1313", "DS3,4,1,0", "J31"};
  EXPECT_NONFATAL_FAILURE(ExpectNoLineInClear(kLines, "..A131..V1313.."), "short lines in clear");
  EXPECT_NONFATAL_FAILURE(ExpectNoLineInClear(kLines, "..DS3,4,1,0.."), "in clear: DS3,4,1,0");
  ExpectNoLineInClear(kLines, "..I411..J31..");
}

// Random messages both ways arrive complete, in order, as the receiver decodes them; the
// broker's operator sees none of them.
TEST_F(Broker, EveryMessageArrivesInOrderAndNoneInClear) {
  std::mt19937_64 rng(TestSeed("broker"));
  Sniffer sniffer(*plain_);
  Table table(*plain_, "HOSTEZAN");
  std::vector<std::string> lines;
  std::vector<Message> want_host;
  std::vector<Message> want_guest;
  const std::vector<std::string> kinds = {"V1313",     "A131", "I411", "J31",        "R1S", "T3",
                                          "K6",        "F",    "U1",   "O",          "Z",   "G110",
                                          "DS3,4,1,0", "E23",  "H2",   "NANABEATRIZ"};
  for (int i = 0; i < 400; ++i) {
    const bool from_host = rng() % 2;
    std::optional<Message> message;
    if (rng() % 4 == 0) {
      message = net::Chat{net::ChatLine("ANABEATRIZ", RandomChat(rng))};
    } else {
      message = net::Decode(kinds[rng() % kinds.size()], from_host ? Side::Guest : Side::Host);
    }
    if (!message) continue;
    ASSERT_TRUE((from_host ? table.host : table.guest).Send(*message));
    std::string line = net::Encode(*message);
    if (line.size() > net::kMaxPayloadBytes - net::TableSeal::Overhead()) {
      line.resize(net::kMaxPayloadBytes - net::TableSeal::Overhead());
    }
    lines.push_back(line);
    auto decoded = net::Decode(line, from_host ? Side::Guest : Side::Host);
    ASSERT_TRUE(decoded);
    (from_host ? want_guest : want_host).push_back(*decoded);
  }
  ASSERT_TRUE(WaitFor([&] {
    return table.to_host.size() >= want_host.size() && table.to_guest.size() >= want_guest.size();
  }));
  EXPECT_EQ(table.to_host, want_host);
  EXPECT_EQ(table.to_guest, want_guest);
  EXPECT_EQ(table.host.rejected(), 0);
  EXPECT_EQ(table.guest.rejected(), 0);
  table.host.Close();
  table.guest.Close();
  WaitFor([] { return false; }, 200);  // the last publications reach the sniffer
  const std::string game_bytes = sniffer.Bytes(false);
  EXPECT_GT(game_bytes.size(), 400u * 20);
  ExpectNoLineInClear(lines, game_bytes);
  for (const char* word : {"ANABEATRIZ", "HOSTEZAN", "manilha", "espadilha"}) {
    EXPECT_EQ(game_bytes.find(word), std::string::npos) << word;
  }
  const std::string lobby_bytes = sniffer.Bytes(true);
  EXPECT_NE(lobby_bytes.find("HOSTEZAN"), std::string::npos);
  EXPECT_EQ(lobby_bytes.find("ANABEATRIZ"), std::string::npos);
}

// Plays `games` whole networked games at this table, the networked hand unaware of the broker:
// random plays, calls and answers; both sides show the same table after every exchange. The
// broker's operator (the sniffer, if any) sees no line of it.
void PlayWholeGames(Table& table, std::mt19937_64& rng, int games, const Sniffer* sniffer) {
  NetSide host(Side::Host, "HOSTEZAN");
  NetSide guest(Side::Guest, "ANABEATRIZ");
  std::size_t sent_to_host = 0;
  std::size_t sent_to_guest = 0;
  std::size_t got_host = 0;
  std::size_t got_guest = 0;
  std::vector<std::string> lines;
  host.out.send = [&](const Message& m) {
    ++sent_to_guest;
    lines.push_back(net::Encode(m));
    return table.host.Send(m);
  };
  guest.out.send = [&](const Message& m) {
    ++sent_to_host;
    lines.push_back(net::Encode(m));
    return table.guest.Send(m);
  };
  const auto to_host = QObject::connect(&table.host, &BrokerLink::messageReceived,
                                        [&](const Message& m) {
                                          ++got_host;
                                          host.hand.Receive(m);
                                        });
  const auto to_guest = QObject::connect(&table.guest, &BrokerLink::messageReceived,
                                         [&](const Message& m) {
                                           ++got_guest;
                                           guest.hand.Receive(m);
                                         });
  const auto pump = [&] {
    return WaitFor([&] { return got_host == sent_to_host && got_guest == sent_to_guest; });
  };
  const auto top_up = [&] {
    while (host.random.Remaining() < 400) host.random.Push(int(rng() % (1 << 20)));
  };
  const auto play = [&] {
    top_up();
    host.hand.Prepare(Side::Host, host.name);
    guest.hand.Prepare(Side::Guest, guest.name);
    host.out.Send(net::Name{host.name});
    ASSERT_TRUE(pump());
    host.game.BInicioClick();
    ASSERT_TRUE(pump());
    guest.game.BInicioClick();
    ASSERT_TRUE(pump());
    guest.hand.SendChat("olá, vamos jogar");
    int steps = 0;
    while (host.hand.games(Side::Host) + host.hand.games(Side::Guest) < games) {
      ASSERT_LT(++steps, 1500 * games) << "the game does not move";
      top_up();
      const char actor = host.hand.actor();
      ASSERT_NE(actor, ' ');
      NetSide& side = actor == 'S' ? host : guest;
      if (side.hand.eleven() == actor && !side.hand.eleven_decided()) {
        side.hand.Answer(net::Question::Eleven, rng() % 4 != 0);
      } else if (side.hand.pending_call() != 0) {
        side.hand.AnswerTruco(rng() % 5 == 0 ? kAnswerRun : kAnswerAccept);
      } else if (side.game.state().BTrucar.enabled && rng() % 8 == 0) {
        side.game.BTrucarClick();
      } else {
        std::vector<int> in_hand;
        for (int i = 0; i < 3; ++i) {
          if (side.game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
        }
        ASSERT_FALSE(in_hand.empty());
        side.game.CartaJClick(in_hand[rng() % in_hand.size()]);
      }
      ASSERT_TRUE(pump());
      ASSERT_EQ(host.game.state().player_points, guest.game.state().computer_points);
      ASSERT_EQ(host.game.state().computer_points, guest.game.state().player_points);
      ASSERT_EQ(host.hand.stake(), guest.hand.stake());
    }
    EXPECT_EQ(host.hand.games(Side::Guest), guest.hand.games(Side::Guest));
    EXPECT_EQ(guest.out.opponent, "HOSTEZAN");
    EXPECT_EQ(host.out.opponent, "ANABEATRIZ");
    EXPECT_FALSE(host.out.chat.empty());
  };
  play();
  QObject::disconnect(to_host);
  QObject::disconnect(to_guest);
  if (!sniffer) return;
  table.host.Close();
  table.guest.Close();
  WaitFor([] { return false; }, 200);
  const std::string game_bytes = sniffer->Bytes(false);
  ExpectNoLineInClear(lines, game_bytes);
  EXPECT_EQ(game_bytes.find("ANABEATRIZ"), std::string::npos);
  EXPECT_EQ(sniffer->Bytes(true).find("ANABEATRIZ"), std::string::npos);
}

TEST_F(Broker, WholeGamesPlayOverTheBroker) {
  std::mt19937_64 rng(TestSeed("broker"));
  Sniffer sniffer(*plain_);
  Table table(*plain_);
  PlayWholeGames(table, rng, 2, &sniffer);
}

// Cuts a link's connection to the broker without a goodbye, as a crash or a pulled cable does.
void CutHard(BrokerLink& link) {
  const int fd = link.client().socket();
  ASSERT_GE(fd, 0);
  ::shutdown(fd, SHUT_RDWR);
}

// Whether a lobby lists the table `id`.
bool Listed(const net::Lobby& lobby, const std::string& id) {
  return std::any_of(lobby.tables().begin(), lobby.tables().end(),
                     [&](const net::LobbyTable& t) { return t.table_id == id; });
}

// `host` opens a private table under a fresh code and waits for its guest.
void HostPrivateTable(BrokerLink& host, std::string& code) {
  code = net::NewTableCode();
  ASSERT_TRUE(host.HostPrivate(code));
  ASSERT_TRUE(WaitFor([&] { return host.state() == BrokerLink::State::Waiting; }));
}

// A play sent by `from` arrives at `to` as it was sent.
void ExpectAPlayArrives(BrokerLink& from, BrokerLink& to) {
  std::vector<Message> got;
  const auto connection = QObject::connect(&to, &BrokerLink::messageReceived,
                                           [&](const Message& m) { got.push_back(m); });
  ASSERT_TRUE(from.Send(net::Play{2, 1}));
  EXPECT_TRUE(WaitFor([&] { return !got.empty(); }));
  QObject::disconnect(connection);
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.front(), Message(net::Play{2, 1}));
}

// Under the shipped ACL: every lobby shows a public table, hides private ones, loses a table
// once taken or when its host leaves or vanishes; a second guest hears "Mesa ocupada".
TEST_F(Broker, LobbyShowsAndClearsTables) {
  net::Lobby lobby;
  ASSERT_TRUE(lobby.Open(Local(*confined_)));
  ASSERT_TRUE(WaitFor([&] { return lobby.isOpen(); }));
  const auto listed = [&](const std::string& id) { return Listed(lobby, id); };

  BrokerLink host;
  host.SetBroker(Local(*confined_));
  net::LobbyEntry entry = Entry("MESTRE");
  entry.deck_type = kBaralhoLimpo;
  entry.mode = ManilhaMode::Velha;
  entry.eleven_mode = 1;
  ASSERT_TRUE(host.HostPublic(entry));
  ASSERT_TRUE(WaitFor([&] { return listed(host.tableId()); }));
  EXPECT_EQ(lobby.tables().front().entry, entry);

  BrokerLink hidden;
  hidden.SetBroker(Local(*confined_));
  ASSERT_TRUE(hidden.HostPrivate(net::NewTableCode()));
  ASSERT_TRUE(WaitFor([&] { return hidden.state() == BrokerLink::State::Waiting; }));

  // A lobby opened later finds the public table (retained), not the private one.
  net::Lobby late;
  ASSERT_TRUE(late.Open(Local(*confined_)));
  ASSERT_TRUE(WaitFor([&] { return late.tables().size() == 1; }));
  EXPECT_EQ(late.tables().front().table_id, host.tableId());

  BrokerLink guest;
  guest.SetBroker(Local(*confined_));
  ASSERT_TRUE(guest.JoinPublic(host.tableId()));
  ASSERT_TRUE(WaitFor([&] { return guest.isConnected() && host.isConnected(); }));
  ASSERT_TRUE(WaitFor([&] { return !listed(host.tableId()); })) << "a taken table is listed";

  BrokerLink second;
  second.SetBroker(Local(*confined_));
  QString told;
  QObject::connect(&second, &BrokerLink::errorOccurred, [&](const QString& t) { told = t; });
  ASSERT_TRUE(second.JoinPublic(host.tableId()));
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty(); }));
  EXPECT_EQ(told.toStdString(), net::kTextTableBusy);

  // The guest vanishes: its last will tells the host.
  bool host_lost = false;
  QObject::connect(&host, &BrokerLink::disconnected, [&] { host_lost = true; });
  CutHard(guest);
  ASSERT_TRUE(WaitFor([&] { return host_lost; }));

  // A new public table whose host vanishes: its last will clears it from every lobby, and its
  // guest is told.
  BrokerLink gone;
  gone.SetBroker(Local(*confined_));
  ASSERT_TRUE(gone.HostPublic(Entry("SUMIDO")));
  ASSERT_TRUE(WaitFor([&] { return listed(gone.tableId()); }));
  BrokerLink left;
  left.SetBroker(Local(*confined_));
  bool guest_lost = false;
  QObject::connect(&left, &BrokerLink::disconnected, [&] { guest_lost = true; });
  ASSERT_TRUE(left.JoinPublic(gone.tableId()));
  ASSERT_TRUE(WaitFor([&] { return left.isConnected(); }));
  CutHard(gone);
  ASSERT_TRUE(WaitFor([&] { return guest_lost; }));

  BrokerLink closing;
  closing.SetBroker(Local(*confined_));
  ASSERT_TRUE(closing.HostPublic(Entry("FECHA")));
  ASSERT_TRUE(WaitFor([&] { return listed(closing.tableId()); }));
  closing.Close();
  ASSERT_TRUE(WaitFor([&] { return !listed(closing.tableId()); }));
  EXPECT_TRUE(lobby.tables().empty());
}

TEST_F(Broker, PrivateCodeJoinsAndWrongCodeDoesNot) {
  BrokerLink host;
  host.SetBroker(Local(*confined_));
  std::string code;
  ASSERT_NO_FATAL_FAILURE(HostPrivateTable(host, code));

  BrokerLink wrong;
  wrong.SetBroker(Local(*confined_));
  QString told;
  QObject::connect(&wrong, &BrokerLink::errorOccurred, [&](const QString& t) { told = t; });
  std::string other = code;
  other[7] = other[7] == 'Z' ? 'Y' : 'Z';
  ASSERT_TRUE(wrong.JoinPrivate(other));
  ASSERT_TRUE(WaitFor([&] { return !told.isEmpty(); }));
  EXPECT_EQ(told.toStdString(), net::kTextTableNotFound);
  EXPECT_FALSE(wrong.JoinPrivate("K7PX-Q3M"));

  BrokerLink friend_;
  friend_.SetBroker(Local(*confined_));
  std::string typed = net::ShowTableCode(code);
  for (char& c : typed) c = static_cast<char>(std::tolower(c));
  ASSERT_TRUE(friend_.JoinPrivate(typed));
  ASSERT_TRUE(WaitFor([&] { return friend_.isConnected() && host.isConnected(); }));
  ExpectAPlayArrives(friend_, host);
}

// An attacker on the broker replays and alters the guest's publications: each is dropped and
// counted; a run of them ends the link with a true message.
TEST_F(Broker, TamperedOrReplayedPublicationsAreRejected) {
  Sniffer sniffer(*plain_);
  Table table(*plain_);
  std::string topic;
  std::string frame;
  ASSERT_TRUE(table.guest.Send(net::Play{1, 1}));
  ASSERT_TRUE(WaitFor([&] {
    for (const auto& [t, p] : sniffer.seen) {
      if (!p.empty() && p[0] == net::kFrameData && t.find("/g/") != std::string::npos) {
        topic = t;
        frame = p;
      }
    }
    return !frame.empty() && table.to_host.size() == 1;
  }));
  QString error;
  QObject::connect(&table.host, &BrokerLink::protocolError, [&](const QString& t) { error = t; });
  // The attacker's own connection (the plain broker lets it write anywhere).
  net::MqttClient attacker;
  attacker.Open(Local(*plain_), net::NewGuestId(), std::nullopt);
  ASSERT_TRUE(WaitFor([&] { return attacker.isOpen(); }));
  // A join with a MAC that fails, at a table that has its guest: dropped and counted, not
  // answered "busy" (nobody without the table's key learns anything of it).
  const std::string stranger = net::NewGuestId();
  std::string join = net::TableSeal(net::TableSeal::Role::Guest, table.host.tableId(),
                                    net::PublicTableKey(table.host.tableId()))
                         .JoinFrame();
  join.back() ^= 1;
  attacker.Publish(net::GuestTopic(table.host.tableId(), stranger), join);
  ASSERT_TRUE(WaitFor([&] { return table.host.rejected() == 1; }));
  attacker.Publish(topic, frame);  // replay
  ASSERT_TRUE(WaitFor([&] { return table.host.rejected() == 2; }));
  EXPECT_TRUE(std::none_of(sniffer.seen.begin(), sniffer.seen.end(), [&](const auto& seen) {
    return seen.first == net::HostTopic(table.host.tableId(), stranger);
  })) << "a join that failed its MAC was answered";
  // A good message in between resets the run.
  ASSERT_TRUE(table.guest.Send(net::Play{2, 2}));
  ASSERT_TRUE(WaitFor([&] { return table.to_host.size() == 2; }));
  for (int i = 0; i < net::kMaxBadInARow; ++i) {
    std::string altered = frame;
    altered[altered.size() - 1 - std::size_t(i)] ^= 0x20;
    altered[1 + 7] = static_cast<char>(100 + i);  // a fresh counter, so only the seal can tell
    attacker.Publish(topic, altered);
  }
  ASSERT_TRUE(WaitFor([&] { return !error.isEmpty(); }));
  EXPECT_EQ(error.toStdString(), net::kTextTampered);
  EXPECT_EQ(table.host.rejected(), 2 + net::kMaxBadInARow);
  EXPECT_EQ(table.to_host.size(), 2u);
  EXPECT_FALSE(table.host.isConnected());
}

// A guest cut off comes back to the same table (same id, reopened by the host) and the two talk
// again; the old guest's leftovers do not count as the new one.
TEST_F(Broker, ResumeAtTheSameTable) {
  Table table(*confined_);
  bool lost = false;
  QObject::connect(&table.host, &BrokerLink::disconnected, [&] { lost = true; });
  CutHard(table.guest);
  ASSERT_TRUE(WaitFor([&] { return lost; }));
  const std::string id = table.host.tableId();
  ASSERT_TRUE(table.host.HostPublic(Entry("HOSTE"), id));
  ASSERT_TRUE(WaitFor([&] { return table.host.state() == BrokerLink::State::Waiting; }));
  ASSERT_TRUE(table.guest.JoinPublic(id));
  ASSERT_TRUE(WaitFor([&] { return table.host.isConnected() && table.guest.isConnected(); }));
  ASSERT_TRUE(table.guest.Send(net::Name{"ANA"}));
  ASSERT_TRUE(WaitFor([&] { return !table.to_host.empty(); }));
  EXPECT_EQ(table.to_host.back(), Message(net::Name{"ANA"}));
}

// The broker itself goes away mid-game (a crash, or the way to it cut): both players are told it was the table server's
// connection that was lost, not the opponent's.
TEST(BrokerGone, TheTableServerIsNamed) {
  App();
  MosquittoRunner broker({false, true});
  ASSERT_TRUE(broker.ok()) << broker.error().toStdString();
  Table table(broker);
  int lost = 0;
  for (BrokerLink* side : {&table.host, &table.guest}) {
    QObject::connect(side, &BrokerLink::disconnected, [&] { ++lost; });
  }
  broker.Crash();  // stopped in order, it would send both last wills first
  ASSERT_TRUE(WaitFor([&] { return lost == 2; }));
  EXPECT_EQ(table.host.lostText().toStdString(), net::kTextBrokerLost);
  EXPECT_EQ(table.guest.lostText().toStdString(), net::kTextBrokerLost);
}

// TLS: a broker whose certificate the given authority signed is reached; the system's
// authorities do not know it, so without the test's authority the link refuses.
TEST(BrokerTls, VerifiedAgainstItsAuthorityOnly) {
  App();
  MosquittoRunner broker({true, true});
  ASSERT_TRUE(broker.ok()) << broker.error().toStdString();
  BrokerLink host;
  host.SetBroker(Local(broker, true));
  host.SetCaFile(broker.caFile());
  ASSERT_TRUE(host.HostPublic(Entry("TLS")));
  ASSERT_TRUE(WaitFor([&] { return host.state() == BrokerLink::State::Waiting; }, 10000));
  EXPECT_EQ(host.client().protocolVersion(), 5);
  EXPECT_TRUE(host.client().pingTimerActive());

  BrokerLink stranger;
  stranger.SetBroker(Local(broker, true));
  QString told;
  QObject::connect(&stranger, &BrokerLink::errorOccurred, [&](const QString& t) { told = t; });
  if (stranger.JoinPublic(host.tableId())) {
    ASSERT_TRUE(WaitFor([&] { return !told.isEmpty(); }, 15000));
  }
  EXPECT_FALSE(stranger.isConnected());

  BrokerLink guest;
  guest.SetBroker(Local(broker, true));
  guest.SetCaFile(broker.caFile());
  ASSERT_TRUE(guest.JoinPublic(host.tableId()));
  ASSERT_TRUE(WaitFor([&] { return guest.isConnected() && host.isConnected(); }, 10000));
  host.Close();
  EXPECT_FALSE(host.client().pingTimerActive()) << "a timer outlives the connection";
}

// Two Mosquittos bridged as resources/broker/bridge.conf says, each with the players' ACL: a
// host on one and its guest on the other meet through the lobby and play whole games; the entry
// shows on both and leaves both when the table fills or its host vanishes; a private table and a
// resume after a cut work across the bridge too.
TEST(BrokerBridge, HostOnOneBrokerGuestOnTheOther) {
  App();
  MosquittoRunner far({false, true, true, 0});
  ASSERT_TRUE(far.ok()) << far.error().toStdString();
  MosquittoRunner near({false, true, false, far.port()});
  ASSERT_TRUE(near.ok()) << near.error().toStdString();
  constexpr int kBridgeMs = 15000;  // the bridge connects within a second or two
  net::Lobby near_lobby;
  net::Lobby far_lobby;
  ASSERT_TRUE(near_lobby.Open(Local(near)));
  ASSERT_TRUE(far_lobby.Open(Local(far)));
  std::mt19937_64 rng(TestSeed("bridge"));
  {
    Table table(near, far, "PONTE", kBridgeMs);
    ASSERT_TRUE(table.host.isConnected() && table.guest.isConnected());
    ASSERT_TRUE(WaitFor([&] {
      return !Listed(near_lobby, table.host.tableId()) && !Listed(far_lobby, table.host.tableId());
    })) << "a taken table is listed";
    PlayWholeGames(table, rng, 1, nullptr);
    // The guest is cut off and comes back to the same table, which the host opens again.
    bool lost = false;
    QObject::connect(&table.host, &BrokerLink::disconnected, [&] { lost = true; });
    CutHard(table.guest);
    ASSERT_TRUE(WaitFor([&] { return lost; }, kBridgeMs));
    const std::string id = table.host.tableId();
    ASSERT_TRUE(table.host.HostPublic(Entry("PONTE"), id));
    ASSERT_TRUE(WaitFor([&] { return Listed(far_lobby, id); }, kBridgeMs));
    ASSERT_TRUE(table.guest.JoinPublic(id));
    ASSERT_TRUE(WaitFor([&] { return table.host.isConnected() && table.guest.isConnected(); }));
    table.to_host.clear();
    ASSERT_TRUE(table.guest.Send(net::Name{"ANA"}));
    ASSERT_TRUE(WaitFor([&] { return !table.to_host.empty(); }));
    EXPECT_EQ(table.to_host.back(), Message(net::Name{"ANA"}));
  }
  // A host on the far broker vanishes: its last will clears its entry on both, and its guest on
  // the near broker is told.
  BrokerLink gone;
  gone.SetBroker(Local(far));
  ASSERT_TRUE(gone.HostPublic(Entry("SUMIDO")));
  ASSERT_TRUE(WaitFor([&] { return Listed(near_lobby, gone.tableId()); }, kBridgeMs));
  ASSERT_TRUE(Listed(far_lobby, gone.tableId()));
  CutHard(gone);
  ASSERT_TRUE(WaitFor(
      [&] { return !Listed(near_lobby, gone.tableId()) && !Listed(far_lobby, gone.tableId()); },
      kBridgeMs))
      << "a vanished host's table is listed";
  // A private table on the far broker, joined by its code from the near one.
  BrokerLink host;
  host.SetBroker(Local(far));
  std::string code;
  ASSERT_NO_FATAL_FAILURE(HostPrivateTable(host, code));
  BrokerLink friend_;
  friend_.SetBroker(Local(near));
  ASSERT_TRUE(WaitFor(
      [&] {
        if (friend_.state() == BrokerLink::State::Idle) friend_.JoinPrivate(code);
        return friend_.isConnected() && host.isConnected();
      },
      kBridgeMs));
  ExpectAPlayArrives(friend_, host);
}

}  // namespace
}  // namespace truco::testing
