#include "store/atomic_write.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace truco {

int FileCalls::Open(const char* path, int flags, mode_t mode) {
  return ::open(path, flags, mode);
}
ssize_t FileCalls::Read(int fd, void* buffer, size_t bytes) {
  return ::read(fd, buffer, bytes);
}
ssize_t FileCalls::Write(int fd, const void* buffer, size_t bytes) {
  return ::write(fd, buffer, bytes);
}
int FileCalls::Sync(int fd) {
  return ::fsync(fd);
}
int FileCalls::Rename(const char* from, const char* to) {
  return ::rename(from, to);
}

namespace {

FileCalls system_calls;
std::atomic<FileCalls*> current_calls{&system_calls};

FileCalls& Calls() {
  return *current_calls.load();
}

constexpr char kTemporaryPrefix[] = ".truco-zanforte.";

std::string Native(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

FileKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return FileKind::Regular;
  if (S_ISDIR(mode)) return FileKind::Folder;
  if (S_ISFIFO(mode)) return FileKind::Pipe;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
  if (S_ISSOCK(mode)) return FileKind::Socket;
  return FileKind::Other;
}

FileStatus NotRegular(mode_t mode) {
  FileStatus status = FileStatus::Fault(FileFault::NotRegularFile);
  status.kind = KindOf(mode);
  return status;
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  // Closes now, for the callers that must know whether the close worked.
  int Close() {
    const int result = ::close(fd_);
    fd_ = -1;
    return result;
  }

 private:
  int fd_;
};

// Opens a regular file for reading without ever waiting: looked at first, opened non-blocking,
// looked at again on the descriptor in case the path changed in between.
FileStatus OpenForReading(const std::string& path, Descriptor* out, struct stat* info) {
  if (::stat(path.c_str(), info) != 0) {
    const int error = errno;
    return FileStatus::Fault(error == ENOENT ? FileFault::Missing : FileFault::Unreadable, error);
  }
  if (!S_ISREG(info->st_mode)) return NotRegular(info->st_mode);
  const int fd = Calls().Open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0);
  if (fd < 0) {
    const int error = errno;
    return FileStatus::Fault(error == ENOENT ? FileFault::Missing : FileFault::Unreadable, error);
  }
  Descriptor descriptor(fd);
  if (::fstat(fd, info) != 0) return FileStatus::Fault(FileFault::Unreadable, errno);
  if (!S_ISREG(info->st_mode)) return NotRegular(info->st_mode);
  out->Reset(descriptor.Release());
  return {};
}

FileStatus TooLarge(qint64 size, qint64 limit) {
  FileStatus status = FileStatus::Fault(FileFault::TooLarge);
  status.size = size;
  status.limit = limit;
  return status;
}

// Reads up to `count` bytes, going on after short reads; stops at the end of the file.
FileStatus ReadUpTo(int fd, qint64 count, QByteArray* bytes) {
  QByteArray data;
  constexpr qint64 kChunk = 64 * 1024;
  while (data.size() < count) {
    const qint64 want = std::min<qint64>(kChunk, count - data.size());
    const qsizetype at = data.size();
    data.resize(at + static_cast<qsizetype>(want));
    const ssize_t n = Calls().Read(fd, data.data() + at, static_cast<size_t>(want));
    if (n < 0) {
      data.resize(at);
      if (errno == EINTR) continue;
      return FileStatus::Fault(FileFault::ReadError, errno);
    }
    data.resize(at + static_cast<qsizetype>(n));
    if (n == 0) break;
  }
  *bytes = std::move(data);
  return {};
}

}  // namespace

void SetFileCalls(FileCalls* calls) {
  current_calls.store(calls ? calls : &system_calls);
}

FileStatus ReadWholeFile(const QString& path, QByteArray* bytes, qint64 limit) {
  Descriptor fd;
  struct stat info {};
  if (FileStatus status = OpenForReading(Native(path), &fd, &info); !status.ok()) return status;
  auto too_large = [&](qint64 size) { return TooLarge(size, limit); };
  if (info.st_size > limit) return too_large(info.st_size);
  QByteArray data;
  // One byte past the limit tells a file that grew since it was looked at.
  if (FileStatus status = ReadUpTo(fd.get(), limit + 1, &data); !status.ok()) return status;
  if (data.size() > limit) return too_large(data.size());
  *bytes = std::move(data);
  return {};
}

FileStatus ReadFileStart(const QString& path, QByteArray* bytes, qint64 count) {
  Descriptor fd;
  struct stat info {};
  if (FileStatus status = OpenForReading(Native(path), &fd, &info); !status.ok()) return status;
  if (info.st_size > kPlayerFileLimit) return TooLarge(info.st_size, kPlayerFileLimit);
  return ReadUpTo(fd.get(), count, bytes);
}

bool IsTemporarySaveName(const QString& file_name) {
  return file_name.startsWith(QLatin1String(kTemporaryPrefix)) &&
         file_name.contains(QLatin1Char('~'));
}

namespace {

// ".truco-zanforte.<pid>.<n>~<base>" -> pid, when `name` is a temporary file of `base`.
bool TemporaryOwner(const std::string& name, const std::string& base, long* pid) {
  const std::string prefix = kTemporaryPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return false;
  const std::size_t tilde = name.find('~', prefix.size());
  if (tilde == std::string::npos || name.compare(tilde + 1, std::string::npos, base) != 0)
    return false;
  const std::string middle = name.substr(prefix.size(), tilde - prefix.size());
  const std::size_t dot = middle.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == middle.size()) return false;
  for (std::size_t i = 0; i < middle.size(); ++i)
    if (i != dot && (middle[i] < '0' || middle[i] > '9')) return false;
  *pid = std::strtol(middle.c_str(), nullptr, 10);
  return true;
}

// Removes what earlier saves of `base` left behind; a save still running elsewhere keeps its file.
void RemoveLeftovers(const std::string& folder, const std::string& base) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = ::readdir(dir)) {
    long pid = 0;
    if (!TemporaryOwner(entry->d_name, base, &pid)) continue;
    const bool gone = pid != ::getpid() && pid > 0 && pid <= INT_MAX &&
                      ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
    if (!gone && pid != ::getpid()) continue;
    const std::string path = folder + "/" + entry->d_name;
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::unlink(path.c_str());
  }
  ::closedir(dir);
}

FileStatus WriteFailed(int error) {
  return FileStatus::Fault(FileFault::WriteFailed, error);
}

}  // namespace

FileStatus WriteFileAtomically(const QString& path, const QByteArray& bytes, FileAccess access) {
  std::string target = Native(path);
  // A link is followed: the file it names is the one replaced, the link stays.
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  }
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return FileStatus::Fault(FileFault::Unreadable, errno);
  if (exists) {
    if (!S_ISREG(info.st_mode)) return NotRegular(info.st_mode);
    if (info.st_size > kPlayerFileLimit) return TooLarge(info.st_size, kPlayerFileLimit);
    // A file the player marked read-only is not replaced, though the folder would allow it (and
    // though root may write anything: the mark is read from the mode itself).
    const bool writable = info.st_uid == ::geteuid() ? (info.st_mode & S_IWUSR) != 0
                                                     : ::access(target.c_str(), W_OK) == 0;
    if (!writable) {
      return FileStatus::Fault(
          info.st_uid == ::geteuid() ? FileFault::ReadOnly : FileFault::OtherOwner, EACCES);
    }
    // What cannot be read is the player's and stays as it is.
    Descriptor probe;
    struct stat opened {};
    if (FileStatus status = OpenForReading(target, &probe, &opened); !status.ok()) return status;
  }

  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  RemoveLeftovers(folder, base);

  static std::atomic<unsigned> counter{0};
  const std::string temporary = folder + (slash == std::string::npos ? "/" : "") +
                                kTemporaryPrefix + std::to_string(::getpid()) + "." +
                                std::to_string(counter++) + "~" + base;
  mode_t mode = exists ? (info.st_mode & 07777) : 0666;
  if (access == FileAccess::Private) mode = 0600;
  const int raw =
      Calls().Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
  if (raw < 0) {
    const int error = errno;
    FileStatus status = WriteFailed(error);
    // The folder the file really lies in, which a link may have led away from the player's own.
    if (char* real = ::realpath(folder.c_str(), nullptr)) {
      status.folder = real;
      std::free(real);
    } else {
      status.folder = folder;
    }
    return status;
  }
  Descriptor fd(raw);
  auto fail = [&](int error) {
    if (fd.get() >= 0) fd.Close();
    ::unlink(temporary.c_str());
    return WriteFailed(error);
  };
  // The old file's permissions go to the new one (the umask must not narrow them).
  if (exists) (void)::fchmod(fd.get(), mode);
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        Calls().Write(fd.get(), bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (n == 0) return fail(ENOSPC);
    done += static_cast<qsizetype>(n);
  }
  if (Calls().Sync(fd.get()) != 0) return fail(errno);
  if (fd.Close() != 0) return fail(errno);
  if (Calls().Rename(temporary.c_str(), target.c_str()) != 0) return fail(errno);
  // The rename itself reaches the disk with the folder; a failure here loses nothing.
  if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
    (void)::fsync(dir);
    ::close(dir);
  }
  return {};
}

}  // namespace truco
