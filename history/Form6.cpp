#include "Form6.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QTreeWidget>

#include "app/plaintext.h"
#include "app/textdecoding.h"
#include "app/trap.h"
#include "ui_Form6.h"

namespace {
const QString kLikedMark = QStringLiteral("\u2665");
constexpr int kSongRole = Qt::UserRole;
}  // namespace

Form6::Form6(const Form6Host& host, QWidget* parent)
    : QDialog(parent), host_(host), ui_(std::make_unique<Ui::Form6>()) {
  ui_->setupUi(this);
  usePlainText(this);
  setFixedSize(size());
  connect(ui_->ListView1, &QTreeWidget::itemDoubleClicked, this, &Form6::ListView1_DblClick);
  connect(ui_->Check1, &QCheckBox::clicked, this, &Form6::Check1_Click);
  connect(ui_->Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
  connect(ui_->Command2, &QPushButton::clicked, this, &Form6::Command2_Click);
  connect(ui_->Command3, &QPushButton::clicked, this, &Form6::Command3_Click);
  connect(ui_->Command4, &QPushButton::clicked, this, &Form6::Command4_Click);
  connect(ui_->Command5, &QPushButton::clicked, this, &QDialog::accept);
  connect(&host_.log, &SongLog::changed, this, &Form6::Fill);
  Form_Load();
}

Form6::~Form6() = default;

void Form6::Form_Load() {
  const Language& l = host_.language;
  ui_->Label1->setText(l.LangText(QStringLiteral("f6label1")));
  ui_->Check1->setText(l.LangText(QStringLiteral("f6check1")));
  for (int i = 1; i <= 5; ++i)
    findChild<QPushButton*>(QStringLiteral("Command%1").arg(i))
        ->setText(l.LangText(QStringLiteral("f6command%1").arg(i)));
  ui_->ListView1->setHeaderLabels({QString(), l.LangText(QStringLiteral("f6column1")),
                                   l.LangText(QStringLiteral("f6column2")),
                                   l.LangText(QStringLiteral("f6column3"))});
  ui_->ListView1->setColumnWidth(0, 26);
  ui_->ListView1->setColumnWidth(1, 140);
  ui_->ListView1->setColumnWidth(2, 150);
  Fill();
  ui_->ListView1->setFocus();
}

void Form6::Fill() {
  const QList<int> chosen = SelectedSongs();
  const QSet<int> selected(chosen.begin(), chosen.end());
  const QTreeWidgetItem* current = ui_->ListView1->currentItem();
  const int currentSong = current ? current->data(0, kSongRole).toInt() : -1;
  ui_->ListView1->clear();
  const QList<Song>& songs = host_.log.history().songs();
  QList<QTreeWidgetItem*> items;
  for (int i = int(songs.size()) - 1; i >= 0; --i) {
    const Song& s = songs[i];
    if (ui_->Check1->isChecked() && !s.liked) continue;
    const QString title = textdecoding::withoutBidiControls(s.title);
    auto* item = new QTreeWidgetItem({s.liked ? kLikedMark : QString(),
                                      s.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                      textdecoding::withoutBidiControls(s.station), title});
    item->setData(0, kSongRole, i);
    item->setToolTip(3, title);
    items << item;
  }
  ui_->ListView1->addTopLevelItems(items);
  // A song that arrives keeps the rows the user chose selected, and the keyboard where it was.
  for (QTreeWidgetItem* item : items) {
    const int song = item->data(0, kSongRole).toInt();
    if (song == currentSong) ui_->ListView1->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    if (selected.contains(song)) item->setSelected(true);
  }
  if (currentSong < 0 && !items.isEmpty()) ui_->ListView1->setCurrentItem(items.first());
}

QList<int> Form6::SelectedSongs() const {
  QList<int> out;
  for (QTreeWidgetItem* item : ui_->ListView1->selectedItems()) out << item->data(0, kSongRole).toInt();
  std::sort(out.begin(), out.end(), std::greater<>());
  return out;
}

void Form6::ListView1_DblClick() {
  QTreeWidgetItem* item = ui_->ListView1->currentItem();
  if (!item) return;
  const QList<Song>& songs = host_.log.history().songs();
  const int i = item->data(0, kSongRole).toInt();
  if (i >= 0 && i < songs.size() && host_.play) host_.play(songs[i]);
}

void Form6::Check1_Click() { Fill(); }

// Likes the selected songs, or takes the mark away when all of them have it.
void Form6::Command1_Click() {
  const QList<int> selected = SelectedSongs();
  const QList<Song>& songs = host_.log.history().songs();
  const bool allLiked = std::all_of(selected.begin(), selected.end(), [&](int i) { return songs[i].liked; });
  host_.log.setLiked(selected, !allLiked);
}

void Form6::Command2_Click() {
  QList<Song> songs;
  for (int i : SelectedSongs()) songs << host_.log.history().songs()[i];
  if (!songs.isEmpty()) QGuiApplication::clipboard()->setText(SongHistory::toText(songs));
}

void Form6::Command3_Click() {
  const QString file = host_.askCsvFile
                           ? host_.askCsvFile()
                           : QFileDialog::getSaveFileName(this, ui_->Command3->text(),
                                                          QDir::homePath() + QStringLiteral("/songs.csv"),
                                                          QStringLiteral("CSV (*.csv)"));
  if (file.isEmpty()) return;
  trapped(host_.language, QStringLiteral("f6error1"), [&] {
    QList<Song> songs = host_.log.history().songs();
    std::reverse(songs.begin(), songs.end());
    const QByteArray bytes = SongHistory::toCsv(songs).toUtf8();
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
      throw StepFailed(QStringLiteral("cannot write ") + file + QStringLiteral(": ") + out.errorString());
  });
}

void Form6::Command4_Click() {
  if (!host_.language.Ask(QStringLiteral("f6question1"))) return;
  host_.log.clear();
}

void Form6::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) return Command2_Click();
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && ui_->ListView1->hasFocus())
    return ListView1_DblClick();
  QDialog::keyPressEvent(event);
}
