#pragma once
// What happened to one read or write of a player's file, told as data: the store never shows a
// box itself; the windows turn a status into a Portuguese message.

#include <cstdint>
#include <string>

namespace truco {

enum class FileFault : std::uint8_t {
  None,
  Missing,         // no such file: the only case in which the program may create it
  Unreadable,      // it exists, but it could not be opened or looked at (`error` says why)
  NotRegularFile,  // a folder, pipe, device or socket (`kind`): refused without reading it
  TooLarge,        // larger than the program reads whole (`size` over `limit`)
  ReadError,       // opened, then a read failed (`error`)
  Short,           // read whole, but shorter than one record
  WriteFailed,     // the new contents could not be saved (`error`); the old file is as it was
  ReadOnly,        // the player marked the file read-only: it is left as it is
  OtherOwner,      // another user's file (a link may lead there), not writable: left as it is
};

enum class FileKind : std::uint8_t { Regular, Folder, Pipe, Device, Socket, Other };

struct FileStatus {
  FileFault fault = FileFault::None;
  int error = 0;  // errno of the call that failed, 0 when none did
  FileKind kind = FileKind::Regular;
  std::int64_t size = 0;
  std::int64_t limit = 0;
  std::string folder;  // where a write was refused: the folder really written to (links followed)

  [[nodiscard]] bool ok() const { return fault == FileFault::None; }
  [[nodiscard]] bool missing() const { return fault == FileFault::Missing; }

  static FileStatus Fault(FileFault fault, int error = 0) {
    FileStatus status;
    status.fault = fault;
    status.error = error;
    return status;
  }
  friend bool operator==(const FileStatus&, const FileStatus&) = default;
};

}  // namespace truco
