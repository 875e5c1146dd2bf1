// Kills a process that saves the records and settings files in a loop, a thousand times at random
// moments, and checks after every kill that each file holds, whole, either what it held before the
// interrupted save or what that save was writing.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "store/atomic_write.h"
#include "tests/store/file_faults.h"
#include "tests/store/torn_save_content.h"

namespace truco::testing {
namespace {

constexpr int kKills = 1000;
constexpr int kStartupWaitMs = 10000;

// The writer's progress as told on its stdout.
struct Progress {
  std::optional<long long> started;
  std::optional<long long> done;
  bool failed = false;

  void Take(const std::string& text) {
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
      const long long step = std::atoll(text.c_str() + at + 2);
      if (text[at] == 'S') started = step;
      if (text[at] == 'D') done = step;
      if (text[at] == 'F') failed = true;
    }
  }
};

class Writer {
 public:
  Writer(const std::string& folder, long long first_step) {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      close(fds[1]);
      const std::string step = std::to_string(first_step);
      execl(TORN_SAVE_WRITER, TORN_SAVE_WRITER, folder.c_str(), step.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    out_ = fds[0];
  }
  ~Writer() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;

  bool running() const { return pid_ > 0 && out_ >= 0; }

  // Waits until the writer has said something (it has started saving).
  bool WaitForFirstWord() {
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, kStartupWaitMs) != 1) return false;
    Drain();
    return true;
  }

  // SIGKILL, then everything it said before dying. True when the kill is what ended it.
  bool Kill() {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    Drain();
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  std::string said;

 private:
  void Drain() {
    char buffer[4096];
    for (;;) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, pid_ > 0 ? 0 : 1000) != 1) return;
      const ssize_t n = read(out_, buffer, sizeof buffer);
      if (n <= 0) return;
      said.append(buffer, static_cast<std::size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int out_ = -1;
};

QByteArray Bytes(const QString& path) {
  QByteArray bytes;
  ReadWholeFile(path, &bytes, 1 << 20);
  return bytes;
}

TEST(TornSaves, AThousandKillsMidSaveLeaveEachFileOldOrNewAndWhole) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString records = folder.filePath(QString::fromLatin1(kRecordsFileName));
  const QString settings = folder.filePath(QString::fromLatin1(kSettingsFileName));
  // Step 0 is on disk before the first writer starts.
  ASSERT_TRUE(WriteRecordsFile(records, TornSaveTable(0)).ok());
  ASSERT_TRUE(WriteSettingsFile(settings, TornSaveSettings(0)).ok());
  long long records_step = 0, settings_step = 0, next_step = 1;

  std::mt19937 random(std::random_device{}());
  const auto seed = static_cast<unsigned>(random());
  random.seed(seed);
  std::printf("torn saves: seed %u\n", seed);

  int mid_save = 0, during_startup = 0;
  long long most_left = 0;
  for (int kill_no = 0; kill_no < kKills; ++kill_no) {
    Writer writer(folder.path().toStdString(), next_step);
    ASSERT_TRUE(writer.running());
    // One kill in ten lands while the writer is still starting; the rest while it saves.
    if (random() % 10 == 0) {
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    } else {
      ASSERT_TRUE(writer.WaitForFirstWord()) << "the writer never started";
      std::this_thread::sleep_for(std::chrono::microseconds(random() % 4000));
    }
    ASSERT_TRUE(writer.Kill()) << "the writer ended by itself: " << writer.said;
    Progress progress;
    progress.Take(writer.said);
    ASSERT_FALSE(progress.failed) << "a save failed: " << writer.said;
    if (!progress.started) ++during_startup;
    if (progress.started && progress.done != progress.started) ++mid_save;

    // Per file: what it held last time, or the last finished step, or the step being saved.
    auto check = [&](const QString& path, long long& held, auto content) {
      const QByteArray now = Bytes(path);
      const long long old_step = progress.done.value_or(held);
      if (now == content(old_step)) {
        held = old_step;
      } else if (progress.started && now == content(*progress.started)) {
        held = *progress.started;
      } else {
        ADD_FAILURE() << "kill " << kill_no << ": " << path.toStdString() << " holds " << now.size()
                      << " bytes that are neither step " << old_step
                      << " nor the step being saved; writer said:\n"
                      << writer.said;
        return false;
      }
      return true;
    };
    ASSERT_TRUE(check(records, records_step,
                      [](long long s) { return EncodeRecordsFile(TornSaveTable(s)); }));
    ASSERT_TRUE(check(settings, settings_step,
                      [](long long s) { return EncodeSettingsFile(TornSaveSettings(s)); }));
    if (progress.started) next_step = *progress.started + 1;
    // Each save removes its own file's leftovers first: at most the one save of each file that
    // this kill cut short has left its temporary file behind.
    const QStringList temporary = TemporaryFiles(folder.path());
    ASSERT_LE(temporary.size(), 2)
        << "kill " << kill_no << ": " << temporary.join(' ').toStdString();
    most_left = std::max<long long>(most_left, temporary.size());
  }
  // The kills really landed inside saves, not only between them.
  EXPECT_GT(mid_save, kKills / 2);
  // The next save of each file removes what the last kill left.
  ASSERT_TRUE(WriteRecordsFile(records, TornSaveTable(next_step)).ok());
  ASSERT_TRUE(WriteSettingsFile(settings, TornSaveSettings(next_step)).ok());
  const QStringList everything = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden);
  EXPECT_EQ(everything, (QStringList{QString::fromLatin1(kSettingsFileName),
                                     QString::fromLatin1(kRecordsFileName)}))
      << everything.join(' ').toStdString();
  std::printf(
      "torn saves: %d kills, %d mid-save, %d during start-up, %lld steps saved; both files "
      "whole every time; at most %lld temporary files between saves, %lld after the last\n",
      kKills, mid_save, during_startup, next_step - 1, most_left,
      static_cast<long long>(TemporaryFiles(folder.path()).size()));
}

}  // namespace
}  // namespace truco::testing
