// Two networked sides wired to each other in memory, as in a real game, while a hostile peer's
// lines are slipped into either inbox at any moment, between clicks, calls, answers, runs,
// hidden cards, hands of eleven, restarts, starts, chat and lost connections; either side may
// also play as a classic peer. Besides what the sanitizers catch: within a hand the host never
// deals a card twice nor changes a card it dealt, its own picture of the table never holds the
// same card twice, the turn is always one of the two sides or nobody, points never show above
// 12, and, as long as no hostile line went in, the points, stake and tally of both sides never
// differ once both have handled every message.
//
// With the top bit of byte 0 both sides speak version 3 and deal jointly (seeded from the input,
// so a run repeats): then, as long as no hostile line went in, neither side ever finds a cheat.
//
// Input: byte 0 picks the deck, the manilha mode, who leads and the version; then one step per
// byte or two, with injected lines given by a length byte and their bytes.

#include <algorithm>
#include <deque>
#include <map>
#include <random>
#include <set>
#include <string>

#include "net/play/networked_hand.h"
#include "opponent/computer.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco;
using NetSide = net::Side;

namespace {

constexpr char kLost[] = "A conexão com o adversário foi perdida.";

class AgreeingScreen final : public Screen {
 public:
  explicit AgreeingScreen(std::string name) : name_(std::move(name)) {}
  bool MOSTRA_MENSAGEM(const std::string&, int) override { return true; }
  void Mensagem(const std::vector<std::string>&, int) override {}
  bool Confirma(const std::vector<std::string>&) override { return true; }
  char MOSTRA_TRUCO(const TrucoDialogRequest&) override { return kAnswerAccept; }
  GameKindChoice EscolhaJogo() override { return {true, GameKind::EmRede, name_}; }
  void SubmitRecord(const std::string&, int, int, int) override {}

 private:
  std::string name_;
};

// The input read front to back, so seed files read in the order their steps run.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  [[nodiscard]] bool empty() const { return at_ == size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(std::size_t n) {
    n = std::min(n, size_ - at_);
    std::string out(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// Chance that repeats from the input: reseeds come from a seeded sequence, not the clock.
class RepeatableRandom final : public RandomSource {
 public:
  explicit RepeatableRandom(std::uint64_t seed) : seeds_(seed) { Reseed(); }
  void Reseed() override { inner_.Seed(seeds_()); }
  int Uniform(int bound) override { return inner_.Uniform(bound); }

 private:
  std::mt19937_64 seeds_;
  ClockRandom inner_;
};

class QueueOutput final : public net::HandOutput {
 public:
  bool Send(const net::Message& message) override {
    if (!up) return false;
    inbox->push_back(net::Encode(message));
    sent.push_back(message);
    return true;
  }
  void SetMessagePanel(const std::string&) override {}
  void SetOpponentName(const std::string& name) override {
    FUZZ_CHECK(name.size() <= 4 * net::kMaxNameChars);
  }
  void AppendChat(const std::string&) override {}
  void Tell(const std::string&) override {}
  void AskTruco(const TrucoDialogRequest&) override { ++asks; }
  void Ask(net::Question, const std::string&) override { ++asks; }
  void CancelAsk() override {}

  int asks = 0;
  std::deque<std::string>* inbox = nullptr;
  std::vector<net::Message> sent;
  bool up = true;
};

struct HandSide {
  HandSide(NetSide which, const char* name, std::uint64_t seed)
      : side(which), screen(name), random(seed), entropy(seed), hand(game, random, out) {
    game.set_networked_play(&hand);
    hand.set_deal_entropy(&entropy);
  }
  NetSide side;
  AgreeingScreen screen;
  RepeatableRandom random;
  net::DealEntropy entropy;
  ComputerJudgement judgement;
  Game game{screen, random, judgement};
  QueueOutput out;
  net::NetworkedHand hand;
  std::deque<std::string> inbox;
};

void Deliver(HandSide& to) {
  if (to.inbox.empty()) return;
  const std::string line = to.inbox.front();
  to.inbox.pop_front();
  if (auto m = net::Decode(line, to.side)) to.hand.Receive(*m);
}

// The host's deal as it sent it: one card per request number, never two the same.
void CheckHostDeal(const HandSide& host) {
  std::map<int, Card> dealt;  // 1..3 the guest's, 4..6 the host's, 7 the vira
  auto note = [&](int k, const Card& card) {
    const auto [at, fresh] = dealt.emplace(k, card);
    FUZZ_CHECK(fresh || at->second == card);
  };
  for (const net::Message& m : host.out.sent) {
    // A whole game deals hand after hand: each hand is checked on its own.
    if (std::holds_alternative<net::NewHand>(m)) dealt.clear();
    if (const auto* g = std::get_if<net::GuestCard>(&m)) note(g->slot, g->card);
    if (const auto* h = std::get_if<net::HostCard>(&m)) note(3 + h->slot, h->card);
    if (const auto* v = std::get_if<net::Vira>(&m); v && v->mode == ManilhaMode::Nova)
      note(7, v->card);
  }
  std::set<std::pair<int, int>> faces;
  for (const auto& [k, card] : dealt) {
    // Manilha velha turns no vira: its card carries no meaning and may repeat one dealt.
    if (k == 7 && host.hand.manilha_mode() == ManilhaMode::Velha) continue;
    FUZZ_CHECK(faces.insert({card.Value, static_cast<int>(card.suit)}).second);
  }

  std::set<std::pair<int, int>> table;
  auto on_table = [&](const std::optional<Card>& card) {
    if (card) FUZZ_CHECK(table.insert({card->Value, static_cast<int>(card->suit)}).second);
  };
  for (int slot = 1; slot <= 3; ++slot) {
    on_table(host.hand.own_card(slot));
    on_table(host.hand.opponent_card(slot));
  }
  if (host.hand.manilha_mode() == ManilhaMode::Nova) on_table(host.hand.vira());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader input(data, size);
  const auto setup = input.Byte();
  HandSide host(NetSide::Host, "HOSTE", setup);
  HandSide guest(NetSide::Guest, "ANA", setup * 7919u + 1);
  host.out.inbox = &guest.inbox;
  guest.out.inbox = &host.inbox;
  const GameSettings settings{(setup & 1) ? kBaralhoSujo : kBaralhoLimpo,
                              (setup & 2) ? ManilhaMode::Velha : ManilhaMode::Nova, 0};
  for (HandSide* s : {&host, &guest}) s->game.mutable_state().settings = settings;
  host.game.mutable_state().hand_counter = (setup & 4) ? 2 : 1;
  const int version = (setup & 0x80) ? net::kJointDealVersion : net::kWholeGameVersion;
  host.hand.set_max_version(version);
  guest.hand.set_max_version(version);
  host.hand.Prepare(NetSide::Host, "HOSTE");
  guest.hand.Prepare(NetSide::Guest, "ANA");
  host.hand.set_classic_only((setup & 0x30) == 0x10);
  guest.hand.set_classic_only((setup & 0x30) == 0x20);
  if (setup & 0x40) host.game.mutable_state().settings.eleven_mode = 1;
  host.out.Send(net::Name{"HOSTE"});
  bool tampered = false;  // a hostile line went in: it may have been a move the other never made

  int steps = 0;
  while (!input.empty() && ++steps < 400) {
    const auto op = input.Byte();
    HandSide& one = (op & 0x10) ? guest : host;
    switch (op & 0x0F) {  // the high bits pick the side and the variant
      case 0:
      case 1:
      case 2:  // the wire carries one line each way
        Deliver(host);
        Deliver(guest);
        break;
      case 3:
        one.game.CartaJClick(input.Byte() % 3);
        break;
      case 4:
        one.game.BInicioClick();
        break;
      case 5:
      case 6: {  // a hostile line straight into one side's inbox, ahead of the rest
        tampered = true;
        const auto length = input.Byte();
        std::string line = input.Bytes(length);
        if (op & 0x20) {
          one.inbox.push_front(std::move(line));
        } else {
          one.inbox.push_back(std::move(line));
        }
        break;
      }
      case 7:
        one.hand.SendChat(
            net::ChatLine(one.side == NetSide::Host ? "HOSTE" : "ANA", input.Bytes(input.Byte())));
        break;
      case 10:  // "Trucar", "Correr" or "Esconder"
        if (op & 0x20) {
          one.game.BTrucarClick();
        } else if (op & 0x40) {
          one.game.BCorrerClick();
        } else {
          one.game.BEsconderClick();
        }
        break;
      case 11: {  // the truco dialog's answer, asked for or not
        static constexpr char kAnswers[] = {kAnswerAccept, kAnswerRaise, kAnswerRun, 'x'};
        one.hand.AnswerTruco(kAnswers[(op >> 5) & 3]);
        break;
      }
      case 12:  // a question's answer
        one.hand.Answer((op & 0x20) ? net::Question::Continue : net::Question::Eleven,
                        (op & 0x40) != 0);
        break;
      case 13:
        one.hand.RestartGame();
        break;
      case 8:
        if (op & 0x40) {  // the link breaks: both sides hear of it, nothing more crosses
          tampered = true;
          host.out.up = guest.out.up = false;
          host.inbox.clear();
          guest.inbox.clear();
          host.hand.ConnectionLost(kLost);
          guest.hand.ConnectionLost(kLost);
        }
        break;
      default: {  // the wire runs dry: two honest sides never talk forever
        int lines = 0;
        while ((!host.inbox.empty() || !guest.inbox.empty()) && ++lines < 10000) {
          Deliver(host);
          Deliver(guest);
        }
        FUZZ_CHECK(host.inbox.empty() && guest.inbox.empty());
      }
    }
    CheckHostDeal(host);
    if (!tampered) FUZZ_CHECK(!host.hand.cheat_found() && !guest.hand.cheat_found());
    for (const HandSide* s : {&host, &guest}) {
      FUZZ_CHECK(s->hand.turn() == 'C' || s->hand.turn() == 'S' || s->hand.turn() == ' ');
      for (NetSide whose : {NetSide::Host, NetSide::Guest}) FUZZ_CHECK(s->hand.points(whose) <= 12);
    }
    // Both sides have handled every message: a whole game shows the same on both.
    if (!tampered && host.inbox.empty() && guest.inbox.empty() && host.hand.whole_game() &&
        guest.hand.whole_game() && host.hand.hands_dealt() > 0 &&
        host.hand.hands_dealt() == guest.hand.hands_dealt()) {
      for (NetSide whose : {NetSide::Host, NetSide::Guest}) {
        FUZZ_CHECK(host.hand.points(whose) == guest.hand.points(whose));
        FUZZ_CHECK(host.hand.games(whose) == guest.hand.games(whose));
      }
      FUZZ_CHECK(host.hand.stake() == guest.hand.stake());
      if (host.hand.actor() != guest.hand.actor() && std::getenv("FUZZ_DEBUG")) {
        for (const HandSide* x : {&host, &guest}) {
          std::fprintf(stderr,
                       "actor %c turn %c fin %d pend %d elev %c dec %d started %d deal %d\n",
                       x->hand.actor(), x->hand.turn(), x->hand.hand_finished(),
                       x->hand.pending_call(), x->hand.eleven(), x->hand.eleven_decided(),
                       x->hand.started(), x->hand.DealComplete());
        }
      }
      FUZZ_CHECK(host.hand.actor() == guest.hand.actor());
      FUZZ_CHECK(host.hand.pending_call() == guest.hand.pending_call());
    }
  }
  return 0;
}
