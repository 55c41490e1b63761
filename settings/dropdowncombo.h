#pragma once

#include <QComboBox>

// A combo box that says when its list opens.
class DropDownCombo final : public QComboBox {
  Q_OBJECT
 public:
  using QComboBox::QComboBox;
  void showPopup() override {
    Q_EMIT dropDown();
    QComboBox::showPopup();
  }

 Q_SIGNALS:
  void dropDown();
};
