#pragma once
// The game two connected players play against each other. The host is the authority: it draws
// every card (the guest's too), rates both cards of every trick and tells the guest who took it.
// Plain C++ over the engine's Game: the sockets and windows sit behind HandOutput, so two sides
// can be wired to each other in memory.
//
// NetworkedHand is what the window holds: the connection, the start, the clicks and the
// messages in, the boxes and questions, and the hand's picture both ways to play show. Where the
// host and the guest part ways it asks its side's role (SideRole, side_role.h), chosen once when
// the connection's side is known: HostRole (host_role.h: deals, judges, offers to go on) or
// GuestRole (guest_role.h: takes the deal and the results, sends "O").
//
// Where things are: the hand's picture is one value (HandState, hand_state.h); the whole game's
// rules are the table engine's (engine/table.h), held as one replica per side (TableReplica,
// table_replica.h) that every move of either side goes through; whole_game_moves.cpp turns the
// messages into those moves and shows what they did (the whole game's choices are written
// there); the joint deal's part, for both roles, in JointDealing (joint_dealing.h, its choices
// in joint_dealing.cpp); the classic hand in ClassicHand (classic_hand.h, its choices in
// classic_hand.cpp); the table a side shows in networked_table.cpp; the history notes in
// hand_notes.h. The deal is one replaceable
// step (Dealer, dealer.h). The path to the peer is whatever HandOutput::Send uses.
//
// Two ways to play, told apart by a greeting ("H2") that the guest sends right before its name
// and the host answers:
// - Whole game (both sides greeted): hand after hand to 12 points and game after game over one
//   connection, with truco, runs, the hidden card and the hand of eleven, scored by the same rules
//   as against the computer (engine/rules.h). The host sends the guest only its own three cards
//   and the vira; the host's cards travel only when played, a hidden card never.
// - Classic (a peer that knows only the classic messages): one hand per connection, as before.
// A guest that knows the joint deal greets with "H3" and a host that knows it answers "H3": then
// the deck of every hand is dealt jointly (net/fair/joint_deal.h) and the host no longer knows the
// guest's cards. A side of version 3 answers an "H2" with "H2" and plays as before. Two sides of
// version 4 ("H4") deal the same way with every step checked by a proof as it arrives
// (ProvenDealing, proven_dealing.h): nothing is revealed at a hand's end.
//
// Both:
// - The hand keeps its own picture of the networked table and writes it into the game state only
//   while the game is networked and this side has started (`Inicio_Online`): messages that arrive
//   while a restart question is still open, or while a game against the computer goes on, never
//   disturb that game. What arrived early is laid out when the start comes.
// - A play out of turn, into the wrong trick, or of a card already on the table is ignored; so is
//   a second name from the same peer.
// - A lost connection ends the networked game: the panel and a message box say so, no card can
//   be played, and "Iniciar" starts anything anew.

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/game.h"
#include "engine/rules.h"
#include "engine/screen.h"
#include "net/fair/joint_deal.h"
#include "net/play/classic_hand.h"
#include "net/play/dealer.h"
#include "net/play/hand_history.h"
#include "net/play/hand_notes.h"
#include "net/play/hand_state.h"
#include "net/play/joint_dealing.h"
#include "net/play/proven_dealing.h"
#include "net/play/table_replica.h"
#include "net/wire/protocol.h"

namespace truco::net {

// The Yes/No questions the hand puts to its player through the window.
enum class Question : std::uint8_t {
  Eleven,    // kTextElevenQuestion: the side at 11 plays the hand or gives it up
  Continue,  // kTextContinueQuestion: host, the opponent of an interrupted game is back
};

// What the hand needs from around it: the connection, the chat column and the dialogs.
class HandOutput {
 public:
  virtual ~HandOutput() = default;
  // Sends a message to the peer; false when there is no peer.
  virtual bool Send(const Message& message) = 0;
  // The message panel `L_MSG`. A carriage return starts a new line.
  virtual void SetMessagePanel(const std::string& text) = 0;
  // The opponent's name (`NOME`, and above the opponent's cards and in the score box).
  virtual void SetOpponentName(const std::string& name) = 0;
  // One line for the chat box `CHAT`.
  virtual void AppendChat(const std::string& line) = 0;
  // A modal information box. In a whole game its return means the player closed it: after the
  // hand's last box the guest sends "O" and the host may deal. Messages may arrive while it is
  // open; the hand handles them then.
  virtual void Tell(const std::string& text) = 0;
  // The game state changed outside a click of the player (a message arrived).
  virtual void TableChanged() {}
  // The truco dialog on the answering side, with the caller's name in its headline
  // (`request.phrase`). Show it and return at once; when a button closes it, call
  // NetworkedHand::AnswerTruco with its answer ('S' accept, '+' raise, 'N' run).
  virtual void AskTruco(const TrucoDialogRequest& /*request*/) {}
  // A Yes/No question. Show it and return at once; call NetworkedHand::Answer when answered.
  virtual void Ask(Question /*question*/, const std::string& /*text*/) {}
  // The dialog or question that is open is void (the connection went, the game restarted):
  // close it without an answer.
  virtual void CancelAsk() {}
  // The hand ends the connection itself (a cheat caught by the joint deal): close the path to the
  // peer after what was sent has gone out. Emits nothing back to the hand.
  virtual void CloseLink() {}
};

// Texts of the networked hand.
inline constexpr char kTextYourTurn[] = "Sua vez de jogar";
inline constexpr char kTextWaitOpponent[] = "Aguarde seu adversário jogar";
inline constexpr char kTextYouKilled[] = "Você matou. Torne uma carta";
inline constexpr char kTextKilled[] = " matou.";
inline constexpr char kTextWaitLead[] = "Aguarde ele tornar";
inline constexpr char kTextHandOver[] = "Fim da mão.";
inline constexpr char kTextYouWon[] = "Você levou a mão.";
inline constexpr char kTextOpponentWon[] = " levou a mão.";
inline constexpr char kTextAllTied[] = "As três empataram.";
// Whole game.
inline constexpr char kTextYouWonPrefix[] = "Você Ganhou ";
inline constexpr char kTextOpponentWonPrefix[] = " Ganhou ";  // after the opponent's name
inline constexpr char kTextTentos[] = " Tento(s)";
inline constexpr char kTextGameWon[] = "Parabéns  L A D R Ã O!  Você Ganhou";
inline constexpr char kTextGameLost[] = "Que M A R R E C O! Conseguiu Perder";
inline constexpr char kTextReplay[] = "Como as 3 cartas empataram, essa mão será jogada novamente";
inline constexpr char kTextElevenQuestion[] = "Você tem 11 pontos. Deseja Jogar com estas Cartas?";
inline constexpr char kTextContinueQuestion[] = "Continuar a partida?";
inline constexpr char kTextRan[] = " correu";  // after the opponent's name
inline constexpr char kTextGaveUpEleven[] = " não quis jogar a mão de 11";  // after the name
inline constexpr char kTextAccepted[] = " aceitou";                  // after the opponent's name
inline constexpr char kTextWaitAnswer[] = "Aguarde a resposta de ";  // before the name
inline constexpr char kTextWaitEleven[] = " decide a mão de 11";     // after the opponent's name
inline constexpr char kTextWaitDeal[] = "Aguarde a próxima mão";
inline constexpr char kTextCalls[] = " pede ";  // name + " pede " + the rung's word
// Version 3: the joint deal caught a cheat (a carriage return and the reason follow), or a peer
// broke it (the reason follows too).
inline constexpr char kTextCheat[] = "Trapaça detectada: a partida foi anulada";
inline constexpr char kTextDealBroken[] =
    "O adversário enviou uma mensagem inválida. A conexão foi encerrada.";
// Version 3: the host offers to go on with a hand whose deal this program no longer holds (it was
// closed in the middle of it); nobody broke anything.
inline constexpr char kTextHandNotKept[] =
    "A mão interrompida não pode continuar: este programa foi fechado durante ela e não guardou "
    "sua parte do baralho. A conexão foi encerrada.";
// The word of each rung in the truco dialog's headline: "Truco", "Seis", "Nove", "Doze".
std::string_view CallWord(Rung rung);
// The most characters of a received name that are shown.
inline constexpr std::size_t kMaxNameChars = 11;

// The first `max_chars` characters of a UTF-8 text (a broken sequence counts byte by byte).
std::string ClipUtf8(const std::string& text, std::size_t max_chars);

class SideRole;

class NetworkedHand final : public NetworkedPlay {
 public:
  // Who took a trick, from this side's point of view.
  using Outcome = net::Outcome;

  NetworkedHand(Game& game, RandomSource& random, HandOutput& out);
  ~NetworkedHand() override;
  NetworkedHand(const NetworkedHand&) = delete;
  NetworkedHand& operator=(const NetworkedHand&) = delete;

  // A connection is about to be opened as `side`; `own_name` answers the host's name. Forgets
  // everything of an earlier connection.
  void Prepare(Side side, std::string own_name);
  // The table this connection plays at (the broker and the table; empty, the default after
  // Prepare, for a direct connection). Set before the peer's name comes.
  void set_table_key(std::string key) { table_key_ = std::move(key); }
  // The peer went away or broke the protocol; `text` says so.
  void ConnectionLost(const std::string& text);
  // A message from the peer.
  void Receive(const Message& message);
  // A chat line typed here ("[" + name + "] " + text), for the peer; dropped without a word when
  // there is no connection.
  void SendChat(const std::string& line);

  // What a dropped connection leaves behind to go on with: the points, tally and settings at the
  // start of the interrupted hand and, on the host, the hand itself.
  struct ResumeState {
    std::string opponent_name;
    std::array<int, 2> points{};  // by Side: host, guest
    std::array<int, 2> games{};   // the connection's tally, by Side
    int hand_counter = 1;         // host: the counter before the interrupted hand's deal
    GameSettings settings;        // host: the settings the game was played with
    // Host: the interrupted hand as it stood (both hands, the table, the stake, a call waiting,
    // whose turn); nothing when the cut came between hands.
    std::optional<HandState> hand;
    // Version 3: the interrupted hand's joint deal, to reveal and check on the next connection.
    std::optional<JointDeal> deal;
    // The table the game was played at (empty for a direct connection): a game goes on only at
    // the table it was cut off from, whoever else of the same name comes to another.
    std::string table_key;
  };

  // NetworkedPlay: the start command and the player's card clicks in a networked game. A start
  // while a whole game is connected is a confirmed restart (RestartGame).
  void Inicio_Online() override;
  void PlayCard(CardId id) override;
  // "Trucar": calls the next rung when this side may. "Correr": gives up the hand (from a call
  // waiting for this side's answer, or on this side's turn).
  void Trucar() override;
  void Correr() override;

  // The answer of the truco dialog asked by HandOutput::AskTruco: 'S', '+' or 'N'; anything else,
  // or an answer nobody asked for, is ignored.
  void AnswerTruco(char answer);
  // The answer to a question asked by HandOutput::Ask.
  void Answer(Question question, bool yes);
  // The player confirmed "Deseja reiniciar a partida?" in a connected whole game: both sides go
  // to 0 points (the tally stays) and the host deals a new hand.
  void RestartGame();

  // A connection lost in the middle of a whole game leaves this; a new connection with the same
  // opponent offers to go on (host: Question::Continue). The window forgets it when the time to
  // come back is over.
  [[nodiscard]] const std::optional<ResumeState>& resume_state() const { return resume_; }
  // What a crash now would leave to go on with (kept in the resume file). Host: the interrupted
  // game while one waits, else the game on the table (the whole hand in the middle of one; a
  // jointly dealt hand with this side's part of its deal, secret included). Guest: only its part
  // of a jointly dealt hand under way or cut off.
  [[nodiscard]] std::optional<ResumeState> Snapshot() const;
  // NetworkedPlay: a game cut off here may be taken up again.
  [[nodiscard]] bool Resumable() const override { return resume_.has_value(); }
  void DropResume() { resume_.reset(); }
  // NetworkedPlay: a guest connected and not started yet (its deal may already be here).
  [[nodiscard]] bool Joining() const override;
  // Before the guest's name arrives: the host goes on from this state with the returning opponent
  // (the guest keeps only the deal). Its
  // deal is the one to check if the hand does not go on (the window reads the file after
  // Prepare, which took the kept deal from the state then).
  void SetResumeState(ResumeState state) {
    joint_.Keep(state.deal);
    resume_ = std::move(state);
  }

  // The step that deals a whole game's hand (host). `dealer` must outlive this hand; nullptr
  // goes back to the host's own draw.
  void set_dealer(Dealer* dealer) { dealer_ = dealer != nullptr ? dealer : &host_draw_; }
  [[nodiscard]] Dealer& dealer() { return *dealer_; }
  // The highest protocol version this side offers (kJointDealVersion unless changed: tests that
  // stack the host's draws play version 2, the recorded games name theirs, version 4 is asked for).
  void set_max_version(int version) { max_version_ = version; }
  // Test hook: the joint deal's secrets and shuffles come from `entropy` (a seeded one replays a
  // hand); nullptr goes back to libsodium's random source. Takes effect at the next Prepare.
  void set_deal_entropy(DealEntropy* entropy) { joint_.set_entropy(entropy); }
  // Test hook: a side that never acts on a failed check (tests forge a cheater's messages on the
  // way out of an honest side, whose own checks would then see its forgery).
  void set_checks_peer(bool checks) {
    joint_.set_checks_peer(checks);
    proven_.set_checks_peer(checks);
  }
  // Both sides greeted with version 3: the deck is dealt jointly.
  [[nodiscard]] bool joint() const { return joint_.on(); }
  [[nodiscard]] const JointDeal& joint_deal() const { return joint_.deal(); }
  // Version 3: this side revealed its secret at the hand's end and waits for the peer's, which the
  // next hand needs (so the peer's silence is watched even between hands).
  [[nodiscard]] bool awaits_peer_secret() const { return joint_.AwaitsPeerSecret(); }
  // The player stopped waiting for a silent peer: the connection goes with `lost_text`, or, when
  // the peer withholds the secret of a hand played, the game is void as for a cheat.
  void GiveUpOnSilentPeer(const std::string& lost_text) { joint_.GiveUpOnSilentPeer(lost_text); }
  // The game was voided by a cheat the joint deal caught (on either side).
  [[nodiscard]] bool cheat_found() const { return joint_.cheat_found() || proven_.cheat_found(); }
  // Both sides greeted with version 4: every hand's deal is checked by proofs as it goes.
  [[nodiscard]] bool proven() const { return proven_.on(); }
  [[nodiscard]] const ProvenDealing& proven_dealing() const { return proven_; }
  // Hands of this connection whose every deal message passed the checks of the peer's secret,
  // and whether the hand a resumed game lost passed them too.
  [[nodiscard]] int hands_checked() const { return joint_.hands_checked(); }
  [[nodiscard]] bool interrupted_hand_checked() const { return joint_.interrupted_hand_checked(); }
  // The whole table as this side knows it (the host's: all of it).
  [[nodiscard]] const HandState& table() const { return table_; }

  // Plays as a peer that knows only the classic messages (for tests of the fallback).
  void set_classic_only(bool classic) { classic_only_ = classic; }
  // Whole games are written into the player's history (nullptr: not written). Defined beside
  // the history's writer, outside the fuzzing build.
  void set_history(history::HistoryRecorder* recorder);
  void set_hand_history(std::unique_ptr<HandHistory> history);
  // The path the game travels, as the history names it: "direta" or "internet".
  void set_history_path(std::string path) { notes_.set_path(std::move(path)); }

  // What tests and the window read.
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] bool linked() const { return linked_; }
  [[nodiscard]] bool started() const { return started_; }
  [[nodiscard]] bool DealComplete() const;
  [[nodiscard]] const std::string& panel() const { return panel_; }
  [[nodiscard]] const std::string& opponent_name() const { return opponent_name_; }
  // 'C' the guest plays, 'S' the host plays, ' ' nobody (a trick waits for its judgement, or
  // the hand is over).
  [[nodiscard]] char turn() const { return table_.turn; }
  [[nodiscard]] bool may_play() const { return may_play_; }
  [[nodiscard]] Outcome outcome(int trick) const { return table_.outcome[Index(trick)]; }
  [[nodiscard]] bool HandOver() const { return table_.outcome[3] != Outcome::None; }
  // Host: the strength of the host's / guest's card in trick t, -1 while not played.
  [[nodiscard]] int trick_strength(int trick, Side whose) const;
  [[nodiscard]] std::optional<Card> own_card(int slot) const {
    return table_.cards[SideIndex(side_)][Index(slot - 1)];
  }
  [[nodiscard]] std::optional<Card> opponent_card(int slot) const {
    return table_.cards[1 - SideIndex(side_)][Index(slot - 1)];
  }
  [[nodiscard]] std::optional<Card> vira() const { return table_.vira; }
  [[nodiscard]] ManilhaMode manilha_mode() const { return table_.mode; }
  [[nodiscard]] char deck_type() const { return table_.deck; }
  [[nodiscard]] const ManilhaValues& manilhas() const { return table_.manilhas; }

  // Whole game: both sides greeted each other.
  [[nodiscard]] bool whole_game() const { return whole_game_; }
  // Points and the connection's tally of games, by side.
  [[nodiscard]] int points(Side whose) const { return replica_.points()[SideIndex(whose)]; }
  [[nodiscard]] int games(Side whose) const { return replica_.games()[SideIndex(whose)]; }
  // The table both sides play at, as this side holds it.
  [[nodiscard]] const TableReplica& replica() const { return replica_; }
  [[nodiscard]] int stake() const { return table_.stake; }
  // The call that waits for an answer (its stake, 0 when none) and who made it.
  [[nodiscard]] int pending_call() const { return table_.pending_stake; }
  [[nodiscard]] char caller() const { return table_.caller; }
  // 'S' or 'C': the side that may act now (play, call, run, answer, decide the hand of eleven);
  // ' ' nobody (a trick waits for its result, a hand for its deal).
  [[nodiscard]] char actor() const;
  // Whose letter accepted the last call (' ' none): only that side may call the next rung.
  [[nodiscard]] char raise_right() const { return table_.raise_right; }
  // The hand of eleven: ' ' none, 'S' / 'C' that side is at 11 (deciding until eleven_decided),
  // 'B' both at 11.
  [[nodiscard]] char eleven() const { return table_.eleven; }
  [[nodiscard]] bool eleven_decided() const { return table_.eleven_decided; }
  // Whether the card played into trick t by `whose` went face down.
  [[nodiscard]] bool hidden(int trick, Side whose) const;
  // Hands dealt on this connection (whole game).
  [[nodiscard]] int hands_dealt() const { return hands_dealt_; }
  // The hand is over and waits for its boxes and the next deal.
  [[nodiscard]] bool hand_finished() const { return finished_; }
  // The host's hand counter (the lead alternates with it).
  [[nodiscard]] int hand_counter() const { return game_.state().hand_counter; }

 private:
  // What differs between the host and the guest (side_role.h): each reaches into the hand.
  friend class HostRole;
  friend class GuestRole;
  friend class DealingPart;
  friend class JointDealing;
  friend class ProvenDealing;
  friend class ClassicHand;

  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  static std::size_t SideIndex(Side s) { return s == Side::Host ? 0 : 1; }
  // This side's and the other's part of the table.
  [[nodiscard]] std::size_t OwnSeat() const { return SideIndex(side_); }
  [[nodiscard]] std::size_t OppSeat() const { return 1 - SideIndex(side_); }
  auto& OwnCards() { return table_.cards[OwnSeat()]; }
  auto& OppCards() { return table_.cards[OppSeat()]; }
  [[nodiscard]] const auto& OwnCards() const { return table_.cards[OwnSeat()]; }
  [[nodiscard]] const auto& OppCards() const { return table_.cards[OppSeat()]; }
  auto& OwnSlots() { return table_.slot[OwnSeat()]; }
  auto& OppSlots() { return table_.slot[OppSeat()]; }
  [[nodiscard]] const auto& OwnSlots() const { return table_.slot[OwnSeat()]; }
  [[nodiscard]] const auto& OppSlots() const { return table_.slot[OppSeat()]; }
  auto& OwnHidden() { return table_.hidden[OwnSeat()]; }
  auto& OppHidden() { return table_.hidden[OppSeat()]; }
  [[nodiscard]] const auto& OwnHidden() const { return table_.hidden[OwnSeat()]; }
  [[nodiscard]] const auto& OppHidden() const { return table_.hidden[OppSeat()]; }
  // The seats' letters on the wire: the host's 'S', the guest's 'C'.
  [[nodiscard]] char OwnLetter() const { return "SC"[OwnSeat()]; }
  [[nodiscard]] char OpponentLetter() const { return "SC"[OppSeat()]; }
  [[nodiscard]] bool Active() const { return started_ && game_.Online(); }

  // The peer's name (taken once per connection).
  void OnName(const Name& m);

  void SetVira(Card card, ManilhaMode mode);
  // This side's three cards and the vira are here.
  [[nodiscard]] bool CardsIn() const;
  void SetPanel(std::string text);
  [[nodiscard]] int Strength(const Card& card) const;
  [[nodiscard]] int FirstOpenTrick(const std::array<int, 4>& slots) const;

  // Whole game.
  class Scope {
   public:
    explicit Scope(NetworkedHand& hand);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    NetworkedHand& hand_;
  };
  [[nodiscard]] bool MayCallNow(char letter) const;
  [[nodiscard]] bool MayRunNow(char letter) const;
  [[nodiscard]] bool MayPlayNow(char letter) const;
  void ClearHand();
  // Once per connection, at its first whole-game deal: the run's tally before this game, from
  // the game's own tally (a resumed game already counted its own games in the run's).
  void NoteTallyBefore(const std::array<int, 2>& games);
  // A deal line that breaks the protocol: the connection goes as for a broken line, for good.
  void EndByBrokenDeal(const std::string& reason);
  // A cheat caught in the deal: the game is void (no points, no resume; a game the cheated hand
  // ended is not counted, the games finished before stay counted), told with `reason`.
  void VoidGame(const std::array<int, 2>& games_at_deal, const std::string& reason);
  // The cards this side sees are here: the replica deals them, with the lead the deal named.
  void DealReplica();
  // The peer sent cards the table cannot hold (one already in view, or twice in a deal): the
  // connection goes as for a broken line, and the game with it.
  void PeerBroke();
  // The dealer's cards came: the role that asked for them takes them.
  void CardsDealt(const DealtCards& cards);
  // After a deal or a resume: the questions this side owes (a call waiting, the hand of 11).
  void AskWhatIsOwed();
  void StartEleven();
  void ApplyEleven(char letter, bool plays);
  bool ReceiveWhole(const Message& message);
  void PlayWhole(CardId id);
  void OpponentPlays(int slot, int trick, bool hide);
  void ApplyPlay(char letter, int slot, int trick, bool hide);
  void ApplyTrickResult(int trick);
  void ApplyCall(char letter, int stake);
  void ApplyAccept(char letter);
  void ApplyRun(char letter);
  // Ends the hand the replica has just ended; `why` (after the opponent's name) tells the winner
  // how the other side gave the hand up.
  void EndWholeHand(const char* why);
  // Notes `letter`'s move for the history.
  void Seen(SeenMove::Kind kind, char letter, std::optional<Card> card, int value);
  void HandBoxesClosed();
  void ApplyRestart();
  void Flush();
  void SyncWhole(GameState& s);

  // Writes the hand's table into the game state (only while the networked game is on here).
  void Sync();
  void Refresh();

  Game& game_;
  RandomSource& random_;
  HandOutput& out_;
  UsedCards used_;

  Side side_ = Side::Host;
  // The side's own part, chosen by Prepare (the host's until then).
  std::unique_ptr<SideRole> role_;
  std::string own_name_;
  std::string opponent_name_;
  std::string table_key_;
  bool linked_ = false;
  bool started_ = false;
  std::string lost_text_;
  bool lost_told_ = false;

  // The deal of the whole game: the host's own draw unless another dealer is set.
  HostDraw host_draw_{random_, used_};
  Dealer* dealer_ = &host_draw_;

  // The hand on the table: the picture both the classic hand and the whole game show and send.
  HandState table_;
  // The whole game's rules and score: the same table on both sides.
  TableReplica replica_;

  bool may_play_ = false;
  std::string panel_;

  // --- Whole game ---
  bool classic_only_ = false;
  bool greeted_ = false;     // the peer said hello
  bool whole_game_ = false;  // both did
  bool named_once_ = false;  // the peer's name came (accepted once per connection)
  // The hands as this seat saw them, for the player's history.
  HandNotes notes_;
  std::array<int, 2> base_games_{};  // the run's tally before this connection
  bool dealt_hand_ = false;          // a whole-game hand has been dealt on this connection
  bool finished_ = false;
  bool own_closed_ = true;  // this side's last box of the hand is closed
  int hands_dealt_ = 0;
  bool first_whole_deal_ = true;
  bool restarting_ = false;  // host: waits for the guest's "O"; guest: for the host's "Z"
  bool accepted_notice_ = false;
  bool want_truco_ask_ = false;
  bool want_eleven_ask_ = false;
  bool truco_asked_ = false;
  bool eleven_asked_ = false;
  std::optional<ResumeState> resume_;
  std::optional<ResumeState> hand_start_;  // the state at the current hand's deal

  // --- Version 3: the joint deal ---
  // Offered by default: version 3, whose cut hand goes on with the same deal. Version 4 deals a
  // cut hand anew, which would let a side void a hand it is losing by cutting the link, so it is
  // played only where it is asked for until its deal is kept across a cut.
  int max_version_ = kJointDealVersion;
  JointDealing joint_{*this};
  // --- Version 4: the deal checked by proofs ---
  ProvenDealing proven_{*this};
  // The classic hand, with a peer that knows nothing newer.
  ClassicHand classic_{*this};
  // Boxes to show once the current event is handled; `ends_hand` marks the hand's last.
  struct Box {
    std::string text;
    bool ends_hand = false;
  };
  std::vector<Box> boxes_;
  int depth_ = 0;
  bool flushing_ = false;
};

}  // namespace truco::net
