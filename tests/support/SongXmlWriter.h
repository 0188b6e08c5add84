// Song and instrument documents shaped like the tracker's own, for tests and
// the benchmark: global song data, tracks with device
// chains naming plug-ins the old way (PluginName) or today's way (PluginType
// and PluginIdentifier), and pattern data to reach realistic sizes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SongXmlShape {
    bool instrument = false;        // a RenoiseInstrument document instead of a song
    int docVersion = 63;
    bool legacyPluginNames = false; // "Vst: <name>" PluginName elements (document versions up to 9)
    std::string songName = "Untitled";
    std::string artist = "Somebody";
    int bpm = 125;
    int tpl = 6;
    // One VST device per entry (the DLL name without ".dll"), in document order.
    std::vector<std::string> plugins;
    // Devices of other plug-in kinds ("AU", "VST3", ...): type and identifier pairs.
    std::vector<std::pair<std::string, std::string>> otherPlugins;
    size_t tracks = 4;
    size_t patterns = 1;
    size_t linesPerPattern = 64;   // note data: one line per row per track
    uint32_t seed = 1;
};

std::string WriteSongXml(const SongXmlShape& shape);
// The document inside a zip archive as the tracker saves it: "Song.xml" or
// "Instrument.xml", deflated.
std::string WriteSongArchive(const SongXmlShape& shape);
