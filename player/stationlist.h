#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

#include "favourites.h"

// The favourites as one playlist file (M3U with #EXTINF names, PLS or XSPF), written for other
// players and read from them. A file read is outside data: only http(s) entries, names that
// can be favourite files, and everything bounded.
namespace stationlist {

// A file larger than this is not read at all; a favourites list is a few kilobytes.
inline constexpr qint64 kMaxFileBytes = 1024 * 1024;
inline constexpr qsizetype kMaxStations = 1000;
inline constexpr qsizetype kMaxNameChars = 100;
inline constexpr qsizetype kMaxAddressChars = 2048;

enum class Format { M3u, Pls, Xspf };

// By the file name's extension; M3U for any other.
Format formatForPath(const QString& path);
// Whether the file name ends in .m3u, .m3u8, .pls or .xspf.
bool isPlaylistPath(const QString& path);

QByteArray write(Format format, const QList<Favourite>& stations);

struct Contents {
  QList<Favourite> stations;
  int refused = 0;  // entries that are no http(s) address, or beyond the cap
};

// The stations of a playlist's bytes; the format is told from the bytes, else the file name.
// Nothing for anything that is no M3U, PLS or XSPF list.
std::optional<Contents> parse(const QByteArray& body, const QString& fileName);
// A local regular file of at most kMaxFileBytes; nothing when it cannot be read or is larger.
std::optional<Contents> readFile(const QString& path);

// Whether the text is an http or https address with a host, short and without blanks.
bool isStationAddress(const QString& address);
// A name that can be a favourite file: one plain line without path separators, hidden-file
// dots or bidi controls, at most kMaxNameChars; from the address when nothing of it is left.
QString safeName(const QString& name, const QString& address);

struct Added {
  int added = 0;
  int skipped = 0;  // already a favourite (by name or address), or not writable
};
// Adds each station as a favourite unless one by that name or with that address is there.
Added addAll(const Favourites& favourites, const QList<Favourite>& stations);
// Every favourite that reads, in name order.
QList<Favourite> readAll(const Favourites& favourites);

}  // namespace stationlist
