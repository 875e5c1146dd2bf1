#include "net/play/resume_keeper.h"

#include <QByteArray>
#include <QFile>

#include "store/atomic_write.h"

namespace truco::net {
namespace {
// What `saved` holds once the file of a voided game is gone (every file's text starts with its
// header).
constexpr char kVoided[] = "voided";
}  // namespace

ResumeLoad LoadResume(const QString& path, const std::string& own_name, std::int64_t now_ms,
                      Side side) {
  ResumeLoad load;
  QByteArray bytes;
  const FileStatus status = ReadWholeFile(path, &bytes, kMaxResumeFileBytes);
  if (status.missing()) return load;
  if (status.fault == FileFault::TooLarge) {
    load.message = kTextResumeTooLarge;
    return load;
  }
  if (!status.ok()) {
    load.message = kTextResumeUnreadable;
    return load;
  }
  const auto record =
      DecodeResumeFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  const bool guests = record && record->state.deal && record->state.deal->side() == Side::Guest;
  if (!record || guests != (side == Side::Guest)) {
    load.message = kTextResumeDamaged;
  } else if (record->own_name != own_name) {
    load.message = kTextResumeOtherName;
  } else if (record->written_ms > now_ms) {
    load.message = kTextResumeFuture;
  } else if (now_ms - record->written_ms > kResumeFreshMs) {
    load.message = kTextResumeStale;
  } else {
    load.state = record->state;
  }
  return load;
}

FileStatus SaveResume(const QString& path, const NetworkedHand::ResumeState& state,
                      const std::string& own_name, std::int64_t now_ms) {
  const std::string text = EncodeResumeFile({own_name, now_ms, state});
  // A jointly dealt hand keeps this side's secret in the file: nobody else may read it.
  return WriteFileAtomically(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())),
                             FileAccess::Private);
}

void KeepResume(const QString& path, const NetworkedHand& hand, const std::string& own_name,
                std::int64_t now_ms, std::string& saved) {
  if (path.isEmpty()) return;
  if (hand.cheat_found()) {
    if (saved != kVoided && (QFile::remove(path) || !QFile::exists(path))) saved = kVoided;
    return;
  }
  const auto state = hand.Snapshot();
  if (!state) {
    // A guest playing on with nothing of a hand to keep (between hands) leaves no file behind.
    if (hand.side() == Side::Guest && hand.linked() && hand.started() && saved != kVoided &&
        (QFile::remove(path) || !QFile::exists(path))) {
      saved = kVoided;
    }
    return;
  }
  // The same game as written: no write (a chat line changes nothing of it).
  const std::string text = EncodeResumeFile({own_name, 0, *state});
  if (text == saved) return;
  if (SaveResume(path, *state, own_name, now_ms).ok()) saved = text;
}

}  // namespace truco::net
