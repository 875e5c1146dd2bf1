#include "store/sqlite_library.h"

namespace truco::history {

std::unique_ptr<SqliteLibrary> SqliteLibrary::Open() {
  std::unique_ptr<SqliteLibrary> lib(new SqliteLibrary("libsqlite3.so.0"));
  SharedLibrary& so = lib->library_;
  so.Find(lib->open_v2, "sqlite3_open_v2");
  so.Find(lib->close_v2, "sqlite3_close_v2");
  so.Find(lib->exec, "sqlite3_exec");
  so.Find(lib->free, "sqlite3_free");
  so.Find(lib->busy_timeout, "sqlite3_busy_timeout");
  so.Find(lib->errmsg, "sqlite3_errmsg");
  so.Find(lib->errcode, "sqlite3_errcode");
  so.Find(lib->extended_errcode, "sqlite3_extended_errcode");
  so.Find(lib->system_errno, "sqlite3_system_errno");
  so.Find(lib->last_insert_rowid, "sqlite3_last_insert_rowid");
  so.Find(lib->prepare_v2, "sqlite3_prepare_v2");
  so.Find(lib->finalize, "sqlite3_finalize");
  so.Find(lib->step, "sqlite3_step");
  so.Find(lib->bind_int64, "sqlite3_bind_int64");
  so.Find(lib->bind_text, "sqlite3_bind_text");
  so.Find(lib->bind_blob, "sqlite3_bind_blob");
  so.Find(lib->column_int, "sqlite3_column_int");
  so.Find(lib->column_int64, "sqlite3_column_int64");
  so.Find(lib->column_text, "sqlite3_column_text");
  so.Find(lib->column_blob, "sqlite3_column_blob");
  so.Find(lib->column_bytes, "sqlite3_column_bytes");
  if (!so.complete()) return nullptr;
  return lib;
}

}  // namespace truco::history
