// The bundled example: a small collection that shows everything the program
// answers. Songs of all four kinds (old and today's tracker documents among
// them), some using plug-ins that are not installed (one of them here only as
// a 32-bit library, one under a 64-bit name), a few broken files, a VST folder
// of generated libraries, and a Wine prefix whose registry lists Waves plug-ins.
#pragma once

#include <string>

// Writes the collection below root (created when missing):
//   root/songs/...       songs, instruments and broken files
//   root/vst/...         plug-in libraries
//   root/wineprefix/...  system.reg and drive_c with the Waves shell library
// Returns false with a reason when something could not be written.
bool WriteExampleCollection(const std::string& root, std::string* reason);
