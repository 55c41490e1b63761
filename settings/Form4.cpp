#include "Form4.h"

#include <algorithm>
#include <iterator>

#include "app/ini.h"
#include "app/plaintext.h"
#include "app/profilekeys.h"
#include "app/trap.h"
#include "skins/Form5.h"
#include "skins/skin.h"
#include "ui_Form4.h"

namespace {
const QString kRestartHint = QStringLiteral("To confirm, please restart the program.");
constexpr int kCheckSide = 18;

// Stored check-box states: 0 cleared, 1 checked, 2 greyed.
constexpr Qt::CheckState kStates[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};

Qt::CheckState toCheckState(const QString& stored) {
  const int state = toWholeNumber(stored);
  if (state < 0 || state > 2) throw StepFailed(QStringLiteral("not a check-box state: %1").arg(state));
  return kStates[state];
}

QString stateText(const QCheckBox* box) {
  return QString::number(int(std::find(std::begin(kStates), std::end(kStates), box->checkState()) - kStates));
}
}  // namespace

Form4::Form4(SettingsHost host, QWidget* parent)
    : QDialog(parent), host_(std::move(host)), ui_(std::make_unique<Ui::Form4>()) {
  ui_->setupUi(this);
  usePlainText(this);
  setFixedSize(size());
  // The pictures Check1 carries by design; the load hands them on to the other three.
  ui_->Check1->setUncheckedPicture(checkPicture(false, kCheckSide));
  ui_->Check1->setCheckedPicture(checkPicture(true, kCheckSide));

  connect(ui_->Combo1, &DropDownCombo::dropDown, this, &Form4::Combo1_DropDown);
  connect(ui_->Command1, &QPushButton::clicked, this, &Form4::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &Form4::Command2_Click);
  connect(ui_->Command3, &QPushButton::clicked, this, &Form4::Command3_Click);

  Form_Load();
}

Form4::~Form4() = default;

// Stops quietly at the first value that cannot be shown; the dialog opens with what was done.
void Form4::Form_Load() {
  trappedQuietly([this] {
    ui_->Image1->setGeometry(0, 0, width(), height());
    PictureCheck* const others[] = {ui_->Check2, ui_->Check3, ui_->Check4};
    for (PictureCheck* box : others) box->setUncheckedPicture(ui_->Check1->uncheckedPicture());
    for (PictureCheck* box : others) box->setCheckedPicture(ui_->Check1->checkedPicture());

    const QString ini = host_.folder.instIni();
    ui_->Check1->setCheckState(
        toCheckState(INI::ReadIni(ini, ProfileKeys::kWindows, ProfileKeys::kStartWithSession)));
    ui_->Check2->setCheckState(
        toCheckState(INI::ReadIni(ini, ProfileKeys::kOptions, ProfileKeys::kPlayAtStart)));
    ui_->Check3->setCheckState(
        toCheckState(INI::ReadIni(ini, ProfileKeys::kOptions, ProfileKeys::kBigScreen)));
    ui_->Check4->setCheckState(
        toCheckState(INI::ReadIni(ini, ProfileKeys::kOptions, ProfileKeys::kCloseEnds)));

    const Language& l = host_.language;
    ui_->Command1->setText(l.LangText(QStringLiteral("f2command1")));
    ui_->Command2->setText(l.LangText(QStringLiteral("f2command2")));
    ui_->Command3->setText(l.LangText(QStringLiteral("f2command3")));
    ui_->Label1->setText(l.LangText(QStringLiteral("f4label1")));
    setWindowTitle(ui_->Label1->text());
    ui_->Label3->setText(l.LangText(QStringLiteral("f4check1")));
    ui_->Label4->setText(l.LangText(QStringLiteral("f4check2")));
    ui_->Label5->setText(l.LangText(QStringLiteral("f4check3")));
    ui_->Label6->setText(l.LangText(QStringLiteral("f4check4")));

    ui_->Combo1->addItems({QStringLiteral("Nederlands"), QStringLiteral("english")});
    // Adding items selects the first; the stored position alone decides.
    ui_->Combo1->setCurrentIndex(-1);
    const int position = toWholeNumber(INI::ReadIni(ini, ProfileKeys::kOptions, ProfileKeys::kLanguageIndex));
    if (position < -1 || position >= ui_->Combo1->count())
      throw StepFailed(QStringLiteral("no language at position %1").arg(position));
    ui_->Combo1->setCurrentIndex(position);
  });
}

void Form4::Combo1_DropDown() { ui_->labelLang->setText(kRestartHint); }

void Form4::Command1_Click() {
  trapped(host_.language, QStringLiteral("error9"), [this] {
    const QString ini = host_.folder.instIni();
    // A write that did not reach the file must not pass as stored.
    const auto store = [&ini](const QString& section, const QString& key, const QString& value) {
      INI::WriteIni(ini, section, key, value);
      if (INI::ReadIni(ini, section, key) != value)
        throw StepFailed(QStringLiteral("%1/%2 was not stored in %3").arg(section, key, ini));
    };
    store(ProfileKeys::kWindows, ProfileKeys::kStartWithSession, stateText(ui_->Check1));
    store(ProfileKeys::kOptions, ProfileKeys::kPlayAtStart, stateText(ui_->Check2));
    store(ProfileKeys::kOptions, ProfileKeys::kBigScreen, stateText(ui_->Check3));
    store(ProfileKeys::kOptions, ProfileKeys::kCloseEnds, stateText(ui_->Check4));
    // Without a chosen language the stored one stays: an empty name would blank every text.
    if (ui_->Combo1->currentIndex() >= 0) {
      store(ProfileKeys::kOptions, ProfileKeys::kLanguageIndex, QString::number(ui_->Combo1->currentIndex()));
      store(ProfileKeys::kOptions, ProfileKeys::kLanguage, ui_->Combo1->currentText());
      if (host_.setLanguage) host_.setLanguage(ui_->Combo1->currentText());
    }
    const bool autostart = ui_->Check1->checkState() == Qt::Checked;
    host_.autostart.SetRunValue(kProgramTitle,
                                (autostart ? QString() : QStringLiteral("rem ")) + host_.programPath);
    accept();
  });
}

void Form4::Command2_Click() { reject(); }

void Form4::Command3_Click() {
  OpenSkinnedDialog(host_.language, host_.folder, [this] {
    return std::make_unique<Form5>(SkinChooserHost{host_.language, host_.folder, host_.enableSkinTimer});
  });
}
