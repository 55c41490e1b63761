#pragma once

#include <QByteArray>
#include <QDBusConnection>
#include <QString>

// The messenger's now-playing record: what a copy-data message carries.
struct MessengerCopyData {
  static constexpr quint32 kNowPlayingTag = 1351;

  quint32 tag = kNowPlayingTag;
  quint32 byteCount = 0;  // the buffer's length in bytes, final NUL included
  QByteArray buffer;      // UTF-16LE
};

// The now-playing buffer: each part after the two characters backslash and zero, then one more
// backslash-zero and a NUL. Texts go in unescaped (messengers do not unescape them), each value
// as one line of at most kMaxDesktopText characters.
MessengerCopyData nowPlayingCopyData(const QString& category, bool enabled, const QString& format,
                                     const QString& value0 = {}, const QString& value1 = {},
                                     const QString& value2 = {}, const QString& value3 = {});

// Where the now-playing record goes: every messenger listening.
class Messenger {
 public:
  virtual ~Messenger() = default;
  virtual void deliver(const MessengerCopyData& record) = 0;
};

// Builds the record and hands it to every messenger; reports nothing.
void SendNowPlaying(Messenger& messenger, const QString& category, bool enabled, const QString& format,
                    const QString& value0 = {}, const QString& value1 = {}, const QString& value2 = {},
                    const QString& value3 = {});

// The session bus as the messenger: each record is the signal
// org.vantor.Messenger1.NowPlaying(u tag, u byteCount, ay buffer) from /org/vantor/Messenger,
// which every subscriber receives. Without a bus nothing is sent.
class BusMessenger final : public Messenger {
 public:
  static constexpr const char* kInterface = "org.vantor.Messenger1";
  static constexpr const char* kObjectPath = "/org/vantor/Messenger";
  static constexpr const char* kSignal = "NowPlaying";

  explicit BusMessenger(QDBusConnection bus) : bus_(std::move(bus)) {}
  void deliver(const MessengerCopyData& record) override;

 private:
  QDBusConnection bus_;
};
