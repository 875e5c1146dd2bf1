// The wire of a thousand random whole networked games and of classic single hands, replayed from
// fixed seeds and compared byte for byte with a recording kept in the tree
// (tests/net/data/wire_recording.txt). Any change to what either side sends shows here: the
// recording is the reference, whatever the code's shape.
//
// Each game's line holds its seed, the two sides' highest versions, its kind, how many messages
// each side sent, a BLAKE2b digest of each side's byte stream (every line it wrote, line feed
// included, over every connection of the game) and a ladder: one byte of the digest of both
// sides' messages in sending order after every kLadderStep of them, which narrows a difference
// down to a few messages. A handful of games are kept whole, every message spelt out, so a
// difference there is shown as it is.
//
// Regenerating (only when the wire is meant to change, with docs/protocol.md in the same commit):
//   TRUCO_RECORD_WIRE=tests/net/data/wire_recording.txt ./tests/net/test_wire_recording
// writes the file from the current code instead of comparing.
// TRUCO_WIRE_DUMP=<seed> prints every message of that seed's game, to diff two commits.

#include <gtest/gtest.h>
#include <sodium.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>

#include "net/play/resume_file.h"
#include "tests/net/whole_game.h"

namespace truco::testing {
namespace {

using net::Side;

// The games of the recording, by kind: seeds 1.. of each kind (seeds differ between kinds).
struct KindCount {
  const char* kind;
  int host_version;
  int guest_version;  // 0: a guest that knows only the classic messages
  std::uint64_t first_seed;
  int games;
};
// A jointly dealt game costs ~150 ms of scalar multiplications, a version 2 game under 1 ms.
constexpr std::array<KindCount, 6> kKinds = {{
    {"whole", 2, 2, 1, 880},
    {"mixed", 3, 2, 100001, 30},
    {"mixed", 2, 3, 200001, 30},
    {"joint", 3, 3, 300001, 60},
    {"classic", 2, 0, 400001, 15},
    {"classic", 3, 0, 500001, 15},
}};
constexpr int kLadderStep = 32;
// Under the sanitizers one version 2 game in four and one jointly dealt in three are replayed
// (and every game spelt out): the whole list would take minutes there.
#if defined(TRUCO_SANITIZE)
constexpr int kWholeStride = 4;
constexpr int kJointStride = 3;
#else
constexpr int kWholeStride = 1;
constexpr int kJointStride = 1;
#endif

std::string Hex(const unsigned char* bytes, std::size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 15];
  }
  return out;
}

// A line as the recording spells it: printable ASCII as it is, anything else as \xNN.
std::string Escaped(std::string_view line) {
  std::string out;
  for (const char c : line) {
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '\\') {
      out += c;
    } else {
      out += "\\x" + Hex(&u, 1);
    }
  }
  return out;
}

// What crossed the wire in one game.
struct Transcript {
  // In sending order: "h " / "g " + the escaped line (host / guest sent it); lines of "# " say
  // what the driver did (a cut, a stray line, a resume), for the reader of a whole game.
  std::vector<std::string> lines;
  std::array<int, 2> count{};
  std::array<crypto_generichash_state, 2> side{};
  crypto_generichash_state both{};
  std::string ladder;
  int sent = 0;

  Transcript() {
    for (auto& s : side) crypto_generichash_init(&s, nullptr, 0, crypto_generichash_BYTES_MIN);
    crypto_generichash_init(&both, nullptr, 0, crypto_generichash_BYTES_MIN);
  }
  void Sent(Side from, const net::Message& message) {
    const std::string bytes = net::EncodeLine(message);
    const char tag = from == Side::Host ? 'h' : 'g';
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    crypto_generichash_update(&side[from == Side::Host ? 0 : 1], data, bytes.size());
    crypto_generichash_update(&both, reinterpret_cast<const unsigned char*>(&tag), 1);
    crypto_generichash_update(&both, data, bytes.size());
    ++count[from == Side::Host ? 0 : 1];
    lines.push_back(std::string(1, tag) + " " + Escaped(bytes.substr(0, bytes.size() - 1)));
    if (++sent % kLadderStep == 0) Rung();
  }
  void Note(const std::string& text) { lines.push_back("# " + text); }
  void Rung() {
    crypto_generichash_state copy = both;
    unsigned char out[crypto_generichash_BYTES_MIN];
    crypto_generichash_final(&copy, out, sizeof out);
    ladder += Hex(out, 1);
  }
  std::string Digest(int which) {
    crypto_generichash_state copy = side[static_cast<std::size_t>(which)];
    unsigned char out[crypto_generichash_BYTES_MIN];
    crypto_generichash_final(&copy, out, sizeof out);
    return Hex(out, sizeof out);
  }
  // The line of the recording.
  std::string Summary(std::uint64_t seed, const KindCount& kind) {
    if (sent % kLadderStep != 0) Rung();
    std::ostringstream line;
    line << "game " << seed << " " << kind.host_version << "/"
         << (kind.guest_version == 0 ? std::string("c") : std::to_string(kind.guest_version)) << " "
         << kind.kind << " " << count[0] << " " << count[1] << " " << Digest(0) << " " << Digest(1)
         << " " << ladder;
    return line.str();
  }
};

// Plays one game of `kind` from `seed`, both sides at random, and returns its wire.
class RecordedGame {
 public:
  RecordedGame(std::uint64_t seed, const KindCount& kind)
      : rng_(seed), host_entropy_(seed * 2 + 1), guest_entropy_(seed * 2 + 2) {
    GameSettings settings;
    settings.deck_type = Chance(2) ? kBaralhoSujo : kBaralhoLimpo;
    settings.manilha_mode = Chance(3) ? ManilhaMode::Velha : ManilhaMode::Nova;
    settings.eleven_mode = Chance(2) ? 1 : 0;
    duo_ = std::make_unique<Duo>(settings);
    Duo& d = *duo_;
    d.host.hand.set_max_version(kind.host_version);
    d.guest.hand.set_max_version(kind.guest_version == 0 ? net::kWholeGameVersion
                                                         : kind.guest_version);
    d.guest.hand.set_classic_only(kind.guest_version == 0);
    joint_ =
        kind.host_version == net::kJointDealVersion && kind.guest_version == net::kJointDealVersion;
    d.host.hand.set_deal_entropy(&host_entropy_);
    d.guest.hand.set_deal_entropy(&guest_entropy_);
    d.host.out.send = [this](const net::Message& m) { return Send(Side::Host, m); };
    d.guest.out.send = [this](const net::Message& m) { return Send(Side::Guest, m); };
    for (NetSide* side : {&d.host, &d.guest}) {
      side->out.close = [this] { duo_->up = false; };
    }
    d.each = [this](NetSide&) {
      if (cut_armed_ && !cut_ && cuts_ < 3 && Chance(90)) Cut();
    };
    Connect(Chance(2));
    if (kind.guest_version == 0) {
      PlayClassic();
    } else {
      PlayWhole();
    }
  }

  Transcript wire;
  int cuts = 0;
  int hands = 0;
  bool ended = false;  // the game reached its end (a classic hand: its third trick)

 private:
  int Chance(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_) == 0; }
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  bool Send(Side from, const net::Message& message) {
    Duo& d = *duo_;
    if (!d.Queue(from == Side::Host ? d.to_guest : d.to_host, message)) return false;
    wire.Sent(from, message);
    return true;
  }

  void TopUp() {
    while (duo_->host.random.Remaining() < 400) duo_->host.random.Push(Pick(1 << 20));
  }

  void Connect(bool host_leads) {
    Duo& d = *duo_;
    d.up = true;
    d.to_host.clear();
    d.to_guest.clear();
    d.host.hand.Prepare(Side::Host, d.host.name);
    d.guest.hand.Prepare(Side::Guest, d.guest.name);
    TopUp();
    d.Open(host_leads);
  }

  // A line the side that may not act now could send (as the other random tests throw in): out
  // of turn, malformed or unknown; never a deal message a side of version 3 could be blamed for.
  void Inject(NetSide& to) {
    static const std::vector<std::string> kLines = {
        "J11",  "J23", "E12", "E33", "T3", "T6", "T12", "K3", "K12",   "U1",    "U0", "O",
        "R1S",  "R2E", "PC",  "PS",  "C",  "C1", "A1",  "A4", "V1311", "I411",  "H2", "H9",
        "G210", "B1",  "X",   "",    "J",  "T4", "K",   "Z1", "D",     "Mchat", "A3"};
    static const std::vector<std::string> kJointLines = {
        "J11", "T6", "K3", "U1", "R1S", "PC", "A4",   "V1311", "I411",
        "X",   "Q1", "L",  "Yx", "S",   "H9", "G210", "Mchat", "D"};
    const auto& lines = joint_ ? kJointLines : kLines;
    const std::string& line = lines[static_cast<std::size_t>(Pick(static_cast<int>(lines.size())))];
    wire.Note(std::string("stray to ") + (&to == &duo_->host ? "host: " : "guest: ") +
              Escaped(line));
    duo_->Inject(to, line);
  }

  void Cut() {
    cut_ = true;
    ++cuts_;
    ++cuts;
    wire.Note("cut");
    duo_->up = false;
    duo_->to_host.clear();
    duo_->to_guest.clear();
  }

  // Both come back on a new connection; now and then a program was closed too and comes back
  // from its file; the host goes on, or now and then starts afresh.
  void Resume() {
    Duo& d = *duo_;
    cut_ = false;
    const bool host_file = Chance(3);
    const bool guest_file = Chance(3);
    std::optional<net::ResumeRecord> host_record;
    std::optional<net::ResumeRecord> guest_record;
    if (const auto snapshot = d.host.hand.Snapshot(); snapshot && host_file) {
      host_record = net::DecodeResumeFile(net::EncodeResumeFile({d.host.name, 0, *snapshot}));
    }
    if (const auto snapshot = d.guest.hand.Snapshot(); snapshot && guest_file) {
      guest_record = net::DecodeResumeFile(net::EncodeResumeFile({d.guest.name, 0, *snapshot}));
    }
    d.host.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    d.guest.hand.ConnectionLost("A conexão com o adversário foi perdida.");
    if (host_record) d.host.hand.DropResume();
    if (guest_record) d.guest.hand.DropResume();
    wire.Note(std::string("resume") + (host_record ? ", host from its file" : "") +
              (guest_record ? ", guest from its file" : ""));
    for (NetSide* side : {&d.host, &d.guest}) {
      side->screen.kinds.push_back({true, GameKind::EmRede, side->name});
      side->screen.confirm.push_back(true);
    }
    d.up = true;
    d.to_host.clear();
    d.to_guest.clear();
    d.host.hand.Prepare(Side::Host, d.host.name);
    d.guest.hand.Prepare(Side::Guest, d.guest.name);
    if (host_record) d.host.hand.SetResumeState(host_record->state);
    if (guest_record) d.guest.hand.SetResumeState(guest_record->state);
    TopUp();
    const std::size_t asked = d.host.out.questions.size();
    d.Open(Chance(2));
    if (d.host.out.questions.size() > asked &&
        d.host.out.questions.back().first == net::Question::Continue) {
      const bool yes = !Chance(5);
      wire.Note(yes ? "continue: yes" : "continue: no");
      d.host.hand.Answer(net::Question::Continue, yes);
      d.Pump();
    }
  }

  int Games() const {
    return duo_->host.hand.games(Side::Host) + duo_->host.hand.games(Side::Guest);
  }

  void PlayWhole() {
    Duo& d = *duo_;
    for (int guard = 0; guard < 3000 && Games() < 1; ++guard) {
      if (!Step()) break;
      if (cut_) Resume();
    }
    ended = Games() >= 1;
    hands = d.host.hand.hands_dealt();
  }

  // One move of whoever may act; false when nobody may (the game is over or void).
  bool Step() {
    Duo& d = *duo_;
    TopUp();
    const char actor = d.host.hand.actor();
    if (actor == ' ' || !d.host.hand.linked() || !d.guest.hand.linked()) return false;
    NetSide& side = d.SideOf(actor);
    net::NetworkedHand& hand = side.hand;
    if (Chance(40)) Inject(side);
    if (Chance(60)) {
      NetSide& talker = Chance(2) ? d.host : d.guest;
      talker.hand.SendChat(net::ChatLine(talker.name, "oi " + std::to_string(Pick(1000))));
    }
    cut_armed_ = true;
    if (Chance(400)) {
      wire.Note("restart");
      d.SideOf(Chance(2) ? 'S' : 'C').hand.RestartGame();
    } else if (hand.eleven() == actor && !hand.eleven_decided()) {
      hand.Answer(net::Question::Eleven, !Chance(4));
    } else if (hand.pending_call() != 0) {
      const int roll = Pick(10);
      if (roll < 2) {
        hand.AnswerTruco(kAnswerRun);
      } else if (roll < 5 && !side.out.truco_asks.empty() &&
                 side.out.truco_asks.back().raise_offered) {
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
        if (s.BEsconder.enabled && Chance(6)) side.game.BEsconderClick();
        std::vector<int> in_hand;
        for (int i = 0; i < 3; ++i) {
          if (s.InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
        }
        if (in_hand.empty()) {
          cut_armed_ = false;
          return false;
        }
        side.game.CartaJClick(
            in_hand[static_cast<std::size_t>(Pick(static_cast<int>(in_hand.size())))]);
      }
    }
    d.Pump();
    cut_armed_ = false;
    return true;
  }

  // The classic hand: whoever may play clicks a card, until nobody may.
  void PlayClassic() {
    Duo& d = *duo_;
    for (int guard = 0; guard < 20; ++guard) {
      std::vector<NetSide*> may;
      for (NetSide* side : {&d.host, &d.guest}) {
        const GameState& s = side->game.state();
        bool cards = false;
        for (int i = 0; i < 3; ++i) cards = cards || s.InHand(static_cast<CardId>(kCartaJ1 + i));
        if (s.may_play && cards) may.push_back(side);
      }
      if (may.empty()) break;
      NetSide& side = *may[static_cast<std::size_t>(Pick(static_cast<int>(may.size())))];
      if (Chance(8)) Inject(side);
      std::vector<int> in_hand;
      for (int i = 0; i < 3; ++i) {
        if (side.game.state().InHand(static_cast<CardId>(kCartaJ1 + i))) in_hand.push_back(i);
      }
      side.game.CartaJClick(
          in_hand[static_cast<std::size_t>(Pick(static_cast<int>(in_hand.size())))]);
      d.Pump();
    }
    ended = d.host.hand.HandOver() && d.guest.hand.HandOver();
    hands = 1;
  }

  std::mt19937_64 rng_;
  net::DealEntropy host_entropy_;
  net::DealEntropy guest_entropy_;
  std::unique_ptr<Duo> duo_;
  bool joint_ = false;
  bool cut_armed_ = false;
  bool cut_ = false;
  int cuts_ = 0;
};

struct Recorded {
  std::string summary;
  std::vector<std::string> lines;  // kept whole only for the games spelt out
};

struct Recording {
  std::vector<std::pair<std::uint64_t, KindCount>> games;
  std::map<std::uint64_t, Recorded> by_seed;
};

const KindCount* KindOf(const std::string& version, const std::string& kind) {
  for (const KindCount& k : kKinds) {
    const std::string v =
        std::to_string(k.host_version) + "/" +
        (k.guest_version == 0 ? std::string("c") : std::to_string(k.guest_version));
    if (v == version && kind == k.kind) return &k;
  }
  return nullptr;
}

std::optional<Recording> Read(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  Recording r;
  std::string line;
  std::uint64_t whole_seed = 0;
  bool in_whole = false;
  while (std::getline(in, line)) {
    if (in_whole) {
      if (line == "end") {
        in_whole = false;
      } else {
        r.by_seed[whole_seed].lines.push_back(line);
      }
      continue;
    }
    std::istringstream fields(line);
    std::string word;
    fields >> word;
    if (word == "game") {
      std::uint64_t seed = 0;
      std::string version;
      std::string kind;
      fields >> seed >> version >> kind;
      const KindCount* k = KindOf(version, kind);
      if (k == nullptr) return std::nullopt;
      r.games.emplace_back(seed, *k);
      r.by_seed[seed].summary = line;
    } else if (word == "whole") {
      fields >> whole_seed;
      in_whole = true;
    }
  }
  return r;
}

// The games spelt out: the first two of each kind, and for the jointly dealt the shortest of
// the first ten (their lists make long lines).
bool SpeltOut(const KindCount& kind, std::uint64_t seed) {
  if (std::string(kind.kind) == "joint") return false;
  return seed < kind.first_seed + 2;
}

void Write(const std::string& path) {
  std::ofstream out(path);
  out << "# The wire of random networked games: test_wire_recording replays each seed and\n"
         "# compares. Fields: seed, host/guest highest version (c: classic messages only), kind,\n"
         "# messages sent by host and guest, BLAKE2b-128 of each side's byte stream, the ladder\n"
         "# (one byte per "
      << kLadderStep << " messages). Games spelt out follow the list.\n";
  std::vector<std::pair<std::uint64_t, std::vector<std::string>>> whole;
  std::pair<std::uint64_t, std::vector<std::string>> shortest_joint;
  std::size_t shortest_bytes = SIZE_MAX;
  for (const KindCount& kind : kKinds) {
    for (int i = 0; i < kind.games; ++i) {
      const std::uint64_t seed = kind.first_seed + static_cast<std::uint64_t>(i);
      RecordedGame game(seed, kind);
      out << game.wire.Summary(seed, kind) << "\n";
      if (SpeltOut(kind, seed)) whole.emplace_back(seed, game.wire.lines);
      if (std::string(kind.kind) == "joint" && i < 10 && game.cuts > 0) {
        std::size_t bytes = 0;
        for (const std::string& l : game.wire.lines) bytes += l.size();
        if (bytes < shortest_bytes) {
          shortest_bytes = bytes;
          shortest_joint = {seed, game.wire.lines};
        }
      }
    }
  }
  if (shortest_bytes != SIZE_MAX) whole.push_back(shortest_joint);
  for (const auto& [seed, lines] : whole) {
    out << "whole " << seed << "\n";
    for (const std::string& l : lines) out << l << "\n";
    out << "end\n";
  }
}

TEST(WireRecording, EverySeedSendsTheRecordedBytes) {
  ASSERT_GE(sodium_init(), 0);
  if (const char* path = std::getenv("TRUCO_RECORD_WIRE")) {
    Write(path);
    GTEST_SKIP() << "recorded into " << path;
  }
  if (const char* dump = std::getenv("TRUCO_WIRE_DUMP")) {
    const std::uint64_t seed = std::strtoull(dump, nullptr, 10);
    for (const KindCount& kind : kKinds) {
      if (seed < kind.first_seed ||
          seed >= kind.first_seed + static_cast<std::uint64_t>(kind.games))
        continue;
      RecordedGame game(seed, kind);
      for (const std::string& l : game.wire.lines) std::cout << l << "\n";
      std::cout << game.wire.Summary(seed, kind) << "\n";
    }
    return;
  }
  const auto recording = Read(std::string(TRUCO_SOURCE_DIR) + "/tests/net/data/wire_recording.txt");
  ASSERT_TRUE(recording.has_value()) << "the recording is missing or unreadable";
  // Every kind is there in full: a file cut short would pass on what is left.
  std::map<std::string, int> per_kind;
  for (const auto& [seed, kind] : recording->games) per_kind[kind.kind] += 1;
  int whole_games = 0;
  for (const auto& [name, count] : per_kind) {
    if (name != "classic") whole_games += count;
  }
  EXPECT_EQ(whole_games, 1000);
  EXPECT_EQ(per_kind["classic"], 30);
  int replayed = 0;
  int cuts = 0;
  int ended = 0;
  int spelt = 0;
  std::map<std::string, int> seen;
  for (const auto& [seed, kind] : recording->games) {
    const Recorded& want = recording->by_seed.at(seed);
    const std::string name = kind.kind;
    const std::uint64_t stride = name == "whole"   ? kWholeStride
                                 : name == "joint" ? kJointStride
                                                   : 1;
    if (want.lines.empty() && seed % stride != 0) continue;
    RecordedGame game(seed, kind);
    ++replayed;
    cuts += game.cuts;
    ended += game.ended ? 1 : 0;
    seen[kind.kind] += 1;
    const std::string got = game.wire.Summary(seed, kind);
    if (!want.lines.empty()) {
      ++spelt;
      const std::vector<std::string>& lines = game.wire.lines;
      for (std::size_t i = 0; i < std::max(lines.size(), want.lines.size()); ++i) {
        const std::string a = i < want.lines.size() ? want.lines[i] : "(nothing)";
        const std::string b = i < lines.size() ? lines[i] : "(nothing)";
        if (a != b) {
          ADD_FAILURE() << "seed " << seed << " (" << kind.kind << "): line " << i + 1
                        << " of the game differs\n  recorded: " << a << "\n  now:      " << b;
          break;
        }
      }
    }
    if (got == want.summary) continue;
    // Where the ladders part: the first difference lies in that stretch of messages.
    std::istringstream a(want.summary);
    std::istringstream b(got);
    std::string field_a;
    std::string field_b;
    std::string ladder_a;
    std::string ladder_b;
    while (a >> field_a) ladder_a = field_a;
    while (b >> field_b) ladder_b = field_b;
    std::size_t rung = 0;
    while (rung * 2 < ladder_a.size() && ladder_a.compare(rung * 2, 2, ladder_b, rung * 2, 2) == 0)
      ++rung;
    std::ostringstream now;
    int sent = 0;
    for (const std::string& l : game.wire.lines) {
      if (l[0] == '#') continue;
      ++sent;
      if (sent > static_cast<int>(rung) * kLadderStep &&
          sent <= static_cast<int>(rung + 1) * kLadderStep) {
        now << "  " << sent << ": " << l << "\n";
      }
    }
    ADD_FAILURE() << "seed " << seed << " (" << kind.kind
                  << ") sends other bytes\n  recorded: " << want.summary << "\n  now:      " << got
                  << "\n  the first differing message is one of messages " << rung * kLadderStep + 1
                  << ".." << (rung + 1) * kLadderStep
                  << " (or, once in 256, the stretch before), sent now as:\n"
                  << now.str() << "  TRUCO_WIRE_DUMP=" << seed
                  << " prints the whole game; run it on the commit that recorded to compare";
    if (HasFailure() && replayed > 20) break;
  }
  std::cout << replayed << " games replayed (" << spelt << " spelt out), " << ended
            << " played to their end, " << cuts << " cuts\n";
  // The games did what they are there for: the kinds all ran, lines were cut and games ended.
  EXPECT_EQ(seen.size(), 4U);
  EXPECT_GT(cuts, replayed / 10);
  EXPECT_GT(ended, replayed / 2);
}

}  // namespace
}  // namespace truco::testing
