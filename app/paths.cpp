#include "app/paths.h"

#include "opponent/mestre_data.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "store/atomic_write.h"
#include "store/phrases_file.h"
#include "store/records_file.h"
#include "store/settings_file.h"

#ifndef TRUCO_DATA_FROM_BIN
#error "TRUCO_DATA_FROM_BIN: the shipped data folder relative to the program's folder"
#endif

namespace truco {

namespace {

// Far above any file the game writes; a larger one is no file of ours and is left where it is.
constexpr qint64 kTakeOverLimit = qint64{16} << 20;

QString SettingsName() {
  return QString::fromLatin1(kSettingsFileName);
}
QString RecordsName() {
  return QString::fromLatin1(kRecordsFileName);
}
QString PhrasesName() {
  return QString::fromLatin1(kPhrasesFileName);
}

// An existing entry of any kind, a dangling link included: none of them may be written over.
bool Exists(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

// Through the shared reader, so an odd file (a pipe) is refused at once instead of blocking.
bool CopyWhole(const QString& from, const QString& to) {
  QByteArray bytes;
  if (!ReadWholeFile(from, &bytes, qint64{16} << 20).ok()) return false;
  return WriteFileAtomically(to, bytes).ok();
}

}  // namespace

QString ShippedDataFolder(const QString& program_dir) {
  return QDir::cleanPath(QDir(program_dir).filePath(QStringLiteral(TRUCO_DATA_FROM_BIN)));
}

bool IsInstalledCopy(const QString& program_dir) {
  // Every folder CMake builds into holds CMakeFiles; an installed program's folder never does.
  const QDir dir(program_dir);
  if (Exists(dir.filePath(QStringLiteral("CMakeFiles"))) ||
      Exists(dir.filePath(QStringLiteral("CMakeCache.txt"))))
    return false;
  return QFileInfo(QDir(ShippedDataFolder(program_dir)).filePath(PhrasesName())).isFile();
}

QString PlayerDataFolder() {
  return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

GamePaths DecideGamePaths(const QString& program_dir, const QString& data_folder) {
  GamePaths paths;
  if (!IsInstalledCopy(program_dir)) {
    // Bare names: the working folder, as a copy run from its build tree always did.
    paths.settings = SettingsName();
    paths.records = RecordsName();
    paths.phrases = QDir(program_dir).filePath(PhrasesName());
    return paths;
  }
  const QDir data(data_folder);
  paths.installed = true;
  paths.data_folder = data_folder;
  paths.settings = data.filePath(SettingsName());
  paths.records = data.filePath(RecordsName());
  paths.phrases = data.filePath(PhrasesName());
  paths.phrases_default = QDir(ShippedDataFolder(program_dir)).filePath(PhrasesName());
  return paths;
}

QStringList TakeOverOldFiles(const QString& old_folder, const QString& data_folder) {
  QStringList taken;
  if (old_folder.isEmpty() || data_folder.isEmpty()) return taken;
  const QFileInfo old_info(old_folder);
  const QFileInfo data_info(data_folder);
  if (!old_info.isDir() || !data_info.isDir()) return taken;
  if (old_info.canonicalFilePath() == data_info.canonicalFilePath()) return taken;

  for (const QString& name : {SettingsName(), RecordsName(), PhrasesName()}) {
    const QString from = QDir(old_folder).filePath(name);
    const QString to = QDir(data_folder).filePath(name);
    if (Exists(to)) continue;
    // Pipes, devices and folders are never opened: reading a pipe would block the start.
    const QFileInfo info(from);
    if (!info.isFile() || info.size() > kTakeOverLimit) continue;
    if (CopyWhole(from, to)) taken << name;
  }
  return taken;
}

QString MestreDataPath(const QString& program_dir) {
  const QString folder =
      IsInstalledCopy(program_dir) ? ShippedDataFolder(program_dir) : program_dir;
  return QDir(folder).filePath(QString::fromLatin1(kMestreDataFileName));
}

QString MestreDataPath() {
  return MestreDataPath(QCoreApplication::applicationDirPath());
}

GamePaths PrepareGamePaths() {
  GamePaths paths = DecideGamePaths(QCoreApplication::applicationDirPath(), PlayerDataFolder());
  if (!paths.installed) return paths;
  // A folder that cannot be made shows up as the files' own errors when they are written.
  QDir().mkpath(paths.data_folder);
  TakeOverOldFiles(QDir::currentPath(), paths.data_folder);
  return paths;
}

}  // namespace truco
