#include "answerhead.h"

#include "app/textdecoding.h"

namespace {

constexpr qsizetype kSniffBytes = 4096;  // enough of an answer to tell a playlist from audio

// A content type that says nothing about what the body is.
bool isVagueType(const QByteArray& contentType) {
  const QByteArray mime = textdecoding::mimeOf(contentType);
  return mime.isEmpty() || mime == "text/plain" || mime == "application/octet-stream";
}

bool isPlaylist(playlist::Format f) {
  return f == playlist::Format::Pls || f == playlist::Format::M3u || f == playlist::Format::Asx ||
         f == playlist::Format::Xspf;
}

}  // namespace

AnswerHead::AnswerHead(const QString& path) : path_(path), type_(playlist::typeForPath(path)) {}

AnswerHead::Verdict AnswerHead::setContentType(const QByteArray& contentType) {
  if (verdict_ != Verdict::Undecided || !bytes_.isEmpty()) return verdict_;
  type_ = isVagueType(contentType) ? playlist::typeForPath(path_) : contentType;
  if (playlist::isMediaType(type_)) verdict_ = Verdict::Stream;
  return verdict_;
}

AnswerHead::Verdict AnswerHead::add(const QByteArray& bytes) {
  if (verdict_ != Verdict::Undecided) return verdict_;
  // A playlist is bounded; audio held back is at most the sniff size and one buffer more.
  bytes_ += detected_ ? bytes.left(playlist::kMaxBytes + 1 - bytes_.size()) : bytes;
  return decide();
}

AnswerHead::Verdict AnswerHead::end() {
  if (verdict_ != Verdict::Undecided) return verdict_;
  ended_ = true;
  return decide();
}

AnswerHead::Verdict AnswerHead::decide() {
  const bool full = bytes_.size() > playlist::kMaxBytes;
  if (!detected_) {
    if (!ended_ && bytes_.size() < kSniffBytes) return verdict_;
    format_ = playlist::detect(type_, bytes_);
    if (!isPlaylist(format_)) return verdict_ = Verdict::Stream;
    detected_ = true;
    if (full) bytes_.truncate(playlist::kMaxBytes + 1);
  }
  if (ended_ || full) verdict_ = Verdict::Playlist;
  return verdict_;
}
