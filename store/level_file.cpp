#include "store/level_file.h"

#include <cerrno>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "store/atomic_write.h"

namespace truco {
namespace {

constexpr char kClassicoLine[] = "nivel=classico\n";
constexpr char kForteLine[] = "nivel=forte\n";
constexpr char kMestreLine[] = "nivel=mestre\n";
// A level file is one short line; a bigger file is not ours.
constexpr qint64 kMaxLevelFileBytes = 256;

}  // namespace

QByteArray EncodeLevelFile(ComputerLevel level) {
  switch (level) {
    case ComputerLevel::Forte:
      return QByteArray(kForteLine);
    case ComputerLevel::Mestre:
      return QByteArray(kMestreLine);
    case ComputerLevel::Classico:
      break;
  }
  return QByteArray(kClassicoLine);
}

ComputerLevel DecodeLevelFile(QByteArrayView bytes) {
  // Line endings and spaces around the line do not matter; anything else falls back.
  const QByteArray text = bytes.toByteArray().trimmed();
  if (text == QByteArray(kForteLine).trimmed()) return ComputerLevel::Forte;
  if (text == QByteArray(kMestreLine).trimmed()) return ComputerLevel::Mestre;
  return ComputerLevel::Classico;
}

QString DefaultLevelPath() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (folder.isEmpty()) return {};
  return QDir(folder).filePath(QString::fromLatin1(kLevelFileName));
}

ComputerLevel ReadLevelFile(const QString& path) {
  ComputerLevel level = ComputerLevel::Classico;
  ReadLevelFile(path, &level);
  return level;
}

FileStatus ReadLevelFile(const QString& path, ComputerLevel* level) {
  *level = ComputerLevel::Classico;
  if (path.isEmpty()) return FileStatus::Fault(FileFault::Missing, ENOENT);
  QByteArray bytes;
  FileStatus status = ReadWholeFile(path, &bytes, kMaxLevelFileBytes);
  if (status.fault == FileFault::TooLarge && status.size > kPlayerFileLimit) {
    status.limit = kPlayerFileLimit;
  }
  if (status.ok()) *level = DecodeLevelFile(bytes);
  return status;
}

FileStatus SaveLevelFile(const QString& path, ComputerLevel level) {
  if (path.isEmpty()) return FileStatus::Fault(FileFault::WriteFailed, ENOENT);
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) {
    FileStatus status = FileStatus::Fault(FileFault::WriteFailed, errno ? errno : EACCES);
    status.folder = QFile::encodeName(folder).toStdString();
    return status;
  }
  return WriteFileAtomically(path, EncodeLevelFile(level));
}

bool WriteLevelFile(const QString& path, ComputerLevel level) {
  return SaveLevelFile(path, level).ok();
}

QString LevelName(ComputerLevel level) {
  if (level == ComputerLevel::Mestre) return QStringLiteral("Mestre");
  return level == ComputerLevel::Forte ? QStringLiteral("Forte") : QStringLiteral("Clássico");
}

}  // namespace truco
