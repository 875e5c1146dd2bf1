// A file the player marked read-only is never replaced, whoever runs the program (root too):
// every writer of the three files refuses and says so.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "store/atomic_write.h"
#include "store/level_file.h"
#include "store/phrases_file.h"
#include "store/records_file.h"
#include "store/settings_file.h"

namespace truco {
namespace {

struct Writer {
  const char* name;
  std::function<FileStatus(const QString&)> write;
};

const std::vector<Writer>& Writers() {
  static const std::vector<Writer> writers{
      {"Conf.dll", [](const QString& p) { return WriteSettingsFile(p, settings_record{}); }},
      {"Recordes.qdx", [](const QString& p) { return WriteRecordsFile(p, ClearedRecordsTable()); }},
      {"Frases.ini", [](const QString& p) { return WritePhrasesFile(p, Phrases{}); }},
  };
  return writers;
}

mode_t ModeOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

TEST(ReadOnlyFiles, EveryWriterLeavesAReadOnlyFileAsItIsAndSaysWhy) {
  const QByteArray held("[FRASES]\nTRUCO=deixe assim\n");
  for (const Writer& writer : Writers()) {
    // Every mode without the owner's write bit, from 0000 to 0577.
    for (mode_t mode = 0; mode < 01000; ++mode) {
      if (mode & S_IWUSR) continue;
      QTemporaryDir dir;
      const QString path = dir.filePath(QString::fromLatin1(writer.name));
      {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(held), held.size());
      }
      ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
      const FileStatus status = writer.write(path);
      // An unreadable one is refused as unreadable; a readable one as read-only.
      EXPECT_FALSE(status.ok()) << writer.name << " mode " << std::oct << mode;
      if (mode & S_IRUSR) {
        EXPECT_EQ(status.fault, FileFault::ReadOnly) << writer.name << " mode " << std::oct << mode;
      }
      EXPECT_EQ(ModeOf(path), mode);
      ::chmod(QFile::encodeName(path).constData(), 0600);
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_EQ(file.readAll(), held) << writer.name << " mode " << std::oct << mode;
    }
  }
}

TEST(ReadOnlyFiles, AWritableFileIsStillReplaced) {
  for (const Writer& writer : Writers()) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(writer.name));
    ASSERT_TRUE(WriteFileAtomically(path, "x").ok());
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    EXPECT_TRUE(writer.write(path).ok()) << writer.name;
    EXPECT_EQ(ModeOf(path), mode_t{0600});
  }
}

// A folder that refuses new files, whoever asks (root included).
class RefusingFolder : public FileCalls {
 public:
  RefusingFolder() { SetFileCalls(this); }
  ~RefusingFolder() override { SetFileCalls(nullptr); }
  RefusingFolder(const RefusingFolder&) = delete;
  RefusingFolder& operator=(const RefusingFolder&) = delete;
  int Open(const char* path, int flags, mode_t mode) override {
    if (flags & O_CREAT) {
      errno = EACCES;
      return -1;
    }
    return FileCalls::Open(path, flags, mode);
  }
};

// Through a link into another folder, the refused folder named is the one the file lies in.
TEST(ReadOnlyFiles, ARefusedWriteNamesTheFolderReallyWrittenTo) {
  QTemporaryDir own;
  QTemporaryDir other;
  const QString real = other.filePath(QStringLiteral("Conf.dll"));
  {
    QFile file(real);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("12345678");
  }
  const QString link = own.filePath(QStringLiteral("Conf.dll"));
  ASSERT_TRUE(QFile::link(real, link));
  RefusingFolder refusing;
  const FileStatus status = WriteSettingsFile(link, settings_record{});
  EXPECT_EQ(status.fault, FileFault::WriteFailed);
  EXPECT_EQ(status.error, EACCES);
  EXPECT_EQ(QString::fromStdString(status.folder), QFileInfo(other.path()).canonicalFilePath());
}

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every writer of the player's small files, the level's included.
std::vector<Writer> AllWriters() {
  std::vector<Writer> all = Writers();
  all.push_back({"nivel.conf", [](const QString& p) {
                   return SaveLevelFile(p, ComputerLevel::Mestre);
                 }});
  return all;
}

// A file far over the size of any file of ours under one of their names is someone else's: it
// is neither read nor cut down to a record, and the status says how large it is.
TEST(ReadOnlyFiles, AFileOverOneMiBIsLeftAsItIs) {
  QByteArray big(kPlayerFileLimit + 1, 'q');
  for (const Writer& writer : AllWriters()) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(writer.name));
    {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      ASSERT_EQ(file.write(big), big.size());
    }
    const FileStatus status = writer.write(path);
    EXPECT_EQ(status.fault, FileFault::TooLarge) << writer.name;
    EXPECT_EQ(status.size, big.size()) << writer.name;
    EXPECT_EQ(status.limit, kPlayerFileLimit) << writer.name;
    EXPECT_TRUE(FileBytes(path) == big) << writer.name << " was rewritten";
  }
  // Reading says so too, so the game goes on with its defaults instead of the first bytes.
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("x"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(big);
  }
  settings_record record;
  EXPECT_EQ(ReadSettingsFile(path, &record).fault, FileFault::TooLarge);
  std::vector<records_entry> entries;
  EXPECT_EQ(ReadRecordsFile(path, &entries).fault, FileFault::TooLarge);
  ComputerLevel level = ComputerLevel::Forte;
  const FileStatus level_status = ReadLevelFile(path, &level);
  EXPECT_EQ(level_status.fault, FileFault::TooLarge);
  EXPECT_EQ(level_status.limit, kPlayerFileLimit);
  EXPECT_EQ(level, ComputerLevel::Classico);
  // One of exactly the limit is still read and written.
  big.chop(1);
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(big);
  }
  EXPECT_TRUE(ReadSettingsFile(path, &record).ok());
  EXPECT_TRUE(WriteSettingsFile(path, record).ok());
  EXPECT_EQ(FileBytes(path).size(), kSettingsRecordSize);
}

// Through a link, a file of another user that we may not write is called theirs, not
// "somente leitura" (which the player could undo), and stays as it is. Run as `nobody` in a
// child, since root may write anything.
TEST(ReadOnlyFiles, ALinkToAnotherUsersFileIsCalledTheirs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a file of another user";
  QTemporaryDir theirs;
  QTemporaryDir own;
  ASSERT_EQ(::chmod(QFile::encodeName(theirs.path()).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(own.path()).constData(), 0777), 0);
  for (const Writer& writer : AllWriters()) {
    const QString real = theirs.filePath(QString::fromLatin1(writer.name));
    const QByteArray held("12345678");
    {
      QFile file(real);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(held);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0644), 0);
    const QString link = own.filePath(QString::fromLatin1(writer.name));
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(real, link));
    const pid_t pid = ::fork();
    if (pid == 0) {
      if (::setgid(65534) != 0 || ::setuid(65534) != 0) _exit(2);
      const FileStatus status = writer.write(link);
      _exit(status.fault == FileFault::OtherOwner ? 0 : 10 + static_cast<int>(status.fault));
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << writer.name << ": fault " << WEXITSTATUS(status) - 10;
    EXPECT_EQ(FileBytes(real), held) << writer.name;
  }
}

}  // namespace
}  // namespace truco
