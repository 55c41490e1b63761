#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

// Says once per user, in a desktop notification, that the window closed where there is no tray
// has left the program playing, and how to get the window back. The "said" mark is a file of
// its own (never the profile), written once the notification server took the notice; without a
// server the notice is tried again the next time.
class BackgroundNotice final : public QObject {
  Q_OBJECT
 public:
  static constexpr const char* kService = "org.freedesktop.Notifications";

  explicit BackgroundNotice(QDBusConnection bus, QString markFile = defaultMarkFile(),
                            QString service = QLatin1String(kService), QObject* parent = nullptr);

  // $XDG_STATE_HOME/vantor-radio/background-notice-shown (~/.local/state by default).
  static QString defaultMarkFile();

  // Shows the notice unless it was shown before (or is on its way).
  void tell();
  bool wasShown() const;

 private:
  QDBusConnection bus_;
  QString markFile_;
  QString service_;
  bool asking_ = false;
};
