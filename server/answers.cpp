#include "answers.h"

#include "text.h"

namespace vantor::server {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

const char* t(Lang lang, const char* nl, const char* en) { return lang == Lang::Nl ? nl : en; }

}  // namespace

std::string htmlPage(Lang lang, const std::string& title, const std::string& body) {
  return std::string("<!DOCTYPE html>\n<html lang=\"") + t(lang, "nl", "en") +
         "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + htmlEscape(title) +
         "</title>\n<style>body{font-family:Verdana,sans-serif;font-size:10pt;margin:8px;color:#222}"
         "h1{font-size:13pt;color:#1a4d8f}table{border-collapse:collapse}td{padding:2px 8px}</style>\n"
         "</head>\n<body>\n<h1>" +
         htmlEscape(title) + "</h1>\n" + body + "</body>\n</html>\n";
}

namespace {

const char* extension(StreamKind kind) {
  switch (kind) {
    case StreamKind::Ogg:
      return ".ogg";
    case StreamKind::Pls:
      return ".pls";
    case StreamKind::M3u:
      return ".m3u";
    default:
      return ".mp3";
  }
}

void appendElement(std::string& out, const char* name, const std::string& content) {
  out += '<';
  out += name;
  out += '>';
  out += content;
  out += "</";
  out += name;
  out += ">\n";
}

}  // namespace

Lang langFromParam(const std::string& lang) {
  const std::string l = asciiLower(lang);
  return (l.empty() || l == "nederlands" || l == "dutch" || l == "nl") ? Lang::Nl : Lang::En;
}

std::optional<std::string> stemFromListFile(const std::string& fileName) {
  static const std::string ext = ".txt";
  if (fileName.size() <= ext.size() || fileName.compare(fileName.size() - ext.size(), ext.size(), ext) != 0)
    return std::nullopt;
  std::string stem = fileName.substr(0, fileName.size() - ext.size());
  if (!isPlainName(stem)) return std::nullopt;
  return stem;
}

bool isUsableHost(const std::string& host) {
  if (host.empty() || host.size() > 255) return false;
  size_t portStart = std::string::npos;
  if (host.front() == '[') {
    const size_t close = host.find(']');
    if (close == std::string::npos || close == 1) return false;
    for (size_t i = 1; i < close; ++i)
      if (!isHexDigit(host[i]) && host[i] != ':') return false;
    if (close + 1 < host.size()) {
      if (host[close + 1] != ':') return false;
      portStart = close + 2;
    }
  } else {
    const size_t colon = host.find(':');
    const size_t nameEnd = colon == std::string::npos ? host.size() : colon;
    if (nameEnd == 0) return false;
    for (size_t i = 0; i < nameEnd; ++i) {
      const char c = host[i];
      if (!isHexDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && c != '.' && c != '-')
        return false;
    }
    if (colon != std::string::npos) portStart = colon + 1;
  }
  if (portStart == std::string::npos) return true;
  const std::string port = host.substr(portStart);
  if (port.empty() || port.size() > 5) return false;
  for (char c : port)
    if (!isDigit(c)) return false;
  return true;
}

std::string streamUrl(const StationRow& s, const std::string& host) {
  return "http://" + host + "/stream/" + s.key + extension(s.kind);
}

std::string homepageOf(const StationRow& s, const std::string& host) {
  std::string out = s.homepage;
  static const std::string marker = "{host}";
  for (size_t p = out.find(marker); p != std::string::npos; p = out.find(marker, p + host.size()))
    out.replace(p, marker.size(), host);
  return out;
}

std::string countryListAnswer(const std::vector<CountryRow>& countries, Lang lang) {
  std::string out;
  for (const auto& c : countries) {
    appendElement(out, "naam", lang == Lang::Nl ? c.nameNl : c.nameEn);
    appendElement(out, "bestand", c.stem + ".txt");
  }
  return out;
}

std::string stationListAnswer(const std::vector<StationRow>& stations, const std::string& host) {
  std::string out;
  for (const auto& s : stations) {
    appendElement(out, "naam", s.name);
    appendElement(out, "url", streamUrl(s, host));
    appendElement(out, "homepage", homepageOf(s, host));
  }
  return out;
}

std::string provisionalList(const std::string& list) { return "<voorlopig>ja</voorlopig>\n" + list; }

std::string playlistPls(const StationRow& s, const std::string& host) {
  return "[playlist]\nNumberOfEntries=1\nFile1=http://" + host + "/stream/" + s.key +
         ".mp3\nTitle1=" + s.name + "\nLength1=-1\nVersion=2\n";
}

std::string playlistM3u(const StationRow& s, const std::string& host) {
  return "#EXTM3U\n#EXTINF:-1," + s.name + "\nhttp://" + host + "/stream/" + s.key + ".mp3\n";
}

std::optional<std::string> cleanVersion(const std::string& versie) {
  if (versie.empty() || versie.size() > 15 || !isDigit(versie.front()) || !isDigit(versie.back()))
    return std::nullopt;
  for (size_t i = 0; i < versie.size(); ++i) {
    if (versie[i] == '.' && versie[i - 1] == '.') return std::nullopt;
    if (!isDigit(versie[i]) && versie[i] != '.') return std::nullopt;
  }
  return versie;
}

std::string homePage(Lang lang, const std::optional<std::string>& version, size_t countryCount,
                     const SourceSummary* upstream) {
  std::string body = "<p>";
  if (version)
    body += std::string(t(lang, "Welkom bij Vantor Internet Radio ", "Welcome to Vantor Internet Radio ")) +
            htmlEscape(*version) + "!</p>\n<p>";
  else
    body +=
        t(lang, "Welkom bij Vantor Internet Radio!</p>\n<p>", "Welcome to Vantor Internet Radio!</p>\n<p>");
  if (!upstream) {
    body += t(lang, "Deze gids bevat demozenders uit ", "This directory holds demo stations from ");
    body += std::to_string(countryCount);
    body += t(lang, " landen. Kies een land en klik op een zender om te luisteren.</p>\n",
              " countries. Pick a country and click a station to listen.</p>\n");
    return htmlPage(lang, "Vantor Internet Radio", body);
  }
  if (upstream->countries == 0) {
    // Nothing cached and no answer yet: say so, rather than pass demo stations off as the directory.
    body +=
        t(lang, "<b>Offline.</b> De openbare zendergids (", "<b>Offline.</b> The public station directory (");
    body += htmlEscape(upstream->origin.empty() ? std::string("radio-browser.info") : upstream->origin);
    body += t(lang, ") is niet te bereiken, dus hoort u demozenders uit ",
              ") cannot be reached, so you hear demo stations from ");
    body += std::to_string(countryCount);
    body +=
        t(lang, " landen. Zodra de gids antwoordt, nemen zijn landen en zenders vanzelf hun plaats in.</p>\n",
          " countries. As soon as the directory answers, its countries and stations take their place by"
          " themselves.</p>\n");
    return htmlPage(lang, "Vantor Internet Radio", body);
  }
  body += t(lang, "Deze gids haalt zijn zenders uit de openbare zendergids op ",
            "This directory takes its stations from the public station directory at ");
  body += htmlEscape(upstream->origin) + ". ";
  body += t(lang, "Er zijn nu ", "It now keeps ");
  body += std::to_string(upstream->countries);
  body += t(lang, " landen en ", " countries and ");
  body += std::to_string(upstream->stations);
  body += t(lang,
            " zenders bewaard, zodat de gids ook zonder verbinding antwoordt. "
            "Kies een land en klik op een zender om te luisteren.</p>\n",
            " stations, so it answers without a connection too. "
            "Pick a country and click a station to listen.</p>\n");
  return htmlPage(lang, "Vantor Internet Radio", body);
}

std::string aboutPage(Lang lang) {
  return htmlPage(lang, t(lang, "Over Vantor Internet Radio", "About Vantor Internet Radio"),
                  t(lang,
                    "<p>Vantor Internet Radio speelt radiozenders van over de hele wereld af.</p>\n"
                    "<p>Deze zendergids draait op je eigen computer. De demozenders stellen zich zelf voor "
                    "en laten daarna een paar tonen horen.</p>\n",
                    "<p>Vantor Internet Radio plays radio stations from all over the world.</p>\n"
                    "<p>This station directory runs on your own computer. Its demo stations announce "
                    "themselves and then play a few tones.</p>\n"));
}

std::string reportThanksPage(Lang lang, const std::string& stationName) {
  std::string body = t(lang, "<p>Bedankt voor je melding over ", "<p>Thank you for reporting ");
  body += "<b>" + htmlEscape(stationName) + "</b>.";
  body += t(lang, " We kijken zo snel mogelijk naar deze zender.</p>\n",
            " We will look into this station as soon as we can.</p>\n");
  return htmlPage(lang, t(lang, "Melding ontvangen", "Report received"), body);
}

std::string reportIncompletePage(Lang lang) {
  return htmlPage(lang, t(lang, "Melding niet verwerkt", "Report not stored"),
                  t(lang, "<p>Er ontbreekt een zenderadres; de melding is niet opgeslagen.</p>\n",
                    "<p>The station address is missing; the report was not stored.</p>\n"));
}

std::string reportTooManyPage(Lang lang) {
  return htmlPage(lang, t(lang, "Melding niet verwerkt", "Report not stored"),
                  t(lang, "<p>Er komen te veel meldingen van dit adres; probeer het later nog eens.</p>\n",
                    "<p>Too many reports are coming from this address; please try again later.</p>\n"));
}

std::string unknownPage(Lang lang) {
  return htmlPage(lang, t(lang, "Pagina niet gevonden", "Page not found"),
                  t(lang, "<p>Deze pagina bestaat niet.</p>\n", "<p>This page does not exist.</p>\n"));
}

std::string sitePage(Lang lang, const std::vector<CountryRow>& countries,
                     const std::vector<std::vector<StationRow>>& stationsPerCountry,
                     const std::string& host) {
  std::string body =
      t(lang, "<p>Alle zenders in deze gids:</p>\n", "<p>Every station in this directory:</p>\n");
  for (size_t i = 0; i < countries.size(); ++i) {
    body += "<h2>" + htmlEscape(lang == Lang::Nl ? countries[i].nameNl : countries[i].nameEn) +
            "</h2>\n<table>\n";
    if (i < stationsPerCountry.size()) {
      for (const auto& s : stationsPerCountry[i]) {
        const std::string url = streamUrl(s, host);
        body += "<tr><td>" + htmlEscape(s.name) + "</td><td><a href=\"" + htmlEscape(url) + "\">" +
                htmlEscape(url) + "</a></td><td>" + htmlEscape(s.tags) + "</td></tr>\n";
      }
    }
    body += "</table>\n";
  }
  return htmlPage(lang, t(lang, "Vantor zendergids", "Vantor station directory"), body);
}

}  // namespace vantor::server
