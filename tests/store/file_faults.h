#pragma once
// Faults injected into the shared file reader and writer, and the program's temporary files.

#include <QDir>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>

#include "store/atomic_write.h"
#include "tests/store/as_player.h"

namespace truco::testing {

// Faults put into the shared file reader and writer for as long as it lives.
class InjectedFaults : public FileCalls {
 public:
  InjectedFaults() { SetFileCalls(this); }
  ~InjectedFaults() override { SetFileCalls(nullptr); }
  InjectedFaults(const InjectedFaults&) = delete;
  InjectedFaults& operator=(const InjectedFaults&) = delete;

  int open_error = 0;  // every open fails with it
  int read_error = 0;  // a read fails with it once `read_after` bytes were read
  long long read_after = 0;
  long long read_chunk = 0;  // when > 0, no read hands out more than this (short reads)
  int write_error = 0;       // a write fails with it once `write_after` bytes were written
  long long write_after = 0;
  int sync_error = 0;
  int rename_error = 0;

  long long reads = 0, writes = 0, bytes_read = 0, bytes_written = 0;

  int Open(const char* path, int flags, mode_t mode) override {
    if (open_error) {
      errno = open_error;
      return -1;
    }
    return FileCalls::Open(path, flags, mode);
  }
  ssize_t Read(int fd, void* buffer, size_t bytes) override {
    ++reads;
    if (read_error && bytes_read >= read_after) {
      errno = read_error;
      return -1;
    }
    if (read_error) bytes = std::min<size_t>(bytes, static_cast<size_t>(read_after - bytes_read));
    if (read_chunk > 0) bytes = std::min<size_t>(bytes, static_cast<size_t>(read_chunk));
    const ssize_t n = FileCalls::Read(fd, buffer, bytes);
    if (n > 0) bytes_read += n;
    return n;
  }
  ssize_t Write(int fd, const void* buffer, size_t bytes) override {
    ++writes;
    if (write_error && bytes_written >= write_after) {
      errno = write_error;
      return -1;
    }
    if (write_error)
      bytes = std::min<size_t>(bytes, static_cast<size_t>(write_after - bytes_written));
    const ssize_t n = FileCalls::Write(fd, buffer, bytes);
    if (n > 0) bytes_written += n;
    return n;
  }
  int Sync(int fd) override {
    if (sync_error) {
      errno = sync_error;
      return -1;
    }
    return FileCalls::Sync(fd);
  }
  int Rename(const char* from, const char* to) override {
    if (rename_error) {
      errno = rename_error;
      return -1;
    }
    return FileCalls::Rename(from, to);
  }
};

// Names of the program's temporary save files in `folder` (hidden ones included).
inline QStringList TemporaryFiles(const QString& folder) {
  QStringList out;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
    if (IsTemporarySaveName(name)) out << name;
  return out;
}

}  // namespace truco::testing
