#include "support/SongXmlWriter.h"

#include "support/ZipWriter.h"

namespace {

const char* const kNotes[] = {"C-", "C#", "D-", "D#", "E-", "F-", "F#", "G-", "G#", "A-", "A#", "B-"};

struct Random {
    uint32_t state;
    uint32_t Next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
};

void Device(std::string& out, const std::string& indent, const char* element, const std::string& type,
            const std::string& identifier, bool legacy) {
    out += indent + "<" + element + " type=\"AudioPluginDevice\">\n";
    out += indent + "  <IsMaximized>true</IsMaximized>\n";
    out += indent + "  <IsActive>\n" + indent + "    <Value>1.0</Value>\n" + indent +
           "    <Visualization>Device only</Visualization>\n" + indent + "  </IsActive>\n";
    if (legacy) {
        out += indent + "  <PluginName>Vst: " + identifier + "</PluginName>\n";
    } else {
        out += indent + "  <PluginType>" + type + "</PluginType>\n";
        out += indent + "  <PluginIdentifier>" + identifier + "</PluginIdentifier>\n";
        out += indent + "  <PluginDisplayName>" + type + ": " + identifier + "</PluginDisplayName>\n";
        out += indent + "  <PluginShortDisplayName>" + identifier + "</PluginShortDisplayName>\n";
    }
    out += indent + "  <Parameters>\n";
    for (int p = 0; p < 3; ++p)
        out += indent + "    <Parameter>\n" + indent + "      <Value>0.5</Value>\n" + indent +
               "      <Visualization>Device only</Visualization>\n" + indent + "    </Parameter>\n";
    out += indent + "  </Parameters>\n";
    out += indent + "</" + element + ">\n";
}

void Patterns(std::string& out, const SongXmlShape& shape) {
    Random random{shape.seed};
    out += "  <PatternPool>\n    <Patterns>\n";
    for (size_t p = 0; p < shape.patterns; ++p) {
        out += "      <Pattern>\n        <NumberOfLines>" + std::to_string(shape.linesPerPattern) +
               "</NumberOfLines>\n        <Tracks>\n";
        for (size_t t = 0; t < shape.tracks; ++t) {
            out += "          <PatternTrack type=\"PatternTrack\">\n            <Lines>\n";
            for (size_t line = 0; line < shape.linesPerPattern; ++line) {
                if (random.Next() % 3) continue;  // most lines of a pattern are empty
                out += "              <Line index=\"" + std::to_string(line) + "\">\n";
                out += "                <NoteColumns>\n                  <NoteColumn>\n";
                out += std::string("                    <Note>") + kNotes[random.Next() % 12] +
                       std::to_string(2 + random.Next() % 5) + "</Note>\n";
                out += "                    <Instrument>" + std::to_string(10 + random.Next() % 40) + "</Instrument>\n";
                out += "                    <Volume>" + std::to_string(10 + random.Next() % 70) + "</Volume>\n";
                out += "                  </NoteColumn>\n                </NoteColumns>\n";
                out += "              </Line>\n";
            }
            out += "            </Lines>\n          </PatternTrack>\n";
        }
        out += "        </Tracks>\n      </Pattern>\n";
    }
    out += "    </Patterns>\n  </PatternPool>\n";
}

}  // namespace

std::string WriteSongXml(const SongXmlShape& shape) {
    const std::string version = std::to_string(shape.docVersion);
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (shape.instrument) {
        out += "<RenoiseInstrument doc_version=\"" + version + "\">\n  <Name>" + shape.songName + "</Name>\n";
        out += "  <PluginProperties>\n";
        for (const std::string& plugin : shape.plugins) Device(out, "    ", "PluginDevice", "VST", plugin, shape.legacyPluginNames);
        for (const auto& other : shape.otherPlugins) Device(out, "    ", "PluginDevice", other.first, other.second, false);
        return out + "  </PluginProperties>\n</RenoiseInstrument>\n";
    }
    out += "<RenoiseSong doc_version=\"" + version + "\">\n  <GlobalSongData>\n";
    out += "    <BeatsPerMin>" + std::to_string(shape.bpm) + "</BeatsPerMin>\n    <LinesPerBeat>4</LinesPerBeat>\n";
    out += "    <TicksPerLine>" + std::to_string(shape.tpl) + "</TicksPerLine>\n";
    out += "    <SongName>" + shape.songName + "</SongName>\n";
    out += "    <Artist>" + shape.artist + "</Artist>\n  </GlobalSongData>\n  <Tracks>\n";
    size_t next = 0;
    for (size_t t = 0; t < shape.tracks || next < shape.plugins.size(); ++t) {
        out += "    <SequencerTrack type=\"SequencerTrack\">\n      <Name>Track " + std::to_string(t + 1) +
               "</Name>\n      <FilterDevices>\n        <Devices>\n";
        // Spread the devices over the tracks, the rest on the last ones.
        const size_t remainingTracks = shape.tracks > t ? shape.tracks - t : 1;
        size_t here = (shape.plugins.size() - next + remainingTracks - 1) / remainingTracks;
        for (; here > 0 && next < shape.plugins.size(); --here, ++next)
            Device(out, "          ", "AudioPluginDevice", "VST", shape.plugins[next], shape.legacyPluginNames);
        if (t == 0)
            for (const auto& other : shape.otherPlugins) Device(out, "          ", "AudioPluginDevice", other.first, other.second, false);
        out += "        </Devices>\n      </FilterDevices>\n    </SequencerTrack>\n";
    }
    out += "  </Tracks>\n";
    Patterns(out, shape);
    return out + "</RenoiseSong>\n";
}

std::string WriteSongArchive(const SongXmlShape& shape) {
    ZipEntrySpec item;
    item.name = shape.instrument ? "Instrument.xml" : "Song.xml";
    item.data = WriteSongXml(shape);
    return BuildZip({item});
}
