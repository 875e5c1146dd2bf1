// The networked hand: its start, the messages in, the connection and the boxes; what both
// ways to play share.

#include <algorithm>
#include <utility>

#include "net/play/guest_role.h"
#include "net/play/host_role.h"
#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

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
    : game_(game), random_(random), out_(out), role_(std::make_unique<HostRole>(*this)) {}

NetworkedHand::~NetworkedHand() = default;

void NetworkedHand::Prepare(Side side, std::string own_name) {
  side_ = side;
  // The side is known: from here on its own part answers wherever the two differ.
  if (side == Side::Host) {
    role_ = std::make_unique<HostRole>(*this);
  } else {
    role_ = std::make_unique<GuestRole>(*this);
  }
  own_name_ = std::move(own_name);
  opponent_name_.clear();
  table_key_.clear();
  linked_ = true;
  started_ = false;
  lost_text_.clear();
  lost_told_ = false;
  classic_.Reset();
  used_.Clear();
  table_.deck = kBaralhoLimpo;  // a host that never says otherwise is read as the 24-card deck
  table_.mode = ManilhaMode::Nova;
  table_.manilhas = {};
  panel_.clear();
  // The whole game starts afresh with every connection; only a resume state outlives it.
  greeted_ = false;
  whole_game_ = false;
  named_once_ = false;
  replica_.SetScore({}, {});
  const GameState& s = game_.state();
  base_games_ = {s.games_player, s.games_computer};
  first_whole_deal_ = true;
  ClearHand();
  finished_ = false;
  own_closed_ = true;
  hands_dealt_ = 0;
  truco_asked_ = false;
  eleven_asked_ = false;
  hand_start_.reset();
  boxes_.clear();
  restarting_ = false;
  // Version 3: a fresh deal per connection; the hand a resumed game lost is kept to check.
  joint_.Reset(side, resume_ ? resume_->deal : std::nullopt);
  proven_.Reset(side);
}

bool NetworkedHand::DealComplete() const {
  return whole_game_ ? role_->WholeDealComplete() : role_->ClassicDealComplete();
}

bool NetworkedHand::CardsIn() const {
  return table_.vira_dealt &&
         std::all_of(OwnCards().begin(), OwnCards().end(), [](const auto& c) { return c; });
}

bool NetworkedHand::Joining() const {
  return role_->Joining();
}

int NetworkedHand::Strength(const Card& card) const {
  return Forca_Carta(card, table_.manilhas, table_.mode);
}

int NetworkedHand::trick_strength(int trick, Side whose) const {
  if (trick < 1 || trick > 3) return -1;
  const bool own = whose == side_;
  const int slot = own ? OwnSlots()[Index(trick)] : OppSlots()[Index(trick)];
  if (slot < 0) return -1;
  const auto& card = own ? OwnCards()[Index(slot)] : OppCards()[Index(slot)];
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

void NetworkedHand::SetVira(Card card, ManilhaMode mode) {
  table_.vira = card;
  table_.mode = mode;
  table_.vira_dealt = true;
  if (mode == ManilhaMode::Nova) {
    table_.manilhas.fill(static_cast<std::uint8_t>(Proxima(table_.deck, card.Value)));
  } else {
    table_.manilhas = ManilhasVelhas();
  }
}

void NetworkedHand::PlayCard(CardId id) {
  if (!whole_game_) {
    classic_.PlayCard(id);
    return;
  }
  Scope scope(*this);
  PlayWhole(id);
  Sync();
  Refresh();
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
    table_.turn = ' ';
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
    role_->StartWhole();
  } else {
    role_->StartClassic(s);
  }
  Sync();
  Refresh();
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
  classic_.Receive(message);
  Sync();
  Refresh();
}

void NetworkedHand::OnName(const Name& m) {
  // The name is taken once per connection: a second one never renames the opponent.
  if (named_once_) return;
  named_once_ = true;
  opponent_name_ = ClipUtf8(m.name, kMaxNameChars);
  out_.SetOpponentName(opponent_name_);
  role_->PeerNamed();
}

// ---------------------------------------------------------------------------------------------
// The connection and the chat

void NetworkedHand::ConnectionLost(const std::string& text) {
  if (!linked_) return;
  linked_ = false;
  if (whole_game_) {
    // A game in the middle goes on from here on a new connection: the host keeps the whole
    // hand as it stands (between hands: the points and tally for the next deal). A hand dealt
    // jointly keeps its deal: it is finished and checked on the next connection, or, when it
    // cannot go on, its secrets are revealed and checked then.
    if (hand_start_) {
      resume_ = hand_start_;
      if (joint_.on() && joint_.open()) resume_->deal = joint_.deal();
    }
    if (resume_) role_->KeepHand(*resume_);
    const bool asked_own = role_->DropQuestion();
    if (truco_asked_ || eleven_asked_ || asked_own) out_.CancelAsk();
    truco_asked_ = eleven_asked_ = false;
    table_.pending_stake = 0;
    finished_ = true;
    boxes_.clear();
  }
  lost_text_ = text;
  may_play_ = false;
  table_.turn = ' ';
  if (!Active()) {
    // Told when this side starts, if it ever does; a cheat at once, as the connection it came
    // on is gone before this side may start.
    if (cheat_found()) {
      lost_told_ = true;
      out_.Tell(text);
    }
    return;
  }
  SetPanel(text);
  Sync();
  Refresh();
  lost_told_ = true;
  out_.Tell(text);
}

std::optional<NetworkedHand::ResumeState> NetworkedHand::Snapshot() const {
  return role_->Snapshot();
}

void NetworkedHand::SendChat(const std::string& line) {
  if (linked_) out_.Send(Chat{line});
}

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

void NetworkedHand::CardsDealt(const DealtCards& cards) {
  role_->CardsDealt(cards);
}

NetworkedHand::Scope::Scope(NetworkedHand& hand) : hand_(hand) {
  ++hand_.depth_;
}

NetworkedHand::Scope::~Scope() {
  if (--hand_.depth_ == 0) hand_.Flush();
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
    if (role_->AskOwed()) continue;
    if (want_eleven_ask_ && table_.eleven == OwnLetter() && !table_.eleven_decided &&
        DealComplete()) {
      want_eleven_ask_ = false;
      eleven_asked_ = true;
      Sync();
      Refresh();
      out_.Ask(Question::Eleven, kTextElevenQuestion);
      continue;
    }
    if (want_truco_ask_ && table_.pending_stake != 0 && table_.caller == OpponentLetter()) {
      want_truco_ask_ = false;
      truco_asked_ = true;
      const auto next = NextCall(table_.pending_stake);
      TrucoDialogRequest request;
      request.phrase =
          opponent_name_ + kTextCalls + std::string(CallWord(RungOfStake(table_.pending_stake)));
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

}  // namespace truco::net
