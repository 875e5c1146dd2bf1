#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "net/wire/protocol.h"

namespace truco::net {
namespace {

Card C(int value, Suit suit) {
  return Card{static_cast<std::uint8_t>(value), suit};
}

std::vector<std::string> DrainAll(LineFramer& framer, LineFramer::Status* last = nullptr) {
  std::vector<std::string> lines;
  std::string line;
  LineFramer::Status status;
  while ((status = framer.Next(line)) == LineFramer::Status::Line) lines.push_back(line);
  if (last) *last = status;
  return lines;
}

// The deal of one hand as it crosses the wire, host's messages read by the guest and the other
// way round, with chat and plays mixed in.
struct Sent {
  Message message;
  Side reader;
};
std::vector<Sent> OneHandOfTraffic() {
  return {
      {Name{"ANA"}, Side::Guest},
      {Turn{Side::Host}, Side::Guest},
      {Name{"BETO"}, Side::Host},
      {DeckType{kBaralhoLimpo}, Side::Guest},
      {StartDeal{}, Side::Guest},
      {AskGuestCard{1}, Side::Host},
      {GuestCard{1, C(kRei, Suit::Hearts)}, Side::Guest},
      {AskGuestCard{2}, Side::Host},
      {GuestCard{2, C(kAce, Suit::Spades)}, Side::Guest},
      {Chat{"[BETO] oi, tudo bem?"}, Side::Host},
      {AskGuestCard{3}, Side::Host},
      {GuestCard{3, C(3, Suit::Clubs)}, Side::Guest},
      {AskHostCard{1}, Side::Host},
      {HostCard{1, C(kValete, Suit::Diamonds)}, Side::Guest},
      {AskHostCard{2}, Side::Host},
      {HostCard{2, C(2, Suit::Hearts)}, Side::Guest},
      {AskHostCard{3}, Side::Host},
      {HostCard{3, C(kDama, Suit::Clubs)}, Side::Guest},
      {AskVira{}, Side::Host},
      {Vira{ManilhaMode::Nova, C(kDama, Suit::Spades)}, Side::Guest},
      {Play{2, 1}, Side::Host},
      {Play{3, 1}, Side::Guest},
      {Turn{Side::Guest}, Side::Guest},
      {Chat{"[ANA] boa!"}, Side::Guest},
  };
}

TEST(Codec, CardMessagesMatchTheDocumentedTexts) {
  EXPECT_EQ(Encode(GuestCard{2, C(kAce, Suit::Spades)}), "V123");
  EXPECT_EQ(Encode(HostCard{3, C(kRei, Suit::Diamonds)}), "A1334");
  EXPECT_EQ(Encode(Vira{ManilhaMode::Nova, C(kDama, Suit::Clubs)}), "I1211");
  EXPECT_EQ(Encode(Play{1, 2}), "J12");

  // Two-character values are read from the end, so they never run into the slot digit:
  // V+11+1+2, V+11+2+1, V+1+1+2.
  EXPECT_EQ(Decode("V1112", Side::Guest), Message(GuestCard{1, C(kValete, Suit::Hearts)}));
  EXPECT_EQ(Decode("V1121", Side::Guest), Message(GuestCard{2, C(kValete, Suit::Clubs)}));
  EXPECT_EQ(Decode("V112", Side::Guest), Message(GuestCard{1, C(kAce, Suit::Hearts)}));
  EXPECT_EQ(Decode("J12", Side::Host), Message(Play{1, 2}));
  EXPECT_EQ(Decode("J12", Side::Guest), Message(Play{1, 2}));
}

TEST(Codec, WholeGameKindsMatchTheDocumentedTextsBothWays) {
  const std::vector<std::pair<Message, std::string>> both_ways = {
      {Hello{2}, "H2"},           {HiddenPlay{3, 2}, "E32"},   {Call{3}, "T3"},
      {Call{12}, "T12"},          {Accept{6}, "K6"},           {net::Run{}, "F"},
      {ElevenChoice{true}, "U1"}, {ElevenChoice{false}, "U0"}, {Restart{}, "Z"},
  };
  for (const auto& [message, text] : both_ways) {
    EXPECT_EQ(Encode(message), text);
    EXPECT_EQ(Decode(text, Side::Host), message) << text;
    EXPECT_EQ(Decode(text, Side::Guest), message) << text;
  }
  // Host to guest only.
  const std::vector<std::pair<Message, std::string>> to_guest = {
      {Settings{kBaralhoSujo, ManilhaMode::Nova, 0}, "G110"},
      {Settings{kBaralhoLimpo, ManilhaMode::Velha, 1}, "G201"},
      {NewHand{Side::Guest, 11, 3, 120, 0}, "DC11,3,120,0"},
      {NewHand{Side::Host, 0, 0, 0, 0}, "DS0,0,0,0"},
      {TrickTaken{2, Side::Host}, "R2S"},
      {TrickTaken{3, std::nullopt}, "R3E"},
  };
  for (const auto& [message, text] : to_guest) {
    EXPECT_EQ(Encode(message), text);
    EXPECT_EQ(Decode(text, Side::Guest), message) << text;
    EXPECT_FALSE(Decode(text, Side::Host)) << text;
  }
  EXPECT_EQ(Encode(HandClosed{}), "O");
  EXPECT_EQ(Decode("O", Side::Host), Message(HandClosed{}));
  EXPECT_FALSE(Decode("O", Side::Guest));
  // Malformed: wrong stakes, bodies where none belong, numbers with signs, leading zeros or too
  // many digits, fields missing or extra, unknown letters.
  for (const char* bad : {"T1",          "T4",         "T",          "T03",
                          "K",           "K13",        "F1",         "U2",
                          "U",           "Z0",         "H",          "H0",
                          "Hx",          "E11x",       "E41",        "E1",
                          "R4S",         "R1X",        "R1",         "G310",
                          "G120",        "G11",        "DX0,0,0,0",  "DS0,0,0",
                          "DS0,0,0,0,0", "DS-1,0,0,0", "DS01,0,0,0", "DS0,0,0,123456",
                          "DS,0,0,0",    "DS0,0,0,0,", "O1"}) {
    EXPECT_FALSE(Decode(bad, Side::Guest)) << bad;
    EXPECT_FALSE(Decode(bad, Side::Host)) << bad;
  }
}

TEST(Codec, TheOtherKindsMatchTheDocumentedTexts) {
  EXPECT_EQ(Encode(Name{"ANA"}), "NANA");
  EXPECT_EQ(Encode(StartDeal{}), "C");
  EXPECT_EQ(Encode(AskGuestCard{3}), "C3");
  EXPECT_EQ(Encode(AskHostCard{1}), "A1");
  EXPECT_EQ(Encode(AskVira{}), "A4");
  EXPECT_EQ(Encode(Turn{Side::Guest}), "PC");
  EXPECT_EQ(Encode(Turn{Side::Host}), "PS");
  EXPECT_EQ(Encode(Chat{"[ANA] oi"}), "M[ANA] oi");
  EXPECT_EQ(Encode(DeckType{kBaralhoSujo}), "B1");
  EXPECT_EQ(Encode(DeckType{kBaralhoLimpo}), "B2");
  EXPECT_EQ(EncodeLine(StartDeal{}), "C\n");
}

TEST(Codec, EveryCardOfEverySlotRoundTrips) {
  for (int value : {1, 2, 3, 4, 5, 6, 7, 11, 12, 13}) {
    for (Suit suit : {Suit::Clubs, Suit::Hearts, Suit::Spades, Suit::Diamonds}) {
      for (int slot = 1; slot <= 3; ++slot) {
        const Message guest_card = GuestCard{slot, C(value, suit)};
        const Message host_card = HostCard{slot, C(value, suit)};
        EXPECT_EQ(Decode(Encode(guest_card), Side::Guest), guest_card) << Encode(guest_card);
        EXPECT_EQ(Decode(Encode(host_card), Side::Guest), host_card) << Encode(host_card);
      }
      for (ManilhaMode mode : {ManilhaMode::Nova, ManilhaMode::Velha}) {
        const Message vira = Vira{mode, C(value, suit)};
        EXPECT_EQ(Decode(Encode(vira), Side::Guest), vira) << Encode(vira);
      }
    }
  }
}

TEST(Codec, EveryMessageOfAHandRoundTripsForItsReader) {
  for (const Sent& sent : OneHandOfTraffic()) {
    EXPECT_EQ(Decode(Encode(sent.message), sent.reader), sent.message) << Encode(sent.message);
  }
  for (int slot = 1; slot <= 3; ++slot) {
    for (int trick = 1; trick <= 3; ++trick) {
      EXPECT_EQ(Decode(Encode(Play{slot, trick}), Side::Guest), Message(Play{slot, trick}));
    }
  }
}

TEST(Codec, EachSideAcceptsOnlyItsOwnKinds) {
  // The guest takes "C" with any body as the start of the deal; the host reads it as a request.
  for (const char* line : {"C", "C1", "C3", "Cxyz"}) {
    EXPECT_EQ(Decode(line, Side::Guest), Message(StartDeal{})) << line;
  }
  EXPECT_EQ(Decode("C2", Side::Host), Message(AskGuestCard{2}));
  EXPECT_EQ(Decode("A4", Side::Host), Message(AskVira{}));
  EXPECT_EQ(Decode("A3", Side::Host), Message(AskHostCard{3}));
  // What only the host sends is nothing to the host, and the other way round.
  for (const char* line :
       {"V123", "A1334", "I1211", "PC", "PS", "B2", "C", "C4", "C12", "A5", "A0", "A12", "A1334"}) {
    EXPECT_FALSE(Decode(line, Side::Host).has_value()) << line;
  }
  for (const char* line : {"A1", "A4", "A12"}) {
    EXPECT_FALSE(Decode(line, Side::Guest).has_value()) << line;
  }
}

TEST(Codec, ShortLongOrWrongBodiesAreIgnored) {
  const std::vector<std::string> guest_ignores = {
      "",         "V",     "V1",     "V12",   "V0123",  // leading zero
      "V811",     "V1011", "V011",   "V1411", "V9911",  // never dealt
      "V125",     "V120",  "V12x",                      // suit digit
      "V141",     "V101",  "V1x1",                      // slot digit
      "V11111",   "V+111", "V 111",  "A11",   "A13114", "I1221", "I12x1", "I11",
      "I0",       "I1215", "I12311", "P",     "PX",     "PCC",   "Pc",    "B",
      "B0",       "B3",    "B12",    "N",     "J",      "J1",    "J123",  "J41",
      "J14",      "J01",   "J10",    "Jab",   "Z123",   "x",     "n",     std::string(1, '\0'),
      "\xff\xfe", "\r"};
  for (const std::string& line : guest_ignores) {
    EXPECT_FALSE(Decode(line, Side::Guest).has_value()) << '"' << line << '"';
  }
  for (const char* line : {"", "N", "C", "C0", "Cx", "A", "Ax", "J", "J4", "J1x", "J0 ", "Q"}) {
    EXPECT_FALSE(Decode(line, Side::Host).has_value()) << '"' << line << '"';
  }
}

TEST(Codec, AHiddenViraCarriesNoCardButKeepsItsMode) {
  // In manilha velha only the mode digit counts; the characters around it may be anything.
  for (const char* line : {"I70x", "Ixy0z", "I109"}) {
    const auto decoded = Decode(line, Side::Guest);
    ASSERT_TRUE(decoded.has_value()) << line;
    EXPECT_EQ(std::get<Vira>(*decoded).mode, ManilhaMode::Velha) << line;
    EXPECT_EQ(std::get<Vira>(*decoded).card, Card{}) << line;
  }
  EXPECT_EQ(Decode("I1301", Side::Guest), Message(Vira{ManilhaMode::Velha, C(kRei, Suit::Clubs)}));
}

TEST(Chat, BodyArrivesUnchangedAndTheLineIsBracketed) {
  EXPECT_EQ(ChatLine("ANA", "bom dia"), "[ANA] bom dia");
  EXPECT_EQ(ChatLine("ANA", ""), "[ANA] ");
  for (const char* body : {"[ANA] bom dia", "[ANA] ", "", "  sem nome  ", "[X]  dois  espaços ",
                           "acentuação: você, ação"}) {
    const std::string line = std::string("M") + body;
    EXPECT_EQ(Decode(line, Side::Host), Message(Chat{body})) << line;
    EXPECT_EQ(Decode(line, Side::Guest), Message(Chat{body})) << line;
  }
}

TEST(Chat, LineBreaksBecomeBlanksSoAChatLineIsOneMessage) {
  const std::string wire = EncodeLine(Chat{ChatLine("ANA", "um\ndois\r\ntres\r")});
  EXPECT_EQ(wire, "M[ANA] um dois  tres \n");

  LineFramer framer;
  framer.Feed(wire);
  const auto lines = DrainAll(framer);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(Decode(lines[0], Side::Guest), Message(Chat{"[ANA] um dois  tres "}));
  // Names are text too.
  EXPECT_EQ(Encode(Name{"A\nB"}), "NA B");
}

TEST(Chat, AnOverlongChatLineIsCutToFitWithoutBreakingACharacter) {
  // A pasted wall of text must not make the receiver drop the connection.
  const std::string ascii(kMaxLineBytes * 2, 'a');
  const std::string ascii_wire = Encode(Chat{ascii});
  EXPECT_EQ(ascii_wire.size(), kMaxLineBytes);
  EXPECT_TRUE(Decode(ascii_wire, Side::Guest).has_value());

  std::string accented;
  while (accented.size() < kMaxLineBytes * 2) accented += "é";  // two bytes each
  for (const std::string& text : {accented, "x" + accented}) {
    const std::string wire = Encode(Chat{text});
    EXPECT_LE(wire.size(), kMaxLineBytes);
    EXPECT_GE(wire.size(), kMaxLineBytes - 1);
    // The cut falls between characters: the body is whole "é"s after the optional "x".
    const std::string body = wire.substr(1);
    const std::size_t start = body.front() == 'x' ? 1 : 0;
    EXPECT_EQ((body.size() - start) % 2, 0u);
    EXPECT_EQ(body.substr(body.size() - 2), "é");
  }
}

TEST(Framer, TenMessagesInOneReadComeOutInOrder) {
  std::string stream;
  std::vector<std::string> expected;
  for (int i = 0; i < 10; ++i) {
    expected.push_back(Encode(Chat{ChatLine("ANA", "linha " + std::to_string(i))}));
    stream += expected.back() + "\n";
  }
  LineFramer framer;
  framer.Feed(stream);
  LineFramer::Status last;
  EXPECT_EQ(DrainAll(framer, &last), expected);
  EXPECT_EQ(last, LineFramer::Status::NeedMore);
  EXPECT_EQ(framer.Pending(), 0u);
  // Nothing handed out stays behind.
  EXPECT_EQ(framer.Held(), 0u);
  EXPECT_EQ(framer.PendingBytes(), "");
}

TEST(Framer, OneByteAtATimeGivesTheSameMessagesAsOneRead) {
  std::string stream;
  std::vector<Message> sent;
  for (const Sent& s : OneHandOfTraffic()) {
    if (s.reader != Side::Guest) continue;
    stream += EncodeLine(s.message);
    sent.push_back(s.message);
  }
  LineFramer framer;
  std::vector<Message> received;
  for (char byte : stream) {
    framer.Feed(std::string_view(&byte, 1));
    for (const std::string& line : DrainAll(framer)) {
      auto message = Decode(line, Side::Guest);
      ASSERT_TRUE(message.has_value()) << line;
      received.push_back(*message);
    }
    // After every byte the framer holds exactly the unfinished line, never one handed out.
    ASSERT_EQ(framer.Held(), framer.Pending());
    ASSERT_LE(framer.Held(), kMaxLineBytes);
  }
  EXPECT_EQ(received, sent);
  EXPECT_EQ(framer.Pending(), 0u);
  EXPECT_EQ(framer.Held(), 0u);
}

TEST(Framer, RandomSplitsAndJoinsNeverLoseOrMergeAMessage) {
  std::string stream;
  std::vector<std::string> expected;
  for (const Sent& s : OneHandOfTraffic()) {
    expected.push_back(Encode(s.message));
    stream += EncodeLine(s.message);
  }
  std::mt19937 random(20261207u);
  for (int round = 0; round < 200; ++round) {
    LineFramer framer;
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < stream.size()) {
      const std::size_t take = std::uniform_int_distribution<std::size_t>(1, 40)(random);
      framer.Feed(std::string_view(stream).substr(at, take));
      at += take;
      for (auto& line : DrainAll(framer)) lines.push_back(line);
      // What it holds is the stream's unfinished tail, byte for byte.
      const std::size_t fed = std::min(at, stream.size());
      const std::size_t tail =
          fed -
          (stream.rfind('\n', fed - 1) == std::string::npos ? 0 : stream.rfind('\n', fed - 1) + 1);
      ASSERT_EQ(framer.PendingBytes(), std::string_view(stream).substr(fed - tail, tail))
          << "round " << round;
      ASSERT_EQ(framer.Held(), tail) << "round " << round;
    }
    ASSERT_EQ(lines, expected) << "round " << round;
  }
}

TEST(Framer, AnIncompleteTailWaitsForTheRest) {
  LineFramer framer;
  framer.Feed("J12\nM[ANA] meio");
  EXPECT_EQ(DrainAll(framer), std::vector<std::string>{"J12"});
  EXPECT_EQ(framer.Pending(), std::string("M[ANA] meio").size());
  EXPECT_EQ(framer.PendingBytes(), "M[ANA] meio");
  EXPECT_EQ(framer.Held(), framer.Pending());
  framer.Feed(" e fim\n\nN");
  // An empty line is handed out as such; Decode ignores it.
  EXPECT_EQ(DrainAll(framer), (std::vector<std::string>{"M[ANA] meio e fim", ""}));
  EXPECT_EQ(framer.Pending(), 1u);
  EXPECT_EQ(framer.PendingBytes(), "N");
  EXPECT_EQ(framer.Held(), 1u);
}

TEST(Framer, ALineOverTheLimitIsAnErrorAndStaysOne) {
  {
    LineFramer framer;
    framer.Feed(std::string(kMaxLineBytes, 'M') + "\n");
    EXPECT_EQ(DrainAll(framer).size(), 1u) << "a line of exactly the limit is fine";
  }
  {
    LineFramer framer;
    framer.Feed("J12\n" + std::string(kMaxLineBytes + 1, 'M') + "\nJ23\n");
    LineFramer::Status last;
    EXPECT_EQ(DrainAll(framer, &last), std::vector<std::string>{"J12"});
    EXPECT_EQ(last, LineFramer::Status::TooLong);
    framer.Feed("J31\n");
    EXPECT_EQ(DrainAll(framer, &last).size(), 0u);
    EXPECT_EQ(last, LineFramer::Status::TooLong);
    EXPECT_TRUE(framer.Failed());
    framer.Reset();
    framer.Feed("J31\n");
    EXPECT_EQ(DrainAll(framer), std::vector<std::string>{"J31"});
  }
  {
    // A peer that never sends a line feed is caught as soon as it passes the limit.
    LineFramer framer;
    LineFramer::Status last;
    for (std::size_t i = 0; i < kMaxLineBytes; ++i) framer.Feed("x");
    DrainAll(framer, &last);
    EXPECT_EQ(last, LineFramer::Status::NeedMore);
    framer.Feed("x");
    DrainAll(framer, &last);
    EXPECT_EQ(last, LineFramer::Status::TooLong);
    EXPECT_EQ(framer.Pending(), 0u);
  }
}

TEST(Framer, GarbageBetweenMessagesDoesNotDisturbThem) {
  LineFramer framer;
  std::string stream = "\x01\x02\xff\n";
  stream += EncodeLine(Play{3, 3});
  stream += std::string("Z\0Z\n", 4);
  stream += "PX\n";
  stream += EncodeLine(Turn{Side::Guest});
  framer.Feed(stream);
  std::vector<Message> decoded;
  for (const auto& line : DrainAll(framer)) {
    if (auto m = Decode(line, Side::Guest)) decoded.push_back(*m);
  }
  EXPECT_EQ(decoded, (std::vector<Message>{Play{3, 3}, Turn{Side::Guest}}));
}

TEST(Port, WholeNumbersStrictlyBetween1000And64000) {
  EXPECT_EQ(ParsePort("7070"), std::optional<std::uint16_t>(7070));
  EXPECT_EQ(ParsePort("1001"), std::optional<std::uint16_t>(1001));
  EXPECT_EQ(ParsePort("63999"), std::optional<std::uint16_t>(63999));
  EXPECT_EQ(ParsePort(" 7070 "), std::optional<std::uint16_t>(7070));
  for (const char* text : {"1000", "64000", "999", "0", "65535", "70000", "", " ", "abc", "70a0",
                           "-7070", "+7070", "7070.0", "0x1F90", "99999999999999999999"}) {
    EXPECT_FALSE(ParsePort(text).has_value()) << '"' << text << '"';
  }
}

TEST(Suits, DigitsFollowTheDrawOrder) {
  EXPECT_EQ(SuitDigit(Suit::Clubs), '1');
  EXPECT_EQ(SuitDigit(Suit::Hearts), '2');
  EXPECT_EQ(SuitDigit(Suit::Spades), '3');
  EXPECT_EQ(SuitDigit(Suit::Diamonds), '4');
  for (char digit : {'1', '2', '3', '4'}) EXPECT_EQ(SuitDigit(*SuitFromDigit(digit)), digit);
  EXPECT_FALSE(SuitFromDigit('0').has_value());
  EXPECT_FALSE(SuitFromDigit('5').has_value());
}

}  // namespace
}  // namespace truco::net

namespace truco::net {
namespace {

// The documented resume of a hand: the guest's cards, the vira, the host's card face up in trick
// 1, a hidden one in trick 2, the guest's call of six waiting on the host.
TEST(Codec, AResumedHandMatchesItsDocumentedTextAndIsCheckedAsAHand) {
  const std::string text = "WC,3,6,C,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SS3-1,2120SC,0000--";
  const auto decoded = Decode(text, Side::Guest);
  ASSERT_TRUE(decoded.has_value());
  const auto& m = std::get<ResumeHand>(*decoded);
  EXPECT_EQ(m.turn, 'C');
  // The example is a hand the rules allow: 4 x 7, tally 1 x 0; the host's 3 of clubs beats the
  // Rei of spades under the 4 of clubs (the 5s are manilhas), so the host takes trick 1 and leads
  // trick 2; its face-down card loses it, and the guest leads trick 3.
  EXPECT_EQ(m.host_points, 4);
  EXPECT_EQ(m.guest_points, 7);
  EXPECT_EQ(m.host_games, 1);
  EXPECT_EQ(m.guest_games, 0);
  const ManilhaValues fives{5, 5, 5, 5};
  ASSERT_TRUE(m.guest_cards[0].has_value() && m.tricks[0].host_card.has_value());
  EXPECT_GT(Forca_Carta(*m.tricks[0].host_card, fives, ManilhaMode::Nova),
            Forca_Carta(*m.guest_cards[0], fives, ManilhaMode::Nova));
  EXPECT_EQ(m.tricks[0].taker, 'S');
  EXPECT_EQ(m.tricks[1].leader, 'S');
  EXPECT_EQ(m.tricks[1].taker, 'C');
  EXPECT_EQ(m.pending, 6);
  EXPECT_EQ(m.guest_cards[0], C(kRei, Suit::Spades));
  EXPECT_EQ(m.tricks[0].host_card, C(3, Suit::Clubs));
  EXPECT_TRUE(m.tricks[1].host_hidden);
  EXPECT_FALSE(m.tricks[1].host_card.has_value());
  EXPECT_EQ(Encode(*decoded), text);
  EXPECT_FALSE(Decode(text, Side::Host).has_value()) << "only the host sends it";
  // Each of these breaks one rule of a hand or of the form; the guest ignores the message.
  for (const std::string bad : {
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC3-1,2120CS",  // a trick short
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC3-1,2120CS2-1,0000--",  // hidden
                                                                                       // shown
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC,2120CS,0000--",  // face up, no card
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC3-1,1120CS,0000--",  // slot played
                                                                                    // twice
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1110SC,2020CS2-1,0000--",  // hidden in
                                                                                    // trick 1
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1000S-3-1,2020CS2-1,0000--",  // after open
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010S-3-1,2120CS,0000--",     // no taker
           "WC,3,6,S,C,C,-,0,0,4,7,1,0,0000--,7-3,12-1,4-1,1010SC3-1,2120CS,0000--",   // no card
           "WC,4,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC3-1,2120CS,0000--",     // stake 4
           "WX,3,6,S,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SC3-1,2120CS,0000--",     // turn X
           "WC,3,6,C,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SS13-3,2120SC,0000--",  // a card twice
           "WC,3,6,C,C,C,-,0,0,4,7,1,0,13-3,13-3,12-1,4-1,1010SS3-1,2120SC,0000--",  // in one hand
           "WC,1,6,C,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SS3-1,2120SC,0000--",   // 1, then 6
           "WC,3,12,C,C,C,-,0,0,4,7,1,0,13-3,7-3,12-1,4-1,1010SS3-1,2120SC,0000--",  // 3, then 12
       }) {
    EXPECT_FALSE(Decode(bad, Side::Guest).has_value()) << bad;
  }
}

// Jointly dealt: the guest cards the host never saw travel as '-', and the hand's name follows.
TEST(Codec, AJointlyDealtResumedHandNamesItsDealAndHidesTheUnseenGuestCards) {
  const std::string id(kDealTextChars, 'A');
  const std::string text = "WC,1,0,-,-,-,-,0,0,4,7,1,0,-,7-3,-,4-1,1010SC3-1,0000--,0000--," + id;
  const auto decoded = Decode(text, Side::Guest);
  ASSERT_TRUE(decoded.has_value());
  const auto& m = std::get<ResumeHand>(*decoded);
  EXPECT_FALSE(m.guest_cards[0].has_value());
  EXPECT_EQ(m.guest_cards[1], C(7, Suit::Spades));
  EXPECT_FALSE(m.guest_cards[2].has_value());
  ASSERT_TRUE(m.hand_id.has_value());
  EXPECT_EQ(DealText(*m.hand_id), id);
  EXPECT_EQ(Encode(*decoded), text);
  // Without the hand's name a card may not be missing; a name must be one.
  EXPECT_FALSE(Decode(text.substr(0, text.size() - id.size() - 1), Side::Guest).has_value());
  EXPECT_FALSE(Decode(text.substr(0, text.size() - 1), Side::Guest).has_value());
}

}  // namespace
}  // namespace truco::net
