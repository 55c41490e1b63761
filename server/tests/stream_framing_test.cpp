#include "stream_framing.h"
#include "server_test_util.h"

#include <gtest/gtest.h>

#include <string>
using namespace std::string_literals;

#include <fstream>
#include <sstream>

using namespace vantor::server;

TEST(Icy, MetadataBlockIsPaddedToSixteenBytes) {
  EXPECT_EQ(icyMetadataBlock(""), std::string(1, '\0'));
  const std::string b = icyMetadataBlock("Polder FM");
  ASSERT_EQ(b.size(), 1 + 32u);
  EXPECT_EQ(b[0], 2);
  EXPECT_EQ(b.substr(1, 24), "StreamTitle='Polder FM';");
  EXPECT_EQ(b.substr(25), std::string(8, '\0'));
  EXPECT_EQ(icyMetadataBlock("It's").substr(1, 19), "StreamTitle='It s';");  // a quote would end the title
  const std::string huge = icyMetadataBlock(std::string(5000, 'x'));
  EXPECT_EQ(static_cast<unsigned char>(huge[0]), 255);
  EXPECT_EQ(huge.size(), 1 + 255 * 16u);
  EXPECT_EQ(huge.substr(huge.size() - 2), "';");
}

TEST(Icy, FramerKeepsTheIntervalAcrossWritesAndSendsChangesOnce) {
  IcyFramer framer(100);
  std::string audio, framed;
  for (int i = 0; i < 37; ++i) {
    const std::string piece(static_cast<size_t>(7 + i % 50), static_cast<char>('a' + i % 26));
    audio += piece;
    framer.frame(piece, i < 20 ? "one" : "two", framed);
  }
  std::string back;
  std::vector<std::string> titles;
  unframe(framed, 100, back, titles);
  EXPECT_EQ(back, audio);
  ASSERT_EQ(titles.size(), 2u);
  EXPECT_EQ(titles[0].substr(0, 19), "StreamTitle='one';\0"s.substr(0, 19));
  EXPECT_EQ(titles[1].substr(0, 18), "StreamTitle='two';");
}

TEST(Ogg, CrcMatchesTheReferenceCheckValue) {
  // CRC-32/MPEG-2 without final inversion and with a zero start: the Ogg variant.
  EXPECT_EQ(oggCrc("123456789"), 0x89A1897Fu);
}

TEST(Ogg, ReSerialledLoopStaysValid) {
  TempDir dir;
  const std::string path = dir.path("t.ogg");
  const std::string cmd = "sox -n -r 22050 -c 1 " + path + " synth 1.5 sine 440 2>/dev/null";
  if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "sox with Vorbis support is not installed";
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  const std::string file = ss.str();

  const auto pages = splitOggPages(file);  // checks every page's CRC against the encoder's
  ASSERT_GE(pages.size(), 3u);
  EXPECT_NEAR(oggVorbisSeconds(file, pages), 1.5, 0.05);

  const std::string again = oggWithSerialOffset(file, pages, 3);
  const auto pages2 = splitOggPages(again);
  ASSERT_EQ(pages2.size(), pages.size());
  auto serial = [](const std::string& f, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(f[at + 14])) |
           static_cast<uint32_t>(static_cast<unsigned char>(f[at + 15])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(f[at + 16])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(f[at + 17])) << 24;
  };
  EXPECT_EQ(serial(again, 0), serial(file, 0) + 3);

  std::string broken = file;
  broken[pages[1].offset + pages[1].size - 1] ^= 0x55;
  EXPECT_THROW(splitOggPages(broken), OggError);
  EXPECT_THROW(splitOggPages(file.substr(0, file.size() - 3)), OggError);
  EXPECT_THROW(splitOggPages("ID3 not ogg at all, not ogg at all"), OggError);
}
