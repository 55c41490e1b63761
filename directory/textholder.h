#pragma once

#include <QObject>
#include <QString>

// Hidden holder of the last downloaded text.
class TextHolder final : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  void setText(const QString& text) { text_ = text; }
  const QString& text() const { return text_; }

 private:
  QString text_;
};
