#include "keptaddress.h"

namespace keptaddress {
namespace {

bool isLoopback(const QUrl& url) {
  const QString host = url.host();
  return host == u"localhost" || host == u"::1" || (host.startsWith(u"127.") && host.count(u'.') == 3);
}

bool isHttp(const QUrl& url) { return url.scheme() == u"http" || url.scheme() == u"https"; }

// "/<folder>/<one segment>": the rest of the path after the folder, or a null string.
QString segmentUnder(const QUrl& url, QStringView folder) {
  const QString path = url.path();
  if (!path.startsWith(folder)) return {};
  const QString rest = path.mid(folder.size());
  return rest.isEmpty() || rest.contains(u'/') ? QString() : rest;
}

// The server's own rule for a station id: hex digits and dashes.
bool isStationId(const QString& s) {
  if (s.isEmpty() || s.size() > 64) return false;
  for (const QChar c : s)
    if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f') && c != u'-') return false;
  return true;
}

}  // namespace

QString playStationId(const QUrl& url) {
  if (!url.isValid() || !isHttp(url) || !isLoopback(url) || url.hasQuery()) return {};
  const QString id = segmentUnder(url, u"/play/");
  return isStationId(id) ? id : QString();
}

bool isPlayAddressOf(const QString& address, const QString& stationId) {
  const QString id = playStationId(QUrl(address));
  return !id.isEmpty() && id.compare(stationId, Qt::CaseInsensitive) == 0;
}

QList<QUrl> throughDirectory(const QUrl& address, const QUrl& base) {
  if (!base.isValid() || !isHttp(base) || base.host().isEmpty()) return {address};
  const bool play = !playStationId(address).isEmpty();
  const bool demo = !play && isHttp(address) && isLoopback(address) && !address.hasQuery() &&
                    !segmentUnder(address, u"/stream/").isEmpty();
  if (!play && !demo) return {address};
  QUrl today = address;
  today.setScheme(base.scheme());
  today.setHost(base.host());
  today.setPort(base.port());
  if (today == address) return {address};
  return play ? QList<QUrl>{today} : QList<QUrl>{address, today};
}

}  // namespace keptaddress
