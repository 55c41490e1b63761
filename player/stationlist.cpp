#include "stationlist.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include "app/ini.h"
#include "app/regularfile.h"
#include "app/textdecoding.h"
#include "app/trap.h"
#include "playback/playlist.h"
#include "player_log.h"

namespace stationlist {
namespace {

// The favourite's home page has no place in M3U or PLS; other players skip these lines.
const QString kM3uWebsite = QStringLiteral("#EXTWEBSITE:");

// One line of plain text: control characters and bidi controls go, blanks are folded.
QString plainLine(const QString& text, qsizetype maxChars) {
  QString out;
  for (const QChar c : textdecoding::withoutBidiControls(text)) out += c.isPrint() ? c : QChar(u' ');
  return out.simplified().left(maxChars).trimmed();
}

// Kept as the directory lists home pages, without "http://"; any scheme but http(s) goes.
QString safeWebsite(const QString& site) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d)"));
  QString s = plainLine(site, 1000);
  if (scheme.match(s).hasMatch() && !isStationAddress(s)) return {};
  if (s.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)) s.remove(0, 7);
  return s;
}

QString fileNameOf(const QString& text) {
  QString s = plainLine(text, kMaxNameChars * 2);
  s.replace(u'/', u'-').replace(u'\\', u'-');
  while (s.startsWith(u'.') || s.startsWith(u'-') || s.startsWith(u' ')) s.remove(0, 1);
  s = s.left(kMaxNameChars).trimmed();
  return Favourites::isFileName(s) ? s : QString();
}

class Collector {
 public:
  void add(const QString& address, const QString& name, const QString& website) {
    const QString url = address.trimmed();
    if (out_.stations.size() >= kMaxStations || !isStationAddress(url)) {
      ++out_.refused;
      return;
    }
    out_.stations.append({safeName(name, url), url, safeWebsite(website)});
  }
  Contents take() { return std::move(out_); }

 private:
  Contents out_;
};

QStringList lines(QByteArray body) {
  // A BOM before text that is not UTF-8 after all.
  if (body.startsWith("\xEF\xBB\xBF")) body.remove(0, 3);
  QStringList out;
  for (const QString& line : textdecoding::decodeText(body).split(u'\n'))
    if (!line.trimmed().isEmpty()) out << line.trimmed();
  return out;
}

Contents parseM3u(const QByteArray& body) {
  Collector c;
  QString name, website;
  for (const QString& line : lines(body)) {
    if (line.startsWith(QStringLiteral("#EXTINF:"), Qt::CaseInsensitive)) {
      const qsizetype comma = line.indexOf(u',');
      name = comma < 0 ? QString() : line.mid(comma + 1);
    } else if (line.startsWith(kM3uWebsite, Qt::CaseInsensitive)) {
      website = line.mid(kM3uWebsite.size());
    } else if (!line.startsWith(u'#')) {
      c.add(line, name, website);
      name.clear();
      website.clear();
    }
  }
  return c.take();
}

Contents parsePls(const QByteArray& body) {
  static const QRegularExpression key(QStringLiteral("^(file|title|website)(\\d+)\\s*=\\s*(.*)$"),
                                      QRegularExpression::CaseInsensitiveOption);
  QMap<int, QStringList> byNumber;  // address, name, website
  bool inPlaylist = false;
  for (const QString& line : lines(body)) {
    if (line.startsWith(u'[')) {
      inPlaylist = line.compare(QStringLiteral("[playlist]"), Qt::CaseInsensitive) == 0;
      continue;
    }
    const auto m = key.match(line);
    bool ok = false;
    const int n = m.captured(2).toInt(&ok);
    if (!inPlaylist || !m.hasMatch() || !ok) continue;
    if (!byNumber.contains(n) && byNumber.size() > kMaxStations) continue;
    QStringList& entry = byNumber[n];
    entry.resize(3);
    const QString field = m.captured(1).toLower();
    entry[field == u"file" ? 0 : field == u"title" ? 1 : 2] = m.captured(3);
  }
  Collector c;
  for (const QStringList& e : byNumber)
    if (!e[0].isEmpty()) c.add(e[0], e[1], e[2]);
  return c.take();
}

Contents parseXspf(const QByteArray& body) {
  Collector c;
  QXmlStreamReader xml(body);
  QString location, title, info;
  bool inTrack = false;
  while (!xml.atEnd() && !xml.hasError()) {
    xml.readNext();
    if (xml.isStartElement() && xml.name() == u"track") {
      inTrack = true;
      location.clear();
      title.clear();
      info.clear();
    } else if (xml.isStartElement() && inTrack) {
      QString* field = xml.name() == u"location" ? &location
                       : xml.name() == u"title"  ? &title
                       : xml.name() == u"info"   ? &info
                                                 : nullptr;
      if (field && field->isEmpty()) *field = xml.readElementText(QXmlStreamReader::SkipChildElements);
    } else if (xml.isEndElement() && xml.name() == u"track") {
      inTrack = false;
      c.add(location, title, info);
    }
  }
  return c.take();
}

}  // namespace

Format formatForPath(const QString& path) {
  const QString p = path.toLower();
  if (p.endsWith(QStringLiteral(".pls"))) return Format::Pls;
  if (p.endsWith(QStringLiteral(".xspf"))) return Format::Xspf;
  return Format::M3u;
}

bool isPlaylistPath(const QString& path) {
  for (const char* ending : {".m3u", ".m3u8", ".pls", ".xspf"})
    if (path.endsWith(QLatin1String(ending), Qt::CaseInsensitive)) return true;
  return false;
}

QByteArray write(Format format, const QList<Favourite>& stations) {
  QByteArray out;
  if (format == Format::M3u) {
    out += "#EXTM3U\n";
    for (const Favourite& s : stations) {
      out += "#EXTINF:-1," + s.naam.toUtf8() + '\n';
      if (!s.website.isEmpty()) out += kM3uWebsite.toUtf8() + s.website.toUtf8() + '\n';
      out += s.url.toUtf8() + '\n';
    }
  } else if (format == Format::Pls) {
    out += "[playlist]\n";
    for (qsizetype i = 0; i < stations.size(); ++i) {
      const QByteArray n = QByteArray::number(i + 1);
      out += "File" + n + '=' + stations[i].url.toUtf8() + "\nTitle" + n + '=' + stations[i].naam.toUtf8() +
             "\nLength" + n + "=-1\n";
      if (!stations[i].website.isEmpty()) out += "Website" + n + '=' + stations[i].website.toUtf8() + '\n';
    }
    out += "NumberOfEntries=" + QByteArray::number(stations.size()) + "\nVersion=2\n";
  } else {
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("playlist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeDefaultNamespace(QStringLiteral("http://xspf.org/ns/0/"));
    xml.writeStartElement(QStringLiteral("trackList"));
    for (const Favourite& s : stations) {
      xml.writeStartElement(QStringLiteral("track"));
      xml.writeTextElement(QStringLiteral("location"), s.url);
      xml.writeTextElement(QStringLiteral("title"), s.naam);
      if (!s.website.isEmpty()) xml.writeTextElement(QStringLiteral("info"), s.website);
      xml.writeEndElement();
    }
    xml.writeEndDocument();
  }
  return out;
}

std::optional<Contents> parse(const QByteArray& body, const QString& fileName) {
  if (body.size() > kMaxFileBytes) return std::nullopt;
  switch (playlist::detect(playlist::typeForPath(fileName), body)) {
    case playlist::Format::M3u:
      return parseM3u(body);
    case playlist::Format::Pls:
      return parsePls(body);
    case playlist::Format::Xspf:
      return parseXspf(body);
    default:
      return std::nullopt;
  }
}

std::optional<Contents> readFile(const QString& path) {
  QFile file;
  if (!openRegularFile(file, path)) return std::nullopt;
  if (file.size() > kMaxFileBytes) {
    qCWarning(lcFavourites) << "not read, larger than" << kMaxFileBytes << "bytes:" << path;
    return std::nullopt;
  }
  const QByteArray body = file.read(kMaxFileBytes + 1);
  return parse(body, path);
}

bool isStationAddress(const QString& address) {
  if (address.isEmpty() || address.size() > kMaxAddressChars) return false;
  for (const QChar c : address)
    if (!c.isPrint() || c.isSpace()) return false;
  const QUrl url(address, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

QString safeName(const QString& name, const QString& address) {
  // A station shown by its address is named after its host and path.
  const QString given = name.trimmed();
  const bool isAddress = isStationAddress(given);
  QString s = isAddress ? QString() : fileNameOf(given);
  if (!s.isEmpty()) return s;
  const QUrl url(isAddress ? given : address);
  if (!url.host().isEmpty()) {
    const QString port = url.port() > 0 ? u':' + QString::number(url.port()) : QString();
    s = fileNameOf(url.host() + port + u' ' + url.path().replace(u'/', u' ').simplified());
  }
  return s.isEmpty() ? QStringLiteral("station") : s;
}

Added addAll(const Favourites& favourites, const QList<Favourite>& stations) {
  QSet<QString> names, addresses;
  for (const Favourite& f : readAll(favourites)) addresses.insert(f.url);
  for (const QString& n : favourites.names()) names.insert(n);
  Added count;
  for (const Favourite& s : stations) {
    if (names.contains(s.naam) || addresses.contains(s.url) || !favourites.add(s)) {
      ++count.skipped;
      continue;
    }
    names.insert(s.naam);
    addresses.insert(s.url);
    ++count.added;
  }
  return count;
}

QList<Favourite> readAll(const Favourites& favourites) {
  QList<Favourite> out;
  for (const QString& name : favourites.names()) {
    try {
      out.append(favourites.read(name));
    } catch (const StepFailed&) {
      qCWarning(lcFavourites) << "favourite not read:" << name;
    }
  }
  return out;
}

}  // namespace stationlist
