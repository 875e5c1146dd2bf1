#pragma once
// The letters and digits that spell the messages, shared by the encoder and the decoder of this
// folder (not an interface: docs/protocol.md is the wire's description).

#include <algorithm>

namespace truco::net::codec {

inline constexpr char kKindName = 'N';
inline constexpr char kKindDeal = 'C';
inline constexpr char kKindHostCard = 'A';
inline constexpr char kKindGuestCard = 'V';
inline constexpr char kKindVira = 'I';
inline constexpr char kKindDeck = 'B';
inline constexpr char kKindTurn = 'P';
inline constexpr char kKindPlay = 'J';
inline constexpr char kKindChat = 'M';
inline constexpr char kKindHello = 'H';
inline constexpr char kKindSettings = 'G';
inline constexpr char kKindNewHand = 'D';
inline constexpr char kKindHidden = 'E';
inline constexpr char kKindTrick = 'R';
inline constexpr char kKindCall = 'T';
inline constexpr char kKindAccept = 'K';
inline constexpr char kKindRun = 'F';
inline constexpr char kKindEleven = 'U';
inline constexpr char kKindClosed = 'O';
inline constexpr char kKindRestart = 'Z';
inline constexpr char kKindResume = 'W';
inline constexpr char kNone = '-';
inline constexpr char kKindDealList = 'L';
inline constexpr char kKindUnlock = 'Q';
inline constexpr char kKindAnnounce = 'Y';
inline constexpr char kKindReveal = 'X';
inline constexpr char kKindCheat = 'S';
inline constexpr int kMaxCheatReason = 99;
inline constexpr char kKindProvenKey = 'k';
inline constexpr char kKindProvenList = 'l';
inline constexpr char kKindProvenOpening = 'q';
inline constexpr char kKindProvenAnnounce = 'y';
inline constexpr char kKindProvenFaceDown = 'e';
inline constexpr char kDealSeparator = ',';
inline constexpr int kMaxDealPosition = 7;
inline constexpr char kTie = 'E';
// Points and games travel as decimal numbers of at most this many digits.
inline constexpr std::size_t kMaxNumberDigits = 5;
inline constexpr int kMaxNumber = 99999;

inline constexpr char kModeNova = '1';
inline constexpr char kModeVelha = '0';
inline constexpr char kTurnGuest = 'C';
inline constexpr char kTurnHost = 'S';
inline constexpr int kAskViraSlot = 4;

inline char Digit(int n) {
  return static_cast<char>('0' + std::clamp(n, 0, 9));
}

}  // namespace truco::net::codec
