#include "store/settings_file.h"

#include "store/atomic_write.h"
#include "store/messageboxes.h"

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

std::optional<settings_record> ReadSettingsFile(const QString& path, QString* error) {
  QByteArray bytes;
  if (!ReadWholeFile(path, &bytes, error, kSettingsRecordSize)) return std::nullopt;
  auto record = DecodeSettingsFile(bytes);
  if (!record && error) *error = QStringLiteral("arquivo com menos de 8 bytes");
  return record;
}

bool WriteSettingsFile(const QString& path, const settings_record& record, QString* error) {
  return WriteFileAtomically(path, EncodeSettingsFile(record), error);
}

SettingsStore::SettingsStore(QString path) : path_(std::move(path)) {}

bool SettingsStore::LoadAtStart() {
  if (Reread()) return true;
  MOSTRA_MENSAGEM(QStringLiteral("Arquivo \"Conf.dll\" não encontrado. Criando agora..."),
                  kMostraInformacao);
  record_ = DefaultSettingsRecord(record_.filler);
  QString error;
  if (!WriteSettingsFile(path_, record_, &error)) {
    ShowFileError(QString::fromLatin1(kSettingsFileName), error);
    return false;
  }
  return true;
}

bool SettingsStore::Reread(QString* error) {
  auto record = ReadSettingsFile(path_, error);
  if (!record) return false;
  record_ = *record;
  return true;
}

bool SettingsStore::Write(const settings_record& record, QString* error) {
  if (!WriteSettingsFile(path_, record, error)) return false;
  record_ = record;
  return true;
}

void SettingsStore::WriteDefault() {
  record_ = DefaultSettingsRecord(record_.filler);
  QString error;
  if (!WriteSettingsFile(path_, record_, &error))
    ShowFileError(QString::fromLatin1(kSettingsFileName), error);
}

bool SettingsStore::FailUpdate() {
  Mensagem({QStringLiteral("Arquivo \"Conf.dll\" não encontrado, criando agora...")},
           kMensagemAtencao);
  WriteDefault();
  return false;
}

}  // namespace truco
