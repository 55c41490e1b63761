#include "nowplaying.h"

#include <QDBusMessage>
#include <QStringList>
#include <QtEndian>

#include "desktop_log.h"
#include "desktoptext.h"

MessengerCopyData nowPlayingCopyData(const QString& category, bool enabled, const QString& format,
                                     const QString& value0, const QString& value1, const QString& value2,
                                     const QString& value3) {
  const QString separator = QStringLiteral("\\0");
  const QStringList parts = {category,
                             enabled ? QStringLiteral("1") : QStringLiteral("0"),
                             format,
                             desktopText(value0),
                             desktopText(value1),
                             desktopText(value2),
                             desktopText(value3)};
  const QString text = separator + parts.join(separator) + separator + QChar(u'\0');

  MessengerCopyData record;
  record.buffer.resize(text.size() * 2);
  // QString holds native-endian UTF-16; the record is little-endian whatever the machine.
  qToLittleEndian<char16_t>(text.utf16(), text.size(), record.buffer.data());
  record.byteCount = static_cast<quint32>(record.buffer.size());
  return record;
}

void SendNowPlaying(Messenger& messenger, const QString& category, bool enabled, const QString& format,
                    const QString& value0, const QString& value1, const QString& value2,
                    const QString& value3) {
  messenger.deliver(nowPlayingCopyData(category, enabled, format, value0, value1, value2, value3));
}

void BusMessenger::deliver(const MessengerCopyData& record) {
  if (!bus_.isConnected()) return;
  QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath), QLatin1String(kInterface),
                                                   QLatin1String(kSignal));
  signal << record.tag << record.byteCount << record.buffer;
  if (!bus_.send(signal)) qCDebug(lcDesktop) << "now-playing signal not sent:" << bus_.lastError().message();
}
