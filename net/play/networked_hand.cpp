// The networked hand: its start, the messages in, the connection and the boxes; what both
// ways to play share.

#include <algorithm>
#include <utility>

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
    : game_(game), random_(random), out_(out) {}

void NetworkedHand::Prepare(Side side, std::string own_name) {
  side_ = side;
  own_name_ = std::move(own_name);
  opponent_name_.clear();
  table_key_.clear();
  linked_ = true;
  started_ = false;
  lost_text_.clear();
  lost_told_ = false;
  opponent_named_ = false;
  deal_started_ = false;
  asked_ = 0;
  dealt_ = {};
  used_.Clear();
  table_.deck = kBaralhoLimpo;  // a host that never says otherwise is read as the 24-card deck
  table_.mode = ManilhaMode::Nova;
  table_.manilhas = {};
  OwnCards() = {};
  OppCards() = {};
  table_.vira.reset();
  table_.vira_dealt = false;
  OwnSlots() = {-1, -1, -1, -1};
  OppSlots() = {-1, -1, -1, -1};
  table_.leader = {};
  table_.outcome = {};
  table_.turn = ' ';
  may_play_ = false;
  awaiting_turn_ = true;
  panel_.clear();
  // The whole game starts afresh with every connection; only a resume state outlives it.
  greeted_ = false;
  whole_game_ = false;
  named_once_ = false;
  replica_.SetScore({}, {});
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
  // Version 3: a fresh deal per connection; the hand a resumed game lost is kept to check.
  joint_ = false;
  joint_deal_ = JointDeal(side, *deal_entropy_);
  joint_open_ = false;
  own_revealed_ = false;
  peer_key_.reset();
  deal_pending_ = false;
  cheated_ = false;
  hands_checked_ = 0;
  closed_pending_ = false;
  games_at_deal_ = {};
  old_deal_ = resume_ ? resume_->deal : std::nullopt;
  old_revealed_ = false;
}

bool NetworkedHand::DealComplete() const {
  if (whole_game_) {
    if (side_ == Side::Host && !joint_) return hands_dealt_ > 0;
    return table_.vira_dealt &&
           std::all_of(OwnCards().begin(), OwnCards().end(), [](const auto& c) { return c; });
  }
  if (side_ == Side::Guest) return asked_ == kDealDone;
  return std::all_of(dealt_.begin() + 1, dealt_.end(), [](bool dealt) { return dealt; });
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

void NetworkedHand::GiveTurn(char letter) {
  table_.turn = letter;
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
    // The whole game deals once both the start and the guest's name are here.
    if (side_ == Side::Host && hands_dealt_ == 0 && !continue_asked_) BeginWholeGame();
  } else if (side_ == Side::Guest) {
    // A turn the host gave before this start still holds.
    if (table_.turn == ' ') {
      may_play_ = false;
      SetPanel(kTextWaitOpponent);
    }
  } else {
    s.used_cards.Clear();
    ++s.hand_counter;
    GiveTurn(s.hand_counter % 2 == 0 ? 'C' : 'S');
    out_.Send(Turn{SideOf(table_.turn)});
    if (opponent_named_ && !deal_started_) BeginDeal();
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
          if (side_ == Side::Guest && asked_ < kViraCard) table_.deck = m.deck_type;
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
    if (!classic_only_) out_.Send(Hello{max_version_});
    out_.Send(Name{own_name_});
    return;
  }
  opponent_named_ = true;
  if (greeted_) {
    whole_game_ = true;
    // A kept hand that may go on keeps its secrets until its end; any other is checked now.
    if (joint_ && resume_ && ResumesWithThisPeer() && !MayResumeHand(*resume_)) {
      SendOldReveal();
    }
    if (started_) BeginWholeGame();
    return;
  }
  // The deal waits for this side's own start, which clears what was dealt before.
  if (started_ && !deal_started_) BeginDeal();
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
      if (joint_ && joint_open_) resume_->deal = joint_deal_;
    }
    if (resume_ && side_ == Side::Host && !finished_ && hands_dealt_ > 0 && !restarting_ &&
        (!joint_ || joint_deal_.Dealt())) {
      resume_->hand = table_;
    }
    if (truco_asked_ || eleven_asked_ || continue_asked_) out_.CancelAsk();
    truco_asked_ = eleven_asked_ = continue_asked_ = false;
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
    if (cheated_) {
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
  if (side_ == Side::Guest) {
    // The guest keeps only its part of a jointly dealt hand: the host sends the rest with "W".
    std::optional<ResumeState> state;
    if (!linked_ || !whole_game_) {
      state = resume_;
    } else if (hand_start_ && joint_ && joint_open_ && joint_deal_.HandId()) {
      state = *hand_start_;
      state->deal = joint_deal_;
    }
    if (!state || !state->deal) return std::nullopt;
    state->hand.reset();
    return state;
  }
  if (!linked_ || continue_asked_ || !whole_game_ || !hand_start_) return resume_;
  ResumeState state = *hand_start_;
  // A jointly dealt hand keeps its deal too (the secret with it), so a crash neither deals it
  // again nor lets it be dropped: it goes on once dealt, else its secrets are checked.
  if (joint_ && joint_open_ && joint_deal_.HandId()) state.deal = joint_deal_;
  if (!finished_ && hands_dealt_ > 0 && !restarting_ && (!joint_ || joint_deal_.Dealt())) {
    state.hand = table_;
  }
  return state;
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
    if (want_continue_ask_) {
      want_continue_ask_ = false;
      Sync();
      out_.Ask(Question::Continue, kTextContinueQuestion);
      continue;
    }
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
