#include "tools/arena/seats.h"

#include <utility>

namespace truco::arena {
namespace {

constexpr std::array<CardId, 3> kPlayerCards{kCartaJ1, kCartaJ2, kCartaJ3};
constexpr std::array<CardId, 3> kComputerCards{kCartaM1, kCartaM2, kCartaM3};
// Stands for a card the seat cannot see (8 is never dealt).
constexpr Card kUnknownCard{8, Suit::Hearts};
constexpr const char* kElevenQuestion = "Você tem 11 pontos. Deseja Jogar com estas Cartas?";

std::string Swapped(const std::string& result) {
  if (result == kJogador) return kMicro;
  if (result == kMicro) return kJogador;
  return result;
}

// The rung the computer's seat is calling, read off the dialog as the player sees it.
Rung RungOfDialog(const TrucoDialogRequest& request) {
  if (!request.raise_offered) return Rung::Doze;
  if (request.raise_caption == "Pedir 6") return Rung::Trucar;
  if (request.raise_caption == "Pedir 9") return Rung::Seis;
  return Rung::Nove;
}

}  // namespace

GameState MirrorForPlayerSeat(const GameState& r) {
  GameState m;
  m.settings = r.settings;
  m.manilha_value = r.manilha_value;
  m.cards[kCVira] = r.cards[kCVira];

  for (std::size_t i = 0; i < 3; ++i) {
    const TableCard& own = r.cards[kPlayerCards[i]];
    TableCard& mine = m.cards[kComputerCards[i]];
    mine.card = own.card;
    mine.face_down = own.face_down;
    const bool in_hand = r.InHand(kPlayerCards[i]);
    mine.top = in_hand ? kComputerHandTop : own.top;
    mine.left = in_hand ? kHandLefts[i] : kTrickComputerLeft;
    m.computer_hand[i] = {r.Strength(own.card), kComputerCards[i], !in_hand};

    const TableCard& theirs = r.cards[kComputerCards[i]];
    TableCard& other = m.cards[kPlayerCards[i]];
    if (theirs.top == kComputerHandTop) {
      other = {kUnknownCard, true, kPlayerHandTop, kHandLefts[i]};
    } else {
      other = {theirs.face_down ? kUnknownCard : theirs.card, theirs.face_down, theirs.top,
               kTrickPlayerLeft};
    }
  }
  // Weakest first, as the computer's hand is kept.
  auto& h = m.computer_hand;
  for (std::size_t i = 1; i < 3; ++i) {
    for (std::size_t j = i; j > 0 && h[j].strength < h[j - 1].strength; --j)
      std::swap(h[j], h[j - 1]);
  }

  m.player_tricks = r.computer_tricks;
  m.computer_tricks = r.player_tricks;
  for (std::size_t t = 1; t <= 3; ++t) m.trick_result[t] = Swapped(r.trick_result[t]);
  m.trick_played = r.trick_played;
  m.hand_stake = r.hand_stake;
  m.turn = r.turn == 'L' ? 'M' : 'L';
  m.led_strength = r.led_strength;
  m.eleven_decided = r.eleven_decided;
  m.may_play = r.may_play;
  m.player_points = r.computer_points;
  m.computer_points = r.player_points;
  m.games_player = r.games_computer;
  m.games_computer = r.games_player;
  m.hand_counter = r.hand_counter + 1;  // the other side led this hand
  m.BTrucar = r.BTrucar;
  // Past "Trucar" the button belongs to one side: the player's while enabled.
  if (r.BTrucar.caption != Info(Rung::Trucar).caption) m.BTrucar.enabled = !r.BTrucar.enabled;
  return m;
}

int PlayerCardOfSlot(const GameState& mirror, int slot) {
  const CardId id = mirror.computer_hand[static_cast<std::size_t>(slot & 3) % 3].card;
  return static_cast<int>(id) - static_cast<int>(kCartaM1);
}

// --- the computer's seat ----------------------------------------------------------------------

namespace {
bool InHandSlot(const GameState& s, int slot) {
  return slot >= 0 && slot < 3 && !s.computer_hand[static_cast<std::size_t>(slot)].played;
}
}  // namespace

AnswerChoice ComputerSeat::ChooseAnswer(const GameState& s, int player_strength) const {
  AnswerChoice choice = player_.ChooseAnswer(s, player_strength);
  if (!InHandSlot(s, choice.slot)) {
    ++stats.illegal;
  } else if (check_results &&
             choice.result !=
                 AnswerResult(s, player_strength,
                              s.computer_hand[static_cast<std::size_t>(choice.slot)].strength)) {
    ++stats.illegal;
  }
  return choice;
}

LeadChoice ComputerSeat::ChooseLead(const GameState& s) const {
  const LeadChoice lead = player_.ChooseLead(s);
  if (!InHandSlot(s, lead.slot)) ++stats.illegal;
  return lead;
}

bool ComputerSeat::WantsLeadCall(const GameState& s) const {
  return player_.WantsLeadCall(s);
}

bool ComputerSeat::WantsThirdTrickCall(const GameState& s, int p, int own) const {
  return player_.WantsThirdTrickCall(s, p, own);
}

CallReply ComputerSeat::AnswerCall(const GameState& s, Rung rung) const {
  CallReply reply = player_.AnswerCall(s, rung);
  ++stats.answered;
  if (reply.answer == CallAnswer::Accept) ++stats.accepted;
  return reply;
}

bool ComputerSeat::PlaysHandOfEleven(const GameState& s) const {
  return player_.PlaysHandOfEleven(s);
}

// --- the player's seat ------------------------------------------------------------------------

bool PlayerSeat::MayCall() const {
  const GameState& s = game_->state();
  return s.may_play && s.BTrucar.enabled && s.BTrucar.visible && s.hand_stake < kTopStake;
}

void PlayerSeat::Call() {
  game_->BTrucarClick();
}

void PlayerSeat::Click(int slot, const GameState& mirror) {
  const GameState& s = game_->state();
  if (!InHandSlot(mirror, slot)) {
    ++stats.illegal;
    // Still move on: the first card in hand.
    for (int i = 0; i < 3; ++i) {
      if (s.InHand(kPlayerCards[static_cast<std::size_t>(i)])) {
        game_->CartaJClick(i);
        return;
      }
    }
    return;
  }
  const int card = PlayerCardOfSlot(mirror, slot);
  if (!s.InHand(kPlayerCards[static_cast<std::size_t>(card)])) ++stats.illegal;
  game_->CartaJClick(card);
}

bool PlayerSeat::Act() {
  const GameState& s = game_->state();
  if (!s.may_play) return false;
  const std::uint64_t deal = game_->deals();
  if (s.turn == 'L') {
    const GameState mirror = MirrorForPlayerSeat(s);
    const LeadChoice lead = player_.ChooseLead(mirror);
    if (lead.consider_call && MayCall() && player_.WantsLeadCall(mirror)) {
      Call();
      if (game_->deals() != deal || s.turn != 'L') return true;  // the hand ended meanwhile
    }
    Click(lead.slot, mirror);
    return true;
  }
  if (s.turn != 'J') return false;
  const GameState mirror = MirrorForPlayerSeat(s);
  if (s.trick_played[1] && s.trick_played[2]) {
    int last = 0;
    while (last < 2 && mirror.computer_hand[static_cast<std::size_t>(last)].played) ++last;
    const int own = mirror.computer_hand[static_cast<std::size_t>(last)].strength;
    if (MayCall() && player_.WantsThirdTrickCall(mirror, s.led_strength, own)) {
      Call();
      if (game_->deals() != deal || s.turn != 'J') return true;
    }
    Click(last, mirror);
    return true;
  }
  Click(player_.ChooseAnswer(mirror, s.led_strength).slot, mirror);
  return true;
}

bool PlayerSeat::MOSTRA_MENSAGEM(const std::string& text, int kind) {
  if (kind == 1) return true;
  if (text == kElevenQuestion && game_) {
    return player_.PlaysHandOfEleven(MirrorForPlayerSeat(game_->state()));
  }
  return false;
}

char PlayerSeat::MOSTRA_TRUCO(const TrucoDialogRequest& request) {
  ++stats.answered;
  const CallReply reply =
      player_.AnswerCall(MirrorForPlayerSeat(game_->state()), RungOfDialog(request));
  switch (reply.answer) {
    case CallAnswer::Raise:
      if (request.raise_offered) return kAnswerRaise;
      [[fallthrough]];
    case CallAnswer::Accept:
      ++stats.accepted;
      return kAnswerAccept;
    case CallAnswer::Run:
      return kAnswerRun;
  }
  return kAnswerAccept;
}

}  // namespace truco::arena
