#include "profilecheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ini.h"
#include "profilekeys.h"
#include "trap.h"

namespace profilecheck {
namespace {

struct Texts {
  Q_DECLARE_TR_FUNCTIONS(profilecheck)
};

QString shown(const QString& path) { return QDir::toNativeSeparators(QDir::cleanPath(path)); }

// What is wrong with the file as a file; empty when it can be read.
QString fileProblem(const QString& path) {
  const QFileInfo info(path);
  if (info.isSymLink() && !info.exists())
    return Texts::tr("%1 is a link to %2, which does not exist.").arg(shown(path), info.symLinkTarget());
  if (!info.exists()) return Texts::tr("%1 is missing.").arg(shown(path));
  if (info.isDir()) return Texts::tr("%1 is a folder, not a file.").arg(shown(path));
  if (!info.isFile()) return Texts::tr("%1 is not a plain file.").arg(shown(path));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return Texts::tr("%1 cannot be read: %2").arg(shown(path), file.errorString());
  return {};
}

QString language(const QString& instIni) {
  return INI::ReadIni(instIni, ProfileKeys::kOptions, ProfileKeys::kLanguage).trimmed();
}

}  // namespace

bool holdsSettings(const QString& instIni) {
  return fileProblem(instIni).isEmpty() && !language(instIni).isEmpty();
}

StartupProblems startupProblems(const ProgramFolder& folder) {
  StartupProblems problems;
  const QString ini = folder.instIni();
  if (const QString problem = fileProblem(ini); !problem.isEmpty()) {
    problems.profile = problem;
  } else if (language(ini).isEmpty()) {
    problems.profile =
        Texts::tr("%1 does not hold the settings of this program (it names no language).").arg(shown(ini));
  } else {
    const QString volume = INI::ReadIni(ini, ProfileKeys::kRemembered, ProfileKeys::kVolume);
    try {
      toWholeNumber(volume);
    } catch (const StepFailed&) {
      problems.profile =
          Texts::tr("%1: the remembered volume \"%2\" is not a whole number.").arg(shown(ini), volume);
    }
  }
  const QString favourites = QDir::cleanPath(folder.favourites());
  const QFileInfo info(favourites);
  if (info.exists() && !info.isDir())
    problems.favourites =
        Texts::tr("%1 is a file; the favourites are kept in a folder of that name.").arg(shown(favourites));
  else if (!info.exists())
    problems.favourites = Texts::tr("The favourites folder %1 is missing.").arg(shown(favourites));
  return problems;
}

}  // namespace profilecheck
