// The whole game's moves: each message or click becomes a move of the table replica, which says
// whether it stands and what it did (who took a trick, who won the hand, the points); this file
// shows it on the hand's picture, in the boxes and in the history.
//
// Choices of the whole game:
// - Exactly one side may act at a time (play, call, run, hide): the side to play, or the side a
//   call waits on, or the side at 11 deciding. Anything else from the peer is ignored, so both
//   sides always agree on the table. A trick that completes on the guest waits for the host's
//   result ("R").
// - A call is made on the caller's turn; a raise accepts the call it answers (the stake moves to
//   that rung) and calls the next; a run gives the caller the stake in force, which is the run
//   value of the call. The opening call is open to both, a later one only to the side that
//   accepted the last. Points never show above 12.
// - Tied tricks: the side that led the tied trick leads the next.
// - The truco dialog and the questions are not modal for the hand: it asks the window
//   (HandOutput::AskTruco, Ask) and goes on when the answer comes (AnswerTruco, Answer). Messages
//   that arrive meanwhile are handled at once.
// - End-of-hand and end-of-game boxes (HandOutput::Tell) are shown after the hand's state is
//   settled and the messages are sent; when the last box of a hand closes the guest sends "O",
//   and the host deals the next hand once its own last box is closed and the "O" has come.
// - The first lead alternates with the host's `hand_counter`, as in the classic hand.
// - A lost connection in the middle of a game keeps a resume state: when the same opponent
//   (same name) comes back on a new connection, the host asks "Continuar a partida?" and, on
//   yes, the game goes on where it stopped: in the middle of a hand the host sends the guest its
//   view of the hand ("W"), between hands the next deal carries the points, tally and settings.
//   The host's window also keeps the state in a file (Snapshot, net/play/resume_file.h).

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"
#include "net/play/side_role.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

char NetworkedHand::actor() const {
  if (!whole_game_ || !linked_ || finished_ || !DealComplete() || role_->AwaitsTrickResult()) {
    return ' ';
  }
  return replica_.actor();
}

bool NetworkedHand::hidden(int trick, Side whose) const {
  if (trick < 1 || trick > 3) return false;
  return whose == side_ ? OwnHidden()[Index(trick)] : OppHidden()[Index(trick)];
}

// "Trucar" opens a call; raising is the truco dialog's.
bool NetworkedHand::MayCallNow(char letter) const {
  return actor() == letter && replica_.pending_stake() == 0 &&
         replica_.CallableStake(letter).has_value();
}

bool NetworkedHand::MayRunNow(char letter) const {
  return actor() == letter && replica_.MayRun(letter);
}

bool NetworkedHand::MayPlayNow(char letter) const {
  return actor() == letter && replica_.MayPlay(letter);
}

void NetworkedHand::DealReplica() {
  // Only a peer's deal can repeat a card: the host draws its own from one deck.
  if (replica_.Deal(table_, table_.turn) != table::Verdict::Done) PeerBroke();
}

void NetworkedHand::PeerBroke() {
  out_.CloseLink();
  hand_start_.reset();
  ConnectionLost(kTextDealBroken);
  resume_.reset();
}

void NetworkedHand::NoteTallyBefore(const std::array<int, 2>& games) {
  if (!first_whole_deal_) return;
  first_whole_deal_ = false;
  const GameState& s = game_.state();
  base_games_ = {std::max(0, s.games_player - games[OwnSeat()]),
                 std::max(0, s.games_computer - games[1 - OwnSeat()])};
}

void NetworkedHand::EndByBrokenDeal(const std::string& reason) {
  out_.CloseLink();
  hand_start_.reset();
  ConnectionLost(std::string(kTextDealBroken) + "\r" + reason);
  resume_.reset();
}

void NetworkedHand::VoidGame(const std::array<int, 2>& games_at_deal, const std::string& reason) {
  notes_.GameVoided(replica_.games() != games_at_deal);
  replica_.SetScore({}, games_at_deal);
  hand_start_.reset();
  restarting_ = false;
  ConnectionLost(std::string(kTextCheat) + "\r" + reason);
  resume_.reset();
}

void NetworkedHand::ClearHand() {
  OwnCards() = {};
  OppCards() = {};
  table_.vira.reset();
  table_.vira_dealt = false;
  OwnSlots() = {-1, -1, -1, -1};
  OppSlots() = {-1, -1, -1, -1};
  table_.leader = {};
  table_.outcome = {};
  OwnHidden() = {};
  OppHidden() = {};
  table_.stake = 1;
  table_.pending_stake = 0;
  table_.caller = ' ';
  table_.turn_before_call = ' ';
  table_.raise_right = ' ';
  table_.eleven = ' ';
  table_.eleven_decided = false;
  table_.eleven_dark = false;
  table_.turn = ' ';
  may_play_ = false;
  role_->ClearHand();
  replica_.DropHand();
}

void NetworkedHand::Answer(Question question, bool yes) {
  Scope scope(*this);
  if (question == Question::Continue) {
    // Only the host asks whether to go on with a game that was cut off.
    role_->Answered(question, yes);
  } else if (question == Question::Eleven) {
    const char own = OwnLetter();
    if (!eleven_asked_ || table_.eleven != own || table_.eleven_decided || actor() != own) return;
    eleven_asked_ = false;
    out_.Send(ElevenChoice{yes});
    ApplyEleven(own, yes);
  }
  Sync();
  Refresh();
}

// Both sides once the cards are known: who plays the hand of eleven and how.
void NetworkedHand::StartEleven() {
  const bool host11 = replica_.points()[0] == kHandOfEleven;
  const bool guest11 = replica_.points()[1] == kHandOfEleven;
  if (host11 && guest11) {
    table_.eleven = 'B';
    table_.eleven_decided = true;
    table_.eleven_dark = table_.eleven_mode == 1;
  } else if (host11 || guest11) {
    table_.eleven = host11 ? 'S' : 'C';
    table_.eleven_decided = false;
    if (table_.eleven == OwnLetter()) want_eleven_ask_ = true;
  }
}

void NetworkedHand::ApplyEleven(char letter, bool plays) {
  if (replica_.Eleven(letter, plays) != table::Verdict::Done) return;
  Seen(SeenMove::Kind::Eleven, letter, std::nullopt, plays ? 1 : 0);
  if (plays) {
    table_.eleven_decided = true;
    table_.stake = replica_.stake();
    return;
  }
  EndWholeHand(kTextGaveUpEleven);
}

// ---------------------------------------------------------------------------------------------
// Whole game: messages

bool NetworkedHand::ReceiveWhole(const Message& message) {
  if (const auto* hello = std::get_if<Hello>(&message)) {
    // Both play the lower of the two versions.
    const int version = std::min(hello->version, max_version_);
    if (classic_only_ || greeted_ || version < kWholeGameVersion) return true;
    role_->Greeted(version);
    return true;
  }
  if (!whole_game_) return false;
  if (dealer_->Receive(message)) return true;
  if (role_->Drops(message)) return true;
  if (joint_.Receive(message)) return true;
  if (proven_.Receive(message)) return true;
  // The deal, the results, the "O" and the restart: each side takes its own.
  if (role_->ReceiveWhole(message)) return true;
  const char opp = OpponentLetter();
  std::visit(
      [&](const auto& m) {
        using T = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<T, Name>) {
          OnName(m);
        } else if constexpr (std::is_same_v<T, Chat>) {
          std::string line = m.line;
          std::replace(line.begin(), line.end(), '\r', ' ');
          out_.AppendChat(line);
        } else if constexpr (std::is_same_v<T, Play>) {
          OpponentPlays(m.slot - 1, m.trick, false);
        } else if constexpr (std::is_same_v<T, HiddenPlay>) {
          OpponentPlays(m.slot - 1, m.trick, true);
        } else if constexpr (std::is_same_v<T, Call>) {
          if (actor() == opp && replica_.CallableStake(opp) == m.stake) ApplyCall(opp, m.stake);
        } else if constexpr (std::is_same_v<T, Accept>) {
          if (actor() == opp && replica_.pending_stake() == m.stake) ApplyAccept(opp);
        } else if constexpr (std::is_same_v<T, Run>) {
          if (MayRunNow(opp)) ApplyRun(opp);
        } else if constexpr (std::is_same_v<T, ElevenChoice>) {
          if (actor() == opp && replica_.state().phase == table::Phase::ElevenDecision) {
            ApplyEleven(opp, m.plays);
          }
        }
        // Every classic deal message, request and turn is void in the whole game: the host never
        // hands out a card on request, and the turn follows from the plays and results.
      },
      message);
  return true;
}

// ---------------------------------------------------------------------------------------------
// Whole game: plays and tricks

void NetworkedHand::PlayWhole(CardId id) {
  const char own = OwnLetter();
  if (!Active() || !MayPlayNow(own) || id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (!OwnCards()[Index(slot)]) return;
  if (std::find(OwnSlots().begin(), OwnSlots().end(), slot) != OwnSlots().end()) return;
  const int trick = FirstOpenTrick(OwnSlots());
  if (trick == 0) return;
  GameState& s = game_.mutable_state();
  // The hidden card is armed by "Esconder", which opens from the second trick on.
  const bool hide = s.hide_armed && trick >= 2;
  s.hide_armed = false;
  s.BEsconder.caption = kEsconderCaption;
  if (proven_.on()) {
    // Version 4: the card's proof goes before its "J"; a face-down card is its "e" alone.
    proven_.PlayOwn(slot, trick, hide);
    if (!hide) out_.Send(Play{slot + 1, trick});
  } else if (hide) {
    out_.Send(HiddenPlay{slot + 1, trick});
  } else {
    if (joint_.on()) {
      out_.Send(joint_.deal().AnnounceOwn(slot + 1));
    } else {
      role_->ShowOwnCard(slot);
    }
    out_.Send(Play{slot + 1, trick});
  }
  ApplyPlay(own, slot, trick, hide);
}

void NetworkedHand::OpponentPlays(int slot, int trick, bool hide) {
  const char opp = OpponentLetter();
  if (!MayPlayNow(opp) || slot < 0 || slot > 2) return;
  if (trick != FirstOpenTrick(OppSlots()) || (hide && trick < 2)) return;
  if (std::find(OppSlots().begin(), OppSlots().end(), slot) != OppSlots().end()) return;
  // A card shown face up must be known: the host dealt the guest's, the host's came with "A".
  if (!hide && !OppCards()[Index(slot)]) return;
  if (replica_.CanPlay(opp, slot, hide) != table::Verdict::Done) return;
  if (joint_.on() && hide) joint_.deal().TakeHidden(slot + 1);
  ApplyPlay(opp, slot, trick, hide);
}

void NetworkedHand::ApplyPlay(char letter, int slot, int trick, bool hide) {
  accepted_notice_ = false;
  const bool own = letter == OwnLetter();
  // The other's card face down stays unknown to the history, whatever this side may know of it.
  const auto& cards = own ? OwnCards() : OppCards();
  Seen(hide ? SeenMove::Kind::HiddenCard : SeenMove::Kind::Card, letter,
       own || !hide ? cards[Index(slot)] : std::nullopt, slot);
  (own ? OwnSlots() : OppSlots())[Index(trick)] = slot;
  (own ? OwnHidden() : OppHidden())[Index(trick)] = hide;
  if (table_.leader[Index(trick)] == 0) table_.leader[Index(trick)] = letter;
  const bool complete = OwnSlots()[Index(trick)] >= 0 && OppSlots()[Index(trick)] >= 0;
  if (complete) {
    // The host rates the trick; the guest waits for its result.
    role_->CompleteTrick(letter, slot, trick, hide);
    return;
  }
  replica_.Play(letter, slot, hide);
  table_.turn = replica_.turn();
}

void NetworkedHand::ApplyTrickResult(int trick) {
  const char own = OwnLetter();
  const char taker = replica_.TrickTaker(trick);
  table_.outcome[Index(trick)] = taker == 'E'   ? Outcome::Tie
                                 : taker == own ? Outcome::Own
                                                : Outcome::Opponent;
  Seen(SeenMove::Kind::Trick, taker == 'E' ? own : taker, std::nullopt,
       trick * 4 + (taker == 'E'   ? 0
                    : taker == own ? 1
                                   : 2));
  if (replica_.state().phase == table::Phase::Idle) {
    // The hand is decided (all three tied: nobody scores and it is dealt again).
    EndWholeHand(nullptr);
    return;
  }
  table_.turn = replica_.turn();
}

// ---------------------------------------------------------------------------------------------
// Whole game: betting

void NetworkedHand::Trucar() {
  Scope scope(*this);
  const char own = OwnLetter();
  if (!whole_game_ || !Active() || !MayCallNow(own)) return;
  const int stake = *replica_.CallableStake(own);
  out_.Send(Call{stake});
  ApplyCall(own, stake);
  Sync();
  Refresh();
}

void NetworkedHand::ApplyCall(char letter, int stake) {
  if (table_.pending_stake != 0) Seen(SeenMove::Kind::Answer, letter, std::nullopt, '+');
  Seen(SeenMove::Kind::Call, letter, std::nullopt, stake);
  if (table_.pending_stake == 0) table_.turn_before_call = table_.turn;
  // A raise accepts the call it answers.
  replica_.Call(letter, stake);
  table_.stake = replica_.stake();
  table_.pending_stake = replica_.pending_stake();
  table_.caller = replica_.caller();
  accepted_notice_ = false;
  if (letter == OpponentLetter()) want_truco_ask_ = true;
  if (truco_asked_ && letter == OwnLetter()) truco_asked_ = false;
}

void NetworkedHand::AnswerTruco(char answer) {
  Scope scope(*this);
  const char own = OwnLetter();
  if (!truco_asked_ || replica_.pending_stake() == 0 || replica_.caller() != OpponentLetter() ||
      actor() != own) {
    return;
  }
  const std::optional<int> next = replica_.CallableStake(own);
  switch (answer) {
    case kAnswerAccept:
      truco_asked_ = false;
      out_.Send(Accept{table_.pending_stake});
      ApplyAccept(own);
      break;
    case kAnswerRaise:
      if (!next) return;  // no raise beyond "Doze"
      truco_asked_ = false;
      out_.Send(Call{*next});
      ApplyCall(own, *next);
      break;
    case kAnswerRun:
      truco_asked_ = false;
      out_.Send(Run{});
      ApplyRun(own);
      break;
    default:
      return;
  }
  Sync();
  Refresh();
}

void NetworkedHand::ApplyAccept(char letter) {
  Seen(SeenMove::Kind::Answer, letter, std::nullopt, 'S');
  replica_.Accept(letter, table_.pending_stake);
  table_.stake = replica_.stake();
  table_.pending_stake = 0;
  table_.caller = ' ';
  table_.raise_right = letter;
  table_.turn = replica_.turn();
  accepted_notice_ = letter == OpponentLetter();
}

void NetworkedHand::Correr() {
  Scope scope(*this);
  const char own = OwnLetter();
  if (!whole_game_ || !Active() || !MayRunNow(own)) return;
  if (truco_asked_) {
    truco_asked_ = false;
    out_.CancelAsk();
  }
  out_.Send(Run{});
  ApplyRun(own);
  Sync();
  Refresh();
}

void NetworkedHand::ApplyRun(char letter) {
  if (table_.pending_stake != 0) Seen(SeenMove::Kind::Answer, letter, std::nullopt, 'N');
  // Running from a call gives the caller the call's run value (the stake in force).
  if (replica_.Run(letter) != table::Verdict::Done) return;
  EndWholeHand(kTextRan);
}

// ---------------------------------------------------------------------------------------------
// Whole game: the end of a hand and of the game

void NetworkedHand::EndWholeHand(const char* why) {
  const TableReplica::HandEnd end = replica_.hand_end().value_or(TableReplica::HandEnd{});
  const char winner = end.winner;
  finished_ = true;
  table_.turn = ' ';
  table_.pending_stake = 0;
  table_.caller = ' ';
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  want_truco_ask_ = want_eleven_ask_ = false;
  const char own = OwnLetter();
  notes_.End(end, table_, OwnSeat(), opponent_name_);
  if (winner == ' ') {
    boxes_.push_back({kTextReplay, false});
  } else {
    std::string text;
    // Why the hand ended is told to the side that did not end it.
    if (why != nullptr && winner == own) text = opponent_name_ + why + "\r";
    text += winner == own ? kTextYouWonPrefix : opponent_name_ + kTextOpponentWonPrefix;
    text += Tentos(end.amount);
    boxes_.push_back({std::move(text), false});
    // The hand's winner is the game's: the replica counted the game and cleared its points.
    if (end.game_over) boxes_.push_back({winner == own ? kTextGameWon : kTextGameLost, false});
  }
  boxes_.back().ends_hand = true;
  own_closed_ = false;
  // A connection lost from here on goes on with the next hand.
  if (hand_start_) {
    hand_start_->points = replica_.points();
    hand_start_->games = replica_.games();
  }
  role_->HandEnded();
  joint_.RevealOwn();
}

void NetworkedHand::HandBoxesClosed() {
  if (!finished_ || own_closed_) return;
  own_closed_ = true;
  // The guest sends "O"; the host deals once the guest's has come.
  role_->BoxesClosed();
}

void NetworkedHand::RestartGame() {
  Scope scope(*this);
  if (!whole_game_ || !linked_ || hands_dealt_ == 0 || restarting_) return;
  out_.Send(Restart{});
  ApplyRestart();
  // The host deals once the guest has dropped its hand ("O"); the guest waits for the host's "Z".
  restarting_ = true;
  joint_.RevealOwn();
  Sync();
  Refresh();
}

void NetworkedHand::ApplyRestart() {
  notes_.GameLeft();
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  want_truco_ask_ = want_eleven_ask_ = false;
  boxes_.clear();
  replica_.SetScore({}, replica_.games());
  ClearHand();
  finished_ = true;
  own_closed_ = true;
}

void NetworkedHand::AskWhatIsOwed() {
  const char opp = OpponentLetter();
  if (table_.pending_stake != 0 && table_.caller == opp) want_truco_ask_ = true;
  if (table_.eleven == OwnLetter() && !table_.eleven_decided) want_eleven_ask_ = true;
}

// ---------------------------------------------------------------------------------------------
// Whole game: the history

void NetworkedHand::set_hand_history(std::unique_ptr<HandHistory> history) {
  notes_.set_history(std::move(history));
}

void NetworkedHand::Seen(SeenMove::Kind kind, char letter, std::optional<Card> card, int value) {
  notes_.Note(kind, letter == OwnLetter(), card, value);
}

}  // namespace truco::net
