#pragma once

#include <QString>
#include <QVariant>

// Where a control keeps its stored settings. A value is read with its default (a missing
// value reads as the default) and written with it (a value equal to its default is not kept).
class PropertyBag {
 public:
  virtual ~PropertyBag() = default;
  virtual QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const = 0;
  virtual void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) = 0;
};

// Stored settings in one section of a profile file. Values keep their type by their default's
// type: Booleans as -1/0, numbers, text with line breaks and edge blanks escaped, fonts in
// Qt's font notation, pictures as PNG in base64.
class IniPropertyBag final : public PropertyBag {
 public:
  IniPropertyBag(QString file, QString section) : file_(std::move(file)), section_(std::move(section)) {}

  QVariant ReadProperty(const QString& name, const QVariant& defaultValue) const override;
  void WriteProperty(const QString& name, const QVariant& value, const QVariant& defaultValue) override;

  // The stored form of a value, and back; exposed for the round-trip tests.
  static QString encode(const QVariant& value);
  static QVariant decode(const QString& stored, const QVariant& defaultValue);

 private:
  QString file_;
  QString section_;
};
