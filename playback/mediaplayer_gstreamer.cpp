#include "mediaplayer_gstreamer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <gst/audio/streamvolume.h>
#include <gst/gst.h>

#include <algorithm>
#include <cstring>

#include "playlist.h"
#include "streamtitle.h"

namespace {

Q_LOGGING_CATEGORY(lcGstPlayer, "vantor.player")

constexpr int kSniffBytes = 4096;     // enough of an answer to tell a playlist from audio
constexpr int kMaxDepth = 2;          // a playlist may name a playlist, but no deeper
constexpr int kProbeTimeoutMs = 10000;
constexpr guint kSourceTimeoutS = 10;  // a stream that sends nothing this long has dropped

// GstPlayFlags: audio only (no video or subtitle decoding), volume in software, buffering.
constexpr guint kPlayFlags = 0x2 | 0x10 | 0x100;

void initGStreamer() {
  static const bool done = [] {
    gst_init(nullptr, nullptr);
    return true;
  }();
  (void)done;
}

class BusEvent final : public QEvent {
 public:
  BusEvent(GstMessage* message, quint64 generation) : QEvent(kind()), message(message), generation(generation) {}
  ~BusEvent() override { gst_message_unref(message); }
  static QEvent::Type kind() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  GstMessage* const message;
  const quint64 generation;
};

GstElement* makeAudioSink() {
  const QByteArray desc = qgetenv("VANTOR_AUDIO_SINK").trimmed();
  if (!desc.isEmpty()) {
    GError* err = nullptr;
    const bool pipelineText = desc.contains(' ') || desc.contains('!') || desc.contains('=');
    GstElement* sink = pipelineText ? gst_parse_bin_from_description(desc.constData(), TRUE, &err)
                                    : gst_element_factory_make(desc.constData(), nullptr);
    if (err) {
      qCWarning(lcGstPlayer) << "audio sink" << desc << ":" << err->message;
      g_clear_error(&err);
    }
    if (sink) return sink;
    qCWarning(lcGstPlayer) << "cannot make audio sink" << desc << "- using autoaudiosink";
  }
  return gst_element_factory_make("autoaudiosink", nullptr);  // null: playbin picks its own
}

void onSourceSetup(GstElement*, GstElement* source, gpointer) {
  GObjectClass* klass = G_OBJECT_GET_CLASS(source);
  if (g_object_class_find_property(klass, "user-agent"))
    g_object_set(source, "user-agent", GstMediaPlayer::kUserAgent, nullptr);
  if (g_object_class_find_property(klass, "iradio-mode")) g_object_set(source, "iradio-mode", TRUE, nullptr);
  if (g_object_class_find_property(klass, "timeout")) g_object_set(source, "timeout", kSourceTimeoutS, nullptr);
  // We reconnect ourselves, with our own delays and count.
  if (g_object_class_find_property(klass, "retries")) g_object_set(source, "retries", 0, nullptr);
}

bool isOggType(const QByteArray& contentType) {
  const QByteArray mime = contentType.split(';').first().trimmed().toLower();
  return mime == "application/ogg" || mime == "application/x-ogg" || mime == "audio/ogg" ||
         mime == "audio/x-ogg" || mime == "audio/opus" || mime == "audio/vorbis";
}

bool isOggPath(const QUrl& url) {
  const QString path = url.path().toLower();
  return path.endsWith(QStringLiteral(".ogg")) || path.endsWith(QStringLiteral(".oga")) ||
         path.endsWith(QStringLiteral(".opus"));
}

// A content type that says nothing about what the body is.
bool isVagueType(const QByteArray& contentType) {
  const QByteArray mime = contentType.split(';').first().trimmed().toLower();
  return mime.isEmpty() || mime == "text/plain" || mime == "application/octet-stream";
}

bool isPlaylist(playlist::Format f) {
  return f == playlist::Format::Pls || f == playlist::Format::M3u || f == playlist::Format::Asx ||
         f == playlist::Format::Xspf;
}

}  // namespace

// Runs on GStreamer's threads: only posts, never touches the player's state.
struct GstMediaPlayer::Bridge {
  GstMediaPlayer* owner = nullptr;
  std::atomic<GstElement*> playbin{nullptr};
  // Bumped whenever the pipeline is torn down, so messages of an earlier run are ignored.
  std::atomic<quint64> generation{0};

  static GstBusSyncReply sync(GstBus*, GstMessage* msg, gpointer data) {
    auto* self = static_cast<Bridge*>(data);
    switch (GST_MESSAGE_TYPE(msg)) {
      case GST_MESSAGE_STATE_CHANGED:
        if (GST_MESSAGE_SRC(msg) != GST_OBJECT(self->playbin.load())) return GST_BUS_DROP;
        break;
      case GST_MESSAGE_ERROR:
      case GST_MESSAGE_WARNING:
      case GST_MESSAGE_EOS:
      case GST_MESSAGE_BUFFERING:
      case GST_MESSAGE_TAG:
      case GST_MESSAGE_CLOCK_LOST:
        break;
      default:
        return GST_BUS_DROP;
    }
    QCoreApplication::postEvent(self->owner, new BusEvent(gst_message_ref(msg), self->generation.load()));
    return GST_BUS_DROP;
  }
};

GstMediaPlayer::GstMediaPlayer(QObject* parent) : GstMediaPlayer(GstPlayerTuning{}, parent) {}

GstMediaPlayer::GstMediaPlayer(const GstPlayerTuning& tuning, QObject* parent)
    : MediaPlayer(parent), tuning_(tuning), bridge_(std::make_unique<Bridge>()) {
  initGStreamer();
  network_ = new QNetworkAccessManager(this);
  for (QTimer* t : {&reconnectTimer_, &stableTimer_, &connectTimer_, &startDeadline_}) t->setSingleShot(true);
  connect(&startDeadline_, &QTimer::timeout, this, [this] {
    qCInfo(lcGstPlayer) << "no stream started within" << tuning_.startDeadlineMs << "ms";
    raiseError(lastFailure_);
  });
  connect(&reconnectTimer_, &QTimer::timeout, this, [this] { startStream(stream_); });
  connect(&stableTimer_, &QTimer::timeout, this, [this] { retries_ = 0; });
  connect(&connectTimer_, &QTimer::timeout, this, [this] {
    GstState current = GST_STATE_NULL, pending = GST_STATE_NULL;
    const GstStateChangeReturn change = gst_element_get_state(playbin_, &current, &pending, 0);
    qCInfo(lcGstPlayer) << "stream did not start in time:" << stream_ << gst_element_state_get_name(current)
                        << "pending" << gst_element_state_get_name(pending)
                        << gst_element_state_change_return_get_name(change);
    // A first connection that hangs gets one more go before it counts as failed.
    if (!connected_ && !stallRetried_) {
      stallRetried_ = true;
      startStream(stream_);
      return;
    }
    fail(connected_ ? Failure::Lost : Failure::NoConnection);
  });

  bridge_->owner = this;
  buildPipeline(false);
}

// playbin3 is the pipeline for everything but Ogg: in GStreamer 1.22 its decodebin3 stops with
// "not-linked" where a live Ogg stream starts its next chain (the next song), which playbin's
// decodebin follows without a gap.
//
// Each stream gets a fresh pipeline: a reused playbin3 now and then stalls at 0% after NULL.
void GstMediaPlayer::buildPipeline(bool chainedOgg) {
  teardownPipeline();
  chainedOgg_ = chainedOgg;
  playbin_ = gst_element_factory_make(chainedOgg ? "playbin" : "playbin3", nullptr);
  if (!playbin_) {
    qCCritical(lcGstPlayer) << "GStreamer has no" << (chainedOgg ? "playbin" : "playbin3");
    return;
  }
  gst_object_ref_sink(playbin_);
  if (GstElement* sink = makeAudioSink()) g_object_set(playbin_, "audio-sink", sink, nullptr);
  g_object_set(playbin_, "flags", kPlayFlags, "buffer-duration",
               static_cast<gint64>(tuning_.bufferMs) * GST_MSECOND, nullptr);
  g_signal_connect(playbin_, "source-setup", G_CALLBACK(onSourceSetup), nullptr);
  bridge_->playbin.store(playbin_);
  GstBus* bus = gst_element_get_bus(playbin_);
  gst_bus_set_sync_handler(bus, &Bridge::sync, bridge_.get(), nullptr);
  gst_object_unref(bus);
  applyVolume();
}

void GstMediaPlayer::teardownPipeline() {
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
}

GstMediaPlayer::~GstMediaPlayer() {
  dropProbe();
  teardownPipeline();
}

void GstMediaPlayer::setURL(const QString& url) {
  url_ = url.trimmed();
  if (url_.isEmpty()) {
    close();
    return;
  }
  startSession();
}

void GstMediaPlayer::play() {
  if (url_.isEmpty() || state_ == Playing || state_ == Transitioning) return;
  startSession();
}

void GstMediaPlayer::stop() {
  halt();
  candidates_.clear();
  connected_ = false;
  setStatus(Stopped, tr("Stopped"));
}

void GstMediaPlayer::close() {
  halt();
  candidates_.clear();
  connected_ = false;
  stream_ = QUrl();
  title_.clear();
  artist_.clear();
  titleTouched();
  setStatus(Ready, tr("Ready"));
}

void GstMediaPlayer::setMute(bool on) {
  mute_ = on;
  applyVolume();
}

void GstMediaPlayer::setVolume(int volume) {
  volume_ = std::clamp(volume, 0, 100);
  applyVolume();
}

void GstMediaPlayer::applyVolume() {
  if (!playbin_) return;
  gst_stream_volume_set_volume(GST_STREAM_VOLUME(playbin_), GST_STREAM_VOLUME_FORMAT_CUBIC, volume_ / 100.0);
  g_object_set(playbin_, "mute", static_cast<gboolean>(mute_), nullptr);
}

bool GstMediaPlayer::event(QEvent* e) {
  if (e->type() != BusEvent::kind()) return MediaPlayer::event(e);
  const auto* be = static_cast<BusEvent*>(e);
  if (be->generation == bridge_->generation.load()) handleMessage(be->message);
  return true;
}

void GstMediaPlayer::startSession() {
  halt();
  candidates_ = {Candidate{QUrl::fromUserInput(url_), 0}};
  connected_ = false;
  retries_ = 0;
  playlistsRead_ = 0;
  candidatesTried_ = 0;
  lastFailure_ = Failure::NoConnection;
  title_.clear();
  artist_.clear();
  titleTouched();
  setStatus(Transitioning, tr("Connecting..."));
  startDeadline_.start(tuning_.startDeadlineMs);
  tryNext();
}

void GstMediaPlayer::halt() {
  reconnectTimer_.stop();
  stableTimer_.stop();
  connectTimer_.stop();
  startDeadline_.stop();
  dropProbe();
  if (playbin_) gst_element_set_state(playbin_, GST_STATE_NULL);
  ++bridge_->generation;
  buffering_ = false;
}

void GstMediaPlayer::tryNext() {
  if (candidates_.isEmpty()) {
    raiseError(lastFailure_);
    return;
  }
  resolve(candidates_.takeFirst());
}

// An address may be a playlist: the answer is looked at first.
void GstMediaPlayer::resolve(const Candidate& given) {
  if (++candidatesTried_ > tuning_.maxCandidates) {
    qCInfo(lcGstPlayer) << "tried" << tuning_.maxCandidates << "addresses; giving up";
    raiseError(lastFailure_);
    return;
  }
  const Candidate c{PlayableStream(given.url), given.depth};
  if (c.url.isEmpty()) {
    qCInfo(lcGstPlayer) << "not a stream address:" << given.url;
    fail(Failure::Unreadable);
    return;
  }
  oggHint_ = isOggPath(c.url);
  stallRetried_ = false;
  if (c.depth > kMaxDepth) {
    startStream(c.url);
    return;
  }
  probing_ = c;
  probeBody_.clear();
  probeType_.clear();
  QNetworkRequest req(c.url);
  req.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
  req.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  req.setMaximumRedirectsAllowed(5);
  req.setTransferTimeout(kProbeTimeoutMs);
  probe_ = network_->get(req);
  connect(probe_, &QNetworkReply::metaDataChanged, this, &GstMediaPlayer::onProbeHeaders);
  connect(probe_, &QNetworkReply::readyRead, this, [this] { onProbeData(false); });
  connect(probe_, &QNetworkReply::finished, this, [this] { onProbeData(true); });
}

void GstMediaPlayer::expand(const Candidate& from, playlist::Format format, const QByteArray& body,
                            const QUrl& base) {
  const QList<QUrl> found = playlist::entries(format, body, base);
  qCInfo(lcGstPlayer) << "playlist" << from.url << "has" << found.size() << "streams";
  if (found.isEmpty()) {
    fail(Failure::Unreadable);
    return;
  }
  for (qsizetype i = found.size() - 1; i >= 0; --i) candidates_.prepend(Candidate{found[i], from.depth + 1});
  tryNext();
}

int GstMediaPlayer::probeStatus() const {
  return probe_ ? probe_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
}

void GstMediaPlayer::onProbeHeaders() {
  const int status = probeStatus();
  if (status >= 300 && status < 400) return;  // being redirected
  if (status >= 400) {
    qCInfo(lcGstPlayer) << probing_.url << "answered" << status;
    dropProbe();
    fail(status == 404 || status == 410 ? Failure::NotFound : Failure::Unreadable);
    return;
  }
  probeType_ = probe_->rawHeader("Content-Type");
  if (isOggType(probeType_)) oggHint_ = true;
  if (isVagueType(probeType_)) probeType_ = playlist::typeForPath(probing_.url.path());
  if (playlist::isMediaType(probeType_)) {
    const QUrl url = probing_.url;
    dropProbe();
    startStream(url);
  }
}

void GstMediaPlayer::onProbeData(bool finished) {
  if (!probe_) return;
  if (finished && probe_->error() != QNetworkReply::NoError && probe_->bytesAvailable() == 0 &&
      probeBody_.isEmpty()) {
    const int status = probeStatus();
    if (status >= 400) {
      onProbeHeaders();
      return;
    }
    // We could not look (refused, an ICY answer Qt does not speak): GStreamer has the last word.
    qCInfo(lcGstPlayer) << "cannot look at" << probing_.url << ":" << probe_->errorString();
    const QUrl url = probing_.url;
    dropProbe();
    startStream(url);
    return;
  }
  probeBody_ += probe_->read(playlist::kMaxBytes + 1 - probeBody_.size());
  const bool full = probeBody_.size() > playlist::kMaxBytes;
  if (!finished && !full && probeBody_.size() < kSniffBytes) return;

  const playlist::Format format = playlist::detect(probeType_, probeBody_);
  if (isPlaylist(format)) {
    if (playlistsRead_ >= tuning_.maxPlaylists) {
      qCInfo(lcGstPlayer) << "read" << playlistsRead_ << "playlists already; skipping" << probing_.url;
      dropProbe();
      fail(Failure::Unreadable);
      return;
    }
    if (!finished && !full) return;  // read it whole (up to the cap)
    ++playlistsRead_;
    const Candidate from = probing_;
    const QByteArray body = probeBody_;
    const QUrl base = probe_->url();  // after redirects
    dropProbe();
    expand(from, format, body, base);
    return;
  }
  const QUrl url = probing_.url;
  dropProbe();
  startStream(url);
}

void GstMediaPlayer::dropProbe() {
  if (!probe_) return;
  QNetworkReply* reply = probe_;
  probe_ = nullptr;
  reply->disconnect(this);
  // Not from inside the reply's own signal: Qt would report the abort as a second error.
  QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
  reply->deleteLater();
}

void GstMediaPlayer::startStream(const QUrl& url) {
  stream_ = url;
  buildPipeline(oggHint_);
  if (!playbin_) {
    raiseError(Failure::Unreadable);
    return;
  }
  const quint64 generation = ++bridge_->generation;
  buffering_ = false;
  if (!connected_) setStatus(Transitioning, tr("Connecting..."));
  qCInfo(lcGstPlayer) << "opening" << url;
  g_object_set(playbin_, "uri", url.toString(QUrl::FullyEncoded).toUtf8().constData(), nullptr);
  connectTimer_.start(tuning_.connectTimeoutMs);
  if (gst_element_set_state(playbin_, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    // Usually an error message is on its way; if none comes, this still ends the attempt.
    QTimer::singleShot(0, this, [this, generation] {
      if (bridge_->generation.load() == generation) fail(connected_ ? Failure::Lost : Failure::Unreadable);
    });
  }
}

void GstMediaPlayer::handleMessage(GstMessage* msg) {
  switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_ERROR: {
      GError* err = nullptr;
      gchar* debug = nullptr;
      gst_message_parse_error(msg, &err, &debug);
      qCInfo(lcGstPlayer) << "error from" << GST_OBJECT_NAME(GST_MESSAGE_SRC(msg)) << ":" << err->message
                          << (debug ? debug : "");
      Failure why = Failure::Unreadable;
      if (connected_ && !chainedOgg_ && err->domain == GST_STREAM_ERROR && debug && strstr(debug, "not-linked")) {
        qCInfo(lcGstPlayer) << "stream changed its chain: going on with playbin";
        oggHint_ = true;
      }
      // The source's own flow error ("streaming stopped") is the connection, not the content.
      const bool fromSource = GST_IS_ELEMENT(GST_MESSAGE_SRC(msg)) &&
                              GST_OBJECT_FLAG_IS_SET(GST_MESSAGE_SRC(msg), GST_ELEMENT_FLAG_SOURCE);
      if (err->domain == GST_RESOURCE_ERROR || (fromSource && err->domain == GST_STREAM_ERROR))
        why = err->code == GST_RESOURCE_ERROR_NOT_FOUND ? Failure::NotFound
              : connected_                               ? Failure::Lost
                                                         : Failure::NoConnection;
      g_error_free(err);
      g_free(debug);
      fail(why);
      break;
    }
    case GST_MESSAGE_WARNING: {
      GError* err = nullptr;
      gst_message_parse_warning(msg, &err, nullptr);
      qCDebug(lcGstPlayer) << "warning:" << err->message;
      g_error_free(err);
      break;
    }
    case GST_MESSAGE_EOS:
      if (stream_.isLocalFile()) {
        halt();
        connected_ = false;
        setStatus(Ready, tr("Ready"));
      } else {
        // A network stream that ends has dropped: radio does not end.
        fail(connected_ ? Failure::Lost : Failure::Unreadable);
      }
      break;
    case GST_MESSAGE_STATE_CHANGED: {
      GstState oldState, newState, pending;
      gst_message_parse_state_changed(msg, &oldState, &newState, &pending);
      qCDebug(lcGstPlayer) << "pipeline" << gst_element_state_get_name(oldState) << "->"
                           << gst_element_state_get_name(newState) << "pending" << gst_element_state_get_name(pending);
      if (pending == GST_STATE_VOID_PENDING) followBuffering();
      if (newState == GST_STATE_PLAYING && !buffering_) {
        connectTimer_.stop();
        startDeadline_.stop();
        connected_ = true;
        setStatus(Playing, playingText());
        stableTimer_.start(tuning_.stablePlayMs);
      } else if (oldState == GST_STATE_PLAYING) {
        stableTimer_.stop();
      }
      break;
    }
    case GST_MESSAGE_BUFFERING: {
      GstBufferingMode mode;
      gst_message_parse_buffering_stats(msg, &mode, nullptr, nullptr, nullptr);
      if (mode == GST_BUFFERING_LIVE) break;
      gint percent = 0;
      gst_message_parse_buffering(msg, &percent);
      qCDebug(lcGstPlayer) << "buffering" << GST_OBJECT_NAME(GST_MESSAGE_SRC(msg)) << percent;
      onBuffering(percent);
      break;
    }
    case GST_MESSAGE_TAG:
      onTags(msg);
      break;
    case GST_MESSAGE_CLOCK_LOST:
      if (state_ == Playing) {
        gst_element_set_state(playbin_, GST_STATE_PAUSED);
        gst_element_set_state(playbin_, GST_STATE_PLAYING);
      }
      break;
    default:
      break;
  }
}

// The usual buffering rule: hold the pipeline in PAUSED until the queue is full again.
void GstMediaPlayer::onBuffering(int percent) {
  if (state_ != Transitioning && state_ != Playing) return;
  buffering_ = percent < 100;
  if (buffering_) setStatus(Transitioning, tr("Buffering %1%").arg(percent));
  followBuffering();
}

// Moves the pipeline to where the buffer wants it, but never during a change still under way:
// a pause and a play laid over an unfinished preroll leave playbin3 stuck in PAUSED now and then.
// The end of that change comes as a state message, which calls this again.
void GstMediaPlayer::followBuffering() {
  if (!playbin_ || (state_ != Transitioning && state_ != Playing)) return;
  GstState current = GST_STATE_NULL, pending = GST_STATE_NULL;
  const GstStateChangeReturn settled = gst_element_get_state(playbin_, &current, &pending, 0);
  if (settled != GST_STATE_CHANGE_SUCCESS && settled != GST_STATE_CHANGE_NO_PREROLL) return;
  const GstState wanted = buffering_ ? GST_STATE_PAUSED : GST_STATE_PLAYING;
  if (current != wanted) {
    qCDebug(lcGstPlayer) << (buffering_ ? "pause for buffering" : "buffered: play");
    gst_element_set_state(playbin_, wanted);
  }
}

void GstMediaPlayer::onTags(GstMessage* msg) {
  GstTagList* tags = nullptr;
  gst_message_parse_tag(msg, &tags);
  const gchar* title = nullptr;
  if (gst_tag_list_peek_string_index(tags, GST_TAG_TITLE, 0, &title) && title && *title) {
    const gchar* artist = nullptr;
    gst_tag_list_peek_string_index(tags, GST_TAG_ARTIST, 0, &artist);
    title_ = streamtitle::repair(QByteArray(title));
    artist_ = artist ? streamtitle::repair(QByteArray(artist)) : QString();
    titleTouched();
    if (state_ == Playing) setStatus(Playing, playingText());
  }
  gst_tag_list_unref(tags);
}

// Something went wrong with the current stream. Before it has played we move on to the next
// playlist entry (or give up at once); once it has played, it is a drop and we reconnect.
void GstMediaPlayer::fail(Failure why) {
  if (state_ != Transitioning && state_ != Playing) return;
  connectTimer_.stop();
  stableTimer_.stop();
  if (connected_) {
    scheduleReconnect();
    return;
  }
  if (playbin_) gst_element_set_state(playbin_, GST_STATE_NULL);
  ++bridge_->generation;
  lastFailure_ = why;
  tryNext();
}

void GstMediaPlayer::scheduleReconnect() {
  if (playbin_) gst_element_set_state(playbin_, GST_STATE_NULL);
  ++bridge_->generation;
  buffering_ = false;
  if (retries_ >= tuning_.maxReconnects) {
    raiseError(Failure::Lost);
    return;
  }
  const int delay = tuning_.reconnectBaseMs * (1 << std::min(retries_, 16));
  ++retries_;
  qCInfo(lcGstPlayer) << "stream dropped; reconnect" << retries_ << "in" << delay << "ms";
  setStatus(Transitioning, tr("Reconnecting (%1/%2)...").arg(retries_).arg(tuning_.maxReconnects));
  reconnectTimer_.start(delay);
}

void GstMediaPlayer::raiseError(Failure why) {
  halt();
  candidates_.clear();
  connected_ = false;
  switch (why) {
    case Failure::NotFound: setStatus(Ready, tr("Stream not found")); break;
    case Failure::Unreadable: setStatus(Ready, tr("Cannot play this stream")); break;
    case Failure::NoConnection: setStatus(Ready, tr("Cannot connect to the stream")); break;
    case Failure::Lost: setStatus(Ready, tr("Connection lost")); break;
  }
  qCInfo(lcGstPlayer) << "giving up on" << url_ << ":" << status_;
  Q_EMIT error();
}

void GstMediaPlayer::setStatus(int state, const QString& text) {
  if (state == state_ && text == status_) return;
  state_ = state;
  status_ = text;
  Q_EMIT statusChanged();
}

void GstMediaPlayer::titleTouched() {
  const QString now = streamtitle::compose(artist_, title_);
  if (now == announcedTitle_) return;
  announcedTitle_ = now;
  Q_EMIT streamTitleChanged(now);
}

QString GstMediaPlayer::playingText() const {
  const QString now = streamtitle::compose(artist_, title_);
  return now.isEmpty() ? tr("Playing") : tr("Playing: %1").arg(now);
}

QUrl PlayableStream(const QUrl& url) {
  if (!url.isValid() || url.host().isEmpty()) return {};
  const QString scheme = url.scheme().toLower();
  if (scheme == u"http" || scheme == u"https") return url;
  if (scheme != u"icy" && scheme != u"icyx") return {};
  QUrl http = url;
  http.setScheme(QStringLiteral("http"));
  return http;
}
