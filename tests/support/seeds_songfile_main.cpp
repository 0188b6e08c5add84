// Writes fuzz seeds for the song reader as a whole into the folder argv[1]:
// the first byte of each seed picks the kind (0 .xrns, 1 .xrni, 2 .xml, 3 .rns).
#include <string>
#include <vector>

#include "support/RnsWriter.h"
#include "support/Seeds.h"
#include "support/SongXmlWriter.h"
#include "support/ZipWriter.h"

namespace {

Seed OfKind(const std::string& name, char kind, const std::string& bytes) {
    return {name, std::string(1, kind) + bytes};
}

}  // namespace

int main(int argc, char** argv) {
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
    return WriteSeedsMain(argc, argv,
                          {
                              OfKind("today.xrns", 0, WriteSongArchive(today)),
                              OfKind("old.xrns", 0, WriteSongArchive(old)),
                              OfKind("instrument.xrni", 1, WriteSongArchive(instrument)),
                              OfKind("bare.xml", 2, WriteSongXml(old)),
                              OfKind("song.rns", 3, WriteRnsSong(rns)),
                              OfKind("stored.xrns", 0, BuildZip({stored})),
                              OfKind("gzip.xrns", 0, BuildGzip(gzip)),
                          });
}
