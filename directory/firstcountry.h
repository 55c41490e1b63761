#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// Which country a first start shows, before the user has chosen one.

// The ISO code of the locale's territory in lower case ("de" for de_DE); empty for the C locale.
QString territoryCode(const QLocale& locale);

// The row of the country list (its list files, parallel to the names) for the territory: the
// public directory names a country's file by its code ("de.txt"). Otherwise The Netherlands, as
// the directory ("nl.txt") or the demo catalogue ("holland.txt") lists it, otherwise the first
// row; -1 for an empty list.
int firstCountryRow(const QStringList& files, const QString& territory);
