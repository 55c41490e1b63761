#pragma once

class Form1;
class Mpris;

// Keeps the desktop's view of the player (MPRIS) in step with the main window and passes the
// desktop's requests on to it: an opened address plays like a station click, the volume moves
// the slider so the mute rules still hold.
void LinkMpris(Form1& form, Mpris& mpris);
