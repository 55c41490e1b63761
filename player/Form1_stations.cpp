// Form1's own stations: added by address, imported and exported as a playlist, and opened from
// outside (a later start, the file manager, a drop).
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTimer>
#include <utility>

#include "Form1.h"
#include "addstationdialog.h"
#include "app/trap.h"
#include "player_log.h"
#include "stationlist.h"
#include "stationopen.h"
#include "ui_Form1.h"

namespace {

// The playlists that can be imported, and the formats an export is written in.
const QString kListPattern = QStringLiteral(" (*.m3u *.m3u8 *.pls *.xspf)");
const QStringList kExportFilters = {QStringLiteral("M3U (*.m3u)"), QStringLiteral("PLS (*.pls)"),
                                    QStringLiteral("XSPF (*.xspf)")};

QString startFolder() { return QStandardPaths::writableLocation(QStandardPaths::HomeLocation); }

}  // namespace

void Form1::setUpOwnStations() {
  // Under Add and Remove's list, which gives up a row for it.
  auto* button = new QPushButton(ui_->File1->parentWidget());
  button->setObjectName(QStringLiteral("Command4"));
  const QRect list = ui_->File1->geometry();
  ui_->File1->setGeometry(list.adjusted(0, 0, 0, -28));
  button->setGeometry(list.x(), list.bottom() - 24, list.width(), 26);
  auto* menu = new QMenu(button);
  const auto item = [this, menu](const char* name, void (Form1::*handler)()) {
    QAction* action = menu->addAction(QString());
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, this, handler);
  };
  item("own2", &Form1::addStationByAddress);
  item("own3", &Form1::importFavourites);
  item("own4", &Form1::exportFavourites);
  button->setMenu(menu);
  const auto caption = [this, button, menu] {
    button->setText(language_.LangText(QStringLiteral("own1")));
    for (QAction* action : menu->actions()) action->setText(language_.LangText(action->objectName()));
  };
  // The language field starts as "english": a profile in that language changes nothing.
  caption();
  connect(ui_->gESelecteerdland, &QLineEdit::textChanged, button, caption);
  new StationDrop(this, [this](const QStringList& addresses) { openFromOutside(addresses); });
  // After Timer3's own handler: the start is done then.
  connect(
      timer3_, &QTimer::timeout, this,
      [this] {
        started_ = true;
        openFromOutside(std::exchange(waitingToOpen_, {}));
      },
      Qt::SingleShotConnection);
}

void Form1::addStationByAddress() {
  AddStationDialog dialog(language_, favourites_, directory_.siteAddress(), this);
  if (dialog.exec() != QDialog::Accepted) return;
  File1_Refresh();
  const QList<QListWidgetItem*> saved = ui_->File1->findItems(dialog.savedName(), Qt::MatchExactly);
  if (!saved.isEmpty()) ui_->File1->setCurrentItem(saved.first());
}

void Form1::importFavourites() {
  const QString file = QFileDialog::getOpenFileName(this, language_.LangText(QStringLiteral("own3")), startFolder(),
                                                    language_.LangText(QStringLiteral("own20")) + kListPattern);
  if (file.isEmpty()) return;
  const auto contents = stationlist::readFile(file);
  if (!contents) return language_.ShowInfo(QStringLiteral("own19"));
  QList<Favourite> stations = contents->stations;
  for (Favourite& station : stations)
    if (station.website.isEmpty()) station.website = directory_.siteAddress();
  const stationlist::Added count = stationlist::addAll(favourites_, stations);
  File1_Refresh();
  language_.prompt().message(Prompt::Icon::Information, language_.LangText(QStringLiteral("error0")),
                             language_.LangText(QStringLiteral("own18"))
                                 .arg(count.added)
                                 .arg(count.skipped + contents->refused));
}

void Form1::exportFavourites() {
  QString filter;
  QString file = QFileDialog::getSaveFileName(this, language_.LangText(QStringLiteral("own4")), startFolder(),
                                              kExportFilters.join(QStringLiteral(";;")), &filter);
  if (file.isEmpty()) return;
  // A name typed without an extension takes the chosen filter's.
  if (!file.contains(u'.') || file.lastIndexOf(u'.') < file.lastIndexOf(u'/'))
    file += u'.' + filter.section(u'(', 1).section(u'.', 1).remove(u')');
  QSaveFile out(file);
  const QByteArray body = stationlist::write(stationlist::formatForPath(file), stationlist::readAll(favourites_));
  if (out.open(QIODevice::WriteOnly) && out.write(body) == body.size() && out.commit()) return;
  qCWarning(lcFavourites) << "export not written:" << file << out.errorString();
  language_.ShowInfo(QStringLiteral("f6error1"));
}

void Form1::openFromOutside(const QStringList& addresses) {
  // Until the start has restored (and perhaps stopped) the remembered station, the latest
  // request waits for it rather than being undone by it.
  if (!started_) {
    waitingToOpen_ = addresses;
    return;
  }
  for (const QString& address : addresses) {
    if (!stationlist::isStationAddress(address)) continue;
    qCInfo(lcFavourites) << "opening" << address;
    return openAddress(address);
  }
}
