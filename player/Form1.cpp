#include "Form1.h"

#include <QAction>
#include <QCloseEvent>

#include <algorithm>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QDesktopServices>
#include <QMenu>
#include <QUrl>

#include "app/ini.h"
#include "app/profilecheck.h"
#include "app/profilekeys.h"
#include "app/plaintext.h"
#include "app/trap.h"
#include "appicon.h"
#include "listwatch.h"
#include "playcontrol.h"
#include "windowfront.h"
#include "desktop/nowplaying.h"
#include "desktop/systemtray.h"
#include "desktop/trayicon.h"
#include "skins/skin.h"
#include "directory/Form2.h"
#include "directory/Form3.h"
#include "directory/listrows.h"
#include "directory/transfer.h"
#include "history/recordswitch.h"
#include "history/songlog.h"
#include "htmledit/corvel.h"
#include "settings/Form4.h"
#include "ui_Form1.h"

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::Form1>()),
      folder_(std::move(services.folder)),
      favourites_(folder_.favourites()),
      listening_(services.listening),
      player_(listening_.player()),
      directory_(std::move(services.directory)),
      messenger_(services.messenger),
      language_(folder_, services.prompt, [this] { return ui_->gESelecteerdland->text(); }) {
  ui_->setupUi(this);
  usePlainText(this);
  setUpFrame();
  icon_ = makeAppIcon();
  setWindowIcon(icon_);
  ui_->RadioUrl->setText(directory_.siteAddress());

  inet_ = new Transfer(this);
  inet_->setObjectName(QStringLiteral("Inet1"));
  downloadInfo_ = new Corvel(this);
  downloadInfo_->setObjectName(QStringLiteral("DownloadInfo"));
  downloadInfo_->hide();
  tray_ = new TrayIcon(std::move(services.tray), this);
  tray_->setObjectName(QStringLiteral("TrayIcon1"));
  tray_->setScreenTip(kProgramTitle);
  iconTray_ = makeIconTrayMenu(this);
  tray_->setContextMenu(iconTray_);

  dialogHost_ = std::make_unique<DirectoryDialogHost>(
      DirectoryDialogHost{language_, folder_, *inet_, *downloadInfo_, directory_,
                          [this](const QString& name, const QString& file) {
                            automaticCountry_ = false;
                            ui_->TaalGeselecteerdTekst->setText(name);
                            ui_->TaalGeselecteerd->setText(file);
                            timer1_->start();
                          },
                          [this](const QString& url, const QString& name, const QString& homepage) {
                            listening_.play(Station{name, url, homepage});
                          }});

  songLog_ = new SongLog(listening_, folder_.userPath(), this);
  recordSwitch_ = new RecordSwitch(listening_, RecordSwitch::defaultRoot(), this);
  listWatch_ = new ListWatch(this);
  listWatch_->setObjectName(QStringLiteral("ListWatch"));
  connectControls();
  setUpOwnStations();

  Form_Load();
}

// The recording ends before the window's controls go.
Form1::~Form1() { delete recordSwitch_; }

QString Form1::readSetting(const QString& section, const QString& key) const {
  return INI::ReadIni(instIni(), section, key);
}

void Form1::Form_Load() {
  ui_->gESelecteerdland->setText(readSetting(ProfileKeys::kOptions, ProfileKeys::kLanguage));
  ui_->List1->addItem(language_.LangText(QStringLiteral("error14")));
  ui_->MsnTekst->setText(language_.LangText(QStringLiteral("msntekst")));
  ui_->WebBrowser1->navigate(directory_.homePage(language_.current()));
}

void Form1::Timer5_Timer() {
  trappedQuietly([this] {
    showLanguageTexts(language_, {ui_->Label1, ui_->Label12, ui_->Label4, ui_->Label5, ui_->Label7,
                                  ui_->Label11, ui_->Label8, ui_->Label10, ui_->Label2, ui_->Label6,
                                  ui_->Label3, ui_->Label13, ui_->Label14, ui_->Label9, ui_->Label17,
                                  ui_->Label18, ui_->Command1, ui_->Command2, ui_->Command3});
    timer5_->stop();
  });
}

void Form1::Timer3_Timer() {
  if (!trappedQuietly([this] { StartUp(); })) StartUpFailed();
  // A failed start is reported once; retrying would stack a message every 200 ms.
  timer3_->stop();
}

void Form1::StartUp() {
  if (readSetting(ProfileKeys::kOptions, ProfileKeys::kBigScreen) == u"1")
    show();
  else
    goToTray();
  const Station remembered{readSetting(ProfileKeys::kRemembered, ProfileKeys::kLastName),
                           readSetting(ProfileKeys::kRemembered, ProfileKeys::kLastUrl), directory_.siteAddress()};
  if (readSetting(ProfileKeys::kOptions, ProfileKeys::kPlayAtStart) == u"1") listening_.play(remembered);
  ui_->TaalGeselecteerdTekst->setText(readSetting(ProfileKeys::kRemembered, ProfileKeys::kLastCountryName));
  ui_->TaalGeselecteerd->setText(readSetting(ProfileKeys::kRemembered, ProfileKeys::kLastCountryFile));
  automaticCountry_ = ui_->TaalGeselecteerd->text().isEmpty();
  const int volume = toWholeNumber(readSetting(ProfileKeys::kRemembered, ProfileKeys::kVolume));
  const bool changes = ui_->Slider1->value() != std::clamp(volume, 0, 100);
  ui_->Slider1->setValue(volume);
  // The slider only reports real changes; the player must hear the restored volume anyway.
  if (!changes) Slider1_Change();
  listening_.play(remembered);
  if (readSetting(ProfileKeys::kOptions, ProfileKeys::kPlayAtStart) == u"0") listening_.stop();
  if (!QDir(folder_.favourites()).exists()) throw StepFailed(QStringLiteral("no favourites folder"));
  File1_SetPath(folder_.favourites());
}

// Says which file keeps the program from starting. The start-up text speaks of inst.ini; a
// fault of favo/ alone is told as it is.
void Form1::StartUpFailed() {
  const profilecheck::StartupProblems problems = profilecheck::startupProblems(folder_);
  qCWarning(lcApp) << "start-up failed:" << problems.profile << problems.favourites;
  if (problems.profile.isEmpty() && !problems.favourites.isEmpty())
    return language_.ShowError(problems.favourites);
  language_.ShowLangError(QStringLiteral("error17"),
                          QStringList{problems.profile, problems.favourites}.join(u'\n').trimmed());
}

void Form1::Timer1_Timer() {
  // Another download is under way (the window stays alive meanwhile): try at the next tick.
  if (inet_->isRunning()) return;
  trapped(language_, QStringLiteral("error10"), [this] {
    timer1_->stop();
    if (automaticCountry_) chooseFirstCountry();
    LaadLijst_Radio(ui_->TaalGeselecteerd->text());
  });
}

void Form1::LaadLijst_Radio(const QString& file) {
  const QString address = directory_.stationList(file);
  listWatch_->shown(address, false);
  trapped(language_, QStringLiteral("error10"), [&] {
    ui_->List1->clear();
    ui_->List2->clear();
    ui_->List3->clear();
    const QList<QStringList> lists = fetchTagList(
        *dialogHost_, address,
        {QStringLiteral("naam"), QStringLiteral("url"), QStringLiteral("homepage"), ListWatch::markName()});
    ui_->List1->addItems(oneLine(lists[0]));
    ui_->List2->addItems(lists[1]);
    ui_->List3->addItems(lists[2]);
    // The demo stands in for a directory not reached yet: the real list replaces it when it comes.
    listWatch_->shown(address, !lists[3].isEmpty());
  });
}

void Form1::Timer2_Timer() {
  if (ApplyMainWindowSkin(language_, folder_, ui_->Image1, ui_->Image2, ui_->skinfout, content_->size()))
    timer2_->stop();
}

// --- dialogs

void Form1::Label1_Click() {
  OpenSkinnedDialog(language_, folder_, [this] { return std::make_unique<Form2>(*dialogHost_); });
}

void Form1::Label12_Click() {
  OpenSkinnedDialog(language_, folder_, [this] { return std::make_unique<Form3>(*dialogHost_); });
}

void Form1::Label4_Click() {
  XdgAutostart autostart(XdgAutostart::configHomeFromEnvironment());
  const SettingsHost host{language_,
                          folder_,
                          autostart,
                          QCoreApplication::applicationFilePath(),
                          [this](const QString& language) { ui_->gESelecteerdland->setText(language); },
                          [this] { timer2_->start(); }};
  OpenSkinnedDialog(language_, folder_, [&host] { return std::make_unique<Form4>(host); });
}

void Form1::Timer4_Timer() {
  tray_->Remove();
  timer4_->stop();
  if (ending_) return;  // the close without a tray has ended it already
  ending_ = true;
  Q_EMIT endRequested();
}

void Form1::Timer6_Timer() {
  trappedQuietly([this] {
    ui_->Label15->setVisible(player_.mute());
    if (isVisible()) tray_->Remove();
    if (messenger_)
      SendNowPlaying(*messenger_, QStringLiteral("Music"), true, QStringLiteral("{1}{0}"), {},
                     ui_->MsnTekst->text() + QLatin1Char(' ') + listening_.station().name, {}, {});
  });
}

void Form1::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  saveRemembered();
  // Without a tray a closed window is out of reach: it ends the program unless a station plays,
  // and Close (or Ctrl+Q) always ends it.
  const bool noTray = !tray_->isSystemTrayAvailable();
  if (readSetting(ProfileKeys::kOptions, ProfileKeys::kCloseEnds) == u"1" ||
      (noTray && (timer4_->isActive() || !listening_.isActive()))) {
    tray_->Remove();
    ending_ = true;
    event->accept();
    Q_EMIT endRequested();
    return;
  }
  event->ignore();
  if (!noTray) return goToTray();
  hide();
  Q_EMIT playsInBackground();
}

// One replacement of inst.ini: a kill in the middle cannot leave half of the state saved.
void Form1::saveRemembered() {
  // A profile without settings is left for the user to mend: one holding only this state would
  // keep every later start blank (and a missing one from being laid out again).
  if (!profilecheck::holdsSettings(instIni())) {
    qCWarning(lcApp) << "remembered state not saved:" << instIni() << "holds no settings";
    return;
  }
  // A country the program picked stays unchosen: the next start picks again, by then perhaps
  // from the real directory rather than its demo.
  const auto chosen = [this](const QString& text) { return automaticCountry_ ? QString() : text; };
  const Station station = listening_.station();
  INI::WriteIniKeys(instIni(), ProfileKeys::kRemembered,
                    {{ProfileKeys::kLastName, station.name},
                     {ProfileKeys::kLastUrl, station.address},
                     {ProfileKeys::kVolume, QString::number(ui_->Slider1->value())},
                     {ProfileKeys::kLastCountryName, chosen(ui_->TaalGeselecteerdTekst->text())},
                     {ProfileKeys::kLastCountryFile, chosen(ui_->TaalGeselecteerd->text())}});
}

void Form1::endSession() {
  if (ending_) return;
  saveRemembered();
  tray_->Remove();
  ending_ = true;
  Q_EMIT endRequested();
}

void Form1::goToTray() {
  if (tray_->isSystemTrayAvailable()) {
    hide();
    tray_->Add(icon_);
  } else {
    // Without a tray a hidden window could not be reached again.
    showMinimized();
  }
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->Slider1 && event->type() == QEvent::MouseMove) Slider1_Change();
  return QWidget::eventFilter(watched, event);
}

void Form1::activateWithToken(const QString& activationToken) {
  const char* before = isMinimized() ? "minimised" : isVisible() ? "shown" : "hidden";
  bringToFront(this, activationToken);
  tray_->Remove();
  qCInfo(lcApp) << "window brought to the front; it was" << before << "and is now"
                << (isVisible() && !isMinimized() ? "shown" : "not shown");
}

// A file list: the folder's files in name order, hidden ones too.
void Form1::File1_SetPath(const QString& folder) {
  ui_->File1->setProperty("path", folder);
  ui_->File1->clear();
  // A list that was never pointed at a folder stays empty (QDir("") would be the working folder).
  if (!folder.isEmpty()) ui_->File1->addItems(Favourites(folder).names());
}

void Form1::File1_Refresh() { File1_SetPath(ui_->File1->property("path").toString()); }

// --- information pane

void Form1::Label5_Click() { ui_->WebBrowser1->navigate(directory_.aboutPage(language_.current())); }

void Form1::Label3_Click() {
  trapped(language_, QStringLiteral("error12"), [this] {
    // Before any station the directory's own site is shown, and opened.
    const Station station = listening_.station();
    const bool none = station.name.isEmpty() && station.address.isEmpty();
    const QUrl site(QStringLiteral("http://") + (none ? directory_.siteAddress() : station.homePage));
    if (!site.isValid() || !QDesktopServices::openUrl(site))
      throw StepFailed(QStringLiteral("cannot open ") + site.toString());
  });
}

void Form1::WebBrowser1_NavigateError() {
  ui_->WebBrowser1->navigate(QStringLiteral("about:") + language_.LangText(QStringLiteral("error1")));
}

// --- tray

void Form1::TrayIcon1_Click() { open_Click(); }

void Form1::open_Click() {
  show();
  tray_->Remove();
}

void Form1::sluit_Click() {
  timer4_->start();
  close();
}
