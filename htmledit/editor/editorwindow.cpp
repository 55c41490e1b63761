#include "editorwindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QStatusBar>
#include <QToolBar>

#include "corvel.h"

namespace {
const QString kHtmlFilter = QStringLiteral("HTML files (*.html *.htm);;All files (*)");
}

EditorWindow::EditorWindow(QWidget* parent)
    : QMainWindow(parent), editor_(new Corvel(this)), progress_(new QProgressBar(this)) {
  editor_->setObjectName(QStringLiteral("Corvel1"));
  setCentralWidget(editor_);
  progress_->setObjectName(QStringLiteral("ProgressBar1"));
  progress_->setMaximumWidth(200);
  statusBar()->addPermanentWidget(progress_);
  editor_->setProgressBar(progress_);

  QToolBar* tools = addToolBar(tr("File"));
  tools->setObjectName(QStringLiteral("Toolbar1"));
  QAction* openAction = tools->addAction(tr("&Open..."), this, &EditorWindow::Open_Click);
  openAction->setShortcut(QKeySequence::Open);
  QAction* saveAction = tools->addAction(tr("&Save"), this, &EditorWindow::Save_Click);
  saveAction->setShortcut(QKeySequence::Save);
  QAction* colorizeAction = tools->addAction(tr("&Colorize"), this, &EditorWindow::Colorize_Click);
  colorizeAction->setShortcut(Qt::Key_F5);
  menuBar()->addMenu(tr("&File"))->addActions({openAction, saveAction, colorizeAction});
  buildLookMenu();
  buildEntityBar();
  resize(900, 640);
  showTitle();
}

// One check per class and emphasis; the new look shows at the next Colorize.
void EditorWindow::buildLookMenu() {
  struct Switch {
    const char* caption;
    bool (Corvel::*get)() const;
    void (Corvel::*set)(bool);
  };
  static const Switch kSwitches[] = {
      {"Tag bold", &Corvel::TagBold, &Corvel::setTagBold},
      {"Tag italic", &Corvel::TagItalic, &Corvel::setTagItalic},
      {"Attribute name bold", &Corvel::PropNameBold, &Corvel::setPropNameBold},
      {"Attribute name italic", &Corvel::PropNameItalic, &Corvel::setPropNameItalic},
      {"Attribute value bold", &Corvel::PropValBold, &Corvel::setPropValBold},
      {"Attribute value italic", &Corvel::PropValItalic, &Corvel::setPropValItalic},
      {"Comment bold", &Corvel::CommentBold, &Corvel::setCommentBold},
      {"Comment italic", &Corvel::CommentItalic, &Corvel::setCommentItalic},
      {"Entity bold", &Corvel::EntityBold, &Corvel::setEntityBold},
      {"Entity italic", &Corvel::EntityItalic, &Corvel::setEntityItalic},
  };
  QMenu* looks = menuBar()->addMenu(tr("&Marks"));
  QToolBar* bar = addToolBar(tr("Marks"));
  for (const Switch& s : kSwitches) {
    QAction* action = looks->addAction(tr(s.caption));
    action->setCheckable(true);
    action->setChecked((editor_->*s.get)());
    connect(action, &QAction::toggled, this, [this, set = s.set](bool on) { (editor_->*set)(on); });
    bar->addAction(action);
  }
}

void EditorWindow::buildEntityBar() {
  static const char* const kBits[] = {"&&quot;",         "&&sect;",         "&&Auml; &&auml;",
                                      "&&Ouml; &&ouml;", "&&Uuml; &&uuml;", "&&szlig;"};
  QToolBar* bar = new QToolBar(tr("Entities"), this);
  addToolBarBreak();
  addToolBar(bar);
  for (int i = 0; i < 6; ++i) {
    auto* box = new QCheckBox(tr(kBits[i]), bar);
    box->setObjectName(QStringLiteral("Entity%1").arg(1 << i));
    box->setChecked(editor_->Entities() & (1 << i));
    connect(box, &QCheckBox::toggled, this, [this, bit = 1 << i](bool on) {
      editor_->setEntities(on ? editor_->Entities() | bit : editor_->Entities() & ~bit);
    });
    bar->addWidget(box);
  }
}

bool EditorWindow::open(const QString& path) {
  try {
    editor_->LoadFile(path);
  } catch (const std::exception& e) {
    QMessageBox::critical(this, tr("Open"),
                          tr("The file could not be opened:\n%1").arg(QString::fromLocal8Bit(e.what())));
    return false;
  }
  showTitle();
  return true;
}

void EditorWindow::Open_Click() {
  const QString path = QFileDialog::getOpenFileName(this, tr("Open"), QString(), kHtmlFilter);
  if (!path.isEmpty()) open(path);
}

void EditorWindow::Save_Click() {
  QString path = editor_->FileName();
  if (path.isEmpty()) path = QFileDialog::getSaveFileName(this, tr("Save"), QString(), kHtmlFilter);
  if (path.isEmpty()) return;
  try {
    editor_->SaveFile(path);
    statusBar()->showMessage(tr("Saved %1").arg(path), 3000);
  } catch (const std::exception& e) {
    QMessageBox::critical(this, tr("Save"),
                          tr("The file could not be saved:\n%1").arg(QString::fromLocal8Bit(e.what())));
  }
  showTitle();
}

void EditorWindow::Colorize_Click() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  try {
    editor_->Colorize(0, 0);
  } catch (const std::exception& e) {
    statusBar()->showMessage(QString::fromLocal8Bit(e.what()), 5000);
  }
  QApplication::restoreOverrideCursor();
}

void EditorWindow::showTitle() {
  const QString name =
      editor_->FileName().isEmpty() ? tr("Untitled") : QFileInfo(editor_->FileName()).fileName();
  setWindowTitle(name + QStringLiteral(" - Vantor HTML editor"));
}
