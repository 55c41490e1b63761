#pragma once

#include <QByteArray>
#include <QString>

// Where the program is told to start with the desktop session.
class Autostart {
 public:
  virtual ~Autostart() = default;
  // Stores the program path to start under the name. A text "rem " + path keeps the entry in
  // place but lets it start nothing. Failures pass silently (they are logged).
  virtual void SetRunValue(const QString& name, const QString& text) = 0;
};

// The per-user XDG autostart entry <config home>/autostart/vantor-internet-radio.desktop.
class XdgAutostart final : public Autostart {
 public:
  explicit XdgAutostart(QString configHome);
  // $XDG_CONFIG_HOME, or ~/.config where it is unset, empty or not an absolute path.
  static QString configHomeFromEnvironment();

  QString entryFile() const;
  void SetRunValue(const QString& name, const QString& text) override;

 private:
  QString configHome_;
};

// A desktop entry that starts program (an absolute path), or lies there hidden when !enabled.
QByteArray desktopEntry(const QString& name, const QString& program, bool enabled);

// One argument of an Exec line, quoted by the Desktop Entry rules and escaped as a string value.
QString execArgument(const QString& argument);
