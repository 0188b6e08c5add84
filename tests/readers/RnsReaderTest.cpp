#include "readers/RnsReader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include "core/Results.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"

namespace {

constexpr char kPath[] = "/songs/demo.rns";
const std::string kChunksLine = "Error: /songs/demo.rns: Failed to parse the RNS file (chunks could not be found)!";

// The image sits at the very end of an exactly sized heap block, so that the
// address sanitizer reports any read past it.
std::unique_ptr<SongEntry> Read(const std::string& bytes) {
    KeepSeed("rns", bytes);
    std::unique_ptr<SongEntry> entry = NewSongEntry(kPath);
    HeapBuffer image = HeapAllocZeroed(bytes.size());
    if (!bytes.empty()) std::memcpy(image.get(), bytes.data(), bytes.size());
    ReadRnsSong(kPath, image.get(), bytes.size(), *entry);
    return entry;
}

// "name*count" per member, in set order.
std::vector<std::string> Members(const PluginSet& set) {
    std::vector<std::string> out;
    for (const auto& member : set.members) out.push_back(member.second.name + "*" + std::to_string(member.second.count));
    return out;
}

using Names = std::vector<std::string>;

}  // namespace

class RnsReaderTest : public CatalogueTest {};

// Tags, end markers and references are found sixteen offsets at a time by
// their first two bytes: at every alignment, among near-misses that begin
// like them (in the committed body), and with the last end marker on the
// last offset it may take. The accepted version texts take turns.
TEST_F(RnsReaderTest, FindsEverythingAtEveryAlignmentUpToTheLastOffset) {
    const std::string body = ReadTestData("rns/aligned-body.rns");
    for (size_t pad = 0; pad < 34; ++pad) {
        for (size_t trailing : {0, 1}) {
            ResetCatalogue();
            // RNS04 to RNS018, every one with trailing 1
            std::string version = "RNS0" + std::to_string(4 + (2 * pad + trailing) % 15);
            version.resize(9 + pad, '\0');
            auto entry = Read(version + body + std::string(trailing, '\0'));
            SCOPED_TRACE(testing::Message() << version.c_str() << ", pad " << pad << ", trailing " << trailing);
            if (trailing == 0) {  // the marker would end on the image's last byte: not seen
                EXPECT_EQ(ErrorList, std::vector<std::string>{kChunksLine});
                continue;
            }
            EXPECT_TRUE(ErrorList.empty());
            EXPECT_EQ(entry->songName.value_or("(absent)"), "Demo");
            EXPECT_EQ(entry->bpm, 125);
            EXPECT_EQ(Members(*entry->plugins), (Names{"Delay.dll*1", "Synth.dll*1"}));
        }
    }
}

TEST_F(RnsReaderTest, RecordPluginReferenceFormsTheNameCutTo259Bytes) {
    for (const auto& row : ReadTableRows("rns/references.tsv")) {
        ASSERT_EQ(row.size(), 3u);
        ResetCatalogue();
        auto entry = NewSongEntry(kPath);
        RecordPluginReference(row[0].c_str(), *entry);
        const Names expected = row[1] == "-" ? Names{} : Names{row[1] + "*1"};
        EXPECT_EQ(Members(*entry->plugins), expected) << row[2];
        EXPECT_EQ(Members(UsedPlugins), expected);
        EXPECT_EQ(Members(MissingPlugins), expected);
    }
}

TEST_F(RnsReaderTest, ScanVstReferencesStaysInsideTheImage) {
    const std::string reference("\x0a\0\0\0Vst: Delay\0\0", 16), bare = "Vst: Delay  ";
    for (const auto& row : ReadTableRows("rns/scans.tsv")) {
        ASSERT_EQ(row.size(), 6u);
        SCOPED_TRACE(row[5]);
        ResetCatalogue();
        const std::string& image = row[0] == "bare" ? bare : reference;
        auto entry = NewSongEntry(kPath);
        HeapBuffer block = HeapAllocZeroed(image.size());
        std::memcpy(block.get(), image.data(), image.size());
        const size_t length = row[2] == "max" ? SIZE_MAX : std::stoul(row[2]);
        ScanVstReferences(kPath, block.get(), image.size(), std::stoul(row[1]), length, *entry);
        EXPECT_EQ(ErrorList, row[3] == "1" ? Names{kChunksLine} : Names{});
        EXPECT_EQ(entry->plugins->count, std::stoul(row[4]));
    }
}

// A file that cannot be opened and an empty one are among the damaged
// collection (DamagedCollectionTest); here a folder, refused, and what the
// buffer held before is gone.
TEST_F(RnsReaderTest, LoadFileIntoMemoryRefusesAFolder) {
    TempFolder folder;
    const std::string path = folder.MakeFolder("folder.rns");
    HeapBuffer buffer = HeapAllocZeroed(4);
    size_t size = 99;
    EXPECT_EQ(LoadFileIntoMemory(path.c_str(), buffer, &size), 0);
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ErrorList, std::vector<std::string>{"Error: The file \"" + path + "\" could not be opened!"});
}

// Runs in the death test's child: limits the address space to what is in use
// plus 1 GiB, loads the file and exits 0 when exactly the memory line came.
[[noreturn]] static void LoadUnderBoundedAddressSpace(const std::string& path, const std::string& expected) {
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (rlim_t{1} << 30);
    const rlimit bounded{limit, limit};
    setrlimit(RLIMIT_AS, &bounded);
    HeapBuffer buffer;
    size_t size = 7;
    const int loaded = LoadFileIntoMemory(path.c_str(), buffer, &size);
    const bool right = loaded == 0 && !buffer && size == 0 && ErrorList.size() == 1 && ErrorList[0] == expected;
    std::_Exit(right ? 0 : 1);
}

// A file of 4 GiB + 1 must be taken at its full size, not as the 1 byte of
// its low 32 bits. The child's address space is limited so that the block
// cannot be had: the memory line proves that the full size was asked for.
TEST_F(RnsReaderTest, FileBeyondFourGigabytesIsNotCutTo32Bits) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's shadow memory needs an unlimited address space";
#endif
    TempFolder folder;
    const std::string path = folder.Write("huge.rns", "RNS018");
    std::error_code error;
    std::filesystem::resize_file(path, (uint64_t{1} << 32) + 1, error);  // sparse: no disk space used
    if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
    const std::string expected = "Error: Could not allocate enough memory for \"" + path + "\"!";
    EXPECT_EXIT(LoadUnderBoundedAddressSpace(path, expected), ::testing::ExitedWithCode(0), "");
}
