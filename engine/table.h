#pragma once
// One table of truco for two or four seats: the rules of a hand and a game, held as one value
// and changed only by actions. The pairs game against the computer runs on it, and a networked
// game keeps one replica of it on each program, fed by the same actions in the same order.
//
// Rule choices (paulista, with the vira and manilha nova or velha as set):
// - Seats counter-clockwise from 0. Team 0 holds the even seats, team 1 the odd ones, so with
//   four seats partners face each other. The first lead passes to the next seat from hand to
//   hand, a hand dealt again included.
// - A trick is one card per seat from its leader on. Each team's first highest card stands for
//   it, and the two are compared as one against one (`TrickResult`): equal highest cards of both
//   teams tie the trick. The next trick is led by the taker, after a tie by the leader of the
//   tied trick. A hidden card (second trick on) has no strength and never takes a trick.
// - The hand is decided as one against one (`HandWinnerOf`, team 0 being `Mine`); all three
//   tricks tied: no points, dealt again.
// - Truco: the seat on turn may call; the other team answers (accept, raise, run) along
//   1/3/6/9/12; after an accepted call only the accepting team raises. Running from a call gives
//   the callers the rung's run value; "correr" on one's turn hands the stake to the other team.
// - Hand of eleven: the team at 11 sees its partners' hands and plays (worth 3, no calls; it may
//   still run) or gives up (the others gain 1); the other team may not run from it. Both at 11,
//   the "mão de ferro": worth 1, no calls, nobody runs, blind when the eleven setting is
//   "No Escuro" (nobody sees their own cards until they are played, nothing is hidden).
// - Game to 12; every gain is capped at 12.
//
// The table never waits: every change is one call that either applies or is refused with a
// reason (actions may come from a peer, so nothing here trusts them), and `NextDue()` says who
// must act next, so a window runs the computer seats by a single-shot timer, a replica applies
// what the wire brings, and a test simply loops.

#include <array>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "engine/cards.h"
#include "engine/judgement.h"
#include "engine/ladder.h"
#include "engine/random.h"
#include "engine/rules.h"

namespace truco::table {

inline constexpr int kMaxSeats = 4;
inline constexpr int kNumTeams = 2;
inline constexpr int kHandSize = 3;
inline constexpr int kNumTricks = 3;
inline constexpr int kNoSeat = -1;
inline constexpr int kNoTeam = -1;

constexpr int TeamOf(int seat) {
  return seat % kNumTeams;
}
constexpr int OtherTeam(int team) {
  return 1 - team;
}
constexpr int NextSeat(int seat, int seats) {
  return (seat + 1) % seats;
}
// The seat facing this one at a table of four; a table of two has no partners.
constexpr int PartnerOf(int seat, int seats) {
  return seats == kMaxSeats ? (seat + 2) % kMaxSeats : kNoSeat;
}
constexpr bool ValidSeatCount(int seats) {
  return seats == 2 || seats == kMaxSeats;
}

// A partner's sign: one per manilha suit and one for "nothing good".
enum class Sign : std::uint8_t { None, Nada, Zap, Copas, Espadilha, PicaFumo };

struct TableSettings {
  char deck_type = kBaralhoSujo;
  ManilhaMode manilha_mode = ManilhaMode::Nova;
  int eleven_mode = 0;  // 0 "Normal", 1 "No Escuro": the mão de ferro is blind
  bool signs = true;
  // A blind hand may still hide a card (the networked game lets a player hide one unseen).
  bool hide_when_blind = false;
  friend bool operator==(const TableSettings&, const TableSettings&) = default;
};

enum class Phase : std::uint8_t {
  Idle,            // before the first deal, and after a hand until the next deal
  ElevenDecision,  // the team at 11 decides whether to play
  Play,            // `turn` plays a card, calls or runs
  CallPending,     // the other team of `call_team` answers `call_rung`
};

struct PlayedCard {
  int seat = kNoSeat;
  Card card{};
  bool hidden = false;
  friend bool operator==(const PlayedCard&, const PlayedCard&) = default;
};

struct Trick {
  std::array<PlayedCard, kMaxSeats> cards{};  // in the order played
  int count = 0;
  int leader = kNoSeat;
  int taker_seat = kNoSeat;  // the seat whose card took it; kNoSeat while open or tied
  Taker result = Taker::Nobody;
  friend bool operator==(const Trick&, const Trick&) = default;
};

enum class PointsReason : std::uint8_t { HandWon, Ran, CallRefused, ElevenGivenUp };

struct TableState {
  int seats = kMaxSeats;
  TableSettings settings;
  Phase phase = Phase::Idle;

  std::array<std::array<Card, kHandSize>, kMaxSeats> hand{};
  std::array<std::array<bool, kHandSize>, kMaxSeats> in_hand{};
  // Cards a replica does not see (a peer's, until shown): played face down only, or shown first.
  std::array<std::array<bool, kHandSize>, kMaxSeats> unseen{};
  Card vira{};
  ManilhaValues manilha_value{};

  std::array<Trick, kNumTricks + 1> tricks{};  // 1..3
  int trick = 1;                               // the trick being played
  int turn = kNoSeat;
  int hand_leader = kNoSeat;  // led the first trick
  int next_hand_leader = 0;   // leads the next deal

  int stake = 1;
  int accepted_team = kNoTeam;  // the team that accepted the last call (it alone raises)
  int call_team = kNoTeam;      // the calling team while a call waits
  Rung call_rung = Rung::Trucar;

  int eleven_team = kNoTeam;  // the team deciding or playing a hand of eleven
  bool iron_hand = false;
  bool blind = false;
  std::array<Sign, kMaxSeats> sign{};

  std::array<int, kNumTeams> points{};
  std::array<int, kNumTeams> games{};
  long hands = 0;

  [[nodiscard]] int Strength(Card card) const {
    return Forca_Carta(card, manilha_value, settings.manilha_mode);
  }
  [[nodiscard]] int StrengthOf(const PlayedCard& p) const {
    return p.hidden ? kHiddenStrength : Strength(p.card);
  }
  [[nodiscard]] bool ValidSeat(int seat) const { return seat >= 0 && seat < seats; }
  // Calls are closed in a hand of eleven and in the mão de ferro.
  [[nodiscard]] bool CallsClosed() const { return eleven_team >= 0 || iron_hand; }
  [[nodiscard]] bool MayCallNow(int seat) const;
  // Running on one's turn: never in the mão de ferro, nor from the other team's hand of eleven.
  [[nodiscard]] bool MayRunNow(int seat) const;
  // Hiding needs a card one sees, from the second trick on.
  [[nodiscard]] bool MayHideNow() const {
    return trick >= 2 && (!blind || settings.hide_when_blind);
  }
  // Two replicas fed the same actions are equal.
  friend bool operator==(const TableState&, const TableState&) = default;
};

// Who must act next.
struct Due {
  enum class Kind : std::uint8_t { Deal, Eleven, Play, Answer } kind = Kind::Deal;
  int seat = kNoSeat;  // Play: the seat on turn
  int team = kNoTeam;  // Eleven and Answer: the deciding team
};

// One move at the table, as a window, a computer seat or a peer's message makes it. A team's
// moves (the answer to a call, the hand of eleven) name the team, not a seat.
struct Action {
  enum class Kind : std::uint8_t { Play, Call, Answer, Run, Eleven, Sign };
  Kind kind = Kind::Play;
  int seat = kNoSeat;                      // Play, Call, Run, Sign
  int team = kNoTeam;                      // Answer, Eleven
  int slot = 0;                            // Play
  bool hidden = false;                     // Play
  CallAnswer answer = CallAnswer::Accept;  // Answer
  bool plays = true;                       // Eleven
  Sign sign = Sign::None;                  // Sign

  static Action PlayCard(int seat, int slot, bool hidden = false);
  static Action CallNext(int seat);
  static Action AnswerCall(int team, CallAnswer answer);
  static Action RunFrom(int seat);
  static Action DecideEleven(int team, bool plays);
  static Action ShowSign(int seat, Sign sign);
  friend bool operator==(const Action&, const Action&) = default;
};

// Why an action was not applied. `Done` means it was.
enum class Verdict : std::uint8_t {
  Done,
  NotDue,       // nothing of this kind is due now, or not from this seat or team
  NoSuchSeat,   // a seat or team outside the table
  NoSuchCard,   // the slot is empty or outside the hand
  MayNotHide,   // the first trick, or a blind hand
  MayNotCall,   // calls closed, the top of the ladder, or the other team holds the raise
  MayNotRaise,  // nothing above the rung called
  MayNotRun,    // the mão de ferro, or the other team's hand of eleven
  SignsOff,     // signs are not played at this table
  BadDeal,      // dealt cards repeat, or do not belong to the deck
};

// The cards of one deal, for a table whose deal is made elsewhere (a joint deal over a link).
struct DealtCards {
  Card vira{};
  std::array<std::array<Card, kHandSize>, kMaxSeats> hand{};
};

// What a replica that sees only part of a deal adds to it: the cards it does not see (their
// values in DealtCards are ignored) and who leads, when the lead is decided elsewhere.
struct PartialDeal {
  std::array<std::array<bool, kHandSize>, kMaxSeats> unseen{};
  int leader = kNoSeat;  // kNoSeat: the next seat in turn
};

class TableObserver {
 public:
  virtual ~TableObserver() = default;
  virtual void OnDeal(const TableState&) {}
  virtual void OnCard(const TableState&, int /*seat*/) {}
  virtual void OnTrick(const TableState&, int /*trick*/) {}
  virtual void OnPoints(const TableState&, int /*team*/, int /*before*/, PointsReason) {}
  virtual void OnCall(const TableState&, int /*team*/) {}
  virtual void OnAnswer(const TableState&, int /*team*/, CallAnswer) {}
  // The team at 11 plays the hand or gives it up; a seat runs on its turn. Told before the
  // points move.
  virtual void OnEleven(const TableState&, int /*team*/, bool /*plays*/) {}
  virtual void OnRun(const TableState&, int /*seat*/) {}
  virtual void OnRedeal(const TableState&) {}
  virtual void OnGameEnd(const TableState&, int /*winner*/) {}
};

class Table {
 public:
  // `seats` is 2 or 4 (anything else makes a table of four).
  Table(RandomSource& random, int seats, TableSettings settings = {});

  [[nodiscard]] const TableState& state() const { return state_; }
  void set_observer(TableObserver* observer) { observer_ = observer; }
  // Read at the next deal.
  void set_settings(const TableSettings& settings) { state_.settings = settings; }
  // For tests and searches that set up a position (points, a stacked hand), and for a replica
  // that takes up a position its peer sends.
  TableState& mutable_state() { return state_; }
  // Who takes a complete trick (a seat, kNoSeat for a tie), for a replica whose tricks are judged
  // elsewhere: the guest of a networked game follows the host's result. Empty: TrickTaker.
  using TrickJudge = std::function<int(const TableState&, const Trick&)>;
  void set_trick_judge(TrickJudge judge) { judge_ = std::move(judge); }

  [[nodiscard]] Due NextDue() const;
  // Every move `seat` may make now (signs apart, which are not moves). A team's move is listed
  // for each of its seats.
  [[nodiscard]] std::vector<Action> LegalActions(int seat) const;
  // Applies the action, or changes nothing and says why not.
  Verdict Apply(const Action& action);
  // Whether the action would be applied now, without applying it.
  [[nodiscard]] Verdict Check(const Action& action) const;

  // A new hand with cards drawn from the random source; false when no deal is due.
  bool Deal();
  // A new hand with cards dealt elsewhere (refused when they repeat or are not of the deck).
  Verdict DealCards(const DealtCards& cards) { return DealCards(cards, PartialDeal{}); }
  Verdict DealCards(const DealtCards& cards, const PartialDeal& partial);
  // An unseen card of `seat` shows its face (a peer plays it face up): refused when the card is
  // seen already, played, or repeats a card in view or is not of the deck.
  Verdict Show(int seat, int slot, Card card);
  // Points and games back to 0, the lead to seat 0.
  void NewMatch();

  // The actions by name; false when refused.
  bool Play(int seat, int slot, bool hidden = false) {
    return Apply(Action::PlayCard(seat, slot, hidden)) == Verdict::Done;
  }
  bool Call(int seat) { return Apply(Action::CallNext(seat)) == Verdict::Done; }
  bool Answer(int team, CallAnswer answer) {
    return Apply(Action::AnswerCall(team, answer)) == Verdict::Done;
  }
  bool Run(int seat) { return Apply(Action::RunFrom(seat)) == Verdict::Done; }
  bool DecideEleven(int team, bool play) {
    return Apply(Action::DecideEleven(team, play)) == Verdict::Done;
  }
  bool ShowSign(int seat, Sign sign) {
    return Apply(Action::ShowSign(seat, sign)) == Verdict::Done;
  }

 private:
  void PlayCard(int seat, int slot, bool hidden);
  void CallNext(int seat);
  void AnswerCall(int team, CallAnswer answer);
  void CloseTrick();
  void EndHand(int winner_team, int amount, PointsReason reason);
  void Redeal();

  RandomSource& random_;
  TableObserver* observer_ = nullptr;
  TrickJudge judge_;
  TableState state_;
};

// The taker of a complete trick: the seat of the first highest card, or kNoSeat when the
// highest cards of both teams are equal.
int TrickTaker(const TableState& state, const Trick& trick);

}  // namespace truco::table
