#include "stationopen.h"

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "player_log.h"
#include "stationlist.h"

namespace stationopen {

QStringList addressesOf(const QString& item) {
  const QString trimmed = item.trimmed();
  if (stationlist::isStationAddress(trimmed)) return {trimmed};
  const QUrl url(trimmed);
  if (!url.isLocalFile() && !url.scheme().isEmpty()) return {};
  const QString path = url.isLocalFile() ? url.toLocalFile() : trimmed;
  if (path.isEmpty() || !QFileInfo(path).isFile()) return {};
  const auto contents = stationlist::readFile(path);
  QStringList out;
  if (!contents) return out;
  for (const Favourite& station : contents->stations) {
    if (out.size() >= kMaxAddresses) break;
    out << station.url;
  }
  return out;
}

QStringList addressesOf(const QStringList& items) {
  for (const QString& item : items) {
    // Options and their values (Qt's own, such as "-name NAME") name neither.
    const bool named = item.contains(QStringLiteral("://")) || item.startsWith(QStringLiteral("file:")) ||
                       stationlist::isPlaylistPath(item);
    if (item.startsWith(u'-') || !named) continue;
    const QStringList found = addressesOf(item);
    if (!found.isEmpty()) return found;
    qCWarning(lcFavourites) << "nothing to play in" << item.left(200);
  }
  return {};
}

QStringList addressesOf(const QMimeData& data) {
  QStringList items;
  for (const QUrl& url : data.urls()) items << (url.isLocalFile() ? url.toLocalFile() : url.toString());
  if (items.isEmpty() && data.hasText()) items = data.text().left(stationlist::kMaxAddressChars * 4).split(u'\n');
  return addressesOf(items);
}

}  // namespace stationopen

StationDrop::StationDrop(QWidget* window, Open open) : QObject(window), open_(std::move(open)) {
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

bool StationDrop::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::DragEnter && event->type() != QEvent::DragMove && event->type() != QEvent::Drop)
    return QObject::eventFilter(watched, event);
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  // Only the drop itself reads a file: passing over the window must not.
  const bool wanted = data && (data->hasUrls() || data->hasText());
  if (!wanted) return false;
  if (event->type() != QEvent::Drop) {
    drop->acceptProposedAction();
    return true;
  }
  const QStringList addresses = stationopen::addressesOf(*data);
  drop->setAccepted(!addresses.isEmpty());
  if (!addresses.isEmpty()) open_(addresses);
  return true;
}
