// arena: duplicate matches between two players through the game's own rules.
//
//   arena A B [--games N] [--seed S] [--json] [--forte-samples K] [--mestre-data FILE]
//   arena --duplas TEAM_A TEAM_B [--games N] [--seed S] [--json]   (the game in pairs)
//   arena --help
//
// Players: classic (the game's computer), random, greedy, forte, mestre. Every deal sequence is
// played twice, A on the player's side and B as the computer's judgement, then the other way round.
// A progress line goes to stderr on long runs; the same seed replays the same match.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "tools/arena/duplas_match.h"
#include "tools/arena/match.h"
#include "tools/arena/players.h"

namespace {

constexpr const char* kUsage =
    "usage: arena PLAYER_A PLAYER_B [--games N] [--seed S] [--json] [--forte-samples K]\n"
    "             [--mestre-data FILE]\n"
    "       arena --duplas TEAM_A TEAM_B [--games N] [--seed S] [--json]\n"
    "       arena --help\n"
    "players: classic random greedy forte mestre\n"
    "teams (--duplas): random rules forte\n";

int Usage() {
  std::fputs(kUsage, stderr);
  return 2;
}

bool ParseNumber(const char* text, unsigned long long& out) {
  char* end = nullptr;
  out = std::strtoull(text, &end, 10);
  return end && *end == '\0' && end != text;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace truco::arena;
  // The game in pairs has a command of its own.
  if (argc > 1 && std::string(argv[1]) == "--duplas") return DuplasMain(argc - 1, argv + 1);
  std::string a, b;
  unsigned long long games = 1000, seed = 1, samples = kForteSamples;
  bool json = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "--json") {
      json = true;
    } else if (arg == "--games" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], games) || games == 0) return Usage();
    } else if (arg == "--seed" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], seed)) return Usage();
    } else if (arg == "--forte-samples" && i + 1 < argc) {
      if (!ParseNumber(argv[++i], samples) || samples == 0 || samples > 100000) return Usage();
    } else if (arg == "--mestre-data" && i + 1 < argc) {
      SetMestreDataPath(argv[++i]);
    } else if (a.empty()) {
      a = arg;
    } else if (b.empty()) {
      b = arg;
    } else {
      return Usage();
    }
  }
  if (!IsPlayerName(a) || !IsPlayerName(b)) return Usage();
  if ((a == "mestre" || b == "mestre") && !ArenaMestreData().model) {
    std::fprintf(stderr, "arena: %s\n",
                 truco::MestreDataProblem(ArenaMestreData().status, "mestre.dat").c_str());
    return 2;
  }

  const auto start = std::chrono::steady_clock::now();
  auto last = start;
  const bool long_run = games >= 200;
  auto progress = [&](const MatchResult& r) {
    if (!long_run) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last < std::chrono::seconds(5) && r.games < static_cast<long>(games)) return;
    last = now;
    const double secs = std::chrono::duration<double>(now - start).count();
    std::fprintf(stderr, "arena: %ld/%llu games, %s %.1f%%, %.0f s\n", r.games, games, a.c_str(),
                 100.0 * static_cast<double>(r.side[0].games_won) / static_cast<double>(r.games),
                 secs);
  };
  const MatchResult result =
      PlayMatch(a, b, static_cast<long>(games), seed, progress, static_cast<int>(samples));
  std::cout << (json ? FormatJson(result) : FormatTable(result));
  return result.stuck > 0 || result.side[0].illegal > 0 || result.side[1].illegal > 0 ? 1 : 0;
}
