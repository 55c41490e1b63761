#include "playback/gstsetup.h"

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using gstsetup::SoundSession;

QByteArray joined(const QList<QByteArray>& names) { return names.join(' '); }

TEST(GstSetupTest, SinkFollowsTheSessionsSoundServer) {
  const std::set<std::string> all = {"pulsesink", "pipewiresink", "alsasink", "autoaudiosink", "fakesink"};
  const std::set<std::string> noAlsaNoPipewire = {"pulsesink", "autoaudiosink", "fakesink"};
  const struct {
    SoundSession session;
    std::set<std::string> installed;
    const char* expected;
  } cases[] = {
      {{true, false, false}, all, "pulsesink alsasink fakesink"},
      {{true, true, false}, all, "pulsesink pipewiresink alsasink fakesink"},
      {{false, true, false}, all, "pipewiresink alsasink fakesink"},
      {{false, true, false}, noAlsaNoPipewire, "fakesink"},
      {{false, false, false}, all, "alsasink fakesink"},
      {{false, false, true}, all, "alsasink autoaudiosink"},
      {{false, false, true}, noAlsaNoPipewire, "autoaudiosink"},
  };
  for (const auto& c : cases) {
    const auto installed = [&](const char* name) { return c.installed.count(name) > 0; };
    EXPECT_EQ(joined(gstsetup::sinkCandidates(c.session, installed)), QByteArray(c.expected)) << c.expected;
  }
}

// What decodebin would plug first for the caps: the decoder of the highest rank that takes them.
std::string firstDecoderFor(const char* caps) {
  GstCaps* wanted = gst_caps_from_string(caps);
  GList* decoders = gst_element_factory_list_get_elements(
      GST_ELEMENT_FACTORY_TYPE_DECODER | GST_ELEMENT_FACTORY_TYPE_MEDIA_AUDIO, GST_RANK_MARGINAL);
  GList* fit = gst_element_factory_list_filter(decoders, wanted, GST_PAD_SINK, FALSE);
  fit = g_list_sort(fit, gst_plugin_feature_rank_compare_func);
  std::string name = fit ? GST_OBJECT_NAME(fit->data) : "";
  gst_plugin_feature_list_free(fit);
  gst_plugin_feature_list_free(decoders);
  gst_caps_unref(wanted);
  return name;
}

TEST(GstSetupTest, NativeDecodersComeBeforeLibav) {
  gstsetup::init();
  const std::pair<const char*, const char*> cases[] = {
      {"audio/mpeg, mpegversion=(int)1, layer=(int)3, parsed=(boolean)true", "mpg123audiodec"},
      {"audio/x-vorbis", "vorbisdec"},
      {"audio/x-opus, channel-mapping-family=(int)0", "opusdec"},
  };
  for (const auto& [caps, expected] : cases) EXPECT_EQ(firstDecoderFor(caps), expected) << caps;
  // AAC: faad when installed (it holds a fraction of libav's memory), else libav decodes it.
  const std::string aac = firstDecoderFor("audio/mpeg, mpegversion=(int)4, stream-format=(string)adts");
  GstPluginFeature* faad = gst_registry_lookup_feature(gst_registry_get(), "faad");
  EXPECT_EQ(aac, faad ? "faad" : "avdec_aac");
  if (faad) gst_object_unref(faad);
}

}  // namespace
