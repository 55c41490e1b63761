#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

// Lets one copy of the program run per user and program folder. A copy that starts while
// another runs hands it the stations it was started with (if any) and asks it to bring its
// window forward, then ends:
//
//   auto instance = makeSingleInstance(folder);
//   if (instance->isAnotherRunning() || (!instance->listen() && instance->isAnotherRunning())) {
//     instance->OpenInPreviousInstance(addresses, launcherActivationToken());
//     return 0;
//   }
//
// The launcher's activation token travels along: on Wayland only a window activated with a
// token may take the focus, and X11 window managers judge a request by its startup id.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  ~SingleInstance() override = default;

  // True when a running copy answers on this folder's name.
  virtual bool isAnotherRunning() = 0;
  // Asks the running copy to restore, raise, activate and show its window, with the token the
  // launcher gave this copy (may be empty). True once that copy has confirmed the request;
  // false when no copy answered.
  virtual bool ActivatePreviousInstance(const QString& activationToken) = 0;
  // Hands station addresses (http or https) to the running copy, which plays the first that
  // plays and comes forward; a copy from before addresses is asked to come forward only. With
  // no usable address it is ActivatePreviousInstance.
  virtual bool OpenInPreviousInstance(const QStringList& addresses, const QString& activationToken) {
    Q_UNUSED(addresses);
    return ActivatePreviousInstance(activationToken);
  }
  // Makes this copy the running one. A name left behind by a copy that crashed is taken over;
  // false when a live copy holds the name (it won a race) or the name cannot be served.
  virtual bool listen() = 0;

 Q_SIGNALS:
  // A later copy was started with these station addresses (http or https, at most
  // kMaxHandedAddresses); activationRequested follows.
  void openRequested(const QStringList& addresses);
  // A later copy wants this copy's window in front; token is the one it was started with, or
  // empty (an older copy, or a start without a launcher).
  void activationRequested(const QString& token);
};

inline constexpr qsizetype kMaxHandedAddresses = 8;
inline constexpr qsizetype kMaxHandedAddressBytes = 2048;

// The local socket implementation: in a private runtime folder, and only between processes of
// this user. Without such a folder every copy runs on its own (the log says so).
std::unique_ptr<SingleInstance> makeSingleInstance(const QString& programFolder);

// The socket address for a program folder: per user and per folder, the same for any spelling
// of the folder's path; empty when there is no private runtime folder.
QString singleInstanceServerName(const QString& programFolder);

// The token the launcher started this process with (XDG_ACTIVATION_TOKEN, on X11
// DESKTOP_STARTUP_ID); empty when there is none. Read it before creating the application:
// Qt's X11 plugin takes DESKTOP_STARTUP_ID out of the environment.
QString launcherActivationToken();

// Whether a token may travel in a request: a short run of printable ASCII without blanks.
bool isUsableActivationToken(const QString& token);

