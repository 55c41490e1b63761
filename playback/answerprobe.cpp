#include "answerprobe.h"

#include <gst/gst.h>

#include "answerhead.h"
#include "playback_log.h"

namespace answerprobe {
namespace {

constexpr const char* kMessageName = "station-playlist";

struct Watch {
  explicit Watch(const QUrl& location) : head(location.path()), location(location) {}
  AnswerHead head;
  const QUrl location;
  bool posted = false;
};

QByteArray contentTypeOf(const GstStructure* httpHeaders) {
  const GValue* response = gst_structure_get_value(httpHeaders, "response-headers");
  if (!response || !GST_VALUE_HOLDS_STRUCTURE(response)) return {};
  const GstStructure* headers = gst_value_get_structure(response);
  for (int i = 0; i < gst_structure_n_fields(headers); ++i) {
    const char* name = gst_structure_nth_field_name(headers, i);
    if (g_ascii_strcasecmp(name, "Content-Type") != 0) continue;
    const GValue* v = gst_structure_get_value(headers, name);
    if (G_VALUE_HOLDS_STRING(v)) return QByteArray(g_value_get_string(v));
    if (GST_VALUE_HOLDS_ARRAY(v) && gst_value_array_get_size(v) > 0) {
      const GValue* first = gst_value_array_get_value(v, 0);
      if (G_VALUE_HOLDS_STRING(first)) return QByteArray(g_value_get_string(first));
    }
  }
  return {};
}

// The address the source ended up at: relative playlist entries are resolved against it.
QUrl baseOf(GstElement* source, const QUrl& location) {
  const QUrl to = redirection(source);
  return to.isEmpty() ? location : to;
}

void post(GstPad* pad, Watch& w) {
  w.posted = true;
  GstElement* source = GST_ELEMENT(GST_PAD_PARENT(pad));
  const QByteArray& body = w.head.bytes();
  GBytes* bytes = g_bytes_new(body.constData(), static_cast<gsize>(body.size()));
  const QByteArray base = baseOf(source, w.location).toString(QUrl::FullyEncoded).toUtf8();
  GstStructure* s =
      gst_structure_new(kMessageName, "format", G_TYPE_INT, static_cast<int>(w.head.format()), "base",
                        G_TYPE_STRING, base.constData(), "body", G_TYPE_BYTES, bytes, nullptr);
  g_bytes_unref(bytes);
  gst_element_post_message(source, gst_message_new_element(GST_OBJECT(source), s));
}

// The held-back bytes go on in place of the buffer that decided.
GstPadProbeReturn release(GstPadProbeInfo* info, const Watch& w, gsize lastSize) {
  const QByteArray& held = w.head.bytes();
  if (held.size() == static_cast<qsizetype>(lastSize)) return GST_PAD_PROBE_REMOVE;
  GstBuffer* whole = gst_buffer_new_memdup(held.constData(), static_cast<gsize>(held.size()));
  GST_BUFFER_OFFSET(whole) = 0;
  GST_BUFFER_OFFSET_END(whole) = static_cast<guint64>(held.size());
  gst_buffer_unref(GST_PAD_PROBE_INFO_BUFFER(info));
  GST_PAD_PROBE_INFO_DATA(info) = whole;
  return GST_PAD_PROBE_REMOVE;
}

GstPadProbeReturn onBuffer(GstPad* pad, GstPadProbeInfo* info, Watch& w) {
  GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
  GstMapInfo map;
  if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) return GST_PAD_PROBE_DROP;
  const auto verdict = w.head.add(QByteArray(reinterpret_cast<const char*>(map.data), map.size));
  const gsize size = map.size;
  gst_buffer_unmap(buffer, &map);
  if (verdict == AnswerHead::Verdict::Stream) return release(info, w, size);
  if (verdict == AnswerHead::Verdict::Playlist) post(pad, w);
  return GST_PAD_PROBE_DROP;
}

GstPadProbeReturn onEvent(GstPad* pad, GstPadProbeInfo* info, Watch& w) {
  GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
  switch (GST_EVENT_TYPE(event)) {
    case GST_EVENT_CAPS: {
      // Interleaved ICY metadata: a stream for sure.
      GstCaps* caps = nullptr;
      gst_event_parse_caps(event, &caps);
      const bool icy = caps && gst_structure_has_name(gst_caps_get_structure(caps, 0), "application/x-icy");
      return icy && w.head.bytes().isEmpty() ? GST_PAD_PROBE_REMOVE : GST_PAD_PROBE_OK;
    }
    case GST_EVENT_CUSTOM_DOWNSTREAM_STICKY: {
      const GstStructure* s = gst_event_get_structure(event);
      if (!s || !gst_structure_has_name(s, "http-headers")) return GST_PAD_PROBE_OK;
      const bool audio = w.head.setContentType(contentTypeOf(s)) == AnswerHead::Verdict::Stream;
      return audio ? GST_PAD_PROBE_REMOVE : GST_PAD_PROBE_OK;
    }
    case GST_EVENT_EOS:
      if (w.head.end() == AnswerHead::Verdict::Playlist) {
        post(pad, w);
        return GST_PAD_PROBE_DROP;
      }
      // Too short for a stream: the decoder is told there is nothing, and says so.
      qCDebug(lcPlayback) << "the answer ended after" << w.head.bytes().size() << "bytes";
      return GST_PAD_PROBE_REMOVE;
    default:
      return GST_PAD_PROBE_OK;
  }
}

GstPadProbeReturn onData(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
  Watch& w = *static_cast<Watch*>(data);
  const bool buffer = (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0;
  if (w.posted) {
    // The playlist is ours now: none of it reaches the decoder until the player stops the source.
    const bool eos = !buffer && GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS;
    return buffer || eos ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
  }
  return buffer ? onBuffer(pad, info, w) : onEvent(pad, info, w);
}

}  // namespace

QUrl redirection(GstElement* source) {
  GstQuery* query = gst_query_new_uri();
  QUrl to;
  if (gst_element_query(source, query)) {
    gchar* redirected = nullptr;
    gst_query_parse_uri_redirection(query, &redirected);
    if (redirected) to = QUrl(QString::fromUtf8(redirected));
    g_free(redirected);
  }
  gst_query_unref(query);
  return to;
}

void watch(GstElement* source) {
  GObjectClass* klass = G_OBJECT_GET_CLASS(source);
  if (!g_object_class_find_property(klass, "location")) return;
  gchar* location = nullptr;
  g_object_get(source, "location", &location, nullptr);
  const QUrl url(QString::fromUtf8(location));
  g_free(location);
  GstPad* pad = gst_element_get_static_pad(source, "src");
  if (!pad) return;
  gst_pad_add_probe(
      pad, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
      &onData, new Watch(url), [](gpointer w) { delete static_cast<Watch*>(w); });
  gst_object_unref(pad);
}

bool isPlaylistMessage(GstMessage* msg) {
  return GST_MESSAGE_TYPE(msg) == GST_MESSAGE_ELEMENT && gst_message_has_name(msg, kMessageName);
}

std::optional<Playlist> playlistOf(GstMessage* msg) {
  if (!isPlaylistMessage(msg)) return std::nullopt;
  const GstStructure* s = gst_message_get_structure(msg);
  Playlist out;
  int format = 0;
  gst_structure_get_int(s, "format", &format);
  out.format = static_cast<playlist::Format>(format);
  out.base = QUrl(QString::fromUtf8(gst_structure_get_string(s, "base")));
  const GValue* body = gst_structure_get_value(s, "body");
  if (body && G_VALUE_HOLDS(body, G_TYPE_BYTES)) {
    gsize size = 0;
    const auto* data =
        static_cast<const char*>(g_bytes_get_data(static_cast<GBytes*>(g_value_get_boxed(body)), &size));
    out.body = QByteArray(data, static_cast<qsizetype>(size));
  }
  return out;
}

}  // namespace answerprobe
