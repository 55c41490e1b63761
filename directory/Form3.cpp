#include "Form3.h"

#include <QKeyEvent>
#include <QListWidget>

#include "app/ini.h"
#include "app/plaintext.h"
#include "app/profilekeys.h"
#include "app/trap.h"
#include "listrows.h"
#include "ui_Form3.h"

namespace {
const QString kListSuffix = QStringLiteral(".txt");

}  // namespace

Form3::Form3(const DirectoryDialogHost& host, QWidget* parent)
    : QDialog(parent), host_(host), ui_(std::make_unique<Ui::Form3>()) {
  ui_->setupUi(this);
  usePlainText(this);
  setFixedSize(size());

  connect(ui_->Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
  connect(ui_->Command3, &QPushButton::clicked, this, &Form3::Command3_Click);
  connect(ui_->List1, &QListWidget::clicked, this, &Form3::List1_Click);
  // Enter on a result plays it instead of running the search again.
  ui_->List1->installEventFilter(this);

  Form_Load();
}

Form3::~Form3() = default;

void Form3::Form_Load() {
  ui_->Label1->resize(width() - ui_->Label1->x(), ui_->Label1->height());
  ui_->Image2->resize(width(), ui_->Image2->height());
  ui_->Image1->setGeometry(0, 0, width(), height());

  const Language& l = host_.language;
  ui_->List1->addItem(l.LangText(QStringLiteral("f3list1")));
  ui_->Command1->setText(l.LangText(QStringLiteral("f2command1")));
  ui_->Command2->setText(l.LangText(QStringLiteral("f2command2")));
  ui_->Command3->setText(l.LangText(QStringLiteral("f3command3")));
  ui_->Label1->setText(l.LangText(QStringLiteral("f3label1")));
  ui_->Label2->setText(l.LangText(QStringLiteral("f3label2")));
  ui_->Label3->setText(l.LangText(QStringLiteral("f2label3")));
  ui_->Label4->setText(l.LangText(QStringLiteral("f2label4")));
  LaadLijst_Taal();
  ui_->Text1->setFocus();
}

void Form3::LaadLijst_Taal() {
  trapped(host_.language, QStringLiteral("error4"), [this] {
    ui_->Combo1->clear();
    ui_->List4->clear();
    ui_->Combo1->addItem(QStringLiteral("Alle landen"));
    ui_->List4->addItem(QString());
    ui_->Combo1->addItem(QStringLiteral("--------------"));
    ui_->List4->addItem(QString());

    const QList<QStringList> lists = fetchTagList(host_, host_.address.countryList(host_.language.current()),
                                                  {QStringLiteral("naam"), QStringLiteral("bestand")});
    ui_->Combo1->addItems(oneLine(lists[0]));
    ui_->List4->addItems(lists[1]);

    const int last = toWholeNumber(
        INI::ReadIni(host_.folder.instIni(), ProfileKeys::kRemembered, ProfileKeys::kSearchCountryRow));
    if (last < 0 || last >= ui_->Combo1->count())
      throw StepFailed(QStringLiteral("no country row %1 of %2").arg(last).arg(ui_->Combo1->count()));
    ui_->Combo1->setCurrentIndex(last);
  });
}

QString Form3::countryCode(const QString& listFile) {
  if (listFile.isEmpty()) return QString();
  // Chopping four characters off anything else would search some other country, or all.
  if (listFile.size() <= kListSuffix.size() || !listFile.endsWith(kListSuffix, Qt::CaseInsensitive))
    throw StepFailed(QStringLiteral("not a country list file: \"%1\"").arg(listFile));
  return listFile.chopped(kListSuffix.size());
}

void Form3::LaadLijst_Zoek(const QString& words) {
  trapped(host_.language, QStringLiteral("error8"), [&] {
    ui_->List1->clear();
    ui_->List2->clear();
    ui_->List3->clear();
    const QString code = countryCode(entryAt(ui_->List4, ui_->Combo1->currentIndex()));
    const QList<QStringList> lists =
        fetchTagList(host_, host_.address.search(words, code),
                     {QStringLiteral("naam"), QStringLiteral("url"), QStringLiteral("homepage")});
    ui_->List1->addItems(oneLine(lists[0]));
    ui_->List2->addItems(lists[1]);
    ui_->List3->addItems(lists[2]);
  });
}

void Form3::Command3_Click() { LaadLijst_Zoek(ui_->Text1->text()); }

void Form3::List1_Click() {
  const int row = ui_->List1->currentRow();
  const QString url = entryAt(ui_->List2, row);
  // The hint row, or a name whose station came without a stream address.
  if (url.isEmpty()) return;
  if (host_.playStation) host_.playStation(url, entryAt(ui_->List1, row), entryAt(ui_->List3, row));
}

void Form3::Command1_Click() {
  trapped(host_.language, QStringLiteral("error7"), [this] {
    if (entryAt(ui_->List2, selectedRow(ui_->List1)).isEmpty()) {
      host_.language.ShowInfo(QStringLiteral("error5"));
      return;
    }
    const QString file = host_.folder.instIni();
    const QString index = QString::number(ui_->Combo1->currentIndex());
    INI::WriteIni(file, ProfileKeys::kRemembered, ProfileKeys::kSearchCountryRow, index);
    // WriteIni passes silently when it cannot write; this is the only place that notices.
    if (INI::ReadIni(file, ProfileKeys::kRemembered, ProfileKeys::kSearchCountryRow) != index)
      throw StepFailed(QStringLiteral("zoekland was not stored in %1").arg(file));
    accept();
  });
}

void Form3::Command2_Click() { reject(); }

bool Form3::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->List1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      List1_Click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
