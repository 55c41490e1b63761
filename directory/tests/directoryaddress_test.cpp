#include "directory/directoryaddress.h"

#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>

namespace {

const DirectoryAddress kLocal(u"http://127.0.0.1:8047/"_qs);

TEST(DirectoryAddress, EveryRequestOfTheDirectory) {
  EXPECT_EQ(kLocal.stationList(u"holland.txt"_qs),
            u"http://127.0.0.1:8047/radio/inter/zenders/holland.txt"_qs);
  EXPECT_EQ(kLocal.countryList(u"Nederlands"_qs), u"http://127.0.0.1:8047/radio/inter/keuze.php"_qs);
  EXPECT_EQ(kLocal.countryList(u"nederlands"_qs),
            u"http://127.0.0.1:8047/radio/inter/keuze.php?lang=nederlands"_qs);
  EXPECT_EQ(kLocal.countryList(u"English"_qs),
            u"http://127.0.0.1:8047/radio/inter/keuze.php?lang=English"_qs);
  EXPECT_EQ(kLocal.search(u"jazz"_qs, QString()),
            u"http://127.0.0.1:8047/radio/inter/zenders/radio-lijst-zoek.php?zoeken=jazz&land="_qs);
  EXPECT_EQ(kLocal.homePage(u"English"_qs),
            u"http://127.0.0.1:8047/radio/inter/website/index.php?wat=home&lang=English&versie=2.0"_qs);
  EXPECT_EQ(kLocal.aboutPage(u"Nederlands"_qs),
            u"http://127.0.0.1:8047/radio/inter/website/index.php?wat=about&lang=Nederlands"_qs);
  EXPECT_EQ(kLocal.report(u"English"_qs, u"http://s.nl/live"_qs, u"Radio 1"_qs, u"Holland"_qs),
            u"http://127.0.0.1:8047/radio/inter/website/index.php?wat=melding&lang=English"
            "&zenderurl=http%3A%2F%2Fs.nl%2Flive&zendernaam=Radio%201&zenderland=Holland"_qs);
}

TEST(DirectoryAddress, ValuesCannotBreakTheRequest) {
  EXPECT_EQ(DirectoryAddress::encodeValue(u"AZaz09-._~"_qs), u"AZaz09-._~"_qs);
  EXPECT_EQ(DirectoryAddress::encodeValue(u"a b&c=d#e+f/g?h%ü"_qs),
            u"a%20b%26c%3Dd%23e%2Bf%2Fg%3Fh%25%C3%BC"_qs);

  // Read back the way a server or QUrl reads it: every value whole, no extra keys.
  const QString address =
      kLocal.report(u"English"_qs, u"http://x/?a=1&b=2#f"_qs, u"Rock & Roll +1 100%"_qs, u"Côte d'Ivoire"_qs);
  const QUrl url(address, QUrl::StrictMode);
  ASSERT_TRUE(url.isValid());
  EXPECT_EQ(QString::fromLatin1(url.toEncoded()), address);  // QUrl does not re-decode it
  const QUrlQuery query(url);
  EXPECT_EQ(query.queryItems().size(), 5);
  EXPECT_EQ(query.queryItemValue(u"zenderurl"_qs, QUrl::FullyDecoded), u"http://x/?a=1&b=2#f"_qs);
  EXPECT_EQ(query.queryItemValue(u"zendernaam"_qs, QUrl::FullyDecoded), u"Rock & Roll +1 100%"_qs);
  EXPECT_EQ(query.queryItemValue(u"zenderland"_qs, QUrl::FullyDecoded), u"Côte d'Ivoire"_qs);
}

TEST(DirectoryAddress, FileNameStaysOneSegment) {
  EXPECT_EQ(kLocal.stationList(u"../geheim"_qs), u"http://127.0.0.1:8047/radio/inter/zenders/..%2Fgeheim"_qs);
  EXPECT_EQ(kLocal.stationList(u".."_qs), u"http://127.0.0.1:8047/radio/inter/zenders/%2E%2E"_qs);
  EXPECT_EQ(kLocal.stationList(u"a b?.txt"_qs), u"http://127.0.0.1:8047/radio/inter/zenders/a%20b%3F.txt"_qs);
}

TEST(DirectoryAddress, BaseAddressAndSite) {
  EXPECT_EQ(kLocal.siteAddress(), u"127.0.0.1:8047/"_qs);

  const DirectoryAddress plain(u"https://radio.example.org"_qs);
  EXPECT_EQ(plain.base(), u"https://radio.example.org/"_qs);
  EXPECT_EQ(plain.siteAddress(), u"radio.example.org/"_qs);

  // A path is kept as a prefix; query and fragment of the base are dropped.
  const DirectoryAddress below(u"http://host:81/dir?x=1#top"_qs);
  EXPECT_EQ(below.stationList(u"a.txt"_qs), u"http://host:81/dir/radio/inter/zenders/a.txt"_qs);
  EXPECT_EQ(below.siteAddress(), u"host:81/"_qs);

  EXPECT_EQ(DirectoryAddress(u"http://[::1]:8047/"_qs).siteAddress(), u"[::1]:8047/"_qs);

  for (const QString& bad : {u""_qs, u"ftp://host/"_qs, u"file:///tmp/"_qs, u"not a url"_qs})
    EXPECT_EQ(DirectoryAddress(bad).base(), DirectoryAddress::kDefaultBase) << bad.toStdString();
}

TEST(DirectoryAddress, BaseFromTheEnvironment) {
  const QByteArray saved = qgetenv("VANTOR_DIRECTORY_URL");
  const bool wasSet = qEnvironmentVariableIsSet("VANTOR_DIRECTORY_URL");

  qunsetenv("VANTOR_DIRECTORY_URL");
  EXPECT_EQ(DirectoryAddress::fromEnvironment().base(), u"http://127.0.0.1:8047/"_qs);
  qputenv("VANTOR_DIRECTORY_URL", "http://127.0.0.1:9999");
  EXPECT_EQ(DirectoryAddress::fromEnvironment().countryList(u"English"_qs),
            u"http://127.0.0.1:9999/radio/inter/keuze.php?lang=English"_qs);
  EXPECT_EQ(DirectoryAddress::fromEnvironment().siteAddress(), u"127.0.0.1:9999/"_qs);

  if (wasSet)
    qputenv("VANTOR_DIRECTORY_URL", saved);
  else
    qunsetenv("VANTOR_DIRECTORY_URL");
}

// A server started again on another port is followed by every copy, at each address.
TEST(DirectoryAddress, AMovingDirectoryIsLookedUpBeforeEachAddress) {
  QString where = u"http://127.0.0.1:4001/"_qs;
  const DirectoryAddress moving([&where] { return where; });
  const DirectoryAddress copy = moving;
  EXPECT_EQ(copy.stationList(u"nl.txt"_qs), u"http://127.0.0.1:4001/radio/inter/zenders/nl.txt"_qs);
  where = u"http://127.0.0.1:4002/"_qs;
  EXPECT_EQ(copy.countryList(u"Nederlands"_qs), u"http://127.0.0.1:4002/radio/inter/keuze.php"_qs);
  EXPECT_EQ(moving.siteAddress(), u"127.0.0.1:4002/"_qs);
  // A station listed by the server of before is played from today's.
  EXPECT_EQ(moving.rebased(u"http://127.0.0.1:4001/play/7a1c"_qs), u"http://127.0.0.1:4002/play/7a1c"_qs);
  for (const QString& other : {u"http://127.0.0.1:4002/play/7a1c"_qs, u"http://127.0.0.1:4003/play/7a1c"_qs,
                               u"https://radio.example.org/stream"_qs})
    EXPECT_EQ(moving.rebased(other), other);
}

}  // namespace
