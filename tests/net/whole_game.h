#pragma once
// Two sides of a whole networked game wired in memory, every message through the codec, and
// the checks that both sides agree on what they show.

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>

#include "tests/net/net_sides.h"

namespace truco::testing {

// What a side shows of the table, written from the host's point of view so two sides compare.
struct SharedView {
  int host_points = 0;
  int guest_points = 0;
  int host_games = 0;
  int guest_games = 0;
  int stake = 0;
  int pending = 0;
  char actor = ' ';
  bool finished = false;
  // Per trick 1..3: the card each side has on the table (value*10 + suit; 0 none; -1 face down),
  // and the trick's result as "S" / "C" / "E" / "".
  std::array<int, 4> host_card{};
  std::array<int, 4> guest_card{};
  std::array<std::string, 4> result{};
  friend bool operator==(const SharedView&, const SharedView&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const SharedView& v) {
  os << "points " << v.host_points << "x" << v.guest_points << " games " << v.host_games << "x"
     << v.guest_games << " stake " << v.stake << " pending " << v.pending << " actor '" << v.actor
     << "' finished " << v.finished << " tricks";
  for (int t = 1; t <= 3; ++t) {
    os << " [" << v.host_card[t] << "/" << v.guest_card[t] << " " << v.result[t] << "]";
  }
  return os;
}

// The table as the side's game state shows it, turned to the host's point of view.
inline SharedView ViewOf(NetSide& side) {
  const GameState& s = side.game.state();
  const bool host = side.side == net::Side::Host;
  SharedView v;
  v.host_points = host ? s.player_points : s.computer_points;
  v.guest_points = host ? s.computer_points : s.player_points;
  v.host_games = side.hand.games(net::Side::Host);
  v.guest_games = side.hand.games(net::Side::Guest);
  v.stake = s.hand_stake;
  v.pending = side.hand.pending_call();
  v.actor = side.hand.actor();
  v.finished = side.hand.hand_finished();
  for (int t = 1; t <= 3; ++t) {
    for (int id = kCartaJ1; id <= kCartaM3; ++id) {
      const TableCard& c = s.cards[static_cast<std::size_t>(id)];
      if (c.top != kTrickTops[static_cast<std::size_t>(t)]) continue;
      const int code = c.face_down ? -1 : c.card.Value * 10 + static_cast<int>(c.card.suit);
      const bool own = id <= kCartaJ3;
      (own == host ? v.host_card : v.guest_card)[static_cast<std::size_t>(t)] = code;
    }
    const std::string& r = s.trick_result[static_cast<std::size_t>(t)];
    if (r == kEmpate) v.result[static_cast<std::size_t>(t)] = "E";
    if (r == kJogador) v.result[static_cast<std::size_t>(t)] = host ? "S" : "C";
    if (r == kMicro) v.result[static_cast<std::size_t>(t)] = host ? "C" : "S";
  }
  return v;
}

// Each side's own three cards, hand by hand, as that side holds them once dealt: what the other
// side's face-up cards must match. Kept per connection (Reset when a new one opens).
class DealBook {
 public:
  void Reset() { own_ = {}; }
  // A new connection that goes on with the interrupted hand: it is the first hand there, and
  // each side holds the cards it held in hand `hand` of the old connection (both sides count the
  // same deals; a side that never got that deal gets its cards anew).
  void Reconnect(int hand) {
    std::array<std::map<int, std::array<Card, 3>>, 2> next;
    for (std::size_t seat = 0; seat < 2; ++seat) {
      const auto it = own_[seat].find(hand);
      if (it != own_[seat].end()) next[seat][1] = it->second;
    }
    own_ = std::move(next);
  }
  void Note(NetSide& side) {
    const std::size_t seat = side.side == net::Side::Host ? net::kHostSeat : net::kGuestSeat;
    const int hand = side.hand.hands_dealt();
    const auto& cards = side.hand.table().cards[seat];
    if (hand == 0 || !cards[0] || !cards[1] || !cards[2]) return;
    own_[seat].try_emplace(hand, std::array<Card, 3>{*cards[0], *cards[1], *cards[2]});
  }
  [[nodiscard]] const std::array<Card, 3>* Of(std::size_t seat, int hand) const {
    const auto it = own_[seat].find(hand);
    return it == own_[seat].end() ? nullptr : &it->second;
  }

 private:
  std::array<std::map<int, std::array<Card, 3>>, 2> own_;
};

// What `side` shows of the cards is exactly what its seat may see: its own cards face up where
// they lie (backs in a blind hand, a hidden play face down), the other's cards as backs in hand,
// a played card face up with the face the other side really holds, a hidden one as a back, and
// nothing of an earlier hand.
inline void ExpectSeesOnly(NetSide& side, const DealBook& book) {
  // Until its start the window shows no networked table of this connection.
  if (!side.hand.started() || !side.game.Online()) return;
  const GameState& s = side.game.state();
  const net::HandState& t = side.hand.table();
  const std::size_t own = side.side == net::Side::Host ? net::kHostSeat : net::kGuestSeat;
  const std::size_t opp = 1 - own;
  const std::array<Card, 3>* theirs = book.Of(opp, side.hand.hands_dealt());
  auto trick_at = [](int top) {
    for (std::size_t k = 1; k <= 3; ++k) {
      if (kTrickTops[k] == top) return k;
    }
    return std::size_t{0};
  };
  const std::string who = side.side == net::Side::Host ? "host: " : "guest: ";
  for (std::size_t i = 0; i < 3; ++i) {
    const TableCard& mine = s.cards[kCartaJ1 + i];
    if (const std::size_t k = trick_at(mine.top); k != 0) {
      EXPECT_EQ(t.slot[own][k], static_cast<int>(i)) << who << "own card on a trick not played";
      EXPECT_EQ(mine.face_down, t.hidden[own][k]) << who << "own played card " << i;
    } else {
      EXPECT_EQ(mine.top, kPlayerHandTop) << who;
      if (!mine.face_down) {
        EXPECT_FALSE(t.eleven_dark) << who << "a blind hand shows a face";
      }
    }
    if (!mine.face_down) {
      ASSERT_TRUE(t.cards[own][i].has_value()) << who << "a face never dealt";
      EXPECT_EQ(mine.card, *t.cards[own][i]) << who << "own card " << i;
    }
    const TableCard& other = s.cards[kCartaM1 + i];
    if (const std::size_t k = trick_at(other.top); k != 0) {
      EXPECT_EQ(t.slot[opp][k], static_cast<int>(i)) << who << "the other's card on trick " << k;
      EXPECT_EQ(other.face_down, t.hidden[opp][k]) << who << "the other's played card " << i;
      if (!other.face_down) {
        ASSERT_NE(theirs, nullptr) << who << "a face shown before the other had its cards";
        EXPECT_EQ(other.card, (*theirs)[i]) << who << "the other's played card " << i;
      }
    } else {
      EXPECT_EQ(other.top, kComputerHandTop) << who;
      EXPECT_TRUE(other.face_down) << who << "the other's card " << i << " shown in hand";
    }
  }
  if (!s.cards[kCVira].face_down) {
    EXPECT_EQ(t.mode, ManilhaMode::Nova) << who << "a vira shown in manilha velha";
    ASSERT_TRUE(t.vira.has_value()) << who << "a vira shown before its deal";
    EXPECT_EQ(s.cards[kCVira].card, *t.vira) << who;
  }
}

// Host HOSTE and guest ANA. Lines wait in order until Pump delivers them one by one; `check`
// runs whenever no line is in flight.
struct Duo {
  NetSide host{net::Side::Host, "HOSTE"};
  NetSide guest{net::Side::Guest, "ANA"};
  std::deque<std::string> to_host;
  std::deque<std::string> to_guest;
  bool up = true;
  int delivered = 0;
  std::vector<std::string> wire;  // every line sent, in order, with its direction
  std::function<void()> check;
  // Runs after every single message delivered, with the side that took it.
  std::function<void(NetSide&)> each;

  explicit Duo(GameSettings settings = {kBaralhoSujo, ManilhaMode::Nova, 0}) {
    host.out.send = [this](const net::Message& m) { return Queue(to_guest, m); };
    guest.out.send = [this](const net::Message& m) { return Queue(to_host, m); };
    host.hand.Prepare(net::Side::Host, host.name);
    guest.hand.Prepare(net::Side::Guest, guest.name);
    host.s().settings = settings;
    guest.s().settings = {kBaralhoLimpo, ManilhaMode::Velha, 0};  // the host's rule, not these
  }
  bool Queue(std::deque<std::string>& inbox, const net::Message& m) {
    if (!up) return false;
    inbox.push_back(net::Encode(m));
    wire.push_back((&inbox == &to_guest ? "host  -> guest  " : "guest -> host   ") + inbox.back());
    return true;
  }
  void Pump() {
    while (!to_host.empty() || !to_guest.empty()) {
      Deliver(to_host, host);
      Deliver(to_guest, guest);
    }
    if (check) check();
  }
  void Deliver(std::deque<std::string>& inbox, NetSide& side) {
    if (inbox.empty()) return;
    const std::string line = inbox.front();
    inbox.pop_front();
    ++delivered;
    if (auto m = net::Decode(line, side.side)) side.hand.Receive(*m);
    if (each) each(side);
  }
  // Names (the host's first, as the connection sends it), then both starts.
  void Open(bool host_leads) {
    host.s().hand_counter = host_leads ? 2 : 1;  // the deal raises it
    host.out.Send(net::Name{host.name});
    Pump();
    host.game.BInicioClick();
    Pump();
    guest.game.BInicioClick();
    Pump();
  }
  void Inject(NetSide& to, const std::string& line) {
    (&to == &host ? to_host : to_guest).push_back(line);
    Pump();
  }
  NetSide& SideOf(char letter) { return letter == 'S' ? host : guest; }
  void ExpectAgree() {
    EXPECT_EQ(ViewOf(host), ViewOf(guest));
    EXPECT_EQ(host.hand.points(net::Side::Host), guest.hand.points(net::Side::Host));
    EXPECT_EQ(host.hand.points(net::Side::Guest), guest.hand.points(net::Side::Guest));
    EXPECT_EQ(host.hand.stake(), guest.hand.stake());
    // The run's tally of games, across cuts and resumes, as each window shows it.
    EXPECT_EQ(host.game.state().games_player, guest.game.state().games_computer);
    EXPECT_EQ(host.game.state().games_computer, guest.game.state().games_player);
  }
};

}  // namespace truco::testing
