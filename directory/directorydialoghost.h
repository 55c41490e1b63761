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
  // Station search result click: plays the station (its address, name and home page).
  std::function<void(const QString& url, const QString& name, const QString& homepage)> playStation;
};

// What the hidden DownloadInfo is given to hold: an editor control spends hundreds of bytes
// and much time per line, so a longer answer leaves it empty.
inline constexpr qsizetype kMaxHeldAnswer = 256 * 1024;

// Downloads a tag list through the main window's Inet1 and scans it as it came. DownloadInfo
// holds the answer as well, when it is short enough. Throws StepFailed when the download fails.
inline QList<QStringList> fetchTagList(const DirectoryDialogHost& host, const QString& address,
                                       const QStringList& names) {
  const QString answer = host.inet.OpenURL(address);
  host.downloadInfo.setText(answer.size() <= kMaxHeldAnswer ? answer : QString());
  return scanTags(answer, names);
}
