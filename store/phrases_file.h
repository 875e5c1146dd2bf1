#pragma once
// The phrases file "Frases.ini" beside the program: an INI file in Windows-1252 whose section
// FRASES holds the computer's shouts under the keys TRUCO, SEIS, NOVE, DOZE and ACEITA.
// Section and key names match without regard to case and the first occurrence wins, as the
// Windows profile functions do. Saving rewrites only the five key lines (adding the section or
// a key where it is missing); every other byte of the file stays exactly as it was.

#include <QByteArray>
#include <QString>
#include <array>

#include "store/file_status.h"

namespace truco {

inline constexpr char kPhrasesFileName[] = "Frases.ini";
inline constexpr char kPhrasesSection[] = "FRASES";

enum class PhraseKey { Truco = 0, Seis, Nove, Doze, Aceita };
inline constexpr int kNumPhrases = 5;
// The longest phrase the editor takes.
inline constexpr int kPhraseMaxLength = 30;

// The five texts in key order (index with PhraseIndex); a missing key reads as empty.
using Phrases = std::array<QString, kNumPhrases>;

constexpr int PhraseIndex(PhraseKey key) {
  return static_cast<int>(key);
}
// "TRUCO", "SEIS", "NOVE", "DOZE", "ACEITA".
const char* PhraseKeyName(PhraseKey key);

// The phrases in a file's bytes.
Phrases DecodePhrasesFile(QByteArrayView bytes);

// `old_bytes` with the five keys of FRASES set to `phrases`. Line breaks inside a phrase become
// blanks (a value is one line); a value with blanks at either end or quotes around it is quoted
// so it reads back as given.
QByteArray EncodePhrasesFile(QByteArrayView old_bytes, const Phrases& phrases);

// "Frases.ini" in the folder that holds the program.
QString DefaultPhrasesPath();

// The largest file read and rewritten: both ways agree on it, so that a file is never rewritten
// from a part of it.
inline constexpr qint64 kPhrasesFileLimit = qint64{1} << 20;

// The phrases of the file at `path`; five empty phrases when it is missing, cannot be read or is
// over the limit (the status says which).
FileStatus ReadPhrasesFile(const QString& path, Phrases* phrases);

// Writes the five keys into the file at `path`, creating it when it is missing. Refuses, leaving
// the file as it was, when it exists but cannot be read whole (rewriting it then would drop the
// player's other sections) and when the write fails.
FileStatus WritePhrasesFile(const QString& path, const Phrases& phrases);

}  // namespace truco
