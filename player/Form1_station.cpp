// Form1's station: favourites, playing, volume and mute, the song history and recording.
#include <QAction>
#include <QListWidget>
#include <QMenu>

#include "Form1.h"
#include "app/trap.h"
#include "history/Form6.h"
#include "history/recordswitch.h"
#include "playcontrol.h"
#include "stationlist.h"
#include "skins/skin.h"
#include "ui_Form1.h"

// --- favourites

void Form1::Command1_Click() {
  trapped(language_, QStringLiteral("error12"), [this] {
    const Station station = listening_.station();
    if (station.name.isEmpty()) return language_.ShowInfo(QStringLiteral("error11"));
    // A station shown by its address (opened from outside) is saved under a name made of it.
    const bool byAddress = station.name == station.address && stationlist::isStationAddress(station.name);
    favourites_.add({byAddress ? stationlist::safeName(station.name, station.name) : station.name, station.address,
                     station.homePage});
    File1_Refresh();
  });
}

void Form1::Command2_Click() {
  const QList<QListWidgetItem*> selected = ui_->File1->selectedItems();
  if (selected.isEmpty()) return language_.ShowPlain(QStringLiteral("error13"));
  favourites_.remove(selected.first()->text());
  File1_Refresh();
}

void Form1::File1_Click() {
  trapped(language_, QStringLiteral("error12"), [this] {
    const QList<QListWidgetItem*> selected = ui_->File1->selectedItems();
    if (selected.isEmpty()) return;
    const Favourite station = favourites_.read(selected.first()->text());
    listening_.play(Station{station.naam, station.url, station.website});
  });
}

// --- playback

void Form1::List1_Click() {
  trapped(language_, QStringLiteral("error15"), [this] {
    const int k = ui_->List1->currentRow();
    const auto entry = [k](QListWidget* list) {
      if (k < 0 || k >= list->count())
        throw StepFailed(QStringLiteral("no entry %1 in %2").arg(k).arg(list->objectName()));
      return list->item(k)->text();
    };
    const QString address = entry(ui_->List2);
    const QString name = entry(ui_->List1);
    // A row short of its home page plays all the same, under the home page shown last; the
    // fault is told afterwards.
    const bool hasHomePage = k < ui_->List3->count();
    listening_.play(Station{name, address, hasHomePage ? entry(ui_->List3) : listening_.station().homePage});
    if (!hasHomePage) entry(ui_->List3);
  });
}

// Named by its address until the stream names itself.
void Form1::openAddress(const QString& url) { listening_.play(Station{url, url, directory_.siteAddress()}); }

void Form1::Station_Changed(const Station& station) {
  ui_->ZenderNaam->setText(station.name);
  ui_->RadioUrl->setText(station.homePage);
}

void Form1::Command3_Click() { togglePlay(listening_); }

void Form1::WindowsMediaPlayer1_StatusChange() {
  ui_->Label14->setText(player_.statusText());
  const QString key = playButtonKey(player_.playState());
  if (!key.isEmpty()) ui_->Command3->setText(language_.LangText(key));
}

void Form1::WindowsMediaPlayer1_Error() {
  if (!language_.Ask(QStringLiteral("error18"))) return;
  const Station station = listening_.station();
  ui_->WebBrowser1->navigate(directory_.report(language_.current(), station.address, station.name,
                                               ui_->TaalGeselecteerdTekst->text()));
}

void Form1::stopspelen_Click() { listening_.close(); }

// --- volume and mute

int Form1::volume() const { return ui_->Slider1->value(); }

void Form1::setVolume(int volume) { ui_->Slider1->setValue(volume); }

void Form1::Slider1_Change() {
  if (!player_.mute()) player_.setVolume(ui_->Slider1->value());
}

void Form1::Label9_Click() {
  const bool muted = player_.mute();
  player_.setMute(!muted);
  ui_->Label15->setVisible(!muted);
}

void Form1::Label15_Click() {
  if (player_.mute()) {
    player_.setMute(false);
    ui_->Label15->setVisible(false);
  } else {
    player_.setMute(true);
  }
}

void Form1::muting_Click() { player_.setMute(!player_.mute()); }

// --- song history and recording

void Form1::Label17_Click() {
  const Form6Host host{language_,
                       *songLog_,
                       [this](const Song& song) {
                         listening_.play(Station{song.station, song.url, directory_.siteAddress()});
                       },
                       {}};
  OpenSkinnedDialog(language_, folder_, [&host] { return std::make_unique<Form6>(host); });
}

void Form1::Label18_Click() {
  if (recordSwitch_->isRecording()) return recordSwitch_->stop();
  const QString refusal = recordSwitch_->start(listening_.station().name);
  if (refusal.isEmpty()) return;
  RecordSwitch_Changed(false);  // the tray's item was ticked by the click
  language_.ShowInfo(refusal);
}

void Form1::RecordSwitch_Changed(bool recording) {
  ui_->Label18->setText(
      language_.LangText(recording ? QStringLiteral("label18b") : QStringLiteral("label18")));
  iconTray_->findChild<QAction*>(QStringLiteral("opnemen"))->setChecked(recording);
}
