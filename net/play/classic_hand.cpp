// The classic hand: one hand per connection, dealt card by card on the guest's requests.

#include <algorithm>
#include <utility>

#include "net/play/networked_hand.h"
#include "net/play/networked_hand_detail.h"

namespace truco::net {

using namespace detail;  // NOLINT(google-build-using-namespace): this file's own helpers

void NetworkedHand::BeginDeal() {
  deal_started_ = true;
  // The deck and the manilha mode hold for the whole hand, whatever the settings do meanwhile.
  const GameSettings& settings = game_.state().settings;
  table_.deck = settings.deck_type == kBaralhoLimpo ? kBaralhoLimpo : kBaralhoSujo;
  table_.mode = settings.manilha_mode;
  used_.Clear();
  // Before "C", so the guest knows the deck before the vira comes.
  out_.Send(DeckType{table_.deck});
  out_.Send(StartDeal{});
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
    auto& card = OppCards()[Index(k - 1)];
    if (fresh) card = Sorteia(table_.deck, used_, random_);
    out_.Send(GuestCard{k, *card});
  } else if (k < kViraCard) {
    auto& card = OwnCards()[Index(k - kFirstHostCard)];
    if (fresh) card = Sorteia(table_.deck, used_, random_);
    out_.Send(HostCard{k - kFirstHostCard + 1, *card});
  } else if (table_.mode == ManilhaMode::Nova) {
    if (fresh) SetVira(Sorteia(table_.deck, used_, random_), ManilhaMode::Nova);
    out_.Send(Vira{ManilhaMode::Nova, *table_.vira});
  } else {
    // Nothing is turned: the card's characters carry no meaning.
    if (fresh) SetVira(game_.state().cards[kCVira].card, ManilhaMode::Velha);
    out_.Send(Vira{ManilhaMode::Velha, *table_.vira});
  }
  dealt_[Index(k)] = true;
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
  OwnCards()[Index(m.slot - 1)] = m.card;
  Ask(asked_ + 1);
}

void NetworkedHand::OnHostCard(const HostCard& m) {
  if (side_ != Side::Guest || asked_ != m.slot + kFirstHostCard - 1) return;
  OppCards()[Index(m.slot - 1)] = m.card;
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
  if (table_.turn != OpponentLetter() || slot < 0 || slot > 2) return;
  if (trick != FirstOpenTrick(OppSlots())) return;
  if (std::find(OppSlots().begin(), OppSlots().end(), slot) != OppSlots().end()) return;
  if (!OppCards()[Index(slot)]) return;
  JOGA_CARTA_ONLINE(OpponentCardId(slot), trick);
  if (OwnSlots()[Index(trick)] >= 0) {
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
  if (!Active() || !linked_ || !DealComplete() || !may_play_ || table_.turn != OwnLetter()) return;
  if (id < kCartaJ1 || id > kCartaJ3) return;
  const int slot = id - kCartaJ1;
  if (std::find(OwnSlots().begin(), OwnSlots().end(), slot) != OwnSlots().end()) return;
  const int trick = FirstOpenTrick(OwnSlots());
  if (trick == 0) return;
  Posicao_Carta_Online(id, trick);
  if (!out_.Send(Play{slot + 1, trick})) {
    // The card lies on the table; the lost connection is being told.
    Sync();
    return;
  }
  may_play_ = false;
  if (OppSlots()[Index(trick)] >= 0) {
    table_.turn = ' ';
    SetPanel(kTextWaitOpponent);
    TrickComplete(trick);
  } else {
    table_.turn = OpponentLetter();
    SetPanel(kTextWaitOpponent);
  }
  Sync();
  Refresh();
}

void NetworkedHand::Posicao_Carta_Online(CardId card, int trick) {
  OwnSlots()[Index(trick)] = card - kCartaJ1;
  if (table_.leader[Index(trick)] == 0) table_.leader[Index(trick)] = OwnLetter();
  Sync();
}

void NetworkedHand::JOGA_CARTA_ONLINE(CardId card, int trick) {
  if (trick < 1 || trick > 3) return;
  OppSlots()[Index(trick)] = card - kCartaM1;
  if (table_.leader[Index(trick)] == 0) table_.leader[Index(trick)] = OpponentLetter();
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
  table_.outcome[Index(trick)] =
      own > opp ? Outcome::Own : (opp > own ? Outcome::Opponent : Outcome::Tie);
  table_.turn = ' ';
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
    table_.outcome[Index(trick)] = Outcome::Opponent;
    next = 'C';
  } else if (host > guest) {
    table_.outcome[Index(trick)] = Outcome::Own;
  } else {
    table_.outcome[Index(trick)] = Outcome::Tie;
    next = table_.leader[Index(trick)];
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
  table_.turn = ' ';
  may_play_ = false;
  awaiting_turn_ = false;
  // Counted as in a game against the computer: a tie scores for both, except that a tie after
  // a tied first trick scores nothing, and a tied third trick goes to the first trick's winner.
  int own = 0;
  int opp = 0;
  auto score = [&](int trick) {
    switch (table_.outcome[Index(trick)]) {
      case Outcome::Own:
        ++own;
        break;
      case Outcome::Opponent:
        ++opp;
        break;
      case Outcome::Tie:
        if (trick == 3) {
          if (table_.outcome[1] == Outcome::Own) ++own;
          if (table_.outcome[1] == Outcome::Opponent) ++opp;
        } else if (trick == 1 || table_.outcome[1] != Outcome::Tie) {
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

}  // namespace truco::net
