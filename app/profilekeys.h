#pragma once

#include <QString>

// Section and key names of the settings file inst.ini, for every reader and writer.
// Names match in any letter case (see ini.h).
namespace ProfileKeys {

// Options.
inline const QString kOptions = QStringLiteral("Online Radio");
inline const QString kLanguage = QStringLiteral("taal");
inline const QString kLanguageIndex = QStringLiteral("combotaal");
inline const QString kBigScreen = QStringLiteral("grootscherm");
inline const QString kPlayAtStart = QStringLiteral("afspelen");
inline const QString kCloseEnds = QStringLiteral("xsluiten");
inline const QString kSkin = QStringLiteral("skin");

// What the program remembers between runs.
inline const QString kRemembered = QStringLiteral("Onthouden");
inline const QString kLastName = QStringLiteral("LaatsteNAAM");
inline const QString kLastUrl = QStringLiteral("LaatsteURL");
inline const QString kVolume = QStringLiteral("Volume");
inline const QString kLastCountryName = QStringLiteral("LaatsteLandNaam");
// Written with a small "b" since the first version; reads as "LaatsteLandBestand" too.
inline const QString kLastCountryFile = QStringLiteral("LaatsteLandbestand");
inline const QString kCountryRow = QStringLiteral("laadland");
inline const QString kSearchCountryRow = QStringLiteral("zoekland");

// Start with the desktop session.
inline const QString kWindows = QStringLiteral("Windows");
inline const QString kStartWithSession = QStringLiteral("laden");

}  // namespace ProfileKeys
