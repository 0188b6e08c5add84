#include "inventory/WineRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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

TEST(WineRegistryTest, StringEscapesBecomeUtf8) {
    struct Case {
        const char* stored;  // between the quotes of @="..."
        std::string text;
    };
    const Case cases[] = {
        {"C:\\\\Program Files\\\\x.dll", "C:\\Program Files\\x.dll"},  // \\ is one backslash
        {"say \\\"hi\\\"", "say \"hi\""},                               // \" is a quote
        {"a\\nb\\rc\\td", "a\nb\rc\td"},                                // C escapes
        {"\\a\\b\\v\\f\\e", "\a\b\v\f\x1b"},
        {"a\\0b", std::string("a\0b", 3)},                               // octal zero, kept inside the data
        {"\\101\\1010", "AA0"},                                          // octal: at most three digits
        {"caf\\xe9", "caf\xC3\xA9"},                                     // \x: a UTF-16 code unit
        {"\\x00e9t\\xe9", "\xC3\xA9t\xC3\xA9"},                          // four digits at most
        {"\\x20ac", "\xE2\x82\xAC"},                                     // three UTF-8 bytes
        {"\\xd83c\\xdfb9", "\xF0\x9F\x8E\xB9"},                          // a surrogate pair: one character
        {"\\xd83cx", "\xEF\xBF\xBDx"},                                   // a lone half: the replacement
        {"\\xdfb9", "\xEF\xBF\xBD"},
        {"\\xg", "xg"},                                                  // \x without digits is an x
        {"\\q\\[\\]", "q[]"},                                            // anything else stands for itself
        {"K\xC3\xB6ln", "K\xC3\xB6ln"},                                  // bytes outside escapes pass as they are
        {"", ""},
    };
    for (const Case& c : cases) {
        const WineRegistry registry = Parse(kHeader + "[Key] 1\n@=\"" + c.stored + "\"\n");
        EXPECT_EQ(DefaultOf(registry, "Key"), c.text) << c.stored;
    }
}

TEST(WineRegistryTest, OnlyAFileWithTheHeaderIsARegistry) {
    struct Case {
        std::string text;
        int result;
        const char* valueOfA;
    };
    const Case cases[] = {
        {"WINE REGISTRY Version 2\n[A] 1\n@=\"x\"\n", 1, "x"},
        {"WINE REGISTRY Version 2\r\n[A] 1\r\n@=\"x\"\r\n", 1, "x"},  // CR LF lines
        {"WINE REGISTRY Version 2\n[A] 1\n@=\"x\"", 1, "x"},              // no line end at the end
        {"WINE REGISTRY Version 1\n[A] 1\n@=\"x\"\n", 0, "<none>"},
        {"REGEDIT4\n[A]\n@=\"x\"\n", 0, "<none>"},
        {"", 0, "<none>"},
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

TEST(WineRegistryTest, KeysAndValueNamesIgnoreLetterCaseAndEnumerateInNameOrder) {
    const WineRegistry registry = Parse(kHeader +
                                        "[Software\\\\Classes\\\\CLSID\\\\{B}] 1\n@=\"second\"\n"
                                        "[software\\\\classes\\\\clsid\\\\{a}] 1\n#time=1d9\n@=\"first\"\n"
                                        "\"ThreadingModel\"=\"Both\"\n"
                                        "[SOFTWARE\\\\CLASSES\\\\CLSID\\\\{C}\\\\InprocServer32] 1\n"
                                        "@=\"C:\\\\x.dll\"\n");
    EXPECT_EQ(SubkeyNames(registry, "Software\\Classes\\CLSID"), (std::vector<std::string>{"{a}", "{B}", "{C}"}));
    EXPECT_EQ(DefaultOf(registry, "SOFTWARE\\classes\\Clsid\\{A}"), "first");
    EXPECT_EQ(DefaultOf(registry, "Software\\Classes\\CLSID\\{c}\\inprocserver32"), "C:\\x.dll");
    EXPECT_EQ(DefaultOf(registry, "Software\\Classes\\CLSID\\{C}"), "<none>") << "a key made on the way";
    const uint32_t a = WineRegistryFind(registry, 0, "Software\\Classes\\CLSID\\{a}");
    ASSERT_NE(WineRegistryFindValue(registry, a, "threadingmodel"), nullptr);
    EXPECT_EQ(WineRegistryFindValue(registry, a, "threadingmodel")->data, "Both");
    EXPECT_EQ(WineRegistryFind(registry, 0, "Software\\Classes\\CLSID\\{D}"), kWineNoKey);
    EXPECT_EQ(WineRegistryFind(registry, 0, ""), 0u) << "the empty path is the key itself";
    EXPECT_EQ(WineRegistryFind(registry, 0, "Software\\\\Classes\\"), WineRegistryFind(registry, 0, "Software\\Classes"));
}

TEST(WineRegistryTest, LinesItCannotUseAreSkipped) {
    const WineRegistry registry = Parse(kHeader +
                                        "@=\"before any key\"\n"
                                        "[A] 1\n"
                                        "; a comment\n"
                                        "#class=\"x\"\n"
                                        "\"Binary\"=hex:01,02,03,\\\n"
                                        "  04,05,\\\n"
                                        "  [B] 1\n"                       // still hex data, not a key
                                        "\"Count\"=dword:0000000a\n"
                                        "\"Multi\"=str(7):\"a\\0b\\0\"\n"
                                        "\"Path\"=str(2):\"%SystemRoot%\\\\x.dll\"\n"
                                        "\"Odd\"=hex(2):41,00,00,00\n"
                                        "\"Unclosed\"=\"no end\n"
                                        "\"Twice\"=\"old\"\n"
                                        "\"twice\"=\"new\"\n"
                                        "  @ = \"spaced\"\n"
                                        "stray text\n"
                                        "[Unclosed 1\n"
                                        "@=\"lost with its key\"\n"
                                        "[" + std::string(256, 'k') + "] 1\n"  // longer than any key name
                                        "@=\"also lost\"\n"
                                        "[" + std::string(255, 'k') + "] 1\n"
                                        "@=\"kept\"\n"
                                        "[A\\\\C] 1\n"
                                        "@=hex:00,\\\n"
                                        "  00\n"
                                        "\"After\"=\"read\"\n");
    const uint32_t a = WineRegistryFind(registry, 0, "A");
    ASSERT_NE(a, kWineNoKey);
    EXPECT_EQ(WineRegistryFind(registry, 0, "B"), kWineNoKey);
    for (const char* absent : {"Binary", "Count", "Multi", "Odd", "Unclosed"})
        EXPECT_EQ(WineRegistryFindValue(registry, a, absent), nullptr) << absent;
    const WineRegistryValue* path = WineRegistryFindValue(registry, a, "Path");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->data, "%SystemRoot%\\x.dll");
    EXPECT_TRUE(path->expand);
    EXPECT_EQ(WineRegistryFindValue(registry, a, "TWICE")->data, "new");
    EXPECT_EQ(DefaultOf(registry, "A"), "spaced");
    EXPECT_EQ(DefaultOf(registry, "Unclosed 1"), "<none>");
    EXPECT_EQ(DefaultOf(registry, std::string(256, 'k').c_str()), "<none>");
    EXPECT_EQ(DefaultOf(registry, std::string(255, 'k').c_str()), "kept");
    EXPECT_EQ(DefaultOf(registry, "A\\C"), "<none>");
    EXPECT_EQ(WineRegistryFindValue(registry, WineRegistryFind(registry, 0, "A\\C"), "After")->data, "read");
    EXPECT_EQ(SubkeyNames(registry, "").size(), 2u) << "A and the 255-letter key";
}

TEST_F(WineRegistryPrefixTest, MachineKeysComeFromThePrefixSystemReg) {
    RegistrySetWinePrefix("");
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix";
    const std::string prefix = temp.Path("prefix");
    RegistrySetWinePrefix(prefix.c_str());
    EXPECT_EQ(RegistryOpenMachineKey("Software"), nullptr) << "no prefix folder";
    ASSERT_TRUE(MakeWinePrefix(prefix, WineSystemReg({{"{1}", "Waves One", "C:\\w\\one.dll", true, true},
                                                      {"{2}", std::string(259, 'W'), "C:\\w\\two.dll", true, true}})));
    RegistryKeyPtr list(RegistryOpenMachineKey("software\\classes\\clsid"));
    ASSERT_TRUE(list);
    char name[kRegistryNameSize];
    std::vector<std::string> names;
    for (uint32_t i = 0; RegistryEnumSubkey(list.get(), i, name) == RegistryEnum::kItem; ++i) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"{1}", "{2}"}));
    EXPECT_EQ(RegistryEnumSubkey(list.get(), 7, name), RegistryEnum::kNoMoreItems);

    RegistryKeyPtr one(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{1}"));
    RegistryKeyPtr two(RegistryOpenMachineKey("Software\\Classes\\CLSID\\{2}"));
    EXPECT_EQ(Query(one.get(), nullptr), "Waves One");
    EXPECT_EQ(Query(one.get(), nullptr, 10), "Waves One") << "exactly fits with its terminator";
    EXPECT_EQ(Query(one.get(), nullptr, 9), "<false>") << "does not fit: unreadable, not cut";
    EXPECT_EQ(Query(one.get(), "Missing"), "<false>");
    EXPECT_EQ(Query(two.get(), nullptr), std::string(259, 'W'));

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
