#include "tools/arena/duplas_match.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "opponent/duplas_players.h"

namespace truco::arena {
namespace {

using namespace truco::duplas;

std::uint64_t SplitMix(std::uint64_t x) {
  std::uint64_t z = x + 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// A game that takes more steps than this is stuck, not long.
constexpr int kMaxSteps = 100000;

class Tally final : public DuplasObserver {
 public:
  explicit Tally(DuplasGameRecord& record) : record_(record) {}
  void OnPoints(const DuplasState& s, int team, int before, duplas::PointsReason) override {
    SideTally& t = record_.team[static_cast<std::size_t>(team)];
    t.points += s.points[static_cast<std::size_t>(team)] - before;
    ++t.hands_won;
    ++record_.hands;
  }
  void OnCall(const DuplasState&, int team) override {
    ++record_.team[static_cast<std::size_t>(team)].calls;
  }
  void OnAnswer(const DuplasState& s, int, CallAnswer answer) override {
    // Calls of one team are the ones the other accepted (a raise accepts too).
    if (answer != CallAnswer::Run)
      ++record_.team[static_cast<std::size_t>(s.call_team)].calls_accepted;
  }
  void OnGameEnd(const DuplasState&, int winner) override {
    record_.winner = winner;
    record_.team[static_cast<std::size_t>(winner)].games_won = 1;
  }

 private:
  DuplasGameRecord& record_;
};

}  // namespace

bool IsDuplasPlayerName(const std::string& name) {
  return name == "random" || name == "rules" || name == "forte";
}

DuplasGameRecord PlayOneDuplasGame(const std::string& team0, const std::string& team1,
                                   std::uint64_t game_seed, std::uint64_t players_seed,
                                   DuplasSettings settings) {
  DuplasGameRecord record;
  DuplicateRandom chance(game_seed);
  DuplasGame game(chance, settings);
  Tally tally(record);
  game.set_observer(&tally);
  std::array<std::unique_ptr<DuplasPlayer>, kNumSeats> owned;
  std::array<DuplasPlayer*, kNumSeats> players{};
  for (int seat = 0; seat < kNumSeats; ++seat) {
    owned[static_cast<std::size_t>(seat)] =
        MakeDuplasPlayer(TeamOf(seat) == 0 ? team0 : team1,
                         SplitMix(players_seed + static_cast<std::uint64_t>(seat)));
    players[static_cast<std::size_t>(seat)] = owned[static_cast<std::size_t>(seat)].get();
  }
  for (int steps = 0; record.winner < 0; ++steps) {
    if (steps > kMaxSteps) return record;
    if (game.NextDue().kind == Due::Kind::Deal) {
      game.Deal();
      if (settings.signs) {
        for (int seat = 0; seat < kNumSeats; ++seat) {
          DuplasPlayer* p = players[static_cast<std::size_t>(seat)];
          game.ShowSign(seat, p->ChooseSign(ViewOf(game.state(), seat)));
        }
      }
    } else if (!StepComputer(game, players)) {
      return record;
    }
  }
  return record;
}

MatchResult PlayDuplasMatch(const std::string& name_a, const std::string& name_b, long games,
                            std::uint64_t seed,
                            const std::function<void(const MatchResult&)>& progress) {
  MatchResult result;
  result.name_a = name_a;
  result.name_b = name_b;
  result.seed = seed;
  const long pairs = (games + 1) / 2;
  for (long i = 0; i < pairs; ++i) {
    const std::uint64_t game_seed =
        SplitMix(seed * 0x100000001B3ull + static_cast<std::uint64_t>(i));
    for (int seating = 0; seating < 2; ++seating) {
      // Seating 0: A on south and north; then the same deals with B there.
      const DuplasGameRecord rec = PlayOneDuplasGame(
          seating == 0 ? name_a : name_b, seating == 0 ? name_b : name_a, game_seed,
          SplitMix(game_seed + 7 + static_cast<std::uint64_t>(seating)));
      const std::size_t a = seating == 0 ? 0 : 1;
      for (std::size_t side = 0; side < 2; ++side) {
        const SideTally& t = rec.team[side == 0 ? a : 1 - a];
        result.side[side].games_won += t.games_won;
        result.side[side].hands_won += t.hands_won;
        result.side[side].points += t.points;
        result.side[side].calls += t.calls;
        result.side[side].calls_accepted += t.calls_accepted;
      }
      result.hands += rec.hands;
      ++result.games;
      if (rec.winner < 0) ++result.stuck;
    }
    if (progress) progress(result);
  }
  return result;
}

int DuplasMain(int argc, char** argv) {
  std::string a, b;
  unsigned long long games = 1000, seed = 1;
  bool json = false;
  auto usage = [] {
    std::fprintf(stderr,
                 "usage: arena --duplas TEAM_A TEAM_B [--games N] [--seed S] [--json]\n"
                 "teams: random rules forte\n");
    return 2;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--json") {
      json = true;
    } else if ((arg == "--games" || arg == "--seed") && i + 1 < argc) {
      char* end = nullptr;
      const unsigned long long n = std::strtoull(argv[++i], &end, 10);
      if (!end || *end != '\0') return usage();
      (arg == "--games" ? games : seed) = n;
    } else if (a.empty()) {
      a = arg;
    } else if (b.empty()) {
      b = arg;
    } else {
      return usage();
    }
  }
  if (!IsDuplasPlayerName(a) || !IsDuplasPlayerName(b) || games == 0) return usage();
  const auto start = std::chrono::steady_clock::now();
  auto last = start;
  auto progress = [&](const MatchResult& r) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::seconds(5)) return;
    last = now;
    std::fprintf(stderr, "arena --duplas: %ld/%llu games, %s %.1f%%, %.0f s\n", r.games, games,
                 a.c_str(),
                 100.0 * static_cast<double>(r.side[0].games_won) / static_cast<double>(r.games),
                 std::chrono::duration<double>(now - start).count());
  };
  const MatchResult r = PlayDuplasMatch(a, b, static_cast<long>(games), seed, progress);
  std::cout << (json ? FormatJson(r) : FormatTable(r));
  return r.stuck > 0 ? 1 : 0;
}

}  // namespace truco::arena
