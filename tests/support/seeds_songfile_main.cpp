// Writes fuzz seeds for the song reader as a whole into the folder argv[1]:
// the first byte of each seed picks the kind (0 .xrns, 1 .xrni, 2 .xml, 3 .rns).
#include <cstdio>
#include <string>

#include "support/RnsWriter.h"
#include "support/SongXmlWriter.h"
#include "support/ZipWriter.h"

namespace {

bool WriteSeed(const std::string& folder, const std::string& name, char kind, const std::string& bytes) {
    FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
    if (!file) return false;
    std::fputc(kind, file);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    SongXmlShape today;
    today.plugins = {"Falcon", "Waves C4"};
    today.otherPlugins = {{"AU", "Delay"}};
    today.linesPerPattern = 8;
    SongXmlShape old = today;
    old.docVersion = 9;
    old.legacyPluginNames = true;
    SongXmlShape instrument = today;
    instrument.instrument = true;
    RnsSongLayout rns;
    rns.trackDspReferences = {"Vst: Delay"};
    rns.instrumentReferences = {"Vst: Waves L1"};
    ZipEntrySpec stored;
    stored.name = "song.xml";
    stored.method = kZipWriterStored;
    stored.data = WriteSongXml(old);
    GzipSpec gzip;
    gzip.name = "Song.xml";
    gzip.data = WriteSongXml(today);
    bool ok = WriteSeed(folder, "today.xrns", 0, WriteSongArchive(today)) &&
              WriteSeed(folder, "old.xrns", 0, WriteSongArchive(old)) &&
              WriteSeed(folder, "instrument.xrni", 1, WriteSongArchive(instrument)) &&
              WriteSeed(folder, "bare.xml", 2, WriteSongXml(old)) &&
              WriteSeed(folder, "song.rns", 3, WriteRnsSong(rns)) &&
              WriteSeed(folder, "stored.xrns", 0, BuildZip({stored})) &&
              WriteSeed(folder, "gzip.xrns", 0, BuildGzip(gzip));
    return ok ? 0 : 1;
}
