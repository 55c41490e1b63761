// Form1's wiring: every control, player and tray event to its handler, and the timers.
#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTimer>

#include "Form1.h"
#include "app/clicklabel.h"
#include "desktop/trayicon.h"
#include "history/historymenu.h"
#include "history/recordswitch.h"
#include "listwatch.h"
#include "pageview.h"
#include "playcontrol.h"
#include "ui_Form1.h"

void Form1::connectControls() {
  // The player's status texts come in the language the window's texts come in, from its change on.
  // So do the tray's own items, which a StatusNotifier panel shows before the menu ever opens.
  connect(ui_->gESelecteerdland, &QLineEdit::textChanged, this, [this](const QString& language) {
    translation_.use(language);
    captionHistoryItems(*iconTray_, language_);
  });
  connect(ui_->Label1, &ClickLabel::clicked, this, &Form1::Label1_Click);
  connect(ui_->TaalGeselecteerdTekst, &ClickLabel::clicked, this, &Form1::Label1_Click);
  connect(ui_->Label12, &ClickLabel::clicked, this, &Form1::Label12_Click);
  connect(ui_->Label4, &ClickLabel::clicked, this, &Form1::Label4_Click);
  connect(ui_->List1, &QListWidget::clicked, this, &Form1::List1_Click);
  activateOnEnter(ui_->List1, [this] { List1_Click(); });
  connect(ui_->File1, &QListWidget::clicked, this, &Form1::File1_Click);
  activateOnEnter(ui_->File1, [this] { File1_Click(); });
  connect(ui_->Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
  connect(ui_->Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
  connect(ui_->Slider1, &QSlider::valueChanged, this, &Form1::Slider1_Change);
  connect(ui_->Slider1, &QSlider::valueChanged, this, &Form1::volumeChanged);
  ui_->Slider1->installEventFilter(this);
  connect(ui_->Label9, &ClickLabel::clicked, this, &Form1::Label9_Click);
  connect(ui_->Label15, &ClickLabel::clicked, this, &Form1::Label15_Click);
  connect(ui_->Label3, &ClickLabel::clicked, this, &Form1::Label3_Click);
  connect(ui_->Label5, &ClickLabel::clicked, this, &Form1::Label5_Click);
  connect(ui_->WebBrowser1, &PageView::navigateError, this, &Form1::WebBrowser1_NavigateError);
  connect(&player_, &MediaPlayer::statusChanged, this, &Form1::WindowsMediaPlayer1_StatusChange);
  connect(&player_, &MediaPlayer::error, this, &Form1::WindowsMediaPlayer1_Error);
  // A favourite of an earlier run's directory address keeps the station's own address from now on.
  connect(&player_, &MediaPlayer::stationAddressFound, this,
          [this](const QString& id, const QString& address) { favourites_.mendAddress(id, address); });
  connect(&listening_, &Listening::stationChanged, this, &Form1::Station_Changed);
  connect(tray_, &TrayIcon::Click, this, &Form1::TrayIcon1_Click);
  const auto item = [this](const char* name) { return iconTray_->findChild<QAction*>(QLatin1String(name)); };
  connect(item("muting"), &QAction::triggered, this, &Form1::muting_Click);
  connect(item("stopspelen"), &QAction::triggered, this, &Form1::stopspelen_Click);
  connect(item("open"), &QAction::triggered, this, &Form1::open_Click);
  connect(item("sluit"), &QAction::triggered, this, &Form1::sluit_Click);
  addHistoryItems(*iconTray_, language_);
  connect(item("historie"), &QAction::triggered, this, &Form1::Label17_Click);
  connect(item("opnemen"), &QAction::triggered, this, &Form1::Label18_Click);
  connect(ui_->Label17, &ClickLabel::clicked, this, &Form1::Label17_Click);
  connect(ui_->Label18, &ClickLabel::clicked, this, &Form1::Label18_Click);
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this), &QShortcut::activated, this,
          &Form1::Label18_Click);
  // Where the desktop has no tray, this is the way to quit.
  connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this,
          &Form1::sluit_Click);
  connect(recordSwitch_, &RecordSwitch::changed, this, &Form1::RecordSwitch_Changed);
  connect(recordSwitch_, &RecordSwitch::stoppedBy, this,
          [this](const QString& key) { language_.ShowInfo(key); });
  connect(listWatch_, &ListWatch::settled, this, &Form1::ListWatch_Settled);

  timer1_ = makeTimer("Timer1", 1000, true, &Form1::Timer1_Timer);
  timer2_ = makeTimer("Timer2", 500, true, &Form1::Timer2_Timer);
  timer3_ = makeTimer("Timer3", 200, true, &Form1::Timer3_Timer);
  timer4_ = makeTimer("Timer4", 100, false, &Form1::Timer4_Timer);
  timer5_ = makeTimer("Timer5", 20, true, &Form1::Timer5_Timer);
  timer6_ = makeTimer("Timer6", 3000, true, &Form1::Timer6_Timer);
  // The desktop session is ending: it may kill us without a close, so save now.
  if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    connect(gui, &QGuiApplication::commitDataRequest, this, [this] { saveRemembered(); });
}

QTimer* Form1::makeTimer(const char* name, int interval, bool enabled, void (Form1::*handler)()) {
  auto* timer = new QTimer(this);
  timer->setObjectName(QLatin1String(name));
  timer->setInterval(interval);
  connect(timer, &QTimer::timeout, this, handler);
  if (enabled) timer->start();
  return timer;
}
