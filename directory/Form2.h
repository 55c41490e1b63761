#pragma once

#include <QDialog>

#include <memory>

#include "directorydialoghost.h"

namespace Ui {
class Form2;
}
class QTimer;

// The country chooser: lists the directory's countries and hands the chosen one to the main
// window, which then loads its stations.
class Form2 final : public QDialog {
  Q_OBJECT
 public:
  // Runs the load handler: the country list is downloaded before this returns.
  explicit Form2(const DirectoryDialogHost& host, QWidget* parent = nullptr);
  ~Form2() override;

  // Downloads the country list in the current language and preselects the last choice.
  void LaadLijst_Taal();

 private:
  void Form_Load();
  void Timer1_Timer();
  void Command1_Click();
  void Command2_Click();

  DirectoryDialogHost host_;
  std::unique_ptr<Ui::Form2> ui_;
  QTimer* timer1_ = nullptr;
};
