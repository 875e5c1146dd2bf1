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
}

bool NetworkedHand::DealComplete() const {
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

  if (side_ == Side::Guest) {
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
  opponent_name_ = ClipUtf8(m.name, kMaxNameChars);
  out_.SetOpponentName(opponent_name_);
  if (side_ == Side::Guest) {
    out_.Send(Name{own_name_});
    return;
  }
  opponent_named_ = true;
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
  const bool dark = s.DarkElevenHand();
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
    }
    if (const int slot = opp_slot_[Index(t)]; slot >= 0) {
      TableCard& opp = s.cards[OpponentCardId(slot)];
      opp.top = kTrickTops[Index(t)];
      opp.left = kTrickComputerLeft;
      opp.face_down = false;
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
// The whole game (being filled in)

namespace truco::net {

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

char NetworkedHand::actor() const {
  return ' ';
}
bool NetworkedHand::hidden(int trick, Side whose) const {
  if (trick < 1 || trick > 3) return false;
  return whose == side_ ? own_hidden_[Index(trick)] : opp_hidden_[Index(trick)];
}
void NetworkedHand::Trucar() {}
void NetworkedHand::Correr() {}
void NetworkedHand::AnswerTruco(char) {}
void NetworkedHand::Answer(Question, bool) {}
void NetworkedHand::RestartGame() {}

}  // namespace truco::net
