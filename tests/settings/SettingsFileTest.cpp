#include "settings/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "support/Bytes.h"
#include "support/SettingsWriter.h"

namespace {

const char kDamaged[] = "Damaged config file, please reconfigure your settings!";
const char kCannotWrite[] = "Could not open config file for writing!";

void ExpectMessage(const ShownMessage& shown, const char* text, void* owner) {
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.caption, "Error");
    EXPECT_EQ(shown.style, kMbOk | kMbIconStop);
    EXPECT_EQ(shown.owner, owner);
}

std::vector<std::string> InstalledNames() {
    std::vector<std::string> names;
    for (const auto& member : InstalledPlugins.members) names.push_back(member.second.name);
    return names;
}

SettingsContent FullContent() {
    SettingsContent content;
    content.rect[0] = -1200;  // a window on a monitor left of the primary one
    content.scanSubfolders = 0;
    content.vstFolder1Enabled = 1;
    content.vstFolder2Enabled = 1;
    content.openFilesFolder = "C:\\Music\\Songs";
    content.openFolderPath = "C:\\Music";
    content.exportFolder = "D:\\Reports";
    content.vstFolder1 = "C:\\VST";
    content.vstFolder2 = "C:\\Program Files\\Steinberg\\VstPlugins";
    content.pathFill = 'x';  // leftovers must survive a load and a save
    content.records = {{"a.dll", "C:\\VST"}, {"B.dll", "C:\\VST\\Sub"}, {"c.dll", "C:\\VST"}};
    return content;
}

// Makes the next writes of this process fail once a file grows past limit
// bytes, the way a full disk does; restores everything when it goes.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t limit) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &lowered);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    rlimit saved{};
    void (*previous)(int) = nullptr;
};

// What a parse of these bytes leaves: its result, the rectangle, the block and the list.
struct ParsedSettings {
    int result = 0;
    int32_t rect[4] = {7, 7, 7, 7};
    AppSettings settings{};
    PluginSet plugins;
};

void Parse(const std::string& bytes, ParsedSettings& parsed) {
    KeepSeed("settings", bytes);
    parsed.result = SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), parsed.rect,
                                  parsed.settings, parsed.plugins);
}

}  // namespace

class SettingsFileTest : public CatalogueTest {
protected:
    std::string UseFile(const std::string& bytes) {
        KeepSeed("settings", bytes);
        const std::string path = folder.Write("quorvel.cfg", bytes);
        SettingsSetPath(path.c_str());
        return path;
    }
    std::string Stored() const { return ReadFileBytes(folder.Path("quorvel.cfg")); }
    TempFolder folder;
};

TEST_F(SettingsFileTest, LoadThenSaveGivesTheSameBytes) {
    const std::string bytes = SettingsFileBytes(FullContent());
    UseFile(bytes);
    LoadSettings(nullptr);
    EXPECT_TRUE(shown->messages.empty());
    EXPECT_EQ(shown->windowRect[0], -1200);
    EXPECT_EQ(shown->windowRect[3], 650);
    EXPECT_EQ(Settings.ScanSubfolders, 0u);
    EXPECT_EQ(Settings.VstFolder1Enabled, 1u);
    EXPECT_STREQ(Settings.VstFolder2, "C:\\Program Files\\Steinberg\\VstPlugins");
    EXPECT_STREQ(Settings.ExportFolder, "D:\\Reports");
    EXPECT_EQ(InstalledNames(), (std::vector<std::string>{"a.dll", "B.dll", "c.dll"}));
    EXPECT_EQ(PluginSetFind(InstalledPlugins, "b.dll")->folder, "C:\\VST\\Sub");
    EXPECT_EQ(PluginSetFind(InstalledPlugins, "b.dll")->count, 1u);
    EXPECT_FALSE(shown->statusTexts.empty());
    EXPECT_EQ(shown->centred, 0);

    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), bytes);
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    EXPECT_EQ(Stored(), bytes);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("quorvel.cfg.tmp")));
}

TEST_F(SettingsFileTest, WithoutAFileTheDefaultsApplySilentlyAndAnEmptyOrUnreadableOneIsReported) {
    for (const char* kind : {"no file", "0-byte file", "a folder in its place"}) {
        SCOPED_TRACE(kind);
        shown = &InstallRecorder();
        std::filesystem::remove_all(folder.Path("quorvel.cfg"));
        SettingsSetPath(folder.Path("quorvel.cfg").c_str());
        if (kind[0] == '0') UseFile("");
        if (kind[0] == 'a') folder.MakeFolder("quorvel.cfg");
        std::memset(&Settings, 0x41, sizeof Settings);
        int window = 0;
        LoadSettings(&window);
        if (kind[0] == 'n') {
            EXPECT_TRUE(shown->messages.empty());
        } else {
            ASSERT_EQ(shown->messages.size(), 1u);
            ExpectMessage(shown->messages[0], kDamaged, &window);
        }
        EXPECT_EQ(shown->centred, 1);
        EXPECT_FALSE(shown->haveWindowRect);
        AppSettings cleared{};
        cleared.ScanSubfolders = 1;
        EXPECT_EQ(std::memcmp(&Settings, &cleared, sizeof cleared), 0);
        EXPECT_TRUE(InstalledPlugins.members.empty());
        EXPECT_EQ(shown->statusTexts.size(), 1u);
    }
    // Closing after the empty file writes a valid 1332-byte file.
    std::filesystem::remove_all(folder.Path("quorvel.cfg"));
    UseFile("");
    LoadSettings(nullptr);
    SettingsContent expected;
    for (int i = 0; i < 4; ++i) shown->windowRect[i] = expected.rect[i] = 10 * (i + 1);
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), SettingsFileBytes(expected));
    EXPECT_EQ(Stored().size(), 1332u);
}

TEST_F(SettingsFileTest, RecordsAreStoredInCaseInsensitiveOrderAndOverlongTextsAreLeftOut) {
    SettingsSetPath(folder.Path("quorvel.cfg").c_str());
    PluginSetAdd(InstalledPlugins, "B.dll", "/vst/b");
    PluginSetAdd(InstalledPlugins, "a.dll", "/vst");
    PluginSetAdd(InstalledPlugins, "c.dll", ("/" + std::string(258, 'd')).c_str());  // 259 characters: fits
    PluginSetAdd(InstalledPlugins, "d.dll", ("/" + std::string(259, 'd')).c_str());  // 260: left out, so that N holds
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    // Before any close the head is all zero, filled in at the next close.
    EXPECT_EQ(Stored(), std::string(1328, '\0') + LittleEndian32(3) + SettingsRecord("a.dll", "/vst") +
                            SettingsRecord("B.dll", "/vst/b") + SettingsRecord("c.dll", "/" + std::string(258, 'd')));
}

TEST_F(SettingsFileTest, ClosingKeepsTheListAfterAScanWithResultsAndCutsItAfterOneWithout) {
    SettingsContent content = FullContent();
    content.vstFolder1Enabled = 7;
    UseFile(SettingsFileBytes(content));
    LoadSettings(nullptr);
    EXPECT_EQ(Settings.VstFolder1Enabled, 7u) << "held as stored, written as 0 or 1";
    content.vstFolder1Enabled = 1;
    FrontEndInstall(nullptr);  // no window: the rectangle read is written back
    // A scan that found a different set stores it at once.
    PluginSetClear(InstalledPlugins);
    PluginSetAdd(InstalledPlugins, "new.dll", "/vst");
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    // The window's AppSettings change in memory; closing writes them and keeps the list.
    Settings.ScanSubfolders = 1;
    ASSERT_EQ(SaveSettings(nullptr), 1);
    content.scanSubfolders = 1;
    content.records = {{"new.dll", "/vst"}};
    EXPECT_EQ(Stored(), SettingsFileBytes(content));

    // A scan that found nothing leaves the old list until the close shrinks it.
    PluginSetClear(InstalledPlugins);
    ASSERT_EQ(SaveSettings(nullptr), 1);
    content.records.clear();
    EXPECT_EQ(Stored(), SettingsFileBytes(content));
    EXPECT_EQ(Stored().size(), 1332u);
}

TEST_F(SettingsFileTest, ClosingWithAnInventoryKeepsWhateverFollowsTheBlock) {
    // What LoadSettings read may differ from what it kept (a damaged tail):
    // the file's list is left exactly as it is.
    const std::string file = SettingsHead(FullContent()) + LittleEndian32(2) +  // N claims two records
                             SettingsRecord("kept.dll", "/v") + LittleEndian32(300);  // then an L1 out of range
    UseFile(file);
    LoadSettings(nullptr);
    ASSERT_EQ(InstalledNames(), std::vector<std::string>{"kept.dll"});
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), file);
}

TEST_F(SettingsFileTest, DamageEndsTheListAndKeepsTheCompleteRecordsBeforeIt) {
    const auto le = [](uint32_t v) { return LittleEndian32(v); };
    const std::string a = SettingsRecord("a.dll", "/vst"), b = std::string("b.dll\0", 6);
    const std::string longName(260, 'n'), longFolder(259, 'f');
    struct Case {
        const char* what;
        std::string list;  // N and the records behind the head
        int result;
        std::vector<std::string> records;  // "name folder"
    };
    const std::vector<std::string> justA = {"a.dll /vst"};
    const Case cases[] = {
        {"L1 = 0", le(2) + a + le(0) + "b.dll", 0, justA},
        {"L1 = 261", le(2) + a + le(261) + std::string(261, 'b'), 0, justA},
        {"L2 = 0", le(2) + a + le(6) + b + le(0), 0, justA},
        {"L2 = 261", le(2) + a + le(6) + b + le(261) + std::string(261, 'f'), 0, justA},
        {"huge L1", le(2) + a + le(0xFFFFFFFFu) + "b", 0, justA},
        {"cut inside L1", le(2) + a + std::string("\x06\x00", 2), 0, justA},
        {"cut inside the name", le(2) + a + le(6) + "b.d", 0, justA},
        {"cut inside the folder", le(2) + a + le(6) + b + le(4) + "/v", 0, justA},
        {"N larger than the records", le(9) + a, 0, justA},
        {"N of 2^32-1", le(0xFFFFFFFFu) + a, 0, justA},
        {"N = 0", le(0), 1, {}},
        // A text ends at its first zero; 260 bytes without any zero are a text too.
        {"texts with leftovers and texts of 260 bytes",
         le(2) + le(10) + std::string("a.dll\0junk", 10) + le(4) + std::string("/v\0\0", 4) + le(260) + longName +
             le(260) + longFolder + '\0',
         1, {"a.dll /v", longName + " " + longFolder}},
    };
    for (const Case& c : cases) {
        ParsedSettings parsed;
        Parse(SettingsHead(SettingsContent{}) + c.list, parsed);
        EXPECT_EQ(parsed.result, c.result) << c.what;
        std::vector<std::string> records;
        for (const auto& member : parsed.plugins.members) records.push_back(member.second.name + " " + member.second.folder);
        EXPECT_EQ(records, c.records) << c.what;
    }
}

TEST_F(SettingsFileTest, HeadFieldsAreReadAsFarAsTheFileReachesAndEndAtTheirLastByte) {
    SettingsContent content = FullContent();
    const std::string whole = SettingsFileBytes(content);
    struct Case {
        size_t size;
        uint32_t scan;  // expected ScanSubfolders
        const char* openFilesFolder;
        const char* exportFolder;
    };
    // In memory before the load: ScanSubfolders 0x11223344, paths "old".
    const Case cases[] = {
        {3, 0x11223344u, "old", "old"},       // ends inside the rectangle
        {18, 0x11220000u, "old", "old"},      // inside ScanSubfolders: its low bytes only
        {28, 0u, "old", "old"},               // the flags, no path
        {31, 0u, "C:\\", "old"},               // 3 bytes into OpenFilesFolder
        {532 + 16, 0u, "C:\\Music\\Songs", "old"},
        {1328, 0u, "C:\\Music\\Songs", "D:\\Reports"},
        {1330, 0u, "C:\\Music\\Songs", "D:\\Reports"},  // inside N: no list
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        ParsedSettings parsed;
        parsed.settings.ScanSubfolders = 0x11223344u;
        std::strcpy(parsed.settings.OpenFilesFolder, "old");
        std::strcpy(parsed.settings.ExportFolder, "old");
        Parse(whole.substr(0, c.size), parsed);
        EXPECT_EQ(parsed.result, 1);
        EXPECT_EQ(parsed.settings.ScanSubfolders, c.scan);
        EXPECT_STREQ(parsed.settings.OpenFilesFolder, c.openFilesFolder);
        EXPECT_STREQ(parsed.settings.ExportFolder, c.exportFolder);
        EXPECT_EQ(parsed.rect[3], c.size >= 16 ? 650 : 7);
        EXPECT_TRUE(parsed.plugins.members.empty());
    }
    // A path field without its zero is cut at its last byte.
    std::string file = SettingsHead(SettingsContent{}) + LittleEndian32(0);
    std::fill(file.begin() + 16 + 792, file.begin() + 16 + 1052 + 260, 'V');  // VstFolder1 and 2
    ParsedSettings parsed;
    Parse(file, parsed);
    EXPECT_EQ(std::strlen(parsed.settings.VstFolder1), 259u);
    EXPECT_EQ(std::strlen(parsed.settings.VstFolder2), 259u);
    EXPECT_STREQ(parsed.settings.ExportFolder, "");
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
    const std::string original = SettingsFileBytes(FullContent());
    UseFile(original);
    LoadSettings(nullptr);
    Settings.ScanSubfolders = 1;
    int window = 0;
    {
        // The disk fills up in the middle of the new file.
        FileSizeLimit limit(1000);
        EXPECT_EQ(SaveSettings(&window), 0);
        EXPECT_EQ(SaveInstalledPlugins(), 0);
    }
    ASSERT_EQ(shown->messages.size(), 1u);  // SaveInstalledPlugins stays silent
    ExpectMessage(shown->messages[0], kCannotWrite, &window);
    EXPECT_EQ(Stored(), original);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("quorvel.cfg.tmp")));

    // The temporary file cannot be made at all.
    folder.MakeFolder("quorvel.cfg.tmp/in-the-way");
    EXPECT_EQ(SaveSettings(&window), 0);
    EXPECT_EQ(SaveInstalledPlugins(), 0);
    EXPECT_EQ(shown->messages.size(), 2u);
    EXPECT_EQ(Stored(), original);
    EXPECT_TRUE(std::filesystem::exists(folder.Path("quorvel.cfg.tmp/in-the-way")));

    // A folder where the file should be cannot be read, so nothing is written
    // over it. (A replace that fails once the old file was read, the last
    // step, cannot be brought about here: root's renames ignore permissions.)
    std::filesystem::remove_all(folder.Path("quorvel.cfg.tmp"));
    std::filesystem::remove(folder.Path("quorvel.cfg"));
    folder.MakeFolder("quorvel.cfg/in-the-way");
    EXPECT_EQ(SaveSettings(nullptr), 0);
    ASSERT_EQ(shown->messages.size(), 3u);
    ExpectMessage(shown->messages[2], kCannotWrite, nullptr);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("quorvel.cfg.tmp")));
}
