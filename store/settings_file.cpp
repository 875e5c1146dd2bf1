#include "store/settings_file.h"

#include "store/atomic_write.h"

namespace truco {

settings_record DefaultSettingsRecord(std::uint8_t filler) {
  settings_record record;
  record.filler = filler;
  return record;
}

std::array<std::uint8_t, kSettingsRecordSize> EncodeSettingsRecord(const settings_record& record) {
  const auto colour = static_cast<std::uint32_t>(record.background_colour);
  return {record.manilha_code,
          record.eleven_code,
          record.deck_type,
          record.filler,
          static_cast<std::uint8_t>(colour & 0xFFu),
          static_cast<std::uint8_t>((colour >> 8) & 0xFFu),
          static_cast<std::uint8_t>((colour >> 16) & 0xFFu),
          static_cast<std::uint8_t>((colour >> 24) & 0xFFu)};
}

QByteArray EncodeSettingsFile(const settings_record& record) {
  const auto bytes = EncodeSettingsRecord(record);
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), kSettingsRecordSize);
}

std::optional<settings_record> DecodeSettingsFile(QByteArrayView bytes) {
  if (bytes.size() < kSettingsRecordSize) return std::nullopt;
  auto byte = [&](qsizetype i) { return static_cast<std::uint8_t>(bytes[i]); };
  settings_record record;
  record.manilha_code = byte(0);
  record.eleven_code = byte(1);
  record.deck_type = byte(2);
  record.filler = byte(3);
  const std::uint32_t colour = std::uint32_t{byte(4)} | (std::uint32_t{byte(5)} << 8) |
                               (std::uint32_t{byte(6)} << 16) | (std::uint32_t{byte(7)} << 24);
  record.background_colour = static_cast<ColourCode>(colour);
  return record;
}

FileStatus ReadSettingsFile(const QString& path, settings_record* record) {
  QByteArray bytes;
  if (FileStatus status = ReadFileStart(path, &bytes, kSettingsRecordSize); !status.ok())
    return status;
  const auto decoded = DecodeSettingsFile(bytes);
  if (!decoded) {
    // What the file holds is kept; the defaults give the bytes it lacks.
    QByteArray completed = EncodeSettingsFile(DefaultSettingsRecord(record->filler));
    completed.replace(0, bytes.size(), bytes);
    *record = *DecodeSettingsFile(completed);
    FileStatus status = FileStatus::Fault(FileFault::Short);
    status.size = bytes.size();
    return status;
  }
  *record = *decoded;
  return {};
}

FileStatus WriteSettingsFile(const QString& path, const settings_record& record) {
  return WriteFileAtomically(path, EncodeSettingsFile(record));
}

SettingsStore::SettingsStore(QString path) : path_(std::move(path)) {}

SettingsStartup SettingsStore::LoadAtStart() {
  SettingsStartup result;
  result.read = Reread();
  if (result.read.ok()) return result;
  if (result.read.fault == FileFault::Short) {
    // Reread took the bytes that were there; the file gets them back, completed.
    result.wrote_default = true;
    result.created = WriteSettingsFile(path_, record_);
  } else if (result.read.missing()) {
    result.wrote_default = true;
    result.created = WriteDefault();
  } else {
    record_ = DefaultSettingsRecord(record_.filler);
  }
  return result;
}

FileStatus SettingsStore::Reread() {
  settings_record record = record_;
  FileStatus status = ReadSettingsFile(path_, &record);
  if (status.ok() || status.fault == FileFault::Short) record_ = record;
  return status;
}

FileStatus SettingsStore::Write(const settings_record& record) {
  FileStatus status = WriteSettingsFile(path_, record);
  if (status.ok()) record_ = record;
  return status;
}

FileStatus SettingsStore::WriteDefault() {
  record_ = DefaultSettingsRecord(record_.filler);
  return WriteSettingsFile(path_, record_);
}

}  // namespace truco
