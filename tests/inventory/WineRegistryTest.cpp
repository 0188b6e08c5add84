#include "inventory/WineRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "platform/Registry.h"
#include "support/WineRegWriter.h"
#include "harness/Seeds.h"

namespace {

const std::string kHeader = "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n";

WineRegistry Parse(const std::string& text, int* result = nullptr) {
    KeepSeed("winereg", text);
    WineRegistry registry;
    const int r = WineRegistryParse(text.data(), text.size(), &registry);
    if (result) *result = r;
    return registry;
}

// The default value of a key, or "<none>".
std::string DefaultOf(const WineRegistry& registry, const char* path) {
    const WineRegistryValue* value = WineRegistryFindValue(registry, WineRegistryFind(registry, 0, path), nullptr);
    return value ? value->data : "<none>";
}

std::vector<std::string> SubkeyNames(const WineRegistry& registry, const char* path) {
    std::vector<std::string> names;
    const uint32_t key = WineRegistryFind(registry, 0, path);
    for (uint32_t i = 0;; ++i) {
        const uint32_t child = WineRegistrySubkey(registry, key, i);
        if (child == kWineNoKey) break;
        names.push_back(registry.keys[child].name);
    }
    return names;
}

class WineRegistryPrefixTest : public ::testing::Test {
protected:
    void TearDown() override { RegistrySetWinePrefix(""); }
    TempFolder temp;
};

std::string Query(RegistryKey* key, const char* name, uint32_t size = 260) {
    std::vector<char> buffer(size, 'x');
    if (!RegistryQueryString(key, name, buffer.data(), size)) return buffer[0] ? "<dirty>" : "<false>";
    return buffer.data();
}

}  // namespace

// The escapes that need no control bytes are in quirks.reg.
TEST(WineRegistryTest, OnlyAFileWithTheHeaderIsARegistryAndItsStringEscapesBecomeUtf8) {
    struct Case {
        std::string text;
        int result;
        std::string valueOfA;
    };
    // A file whose key A has the default value stored between the quotes of @="...".
    const auto Value = [](const char* stored) { return kHeader + "[A] 1\n@=\"" + stored + "\"\n"; };
    const Case cases[] = {
        {"WINE REGISTRY Version 2\n[A] 1\n@=\"x\"\n", 1, "x"},
        {"WINE REGISTRY Version 2\r\n[A] 1\r\n@=\"x\"\r\n", 1, "x"},  // CR LF lines
        {"WINE REGISTRY Version 2\n[A] 1\n@=\"x\"", 1, "x"},              // no line end at the end
        {"WINE REGISTRY Version 1\n[A] 1\n@=\"x\"\n", 0, "<none>"},
        {"REGEDIT4\n[A]\n@=\"x\"\n", 0, "<none>"},
        {"", 0, "<none>"},
        {Value("a\\nb\\rc\\td"), 1, "a\nb\rc\td"},                    // C escapes
        {Value("\\a\\b\\v\\f\\e"), 1, "\a\b\v\f\x1b"},
        {Value("a\\0b"), 1, std::string("a\0b", 3)},                  // octal zero, kept inside the data
        {Value(""), 1, ""},
    };
    for (const Case& c : cases) {
        int result = -1;
        const WineRegistry registry = Parse(c.text, &result);
        EXPECT_EQ(result, c.result) << c.text;
        EXPECT_EQ(DefaultOf(registry, "a"), c.valueOfA) << c.text;
    }
    WineRegistry registry;
    EXPECT_EQ(WineRegistryParse(nullptr, 0, &registry), 0);
}

TEST(WineRegistryTest, KeysIgnoreLetterCaseAndLinesItCannotUseAreSkipped) {
    const std::string text = ReadFileBytes(SourcePath("tests/data/inventory/quirks.reg"));
    // A key name longer than any key can be is lost with its values.
    const WineRegistry registry = Parse(text + "[" + std::string(256, 'k') + "] 1\n@=\"lost\"\n[" +
                                        std::string(255, 'k') + "] 1\n@=\"kept\"\n");
    std::istringstream lines(text);
    size_t checks = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(";= ", 0) != 0) continue;
        const size_t bar = line.find('|', 3), bar2 = line.find('|', bar + 1);
        const std::string path = line.substr(3, bar - 3), name = line.substr(bar + 1, bar2 - bar - 1);
        const uint32_t key = WineRegistryFind(registry, 0, path.c_str());
        const WineRegistryValue* value = WineRegistryFindValue(registry, key, name == "@" ? nullptr : name.c_str());
        EXPECT_EQ(key == kWineNoKey ? "<no key>" : value ? value->data : "<none>", line.substr(bar2 + 1)) << line;
        ++checks;
    }
    EXPECT_EQ(checks, 29u);
    EXPECT_EQ(SubkeyNames(registry, "Software\\Classes\\CLSID"), (std::vector<std::string>{"{a}", "{B}", "{C}"}));
    EXPECT_EQ(SubkeyNames(registry, ""), (std::vector<std::string>{"A", "Escapes", std::string(255, 'k'), "Software"}));
    const WineRegistryValue* path = WineRegistryFindValue(registry, WineRegistryFind(registry, 0, "A"), "Path");
    ASSERT_NE(path, nullptr);
    EXPECT_TRUE(path->expand);
    EXPECT_EQ(WineRegistryFind(registry, 0, ""), 0u) << "the empty path is the key itself";
    EXPECT_EQ(WineRegistryFind(registry, 0, "Software\\\\Classes\\"), WineRegistryFind(registry, 0, "Software\\Classes"));
}

TEST_F(WineRegistryPrefixTest, MachineKeysComeFromThePrefixSystemReg) {
    RegistrySetWinePrefix("");
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix";
    const std::string prefix = temp.Path("prefix");
    RegistrySetWinePrefix(prefix.c_str());
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix folder";
    ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg({{"{1}", "Waves One", "C:\\w\\one.dll", true, true},
                                                      {"{2}", std::string(259, 'W'), "C:\\w\\two.dll", true, true}})));
    // What the keys hold, how names and values are enumerated and how buffers
    // bound them, the Waves scans (ScanTest) check.
    RegistryKeyPtr one(RegistryOpenMachineKey("software\\classes\\clsid\\{1}"));
    EXPECT_EQ(Query(one.get(), nullptr), "Waves One");

    // A rewritten file is read again; a key opened before keeps its own view.
    ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg({{"{1}", "Waves Renamed", "C:\\w\\one.dll", true, true}})));
    std::filesystem::last_write_time(prefix + "/system.reg",
                                     std::filesystem::file_time_type::clock::now() + std::chrono::seconds(5));
    RegistryKeyPtr again(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{1}"));
    EXPECT_EQ(Query(again.get(), nullptr), "Waves Renamed");
    EXPECT_EQ(Query(one.get(), nullptr), "Waves One");
    EXPECT_EQ(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{2}"), nullptr);

    std::filesystem::remove(prefix + "/system.reg");
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no system.reg";
    RegistryCloseKey(nullptr);
}

TEST_F(WineRegistryPrefixTest, LibraryPathsLeadIntoThePrefixWhateverTheirLetterCase) {
    const std::string prefix = temp.Path("prefix");
    ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg({})));
    const std::string real = temp.Write("prefix/drive_c/Program Files/Waves/WaveShell1-VST 14.0_x64.dll", "x");
    const std::string viaLink = prefix + "/dosdevices/c:/Program Files/Waves/WaveShell1-VST 14.0_x64.dll";
    RegistrySetWinePrefix(prefix.c_str());
    struct Case {
        const char* stored;
        std::string local;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Waves\\WaveShell1-VST 14.0_x64.dll", viaLink},
        {"c:\\PROGRAM FILES\\waves\\waveshell1-vst 14.0_X64.DLL", viaLink},
        {"C:/Program Files/Waves/./x/../WaveShell1-VST 14.0_x64.dll", viaLink},
        {"C:\\..\\..\\Program Files\\\\Waves\\WaveShell1-VST 14.0_x64.dll", viaLink},
        {"C:\\Program Files\\Waves\\Missing.dll", prefix + "/dosdevices/c:/Program Files/Waves/Missing.dll"},
        {"D:\\x.dll", prefix + "/dosdevices/d:/x.dll"},
        {"%ProgramFiles%\\Waves\\x.dll", ""},
        {"WaveShell.dll", ""},
        {"\\\\server\\share\\x.dll", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(RegistryLocalPath(c.stored), c.local) << c.stored;
    EXPECT_TRUE(std::filesystem::equivalent(RegistryLocalPath("C:\\program files\\WAVES\\WaveShell1-VST 14.0_x64.dll"),
                                            real));
    RegistrySetWinePrefix("");
    EXPECT_EQ(RegistryLocalPath("C:\\x.dll"), "");
}
