#include "Form5.h"

#include <QDir>
#include <QEvent>

#include "app/ini.h"
#include "app/plaintext.h"
#include "app/profilekeys.h"
#include "ui_Form5.h"

namespace {
const QString kDescriptorEnding = QStringLiteral(".logskn");
const QString kNoValue = QStringLiteral("-");
}  // namespace

QStringList SkinDescriptors(const QString& folder) {
  // Hidden files count: a descriptor named just ".logskn" is the skin with the empty name.
  return QDir(folder).entryList({QStringLiteral("*") + kDescriptorEnding}, QDir::Files | QDir::Hidden,
                                QDir::Name | QDir::IgnoreCase);
}

Form5::Form5(SkinChooserHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), ui_(std::make_unique<Ui::Form5>()) {
  ui_->setupUi(this);
  usePlainText(this);
  setFixedSize(size());
  // A click acts also on the row that is already chosen (the skin may have been set back
  // meanwhile); keys act as they move the selection. A click that moves it acts once.
  ui_->List1->viewport()->installEventFilter(this);
  connect(ui_->List1, &QListWidget::itemSelectionChanged, this, [this] {
    selectionMoved_ = true;
    List1_Click();
  });
  connect(ui_->List1, &QListWidget::clicked, this, [this] {
    if (!selectionMoved_) List1_Click();
  });
  connect(ui_->Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
  Form_Load();
}

Form5::~Form5() = default;

void Form5::Form_Load() {
  const int titleLeft = ui_->Label1->x();
  ui_->Label1->resize(width() - 2 * titleLeft, ui_->Label1->height());
  ui_->Image2->resize(width(), ui_->Image2->height());
  ui_->Image1->setGeometry(0, 0, width(), height());

  const Language& l = host_.language;
  ui_->Command1->setText(l.LangText(QStringLiteral("f2command1")));
  const std::pair<QLabel*, const char*> texts[] = {{ui_->Label1, "f5label1"},   {ui_->Label2, "f5label2"},
                                                   {ui_->Label7, "f5label7"},   {ui_->Label8, "f5label8"},
                                                   {ui_->Label9, "f5label9"},   {ui_->Label10, "f5label10"},
                                                   {ui_->Label11, "f5label11"}, {ui_->Label12, "f5label12"}};
  for (const auto& [label, key] : texts) label->setText(l.LangText(QLatin1String(key)));

  for (QLabel* value : {ui_->Label3, ui_->Label4, ui_->Label5, ui_->Label6}) value->setText(kNoValue);

  File1_SetPath(host_.folder.path());
  QStringList skins;
  for (int i = 0; i < ui_->File1->count(); ++i)
    skins << ui_->File1->item(i)->text().chopped(kDescriptorEnding.size());
  // Skins a user added to the per-user folder are offered after the installed ones, each name once.
  for (const QString& folder : host_.folder.skinFolders().mid(1))
    for (const QString& file : SkinDescriptors(folder))
      if (const QString skin = file.chopped(kDescriptorEnding.size());
          !skins.contains(skin, Qt::CaseInsensitive))
        skins << skin;
  ui_->List1->addItems(skins);
}

void Form5::File1_SetPath(const QString& folder) {
  ui_->File1->setProperty("path", folder);
  ui_->File1->clear();
  ui_->File1->addItems(SkinDescriptors(folder));
}

void Form5::List1_Click() {
  const QList<QListWidgetItem*> chosen = ui_->List1->selectedItems();
  if (chosen.isEmpty()) return;
  const QString skin = chosen.front()->text();
  if (host_.enableSkinTimer) host_.enableSkinTimer();
  INI::WriteIni(host_.folder.instIni(), ProfileKeys::kOptions, ProfileKeys::kSkin, skin);

  const QString descriptor =
      ProgramFolder::findInFolder(host_.folder.skinFolder(skin), skin + kDescriptorEnding);
  ui_->Label3->setText(INI::ReadIni(descriptor, QStringLiteral("Auteur"), QStringLiteral("naam")));
  ui_->Label4->setText(INI::ReadIni(descriptor, QStringLiteral("Auteur"), QStringLiteral("website")));
  ui_->Label5->setText(INI::ReadIni(descriptor, QStringLiteral("Skin"), QStringLiteral("naam")));
  ui_->Label6->setText(INI::ReadIni(descriptor, QStringLiteral("Skin"), QStringLiteral("SetupDatum")));
}

void Form5::Command1_Click() { accept(); }

bool Form5::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->List1->viewport() && event->type() == QEvent::MouseButtonPress) selectionMoved_ = false;
  return QDialog::eventFilter(watched, event);
}
