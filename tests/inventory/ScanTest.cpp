// Folder walks, VST folder scans and Waves enumerations, read from the blocks
// of tests/data/inventory/scans.txt.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "inventory/FolderWalk.h"
#include "inventory/ForeignLibraries.h"
#include "inventory/VstProbe.h"
#include "inventory/WavesShell.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "support/PeWriter.h"
#include "support/WinePrefix.h"

namespace {

const char kAccessError[] = "Could not access registry for scanning available Waves plugins!";
const char kLoadError[] = "Error loading Waves plugin for verification!";

// "a | b | c" as its parts, at least three (empty ones added).
std::vector<std::string> Split(std::string text) {
    std::vector<std::string> parts;
    for (size_t bar; (bar = text.find(" | ")) != std::string::npos; text.erase(0, bar + 3))
        parts.push_back(text.substr(0, bar));
    parts.push_back(text);
    parts.resize(std::max<size_t>(parts.size(), 3));
    return parts;
}

// A library exporting the listed names; "text: ..." is that text instead,
// "i386: ..." a library of that kind, "pe: FILE" a committed image.
std::string LibraryBytes(const std::string& exports) {
    if (exports.rfind("text: ", 0) == 0) return exports.substr(6);
    if (exports.rfind("pe: ", 0) == 0) return ReadTestData("inventory/pe/" + exports.substr(4));
    if (exports.rfind("i386: ", 0) == 0) return BuildPeImage(kPeWriterI386, Words(exports.substr(6)));
    return NativeDllBytes(Words(exports));
}

// Every file the walks handed over, each checked for running in its folder.
std::vector<std::string> visits;

void Visit(const char* path, void* owner) {
    std::string here;
    GetCurrentFolder(here);
    EXPECT_TRUE(std::filesystem::equivalent(PathFolder(path), here)) << "the visitor runs in its file's folder";
    visits.push_back(path);
    ProbeVstPlugin(path, owner);
}

class ScanTest : public CatalogueTest {
protected:
    void TearDown() override {
        WavesEnumerated = 0;
        RegistrySetWinePrefix("");
        CatalogueTest::TearDown();
    }
};

}  // namespace

TEST_F(ScanTest, EveryScanLeavesWhatItsBlockSays) {
    // Each block's title and its lines, which hold no tabs: each is a row of one field.
    std::vector<std::pair<std::string, std::vector<std::string>>> scans;
    for (const auto& row : ReadTableRows("inventory/scans.txt")) {
        if (row[0].rfind("scan ", 0) == 0) scans.push_back({row[0].substr(5), {}});
        else scans.back().second.push_back(row[0]);
    }
    ASSERT_EQ(scans.size(), 13u);
    std::string start;
    ASSERT_TRUE(GetCurrentFolder(start));
    for (const auto& [title, lines] : scans) {
        SCOPED_TRACE(title);
        TempFolder temp;
        const std::string prefix = temp.Path("prefix");
        void* owner = &temp;
        WavesEnumerated = 0;
        RegistrySetWinePrefix(prefix.c_str());
        ResetCatalogue();
        shown = &InstallRecorder();
        visits.clear();
        std::string systemReg;  // empty: the prefix has none
        // What the block says is left, by its line's first word.
        std::map<std::string, std::vector<std::string>> left = {
            {"visit", {}}, {"entry", {}}, {"foreign", {}}, {"status", {}}, {"message", {}}};
        int enumerated = 0;
        // "... @ FOLDER" or "... @ FOLDER xN", the folder given under the test's.
        const auto Under = [&](const std::string& text) {
            const size_t at = text.rfind(" @ ") + 3, end = std::min(text.find(" x", at), text.size());
            return text.substr(0, at) + temp.Path(text.substr(at, end - at)) + text.substr(end);
        };
        for (const std::string& line : lines) {
            const size_t space = line.find(' ');
            const std::string word = line.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
            const std::vector<std::string> parts = Split(rest);
            if (word == "registry" || word == "reg") {
                systemReg += word == "reg" ? rest + "\n" : "WINE REGISTRY Version 2\n#arch=win64\n";
            } else if (word == "library" || word == "file") {
                const std::string file = word == "file" ? temp.Path(parts[0]) : WinePrefixFile(prefix, parts[0]);
                temp.Write(file.substr(temp.path.size() + 1), LibraryBytes(parts[1]));
            } else if (word == "link") {
                std::filesystem::create_directories(std::filesystem::path(temp.Path(parts[0])).parent_path());
                std::filesystem::create_directory_symlink(temp.Path(parts[1]), temp.Path(parts[0]));
            } else if (word == "pipe") {
                ASSERT_EQ(mkfifo(temp.Path(rest).c_str(), 0600), 0);
            } else if (word == "cd") {
                ASSERT_TRUE(SetCurrentFolder(temp.Path(rest).c_str()));
            } else if (word == "enumerate" || word == "walk" || word == "rescan") {
                // The registry is all given before the first run.
                ASSERT_TRUE(systemReg.empty() || MakeWinePrefix(prefix, systemReg));
                if (word == "rescan") {
                    // What the configuration dialog does before each scan.
                    PluginSetClear(InstalledPlugins);
                    WavesEnumerated = 0;
                    shown->statusTexts.clear();
                }
                const std::string folder = parts[0] == "-" ? "" : temp.Path(parts[0]);
                std::string before, after;
                GetCurrentFolder(before);
                if (word == "enumerate") EnumerateWavesPlugins(owner);
                else WalkFolder(folder.c_str(), parts[1].empty() ? "*.dll" : parts[1].c_str(),
                                parts[2].empty() ? 1 : std::stoi(parts[2]), Visit, owner);
                GetCurrentFolder(after);
                EXPECT_EQ(after, before) << "the walk restores the current folder";
            } else if (word == "enumerated") {
                enumerated = std::stoi(rest);
            } else if (left.count(word)) {
                left[word].push_back(word == "visit"     ? temp.Path(rest)
                                     : word == "status"  ? rest
                                     : word == "message" ? (rest == "access" ? kAccessError : kLoadError)
                                                         : Under(rest));
            } else {
                FAIL() << "unknown line: " << line;
            }
        }
        SetCurrentFolder(start.c_str());
        EXPECT_EQ(InstalledEntries(), left["entry"]);
        std::vector<std::string> found, shownTexts;
        for (const auto& [key, library] : ForeignLibraries)
            found.push_back(library.name + " " + MachineKindText(library.machine) + " @ " + library.folder);
        EXPECT_EQ(found, left["foreign"]);
        EXPECT_EQ(left["visit"].empty() ? left["visit"] : visits, left["visit"]);
        EXPECT_EQ(shown->statusTexts, left["status"]);
        for (const ShownMessage& m : shown->messages) {
            EXPECT_TRUE(m.caption == "Error" && m.style == (kMbOk | kMbIconStop) && m.owner == owner) << m.text;
            shownTexts.push_back(m.text);
        }
        EXPECT_EQ(shownTexts, left["message"]);
        EXPECT_EQ(WavesEnumerated, enumerated);
    }
}
