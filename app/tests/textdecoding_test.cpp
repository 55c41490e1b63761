#include "app/textdecoding.h"

#include <gtest/gtest.h>

using namespace textdecoding;

namespace {

TEST(TextDecodingTest, CharsetIsReadWhateverTheServerWrites) {
  EXPECT_EQ(charsetOf("text/html; charset=UTF-8"), "utf-8");
  EXPECT_EQ(charsetOf("text/html;CharSet=ISO-8859-1"), "iso-8859-1");
  EXPECT_EQ(charsetOf("text/html; charset = \"Windows-1252\" "), "windows-1252");
  EXPECT_EQ(charsetOf("text/html; charset='koi8-r'"), "koi8-r");
  EXPECT_EQ(charsetOf("text/plain; format=flowed; charset=us-ascii"), "us-ascii");
  // Not a charset parameter: none, the media type itself, or the word inside another value.
  EXPECT_EQ(charsetOf("text/html"), "");
  EXPECT_EQ(charsetOf("charset=utf-8"), "");
  EXPECT_EQ(charsetOf("text/plain; name=\"charset=utf-8\""), "");
  EXPECT_EQ(charsetOf("text/plain; xcharset=utf-8"), "");
  EXPECT_EQ(charsetOf("text/plain; charset=\""), "\"");

  EXPECT_EQ(mimeOf(" Audio/X-MPEGURL ; charset=utf-8"), "audio/x-mpegurl");
  EXPECT_EQ(mimeOf("audio/mpeg"), "audio/mpeg");
  EXPECT_EQ(mimeOf(""), "");
}

TEST(TextDecodingTest, EveryWindows1252ByteComesBackFromItsCharacter) {
  for (int b = 0; b < 256; ++b) {
    const QString text = decodeWindows1252(QByteArray(1, char(b)));
    ASSERT_EQ(text.size(), 1);
    EXPECT_EQ(encodeWindows1252(text[0].unicode()), std::optional<char>(char(b))) << b;
  }
  EXPECT_EQ(decodeWindows1252("\x80\x93x\x94\x9F\x81"), QString::fromUtf8("\u20ac\u201cx\u201d\u0178\u0081"));
  // A C1 control that Latin-1 made of a byte goes back to that byte.
  EXPECT_EQ(encodeWindows1252(0x0080), std::optional<char>('\x80'));
  EXPECT_EQ(encodeWindows1252(0x4E2D), std::nullopt);
  EXPECT_EQ(encodeWindows1252(0x0100), std::nullopt);
}

TEST(TextDecodingTest, TextIsUtf8WhenItCanBeAndWindows1252Otherwise) {
  EXPECT_EQ(decodeText("\xEF\xBB\xBF"
                       "caf\xC3\xA9"),
            QString::fromUtf8("café"));
  EXPECT_EQ(decodeText("caf\xE9 \x80"), QString::fromUtf8("café €"));
  EXPECT_EQ(decodeText(QByteArray("a\0b", 3)), QString::fromUtf8(QByteArray("a\0b", 3)));
  EXPECT_EQ(decodeText(""), "");
}

TEST(TextDecodingTest, LabelsChooseTheDecoderAndUnknownOnesLeaveTheGuessToTheCaller) {
  EXPECT_EQ(decodeAs("\xEF\xBB\xBF"
                     "caf\xC3\xA9",
                     "utf-8"),
            QString::fromUtf8("café"));
  // Latin-1 and ASCII labels get the Windows-1252 characters in 0x80..0x9F.
  for (const char* label : {"iso-8859-1", "latin1", "us-ascii", "cp1252"})
    EXPECT_EQ(decodeAs("\x80", label), QString::fromUtf8("\u20ac")) << label;
  EXPECT_EQ(decodeAs(QByteArray("a\0b\0", 4), "utf-16le"), u"ab");
  EXPECT_EQ(decodeAs("abc", ""), std::nullopt);
  EXPECT_EQ(decodeAs("abc", "x-no-such-thing"), std::nullopt);
}

}  // namespace
