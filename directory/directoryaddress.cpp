#include "directoryaddress.h"

#include "directory_log.h"

namespace {

bool usable(const QUrl& url) {
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

const QString kSitePage = QStringLiteral("radio/inter/website/index.php");

}  // namespace

DirectoryAddress::DirectoryAddress(const QString& base) { setBase(base); }

DirectoryAddress::DirectoryAddress(Locator locate) : moving_(std::make_shared<Moving>(Moving{std::move(locate), {}})) {
  follow();
}

void DirectoryAddress::follow() const {
  if (!moving_) return;
  const QString base = moving_->locate();
  if (base == base_) return;
  if (!base_.isEmpty() && !moving_->earlier.contains(base_)) moving_->earlier << base_;
  setBase(base);
}

QString DirectoryAddress::rebased(const QString& address) const {
  if (!moving_) return address;
  follow();
  for (const QString& earlier : std::as_const(moving_->earlier))
    if (earlier != base_ && address.startsWith(earlier)) return base_ + address.mid(earlier.size());
  return address;
}

void DirectoryAddress::setBase(const QString& base) const {
  QUrl url(base.trimmed(), QUrl::StrictMode);
  if (!usable(url)) {
    qCWarning(lcDirectory) << "unusable directory address" << base << "- using" << kDefaultBase;
    url = QUrl(kDefaultBase);
  }
  url.setQuery(QString());
  url.setFragment(QString());
  QString path = url.path(QUrl::FullyEncoded);
  if (!path.endsWith(u'/')) path += u'/';
  url.setPath(path, QUrl::StrictMode);
  url_ = url;
  base_ = QString::fromLatin1(url.toEncoded(QUrl::RemoveQuery | QUrl::RemoveFragment));
}

DirectoryAddress DirectoryAddress::fromEnvironment() {
  const QString fromEnv = qEnvironmentVariable("VANTOR_DIRECTORY_URL").trimmed();
  return DirectoryAddress(fromEnv.isEmpty() ? kDefaultBase : fromEnv);
}

QString DirectoryAddress::encodeValue(const QString& value) {
  // QByteArray's default keeps exactly RFC 3986's unreserved set: ALPHA DIGIT - . _ ~
  return QString::fromLatin1(value.toUtf8().toPercentEncoding());
}

QString DirectoryAddress::encodeSegment(const QString& segment) {
  if (segment == u"." || segment == u"..") return QStringLiteral("%2E").repeated(segment.size());
  return encodeValue(segment);
}

QString DirectoryAddress::withQuery(const QString& path, std::initializer_list<Pair> query) const {
  QString address = base() + path;
  QChar separator = u'?';
  for (const auto& [key, value] : query) {
    address += separator + key + u'=' + encodeValue(value);
    separator = u'&';
  }
  return address;
}

QString DirectoryAddress::stationList(const QString& file) const {
  return base() + QStringLiteral("radio/inter/zenders/") + encodeSegment(file);
}

QString DirectoryAddress::countryList(const QString& language) const {
  const QString path = QStringLiteral("radio/inter/keuze.php");
  // Dutch is the directory's own language and is asked for without a "lang" value.
  if (language == u"Nederlands") return withQuery(path, {});
  return withQuery(path, {{QStringLiteral("lang"), language}});
}

QString DirectoryAddress::search(const QString& words, const QString& country) const {
  return withQuery(QStringLiteral("radio/inter/zenders/radio-lijst-zoek.php"),
                   {{QStringLiteral("zoeken"), words}, {QStringLiteral("land"), country}});
}

QString DirectoryAddress::homePage(const QString& language, const QString& version) const {
  return withQuery(kSitePage, {{QStringLiteral("wat"), QStringLiteral("home")},
                               {QStringLiteral("lang"), language},
                               {QStringLiteral("versie"), version}});
}

QString DirectoryAddress::aboutPage(const QString& language) const {
  return withQuery(kSitePage,
                   {{QStringLiteral("wat"), QStringLiteral("about")}, {QStringLiteral("lang"), language}});
}

QString DirectoryAddress::report(const QString& language, const QString& streamUrl,
                                 const QString& stationName, const QString& countryName) const {
  return withQuery(kSitePage, {{QStringLiteral("wat"), QStringLiteral("melding")},
                               {QStringLiteral("lang"), language},
                               {QStringLiteral("zenderurl"), streamUrl},
                               {QStringLiteral("zendernaam"), stationName},
                               {QStringLiteral("zenderland"), countryName}});
}

QString DirectoryAddress::siteAddress() const {
  follow();
  QString host = url_.host(QUrl::FullyEncoded);
  if (host.contains(u':')) host = u'[' + host + u']';
  const int port = url_.port();
  if (port >= 0) host += u':' + QString::number(port);
  return host + u'/';
}
