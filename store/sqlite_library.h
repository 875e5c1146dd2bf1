// SQLite opened while a history database is open and closed with it: the game keeps its history
// closed between the start's check and the first hand written, and a closed library leaves
// nothing of SQLite mapped (1.2 MB of its code at a table that has not finished a hand yet).
#pragma once

#include <sqlite3.h>

#include <memory>

#include "store/shared_library.h"

namespace truco::history {

struct SqliteLibrary {
  // The functions the history calls; all set, or the library is unusable.
  decltype(&::sqlite3_open_v2) open_v2 = nullptr;
  decltype(&::sqlite3_close_v2) close_v2 = nullptr;
  decltype(&::sqlite3_exec) exec = nullptr;
  decltype(&::sqlite3_free) free = nullptr;
  decltype(&::sqlite3_busy_timeout) busy_timeout = nullptr;
  decltype(&::sqlite3_errmsg) errmsg = nullptr;
  decltype(&::sqlite3_errcode) errcode = nullptr;
  decltype(&::sqlite3_extended_errcode) extended_errcode = nullptr;
  decltype(&::sqlite3_system_errno) system_errno = nullptr;
  decltype(&::sqlite3_last_insert_rowid) last_insert_rowid = nullptr;
  decltype(&::sqlite3_prepare_v2) prepare_v2 = nullptr;
  decltype(&::sqlite3_finalize) finalize = nullptr;
  decltype(&::sqlite3_step) step = nullptr;
  decltype(&::sqlite3_bind_int64) bind_int64 = nullptr;
  decltype(&::sqlite3_bind_text) bind_text = nullptr;
  decltype(&::sqlite3_bind_blob) bind_blob = nullptr;
  decltype(&::sqlite3_column_int) column_int = nullptr;
  decltype(&::sqlite3_column_int64) column_int64 = nullptr;
  decltype(&::sqlite3_column_text) column_text = nullptr;
  decltype(&::sqlite3_column_blob) column_blob = nullptr;
  decltype(&::sqlite3_column_bytes) column_bytes = nullptr;

  // Opens the library (shared with every other open database of the process); null when it is
  // missing or lacks a function.
  static std::unique_ptr<SqliteLibrary> Open();

 private:
  explicit SqliteLibrary(const char* soname) : library_(soname) {}
  SharedLibrary library_;
};

}  // namespace truco::history
