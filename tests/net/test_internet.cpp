// What travels through a broker, without a broker: addresses, codes, lobby entries, the lobby's
// bounds and the end-to-end seal, checked as properties over many random cases.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "net/link/internet.h"
#include "tests/test_seed.h"

namespace truco::net {
namespace {

std::string RandomBytes(std::mt19937_64& rng, std::size_t max) {
  std::string bytes(std::uniform_int_distribution<std::size_t>(0, max)(rng), '\0');
  for (char& c : bytes) c = static_cast<char>(rng());
  return bytes;
}

TEST(BrokerAddress, PortDecidesTlsAndBadTextIsRefused) {
  EXPECT_EQ(ParseBrokerAddress("mesas.example.org"),
            (BrokerAddress{"mesas.example.org", 8883, true}));
  EXPECT_EQ(ParseBrokerAddress(" 10.0.0.2:1883 "), (BrokerAddress{"10.0.0.2", 1883, false}));
  EXPECT_EQ(ParseBrokerAddress("[::1]:1883"), (BrokerAddress{"::1", 1883, false}));
  EXPECT_EQ(ParseBrokerAddress("host:8883"), (BrokerAddress{"host", 8883, true}));
  for (const char* bad : {"", ":1883", "host:", "host:0", "host:65536", "host:12x", "a b", "::1",
                          "[::1", "host/x", "host:1883:1"}) {
    EXPECT_FALSE(ParseBrokerAddress(bad)) << bad;
  }
  EXPECT_TRUE(IsUnencryptedOffLoopback(*ParseBrokerAddress("10.0.0.2:1883")));
  EXPECT_FALSE(IsUnencryptedOffLoopback(*ParseBrokerAddress("127.0.0.1:1883")));
  EXPECT_FALSE(IsUnencryptedOffLoopback(*ParseBrokerAddress("localhost:1883")));
  EXPECT_FALSE(IsUnencryptedOffLoopback(*ParseBrokerAddress("10.0.0.2")));
}

TEST(TableCode, EveryCodeReadsBackHoweverItIsTyped) {
  std::mt19937_64 rng(testing::TestSeed("internet"));
  std::set<std::string> seen;
  for (int i = 0; i < 2000; ++i) {
    const std::string code = NewTableCode();
    ASSERT_EQ(code.size(), kCodeChars);
    for (const char c : code) ASSERT_EQ(std::string("01OIL").find(c), std::string::npos) << code;
    seen.insert(code);
    std::string typed = ShowTableCode(code);
    ASSERT_EQ(typed.size(), 9u);
    ASSERT_EQ(typed[4], '-');
    for (char& c : typed) {
      if (c >= 'A' && c <= 'Z' && rng() % 2) c = static_cast<char>(c - 'A' + 'a');
    }
    if (rng() % 2) typed = " " + typed + " ";
    EXPECT_EQ(ReadTableCode(typed), code) << typed;
  }
  EXPECT_GT(seen.size(), 1990u);  // 31^8 codes: a repeat in 2000 is all but impossible
  for (const char* bad : {"K7PX-Q3M", "K7PX-Q3MDA", "K7PX-Q3M0", "K7PX-Q3MO", "K7PX_Q3MD", ""}) {
    EXPECT_FALSE(ReadTableCode(bad)) << bad;
  }
}

TEST(LobbyEntry, RoundTripsAndJunkNeverDecodes) {
  std::mt19937_64 rng(testing::TestSeed("internet"));
  for (int i = 0; i < 3000; ++i) {
    LobbyEntry entry;
    entry.host_name = std::string(1 + rng() % 11, 'A');
    for (char& c : entry.host_name) c = static_cast<char>('A' + rng() % 26);
    entry.deck_type = rng() % 2 ? kBaralhoSujo : kBaralhoLimpo;
    entry.mode = rng() % 2 ? ManilhaMode::Nova : ManilhaMode::Velha;
    entry.eleven_mode = static_cast<int>(rng() % 2);
    entry.since = static_cast<std::int64_t>(rng() % 4000000000ULL);
    EXPECT_EQ(DecodeLobbyEntry(EncodeLobbyEntry(entry)), entry);
    // Any byte changed in the fixed fields makes it junk or another valid entry, never a crash.
    std::string bytes = EncodeLobbyEntry(entry);
    bytes[rng() % bytes.size()] = static_cast<char>(rng());
    if (auto decoded = DecodeLobbyEntry(bytes)) {
      EXPECT_LE(decoded->host_name.size(), 64u);
    }
    EXPECT_FALSE(DecodeLobbyEntry(RandomBytes(rng, 300)).has_value() &&
                 DecodeLobbyEntry(RandomBytes(rng, 300))->host_name.size() > 64);
  }
  for (const EntryState state : {EntryState::Taken, EntryState::Private}) {
    LobbyEntry entry;
    entry.state = state;
    EXPECT_EQ(DecodeLobbyEntry(EncodeLobbyEntry(entry))->state, state);
  }
}

// A flood of entries, junk, clears and fakes dated ahead (a client writing only its own entry can
// claim any "since"): the lobby shows exactly the open tables that are not cleared, newest first,
// and never a table dated beyond the clock's slack, however many fakes come.
TEST(LobbyBook, ShowsEveryLiveTableAndNoFakeFromTheFuture) {
  std::mt19937_64 rng(testing::TestSeed("internet"));
  LobbyBook book;
  const std::int64_t now = 1800000000;
  std::map<std::string, LobbyEntry> open;
  for (int i = 0; i < 3000; ++i) {
    const std::string id = NewTableId();
    LobbyEntry entry;
    entry.host_name = "H" + id.substr(0, 6);
    entry.since = now - static_cast<std::int64_t>(rng() % 100000);
    const int roll = static_cast<int>(rng() % 10);
    if (roll == 0) {
      book.Apply(LobbyTopic(id), RandomBytes(rng, 5000), now);
    } else if (roll == 1) {
      book.Apply("truco-zanforte/v1/lobby/" + id.substr(1), EncodeLobbyEntry(entry), now);
    } else if (roll <= 4) {
      entry.since = now + 10 * 60 + static_cast<std::int64_t>(rng() % 200000);  // 10 min to 2 days
      EXPECT_FALSE(book.Apply(LobbyTopic(id), EncodeLobbyEntry(entry), now)) << "a fake is shown";
    } else {
      if (roll == 5) entry.since = now + static_cast<std::int64_t>(rng() % kLobbyClockSlackSeconds);
      book.Apply(LobbyTopic(id), EncodeLobbyEntry(entry), now);
      open[id] = entry;
    }
  }
  // Clear a third of what was published.
  std::size_t n = 0;
  for (auto it = open.begin(); it != open.end();) {
    if (n++ % 3 == 0) {
      book.Apply(LobbyTopic(it->first), "", now);
      it = open.erase(it);
    } else {
      ++it;
    }
  }
  const auto& tables = book.tables();
  ASSERT_EQ(tables.size(), open.size());
  for (std::size_t i = 1; i < tables.size(); ++i) {
    EXPECT_GE(tables[i - 1].entry.since, tables[i].entry.since);
  }
  for (const LobbyTable& table : tables) {
    ASSERT_TRUE(open.count(table.table_id)) << "a cleared, junk or fake table is shown";
    EXPECT_EQ(open[table.table_id], table.entry);
  }
  EXPECT_FALSE(book.wantsRefill());
}

// Past its room the book keeps the newest tables and, once a place frees, asks for the entries
// again, so a table left out comes back.
TEST(LobbyBook, FullBookAsksForTheEntriesAgainWhenAPlaceFrees) {
  LobbyBook book;
  const std::int64_t now = 1800000000;
  std::vector<std::string> ids;
  for (std::size_t i = 0; i <= kMaxLobbyTables; ++i) {
    ids.push_back(NewTableId());
    book.Apply(LobbyTopic(ids.back()),
               EncodeLobbyEntry({EntryState::Open, "H", kBaralhoSujo, ManilhaMode::Nova, 0,
                                 now - static_cast<std::int64_t>(i)}),
               now);
  }
  ASSERT_EQ(book.tables().size(), kMaxLobbyTables);
  EXPECT_FALSE(book.wantsRefill());
  book.Apply(LobbyTopic(ids.front()), "", now);
  EXPECT_TRUE(book.wantsRefill());
  book.RefillAsked();
  EXPECT_FALSE(book.wantsRefill());
}

struct Pair {
  TableSeal host;
  TableSeal guest;
  Pair(const std::string& id, const std::string& host_key, const std::string& guest_key)
      : host(TableSeal::Role::Host, id, host_key), guest(TableSeal::Role::Guest, id, guest_key) {}
  bool Join() { return host.AcceptJoin(guest.JoinFrame()) && guest.Accepted(host.AcceptFrame()); }
};

TEST(TableSeal, EveryMessageOpensOnceInOrderAndAnyChangeFails) {
  std::mt19937_64 rng(testing::TestSeed("internet"));
  const std::string id = NewTableId();
  Pair pair(id, PublicTableKey(id), PublicTableKey(id));
  ASSERT_TRUE(pair.Join());
  std::vector<std::string> frames;
  for (int i = 0; i < 3000; ++i) {
    const bool from_host = rng() % 2;
    TableSeal& from = from_host ? pair.host : pair.guest;
    TableSeal& to = from_host ? pair.guest : pair.host;
    const std::string message = RandomBytes(rng, 200);
    const std::string frame = from.Seal(message);
    ASSERT_EQ(frame.size(), message.size() + TableSeal::Overhead());
    if (message.size() >= 8) {
      ASSERT_EQ(frame.find(message), std::string::npos);
    }
    std::string altered = frame;
    altered[rng() % altered.size()] ^= static_cast<char>(1 + rng() % 255);
    EXPECT_FALSE(to.Open(altered)) << "an altered frame opened";
    EXPECT_EQ(to.Open(frame), message);
    EXPECT_FALSE(to.Open(frame)) << "a replayed frame opened";
    frames.push_back(frame);
  }
  // Old frames (earlier counters) never open again, in either direction.
  for (int i = 0; i < 200; ++i) {
    const std::string& old = frames[rng() % frames.size()];
    EXPECT_FALSE(pair.host.Open(old));
    EXPECT_FALSE(pair.guest.Open(old));
  }
}

// A private table: the wrong code joins nothing, and a broker that swaps in its own public keys
// (it does not know the code) can make neither side accept.
TEST(TableSeal, PrivateTableIsBoundToTheCode) {
  const std::string code = NewTableCode();
  const PrivateTable right = DerivePrivateTable(code);
  EXPECT_TRUE(IsTableId(right.table_id));
  EXPECT_EQ(DerivePrivateTable(code).table_id, right.table_id);
  std::string other = code;
  other[0] = other[0] == 'A' ? 'B' : 'A';
  const PrivateTable wrong = DerivePrivateTable(other);
  EXPECT_NE(wrong.table_id, right.table_id);
  EXPECT_NE(wrong.key, right.key);

  Pair ok(right.table_id, right.key, right.key);
  EXPECT_TRUE(ok.Join());
  EXPECT_EQ(ok.host.Open(ok.guest.Seal("J11")), "J11");

  Pair bad(right.table_id, right.key, wrong.key);
  EXPECT_FALSE(bad.host.AcceptJoin(bad.guest.JoinFrame()));

  // The one in the middle knows everything but the code: it uses the public table's key.
  TableSeal middle_to_host(TableSeal::Role::Guest, right.table_id, PublicTableKey(right.table_id));
  TableSeal host(TableSeal::Role::Host, right.table_id, right.key);
  EXPECT_FALSE(host.AcceptJoin(middle_to_host.JoinFrame()));
  TableSeal guest(TableSeal::Role::Guest, right.table_id, right.key);
  TableSeal middle_to_guest(TableSeal::Role::Host, right.table_id, PublicTableKey(right.table_id));
  ASSERT_TRUE(middle_to_guest.AcceptJoin(
      TableSeal(TableSeal::Role::Guest, right.table_id, PublicTableKey(right.table_id))
          .JoinFrame()));
  EXPECT_FALSE(guest.Accepted(middle_to_guest.AcceptFrame()));
}

TEST(Topics, IdsAndTopicsCheckEachOther) {
  for (int i = 0; i < 500; ++i) {
    const std::string table = NewTableId();
    const std::string guest = NewGuestId();
    ASSERT_TRUE(IsTableId(table));
    ASSERT_TRUE(IsGuestId(guest));
    EXPECT_EQ(TableOfLobbyTopic(LobbyTopic(table)), table);
    EXPECT_EQ(GuestOfTopic(GuestTopic(table, guest), table), guest);
    EXPECT_FALSE(GuestOfTopic(GuestTopic(table, guest), NewTableId()));
    EXPECT_FALSE(TableOfLobbyTopic(LobbyTopic(table) + "/x"));
    EXPECT_FALSE(TableOfLobbyTopic(HereTopic(table)));
  }
}

}  // namespace
}  // namespace truco::net
