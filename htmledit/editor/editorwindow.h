#pragma once

#include <QMainWindow>

class Corvel;
class QProgressBar;

// A window around one Corvel: open and save an HTML file, colorize it, choose the marks'
// looks and which typed characters become entities.
class EditorWindow final : public QMainWindow {
  Q_OBJECT
 public:
  explicit EditorWindow(QWidget* parent = nullptr);

  Corvel* editor() const { return editor_; }
  // Loads the file; shows the error and returns false when it cannot be read.
  bool open(const QString& path);

 private:
  void Open_Click();
  void Save_Click();
  void Colorize_Click();
  void buildLookMenu();
  void buildEntityBar();
  void showTitle();

  Corvel* editor_;
  QProgressBar* progress_;
};
