#pragma once

#include <QString>

// The program's sockets and port files live in a folder no other user can put anything in or
// read: a directory, not a link, owned by this user, without access for group or others.

// Whether path is such a folder (checked without following a link).
bool isPrivateFolder(const QString& path);

// Makes path with mode 0700 when it is missing; true when it then is a private folder.
bool makePrivateFolder(const QString& path);

// $XDG_RUNTIME_DIR when it is private, else /run/user/<uid> when that is, else
// <temp>/vantor-radio-<uid> made private. Empty when none is (another user made that name
// first, say): the reason goes to the log, and nothing is kept there then.
QString privateRuntimeFolder();
