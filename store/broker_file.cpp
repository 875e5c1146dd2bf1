#include "store/broker_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "store/atomic_write.h"

namespace truco {
namespace {

constexpr char kPrefix[] = "servidor=";
// One short line; a bigger file is not ours.
constexpr qint64 kMaxBrokerFileBytes = 512;

}  // namespace

QByteArray EncodeBrokerFile(const QString& broker) {
  QString line = broker.trimmed();
  line.remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
  return QByteArray(kPrefix) + line.toUtf8() + '\n';
}

QString DecodeBrokerFile(QByteArrayView bytes) {
  const QByteArray text = bytes.toByteArray().trimmed();
  if (!text.startsWith(kPrefix) || text.contains('\n')) return {};
  return QString::fromUtf8(text.mid(qsizetype(sizeof(kPrefix) - 1))).trimmed();
}

QString DefaultBrokerPath() {
  const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
  if (folder.isEmpty()) return {};
  return QDir(folder).filePath(QString::fromLatin1(kBrokerFileName));
}

QString DefaultBroker() {
#ifdef TRUCO_DEFAULT_BROKER
  return QStringLiteral(TRUCO_DEFAULT_BROKER);
#else
  return {};
#endif
}

QString ReadBrokerFile(const QString& path) {
  if (path.isEmpty()) return DefaultBroker();
  QByteArray bytes;
  if (!ReadWholeFile(path, &bytes, kMaxBrokerFileBytes).ok()) return DefaultBroker();
  const QString broker = DecodeBrokerFile(bytes);
  return broker.isEmpty() ? DefaultBroker() : broker;
}

bool WriteBrokerFile(const QString& path, const QString& broker) {
  if (path.isEmpty()) return false;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  return WriteFileAtomically(path, EncodeBrokerFile(broker)).ok();
}

}  // namespace truco
