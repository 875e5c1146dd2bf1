#pragma once
// The host's game, kept in a small file so that it survives the host's crash: the opponent, the
// points and tally, the settings and, when the cut came in the middle of a hand, the whole hand.
// A pure codec (bytes to state and back) so it can be fuzzed; net/play/resume_keeper.h reads and
// writes the file through the file layer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/play/networked_hand.h"

namespace truco::net {

inline constexpr char kResumeFileName[] = "resume.dat";
// The guest's own: only its part of a jointly dealt hand (the host keeps the rest).
inline constexpr char kGuestResumeFileName[] = "resume-convidado.dat";
// The file is never larger than this (a sound one is far smaller).
inline constexpr std::int64_t kMaxResumeFileBytes = 1024 * 1024;
// A host started again later than this after the file was written starts a fresh game.
inline constexpr std::int64_t kResumeFreshMs = 2 * 60 * 1000;

struct ResumeRecord {
  std::string own_name;         // the host's own name: hosting again with another is another game
  std::int64_t written_ms = 0;  // milliseconds since the epoch
  NetworkedHand::ResumeState state;
};

std::string EncodeResumeFile(const ResumeRecord& record);
// Nothing when the bytes are not a sound resume file (wrong header, a field missing or out of
// range, a hand that is no hand).
std::optional<ResumeRecord> DecodeResumeFile(std::string_view bytes);

}  // namespace truco::net
