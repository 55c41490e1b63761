#include "addstationdialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/language.h"
#include "stationlist.h"

AddStationDialog::AddStationDialog(const Language& language, Favourites favourites, QString fallbackSite,
                                   QWidget* parent)
    : QDialog(parent), language_(language), favourites_(std::move(favourites)), fallbackSite_(std::move(fallbackSite)) {
  setWindowTitle(text("own2").remove(QStringLiteral("…")).trimmed());
  auto* intro = new QLabel(text("own5"), this);
  intro->setWordWrap(true);
  address_ = new QLineEdit(this);
  address_->setObjectName(QStringLiteral("address"));
  address_->setMaxLength(int(stationlist::kMaxAddressChars));
  address_->setPlaceholderText(QStringLiteral("https://"));
  name_ = new QLineEdit(this);
  name_->setObjectName(QStringLiteral("name"));
  name_->setMaxLength(int(stationlist::kMaxNameChars));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("status"));
  status_->setTextFormat(Qt::PlainText);
  status_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  try_ = buttons->addButton(text("own8"), QDialogButtonBox::ActionRole);
  try_->setObjectName(QStringLiteral("try"));
  save_ = buttons->addButton(text("own9"), QDialogButtonBox::AcceptRole);
  save_->setObjectName(QStringLiteral("save"));
  save_->setEnabled(false);
  try_->setDefault(true);
  buttons->addButton(text("f2command2"), QDialogButtonBox::RejectRole);

  auto* form = new QFormLayout;
  form->addRow(text("own7"), address_);
  form->addRow(text("own6"), name_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addLayout(form);
  layout->addWidget(status_);
  layout->addWidget(buttons);
  setMinimumWidth(420);

  connect(try_, &QPushButton::clicked, this, &AddStationDialog::tryAddress);
  connect(save_, &QPushButton::clicked, this, &AddStationDialog::save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  // What was found belongs to the address tried: another address is tried again.
  connect(address_, &QLineEdit::textEdited, this, [this] {
    probe_.cancel();
    found_.reset();
    save_->setEnabled(false);
    try_->setEnabled(true);
    try_->setDefault(true);
    status_->clear();
  });
  connect(&probe_, &StationProbe::found, this, &AddStationDialog::showFound);
  connect(&probe_, &StationProbe::refused, this, &AddStationDialog::showRefusal);
}

QString AddStationDialog::text(const char* key) const { return language_.LangText(QLatin1String(key)); }

void AddStationDialog::tryAddress() {
  found_.reset();
  save_->setEnabled(false);
  try_->setEnabled(false);
  status_->setText(text("command3c"));
  probe_.start(address_->text().trimmed());
}

void AddStationDialog::showFound(const ProbeFound& what) {
  found_ = what;
  QStringList parts{text("own14").arg(what.kind)};
  if (what.bitrate > 0) parts << text("own15").arg(what.bitrate);
  if (!what.name.isEmpty()) parts << text("own16").arg(what.name);
  if (what.viaPlaylist) parts << text("own17");
  status_->setText(parts.join(QStringLiteral(", ")) + u'.');
  if (name_->text().trimmed().isEmpty())
    name_->setText(what.name.isEmpty() ? stationlist::safeName({}, address_->text().trimmed()) : what.name);
  try_->setEnabled(true);
  save_->setEnabled(true);
  save_->setDefault(true);
}

void AddStationDialog::showRefusal(StationProbe::Refusal why, const QString& detail) {
  const char* key = why == StationProbe::Refusal::NotHttp    ? "own10"
                    : why == StationProbe::Refusal::NotAudio ? "own12"
                    : why == StationProbe::Refusal::NoAnswer ? "own11"
                                                             : "own13";
  const QString said = text(key);
  status_->setText(said.contains(QStringLiteral("%1")) ? said.arg(detail.isEmpty() ? QStringLiteral("?") : detail)
                                                       : said);
  try_->setEnabled(true);
}

void AddStationDialog::save() {
  if (!found_) return;
  const QString address = address_->text().trimmed();
  const Favourite station{stationlist::safeName(name_->text(), address), address,
                          found_->website.isEmpty() ? fallbackSite_ : found_->website};
  if (!favourites_.add(station)) {
    status_->setText(text("error12"));
    return;
  }
  saved_ = station.naam;
  accept();
}
