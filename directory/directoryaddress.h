#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include "version.h"

// Every address of the directory server is built here and nowhere else.
//
// The results are complete, fully percent-encoded address strings. Hand them on unchanged:
// to libcurl as they are, to Qt as QUrl(address, QUrl::StrictMode) or QUrl::fromEncoded().
// Never run one through QUrl::toString()/fromPercentEncoding() before sending, or the
// encoded "&", "#", "+" and blanks in a value turn back into delimiters.
class DirectoryAddress {
 public:
  // The bundled directory server.
  static inline const QString kDefaultBase = QStringLiteral("http://127.0.0.1:8047/");
  static inline const QString kVersion = QString::fromLatin1(Version::kText);

  // base: scheme http or https and a host; a path in it is kept as a prefix, query and
  // fragment are dropped. An unusable base falls back to the default.
  explicit DirectoryAddress(const QString& base = kDefaultBase);

  // A directory whose server may move (started again on another port): locate gives the base
  // to use before each address is built, having checked that the server there is still the
  // right one. Copies follow the same directory.
  using Locator = std::function<QString()>;
  explicit DirectoryAddress(Locator locate);

  // VANTOR_DIRECTORY_URL when set, else the default.
  static DirectoryAddress fromEnvironment();

  // The base in encoded form, always ending in "/".
  QString base() const {
    follow();
    return base_;
  }

  QString stationList(const QString& file) const;
  QString countryList(const QString& language) const;
  QString search(const QString& words, const QString& country) const;
  QString homePage(const QString& language, const QString& version = kVersion) const;
  QString aboutPage(const QString& language) const;
  QString report(const QString& language, const QString& streamUrl, const QString& stationName,
                 const QString& countryName) const;

  // address with the base it was built on replaced by today's, when that is one this directory
  // had earlier in the run (a server since started again elsewhere); else address unchanged.
  QString rebased(const QString& address) const;

  // host[:port] + "/", without the scheme: how the directory's own site is shown.
  QString siteAddress() const;

  // A query value: unreserved characters stay, everything else is %XX of its UTF-8.
  static QString encodeValue(const QString& value);
  // One path segment: like a value, and "." or ".." cannot climb out of the folder.
  static QString encodeSegment(const QString& segment);

 private:
  using Pair = std::pair<QString, QString>;
  // Keys are written as given, values encoded, in the order given.
  QString withQuery(const QString& path, std::initializer_list<Pair> query) const;
  void setBase(const QString& base) const;
  void follow() const;

  struct Moving {
    Locator locate;
    QStringList earlier;  // the bases it had before, shared by the copies
  };
  std::shared_ptr<Moving> moving_;
  mutable QString base_;
  mutable QUrl url_;
};
