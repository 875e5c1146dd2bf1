#include "store/codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace truco {

namespace {
constexpr const char* kCodePage = "windows-1252";
}

QString DecodeWindows1252(QByteArrayView bytes) {
  QStringDecoder decoder(kCodePage);
  if (!decoder.isValid()) return QString::fromLatin1(bytes);
  QString text = decoder.decode(bytes);
  // One character per byte is what lets a name's length byte count characters.
  if (text.size() != bytes.size()) return QString::fromLatin1(bytes);
  return text;
}

QByteArray EncodeWindows1252(const QString& text) {
  QByteArray out;
  out.reserve(text.size());
  QStringEncoder encoder(kCodePage);
  // Character by character, so one that does not fit is replaced without touching its neighbours.
  for (qsizetype i = 0; i < text.size(); ++i) {
    qsizetype len = 1;
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
      len = 2;
    const QStringView one = QStringView(text).mid(i, len);
    i += len - 1;
    if (!encoder.isValid()) {
      const char16_t c = one.at(0).unicode();
      out.append(len == 1 && c < 0x100 ? static_cast<char>(c) : '?');
      continue;
    }
    encoder.resetState();
    const QByteArray bytes = encoder.encode(one);
    if (encoder.hasError() || bytes.size() != 1) {
      out.append('?');
    } else {
      out.append(bytes);
    }
  }
  return out;
}

}  // namespace truco
