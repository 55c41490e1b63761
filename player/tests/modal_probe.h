#pragma once

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>

// Runs the action and reports which modal dialog came up (closed at once), or "": " unskinned"
// is added when the dialog's skin picture is missing.
inline QString modalOpenedBy(const std::function<void()>& action) {
  QString opened;
  QTimer::singleShot(300, [&] {
    if (QWidget* modal = QApplication::activeModalWidget()) {
      opened = modal->objectName();
      if (auto* image = modal->findChild<QLabel*>("Image2"); image && image->pixmap().isNull())
        opened += " unskinned";
      static_cast<QDialog*>(modal)->reject();
    }
  });
  action();
  QTest::qWait(350);
  return opened;
}
