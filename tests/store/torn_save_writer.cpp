// Saves the records file and the settings file of a folder over and over until it is killed, for
// the torn-save test. Before each step it writes "S <step>" on stdout, after it "D <step>", so the
// test knows which contents the files may hold when the kill lands.
//
// Usage: torn_save_writer FOLDER FIRST_STEP

#include <unistd.h>

#include <QDir>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "store/records_file.h"
#include "store/settings_file.h"
#include "tests/store/torn_save_content.h"

namespace {

void Say(char what, long long step) {
  // Straight to the pipe: nothing may wait in a buffer when the kill comes.
  const std::string line = what + (" " + std::to_string(step)) + "\n";
  if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    std::_Exit(3);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s FOLDER FIRST_STEP\n", argv[0]);
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  const QString records = folder.filePath(QString::fromLatin1(truco::kRecordsFileName));
  const QString settings = folder.filePath(QString::fromLatin1(truco::kSettingsFileName));
  for (long long step = std::atoll(argv[2]);; ++step) {
    Say('S', step);
    truco::FileStatus status =
        truco::WriteRecordsFile(records, truco::testing::TornSaveTable(step));
    if (status.ok())
      status = truco::WriteSettingsFile(settings, truco::testing::TornSaveSettings(step));
    if (!status.ok()) {
      std::fprintf(stderr, "save failed: fault %d, errno %d\n", static_cast<int>(status.fault),
                   status.error);
      Say('F', step);
      return 1;
    }
    Say('D', step);
  }
}
