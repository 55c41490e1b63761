// The stream-title decoder on any bytes: never crashes, and repairing gives valid text.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

#include "playback/streamtitle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray raw(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString title = streamtitle::repair(raw);
  // No lone surrogate halves: the title must survive a round trip through UTF-8.
  if (QString::fromUtf8(title.toUtf8()) != title) std::abort();
  const qsizetype half = title.size() / 2;
  (void)streamtitle::compose(title.left(half), title.mid(half));
  return 0;
}
