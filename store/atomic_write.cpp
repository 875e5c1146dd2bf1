#include "store/atomic_write.h"

#include <QFile>
#include <QSaveFile>

namespace truco {

bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  QSaveFile file(path);
  // Without a usable directory for the temporary file, refusing is safer than a truncating write.
  file.setDirectWriteFallback(false);
  // Unbuffered, because a buffered short write (disk full, size limit) can go unreported.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    if (error) *error = file.errorString();
    return false;
  }
  qsizetype done = 0;
  while (done < bytes.size()) {
    const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
    if (n <= 0) {
      if (error) *error = file.errorString();
      file.cancelWriting();
      return false;
    }
    done += static_cast<qsizetype>(n);
  }
  if (!file.commit()) {
    if (error) *error = file.errorString();
    return false;
  }
  return true;
}

bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error, qint64 max_bytes) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    if (error) *error = file.errorString();
    return false;
  }
  // A file far larger than any the program writes is read only as far as it could matter.
  QByteArray data = file.read(max_bytes);
  if (file.error() != QFileDevice::NoError) {
    if (error) *error = file.errorString();
    return false;
  }
  *bytes = std::move(data);
  return true;
}

}  // namespace truco
