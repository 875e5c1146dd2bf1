#pragma once
// The settings file "Conf.dll": one 8-byte record, no header, integers little-endian.
//   0 manilha_code  '1' Manilha Nova, '2' Manilha Velha
//   1 eleven_code   '1' Normal, '2' No Escuro (hand of eleven in the dark)
//   2 deck_type     '1' Baralho Sujo, '2' Baralho Limpo
//   3 filler        never set by the program: kept as last read, so it is written back unchanged
//   4 background_colour  signed 32-bit colour code (store/colours.h)
// Only the first 8 bytes of a file count; every write leaves exactly 8. Codes other than '1' and
// '2' are kept as read: the windows leave their option alone for them and the game deals from
// the 40-card deck.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "store/colours.h"

namespace truco {

inline constexpr qsizetype kSettingsRecordSize = 8;
inline constexpr char kSettingsFileName[] = "Conf.dll";

inline constexpr std::uint8_t kManilhaNovaCode = '1';
inline constexpr std::uint8_t kManilhaVelhaCode = '2';
inline constexpr std::uint8_t kElevenNormalCode = '1';
inline constexpr std::uint8_t kElevenEscuroCode = '2';
inline constexpr std::uint8_t kDeckSujoCode = '1';
inline constexpr std::uint8_t kDeckLimpoCode = '2';

struct settings_record {
  std::uint8_t manilha_code = kManilhaNovaCode;
  std::uint8_t eleven_code = kElevenNormalCode;
  std::uint8_t deck_type = kDeckSujoCode;
  std::uint8_t filler = 0;
  ColourCode background_colour = kButtonFaceCode;
  friend bool operator==(const settings_record&, const settings_record&) = default;
};

// The record written whenever the file has to be created; the filler stays what memory holds.
settings_record DefaultSettingsRecord(std::uint8_t filler = 0);

std::array<std::uint8_t, kSettingsRecordSize> EncodeSettingsRecord(const settings_record& record);
QByteArray EncodeSettingsFile(const settings_record& record);

// The first record of a file's bytes; nothing when fewer than 8 bytes are given.
std::optional<settings_record> DecodeSettingsFile(QByteArrayView bytes);

// Reads the first record of the file at `path`; nothing when it is missing, unreadable or short.
std::optional<settings_record> ReadSettingsFile(const QString& path, QString* error = nullptr);

// Replaces the file at `path` by exactly this one record, atomically.
bool WriteSettingsFile(const QString& path, const settings_record& record,
                       QString* error = nullptr);

// The program's copy of the record: loaded at start, replaced whole by every read, so that the
// filler of the file last read is the one written back.
class SettingsStore {
 public:
  explicit SettingsStore(QString path = QString::fromLatin1(kSettingsFileName));

  const QString& path() const { return path_; }
  const settings_record& record() const { return record_; }
  // The deck the game deals from comes straight from the record.
  std::uint8_t deck_type() const { return record_.deck_type; }

  // Start-up load. A missing, unreadable or short file is reported ("Arquivo "Conf.dll" não
  // encontrado. Criando agora...") and replaced by the default record. Returns false only when
  // that default could not be written either (reported too): the caller then keeps its design
  // colour instead of applying the record's.
  bool LoadAtStart();

  // Replaces the record in memory by the file's first one; false (memory unchanged) on failure.
  bool Reread(QString* error = nullptr);

  // Writes `record` as the whole file and, when that succeeds, makes it the copy in memory.
  bool Write(const settings_record& record, QString* error = nullptr);

  // Sets the copy in memory to the default record (filler kept) and writes it; a failure is
  // reported in an error box.
  void WriteDefault();

  // One read-modify-write of the settings windows: read the file's record, let `change` edit it,
  // write it back. On any failure the player is warned ("Arquivo "Conf.dll" não encontrado,
  // criando agora...") and the default record is written instead; returns false then.
  template <typename Change>
  bool Update(Change&& change) {
    if (!Reread()) return FailUpdate();
    settings_record next = record_;
    change(next);
    if (!Write(next)) return FailUpdate();
    return true;
  }

 private:
  bool FailUpdate();

  QString path_;
  settings_record record_;
};

}  // namespace truco
