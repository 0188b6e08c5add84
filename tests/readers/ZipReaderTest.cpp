#include "readers/ZipReader.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "support/ZipWriter.h"

namespace {

struct ZipCloser {
    void operator()(ZipReader* reader) const { ZipClose(reader); }
};
using ZipPtr = std::unique_ptr<ZipReader, ZipCloser>;

// The archive bytes must outlive the reader, so the case keeps both.
struct Opened {
    std::string bytes;
    ZipPtr reader;
    int code = -1;
};

std::unique_ptr<Opened> Open(std::string bytes, const char* password = nullptr) {
    auto opened = std::make_unique<Opened>();
    opened->bytes = std::move(bytes);
    KeepSeed("zip", opened->bytes);
    ZipReader* reader = nullptr;
    opened->code = ZipOpenMemory(opened->bytes.data(), opened->bytes.size(), password, &reader);
    opened->reader.reset(reader);
    return opened;
}

ZipItemInfo Wanted(const std::string& name) {
    ZipItemInfo info;
    CopyTextBounded(info.name, sizeof(info.name), name.c_str());
    return info;
}

// Finds name and extracts it into a buffer of the given length (the item's
// size when omitted); guard bytes behind the buffer catch any overrun.
struct Extraction {
    int findCode = -1;
    int code = -1;
    std::string bytes;
    ZipItemInfo info;
};

constexpr size_t kGuard = 64;

Extraction FindAndExtract(ZipReader* reader, const std::string& name, long length = -1, unsigned flags = 1) {
    Extraction e;
    e.info = Wanted(name);
    e.findCode = ZipFindItem(reader, &e.info, flags);
    if (e.findCode != kZipOk) return e;
    const uint32_t room = length < 0 ? e.info.uncompressedSize : static_cast<uint32_t>(length);
    std::string buffer(room + kGuard, '\xA5');
    e.code = ZipExtractToMemory(reader, buffer.data(), room, &e.info);
    EXPECT_EQ(buffer.substr(room), std::string(kGuard, '\xA5')) << "wrote past the buffer";
    e.bytes = buffer.substr(0, std::min<size_t>(e.info.compressedSize, room));
    return e;
}

std::string Pattern(size_t size, uint32_t seed = 7) {
    std::string text(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        seed = seed * 1103515245u + 12345u;
        // Words from a small alphabet: compressible, but not trivially.
        text[i] = static_cast<char>("abcdefgh <>/\n"[(seed >> 16) % 13]);
    }
    return text;
}

ZipEntrySpec Entry(const std::string& name, const std::string& data, uint16_t method = kZipWriterDeflated) {
    ZipEntrySpec e;
    e.name = name;
    e.data = data;
    e.method = method;
    return e;
}

// The table test switches TZ row by row; the suite's own zone comes back after.
struct ZoneKept {
    std::optional<std::string> saved = getenv("TZ") ? std::optional<std::string>(getenv("TZ")) : std::nullopt;
    ~ZoneKept() {
        saved ? setenv("TZ", saved->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
};

int CodeNamed(const std::string& name) {
    static const std::map<std::string, int> codes = {
        {"ok", kZipOk},           {"no-such-item", kZipNoSuchItem}, {"more-data", kZipMoreData},
        {"corrupt", kZipCorrupt}, {"read-failed", kZipReadFailed},  {"unsupported", kZipUnsupported},
        {"bad-data", kZipBadData}, {"wrong-password", kZipWrongPassword}};
    EXPECT_EQ(codes.count(name), 1u) << "no code " << name;
    return codes.count(name) ? codes.at(name) : -1;
}

uint64_t TicksOf(const std::string& unixSeconds) {
    return unixSeconds == "none" ? 0 : static_cast<uint64_t>(std::stoll(unixSeconds) * 10000000 + 116444736000000000ll);
}

}  // namespace

// The archives of tests/data/zip, each damaged or unusual in one way, and
// what looking up and extracting one item gives (cases.tsv tells the fields).
TEST(ZipReaderTest, CommittedArchivesGiveTheTabledResults) {
    ZoneKept zone;
    std::string base;
    GetCurrentFolder(base);
    if (base.back() != kPathSeparator) base.push_back(kPathSeparator);
    const std::string keys = " password open zone want flags find index name attributes modify access create size buffer"
                             " extract delivered crc mismatch ";
    for (const auto& row : ReadTableRows("zip/cases.tsv")) {
        std::map<std::string, std::string> field = {{"open", "ok"}, {"find", "ok"}, {"want", "Song.xml"},
                                                    {"flags", "1"}, {"zone", "UTC0"}};
        for (size_t i = 1; i < row.size(); ++i) {
            const size_t equals = row[i].find('=');
            ASSERT_NE(keys.find(std::string(" ") + row[i].substr(0, equals) + " "), std::string::npos) << row[i];
            field[row[i].substr(0, equals)] = row[i].substr(equals + 1);
        }
        const auto given = [&field](const char* key) { return field.count(key) == 1; };
        SCOPED_TRACE(row[0] + " for \"" + field["want"] + "\"");
        setenv("TZ", field["zone"].c_str(), 1);
        tzset();
        auto zip = Open(ReadTestData("zip/" + row[0]),
                        given("password") ? field["password"].c_str() : nullptr);
        ASSERT_EQ(zip->code, CodeNamed(field["open"]));
        EXPECT_EQ(zip->reader == nullptr, zip->code != kZipOk);
        if (zip->code != kZipOk) continue;
        const long buffer = given("buffer") ? std::stol(field["buffer"]) : -1;
        Extraction e = FindAndExtract(zip->reader.get(), field["want"], buffer, std::stoul(field["flags"]));
        ASSERT_EQ(e.findCode, CodeNamed(field["find"]));
        if (e.findCode != kZipOk) {
            EXPECT_EQ(zip->reader->currentIndex, kZipNoItem);
            continue;
        }
        const ZipItemInfo& info = e.info;
        if (given("index")) { EXPECT_EQ(info.index, std::stoul(field["index"])); }
        if (given("name")) {
            std::string name = field["name"];
            for (char& c : name)
                if (c == '/') c = kPathSeparator;
            EXPECT_EQ(std::string(info.name), (base + name).substr(0, kZipNameSize - 1));
        }
        if (given("attributes")) { EXPECT_EQ(info.attributes, std::stoul(field["attributes"], nullptr, 16)); }
        if (given("modify")) { EXPECT_EQ(info.modifyTime, TicksOf(field["modify"])); }
        if (given("access")) { EXPECT_EQ(info.accessTime, TicksOf(field["access"])); }
        if (given("create")) { EXPECT_EQ(info.createTime, TicksOf(field["create"])); }
        if (given("size")) { EXPECT_EQ(std::to_string(info.uncompressedSize), field["size"]); }
        if (!given("extract")) continue;
        EXPECT_EQ(e.code, CodeNamed(field["extract"]));
        EXPECT_EQ(std::to_string(info.compressedSize), field["delivered"]);
        if (given("crc")) { EXPECT_EQ(Crc32Of(e.bytes), std::stoul(field["crc"], nullptr, 16)); }
        EXPECT_EQ(zip->reader->crcMismatch, field["mismatch"] == "1");
        if (e.code != kZipOk) continue;
        EXPECT_EQ(zip->reader->currentIndex, kZipNoItem) << "a finished extraction consumes the item";
        char one = 0;
        EXPECT_EQ(ZipExtractToMemory(zip->reader.get(), &one, 1, &e.info), kZipBadArgument);
    }
}

// How far back the end record is looked for is tabled (cases.tsv).
TEST(ZipReaderTest, EndRecordIsFoundAcrossTheBordersOfTheSearchWindows) {
    const std::string song = "<?xml version=\"1.0\"?><RenoiseSong/>";
    // Signatures at every offset around the first window borders, so one
    // straddles each border: the windows overlap and none is missed. The
    // padding keeps the windows from being clamped at the start of the file.
    const ZipEntrySpec padding = Entry("pad", std::string(8000, 'p'), kZipWriterStored);
    for (size_t length = 1000; length < 1070; ++length) {
        for (const size_t comment : {length, length + 1024}) {
            EXPECT_EQ(Open(BuildZip({padding, Entry("Song.xml", song)}, std::string(comment, 'c')))->code, kZipOk)
                << "comment " << comment;
        }
    }
}

// Songs are opened from their files by SongReaderTest, locked ones by
// DamagedCollectionTest (and a folder is refused by the file layer, as the
// binary songs' loader shows); here names too long to look for. The longest
// name kept is 259 bytes.
TEST(ZipReaderTest, NamesLongerThan255BytesAreRefused) {
    auto zip = Open(BuildZip({Entry(std::string(300, 'n'), "x")}));
    ZipItemInfo info = Wanted(std::string(255, 'n'));
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipNoSuchItem);
    std::memset(info.name, 'n', sizeof(info.name));  // not even terminated
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipBadArgument);
    info = Wanted(std::string(256, 'n'));
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipBadArgument);
    EXPECT_EQ(zip->reader->lastResult, kZipBadArgument);
}

// The CRC-32 of delivered bytes is folded 64 bytes at a time where the
// processor allows and finished byte by byte: delivered in pieces of every
// length around those sizes, into buffers at every alignment, it must still
// be zlib's CRC-32 of the item. Each piece but the last fills its buffer.
// Random bytes deflate to stored blocks; half of the deflated items are of
// words, which deflate to real ones.
TEST(ZipReaderTest, CrcOfDeliveredBytesIsZlibsForPiecesOfAnyLength) {
    std::string random(300000, '\0');
    uint32_t seed = 99;
    for (char& c : random) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    const std::string words = Pattern(random.size());
    const size_t pieces[] = {1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 1000, 4096, 16383, 16385, 70001};
    for (uint16_t method : {kZipWriterStored, kZipWriterDeflated}) {
        for (const size_t piece : pieces) {
            SCOPED_TRACE(testing::Message() << "method " << method << ", pieces of " << piece);
            const std::string& source = method == kZipWriterDeflated && piece % 2 == 0 ? words : random;
            const std::string data = source.substr(0, piece * 3 + piece / 2 + 7);
            auto zip = Open(BuildZip({Entry("Song.xml", data, method)}));
            ZipItemInfo info = Wanted("Song.xml");
            ASSERT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipOk);
            std::string out(data.size() + 16, '\0');
            size_t done = 0;
            int code = kZipMoreData;
            for (size_t round = 0; code == kZipMoreData; ++round) {
                const size_t offset = round % 16;  // buffers at every alignment
                std::string buffer(piece + offset, '\0');
                code = ZipExtractToMemory(zip->reader.get(), buffer.data() + offset, static_cast<uint32_t>(piece),
                                          &info);
                if (code == kZipMoreData) { EXPECT_EQ(info.compressedSize, piece); }
                out.replace(done, info.compressedSize, buffer, offset, info.compressedSize);
                done += info.compressedSize;
            }
            EXPECT_EQ(code, kZipOk);
            EXPECT_EQ(out.substr(0, done), data);
            EXPECT_EQ(zip->reader->deliveredCrc, Crc32Of(data));
            EXPECT_FALSE(zip->reader->crcMismatch);
        }
    }
}
