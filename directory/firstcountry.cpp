#include "firstcountry.h"

QString territoryCode(const QLocale& locale) {
  if (locale.territory() == QLocale::AnyTerritory) return {};
  return QLocale::territoryToCode(locale.territory()).toLower();
}

int firstCountryRow(const QStringList& files, const QString& territory) {
  if (files.isEmpty()) return -1;
  QStringList wanted{QStringLiteral("nl.txt"), QStringLiteral("holland.txt")};
  if (!territory.isEmpty()) wanted.prepend(territory + QStringLiteral(".txt"));
  for (const QString& file : wanted)
    for (qsizetype row = 0; row < files.size(); ++row)
      if (files[row].compare(file, Qt::CaseInsensitive) == 0) return int(row);
  return 0;
}
