#pragma once

#include <QByteArray>
#include <QUrl>

#include <optional>

#include "playlist.h"

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

// Watches what a network source reads, so that one connection serves both the look at the
// answer and the playing: the first bytes are held back from the decoder until AnswerHead has
// told a stream from a playlist. A stream goes on unchanged; a playlist is read whole (within
// its size cap), kept from the decoder and handed over in an element message, for our own
// parser to read: GStreamer never follows a playlist's entries.
namespace answerprobe {

// Called from playbin's source-setup, for any source that reads from the network.
void watch(GstElement* source);

struct Playlist {
  playlist::Format format = playlist::Format::Unknown;
  QByteArray body;
  QUrl base;  // where it was found, after redirects
};

// Where the source's redirects led it; empty when it was not redirected.
QUrl redirection(GstElement* source);

// The message that carries a playlist.
bool isPlaylistMessage(GstMessage* msg);
std::optional<Playlist> playlistOf(GstMessage* msg);

}  // namespace answerprobe
