#pragma once

// Media made at set-up, mounts of the loopback radio and the fixture of the GStreamer player
// tests. Include it in one test file.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <memory>

#include "loopback_radio.h"
#include "playback/mediaplayer_gstreamer.h"

inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

struct Media {
  std::string mp3;  // 128 kbit/s
  std::string ogg;  // two chained Vorbis streams with different titles
  size_t oggBytesPerSecond = 0;
};

QByteArray run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
    throw std::runtime_error(
        (program + QStringLiteral(" failed: ") + p.readAllStandardError()).toStdString());
  return p.readAllStandardOutput();
}

std::string slurp(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.toStdString());
  return f.readAll().toStdString();
}

const Media& media() {
  static const Media m = [] {
    QTemporaryDir dir;
    const auto at = [&](const char* name) { return dir.filePath(QString::fromLatin1(name)); };
    Media out;
    run(QStringLiteral("sox"),
        {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
         QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), at("tone.wav"),
         QStringLiteral("synth"), QStringLiteral("10"), QStringLiteral("sine"), QStringLiteral("440")});
    run(QStringLiteral("lame"), {QStringLiteral("--silent"), QStringLiteral("-b"), QStringLiteral("128"),
                                 at("tone.wav"), at("tone.mp3")});
    out.mp3 = slurp(at("tone.mp3"));
    for (const char* part : {"a", "b"}) {
      const QString wav = at(part) + QStringLiteral(".wav");
      run(QStringLiteral("sox"),
          {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
           QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), wav, QStringLiteral("synth"),
           QStringLiteral("3"), QStringLiteral("sine"), QString::fromLatin1(*part == 'a' ? "330" : "550")});
      run(QStringLiteral("oggenc"),
          {QStringLiteral("-Q"), QStringLiteral("-a"), QStringLiteral("Ogg Artist"), QStringLiteral("-t"),
           QString::fromLatin1(*part == 'a' ? "First Song" : "Second Song"), QStringLiteral("-o"),
           at(part) + QStringLiteral(".ogg"), wav});
      out.ogg += slurp(at(part) + QStringLiteral(".ogg"));
    }
    out.oggBytesPerSecond = out.ogg.size() / 6;
    return out;
  }();
  return m;
}

LoopbackRadio::Mount liveMp3() {
  LoopbackRadio::Mount m;
  m.body = media().mp3;
  return m;
}

// A live stream that bursts one second of audio and drops after playing `seconds` more.
// Two at least: after only one, a loaded machine now and then sees the connection end before
// the buffer is full, and such a connection rightly counts as a failed try.
LoopbackRadio::Mount droppingMp3(int seconds) {
  LoopbackRadio::Mount m = liveMp3();
  m.burst = m.bytesPerSecond;
  m.dropAfter = m.burst + seconds * m.bytesPerSecond;
  return m;
}

// A live stream that takes the connection and never sends a byte.
LoopbackRadio::Mount silentMp3() {
  LoopbackRadio::Mount m = liveMp3();
  m.burst = 0;
  m.bytesPerSecond = 0;
  return m;
}

LoopbackRadio::Mount staticText(const std::string& contentType, const std::string& body) {
  LoopbackRadio::Mount m;
  m.live = false;
  m.contentType = contentType;
  m.body = body;
  return m;
}

template <typename T>
T property(GstElement* e, const char* name) {
  T v{};
  g_object_get(e, name, &v, nullptr);
  return v;
}

class GstPlayerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("VANTOR_AUDIO_SINK", "fakesink sync=true");
    media();
  }

  void SetUp() override {
    radio_.add("/live.mp3", liveMp3());
    tuning_.reconnectBaseMs = 100;
    tuning_.connectTimeoutMs = 5000;
  }

  GstMediaPlayer& player() {
    if (!player_) {
      player_ = std::make_unique<GstMediaPlayer>(tuning_);
      errors_ = std::make_unique<QSignalSpy>(player_.get(), &MediaPlayer::error);
      QObject::connect(player_.get(), &MediaPlayer::statusChanged, player_.get(), [this] {
        seen_.push_back({player_->playState(), player_->statusText()});
      });
    }
    return *player_;
  }

  bool waitState(int state, int ms = 20000) {
    return QTest::qWaitFor([&] { return player().playState() == state; }, ms);
  }
  bool waitStatus(const QString& text, int ms = 15000) {
    return QTest::qWaitFor([&] { return player().statusText() == text; }, ms);
  }
  bool waitReconnecting(int ms) {
    const auto reconnecting = [&] { return player().statusText().startsWith(QStringLiteral("Reconnecting")); };
    return QTest::qWaitFor(reconnecting, ms);
  }
  // A loopback port nothing listens on.
  static quint16 closedPort() {
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
    return probe.serverPort();
  }
  int errors() const { return errors_ ? static_cast<int>(errors_->count()) : 0; }
  QString url(const std::string& path) const { return QString::fromStdString(radio_.url(path)); }

  // The state changes seen so far, as "9:Connecting..." lines.
  QStringList history() const {
    QStringList out;
    for (const auto& [state, text] : seen_) out << QStringLiteral("%1:%2").arg(state).arg(text);
    return out;
  }

  LoopbackRadio radio_;
  GstPlayerTuning tuning_;
  std::unique_ptr<GstMediaPlayer> player_;
  std::unique_ptr<QSignalSpy> errors_;
  std::vector<std::pair<int, QString>> seen_;
};

}  // namespace
