#pragma once

#include <QByteArray>
#include <QString>

#include "playlist.h"

// What a station's answer is, told from its content type and first bytes as they come in: the
// stream itself, or a playlist (.pls, .m3u, .asx, .xspf, also under a vague content type) to be
// read whole. The pipeline holds the first bytes back from its decoder until this has decided,
// so the connection that asked is the one that plays.
class AnswerHead {
 public:
  enum class Verdict {
    Undecided,  // hold the bytes back and add more
    Stream,     // play: bytes() is what was held back
    Playlist,   // read whole (or up to the size cap): bytes() is the playlist
  };

  // An answer without a content type is read as its path's file name says.
  explicit AnswerHead(const QString& path);

  // The Content-Type of the answer; audio decides at once.
  Verdict setContentType(const QByteArray& contentType);
  // The next bytes of the answer.
  Verdict add(const QByteArray& bytes);
  // The answer ended: what has come is all there is.
  Verdict end();

  Verdict verdict() const { return verdict_; }
  const QByteArray& bytes() const { return bytes_; }
  playlist::Format format() const { return format_; }

 private:
  Verdict decide();

  const QString path_;
  QByteArray type_;
  QByteArray bytes_;
  bool ended_ = false;
  bool detected_ = false;  // the first bytes said "playlist"
  playlist::Format format_ = playlist::Format::Unknown;
  Verdict verdict_ = Verdict::Undecided;
};
