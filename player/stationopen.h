#pragma once

#include <QObject>
#include <QStringList>

#include <functional>

class QMimeData;

// Stations opened from outside the window: the command line, the file manager, a drop.
namespace stationopen {

// A later start hands at most this many addresses on; the first that plays is all that counts.
inline constexpr qsizetype kMaxAddresses = 8;

// The station addresses an item names: an http(s) address itself, or the http(s) entries of a
// local M3U, PLS or XSPF file (a path or a file: address). Empty for anything else.
QStringList addressesOf(const QString& item);
// The addresses of the first items that name any; options (starting with "-") are passed over.
QStringList addressesOf(const QStringList& items);
// What dropped data names: its addresses and files, else its text.
QStringList addressesOf(const QMimeData& data);

}  // namespace stationopen

// Lets a window take addresses and playlist files dropped on it.
class StationDrop final : public QObject {
 public:
  using Open = std::function<void(const QStringList& addresses)>;
  // Installs itself on window, which then accepts drops.
  StationDrop(QWidget* window, Open open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  Open open_;
};
