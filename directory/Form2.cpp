#include "Form2.h"

#include <QListWidget>
#include <QTimer>

#include "app/ini.h"
#include "app/plaintext.h"
#include "app/profilekeys.h"
#include "app/trap.h"
#include "directory_log.h"
#include "listrows.h"
#include "ui_Form2.h"

Form2::Form2(const DirectoryDialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), ui_(std::make_unique<Ui::Form2>()) {
  ui_->setupUi(this);
  usePlainText(this);
  setFixedSize(size());

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(10);
  connect(timer1_, &QTimer::timeout, this, &Form2::Timer1_Timer);
  timer1_->start();

  connect(ui_->Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &Form2::Command2_Click);

  Form_Load();
}

Form2::~Form2() = default;

void Form2::Form_Load() {
  ui_->Image1->setGeometry(0, 0, width(), height());
  LaadLijst_Taal();
  ui_->List1->setFocus();
}

void Form2::LaadLijst_Taal() {
  trapped(host_.language, QStringLiteral("error4"), [this] {
    ui_->List1->clear();
    ui_->List2->clear();
    const QList<QStringList> lists = fetchTagList(host_, host_.address.countryList(host_.language.current()),
                                                  {QStringLiteral("naam"), QStringLiteral("bestand")});
    ui_->List1->addItems(oneLine(lists[0]));
    ui_->List2->addItems(lists[1]);
    if (lists[0].size() != lists[1].size())
      qCWarning(lcDirectory) << "country list has" << lists[0].size() << "names and" << lists[1].size()
                             << "files";

    const int last = toWholeNumber(
        INI::ReadIni(host_.folder.instIni(), ProfileKeys::kRemembered, ProfileKeys::kCountryRow));
    if (last < 0 || last >= ui_->List1->count())
      throw StepFailed(QStringLiteral("no country %1 in a list of %2").arg(last).arg(ui_->List1->count()));
    ui_->List1->setCurrentRow(last);
    ui_->List1->scrollToItem(ui_->List1->currentItem());
  });
}

void Form2::Timer1_Timer() {
  trappedQuietly([this] {
    const Language& l = host_.language;
    ui_->Label1->setText(l.LangText(QStringLiteral("f2label1")));
    ui_->Label2->setText(l.LangText(QStringLiteral("f2label2")));
    ui_->Command1->setText(l.LangText(QStringLiteral("f2command1")));
    ui_->Command2->setText(l.LangText(QStringLiteral("f2command2")));
    timer1_->stop();
  });
}

void Form2::Command1_Click() {
  const int row = selectedRow(ui_->List1);
  const QString file = entryAt(ui_->List2, row);
  if (file.isEmpty()) {
    host_.language.ShowInfo(QStringLiteral("error2"));
    return;
  }
  const QString name = entryAt(ui_->List1, row);
  // The main window re-arms its Timer1 here, so the new list loads a second later.
  if (host_.chooseCountry) host_.chooseCountry(name, file);
  INI::WriteIni(host_.folder.instIni(), ProfileKeys::kRemembered, ProfileKeys::kCountryRow,
                QString::number(row));
  host_.language.ShowInfo(QStringLiteral("error3"), name);
  accept();
}

void Form2::Command2_Click() { reject(); }
