// The host's game survives the host's crash: it is kept in a file after every change, and a host
// started again goes on with the same hand. A file of another game, a stale one or a damaged one
// starts a fresh game with a message that says which.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>
#include <random>

#include "net/fair/joint_deal.h"
#include "net/play/resume_keeper.h"
#include "store/atomic_write.h"
#include "tests/net/whole_game.h"
#include "tests/test_seed.h"

namespace truco::testing {
namespace {

using net::Side;

constexpr std::int64_t kNow = 1'800'000'000'000;

// One move of whichever side may act, chosen at random.
void RandomMove(Duo& d, std::mt19937_64& rng) {
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  const char actor = d.host.hand.actor();
  if (actor == ' ') return;
  NetSide& side = d.SideOf(actor);
  net::NetworkedHand& hand = side.hand;
  if (hand.eleven() == actor && !hand.eleven_decided()) {
    hand.Answer(net::Question::Eleven, pick(4) != 0);
  } else if (hand.pending_call() != 0) {
    const int roll = pick(10);
    hand.AnswerTruco(roll < 2 ? kAnswerRun : roll < 5 ? kAnswerRaise : kAnswerAccept);
    if (hand.pending_call() != 0 && hand.actor() == actor) hand.AnswerTruco(kAnswerAccept);
  } else if (side.game.state().BTrucar.enabled && pick(5) == 0) {
    side.game.BTrucarClick();
  } else {
    std::vector<int> in_hand;
    for (int i = 0; i < 3; ++i) {
      if (side.game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
    }
    if (in_hand.empty()) return;
    if (side.game.state().BEsconder.enabled && pick(6) == 0) side.game.BEsconderClick();
    side.game.CartaJClick(
        in_hand[static_cast<std::size_t>(pick(static_cast<int>(in_hand.size())))]);
  }
  d.Pump();
}

// A new link after both sides lost the old one (`host` may be a new program): each side's lines
// wait for the other until Pump.
struct Relink {
  Relink(NetSide& h, NetSide& g) : host(h), guest(g) {
    host.out.send = [this](const net::Message& m) {
      to_guest.push_back(net::Encode(m));
      return true;
    };
    guest.out.send = [this](const net::Message& m) {
      to_host.push_back(net::Encode(m));
      return true;
    };
  }
  void Pump() {
    while (!to_host.empty() || !to_guest.empty()) {
      for (auto* q : {&to_host, &to_guest}) {
        if (q->empty()) continue;
        NetSide& to = q == &to_host ? host : guest;
        const std::string line = q->front();
        q->pop_front();
        if (auto m = net::Decode(line, to.side)) to.hand.Receive(*m);
      }
    }
  }
  // Both start again (the host from `kept` when it has one) and say yes to going on.
  void GoOn(const net::NetworkedHand::ResumeState* kept) {
    host.hand.Prepare(Side::Host, "HOSTE");
    guest.hand.Prepare(Side::Guest, "ANA");
    if (kept) host.hand.SetResumeState(*kept);
    host.out.Send(net::Name{"HOSTE"});
    Pump();
    host.game.BInicioClick();
    Pump();
    guest.game.BInicioClick();
    Pump();
    ASSERT_FALSE(host.out.questions.empty());
    ASSERT_EQ(host.out.questions.back().first, net::Question::Continue);
    host.hand.Answer(net::Question::Continue, true);
    Pump();
  }
  NetSide& host;
  NetSide& guest;
  std::deque<std::string> to_host;
  std::deque<std::string> to_guest;
};

// Hundreds of games: the host keeps its file after every message; at a random message it dies
// (nothing more is sent or received), a new host program starts from the file, the guest comes
// back, and both say yes: the same hand goes on, with the same cards, table, stake and turn.
TEST(ResumeFile, AKilledHostGoesOnFromItsFileWithTheSameHand) {
  const std::uint64_t seed = TestSeed("resume file");
  std::mt19937_64 rng(seed);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QString::fromLatin1(net::kResumeFileName));
  int mid_hand = 0;
#ifdef TRUCO_SANITIZE
  constexpr int kGames = 30;
#else
  constexpr int kGames = 120;
#endif
  for (int game = 0; game < kGames && !HasFailure(); ++game) {
    QFile::remove(path);
    Duo d({rng() % 2 ? kBaralhoSujo : kBaralhoLimpo,
           rng() % 3 ? ManilhaMode::Nova : ManilhaMode::Velha, static_cast<int>(rng() % 2)});
    for (int i = 0; i < 400; ++i) d.host.random.Push(static_cast<int>(rng() % (1 << 20)));
    std::string saved;
    bool dead = false;
    const int death = static_cast<int>(rng() % 300) + 8;
    d.each = [&](NetSide&) {
      if (dead) return;
      // What the window does after every change: the file holds the host's game (written once
      // here, at the host's death, as the last write before it would stand).
      if (const auto state = d.host.hand.Snapshot()) {
        saved = net::EncodeResumeFile({"HOSTE", kNow, *state});
      }
      if (d.delivered >= death) {
        ASSERT_TRUE(
            WriteFileAtomically(path, QByteArray(saved.data(), qsizetype(saved.size()))).ok());
        dead = true;
        d.up = false;
        d.to_host.clear();
        d.to_guest.clear();
      }
    };
    d.Open(rng() % 2 == 0);
    for (int move = 0; move < 2000 && !dead; ++move) {
      while (d.host.random.Remaining() < 100) d.host.random.Push(static_cast<int>(rng() % 4096));
      RandomMove(d, rng);
    }
    if (!dead) continue;
    const net::HandState truth = d.host.hand.table();
    const bool in_hand = !d.host.hand.hand_finished();
    const SharedView before = ViewOf(d.host);

    // The host program starts again; the guest lost its connection and comes back.
    NetSide host(Side::Host, "HOSTE");
    for (int i = 0; i < 400; ++i) host.random.Push(static_cast<int>(rng() % (1 << 20)));
    NetSide& guest = d.guest;
    guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    const net::ResumeLoad load = net::LoadResume(path, "HOSTE", kNow + 30'000);
    ASSERT_TRUE(load.state.has_value()) << load.message;
    EXPECT_TRUE(load.message.empty());
    guest.screen.kinds.push_back({true, GameKind::EmRede, "ANA"});
    Relink link(host, guest);
    ASSERT_NO_FATAL_FAILURE(link.GoOn(&*load.state));
    const SharedView after = ViewOf(host);
    EXPECT_EQ(after, ViewOf(guest));
    EXPECT_EQ(after.host_points, before.host_points);
    EXPECT_EQ(after.guest_points, before.guest_points);
    if (in_hand) {
      ++mid_hand;
      EXPECT_EQ(host.hand.table(), truth);
      EXPECT_EQ(after, before);
      EXPECT_EQ(guest.hand.table().cards[net::kGuestSeat], truth.cards[net::kGuestSeat]);
    }
  }
  EXPECT_GT(mid_hand, kGames / 4);
}

// Files that must not be taken up: each starts a fresh game and says why.
TEST(ResumeFile, AnotherGameAStaleOrADamagedFileStartsAFreshGameAndSaysSo) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QString::fromLatin1(net::kResumeFileName));
  net::NetworkedHand::ResumeState state;
  state.opponent_name = "ANA";
  state.points = {7, 9};
  state.games = {2, 1};
  state.hand_counter = 5;
  EXPECT_TRUE(net::LoadResume(path, "HOSTE", kNow).message.empty()) << "no file: nothing to say";
  ASSERT_TRUE(net::SaveResume(path, state, "HOSTE", kNow).ok());
  const auto good = net::LoadResume(path, "HOSTE", kNow + net::kResumeFreshMs);
  ASSERT_TRUE(good.state.has_value());
  EXPECT_EQ(good.state->points, state.points);
  EXPECT_EQ(good.state->games, state.games);
  EXPECT_EQ(good.state->hand_counter, 5);

  const auto other = net::LoadResume(path, "OUTRO", kNow);
  EXPECT_FALSE(other.state.has_value());
  EXPECT_EQ(other.message, net::kTextResumeOtherName);
  const auto stale = net::LoadResume(path, "HOSTE", kNow + net::kResumeFreshMs + 1);
  EXPECT_FALSE(stale.state.has_value());
  EXPECT_EQ(stale.message, net::kTextResumeStale);

  // Damaged: every cut of a sound file with a hand, and a byte changed anywhere.
  Duo d;
  d.Open(true);
  const auto snapshot = d.host.hand.Snapshot();
  ASSERT_TRUE(snapshot && snapshot->hand);
  const std::string text = net::EncodeResumeFile({"HOSTE", kNow, *snapshot});
  for (std::size_t cut = 0; cut + 1 < text.size(); cut += 11) {
    const std::string part = text.substr(0, cut);
    ASSERT_TRUE(WriteFileAtomically(path, QByteArray(part.data(), qsizetype(part.size()))).ok());
    const auto load = net::LoadResume(path, "HOSTE", kNow);
    if (load.state) continue;  // a cut between whole lines of the hand can still be a game
    EXPECT_EQ(load.message, net::kTextResumeDamaged) << cut;
  }
  std::string broken = text;
  broken[broken.find("hand.host=") + 10] = 'x';
  ASSERT_TRUE(WriteFileAtomically(path, QByteArray(broken.data(), qsizetype(broken.size()))).ok());
  EXPECT_EQ(net::LoadResume(path, "HOSTE", kNow).message, net::kTextResumeDamaged);
  // A future date and an oversized file are told as such, not as stale or damaged.
  ASSERT_TRUE(net::SaveResume(path, state, "HOSTE", kNow + 1).ok());
  const auto future = net::LoadResume(path, "HOSTE", kNow);
  EXPECT_FALSE(future.state.has_value());
  EXPECT_EQ(future.message, net::kTextResumeFuture);
  const QByteArray huge(static_cast<qsizetype>(net::kMaxResumeFileBytes + 1), 'x');
  ASSERT_TRUE(WriteFileAtomically(path, huge).ok());
  EXPECT_EQ(net::LoadResume(path, "HOSTE", kNow).message, net::kTextResumeTooLarge);
  // A file that large is not ours and is never written over: it goes before the next cases.
  ASSERT_TRUE(QFile::remove(path));

  // Well-formed lines holding a hand nobody could have played are damaged too.
  ASSERT_EQ(snapshot->hand->mode, ManilhaMode::Nova);
  auto load_hand = [&](const net::HandState& h) {
    net::NetworkedHand::ResumeState changed = *snapshot;
    changed.hand = h;
    const std::string bytes = net::EncodeResumeFile({"HOSTE", kNow, changed});
    EXPECT_TRUE(WriteFileAtomically(path, QByteArray(bytes.data(), qsizetype(bytes.size()))).ok());
    return net::LoadResume(path, "HOSTE", kNow);
  };
  const net::HandState sound = *snapshot->hand;
  ASSERT_TRUE(load_hand(sound).state.has_value());
  std::vector<std::pair<std::string, net::HandState>> impossible;
  auto add = [&](std::string what, auto change) {
    net::HandState h = sound;
    change(h);
    impossible.emplace_back(std::move(what), h);
  };
  add("a card in both hands",
      [](net::HandState& h) { h.cards[net::kGuestSeat][2] = h.cards[net::kHostSeat][0]; });
  add("the vira in a hand", [](net::HandState& h) { h.cards[net::kHostSeat][1] = h.vira; });
  add("a slot played twice", [](net::HandState& h) {
    h.slot = {{{-1, 0, 0, -1}, {-1, 1, 2, -1}}};
    h.leader = {' ', 'S', 'S', ' '};
  });
  add("a trick before the last one was complete", [](net::HandState& h) {
    h.slot = {{{-1, 0, 1, -1}, {-1, -1, -1, -1}}};
  });
  add("face down in trick 1", [](net::HandState& h) {
    h.slot[net::kHostSeat][1] = 0;
    h.hidden[net::kHostSeat][1] = true;
  });
  add("a stake off the ladder", [](net::HandState& h) { h.stake = 4; });
  add("a call that skips a rung", [](net::HandState& h) {
    h.stake = 1;
    h.pending_stake = 9;
    h.caller = h.turn_before_call = 'S';
  });
  add("a call with nobody calling", [](net::HandState& h) {
    h.stake = 3;
    h.pending_stake = 6;
    h.caller = ' ';
  });
  add("a call in a hand of eleven", [](net::HandState& h) {
    h.pending_stake = 3;
    h.caller = h.turn_before_call = 'C';
    h.eleven = 'S';
  });
  add("a card the deck does not hold", [](net::HandState& h) {
    h.deck = kBaralhoLimpo;
    h.cards[net::kGuestSeat][0] = Card{4, h.vira->suit == Suit::Clubs ? Suit::Hearts : Suit::Clubs};
  });
  for (const auto& [what, h] : impossible) {
    const auto load = load_hand(h);
    EXPECT_FALSE(load.state.has_value()) << what;
    EXPECT_EQ(load.message, net::kTextResumeDamaged) << what;
  }
  net::HandState called = sound;
  called.pending_stake = 3;
  called.caller = called.turn_before_call = 'C';
  EXPECT_TRUE(load_hand(called).state.has_value()) << "a truco waiting is a sound hand";

  // And the host deals a fresh game to its guest.
  Duo fresh;
  fresh.Open(true);
  EXPECT_TRUE(fresh.host.out.questions.empty());
  EXPECT_EQ(fresh.host.hand.hands_dealt(), 1);
}

// A kept game goes on only at the table it was cut off from: a guest of the same name at another
// table (or on another broker) starts a fresh game; the table survives the file.
TEST(ResumeFile, AKeptGameGoesOnOnlyAtItsOwnTable) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QString::fromLatin1(net::kResumeFileName));
  const std::string table = "mesas.example.org:8883 tls private K7M2QX";
  for (const std::string& kept : {table, std::string()}) {
    net::NetworkedHand::ResumeState state;
    state.opponent_name = "ANA";
    state.points = {5, 8};
    state.hand_counter = 2;
    state.table_key = kept;
    ASSERT_TRUE(net::SaveResume(path, state, "HOSTE", kNow).ok());
    const auto load = net::LoadResume(path, "HOSTE", kNow);
    ASSERT_TRUE(load.state.has_value());
    EXPECT_EQ(load.state->table_key, kept);
    for (const std::string& here :
         std::vector<std::string>{table, "", "mesas.example.org:8883 tls private K7M2QY",
                                  "outro.example.org:8883 tls private K7M2QX"}) {
      Duo d;
      d.host.hand.SetResumeState(*load.state);
      d.host.hand.set_table_key(here);
      d.guest.hand.set_table_key(here);
      d.Open(true);
      const bool same = here == kept;
      EXPECT_EQ(!d.host.out.questions.empty(), same)
          << "kept at '" << kept << "', here '" << here << "'";
      if (!same) {
        EXPECT_EQ(d.host.hand.hands_dealt(), 1);
        EXPECT_EQ(d.host.hand.points(Side::Host), 0);
      }
    }
  }
}

// The player's own row after a resume, for every way the first two tricks can leave it: either
// side as the player, any slot played face up in trick 1, any other slot in trick 2 face up or
// face down (led after taking trick 1, or answered after losing it), the hand cut after trick 1
// or after trick 2, and the host killed (its file) or the link reset. Each card still in hand
// lies in its own slot's place, face up, and a click on it plays that very slot; each played
// card lies on its trick's place as it was played.
TEST(ResumeFile, EveryUnplayedCardLiesInItsOwnSlotAfterAResumeAndPlaysThatSlot) {
  const std::uint64_t seed = TestSeed("resumed row");
  std::mt19937_64 rng(seed);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QString::fromLatin1(net::kResumeFileName));
  std::array<int, 2> trick_one{};  // the player took trick 1 / lost it
  for (const bool player_hosts : {true, false}) {
    for (const bool killed : {true, false}) {
      for (int first = 0; first < 3; ++first) {
        for (int second = 0; second < 3; ++second) {
          if (second == first) continue;
          for (const bool hide : {true, false}) {
            for (const int cut_after : {1, 2}) {
              if (cut_after == 1 && (second != (first + 1) % 3 || hide)) continue;
              const std::string context = std::string(player_hosts ? "host" : "guest") +
                                          (killed ? ", killed" : ", reset") + ", slot " +
                                          std::to_string(first + 1) + " up, slot " +
                                          std::to_string(second + 1) + (hide ? " down" : " up") +
                                          ", cut after trick " + std::to_string(cut_after);
              SCOPED_TRACE(context);
              Duo d;
              for (int i = 0; i < 400; ++i) d.host.random.Push(static_cast<int>(rng() % (1 << 20)));
              std::string saved;
              d.each = [&](NetSide&) {
                if (const auto state = d.host.hand.Snapshot()) {
                  saved = net::EncodeResumeFile({"HOSTE", kNow, *state});
                }
              };
              d.Open(rng() % 2 == 0);
              const char player_letter = player_hosts ? 'S' : 'C';
              const std::size_t seat = player_hosts ? net::kHostSeat : net::kGuestSeat;
              // Both play until the player's cards of the first `cut_after` tricks lie down (in a
              // later hand if one ends first); the opponent plays its first card in hand, face up.
              auto plays_done = [&](NetSide& p) {
                const auto& row = p.hand.table().slot[seat];
                return row[static_cast<std::size_t>(cut_after)] >= 0;
              };
              NetSide* player = player_hosts ? &d.host : &d.guest;
              for (int move = 0; move < 300 && !plays_done(*player); ++move) {
                const char actor = d.host.hand.actor();
                ASSERT_NE(actor, ' ');
                NetSide& side = d.SideOf(actor);
                if (actor == player_letter) {
                  const int trick = side.hand.table().slot[seat][1] < 0 ? 1 : 2;
                  if (trick == 2 && hide) side.game.BEsconderClick();
                  side.game.CartaJClick(trick == 1 ? first : second);
                } else {
                  side.PlayFirstInHand();
                }
                d.Pump();
              }
              ASSERT_TRUE(plays_done(*player));
              ASSERT_EQ(d.host.hand.table().hidden[seat][2], cut_after == 2 && hide);
              const net::Outcome took = d.host.hand.table().outcome[1];
              if (took != net::Outcome::None && took != net::Outcome::Tie) {
                ++trick_one[(took == net::Outcome::Own) == player_hosts ? 0 : 1];
              }
              if (d.host.hand.hand_finished()) continue;  // two tricks took the hand
              const net::HandState truth = d.host.hand.table();

              // Gone and back: a new host program from its file, or both sides' link reset.
              std::unique_ptr<NetSide> restarted;
              NetSide* host = &d.host;
              NetSide& guest = d.guest;
              d.up = false;
              d.to_host.clear();
              d.to_guest.clear();
              d.each = nullptr;
              if (killed) {
                ASSERT_TRUE(
                    WriteFileAtomically(path, QByteArray(saved.data(), qsizetype(saved.size())))
                        .ok());
                restarted = std::make_unique<NetSide>(Side::Host, "HOSTE");
                for (int i = 0; i < 400; ++i)
                  restarted->random.Push(static_cast<int>(rng() % 4096));
                host = restarted.get();
              } else {
                host->hand.ConnectionLost("A conexão com o adversário foi perdida.");
              }
              guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
              std::optional<net::NetworkedHand::ResumeState> kept;
              if (killed) {
                const net::ResumeLoad load = net::LoadResume(path, "HOSTE", kNow + 30'000);
                ASSERT_TRUE(load.state.has_value()) << load.message;
                kept = load.state;
              }
              Relink link(*host, guest);
              ASSERT_NO_FATAL_FAILURE(link.GoOn(kept ? &*kept : nullptr));
              ASSERT_EQ(host->hand.table(), truth);
              player = player_hosts ? host : &guest;

              // The row as the player's window draws it.
              const auto& row = player->hand.table().slot[seat];
              std::vector<int> in_hand;
              for (int s = 0; s < 3; ++s) {
                const TableCard& card = player->Card(static_cast<CardId>(kCartaJ1 + s));
                const auto played = std::find(row.begin() + 1, row.end(), s);
                if (played == row.end()) {
                  in_hand.push_back(s);
                  EXPECT_EQ(card.top, kPlayerHandTop) << "slot " << s + 1;
                  EXPECT_EQ(card.left, kHandLefts[static_cast<std::size_t>(s)]) << "slot " << s + 1;
                  EXPECT_FALSE(card.face_down) << "slot " << s + 1;
                  EXPECT_EQ(std::optional<Card>(card.card), player->hand.own_card(s + 1));
                } else {
                  const auto t = static_cast<std::size_t>(played - row.begin());
                  EXPECT_EQ(card.top, kTrickTops[t]) << "slot " << s + 1;
                  EXPECT_EQ(card.left, kTrickPlayerLeft) << "slot " << s + 1;
                  EXPECT_EQ(card.face_down, truth.hidden[seat][t]) << "slot " << s + 1;
                }
              }
              // Each card left in hand, clicked when the player's turn comes, plays its own slot.
              for (const int s : in_hand) {
                for (int move = 0; move < 6 && host->hand.actor() != player_letter; ++move) {
                  NetSide& other = player_hosts ? guest : *host;
                  if (host->hand.actor() == ' ') break;
                  other.PlayFirstInHand();
                  link.Pump();
                }
                if (host->hand.actor() != player_letter) break;  // the hand is decided
                int trick = 1;
                while (trick < 3 &&
                       player->hand.table().slot[seat][static_cast<std::size_t>(trick)] >= 0) {
                  ++trick;
                }
                player->game.CartaJClick(s);
                // The play as it travels (the last card ends the hand, which clears the table).
                std::optional<net::Play> sent;
                for (const std::string& line : player_hosts ? link.to_guest : link.to_host) {
                  const auto m = net::Decode(line, player_hosts ? Side::Guest : Side::Host);
                  if (const auto* play = m ? std::get_if<net::Play>(&*m) : nullptr) sent = *play;
                }
                ASSERT_TRUE(sent.has_value()) << "a click on slot " << s + 1 << " played nothing";
                EXPECT_EQ(sent->slot, s + 1);
                EXPECT_EQ(sent->trick, trick);
                EXPECT_EQ(player->Card(static_cast<CardId>(kCartaJ1 + s)).top,
                          kTrickTops[static_cast<std::size_t>(trick)]);
                link.Pump();
              }
            }
          }
        }
      }
    }
  }
  EXPECT_GT(trick_one[0], 0) << "no hand where the player took trick 1";
  EXPECT_GT(trick_one[1], 0) << "no hand where the player lost trick 1";
}

// A jointly dealt hand keeps the host's part of its deal, secret included, in a file only its user
// may read; the deal comes back as it was written, and a deal line damaged in its secret, its own
// list or its cards is refused whole (a hand that does not open to its own cards would blame the
// guest at its end). Once the game is voided by a cheat, no file is left: its points are never
// offered again, whoever comes back.
TEST(ResumeFile, AJointDealIsKeptPrivateADamagedOneIsRefusedAndAVoidedGameLeavesNone) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QString::fromLatin1(net::kResumeFileName));
  Duo d;
  d.host.hand.set_max_version(net::kJointDealVersion);
  d.guest.hand.set_max_version(net::kJointDealVersion);
  std::string saved;
  d.each = [&](NetSide&) { net::KeepResume(path, d.host.hand, "HOSTE", kNow, saved); };
  d.Open(true);
  ASSERT_TRUE(d.host.hand.joint());
  ASSERT_TRUE(d.host.hand.joint_deal().Dealt());
  struct stat info {};
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const auto load = net::LoadResume(path, "HOSTE", kNow);
  ASSERT_TRUE(load.state && load.state->deal && load.state->hand);
  const std::string line = d.host.hand.joint_deal().SavedText();
  EXPECT_EQ(load.state->deal->SavedText(), line);
  EXPECT_EQ(load.state->deal->HandId(), d.host.hand.joint_deal().HandId());

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const std::string text = file.readAll().toStdString();
  const std::size_t at = text.find("deal=" + line);
  ASSERT_NE(at, std::string::npos);
  // The fields a damage must not slip through: the secret (3), the host's list (5), its cards (10).
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  std::size_t begin = at + 5;
  for (std::size_t field = 0; field <= 10; ++field) {
    const std::size_t end = text.find(';', begin);
    if (field == 3 || field == 5 || field == 10) spans.emplace_back(begin, end);
    begin = end + 1;
  }
  std::mt19937_64 rng(TestSeed("damaged deal"));
  constexpr std::string_view kChars =
      "0123456789,-_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  for (int round = 0; round < 60; ++round) {
    const auto& span = spans[static_cast<std::size_t>(round) % spans.size()];
    std::string damaged = text;
    const std::size_t i = span.first + rng() % (span.second - span.first);
    char c = damaged[i];
    while (c == damaged[i]) c = kChars[rng() % kChars.size()];
    damaged[i] = c;
    EXPECT_FALSE(net::DecodeResumeFile(damaged)) << "byte " << i - at << " now " << c;
  }

  d.Inject(d.host, "S4");  // the guest caught the host
  ASSERT_TRUE(d.host.hand.cheat_found());
  EXPECT_FALSE(QFile::exists(path));
  const auto voided = net::LoadResume(path, "HOSTE", kNow);
  EXPECT_FALSE(voided.state.has_value());
  EXPECT_TRUE(voided.message.empty());
}

}  // namespace
}  // namespace truco::testing
