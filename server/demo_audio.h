#pragma once

#include "catalogue.h"

#include <ostream>
#include <string>
#include <vector>

namespace vantor::server {

// The spoken line a station opens its loop with, in the country's voice.
std::string announcement(const Station& s, const std::string& voice);

// Makes each missing loop in `dir` with espeak-ng, sox, lame and oggenc. Existing files are kept.
// Returns the number of stations that still have no audio.
int makeDemoAudio(const Catalogue& cat, const std::string& dir, std::ostream& log);

}  // namespace vantor::server
