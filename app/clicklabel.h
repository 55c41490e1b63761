#pragma once

#include <QLabel>

// A label that acts as a button: a left click, or Enter/Space while it has the focus.
class ClickLabel : public QLabel {
  Q_OBJECT
 public:
  explicit ClickLabel(QWidget* parent = nullptr);

 Q_SIGNALS:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void underline(bool on);
  bool keyboardFocus_ = false;  // reached by Tab: marked, also when its window comes back
};
