#pragma once

#include <QDialog>

#include <functional>
#include <memory>

#include "app/language.h"
#include "songlog.h"

namespace Ui {
class Form6;
}

// What the history window is given by the main window (or a test).
struct Form6Host {
  const Language& language;
  SongLog& log;
  // Plays the song's station.
  std::function<void(const Song& song)> play;
  // Where the CSV export goes; empty when the user cancels. Unset: a save dialog asks.
  std::function<QString()> askCsvFile;
};

// The song history: newest first, liked songs marked; like, liked only, copy, export, clear;
// a double click plays the song's station.
class Form6 final : public QDialog {
  Q_OBJECT
 public:
  explicit Form6(const Form6Host& host, QWidget* parent = nullptr);
  ~Form6() override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Form_Load();
  void Fill();
  QList<int> SelectedSongs() const;
  void ListView1_DblClick();
  void Check1_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();

  const Form6Host& host_;
  std::unique_ptr<Ui::Form6> ui_;
};
