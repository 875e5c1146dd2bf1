#pragma once
// Whole-file reads and writes for tests of the stored files.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

namespace truco::testing {

inline QByteArray FileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

inline void PutFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

}  // namespace truco::testing
