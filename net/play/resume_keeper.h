#pragma once
// Reads and writes the host's resume file through the file layer (atomic, never over a file that
// cannot be read, at most kMaxResumeFileBytes) and says in the player's words why a file found
// cannot be taken up.

#include <QString>
#include <cstdint>
#include <optional>
#include <string>

#include "net/play/resume_file.h"
#include "store/file_status.h"

namespace truco::net {

inline constexpr char kTextResumeDamaged[] =
    "O arquivo da partida interrompida está danificado. Uma nova partida começa.";
inline constexpr char kTextResumeStale[] =
    "A partida interrompida tem mais de dois minutos. Uma nova partida começa.";
inline constexpr char kTextResumeOtherName[] =
    "A partida interrompida era de outro nome de jogador. Uma nova partida começa.";
inline constexpr char kTextResumeFuture[] =
    "O arquivo da partida interrompida tem uma data no futuro (o relógio mudou?). Uma nova partida "
    "começa.";
inline constexpr char kTextResumeTooLarge[] =
    "O arquivo da partida interrompida é grande demais para ser uma partida e não foi lido. Uma "
    "nova partida começa.";
inline constexpr char kTextResumeUnreadable[] =
    "O arquivo da partida interrompida não pode ser lido. Uma nova partida começa.";

struct ResumeLoad {
  std::optional<NetworkedHand::ResumeState> state;  // the game to offer the returning guest
  std::string message;  // empty when there is nothing to tell (no file, or a sound one)
};

// The game kept at `path` for a host (or a guest) named `own_name`, at `now_ms`; a file of the
// other side is damaged.
ResumeLoad LoadResume(const QString& path, const std::string& own_name, std::int64_t now_ms,
                      Side side = Side::Host);

// Writes `state` for `own_name` at `now_ms`.
FileStatus SaveResume(const QString& path, const NetworkedHand::ResumeState& state,
                      const std::string& own_name, std::int64_t now_ms);

// What the host's program does after every change of its game: the file follows `hand` (written
// when the game kept changed, as `saved` remembers the text last written) and is removed once the
// game was voided by a cheat, so a voided game is never offered again.
void KeepResume(const QString& path, const NetworkedHand& hand, const std::string& own_name,
                std::int64_t now_ms, std::string& saved);

}  // namespace truco::net
