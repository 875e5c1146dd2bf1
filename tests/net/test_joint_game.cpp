// Whole networked games of version 3 between two sides wired in memory: the deck of every hand is
// dealt jointly. Random games with calls, runs, hidden cards, hands of eleven, restarts and stray
// lines, after every exchange both sides agree and neither knows a card of the other before it is
// played; every hand's secrets are revealed and checked; a game cut off resumes and checks the
// hand it lost; a cheating side is caught in the first hand it cheats and the game is void on
// both screens; a side of version 3 plays version 2 with a peer of version 2. Version 4 (the deal
// checked by proofs) the same way: random games agree and no side learns a card the other did
// not show; older peers play their version; a forged line is caught at once; a cut hand is dealt
// anew.

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "net/fair/joint_deal.h"
#include "net/fair/proven_deal.h"
#include "net/play/resume_file.h"
#include "tests/net/joint_table.h"
#include "tests/net/whole_game.h"

namespace truco::testing {
namespace {

using net::Side;

// A v3 game costs about 6 ms of scalar multiplications per hand (both sides), 15 to 25 hands a
// game; the sanitizers slow everything around them.
#if defined(TRUCO_JOINT_SOAK)
constexpr int kRandomGames = 1000;
constexpr int kResumes = 200;
#elif defined(TRUCO_SANITIZED)
constexpr int kRandomGames = 12;
constexpr int kResumes = 8;
#else
constexpr int kRandomGames = 40;
constexpr int kResumes = 24;
#endif

// Two sides of version 3 with seeded deals, and a random player for whoever may act.
class JointMatch {
 public:
  JointMatch(std::uint64_t seed, int host_version = net::kJointDealVersion,
             int guest_version = net::kJointDealVersion, bool open = true)
      : rng_(seed), host_entropy_(seed * 2 + 1), guest_entropy_(seed * 2 + 2) {
    GameSettings settings;
    settings.deck_type = Chance(2) ? kBaralhoSujo : kBaralhoLimpo;
    settings.manilha_mode = Chance(3) ? ManilhaMode::Velha : ManilhaMode::Nova;
    settings.eleven_mode = Chance(2) ? 1 : 0;
    duo = std::make_unique<Duo>(settings);
    duo->host.hand.set_max_version(host_version);
    duo->guest.hand.set_max_version(guest_version);
    duo->host.hand.set_deal_entropy(&host_entropy_);
    duo->guest.hand.set_deal_entropy(&guest_entropy_);
    if (open) Reconnect(Chance(2));
  }

  // Both sides open a (new) connection and start; `prepared` runs between the sides' Prepare and
  // the connection, where the host's window reads its resume file.
  void Reconnect(bool host_leads, const std::function<void()>& prepared = nullptr) {
    Duo& d = *duo;
    d.up = true;
    d.to_host.clear();
    d.to_guest.clear();
    d.check = nullptr;
    d.host.hand.Prepare(Side::Host, d.host.name);
    d.guest.hand.Prepare(Side::Guest, d.guest.name);
    if (prepared) prepared();
    while (d.host.random.Remaining() < 400) d.host.random.Push(Pick(1 << 20));
    d.Open(host_leads);
    d.check = [this] { Check(); };
  }

  int Chance(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_) == 0; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  // One move of whoever may act; false when nobody may (the game is over or void).
  bool Step(bool restarts = true) {
    Duo& d = *duo;
    while (d.host.random.Remaining() < 400) d.host.random.Push(Pick(1 << 20));
    const char actor = d.host.hand.actor();
    if (actor == ' ' || !d.host.hand.linked()) return false;
    NetSide& side = d.SideOf(actor);
    net::NetworkedHand& hand = side.hand;
    if (Chance(40)) {
      // Stray lines of every version; none is a deal message a side could be blamed for.
      static const std::vector<std::string> kLines = {"J11", "T6",    "K3",   "U1",   "R1S",   "PC",
                                                      "A4",  "V1311", "I411", "X",    "Q1",    "L",
                                                      "Yx",  "S",     "H9",   "G210", "Mchat", "D"};
      d.Inject(side, kLines[static_cast<std::size_t>(Pick(static_cast<int>(kLines.size())))]);
    }
    if (restarts && Chance(300)) {
      ++restarts_done;
      d.SideOf(Chance(2) ? 'S' : 'C').hand.RestartGame();
    } else if (hand.eleven() == actor && !hand.eleven_decided()) {
      hand.Answer(net::Question::Eleven, !Chance(4));
    } else if (hand.pending_call() != 0) {
      const int roll = Pick(10);
      if (roll < 2) {
        hand.AnswerTruco(kAnswerRun);
      } else if (roll < 5 && side.out.truco_asks.back().raise_offered) {
        hand.AnswerTruco(kAnswerRaise);
      } else {
        hand.AnswerTruco(kAnswerAccept);
      }
    } else {
      const GameState& s = side.game.state();
      if (s.BTrucar.enabled && Chance(6)) {
        side.game.BTrucarClick();
      } else if (s.BCorrer.enabled && Chance(30)) {
        side.game.BCorrerClick();
      } else {
        if (s.BEsconder.enabled && Chance(5)) side.game.BEsconderClick();
        std::vector<int> in_hand;
        for (int i = 0; i < 3; ++i) {
          if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
        }
        if (in_hand.empty()) return false;
        side.game.CartaJClick(
            in_hand[static_cast<std::size_t>(Pick(static_cast<int>(in_hand.size())))]);
      }
    }
    d.Pump();
    return true;
  }

  int Games() const { return duo->host.hand.games(Side::Host) + duo->host.hand.games(Side::Guest); }
  // Steps until the first game ends; one that does not move in 4,000 steps fails.
  void PlayFirstGame() {
    for (int guard = 0; Games() < 1; ++guard) {
      ASSERT_LT(guard, 4000) << "the game does not move";
      ASSERT_TRUE(Step());
      if (::testing::Test::HasFailure()) return;
    }
  }

  // After every exchange: both sides show the same table, neither knows a card of the other that
  // is still in hand, both hold the cards of a deal without repeats.
  void Check() {
    Duo& d = *duo;
    if (!d.host.hand.linked() || !d.guest.hand.linked()) return;
    d.ExpectAgree();
    for (NetSide* side : {&d.host, &d.guest}) {
      EXPECT_FALSE(side->hand.cheat_found());
      if (side->hand.proven()) ExpectOnlyShownCardsKnown(side->hand);
      // Version 2: the host deals, so it knows the guest's cards.
      if (side == &d.host && !side->hand.joint() && !side->hand.proven()) continue;
      for (int slot = 1; slot <= 3; ++slot) {
        if (side->hand.opponent_card(slot)) {
          EXPECT_NE(side->Card(static_cast<CardId>(kCartaM1 + slot - 1)).top, kComputerHandTop)
              << "a side knows a card the other still holds";
        }
      }
    }
    if (d.host.hand.DealComplete() && d.guest.hand.DealComplete() && !d.host.hand.hand_finished()) {
      std::set<int> cards;
      for (NetSide* side : {&d.host, &d.guest}) {
        for (int slot = 1; slot <= 3; ++slot) {
          const Card c = *side->hand.own_card(slot);
          cards.insert(c.Value * 10 + static_cast<int>(c.suit));
        }
      }
      EXPECT_EQ(cards.size(), 6U);
      EXPECT_EQ(d.host.hand.vira(), d.guest.hand.vira());
    }
  }

  // Version 4 reveals nothing at a hand's end: a side knows a card of the other only once it was
  // played face up (never one played face down, never the hand of a side that ran).
  static void ExpectOnlyShownCardsKnown(const net::NetworkedHand& hand) {
    const std::size_t opp = hand.side() == Side::Host ? 1 : 0;
    const net::HandState& t = hand.table();
    for (int slot = 0; slot < 3; ++slot) {
      if (!hand.opponent_card(slot + 1)) continue;
      bool shown = false;
      for (std::size_t trick = 1; trick <= 3; ++trick) {
        shown = shown || (t.slot[opp][trick] == slot && !t.hidden[opp][trick]);
      }
      EXPECT_TRUE(shown) << "a side knows a card the other did not show, slot " << slot + 1;
    }
  }

  std::unique_ptr<Duo> duo;
  int restarts_done = 0;

 private:
  std::mt19937_64 rng_;
  net::DealEntropy host_entropy_;
  net::DealEntropy guest_entropy_;
};

// TRUCO_JOINT_GAMES plays another number of games (the full 10,000, say) on demand.
int RandomGames() {
  const char* text = std::getenv("TRUCO_JOINT_GAMES");
  return text && std::atoi(text) > 0 ? std::atoi(text) : kRandomGames;
}

TEST(JointGame, RandomGamesAgreeAndEveryHandIsChecked) {
  std::mt19937_64 seeds(TestSeed("joint games"));
  const int games = RandomGames();
  int hands = 0;
  int restarts = 0;
  for (int game = 0; game < games && !HasFailure(); ++game) {
    JointMatch m(seeds());
    Duo& d = *m.duo;
    ASSERT_TRUE(d.host.hand.joint() && d.guest.hand.joint());
    m.PlayFirstGame();
    if (HasFailure()) return;
    // Every hand but the one just dealt was checked by both sides.
    const int dealt = d.host.hand.hands_dealt();
    EXPECT_EQ(d.guest.hand.hands_dealt(), dealt);
    EXPECT_GE(d.host.hand.hands_checked(), dealt - 1);
    EXPECT_GE(d.guest.hand.hands_checked(), dealt - 1);
    hands += dealt;
    restarts += m.restarts_done;
    // Neither program ever dealt: the host's own draws were never taken.
    EXPECT_GE(d.host.random.Remaining(), 400U);
    for (const std::string& line : d.wire) {
      const char kind = line[16];
      EXPECT_TRUE(kind != 'V' && kind != 'I' && kind != 'A') << line;
    }
  }
  std::cout << games << " games, " << hands << " hands, " << restarts << " restarts\n";
}

// The connection drops at a random moment; both come back and the host goes on. A hand whose
// deal was complete goes on where it stopped with the deal both sides kept: the same cards on
// both sides, nothing revealed before its end, and at its end both secrets are revealed and every
// check passes. A hand cut in the middle of its deal starts over once each side has checked the
// other's secret of the hand that was cut off. A host whose program closed too comes back from
// its file, which keeps its part of the deal: the same hand goes on, or is checked, all the same.
TEST(JointGame, AGameCutOffResumesAndChecksTheLostHand) {
  std::mt19937_64 seeds(TestSeed("joint resume"));
  int checked = 0;
  int resumed = 0;
  int from_file = 0;        // hands that went on after the host's program closed
  int guest_from_file = 0;  // after the guest's
  int cuts = 0;
  for (int round = 0; round < kResumes * 2 && !HasFailure(); ++round) {
    JointMatch m(seeds());
    Duo& d = *m.duo;
    const int moves = 1 + m.Pick(30);
    for (int i = 0; i < moves && m.Step(false); ++i) {
    }
    if (d.host.hand.hands_dealt() == 0 || d.host.hand.hand_finished()) continue;
    const std::array<int, 2> points = {d.host.hand.points(Side::Host),
                                       d.host.hand.points(Side::Guest)};
    std::array<std::optional<Card>, 6> cards;
    for (int slot = 1; slot <= 3; ++slot) {
      cards[static_cast<std::size_t>(slot - 1)] = d.host.hand.own_card(slot);
      cards[static_cast<std::size_t>(slot + 2)] = d.guest.hand.own_card(slot);
    }
    const net::HandState guest_view = d.guest.hand.table();
    const net::HandState host_view = d.host.hand.table();
    // Every fifth cut the host's program closes too and comes back from its file. A fixed turn,
    // not a draw, so a short run cannot miss a kind of cut.
    const int cut = cuts++;
    const bool crashed = cut % 5 == 0;
    const auto file = net::DecodeResumeFile(
        net::EncodeResumeFile({d.host.name, 0, d.host.hand.Snapshot().value()}));
    ASSERT_TRUE(file.has_value());
    ASSERT_TRUE(file->state.deal.has_value());
    // At other fixed turns the guest's program closes too: its own file keeps only its deal.
    const bool guest_crashed = cut % 3 == 2;
    const auto guest_snapshot = d.guest.hand.Snapshot();
    ASSERT_TRUE(guest_snapshot.has_value());
    const auto guest_file =
        net::DecodeResumeFile(net::EncodeResumeFile({d.guest.name, 0, *guest_snapshot}));
    ASSERT_TRUE(guest_file && guest_file->state.deal && !guest_file->state.hand);
    EXPECT_EQ(guest_file->state.deal->side(), Side::Guest);
    d.up = false;
    d.check = nullptr;
    d.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    d.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    ASSERT_TRUE(d.host.hand.resume_state() && d.host.hand.resume_state()->deal);
    ASSERT_TRUE(d.guest.hand.resume_state() && d.guest.hand.resume_state()->deal);
    const bool kept = d.host.hand.resume_state()->hand.has_value();
    EXPECT_EQ(kept, d.guest.hand.resume_state()->deal->Dealt() &&
                        d.host.hand.resume_state()->deal->Dealt());
    EXPECT_EQ(file->state.hand.has_value(), kept);
    // A program started again holds nothing of the game but its file, which it reads once the
    // connection is being prepared.
    if (crashed) d.host.hand.DropResume();
    if (guest_crashed) d.guest.hand.DropResume();
    const std::size_t wire_before = d.wire.size();
    m.Reconnect(m.Chance(2), [&] {
      if (crashed) d.host.hand.SetResumeState(file->state);
      if (guest_crashed) d.guest.hand.SetResumeState(guest_file->state);
    });
    ASSERT_FALSE(d.host.out.questions.empty());
    // Refused, the game starts afresh; the hand that was cut off is checked first.
    const bool refused = cut % 4 == 1;
    d.host.hand.Answer(net::Question::Continue, !refused);
    d.Pump();
    if (!refused) {
      EXPECT_EQ(d.host.hand.points(Side::Host), points[0]);
      EXPECT_EQ(d.guest.hand.points(Side::Guest), points[1]);
    }
    if (!kept || refused) {
      EXPECT_TRUE(d.host.hand.interrupted_hand_checked());
      EXPECT_TRUE(d.guest.hand.interrupted_hand_checked());
      for (int i = 0; i < 8 && m.Step(false); ++i) {
      }
      EXPECT_FALSE(d.host.hand.cheat_found() || d.guest.hand.cheat_found());
      ++checked;
      continue;
    }
    // The same hand on both sides, the same vira and the cards played where they lay; no secret
    // of it travelled on the new connection yet.
    for (int slot = 1; slot <= 3; ++slot) {
      EXPECT_EQ(d.host.hand.own_card(slot), cards[static_cast<std::size_t>(slot - 1)]);
      EXPECT_EQ(d.guest.hand.own_card(slot), cards[static_cast<std::size_t>(slot + 2)]);
    }
    EXPECT_EQ(d.guest.hand.table().vira, guest_view.vira);
    EXPECT_EQ(d.host.hand.table().vira, host_view.vira);
    EXPECT_EQ(d.guest.hand.table().slot, guest_view.slot);
    EXPECT_EQ(d.host.hand.table().slot, host_view.slot);
    EXPECT_EQ(d.host.hand.table().hidden, host_view.hidden);
    EXPECT_EQ(d.guest.hand.table().turn, guest_view.turn);
    EXPECT_EQ(d.guest.hand.table().stake, guest_view.stake);
    for (std::size_t i = wire_before; i < d.wire.size(); ++i) {
      EXPECT_NE(d.wire[i][16], 'X') << d.wire[i];
    }
    // The hand is played to its end: both secrets come out and every check passes.
    for (int guard = 0; d.host.hand.hands_checked() < 1 || d.guest.hand.hands_checked() < 1;
         ++guard) {
      ASSERT_LT(guard, 200) << "the resumed hand does not end";
      ASSERT_TRUE(m.Step(false));
    }
    EXPECT_FALSE(d.host.hand.cheat_found() || d.guest.hand.cheat_found());
    ++resumed;
    if (crashed) ++from_file;
    if (guest_crashed) ++guest_from_file;
  }
  std::cout << resumed << " hands went on (" << from_file << " after the host's program closed, "
            << guest_from_file << " after the guest's), " << checked
            << " were checked and dealt again\n";
  EXPECT_GT(resumed, kResumes / 4);
  EXPECT_GT(checked, 0);
  EXPECT_GT(from_file, 0);
  EXPECT_GT(guest_from_file, 0);
}

// --- Cheating sides over the wire ---

enum class Cheat { DealsItself, SwapsOpenings, AnnouncesUnheld, OtherSecret, Replays, BadPoint };

struct WireCheat {
  Cheat cheat;
  Side cheater;
  net::DealFault fault;
};

void PlayWireCheat(const WireCheat& c, std::uint64_t seed) {
  JointMatch m(seed, net::kJointDealVersion, net::kJointDealVersion, false);
  Duo& d = *m.duo;
  NetSide& cheater = c.cheater == Side::Host ? d.host : d.guest;
  NetSide& honest = c.cheater == Side::Host ? d.guest : d.host;
  // The hand to cheat in: the second one when replaying the first one's list.
  const int cheat_hand = c.cheat == Cheat::Replays ? 2 : 1;
  std::optional<net::DealList> first_list;
  bool announced = false;
  int cheated_in = c.cheat == Cheat::AnnouncesUnheld ? 0 : cheat_hand;
  std::optional<net::Unlock> held;  // the first opening, sent swapped with the second
  bool swapped = false;
  auto& inbox = c.cheater == Side::Host ? d.to_guest : d.to_host;
  const auto forge = [&](net::Message& m2) {
    const int hand = cheater.hand.hands_dealt();
    if (auto* list = std::get_if<net::DealList>(&m2)) {
      if (!first_list) first_list = *list;
      if (hand != cheat_hand) return;
      if (c.cheat == Cheat::Replays) *list = *first_list;
      if (c.cheat == Cheat::DealsItself) {
        // Its list holds one card three times: whatever the shuffle, it is not the deck.
        list->points[1] = list->points[0];
        list->points[2] = list->points[0];
      }
      if (c.cheat == Cheat::BadPoint) list->points.back().fill(0xEE);
    }
    if (auto* a = std::get_if<net::Announce>(&m2);
        a && c.cheat == Cheat::AnnouncesUnheld && !announced) {
      // The first card it plays, whichever hand that is.
      // A card nobody holds and nobody sees.
      std::set<int> seen;
      for (NetSide* side : {&d.host, &d.guest}) {
        for (int slot = 1; slot <= 3; ++slot) {
          const Card own = *side->hand.own_card(slot);
          seen.insert(own.Value * 10 + static_cast<int>(own.suit));
        }
      }
      if (const auto vira = d.host.hand.vira())
        seen.insert(vira->Value * 10 + static_cast<int>(vira->suit));
      for (const Card& card : net::DealDeck(d.host.hand.deck_type())) {
        if (!seen.count(card.Value * 10 + static_cast<int>(card.suit))) {
          a->card = card;
          announced = true;
          cheated_in = hand;
          break;
        }
      }
    }
    if (auto* k = std::get_if<net::RevealKey>(&m2);
        k && hand == cheat_hand && c.cheat == Cheat::OtherSecret) {
      crypto_core_ristretto255_scalar_random(k->scalar.data());
    }
  };
  cheater.out.send = [&](const net::Message& message) {
    net::Message copy = message;
    forge(copy);
    const auto* u = std::get_if<net::Unlock>(&copy);
    if (c.cheat == Cheat::SwapsOpenings && u && !swapped && u->position != net::kViraPosition &&
        cheater.hand.hands_dealt() == cheat_hand) {
      // The first two openings owed go out with their points swapped.
      if (!held) {
        held = *u;
        return true;
      }
      net::Unlock second = *u;
      std::swap(held->point, second.point);
      swapped = true;
      return d.Queue(inbox, *held) && d.Queue(inbox, second);
    }
    return d.Queue(inbox, copy);
  };
  for (NetSide* side : {&d.host, &d.guest}) {
    side->out.close = [&d] { d.up = false; };
  }
  cheater.hand.set_checks_peer(false);
  // The honest side's tally when each hand began: a game the cheated hand ended must not count.
  std::map<int, int> games_at;
  const auto tally = [&honest] {
    return honest.game.state().games_player + honest.game.state().games_computer;
  };
  m.Reconnect(m.Chance(2));
  d.check = nullptr;
  games_at.emplace(honest.hand.hands_dealt(), tally());
  for (int guard = 0; guard < 3000 && d.host.hand.linked() && d.guest.hand.linked(); ++guard) {
    if (!m.Step(false)) break;
    games_at.emplace(honest.hand.hands_dealt(), tally());
  }
  SCOPED_TRACE(::testing::Message()
               << "cheat " << static_cast<int>(c.cheat) << " by "
               << (c.cheater == Side::Host ? "host" : "guest") << ", seed " << seed);
  ASSERT_FALSE(honest.hand.linked());
  // Found in the hand it cheated in, with its reason, on both screens; nothing else changed.
  EXPECT_EQ(honest.hand.hands_dealt(), cheated_in);
  EXPECT_EQ(honest.out.closes, 1);
  ASSERT_FALSE(honest.out.told.empty());
  const std::string reason = net::FaultText(c.fault, c.cheater);
  if (net::IsProtocolError(c.fault)) {
    EXPECT_EQ(honest.out.told.back(), std::string(net::kTextDealBroken) + "\r" + reason);
    EXPECT_FALSE(honest.hand.cheat_found());
  } else {
    const std::string text = std::string(net::kTextCheat) + "\r" + reason;
    EXPECT_EQ(honest.out.told.back(), text);
    EXPECT_TRUE(honest.hand.cheat_found());
    ASSERT_FALSE(cheater.out.told.empty());
    EXPECT_EQ(cheater.out.told.back(), text);
    EXPECT_TRUE(cheater.hand.cheat_found());
    EXPECT_FALSE(cheater.hand.linked());
  }
  for (NetSide* side : {&d.host, &d.guest}) {
    EXPECT_EQ(side->game.state().player_points, 0);
    EXPECT_EQ(side->game.state().computer_points, 0);
    EXPECT_EQ(side->game.state().games_player + side->game.state().games_computer,
              games_at[cheated_in]);
    EXPECT_FALSE(side->game.state().may_play);
  }
  EXPECT_FALSE(honest.hand.resume_state());
}

TEST(JointGame, ACheatingSideIsCaughtInTheHandItCheatsAndTheGameIsVoid) {
  const std::vector<WireCheat> cases = {
      {Cheat::DealsItself, Side::Host, net::DealFault::RepeatedPoint},
      {Cheat::SwapsOpenings, Side::Host, net::DealFault::WrongOpening},
      {Cheat::SwapsOpenings, Side::Guest, net::DealFault::WrongOpening},
      {Cheat::AnnouncesUnheld, Side::Host, net::DealFault::AnnouncedNotHeld},
      {Cheat::AnnouncesUnheld, Side::Guest, net::DealFault::AnnouncedNotHeld},
      {Cheat::OtherSecret, Side::Host, net::DealFault::KeyNotCommitted},
      {Cheat::OtherSecret, Side::Guest, net::DealFault::KeyNotCommitted},
      {Cheat::Replays, Side::Host, net::DealFault::ReplayedList},
      {Cheat::Replays, Side::Guest, net::DealFault::ReplayedList},
      {Cheat::BadPoint, Side::Host, net::DealFault::InvalidPoint},
      {Cheat::BadPoint, Side::Guest, net::DealFault::InvalidPoint},
  };
  std::mt19937_64 seeds(TestSeed("wire cheats"));
  for (const WireCheat& c : cases) {
    for (int round = 0; round < 2 && !HasFailure(); ++round) PlayWireCheat(c, seeds());
  }
}

// A guest that keeps its secret after a hand leaves the host waiting for what the next deal
// needs: the host watches that silence between hands too, and giving up on it voids the game on
// both screens, naming the guest.
TEST(JointGame, APeerThatWithholdsItsSecretIsTimedOutAndTheGameVoided) {
  std::mt19937_64 seeds(TestSeed("withheld secret"));
  for (int round = 0; round < 4 && !HasFailure(); ++round) {
    JointMatch m(seeds(), net::kJointDealVersion, net::kJointDealVersion, false);
    Duo& d = *m.duo;
    d.guest.out.send = [&d](const net::Message& message) {
      if (std::holds_alternative<net::RevealKey>(message)) return true;  // never sent
      return d.Queue(d.to_host, message);
    };
    for (NetSide* side : {&d.host, &d.guest}) {
      side->out.close = [&d] { d.up = false; };
    }
    m.Reconnect(m.Chance(2));
    d.check = nullptr;
    for (int guard = 0; guard < 3000 && !d.host.hand.awaits_peer_secret(); ++guard) {
      EXPECT_EQ(d.host.hand.hands_dealt(), 1);
      if (!m.Step(false)) break;
    }
    ASSERT_TRUE(d.host.hand.awaits_peer_secret());
    EXPECT_FALSE(d.guest.hand.awaits_peer_secret()) << "the host's secret came";
    // The boxes are closed (the test's screens close them at once): still no next deal.
    d.Pump();
    EXPECT_EQ(d.host.hand.hands_dealt(), 1);
    EXPECT_TRUE(d.host.hand.awaits_peer_secret());
    d.host.hand.GiveUpOnSilentPeer("A conexão com o adversário foi perdida.");
    d.Pump();
    const std::string text =
        std::string(net::kTextCheat) + "\r" + net::FaultText(net::DealFault::NoReveal, Side::Guest);
    for (NetSide* side : {&d.host, &d.guest}) {
      EXPECT_TRUE(side->hand.cheat_found());
      EXPECT_FALSE(side->hand.linked());
      ASSERT_FALSE(side->out.told.empty());
      EXPECT_EQ(side->out.told.back(), text);
      EXPECT_EQ(side->game.state().player_points + side->game.state().computer_points, 0);
    }
    EXPECT_FALSE(d.host.hand.resume_state());
  }
}

// A host that cheats in the very first burst (greeting, name, settings and its list before the
// guest's program has started the game): the guest's player is told, not left at the game-kind
// dialog with no word.
TEST(JointGame, ACheatBeforeTheGuestStartsIsToldAllTheSame) {
  JointMatch m(TestSeed("first burst cheat"), net::kJointDealVersion, net::kJointDealVersion,
               false);
  Duo& d = *m.duo;
  d.host.out.send = [&d](const net::Message& message) {
    net::Message copy = message;
    if (auto* list = std::get_if<net::DealList>(&copy)) list->points[1] = list->points[0];
    return d.Queue(d.to_guest, copy);
  };
  for (NetSide* side : {&d.host, &d.guest}) {
    side->out.close = [&d] { d.up = false; };
  }
  d.host.hand.set_checks_peer(false);
  d.host.s().hand_counter = 2;
  d.host.out.Send(net::Name{d.host.name});
  d.host.game.BInicioClick();
  d.Pump();
  ASSERT_FALSE(d.guest.hand.linked());
  EXPECT_TRUE(d.guest.hand.cheat_found());
  ASSERT_FALSE(d.guest.out.told.empty());
  EXPECT_EQ(d.guest.out.told.back(), std::string(net::kTextCheat) + "\r" +
                                         net::FaultText(net::DealFault::RepeatedPoint, Side::Host));
  // Its start later tells it no second time.
  const std::size_t told = d.guest.out.told.size();
  d.guest.game.BInicioClick();
  d.Pump();
  EXPECT_EQ(d.guest.out.told.size(), told);
}

// A guest program closed in the middle of a jointly dealt hand holds no deal of it: offered that
// hand, it says what happened instead of calling the host's message invalid; a hand it does hold
// but under another name is still the host's fault.
TEST(JointGame, AGuestThatLostItsDealSaysSoWithoutBlamingTheHost) {
  const std::string resume = "WC,1,0,-,-,-,-,0,0,4,7,1,0,-,7-3,-,4-1,1010SC3-1,0000--,0000--," +
                             std::string(net::kDealTextChars, 'A');
  NetSide guest(Side::Guest, "ANA");
  guest.hand.set_max_version(net::kJointDealVersion);
  guest.hand.Prepare(Side::Guest, "ANA");
  guest.game.BInicioClick();
  for (const std::string line : {"NHOSTE", "H3", "G110", resume.c_str()}) {
    if (auto m = net::Decode(line, Side::Guest)) guest.hand.Receive(*m);
  }
  EXPECT_FALSE(guest.hand.linked());
  EXPECT_EQ(guest.out.closes, 1);
  ASSERT_FALSE(guest.out.told.empty());
  EXPECT_EQ(guest.out.told.back(), net::kTextHandNotKept);
}

// A side of version 3 with a peer of version 2, either way round: the greeting settles on 2 and
// the host deals as before; no message of the joint deal crosses the wire.
TEST(JointGame, AVersion3SideWithAVersion2PeerPlaysVersion2) {
  std::mt19937_64 seeds(TestSeed("mixed versions"));
  for (const auto& [host_version, guest_version] : {std::pair{3, 2}, std::pair{2, 3}}) {
    JointMatch m(seeds(), host_version, guest_version);
    Duo& d = *m.duo;
    EXPECT_TRUE(d.host.hand.whole_game() && d.guest.hand.whole_game());
    EXPECT_FALSE(d.host.hand.joint() || d.guest.hand.joint());
    for (int i = 0; i < 200 && m.Step(); ++i) {
    }
    EXPECT_GT(d.host.hand.hands_dealt(), 1);
    bool greeted = false;
    for (const std::string& line : d.wire) {
      const char kind = line[16];
      EXPECT_TRUE(kind != 'L' && kind != 'Q' && kind != 'Y' && kind != 'X') << line;
      if (line == "host  -> guest  H2") greeted = true;
    }
    EXPECT_TRUE(greeted);
    EXPECT_EQ(d.wire[1], "guest -> host   H" + std::to_string(guest_version));
  }
}

// --- Version 4: the deal checked by proofs ---

// A v4 hand costs some 40 ms of proofs per side: a few games, each to its first game won.
#if defined(TRUCO_JOINT_SOAK)
constexpr int kProvenGames = 60;
#elif defined(TRUCO_SANITIZED)
constexpr int kProvenGames = 1;
#else
constexpr int kProvenGames = 3;
#endif

// The kind of a recorded line ("host  -> guest  " + the line).
char KindOf(const std::string& wire_line) {
  return wire_line[16];
}

// Random games of version 4: both sides agree after every exchange and neither learns a card the
// other did not show (JointMatch::Check); no line of version 3's deal nor a hand dealt by the
// host travels, and nothing is revealed at a hand's end.
TEST(ProvenGame, RandomGamesAgreeAndNoUnshownCardIsLearnt) {
  std::mt19937_64 seeds(TestSeed("proven games"));
  int hands = 0;
  int hidden = 0;
  // More games while none played a card face down (a short run could miss them), a few at most.
  int game = 0;
  for (; (game < kProvenGames || (hidden == 0 && game < kProvenGames + 4)) && !HasFailure();
       ++game) {
    JointMatch m(seeds(), net::kProvenDealVersion, net::kProvenDealVersion);
    Duo& d = *m.duo;
    ASSERT_TRUE(d.host.hand.proven() && d.guest.hand.proven());
    ASSERT_FALSE(d.host.hand.joint() || d.guest.hand.joint());
    EXPECT_EQ(d.wire[1], "guest -> host   H4");
    m.PlayFirstGame();
    if (HasFailure()) return;
    const int dealt = d.host.hand.hands_dealt();
    EXPECT_EQ(d.guest.hand.hands_dealt(), dealt);
    // Every hand dealt opened on both sides, every line before checked.
    EXPECT_EQ(d.host.hand.proven_dealing().hands_opened(), dealt);
    EXPECT_EQ(d.guest.hand.proven_dealing().hands_opened(), dealt);
    EXPECT_GE(d.host.random.Remaining(), 400U);
    hands += dealt;
    bool keyed = false;
    for (const std::string& line : d.wire) {
      const char kind = KindOf(line);
      EXPECT_TRUE(std::string("VIALQYXE").find(kind) == std::string::npos) << line;
      keyed = keyed || kind == 'k';
      if (kind == 'e') ++hidden;
    }
    EXPECT_TRUE(keyed);
  }
  std::cout << game << " games, " << hands << " hands, " << hidden << " face down\n";
  EXPECT_GT(hidden, 0);
}

// A side of version 4 with an older peer, either way round, plays the older version unchanged:
// no line of version 4 crosses, and version 3 deals jointly as before.
TEST(ProvenGame, AVersion4SideWithAnOlderPeerPlaysThePeersVersion) {
  std::mt19937_64 seeds(TestSeed("proven mixed versions"));
  for (const auto& [host_version, guest_version] :
       {std::pair{4, 3}, std::pair{3, 4}, std::pair{4, 2}, std::pair{2, 4}}) {
    JointMatch m(seeds(), host_version, guest_version);
    Duo& d = *m.duo;
    const int agreed = std::min(host_version, guest_version);
    EXPECT_FALSE(d.host.hand.proven() || d.guest.hand.proven());
    EXPECT_EQ(d.host.hand.joint(), agreed == net::kJointDealVersion);
    EXPECT_EQ(d.guest.hand.joint(), agreed == net::kJointDealVersion);
    for (int i = 0; i < 120 && m.Step(); ++i) {
    }
    EXPECT_GT(d.host.hand.hands_dealt(), 1);
    EXPECT_EQ(d.wire[1], "guest -> host   H" + std::to_string(guest_version));
    bool answered = false;
    for (const std::string& line : d.wire) {
      EXPECT_TRUE(std::string("klqye").find(KindOf(line)) == std::string::npos) << line;
      answered = answered || line == "host  -> guest  H" + std::to_string(agreed);
    }
    EXPECT_TRUE(answered);
    if (agreed == net::kJointDealVersion) {
      EXPECT_GE(d.host.hand.hands_checked(), 1);
    }
  }
}

// A side that forges its deal lines on the way out: an opening whose point is another's, or a
// shuffle part with two of its points swapped. The honest side finds it in the first hand, says
// why on both screens, and the game is void with nothing to resume.
TEST(ProvenGame, AForgedOpeningOrShuffleIsCaughtAndTheGameIsVoid) {
  struct Case {
    char kind;  // the forged line: 'q' or 'l'
    Side cheater;
    net::DealFault fault;
  };
  const std::vector<Case> cases = {
      {'q', Side::Host, net::DealFault::ForgedOpening},
      {'q', Side::Guest, net::DealFault::ForgedOpening},
      {'l', Side::Host, net::DealFault::ListNotDeck},
      {'l', Side::Guest, net::DealFault::ListNotDeck},
  };
  std::mt19937_64 seeds(TestSeed("proven cheats"));
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << c.kind << " forged by " << (c.cheater == Side::Host ? "host" : "guest"));
    JointMatch m(seeds(), net::kProvenDealVersion, net::kProvenDealVersion, false);
    Duo& d = *m.duo;
    NetSide& cheater = c.cheater == Side::Host ? d.host : d.guest;
    NetSide& honest = c.cheater == Side::Host ? d.guest : d.host;
    auto& inbox = c.cheater == Side::Host ? d.to_guest : d.to_host;
    std::optional<std::string> first_point;  // 'q': the first opening's point, put in the second
    bool forged = false;
    cheater.out.send = [&](const net::Message& message) {
      const auto* line = std::get_if<net::ProvenLine>(&message);
      if (!line || forged || line->text[0] != c.kind) return d.Queue(inbox, message);
      std::vector<std::string> fields;
      std::stringstream in(line->text);
      for (std::string f; std::getline(in, f, ',');) fields.push_back(f);
      if (c.kind == 'q' && !first_point) {
        first_point = fields[2];
        return d.Queue(inbox, message);
      }
      if (c.kind == 'q') fields[2] = *first_point;
      if (c.kind == 'l') std::swap(fields[2], fields[3]);  // the list's first two points
      std::string text = fields[0];
      for (std::size_t i = 1; i < fields.size(); ++i) text += "," + fields[i];
      forged = true;
      return d.Queue(inbox, net::ProvenLine{text});
    };
    for (NetSide* side : {&d.host, &d.guest}) side->out.close = [&d] { d.up = false; };
    cheater.hand.set_checks_peer(false);
    m.Reconnect(m.Chance(2));
    d.check = nullptr;
    for (int guard = 0; guard < 50 && d.host.hand.linked() && d.guest.hand.linked(); ++guard) {
      if (!m.Step(false)) break;
    }
    ASSERT_TRUE(forged);
    ASSERT_FALSE(honest.hand.linked());
    EXPECT_EQ(honest.hand.hands_dealt(), 1);
    const std::string text = std::string(net::kTextCheat) + "\r" +
                             net::ProvenFaultText(c.fault, c.cheater == Side::Host ? 0 : 1, 2);
    ASSERT_FALSE(honest.out.told.empty());
    EXPECT_EQ(honest.out.told.back(), text);
    ASSERT_FALSE(cheater.out.told.empty());
    EXPECT_EQ(cheater.out.told.back(), text);
    EXPECT_EQ(honest.out.closes, 1);
    for (NetSide* side : {&d.host, &d.guest}) {
      EXPECT_TRUE(side->hand.cheat_found());
      EXPECT_FALSE(side->hand.linked());
      EXPECT_FALSE(side->hand.resume_state());
      EXPECT_EQ(side->game.state().player_points, 0);
      EXPECT_EQ(side->game.state().computer_points, 0);
      EXPECT_FALSE(side->game.state().may_play);
    }
  }
}

// A peer that sends what version 4 never sends is a broken peer, not a caught one: a deal line out
// of form, or a "W" naming the guest's cards (a version-4 host never resumes a hand). The
// connection closes as for a broken line, nobody is blamed for a cheat, and nothing resumes.
TEST(ProvenGame, ALineVersion4NeverSendsClosesTheConnectionAsBroken) {
  std::mt19937_64 seeds(TestSeed("proven broken lines"));
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kind);
    JointMatch m(seeds(), net::kProvenDealVersion, net::kProvenDealVersion);
    Duo& d = *m.duo;
    for (NetSide* side : {&d.host, &d.guest}) side->out.close = [&d] { d.up = false; };
    d.check = nullptr;
    NetSide& target = kind == 1 ? d.host : d.guest;
    if (kind == 2) {
      target.hand.Receive(net::ResumeHand{});
    } else {
      // A key whose field is no point at all.
      d.Inject(target, "k1,notapoint");
    }
    EXPECT_FALSE(target.hand.linked());
    EXPECT_FALSE(target.hand.cheat_found());
    EXPECT_FALSE(target.hand.resume_state());
    ASSERT_FALSE(target.out.told.empty());
    EXPECT_EQ(target.out.told.back().rfind(net::kTextDealBroken, 0), 0U) << target.out.told.back();
    EXPECT_EQ(target.out.closes, 1);
  }
}

// A version-4 game cut off at a random moment goes on with the same opponent from the points and
// tally its hand began with: the hand is dealt anew with fresh keys (nothing of the cut hand is
// kept, no "W" travels) and play goes on with both sides agreeing.
TEST(ProvenGame, AGameCutOffGoesOnWithTheHandDealtAnew) {
  std::mt19937_64 seeds(TestSeed("proven resume"));
  int went_on = 0;
  for (int round = 0; round < 4 && !HasFailure(); ++round) {
    JointMatch m(seeds(), net::kProvenDealVersion, net::kProvenDealVersion);
    Duo& d = *m.duo;
    const int moves = 1 + m.Pick(12);
    for (int i = 0; i < moves && m.Step(false); ++i) {
    }
    if (d.host.hand.hand_finished()) continue;
    const auto start = d.host.hand.Snapshot();
    ASSERT_TRUE(start.has_value());
    EXPECT_FALSE(start->hand.has_value());
    d.up = false;
    d.check = nullptr;
    d.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    d.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    ASSERT_TRUE(d.host.hand.resume_state().has_value());
    const std::size_t wire_before = d.wire.size();
    m.Reconnect(m.Chance(2));
    ASSERT_FALSE(d.host.out.questions.empty());
    d.host.hand.Answer(net::Question::Continue, true);
    d.Pump();
    ASSERT_TRUE(d.host.hand.proven() && d.guest.hand.proven());
    EXPECT_EQ(d.host.hand.points(Side::Host), start->points[0]);
    EXPECT_EQ(d.guest.hand.points(Side::Guest), start->points[1]);
    EXPECT_EQ(d.host.hand.hands_dealt(), 1);
    EXPECT_TRUE(d.host.hand.DealComplete() && d.guest.hand.DealComplete());
    for (std::size_t i = wire_before; i < d.wire.size(); ++i) EXPECT_NE(KindOf(d.wire[i]), 'W');
    for (int i = 0; i < 20 && m.Step(false); ++i) {
    }
    EXPECT_FALSE(d.host.hand.cheat_found() || d.guest.hand.cheat_found());
    EXPECT_TRUE(d.host.hand.linked() && d.guest.hand.linked());
    ++went_on;
  }
  EXPECT_GT(went_on, 0);
}

}  // namespace
}  // namespace truco::testing
