#pragma once

#include <QDialog>

#include <memory>

#include "directorydialoghost.h"

namespace Ui {
class Form3;
}

// The station search: words and an optional country go to the directory; a click on a result
// plays it at once in the main window while the dialog stays open.
class Form3 final : public QDialog {
  Q_OBJECT
 public:
  // Runs the load handler: the country filter is downloaded before this returns.
  explicit Form3(const DirectoryDialogHost& host, QWidget* parent = nullptr);
  ~Form3() override;

  // Fills the country filter: "Alle landen", a separator, then the directory's countries.
  void LaadLijst_Taal();
  // Runs one search with the words as typed in the selected country.
  void LaadLijst_Zoek(const QString& words);

  // The search code of a country list file: the file name without ".txt".
  static QString countryCode(const QString& listFile);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void List1_Click();

  DirectoryDialogHost host_;
  std::unique_ptr<Ui::Form3> ui_;
};
