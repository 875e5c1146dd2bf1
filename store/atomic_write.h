#pragma once
// Whole-file writes that never leave a file truncated or half-written: the bytes go to a
// temporary file beside the target, which is renamed over it only once it is complete.

#include <QByteArray>
#include <QString>

namespace truco {

// True when `path` now holds exactly `bytes`; otherwise the old file is untouched and `error`
// (if given) says why.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error = nullptr);

// The whole file, or nothing when it cannot be opened or read.
bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error = nullptr,
                   qint64 max_bytes = 1 << 20);

}  // namespace truco
