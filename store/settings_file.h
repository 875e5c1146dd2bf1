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
#include "store/file_status.h"

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

// Reads the first record of the file at `path` into `record`; Short when it holds fewer than 8
// bytes (then `record` holds the bytes there were, completed by the default record).
FileStatus ReadSettingsFile(const QString& path, settings_record* record);

// Replaces the file at `path` by exactly this one record, atomically.
FileStatus WriteSettingsFile(const QString& path, const settings_record& record);

// What the start-up load did, for the window that tells the player.
struct SettingsStartup {
  FileStatus read;
  // The default record was written because the file was missing or short; `created` says how
  // that went.
  bool wrote_default = false;
  FileStatus created;
};

// What one save of the settings windows did.
struct SettingsSave {
  FileStatus read;   // the re-read before the change
  FileStatus write;  // the writing of the changed record (when the re-read worked)
  // The file was missing or short at the re-read: the default record was written instead of
  // the change, and `created` says how that went.
  bool wrote_default = false;
  FileStatus created;
  [[nodiscard]] bool saved() const { return read.ok() && write.ok(); }
};

// The program's copy of the record: loaded at start, replaced whole by every read, so that the
// filler of the file last read is the one written back.
class SettingsStore {
 public:
  explicit SettingsStore(QString path = QString::fromLatin1(kSettingsFileName));

  const QString& path() const { return path_; }
  const settings_record& record() const { return record_; }
  // The deck the game deals from comes straight from the record.
  std::uint8_t deck_type() const { return record_.deck_type; }

  // Start-up load. A missing or short file is replaced by the default record. A file that exists
  // but cannot be read (no permission, not a regular file, read error) is left as it is, and the
  // game goes on with the default record in memory.
  SettingsStartup LoadAtStart();

  // Replaces the record in memory by the file's first one; memory unchanged on failure.
  FileStatus Reread();

  // Writes `record` as the whole file and, when that succeeds, makes it the copy in memory.
  FileStatus Write(const settings_record& record);

  // One read-modify-write of the settings windows: read the file's record, let `change` edit it,
  // write it back. A missing or short file gets the default record instead (the change is lost
  // from the file); a file that cannot be read is not written at all; a failed write leaves the
  // old file whole and the copy in memory unchanged.
  template <typename Change>
  SettingsSave Update(Change&& change) {
    SettingsSave result;
    result.read = Reread();
    if (result.read.missing() || result.read.fault == FileFault::Short) {
      // A short file keeps the bytes it held (Reread took them), completed by the defaults.
      result.wrote_default = true;
      result.created = result.read.missing() ? WriteDefault() : Write(record_);
      return result;
    }
    if (!result.read.ok()) return result;
    settings_record next = record_;
    change(next);
    result.write = Write(next);
    return result;
  }

 private:
  // Sets the copy in memory to the default record (filler kept) and writes it.
  FileStatus WriteDefault();

  QString path_;
  settings_record record_;
};

}  // namespace truco
