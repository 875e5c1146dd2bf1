#pragma once
// Truco in pairs ("duplas"): four seats, two teams, partners facing each other.
//
// Rule choices (paulista, with the vira and manilha nova or velha as set):
// - Seats counter-clockwise: south (the player), east, north (the partner), west. Team 0 ("NÓS")
//   is south and north, team 1 ("ELES") east and west. The first lead passes counter-clockwise
//   from hand to hand, re-deals included.
// - A trick is four cards from its leader on. The highest strength takes it for its team; equal
//   highest cards of both teams tie it, equal highest cards of one team give it to that team.
//   The next trick is led by the (first) player of the highest card, after a tie by the leader
//   of the tied trick. A hidden card (second trick on) has no strength and never takes a trick.
// - The hand is decided exactly as one against one (CreditTrick / HandWinnerOf, team 0 being
//   `Mine`); all three tricks tied: no points, dealt again.
// - Truco: the player on turn may call; the other team answers (accept, raise, run) along
//   1/3/6/9/12; after an accepted call only the accepting team raises. "Correr" on one's turn
//   hands the stake to the other team.
// - Hand of eleven: the team at 11 sees both partners' hands and plays (worth 3, no calls) or
//   gives up (the others gain 1). Both at 11, "mão de ferro": worth 1, no calls, blind when the
//   eleven setting is "No Escuro" (nobody sees their own cards until they are played).
// - Game to 12; gains are capped at 12 as a hand won on tricks.
//
// The game never waits: every change is one call, and `Due()` says who must act next, so a window
// runs the computer seats by a single-shot timer and a test or a tool simply loops.

#include <array>
#include <cstdint>
#include <optional>

#include "engine/cards.h"
#include "engine/judgement.h"
#include "engine/ladder.h"
#include "engine/random.h"
#include "engine/rules.h"

namespace truco::duplas {

inline constexpr int kNumSeats = 4;
inline constexpr int kNumTeams = 2;
inline constexpr int kHandSize = 3;
enum Seat : std::uint8_t { kSouth = 0, kEast = 1, kNorth = 2, kWest = 3 };
inline constexpr int kNoSeat = -1;

constexpr int TeamOf(int seat) {
  return seat % 2;
}
constexpr int PartnerOf(int seat) {
  return (seat + 2) % kNumSeats;
}
constexpr int NextSeat(int seat) {
  return (seat + 1) % kNumSeats;
}
constexpr int OtherTeam(int team) {
  return 1 - team;
}

// The partner's sign: one per manilha suit and one for "nothing good".
enum class Sign : std::uint8_t { None, Nada, Zap, Copas, Espadilha, PicaFumo };

struct DuplasSettings {
  char deck_type = kBaralhoSujo;
  ManilhaMode manilha_mode = ManilhaMode::Nova;
  int eleven_mode = 0;  // 0 "Normal", 1 "No Escuro": the mão de ferro is blind
  bool signs = true;
};

enum class Phase : std::uint8_t {
  Idle,            // before the first deal, and after the game's end until the next deal
  ElevenDecision,  // the team at 11 decides whether to play
  Play,            // `turn` plays a card, calls or runs
  CallPending,     // the other team of `call_team` answers `call_rung`
};

struct PlayedCard {
  int seat = kNoSeat;
  Card card{};
  bool hidden = false;
};

struct Trick {
  std::array<PlayedCard, kNumSeats> cards{};  // in the order played
  int count = 0;
  int leader = kNoSeat;
  int taker_seat = kNoSeat;  // the seat whose card took it; kNoSeat while open or tied
  Taker result = Taker::Nobody;
};

enum class PointsReason : std::uint8_t { HandWon, Ran, CallRefused, ElevenGivenUp };

struct DuplasState {
  DuplasSettings settings;
  Phase phase = Phase::Idle;

  std::array<std::array<Card, kHandSize>, kNumSeats> hand{};
  std::array<std::array<bool, kHandSize>, kNumSeats> in_hand{};
  Card vira{};
  ManilhaValues manilha_value{};

  std::array<Trick, 4> tricks{};  // 1..3
  int trick = 1;                  // the trick being played
  int turn = kNoSeat;
  int hand_leader = kNoSeat;  // led the first trick

  int stake = 1;
  int accepted_team = -1;  // the team that accepted the last call (it alone raises)
  int call_team = -1;      // the calling team while a call waits
  Rung call_rung = Rung::Trucar;

  int eleven_team = -1;  // the team deciding or playing a hand of eleven
  bool iron_hand = false;
  bool blind = false;
  std::array<Sign, kNumSeats> sign{};

  std::array<int, kNumTeams> points{};
  std::array<int, kNumTeams> games{};
  long hands = 0;

  [[nodiscard]] int Strength(Card card) const {
    return Forca_Carta(card, manilha_value, settings.manilha_mode);
  }
  [[nodiscard]] int StrengthOf(const PlayedCard& p) const {
    return p.hidden ? kHiddenStrength : Strength(p.card);
  }
  // Calls are closed in a hand of eleven and in the mão de ferro.
  [[nodiscard]] bool CallsClosed() const { return eleven_team >= 0 || iron_hand; }
  [[nodiscard]] bool MayCallNow(int seat) const;
};

// Who must act next.
struct Due {
  enum class Kind : std::uint8_t { Deal, Eleven, Play, Answer } kind = Kind::Deal;
  int seat = kNoSeat;  // Play: the seat on turn
  int team = -1;       // Eleven and Answer: the deciding team
};

class DuplasObserver {
 public:
  virtual ~DuplasObserver() = default;
  virtual void OnDeal(const DuplasState&) {}
  virtual void OnCard(const DuplasState&, int /*seat*/) {}
  virtual void OnTrick(const DuplasState&, int /*trick*/) {}
  virtual void OnPoints(const DuplasState&, int /*team*/, int /*before*/, PointsReason) {}
  virtual void OnCall(const DuplasState&, int /*team*/) {}
  virtual void OnAnswer(const DuplasState&, int /*team*/, CallAnswer) {}
  // The team at 11 plays the hand or gives it up; a seat runs on its turn. Told before the
  // points move.
  virtual void OnEleven(const DuplasState&, int /*team*/, bool /*plays*/) {}
  virtual void OnRun(const DuplasState&, int /*seat*/) {}
  virtual void OnRedeal(const DuplasState&) {}
  virtual void OnGameEnd(const DuplasState&, int /*winner*/) {}
};

class DuplasGame {
 public:
  explicit DuplasGame(RandomSource& random, DuplasSettings settings = {});

  [[nodiscard]] const DuplasState& state() const { return state_; }
  void set_observer(DuplasObserver* observer) { observer_ = observer; }
  void set_settings(const DuplasSettings& settings) { state_.settings = settings; }
  // For tests that set up a position (points, a stacked hand).
  DuplasState& mutable_state() { return state_; }

  [[nodiscard]] Due NextDue() const;

  // Every action returns false, changing nothing, when it is not legal now.
  bool Deal();
  bool DecideEleven(int team, bool play);
  bool Play(int seat, int slot, bool hidden = false);
  bool Call(int seat);
  bool Answer(int team, CallAnswer answer);
  bool Run(int seat);  // "Correr" on one's turn
  bool ShowSign(int seat, Sign sign);
  // Points and games back to 0, the lead to the south.
  void NewMatch();

 private:
  void CloseTrick();
  void EndHand(int winner_team, int amount, PointsReason reason);
  void Redeal();

  RandomSource& random_;
  DuplasObserver* observer_ = nullptr;
  DuplasState state_;
  int next_leader_ = kSouth;
};

// The taker of a complete trick by the rules written out above: the seat of the first highest
// card, or kNoSeat when the highest cards belong to both teams.
int TrickTaker(const DuplasState& state, const Trick& trick);

}  // namespace truco::duplas
