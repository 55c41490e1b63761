#include "answers.h"

#include "text.h"

namespace vantor::server {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

const char *T(Lang lang, const char *nl, const char *en)
{
    return lang == Lang::Nl ? nl : en;
}

}  // namespace

std::string HtmlPage(Lang lang, const std::string &title, const std::string &body)
{
    return std::string("<!DOCTYPE html>\n<html lang=\"") + T(lang, "nl", "en") +
           "\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscape(title) +
           "</title>\n<style>body{font-family:Verdana,sans-serif;font-size:10pt;margin:8px;color:#222}"
           "h1{font-size:13pt;color:#1a4d8f}table{border-collapse:collapse}td{padding:2px 8px}</style>\n"
           "</head>\n<body>\n<h1>" +
           HtmlEscape(title) + "</h1>\n" + body + "</body>\n</html>\n";
}

namespace {

const char *Extension(StreamKind kind)
{
    switch (kind) {
    case StreamKind::Ogg: return ".ogg";
    case StreamKind::Pls: return ".pls";
    case StreamKind::M3u: return ".m3u";
    default: return ".mp3";
    }
}

void AppendElement(std::string &out, const char *name, const std::string &content)
{
    out += '<';
    out += name;
    out += '>';
    out += content;
    out += "</";
    out += name;
    out += ">\n";
}

}  // namespace

Lang LangFromParam(const std::string &lang)
{
    const std::string l = AsciiLower(lang);
    return (l.empty() || l == "nederlands" || l == "dutch" || l == "nl") ? Lang::Nl : Lang::En;
}

std::optional<std::string> StemFromListFile(const std::string &fileName)
{
    static const std::string ext = ".txt";
    if (fileName.size() <= ext.size() || fileName.compare(fileName.size() - ext.size(), ext.size(), ext) != 0)
        return std::nullopt;
    std::string stem = fileName.substr(0, fileName.size() - ext.size());
    if (!IsPlainName(stem))
        return std::nullopt;
    return stem;
}

bool IsUsableHost(const std::string &host)
{
    if (host.empty() || host.size() > 255)
        return false;
    size_t portStart = std::string::npos;
    if (host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string::npos || close == 1)
            return false;
        for (size_t i = 1; i < close; ++i)
            if (!IsHexDigit(host[i]) && host[i] != ':')
                return false;
        if (close + 1 < host.size()) {
            if (host[close + 1] != ':')
                return false;
            portStart = close + 2;
        }
    } else {
        const size_t colon = host.find(':');
        const size_t nameEnd = colon == std::string::npos ? host.size() : colon;
        if (nameEnd == 0)
            return false;
        for (size_t i = 0; i < nameEnd; ++i) {
            const char c = host[i];
            if (!IsHexDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && c != '.' && c != '-')
                return false;
        }
        if (colon != std::string::npos)
            portStart = colon + 1;
    }
    if (portStart == std::string::npos)
        return true;
    const std::string port = host.substr(portStart);
    if (port.empty() || port.size() > 5)
        return false;
    for (char c : port)
        if (!IsDigit(c))
            return false;
    return true;
}

std::string StreamUrl(const StationRow &s, const std::string &host)
{
    return "http://" + host + "/stream/" + s.key + Extension(s.kind);
}

std::string HomepageOf(const StationRow &s, const std::string &host)
{
    std::string out = s.homepage;
    static const std::string marker = "{host}";
    for (size_t p = out.find(marker); p != std::string::npos; p = out.find(marker, p + host.size()))
        out.replace(p, marker.size(), host);
    return out;
}

std::string CountryListAnswer(const std::vector<CountryRow> &countries, Lang lang)
{
    std::string out;
    for (const auto &c : countries) {
        AppendElement(out, "naam", lang == Lang::Nl ? c.nameNl : c.nameEn);
        AppendElement(out, "bestand", c.stem + ".txt");
    }
    return out;
}

std::string StationListAnswer(const std::vector<StationRow> &stations, const std::string &host)
{
    std::string out;
    for (const auto &s : stations) {
        AppendElement(out, "naam", s.name);
        AppendElement(out, "url", StreamUrl(s, host));
        AppendElement(out, "homepage", HomepageOf(s, host));
    }
    return out;
}

std::string PlaylistPls(const StationRow &s, const std::string &host)
{
    return "[playlist]\nNumberOfEntries=1\nFile1=http://" + host + "/stream/" + s.key + ".mp3\nTitle1=" + s.name +
           "\nLength1=-1\nVersion=2\n";
}

std::string PlaylistM3u(const StationRow &s, const std::string &host)
{
    return "#EXTM3U\n#EXTINF:-1," + s.name + "\nhttp://" + host + "/stream/" + s.key + ".mp3\n";
}

std::optional<std::string> CleanVersion(const std::string &versie)
{
    if (versie.empty() || versie.size() > 15 || !IsDigit(versie.front()) || !IsDigit(versie.back()))
        return std::nullopt;
    for (size_t i = 0; i < versie.size(); ++i) {
        if (versie[i] == '.' && versie[i - 1] == '.')
            return std::nullopt;
        if (!IsDigit(versie[i]) && versie[i] != '.')
            return std::nullopt;
    }
    return versie;
}

std::string HomePage(Lang lang, const std::optional<std::string> &version, size_t countryCount,
                     const SourceSummary *upstream)
{
    std::string body = "<p>";
    if (version)
        body += std::string(T(lang, "Welkom bij Vantor Internet Radio ", "Welcome to Vantor Internet Radio ")) +
                HtmlEscape(*version) + "!</p>\n<p>";
    else
        body += T(lang, "Welkom bij Vantor Internet Radio!</p>\n<p>", "Welcome to Vantor Internet Radio!</p>\n<p>");
    if (!upstream) {
        body += T(lang, "Deze gids bevat demozenders uit ", "This directory holds demo stations from ");
        body += std::to_string(countryCount);
        body += T(lang, " landen. Kies een land en klik op een zender om te luisteren.</p>\n",
                  " countries. Pick a country and click a station to listen.</p>\n");
        return HtmlPage(lang, "Vantor Internet Radio", body);
    }
    body += T(lang, "Deze gids haalt zijn zenders uit de openbare zendergids op ",
              "This directory takes its stations from the public station directory at ");
    body += HtmlEscape(upstream->origin) + ". ";
    if (upstream->countries == 0) {
        body += T(lang, "Er zijn nog geen landen opgehaald; tot dan antwoorden de demozenders uit ",
                  "No countries have been fetched yet; until then the demo stations from ");
        body += std::to_string(countryCount);
        body += T(lang, " landen.</p>\n", " countries answer.</p>\n");
        return HtmlPage(lang, "Vantor Internet Radio", body);
    }
    body += T(lang, "Er zijn nu ", "It now keeps ");
    body += std::to_string(upstream->countries);
    body += T(lang, " landen en ", " countries and ");
    body += std::to_string(upstream->stations);
    body += T(lang, " zenders bewaard, zodat de gids ook zonder verbinding antwoordt. "
                    "Kies een land en klik op een zender om te luisteren.</p>\n",
              " stations, so it answers without a connection too. "
              "Pick a country and click a station to listen.</p>\n");
    return HtmlPage(lang, "Vantor Internet Radio", body);
}

std::string AboutPage(Lang lang)
{
    return HtmlPage(lang, T(lang, "Over Vantor Internet Radio", "About Vantor Internet Radio"),
                T(lang,
                  "<p>Vantor Internet Radio speelt radiozenders van over de hele wereld af.</p>\n"
                  "<p>Deze zendergids draait op je eigen computer. De demozenders stellen zich zelf voor "
                  "en laten daarna een paar tonen horen.</p>\n",
                  "<p>Vantor Internet Radio plays radio stations from all over the world.</p>\n"
                  "<p>This station directory runs on your own computer. Its demo stations announce "
                  "themselves and then play a few tones.</p>\n"));
}

std::string ReportThanksPage(Lang lang, const std::string &stationName)
{
    std::string body = T(lang, "<p>Bedankt voor je melding over ", "<p>Thank you for reporting ");
    body += "<b>" + HtmlEscape(stationName) + "</b>.";
    body += T(lang, " We kijken zo snel mogelijk naar deze zender.</p>\n",
              " We will look into this station as soon as we can.</p>\n");
    return HtmlPage(lang, T(lang, "Melding ontvangen", "Report received"), body);
}

std::string ReportIncompletePage(Lang lang)
{
    return HtmlPage(lang, T(lang, "Melding niet verwerkt", "Report not stored"),
                T(lang, "<p>Er ontbreekt een zenderadres; de melding is niet opgeslagen.</p>\n",
                  "<p>The station address is missing; the report was not stored.</p>\n"));
}

std::string ReportTooManyPage(Lang lang)
{
    return HtmlPage(lang, T(lang, "Melding niet verwerkt", "Report not stored"),
                T(lang, "<p>Er komen te veel meldingen van dit adres; probeer het later nog eens.</p>\n",
                  "<p>Too many reports are coming from this address; please try again later.</p>\n"));
}

std::string UnknownPage(Lang lang)
{
    return HtmlPage(lang, T(lang, "Pagina niet gevonden", "Page not found"),
                T(lang, "<p>Deze pagina bestaat niet.</p>\n", "<p>This page does not exist.</p>\n"));
}

std::string SitePage(Lang lang, const std::vector<CountryRow> &countries,
                     const std::vector<std::vector<StationRow>> &stationsPerCountry, const std::string &host)
{
    std::string body = T(lang, "<p>Alle zenders in deze gids:</p>\n", "<p>Every station in this directory:</p>\n");
    for (size_t i = 0; i < countries.size(); ++i) {
        body += "<h2>" + HtmlEscape(lang == Lang::Nl ? countries[i].nameNl : countries[i].nameEn) + "</h2>\n<table>\n";
        if (i < stationsPerCountry.size()) {
            for (const auto &s : stationsPerCountry[i]) {
                const std::string url = StreamUrl(s, host);
                body += "<tr><td>" + HtmlEscape(s.name) + "</td><td><a href=\"" + HtmlEscape(url) + "\">" +
                        HtmlEscape(url) + "</a></td><td>" + HtmlEscape(s.tags) + "</td></tr>\n";
            }
        }
        body += "</table>\n";
    }
    return HtmlPage(lang, T(lang, "Vantor zendergids", "Vantor station directory"), body);
}

}  // namespace vantor::server
