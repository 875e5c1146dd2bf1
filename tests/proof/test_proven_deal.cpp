// One side's session of the proven deal: random hands of two to four parties through sessions
// that exchange only encoded lines. Honest hands deal every party the cards the secrets say,
// agree on every announced card and never send a secret or an opening of a side's own cards;
// a cheat injected at a random line of a random party is caught at that very line with its
// fault while the honest side keeps its state; a session saved and restored at any point goes on
// to the same cards, and a new connection's replay skips what was taken and refuses what changed.

#include <gtest/gtest.h>
#include <sodium.h>

#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "net/fair/proven_deal.h"
#include "tests/proof/seeded_sodium.h"
#include "tests/test_seed.h"

namespace truco::net {
namespace {

using proof::DealMessage;
using proof::MessageKind;
using proof::Point;

const bool g_seeded = [] {
  proof::SeedSodium(testing::TestSeed("libsodium's randomness"));
  return true;
}();

std::string Field(std::span<const std::uint8_t> bytes) {
  std::array<char, 45> text{};
  sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(),
                    sodium_base64_VARIANT_URLSAFE_NO_PADDING);
  return std::string(text.data(), proof::kFieldChars);
}

ProvenHand RandomHand(std::size_t parties, std::mt19937_64& rng) {
  ProvenHand hand;
  hand.deck_type = rng() % 2 == 0 ? kBaralhoSujo : kBaralhoLimpo;
  hand.vira_turned = rng() % 3 != 0;
  hand.number = rng() % 50 + 1;
  for (std::size_t p = 0; p < parties; ++p) {
    // Now and then a name as long as a line may carry.
    const std::size_t repeat = rng() % 6 == 0 ? 1 + rng() % 800 : 1;
    std::string name;
    for (std::size_t i = 0; i < repeat; ++i) name += "Jo\u00e3o";
    hand.names.push_back(name + std::to_string(rng() % 9));
  }
  return hand;
}

// A cheat: replaces one message of a batch of a party's lines; says which lines now carry it
// and the fault each receiver must find at the last of them.
struct Cheat {
  std::size_t first = 0;
  std::size_t last = 0;
  std::function<DealFault(const ProvenDeal& receiver)> fault;
};
using Tamper = std::function<std::optional<Cheat>(std::size_t from, std::vector<std::string>&)>;

// Every party's session; each line goes to every other party in the order sent.
struct Table {
  std::vector<ProvenDeal> sides;
  struct Flight {
    std::size_t from;
    std::vector<std::string> lines;
    std::optional<Cheat> cheat;
  };
  std::deque<Flight> queue;
  std::vector<std::set<int>> played;  // per party: the slots it played before
  bool injected = false;
  std::vector<std::vector<std::string>> sent;
  Tamper tamper;
  bool caught = false;  // a cheat was injected and every receiver found it
  // Crashes: each side's state as last saved before it sent anything (what a program that saves
  // before sending has on disk at worst), and the randomness that decides when one crashes.
  std::vector<std::vector<std::uint8_t>> safe;
  std::mt19937_64* crash = nullptr;
  int crashes = 0;

  explicit Table(const ProvenHand& hand)
      : played(hand.names.size()), sent(hand.names.size()), safe(hand.names.size()) {
    for (std::size_t p = 0; p < hand.names.size(); ++p) sides.emplace_back(hand.names.size(), p);
    for (std::size_t p = 0; p < hand.names.size(); ++p) {
      Out(p, sides[p].NewHand(hand));
      safe[p] = sides[p].Saved();
    }
  }

  // Side `c` stops and starts again from its file (the newest, or for two parties the one it
  // saved when it last sent); the links drop whatever was in flight; every side sends its lines
  // again and takes the ones it lacks.
  void Crash() {
    const std::size_t c = (*crash)() % sides.size();
    const bool older = sides.size() == 2 && (*crash)() % 2 == 0;
    const auto bytes = older ? safe[c] : sides[c].Saved();
    auto restored = ProvenDeal::Restore(bytes);
    ASSERT_TRUE(restored) << "a saved hand is restored";
    EXPECT_EQ(restored->Saved(), bytes);
    for (int slot = 1; slot <= 3; ++slot) {
      if (restored->OwnCard(slot)) {
        EXPECT_EQ(restored->OwnCard(slot), sides[c].OwnCard(slot));
      }
    }
    if (!older) {
      EXPECT_EQ(restored->HandOpen(), sides[c].HandOpen());
    }
    sides[c] = std::move(*restored);
    ++crashes;
    queue.clear();
    std::vector<std::vector<std::string>> again;
    for (ProvenDeal& side : sides) again.push_back(side.Resume());
    for (std::size_t q = 0; q < sides.size(); ++q) {
      for (const std::string& line : again[q]) {
        for (std::size_t p = 0; p < sides.size(); ++p) {
          if (p == q) continue;
          ProvenStep step = sides[p].Take(line, q);
          ASSERT_EQ(step.fault, DealFault::None) << line;
          Out(p, std::move(step.send));
        }
      }
    }
  }

  void Out(std::size_t from, std::vector<std::string> lines) {
    if (lines.empty()) return;
    if (!safe.empty()) safe[from] = sides[from].Saved();
    std::optional<Cheat> cheat;
    if (tamper && !injected) cheat = tamper(from, lines);
    injected = injected || cheat.has_value();
    if (!cheat) {
      for (const std::string& line : lines) sent[from].push_back(line);
    }
    queue.push_back({from, std::move(lines), std::move(cheat)});
  }

  // The cheating lines go to every receiver at once, each checked where it must fail.
  void Deliver(std::size_t from, const std::vector<std::string>& lines, const Cheat& cheat) {
    caught = true;
    for (std::size_t p = 0; p < sides.size(); ++p) {
      if (p == from) continue;
      ProvenDeal& r = sides[p];
      std::vector<std::uint8_t> before;
      for (std::size_t i = 0; i <= cheat.last; ++i) {
        if (i == cheat.first) before = r.Saved();
        const DealFault expected = i == cheat.last ? cheat.fault(r) : DealFault::None;
        const ProvenStep step = r.Take(lines[i], from);
        ASSERT_EQ(step.fault, expected) << "party " << p << " line " << i << ": " << lines[i];
        if (i < cheat.first) {
          ASSERT_TRUE(step.send.empty());  // the honest lines before the cheat answer nothing yet
        }
      }
      EXPECT_EQ(r.Saved(), before) << "the honest side's state moved";
      EXPECT_EQ(r.Take(lines[0], from).fault, r.fault()) << "a void session takes nothing";
    }
    queue.clear();
  }

  // Delivers everything queued; false once a cheat was caught.
  bool Run() {
    while (!queue.empty() && !caught) {
      if (crash && (*crash)() % 8 == 0) {
        Crash();
        continue;
      }
      Flight batch = std::move(queue.front());
      queue.pop_front();
      if (batch.cheat) {
        Deliver(batch.from, batch.lines, *batch.cheat);
        break;
      }
      for (const std::string& line : batch.lines) {
        for (std::size_t p = 0; p < sides.size(); ++p) {
          if (p == batch.from) continue;
          ProvenStep step = sides[p].Take(line, batch.from);
          EXPECT_EQ(step.fault, DealFault::None) << "party " << p << ": " << line;
          if (step.fault != DealFault::None) return false;
          Out(p, std::move(step.send));
        }
        // Two parties may also crash between the parts of a shuffle.
        if (crash && sides.size() == 2 && (*crash)() % 4 == 0) {
          Crash();
          break;
        }
      }
    }
    return !caught;
  }

  // Party `p` plays `slot` (face up, or face down into `trick`); every other party sees it.
  bool Play(std::size_t p, int slot, bool face_up, int trick) {
    if (crash && (*crash)() % 3 == 0) {
      Crash();
      if (!Run()) return false;
    }
    const auto line = face_up ? sides[p].Announce(slot) : sides[p].FaceDown(slot, trick);
    EXPECT_TRUE(line.has_value());
    if (!line) return false;
    std::vector<std::string> lines{*line};
    std::optional<Cheat> cheat;
    if (tamper && !injected) cheat = tamper(p, lines);
    played[p].insert(slot);
    if (cheat) {
      Deliver(p, lines, *cheat);
      return false;
    }
    sent[p].push_back(*line);
    safe[p] = sides[p].Saved();
    for (std::size_t q = 0; q < sides.size(); ++q) {
      if (q == p) continue;
      const ProvenStep step = sides[q].Take(*line, p);
      EXPECT_EQ(step.fault, DealFault::None) << *line;
      if (!step.play) return false;
      const ProvenPlay want{p, slot, face_up ? sides[p].OwnCard(slot) : std::nullopt,
                            face_up ? 0 : trick};
      EXPECT_EQ(*step.play, want);
    }
    return true;
  }
};

// The card at `position` as the secrets of every party make it (what no single party knows).
std::optional<std::size_t> TrueCard(const Table& t, std::size_t position) {
  const auto& view = t.sides[0].party()->view();
  Point p = view.last_list()[position];
  for (const ProvenDeal& side : t.sides) p = proof::Mul(side.party()->inverse(), p);
  const auto& deck = view.deck();
  const auto at = std::find(deck.begin(), deck.end(), p);
  if (at == deck.end()) return std::nullopt;
  return static_cast<std::size_t>(at - deck.begin());
}

std::optional<Card> CardOfIndex(const ProvenHand& hand, std::size_t index) {
  return DealDeck(hand.deck_type).at(index);
}

// Deals, then plays every party's three cards in random order and faces: the whole hand.
void PlayHand(Table& t, const ProvenHand& hand, std::mt19937_64& rng) {
  if (!t.Run()) return;
  const std::size_t parties = hand.names.size();
  for (std::size_t p = 0; p < parties; ++p) {
    ASSERT_TRUE(t.sides[p].Dealt());
    ASSERT_TRUE(t.sides[p].HandOpen());
    for (int slot = 1; slot <= 3; ++slot) {
      const auto truth = TrueCard(t, proof::SlotPosition(p, static_cast<std::size_t>(slot - 1)));
      ASSERT_TRUE(truth);
      EXPECT_EQ(t.sides[p].OwnCard(slot), CardOfIndex(hand, *truth));
    }
    if (hand.vira_turned) {
      EXPECT_EQ(t.sides[p].Vira(), CardOfIndex(hand, *TrueCard(t, proof::ViraPosition(parties))));
    } else {
      EXPECT_FALSE(t.sides[p].Vira());
    }
  }
  std::vector<std::vector<int>> left(parties, {1, 2, 3});
  for (int trick = 1; trick <= 3; ++trick) {
    for (std::size_t i = 0; i < parties; ++i) {
      const std::size_t p = (i + static_cast<std::size_t>(trick)) % parties;
      const std::size_t pick = rng() % left[p].size();
      const int slot = left[p][pick];
      left[p].erase(left[p].begin() + static_cast<std::ptrdiff_t>(pick));
      const bool face_up = trick == 1 || rng() % 3 != 0;
      if (!t.Play(p, slot, face_up, trick)) return;
      EXPECT_FALSE(t.sides[p].Announce(slot)) << "a slot is played once";
    }
  }
}

// What each party sends never holds its secret, its inverse, or the point of a card of its own
// (its own positions with its layer off), nor the point of a card played face down.
void CheckNothingLeaks(const Table& t, const ProvenHand& hand) {
  const std::size_t parties = hand.names.size();
  const auto& deck = t.sides[0].party()->view().deck();
  for (std::size_t p = 0; p < parties; ++p) {
    std::set<std::string> secret{Field(t.sides[p].party()->secret().bytes),
                                 Field(t.sides[p].party()->inverse().bytes)};
    const auto& final_list = t.sides[p].party()->view().last_list();
    for (std::size_t s = 0; s < 3; ++s) {
      const std::size_t position = proof::SlotPosition(p, s);
      secret.insert(Field(deck[*TrueCard(t, position)].bytes));
      // Its own layer off its own position, the others' still on: an opening nobody may see
      // (but for the last to shuffle: that point is in the list before its own, which of them
      // hidden by its shuffle).
      if (p + 1 < parties) {
        secret.insert(Field(proof::Mul(t.sides[p].party()->inverse(), final_list[position]).bytes));
      }
    }
    for (std::size_t q = 0; q < parties; ++q) {
      for (const std::string& line : t.sent[q]) {
        for (const std::string& field : secret) {
          EXPECT_EQ(line.find(field), std::string::npos) << "party " << q << " sent " << line;
        }
      }
    }
  }
}

// The messages of a batch of lines, with the lines each came in.
struct Batch {
  std::vector<DealMessage> messages;
  std::vector<std::pair<std::size_t, std::size_t>> lines;
};
Batch Decode(const ProvenDeal& side, const std::vector<std::string>& lines) {
  Batch b;
  proof::DealWireReader reader({side.parties(), DealDeck(side.hand().deck_type).size()});
  std::size_t first = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const proof::WireItem item = reader.Feed(lines[i]);
    if (const auto* m = std::get_if<DealMessage>(&item)) {
      b.messages.push_back(*m);
      b.lines.emplace_back(first, i);
      first = i + 1;
    } else if (!std::holds_alternative<proof::Pending>(item)) {
      first = i + 1;  // a face-down play: no message
    }
  }
  return b;
}

TEST(ProvenDeal, HonestHandsDealWhatTheSecretsSayAndLeakNothing) {
  std::mt19937_64 rng(testing::TestSeed("honest hands"));
  for (int round = 0; round < 12; ++round) {
    const ProvenHand hand = RandomHand(2 + static_cast<std::size_t>(round) % 3, rng);
    Table t(hand);
    PlayHand(t, hand, rng);
    CheckNothingLeaks(t, hand);
    // Every session took the same lines in the same order, and a third party holding only them
    // and the hand's start checks the whole hand.
    for (const ProvenDeal& side : t.sides) EXPECT_EQ(side.log(), t.sides[0].log());
    std::vector<std::string> lines;
    for (const auto& e : t.sides[0].log()) lines.push_back(e.line);
    const std::size_t n = DealDeck(hand.deck_type).size();
    EXPECT_TRUE(proof::ReplayDeal(proof::WireDeck(n), hand.names.size(),
                                  proof::HandTranscript({hand.names, hand.number}),
                                  Decode(t.sides[0], lines).messages));
  }
}

// Re-encodes `lines` with message `k` replaced; the cheat's lines.
Cheat Replace(const ProvenDeal& side, std::vector<std::string>& lines, const Batch& b,
              std::size_t k, const DealMessage& forged,
              std::function<DealFault(const ProvenDeal&)> f) {
  const auto shape = proof::HandShape{side.parties(), DealDeck(side.hand().deck_type).size()};
  std::vector<std::string> out(lines.begin(),
                               lines.begin() + static_cast<std::ptrdiff_t>(b.lines[k].first));
  const std::size_t first = out.size();
  for (std::string& l : proof::EncodeDeal(forged, shape)) out.push_back(std::move(l));
  const std::size_t last = out.size() - 1;
  out.insert(out.end(), lines.begin() + static_cast<std::ptrdiff_t>(b.lines[k].second + 1),
             lines.end());
  lines = std::move(out);
  return Cheat{first, last, std::move(f)};
}

DealFault Always(DealFault f, const ProvenDeal&) {
  return f;
}

// An announcement of a card the receiver sees (its own, the vira, one shown) is false at once;
// of any other card it fails its proof.
DealFault AnnounceFault(const ProvenDeal& r, std::optional<Card> card) {
  bool sees = r.Vira() == card;
  for (int slot = 1; slot <= 3; ++slot) sees = sees || r.OwnCard(slot) == card;
  for (std::size_t q = 0; q < r.parties(); ++q) {
    for (std::size_t s = 0; s < 3; ++s) {
      const auto a = r.party()->view().Announced(proof::SlotPosition(q, s));
      sees = sees || (a && CardOfIndex(r.hand(), *a) == card);
    }
  }
  return sees ? DealFault::FalseAnnounce : DealFault::AnnouncedNotHeld;
}

enum class CheatKind {
  ChangedPoint,
  SwappedPoints,
  FreshPoint,
  DuplicatePoint,
  ForgedOpening,
  OtherCard,
  OutOfTurnKey,
  SwappedOpenings,
  OtherHand,
  HiddenTwice,
  Garbled,
  Count
};

TEST(ProvenDeal, CheatsAreCaughtAtTheirLine) {
  std::mt19937_64 rng(testing::TestSeed("cheats"));
  std::map<int, int> seen;
  for (int round = 0; round < 33; ++round) {
    const auto kind = static_cast<CheatKind>(round % static_cast<int>(CheatKind::Count));
    const ProvenHand hand = RandomHand(2 + rng() % 3, rng);
    const std::size_t cheater = rng() % hand.names.size();
    // For a replay: the same cheater's messages in another hand between the same names.
    std::vector<DealMessage> other;
    if (kind == CheatKind::OtherHand) {
      ProvenHand next = hand;
      ++next.number;
      Table o(next);
      PlayHand(o, next, rng);
      const ProvenDeal& s = o.sides[cheater];
      Batch all = Decode(s, std::vector<std::string>(o.sent[cheater]));
      other = all.messages;
    }
    // A shuffle and a party's openings go out once a hand: those cheats come at the first chance.
    int countdown = kind == CheatKind::OtherCard || kind == CheatKind::OutOfTurnKey
                        ? static_cast<int>(rng() % 2)
                        : 0;
    Table t(hand);
    t.tamper = [&](std::size_t from, std::vector<std::string>& lines) -> std::optional<Cheat> {
      if (from != cheater) return std::nullopt;
      const ProvenDeal& s = t.sides[from];
      if (kind == CheatKind::Garbled) {
        // A line cut short: out of form, a protocol error rather than a cheat.
        lines[0].pop_back();
        return Cheat{0, 0, std::bind_front(Always, DealFault::BadLine)};
      }
      if (kind == CheatKind::HiddenTwice) {
        // A card played already, played again face down.
        if (t.played[from].empty() || lines.size() != 1 || !s.Dealt()) return std::nullopt;
        const int slot = *t.played[from].begin();
        lines = {proof::EncodeFaceDown({from, static_cast<std::size_t>(slot - 1), 3})};
        return Cheat{0, 0, std::bind_front(Always, DealFault::HiddenNotHeld)};
      }
      const Batch b = Decode(s, lines);
      std::vector<std::size_t> fits;
      for (std::size_t k = 0; k < b.messages.size(); ++k) {
        const MessageKind mk = b.messages[k].kind;
        const bool fit =
            ((kind <= CheatKind::DuplicatePoint) && mk == MessageKind::Shuffle) ||
            ((kind == CheatKind::ForgedOpening || kind == CheatKind::SwappedOpenings) &&
             mk == MessageKind::Opening) ||
            (kind == CheatKind::OtherCard && mk == MessageKind::Announce) ||
            (kind == CheatKind::OutOfTurnKey && mk != MessageKind::Key) ||
            (kind == CheatKind::OtherHand && mk != MessageKind::Key);
        if (fit && !(kind == CheatKind::SwappedOpenings && k + 1 >= b.messages.size()))
          fits.push_back(k);
      }
      if (fits.empty() || countdown-- > 0) return std::nullopt;
      const std::size_t k = fits[rng() % fits.size()];
      DealMessage m = b.messages[k];
      // Two different entries of a shuffle's list (an opening's one point: i alone; none in an
      // announcement).
      const std::size_t n = m.points.size();
      const std::size_t i = n > 0 ? rng() % n : 0;
      const std::size_t j = n > 1 ? (i + 1 + rng() % (n - 1)) % n : i;
      std::function<DealFault(const ProvenDeal&)> fault =
          std::bind_front(Always, DealFault::ListNotDeck);
      switch (kind) {
        case CheatKind::ChangedPoint:
          m.points[i] = proof::Add(m.points[i], proof::BasePoint());
          break;
        case CheatKind::SwappedPoints:
          std::swap(m.points[i], m.points[j]);
          break;
        case CheatKind::FreshPoint:
          m.points[i] = proof::MulBase(proof::RandomScalar());
          break;
        case CheatKind::DuplicatePoint:
          m.points[i] = m.points[j];
          fault = std::bind_front(Always, DealFault::RepeatedPoint);
          break;
        case CheatKind::ForgedOpening:
          m.points[0] = proof::MulBase(proof::RandomScalar());
          fault = std::bind_front(Always, DealFault::ForgedOpening);
          break;
        case CheatKind::OtherCard: {
          // Another card: one the receiver sees is a false announcement at once; any other
          // fails its proof.
          const std::vector<Card> deck = DealDeck(hand.deck_type);
          m.card = (m.card + 1 + rng() % (deck.size() - 1)) % deck.size();
          // Half the time a card another party holds: that party sees the lie at once.
          const std::size_t victim =
              (from + 1 + rng() % (hand.names.size() - 1)) % hand.names.size();
          if (rng() % 2 == 0) {
            const auto held = t.sides[victim].OwnCard(static_cast<int>(1 + rng() % 3));
            m.card =
                static_cast<std::size_t>(std::find(deck.begin(), deck.end(), *held) - deck.begin());
          }
          const auto card = CardOfIndex(hand, m.card);
          fault = [card](const ProvenDeal& r) { return AnnounceFault(r, card); };
          break;
        }
        case CheatKind::OutOfTurnKey:
          m = DealMessage{
              MessageKind::Key, from, 0, 0, {proof::MulBase(proof::RandomScalar())}, {}};
          fault = std::bind_front(Always, DealFault::OutOfTurn);
          break;
        case CheatKind::SwappedOpenings: {
          // The next opening first: the right proof, at the wrong time.
          const Cheat c = Replace(s, lines, b, k, b.messages[k + 1],
                                  std::bind_front(Always, DealFault::OutOfTurn));
          return c;
        }
        case CheatKind::OtherHand: {
          const auto same = std::find_if(other.begin(), other.end(), [&](const DealMessage& o) {
            return o.kind == m.kind && o.position == m.position;
          });
          if (same == other.end()) return std::nullopt;
          m = *same;
          const auto card = CardOfIndex(hand, m.card);
          const MessageKind mk = m.kind;
          fault = [mk, card](const ProvenDeal& r) {
            if (mk == MessageKind::Shuffle) return DealFault::ListNotDeck;
            if (mk == MessageKind::Opening) return DealFault::ForgedOpening;
            return AnnounceFault(r, card);
          };
          break;
        }
        case CheatKind::HiddenTwice:
        case CheatKind::Garbled:
        case CheatKind::Count:
          break;
      }
      return Replace(s, lines, b, k, m, fault);
    };
    PlayHand(t, hand, rng);
    if (t.caught) ++seen[static_cast<int>(kind)];
    if (::testing::Test::HasFatalFailure()) return;
  }
  // Every kind of cheat was tried and caught at least once.
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(CheatKind::Count));
}

// The greeting's "H4" travels as any version does and both sides play the lower version; deal
// lines are told from the game's by their letter; faults keep their numbers in "S" (version 3's
// first) and name the cheater in the player's words.
TEST(ProvenDeal, GreetingLinesAndFaultsAsTheyTravel) {
  EXPECT_EQ(Decode("H4", Side::Host), Message{Hello{kProvenDealVersion}});
  EXPECT_EQ(Encode(Hello{kProvenDealVersion}), "H4");
  EXPECT_EQ(AgreedVersion(kJointDealVersion, kProvenDealVersion), kJointDealVersion);
  EXPECT_EQ(AgreedVersion(9, kProvenDealVersion), kProvenDealVersion);
  for (const char* line : {"k1,x", "l2,1", "q1,4", "y2,5", "e1,2,2"})
    EXPECT_TRUE(IsProvenDealLine(line));
  for (const char* line : {"", "H4", "J11", "L", "Q7", "Y", "X", "E12", "S9"}) {
    EXPECT_FALSE(IsProvenDealLine(line));
  }
  EXPECT_EQ(static_cast<int>(DealFault::NoReveal), 13);
  EXPECT_EQ(static_cast<int>(DealFault::ChangedLine), 16);
  for (int n = 1; n <= kLastDealFault + 1; ++n) {
    const auto fault = static_cast<DealFault>(n);
    EXPECT_EQ(CheatOfNumber(n).has_value(), n <= kLastDealFault && !IsProtocolError(fault)) << n;
    if (n > kLastDealFault) break;
    EXPECT_EQ(ProvenFaultText(fault, 0, 2).rfind("O anfitrião ", 0), 0U) << n;
    EXPECT_EQ(ProvenFaultText(fault, 1, 2).rfind("O convidado ", 0), 0U) << n;
    EXPECT_EQ(ProvenFaultText(fault, 2, 4).rfind("O jogador 3 ", 0), 0U) << n;
  }
  EXPECT_TRUE(IsProtocolError(DealFault::BadLine));
}

// The protocol document's bytes of a hand's transcript start are the ones the deal hashes: its
// hex runs and quoted texts, read from the document, against the items the code appends.
TEST(ProvenDeal, TheDocumentedTranscriptStartIsTheOneHashed) {
  std::ifstream file(TRUCO_DOCS_DIR "/protocol.md");
  std::stringstream text;
  text << file.rdbuf();
  const std::string doc = text.str();
  const std::size_t at = doc.find("the transcript starts with these");
  ASSERT_NE(at, std::string::npos);
  const std::size_t open = doc.find("```\n", at) + 4;
  const std::string block = doc.substr(open, doc.find("```", open) - open);
  proof::Bytes documented;
  std::istringstream lines(block);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      if (word.front() == '"') {
        documented.insert(documented.end(), word.begin() + 1, word.end() - 1);
        continue;
      }
      if (word.size() % 2 != 0 || word.find_first_not_of("0123456789abcdef") != std::string::npos) {
        break;  // the note after the bytes
      }
      for (std::size_t i = 0; i + 1 < word.size(); i += 2) {
        documented.push_back(static_cast<std::uint8_t>(std::stoi(word.substr(i, 2), nullptr, 16)));
      }
    }
  }
  proof::Bytes hashed = proof::DomainBytes(proof::kProvenDealDomain);
  const auto items = proof::ItemBytes(proof::HandItems({{"HOSTE", "ANA"}, 1}));
  hashed.insert(hashed.end(), items.begin(), items.end());
  EXPECT_EQ(documented, hashed);
}

TEST(ProvenDeal, ASavedHandGoesOnWithTheSameDeal) {
  std::mt19937_64 rng(testing::TestSeed("crashes"));
  int crashes = 0;
  std::vector<std::optional<DealBytes>> hand_ids;
  for (int round = 0; round < 12; ++round) {
    const ProvenHand hand = RandomHand(round < 8 ? 2 : 3 + rng() % 2, rng);
    Table t(hand);
    t.crash = &rng;
    PlayHand(t, hand, rng);
    if (::testing::Test::HasFatalFailure()) return;
    crashes += t.crashes;
    // Every side took every line once, in the same order, whatever it lost and took again, and
    // names the hand alike; another hand has another name.
    for (const ProvenDeal& side : t.sides) {
      EXPECT_EQ(side.log(), t.sides[0].log());
      EXPECT_EQ(side.HandId(), t.sides[0].HandId());
    }
    ASSERT_TRUE(t.sides[0].HandId());
    EXPECT_NE(t.sides[0].HandId(), hand_ids.empty() ? std::nullopt : hand_ids.back());
    hand_ids.push_back(t.sides[0].HandId());
    // A damaged file is refused: any byte changed, cut short, or one byte more.
    const std::size_t p = rng() % hand.names.size();
    const auto bytes = t.sides[p].Saved();
    for (int i = 0; i < 20; ++i) {
      auto damaged = bytes;
      damaged[rng() % damaged.size()] ^= static_cast<std::uint8_t>(1 + rng() % 255);
      EXPECT_FALSE(ProvenDeal::Restore(damaged));
      EXPECT_FALSE(ProvenDeal::Restore(std::span(bytes).first(rng() % bytes.size())));
    }
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(ProvenDeal::Restore(longer));
    // As text, for the game's resume file: the same state, and a character changed is refused.
    std::string text = t.sides[p].SavedText();
    ASSERT_TRUE(ProvenDeal::RestoreText(text));
    EXPECT_EQ(ProvenDeal::RestoreText(text)->Saved(), bytes);
    text[rng() % text.size()] ^= 0x20;
    EXPECT_FALSE(ProvenDeal::RestoreText(text));
    EXPECT_FALSE(ProvenDeal::RestoreText(text + "A"));
    // Sent again after a new connection, a line that differs from the one taken is a cheat.
    const std::size_t q = (p + 1) % hand.names.size();
    t.sides[p].Resume();
    auto lines = t.sides[q].Resume();
    const std::size_t k = rng() % lines.size();
    for (std::size_t i = 0; i < k; ++i)
      ASSERT_EQ(t.sides[p].Take(lines[i], q).fault, DealFault::None);
    lines[k] = lines[(k + 1) % lines.size()];
    EXPECT_EQ(t.sides[p].Take(lines[k], q).fault, DealFault::ChangedLine);
  }
  EXPECT_GT(crashes, 12);
}

}  // namespace
}  // namespace truco::net
