#include "store/history_stats.h"

#include <algorithm>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "store/sqlite_library.h"

namespace truco::history {

namespace {

// Games in pairs are an opponent of their own, so they never mix with one against one.
std::string WhoOf(const GameInfo& g) {
  const std::string& who = g.kind == OpponentKind::Computer ? g.level : g.opponent;
  return g.seats == kSeatsPairs ? kPairsPrefix + who : who;
}

bool Matches(const OpponentFilter& f, const GameInfo& g) {
  if (f.kind && *f.kind != g.kind) return false;
  if (f.who.empty()) return true;
  return WhoOf(g) == f.who;
}

}  // namespace

std::int64_t WeekStart(std::int64_t t) {
  // 1970-01-01 was a Thursday: Mondays fall 4 days after the epoch, modulo 7.
  constexpr std::int64_t kWeek = 7 * kDay;
  constexpr std::int64_t kMonday = 4 * kDay;
  std::int64_t d = t - kMonday;
  std::int64_t w = d / kWeek;
  if (d % kWeek < 0) --w;
  return w * kWeek + kMonday;
}

void TallyHand(const HandRecord& hand, Stats& stats) {
  const auto& m = hand.moves;
  const bool player_won = hand.winner == static_cast<int>(Who::Player);
  for (std::size_t i = 0; i < m.size(); ++i) {
    if (m[i].who == Who::Player && m[i].hint == Hint::Followed) ++stats.hint_followed;
    if (m[i].who == Who::Player && m[i].hint == Hint::Ignored) ++stats.hint_ignored;
    if (m[i].kind == MoveKind::Eleven && m[i].who == Who::Player) {
      if (m[i].value == 0) {
        ++stats.eleven.given_up;
      } else if (player_won) {
        ++stats.eleven.played_won;
      } else {
        ++stats.eleven.played_lost;
      }
    }
    if (m[i].kind != MoveKind::Call) continue;
    // The call's answer is the next answer of the other side.
    const Who answerer = m[i].who == Who::Player ? Who::Opponent : Who::Player;
    std::optional<std::uint8_t> answer;
    for (std::size_t j = i + 1; j < m.size(); ++j) {
      if (m[j].kind == MoveKind::Answer && m[j].who == answerer) {
        answer = m[j].value;
        break;
      }
    }
    if (!answer) continue;
    if (m[i].who == Who::Player) {
      if (*answer == 'N') {
        ++stats.calls_made.ran;
      } else if (*answer == 'S' || *answer == '+') {
        ++(player_won ? stats.calls_made.accepted_won : stats.calls_made.accepted_lost);
      }
    } else {
      if (*answer == 'N') ++stats.calls_received.ran;
      if (*answer == 'S') ++stats.calls_received.accepted;
      if (*answer == '+') ++stats.calls_received.raised;
    }
  }
}

Stats ComputeStats(const HistoryDb& db, const OpponentFilter& filter, Period period,
                   std::int64_t now) {
  Stats stats;
  // Newest first; a voided game counts nowhere.
  std::vector<GameInfo> games = db.Games();
  std::erase_if(games, [](const GameInfo& g) { return g.voided; });
  const std::int64_t month_ago = now - 30 * kDay;

  // The newest games overall (for the summary) and of the filter (for the charts).
  std::unordered_set<std::int64_t> recent_all;
  std::unordered_set<std::int64_t> chosen;
  int taken = 0;
  for (const GameInfo& g : games) {
    if (recent_all.size() < static_cast<std::size_t>(kRecentGames)) recent_all.insert(g.id);
    if (!Matches(filter, g)) continue;
    const bool in_period = period == Period::All ||
                           (period == Period::Last30Days && g.started >= month_ago) ||
                           (period == Period::Last100Games && taken < kRecentGames);
    if (period == Period::Last100Games) ++taken;
    if (in_period) chosen.insert(g.id);
  }

  std::map<std::pair<int, std::string>, SummaryRow> rows;
  auto in = [&](const GameInfo& g, int p) {
    return p == 0 || (p == 1 && g.started >= month_ago) || (p == 2 && recent_all.count(g.id));
  };
  std::map<std::int64_t, WeekShare> weeks;
  for (const GameInfo& g : games) {
    SummaryRow& row = rows[{static_cast<int>(g.kind), WhoOf(g)}];
    row.kind = g.kind;
    row.who = WhoOf(g);
    for (int p = 0; p < kNumPeriods; ++p) {
      if (!in(g, p)) continue;
      if (g.result == GameResult::Won) ++row.games[static_cast<std::size_t>(p)].won;
      if (g.result == GameResult::Lost) ++row.games[static_cast<std::size_t>(p)].lost;
    }
    if (!chosen.count(g.id)) continue;
    ++stats.games;
    if (g.result != GameResult::Unfinished) {
      WeekShare& w = weeks[WeekStart(g.started)];
      w.week_start = WeekStart(g.started);
      ++w.played;
      if (g.result == GameResult::Won) ++w.won;
    }
  }
  for (const auto& [week, share] : weeks) stats.weeks.push_back(share);

  // Hands: the summary's counts by a light query, the charts' from each chosen hand's moves.
  std::unordered_map<std::int64_t, const GameInfo*> by_id;
  for (const GameInfo& g : games) by_id[g.id] = &g;
  sqlite3_stmt* st = nullptr;
  const SqliteLibrary* sql = db.sqlite();
  if (db.handle() &&
      sql->prepare_v2(db.handle(),
                      "SELECT game, winner, player_points, opponent_points, moves FROM hands", -1,
                      &st, nullptr) == SQLITE_OK) {
    while (sql->step(st) == SQLITE_ROW) {
      const auto it = by_id.find(sql->column_int64(st, 0));
      if (it == by_id.end()) continue;
      const GameInfo& g = *it->second;
      const int winner = sql->column_int(st, 1);
      SummaryRow& row = rows[{static_cast<int>(g.kind), WhoOf(g)}];
      for (int p = 0; p < kNumPeriods; ++p) {
        if (!in(g, p)) continue;
        if (winner == 0) ++row.hands[static_cast<std::size_t>(p)].won;
        if (winner == 1) ++row.hands[static_cast<std::size_t>(p)].lost;
      }
      if (!chosen.count(g.id)) continue;
      ++stats.hands;
      HandRecord hand;
      hand.winner = winner;
      hand.player_points = sql->column_int(st, 2);
      hand.opponent_points = sql->column_int(st, 3);
      if (winner == 0) ++stats.points_won[hand.player_points];
      if (winner == 1) ++stats.points_lost[hand.opponent_points];
      const auto* blob = static_cast<const char*>(sql->column_blob(st, 4));
      const auto size = static_cast<std::size_t>(sql->column_bytes(st, 4));
      if (blob) hand.moves = DecodeMoves(std::string(blob, size)).value_or(std::vector<Move>{});
      TallyHand(hand, stats);
    }
  }
  if (st) sql->finalize(st);

  for (auto& [key, row] : rows) stats.summary.push_back(std::move(row));
  return stats;
}

std::vector<OpponentFilter> Opponents(const HistoryDb& db) {
  std::set<std::pair<int, std::string>> seen;
  for (const GameInfo& g : db.Games()) seen.insert({static_cast<int>(g.kind), WhoOf(g)});
  std::vector<OpponentFilter> out;
  for (const auto& [kind, who] : seen) out.push_back({static_cast<OpponentKind>(kind), who});
  return out;
}

}  // namespace truco::history
