#pragma once
// The records file "Recordes.qdx": six 24-byte entries, highest balance first, no header,
// integers little-endian and signed.
//   0  name length (0..11)     1  name, 11 bytes of Windows-1252 (only `length` of them count)
//   12 wins    16 losses    20 balance (wins minus losses as submitted; the sort key)
// A reader takes at most six whole entries in file order and never trusts the length byte (a
// length above 11 is cut to 11). Every write is exactly six entries, done atomically.
//
// Ranking: a result enters only when its balance is strictly greater than some row's, and then
// it replaces the weakest row. The table is then sorted by a stable ascending sort and written
// from the bottom up, so entries sharing a balance swap their order at every rewrite — kept on
// purpose: tables written by earlier versions read the same way.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "store/file_status.h"

namespace truco {

inline constexpr int kRecordsRows = 6;
inline constexpr qsizetype kRecordsEntrySize = 24;
inline constexpr qsizetype kRecordsFileSize = kRecordsRows * kRecordsEntrySize;
inline constexpr int kRecordNameMax = 11;
inline constexpr char kRecordsFileName[] = "Recordes.qdx";
// A misspelt leftover that every submit removes.
inline constexpr char kRecordsStrayFileName[] = "Recrodes.qdx";
inline constexpr char kRecordistaName[] = "RECORDISTA";
inline constexpr char kComputadorName[] = "COMPUTADOR";

struct records_entry {
  std::uint8_t name_length = 0;
  // Bytes past name_length are not meaningful; they are kept as they are in memory.
  std::array<std::uint8_t, kRecordNameMax> name_bytes{};
  std::int32_t wins = 0;
  std::int32_t losses = 0;
  std::int32_t balance = 0;

  // The first name_length bytes, up to the first zero byte (padding is never shown).
  QString name() const;
  // Cut to its first 11 characters; the rest of the name bytes become zeros.
  void set_name(const QString& name);

  friend bool operator==(const records_entry&, const records_entry&) = default;
};

records_entry MakeRecordsEntry(const QString& name, std::int32_t wins, std::int32_t losses,
                               std::int32_t balance);
// "RECORDISTA" with zeros: every row of a cleared table.
records_entry RecordistaEntry();

// Row 0 is row 1 of the table, the first in the file.
using RecordsTable = std::array<records_entry, kRecordsRows>;

RecordsTable ClearedRecordsTable();

std::array<std::uint8_t, kRecordsEntrySize> EncodeRecordsEntry(const records_entry& entry);
// Decodes one entry from exactly 24 bytes (the caller checks the size).
records_entry DecodeRecordsEntry(QByteArrayView bytes);

// The whole entries of a file's bytes in file order, at most six; a partial trailing entry and
// anything after the sixth are ignored.
std::vector<records_entry> DecodeRecordsFile(QByteArrayView bytes);
// Exactly 144 bytes, rows in table order.
QByteArray EncodeRecordsFile(const RecordsTable& table);

// Overlays the entries read onto the first rows of `table`; rows past them keep what they held.
void OverlayRecords(RecordsTable& table, const std::vector<records_entry>& read);

// The ranking rule: `table` in file order (highest first) in, the table to write out.
RecordsTable SubmitToTable(const RecordsTable& table, const records_entry& result);

// The numbers the records window and the main window show: what a file holds is clamped to what
// their labels can show whole, the same way in both.
inline constexpr std::int32_t kShownRecordMin = -999;
inline constexpr std::int32_t kShownRecordMax = 9999;
constexpr std::int32_t ShownRecordNumber(std::int32_t number) {
  return number < kShownRecordMin ? kShownRecordMin
                                  : (number > kShownRecordMax ? kShownRecordMax : number);
}

// File access. An empty or short file is read as far as it goes; only the first six entries are
// read of a longer one.
FileStatus ReadRecordsFile(const QString& path, std::vector<records_entry>* entries);
FileStatus WriteRecordsFile(const QString& path, const RecordsTable& table);

// What one submit did: the read before ranking and, when it was made, the rewrite.
struct RecordsSubmit {
  FileStatus read;
  FileStatus write;
  bool wrote = false;
};

// The main window's copy of the table: the first-place line and the submitting of results.
class RecordsBook {
 public:
  explicit RecordsBook(QString path = QString::fromLatin1(kRecordsFileName));

  const QString& path() const { return path_; }
  const RecordsTable& rows() const { return rows_; }

  // Reads the file's first entry into row 1 (row 1 stays as it was when the file fails or is
  // empty).
  FileStatus ReadFirstRow();

  // Enters a result by the ranking rule and rewrites the file. When the file is missing the
  // result is ranked against an empty table, so a fresh installation keeps its first results.
  // A file that exists but cannot be read is not written (the result is lost, the file kept); a
  // failed write leaves the old file whole.
  RecordsSubmit Submit(const QString& name, std::int32_t wins, std::int32_t losses,
                       std::int32_t balance);

 private:
  QString path_;
  RecordsTable rows_{};
};

}  // namespace truco
