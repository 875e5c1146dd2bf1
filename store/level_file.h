#pragma once
// The computer's level ("Nível do computador": "Clássico", "Forte" or "Mestre"), kept in a small
// file of its own in the user's configuration folder, so "Conf.dll" keeps its 8 bytes and a copy of
// the program that knows nothing of levels reads its settings the same.
//
// The file is one line of text, "nivel=classico", "nivel=forte" or "nivel=mestre". Anything else
// (no file, an unreadable one, other bytes) is "Clássico", the level the game always had.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include "store/file_status.h"

namespace truco {

enum class ComputerLevel : std::uint8_t { Classico, Forte, Mestre };

inline constexpr char kLevelFileName[] = "nivel.conf";

QByteArray EncodeLevelFile(ComputerLevel level);
ComputerLevel DecodeLevelFile(QByteArrayView bytes);

// "nivel.conf" in the user's configuration folder for this program.
QString DefaultLevelPath();

// The level stored at `path`; "Clássico" when there is none or it cannot be read.
ComputerLevel ReadLevelFile(const QString& path);
// The same, with how the read went: a file over kPlayerFileLimit is refused as TooLarge with
// that limit, as no level file of ours is (one between the two limits is only odd: it reads as
// "Clássico" and a save replaces it).
FileStatus ReadLevelFile(const QString& path, ComputerLevel* level);
// Replaces the file atomically, creating its folder when needed; the status says why it could
// not. WriteLevelFile: the same, true when it could.
FileStatus SaveLevelFile(const QString& path, ComputerLevel level);
bool WriteLevelFile(const QString& path, ComputerLevel level);

// "Clássico", "Forte" or "Mestre".
QString LevelName(ComputerLevel level);

}  // namespace truco
