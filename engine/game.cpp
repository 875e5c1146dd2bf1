#include "engine/game.h"

#include <algorithm>
#include <utility>

#include "engine/game_event_scope.h"
#include "engine/rules.h"

namespace truco {
namespace {

constexpr std::array<CardId, 3> kPlayerCards{kCartaJ1, kCartaJ2, kCartaJ3};
constexpr std::array<CardId, 3> kComputerCards{kCartaM1, kCartaM2, kCartaM3};

// A run of due steps that keeps changing things is a fault; stop rather than spin.
constexpr int kMaxDuePasses = 10000;

// A trick result text as the shared rules read it (the player's point of view).
Taker TakerOf(const std::string& result) {
  if (result == kJogador) return Taker::Mine;
  if (result == kMicro) return Taker::Theirs;
  if (result == kEmpate) return Taker::Tie;
  return Taker::Nobody;
}

// A trick's result text from the shared rules' answer.
std::string TextOf(Taker result) {
  return result == Taker::Mine ? kJogador : result == Taker::Theirs ? kMicro : kEmpate;
}

}  // namespace

Game::Game(Screen& screen, RandomSource& random, const Judgement& judgement)
    : screen_(screen), random_(random), judgement_(judgement) {
  // Cards rest in their hand places before the first deal.
  for (int i = 0; i < 3; ++i) {
    state_.cards[kPlayerCards[i]].top = kPlayerHandTop;
    state_.cards[kPlayerCards[i]].left = kHandLefts[i];
    state_.cards[kComputerCards[i]].top = kComputerHandTop;
    state_.cards[kComputerCards[i]].left = kHandLefts[i];
    state_.cards[kComputerCards[i]].face_down = true;
  }
  state_.cards[kCVira].top = kViraTop;
  state_.cards[kCVira].left = kViraLeft;
}

// ---------------------------------------------------------------------------------------------
// Deal

void Game::Inicio() {
  GameState& s = state_;
  s.ResetHand();
  for (auto& slot : s.computer_hand) slot.played = false;
  s.may_play = true;

  for (int i = 0; i < 3; ++i) {
    s.cards[kPlayerCards[i]].top = kPlayerHandTop;
    s.cards[kPlayerCards[i]].left = kHandLefts[i];
    s.cards[kComputerCards[i]].top = kComputerHandTop;
    s.cards[kComputerCards[i]].left = kHandLefts[i];
    s.cards[kComputerCards[i]].face_down = true;
  }

  s.used_cards.Clear();
  random_.Reseed();

  const bool dark = s.DarkElevenHand();
  for (CardId id : kPlayerCards) s.cards[id].face_down = dark;

  const char deck = s.settings.deck_type;
  if (s.settings.manilha_mode == ManilhaMode::Nova) {
    s.cards[kCVira].card = Sorteia(deck, s.used_cards, random_);
    s.cards[kCVira].face_down = false;
    const auto manilha = static_cast<std::uint8_t>(Proxima(deck, s.cards[kCVira].card.Value));
    s.manilha_value.fill(manilha);
  } else {
    s.cards[kCVira].face_down = true;
    s.manilha_value = ManilhasVelhas();
  }
  s.vira_hand_pointer = true;

  for (int i = 0; i < 3; ++i) {
    s.cards[kComputerCards[i]].card = Sorteia(deck, s.used_cards, random_);
    s.computer_hand[i] = {s.Strength(s.cards[kComputerCards[i]].card), kComputerCards[i], false};
  }
  for (CardId id : kPlayerCards) s.cards[id].card = Sorteia(deck, s.used_cards, random_);

  Ordena_Micro();

  ++s.hand_counter;
  s.turn = (s.hand_counter % 2 != 0) ? 'M' : 'L';

  for (TimerId t : {kTimer1, kTimer2, kTimer3, kTimer4}) SetTimer(t, true);
  ++deals_;
  if (observer_) observer_->OnDeal(s);
}

void Game::Ordena_Micro() {
  auto& h = state_.computer_hand;
  // At most two bubble passes; equal strengths keep their deal order.
  for (int pass = 0; pass < 2; ++pass) {
    bool swapped = false;
    const int last = pass == 0 ? 2 : 1;
    for (int i = 0; i < last; ++i) {
      if (h[i + 1].strength < h[i].strength) {
        std::swap(h[i].strength, h[i + 1].strength);
        std::swap(h[i].card, h[i + 1].card);
        swapped = true;
      }
    }
    if (!swapped) break;
  }
}

// ---------------------------------------------------------------------------------------------
// Starting and restarting

void Game::BInicioClick() {
  EventScope scope(*this);
  const GameKindChoice choice = screen_.EscolhaJogo();
  if (!choice.ok) return;
  const std::string name_before = state_.LabelNome;
  state_.LabelNome = choice.name;
  const bool resuming = networked_ && choice.kind == GameKind::EmRede &&
                        (networked_->Resumable() || networked_->Joining());
  if (state_.hand_counter != 1 && !resuming) {
    if (!screen_.Confirma({"Deseja reiniciar a partida? Seus pontos serão zerados"})) {
      // A declined restart leaves the game as it was, the name it is played under included.
      state_.LabelNome = name_before;
      return;
    }
    const int gp = state_.games_player;
    const int gc = state_.games_computer;
    screen_.SubmitRecord(state_.LabelNome, gp, gc, gp - gc);
    screen_.SubmitRecord(state_.opponent_name, gc, gp, gc - gp);
    const int before_player = state_.player_points;
    const int before_computer = state_.computer_points;
    state_.player_points = 0;
    state_.computer_points = 0;
    if (observer_) {
      observer_->OnPoints(state_, Side::Player, before_player, PointsReason::Restarted);
      observer_->OnPoints(state_, Side::Computer, before_computer, PointsReason::Restarted);
    }
  }
  state_.game_kind = networked_ ? choice.kind : GameKind::ContraPC;
  // The networked hand names the other person once its name arrives.
  if (!Online()) state_.opponent_name = kComputerName;
  state_.LabelCartasNome = state_.LabelNome;
  if (Online()) {
    // The computer's deferred steps have nothing to do in a game between two people.
    for (TimerId t : {kTimer1, kTimer2, kTimer3}) SetTimer(t, false);
    networked_->Inicio_Online();
    return;
  }
  Inicio();
}

// ---------------------------------------------------------------------------------------------
// The player's cards

void Game::CartaJClick(int index) {
  if (index < 0 || index > 2) return;
  EventScope scope(*this);
  GameState& s = state_;
  if (!s.may_play) return;
  const CardId id = kPlayerCards[static_cast<std::size_t>(index)];
  if (Online() && networked_) {
    // The networked hand reads `hide_armed` itself: a hidden card travels face down.
    networked_->PlayCard(id);
    return;
  }
  TableCard& card = s.cards[id];
  const bool in_hand = s.InHand(id);

  int strength = 0;
  const bool hidden = s.hide_armed;
  if (hidden) {
    if (!in_hand || card.face_down) return;
    card.face_down = true;
    strength = kHiddenStrength;
  } else {
    if (!in_hand) return;
    if (card.face_down && !s.DarkElevenHand()) return;
    card.face_down = false;
    strength = s.Strength(card.card);
  }

  auto first_open_trick = [&]() {
    for (int t = 1; t <= 3; ++t) {
      if (!s.trick_played[t]) return t;
    }
    return 0;
  };

  if (observer_ && (s.turn == 'L' || s.turn == 'J')) {
    observer_->OnCard(s, Side::Player, id, hidden);
  }
  if (s.turn == 'L') {
    Answer answer = Compara_Cartas1(strength, id);
    if (!s.hand_alive) {
      Inicio();
      return;
    }
    const int trick = first_open_trick();
    if (trick == 0) return;
    if (trick == 3 && s.hand_conceded) {
      Inicio();
      return;
    }
    s.trick_played[trick] = true;
    PlaceTrick(trick, id, answer.card, std::move(answer.result), hidden, false);
  } else if (s.turn == 'J') {
    std::string result = Compara_CartaJ(strength, s.led_strength);
    const int trick = first_open_trick();
    if (trick == 0) return;
    s.trick_played[trick] = true;
    PlaceTrick(trick, id, std::nullopt, std::move(result), hidden, true);
  } else if (hidden) {
    // Nothing was played: the card goes back face up and stays armed.
    card.face_down = false;
  } else if (s.DarkElevenHand()) {
    card.face_down = true;
  }
}

Game::Answer Game::Compara_Cartas1(int player_strength, CardId player_card) {
  GameState& s = state_;
  if (!(s.trick_played[1] && s.trick_played[2])) {
    const AnswerChoice choice = judgement_.ChooseAnswer(s, player_strength);
    auto& slot = s.computer_hand[static_cast<std::size_t>(choice.slot)];
    slot.played = true;
    return {choice.result, slot.card};
  }

  // Third trick: one card left.
  int last = 0;
  while (last < 2 && s.computer_hand[static_cast<std::size_t>(last)].played) ++last;
  auto& slot = s.computer_hand[static_cast<std::size_t>(last)];
  const int own = slot.strength;
  if (judgement_.WantsThirdTrickCall(s, player_strength, own) && ComputerMayCall()) {
    if (const auto rung = RungFromCaption(s.BTrucar.caption)) {
      // The player sees the card just led while answering.
      s.cards[player_card].top = kTrickTops[3];
      s.cards[player_card].left = kTrickPlayerLeft;
      Micro_Pede_ThirdTrick(*rung, slot.card);
      if (s.hand_conceded || !s.hand_alive) return {"", std::nullopt};
    }
  }
  slot.played = true;
  return {TextOf(TrickResult(player_strength, own)), slot.card};
}

std::string Game::Compara_CartaJ(int player_strength, int led) {
  GameState& s = state_;
  switch (TrickResult(player_strength, led)) {
    case Taker::Mine:
      s.turn = 'L';
      return kJogador;
    case Taker::Theirs:
      s.turn = 'M';
      return kMicro;
    default:
      break;
  }
  // A tie in a trick the computer led: whoever led the hand leads the next trick.
  if (s.hand_counter % 2 == 0) {
    s.turn = 'L';
  } else {
    s.turn = 'M';
    SetTimer(kTimer2, true);
  }
  return "";
}

void Game::Posicao_CartaM(CardId card) {
  GameState& s = state_;
  for (int t = 1; t <= 3; ++t) {
    if (!s.trick_played[t]) {
      s.cards[card].top = kTrickTops[t];
      s.cards[card].left = kTrickComputerLeft;
      s.cards[card].face_down = false;
      s.turn = 'J';
      return;
    }
  }
}

void Game::PlaceTrick(int trick, CardId player_card, std::optional<CardId> computer_card,
                      std::string result, bool hidden, bool computer_led) {
  GameState& s = state_;
  if (hidden) {
    s.cards[player_card].face_down = true;
    s.hide_armed = false;
    s.BEsconder.caption = kEsconderCaption;
  }
  s.cards[player_card].top = kTrickTops[trick];
  s.cards[player_card].left = kTrickPlayerLeft;
  if (!computer_led && computer_card) {
    s.cards[*computer_card].top = kTrickTops[trick];
    s.cards[*computer_card].left = kTrickComputerLeft;
    s.cards[*computer_card].face_down = false;
    if (observer_) observer_->OnCard(s, Side::Computer, *computer_card, false);
  }

  if (result == kJogador) {
    s.turn = 'L';
  } else if (result == kMicro) {
    s.turn = 'M';
  } else {
    result = kEmpate;
  }
  const TrickCount add = CreditTrick(trick, TakerOf(result), TakerOf(s.trick_result[1]));
  s.player_tricks += add.mine;
  s.computer_tricks += add.theirs;
  s.trick_result[trick] = result;
  if (observer_) observer_->OnTrick(s, trick);

  if (trick == 1) return;
  if (trick == 3 && s.trick_result[1] == kEmpate && s.trick_result[2] == kEmpate &&
      s.trick_result[3] == kEmpate) {
    if (computer_led) Message("Como as 3 cartas empataram, essa mão será jogada novamente");
    Inicio();
    return;
  }
  Testa_Ganhou();
}

// ---------------------------------------------------------------------------------------------
// Scoring

void Game::Testa_Ganhou() {
  GameState& s = state_;
  const Taker winner = HandWinner({s.player_tricks, s.computer_tricks});
  if (winner == Taker::Nobody) return;
  const bool player_won = winner == Taker::Mine;
  for (TimerId t : {kTimer1, kTimer2, kTimer3}) SetTimer(t, false);
  if (player_won) {
    Message(Tentos("Você Ganhou ", s.hand_stake));
    AddPoints(Side::Player, s.hand_stake, true, PointsReason::HandWon);
  } else {
    Message(Tentos("Eu Ganhei ", s.hand_stake));
    AddPoints(Side::Computer, s.hand_stake, true, PointsReason::HandWon);
  }
  Inicio();
}

void Game::AddPoints(Side side, int amount, bool capped, PointsReason reason) {
  int& points = side == Side::Player ? state_.player_points : state_.computer_points;
  const int before = points;
  points = PointsAfter(points, amount, capped);
  if (observer_) observer_->OnPoints(state_, side, before, reason);
}

bool Game::Timer1Timer() {
  GameState& s = state_;
  if (!TimerOn(kTimer1)) return false;
  const Taker taker = GameWinner(s.player_points, s.computer_points);
  if (taker == Taker::Nobody) return false;
  const Side winner = taker == Taker::Mine ? Side::Player : Side::Computer;
  for (TimerId t : {kTimer1, kTimer2, kTimer3}) SetTimer(t, false);
  if (winner == Side::Player) {
    ++s.games_player;
    Message("Parabéns  L A D R Ã O!  Você Ganhou");
  } else {
    ++s.games_computer;
    Message("Que M A R R E C O! Conseguiu Perder");
  }
  const int before_player = s.player_points;
  const int before_computer = s.computer_points;
  s.player_points = 0;
  s.computer_points = 0;
  if (observer_) {
    observer_->OnGameEnd(s, winner);
    observer_->OnPoints(s, Side::Player, before_player, PointsReason::GameEnded);
    observer_->OnPoints(s, Side::Computer, before_computer, PointsReason::GameEnded);
  }
  Inicio();
  return true;
}

// ---------------------------------------------------------------------------------------------
// The computer's lead

bool Game::Timer2Timer() {
  GameState& s = state_;
  if (!TimerOn(kTimer2)) return false;
  if ((s.player_points == kHandOfEleven || s.computer_points == kHandOfEleven) &&
      !s.eleven_decided) {
    return false;
  }
  if (s.turn != 'M') return false;

  const LeadChoice lead = judgement_.ChooseLead(s);
  if (lead.consider_call && ComputerMayCall() && judgement_.WantsLeadCall(s)) {
    if (const auto rung = RungFromCaption(s.BTrucar.caption)) {
      // No second lead step may start while the call waits for the player.
      SetTimer(kTimer2, false);
      const std::uint64_t deal_before = deals_;
      Micro_Pede(*rung);
      if (deals_ != deal_before) return true;  // someone ran: the ended hand leads nothing
      // The call is settled and the hand goes on: the step must lead again whenever this side
      // wins a later trick, whichever trick it called before.
      SetTimer(kTimer2, true);
    }
  }
  auto& slot = s.computer_hand[static_cast<std::size_t>(lead.slot)];
  Posicao_CartaM(slot.card);
  if (observer_) observer_->OnCard(s, Side::Computer, slot.card, false);
  slot.played = true;
  s.led_card = slot.card;
  s.led_strength = slot.strength;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Stake display and the hide button

bool Game::Timer4Timer() {
  GameState& s = state_;
  if (!TimerOn(kTimer4)) return false;
  bool changed = false;
  // Only a face-up card can be hidden: in a hand of eleven in the dark there is none, so the
  // button stays off for the whole hand.
  if (s.trick_played[1] && !s.BEsconder.enabled && !s.DarkElevenHand()) {
    s.BEsconder.enabled = true;
    changed = true;
  }
  std::string vale = std::to_string(s.hand_stake);
  if (vale != s.LabelVale) {
    s.LabelVale = std::move(vale);
    changed = true;
  }
  return changed;
}

void Game::BEsconderClick() {
  EventScope scope(*this);
  GameState& s = state_;
  if (!s.BEsconder.enabled || !s.BEsconder.visible) return;
  if (s.BEsconder.caption == kEsconderCaption) {
    if (s.DarkElevenHand()) return;
    s.hide_armed = true;
    s.BEsconder.caption = kNaoEsconderCaption;
  } else {
    s.hide_armed = false;
    s.BEsconder.caption = kEsconderCaption;
  }
}

void Game::RunDueSteps() {
  if (running_due_) return;
  running_due_ = true;
  ++depth_;
  for (int pass = 0; pass < kMaxDuePasses; ++pass) {
    bool changed = false;
    changed |= Timer1Timer();
    changed |= Timer3Timer();
    changed |= Timer2Timer();
    changed |= Timer4Timer();
    if (!changed) break;
  }
  --depth_;
  running_due_ = false;
}

// ---------------------------------------------------------------------------------------------
// Table clicks

std::string Game::TrickLabelText(int trick) const {
  if (trick < 1 || trick > 3) return "";
  const std::string& r = state_.trick_result[static_cast<std::size_t>(trick)];
  static const char* const kTexts[4][3] = {
      {"", "", ""},
      {"      A Primeira é Minha", "       A Primeira é Sua", "      A Primeira Empatou"},
      {"      A Segunda é Minha", "      A Segunda é Sua", "      A Segunda Empatou"},
      {"      A Terceira é Minha", "      A Terceira é Sua", "      A Terceira Empatou"},
  };
  if (r == kMicro) return kTexts[trick][0];
  if (r == kJogador) return kTexts[trick][1];
  if (r == kEmpate) return kTexts[trick][2];
  return "";
}

void Game::TrickLabelClick(int trick) {
  EventScope scope(*this);
  const std::string text = TrickLabelText(trick);
  if (!text.empty()) Message(text);
}

void Game::CartaMClick(int index) {
  if (index < 0 || index > 2) return;
  EventScope scope(*this);
  if (state_.cards[kComputerCards[static_cast<std::size_t>(index)]].face_down) {
    Message("Tire a mão da minha carta Ladrão");
  }
}

bool Game::BsairClick() {
  EventScope scope(*this);
  const int gp = state_.games_player;
  const int gc = state_.games_computer;
  const char* const kStay = "É isso ai, seja Macho e não fuja";
  if (gp == gc) return Message("Tem Certeza que deseja Sair?", 2);
  if (gp < gc) {
    if (!Message("Você está Perdendo no Total. Vai sair com a Derrota nas costas?", 2)) {
      Message(kStay);
      return false;
    }
    Message("Maricas, HAHAHAHA. Não vai perder o sono por causa da surra");
    screen_.SubmitRecord(state_.opponent_name, gc, gp, gc - gp);
    return true;
  }
  if (!Message("Maricas, HAHAHAHA. Vai aproveitar que ganhou uma e vai sair?", 2)) {
    Message(kStay);
    return false;
  }
  Message("Maricas, saiu só porque ganhou uma");
  screen_.SubmitRecord(state_.LabelNome, gp, gc, gp - gc);
  return true;
}

void Game::StopMatch() {
  GameState& s = state_;
  for (TimerId t : {kTimer1, kTimer2, kTimer3}) SetTimer(t, false);
  // A hand dealt under the old settings must not go on under the new ones.
  s.may_play = false;
  s.BTrucar.enabled = false;
  s.BCorrer.enabled = false;
  s.BEsconder.enabled = false;
  s.hide_armed = false;
  s.BEsconder.caption = kEsconderCaption;
  const int before_player = s.player_points;
  const int before_computer = s.computer_points;
  s.player_points = 0;
  s.computer_points = 0;
  if (observer_) {
    observer_->OnPoints(s, Side::Player, before_player, PointsReason::Restarted);
    observer_->OnPoints(s, Side::Computer, before_computer, PointsReason::Restarted);
  }
}

void Game::ViewHands() {
  // Between two people nobody may look at the other's cards.
  if (Online()) return;
  for (CardId id : kComputerCards) {
    if (state_.cards[id].top == kComputerHandTop) state_.cards[id].face_down = false;
  }
}

}  // namespace truco
