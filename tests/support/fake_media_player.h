#pragma once

#include <QStringList>

#include "playback/mediaplayer.h"

// A player that plays nothing: it records what the window asks of it, and a test sets the
// state and status it reports.
class FakeMediaPlayer final : public MediaPlayer {
 public:
  QString url;
  int state = Undefined;
  QString status;
  bool muted = false;
  int vol = 100;
  // "url:<address>", "play", "stop", "close", "volume:<n>", "mute:<0|1>", "reconnectNow", "reopen"
  QStringList calls;

  void setURL(const QString& address) override {
    url = address;
    calls << QStringLiteral("url:") + address;
  }
  QString URL() const override { return url; }
  int playState() const override { return state; }
  QString statusText() const override { return status; }
  void play() override { calls << QStringLiteral("play"); }
  void stop() override { calls << QStringLiteral("stop"); }
  void close() override { calls << QStringLiteral("close"); }
  void reconnectNow() override { calls << QStringLiteral("reconnectNow"); }
  void reopen() override { calls << QStringLiteral("reopen"); }
  bool mute() const override { return muted; }
  void setMute(bool on) override {
    muted = on;
    calls << QStringLiteral("mute:%1").arg(on ? 1 : 0);
  }
  int volume() const override { return vol; }
  void setVolume(int v) override {
    vol = v;
    calls << QStringLiteral("volume:%1").arg(v);
  }

  // The player reports a new state and status text.
  void report(int newState, const QString& text) {
    state = newState;
    status = text;
    Q_EMIT statusChanged();
  }
  void fail() { Q_EMIT error(); }
  void announceTitle(const QString& title) { Q_EMIT streamTitleChanged(title); }
  // A directory's /play/ address led to the station's own address.
  void findStation(const QString& id, const QString& address) {
    url = address;
    Q_EMIT stationAddressFound(id, address);
  }
};
