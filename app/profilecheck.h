#pragma once

#include <QString>

#include "programfolder.h"

// What a start needs of the writable files, told in words a user can act on.
namespace profilecheck {

// Whether inst.ini holds the program's settings: a readable file that names a language. The
// program writes into it on its own (the remembered station, a skin set back) only then, so
// that a broken or missing profile is not replaced by one that keeps every start blank.
bool holdsSettings(const QString& instIni);

// What stops the start-up, one sentence per fault; empty where nothing is found.
struct StartupProblems {
  QString
      profile;  // inst.ini missing, not a file, unreadable, without settings, or a volume that is no number
  QString favourites;  // favo/ missing or a file
};
StartupProblems startupProblems(const ProgramFolder& folder);

}  // namespace profilecheck
