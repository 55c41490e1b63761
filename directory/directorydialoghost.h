#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

#include "app/language.h"
#include "app/programfolder.h"
#include "directory/directoryaddress.h"
#include "directory/tagscanner.h"
#include "directory/transfer.h"
#include "htmledit/corvel.h"

// What the country chooser and the station search get from the main window. They have no
// transfer component of their own and hand their results back through the two callbacks.
struct DirectoryDialogHost {
  const Language& language;     // the main window's texts; language.current() is gESelecteerdland
  const ProgramFolder& folder;  // inst.ini lives here
  Transfer& inet;               // the main window's Inet1
  Corvel& downloadInfo;         // the main window's hidden DownloadInfo
  const DirectoryAddress& address;
  // Country chooser OK: set the main window's TaalGeselecteerdTekst / TaalGeselecteerd and re-arm its Timer1.
  std::function<void(const QString& name, const QString& file)> chooseCountry;
  // Station search result click: the player's URL, ZenderNaam and RadioUrl, in that order.
  std::function<void(const QString& url, const QString& name, const QString& homepage)> playStation;
};

// Downloads a tag list through the main window's Inet1 into its DownloadInfo and scans what
// DownloadInfo holds. Throws StepFailed when the download fails.
inline QList<QStringList> fetchTagList(const DirectoryDialogHost& host, const QString& address,
                                       const QStringList& names) {
  host.downloadInfo.setText(host.inet.OpenURL(address));
  return scanTags(host.downloadInfo.Text(), names);
}
