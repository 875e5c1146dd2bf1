#pragma once
// Test helpers for the player's files: running as an ordinary user (root reads everything, so
// permission faults only show without it), the odd kinds of file a path can name, and a watchdog
// for calls that must not block.

#include <fcntl.h>
#include <grp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace truco::testing {

// The user the file tests run as when started by root.
inline constexpr uid_t kNobody = 65534;

// When run by root, the whole test process becomes `nobody` before anything else, so that files
// of mode 0200 and read-only folders behave as they do for a player. False (with a message) when
// that is not possible; the permission cases then skip.
inline bool RunAsPlayer() {
  if (::geteuid() != 0) return true;
  if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) {
    std::fprintf(stderr, "cannot drop from root to nobody (%s): permission cases skip\n",
                 std::strerror(errno));
    return false;
  }
  std::fprintf(stderr, "file tests: running as nobody (uid %u), not root\n", ::getuid());
  return true;
}

// True when permissions bind this process (it is not root).
inline bool PermissionsApply() {
  return ::geteuid() != 0;
}

// Ends the process with a message if it is still alive after `seconds`: a call that blocks (a
// pipe opened for reading) fails the test at once instead of at the suite's timeout.
class Watchdog {
 public:
  Watchdog(int seconds, const char* what) {
    thread_ = std::thread([this, seconds, what] {
      std::unique_lock lock(mutex_);
      if (!done_cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return done_; })) {
        std::fprintf(stderr, "FAIL: blocked for %d s: %s\n", seconds, what);
        std::fflush(stderr);
        ::_exit(3);
      }
    });
  }
  ~Watchdog() {
    {
      std::lock_guard lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_all();
    thread_.join();
  }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// The odd things a file's path can name. Each returns false when it could not be made.
inline bool MakeFifo(const QString& path) {
  return ::mkfifo(QFile::encodeName(path), 0666) == 0;
}
inline bool MakeFolder(const QString& path) {
  return QDir().mkdir(path);
}
inline bool MakeDeviceLink(const QString& path) {
  return ::symlink("/dev/zero", QFile::encodeName(path)) == 0;
}
// A listening Unix socket bound at `path`; the descriptor is kept open until `*fd` is closed.
inline bool MakeSocket(const QString& path, int* fd) {
  *fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  if (*fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const QByteArray name = QFile::encodeName(path);
  if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path)) return false;
  std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
  return ::bind(*fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

inline bool SetMode(const QString& path, mode_t mode) {
  return ::chmod(QFile::encodeName(path), mode) == 0;
}

}  // namespace truco::testing

// QTEST_MAIN for the file tests: the process drops from root to nobody first.
#define TRUCO_FILE_TEST_MAIN(TestObject)     \
  int main(int argc, char** argv) {          \
    truco::testing::RunAsPlayer();           \
    QApplication app(argc, argv);            \
    app.setAttribute(Qt::AA_Use96Dpi, true); \
    TestObject test;                         \
    QTEST_SET_MAIN_SOURCE_PATH               \
    return QTest::qExec(&test, argc, argv);  \
  }
