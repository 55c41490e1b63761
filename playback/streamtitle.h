#pragma once

#include <QByteArray>
#include <QString>

// Stream titles as they arrive in stream metadata, made fit to show.
namespace streamtitle {

// Many stations send their titles in Windows-1252 while the metadata claims nothing, and
// some pipelines then read those bytes as Latin-1 or encode UTF-8 twice. This undoes all
// three: invalid UTF-8 is read as Windows-1252, Latin-1-read Windows-1252 (C1 controls) is
// re-read, and doubly encoded UTF-8 ("CafÃ©") is decoded once more. Control characters
// become blanks; bidirectional controls are dropped.
QString repair(const QByteArray& raw);

// "Artist - Title", or the title alone when there is no artist or the title already names it.
QString compose(const QString& artist, const QString& title);

}  // namespace streamtitle
