#include <gtest/gtest.h>

#include "desktop/nowplaying.h"

namespace {

// The expected records are written out by hand, two bytes per character, low byte first.
// "\0" in the buffer is a backslash (5c 00) and the digit zero (30 00), never a NUL.
TEST(NowPlayingBuffer, MatchesTheMessengerRecordByteForByte) {
  // "Nu: Ελλάς": Greek letters beyond Latin-1 keep both bytes of their code unit.
  const MessengerCopyData greek =
      nowPlayingCopyData("Music", true, "{1}{0}", {}, QString::fromUtf8("Nu: Ελλάς"), {}, {});
  const QByteArray expected = QByteArray::fromHex(
      "5c003000"                  // \0
      "4d00750073006900 6300"     // Music
      "5c003000"                  // \0
      "3100"                      // 1
      "5c003000"                  // \0
      "7b0031007d007b0030007d00"  // {1}{0}
      "5c003000"                  // \0  (value 0 empty)
      "5c003000"                  // \0
      "4e0075003a002000"
      "9503bb03bb03ac03c203"  // Nu: Ελλάς
      "5c003000"              // \0  (value 2 empty)
      "5c003000"              // \0  (value 3 empty)
      "5c003000"              // \0
      "0000");                // NUL
  EXPECT_EQ(greek.buffer.toHex(' '), expected.toHex(' '));
  EXPECT_EQ(greek.tag, 1351u);
  // 38 characters, the final NUL included.
  EXPECT_EQ(greek.byteCount, 76u);
  EXPECT_EQ(greek.byteCount, static_cast<quint32>(greek.buffer.size()));

  // No station yet: the prefix and one blank, and the record is still whole.
  const MessengerCopyData empty = nowPlayingCopyData("Music", true, "{1}{0}", {}, "Nu: ", {}, {});
  const QByteArray expectedEmpty = QByteArray::fromHex(
      "5c003000 4d00750073006900 6300 5c003000 3100 5c003000 7b0031007d007b0030007d00 5c003000"
      "5c003000 4e0075003a002000 5c003000 5c003000 5c003000 0000");
  EXPECT_EQ(empty.buffer.toHex(' '), expectedEmpty.toHex(' '));
  EXPECT_EQ(empty.byteCount, 66u);
}

}  // namespace
