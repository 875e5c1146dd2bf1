#include "tools/arena/match.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

#include "opponent/computer.h"
#include "tools/arena/players.h"
#include "tools/arena/seats.h"

namespace truco::arena {
namespace {

std::uint64_t SplitMix(std::uint64_t x) {
  std::uint64_t z = x + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A game that takes more events than this is stuck, not long.
constexpr int kMaxEvents = 20000;

class Tally : public GameObserver {
 public:
  explicit Tally(GameRecord& record, bool log) : record_(record), log_(log) {}
  void OnDeal(const GameState& s) override {
    if (!log_ || done) return;
    DealtCards d;
    for (std::size_t i = 0; i < 3; ++i) {
      d.player[i] = s.cards[kCartaJ1 + i].card;
      d.computer[i] = s.cards[kCartaM1 + i].card;
    }
    d.vira = s.cards[kCVira].card;
    record_.deals.push_back(d);
  }
  void OnPoints(const GameState& s, Side side, int before, PointsReason reason) override {
    if (done) return;
    if (reason == PointsReason::GameEnded || reason == PointsReason::Restarted) return;
    SideTally& t = side == Side::Player ? record_.player : record_.computer;
    const int after = side == Side::Player ? s.player_points : s.computer_points;
    t.points += after - before;
    ++t.hands_won;
    ++record_.hands;
  }
  void OnGameEnd(const GameState&, Side winner) override {
    if (done) return;
    done = true;
    record_.winner = winner;
    (winner == Side::Player ? record_.player : record_.computer).games_won = 1;
  }
  bool done = false;

 private:
  GameRecord& record_;
  bool log_;
};

void Add(SideTally& into, const SideTally& from) {
  into.games_won += from.games_won;
  into.hands_won += from.hands_won;
  into.points += from.points;
  into.calls += from.calls;
  into.calls_accepted += from.calls_accepted;
  into.illegal += from.illegal;
}

}  // namespace

void DuplicateRandom::Reseed() {
  inner_.Seed(SplitMix(game_seed_ ^ SplitMix(++deal_)));
}

GameRecord PlayOneGame(const Judgement& on_player_seat, const Judgement& on_computer_seat,
                       std::uint64_t game_seed, bool log_deals, GameSettings settings) {
  GameRecord record;
  DuplicateRandom chance(game_seed);
  PlayerSeat player(on_player_seat);
  ComputerSeat computer(on_computer_seat);
  // The classic computer names its own trick results by its rules; the others are checked.
  computer.check_results = dynamic_cast<const ComputerJudgement*>(&on_computer_seat) == nullptr;
  Game game(player, chance, computer);
  player.Bind(game);
  Tally tally(record, log_deals);
  game.set_observer(&tally);
  game.mutable_state().settings = settings;
  game.BInicioClick();
  int events = 0;
  while (!tally.done) {
    if (++events > kMaxEvents || !player.Act()) {
      record.stuck = true;
      break;
    }
  }
  // Calls of one seat are the ones the other seat answered.
  record.player.calls = computer.stats.answered;
  record.player.calls_accepted = computer.stats.accepted;
  record.computer.calls = player.stats.answered;
  record.computer.calls_accepted = player.stats.accepted;
  record.player.illegal = player.stats.illegal;
  record.computer.illegal = computer.stats.illegal;
  return record;
}

Interval Wilson(long wins, long n) {
  if (n <= 0) return {0, 1};
  constexpr double z = 1.959963984540054;
  const double nn = static_cast<double>(n);
  const double p = static_cast<double>(wins) / nn;
  const double denom = 1 + z * z / nn;
  const double centre = (p + z * z / (2 * nn)) / denom;
  const double half = z * std::sqrt(p * (1 - p) / nn + z * z / (4 * nn * nn)) / denom;
  return {std::max(0.0, centre - half), std::min(1.0, centre + half)};
}

MatchResult PlayMatch(const std::string& name_a, const std::string& name_b, long games,
                      std::uint64_t seed, const std::function<void(const MatchResult&)>& progress,
                      int forte_samples) {
  MatchResult result;
  result.name_a = name_a;
  result.name_b = name_b;
  result.seed = seed;
  const long pairs = (games + 1) / 2;
  for (long i = 0; i < pairs; ++i) {
    const std::uint64_t game_seed =
        SplitMix(seed * 0x100000001B3ull + static_cast<std::uint64_t>(i));
    for (int seating = 0; seating < 2; ++seating) {
      // Seating 0: A clicks on the player's side and B is the game's judgement; then swapped.
      const std::uint64_t player_seed =
          SplitMix(game_seed + 11 + static_cast<std::uint64_t>(seating));
      auto a = MakePlayer(name_a, player_seed, forte_samples);
      auto b = MakePlayer(name_b, SplitMix(player_seed), forte_samples);
      const Judgement& on_player = seating == 0 ? *a : *b;
      const Judgement& on_computer = seating == 0 ? *b : *a;
      const GameRecord rec = PlayOneGame(on_player, on_computer, game_seed);
      const SideTally& of_a = seating == 0 ? rec.player : rec.computer;
      const SideTally& of_b = seating == 0 ? rec.computer : rec.player;
      Add(result.side[0], of_a);
      Add(result.side[1], of_b);
      result.hands += rec.hands;
      ++result.games;
      if (rec.stuck) ++result.stuck;
    }
    if (progress) progress(result);
  }
  return result;
}

namespace {

double PerHand(long points, long hands) {
  return hands > 0 ? static_cast<double>(points) / static_cast<double>(hands) : 0.0;
}

}  // namespace

std::string FormatTable(const MatchResult& r) {
  std::ostringstream out;
  char line[256];
  std::snprintf(line, sizeof line,
                "%s vs %s: %ld games (%ld duplicate deal sequences), %ld hands, seed %llu\n",
                r.name_a.c_str(), r.name_b.c_str(), r.games, r.games / 2, r.hands,
                static_cast<unsigned long long>(r.seed));
  out << line;
  std::snprintf(line, sizeof line, "%-8s %7s %8s  %-17s %9s %9s %7s %9s\n", "player", "won",
                "win %", "95% interval", "pts/hand", "hands won", "calls", "accepted");
  out << line;
  for (std::size_t i = 0; i < 2; ++i) {
    const SideTally& t = r.side[i];
    const Interval w = Wilson(t.games_won, r.games);
    std::snprintf(
        line, sizeof line, "%-8s %7ld %7.1f%%  [%5.1f%%, %5.1f%%] %9.3f %9ld %7ld %9ld\n",
        (i == 0 ? r.name_a : r.name_b).c_str(), t.games_won,
        r.games ? 100.0 * static_cast<double>(t.games_won) / static_cast<double>(r.games) : 0.0,
        100 * w.low, 100 * w.high, PerHand(t.points, r.hands), t.hands_won, t.calls,
        t.calls_accepted);
    out << line;
  }
  if (r.stuck > 0 || r.side[0].illegal > 0 || r.side[1].illegal > 0) {
    out << "faults: " << r.stuck << " stuck games, " << r.side[0].illegal << " and "
        << r.side[1].illegal << " illegal decisions\n";
  }
  return out.str();
}

std::string FormatJson(const MatchResult& r) {
  std::ostringstream out;
  char num[64];
  auto fixed = [&](double x) {
    std::snprintf(num, sizeof num, "%.4f", x);
    return std::string(num);
  };
  out << "{\n  \"seed\": " << r.seed << ",\n  \"games\": " << r.games
      << ",\n  \"hands\": " << r.hands << ",\n  \"stuck_games\": " << r.stuck
      << ",\n  \"players\": [\n";
  for (std::size_t i = 0; i < 2; ++i) {
    const SideTally& t = r.side[i];
    const Interval w = Wilson(t.games_won, r.games);
    out << "    {\"name\": \"" << (i == 0 ? r.name_a : r.name_b)
        << "\", \"games_won\": " << t.games_won << ", \"win_rate\": "
        << fixed(r.games ? static_cast<double>(t.games_won) / static_cast<double>(r.games) : 0.0)
        << ", \"wilson95\": [" << fixed(w.low) << ", " << fixed(w.high)
        << "], \"points\": " << t.points
        << ", \"points_per_hand\": " << fixed(PerHand(t.points, r.hands))
        << ", \"hands_won\": " << t.hands_won << ", \"calls\": " << t.calls
        << ", \"calls_accepted\": " << t.calls_accepted << ", \"illegal\": " << t.illegal << "}"
        << (i == 0 ? ",\n" : "\n");
  }
  out << "  ]\n}\n";
  return out.str();
}

}  // namespace truco::arena
