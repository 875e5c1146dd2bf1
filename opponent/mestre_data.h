#pragma once
// What "Mestre" knows of the other side, learned from play (tools/mestre_train): how likely a
// player accepts a call and how likely it calls, by the strength of its hand and the moment of
// the hand. Shipped as a small file, "mestre.dat", checked by its size and checksum when read.
//
// File layout (little-endian): the 8 bytes "MESTRE1\n", the payload's length (uint32), the
// payload (one uint16 per cell, the chance times 65535: first the accept table, then the call
// table), and the CRC-32 of the payload (uint32).

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/ladder.h"
#include "opponent/seat_view.h"

namespace truco {

inline constexpr char kMestreDataFileName[] = "mestre.dat";

// A hand by its two strongest cards of the deal (played ones included): strengths 0..13 each.
inline constexpr int kHandClasses = 14 * 14;
// Accept: rung x trick (1..3) x the first trick as the answerer sees it.
inline constexpr int kAcceptContexts = 4 * 3 * 4;
// Call: the same, seen by the caller, and whether the call is a raise in answer to a call.
inline constexpr int kCallContexts = kAcceptContexts * 2;
inline constexpr int kAcceptCells = kAcceptContexts * kHandClasses;
inline constexpr int kCallCells = kCallContexts * kHandClasses;

int HandClass(int best, int second);
int AcceptContext(Rung rung, int trick, TrickOutcome first);
int CallContext(Rung rung, int trick, TrickOutcome first, bool in_answer);
// The first trick as the other side sees it.
TrickOutcome Flipped(TrickOutcome outcome);

struct MestreModel {
  std::array<float, kAcceptCells> accept{};
  std::array<float, kCallCells> call{};

  [[nodiscard]] double Accepts(int context, int hand_class) const {
    return accept[static_cast<std::size_t>(context * kHandClasses + hand_class)];
  }
  [[nodiscard]] double Calls(int context, int hand_class) const {
    return call[static_cast<std::size_t>(context * kHandClasses + hand_class)];
  }
};

enum class MestreDataStatus : std::uint8_t {
  Ok,
  Missing,
  Unreadable,
  Truncated,
  BadChecksum,
  Foreign
};

struct MestreData {
  MestreDataStatus status = MestreDataStatus::Missing;
  std::optional<MestreModel> model;  // only when `status` is Ok
};

std::uint32_t Crc32(std::string_view bytes);
std::string EncodeMestreData(const MestreModel& model);
// Never trusts a length it reads: a short, long or altered file is refused with its reason.
MestreData DecodeMestreData(std::string_view bytes);
MestreData ReadMestreData(const std::string& path);
// What the player is told when "Mestre" cannot use its file and plays as "Forte".
std::string MestreDataProblem(MestreDataStatus status, const std::string& path);

}  // namespace truco
