// Writes the zip fuzzer's seeds into the folder argv[1]: one archive per
// structure the reader knows (stored, deflated, encrypted, data descriptor,
// prefix, comment, extended times, several items, gzip with every header flag).
#include <string>
#include <vector>

#include "support/Seeds.h"
#include "support/ZipWriter.h"

namespace {

ZipEntrySpec Song(uint16_t method) {
    ZipEntrySpec e;
    e.name = "Song.xml";
    e.data = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<RenoiseSong doc_version=\"10\">"
             "<PluginName>Vst: Delay</PluginName></RenoiseSong>\n";
    e.method = method;
    return e;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Seed> seeds;

    seeds.push_back({"deflated.zip", BuildZip({Song(kZipWriterDeflated)})});
    seeds.push_back({"stored.zip", BuildZip({Song(kZipWriterStored)})});

    ZipEntrySpec encrypted = Song(kZipWriterDeflated);
    encrypted.password = "pw";
    seeds.push_back({"encrypted.zip", BuildZip({encrypted})});
    ZipEntrySpec encryptedStored = Song(kZipWriterStored);
    encryptedStored.password = "pw";
    encryptedStored.flags = 0x0008;
    seeds.push_back({"encrypted-stored-descriptor.zip", BuildZip({encryptedStored})});

    ZipEntrySpec timed = Song(kZipWriterDeflated);
    timed.name = "song.XML";
    timed.versionMadeBy = 0x0314;
    timed.externalAttributes = 0x81A40000u;
    timed.centralExtra = UnixTimeExtra(7, {1000000000, 1100000000, 1200000000});
    timed.localExtra = UnixTimeExtra(3, {1000000000, 1100000000});
    seeds.push_back({"unix-times.zip", BuildZip({timed})});

    ZipEntrySpec folderItem = Song(kZipWriterDeflated);
    folderItem.name = "C://x/../a";
    ZipEntrySpec sample = Song(kZipWriterStored);
    sample.name = "SampleData/Instrument00/Sample00.flac";
    sample.data = std::string(300, '\x11');
    ZipEntrySpec bzip2 = Song(kZipWriterStored);
    bzip2.name = "a";
    bzip2.method = 12;
    ZipBuildOptions withStub;
    withStub.prefix = "MZ stub";
    withStub.comment = "archive comment";
    seeds.push_back({"several-items.zip", BuildZip({folderItem, sample, bzip2, Song(kZipWriterDeflated)}, withStub)});

    ZipEntrySpec damaged = Song(kZipWriterDeflated);
    damaged.payload = DeflateRaw(damaged.data).substr(0, 20);
    seeds.push_back({"cut-deflate.zip", BuildZip({damaged})});

    GzipSpec gzip;
    gzip.data = Song(kZipWriterDeflated).data;
    gzip.name = "Song.xml";
    gzip.extra = "AB\x02\x00xy";
    gzip.comment = "comment";
    gzip.headerCrc = true;
    gzip.modifyTime = 1262304000;
    seeds.push_back({"song.xml.gz", BuildGzip(gzip)});
    gzip.extra.reset();
    gzip.comment.reset();
    gzip.headerCrc = false;
    gzip.name = "a";
    seeds.push_back({"plain.gz", BuildGzip(gzip)});

    return WriteSeedsMain(argc, argv, seeds);
}
