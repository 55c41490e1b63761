#include "propertybag.h"

#include <QBuffer>
#include <QFont>
#include <QPixmap>

#include "app/ini.h"

namespace {

// Profile values are single lines whose edge blanks are dropped: those are written as escapes.
QString escape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar ch = text[i];
    const bool edge = i == 0 || i == text.size() - 1;
    if (ch == u'\\')
      out += QLatin1StringView("\\\\");
    else if (ch == u'\n')
      out += QLatin1StringView("\\n");
    else if (ch == u'\r')
      out += QLatin1StringView("\\r");
    else if (ch == u'\t')
      out += QLatin1StringView("\\t");
    else if (edge && ch == u' ')
      out += QLatin1StringView("\\s");
    else if (i == 0 && (ch == u'"' || ch == u'\''))
      out += ch == u'"' ? QLatin1StringView("\\q") : QLatin1StringView("\\a");
    else
      out += ch;
  }
  return out;
}

QString unescape(const QString& stored) {
  QString out;
  out.reserve(stored.size());
  for (qsizetype i = 0; i < stored.size(); ++i) {
    if (stored[i] != u'\\' || i + 1 == stored.size()) {
      out += stored[i];
      continue;
    }
    switch (stored[++i].unicode()) {
      case u'n':
        out += u'\n';
        break;
      case u'r':
        out += u'\r';
        break;
      case u't':
        out += u'\t';
        break;
      case u's':
        out += u' ';
        break;
      case u'q':
        out += u'"';
        break;
      case u'a':
        out += u'\'';
        break;
      default:
        out += stored[i];
        break;
    }
  }
  return out;
}

}  // namespace

QString IniPropertyBag::encode(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::Bool:
      return value.toBool() ? QStringLiteral("-1") : QStringLiteral("0");
    case QMetaType::QFont:
      return value.value<QFont>().toString();
    case QMetaType::QPixmap: {
      const QPixmap pixmap = value.value<QPixmap>();
      if (pixmap.isNull()) return {};
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      pixmap.save(&buffer, "PNG");
      return QString::fromLatin1(png.toBase64());
    }
    case QMetaType::QString:
      return escape(value.toString());
    default:
      return value.toString();
  }
}

QVariant IniPropertyBag::decode(const QString& stored, const QVariant& defaultValue) {
  if (stored.isEmpty()) return defaultValue;
  bool ok = true;
  QVariant value;
  switch (defaultValue.metaType().id()) {
    case QMetaType::Bool: {
      const int n = stored.toInt(&ok);
      value = n != 0;
      break;
    }
    case QMetaType::Int:
      value = stored.toInt(&ok);
      break;
    case QMetaType::UInt:
      value = stored.toUInt(&ok);
      break;
    case QMetaType::Float:
      value = stored.toFloat(&ok);
      break;
    case QMetaType::QFont: {
      QFont font;
      ok = font.fromString(stored);
      value = font;
      break;
    }
    case QMetaType::QPixmap: {
      QPixmap pixmap;
      ok = pixmap.loadFromData(QByteArray::fromBase64(stored.toLatin1()), "PNG");
      value = pixmap;
      break;
    }
    default:
      value = unescape(stored);
      break;
  }
  return ok ? value : defaultValue;
}

QVariant IniPropertyBag::ReadProperty(const QString& name, const QVariant& defaultValue) const {
  return decode(INI::ReadIni(file_, section_, name), defaultValue);
}

void IniPropertyBag::WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) {
  const QString stored = encode(value);
  if (stored == encode(defaultValue)) {
    // Not written; but an earlier value would come back on the next load, so it is emptied.
    if (!INI::ReadIni(file_, section_, name).isEmpty()) INI::WriteIni(file_, section_, name, QString());
    return;
  }
  INI::WriteIni(file_, section_, name, stored);
}
