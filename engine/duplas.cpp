#include "engine/duplas.h"

#include <algorithm>

namespace truco::duplas {

bool DuplasState::MayCallNow(int seat) const {
  if (phase != Phase::Play || seat != turn || CallsClosed()) return false;
  return MayCall(stake, false, accepted_team == TeamOf(seat));
}

int TrickTaker(const DuplasState& state, const Trick& trick) {
  int best = kHiddenStrength - 1;
  int taker = kNoSeat;
  bool both_teams = false;
  for (int i = 0; i < trick.count; ++i) {
    const PlayedCard& p = trick.cards[static_cast<std::size_t>(i)];
    const int s = state.StrengthOf(p);
    if (s > best) {
      best = s;
      taker = p.seat;
      both_teams = false;
    } else if (s == best && TeamOf(p.seat) != TeamOf(taker)) {
      both_teams = true;
    }
  }
  // A hidden card never takes a trick: four hidden cards tie it.
  if (best == kHiddenStrength) return kNoSeat;
  return both_teams ? kNoSeat : taker;
}

DuplasGame::DuplasGame(RandomSource& random, DuplasSettings settings) : random_(random) {
  state_.settings = settings;
}

void DuplasGame::NewMatch() {
  const DuplasSettings settings = state_.settings;
  state_ = DuplasState{};
  state_.settings = settings;
  next_leader_ = kSouth;
}

Due DuplasGame::NextDue() const {
  const DuplasState& s = state_;
  switch (s.phase) {
    case Phase::Idle:
      return {Due::Kind::Deal, kNoSeat, -1};
    case Phase::ElevenDecision:
      return {Due::Kind::Eleven, kNoSeat, s.eleven_team};
    case Phase::Play:
      return {Due::Kind::Play, s.turn, -1};
    case Phase::CallPending:
      return {Due::Kind::Answer, kNoSeat, OtherTeam(s.call_team)};
  }
  return {};
}

bool DuplasGame::Deal() {
  DuplasState& s = state_;
  if (s.phase != Phase::Idle) return false;
  if (GameWinner(s.points[0], s.points[1]) != Taker::Nobody) s.points = {};
  random_.Reseed();
  UsedCards used;
  const char deck = s.settings.deck_type;
  s.vira = Sorteia(deck, used, random_);
  if (s.settings.manilha_mode == ManilhaMode::Nova) {
    s.manilha_value.fill(static_cast<std::uint8_t>(Proxima(deck, s.vira.Value)));
  } else {
    s.manilha_value = ManilhasVelhas();
  }
  for (auto& h : s.hand) {
    for (Card& c : h) c = Sorteia(deck, used, random_);
  }
  for (auto& h : s.in_hand) h.fill(true);
  s.tricks = {};
  s.trick = 1;
  s.hand_leader = next_leader_;
  next_leader_ = NextSeat(next_leader_);
  s.turn = s.hand_leader;
  s.tricks[1].leader = s.turn;
  s.stake = 1;
  s.accepted_team = -1;
  s.call_team = -1;
  s.sign.fill(Sign::None);
  s.iron_hand = s.points[0] == kHandOfEleven && s.points[1] == kHandOfEleven;
  s.blind = s.iron_hand && s.settings.eleven_mode == 1;
  s.eleven_team = -1;
  if (!s.iron_hand) {
    for (int t = 0; t < kNumTeams; ++t) {
      if (s.points[static_cast<std::size_t>(t)] == kHandOfEleven) s.eleven_team = t;
    }
  }
  s.phase = s.eleven_team >= 0 ? Phase::ElevenDecision : Phase::Play;
  ++s.hands;
  if (observer_) observer_->OnDeal(s);
  return true;
}

bool DuplasGame::DecideEleven(int team, bool play) {
  DuplasState& s = state_;
  if (s.phase != Phase::ElevenDecision || team != s.eleven_team) return false;
  if (observer_) observer_->OnEleven(s, team, play);
  if (!play) {
    EndHand(OtherTeam(team), kElevenGiveUp, PointsReason::ElevenGivenUp);
    return true;
  }
  s.stake = kElevenStake;
  s.phase = Phase::Play;
  return true;
}

bool DuplasGame::ShowSign(int seat, Sign sign) {
  if (!state_.settings.signs || seat < 0 || seat >= kNumSeats) return false;
  if (state_.phase == Phase::Idle) return false;
  state_.sign[static_cast<std::size_t>(seat)] = sign;
  return true;
}

bool DuplasGame::Play(int seat, int slot, bool hidden) {
  DuplasState& s = state_;
  if (s.phase != Phase::Play || seat != s.turn || slot < 0 || slot >= kHandSize) return false;
  auto& held = s.in_hand[static_cast<std::size_t>(seat)];
  if (!held[static_cast<std::size_t>(slot)]) return false;
  // Hiding needs a card one sees, from the second trick on.
  if (hidden && (s.trick < 2 || s.blind)) return false;
  held[static_cast<std::size_t>(slot)] = false;
  Trick& t = s.tricks[static_cast<std::size_t>(s.trick)];
  t.cards[static_cast<std::size_t>(t.count++)] = {
      seat, s.hand[static_cast<std::size_t>(seat)][static_cast<std::size_t>(slot)], hidden};
  if (observer_) observer_->OnCard(s, seat);
  if (t.count < kNumSeats) {
    s.turn = NextSeat(seat);
    return true;
  }
  CloseTrick();
  return true;
}

void DuplasGame::CloseTrick() {
  DuplasState& s = state_;
  Trick& t = s.tricks[static_cast<std::size_t>(s.trick)];
  t.taker_seat = TrickTaker(s, t);
  t.result = t.taker_seat == kNoSeat     ? Taker::Tie
             : TeamOf(t.taker_seat) == 0 ? Taker::Mine
                                         : Taker::Theirs;
  std::array<Taker, 4> results{};
  for (int i = 1; i <= s.trick; ++i) {
    results[static_cast<std::size_t>(i)] = s.tricks[static_cast<std::size_t>(i)].result;
  }
  const Taker winner = HandWinnerOf(results);
  if (winner == Taker::Nobody) {
    // The observer sees the next trick's leader already on turn.
    const int leader = t.taker_seat == kNoSeat ? t.leader : t.taker_seat;
    s.tricks[static_cast<std::size_t>(s.trick) + 1].leader = leader;
    s.turn = leader;
    if (observer_) observer_->OnTrick(s, s.trick);
    ++s.trick;
    return;
  }
  if (observer_) observer_->OnTrick(s, s.trick);
  if (winner == Taker::Tie) {
    Redeal();
  } else {
    EndHand(winner == Taker::Mine ? 0 : 1, s.stake, PointsReason::HandWon);
  }
}

bool DuplasGame::Call(int seat) {
  DuplasState& s = state_;
  if (!s.MayCallNow(seat)) return false;
  s.call_team = TeamOf(seat);
  s.call_rung = *NextCall(s.stake);
  s.phase = Phase::CallPending;
  if (observer_) observer_->OnCall(s, s.call_team);
  return true;
}

bool DuplasGame::Answer(int team, CallAnswer answer) {
  DuplasState& s = state_;
  if (s.phase != Phase::CallPending || team != OtherTeam(s.call_team)) return false;
  const RungInfo& info = Info(s.call_rung);
  if (answer == CallAnswer::Raise && !NextRung(s.call_rung)) return false;
  if (observer_) observer_->OnAnswer(s, team, answer);
  switch (answer) {
    case CallAnswer::Accept:
      s.stake = info.stake;
      s.accepted_team = team;
      s.call_team = -1;
      s.phase = Phase::Play;
      return true;
    case CallAnswer::Raise: {
      const std::optional<Rung> next = NextRung(s.call_rung);
      if (!next) return false;
      // A raise accepts the call and names the next rung back.
      s.stake = info.stake;
      s.accepted_team = team;
      s.call_team = team;
      s.call_rung = *next;
      return true;
    }
    case CallAnswer::Run:
      EndHand(s.call_team, info.run_value, PointsReason::CallRefused);
      return true;
  }
  return false;
}

bool DuplasGame::Run(int seat) {
  DuplasState& s = state_;
  if (s.phase != Phase::Play || seat != s.turn) return false;
  if (observer_) observer_->OnRun(s, seat);
  EndHand(OtherTeam(TeamOf(seat)), s.stake, PointsReason::Ran);
  return true;
}

void DuplasGame::EndHand(int winner_team, int amount, PointsReason reason) {
  DuplasState& s = state_;
  int& pts = s.points[static_cast<std::size_t>(winner_team)];
  const int before = pts;
  pts = PointsAfter(pts, amount, true);
  s.phase = Phase::Idle;
  s.call_team = -1;
  s.turn = kNoSeat;
  if (observer_) observer_->OnPoints(s, winner_team, before, reason);
  const Taker g = GameWinner(s.points[0], s.points[1]);
  if (g != Taker::Nobody) {
    const int winner = g == Taker::Mine ? 0 : 1;
    ++s.games[static_cast<std::size_t>(winner)];
    if (observer_) observer_->OnGameEnd(s, winner);
  }
}

void DuplasGame::Redeal() {
  DuplasState& s = state_;
  s.phase = Phase::Idle;
  s.turn = kNoSeat;
  if (observer_) observer_->OnRedeal(s);
}

}  // namespace truco::duplas
