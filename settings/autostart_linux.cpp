#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include "autostart.h"
#include "settings_log.h"

namespace {
const QString kDisabledPrefix = QStringLiteral("rem ");

// Escapes of a string value in a desktop entry.
QString escapeValue(const QString& text) {
  QString out;
  for (const QChar c : text) {
    switch (c.unicode()) {
      case '\\':
        out += QStringLiteral("\\\\");
        break;
      case '\n':
        out += QStringLiteral("\\n");
        break;
      case '\t':
        out += QStringLiteral("\\t");
        break;
      case '\r':
        out += QStringLiteral("\\r");
        break;
      default:
        out += c;
    }
  }
  return out;
}
}  // namespace

QString execArgument(const QString& argument) {
  // Inside double quotes only these four need a backslash; "%" would start a field code.
  QString quoted = QStringLiteral("\"");
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
      quoted += u'\\';
    else if (c == u'%')
      quoted += u'%';
    quoted += c;
  }
  quoted += u'"';
  return escapeValue(quoted);
}

QByteArray desktopEntry(const QString& name, const QString& program, bool enabled) {
  QString entry = QStringLiteral("[Desktop Entry]\nType=Application\n");
  entry += QStringLiteral("Name=") + escapeValue(name) + u'\n';
  entry += QStringLiteral("Exec=") + execArgument(program) + u'\n';
  entry += QStringLiteral("Terminal=false\n");
  if (!enabled) entry += QStringLiteral("Hidden=true\n");
  return entry.toUtf8();
}

XdgAutostart::XdgAutostart(QString configHome) : configHome_(std::move(configHome)) {}

QString XdgAutostart::configHomeFromEnvironment() {
  const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (!configured.isEmpty() && QFileInfo(configured).isAbsolute()) return configured;
  return QDir::homePath() + QStringLiteral("/.config");
}

QString XdgAutostart::entryFile() const {
  return configHome_ + QStringLiteral("/autostart/vantor-internet-radio.desktop");
}

void XdgAutostart::SetRunValue(const QString& name, const QString& text) {
  const bool enabled = !text.startsWith(kDisabledPrefix);
  const QString program = enabled ? text : text.mid(kDisabledPrefix.size());
  const QString file = entryFile();
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) {
    qCWarning(lcSettings) << "cannot create the autostart folder for" << file;
    return;
  }
  QSaveFile out(file);
  const QByteArray entry = desktopEntry(name, program, enabled);
  if (!out.open(QIODevice::WriteOnly) || out.write(entry) != entry.size() || !out.commit())
    qCWarning(lcSettings) << "cannot write the autostart entry" << file << out.errorString();
}
