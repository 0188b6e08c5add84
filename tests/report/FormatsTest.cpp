// The report in every format over the committed collections of
// tests/data/report/collections.tsv, byte for byte, and what makes two names
// close.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "core/Results.h"
#include "harness/Harness.h"
#include "inventory/ForeignLibraries.h"
#include "inventory/PeImage.h"
#include "report/CsvReport.h"
#include "report/Hints.h"
#include "report/JsonReport.h"
#include "report/Report.h"

namespace {

void Apply(const std::vector<std::string>& row) {
    if (row[0] == "install") {
        InstallPlugins({row.begin() + 2, row.end()}, row[1].c_str());
    } else if (row[0] == "foreign") {
        ForeignLibraryAdd(ForeignLibraries, row[1].c_str(), row[2].c_str(),
                          static_cast<uint16_t>(std::stoi(row[3], nullptr, 16)));
    } else if (row[0] == "error") {
        AppendErrorLine(row.size() > 1 ? Unescape(row[1]) : "");
    } else {
        ASSERT_EQ(row[0], "song");
        const std::string path = Unescape(row[1]);
        const size_t at = SongList.size();
        AddSong({path.c_str(), nullptr, nullptr, std::stoi(row[4]), std::stoi(row[5]), {row.begin() + 6, row.end()}});
        if (row[2] != "-") SongList[at]->artist = Unescape(row[2]);
        if (row[3] != "-") SongList[at]->songName = Unescape(row[3]);
    }
}

class FormatsTest : public CatalogueTest {};

}  // namespace

TEST_F(FormatsTest, EveryCollectionGivesItsCommittedBytes) {
    const auto rows = ReadTableRows("report/collections.tsv");
    size_t collections = 0, files = 0;
    for (size_t i = 0; i < rows.size(); ++collections) {
        ASSERT_EQ(rows[i][0], "collection");
        const std::string name = rows[i][1];
        SCOPED_TRACE(name);
        ResetCatalogue();
        for (++i; i < rows.size() && rows[i][0] != "collection"; ++i) Apply(rows[i]);
        const std::pair<const char*, std::string> forms[] = {
            {".txt", BuildReport()}, {".json", BuildJsonReport()}, {".csv", BuildCsvReport()}, {".hints", BuildHintsAppendix()}};
        for (const auto& [ending, bytes] : forms) {
            const std::string expected = SourcePath("tests/data/report/" + name + ending);
            if (!std::filesystem::exists(expected)) continue;
            EXPECT_EQ(bytes, ReadFileBytes(expected)) << ending;
            ++files;
        }
        EXPECT_EQ(BuildExportBytes(ExportFormat::kText, false), forms[0].second);
        EXPECT_EQ(BuildExportBytes(ExportFormat::kText, true), forms[0].second + forms[3].second);
        EXPECT_EQ(BuildExportBytes(ExportFormat::kJson, true), forms[1].second);
        EXPECT_EQ(BuildExportBytes(ExportFormat::kCsv, false), forms[2].second);
    }
    EXPECT_EQ(collections, 12u);
    EXPECT_EQ(files, 29u);
}

TEST_F(FormatsTest, OtherKindRemarksCountEachKind) {
    InstallPlugins({"Here.dll"});
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"a.dll", "b.dll", "c.dll"}});
    ForeignLibraryAdd(ForeignLibraries, "c.dll", "/vst/arm", kPeMachineArm64);
    for (const char* name : {"a.dll", "b.dll"}) ForeignLibraryAdd(ForeignLibraries, name, "/vst/x86", kPeMachineI386);
    EXPECT_EQ(OtherKindRemarks(BuildMissingHints()),
              (std::vector<std::string>{"2 missing plug-ins exist only as 32-bit libraries",
                                        "1 missing plug-in exists only as an ARM64 library"}));
}

// The cases are rows of tests/data/report/name-keys.tsv: a name, its key.
TEST_F(FormatsTest, NamesAreCloseApartFromCaseBlanksVersionDigitsAndAProcessorMark) {
    for (const auto& row : ReadTableRows("report/name-keys.tsv"))
        EXPECT_EQ(PluginNameKey(row[0]), row.size() > 1 ? row[1] : "") << row[0];
}
