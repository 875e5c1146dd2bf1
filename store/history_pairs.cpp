#include "store/history_pairs.h"

namespace truco::history {

using namespace duplas;

namespace {

Who WhoOfTeam(int team) {
  return team == 0 ? Who::Player : Who::Opponent;
}

// The second seat of each team: the partner, and the opponent on the player's left.
bool SecondSeat(int seat) {
  return seat == kNorth || seat == kWest;
}

Move SeatMove(MoveKind kind, int seat, int value) {
  return {kind, WhoOfTeam(TeamOf(seat)), static_cast<std::uint8_t>(value), Hint::None,
          SecondSeat(seat)};
}

}  // namespace

PairsHistory::~PairsHistory() {
  if (open_) recorder_.EndGame(std::nullopt);
}

void PairsHistory::OnDeal(const DuplasState& s) {
  if (!open_) {
    GameSettings settings;
    settings.deck_type = s.settings.deck_type;
    settings.manilha_mode = s.settings.manilha_mode;
    settings.eleven_mode = s.settings.eleven_mode;
    recorder_.BeginGame(OpponentKind::Computer, level_, kComputerName, "", settings, kSeatsPairs);
    open_ = true;
  }
  const auto& own = s.hand[kSouth];
  // With the old manilhas the turned card names nothing and is not shown.
  const bool vira_shown = s.settings.manilha_mode == ManilhaMode::Nova;
  recorder_.StartHand({CardCode(own[0]), CardCode(own[1]), CardCode(own[2])},
                      vira_shown ? CardCode(s.vira) : std::uint8_t{0});
  if (next_) next_->OnDeal(s);
}

void PairsHistory::OnCard(const DuplasState& s, int seat) {
  const Trick& t = s.tricks[static_cast<std::size_t>(s.trick)];
  const PlayedCard& p = t.cards[static_cast<std::size_t>(t.count - 1)];
  // Another seat's card played face down is never seen by the player.
  const int code = p.hidden && seat != kSouth ? 0 : CardCode(p.card);
  recorder_.AddMove(SeatMove(p.hidden ? MoveKind::HiddenCard : MoveKind::Card, seat, code));
  if (next_) next_->OnCard(s, seat);
}

void PairsHistory::OnTrick(const DuplasState& s, int trick) {
  const Trick& t = s.tricks[static_cast<std::size_t>(trick)];
  const TrickResult r = t.result == Taker::Mine     ? TrickResult::Player
                        : t.result == Taker::Theirs ? TrickResult::Opponent
                                                    : TrickResult::Tie;
  const int seat = t.taker_seat == kNoSeat ? kSouth : t.taker_seat;
  recorder_.AddMove(SeatMove(MoveKind::Trick, seat, trick * 4 + static_cast<int>(r)));
  if (next_) next_->OnTrick(s, trick);
}

void PairsHistory::OnCall(const DuplasState& s, int team) {
  // The caller is the seat on turn.
  const int seat = TeamOf(s.turn) == team ? s.turn : (team == 0 ? kSouth : kEast);
  recorder_.AddMove(SeatMove(MoveKind::Call, seat, Info(s.call_rung).stake));
  if (next_) next_->OnCall(s, team);
}

void PairsHistory::OnAnswer(const DuplasState& s, int team, CallAnswer answer) {
  const char value = answer == CallAnswer::Accept  ? kAnswerAccept
                     : answer == CallAnswer::Raise ? kAnswerRaise
                                                   : kAnswerRun;
  recorder_.AddMove({MoveKind::Answer, WhoOfTeam(team), static_cast<std::uint8_t>(value)});
  // A raise calls the next rung back, as a call of its own.
  if (answer == CallAnswer::Raise) {
    if (const auto next = NextRung(s.call_rung)) {
      recorder_.AddMove(
          {MoveKind::Call, WhoOfTeam(team), static_cast<std::uint8_t>(Info(*next).stake)});
    }
  }
  if (next_) next_->OnAnswer(s, team, answer);
}

void PairsHistory::OnEleven(const DuplasState& s, int team, bool plays) {
  recorder_.AddMove({MoveKind::Eleven, WhoOfTeam(team), static_cast<std::uint8_t>(plays ? 1 : 0)});
  if (next_) next_->OnEleven(s, team, plays);
}

void PairsHistory::OnRun(const DuplasState& s, int seat) {
  recorder_.AddMove(SeatMove(MoveKind::Answer, seat, kAnswerRun));
  if (next_) next_->OnRun(s, seat);
}

void PairsHistory::OnPoints(const DuplasState& s, int team, int before,
                            duplas::PointsReason reason) {
  const int gain = s.points[static_cast<std::size_t>(team)] - before;
  recorder_.FinishHand(s.stake, team == 0 ? gain : 0, team == 1 ? gain : 0,
                       static_cast<int>(WhoOfTeam(team)), s.points[0], s.points[1]);
  if (next_) next_->OnPoints(s, team, before, reason);
}

void PairsHistory::OnRedeal(const DuplasState& s) {
  // Three tied tricks: kept with no winner, and dealt again.
  recorder_.FinishHand(s.stake, 0, 0, -1, s.points[0], s.points[1]);
  if (next_) next_->OnRedeal(s);
}

void PairsHistory::OnGameEnd(const DuplasState& s, int winner) {
  open_ = false;
  recorder_.EndGame(winner == 0);
  if (next_) next_->OnGameEnd(s, winner);
}

}  // namespace truco::history
