#include "store/phrases_file.h"

#include <QCoreApplication>
#include <QDir>
#include <optional>
#include <vector>

#include "store/atomic_write.h"
#include "store/codepage.h"

namespace truco {

namespace {

constexpr std::array<const char*, kNumPhrases> kKeyNames = {"TRUCO", "SEIS", "NOVE", "DOZE",
                                                            "ACEITA"};

struct Line {
  qsizetype begin = 0;  // first byte of the text
  qsizetype end = 0;    // one past the text, before the line break
  qsizetype next = 0;   // first byte of the next line
};

std::vector<Line> SplitLines(QByteArrayView bytes) {
  std::vector<Line> lines;
  qsizetype at = 0;
  while (at < bytes.size()) {
    Line line;
    line.begin = at;
    qsizetype i = at;
    while (i < bytes.size() && bytes[i] != '\n' && bytes[i] != '\r') ++i;
    line.end = i;
    if (i < bytes.size()) {
      if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      ++i;
    }
    line.next = i;
    lines.push_back(line);
    at = i;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

QByteArrayView Trimmed(QByteArrayView text) {
  qsizetype b = 0;
  qsizetype e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.sliced(b, e - b);
}

bool SameName(QByteArrayView a, const char* b) {
  return QByteArrayView(b).compare(a, Qt::CaseInsensitive) == 0;
}

// The section name of a header line ("[NAME]"), if the line is one.
std::optional<QByteArrayView> SectionName(QByteArrayView text) {
  const QByteArrayView t = Trimmed(text);
  if (t.isEmpty() || t[0] != '[') return std::nullopt;
  const qsizetype close = t.indexOf(']');
  if (close < 0) return std::nullopt;
  return Trimmed(t.sliced(1, close - 1));
}

struct KeyLine {
  QByteArrayView key;
  QByteArrayView value;
};

std::optional<KeyLine> SplitKey(QByteArrayView text) {
  const qsizetype eq = text.indexOf('=');
  if (eq < 0) return std::nullopt;
  return KeyLine{Trimmed(text.first(eq)), Trimmed(text.sliced(eq + 1))};
}

int KeyIndex(QByteArrayView key) {
  for (int k = 0; k < kNumPhrases; ++k)
    if (SameName(key, kKeyNames[k])) return k;
  return -1;
}

// Where the five keys and the section live in a file.
struct Layout {
  bool has_section = false;
  std::size_t section_line = 0;
  std::size_t last_content_line = 0;  // last non-blank line of the section (header if none)
  std::array<std::optional<std::size_t>, kNumPhrases> key_line;
  std::array<QByteArrayView, kNumPhrases> value;
};

Layout Scan(QByteArrayView bytes, const std::vector<Line>& lines) {
  Layout layout;
  bool inside = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const QByteArrayView text = bytes.sliced(lines[n].begin, lines[n].end - lines[n].begin);
    if (auto name = SectionName(text)) {
      if (inside) break;  // only the first FRASES section counts
      if (SameName(*name, kPhrasesSection)) {
        inside = true;
        layout.has_section = true;
        layout.section_line = n;
        layout.last_content_line = n;
      }
      continue;
    }
    if (!inside) continue;
    if (!Trimmed(text).isEmpty()) layout.last_content_line = n;
    const QByteArrayView t = Trimmed(text);
    if (t.startsWith(';')) continue;
    if (auto kv = SplitKey(text)) {
      const int k = KeyIndex(kv->key);
      if (k >= 0 && !layout.key_line[k]) {
        layout.key_line[k] = n;
        layout.value[k] = kv->value;
      }
    }
  }
  return layout;
}

QString Unquoted(QByteArrayView value) {
  if (value.size() >= 2 && ((value.front() == '"' && value.back() == '"') ||
                            (value.front() == '\'' && value.back() == '\'')))
    value = value.sliced(1, value.size() - 2);
  return DecodeWindows1252(value);
}

QByteArray ValueBytes(const QString& phrase) {
  QString text = phrase;
  for (auto& c : text)
    if (c == u'\r' || c == u'\n') c = u' ';
  QByteArray bytes = EncodeWindows1252(text);
  const bool needs_quotes =
      !bytes.isEmpty() &&
      (IsBlank(bytes.front()) || IsBlank(bytes.back()) ||
       (bytes.size() >= 2 && ((bytes.front() == '"' && bytes.back() == '"') ||
                              (bytes.front() == '\'' && bytes.back() == '\''))));
  if (needs_quotes) bytes = '"' + bytes + '"';
  return bytes;
}

}  // namespace

const char* PhraseKeyName(PhraseKey key) {
  return kKeyNames[PhraseIndex(key)];
}

Phrases DecodePhrasesFile(QByteArrayView bytes) {
  const auto lines = SplitLines(bytes);
  const Layout layout = Scan(bytes, lines);
  Phrases phrases;
  for (int k = 0; k < kNumPhrases; ++k)
    if (layout.key_line[k]) phrases[k] = Unquoted(layout.value[k]);
  return phrases;
}

QByteArray EncodePhrasesFile(QByteArrayView old_bytes, const Phrases& phrases) {
  const auto lines = SplitLines(old_bytes);
  const Layout layout = Scan(old_bytes, lines);

  // New lines follow the file's own line break; a new file gets the Windows one.
  QByteArray eol = "\r\n";
  if (!lines.empty() && lines.front().next > lines.front().end)
    eol = old_bytes.sliced(lines.front().end, lines.front().next - lines.front().end).toByteArray();

  auto key_line = [&](int k) { return QByteArray(kKeyNames[k]) + '=' + ValueBytes(phrases[k]); };

  QByteArray out;
  out.reserve(old_bytes.size() + 256);
  // Keys missing from an existing section go after its last non-blank line.
  QByteArray missing_keys;
  for (int k = 0; k < kNumPhrases; ++k)
    if (!layout.key_line[k]) missing_keys += key_line(k) + eol;

  for (std::size_t n = 0; n < lines.size(); ++n) {
    const Line& line = lines[n];
    bool replaced = false;
    for (int k = 0; k < kNumPhrases; ++k) {
      if (layout.key_line[k] == n) {
        out += key_line(k);
        replaced = true;
      }
    }
    if (!replaced) out += old_bytes.sliced(line.begin, line.end - line.begin);
    const QByteArrayView line_break = old_bytes.sliced(line.end, line.next - line.end);
    out += line_break;
    if (layout.has_section && n == layout.last_content_line && !missing_keys.isEmpty()) {
      if (line_break.isEmpty()) out += eol;
      out += missing_keys;
    }
  }

  if (!layout.has_section) {
    if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r')) out += eol;
    out += '[' + QByteArray(kPhrasesSection) + ']' + eol;
    for (int k = 0; k < kNumPhrases; ++k) out += key_line(k) + eol;
  }
  return out;
}

QString DefaultPhrasesPath() {
  return QDir(QCoreApplication::applicationDirPath())
      .filePath(QString::fromLatin1(kPhrasesFileName));
}

FileStatus ReadPhrasesFile(const QString& path, Phrases* phrases) {
  *phrases = {};
  QByteArray bytes;
  FileStatus status = ReadWholeFile(path, &bytes, kPhrasesFileLimit);
  if (status.ok()) *phrases = DecodePhrasesFile(bytes);
  return status;
}

FileStatus WritePhrasesFile(const QString& path, const Phrases& phrases) {
  QByteArray old_bytes;
  const FileStatus read = ReadWholeFile(path, &old_bytes, kPhrasesFileLimit);
  if (!read.ok() && !read.missing()) return read;
  return WriteFileAtomically(path, EncodePhrasesFile(old_bytes, phrases));
}

}  // namespace truco
