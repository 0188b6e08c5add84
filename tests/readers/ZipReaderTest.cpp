#include "readers/ZipReader.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/Text.h"
#include "support/Bytes.h"
#include "support/ZipWriter.h"
#include "harness/Seeds.h"

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

Extraction FindAndExtract(ZipReader* reader, const std::string& name, long length = -1) {
    Extraction e;
    e.info = Wanted(name);
    e.findCode = ZipFindItem(reader, &e.info, 1);
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

std::string CurrentFolderWithSeparator() {
    std::string folder;
    GetCurrentFolder(folder);
    if (folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
    return folder;
}

}  // namespace

TEST(ZipReaderTest, EndRecordIsFoundWithinTheLast65535BytesOnly) {
    const std::string song = "<?xml version=\"1.0\"?><RenoiseSong/>";
    struct Case {
        size_t commentLength;
        int openCode;
        const char* why;
    };
    const Case cases[] = {
        {0, kZipOk, "no comment"},
        {65535 - 22, kZipOk, "the record starts exactly 65535 bytes before the end"},
        {65535 - 22 + 1, kZipCorrupt, "one byte further is out of reach"},
        {65535, kZipCorrupt, "the longest comment"},
    };
    for (const Case& c : cases) {
        ZipBuildOptions options;
        options.comment = std::string(c.commentLength, 'c');
        auto zip = Open(BuildZip({Entry("Song.xml", song)}, options));
        EXPECT_EQ(zip->code, c.openCode) << c.why;
        if (zip->code == kZipOk) { EXPECT_EQ(FindAndExtract(zip->reader.get(), "Song.xml").bytes, song) << c.why; }
    }
    // Signatures at every offset around the first window borders, so one
    // straddles each border: the windows overlap and none is missed. The
    // padding keeps the windows from being clamped at the start of the file.
    const ZipEntrySpec padding = Entry("pad", std::string(8000, 'p'), kZipWriterStored);
    for (size_t length = 1000; length < 1070; ++length) {
        ZipBuildOptions options;
        options.comment = std::string(length, 'c');
        EXPECT_EQ(Open(BuildZip({padding, Entry("Song.xml", song)}, options))->code, kZipOk) << "comment " << length;
        options.comment = std::string(length + 1024, 'c');
        EXPECT_EQ(Open(BuildZip({padding, Entry("Song.xml", song)}, options))->code, kZipOk)
            << "comment " << length + 1024;
    }
    // The record nearest the end wins, even when it lives inside the comment.
    ZipBuildOptions fake;
    fake.comment = std::string(100, 'c') + FromHex("50 4B 05 06 01 00 00 00 01 00 01 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(Open(BuildZip({Entry("Song.xml", song)}, fake))->code, kZipUnsupported);
}

TEST(ZipReaderTest, OpenRejectsWhatIsNoArchive) {
    const std::string good = BuildZip({Entry("Song.xml", "<a/>")});
    ZipBuildOptions overflow;
    overflow.directoryOffset = 0xFFFFFFF0u;  // offset + size wraps in 32 bits
    overflow.directorySize = 0x20;
    ZipBuildOptions beyond;
    beyond.directorySize = 0x10000;  // the directory would end behind the end record
    ZipBuildOptions thisDisk;
    thisDisk.thisDisk = 1;
    ZipBuildOptions directoryDisk;
    directoryDisk.directoryDisk = 2;
    ZipBuildOptions countsDiffer;
    countsDiffer.entriesTotal = 2;
    struct Case {
        std::string bytes;
        int code;
        const char* why;
    };
    const Case cases[] = {
        {"", kZipCorrupt, "empty file"},
        {FromHex("50 4B 05 06"), kZipCorrupt, "4 bytes are never searched"},
        {FromHex("1F 8B 08 00"), kZipCorrupt, "a gzip signature without a header"},
        {std::string(5000, 'x'), kZipCorrupt, "no end record"},
        {good.substr(0, good.size() - 1), kZipCorrupt, "end record cut short"},
        {BuildZip({Entry("Song.xml", "<a/>")}, overflow), kZipCorrupt, "directory offset near 4 GiB"},
        {BuildZip({Entry("Song.xml", "<a/>")}, beyond), kZipCorrupt, "directory longer than the archive"},
        {BuildZip({Entry("Song.xml", "<a/>")}, thisDisk), kZipUnsupported, "disk 1"},
        {BuildZip({Entry("Song.xml", "<a/>")}, directoryDisk), kZipUnsupported, "directory on disk 2"},
        {BuildZip({Entry("Song.xml", "<a/>")}, countsDiffer), kZipUnsupported, "entries on several disks"},
    };
    for (const Case& c : cases) {
        auto zip = Open(c.bytes);
        EXPECT_EQ(zip->code, c.code) << c.why;
        EXPECT_EQ(zip->reader == nullptr, c.code != kZipOk) << c.why;
    }
}

TEST(ZipReaderTest, OpenFileReadsFromDiskAndReportsWhatCannotBeOpened) {
    TempFolder temp;
    const std::string path = temp.Write("Demo.xrns", BuildZip({Entry("Song.xml", "<?xml x?>")}));
    ZipReader* reader = nullptr;
    ASSERT_EQ(ZipOpenFile(path.c_str(), nullptr, &reader), kZipOk);
    ZipPtr owned(reader);
    EXPECT_EQ(FindAndExtract(reader, "Song.xml").bytes, "<?xml x?>");
    EXPECT_EQ(ZipOpenFile(temp.Path("missing.xrns").c_str(), nullptr, &reader), kZipCannotOpen);
    EXPECT_EQ(ZipOpenFile(temp.MakeFolder("folder.xrns").c_str(), nullptr, &reader), kZipCannotOpen);
    EXPECT_EQ(reader, nullptr);
    EXPECT_EQ(ZipClose(nullptr), kZipBadArgument);
}

TEST(ZipReaderTest, NamesCompareWholeAndOnlyIgnoreCaseWhenAsked) {
    struct Case {
        const char* stored;
        const char* wanted;
        unsigned flags;
        int code;
    };
    const Case cases[] = {
        {"Song.xml", "Song.xml", 0, kZipOk},
        {"song.xml", "Song.xml", 1, kZipOk},
        {"SONG.XML", "Song.xml", 1, kZipOk},
        {"song.xml", "Song.xml", 0, kZipNoSuchItem},
        {"Songs/Song.xml", "Song.xml", 1, kZipNoSuchItem},
        {"Song.xml.bak", "Song.xml", 1, kZipNoSuchItem},
        {"Songs/Song.xml", "Songs\\Song.xml", 1, kZipOk},
        {"Song.xml", "", 1, kZipNoSuchItem},
    };
    for (const Case& c : cases) {
        auto zip = Open(BuildZip({Entry("Other.xml", "x"), Entry(c.stored, "<a/>")}));
        ASSERT_EQ(zip->code, kZipOk);
        ZipItemInfo info = Wanted(c.wanted);
        EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, c.flags), c.code) << c.stored << " for " << c.wanted;
        if (c.code == kZipOk) { EXPECT_EQ(info.index, 1u); }
    }
    // The longest name kept is 259 bytes; the longest name looked for is 255.
    const std::string longName(300, 'n');
    auto zip = Open(BuildZip({Entry(longName, "x")}));
    ZipItemInfo info = Wanted(std::string(255, 'n'));
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipNoSuchItem);
    std::memset(info.name, 'n', sizeof(info.name));  // not even terminated
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipBadArgument);
    info = Wanted(std::string(256, 'n'));
    EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipBadArgument);
    EXPECT_EQ(zip->reader->lastResult, kZipBadArgument);
}

TEST(ZipReaderTest, FindReportsEmptyDamagedAndUnsupportedDirectories) {
    ZipEntrySpec bzip2 = Entry("Song.xml", "<a/>", 12);
    ZipEntrySpec longName = Entry("Song.xml", "<a/>");
    longName.centralNameLength = 2000;  // runs into the end record
    ZipBuildOptions moreEntries;
    moreEntries.entriesOnDisk = moreEntries.entriesTotal = 3;
    ZipBuildOptions badOffset;
    badOffset.directoryOffset = 0;  // points at a local header
    badOffset.directorySize = 0;
    struct Case {
        std::string bytes;
        int code;
        const char* why;
    };
    const Case cases[] = {
        {BuildZip({}), kZipNoSuchItem, "no entries"},
        {BuildZip({bzip2}), kZipUnsupported, "method 12"},
        {BuildZip({Entry("Other", "x", 12), Entry("Song.xml", "<a/>")}), kZipOk, "only the match's method counts"},
        {BuildZip({longName}), kZipCorrupt, "name runs past the archive"},
        {BuildZip({Entry("a", "1"), Entry("b", "2")}, moreEntries), kZipCorrupt, "third record is the end record"},
        {BuildZip({Entry("Song.xml", "<a/>")}, badOffset), kZipCorrupt, "wrong record signature"},
    };
    for (const Case& c : cases) {
        auto zip = Open(c.bytes);
        ASSERT_EQ(zip->code, kZipOk) << c.why;
        ZipItemInfo info = Wanted("Song.xml");
        EXPECT_EQ(ZipFindItem(zip->reader.get(), &info, 1), c.code) << c.why;
        EXPECT_EQ(zip->reader->currentIndex, c.code == kZipOk ? 1u : kZipNoItem) << c.why;
    }
}

TEST(ZipReaderTest, ExtractsStoredAndDeflatedItemsWhole) {
    std::string allBytes(300000, '\0');
    for (size_t i = 0; i < allBytes.size(); ++i) allBytes[i] = static_cast<char>(i * 7 + i / 251);
    ZipEntrySpec described = Entry("Song.xml", Pattern(50000));
    described.flags = 0x0008;  // sizes in a data descriptor after the data
    ZipBuildOptions stub;
    stub.prefix = "MZ" + std::string(6000, '\x90');
    struct Case {
        ZipEntrySpec entry;
        ZipBuildOptions options;
        const char* why;
    };
    const Case cases[] = {
        {Entry("Song.xml", allBytes, kZipWriterStored), {}, "stored, byte for byte, many input pieces"},
        {Entry("Song.xml", Pattern(4 << 20)), {}, "deflated, 4 MiB"},
        {Entry("Song.xml", ""), {}, "empty deflated item"},
        {Entry("Song.xml", "", kZipWriterStored), {}, "empty stored item"},
        {described, {}, "data descriptor"},
        {Entry("Song.xml", Pattern(70000)), stub, "self-extractor stub in front"},
    };
    for (const Case& c : cases) {
        auto zip = Open(BuildZip({Entry("readme.txt", "hello"), c.entry}, c.options));
        ASSERT_EQ(zip->code, kZipOk) << c.why;
        Extraction e = FindAndExtract(zip->reader.get(), "Song.xml");
        ASSERT_EQ(e.findCode, kZipOk) << c.why;
        EXPECT_EQ(e.code, kZipOk) << c.why;
        EXPECT_EQ(e.info.compressedSize, c.entry.data.size()) << c.why;
        EXPECT_TRUE(e.bytes == c.entry.data) << c.why;
        EXPECT_FALSE(zip->reader->crcMismatch) << c.why;
        EXPECT_EQ(zip->reader->currentIndex, kZipNoItem) << "a finished extraction consumes the item";
        EXPECT_EQ(ZipExtractToMemory(zip->reader.get(), e.bytes.data(), 1, &e.info), kZipBadArgument);
    }
}

TEST(ZipReaderTest, ShortBufferDeliversExactlyItsLengthAndContinues) {
    const std::string data = Pattern(40000);
    for (uint16_t method : {kZipWriterStored, kZipWriterDeflated}) {
        auto zip = Open(BuildZip({Entry("Song.xml", data, method)}));
        Extraction first = FindAndExtract(zip->reader.get(), "Song.xml", 1000);
        EXPECT_EQ(first.code, kZipMoreData);
        EXPECT_EQ(first.info.compressedSize, 1000u);
        EXPECT_EQ(first.bytes, data.substr(0, 1000));
        std::string rest(data.size(), '\0');
        EXPECT_EQ(ZipExtractToMemory(zip->reader.get(), rest.data(), static_cast<uint32_t>(rest.size()), &first.info),
                  kZipOk);
        EXPECT_EQ(rest.substr(0, first.info.compressedSize), data.substr(1000));
    }
}

// The CRC-32 of delivered bytes is folded 64 bytes at a time where the
// processor allows and finished byte by byte: delivered in pieces of every
// length around those sizes, into buffers at every alignment, it must still
// be zlib's CRC-32 of the item.
TEST(ZipReaderTest, CrcOfDeliveredBytesIsZlibsForPiecesOfAnyLength) {
    std::string random(300000, '\0');
    uint32_t seed = 99;
    for (char& c : random) {
        seed = seed * 1664525u + 1013904223u;
        c = static_cast<char>(seed >> 24);
    }
    const size_t pieces[] = {1, 15, 16, 17, 63, 64, 65, 127, 128, 129, 1000, 4096, 16383, 16385, 70001};
    for (uint16_t method : {kZipWriterStored, kZipWriterDeflated}) {
        for (const size_t piece : pieces) {
            SCOPED_TRACE(testing::Message() << "method " << method << ", pieces of " << piece);
            const std::string data = random.substr(0, piece * 3 + piece / 2 + 7);
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

TEST(ZipReaderTest, DamagedOrMissingDataEndsWithTheBytesBeforeTheDamage) {
    const std::string head = "<?xml version=\"1.0\"?>";
    ByteWriter broken;
    broken.U8(0x00)                               // stored block, not the last
        .U16(static_cast<uint16_t>(head.size()))  // LEN
        .U16(static_cast<uint16_t>(~head.size()))  // NLEN
        .Raw(head)
        .U8(0x07)  // last block of the reserved type 3
        .Zeros(16);
    ZipEntrySpec damaged = Entry("Song.xml", head + "<RenoiseSong/>");
    damaged.payload = broken.bytes;
    const std::string full = Pattern(100000);
    const std::string deflated = DeflateRaw(full);
    ZipEntrySpec cut = Entry("Song.xml", full);
    cut.payload = deflated.substr(0, deflated.size() / 2);
    ZipEntrySpec longer = Entry("Song.xml", "<a/>");
    longer.uncompressedSize = 100;  // the stream ends after 4 bytes
    ZipEntrySpec storedShort = Entry("Song.xml", "<a/>", kZipWriterStored);
    storedShort.uncompressedSize = 100;
    ZipEntrySpec pastEnd = Entry("Song.xml", std::string(3000, 's'), kZipWriterStored);
    pastEnd.compressedSize = pastEnd.uncompressedSize = 0x7FFFFFF0;  // far behind the end of the file
    ZipEntrySpec noLocal = Entry("Song.xml", "<a/>");
    noLocal.localHeaderOffset = 0x7FFFFFF0;
    ZipEntrySpec wrongCrc = Entry("Song.xml", "<a/>");
    wrongCrc.crc = 0x12345678;
    constexpr size_t kSome = SIZE_MAX;  // some bytes, not all
    struct Case {
        ZipEntrySpec entry;
        int code;
        size_t delivered;
        bool crcMismatch;
        const char* why;
    };
    const Case cases[] = {
        {damaged, kZipBadData, head.size(), false, "bad block type after a good block"},
        {cut, kZipBadData, kSome, false, "deflate stream cut in half"},
        {longer, kZipMoreData, 4, false, "stream ends before the declared size"},
        {storedShort, kZipMoreData, 4, false, "stored data ends before the declared size"},
        {pastEnd, kZipReadFailed, kSome, false, "data runs past the end of the file"},
        {noLocal, kZipReadFailed, 0, false, "local header beyond the file"},
        {wrongCrc, kZipOk, 4, true, "a CRC mismatch is delivered anyway"},
    };
    for (const Case& c : cases) {
        auto zip = Open(BuildZip({c.entry}));
        ASSERT_EQ(zip->code, kZipOk) << c.why;
        const uint32_t size = std::min<uint32_t>(c.entry.uncompressedSize.value_or(1 << 20), 1 << 20);
        Extraction e = FindAndExtract(zip->reader.get(), "Song.xml", size);
        EXPECT_EQ(e.code, c.code) << c.why;
        if (c.delivered == kSome)
            EXPECT_TRUE(e.info.compressedSize > 0 && e.info.compressedSize < size) << c.why;
        else
            EXPECT_EQ(e.info.compressedSize, c.delivered) << c.why;
        const size_t common = std::min(e.bytes.size(), c.entry.data.size());
        EXPECT_TRUE(e.bytes.compare(0, common, c.entry.data, 0, common) == 0) << c.why << ": the item's beginning";
        EXPECT_EQ(zip->reader->crcMismatch, c.crcMismatch) << c.why;
    }
}

TEST(ZipReaderTest, EncryptedItemsNeedTheRightPassword) {
    const std::string data = Pattern(30000);
    ZipEntrySpec deflated = Entry("Song.xml", data);
    deflated.password = "secret";
    ZipEntrySpec stored = Entry("Song.xml", data, kZipWriterStored);
    stored.password = "secret";
    ZipEntrySpec described = Entry("Song.xml", data);
    described.password = "secret";
    described.flags = 0x0008;  // the check byte then comes from the time
    struct Case {
        ZipEntrySpec entry;
        const char* password;
        int code;
    };
    const Case cases[] = {
        {deflated, nullptr, kZipWrongPassword}, {deflated, "Secret", kZipWrongPassword},
        {deflated, "secret", kZipOk},           {stored, nullptr, kZipWrongPassword},
        {stored, "secret", kZipOk},             {described, "secret", kZipOk},
    };
    for (const Case& c : cases) {
        auto zip = Open(BuildZip({c.entry}), c.password);
        Extraction e = FindAndExtract(zip->reader.get(), "Song.xml");
        EXPECT_EQ(e.code, c.code) << (c.password ? c.password : "no password");
        if (c.code == kZipOk) { EXPECT_TRUE(e.bytes == data); }
        if (c.code != kZipOk) { EXPECT_EQ(e.info.compressedSize, 0u); }
    }
}

TEST(ZipReaderTest, GzipFileIsAnArchiveOfOneItem) {
    const std::string data = Pattern(20000);
    GzipSpec plain;
    plain.data = data;
    plain.name = "Song.xml";
    plain.modifyTime = 1262304000;  // 2010-01-01 00:00:00 UTC
    GzipSpec everything = plain;
    everything.extra = "AB\x02\x00xy";
    everything.comment = "made for a test";
    everything.headerCrc = true;
    GzipSpec nameless = plain;
    nameless.name.reset();
    GzipSpec cut = plain;
    cut.truncateTo = 14;  // inside the name
    struct Case {
        std::string bytes;
        const char* wanted;
        int openCode;
        int findCode;
        const char* why;
    };
    const Case cases[] = {
        {BuildGzip(plain), "song.XML", kZipOk, kZipOk, "found under its stored name"},
        {BuildGzip(everything), "Song.xml", kZipOk, kZipOk, "extra, comment and header CRC skipped"},
        {BuildGzip(nameless), "", kZipOk, kZipOk, "no name: the empty name"},
        {BuildGzip(nameless), "Song.xml", kZipOk, kZipNoSuchItem, "no name: nothing else"},
        {BuildGzip(cut), "Song.xml", kZipCorrupt, -1, "name without its end"},
    };
    for (const Case& c : cases) {
        auto zip = Open(c.bytes);
        ASSERT_EQ(zip->code, c.openCode) << c.why;
        if (c.openCode != kZipOk) continue;
        Extraction e = FindAndExtract(zip->reader.get(), c.wanted);
        ASSERT_EQ(e.findCode, c.findCode) << c.why;
        if (c.findCode != kZipOk) continue;
        EXPECT_EQ(e.code, kZipOk) << c.why;
        EXPECT_TRUE(e.bytes == data) << c.why;
        EXPECT_EQ(e.info.uncompressedSize, data.size()) << c.why;
        EXPECT_EQ(e.info.modifyTime, 1262304000ull * 10000000 + 116444736000000000ull) << c.why;
        EXPECT_FALSE(zip->reader->crcMismatch) << c.why;
    }
}

class ZipTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = getenv("TZ");
        hadTz = tz != nullptr;
        if (tz) savedTz = tz;
    }
    void TearDown() override {
        if (hadTz)
            setenv("TZ", savedTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    static void UseZone(const char* zone) {
        setenv("TZ", zone, 1);
        tzset();
    }
    bool hadTz = false;
    std::string savedTz;
};

TEST_F(ZipTimeTest, DosStampsAreLocalTimeAndUtBlocksOverrideThem) {
    constexpr uint64_t kNoon = 1276603200ull * 10000000 + 116444736000000000ull;  // 2010-06-15 12:00 UTC
    constexpr uint64_t kHour = 3600ull * 10000000;
    const auto ticks = [](int64_t unix) { return static_cast<uint64_t>(unix * 10000000) + 116444736000000000ull; };
    ZipEntrySpec plain = Entry("Song.xml", "x");  // 2010-06-15 12:00:00 local
    ZipEntrySpec all = plain;
    all.centralExtra = ExtraBlock(0x7875, "\x01\x04") + UnixTimeExtra(7, {1000000000, 1100000000, -86400});
    ZipEntrySpec modifyOnly = plain;
    modifyOnly.centralExtra = UnixTimeExtra(7, {1000000000});  // flags promise more than the block holds
    ZipEntrySpec noDate = plain;
    noDate.dosDate = 0;  // month 0, day 0
    struct Case {
        const char* zone;
        ZipEntrySpec entry;
        uint64_t modify, access, create;
        const char* why;
    };
    const Case cases[] = {
        {"UTC0", plain, kNoon, kNoon, kNoon, "DOS stamp in UTC"},
        {"XYZ-2", plain, kNoon - 2 * kHour, kNoon - 2 * kHour, kNoon - 2 * kHour, "local noon two hours east"},
        {"CET-1CEST,M3.5.0,M10.5.0/3", plain, kNoon - 2 * kHour, kNoon - 2 * kHour, kNoon - 2 * kHour,
         "the stamp's own date decides about summer time"},
        {"UTC0", all, ticks(1000000000), ticks(1100000000), ticks(-86400), "all three from UT"},
        {"UTC0", modifyOnly, ticks(1000000000), kNoon, kNoon, "only what the block holds"},
        {"UTC0", noDate, 0, 0, 0, "no real date"},
    };
    for (const Case& c : cases) {
        UseZone(c.zone);
        auto zip = Open(BuildZip({c.entry}));
        ZipItemInfo info = Wanted("Song.xml");
        ASSERT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipOk) << c.why;
        EXPECT_EQ(info.modifyTime, c.modify) << c.why;
        EXPECT_EQ(info.accessTime, c.access) << c.why;
        EXPECT_EQ(info.createTime, c.create) << c.why;
    }
}

TEST(ZipReaderTest, AttributesAndNameFollowTheHostSystemAndTheBaseFolder) {
    struct Case {
        uint16_t versionMadeBy;
        uint32_t external;
        uint32_t attributes;
    };
    const Case cases[] = {
        {0x0014, 0xFFFFFF27u, 0x27},  // MS-DOS: masked to read-only, hidden, system, archive
        {0x0B14, 0x00000010u, 0x10},  // NTFS: directory
        {0x0314, 0x41ED0000u, 0x30},  // Unix drwxr-xr-x: archive and directory
        {0x0314, 0x81A40000u, 0x20},  // Unix -rw-r--r--
        {0x0314, 0x81240000u, 0x21},  // Unix -r--r--r--: read-only
    };
    for (const Case& c : cases) {
        ZipEntrySpec e = Entry("Song.xml", "x");
        e.versionMadeBy = c.versionMadeBy;
        e.externalAttributes = c.external;
        auto zip = Open(BuildZip({e}));
        ZipItemInfo info = Wanted("Song.xml");
        ASSERT_EQ(ZipFindItem(zip->reader.get(), &info, 1), kZipOk);
        EXPECT_EQ(info.attributes, c.attributes) << std::hex << c.versionMadeBy << " " << c.external;
    }
    const std::string base = CurrentFolderWithSeparator();
    const std::string s(1, kPathSeparator);
    const std::pair<const char*, std::string> names[] = {
        {"Songs/Song.xml", "Songs" + s + "Song.xml"},
        {"//abs//x", "abs" + s + "x"},
        {"C:/dir/x", "dir" + s + "x"},
        {"a/../../etc/x", "etc" + s + "x"},
        {"../x", "x"},
        {"a/..b/x", "a" + s + "..b" + s + "x"},
    };
    for (const auto& [stored, cleaned] : names) {
        auto zip = Open(BuildZip({Entry(stored, "x")}));
        ZipItemInfo info = Wanted(stored);
        ASSERT_EQ(ZipFindItem(zip->reader.get(), &info, 0), kZipOk) << stored;
        EXPECT_EQ(std::string(info.name), (base + cleaned).substr(0, kZipNameSize - 1)) << stored;
    }
}

TEST(ZipReaderTest, EverySongOfTheCorpusYieldsItsSongXml) {
    const std::filesystem::path folder = SourcePath("tests/data/corpus/songs");
    size_t songs = 0;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        if (file.path().extension() != ".xrns") continue;
        ++songs;
        const std::string path = file.path().string();
        ZipReader* reader = nullptr;
        ASSERT_EQ(ZipOpenFile(path.c_str(), nullptr, &reader), kZipOk) << path;
        ZipPtr owned(reader);
        ZipItemInfo info = Wanted("Song.xml");
        ASSERT_EQ(ZipFindItem(reader, &info, 1), kZipOk) << path;
        HeapBuffer buffer = HeapAllocZeroed(info.uncompressedSize);
        ASSERT_TRUE(buffer);
        EXPECT_EQ(ZipExtractToMemory(reader, buffer.get(), info.uncompressedSize, &info), kZipOk) << path;
        EXPECT_EQ(info.compressedSize, info.uncompressedSize) << path;
        EXPECT_EQ(std::string(buffer.get(), 5), "<?xml") << path;
        EXPECT_FALSE(reader->crcMismatch) << path;
    }
    EXPECT_GE(songs, 10u);
}
