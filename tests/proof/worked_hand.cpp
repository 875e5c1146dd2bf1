#include "tests/proof/worked_hand.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "net/proof/deal_wire.h"
#include "tests/proof/seeded_sodium.h"

namespace truco::proof {
namespace {


constexpr std::uint64_t kWorkedSeed = 4;
constexpr std::size_t kHost = 0;
constexpr std::size_t kGuest = 1;
constexpr std::size_t kDeck = 40;

const HandBinding& Binding() {
  static const HandBinding binding{{"HOSTE", "ANA"}, 1};
  return binding;
}

// Trick strength with manilha nova: the value after the vira's is the manilha, clubs highest.
int Strength(WireCard card, WireCard vira) {
  static constexpr std::array<int, 10> kOrder{4, 5, 6, 7, 12, 11, 13, 1, 2, 3};
  const auto rank = [](int value) {
    return static_cast<int>(std::find(kOrder.begin(), kOrder.end(), value) - kOrder.begin());
  };
  const int manilha = kOrder[static_cast<std::size_t>(rank(vira.value) + 1) % kOrder.size()];
  if (card.value == manilha) return 100 + 5 - card.suit;
  return rank(card.value);
}

std::string CardName(WireCard card) {
  static const char* const kSuits[] = {"", "♣", "♥", "♠", "♦"};
  std::string value = std::to_string(card.value);
  if (card.value == 1) value = "Ás";
  if (card.value == 11) value = "Valete";
  if (card.value == 12) value = "Dama";
  if (card.value == 13) value = "Rei";
  return value + kSuits[card.suit];
}

struct Played {
  std::string text;
  std::string summary;
};

Played Play() {
  const std::vector<Point> deck = WireDeck(kDeck);
  const HandShape shape{2, kDeck};
  const Transcript start = HandTranscript(Binding());
  std::vector<DealParty> parties;
  parties.emplace_back(kHost, deck, 2, start);
  parties.emplace_back(kGuest, deck, 2, start);
  std::ostringstream out;
  const auto emit = [&](std::size_t from, const std::string& line) {
    out << (from == kHost ? "host  -> guest  " : "guest -> host   ") << line << '\n';
  };
  const auto send = [&](const DealMessage& m) {
    for (DealParty& p : parties) {
      if (!p.Take(m)) throw std::logic_error("a party refused an honest message");
    }
    for (const std::string& line : EncodeDeal(m, shape)) emit(m.party, line);
  };
  const auto card = [&](std::size_t owner, std::size_t position) {
    return *CardOfIndex(kDeck, parties[owner].CardAt(position).value());
  };
  const char letter[] = {'S', 'C'};

  emit(kHost, "NHOSTE");
  emit(kGuest, "H4");
  emit(kGuest, "NANA");
  emit(kHost, "H4");
  emit(kHost, "G110");
  emit(kHost, "DS0,0,0,0");
  send(parties[kHost].KeyMessage());
  send(parties[kGuest].KeyMessage());
  send(parties[kHost].ShuffleMessage());
  send(parties[kGuest].ShuffleMessage());
  for (std::size_t s = 0; s < 3; ++s) send(parties[kGuest].OpeningMessage(SlotPosition(kHost, s)));
  send(parties[kGuest].OpeningMessage(ViraPosition(2)));
  for (std::size_t s = 0; s < 3; ++s) send(parties[kHost].OpeningMessage(SlotPosition(kGuest, s)));
  send(parties[kHost].OpeningMessage(ViraPosition(2)));
  const WireCard vira = card(kGuest, ViraPosition(2));

  // Trick 1: both play slot 1 face up.
  send(parties[kHost].AnnounceMessage(SlotPosition(kHost, 0)));
  emit(kHost, "J11");
  send(parties[kGuest].AnnounceMessage(SlotPosition(kGuest, 0)));
  emit(kGuest, "J11");
  const int host_strength = Strength(card(kHost, SlotPosition(kHost, 0)), vira);
  const int guest_strength = Strength(card(kGuest, SlotPosition(kGuest, 0)), vira);
  if (host_strength == guest_strength) throw std::logic_error("the seed ties trick 1");
  const std::size_t winner = host_strength > guest_strength ? kHost : kGuest;
  const std::size_t loser = 1 - winner;
  emit(kHost, std::string("R1") + letter[winner]);
  // Trick 2: the winner hides its slot 2, the other takes the trick with its slot 2.
  emit(winner, EncodeFaceDown({winner, 1, 2}));
  send(parties[loser].AnnounceMessage(SlotPosition(loser, 1)));
  emit(loser, "J22");
  emit(kHost, std::string("R2") + letter[loser]);
  // Trick 3: the other leads and calls truco; the winner of trick 1 runs.
  emit(loser, "T3");
  emit(winner, "F");
  emit(kGuest, "O");

  std::ostringstream summary;
  const char* const names[] = {"HOSTE", "ANA"};
  for (std::size_t p : {kHost, kGuest}) {
    summary << names[p] << ":";
    for (std::size_t s = 0; s < 3; ++s) summary << ' ' << CardName(card(p, SlotPosition(p, s)));
    summary << "; ";
  }
  summary << "vira " << CardName(vira) << "; trick 1 to " << names[winner] << ", " << names[winner]
          << " hides slot 2, " << names[loser] << " takes trick 2, calls, " << names[winner]
          << " runs";
  return {out.str(), summary.str()};
}

Played PlaySeeded() {
  const SeededSodiumStream before = SodiumStream();
  SeedSodium(kWorkedSeed);
  Played played = Play();
  SodiumStream() = before;
  return played;
}

}  // namespace

std::string WorkedHandText() {
  return PlaySeeded().text;
}

std::string WorkedHandSummary() {
  return PlaySeeded().summary;
}

bool WorkedHandVerifies(const std::string& text) {
  DealWireReader reader({2, kDeck});
  std::vector<DealMessage> messages;
  std::istringstream in(text);
  std::string row;
  while (std::getline(in, row)) {
    const std::string line = row.substr(std::min<std::size_t>(16, row.size()));
    if (line.empty() || line[0] < 'a' || line[0] > 'z') continue;  // the game's own lines
    const WireItem item = reader.Feed(line);
    if (std::holds_alternative<Refused>(item)) return false;
    if (const auto* m = std::get_if<DealMessage>(&item)) messages.push_back(*m);
  }
  return !reader.Assembling() &&
         ReplayDeal(WireDeck(kDeck), 2, HandTranscript(Binding()), messages);
}

}  // namespace truco::proof
