#pragma once

#include <QList>
#include <QString>

#include <utility>

#include "textdecoding.h"

// Access to profile (INI) files: the program's only way to read or write them.
// Section and key names match in any letter case; missing file, section or key read as "".
// Nothing is cached: every call goes to the file.
namespace INI {

QString ReadIni(const QString& file, const QString& section, const QString& key);

// Replaces the key in place, or adds it (and the section, and the file). The file is replaced
// atomically; a write that cannot be done leaves the old file as it was and passes silently.
void WriteIni(const QString& file, const QString& section, const QString& key, const QString& value);

// Several keys of one section in a single replacement of the file: a reader, or a program
// killed half-way, sees all of them or none.
void WriteIniKeys(const QString& file, const QString& section,
                  const QList<std::pair<QString, QString>>& entries);

// Whether a file name is one of the writer's own temporary files (".~ini-<pid>-XXXXXX"), which
// folder listings leave out.
bool isTemporaryName(const QString& name);

}  // namespace INI
