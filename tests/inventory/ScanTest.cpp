// VST folder scans and Waves enumerations, read from the blocks of
// tests/data/inventory/scans.txt.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/PluginSet.h"
#include "harness/Harness.h"
#include "inventory/FolderWalk.h"
#include "inventory/VstProbe.h"
#include "inventory/WavesShell.h"
#include "platform/Registry.h"
#include "support/PeWriter.h"
#include "support/WineRegWriter.h"

namespace {

const char kAccessError[] = "Could not access registry for scanning available Waves plugins!";
const char kLoadError[] = "Error loading Waves plugin for verification!";

struct Scan {
    std::string title;
    std::vector<std::string> lines;  // in the order of the file, without comments
};

std::vector<Scan> ReadScans() {
    std::istringstream in(ReadFileBytes(SourcePath("tests/data/inventory/scans.txt")));
    std::vector<Scan> scans;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("scan ", 0) == 0) scans.push_back(Scan{line.substr(5), {}});
        else if (!line.empty() && line[0] != '#' && !scans.empty()) scans.back().lines.push_back(line);
    }
    return scans;
}

// "a | b | c" as its trimmed parts.
std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, '|');) {
        const size_t first = part.find_first_not_of(' '), last = part.find_last_not_of(' ');
        parts.push_back(first == std::string::npos ? "" : part.substr(first, last + 1 - first));
    }
    return parts;
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// A library exporting the listed names; "text: ..." is that text instead,
// "i386: ..." a library of that kind.
std::string LibraryBytes(const std::string& exports) {
    if (exports.rfind("text: ", 0) == 0) return exports.substr(6);
    if (exports.rfind("i386: ", 0) == 0) return BuildPeImage(PeDllSpec(kPeWriterI386, Words(exports.substr(6)))).bytes;
    return NativeDllBytes(Words(exports));
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
    const std::vector<Scan> scans = ReadScans();
    ASSERT_EQ(scans.size(), 8u);
    for (const Scan& scan : scans) {
        SCOPED_TRACE(scan.title);
        TempFolder temp;
        const std::string prefix = temp.Path("prefix");
        void* owner = &temp;
        WavesEnumerated = 0;
        RegistrySetWinePrefix(prefix.c_str());
        ResetCatalogue();
        shown = &InstallRecorder();
        bool registry = false;
        std::vector<WineClass> classes;
        std::vector<std::string> entries, statuses, messages;
        int enumerated = -1;
        for (const std::string& line : scan.lines) {
            const size_t space = line.find(' ');
            const std::string word = line.substr(0, space);
            const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
            const std::vector<std::string> parts = Split(rest);
            if (word == "registry") {
                registry = true;
            } else if (word == "class") {
                WineClass c{parts[0], parts[1], parts.size() > 2 ? parts[2] : ""};
                c.hasDescription = c.description != "<none>";
                c.hasServerKey = c.libraryPath != "<no server key>";
                if (!c.hasDescription) c.description.clear();
                classes.push_back(c);
            } else if (word == "library" || word == "file") {
                const std::string file = word == "file" ? temp.Path(parts[0]) : WinePrefixFile(prefix, parts[0]);
                temp.Write(file.substr(temp.path.size() + 1), LibraryBytes(parts.size() > 1 ? parts[1] : ""));
            } else if (word == "enumerate" || word == "walk" || word == "rescan") {
                // The classes are all listed before the first run.
                ASSERT_TRUE(!registry || MakeWinePrefix(prefix, WineSystemReg(classes)));
                if (word == "rescan") {
                    // What the configuration dialog does before each scan.
                    PluginSetClear(InstalledPlugins);
                    WavesEnumerated = 0;
                    shown->statusTexts.clear();
                }
                if (word == "enumerate") EnumerateWavesPlugins(owner);
                else WalkFolder(temp.Path(rest).c_str(), "*.dll", 1, ProbeVstPlugin, owner);
            } else if (word == "entry") {
                const size_t at = rest.rfind(" @ "), count = rest.rfind(" x");
                entries.push_back(rest.substr(0, at + 3) + temp.Path(rest.substr(at + 3, count - at - 3)) +
                                  rest.substr(count));
            } else if (word == "status") {
                statuses.push_back(rest);
            } else if (word == "message") {
                messages.push_back(rest == "access" ? kAccessError : kLoadError);
            } else if (word == "enumerated") {
                enumerated = std::stoi(rest);
            } else {
                FAIL() << "unknown line: " << line;
            }
        }
        EXPECT_EQ(InstalledEntries(), entries);
        EXPECT_EQ(shown->statusTexts, statuses);
        std::vector<std::string> shownTexts;
        for (const ShownMessage& m : shown->messages) {
            EXPECT_EQ(m.caption, "Error");
            EXPECT_EQ(m.style, kMbOk | kMbIconStop);
            EXPECT_EQ(m.owner, owner);
            shownTexts.push_back(m.text);
        }
        EXPECT_EQ(shownTexts, messages);
        EXPECT_EQ(WavesEnumerated, enumerated);
    }
}
