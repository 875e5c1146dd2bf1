// The sampling player of a game in pairs: the unseen cards dealt many times, the hand played out.
#include <algorithm>
#include <vector>

#include "opponent/duplas_players.h"

namespace truco::duplas {
namespace {

std::size_t U(int i) {
  return static_cast<std::size_t>(i);
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t x) {
  h ^= x + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  return h * 0xBF58476D1CE4E5B9ull;
}

std::uint64_t CardCode(Card c) {
  return static_cast<std::uint64_t>(c.Value) * 4 + static_cast<std::uint64_t>(c.suit);
}

// Only what the view holds goes in, so the same view always draws the same deals.
std::uint64_t HashView(const DuplasView& v, std::uint64_t seed) {
  std::uint64_t h = Mix(seed, static_cast<std::uint64_t>(v.seat));
  for (std::size_t i = 0; i < kHandSize; ++i) {
    h = Mix(h, v.own[i] ? CardCode(*v.own[i]) + 1 : 0);
    h = Mix(h, v.own_in_hand[i] ? 1 : 0);
    h = Mix(h, v.partner[i] ? CardCode(*v.partner[i]) + 1 : 0);
  }
  for (std::size_t t = 1; t <= 3; ++t) {
    for (int i = 0; i < v.tricks[t].count; ++i) {
      const PlayedCard& p = v.tricks[t].cards[U(i)];
      h = Mix(h,
              CardCode(p.card) * 16 + static_cast<std::uint64_t>(p.seat) * 2 + (p.hidden ? 1 : 0));
    }
  }
  h = Mix(h, static_cast<std::uint64_t>(v.partner_sign));
  h = Mix(h, v.vira ? CardCode(*v.vira) : 0);
  h = Mix(h, static_cast<std::uint64_t>(v.stake * 64 + v.points[0] * 16 + v.points[1]));
  return h;
}

struct Sampler {
  const DuplasView& v;
  std::vector<Card> pool;
  std::mt19937_64 rng;

  Sampler(const DuplasView& view, std::uint64_t seed) : v(view), rng(HashView(view, seed)) {
    auto known = [&](Card c) {
      for (std::size_t i = 0; i < kHandSize; ++i) {
        if (v.own[i] == c || v.partner[i] == c) return true;
      }
      if (v.vira == c) return true;
      for (std::size_t t = 1; t <= 3; ++t) {
        for (int i = 0; i < v.tricks[t].count; ++i) {
          const PlayedCard& p = v.tricks[t].cards[U(i)];
          if (!p.hidden && p.card == c) return true;
        }
      }
      return false;
    };
    for (std::uint8_t value : DeckValues(v.settings.deck_type)) {
      for (int s = 0; s < kNumSuits; ++s) {
        const Card c{value, static_cast<Suit>(s)};
        if (!known(c)) pool.push_back(c);
      }
    }
  }

  // A whole state that agrees with the view: the unseen hands drawn from the pool.
  DuplasState Draw() {
    DuplasState s;
    s.settings = v.settings;
    s.settings.signs = false;
    s.phase = Phase::Play;
    s.manilha_value = v.manilha_value;
    s.tricks = v.tricks;
    s.trick = v.trick;
    s.turn = v.turn;
    s.hand_leader = v.hand_leader;
    s.stake = v.stake;
    s.eleven_team = v.eleven_team;
    s.iron_hand = v.iron_hand;
    s.blind = v.blind;
    s.points = v.points;
    s.hands = 1;
    const bool partner_shown = v.partner[0].has_value();
    for (int tries = 0;; ++tries) {
      std::size_t next = 0;
      auto take = [&]() {
        const std::size_t j = next + rng() % (pool.size() - next);
        std::swap(pool[next], pool[j]);
        return pool[next++];
      };
      for (int seat = 0; seat < kNumSeats; ++seat) {
        auto& hand = s.hand[U(seat)];
        auto& held = s.in_hand[U(seat)];
        held.fill(false);
        if (seat == v.seat && !v.blind) {
          for (std::size_t i = 0; i < kHandSize; ++i) hand[i] = *v.own[i];
          held = v.own_in_hand;
          continue;
        }
        if (seat == PartnerOf(v.seat) && partner_shown) {
          for (std::size_t i = 0; i < kHandSize; ++i) hand[i] = *v.partner[i];
          held = v.partner_in_hand;
          continue;
        }
        const int n = seat == v.seat ? kHandSize - (kHandSize - v.HeldBy(seat)) : v.HeldBy(seat);
        for (int i = 0; i < n && next < pool.size(); ++i) {
          hand[U(i)] = take();
          held[U(i)] = true;
        }
      }
      if (tries >= 24 || partner_shown || v.partner_sign == Sign::None) break;
      // The partner's sign tells its best card of the deal: keep the deals that agree.
      const int mate = PartnerOf(v.seat);
      int best = -1;
      for (std::size_t i = 0; i < kHandSize; ++i) {
        if (s.in_hand[U(mate)][i]) best = std::max(best, s.Strength(s.hand[U(mate)][i]));
      }
      for (std::size_t t = 1; t <= 3; ++t) {
        for (int i = 0; i < v.tricks[t].count; ++i) {
          const PlayedCard& p = v.tricks[t].cards[U(i)];
          if (p.seat == mate && !p.hidden) best = std::max(best, s.Strength(p.card));
        }
      }
      if (SignOfStrength(best) == v.partner_sign) break;
    }
    return s;
  }
};

// +1 when `team` takes the hand, -1 when it loses it, 0 when it is dealt again.
int PlayOut(DuplasState s, int team, int seat, int first_slot) {
  static StackedRandom no_chance;
  DuplasGame game(no_chance);
  game.mutable_state() = s;
  DuplasRules rules;
  const auto before = s.points;
  if (first_slot >= 0 && s.turn == seat) game.Play(seat, first_slot, false);
  for (int guard = 0; guard < 16 && game.state().phase == Phase::Play; ++guard) {
    const int turn = game.state().turn;
    const CardChoice c = rules.ChooseCard(ViewOf(game.state(), turn));
    if (!game.Play(turn, c.slot, c.hidden)) game.Play(turn, c.slot, false);
  }
  const auto& after = game.state().points;
  if (after[U(team)] > before[U(team)]) return 1;
  if (after[U(OtherTeam(team))] > before[U(OtherTeam(team))]) return -1;
  return 0;
}

}  // namespace

double DuplasForte::HandChance(const DuplasView& v, int first_slot) const {
  Sampler sampler(v, seed_);
  int sum = 0;
  for (int i = 0; i < samples_; ++i) sum += PlayOut(sampler.Draw(), v.team(), v.seat, first_slot);
  // +1 win, -1 loss: the chance counts a re-deal as half.
  return 0.5 + 0.5 * static_cast<double>(sum) / static_cast<double>(std::max(1, samples_));
}

CardChoice DuplasForte::ChooseCard(const DuplasView& v) {
  if (v.blind) return DuplasRules().ChooseCard(v);
  Sampler sampler(v, seed_);
  std::vector<DuplasState> deals;
  deals.reserve(U(samples_));
  for (int i = 0; i < samples_; ++i) deals.push_back(sampler.Draw());
  int best_slot = -1;
  int best_score = 0;
  int best_strength = 0;
  for (int slot = 0; slot < kHandSize; ++slot) {
    if (!v.own_in_hand[U(slot)]) continue;
    const int strength = v.Strength(*v.own[U(slot)]);
    int score = 0;
    for (const DuplasState& d : deals) score += PlayOut(d, v.team(), v.seat, slot);
    // Equal scores: the weaker card, kept cheap.
    if (best_slot < 0 || score > best_score || (score == best_score && strength < best_strength)) {
      best_slot = slot;
      best_score = score;
      best_strength = strength;
    }
  }
  return {std::max(best_slot, 0), false};
}

bool DuplasForte::WantsCall(const DuplasView& v) {
  if (!v.may_call) return false;
  return HandChance(v) >= 0.68;
}

CallAnswer DuplasForte::Answer(const DuplasView& v) {
  const RungInfo& info = Info(v.call_rung);
  const double p = HandChance(v);
  const int theirs = v.points[U(OtherTeam(v.team()))];
  const int ours = v.points[U(v.team())];
  if (p >= 0.78 && NextRung(v.call_rung) && ours + info.stake < kPointsToWin) {
    return CallAnswer::Raise;
  }
  if (theirs + info.run_value >= kPointsToWin) return CallAnswer::Accept;
  // Accepting is worth (2p - 1) * stake; running costs what the callers gain.
  const double accept = (2 * p - 1) * info.stake;
  return accept >= -info.run_value ? CallAnswer::Accept : CallAnswer::Run;
}

bool DuplasForte::PlaysEleven(const DuplasView& v) {
  const double p = HandChance(v);
  const int theirs = v.points[U(OtherTeam(v.team()))];
  // Losing at 3 may hand over the game; giving up costs one point.
  if (theirs + kElevenStake >= kPointsToWin) return p >= 0.5;
  return (2 * p - 1) * kElevenStake >= -kElevenGiveUp;
}

}  // namespace truco::duplas
