// The joint deal of protocol version 3: its messages' codec, random hands in which both sides
// agree and every check passes, the uniformity of a deal that only one side shuffles, and a
// cheating side of every kind caught by the honest one with the right reason.

#include <gtest/gtest.h>
#include <sodium.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "tests/net/joint_table.h"

namespace truco::net {
namespace {

using testing::JointOutcome;
using testing::JointTable;
using testing::TestSeed;

// Scalar multiplications cost the same with or without the sanitizers (libsodium is not
// instrumented), but everything around them does not: the sanitizer build plays fewer hands.
#if defined(TRUCO_SANITIZED)
constexpr int kRandomHands = 120;
constexpr int kCheatSeeds = 3;
#else
constexpr int kRandomHands = 300;
constexpr int kCheatSeeds = 8;
#endif
// The uniformity checks spend their time in libsodium alone: under the sanitizers the soak deals
// a tenth of its count.
#if defined(TRUCO_JOINT_SOAK) && defined(TRUCO_SANITIZED)
constexpr int kDistributionDeals = 2000;
#elif defined(TRUCO_JOINT_SOAK)
constexpr int kDistributionDeals = 20000;
#elif defined(TRUCO_SANITIZED)
constexpr int kDistributionDeals = 400;
#else
constexpr int kDistributionDeals = 600;
#endif

DealBytes Random32(std::mt19937_64& rng) {
  DealBytes b{};
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

DealBytes Times(const DealBytes& scalar, const DealBytes& point) {
  DealBytes out{};
  EXPECT_EQ(crypto_scalarmult_ristretto255(out.data(), scalar.data(), point.data()), 0);
  return out;
}

DealBytes Inverse(const DealBytes& scalar) {
  DealBytes out{};
  EXPECT_EQ(crypto_core_ristretto255_scalar_invert(out.data(), scalar.data()), 0);
  return out;
}

TEST(JointDealCodec, EveryMessageRoundTripsForBothReaders) {
  std::mt19937_64 rng(TestSeed("codec"));
  const std::vector<Card> deck = DealDeck(kBaralhoSujo);
  for (int round = 0; round < 3000; ++round) {
    DealList list{Random32(rng), {}};
    list.points.resize(1 + rng() % kMaxDealPoints);
    for (auto& p : list.points) p = Random32(rng);
    const Card card = deck[rng() % deck.size()];
    const int position = 1 + static_cast<int>(rng() % kDealPositions);
    const std::vector<Message> messages = {list,
                                           Unlock{position, Random32(rng)},
                                           Announce{position, card},
                                           RevealKey{Random32(rng), std::nullopt},
                                           RevealKey{Random32(rng), Random32(rng)},
                                           Hello{kJointDealVersion},
                                           CheatFound{1 + static_cast<int>(rng() % 99)}};
    for (const Message& m : messages) {
      const std::string line = Encode(m);
      ASSERT_LE(line.size(), kMaxLineBytes);
      EXPECT_EQ(Decode(line, Side::Host), m) << line;
      EXPECT_EQ(Decode(line, Side::Guest), m) << line;
      // Any byte cut off or added breaks the fixed-width fields.
      if (std::holds_alternative<Announce>(m) || std::holds_alternative<Hello>(m) ||
          std::holds_alternative<CheatFound>(m)) {
        continue;
      }
      EXPECT_FALSE(Decode(line.substr(0, line.size() - 1), Side::Guest)) << line;
      EXPECT_FALSE(Decode(line + "A", Side::Host)) << line;
    }
  }
  // The longest line: a 40-card list.
  DealList full{DealBytes{}, std::vector<DealBytes>(kMaxDealPoints)};
  EXPECT_EQ(Encode(full).size(), 1804U);
  full.points.emplace_back();
  EXPECT_FALSE(Decode(Encode(full), Side::Guest));
}

TEST(JointDealCodec, ThirtyTwoBytesHaveExactlyOneText) {
  DealBytes bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 37 + 5);
  const std::string text = DealText(bytes);
  ASSERT_EQ(text.size(), kDealTextChars);
  EXPECT_EQ(
      text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
      std::string::npos);
  EXPECT_EQ(DealFromText(text), bytes);
  EXPECT_EQ(DealText(DealBytes{}), std::string(kDealTextChars, 'A'));
  // The last character holds 2 bits of padding: set ones are another text of the same bytes.
  std::string loose = DealText(DealBytes{});
  loose.back() = 'B';
  EXPECT_FALSE(DealFromText(loose));
  EXPECT_FALSE(DealFromText(text + "="));
  std::string plus = text;
  plus[3] = '+';  // the standard alphabet's character, not base64url's
  EXPECT_FALSE(DealFromText(plus));
}

TEST(JointDealCodec, CardsAreFixedDistinctPoints) {
  std::set<DealBytes> points;
  for (char deck : {kBaralhoSujo, kBaralhoLimpo}) {
    for (const Card& c : DealDeck(deck)) {
      const DealBytes p = CardPoint(c);
      EXPECT_EQ(crypto_core_ristretto255_is_valid_point(p.data()), 1);
      points.insert(p);
    }
  }
  EXPECT_EQ(DealDeck(kBaralhoSujo).size(), 40U);
  EXPECT_EQ(DealDeck(kBaralhoLimpo).size(), 24U);
  EXPECT_EQ(points.size(), 40U);  // the 24-card deck is part of the 40-card one
  // The label and the card's id alone make the point (documented in docs/protocol.md).
  std::string id = std::string(kCardLabel) + "1-1";
  std::array<std::uint8_t, 64> hash{};
  crypto_generichash(hash.data(), hash.size(), reinterpret_cast<const unsigned char*>(id.data()),
                     id.size(), nullptr, 0);
  DealBytes expected{};
  crypto_core_ristretto255_from_hash(expected.data(), hash.data());
  EXPECT_EQ(CardPoint(Card{kAce, Suit::Clubs}), expected);
}

// Random games of random hands: each side plays its three cards in a random order, some face
// down, and some hands are dropped part-way (a restart, a three-tie re-deal). Whatever happens,
// no check fails, both sides hold seven different cards of the deck between them, and once the
// secrets are revealed both see the same card at every position.
TEST(JointDeal, RandomHandsAgreeAndEveryCheckPasses) {
  const std::uint64_t seed = TestSeed("random hands");
  std::mt19937_64 rng(seed);
  int hands = 0;
  while (hands < kRandomHands) {
    JointTable table(rng());
    const int game_hands = 1 + static_cast<int>(rng() % 12);
    for (int h = 0; h < game_hands && hands < kRandomHands; ++h, ++hands) {
      const char deck = rng() % 2 ? kBaralhoSujo : kBaralhoLimpo;
      const bool vira = rng() % 4 != 0;
      JointOutcome dealt = table.Deal(deck, vira);
      ASSERT_EQ(dealt.fault, DealFault::None) << "hand " << hands << " seed " << seed;
      ASSERT_TRUE(table.host.Dealt() && table.guest.Dealt());
      std::set<int> cards;
      const auto code = [](Card c) { return c.Value * 10 + static_cast<int>(c.suit); };
      for (Side s : {Side::Host, Side::Guest}) {
        for (int slot = 1; slot <= 3; ++slot) cards.insert(code(*table.Of(s).OwnCard(slot)));
      }
      EXPECT_EQ(cards.size(), 6U);
      if (vira) {
        ASSERT_EQ(table.host.Vira(), table.guest.Vira());
        EXPECT_FALSE(cards.count(code(*table.host.Vira())));
      } else {
        EXPECT_FALSE(table.host.Vira() || table.guest.Vira());
      }
      // Plays in a random order, alternating sides, until the hand ends or is dropped.
      std::array<std::vector<int>, 2> slots{std::vector<int>{1, 2, 3}, std::vector<int>{1, 2, 3}};
      for (auto& s : slots) std::shuffle(s.begin(), s.end(), rng);
      const int plays = static_cast<int>(rng() % 7);
      Side next = rng() % 2 ? Side::Host : Side::Guest;
      for (int i = 0; i < plays; ++i) {
        const int trick = i / 2 + 1;
        const bool hidden = trick > 1 && rng() % 4 == 0;
        const int slot = slots[next == Side::Host ? 0 : 1][static_cast<std::size_t>(i / 2)];
        ASSERT_EQ(table.Play(next, slot, hidden).fault, DealFault::None);
        next = JointTable::Other(next);
      }
      ASSERT_EQ(table.Reveal().fault, DealFault::None) << "hand " << hands << " seed " << seed;
      ASSERT_TRUE(table.host.Verified() && table.guest.Verified());
      for (int p = 1; p <= kDealPositions; ++p) {
        ASSERT_TRUE(table.host.CardAt(p));
        EXPECT_EQ(table.host.CardAt(p), table.guest.CardAt(p)) << "position " << p;
      }
      for (Side s : {Side::Host, Side::Guest}) {
        for (int slot = 1; slot <= 3; ++slot) {
          EXPECT_EQ(table.Of(s).OwnCard(slot), table.host.CardAt(DealPosition(s, slot)));
        }
      }
      if (vira) {
        EXPECT_EQ(table.host.Vira(), table.host.CardAt(kViraPosition));
      }
    }
    EXPECT_EQ(table.undecodable, 0);
  }
}

TEST(JointDeal, TheSameSeedDealsTheSameHand) {
  const std::uint64_t seed = TestSeed("replay");
  JointTable first(seed);
  JointTable again(seed);
  for (int hand = 0; hand < 3; ++hand) {
    ASSERT_EQ(first.Deal(kBaralhoSujo, true).fault, DealFault::None);
    ASSERT_EQ(again.Deal(kBaralhoSujo, true).fault, DealFault::None);
    for (Side s : {Side::Host, Side::Guest}) {
      EXPECT_EQ(first.Of(s).secret(), again.Of(s).secret());
      for (int slot = 1; slot <= 3; ++slot) {
        EXPECT_EQ(first.Of(s).OwnCard(slot), again.Of(s).OwnCard(slot));
      }
    }
    EXPECT_EQ(first.host.Vira(), again.host.Vira());
  }
}

// The upper and lower chi-square limits at p = 1e-6 (Wilson-Hilferty; z = 4.753).
std::pair<double, double> ChiSquareLimits(int dof) {
  const double k = dof;
  const double spread = std::sqrt(2.0 / (9.0 * k));
  const auto at = [&](double z) { return k * std::pow(1.0 - 2.0 / (9.0 * k) + z * spread, 3); };
  return {at(-4.753), at(4.753)};
}

// Over many deals on the 40-card deck, the card at `owner`'s slot 1 when only `shuffler`
// shuffles: every card equally likely.
void ExpectUniform(Side owner, Side shuffler, const char* what) {
  const std::uint64_t seed = TestSeed(what);
  const std::vector<Card> deck = DealDeck(kBaralhoSujo);
  std::map<int, int> count;
  std::mt19937_64 rng(seed);
  JointTable table(rng());
  table.Of(JointTable::Other(shuffler)).set_shuffle(false);
  for (int deal = 0; deal < kDistributionDeals; ++deal) {
    ASSERT_EQ(table.Deal(kBaralhoSujo, false).fault, DealFault::None);
    const Card c = *table.Of(owner).OwnCard(1);
    ++count[c.Value * 10 + static_cast<int>(c.suit)];
  }
  const double expected =
      static_cast<double>(kDistributionDeals) / static_cast<double>(deck.size());
  double chi = 0;
  for (const Card& c : deck) {
    const double d = count[c.Value * 10 + static_cast<int>(c.suit)] - expected;
    chi += d * d / expected;
  }
  const auto [low, high] = ChiSquareLimits(static_cast<int>(deck.size()) - 1);
  std::cout << what << ": chi-square " << chi << " over " << kDistributionDeals << " deals, limits "
            << low << " .. " << high << "\n";
  EXPECT_GT(chi, low);
  EXPECT_LT(chi, high);
}

TEST(JointDealDistribution, GuestCardIsUniformWhenOnlyTheGuestShuffles) {
  ExpectUniform(Side::Guest, Side::Guest, "guest's card, host does not shuffle");
}

TEST(JointDealDistribution, HostCardIsUniformWhenOnlyTheHostShuffles) {
  ExpectUniform(Side::Host, Side::Host, "host's card, guest does not shuffle");
}

// --- Cheating sides. ---

enum class Cheat {
  ListNotDeck,     // host: an entry of its list is no card of the deck
  RepeatedCard,    // host: an entry of its list twice
  WrongLayer,      // opens another position (one never dealt) instead of the one owed
  WrongScalar,     // opens with a scalar that is not its secret
  AnnounceUnseen,  // announces a card it does not hold, one the other side cannot see
  AnnounceSeen,    // announces a card the other side holds
  OtherSecret,     // reveals a secret other than the one it used
  ReplayedList,    // sends its list of the hand before
  InvalidPoint,    // sends 32 bytes that are no group element
};

struct CheatCase {
  Cheat cheat;
  Side cheater;
  DealFault fault;
  bool at_once;
};

// The honest side's view of a hand in which `cheater` cheats: the first fault it finds.
JointOutcome PlayCheat(const CheatCase& c, std::uint64_t seed) {
  JointTable table(seed);
  std::mt19937_64 rng(seed);
  const Side honest = JointTable::Other(c.cheater);
  // A shuffle-free guest puts an entry of the host's list at the same position of the final one.
  if (c.cheat == Cheat::ListNotDeck) table.guest.set_shuffle(false);
  std::vector<DealBytes> final_points;
  std::optional<DealList> earlier_list;
  bool replay = false;
  table.forge = [&](Side sender, Message& m) {
    if (auto* list = std::get_if<DealList>(&m)) {
      if (sender == Side::Guest) final_points = list->points;
      if (sender != c.cheater) return;
      if (c.cheat == Cheat::ListNotDeck) {
        list->points.back() = Times(table.host.secret(), CardPoint(Card{8, Suit::Clubs}));
      } else if (c.cheat == Cheat::RepeatedCard) {
        list->points.back() = list->points.front();
      } else if (c.cheat == Cheat::InvalidPoint) {
        list->points[rng() % list->points.size()].fill(0xFF);
      } else if (c.cheat == Cheat::ReplayedList) {
        if (replay && earlier_list) *list = *earlier_list;
        earlier_list = *list;
      }
    }
    // The cheater opens the honest side's first card falsely.
    if (auto* u = std::get_if<Unlock>(&m);
        u && sender == c.cheater && u->position == DealPosition(honest, 1)) {
      const DealBytes& secret = table.Of(sender).secret();
      if (c.cheat == Cheat::WrongLayer) u->point = Times(Inverse(secret), final_points[7]);
      if (c.cheat == Cheat::WrongScalar) {
        DealBytes other{};
        crypto_core_ristretto255_scalar_random(other.data());
        u->point = Times(Inverse(other), final_points[static_cast<std::size_t>(u->position - 1)]);
      }
    }
    const int first_slot = DealPosition(c.cheater, 1);
    if (auto* a = std::get_if<Announce>(&m);
        a && sender == c.cheater && a->position == first_slot) {
      std::set<int> dealt;
      for (Side s : {Side::Host, Side::Guest}) {
        for (int slot = 1; slot <= 3; ++slot) {
          const Card own = *table.Of(s).OwnCard(slot);
          dealt.insert(own.Value * 10 + static_cast<int>(own.suit));
        }
      }
      if (c.cheat == Cheat::AnnounceSeen) a->card = *table.Of(honest).OwnCard(2);
      if (c.cheat == Cheat::AnnounceUnseen) {
        const Card vira = *table.host.Vira();
        for (const Card& card : DealDeck(kBaralhoSujo)) {
          if (!dealt.count(card.Value * 10 + static_cast<int>(card.suit)) && !(card == vira)) {
            a->card = card;
            break;
          }
        }
      }
    }
    if (auto* k = std::get_if<RevealKey>(&m); k && sender == c.cheater) {
      if (c.cheat == Cheat::OtherSecret) crypto_core_ristretto255_scalar_random(k->scalar.data());
    }
  };
  if (c.cheat == Cheat::ReplayedList) {
    // An honest hand first, whose list the cheater keeps.
    EXPECT_EQ(table.Deal(kBaralhoSujo, true).fault, DealFault::None);
    EXPECT_EQ(table.Reveal().fault, DealFault::None);
    replay = true;
  }
  const auto stop = [&](const JointOutcome& o) { return o.fault != DealFault::None; };
  if (JointOutcome o = table.Deal(kBaralhoSujo, true); stop(o)) return o;
  for (int slot = 1; slot <= 3; ++slot) {
    for (Side s : {c.cheater, honest}) {
      if (JointOutcome o = table.Play(s, slot, false); stop(o)) return o;
    }
  }
  // Only the honest side's checks count: the cheater's own deal knows nothing of its forgery.
  Message key = table.Of(c.cheater).Reveal();
  return table.Deliver(c.cheater, key, false);
}

TEST(JointDealCheats, EachCheatIsCaughtByTheHonestSideWithItsReason) {
  const std::vector<CheatCase> cases = {
      {Cheat::ListNotDeck, Side::Host, DealFault::ListNotDeck, false},
      {Cheat::RepeatedCard, Side::Host, DealFault::RepeatedPoint, true},
      {Cheat::RepeatedCard, Side::Guest, DealFault::RepeatedPoint, true},
      {Cheat::WrongLayer, Side::Host, DealFault::WrongOpening, false},
      {Cheat::WrongLayer, Side::Guest, DealFault::WrongOpening, false},
      {Cheat::WrongScalar, Side::Host, DealFault::NotACard, true},
      {Cheat::WrongScalar, Side::Guest, DealFault::NotACard, true},
      {Cheat::AnnounceUnseen, Side::Host, DealFault::AnnouncedNotHeld, false},
      {Cheat::AnnounceUnseen, Side::Guest, DealFault::AnnouncedNotHeld, false},
      {Cheat::AnnounceSeen, Side::Host, DealFault::FalseAnnounce, true},
      {Cheat::AnnounceSeen, Side::Guest, DealFault::FalseAnnounce, true},
      {Cheat::OtherSecret, Side::Host, DealFault::KeyNotCommitted, false},
      {Cheat::OtherSecret, Side::Guest, DealFault::KeyNotCommitted, false},
      {Cheat::ReplayedList, Side::Host, DealFault::ReplayedList, true},
      {Cheat::ReplayedList, Side::Guest, DealFault::ReplayedList, true},
      {Cheat::InvalidPoint, Side::Host, DealFault::InvalidPoint, true},
      {Cheat::InvalidPoint, Side::Guest, DealFault::InvalidPoint, true},
  };
  std::mt19937_64 rng(TestSeed("cheats"));
  for (const CheatCase& c : cases) {
    for (int round = 0; round < kCheatSeeds; ++round) {
      const std::uint64_t seed = rng();
      const JointOutcome o = PlayCheat(c, seed);
      SCOPED_TRACE(::testing::Message()
                   << "cheat " << static_cast<int>(c.cheat) << " by "
                   << (c.cheater == Side::Host ? "host" : "guest") << ", table seed " << seed);
      EXPECT_EQ(o.detector, JointTable::Other(c.cheater));
      EXPECT_EQ(o.fault, c.fault) << FaultText(o.fault, c.cheater);
      EXPECT_EQ(o.at_once, c.at_once);
      EXPECT_EQ(IsProtocolError(o.fault), c.cheat == Cheat::InvalidPoint);
      EXPECT_EQ(CheatOfNumber(static_cast<int>(o.fault)),
                IsProtocolError(o.fault) ? std::nullopt : std::optional(o.fault));
    }
  }
}

TEST(JointDealCheats, MessagesOutOfStepAreIgnored) {
  JointTable table(7);
  table.host.NewHand(kBaralhoSujo, true);
  table.guest.NewHand(kBaralhoSujo, true);
  // Openings and a second list before the final list change nothing.
  Message opening = Unlock{1, CardPoint(Card{kAce, Suit::Clubs})};
  EXPECT_EQ(table.Deliver(Side::Host, opening).fault, DealFault::None);
  DealList first = table.host.HostList();
  EXPECT_EQ(table.guest.TakeList(first), DealFault::None);
  EXPECT_EQ(table.guest.TakeList(first), DealFault::None);  // a second list: ignored
  EXPECT_FALSE(table.guest.HasFinalList());
  EXPECT_FALSE(table.guest.OwnCard(1));
  // A list as long as the other deck is a protocol error.
  table.host.NewHand(kBaralhoLimpo, true);
  table.guest.NewHand(kBaralhoLimpo, true);
  EXPECT_EQ(table.guest.TakeList(first), DealFault::WrongLength);
  EXPECT_TRUE(IsProtocolError(DealFault::WrongLength));
}

}  // namespace
}  // namespace truco::net
