#include "gstsetup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <gst/gst.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <unistd.h>

#include "playback_log.h"

namespace gstsetup {
namespace {

// gst-libav maps libavcodec and about 150 libraries with it; these decode their formats with
// small libraries of their own. Decoding the same 128 kbit/s stream in real time: mpg123 11.5 MB
// against avdec_mp3float's 49.9 MB, faad (AAC, from plugins-bad) 11.3 MB against avdec_aac's
// 50.8 MB, each at a little less CPU. Debian's gst-libav has no Vorbis decoder; vorbisdec,
// opusdec and flacdec already outrank libav's, and are listed so they stay ahead.
constexpr const char* kNativeDecoders[] = {"mpg123audiodec", "faad", "vorbisdec", "opusdec", "flacdec"};

// Above every gst-libav decoder (those are PRIMARY at most).
constexpr guint kPreferredRank = GST_RANK_PRIMARY + 1;

// Loaded by the first play of a usual station (an MP3 stream over HTTP, maybe with ICY titles).
constexpr const char* kFirstPlayPlugins[] = {"coreelements", "playback",  "typefindfunctions", "soup",
                                             "icydemux",     "audioparsers", "mpg123",         "audioconvert",
                                             "audioresample", "volume"};

void preferNativeDecoders() {
  const QByteArray userRanks = qgetenv("GST_PLUGIN_FEATURE_RANK");
  GstRegistry* registry = gst_registry_get();
  for (const char* name : kNativeDecoders) {
    if (userRanks.contains(name)) continue;
    GstPluginFeature* feature = gst_registry_lookup_feature(registry, name);
    if (!feature) continue;
    if (gst_plugin_feature_get_rank(feature) < kPreferredRank) gst_plugin_feature_set_rank(feature, kPreferredRank);
    gst_object_unref(feature);
  }
}

bool installed(const char* factory) {
  GstPluginFeature* feature = gst_registry_lookup_feature(gst_registry_get(), factory);
  if (feature) gst_object_unref(feature);
  return feature != nullptr;
}

GstElement* makeSink(const QByteArray& factory) {
  GstElement* sink = gst_element_factory_make(factory.constData(), nullptr);
  if (sink && factory == "fakesink") g_object_set(sink, "sync", TRUE, nullptr);
  return sink;
}

// Opens each candidate (an audio sink connects to its server or device on the way to READY)
// and keeps the first that opens.
QByteArray chooseSink() {
  const QList<QByteArray> candidates = sinkCandidates(currentSession(), &installed);
  for (qsizetype i = 0; i + 1 < candidates.size(); ++i) {
    GstElement* sink = makeSink(candidates[i]);
    if (!sink) continue;
    gst_object_ref_sink(sink);
    const bool opens = gst_element_set_state(sink, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE;
    gst_element_set_state(sink, GST_STATE_NULL);
    gst_object_unref(sink);
    if (opens) return candidates[i];
    qCInfo(lcPlayback) << "audio output" << candidates[i] << "does not open";
  }
  if (candidates.last() == "fakesink") qCWarning(lcPlayback) << "no audio output found: playing silently";
  return candidates.last();
}

const QByteArray& chosenSink() {
  static const QByteArray chosen = [] {
    const QByteArray name = chooseSink();
    qCInfo(lcPlayback) << "audio output:" << name;
    return name;
  }();
  return chosen;
}

GstElement* sinkFromEnvironment() {
  const QByteArray desc = qgetenv("VANTOR_AUDIO_SINK").trimmed();
  if (desc.isEmpty()) return nullptr;
  GError* err = nullptr;
  const bool pipelineText = desc.contains(' ') || desc.contains('!') || desc.contains('=');
  GstElement* sink = pipelineText ? gst_parse_bin_from_description(desc.constData(), TRUE, &err)
                                  : gst_element_factory_make(desc.constData(), nullptr);
  if (err) {
    qCWarning(lcPlayback) << "audio sink" << desc << ":" << err->message;
    g_clear_error(&err);
  }
  if (!sink) qCWarning(lcPlayback) << "cannot make audio sink" << desc << "- choosing one";
  return sink;
}

}  // namespace

void init() {
  static const bool done = [] {
#ifdef __GLIBC__
    // glibc gives a new thread a malloc arena of its own while there are fewer than eight per
    // core, and each reconnect starts new streaming threads: over a day of drops the arenas'
    // kept memory only grows. Two serve a player well. The environment variable still rules.
    if (qEnvironmentVariableIsEmpty("MALLOC_ARENA_MAX")) mallopt(M_ARENA_MAX, 2);
#endif
    gst_init(nullptr, nullptr);
    preferNativeDecoders();
    return true;
  }();
  (void)done;
}

SoundSession currentSession() {
  QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (runtime.isEmpty()) runtime = QStringLiteral("/run/user/%1").arg(getuid());
  const QDir dir(runtime);
  SoundSession session;
  session.pulseSocket = !qEnvironmentVariableIsEmpty("PULSE_SERVER") ||
                        QFileInfo::exists(dir.filePath(QStringLiteral("pulse/native"))) ||
                        QFileInfo::exists(QStringLiteral("/run/pulse/native"));
  session.pipewireSocket = QFileInfo::exists(dir.filePath(qEnvironmentVariable("PIPEWIRE_REMOTE", QStringLiteral("pipewire-0"))));
  // A running JACK server's sockets (JACK 2: jack_default_UID_0, JACK 1: jack-UID/); a client
  // that merely tried leaves only jack_db-UID behind.
  const QStringList jack = QDir(QStringLiteral("/dev/shm"))
                               .entryList({QStringLiteral("jack_default_*"), QStringLiteral("jack-*")},
                                          QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  session.jackOrOss = QFileInfo::exists(QStringLiteral("/dev/dsp")) || !jack.isEmpty();
  return session;
}

QList<QByteArray> sinkCandidates(const SoundSession& session, const std::function<bool(const char*)>& installed) {
  QList<QByteArray> names;
  const auto add = [&](bool wanted, const char* name) {
    if (wanted && installed(name)) names.append(name);
  };
  add(session.pulseSocket, "pulsesink");
  add(session.pipewireSocket, "pipewiresink");
  add(true, "alsasink");
  if (session.jackOrOss && installed("autoaudiosink"))
    names.append("autoaudiosink");
  else
    names.append("fakesink");
  return names;
}

GstElement* makeAudioSink() {
  init();
  if (GstElement* sink = sinkFromEnvironment()) return sink;
  return makeSink(chosenSink());  // null: playbin picks its own
}

void warmUp() {
  init();
  if (qEnvironmentVariableIsEmpty("VANTOR_AUDIO_SINK")) (void)chosenSink();
  for (const char* name : kFirstPlayPlugins)
    if (GstPlugin* plugin = gst_plugin_load_by_name(name)) gst_object_unref(plugin);
}

}  // namespace gstsetup
