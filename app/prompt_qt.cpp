#include "prompt.h"

#include <QApplication>
#include <QMessageBox>

void QtPrompt::message(Icon icon, const QString& caption, const QString& text) {
  const QMessageBox::Icon boxIcon = icon == Icon::Critical      ? QMessageBox::Critical
                                    : icon == Icon::Information ? QMessageBox::Information
                                                                : QMessageBox::NoIcon;
  QMessageBox box(boxIcon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
  // Messages carry names from the network: never rich text.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtPrompt::question(const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}
