#pragma once

#include <QByteArray>
#include <QList>
#include <QUrl>

// Reading the playlists that stations hand out instead of a stream (.pls, .m3u, .asx, .xspf).
// Pure functions: no I/O, the caller fetches the bytes.
namespace playlist {

// We never read more than this of a playlist; anything beyond is ignored.
inline constexpr qsizetype kMaxBytes = 128 * 1024;
// A playlist with more entries than this is cut: we only ever try the first few streams.
inline constexpr qsizetype kMaxEntries = 20;

enum class Format { Unknown, Pls, M3u, Asx, Xspf, Hls };

// Content types that are audio (or video) for sure, so the body need not be looked at.
bool isMediaType(const QByteArray& contentType);

// The playlist content type that a file name's extension stands for, or "" for any other.
QByteArray typeForPath(const QString& path);

// What an answer holds, from its content type and the first bytes of its body. Hls and Unknown
// both mean: hand the address to the media framework as it is.
Format detect(const QByteArray& contentType, const QByteArray& head);

// The stream addresses of a playlist in their order, relative ones resolved against base.
// Only network addresses are kept, and local files only when the playlist itself is local.
QList<QUrl> entries(Format format, const QByteArray& body, const QUrl& base);

}  // namespace playlist
