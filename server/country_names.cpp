#include "country_names.h"

#include "text.h"

#include <algorithm>
#include <map>

namespace vantor::server {

namespace {

const std::map<std::string, const char*>& dutchNames() {
  static const std::map<std::string, const char*> names{{"ad", "Andorra"},
                                                        {"ae", "Verenigde Arabische Emiraten"},
                                                        {"al", "Albanië"},
                                                        {"am", "Armenië"},
                                                        {"ar", "Argentinië"},
                                                        {"at", "Oostenrijk"},
                                                        {"au", "Australië"},
                                                        {"aw", "Aruba"},
                                                        {"ba", "Bosnië en Herzegovina"},
                                                        {"be", "België"},
                                                        {"bg", "Bulgarije"},
                                                        {"br", "Brazilië"},
                                                        {"by", "Wit-Rusland"},
                                                        {"ca", "Canada"},
                                                        {"ch", "Zwitserland"},
                                                        {"cl", "Chili"},
                                                        {"cn", "China"},
                                                        {"co", "Colombia"},
                                                        {"cu", "Cuba"},
                                                        {"cw", "Curaçao"},
                                                        {"cy", "Cyprus"},
                                                        {"cz", "Tsjechië"},
                                                        {"de", "Duitsland"},
                                                        {"dk", "Denemarken"},
                                                        {"dz", "Algerije"},
                                                        {"ee", "Estland"},
                                                        {"eg", "Egypte"},
                                                        {"es", "Spanje"},
                                                        {"fi", "Finland"},
                                                        {"fr", "Frankrijk"},
                                                        {"gb", "Verenigd Koninkrijk"},
                                                        {"ge", "Georgië"},
                                                        {"gr", "Griekenland"},
                                                        {"hr", "Kroatië"},
                                                        {"hu", "Hongarije"},
                                                        {"id", "Indonesië"},
                                                        {"ie", "Ierland"},
                                                        {"il", "Israël"},
                                                        {"in", "India"},
                                                        {"iq", "Irak"},
                                                        {"ir", "Iran"},
                                                        {"is", "IJsland"},
                                                        {"it", "Italië"},
                                                        {"jp", "Japan"},
                                                        {"ke", "Kenia"},
                                                        {"kr", "Zuid-Korea"},
                                                        {"lt", "Litouwen"},
                                                        {"lu", "Luxemburg"},
                                                        {"lv", "Letland"},
                                                        {"ma", "Marokko"},
                                                        {"md", "Moldavië"},
                                                        {"me", "Montenegro"},
                                                        {"mk", "Noord-Macedonië"},
                                                        {"mt", "Malta"},
                                                        {"mx", "Mexico"},
                                                        {"ng", "Nigeria"},
                                                        {"nl", "Holland"},
                                                        {"no", "Noorwegen"},
                                                        {"nz", "Nieuw-Zeeland"},
                                                        {"pe", "Peru"},
                                                        {"ph", "Filipijnen"},
                                                        {"pk", "Pakistan"},
                                                        {"pl", "Polen"},
                                                        {"pt", "Portugal"},
                                                        {"ro", "Roemenië"},
                                                        {"rs", "Servië"},
                                                        {"ru", "Rusland"},
                                                        {"sa", "Saoedi-Arabië"},
                                                        {"se", "Zweden"},
                                                        {"si", "Slovenië"},
                                                        {"sk", "Slowakije"},
                                                        {"sr", "Suriname"},
                                                        {"th", "Thailand"},
                                                        {"tn", "Tunesië"},
                                                        {"tr", "Turkije"},
                                                        {"ua", "Oekraïne"},
                                                        {"us", "Verenigde Staten"},
                                                        {"ve", "Venezuela"},
                                                        {"za", "Zuid-Afrika"}};
  return names;
}

}  // namespace

std::optional<std::string> twoLetterCode(std::string_view raw) {
  if (raw.size() != 2) return std::nullopt;
  std::string code = asciiLower(raw);
  for (char c : code)
    if (c < 'a' || c > 'z') return std::nullopt;
  return code;
}

std::string countryName(const UpCountry& c, Lang lang) {
  if (lang == Lang::Nl) {
    const auto it = dutchNames().find(c.code);
    if (it != dutchNames().end()) return it->second;
  }
  if (c.code == "nl") return "The Netherlands";
  return c.nameEn;
}

std::vector<CountryRow> countryRowsFor(const std::vector<UpCountry>& countries) {
  std::vector<CountryRow> rows;
  for (const auto& c : countries)
    rows.push_back({c.code, countryName(c, Lang::Nl), countryName(c, Lang::En)});
  return rows;
}

std::vector<CountryRow> sortedFor(std::vector<CountryRow> rows, Lang lang) {
  const auto name = [lang](const CountryRow& r) -> const std::string& {
    return lang == Lang::Nl ? r.nameNl : r.nameEn;
  };
  std::stable_sort(rows.begin(), rows.end(), [&](const CountryRow& a, const CountryRow& b) {
    if ((a.stem == "nl") != (b.stem == "nl")) return a.stem == "nl";
    return sortKey(name(a)) < sortKey(name(b));
  });
  return rows;
}

std::optional<std::string> countryCodeFromStem(const std::string& stem) {
  // The demo catalogue's list files: chosen while offline, they follow the directory once it answers.
  static const std::map<std::string, std::string> demo{{"holland", "nl"},   {"belgie", "be"},
                                                       {"duitsland", "de"}, {"frankrijk", "fr"},
                                                       {"engeland", "gb"},  {"spanje", "es"}};
  const auto it = demo.find(asciiLower(stem));
  if (it != demo.end()) return it->second;
  return twoLetterCode(stem);
}

}  // namespace vantor::server
