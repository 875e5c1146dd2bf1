#include "net/networked_hand.h"

#include <algorithm>
#include <utility>

namespace truco::net {
namespace {

constexpr int kFirstHostCard = 4;
constexpr int kViraCard = 7;
constexpr int kDealDone = 8;

CardId OwnCardId(int slot) {
  return static_cast<CardId>(kCartaJ1 + slot);
}
CardId OpponentCardId(int slot) {
  return static_cast<CardId>(kCartaM1 + slot);
}

Side SideOf(char letter) {
  return letter == 'S' ? Side::Host : Side::Guest;
}

}  // namespace

std::string ClipUtf8(const std::string& text, std::size_t max_chars) {
  std::size_t chars = 0;
  std::size_t i = 0;
  while (i < text.size() && chars < max_chars) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if ((lead & 0xE0U) == 0xC0U) {
      length = 2;
    } else if ((lead & 0xF0U) == 0xE0U) {
      length = 3;
    } else if ((lead & 0xF8U) == 0xF0U) {
      length = 4;
    }
    // A sequence cut short or with a stray byte inside counts as one character per byte.
    bool whole = i + length <= text.size();
    for (std::size_t k = 1; whole && k < length; ++k) {
      whole = (static_cast<unsigned char>(text[i + k]) & 0xC0U) == 0x80U;
    }
    i += whole ? length : 1;
    ++chars;
  }
  return text.substr(0, i);
}

NetworkedHand::NetworkedHand(Game& game, RandomSource& random, HandOutput& out)
    : game_(game), random_(random), out_(out) {}

void NetworkedHand::Prepare(Side side, std::string own_name) {
  side_ = side;
  own_name_ = std::move(own_name);
  opponent_name_.clear();
  linked_ = true;
  started_ = false;
  lost_text_.clear();
  lost_told_ = false;
  opponent_named_ = false;
  deal_started_ = false;
  asked_ = 0;
  dealt_ = {};
  used_.Clear();
  deck_ = kBaralhoLimpo;  // a host that never says otherwise is read as the 24-card deck
  mode_ = ManilhaMode::Nova;
  manilhas_ = {};
  own_ = {};
  opp_ = {};
  vira_.reset();
  vira_dealt_ = false;
  own_slot_ = {-1, -1, -1, -1};
  opp_slot_ = {-1, -1, -1, -1};
  leader_ = {};
  outcome_ = {};
  turn_ = ' ';
  may_play_ = false;
  awaiting_turn_ = true;
  panel_.clear();
  // The whole game starts afresh with every connection; only a resume state outlives it.
  greeted_ = false;
  whole_game_ = false;
  named_once_ = false;
  points_ = {};
  games_ = {};
  const GameState& s = game_.state();
  base_games_ = {s.games_player, s.games_computer};
  first_whole_deal_ = true;
  resumed_settings_.reset();
  ClearHand();
  finished_ = false;
  own_closed_ = true;
  peer_closed_ = true;
  hands_dealt_ = 0;
  truco_asked_ = false;
  eleven_asked_ = false;
  continue_asked_ = false;
  hand_start_.reset();
  boxes_.clear();
  restarting_ = false;
}

bool NetworkedHand::DealComplete() const {
  if (whole_game_) {
    if (side_ == Side::Host) return hands_dealt_ > 0;
    return vira_dealt_ && std::all_of(own_.begin(), own_.end(), [](const auto& c) { return c; });
  }
  if (side_ == Side::Guest) return asked_ == kDealDone;
  return std::all_of(dealt_.begin() + 1, dealt_.end(), [](bool dealt) { return dealt; });
}

int NetworkedHand::Strength(const Card& card) const {
  return Forca_Carta(card, manilhas_, mode_);
}

int NetworkedHand::trick_strength(int trick, Side whose) const {
  if (trick < 1 || trick > 3) return -1;
  const bool own = whose == side_;
  const int slot = own ? own_slot_[Index(trick)] : opp_slot_[Index(trick)];
  if (slot < 0) return -1;
  const auto& card = own ? own_[Index(slot)] : opp_[Index(slot)];
  return card ? Strength(*card) : -1;
}

int NetworkedHand::FirstOpenTrick(const std::array<int, 4>& slots) const {
  for (int t = 1; t <= 3; ++t) {
    if (slots[Index(t)] < 0) return t;
  }
  return 0;
}

void NetworkedHand::SetPanel(std::string text) {
  panel_ = std::move(text);
}

void NetworkedHand::GiveTurn(char letter) {
  turn_ = letter;
  may_play_ = letter == OwnLetter();
  SetPanel(may_play_ ? kTextYourTurn : kTextWaitOpponent);
}

// ---------------------------------------------------------------------------------------------
// Starting

void NetworkedHand::Inicio_Online() {
  Scope scope(*this);
  if (started_ && whole_game_ && linked_) {
    // "Iniciar" answered yes to "Deseja reiniciar a partida?" while the game is connected.
    RestartGame();
    return;
  }
  GameState& s = game_.mutable_state();
  s.ResetHand();
  // The opponent's cards start face down; only a play (or the hidden command) turns them.
  for (int i = 0; i < 3; ++i) s.cards[OpponentCardId(i)].face_down = true;
  s.cards[kCVira].face_down = true;

  if (started_) {
    // The same connection again: its hand goes on as it was.
    Sync();
    Refresh();
    return;
  }
  started_ = true;

  if (!linked_) {
    may_play_ = false;
    turn_ = ' ';
    if (!lost_text_.empty()) SetPanel(lost_text_);
    Sync();
    Refresh();
    if (!lost_text_.empty() && !lost_told_) {
      lost_told_ = true;
      out_.Tell(lost_text_);
    }
    return;
  }

  if (whole_game_) {
    // The whole game deals once both the start and the guest's name are here.
    if (side_ == Side::Host && hands_dealt_ == 0 && !continue_asked_) BeginWholeGame();
  } else if (side_ == Side::Guest) {
    // A turn the host gave before this start still holds.
    if (turn_ == ' ') {
      may_play_ = false;
      SetPanel(kTextWaitOpponent);
    }
  } else {
    s.used_cards.Clear();
    ++s.hand_counter;
    GiveTurn(s.hand_counter % 2 == 0 ? 'C' : 'S');
    out_.Send(Turn{SideOf(turn_)});
    if (opponent_named_ && !deal_started_) BeginDeal();
  }
  Sync();
  Refresh();
}

void NetworkedHand::BeginDeal() {
  deal_started_ = true;
  // The deck and the manilha mode hold for the whole hand, whatever the settings do meanwhile.
  const GameSettings& settings = game_.state().settings;
  deck_ = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  mode_ = settings.manilha_mode;
  used_.Clear();
  // Before "C", so the guest knows the deck before the vira comes.
  out_.Send(DeckType{deck_});
  out_.Send(StartDeal{});
}

// ---------------------------------------------------------------------------------------------
// Receiving

void NetworkedHand::Receive(const Message& message) {
  if (!linked_) return;
  Scope scope(*this);
  if (ReceiveWhole(message)) {
    Sync();
    Refresh();
    return;
  }
  std::visit(
      [this](const auto& m) {
        using T = std::decay_t<decltype(m)>;
        if constexpr (std::is_same_v<T, Name>) {
          OnName(m);
        } else if constexpr (std::is_same_v<T, StartDeal>) {
          if (side_ == Side::Guest && !deal_started_) {
            deal_started_ = true;
            Ask(1);
          }
        } else if constexpr (std::is_same_v<T, AskGuestCard>) {
          OnAskCard(m.slot);
        } else if constexpr (std::is_same_v<T, AskHostCard>) {
          OnAskCard(m.slot + kFirstHostCard - 1);
        } else if constexpr (std::is_same_v<T, AskVira>) {
          OnAskCard(kViraCard);
        } else if constexpr (std::is_same_v<T, GuestCard>) {
          OnGuestCard(m);
        } else if constexpr (std::is_same_v<T, HostCard>) {
          OnHostCard(m);
        } else if constexpr (std::is_same_v<T, Vira>) {
          OnVira(m);
        } else if constexpr (std::is_same_v<T, DeckType>) {
          if (side_ == Side::Guest && asked_ < kViraCard) deck_ = m.deck_type;
        } else if constexpr (std::is_same_v<T, Turn>) {
          OnTurn(m);
        } else if constexpr (std::is_same_v<T, Play>) {
          OnPlay(m);
        } else if constexpr (std::is_same_v<T, Chat>) {
          std::string line = m.line;
          // One line in the box, whatever the peer put in it.
          std::replace(line.begin(), line.end(), '\r', ' ');
          out_.AppendChat(line);
        }
      },
      message);
  Sync();
  Refresh();
}

void NetworkedHand::OnName(const Name& m) {
  // The name is taken once per connection: a second one never renames the opponent.
  if (named_once_) return;
  named_once_ = true;
  opponent_name_ = ClipUtf8(m.name, kMaxNameChars);
  out_.SetOpponentName(opponent_name_);
  if (side_ == Side::Guest) {
    // The greeting goes right before the name, so the host knows it before it deals.
    if (!classic_only_) out_.Send(Hello{kWholeGameVersion});
    out_.Send(Name{own_name_});
    return;
  }
  opponent_named_ = true;
  if (greeted_) {
    whole_game_ = true;
    if (started_) BeginWholeGame();
    return;
  }
  // The deal waits for this side's own start, which clears what was dealt before.
  if (started_ && !deal_started_) BeginDeal();
}

void NetworkedHand::OnAskCard(int k) {
  if (side_ != Side::Host || !deal_started_) return;
  ENVIA_CARTA(k);
}

void NetworkedHand::ENVIA_CARTA(int k) {
  if (side_ != Side::Host || k < 1 || k > kViraCard) return;
  const bool fresh = !dealt_[Index(k)];
  if (fresh) random_.Reseed();
  if (k < kFirstHostCard) {
    auto& card = opp_[Index(k - 1)];
    if (fresh) card = Sorteia(deck_, used_, random_);
    out_.Send(GuestCard{k, *card});
  } else if (k < kViraCard) {
    auto& card = own_[Index(k - kFirstHostCard)];
    if (fresh) card = Sorteia(deck_, used_, random_);
    out_.Send(HostCard{k - kFirstHostCard + 1, *card});
  } else if (mode_ == ManilhaMode::Nova) {
    if (fresh) SetVira(Sorteia(deck_, used_, random_), ManilhaMode::Nova);
    out_.Send(Vira{ManilhaMode::Nova, *vira_});
  } else {
    // Nothing is turned: the card's characters carry no meaning.
    if (fresh) SetVira(game_.state().cards[kCVira].card, ManilhaMode::Velha);
    out_.Send(Vira{ManilhaMode::Velha, *vira_});
  }
  dealt_[Index(k)] = true;
}

void NetworkedHand::SetVira(Card card, ManilhaMode mode) {
  vira_ = card;
  mode_ = mode;
  vira_dealt_ = true;
  if (mode == ManilhaMode::Nova) {
    manilhas_.fill(static_cast<std::uint8_t>(Proxima(deck_, card.Value)));
  } else {
    manilhas_ = ManilhasVelhas();
  }
}

void NetworkedHand::Ask(int k) {
  asked_ = k;
  if (k < kFirstHostCard) {
    out_.Send(AskGuestCard{k});
  } else if (k < kViraCard) {
    out_.Send(AskHostCard{k - kFirstHostCard + 1});
  } else if (k == kViraCard) {
    out_.Send(AskVira{});
  }
}

void NetworkedHand::OnGuestCard(const GuestCard& m) {
  if (side_ != Side::Guest || asked_ != m.slot) return;
  own_[Index(m.slot - 1)] = m.card;
  Ask(asked_ + 1);
}

void NetworkedHand::OnHostCard(const HostCard& m) {
  if (side_ != Side::Guest || asked_ != m.slot + kFirstHostCard - 1) return;
  opp_[Index(m.slot - 1)] = m.card;
  Ask(asked_ + 1);
}

void NetworkedHand::OnVira(const Vira& m) {
  if (side_ != Side::Guest || asked_ != kViraCard) return;
  SetVira(m.card, m.mode);
  asked_ = kDealDone;
}

void NetworkedHand::OnTurn(const Turn& m) {
  // Only the host says whose turn it is, and only when a turn is due: at the start and after a
  // judged trick. Anything else would let a side play out of turn.
  if (side_ != Side::Guest || !awaiting_turn_ || HandOver()) return;
  awaiting_turn_ = false;
  GiveTurn(m.side == Side::Host ? 'S' : 'C');
}

void NetworkedHand::OnPlay(const Play& m) {
  const int trick = m.trick;
  const int slot = m.slot - 1;
  if (turn_ != OpponentLetter() || slot < 0 || slot > 2) return;
  if (trick != FirstOpenTrick(opp_slot_)) return;
  if (std::find(opp_slot_.begin(), opp_slot_.end(), slot) != opp_slot_.end()) return;
  if (!opp_[Index(slot)]) return;
  JOGA_CARTA_ONLINE(OpponentCardId(slot), trick);
  if (own_slot_[Index(trick)] >= 0) {
    TrickComplete(trick);
  } else {
    // The opponent led: this side answers.
    GiveTurn(OwnLetter());
  }
}

// ---------------------------------------------------------------------------------------------
// Playing

void NetworkedHand::PlayCard(CardId id) {
  if (whole_game_) {
    Scope scope(*this);
    PlayWhole(id);
    Sync();
    Refresh();
    return;
  }
  if (!Active() || !linked_ || !DealComplete() || !may_play_ || turn_ != OwnLetter()) return;
  if (id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (std::find(own_slot_.begin(), own_slot_.end(), slot) != own_slot_.end()) return;
  const int trick = FirstOpenTrick(own_slot_);
  if (trick == 0) return;
  Posicao_Carta_Online(id, trick);
  if (!out_.Send(Play{slot + 1, trick})) {
    // The card lies on the table; the lost connection is being told.
    Sync();
    return;
  }
  may_play_ = false;
  if (opp_slot_[Index(trick)] >= 0) {
    turn_ = ' ';
    SetPanel(kTextWaitOpponent);
    TrickComplete(trick);
  } else {
    turn_ = OpponentLetter();
    SetPanel(kTextWaitOpponent);
  }
  Sync();
  Refresh();
}

void NetworkedHand::Posicao_Carta_Online(CardId card, int trick) {
  own_slot_[Index(trick)] = card - kCartaJ1;
  if (leader_[Index(trick)] == 0) leader_[Index(trick)] = OwnLetter();
  Sync();
}

void NetworkedHand::JOGA_CARTA_ONLINE(CardId card, int trick) {
  if (trick < 1 || trick > 3) return;
  opp_slot_[Index(trick)] = card - kCartaM1;
  if (leader_[Index(trick)] == 0) leader_[Index(trick)] = OpponentLetter();
  Sync();
}

// ---------------------------------------------------------------------------------------------
// Tricks

void NetworkedHand::TrickComplete(int trick) {
  if (side_ == Side::Host) {
    VERIFICA_MATOU(trick);
    return;
  }
  // The guest rates the cards only to show who took the trick; the turn is the host's word.
  const int own = trick_strength(trick, side_);
  const int opp = trick_strength(trick, Side::Host);
  outcome_[Index(trick)] =
      own > opp ? Outcome::Own : (opp > own ? Outcome::Opponent : Outcome::Tie);
  turn_ = ' ';
  may_play_ = false;
  if (trick == 3) {
    EndHand();
  } else {
    awaiting_turn_ = true;
  }
}

void NetworkedHand::VERIFICA_MATOU(int trick) {
  if (side_ != Side::Host || trick < 1 || trick > 3) return;
  const int host = trick_strength(trick, Side::Host);
  const int guest = trick_strength(trick, Side::Guest);
  if (host < 0 || guest < 0) return;
  char next = 'S';
  if (guest > host) {
    outcome_[Index(trick)] = Outcome::Opponent;
    next = 'C';
  } else if (host > guest) {
    outcome_[Index(trick)] = Outcome::Own;
  } else {
    outcome_[Index(trick)] = Outcome::Tie;
    next = leader_[Index(trick)];
  }
  if (trick == 3) {
    EndHand();
    return;
  }
  GiveTurn(next);
  if (guest > host) {
    SetPanel(opponent_name_ + kTextKilled + "\r" + kTextWaitLead);
  } else if (host > guest) {
    SetPanel(kTextYouKilled);
  }
  out_.Send(Turn{SideOf(next)});
}

void NetworkedHand::EndHand() {
  turn_ = ' ';
  may_play_ = false;
  awaiting_turn_ = false;
  // Counted as in a game against the computer: a tie scores for both, except that a tie after
  // a tied first trick scores nothing, and a tied third trick goes to the first trick's winner.
  int own = 0;
  int opp = 0;
  auto score = [&](int trick) {
    switch (outcome_[Index(trick)]) {
      case Outcome::Own:
        ++own;
        break;
      case Outcome::Opponent:
        ++opp;
        break;
      case Outcome::Tie:
        if (trick == 3) {
          if (outcome_[1] == Outcome::Own) ++own;
          if (outcome_[1] == Outcome::Opponent) ++opp;
        } else if (trick == 1 || outcome_[1] != Outcome::Tie) {
          ++own;
          ++opp;
        }
        break;
      case Outcome::None:
        break;
    }
  };
  auto decided = [&]() { return (own >= 2 && opp < 2) || (opp >= 2 && own < 2); };
  score(1);
  score(2);
  // A hand decided by its second trick stays decided whatever the third brings.
  if (!decided()) score(3);
  std::string text = std::string(kTextHandOver) + "\r";
  if (own >= 2 && opp < 2) {
    text += kTextYouWon;
  } else if (opp >= 2 && own < 2) {
    text += opponent_name_ + kTextOpponentWon;
  } else {
    text += kTextAllTied;
  }
  SetPanel(std::move(text));
}

// ---------------------------------------------------------------------------------------------
// The connection and the chat

void NetworkedHand::ConnectionLost(const std::string& text) {
  if (!linked_) return;
  linked_ = false;
  if (whole_game_) {
    // A game in the middle can go on from the start of this hand on a new connection.
    if (hand_start_) resume_ = hand_start_;
    if (truco_asked_ || eleven_asked_ || continue_asked_) out_.CancelAsk();
    truco_asked_ = eleven_asked_ = continue_asked_ = false;
    pending_stake_ = 0;
    finished_ = true;
    boxes_.clear();
  }
  lost_text_ = text;
  may_play_ = false;
  turn_ = ' ';
  if (!Active()) return;  // told when this side starts, if it ever does
  SetPanel(text);
  Sync();
  Refresh();
  lost_told_ = true;
  out_.Tell(text);
}

void NetworkedHand::SendChat(const std::string& line) {
  if (linked_) out_.Send(Chat{line});
}

// ---------------------------------------------------------------------------------------------
// The table

void NetworkedHand::Sync() {
  if (!Active()) return;
  GameState& s = game_.mutable_state();
  // The whole game reads the dark hand from the host's setting and the game's own points.
  const bool dark = whole_game_ ? eleven_dark_ : s.DarkElevenHand();
  for (int i = 0; i < 3; ++i) {
    TableCard& own = s.cards[OwnCardId(i)];
    TableCard& opp = s.cards[OpponentCardId(i)];
    if (own_[Index(i)]) own.card = *own_[Index(i)];
    if (opp_[Index(i)]) opp.card = *opp_[Index(i)];
    own.face_down = !own_[Index(i)] || dark;
    own.top = kPlayerHandTop;
    own.left = kHandLefts[Index(i)];
    opp.top = kComputerHandTop;
    opp.left = kHandLefts[Index(i)];
  }
  for (int t = 1; t <= 3; ++t) {
    if (const int slot = own_slot_[Index(t)]; slot >= 0) {
      TableCard& own = s.cards[OwnCardId(slot)];
      own.top = kTrickTops[Index(t)];
      own.left = kTrickPlayerLeft;
      // Whole game: a card played blind turns up on the table; a hidden one stays down. The
      // classic hand leaves the card with the face it had.
      if (whole_game_) own.face_down = own_hidden_[Index(t)];
    }
    if (const int slot = opp_slot_[Index(t)]; slot >= 0) {
      TableCard& opp = s.cards[OpponentCardId(slot)];
      opp.top = kTrickTops[Index(t)];
      opp.left = kTrickComputerLeft;
      opp.face_down = opp_hidden_[Index(t)];
    }
    s.trick_played[Index(t)] = own_slot_[Index(t)] >= 0;
    switch (outcome_[Index(t)]) {
      case Outcome::Own:
        s.trick_result[Index(t)] = kJogador;
        break;
      case Outcome::Opponent:
        s.trick_result[Index(t)] = kMicro;
        break;
      case Outcome::Tie:
        s.trick_result[Index(t)] = kEmpate;
        break;
      case Outcome::None:
        s.trick_result[Index(t)].clear();
        break;
    }
  }
  if (vira_dealt_) {
    if (vira_) s.cards[kCVira].card = *vira_;
    s.cards[kCVira].face_down = mode_ != ManilhaMode::Nova;
    s.vira_hand_pointer = true;
    s.manilha_value = manilhas_;
  }
  if (side_ == Side::Host) s.used_cards = used_;
  if (whole_game_) {
    SyncWhole(s);
    out_.SetMessagePanel(panel_);
    return;
  }
  s.turn = turn_;
  s.may_play = may_play_;
  if (HandOver() || !linked_) {
    s.BTrucar.enabled = false;
    s.BCorrer.enabled = false;
  }
  out_.SetMessagePanel(panel_);
}

void NetworkedHand::Refresh() {
  if (Active()) out_.TableChanged();
}

}  // namespace truco::net

// ---------------------------------------------------------------------------------------------
// The whole game

namespace truco::net {
namespace {

char Other(char letter) {
  return letter == 'S' ? 'C' : 'S';
}

char LetterOf(Side side) {
  return side == Side::Host ? 'S' : 'C';
}

std::string Tentos(int amount) {
  return std::to_string(amount) + kTextTentos;
}

}  // namespace

std::string_view CallWord(Rung rung) {
  switch (rung) {
    case Rung::Trucar:
      return "Truco";
    case Rung::Seis:
      return "Seis";
    case Rung::Nove:
      return "Nove";
    case Rung::Doze:
      return "Doze";
  }
  return "Truco";
}

NetworkedHand::Scope::Scope(NetworkedHand& hand) : hand_(hand) {
  ++hand_.depth_;
}

NetworkedHand::Scope::~Scope() {
  if (--hand_.depth_ == 0) hand_.Flush();
}

int& NetworkedHand::PointsOf(char letter) {
  return points_[letter == 'S' ? 0 : 1];
}

char NetworkedHand::actor() const {
  if (!whole_game_ || !linked_ || finished_ || !DealComplete()) return ' ';
  if (pending_stake_ != 0) return Other(caller_);
  if ((eleven_ == 'S' || eleven_ == 'C') && !eleven_decided_) return eleven_;
  return turn_;
}

bool NetworkedHand::hidden(int trick, Side whose) const {
  if (trick < 1 || trick > 3) return false;
  return whose == side_ ? own_hidden_[Index(trick)] : opp_hidden_[Index(trick)];
}

bool NetworkedHand::MayCallNow(char letter) const {
  if (actor() != letter || pending_stake_ != 0) return false;
  return MayCall(stake_, eleven_ != ' ', raise_right_ == letter);
}

bool NetworkedHand::MayRunNow(char letter) const {
  if (actor() != letter) return false;
  if (pending_stake_ != 0) return true;  // a run from the call that waits on this side
  // In a hand of eleven only the side at 11 that chose to play may still give it up.
  if (eleven_ == 'B' || eleven_ == Other(letter)) return false;
  return true;
}

bool NetworkedHand::MayPlayNow(char letter) const {
  const bool deciding = (eleven_ == 'S' || eleven_ == 'C') && !eleven_decided_;
  return actor() == letter && pending_stake_ == 0 && turn_ == letter && !deciding;
}

void NetworkedHand::ClearHand() {
  own_ = {};
  opp_ = {};
  vira_.reset();
  vira_dealt_ = false;
  own_slot_ = {-1, -1, -1, -1};
  opp_slot_ = {-1, -1, -1, -1};
  leader_ = {};
  outcome_ = {};
  own_hidden_ = {};
  opp_hidden_ = {};
  stake_ = 1;
  pending_stake_ = 0;
  caller_ = ' ';
  turn_before_call_ = ' ';
  raise_right_ = ' ';
  eleven_ = ' ';
  eleven_decided_ = false;
  eleven_dark_ = false;
  turn_ = ' ';
  may_play_ = false;
}

// Host: the guest's name is here and so is this side's start.
void NetworkedHand::BeginWholeGame() {
  if (side_ != Side::Host || hands_dealt_ > 0 || continue_asked_) return;
  if (resume_ && resume_->opponent_name == opponent_name_) {
    continue_asked_ = true;
    want_continue_ask_ = true;
    SetPanel(kTextWaitDeal);
    return;
  }
  resume_.reset();
  DealWhole();
}

void NetworkedHand::Answer(Question question, bool yes) {
  Scope scope(*this);
  if (question == Question::Continue) {
    if (!continue_asked_ || side_ != Side::Host || !linked_) return;
    continue_asked_ = false;
    want_continue_ask_ = false;
    if (yes && resume_) {
      points_ = resume_->points;
      games_ = resume_->games;
      game_.mutable_state().hand_counter = resume_->hand_counter;
      resumed_settings_ = resume_->settings;
    }
    resume_.reset();
    if (hands_dealt_ == 0) DealWhole();
  } else if (question == Question::Eleven) {
    const char own = OwnLetter();
    if (!eleven_asked_ || eleven_ != own || eleven_decided_ || actor() != own) return;
    eleven_asked_ = false;
    out_.Send(ElevenChoice{yes});
    ApplyEleven(own, yes);
  }
  Sync();
  Refresh();
}

void NetworkedHand::DealWhole() {
  if (side_ != Side::Host || !linked_) return;
  GameState& s = game_.mutable_state();
  const GameSettings settings = resumed_settings_.value_or(s.settings);
  hand_start_ = ResumeState{opponent_name_, points_, games_, s.hand_counter, settings};
  ClearHand();
  finished_ = false;
  own_closed_ = true;
  peer_closed_ = true;
  if (first_whole_deal_) {
    // The run's tally before this game; a resumed game already counted its own games in it.
    first_whole_deal_ = false;
    base_games_ = {std::max(0, s.games_player - games_[0]),
                   std::max(0, s.games_computer - games_[1])};
  }
  deck_ = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  mode_ = settings.manilha_mode;
  eleven_mode_ = settings.eleven_mode == 1 ? 1 : 0;

  ++s.hand_counter;
  const char lead = s.hand_counter % 2 == 0 ? 'C' : 'S';
  used_.Clear();
  random_.Reseed();
  // The draws in the order of the classic deal: the guest's three, the host's three, the vira.
  for (auto& card : opp_) card = Sorteia(deck_, used_, random_);
  for (auto& card : own_) card = Sorteia(deck_, used_, random_);
  if (mode_ == ManilhaMode::Nova) {
    SetVira(Sorteia(deck_, used_, random_), ManilhaMode::Nova);
  } else {
    SetVira(s.cards[kCVira].card, ManilhaMode::Velha);
  }
  ++hands_dealt_;
  turn_ = lead;

  out_.Send(Settings{deck_, mode_, eleven_mode_});
  out_.Send(NewHand{lead == 'S' ? Side::Host : Side::Guest, points_[0], points_[1], games_[0],
                    games_[1]});
  for (int slot = 1; slot <= 3; ++slot) out_.Send(GuestCard{slot, *opp_[Index(slot - 1)]});
  out_.Send(Vira{mode_, *vira_});
  StartEleven();
}

// Both sides once the cards are known: who plays the hand of eleven and how.
void NetworkedHand::StartEleven() {
  const bool host11 = points_[0] == kHandOfEleven;
  const bool guest11 = points_[1] == kHandOfEleven;
  if (host11 && guest11) {
    eleven_ = 'B';
    eleven_decided_ = true;
    eleven_dark_ = eleven_mode_ == 1;
  } else if (host11 || guest11) {
    eleven_ = host11 ? 'S' : 'C';
    eleven_decided_ = false;
    if (eleven_ == OwnLetter()) want_eleven_ask_ = true;
  }
}

void NetworkedHand::ApplyEleven(char letter, bool plays) {
  if (plays) {
    eleven_decided_ = true;
    stake_ = kElevenStake;
    return;
  }
  EndWholeHand(Other(letter), kElevenGiveUp, kTextGaveUpEleven);
}

// ---------------------------------------------------------------------------------------------
// Whole game: messages

bool NetworkedHand::ReceiveWhole(const Message& message) {
  if (const auto* hello = std::get_if<Hello>(&message)) {
    if (classic_only_ || greeted_ || hello->version < kWholeGameVersion) return true;
    if (side_ == Side::Host) {
      // Only before the guest's name: after it the classic hand has begun.
      if (opponent_named_) return true;
      greeted_ = true;
      out_.Send(Hello{kWholeGameVersion});
    } else {
      if (deal_started_) return true;
      greeted_ = true;
      whole_game_ = true;
    }
    return true;
  }
  if (!whole_game_) return false;
  // A guest that asked for a restart waits for the host's "Z": moves the host made before it
  // saw the request belong to the abandoned hand.
  if (side_ == Side::Guest && restarting_ && !std::holds_alternative<Restart>(message) &&
      !std::holds_alternative<Chat>(message)) {
    return true;
  }
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
        } else if constexpr (std::is_same_v<T, Settings>) {
          if (side_ == Side::Guest) pending_settings_ = m;
        } else if constexpr (std::is_same_v<T, NewHand>) {
          if (side_ == Side::Guest) OnNewHand(m);
        } else if constexpr (std::is_same_v<T, GuestCard>) {
          if (side_ == Side::Guest && dealing_ && !own_[Index(m.slot - 1)]) {
            own_[Index(m.slot - 1)] = m.card;
            FinishGuestDeal();
          }
        } else if constexpr (std::is_same_v<T, Vira>) {
          if (side_ == Side::Guest && dealing_ && !vira_dealt_) {
            SetVira(m.card, m.mode);
            FinishGuestDeal();
          }
        } else if constexpr (std::is_same_v<T, HostCard>) {
          // The host's card travels only right before its play.
          const int slot = m.slot - 1;
          if (side_ == Side::Guest && MayPlayNow(opp) &&
              std::find(opp_slot_.begin(), opp_slot_.end(), slot) == opp_slot_.end()) {
            opp_[Index(slot)] = m.card;
          }
        } else if constexpr (std::is_same_v<T, Play>) {
          OpponentPlays(m.slot - 1, m.trick, false);
        } else if constexpr (std::is_same_v<T, HiddenPlay>) {
          OpponentPlays(m.slot - 1, m.trick, true);
        } else if constexpr (std::is_same_v<T, TrickTaken>) {
          OnTrickTaken(m);
        } else if constexpr (std::is_same_v<T, Call>) {
          if (ValidCall(opp, m.stake)) ApplyCall(opp, m.stake);
        } else if constexpr (std::is_same_v<T, Accept>) {
          if (pending_stake_ == m.stake && caller_ == OwnLetter() && actor() == opp) {
            ApplyAccept(opp);
          }
        } else if constexpr (std::is_same_v<T, Run>) {
          if (MayRunNow(opp)) ApplyRun(opp);
        } else if constexpr (std::is_same_v<T, ElevenChoice>) {
          if (eleven_ == opp && !eleven_decided_ && actor() == opp) ApplyEleven(opp, m.plays);
        } else if constexpr (std::is_same_v<T, HandClosed>) {
          if (side_ != Side::Host) return;
          if (restarting_) {
            // The guest dropped its hand: everything it sent before is behind us.
            restarting_ = false;
            DealWhole();
          } else if (finished_ && !peer_closed_) {
            peer_closed_ = true;
            MaybeDealNext();
          }
        } else if constexpr (std::is_same_v<T, Restart>) {
          if (hands_dealt_ == 0) return;
          if (side_ == Side::Host) {
            if (restarting_) return;  // our own restart crossed the guest's: its "O" follows
            out_.Send(Restart{});
            ApplyRestart();
            restarting_ = true;
          } else {
            ApplyRestart();
            restarting_ = false;
            out_.Send(HandClosed{});
          }
        }
        // Every classic deal message, request and turn is void in the whole game: the host never
        // hands out a card on request, and the turn follows from the plays and results.
      },
      message);
  return true;
}

void NetworkedHand::OnNewHand(const NewHand& m) {
  const Settings settings = pending_settings_.value_or(Settings{deck_, mode_, eleven_mode_});
  ClearHand();
  deck_ = settings.deck_type;
  mode_ = settings.mode;
  eleven_mode_ = settings.eleven_mode;
  points_ = {m.host_points, m.guest_points};
  games_ = {m.host_games, m.guest_games};
  if (first_whole_deal_) {
    first_whole_deal_ = false;
    const GameState& s = game_.state();
    base_games_ = {std::max(0, s.games_player - games_[1]),
                   std::max(0, s.games_computer - games_[0])};
  }
  hand_start_ = ResumeState{opponent_name_, points_, games_, 0, {}};
  turn_ = m.lead == Side::Host ? 'S' : 'C';
  // Counted here too, so "Iniciar" on the guest knows a game is on and asks before restarting.
  ++game_.mutable_state().hand_counter;
  finished_ = false;
  own_closed_ = true;
  dealing_ = true;
  ++hands_dealt_;
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
}

void NetworkedHand::FinishGuestDeal() {
  if (!DealComplete()) return;
  dealing_ = false;
  StartEleven();
}

// ---------------------------------------------------------------------------------------------
// Whole game: plays and tricks

void NetworkedHand::PlayWhole(CardId id) {
  const char own = OwnLetter();
  if (!Active() || !MayPlayNow(own) || id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (!own_[Index(slot)]) return;
  if (std::find(own_slot_.begin(), own_slot_.end(), slot) != own_slot_.end()) return;
  const int trick = FirstOpenTrick(own_slot_);
  if (trick == 0) return;
  GameState& s = game_.mutable_state();
  // The hidden card is armed by "Esconder", which opens from the second trick on.
  const bool hide = s.hide_armed && trick >= 2;
  s.hide_armed = false;
  s.BEsconder.caption = kEsconderCaption;
  if (hide) {
    out_.Send(HiddenPlay{slot + 1, trick});
  } else {
    if (side_ == Side::Host) out_.Send(HostCard{slot + 1, *own_[Index(slot)]});
    out_.Send(Play{slot + 1, trick});
  }
  ApplyPlay(own, slot, trick, hide);
}

void NetworkedHand::OpponentPlays(int slot, int trick, bool hide) {
  const char opp = OpponentLetter();
  if (!MayPlayNow(opp) || slot < 0 || slot > 2) return;
  if (trick != FirstOpenTrick(opp_slot_) || (hide && trick < 2)) return;
  if (std::find(opp_slot_.begin(), opp_slot_.end(), slot) != opp_slot_.end()) return;
  // A card shown face up must be known: the host dealt the guest's, the host's came with "A".
  if (!hide && !opp_[Index(slot)]) return;
  ApplyPlay(opp, slot, trick, hide);
}

void NetworkedHand::ApplyPlay(char letter, int slot, int trick, bool hide) {
  accepted_notice_ = false;
  const bool own = letter == OwnLetter();
  (own ? own_slot_ : opp_slot_)[Index(trick)] = slot;
  (own ? own_hidden_ : opp_hidden_)[Index(trick)] = hide;
  if (leader_[Index(trick)] == 0) leader_[Index(trick)] = letter;
  const bool complete = own_slot_[Index(trick)] >= 0 && opp_slot_[Index(trick)] >= 0;
  if (!complete) {
    turn_ = Other(letter);
    return;
  }
  if (side_ == Side::Host) {
    JudgeWhole(trick);
  } else {
    turn_ = ' ';  // the host's result decides who goes on
  }
}

int NetworkedHand::PlayedStrength(int trick, char letter) const {
  const bool own = letter == OwnLetter();
  if ((own ? own_hidden_ : opp_hidden_)[Index(trick)]) return kHiddenStrength;
  return trick_strength(trick, letter == 'S' ? Side::Host : Side::Guest);
}

void NetworkedHand::JudgeWhole(int trick) {
  const int host = PlayedStrength(trick, 'S');
  const int guest = PlayedStrength(trick, 'C');
  std::optional<Side> taker;
  if (host > guest) taker = Side::Host;
  if (guest > host) taker = Side::Guest;
  out_.Send(TrickTaken{trick, taker});
  ApplyTrickResult(trick, taker ? LetterOf(*taker) : 'E');
}

void NetworkedHand::OnTrickTaken(const TrickTaken& m) {
  const int t = m.trick;
  if (side_ != Side::Guest || finished_ || outcome_[Index(t)] != Outcome::None) return;
  if (own_slot_[Index(t)] < 0 || opp_slot_[Index(t)] < 0) return;
  ApplyTrickResult(t, m.taker ? LetterOf(*m.taker) : 'E');
}

void NetworkedHand::ApplyTrickResult(int trick, char taker) {
  const char own = OwnLetter();
  outcome_[Index(trick)] = taker == 'E'   ? Outcome::Tie
                           : taker == own ? Outcome::Own
                                          : Outcome::Opponent;
  std::array<Taker, 4> results{};
  for (int t = 1; t <= 3; ++t) {
    switch (outcome_[Index(t)]) {
      case Outcome::Own:
        results[Index(t)] = Taker::Mine;
        break;
      case Outcome::Opponent:
        results[Index(t)] = Taker::Theirs;
        break;
      case Outcome::Tie:
        results[Index(t)] = Taker::Tie;
        break;
      case Outcome::None:
        break;
    }
  }
  const Taker winner = HandWinnerOf(results);
  if (winner == Taker::Mine || winner == Taker::Theirs) {
    EndWholeHand(winner == Taker::Mine ? own : Other(own), stake_, nullptr);
    return;
  }
  if (winner == Taker::Tie) {
    // All three tied: nobody scores and the hand is dealt again.
    EndWholeHand(' ', 0, nullptr);
    return;
  }
  // The trick's taker leads the next; after a tie, the side that led the tied trick.
  turn_ = taker == 'E' ? leader_[Index(trick)] : taker;
}

// ---------------------------------------------------------------------------------------------
// Whole game: betting

bool NetworkedHand::ValidCall(char letter, int stake) const {
  if (pending_stake_ == 0) {
    const auto rung = NextCall(stake_);
    return MayCallNow(letter) && rung && Info(*rung).stake == stake;
  }
  // A raise answers the other side's call with the next rung.
  if (actor() != letter || caller_ != Other(letter)) return false;
  const auto next = NextCall(pending_stake_);
  return next && Info(*next).stake == stake;
}

void NetworkedHand::Trucar() {
  Scope scope(*this);
  const char own = OwnLetter();
  if (!whole_game_ || !Active() || !MayCallNow(own)) return;
  const auto rung = NextCall(stake_);
  if (!rung) return;
  out_.Send(Call{Info(*rung).stake});
  ApplyCall(own, Info(*rung).stake);
  Sync();
  Refresh();
}

void NetworkedHand::ApplyCall(char letter, int stake) {
  if (pending_stake_ != 0) {
    // A raise accepts the call it answers.
    stake_ = pending_stake_;
  } else {
    turn_before_call_ = turn_;
  }
  pending_stake_ = stake;
  caller_ = letter;
  accepted_notice_ = false;
  if (letter == OpponentLetter()) want_truco_ask_ = true;
  if (truco_asked_ && letter == OwnLetter()) truco_asked_ = false;
}

void NetworkedHand::AnswerTruco(char answer) {
  Scope scope(*this);
  const char own = OwnLetter();
  if (!truco_asked_ || pending_stake_ == 0 || caller_ != OpponentLetter() || actor() != own) {
    return;
  }
  const auto next = NextCall(pending_stake_);
  switch (answer) {
    case kAnswerAccept:
      truco_asked_ = false;
      out_.Send(Accept{pending_stake_});
      ApplyAccept(own);
      break;
    case kAnswerRaise:
      if (!next) return;  // no raise beyond "Doze"
      truco_asked_ = false;
      out_.Send(Call{Info(*next).stake});
      ApplyCall(own, Info(*next).stake);
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
  stake_ = pending_stake_;
  pending_stake_ = 0;
  caller_ = ' ';
  raise_right_ = letter;
  turn_ = turn_before_call_;
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
  int amount = stake_;
  if (pending_stake_ != 0) {
    // Running from a call gives the caller the call's run value (the stake in force).
    if (const auto rung = NextCall(stake_)) amount = Info(*rung).run_value;
  }
  EndWholeHand(Other(letter), amount, kTextRan);
}

// ---------------------------------------------------------------------------------------------
// Whole game: the end of a hand and of the game

void NetworkedHand::EndWholeHand(char winner, int amount, const char* why) {
  finished_ = true;
  turn_ = ' ';
  pending_stake_ = 0;
  caller_ = ' ';
  dealing_ = false;
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  want_truco_ask_ = want_eleven_ask_ = false;
  const char own = OwnLetter();
  if (winner == ' ') {
    boxes_.push_back({kTextReplay, false});
  } else {
    int& points = PointsOf(winner);
    points = PointsAfter(points, amount, true);
    std::string text;
    // Why the hand ended is told to the side that did not end it.
    if (why != nullptr && winner == own) text = opponent_name_ + why + "\r";
    text += winner == own ? kTextYouWonPrefix : opponent_name_ + kTextOpponentWonPrefix;
    text += Tentos(amount);
    boxes_.push_back({std::move(text), false});
    const Taker game = GameWinner(points_[SideIndex(side_)], points_[1 - SideIndex(side_)]);
    if (game != Taker::Nobody) {
      const char game_winner = game == Taker::Mine ? own : Other(own);
      ++games_[game_winner == 'S' ? 0 : 1];
      points_ = {};
      boxes_.push_back({game == Taker::Mine ? kTextGameWon : kTextGameLost, false});
    }
  }
  boxes_.back().ends_hand = true;
  own_closed_ = false;
  peer_closed_ = side_ == Side::Guest;
  // A connection lost from here on goes on with the next hand.
  if (hand_start_) {
    hand_start_->points = points_;
    hand_start_->games = games_;
    if (side_ == Side::Host) hand_start_->hand_counter = game_.state().hand_counter;
  }
}

void NetworkedHand::HandBoxesClosed() {
  if (!finished_ || own_closed_) return;
  own_closed_ = true;
  if (side_ == Side::Guest) {
    out_.Send(HandClosed{});
  } else {
    MaybeDealNext();
  }
}

void NetworkedHand::MaybeDealNext() {
  if (side_ == Side::Host && finished_ && own_closed_ && peer_closed_ && linked_) DealWhole();
}

void NetworkedHand::RestartGame() {
  Scope scope(*this);
  if (!whole_game_ || !linked_ || hands_dealt_ == 0 || restarting_) return;
  out_.Send(Restart{});
  ApplyRestart();
  // The host deals once the guest has dropped its hand ("O"); the guest waits for the host's "Z".
  restarting_ = true;
  Sync();
  Refresh();
}

void NetworkedHand::ApplyRestart() {
  if (truco_asked_ || eleven_asked_) out_.CancelAsk();
  truco_asked_ = eleven_asked_ = false;
  want_truco_ask_ = want_eleven_ask_ = false;
  boxes_.clear();
  points_ = {};
  ClearHand();
  finished_ = true;
  own_closed_ = true;
  peer_closed_ = true;
  dealing_ = false;
}

// Boxes and questions wait until the event is handled, so the state they show is settled and the
// messages they follow are sent.
void NetworkedHand::Flush() {
  if (flushing_) return;
  flushing_ = true;
  ++depth_;
  while (true) {
    if (!boxes_.empty()) {
      const Box box = boxes_.front();
      boxes_.erase(boxes_.begin());
      Sync();
      Refresh();
      out_.Tell(box.text);
      if (box.ends_hand) HandBoxesClosed();
      continue;
    }
    if (!Active() || !linked_) break;
    if (want_continue_ask_) {
      want_continue_ask_ = false;
      Sync();
      out_.Ask(Question::Continue, kTextContinueQuestion);
      continue;
    }
    if (want_eleven_ask_ && eleven_ == OwnLetter() && !eleven_decided_ && DealComplete()) {
      want_eleven_ask_ = false;
      eleven_asked_ = true;
      Sync();
      Refresh();
      out_.Ask(Question::Eleven, kTextElevenQuestion);
      continue;
    }
    if (want_truco_ask_ && pending_stake_ != 0 && caller_ == OpponentLetter()) {
      want_truco_ask_ = false;
      truco_asked_ = true;
      const auto next = NextCall(pending_stake_);
      TrucoDialogRequest request;
      request.phrase =
          opponent_name_ + kTextCalls + std::string(CallWord(RungOfStake(pending_stake_)));
      request.raise_offered = next.has_value();
      request.raise_caption = next ? "Pedir " + std::to_string(Info(*next).stake) : std::string();
      Sync();
      Refresh();
      out_.AskTruco(request);
      continue;
    }
    break;
  }
  --depth_;
  flushing_ = false;
  Sync();
  Refresh();
}

Rung NetworkedHand::RungOfStake(int stake) {
  switch (stake) {
    case 6:
      return Rung::Seis;
    case 9:
      return Rung::Nove;
    case 12:
      return Rung::Doze;
    default:
      return Rung::Trucar;
  }
}

// The panel and the buttons of the whole game, from this side's point of view.
void NetworkedHand::SyncWhole(GameState& s) {
  const char own = OwnLetter();
  s.player_points = points_[SideIndex(side_)];
  s.computer_points = points_[1 - SideIndex(side_)];
  s.games_player = base_games_[0] + games_[SideIndex(side_)];
  s.games_computer = base_games_[1] + games_[1 - SideIndex(side_)];
  if (!opponent_name_.empty()) s.opponent_name = opponent_name_;
  s.hand_stake = stake_;
  s.LabelVale = std::to_string(stake_);
  const auto next = NextCall(stake_);
  s.BTrucar.caption = std::string(next ? Info(*next).caption : Info(Rung::Doze).caption);
  s.BTrucar.visible = eleven_ == ' ';
  s.BTrucar.enabled = MayCallNow(own);
  s.BCorrer.enabled = MayRunNow(own);
  s.eleven_decided = eleven_decided_;
  const int open = FirstOpenTrick(own_slot_);
  s.BEsconder.enabled = MayPlayNow(own) && open >= 2;
  may_play_ = MayPlayNow(own);
  s.may_play = may_play_;
  s.turn = turn_;

  std::string panel;
  if (!linked_ && !lost_text_.empty()) {
    panel = lost_text_;
  } else if (finished_) {
    panel = kTextWaitDeal;
  } else if (!DealComplete()) {
    panel = kTextWaitOpponent;
  } else if (pending_stake_ != 0) {
    panel = caller_ == own
                ? kTextWaitAnswer + opponent_name_
                : opponent_name_ + kTextCalls + std::string(CallWord(RungOfStake(pending_stake_)));
  } else if ((eleven_ == 'S' || eleven_ == 'C') && !eleven_decided_) {
    panel = eleven_ == own ? kTextElevenQuestion : opponent_name_ + kTextWaitEleven;
  } else if (turn_ == own) {
    panel = kTextYourTurn;
    if (accepted_notice_) panel = opponent_name_ + kTextAccepted + "\r" + kTextYourTurn;
  } else {
    panel = kTextWaitOpponent;
  }
  SetPanel(std::move(panel));
}

}  // namespace truco::net
