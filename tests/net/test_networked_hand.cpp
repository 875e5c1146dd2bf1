// Two networked hands wired to each other in memory, every message through the codec.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "tests/net/net_sides.h"

namespace truco::testing {
namespace {

using net::Side;

constexpr const char* kWait = net::kTextWaitOpponent;
constexpr const char* kYourTurn = net::kTextYourTurn;
constexpr const char* kLost = "A conexão com o adversário foi perdida.";

// Host HOSTE and guest ANA, linked in memory. Lines wait in order until Pump delivers them.
struct Link {
  NetSide host{Side::Host, "HOSTE"};
  NetSide guest{Side::Guest, "ANA"};
  std::deque<std::string> to_host;
  std::deque<std::string> to_guest;
  bool up = true;

  Link() {
    host.out.send = [this](const net::Message& m) { return Queue(to_guest, m); };
    guest.out.send = [this](const net::Message& m) { return Queue(to_host, m); };
    host.hand.Prepare(Side::Host, host.name);
    guest.hand.Prepare(Side::Guest, guest.name);
    // These cases play the classic hand: the guest knows only the classic messages, and the
    // host falls back to them.
    guest.hand.set_classic_only(true);
    for (NetSide* side : {&host, &guest}) side->s().settings = {kBaralhoSujo, ManilhaMode::Nova, 0};
  }
  bool Queue(std::deque<std::string>& inbox, const net::Message& m) {
    if (!up) return false;
    inbox.push_back(net::Encode(m));
    return true;
  }
  void Pump() {
    while (!to_host.empty() || !to_guest.empty()) {
      Deliver(to_host, host);
      Deliver(to_guest, guest);
    }
  }
  static void Deliver(std::deque<std::string>& inbox, NetSide& side) {
    if (inbox.empty()) return;
    const std::string line = inbox.front();
    inbox.pop_front();
    if (auto m = net::Decode(line, side.side)) side.hand.Receive(*m);
  }
  // What the host does once it sees its guest: its name goes first.
  void Connect() {
    host.out.Send(net::Name{host.name});
    Pump();
  }
  // The whole opening: names, both starts, the deal. `host_leads` fixes the parity.
  void Open(const std::array<Card, 3>& guest_cards, const std::array<Card, 3>& host_cards,
            Card vira, bool host_leads) {
    StackNetDeal(host, guest_cards, host_cards, vira);
    host.s().hand_counter = host_leads ? 2 : 1;  // the start raises it
    Connect();
    host.game.BInicioClick();
    Pump();
    guest.game.BInicioClick();
    Pump();
    ASSERT_TRUE(host.hand.DealComplete());
    ASSERT_TRUE(guest.hand.DealComplete());
    ASSERT_EQ(host.random.Remaining(), 0u) << "a card was drawn twice";
  }
  void Inject(NetSide& to, const std::string& line) {
    (&to == &host ? to_host : to_guest).push_back(line);
    Pump();
  }
};

const Card kAsEspadas = C(1, Suit::Spades);
const Card kSeteCopas = C(7, Suit::Hearts);
const Card kReiOuros = C(kRei, Suit::Diamonds);
const Card kTresCopas = C(3, Suit::Hearts);
const Card kDoisEspadas = C(2, Suit::Spades);
const Card kQuatroOuros = C(4, Suit::Diamonds);
const Card kSetePaus = C(7, Suit::Clubs);

TEST(NetworkedHand, DealExchangeNamesAndSevenDistinctCards) {
  Link link;
  StackNetDeal(link.host, {kAsEspadas, kSeteCopas, kReiOuros},
               {kTresCopas, kDoisEspadas, kQuatroOuros}, kSetePaus);
  link.Connect();
  // The guest has answered the name; the deal waits for the host's own start.
  EXPECT_EQ(link.guest.out.sent, (std::vector<std::string>{"NANA"}));
  EXPECT_EQ(link.host.out.sent, (std::vector<std::string>{"NHOSTE"}));
  EXPECT_EQ(link.host.out.opponent, "ANA");
  EXPECT_EQ(link.guest.out.opponent, "HOSTE");

  link.host.game.BInicioClick();
  link.Pump();
  EXPECT_EQ(link.host.out.sent,
            (std::vector<std::string>{"NHOSTE", "PC", "B1", "C", "V113", "V722", "V1334", "A312",
                                      "A223", "A434", "I711"}));
  EXPECT_EQ(link.guest.out.sent,
            (std::vector<std::string>{"NANA", "C1", "C2", "C3", "A1", "A2", "A3", "A4"}));
  // The guest has not started: its table (a game against the computer, say) is untouched.
  EXPECT_FALSE(link.guest.game.Online());
  EXPECT_EQ(link.guest.Card(kCartaJ1).card, Card{});

  link.guest.game.BInicioClick();
  link.Pump();
  std::set<std::pair<int, int>> seen;
  for (CardId id : {kCartaJ1, kCartaJ2, kCartaJ3, kCartaM1, kCartaM2, kCartaM3, kCVira}) {
    const Card c = link.guest.Card(id).card;
    seen.insert({c.Value, static_cast<int>(c.suit)});
  }
  EXPECT_EQ(seen.size(), 7u);
  for (int i = 0; i < 3; ++i) {
    const auto own = static_cast<CardId>(kCartaJ1 + i);
    const auto opp = static_cast<CardId>(kCartaM1 + i);
    EXPECT_EQ(link.guest.Card(own).card, link.host.Card(opp).card);
    EXPECT_EQ(link.guest.Card(opp).card, link.host.Card(own).card);
    EXPECT_FALSE(link.guest.Card(own).face_down);
    EXPECT_TRUE(link.guest.Card(opp).face_down);
    EXPECT_TRUE(link.host.Card(opp).face_down);
  }
  EXPECT_EQ(link.guest.Card(kCVira).card, kSetePaus);
  EXPECT_FALSE(link.guest.Card(kCVira).face_down);
  EXPECT_TRUE(link.guest.s().vira_hand_pointer);
  // After a 7 the 40-card deck's manilha is the Dama, on both sides.
  EXPECT_EQ(link.guest.s().manilha_value, ManilhaValues({kDama, kDama, kDama, kDama}));
  EXPECT_EQ(link.host.s().manilha_value, link.guest.s().manilha_value);
  EXPECT_EQ(link.host.s().used_cards.Count(), 7);

  // hand_counter went 1 -> 2: the guest leads, the host waits.
  EXPECT_EQ(link.host.s().hand_counter, 2);
  EXPECT_EQ(link.host.out.panel, kWait);
  EXPECT_FALSE(link.host.s().may_play);
  EXPECT_EQ(link.guest.out.panel, kYourTurn);
  EXPECT_TRUE(link.guest.s().may_play);
  EXPECT_EQ(link.guest.s().turn, 'C');
  EXPECT_EQ(link.host.s().turn, 'C');
}

// The guest's manilhas come from the host's deck, not from its own guess.
TEST(NetworkedHand, GuestManilhasFollowTheHostsDeckAndMode) {
  struct Case {
    char deck;
    ManilhaMode mode;
    Card vira;
    ManilhaValues expected;
  };
  const Case cases[] = {
      {kBaralhoSujo, ManilhaMode::Nova, C(3, Suit::Clubs), {4, 4, 4, 4}},
      {kBaralhoLimpo, ManilhaMode::Nova, C(3, Suit::Clubs), {kDama, kDama, kDama, kDama}},
      {kBaralhoSujo, ManilhaMode::Nova, C(6, Suit::Hearts), {7, 7, 7, 7}},
      {kBaralhoSujo, ManilhaMode::Velha, C(6, Suit::Hearts), ManilhasVelhas()},
  };
  for (const Case& c : cases) {
    Link link;
    link.host.s().settings.deck_type = c.deck;
    link.host.s().settings.manilha_mode = c.mode;
    // The guest's own settings say otherwise; they do not count.
    link.guest.s().settings = {kBaralhoLimpo, ManilhaMode::Nova, 0};
    link.Open({C(kRei, Suit::Spades), C(kDama, Suit::Hearts), C(2, Suit::Diamonds)},
              {C(1, Suit::Hearts), C(kValete, Suit::Clubs), C(2, Suit::Clubs)}, c.vira, false);
    SCOPED_TRACE(std::string(1, c.deck) + (c.mode == ManilhaMode::Nova ? " nova" : " velha"));
    EXPECT_EQ(link.guest.s().manilha_value, c.expected);
    EXPECT_EQ(link.host.s().manilha_value, c.expected);
    EXPECT_EQ(link.guest.hand.manilha_mode(), c.mode);
    const bool velha = c.mode == ManilhaMode::Velha;
    EXPECT_EQ(link.guest.Card(kCVira).face_down, velha);
    EXPECT_EQ(link.host.Card(kCVira).face_down, velha);
    EXPECT_EQ(link.host.out.sent.back()[2], velha ? '0' : '1');
  }
}

// Host leads a 3, the guest kills with a manilha; the guest leads, the host kills; the host
// leads and loses the third: the guest takes the hand.
TEST(NetworkedHand, TricksJudgedAndTheTurnFollowsTheStrongerCard) {
  Link link;
  const Card zap = C(kDama, Suit::Clubs);  // manilha after the 7
  const Card rei = C(kRei, Suit::Hearts);
  const Card tres = C(3, Suit::Spades);
  link.Open({zap, rei, tres}, {kTresCopas, kDoisEspadas, kQuatroOuros}, kSetePaus, true);
  NetSide& host = link.host;
  NetSide& guest = link.guest;
  EXPECT_EQ(host.out.panel, kYourTurn);
  EXPECT_EQ(guest.out.panel, kWait);
  EXPECT_FALSE(guest.s().may_play);

  host.Play(kTresCopas);
  EXPECT_EQ(host.out.sent.back(), "J11");
  EXPECT_EQ(host.Card(kCartaJ1).top, kTrickTops[1]);
  EXPECT_EQ(host.Card(kCartaJ1).left, kTrickPlayerLeft);
  EXPECT_FALSE(host.s().may_play);
  link.Pump();
  EXPECT_EQ(guest.OpponentTop(kTresCopas), kTrickTops[1]);
  EXPECT_FALSE(guest.Card(kCartaM1).face_down);
  EXPECT_TRUE(guest.s().may_play);
  EXPECT_EQ(guest.out.panel, kYourTurn);

  guest.Play(zap);
  link.Pump();
  EXPECT_EQ(host.hand.trick_strength(1, Side::Host), 9);
  EXPECT_EQ(host.hand.trick_strength(1, Side::Guest), 13);
  EXPECT_EQ(host.out.panel, "ANA matou.\rAguarde ele tornar");
  EXPECT_FALSE(host.s().may_play);
  EXPECT_EQ(host.out.sent.back(), "PC");
  EXPECT_EQ(guest.out.panel, kYourTurn);
  EXPECT_TRUE(guest.s().may_play);
  EXPECT_EQ(host.s().trick_result[1], kMicro);
  EXPECT_EQ(guest.s().trick_result[1], kJogador);

  // The guest leads a weaker card; the host's answer reaches the guest but gives it no turn.
  guest.Play(rei);
  link.Pump();
  EXPECT_TRUE(host.s().may_play);
  EXPECT_EQ(host.out.panel, kYourTurn);
  host.Play(kDoisEspadas);
  link.Pump();
  EXPECT_EQ(host.out.panel, net::kTextYouKilled);
  EXPECT_EQ(host.out.sent.back(), "PS");
  EXPECT_TRUE(host.s().may_play);
  EXPECT_EQ(guest.OpponentTop(kDoisEspadas), kTrickTops[2]);
  EXPECT_FALSE(guest.s().may_play);
  EXPECT_EQ(guest.out.panel, kWait);

  host.Play(kQuatroOuros);
  link.Pump();
  guest.Play(tres);
  link.Pump();
  EXPECT_TRUE(host.hand.HandOver());
  EXPECT_TRUE(guest.hand.HandOver());
  EXPECT_EQ(host.out.panel, "Fim da mão.\rANA levou a mão.");
  EXPECT_EQ(guest.out.panel, "Fim da mão.\rVocê levou a mão.");
  for (NetSide* side : {&host, &guest}) {
    EXPECT_FALSE(side->s().may_play);
    EXPECT_FALSE(side->s().BTrucar.enabled);
    // No points move in a networked hand.
    EXPECT_EQ(side->s().player_points, 0);
    EXPECT_EQ(side->s().computer_points, 0);
  }
  // Nothing after the third trick: no turn message.
  EXPECT_EQ(host.out.sent.back(), "J33");
}

// Equal strengths: the side that led the trick leads again, whoever that is.
TEST(NetworkedHand, EqualStrengthsLeaveTheLeadWithTheLeader) {
  const std::array<Card, 3> host_cards{kTresCopas, kDoisEspadas, C(1, Suit::Hearts)};
  const std::array<Card, 3> guest_cards{C(3, Suit::Spades), C(2, Suit::Diamonds),
                                        C(1, Suit::Clubs)};
  {
    Link link;  // the host leads all three and all three tie
    link.Open(guest_cards, host_cards, kSetePaus, true);
    for (int t = 0; t < 3; ++t) {
      link.host.Play(host_cards[t]);
      link.Pump();
      const std::size_t guest_sent = link.guest.out.sent.size();
      link.guest.Play(guest_cards[t]);
      link.Pump();
      ASSERT_EQ(link.guest.out.sent.size(), guest_sent + 1) << "trick " << t + 1;
      if (t < 2) {
        EXPECT_TRUE(link.host.s().may_play);
        EXPECT_EQ(link.host.out.panel, kYourTurn);
        EXPECT_FALSE(link.guest.s().may_play);
        EXPECT_EQ(link.guest.out.panel, kWait);
      }
      EXPECT_EQ(link.host.s().trick_result[t + 1], kEmpate);
    }
    EXPECT_EQ(link.host.out.panel, "Fim da mão.\rAs três empataram.");
    EXPECT_EQ(link.guest.out.panel, "Fim da mão.\rAs três empataram.");
  }
  {
    Link link;  // the guest leads and ties: it leads again
    link.Open(guest_cards, host_cards, kSetePaus, false);
    link.guest.Play(guest_cards[0]);
    link.Pump();
    link.host.Play(host_cards[0]);
    link.Pump();
    EXPECT_EQ(link.host.out.sent.back(), "PC");
    EXPECT_FALSE(link.host.s().may_play);
    EXPECT_EQ(link.host.out.panel, kWait);
    EXPECT_TRUE(link.guest.s().may_play);
    EXPECT_EQ(link.guest.out.panel, kYourTurn);
  }
}

// The holes of "a J always grants the turn" and "the guest ignores PS" stay shut.
TEST(NetworkedHand, PlaysOutOfTurnDoNothing) {
  Link link;
  link.Open({C(kDama, Suit::Clubs), C(kRei, Suit::Hearts), C(3, Suit::Spades)},
            {kTresCopas, kDoisEspadas, kQuatroOuros}, kSetePaus, true);
  NetSide& host = link.host;
  NetSide& guest = link.guest;
  const std::size_t guest_sent = guest.out.sent.size();
  guest.game.CartaJClick(0);  // not the guest's turn
  EXPECT_EQ(guest.out.sent.size(), guest_sent);

  // A forged play of the guest before its turn: ignored by the host.
  link.Inject(host, "J11");
  EXPECT_EQ(host.Card(kCartaM1).top, kComputerHandTop);
  EXPECT_TRUE(host.s().may_play);

  host.Play(kTresCopas);
  const std::size_t host_sent = host.out.sent.size();
  host.game.CartaJClick(1);  // waiting for the answer
  host.game.CartaJClick(0);  // on the table already
  EXPECT_EQ(host.out.sent.size(), host_sent);
  link.Pump();

  // A play into the wrong trick, and a turn letter the guest is not waiting for.
  link.Inject(host, "J22");
  EXPECT_EQ(host.Card(kCartaM2).top, kComputerHandTop);
  link.Inject(guest, "PS");
  EXPECT_TRUE(guest.s().may_play);

  guest.Play(C(kRei, Suit::Hearts));  // weaker: the host keeps the lead
  link.Pump();
  EXPECT_EQ(host.out.panel, net::kTextYouKilled);
  EXPECT_FALSE(guest.s().may_play);
  link.Inject(guest, "PC");  // forged: the host already said "PS"
  EXPECT_FALSE(guest.s().may_play);
  // The same card again, and a card the guest no longer holds: ignored.
  host.Play(kDoisEspadas);
  link.Pump();
  link.Inject(host, "J22");
  EXPECT_EQ(host.Card(kCartaM2).top, kTrickTops[1]);
  EXPECT_EQ(host.hand.trick_strength(2, Side::Guest), -1);
}

TEST(NetworkedHand, RepeatedRequestsGetTheSameCardAndEarlyOnesNothing) {
  Link link;
  StackNetDeal(link.host, {kAsEspadas, kSeteCopas, kReiOuros},
               {kTresCopas, kDoisEspadas, kQuatroOuros}, kSetePaus);
  link.Connect();
  // Before the host's start nothing is drawn.
  link.Inject(link.host, "C1");
  EXPECT_EQ(link.host.out.sent, (std::vector<std::string>{"NHOSTE"}));
  link.host.game.BInicioClick();
  link.Pump();
  link.guest.game.BInicioClick();
  link.Pump();
  link.Inject(link.host, "C1");
  link.Inject(link.host, "A4");
  EXPECT_EQ(link.host.out.sent[link.host.out.sent.size() - 2], "V113");
  EXPECT_EQ(link.host.out.sent.back(), "I711");
  EXPECT_EQ(link.host.s().used_cards.Count(), 7);
  // The guest takes no card it did not ask for.
  EXPECT_EQ(link.guest.Card(kCartaJ1).card, kAsEspadas);
}

TEST(NetworkedHand, ChatBothWaysAndNamesClipped) {
  Link link;
  link.Connect();
  link.guest.hand.SendChat("[ANA] oi, tudo bem?");
  link.host.hand.SendChat("[HOSTE] ");
  link.Pump();
  EXPECT_EQ(link.host.out.chat, (std::vector<std::string>{"[ANA] oi, tudo bem?"}));
  EXPECT_EQ(link.guest.out.chat, (std::vector<std::string>{"[HOSTE] "}));
  // A peer's carriage return stays inside one line.
  link.Inject(link.guest, "M[X] a\rb");
  EXPECT_EQ(link.guest.out.chat.back(), "[X] a b");
  // The name is taken once per connection: a second name line renames nobody.
  link.Inject(link.host, "NOUTRO");
  EXPECT_EQ(link.host.out.opponent, "ANA");
  Link fresh;
  fresh.Inject(fresh.host, "NJOÃOZINHO DA SILVA");
  EXPECT_EQ(fresh.host.out.opponent, "JOÃOZINHO D");
  EXPECT_EQ(net::ClipUtf8("ÁÉÍÓÚ", 2), "ÁÉ");
  EXPECT_EQ(net::ClipUtf8("AB\xC3", 5), "AB\xC3");
}

TEST(NetworkedHand, LostConnectionIsToldOnceAndEndsTheGame) {
  Link link;
  link.Open({kAsEspadas, kSeteCopas, kReiOuros}, {kTresCopas, kDoisEspadas, kQuatroOuros},
            kSetePaus, true);
  link.up = false;
  link.host.hand.ConnectionLost(kLost);
  link.host.hand.ConnectionLost(kLost);
  EXPECT_EQ(link.host.out.told, (std::vector<std::string>{kLost}));
  EXPECT_EQ(link.host.out.panel, kLost);
  EXPECT_FALSE(link.host.s().may_play);
  EXPECT_FALSE(link.host.s().BTrucar.enabled);
  const std::size_t sent = link.host.out.sent.size();
  link.host.game.CartaJClick(0);
  EXPECT_EQ(link.host.out.sent.size(), sent);
  // The program goes on: a game against the computer deals as usual.
  link.host.screen.kinds.push_front({true, GameKind::ContraPC, "HOSTE"});
  link.host.game.BInicioClick();
  EXPECT_FALSE(link.host.game.Online());
  EXPECT_EQ(link.host.game.deals(), 1u);
  EXPECT_TRUE(link.host.s().may_play);
}

TEST(NetworkedHand, ConnectionLostBeforeTheStartIsToldAtTheStart) {
  Link link;
  link.Connect();
  link.guest.hand.ConnectionLost(kLost);
  EXPECT_TRUE(link.guest.out.told.empty());
  link.guest.game.BInicioClick();
  EXPECT_EQ(link.guest.out.told, (std::vector<std::string>{kLost}));
  EXPECT_EQ(link.guest.out.panel, kLost);
  EXPECT_FALSE(link.guest.s().may_play);
}

}  // namespace
}  // namespace truco::testing
