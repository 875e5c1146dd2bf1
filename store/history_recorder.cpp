#include "store/history_recorder.h"

#include <algorithm>
#include <chrono>

namespace truco::history {

namespace {

constexpr std::array<CardId, 3> kPlayer{kCartaJ1, kCartaJ2, kCartaJ3};
constexpr std::array<CardId, 3> kComputer{kCartaM1, kCartaM2, kCartaM3};

TrickResult ResultOf(const std::string& text) {
  if (text == kJogador) return TrickResult::Player;
  if (text == kMicro) return TrickResult::Opponent;
  return TrickResult::Tie;
}

}  // namespace

std::string DeckText(char deck_type) {
  return deck_type == kBaralhoLimpo ? "Limpo" : "Sujo";
}
std::string ManilhaText(ManilhaMode mode) {
  return mode == ManilhaMode::Velha ? "Velha" : "Nova";
}
std::string ElevenText(int eleven_mode) {
  return eleven_mode == 1 ? "No Escuro" : "Normal";
}

HistoryRecorder::HistoryRecorder(HistoryDb& db, Clock clock) : db_(db), clock_(std::move(clock)) {}

std::int64_t HistoryRecorder::Now() const {
  if (clock_) return clock_();
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void HistoryRecorder::BeginGame(OpponentKind kind, const std::string& level,
                                const std::string& opponent, const std::string& path,
                                const GameSettings& settings, int seats) {
  game_ = {};
  game_.seats = seats;
  game_.started = Now();
  game_.kind = kind;
  game_.level = level;
  game_.opponent = opponent;
  game_.path = path;
  game_.deck = DeckText(settings.deck_type);
  game_.manilha = ManilhaText(settings.manilha_mode);
  game_.eleven = ElevenText(settings.eleven_mode);
  game_open_ = true;
  hand_.reset();
  last_player_score_ = 0;
  last_opponent_score_ = 0;
}

void HistoryRecorder::StartHand(const std::array<std::uint8_t, 3>& player_cards,
                                std::uint8_t vira) {
  HandRecord hand;
  hand.number = game_.hands + 1;
  hand.dealt = Now();
  hand.player_cards = player_cards;
  hand.vira = vira;
  hand.moves.reserve(16);
  hand_ = std::move(hand);
  hint_.reset();
}

void HistoryRecorder::AddMove(Move move) {
  if (!hand_) return;
  if (move.who == Who::Player && move.kind != MoveKind::Trick && hint_) {
    const bool followed =
        hint_->kind == move.kind && (hint_->value == 0 || hint_->value == move.value);
    move.hint = followed ? Hint::Followed : Hint::Ignored;
    hint_.reset();
  }
  hand_->moves.push_back(move);
}

void HistoryRecorder::RevealOpponentCard(int slot, std::uint8_t code) {
  if (hand_ && slot >= 0 && slot < 3) hand_->opponent_cards[static_cast<std::size_t>(slot)] = code;
}

void HistoryRecorder::FinishHand(int stake, int player_gain, int opponent_gain, int winner,
                                 int player_score, int opponent_score) {
  if (!hand_) return;
  hand_->stake = stake;
  hand_->player_points = player_gain;
  hand_->opponent_points = opponent_gain;
  hand_->winner = winner;
  hand_->player_score = player_score;
  hand_->opponent_score = opponent_score;
  last_player_score_ = player_score;
  last_opponent_score_ = opponent_score;
  Write();
}

void HistoryRecorder::Write() {
  game_.player_score = hand_->player_score;
  game_.opponent_score = hand_->opponent_score;
  const bool ok = db_.WriteHand(game_, std::move(*hand_));
  hand_.reset();
  ++game_.hands;
  if (ok) {
    ++written_;
    return;
  }
  if (!failure_told_) {
    failure_told_ = true;
    if (on_failure_) on_failure_(db_.last_code(), db_.last_errno());
  }
}

void HistoryRecorder::EndGame(std::optional<bool> won) {
  hand_.reset();
  if (!game_open_) return;
  game_open_ = false;
  if (!won || game_.hands == 0) return;
  game_.ended = Now();
  game_.result = *won ? GameResult::Won : GameResult::Lost;
  // A run is not capped, so the table may show 13 until the game ends; the game ends at 12.
  game_.player_score = std::min(last_player_score_, kPointsToWin);
  game_.opponent_score = std::min(last_opponent_score_, kPointsToWin);
  db_.EndGame(game_);
  last_ended_ = game_;
}

void HistoryRecorder::VoidGame(bool last_ended) {
  hand_.reset();
  if (game_open_) {
    game_open_ = false;
    if (game_.hands > 0) db_.VoidGame(game_);
    return;
  }
  if (last_ended && last_ended_) {
    db_.VoidGame(*last_ended_);
    last_ended_.reset();
  }
}

// --- The game against the computer ----------------------------------------------------------

void HistoryRecorder::OnDeal(const GameState& s) {
  if (s.game_kind == GameKind::ContraPC) {
    // A hand whose three tricks tied is dealt again: it is kept, with no winner.
    if (hand_) {
      const bool all_tied =
          s.trick_result[1].empty() && hand_->moves.size() >= 3 &&
          std::count_if(hand_->moves.begin(), hand_->moves.end(), [](const Move& m) {
            return m.kind == MoveKind::Trick && (m.value & 3) == 0;
          }) == 3;
      if (all_tied) {
        FinishHand(1, 0, 0, -1, last_player_score_, last_opponent_score_);
      }
    }
    if (!game_open_) {
      BeginGame(OpponentKind::Computer, level_, kComputerName, "", s.settings);
    }
    std::array<std::uint8_t, 3> mine{};
    for (std::size_t i = 0; i < 3; ++i) mine[i] = CardCode(s.cards[kPlayer[i]].card);
    const TableCard& vira = s.cards[kCVira];
    StartHand(mine, vira.face_down ? std::uint8_t{0} : CardCode(vira.card));
    for (std::size_t i = 0; i < 3; ++i) {
      hand_->opponent_cards[i] = CardCode(s.cards[kComputer[i]].card);
    }
  }
  if (next_) next_->OnDeal(s);
}

void HistoryRecorder::OnTrick(const GameState& s, int trick) {
  if (s.game_kind == GameKind::ContraPC && trick >= 1 && trick <= 3) {
    const TrickResult r = ResultOf(s.trick_result[static_cast<std::size_t>(trick)]);
    AddMove({MoveKind::Trick, r == TrickResult::Opponent ? Who::Opponent : Who::Player,
             static_cast<std::uint8_t>(trick * 4 + static_cast<int>(r))});
  }
  if (next_) next_->OnTrick(s, trick);
}

void HistoryRecorder::OnPoints(const GameState& s, Side side, int before, PointsReason reason) {
  if (s.game_kind == GameKind::ContraPC) {
    switch (reason) {
      case PointsReason::HandWon:
      case PointsReason::PlayerRan:
      case PointsReason::ComputerRan:
      case PointsReason::ElevenGivenUp: {
        const int after = side == Side::Player ? s.player_points : s.computer_points;
        const int gain = after - before;
        FinishHand(s.hand_stake, side == Side::Player ? gain : 0, side == Side::Computer ? gain : 0,
                   static_cast<int>(WhoOf(side)), s.player_points, s.computer_points);
        break;
      }
      case PointsReason::Restarted:
        if (side == Side::Player) EndGame(std::nullopt);
        break;
      case PointsReason::GameEnded:
        break;
    }
  }
  if (next_) next_->OnPoints(s, side, before, reason);
}

void HistoryRecorder::OnGameEnd(const GameState& s, Side winner) {
  if (s.game_kind == GameKind::ContraPC) EndGame(winner == Side::Player);
  if (next_) next_->OnGameEnd(s, winner);
}

void HistoryRecorder::OnCard(const GameState& s, Side side, CardId id, bool hidden) {
  if (s.game_kind == GameKind::ContraPC) {
    AddMove(
        {hidden ? MoveKind::HiddenCard : MoveKind::Card, WhoOf(side), CardCode(s.cards[id].card)});
  }
  if (next_) next_->OnCard(s, side, id, hidden);
}

void HistoryRecorder::OnCall(const GameState& s, Side caller, int stake) {
  if (s.game_kind == GameKind::ContraPC) {
    AddMove({MoveKind::Call, WhoOf(caller), static_cast<std::uint8_t>(stake)});
  }
  if (next_) next_->OnCall(s, caller, stake);
}

void HistoryRecorder::OnAnswer(const GameState& s, Side answerer, char answer) {
  if (s.game_kind == GameKind::ContraPC) {
    AddMove({MoveKind::Answer, WhoOf(answerer), static_cast<std::uint8_t>(answer)});
  }
  if (next_) next_->OnAnswer(s, answerer, answer);
}

void HistoryRecorder::OnEleven(const GameState& s, Side side, bool plays) {
  if (s.game_kind == GameKind::ContraPC) {
    AddMove({MoveKind::Eleven, WhoOf(side), static_cast<std::uint8_t>(plays ? 1 : 0)});
  }
  if (next_) next_->OnEleven(s, side, plays);
}

}  // namespace truco::history
