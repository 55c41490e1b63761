#pragma once

#include <QByteArray>
#include <QList>

#include <functional>

typedef struct _GstElement GstElement;

// How the player sets GStreamer up for itself: the decoders autoplugging prefers and the audio
// output, chosen inside the program rather than through the user's environment.
namespace gstsetup {

// GStreamer started once for the process, with the small native decoders ranked before
// gst-libav's. A feature the user ranks in GST_PLUGIN_FEATURE_RANK keeps the user's rank.
void init();

// What the desktop session offers for sound, as far as choosing the sink goes.
struct SoundSession {
  bool pulseSocket = false;     // PulseAudio, or PipeWire's PulseAudio service
  bool pipewireSocket = false;  // PipeWire's own
  bool jackOrOss = false;       // a JACK server or an OSS device: only autoaudiosink knows those
};
SoundSession currentSession();

// The sink elements to try in turn for the session, of those installed. The last one is used
// without a trial: autoaudiosink where only it could find an output, else a clock-synced
// fakesink (no output at all, as autoaudiosink would end up with, without loading every sink).
QList<QByteArray> sinkCandidates(const SoundSession& session, const std::function<bool(const char*)>& installed);

// A new audio sink: VANTOR_AUDIO_SINK (an element or a bin description) when set, else the
// session's, chosen at the first call by opening each candidate in turn.
GstElement* makeAudioSink();

// What the first play would load, loaded now (in idle time after the start): the sink and the
// plugins of the usual MP3 stream's path. Nothing is held that playing would not hold.
void warmUp();

}  // namespace gstsetup
