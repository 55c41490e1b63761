#pragma once

#include <QIcon>
#include <QTimer>
#include <QWidget>

#include <memory>

#include "app/language.h"
#include "app/programfolder.h"
#include "app/translation.h"
#include "directory/directoryaddress.h"
#include "directory/directorydialoghost.h"
#include "favourites.h"
#include "playback/listening.h"
#include "playback/mediaplayer.h"

namespace Ui {
class Form1;
}
class Messenger;
class QMenu;
class RecordSwitch;
class SongLog;
class SystemTray;
class Corvel;
class ListWatch;
class TrayIcon;
class Transfer;

// What the main window is given by the program (or by a test).
struct Form1Services {
  ProgramFolder folder;
  Prompt& prompt;
  Listening& listening;  // the window reaches the player's volume and mute through it
  std::unique_ptr<SystemTray> tray;
  DirectoryAddress directory;
  Messenger* messenger = nullptr;  // receives the now-playing line; none: it goes nowhere
};

// The main window. It owns the shared state the dialogs read and write (the current language in
// gESelecteerdland, the country's name and list file in TaalGeselecteerdTekst and
// TaalGeselecteerd), the station lists, the page view and the tray icon. What plays is the
// listening's: ZenderNaam and RadioUrl show its station and are never read back.
class Form1 final : public QWidget {
  Q_OBJECT
 public:
  explicit Form1(Form1Services services, QWidget* parent = nullptr);
  ~Form1() override;

  Ui::Form1& controls() { return *ui_; }
  const Language& language() const { return language_; }
  const ProgramFolder& folder() const { return folder_; }
  Transfer& Inet1() { return *inet_; }
  Corvel& DownloadInfo() { return *downloadInfo_; }
  TrayIcon& TrayIcon1() { return *tray_; }
  const DirectoryAddress& directory() const { return directory_; }
  QMenu& IconTray() { return *iconTray_; }
  SongLog& songLog() { return *songLog_; }

  // Downloads the station list file of a country and fills List1, List2 and List3.
  void LaadLijst_Radio(const QString& file);

  // Come to the front (the desktop's media controls ask for it).
  void activate() { activateWithToken({}); }
  // Another copy was started: come to the front, with the token that copy was launched with.
  void activateWithToken(const QString& activationToken);

  // Plays an address handed in from outside (the desktop's media controls). Such a station has
  // no name or home page of its own: the address is shown as its name until the stream names
  // itself (icy-name), the directory's site as its home page.
  void openAddress(const QString& url);
  // The volume slider (0..100); setting it keeps the mute rule.
  int volume() const;
  void setVolume(int volume);
  // Form1_stations.cpp: plays the first station address of those handed in from outside (the
  // command line, a later start, a drop); during the start, once the remembered station is restored.
  void openFromOutside(const QStringList& addresses);
  // Ends the program as the tray menu's Close (and Ctrl+Q) does.
  void endProgram() { sluit_Click(); }
  // Writes the remembered station, volume and country to inst.ini, as the close does.
  void saveRemembered();
  // The session or a signal ends the program: save, take the tray icon away, end.
  void endSession();

 Q_SIGNALS:
  // The program is to end now.
  void endRequested();
  // Closed without a tray while a station plays: the window is hidden and the program plays on,
  // reachable by the media controls and a second start.
  void playsInBackground();
  void volumeChanged(int volume);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectControls();  // Form1_wiring.cpp
  QTimer* makeTimer(const char* name, int interval, bool enabled, void (Form1::*handler)());
  QString instIni() const { return folder_.instIni(); }
  QString readSetting(const QString& section, const QString& key) const;
  // Hides to the tray, or minimises where the desktop has no tray.
  void goToTray();
  // Form1_window.cpp: the window's one size. The controls live in one block of that size,
  // centred in a larger window (one the desktop maximised anyway).
  void setUpFrame();

  void Form_Load();
  void File1_SetPath(const QString& folder);
  void File1_Refresh();
  void File1_Click();
  void Command1_Click();
  void Command2_Click();
  void Timer1_Timer();
  void Timer2_Timer();
  void Label1_Click();
  void Label12_Click();
  void Label4_Click();
  void Timer3_Timer();
  void StartUp();
  void StartUpFailed();
  void Timer4_Timer();
  void Timer5_Timer();
  void Timer6_Timer();
  void List1_Click();
  void Command3_Click();
  void WindowsMediaPlayer1_StatusChange();
  void WindowsMediaPlayer1_Error();
  void Station_Changed(const Station& station);
  void Slider1_Change();
  void Label9_Click();
  void Label15_Click();
  void Label3_Click();
  void Label5_Click();
  void WebBrowser1_NavigateError();
  void TrayIcon1_Click();
  void muting_Click();
  void stopspelen_Click();
  void open_Click();
  void sluit_Click();
  // Form1_station.cpp holds the handlers of the favourites (File1, Command1, Command2), of
  // playing (List1, Command3, the player's events), of volume and mute, and these of the song
  // history and recording.
  void Label17_Click();
  void Label18_Click();
  void RecordSwitch_Changed(bool recording);
  // Form1_stations.cpp
  void setUpOwnStations();
  void addStationByAddress();
  void importFavourites();
  void exportFavourites();
  // Form1_directory.cpp
  void chooseFirstCountry();
  void ListWatch_Settled();

  std::unique_ptr<Ui::Form1> ui_;
  ProgramFolder folder_;
  Favourites favourites_;
  Listening& listening_;
  MediaPlayer& player_;  // the listening's
  DirectoryAddress directory_;
  Messenger* messenger_ = nullptr;
  Language language_;
  ProgramTranslation translation_;  // follows the language (gESelecteerdland)
  Transfer* inet_ = nullptr;
  Corvel* downloadInfo_ = nullptr;
  TrayIcon* tray_ = nullptr;
  QMenu* iconTray_ = nullptr;
  QIcon icon_;
  QWidget* content_ = nullptr;
  std::unique_ptr<DirectoryDialogHost> dialogHost_;
  QTimer* timer1_ =
      nullptr;  // loads the current country's station list: at start and after the country chooser
  QTimer* timer2_ = nullptr;  // lays the skin over the window, again after a change in the settings
  QTimer* timer3_ = nullptr;  // restores the remembered station, volume and country at start
  bool started_ = false;      // Timer3 has done the start
  QStringList waitingToOpen_;  // handed in from outside before that
  QTimer* timer4_ = nullptr;  // ends the program once the window has closed from the tray menu
  QTimer* timer5_ = nullptr;  // shows the language's texts on the controls at start
  QTimer* timer6_ = nullptr;  // keeps the mute mark, tray icon and now-playing message current
  bool ending_ = false;
  SongLog* songLog_ = nullptr;            // the songs heard, beside inst.ini
  RecordSwitch* recordSwitch_ = nullptr;  // records the playing station into the music folder
  ListWatch* listWatch_ = nullptr;        // asks again for a station list the directory marked provisional
  bool automaticCountry_ = false;         // the user has chosen no country yet: the program picks one
};
