#include "inventory/WineRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "platform/Registry.h"
#include "support/Bytes.h"
#include "support/WinePrefix.h"

namespace {

int Parse(const std::string& text, WineRegistry& registry) {
    KeepSeed("winereg", text);
    return WineRegistryParse(text.data(), text.size(), &registry);
}

class WineRegistryPrefixTest : public ::testing::Test {
protected:
    void TearDown() override { RegistrySetWinePrefix(""); }
    TempFolder temp;
};

// The key's default value, or "<false>".
std::string Query(RegistryKey* key) {
    char buffer[260];
    return RegistryQueryString(key, nullptr, buffer, sizeof buffer) ? buffer : "<false>";
}

}  // namespace

// What the lines of a registry hold, quirks.reg checks; whether a text is one
// at all, the rows of registry-headers.tsv.
TEST(WineRegistryTest, OnlyAFileWithTheHeaderIsARegistry) {
    for (const auto& row : ReadTableRows("inventory/registry-headers.tsv")) {
        WineRegistry registry;
        const int result = std::stoi(row.at(1));
        EXPECT_EQ(Parse(Unescape(row[0]), registry), result) << row[0];
        const WineRegistryValue* value = WineRegistryFindValue(registry, WineRegistryFind(registry, 0, "a"), nullptr);
        EXPECT_EQ(value ? value->data : "<none>", result ? "x" : "<none>") << row[0];
    }
    WineRegistry registry;
    EXPECT_EQ(Parse("", registry), 0);
    EXPECT_EQ(WineRegistryParse(nullptr, 0, &registry), 0);
}

TEST(WineRegistryTest, KeysIgnoreLetterCaseAndLinesItCannotUseAreSkipped) {
    const std::string text = ReadTestData("inventory/quirks.reg");
    WineRegistry registry;
    ASSERT_EQ(Parse(text, registry), 1);
    std::istringstream lines(text);
    size_t checks = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::string kind = line.substr(0, 3);
        if (kind != ";= " && kind != ";x " && kind != ";/ ") continue;
        const size_t bar = line.find('|', 3), bar2 = line.find('|', bar + 1);
        const std::string path = line.substr(3, bar - 3), name = line.substr(bar + 1, bar2 - bar - 1);
        const uint32_t key = WineRegistryFind(registry, 0, path.c_str());
        const WineRegistryValue* value = WineRegistryFindValue(registry, key, name == "@" ? nullptr : name.c_str());
        std::string got = key == kWineNoKey ? "<no key>" : value ? value->data : "<none>";
        if (kind == ";/ ") got.clear();
        for (uint32_t i = 0, child; kind == ";/ " && (child = WineRegistrySubkey(registry, key, i)) != kWineNoKey; ++i)
            got += (i ? " " : "") + registry.keys[child].name;
        const std::string data = kind == ";/ " ? name : line.substr(bar2 + 1);
        EXPECT_EQ(got, kind == ";x " ? FromHex(data) : data) << line;
        ++checks;
    }
    EXPECT_EQ(checks, 37u);
    const WineRegistryValue* path = WineRegistryFindValue(registry, WineRegistryFind(registry, 0, "A"), "Path");
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(path->expand);
    EXPECT_EQ(WineRegistryFind(registry, 0, ""), 0u) << "the empty path is the key itself";
}

TEST_F(WineRegistryPrefixTest, MachineKeysComeFromThePrefixSystemRegAndLibraryPathsLeadIntoIt) {
    RegistrySetWinePrefix("");
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix";
    EXPECT_EQ(RegistryLocalPath("C:\\x.dll"), "");
    const std::string prefix = temp.Path("prefix");
    RegistrySetWinePrefix(prefix.c_str());
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix folder";
    ASSERT_TRUE(MakeWinePrefix(prefix, ReadTestData("inventory/prefix/first.reg")));  // {1} Waves One, {2} Waves Two
    // What the keys hold, how names and values are enumerated and how buffers
    // bound them, the Waves scans (ScanTest) check.
    RegistryKeyPtr one(RegistryOpenMachineKey("software\\classes\\clsid\\{1}"));
    EXPECT_EQ(Query(one.get()), "Waves One");

    // Each row of local-paths.tsv: a stored path and where it leads in the prefix.
    temp.Write("prefix/drive_c/Program Files/Waves/WaveShell1-VST 14.0_x64.dll", "x");
    temp.Write("prefix/drive_c/Program Files/Waves/waveshell1-vst 14.0_x64.dll", "x");
    for (const auto& row : ReadTableRows("inventory/local-paths.tsv"))
        EXPECT_EQ(RegistryLocalPath(row[0].c_str()), row.size() > 1 ? prefix + "/" + row[1] : "") << row[0];
    EXPECT_EQ(RegistryLocalPath(""), "");

    // A rewritten file is read again; a key opened before keeps its own view.
    ASSERT_TRUE(MakeWinePrefix(prefix, ReadTestData("inventory/prefix/rewritten.reg")));  // {1} Waves Renamed
    std::filesystem::last_write_time(prefix + "/system.reg",
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    RegistryKeyPtr again(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{1}"));
    EXPECT_EQ(Query(again.get()), "Waves Renamed");
    EXPECT_EQ(Query(one.get()), "Waves One");
    EXPECT_EQ(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{2}"), nullptr);

    std::filesystem::remove(prefix + "/system.reg");
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no system.reg";
    RegistryCloseKey(nullptr);
}
