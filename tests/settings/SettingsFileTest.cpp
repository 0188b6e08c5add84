#include "settings/SettingsFile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "harness/Seeds.h"
#include "inventory/ForeignLibraries.h"

namespace {

const char kDamaged[] = "Damaged config file, please reconfigure your settings!";
const char kCannotWrite[] = "Could not open config file for writing!";

void ExpectMessage(const ShownMessage& shown, const char* text, void* owner) {
    EXPECT_EQ(shown.text, text);
    EXPECT_TRUE(shown.caption == "Error" && shown.style == (kMbOk | kMbIconStop) && shown.owner == owner);
}

std::string Committed(const std::string& name) { return ReadTestData("settings/" + name); }

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

// A parse of these bytes as one line: result, rectangle, flags, the five
// paths and the records. Rectangle and block start out non-zero, so that
// what a short file leaves alone shows.
std::string ParseSummary(const std::string& bytes) {
    KeepSeed("settings", bytes);
    int32_t rect[4] = {7, 7, 7, 7};
    AppSettings s{};
    s.ScanSubfolders = 0x11223344u;
    std::strcpy(s.OpenFilesFolder, "old");
    std::strcpy(s.ExportFolder, "old");
    PluginSet plugins;
    ForeignLibrarySet foreign;
    const int result =
        SettingsParse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), rect, s, plugins, &foreign);
    char head[120];
    std::snprintf(head, sizeof head, "r%d %d %d %d %d s%x v%u v%u", result, rect[0], rect[1], rect[2], rect[3],
                  s.ScanSubfolders, s.VstFolder1Enabled, s.VstFolder2Enabled);
    std::string out = head;
    for (const char* path : {s.OpenFilesFolder, s.OpenFolderPath, s.ExportFolder, s.VstFolder1, s.VstFolder2})
        out += " [" + std::string(path) + "]";
    for (const auto& member : plugins.members) out += " " + member.second.name + "=" + member.second.folder;
    for (const auto& [key, library] : foreign)
        out += " " + library.name + "=" + library.folder + "(" + MachineKindText(library.machine) + ")";
    return out;
}

}  // namespace

class SettingsFileTest : public CatalogueTest {
protected:
    void UseFile(const std::string& bytes) {
        KeepSeed("settings", bytes);
        SettingsSetPath(folder.Write("quorvel.cfg", bytes).c_str());
    }
    std::string Stored() const { return ReadFileBytes(folder.Path("quorvel.cfg")); }
    TempFolder folder;
};

// The table lists whole files (damage ends the list and keeps the complete
// records before it) and files cut short (the head's fields are read as far
// as the file reaches, each ending at its last byte).
TEST_F(SettingsFileTest, CommittedFilesAndTheirFirstBytesParseAsListed) {
    for (const auto& row : ReadTableRows("settings/parsed.tsv")) {
        ASSERT_EQ(row.size(), 4u);
        std::string bytes = Committed(row[0]);
        if (row[1] != "all") bytes.resize(std::stoul(row[1]));
        EXPECT_EQ(ParseSummary(bytes), row[2]) << row[0] << " " << row[1] << ": " << row[3];
    }
}

TEST_F(SettingsFileTest, LoadThenSaveGivesTheSameBytes) {
    // The parse of full.cfg parsed.tsv checks; the bytes written back show what was kept.
    const std::string bytes = Committed("full.cfg");  // with leftovers after each path's zero
    UseFile(bytes);
    LoadSettings(nullptr);
    EXPECT_TRUE(shown->messages.empty());
    EXPECT_EQ(shown->windowRect[0], -1200);
    EXPECT_EQ(shown->windowRect[3], 650);
    EXPECT_FALSE(shown->statusTexts.empty());
    EXPECT_EQ(shown->centred, 0);

    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), bytes);
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    EXPECT_EQ(Stored(), bytes);
    EXPECT_FALSE(std::filesystem::exists(folder.Path("quorvel.cfg.tmp")));

    // What LoadSettings read may differ from what it kept (N claims two
    // records, the second is damaged): closing leaves the file's list as it is.
    const std::string damaged = Committed("damaged-tail.cfg");
    UseFile(damaged);
    PluginSetClear(InstalledPlugins);
    LoadSettings(nullptr);
    ASSERT_EQ(InstalledEntries(), std::vector<std::string>{"kept.dll @ /v x1"});
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), damaged);
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
    for (int i = 0; i < 4; ++i) shown->windowRect[i] = 10 * (i + 1);
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), Committed("closed-after-empty.cfg"));
}

TEST_F(SettingsFileTest, RecordsAreStoredInCaseInsensitiveOrderAndOverlongTextsAreLeftOut) {
    SettingsSetPath(folder.Path("quorvel.cfg").c_str());
    PluginSetAdd(InstalledPlugins, "B.dll", "/vst/b");
    PluginSetAdd(InstalledPlugins, "a.dll", "/vst");
    PluginSetAdd(InstalledPlugins, "c.dll", ("/" + std::string(258, 'd')).c_str());  // 259 characters: fits
    PluginSetAdd(InstalledPlugins, "d.dll", ("/" + std::string(259, 'd')).c_str());  // 260: left out, so that N holds
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    // Before any close the head is all zero, filled in at the next close.
    EXPECT_EQ(Stored(), Committed("stored-before-close.cfg"));
}

TEST_F(SettingsFileTest, ClosingKeepsTheListAfterAScanWithResultsAndCutsItAfterOneWithout) {
    UseFile(Committed("flag-7.cfg"));  // full.cfg with VstFolder1Enabled 7
    LoadSettings(nullptr);
    EXPECT_EQ(Settings.VstFolder1Enabled, 7u) << "held as stored, written as 0 or 1";
    FrontEndInstall(nullptr);  // no window: the rectangle read is written back
    // A scan that found a different set stores it at once.
    PluginSetClear(InstalledPlugins);
    PluginSetAdd(InstalledPlugins, "new.dll", "/vst");
    ASSERT_EQ(SaveInstalledPlugins(), 1);
    // The window's AppSettings change in memory; closing writes them and keeps the list.
    Settings.ScanSubfolders = 1;
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), Committed("closed-new-list.cfg"));

    // A scan that found nothing leaves the old list until the close shrinks it.
    PluginSetClear(InstalledPlugins);
    ASSERT_EQ(SaveSettings(nullptr), 1);
    EXPECT_EQ(Stored(), Committed("closed-no-list.cfg"));
}

TEST_F(SettingsFileTest, AFailedWriteKeepsTheOldFileAndRemovesTheTemporaryOne) {
    const std::string original = Committed("full.cfg");
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

