// The three files as the program uses them: a file of any kind and contents is loaded, edited
// and saved through the real load and save paths, with faults injected at random into every
// system call of the file layer (short reads, read errors, short writes, write errors, a full
// disk, failed syncs and renames), then loaded again without faults.
// Properties: a save that failed leaves the old bytes; nothing is ever written over a file that
// could not be read; no temporary file is left behind; what a successful save wrote loads back.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fuzzer/FuzzedDataProvider.h>

#include <QFile>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "store/atomic_write.h"
#include "store/phrases_file.h"
#include "store/records_file.h"
#include "store/settings_file.h"
#include "tests/fuzz/fuzz_check.h"

using namespace truco;

namespace {

// Every call of the file layer asks the input what happens to it; an exhausted input lets the
// rest through.
class RandomFaults : public FileCalls {
 public:
  explicit RandomFaults(FuzzedDataProvider& data) : data_(data) {}
  std::string unreadable;  // opening this path for reading fails with EACCES

  int Open(const char* path, int flags, mode_t mode) override {
    if ((flags & O_ACCMODE) == O_RDONLY && path == unreadable) {
      errno = EACCES;
      return -1;
    }
    if (Pick(16) == 0) return Fail(data_.PickValueInArray({EMFILE, ENOSPC, EACCES, EIO}));
    return FileCalls::Open(path, flags, mode);
  }
  ssize_t Read(int fd, void* buffer, size_t bytes) override {
    switch (Pick(8)) {
      case 0:
        return Fail(data_.PickValueInArray({EIO, EINTR, ENOMEM}));
      case 1:
        bytes = std::min<size_t>(bytes, data_.ConsumeIntegralInRange<size_t>(1, 7));
        break;
      default:
        break;
    }
    return FileCalls::Read(fd, buffer, bytes);
  }
  ssize_t Write(int fd, const void* buffer, size_t bytes) override {
    switch (Pick(8)) {
      case 0:
        return Fail(data_.PickValueInArray({ENOSPC, EIO, EDQUOT, EFBIG, EINTR}));
      case 1:
        bytes = std::min<size_t>(bytes, data_.ConsumeIntegralInRange<size_t>(1, 7));
        break;
      default:
        break;
    }
    return FileCalls::Write(fd, buffer, bytes);
  }
  int Sync(int fd) override {
    if (Pick(16) == 0) return Fail(data_.PickValueInArray({EIO, ENOSPC}));
    return FileCalls::Sync(fd);
  }
  int Rename(const char* from, const char* to) override {
    if (Pick(16) == 0) return Fail(data_.PickValueInArray({EACCES, EIO, ENOSPC}));
    return FileCalls::Rename(from, to);
  }

 private:
  unsigned Pick(unsigned ways) {
    if (data_.remaining_bytes() == 0) return ways;
    return data_.ConsumeIntegral<std::uint8_t>() % ways;
  }
  static int Fail(int error) {
    errno = error;
    return -1;
  }
  FuzzedDataProvider& data_;
};

struct Snapshot {
  bool regular = false;
  bool exists = false;
  QByteArray bytes;
  friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

// The file as it is on disk, read past the faults.
Snapshot Look(const std::string& path) {
  Snapshot s;
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return s;
  s.exists = true;
  s.regular = S_ISREG(info.st_mode);
  if (!s.regular) return s;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  FUZZ_CHECK(fd >= 0);
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) s.bytes.append(buffer, n);
  ::close(fd);
  return s;
}

int TemporaryFiles(const std::string& folder) {
  int count = 0;
  DIR* dir = ::opendir(folder.c_str());
  FUZZ_CHECK(dir);
  while (const dirent* entry = ::readdir(dir))
    if (IsTemporarySaveName(QString::fromLocal8Bit(entry->d_name))) ++count;
  ::closedir(dir);
  return count;
}

const std::string& WorkFolder() {
  static const std::string folder = [] {
    // In memory where there is a tmpfs: the saves sync, and a disk would make the target crawl.
    const bool shm = ::access("/dev/shm", W_OK) == 0;
    std::string pattern = std::string(shm ? "/dev/shm" : "/tmp") + "/fuzz_file_layer.XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()));
    return pattern;
  }();
  return folder;
}

void Clear(const std::string& path) {
  if (::unlink(path.c_str()) != 0 && errno == EISDIR) ::rmdir(path.c_str());
  ::rmdir(path.c_str());
}

QString Text(FuzzedDataProvider& data) {
  return QString::fromLatin1(QByteArray::fromStdString(data.ConsumeRandomLengthString(40)));
}

// Whether the store may have changed the file: only when what it read was whole (or missing, or
// a settings file shorter than one record) and the write then worked.
bool MayChange(const FileStatus& read, const FileStatus& write) {
  return (read.ok() || read.missing() || read.fault == FileFault::Short) && write.ok();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* input, std::size_t size) {
  FuzzedDataProvider data(input, size);
  const int which = data.ConsumeIntegralInRange(0, 2);
  const char* name = which == 0   ? kSettingsFileName
                     : which == 1 ? kRecordsFileName
                                  : kPhrasesFileName;
  const std::string path = WorkFolder() + "/" + name;
  const QString qpath = QString::fromStdString(path);
  Clear(path);

  // What the path names before the run.
  enum Kind { Missing, Regular, Unreadable, Folder, Pipe, Large };
  Kind kind = static_cast<Kind>(data.ConsumeIntegralInRange(0, 5));
  if (kind == Large && which != 2) kind = Regular;  // only the phrases file is read whole
  std::string unreadable;
  if (kind == Regular || kind == Unreadable || kind == Large) {
    QByteArray bytes = QByteArray::fromStdString(data.ConsumeRandomLengthString(600));
    // Around the phrases file's limit, now and then.
    if (kind == Large) bytes = bytes.leftJustified(kPhrasesFileLimit - 2 + (bytes.size() % 5), ';');
    QFile file(qpath);
    FUZZ_CHECK(file.open(QIODevice::WriteOnly));
    FUZZ_CHECK(file.write(bytes) == bytes.size());
    file.close();
    if (kind == Unreadable) unreadable = path;
  } else if (kind == Folder) {
    FUZZ_CHECK(::mkdir(path.c_str(), 0700) == 0);
  } else if (kind == Pipe) {
    FUZZ_CHECK(::mkfifo(path.c_str(), 0600) == 0);
  }

  RandomFaults faults(data);
  faults.unreadable = unreadable;
  SetFileCalls(&faults);
  const Snapshot before = Look(path);
  bool wrote = false;  // the store says its last save worked
  bool may_change = false;
  std::optional<settings_record> saved_settings;
  std::optional<RecordsTable> saved_records;
  std::optional<Phrases> saved_phrases;

  if (which == 0) {
    SettingsStore store(qpath);
    const SettingsStartup startup = store.LoadAtStart();
    may_change = startup.wrote_default && startup.created.ok();
    FUZZ_CHECK(startup.wrote_default ==
               (startup.read.missing() || startup.read.fault == FileFault::Short));
    if (!may_change) FUZZ_CHECK(Look(path) == before);
    const Snapshot loaded = Look(path);
    const auto eleven = data.ConsumeIntegral<std::uint8_t>();
    const auto colour = data.ConsumeIntegral<std::int32_t>();
    const SettingsSave save = store.Update([&](settings_record& record) {
      record.eleven_code = eleven;
      record.background_colour = colour;
    });
    const bool changed = save.wrote_default ? save.created.ok() : MayChange(save.read, save.write);
    if (!changed) FUZZ_CHECK(Look(path) == loaded);
    FUZZ_CHECK(save.wrote_default == (save.read.missing() || save.read.fault == FileFault::Short));
    if (changed) saved_settings = store.record();
    wrote = changed;
    may_change = may_change || changed;
  } else if (which == 1) {
    RecordsBook book(qpath);
    const FileStatus first = book.ReadFirstRow();
    (void)first;
    FUZZ_CHECK(Look(path) == before);
    const RecordsSubmit submit =
        book.Submit(Text(data), data.ConsumeIntegral<std::int32_t>(),
                    data.ConsumeIntegral<std::int32_t>(), data.ConsumeIntegral<std::int32_t>());
    FUZZ_CHECK(submit.wrote == (submit.read.ok() || submit.read.missing()));
    wrote = submit.wrote && submit.write.ok();
    if (!wrote) FUZZ_CHECK(Look(path) == before);
    if (wrote) saved_records = book.rows();
    may_change = wrote;
  } else {
    Phrases loaded;
    const FileStatus read = ReadPhrasesFile(qpath, &loaded);
    if (!read.ok()) FUZZ_CHECK(loaded == Phrases{});
    FUZZ_CHECK(Look(path) == before);
    Phrases edited = loaded;
    for (auto& phrase : edited)
      if (data.ConsumeBool()) phrase = Text(data);
    const FileStatus saved = WritePhrasesFile(qpath, edited);
    wrote = saved.ok();
    if (!wrote) FUZZ_CHECK(Look(path) == before);
    if (wrote) saved_phrases = edited;
    may_change = wrote;
  }
  SetFileCalls(nullptr);

  const Snapshot after = Look(path);
  if (!may_change) FUZZ_CHECK(after == before);
  // Nothing written over what could not be read, nor over what is not a regular file.
  if (kind == Unreadable || kind == Folder || kind == Pipe) FUZZ_CHECK(after == before);
  if (kind == Large && which == 2 && before.bytes.size() > kPhrasesFileLimit)
    FUZZ_CHECK(after == before);
  FUZZ_CHECK(TemporaryFiles(WorkFolder()) == 0);

  // What a successful save wrote loads back as the store holds it.
  if (saved_settings) {
    settings_record again;
    FUZZ_CHECK(ReadSettingsFile(qpath, &again).ok());
    FUZZ_CHECK(again == *saved_settings);
    FUZZ_CHECK(after.bytes.size() == kSettingsRecordSize);
  }
  if (saved_records) FUZZ_CHECK(after.bytes == EncodeRecordsFile(*saved_records));
  if (saved_phrases) {
    Phrases again;
    FUZZ_CHECK(ReadPhrasesFile(qpath, &again).ok() || after.bytes.size() > kPhrasesFileLimit);
    if (after.bytes.size() <= kPhrasesFileLimit) {
      Phrases expected = *saved_phrases;
      // A value is one line: line breaks typed into a phrase are saved as blanks.
      for (auto& phrase : expected)
        for (auto& c : phrase)
          if (c == u'\r' || c == u'\n') c = u' ';
      FUZZ_CHECK(DecodePhrasesFile(EncodePhrasesFile(after.bytes, expected)) == again);
    }
  }
  (void)wrote;
  Clear(path);
  return 0;
}
