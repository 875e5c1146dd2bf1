#include "store/records_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "store/atomic_write.h"
#include "store/codepage.h"

namespace truco {

namespace {

void PutInt32(std::uint8_t* out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>((bits >> (8 * i)) & 0xFFu);
}

std::int32_t GetInt32(QByteArrayView bytes, qsizetype at) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i)
    bits |= std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])} << (8 * i);
  return static_cast<std::int32_t>(bits);
}

}  // namespace

QString records_entry::name() const {
  int length = std::min<int>(name_length, kRecordNameMax);
  for (int i = 0; i < length; ++i) {
    if (name_bytes[static_cast<std::size_t>(i)] == 0) {
      length = i;
      break;
    }
  }
  return DecodeWindows1252(
      QByteArrayView(reinterpret_cast<const char*>(name_bytes.data()), length));
}

void records_entry::set_name(const QString& name) {
  const QByteArray bytes = EncodeWindows1252(name.left(kRecordNameMax)).left(kRecordNameMax);
  name_bytes.fill(0);
  std::copy(bytes.begin(), bytes.end(), name_bytes.begin());
  name_length = static_cast<std::uint8_t>(bytes.size());
}

records_entry MakeRecordsEntry(const QString& name, std::int32_t wins, std::int32_t losses,
                               std::int32_t balance) {
  records_entry entry;
  entry.set_name(name);
  entry.wins = wins;
  entry.losses = losses;
  entry.balance = balance;
  return entry;
}

records_entry RecordistaEntry() {
  return MakeRecordsEntry(QString::fromLatin1(kRecordistaName), 0, 0, 0);
}

RecordsTable ClearedRecordsTable() {
  RecordsTable table;
  table.fill(RecordistaEntry());
  return table;
}

std::array<std::uint8_t, kRecordsEntrySize> EncodeRecordsEntry(const records_entry& entry) {
  std::array<std::uint8_t, kRecordsEntrySize> out{};
  out[0] = std::min<std::uint8_t>(entry.name_length, kRecordNameMax);
  std::copy(entry.name_bytes.begin(), entry.name_bytes.end(), out.begin() + 1);
  PutInt32(out.data() + 12, entry.wins);
  PutInt32(out.data() + 16, entry.losses);
  PutInt32(out.data() + 20, entry.balance);
  return out;
}

records_entry DecodeRecordsEntry(QByteArrayView bytes) {
  records_entry entry;
  if (bytes.size() < kRecordsEntrySize) return entry;
  // A length byte the name field cannot hold is damage; the name is cut to the field.
  entry.name_length = std::min<std::uint8_t>(static_cast<std::uint8_t>(bytes[0]), kRecordNameMax);
  for (int i = 0; i < kRecordNameMax; ++i)
    entry.name_bytes[i] = static_cast<std::uint8_t>(bytes[1 + i]);
  entry.wins = GetInt32(bytes, 12);
  entry.losses = GetInt32(bytes, 16);
  entry.balance = GetInt32(bytes, 20);
  return entry;
}

std::vector<records_entry> DecodeRecordsFile(QByteArrayView bytes) {
  std::vector<records_entry> entries;
  for (qsizetype at = 0; at + kRecordsEntrySize <= bytes.size() && entries.size() < kRecordsRows;
       at += kRecordsEntrySize) {
    entries.push_back(DecodeRecordsEntry(bytes.sliced(at, kRecordsEntrySize)));
  }
  return entries;
}

QByteArray EncodeRecordsFile(const RecordsTable& table) {
  QByteArray out;
  out.reserve(kRecordsFileSize);
  for (const auto& entry : table) {
    const auto bytes = EncodeRecordsEntry(entry);
    out.append(reinterpret_cast<const char*>(bytes.data()), kRecordsEntrySize);
  }
  return out;
}

void OverlayRecords(RecordsTable& table, const std::vector<records_entry>& read) {
  for (std::size_t i = 0; i < read.size() && i < table.size(); ++i) table[i] = read[i];
}

RecordsTable SubmitToTable(const RecordsTable& table, const records_entry& result) {
  RecordsTable rows = table;
  for (const auto& row : rows) {
    if (row.balance < result.balance) {
      rows[kRecordsRows - 1] = result;
      break;
    }
  }
  // Ascending bubble sort that never swaps equal balances; written back bottom-up below.
  for (int pass = 1; pass < kRecordsRows; ++pass) {
    bool swapped = false;
    for (int j = 0; j < kRecordsRows - pass; ++j) {
      if (rows[j].balance > rows[j + 1].balance) {
        std::swap(rows[j], rows[j + 1]);
        swapped = true;
      }
    }
    if (!swapped) break;
  }
  std::reverse(rows.begin(), rows.end());
  return rows;
}

FileStatus ReadRecordsFile(const QString& path, std::vector<records_entry>* entries) {
  QByteArray bytes;
  if (FileStatus status = ReadFileStart(path, &bytes, kRecordsFileSize); !status.ok())
    return status;
  *entries = DecodeRecordsFile(bytes);
  return {};
}

FileStatus WriteRecordsFile(const QString& path, const RecordsTable& table) {
  return WriteFileAtomically(path, EncodeRecordsFile(table));
}

RecordsBook::RecordsBook(QString path) : path_(std::move(path)) {}

FileStatus RecordsBook::ReadFirstRow() {
  std::vector<records_entry> entries;
  FileStatus status = ReadRecordsFile(path_, &entries);
  if (status.ok() && !entries.empty()) rows_[0] = entries.front();
  return status;
}

RecordsSubmit RecordsBook::Submit(const QString& name, std::int32_t wins, std::int32_t losses,
                                  std::int32_t balance) {
  RecordsSubmit result;
  std::vector<records_entry> entries;
  result.read = ReadRecordsFile(path_, &entries);
  if (result.read.ok()) {
    OverlayRecords(rows_, entries);
  } else if (result.read.missing()) {
    rows_ = RecordsTable{};
  } else {
    return result;
  }
  rows_ = SubmitToTable(rows_, MakeRecordsEntry(name, wins, losses, balance));

  const QString stray = QFileInfo(path_).dir().filePath(QString::fromLatin1(kRecordsStrayFileName));
  QFile::remove(stray);

  result.wrote = true;
  result.write = WriteRecordsFile(path_, rows_);
  return result;
}

}  // namespace truco
