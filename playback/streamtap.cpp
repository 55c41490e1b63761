#include "streamtap.h"

#include <gst/gst.h>

#include <algorithm>
#include <cstring>

#include "playback_log.h"

namespace {
constexpr std::size_t kHeadBytes = 64 * 1024;
}  // namespace

struct StreamTap::Probe {
  static GstPadProbeReturn onPad(GstPad*, GstPadProbeInfo* info, gpointer data) {
    auto* tap = static_cast<StreamTap*>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
      if (!tap->hasSink_.load(std::memory_order_relaxed) && tap->headFull_.load(std::memory_order_relaxed))
        return GST_PAD_PROBE_OK;
      GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
      GstMapInfo map;
      if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        tap->onData(reinterpret_cast<const char*>(map.data), map.size);
        gst_buffer_unmap(buffer, &map);
      }
    } else if (GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
               event && GST_EVENT_TYPE(event) == GST_EVENT_TAG) {
      GstTagList* tags = nullptr;
      gst_event_parse_tag(event, &tags);
      const gchar* title = nullptr;
      if (tags && gst_tag_list_peek_string_index(tags, GST_TAG_TITLE, 0, &title) && title && *title)
        tap->onTitle(title);
    }
    return GST_PAD_PROBE_OK;
  }

  static void watch(GstPad* pad, StreamTap* tap, bool withEvents) {
    const auto mask = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                   (withEvents ? GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM : 0));
    gst_pad_add_probe(pad, mask, &Probe::onPad, tap, nullptr);
  }

  // An ICY stream: the bytes after icydemux, without the metadata, with the titles in between.
  static void onIcyPad(GstElement*, GstPad* pad, gpointer data) {
    if (GST_PAD_IS_SRC(pad)) watch(pad, static_cast<StreamTap*>(data), true);
  }

  // decodebin's input carries the stream itself unless it is ICY, which icydemux unpacks.
  static GstPadProbeReturn onDecodeInput(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstCaps* caps = gst_pad_get_current_caps(pad);
    if (!caps) return GST_PAD_PROBE_OK;
    const bool icy = gst_structure_has_name(gst_caps_get_structure(caps, 0), "application/x-icy");
    gst_caps_unref(caps);
    if (!icy) {
      onPad(pad, info, data);
      watch(pad, static_cast<StreamTap*>(data), false);
    }
    return GST_PAD_PROBE_REMOVE;
  }

  static void onElement(GstElement*, GstElement* element, gpointer data) {
    auto* tap = static_cast<StreamTap*>(data);
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) return;
    const char* name = GST_OBJECT_NAME(factory);
    if (std::strcmp(name, "icydemux") == 0) {
      g_signal_connect(element, "pad-added", G_CALLBACK(&Probe::onIcyPad), tap);
    } else if (std::strcmp(name, "decodebin") == 0) {
      // Only the outer decodebin: one inside another reads what the first one unpacked.
      if (GstObject* parent = gst_object_get_parent(GST_OBJECT(element))) {
        const bool nested =
            GST_IS_ELEMENT(parent) && gst_element_get_factory(GST_ELEMENT(parent)) &&
            std::strcmp(GST_OBJECT_NAME(gst_element_get_factory(GST_ELEMENT(parent))), "decodebin") == 0;
        gst_object_unref(parent);
        if (nested) return;
      }
      if (GstPad* sink = gst_element_get_static_pad(element, "sink")) {
        gst_pad_add_probe(sink, GST_PAD_PROBE_TYPE_BUFFER, &Probe::onDecodeInput, tap, nullptr);
        gst_object_unref(sink);
      }
    } else if (g_str_has_prefix(name, "hlsdemux")) {
      tap->hls_.store(true);
    }
  }
};

void StreamTap::attach(GstElement* playbin) {
  {
    std::lock_guard lock(mutex_);
    fresh_ = true;
    title_.clear();
    head_.clear();
  }
  headFull_.store(false);
  hls_.store(false);
  if (playbin) g_signal_connect(playbin, "element-setup", G_CALLBACK(&Probe::onElement), this);
}

void StreamTap::setSink(StreamSink* sink) {
  std::lock_guard lock(mutex_);
  sink_ = sink;
  fresh_ = true;
  hasSink_.store(sink != nullptr);
}

void StreamTap::onData(const char* data, std::size_t size) {
  std::lock_guard lock(mutex_);
  if (sink_ && fresh_) {
    fresh_ = false;
    sink_->streamStarted(head_, !title_.empty());
  }
  if (head_.size() < kHeadBytes) {
    head_.append(data, std::min(size, kHeadBytes - head_.size()));
    if (head_.size() == kHeadBytes) headFull_.store(true);
  }
  if (sink_) sink_->streamData(data, size);
}

// Only where the title changes: a station may repeat it in every metadata block.
void StreamTap::onTitle(const char* raw) {
  std::lock_guard lock(mutex_);
  if (title_ == raw) return;
  title_ = raw;
  if (sink_ && !fresh_) sink_->streamTitleMark();
}
