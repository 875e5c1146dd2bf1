#pragma once
// The files keep their text in the Windows-1252 code page; these convert it at the file's edge.

#include <QByteArray>
#include <QString>

namespace truco {

// Every byte gives one character; bytes the code page leaves undefined come out as their own
// code point, so no byte is ever lost or skipped.
QString DecodeWindows1252(QByteArrayView bytes);

// One byte per character; a character the code page cannot hold is written as '?'.
QByteArray EncodeWindows1252(const QString& text);

}  // namespace truco
