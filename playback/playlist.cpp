#include "playlist.h"

#include <QMap>
#include <QRegularExpression>
#include <QString>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include "app/textdecoding.h"

namespace playlist {
namespace {

using textdecoding::mimeOf;

bool isM3uType(const QByteArray& mime) {
  return mime == "audio/x-mpegurl" || mime == "audio/mpegurl" || mime == "application/x-mpegurl" ||
         mime == "application/vnd.apple.mpegurl" || mime == "audio/m3u" || mime == "audio/x-m3u";
}

bool isAsxType(const QByteArray& mime) {
  return mime == "video/x-ms-asf" || mime == "video/x-ms-asx" || mime == "audio/x-ms-asx" ||
         mime == "audio/x-ms-wax" || mime == "video/x-ms-wvx";
}

QByteArray strippedHead(const QByteArray& head) {
  QByteArray h = head.left(4096);
  if (h.startsWith("\xEF\xBB\xBF")) h.remove(0, 3);
  return h.trimmed();
}

// Text that a playlist could be: no NUL bytes, no other control bytes but tab and line ends.
bool looksLikeText(const QByteArray& bytes) {
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 && b != '\t' && b != '\n' && b != '\r') return false;
  }
  return true;
}

bool isNetworkScheme(const QString& scheme) {
  static const QStringList schemes = {QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("icy"),
                                      QStringLiteral("icyx"), QStringLiteral("mms"),   QStringLiteral("mmsh"),
                                      QStringLiteral("rtsp"), QStringLiteral("rtmp")};
  return schemes.contains(scheme);
}

// Line-based formats: drop a last line that the size cap cut in two.
QStringList lines(const QByteArray& body) {
  QByteArray b = body;
  if (b.size() > kMaxBytes) {
    b.truncate(kMaxBytes);
    const qsizetype nl = b.lastIndexOf('\n');
    b.truncate(nl < 0 ? 0 : nl);
  }
  QStringList out;
  for (QString line : textdecoding::decodeText(b).split(u'\n')) {
    line = line.trimmed();
    if (!line.isEmpty()) out << line;
  }
  return out;
}

QString xmlUnescape(QString s) {
  s.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
      .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
      .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
      .replace(QStringLiteral("&apos;"), QStringLiteral("'"))
      .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
  return s;
}

class Collector {
 public:
  explicit Collector(const QUrl& base) : base_(base) {}

  void add(const QString& text) {
    if (out_.size() >= kMaxEntries) return;
    const QString t = text.trimmed();
    if (t.isEmpty()) return;
    QUrl url(t, QUrl::TolerantMode);
    if (!url.isValid()) return;
    if (url.isRelative()) {
      // A Windows path in a playlist made on someone's desktop is no use to us.
      if (t.contains(u'\\') || (t.size() > 1 && t[1] == u':')) return;
      url = base_.resolved(url);
    }
    const QString scheme = url.scheme().toLower();
    const bool local = scheme == QStringLiteral("file");
    if (local ? !base_.isLocalFile() : (!isNetworkScheme(scheme) || url.host().isEmpty())) return;
    if (!out_.contains(url)) out_ << url;
  }

  QList<QUrl> take() { return std::move(out_); }

 private:
  QUrl base_;
  QList<QUrl> out_;
};

QList<QUrl> parsePls(const QByteArray& body, const QUrl& base) {
  static const QRegularExpression fileKey(QStringLiteral("^file(\\d+)\\s*=\\s*(.*)$"),
                                          QRegularExpression::CaseInsensitiveOption);
  QMap<int, QString> byNumber;
  bool inPlaylist = false;
  for (const QString& line : lines(body)) {
    if (line.startsWith(u'[')) {
      inPlaylist = line.compare(QStringLiteral("[playlist]"), Qt::CaseInsensitive) == 0;
      continue;
    }
    if (!inPlaylist) continue;
    const auto m = fileKey.match(line);
    if (!m.hasMatch()) continue;
    bool ok = false;
    const int n = m.captured(1).toInt(&ok);
    if (ok && !byNumber.contains(n)) byNumber.insert(n, m.captured(2));
  }
  Collector c(base);
  for (const QString& v : byNumber) c.add(v);
  return c.take();
}

QList<QUrl> parseM3u(const QByteArray& body, const QUrl& base) {
  Collector c(base);
  for (const QString& line : lines(body))
    if (!line.startsWith(u'#')) c.add(line);
  return c.take();
}

// ASX files in the wild are rarely well-formed XML (upper-case tags, bare "&"), so they are
// scanned for their references instead of parsed.
QList<QUrl> parseAsx(const QByteArray& body, const QUrl& base) {
  static const QRegularExpression ref(
      QStringLiteral("<\\s*(?:ref|entryref)\\b[^>]*?\\bhref\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
      QRegularExpression::CaseInsensitiveOption);
  Collector c(base);
  const QString text = textdecoding::decodeText(body.left(kMaxBytes));
  for (auto it = ref.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    const QString v = !m.captured(1).isNull()   ? m.captured(1)
                      : !m.captured(2).isNull() ? m.captured(2)
                                                : m.captured(3);
    c.add(xmlUnescape(v));
  }
  return c.take();
}

QList<QUrl> parseXspf(const QByteArray& body, const QUrl& base) {
  Collector c(base);
  QXmlStreamReader xml(body.left(kMaxBytes));
  bool inTrack = false;
  while (!xml.atEnd() && !xml.hasError()) {
    xml.readNext();
    if (xml.isStartElement()) {
      if (xml.name() == QStringLiteral("track"))
        inTrack = true;
      else if (inTrack && xml.name() == QStringLiteral("location"))
        c.add(xml.readElementText(QXmlStreamReader::SkipChildElements));
    } else if (xml.isEndElement() && xml.name() == QStringLiteral("track")) {
      inTrack = false;
    }
  }
  return c.take();
}

}  // namespace

bool isMediaType(const QByteArray& contentType) {
  const QByteArray mime = mimeOf(contentType);
  if (isM3uType(mime) || isAsxType(mime)) return false;
  if (mime == "audio/x-scpls" || mime == "audio/scpls") return false;
  return mime.startsWith("audio/") || mime.startsWith("video/") || mime == "application/ogg" ||
         mime == "application/x-ogg";
}

QByteArray typeForPath(const QString& path) {
  const QString p = path.toLower();
  if (p.endsWith(QStringLiteral(".pls"))) return "audio/x-scpls";
  if (p.endsWith(QStringLiteral(".m3u")) || p.endsWith(QStringLiteral(".m3u8"))) return "audio/x-mpegurl";
  if (p.endsWith(QStringLiteral(".asx")) || p.endsWith(QStringLiteral(".wax")) ||
      p.endsWith(QStringLiteral(".wvx")))
    return "video/x-ms-asf";
  if (p.endsWith(QStringLiteral(".xspf"))) return "application/xspf+xml";
  return {};
}

Format detect(const QByteArray& contentType, const QByteArray& head) {
  const QByteArray mime = mimeOf(contentType);
  const QByteArray h = strippedHead(head);
  const QByteArray lower = h.toLower();
  if (!looksLikeText(h)) return Format::Unknown;

  if (lower.startsWith("[playlist]")) return Format::Pls;
  if (lower.startsWith("#extm3u")) return lower.contains("#ext-x-") ? Format::Hls : Format::M3u;
  if (lower.startsWith("<")) {
    if (lower.contains("<asx")) return Format::Asx;
    if (lower.contains("<playlist") && (lower.contains("xspf.org") || lower.contains("<tracklist")))
      return Format::Xspf;
    return Format::Unknown;
  }
  if (mime == "audio/x-scpls" || mime == "audio/scpls") return Format::Pls;
  if (isM3uType(mime)) return lower.contains("#ext-x-") ? Format::Hls : Format::M3u;
  if (isMediaType(mime)) return Format::Unknown;
  // A bare list of addresses, served as text or anything else.
  static const QRegularExpression firstEntry(QStringLiteral("^[a-z][a-z0-9+.-]*://\\S+$"),
                                             QRegularExpression::CaseInsensitiveOption);
  for (const QByteArray& line : h.split('\n')) {
    const QByteArray l = line.trimmed();
    if (l.isEmpty() || l.startsWith('#')) continue;
    return firstEntry.match(QString::fromUtf8(l)).hasMatch() ? Format::M3u : Format::Unknown;
  }
  return Format::Unknown;
}

QList<QUrl> entries(Format format, const QByteArray& body, const QUrl& base) {
  switch (format) {
    case Format::Pls:
      return parsePls(body, base);
    case Format::M3u:
      return parseM3u(body, base);
    case Format::Asx:
      return parseAsx(body, base);
    case Format::Xspf:
      return parseXspf(body, base);
    case Format::Hls:
    case Format::Unknown:
      break;
  }
  return {};
}

}  // namespace playlist
