#pragma once

class Form1;
class Mpris;
class SongNotifier;

// Keeps the desktop's view of the player (MPRIS) in step with the main window and passes the
// desktop's requests on to it: an opened address plays like a station click, the volume moves
// the slider so the mute rules still hold. The metadata follow the stream's title.
void linkMpris(Form1& form, Mpris& mpris);

// Hands the notifier each new station and song, and whether the window is in sight.
void linkNotifications(Form1& form, SongNotifier& notifier);
