// The playlist reader on any answer: never crashes, never gives more than its entry cap, and
// a playlist from the network never names a local file.
#include <QByteArray>
#include <QUrl>

#include <cstdint>
#include <cstdlib>

#include "playback/playlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // The first byte picks the content type the answer claims.
  static const QByteArray types[] = {
      "",           "audio/x-scpls", "audio/x-mpegurl", "video/x-ms-asf", "application/xspf+xml",
      "text/plain", "audio/mpeg"};
  const QByteArray type = types[data[0] % (sizeof types / sizeof *types)];
  const QByteArray body(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  const playlist::Format format = playlist::detect(type, body);
  const QList<QUrl> found = playlist::entries(format, body, QUrl(QStringLiteral("http://127.0.0.1/list")));
  if (found.size() > playlist::kMaxEntries) std::abort();
  for (const QUrl& url : found)
    if (url.isLocalFile()) std::abort();
  return 0;
}
