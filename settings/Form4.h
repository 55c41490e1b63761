#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/language.h"
#include "app/programfolder.h"
#include "autostart.h"

namespace Ui {
class Form4;
}

// What the settings dialog gets from the main window.
struct SettingsHost {
  const Language& language;  // the main window's texts
  const ProgramFolder& folder;
  Autostart& autostart;
  QString programPath;  // what starts with the desktop session
  // Sets the main window's language field gESelecteerdland; later lookups use it.
  std::function<void(const QString& language)> setLanguage;
  // Re-arms the main window's skin timer (for the skin chooser).
  std::function<void()> enableSkinTimer;
};

// The settings dialog: the four start and close options, the language, autostart, and the way
// to the skin chooser.
class Form4 final : public QDialog {
  Q_OBJECT
 public:
  // Runs the load handler.
  explicit Form4(SettingsHost host, QWidget* parent = nullptr);
  ~Form4() override;

 private:
  void Form_Load();
  void Combo1_DropDown();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();

  SettingsHost host_;
  std::unique_ptr<Ui::Form4> ui_;
};
