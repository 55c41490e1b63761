#pragma once

#include <QObject>
#include <QString>

class StreamTap;

// The media player component the main window drives. Play states follow the numbering the
// windows rely on: 1 stopped, 3 playing, 9 preparing (connecting or buffering), 10 ready.
class MediaPlayer : public QObject {
  Q_OBJECT
 public:
  enum PlayState { Undefined = 0, Stopped = 1, Paused = 2, Playing = 3, Transitioning = 9, Ready = 10 };

  using QObject::QObject;
  ~MediaPlayer() override = default;

  // Writing the URL loads the address and, with auto-start, starts playback at once.
  virtual void setURL(const QString& url) = 0;
  // The address to keep for the station: the one written, or the station's own address once a
  // directory's /play/ address has led there (see stationAddressFound).
  virtual QString URL() const = 0;

  virtual int playState() const = 0;
  virtual QString statusText() const = 0;

  virtual void play() = 0;
  virtual void stop() = 0;
  // Releases the current media; the URL is kept.
  virtual void close() = 0;

  virtual bool mute() const = 0;
  virtual void setMute(bool on) = 0;
  virtual int volume() const = 0;  // 0..100
  virtual void setVolume(int volume) = 0;

  // The network is back: a reconnect that waits tries now.
  virtual void reconnectNow() {}
  // The computer woke up: a station that plays or reconnects starts over on a fresh
  // connection, so nothing stale plays and no dead connection is waited on.
  virtual void reopen() {}

  // The undecoded stream as it arrives, for recording; none where the player cannot give it.
  virtual StreamTap* streamTap() { return nullptr; }

 Q_SIGNALS:
  void statusChanged();
  // The stream names what it plays now ("Artist - Title", or the title alone); empty when a new
  // address is loaded or the media is released.
  void streamTitleChanged(const QString& title);
  // The stream names its station (the icy-name header); comes once per address, if at all.
  void streamNameChanged(const QString& name);
  // The current media cannot be played (not found, unreadable, never started). Not raised for
  // a station that has played in this session: that one is reconnected until told otherwise.
  void error();
  // A directory's /play/ address of the station with this id, of this run or an earlier one,
  // led to the station's own address: URL() gives that now, and whatever kept a /play/
  // address of the station can keep this one instead.
  void stationAddressFound(const QString& stationId, const QString& address);
};
