#pragma once

#include <QByteArray>
#include <QString>

// The user's directory settings, ~/.config/vantor-radio/directory.env (below XDG_CONFIG_HOME
// when that is set): NAME=value lines, as the user unit reads them. Read as data, never run.

// Where the file is.
QString directoryEnvPath();

// The last value of name in text; empty when it is not set there. Blank lines and lines that
// start with "#" or ";" are skipped; blanks around the name and the value, and one pair of
// quotes around the value, are dropped.
QString envFileValue(const QByteArray& text, const QByteArray& name);

// The value of name in the file at path; empty when the file is missing, not a regular file,
// or larger than a settings file can be.
QString envFileValueAt(const QString& path, const QByteArray& name);
