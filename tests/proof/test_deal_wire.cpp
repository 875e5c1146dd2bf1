// The proven deal's lines: random honest hands of two to four parties go out as lines within the
// framing's limit, come back byte for byte and verify again from the decoded lines alone; the
// transcript's items are exactly what the deal hashes; damaged, cut or reordered lines are refused
// or fail their proofs; the protocol document's worked hand comes out of its seed unchanged.

#include <gtest/gtest.h>
#include <sodium.h>

#include <fstream>
#include <random>
#include <set>
#include <sstream>

#include "net/proof/deal_wire.h"
#include "net/wire/framing.h"
#include "tests/proof/worked_hand.h"
#include "tests/test_seed.h"

namespace truco::proof {
namespace {

using testing::TestSeed;

static_assert(kWireLineBytes == net::kMaxLineBytes);

const bool g_seeded = [] {
  SeedSodium(TestSeed("libsodium's randomness"));
  return true;
}();

// An honest hand: every party's cards opened for it, the vira for all, some cards announced.
struct Hand {
  HandShape shape;
  HandBinding binding;
  std::vector<Point> deck;
  std::vector<DealMessage> messages;
};

Hand HonestHand(std::size_t parties, std::size_t deck_size, std::mt19937_64& rng) {
  Hand hand{{parties, deck_size}, {{}, rng() % 1000 + 1}, {}, {}};
  for (std::size_t p = 0; p < parties; ++p) hand.binding.names.push_back("P" + std::to_string(p));
  MemoryDeal deal(parties, deck_size, HandTranscript(hand.binding));
  EXPECT_TRUE(deal.Deal());
  for (std::size_t p = 0; p < parties; ++p) {
    for (std::size_t s = 0; s < 3; ++s) EXPECT_TRUE(deal.Open(SlotPosition(p, s), p));
  }
  EXPECT_TRUE(deal.Open(ViraPosition(parties), std::nullopt));
  for (std::size_t p = 0; p < parties; ++p) {
    for (std::size_t s = 0; s < 3; ++s) {
      if (rng() % 2 == 0) {
        EXPECT_TRUE(deal.Announce(SlotPosition(p, s), p));
      }
    }
  }
  hand.deck = deal.deck();
  hand.messages = deal.messages();
  return hand;
}

std::vector<std::string> Lines(const Hand& hand) {
  std::vector<std::string> lines;
  for (const DealMessage& m : hand.messages) {
    for (std::string& line : EncodeDeal(m, hand.shape)) lines.push_back(std::move(line));
  }
  return lines;
}

// The messages the lines carry, or the first refusal.
struct Read {
  std::vector<DealMessage> messages;
  std::optional<WireFault> fault;
};
Read ReadAll(const HandShape& shape, const std::vector<std::string>& lines) {
  Read out;
  DealWireReader reader(shape);
  for (const std::string& line : lines) {
    const WireItem item = reader.Feed(line);
    if (const auto* refused = std::get_if<Refused>(&item)) {
      out.fault = refused->fault;
      return out;
    }
    if (const auto* m = std::get_if<DealMessage>(&item)) out.messages.push_back(*m);
  }
  if (reader.Assembling()) out.fault = WireFault::PartMissing;
  return out;
}

// BLAKE2b over the bytes the codec says the transcript absorbed, up to a challenge.
Scalar ChallengeOver(Bytes absorbed, std::string_view label) {
  absorbed.push_back('C');
  for (std::size_t i = 0; i < 8; ++i)
    absorbed.push_back(static_cast<std::uint8_t>(label.size() >> (8 * i)));
  absorbed.insert(absorbed.end(), label.begin(), label.end());
  absorbed.insert(absorbed.end(), 8, 0);
  std::array<std::uint8_t, 64> wide{};
  crypto_generichash(wide.data(), wide.size(), absorbed.data(), absorbed.size(), nullptr, 0);
  return ReduceWide(wide);
}

TEST(DealWire, HonestHandsRoundTripWithinTheLimitAndVerifyFromTheLinesAlone) {
  std::mt19937_64 rng(TestSeed("hands"));
  for (std::size_t parties = kMinParties; parties <= kMaxParties; ++parties) {
    const Hand hand = HonestHand(parties, parties == 3 ? 24 : 40, rng);
    const std::vector<std::string> lines = Lines(hand);
    for (const std::string& line : lines) {
      EXPECT_LE(line.size(), kWireLineBytes);
      EXPECT_EQ(line.find('\n'), std::string::npos);
    }
    const Read read = ReadAll(hand.shape, lines);
    ASSERT_FALSE(read.fault) << FaultText(*read.fault);
    ASSERT_EQ(read.messages.size(), hand.messages.size());
    std::vector<std::string> again;
    for (const DealMessage& m : read.messages) {
      for (std::string& line : EncodeDeal(m, hand.shape)) again.push_back(std::move(line));
    }
    EXPECT_EQ(again, lines);
    EXPECT_TRUE(ReplayDeal(hand.deck, parties, HandTranscript(hand.binding), read.messages));

    // The items the codec names are the very bytes the deal's transcript absorbed.
    DealView view(hand.deck, parties, HandTranscript(hand.binding));
    Bytes absorbed = DomainBytes(kProvenDealDomain);
    const auto append = [&](const std::vector<TranscriptItem>& items) {
      const Bytes bytes = ItemBytes(items);
      absorbed.insert(absorbed.end(), bytes.begin(), bytes.end());
    };
    append(HandItems(hand.binding));
    append(DealItems(parties, hand.deck));
    for (const DealMessage& m : read.messages) {
      ASSERT_TRUE(view.Take(m));
      append(MessageItems(m));
    }
    Transcript copy = view.transcript();
    EXPECT_EQ(copy.Challenge("probe"), ChallengeOver(absorbed, "probe"));
  }
}

TEST(DealWire, FaceDownPlaysRoundTripAndNothingElseOfTheirKind) {
  const HandShape shape{4, 40};
  for (std::size_t party = 0; party < 4; ++party) {
    for (std::size_t slot = 0; slot < 3; ++slot) {
      for (int trick = 2; trick <= 3; ++trick) {
        const FaceDown play{party, slot, trick};
        DealWireReader reader(shape);
        const WireItem item = reader.Feed(EncodeFaceDown(play));
        ASSERT_TRUE(std::holds_alternative<FaceDown>(item));
        EXPECT_EQ(std::get<FaceDown>(item), play);
      }
    }
  }
  for (const char* bad : {"e1,1,1", "e1,4,2", "e5,1,2", "e0,1,2", "e1,01,2", "e1,1,2,", "e1,1",
                          "e1,-1,2", "e1,1,4"}) {
    DealWireReader reader(shape);
    EXPECT_TRUE(std::holds_alternative<Refused>(reader.Feed(bad))) << bad;
  }
}

// One random damage to the lines of a hand: a character changed, a line cut short, a part
// dropped, repeated or swapped with the next.
std::vector<std::string> Damage(std::vector<std::string> lines, std::mt19937_64& rng) {
  const std::size_t at = rng() % lines.size();
  std::string& line = lines[at];
  switch (rng() % 5) {
    case 0: {
      const std::size_t i = rng() % line.size();
      const char was = line[i];
      static constexpr std::string_view kChars =
          "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_,+/=\n ";
      do {
        line[i] = kChars[rng() % kChars.size()];
      } while (line[i] == was);
      break;
    }
    case 1:
      line.resize(rng() % line.size());
      break;
    case 2:
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
      break;
    case 3:
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), line);
      break;
    default:
      if (at + 1 < lines.size()) {
        std::swap(lines[at], lines[at + 1]);
      } else {
        line.push_back(',');
      }
      break;
  }
  return lines;
}

TEST(DealWire, DamagedLinesAreRefusedOrFailTheirProofs) {
  std::mt19937_64 rng(TestSeed("damage"));
  const Hand hand = HonestHand(2, 24, rng);
  const std::vector<std::string> lines = Lines(hand);
  int refused = 0;
  int failed = 0;
  for (int trial = 0; trial < 60; ++trial) {
    const std::vector<std::string> damaged = Damage(lines, rng);
    const Read read = ReadAll(hand.shape, damaged);
    if (read.fault) {
      ++refused;
      continue;
    }
    // Read whole, the damage lies in what the lines say: the deal must not hold, unless all the
    // damage did was cut the hand's last lines off (what is left is an honest hand so far).
    if (ReplayDeal(hand.deck, 2, HandTranscript(hand.binding), read.messages)) {
      std::vector<std::string> taken;
      for (const DealMessage& m : read.messages) {
        for (std::string& line : EncodeDeal(m, hand.shape)) taken.push_back(std::move(line));
      }
      ASSERT_LT(taken.size(), lines.size()) << "trial " << trial;
      EXPECT_TRUE(std::equal(taken.begin(), taken.end(), lines.begin())) << "trial " << trial;
      continue;
    }
    ++failed;
  }
  std::cout << refused << " refused by the reader, " << failed << " by the proofs\n";
  EXPECT_GT(refused, 0);
}

TEST(DealWire, ProofsDoNotMoveToAnotherHandOrGame) {
  std::mt19937_64 rng(TestSeed("replay"));
  const Hand hand = HonestHand(2, 24, rng);
  HandBinding next = hand.binding;
  ++next.hand;
  EXPECT_FALSE(ReplayDeal(hand.deck, 2, HandTranscript(next), hand.messages));
  HandBinding other = hand.binding;
  other.names[1] += "X";
  EXPECT_FALSE(ReplayDeal(hand.deck, 2, HandTranscript(other), hand.messages));
}

// What a random damage rarely builds: fields of the right form but the wrong value, and parts
// that try to make the reader hold more than one shuffle.
TEST(DealWire, ReaderRefusesEachFaultWithItsReason) {
  std::mt19937_64 rng(TestSeed("faults"));
  const Hand hand = HonestHand(2, 24, rng);
  const std::vector<std::string> lines = Lines(hand);
  // Lines: k1, k2, l1 ×3, l2 ×3, then openings and announces.
  ASSERT_EQ(lines[2].substr(0, 4), "l1,1");
  const auto fault = [&](std::vector<std::string> damaged) {
    return ReadAll(hand.shape, damaged).fault;
  };
  const auto field = [](std::uint8_t fill, std::uint8_t last) {
    std::array<std::uint8_t, 32> bytes{};
    bytes.fill(fill);
    bytes[31] = last;
    std::array<char, 45> text{};
    sodium_bin2base64(text.data(), text.size(), bytes.data(), bytes.size(),
                      sodium_base64_VARIANT_URLSAFE_NO_PADDING);
    return std::string(text.data(), 43);
  };
  const std::string key = lines[0];
  std::vector<std::string> v = lines;
  v[0] = "k1," + field(0, 0);  // the identity
  EXPECT_EQ(fault(v), WireFault::BadPoint);
  v[0] = "k1," + field(0xff, 0x7f);  // no group element
  EXPECT_EQ(fault(v), WireFault::BadPoint);
  v[0] = key.substr(0, key.size() - 1) + "=";
  EXPECT_EQ(fault(v), WireFault::BadBase64);
  v[0] = key + "," + field(1, 0);
  EXPECT_EQ(fault(v), WireFault::BadForm);
  v[0] = "k3" + key.substr(2);
  EXPECT_EQ(fault(v), WireFault::BadParty);
  v[0] = "K" + key.substr(1);
  EXPECT_EQ(fault(v), WireFault::UnknownKind);
  v[0] = std::string(kWireLineBytes + 1, 'k');
  EXPECT_EQ(fault(v), WireFault::TooLong);

  // A scalar at or above the group's order in place of the opening proof's response.
  const auto opening = std::find_if(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l[0] == kKindOpening; });
  ASSERT_NE(opening, lines.end());
  v = lines;
  std::string& q = v[static_cast<std::size_t>(opening - lines.begin())];
  q = q.substr(0, q.size() - kFieldChars) + field(0xff, 0x1f);
  EXPECT_EQ(fault(v), WireFault::BadScalar);
  v = lines;
  v[static_cast<std::size_t>(opening - lines.begin())].insert(1, "1,");  // "q1,1,…"
  EXPECT_NE(fault(v), std::nullopt);

  // Parts: the same part twice, one too many, the other party's part inside, one field more.
  v = lines;
  v.insert(v.begin() + 3, lines[2]);
  EXPECT_EQ(fault(v), WireFault::PartOutOfOrder);
  v = lines;
  v.insert(v.begin() + 5, "l1,4" + lines[4].substr(4));
  EXPECT_EQ(fault(v), WireFault::PartOutOfOrder);
  v = lines;
  std::swap(v[4], v[5]);  // l1,3 after l2,1
  EXPECT_EQ(fault(v), WireFault::PartOutOfOrder);
  v = lines;
  v[3] = "l2" + lines[3].substr(2);  // the other party's part 2 after this one's part 1
  EXPECT_EQ(fault(v), WireFault::PartOutOfOrder);
  v = lines;
  v[3] += "," + field(1, 0);
  EXPECT_EQ(fault(v), WireFault::PartSize);
  v = lines;
  v.insert(v.begin() + 3, key);
  EXPECT_EQ(fault(v), WireFault::PartMissing);
  v = lines;
  v[2] = "l1,01" + lines[2].substr(4);
  EXPECT_EQ(fault(v), WireFault::BadForm);

  // After a refusal nothing more is taken.
  DealWireReader reader(hand.shape);
  EXPECT_TRUE(std::holds_alternative<Refused>(reader.Feed("x")));
  EXPECT_EQ(std::get<Refused>(reader.Feed(lines[0])).fault, WireFault::AfterFault);
}

TEST(DealWire, CardsNameTheDeckInOrder) {
  for (const std::size_t size : {std::size_t{24}, std::size_t{40}}) {
    std::set<std::pair<int, int>> seen;
    for (std::size_t i = 0; i < size; ++i) {
      const auto card = CardOfIndex(size, i);
      ASSERT_TRUE(card);
      EXPECT_EQ(IndexOfCard(size, *card), i);
      seen.insert({card->value, card->suit});
    }
    EXPECT_EQ(seen.size(), size);
    EXPECT_FALSE(CardOfIndex(size, size));
  }
  EXPECT_FALSE(IndexOfCard(24, {4, 1}));
  EXPECT_FALSE(IndexOfCard(40, {8, 1}));
  EXPECT_FALSE(IndexOfCard(40, {1, 5}));
  // The deck's points are version 3's: the Ás de Paus as the protocol document gives it.
  const Point first = WireDeck(40)[0];
  std::array<char, 45> text{};
  sodium_bin2base64(text.data(), text.size(), first.bytes.data(), first.bytes.size(),
                    sodium_base64_VARIANT_URLSAFE_NO_PADDING);
  EXPECT_EQ(std::string(text.data()), "GmMSR-1Wg-IKgH5tcgocMg6zTYVP4lR2Hq7pDrDiSzs");
}

TEST(DealWire, WorkedHandComesOutOfItsSeedAsStored) {
  const std::string text = WorkedHandText();
  std::ifstream in(std::string(TRUCO_PROOF_DATA_DIR) + "/worked_hand_v4.txt", std::ios::binary);
  ASSERT_TRUE(in) << "the stored worked hand is missing";
  std::ostringstream stored;
  stored << in.rdbuf();
  EXPECT_EQ(stored.str(), text);
  // And it is a hand that holds, read from its own lines.
  EXPECT_TRUE(WorkedHandVerifies(text));
}

}  // namespace
}  // namespace truco::proof
