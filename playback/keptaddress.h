#pragma once

#include <QList>
#include <QString>
#include <QUrl>

// The program's own directory server listens on another loopback port in every run, so its
// addresses die with the run: a station's /play/ address (which counts the listener and
// redirects to the station) and a demo station's /stream/ address. What is kept is the
// station's own address; these rules carry what earlier runs kept over to today's server.
namespace keptaddress {

// The station id of a directory's /play/ address on this computer, whatever its port
// ("http://127.0.0.1:40123/play/<id>" gives "<id>"); empty for any other address.
QString playStationId(const QUrl& url);
// Whether the address is such a /play/ address of that station (ids match in any case).
bool isPlayAddressOf(const QString& address, const QString& stationId);

// The addresses to try for an address, given today's directory base: a /play/ address of an
// earlier run goes to today's server; a demo stream of an earlier run is tried as it is (it
// may be some other server's of this computer), then on today's server.
QList<QUrl> throughDirectory(const QUrl& address, const QUrl& base);

}  // namespace keptaddress
