#include "upstream_fields.h"

#include <gtest/gtest.h>

using namespace vantor::server;

TEST(UpstreamFields, NamesLoseTagsAndControlCharactersButKeepTheirText) {
  EXPECT_EQ(cleanName("<b>Hitradio</b> </naam><url>http://evil/</url>"), "Hitradio http://evil/");
  EXPECT_EQ(cleanName("Rock &amp; Roll <3 Radio"),
            "Rock & Roll \xE2\x80\xB9"
            "3 Radio");
  EXPECT_EQ(cleanName("&lt;naam&gt;x&lt;/naam&gt;"), "x");  // entities cannot smuggle tags in
  EXPECT_EQ(cleanName("a > b"), "a \xE2\x80\xBA b");
  EXPECT_EQ(cleanName("  Caf\xC3\xA9\t\r\nRadio \xF0\x9F\x8E\xBB  "), "Caf\xC3\xA9 Radio \xF0\x9F\x8E\xBB");
  EXPECT_EQ(cleanName("Caf\xE9"), "Caf\xC3\xA9");  // not UTF-8: read as Windows-1252
  const std::string longName = cleanName(std::string(199, 'a') + "\xC3\xA9" + "b");
  EXPECT_EQ(longName, std::string(199, 'a'));  // cut before a split character, never inside it
  EXPECT_EQ(cleanName(" \n\t "), "");
}
