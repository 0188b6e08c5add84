#include "support/SoakCollection.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"

SoakCollection WriteSoakCollection(const std::string& root) {
    namespace fs = std::filesystem;
    SoakCollection collection;
    const char* wanted = std::getenv("QUORVEL_SOAK_SONGS");
    collection.songs = wanted && std::atoi(wanted) > 0 ? static_cast<size_t>(std::atoi(wanted)) : 300;
    for (size_t i = 0; i < collection.songs; ++i) {
        SongXmlShape shape;
        shape.songName = "Song " + std::to_string(i);
        shape.plugins = {"Delay", "Synth" + std::to_string(i % 50), "Waves C" + std::to_string(i % 3)};
        if (i % 4 == 1) shape.otherPlugins = {{"AU", "aumu:Synth:Vend"}, {"VST3", "Reverb" + std::to_string(i % 4)}};
        shape.legacyPluginNames = i % 2 == 0;
        shape.instrument = i % 10 == 9;
        shape.linesPerPattern = 16;
        shape.seed = static_cast<uint32_t>(i + 1);
        const std::string n = std::to_string(i);
        std::string name = "song" + n + (shape.instrument ? ".xrni" : ".xrns"), bytes;
        if (i % 7 == 3) {
            RnsSongLayout layout;
            layout.songName = shape.songName;
            layout.trackDspReferences = {"Vst: Delay", "Vst: Old" + std::to_string(i % 5)};
            layout.instrumentReferences = {"Vst: Synth" + std::to_string(i % 30)};
            name = "song" + n + ".rns";
            bytes = WriteRnsSong(layout);
        } else if (i % 13 == 5) {
            name = "broken" + n + ".xrns";
            bytes = "damaged";
            ++collection.broken;
        } else if (i % 11 == 8) {
            name = "song" + n + ".xml";
            bytes = WriteSongXml(shape);
        } else {
            bytes = WriteSongArchive(shape);
        }
        const fs::path path = fs::path(root) / std::to_string(i % 20) / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        collection.files.push_back(path.string());
    }
    return collection;
}
