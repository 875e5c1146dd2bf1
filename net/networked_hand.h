#pragma once
// The hand two connected players play against each other. The host is the authority: it draws
// every card (the guest's too, on the guest's requests), rates both cards of every trick and
// tells the guest whose turn it is. Plain C++ over the engine's Game: the sockets and windows
// sit behind HandOutput, so two hands can be wired to each other in memory.
//
// Choices:
// - One hand per connection. The deal runs once, right after the names; a new hand needs a new
//   "Em rede" start, which opens a new connection.
// - The hand keeps its own picture of the networked table and writes it into the game state only
//   while the game is networked and this side has started (`Inicio_Online`): messages that arrive
//   while a restart question is still open, or while a game against the computer goes on, never
//   disturb that game. What arrived early is laid out when the start comes.
// - The host answers the guest's name with the deal only once its own hand has started, so every
//   draw comes after the start clears `used_cards`. Each card is drawn once per hand; a repeated
//   request gets the same card again (a peer cannot empty the deck).
// - First lead by the parity of the host's `hand_counter`: even, the guest leads (the host sends
//   "PC" and waits); odd, the host leads (it sends "PS").
// - A "J" grants the turn only when it leads a trick. The card that completes a trick leaves the
//   turn to the host's judgement: the stronger card's side leads next, on equal strengths the side
//   that led the trick. The host sends "P" + that side's letter after the first and second
//   tricks; the guest acts on "PC" and on "PS" and takes a "P" only while it waits for one.
// - A play out of turn, into the wrong trick, or of a card already on the table is ignored.
// - A side may play only once its own deal is complete; cards not yet dealt show their backs.
// - After the third trick the hand ends: both sides show who took it. No points move.
// - A lost connection ends the networked game: the panel and a message box say so, no card can
//   be played, and "Iniciar" starts anything anew.

#include <array>
#include <optional>
#include <string>

#include "engine/game.h"
#include "net/protocol.h"

namespace truco::net {

// What the hand needs from around it: the connection and the chat column.
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
  // A modal information box.
  virtual void Tell(const std::string& text) = 0;
  // The game state changed outside a click of the player (a message arrived).
  virtual void TableChanged() {}
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
// The most characters of a received name that are shown.
inline constexpr std::size_t kMaxNameChars = 11;

// The first `max_chars` characters of a UTF-8 text (a broken sequence counts byte by byte).
std::string ClipUtf8(const std::string& text, std::size_t max_chars);

class NetworkedHand final : public NetworkedPlay {
 public:
  // Who took a trick, from this side's point of view.
  enum class Outcome : std::uint8_t { None, Own, Opponent, Tie };

  NetworkedHand(Game& game, RandomSource& random, HandOutput& out);

  // A connection is about to be opened as `side`; `own_name` answers the host's name. Forgets
  // everything of an earlier connection.
  void Prepare(Side side, std::string own_name);
  // The peer went away or broke the protocol; `text` says so.
  void ConnectionLost(const std::string& text);
  // A message from the peer.
  void Receive(const Message& message);
  // A chat line typed here ("[" + name + "] " + text), for the peer; dropped without a word when
  // there is no connection.
  void SendChat(const std::string& line);

  // NetworkedPlay: the start command and the player's card clicks in a networked game.
  void Inicio_Online() override;
  void PlayCard(CardId id) override;

  // Host: draws and sends card k on the guest's request (1..3 the guest's, 4..6 the host's own,
  // 7 the vira).
  void ENVIA_CARTA(int k);
  // Host: judges trick t once both cards are known.
  void VERIFICA_MATOU(int trick);

  // What tests and the window read.
  [[nodiscard]] Side side() const { return side_; }
  [[nodiscard]] bool linked() const { return linked_; }
  [[nodiscard]] bool started() const { return started_; }
  [[nodiscard]] bool DealComplete() const;
  [[nodiscard]] const std::string& panel() const { return panel_; }
  [[nodiscard]] const std::string& opponent_name() const { return opponent_name_; }
  // 'C' the guest plays, 'S' the host plays, ' ' nobody (a trick waits for its judgement, or
  // the hand is over).
  [[nodiscard]] char turn() const { return turn_; }
  [[nodiscard]] bool may_play() const { return may_play_; }
  [[nodiscard]] Outcome outcome(int trick) const { return outcome_[Index(trick)]; }
  [[nodiscard]] bool HandOver() const { return outcome_[3] != Outcome::None; }
  // Host: the strength of the host's / guest's card in trick t, -1 while not played.
  [[nodiscard]] int trick_strength(int trick, Side whose) const;
  [[nodiscard]] std::optional<Card> own_card(int slot) const { return own_[Index(slot - 1)]; }
  [[nodiscard]] std::optional<Card> opponent_card(int slot) const { return opp_[Index(slot - 1)]; }
  [[nodiscard]] std::optional<Card> vira() const { return vira_; }
  [[nodiscard]] ManilhaMode manilha_mode() const { return mode_; }
  [[nodiscard]] char deck_type() const { return deck_; }
  [[nodiscard]] const ManilhaValues& manilhas() const { return manilhas_; }

 private:
  static std::size_t Index(int i) { return static_cast<std::size_t>(i); }
  [[nodiscard]] char OwnLetter() const { return side_ == Side::Host ? 'S' : 'C'; }
  [[nodiscard]] char OpponentLetter() const { return side_ == Side::Host ? 'C' : 'S'; }
  [[nodiscard]] bool Active() const { return started_ && game_.Online(); }

  // Receiving, by kind.
  void OnName(const Name& m);
  void OnAskCard(int k);
  void OnGuestCard(const GuestCard& m);
  void OnHostCard(const HostCard& m);
  void OnVira(const Vira& m);
  void OnTurn(const Turn& m);
  void OnPlay(const Play& m);

  void BeginDeal();
  // Guest: asks for card k of the deal (1..7), or nothing after the last.
  void Ask(int k);
  void SetVira(Card card, ManilhaMode mode);

  // Moves the player's played card into its trick row.
  void Posicao_Carta_Online(CardId card, int trick);
  // Moves the opponent's played card into its trick row, face up.
  void JOGA_CARTA_ONLINE(CardId card, int trick);

  // Both cards of trick t are on the table: record who took it; after the third, end the hand.
  void TrickComplete(int trick);
  void GiveTurn(char letter);
  void EndHand();
  void SetPanel(std::string text);
  [[nodiscard]] int Strength(const Card& card) const;
  [[nodiscard]] int FirstOpenTrick(const std::array<int, 4>& slots) const;

  // Writes the hand's table into the game state (only while the networked game is on here).
  void Sync();
  void Refresh();

  Game& game_;
  RandomSource& random_;
  HandOutput& out_;

  Side side_ = Side::Host;
  std::string own_name_;
  std::string opponent_name_;
  bool linked_ = false;
  bool started_ = false;
  std::string lost_text_;
  bool lost_told_ = false;

  // The deal.
  bool opponent_named_ = false;
  bool deal_started_ = false;
  int asked_ = 0;                // guest: the card last asked for (1..7), 8 when all came
  std::array<bool, 8> dealt_{};  // host: cards 1..7 drawn
  UsedCards used_;
  char deck_ = kBaralhoLimpo;
  ManilhaMode mode_ = ManilhaMode::Nova;
  ManilhaValues manilhas_{};
  std::array<std::optional<Card>, 3> own_{};
  std::array<std::optional<Card>, 3> opp_{};
  std::optional<Card> vira_;
  bool vira_dealt_ = false;

  // The tricks: the slot (0..2) each side played into trick 1..3, -1 while not played.
  std::array<int, 4> own_slot_{-1, -1, -1, -1};
  std::array<int, 4> opp_slot_{-1, -1, -1, -1};
  std::array<char, 4> leader_{};  // 'S' or 'C'
  std::array<Outcome, 4> outcome_{};

  char turn_ = ' ';
  bool may_play_ = false;
  bool awaiting_turn_ = true;  // guest: the next "P" is expected
  std::string panel_;
};

}  // namespace truco::net
