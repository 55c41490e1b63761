#include "playbin.h"

#include <QCoreApplication>

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <atomic>
#include <optional>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "answerprobe.h"
#include "gstsetup.h"
#include "playback_log.h"
#include "streamtap.h"
#include "streamtitle.h"

namespace {

// The source's own read time-out; the player notices a stall sooner and opens a fresh
// connection (the source itself would try to resume with a Range request, which live
// stations refuse).
constexpr guint kSourceTimeoutS = 15;

// GstPlayFlags: audio only (no video or subtitle decoding), volume in software, buffering.
constexpr guint kPlayFlags = 0x2 | 0x10 | 0x100;

}  // namespace

// Runs on GStreamer's threads: only posts, never touches the player's state.
struct Playbin::Bridge {
  QObject* receiver = nullptr;
  QByteArray userAgent;
  // When the source last handed on data (monotonic microseconds).
  std::atomic<gint64> lastDataUs{0};
  std::atomic<GstElement*> playbin{nullptr};
  // Bumped whenever the pipeline stops or starts over, so messages of an earlier run are ignored.
  std::atomic<quint64> generation{0};

  // What the player acts on; the rest is dropped where it arises.
  static bool wanted(GstMessage* msg, GstElement* playbin) {
    switch (GST_MESSAGE_TYPE(msg)) {
      case GST_MESSAGE_STATE_CHANGED:
        return GST_MESSAGE_SRC(msg) == GST_OBJECT(playbin);
      case GST_MESSAGE_ERROR:
      case GST_MESSAGE_WARNING:
      case GST_MESSAGE_EOS:
      case GST_MESSAGE_BUFFERING:
      case GST_MESSAGE_TAG:
      case GST_MESSAGE_CLOCK_LOST:
        return true;
      case GST_MESSAGE_ELEMENT:
        return answerprobe::isPlaylistMessage(msg);
      default:
        return false;
    }
  }

  // A handler that answers GST_BUS_DROP owns the message: it is unreffed here or handed on.
  // One message never released keeps its whole pipeline alive.
  static GstBusSyncReply sync(GstBus*, GstMessage* msg, gpointer data) {
    auto* self = static_cast<Bridge*>(data);
    if (wanted(msg, self->playbin.load()))
      QCoreApplication::postEvent(self->receiver, new BusEvent(msg, self->generation.load()));
    else
      gst_message_unref(msg);
    return GST_BUS_DROP;
  }

  static GstPadProbeReturn dataSeen(GstPad*, GstPadProbeInfo*, gpointer data) {
    static_cast<Bridge*>(data)->lastDataUs.store(g_get_monotonic_time());
    return GST_PAD_PROBE_OK;
  }

  static void sourceSetup(GstElement*, GstElement* source, gpointer data) {
    auto* self = static_cast<Bridge*>(data);
    GObjectClass* klass = G_OBJECT_GET_CLASS(source);
    if (g_object_class_find_property(klass, "user-agent"))
      g_object_set(source, "user-agent", self->userAgent.constData(), nullptr);
    if (g_object_class_find_property(klass, "iradio-mode"))
      g_object_set(source, "iradio-mode", TRUE, nullptr);
    if (g_object_class_find_property(klass, "timeout"))
      g_object_set(source, "timeout", kSourceTimeoutS, nullptr);
    // We reconnect ourselves, with our own delays and count.
    if (g_object_class_find_property(klass, "retries")) g_object_set(source, "retries", 0, nullptr);
    if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
      gst_pad_add_probe(
          pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
          &Bridge::dataSeen, self, nullptr);
      gst_object_unref(pad);
    }
    answerprobe::watch(source);
  }
};

Playbin::BusEvent::BusEvent(GstMessage* message, quint64 generation)
    : QEvent(kind()), message(message), generation(generation) {}

Playbin::BusEvent::~BusEvent() { gst_message_unref(message); }

QEvent::Type Playbin::BusEvent::kind() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

Playbin::Playbin(const QByteArray& userAgent, int bufferMs, QObject* parent)
    : QObject(parent), bridge_(std::make_unique<Bridge>()), bufferMs_(bufferMs) {
  bridge_->receiver = this;
  bridge_->userAgent = userAgent;
}

Playbin::~Playbin() { teardown(); }

quint64 Playbin::generation() const { return bridge_->generation.load(); }

// Each stream gets a fresh pipeline: a reused one now and then stalls at 0% after NULL.
void Playbin::build() {
  teardown();
  gstsetup::init();
  playbin_ = gst_element_factory_make("playbin", nullptr);
  if (!playbin_) {
    qCCritical(lcPlayback) << "GStreamer has no playbin";
    return;
  }
  gst_object_ref_sink(playbin_);
  if (GstElement* sink = gstsetup::makeAudioSink()) g_object_set(playbin_, "audio-sink", sink, nullptr);
  g_object_set(playbin_, "flags", kPlayFlags, "buffer-duration", static_cast<gint64>(bufferMs_) * GST_MSECOND,
               nullptr);
  g_signal_connect(playbin_, "source-setup", G_CALLBACK(&Bridge::sourceSetup), bridge_.get());
  if (tap_) tap_->attach(playbin_);
  bridge_->playbin.store(playbin_);
  GstBus* bus = gst_element_get_bus(playbin_);
  gst_bus_set_sync_handler(bus, &Bridge::sync, bridge_.get(), nullptr);
  gst_object_unref(bus);
  applyVolume();
}

void Playbin::teardown() {
  if (!playbin_) return;
  // NULL joins the streaming threads; only then can the handler go.
  gst_element_set_state(playbin_, GST_STATE_NULL);
  GstBus* bus = gst_element_get_bus(playbin_);
  gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
  gst_object_unref(bus);
  bridge_->playbin.store(nullptr);
  ++bridge_->generation;
  gst_object_unref(playbin_);
  playbin_ = nullptr;
#ifdef __GLIBC__
  // A pipeline's streaming threads each leave freed memory in their own malloc arena; a day of
  // reconnects would keep it all. Once per pipeline is cheap.
  malloc_trim(0);
#endif
}

bool Playbin::open(const QUrl& url) {
  build();
  if (!playbin_) return false;
  ++bridge_->generation;
  buffering_ = false;
  bridge_->lastDataUs.store(g_get_monotonic_time());
  qCDebug(lcPlayback) << "opening" << url;
  g_object_set(playbin_, "uri", url.toString(QUrl::FullyEncoded).toUtf8().constData(), nullptr);
  return gst_element_set_state(playbin_, GST_STATE_PLAYING) != GST_STATE_CHANGE_FAILURE;
}

void Playbin::halt() {
  if (playbin_) gst_element_set_state(playbin_, GST_STATE_NULL);
  ++bridge_->generation;
  buffering_ = false;
}

qint64 Playbin::msSinceData() const { return (g_get_monotonic_time() - bridge_->lastDataUs.load()) / 1000; }

void Playbin::setVolume(int volume, bool mute) {
  volume_ = volume;
  mute_ = mute;
  applyVolume();
}

// Volume is 0..100 on a cubic scale (what the ear hears as even steps), handed to playbin as
// the matching linear factor.
void Playbin::applyVolume() {
  if (!playbin_) return;
  gst_stream_volume_set_volume(GST_STREAM_VOLUME(playbin_), GST_STREAM_VOLUME_FORMAT_CUBIC, volume_ / 100.0);
  g_object_set(playbin_, "mute", static_cast<gboolean>(mute_), nullptr);
}

void Playbin::setBuffering(bool on) {
  buffering_ = on;
  followBuffering();
}

// Never during a change still under way: a pause and a play laid over an unfinished preroll
// leave the pipeline stuck in PAUSED now and then. The end of that change comes as a state message,
// on which the player calls this again.
void Playbin::followBuffering() {
  if (!playbin_) return;
  GstState current = GST_STATE_NULL, pending = GST_STATE_NULL;
  const GstStateChangeReturn settled = gst_element_get_state(playbin_, &current, &pending, 0);
  if (settled != GST_STATE_CHANGE_SUCCESS && settled != GST_STATE_CHANGE_NO_PREROLL) return;
  const GstState wanted = buffering_ ? GST_STATE_PAUSED : GST_STATE_PLAYING;
  if (current != wanted) {
    qCDebug(lcPlayback) << (buffering_ ? "pause for buffering" : "buffered: play");
    gst_element_set_state(playbin_, wanted);
  }
}

void Playbin::restartClock() {
  if (!playbin_) return;
  gst_element_set_state(playbin_, GST_STATE_PAUSED);
  gst_element_set_state(playbin_, GST_STATE_PLAYING);
}

QUrl Playbin::redirection() const {
  if (!playbin_) return {};
  GstElement* source = nullptr;
  g_object_get(playbin_, "source", &source, nullptr);
  if (!source) return {};
  const QUrl to = answerprobe::redirection(source);
  gst_object_unref(source);
  return to;
}

QString Playbin::describeState() const {
  if (!playbin_) return QStringLiteral("no pipeline");
  GstState current = GST_STATE_NULL, pending = GST_STATE_NULL;
  const GstStateChangeReturn change = gst_element_get_state(playbin_, &current, &pending, 0);
  return QStringLiteral("%1 pending %2 %3")
      .arg(QLatin1String(gst_element_state_get_name(current)),
           QLatin1String(gst_element_state_get_name(pending)),
           QLatin1String(gst_element_state_change_return_get_name(change)));
}

bool Playbin::event(QEvent* e) {
  if (e->type() != BusEvent::kind()) return QObject::event(e);
  const auto* be = static_cast<BusEvent*>(e);
  if (be->generation == generation()) dispatch(be->message);
  return true;
}

void Playbin::dispatch(GstMessage* msg) {
  switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR:
      readError(msg);
      break;
    case GST_MESSAGE_WARNING: {
      GError* err = nullptr;
      gst_message_parse_warning(msg, &err, nullptr);
      qCDebug(lcPlayback) << "warning:" << err->message;
      g_error_free(err);
      break;
    }
    case GST_MESSAGE_EOS:
      Q_EMIT ended();
      break;
    case GST_MESSAGE_STATE_CHANGED:
      readState(msg);
      break;
    case GST_MESSAGE_BUFFERING:
      readBuffering(msg);
      break;
    case GST_MESSAGE_TAG:
      readTags(msg);
      break;
    case GST_MESSAGE_CLOCK_LOST:
      Q_EMIT clockLost();
      break;
    case GST_MESSAGE_ELEMENT:
      if (const std::optional<answerprobe::Playlist> list = answerprobe::playlistOf(msg))
        Q_EMIT playlistFound(*list);
      break;
    default:
      break;
  }
}

void Playbin::readError(GstMessage* msg) {
  GError* err = nullptr;
  gchar* debug = nullptr;
  gst_message_parse_error(msg, &err, &debug);
  const QString what = QStringLiteral("error from %1: %2 %3")
                           .arg(QString::fromUtf8(GST_OBJECT_NAME(GST_MESSAGE_SRC(msg))),
                                QString::fromUtf8(err->message), QString::fromUtf8(debug ? debug : ""));
  const bool fromSource = GST_IS_ELEMENT(GST_MESSAGE_SRC(msg)) &&
                          GST_OBJECT_FLAG_IS_SET(GST_MESSAGE_SRC(msg), GST_ELEMENT_FLAG_SOURCE);
  const playback::PipelineError error{err->domain, err->code, fromSource};
  g_error_free(err);
  g_free(debug);
  Q_EMIT failed(error, what);
}

void Playbin::readState(GstMessage* msg) {
  GstState oldState, newState, pending;
  gst_message_parse_state_changed(msg, &oldState, &newState, &pending);
  qCDebug(lcPlayback) << "pipeline" << gst_element_state_get_name(oldState) << "->"
                      << gst_element_state_get_name(newState) << "pending"
                      << gst_element_state_get_name(pending);
  Q_EMIT stateChanged(newState == GST_STATE_PLAYING, oldState == GST_STATE_PLAYING,
                      pending == GST_STATE_VOID_PENDING);
}

void Playbin::readBuffering(GstMessage* msg) {
  GstBufferingMode mode;
  gst_message_parse_buffering_stats(msg, &mode, nullptr, nullptr, nullptr);
  if (mode == GST_BUFFERING_LIVE) return;
  gint percent = 0;
  gst_message_parse_buffering(msg, &percent);
  qCDebug(lcPlayback) << "buffering" << GST_OBJECT_NAME(GST_MESSAGE_SRC(msg)) << percent;
  Q_EMIT bufferFilled(percent);
}

void Playbin::readTags(GstMessage* msg) {
  GstTagList* tags = nullptr;
  gst_message_parse_tag(msg, &tags);
  // The HTTP source tells the icy-name header as the organization.
  const gchar* organization = nullptr;
  if (gst_tag_list_peek_string_index(tags, GST_TAG_ORGANIZATION, 0, &organization) && organization &&
      *organization)
    Q_EMIT stationNamed(streamtitle::repair(QByteArray(organization)));
  const gchar* title = nullptr;
  if (gst_tag_list_peek_string_index(tags, GST_TAG_TITLE, 0, &title) && title && *title) {
    const gchar* artist = nullptr;
    gst_tag_list_peek_string_index(tags, GST_TAG_ARTIST, 0, &artist);
    // Copied before the list goes: a receiver may halt the pipeline.
    const QString repairedTitle = streamtitle::repair(QByteArray(title));
    const QString repairedArtist = artist ? streamtitle::repair(QByteArray(artist)) : QString();
    gst_tag_list_unref(tags);
    Q_EMIT titleTagged(repairedArtist, repairedTitle);
    return;
  }
  gst_tag_list_unref(tags);
}
