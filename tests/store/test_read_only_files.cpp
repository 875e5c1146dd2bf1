// A file the player marked read-only is never replaced, whoever runs the program (root too):
// every writer of the three files refuses and says so.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "store/atomic_write.h"
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

}  // namespace
}  // namespace truco
