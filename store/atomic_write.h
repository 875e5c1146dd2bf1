#pragma once
// The one door through which the player's files are read and written.
//
// Reading never blocks and never takes anything but a regular file: the path is looked at before
// it is opened, opened without waiting (a pipe's open would wait for a writer for good) and
// checked again on what was opened. Writing never leaves a file truncated or half-written: the
// bytes go to a temporary file beside the target, which is renamed over it only once complete;
// an existing target that is not a regular file, or that cannot be opened for reading, is never
// written over.
//
// Temporary files are named ".truco-zanforte.<pid>.<n>~<file name>", a name no player picks;
// every save removes the ones of its own file left by a process that no longer runs (a save
// killed half-way).

#include <sys/types.h>

#include <cstdint>

#include <QByteArray>
#include <QString>

#include "store/file_status.h"

namespace truco {

// The system calls of the file layer, replaceable so that tests and the fuzzer can inject faults
// (short reads, read and write errors, a full disk). Each returns as the system call does and sets
// errno on failure.
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual int Open(const char* path, int flags, mode_t mode);
  virtual ssize_t Read(int fd, void* buffer, size_t bytes);
  virtual ssize_t Write(int fd, const void* buffer, size_t bytes);
  virtual int Sync(int fd);
  virtual int Rename(const char* from, const char* to);
};

// Puts `calls` in place of the system's until called again with nullptr.
void SetFileCalls(FileCalls* calls);

// No file the program keeps comes near this size: a larger one under one of its names is not
// the program's, and is neither read nor written over (TooLarge).
inline constexpr qint64 kPlayerFileLimit = qint64{1} << 20;

// Reads the whole file; a file longer than `limit` bytes is refused as TooLarge (nothing read).
FileStatus ReadWholeFile(const QString& path, QByteArray* bytes, qint64 limit);

// Reads the first `count` bytes (fewer when the file is shorter); the rest is not looked at, but
// a file over kPlayerFileLimit is refused as TooLarge.
FileStatus ReadFileStart(const QString& path, QByteArray* bytes, qint64 count);

// Replaces the file at `path` by exactly `bytes`; on any failure the old file stays as it was. A
// file over kPlayerFileLimit, or another user's that we may not write, is never replaced. A
// private file (it holds a secret) is readable by its user alone, whatever mode it had.
enum class FileAccess : std::uint8_t { Shared, Private };
FileStatus WriteFileAtomically(const QString& path, const QByteArray& bytes,
                               FileAccess access = FileAccess::Shared);

// True for the name of one of this program's temporary files (tests look for leftovers).
bool IsTemporarySaveName(const QString& file_name);

}  // namespace truco
