#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/language.h"
#include "app/programfolder.h"

namespace Ui {
class Form5;
}

// What the skin chooser gets from the main window.
struct SkinChooserHost {
  const Language& language;
  const ProgramFolder& folder;
  // Re-arms the main window's skin timer, which then wears the skin stored in inst.ini.
  std::function<void()> enableSkinTimer;
};

// The skin chooser: the skins of the program folder, and who made the one clicked. A click
// makes that skin current at once; there is nothing to cancel.
class Form5 final : public QDialog {
  Q_OBJECT
 public:
  // Runs the load handler.
  explicit Form5(SkinChooserHost host, QWidget* parent = nullptr);
  ~Form5() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void File1_SetPath(const QString& folder);
  void List1_Click();
  void Command1_Click();

  SkinChooserHost host_;
  std::unique_ptr<Ui::Form5> ui_;
  bool selectionMoved_ = false;  // by the mouse press under way
};

// The skin descriptor files of a folder ("*.logskn" in any letter case, ".logskn" itself
// included), in name order.
QStringList SkinDescriptors(const QString& folder);
