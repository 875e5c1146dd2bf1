// Any bytes as the records file: read, write, read again; the second read equals the first. Then a
// result built from the same bytes goes through the ranking rule, which must leave a whole table
// sorted highest first whose rows all come from the old table or the result.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "store/records_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(data, static_cast<qsizetype>(size));
  const std::vector<records_entry> first = DecodeRecordsFile(bytes);
  FUZZ_CHECK(first.size() == std::min<std::size_t>(kRecordsRows, size / kRecordsEntrySize));
  for (const records_entry& entry : first) {
    FUZZ_CHECK(entry.name_length <= kRecordNameMax);
    // A name ends at its first zero byte.
    FUZZ_CHECK(entry.name().size() <= entry.name_length);
    FUZZ_CHECK(!entry.name().contains(QChar(0)));
  }

  RecordsTable table = ClearedRecordsTable();
  OverlayRecords(table, first);
  const QByteArray written = EncodeRecordsFile(table);
  FUZZ_CHECK(written.size() == kRecordsFileSize);
  const std::vector<records_entry> second = DecodeRecordsFile(written);
  FUZZ_CHECK(second.size() == std::size_t{kRecordsRows});
  FUZZ_CHECK(std::equal(first.begin(), first.end(), second.begin()));
  FUZZ_CHECK(std::equal(second.begin(), second.end(), table.begin()));

  // A result from the last entry's worth of bytes (or the cleared entry when there are none).
  records_entry result =
      DecodeRecordsEntry(bytes.last(std::min<qsizetype>(bytes.size(), kRecordsEntrySize)));
  result.set_name(result.name());
  const RecordsTable ranked = SubmitToTable(table, result);
  for (int row = 1; row < kRecordsRows; ++row)
    FUZZ_CHECK(ranked[row - 1].balance >= ranked[row].balance);
  for (const records_entry& row : ranked) {
    FUZZ_CHECK(row == result || std::find(table.begin(), table.end(), row) != table.end());
  }
  return 0;
}
