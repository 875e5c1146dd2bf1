#pragma once
// What the history says about the player: plain queries over the database, shown by the
// statistics window and checked by tests without any window.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "store/history.h"

namespace truco::history {

enum class Period : std::uint8_t { All = 0, Last30Days = 1, Last100Games = 2 };
inline constexpr int kNumPeriods = 3;
inline constexpr std::int64_t kDay = 86400;
inline constexpr int kRecentGames = 100;

// How the statistics name the opponents of games in pairs: "Duplas, Forte".
inline constexpr const char* kPairsPrefix = "Duplas, ";

// Which games count: every one, one kind of opponent, or one opponent (a level of the computer,
// or one person's name over the network).
struct OpponentFilter {
  std::optional<OpponentKind> kind;
  std::string who;  // empty: every opponent of `kind`
  friend bool operator==(const OpponentFilter&, const OpponentFilter&) = default;
};

struct WinLoss {
  int won = 0;
  int lost = 0;
  friend bool operator==(const WinLoss&, const WinLoss&) = default;
};

// One opponent: games and hands over all time, the last 30 days and the last 100 games.
struct SummaryRow {
  OpponentKind kind = OpponentKind::Computer;
  std::string who;  // the level, or the person's name
  std::array<WinLoss, kNumPeriods> games{};
  std::array<WinLoss, kNumPeriods> hands{};
};

struct WeekShare {
  std::int64_t week_start = 0;  // Monday 00:00 UTC
  int won = 0;
  int played = 0;  // finished games
  friend bool operator==(const WeekShare&, const WeekShare&) = default;
};

// The player's calls: the other side accepted (or raised) and the hand was won or lost, or ran.
struct CallsMade {
  int accepted_won = 0;
  int accepted_lost = 0;
  int ran = 0;
  friend bool operator==(const CallsMade&, const CallsMade&) = default;
};

// The calls the player received and the answers given.
struct CallsReceived {
  int accepted = 0;
  int raised = 0;
  int ran = 0;
  friend bool operator==(const CallsReceived&, const CallsReceived&) = default;
};

// The player's hands of eleven.
struct ElevenHands {
  int played_won = 0;
  int played_lost = 0;
  int given_up = 0;
  friend bool operator==(const ElevenHands&, const ElevenHands&) = default;
};

struct Stats {
  std::vector<SummaryRow> summary;  // every opponent, whatever the filter
  // The rest follow the filter and the period.
  long games = 0;
  long hands = 0;
  std::vector<WeekShare> weeks;    // oldest first, weeks with finished games only
  std::map<int, int> points_won;   // points gained in a hand won -> hands
  std::map<int, int> points_lost;  // points given in a hand lost -> hands
  CallsMade calls_made;
  CallsReceived calls_received;
  ElevenHands eleven;
  int hint_followed = 0;
  int hint_ignored = 0;
};

// Monday 00:00 UTC of the week holding `t`.
std::int64_t WeekStart(std::int64_t t);

Stats ComputeStats(const HistoryDb& db, const OpponentFilter& filter, Period period,
                   std::int64_t now);

// The opponents in the history, for the filter: computer levels first, then people by name.
std::vector<OpponentFilter> Opponents(const HistoryDb& db);

// Adds one hand's calls, eleven and hints to `stats` (the piece of ComputeStats a test can
// drive hand by hand).
void TallyHand(const HandRecord& hand, Stats& stats);

}  // namespace truco::history
