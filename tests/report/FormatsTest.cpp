// The results for programs (JSON, CSV) and the hints: exact layouts, every
// byte that is no UTF-8, and what makes two names close.
#include <gtest/gtest.h>

#include "core/Results.h"
#include "harness/Harness.h"
#include "inventory/ForeignLibraries.h"
#include "inventory/PeImage.h"
#include "platform/Utf8Text.h"
#include "report/CsvReport.h"
#include "report/Hints.h"
#include "report/JsonReport.h"
#include "report/Report.h"

namespace {

bool IsValidUtf8(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {
            ++i;
        } else if (const size_t length = Utf8SequenceLength(std::string_view(text).substr(i))) {
            i += length;
        } else {
            return false;
        }
    }
    return true;
}

// Installed: Delay_x64.dll, Reverb.dll (used), Idle.dll; missing: Delay.dll
// (close to Delay_x64.dll) and Old.dll (here only as a 32-bit library).
void CollectionWithHints() {
    InstallPlugins({"Delay_x64.dll", "Reverb.dll"}, "/vst");
    InstallPlugins({"Idle.dll"}, "/vst/more");
    ForeignLibraryAdd(ForeignLibraries, "Old.dll", "/vst/x86", kPeMachineI386);
    AddSong({"/s/One, the first.xrns", "Me", "Say \"hi\"", 125, 6, {"Delay.dll", "Reverb.dll", "delay.dll", "Old.dll"}});
    AddSong({"/s/two.xml"});
    AppendErrorLine("Error: Could not extract \"/s/bad.xrns\"!");
}

class FormatsTest : public CatalogueTest {};

}  // namespace

TEST_F(FormatsTest, JsonLayout) {
    CollectionWithHints();
    const std::string expected = ReadFileBytes(SourcePath("tests/data/report/hints-collection.json"));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(BuildJsonReport(), expected);
    // Without an inventory nothing is known to be missing or unused.
    ResetCatalogue();
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"x.dll"}});
    const std::string bare = BuildJsonReport();
    for (const char* part : {"  \"inventory\": false,\n", "{\"name\": \"x.dll\", \"instances\": 1, \"missing\": null}",
                             "  \"missing\": null,\n  \"unused\": null,\n  \"installed\": [],\n  \"errors\": []\n}\n"})
        EXPECT_NE(bare.find(part), std::string::npos) << part << "\n" << bare;
    ResetCatalogue();
    InstallPlugins({"a.dll"});
    EXPECT_NE(BuildJsonReport().find("  \"missing\": [],\n  \"unused\": [],\n"), std::string::npos);
}

TEST_F(FormatsTest, CsvRowsAndQuoting) {
    CollectionWithHints();
    EXPECT_EQ(BuildCsvReport(),
              "kind,path,song,plugin,instances,missing,other_kind,did_you_mean,error\r\n"
              "use,\"/s/One, the first.xrns\",\"Say \"\"hi\"\"\",Delay.dll,2,yes,,Delay_x64.dll,\r\n"
              "use,\"/s/One, the first.xrns\",\"Say \"\"hi\"\"\",Old.dll,1,yes,32-bit,,\r\n"
              "use,\"/s/One, the first.xrns\",\"Say \"\"hi\"\"\",Reverb.dll,1,no,,,\r\n"
              "error,,,,,,,,\"Error: Could not extract \"\"/s/bad.xrns\"\"!\"\r\n");
    ResetCatalogue();
    AddSong({"/s/a\nb.xrns", nullptr, nullptr, 0, 0, {"x.dll"}});
    const std::string csv = BuildCsvReport();
    EXPECT_EQ(csv.substr(csv.find('\n') + 1), "use,\"/s/a\nb.xrns\",,x.dll,1,,,,\r\n");  // missing: not known
}

TEST_F(FormatsTest, EveryByteBecomesValidUtf8AndNoneIsLost) {
    struct Case {
        std::string text;
        const char* json;  // the JSON string's contents
        const char* csv;   // the same text as plain UTF-8
        const char* why;
    } cases[] = {
        {"a\"b\\c/", "a\\\"b\\\\c/", "a\"b\\c/", "quote and backslash"},
        {"\n\r\t\x01\x1f\x7f", "\\n\\r\\t\\u0001\\u001f\x7f", "\n\r\t\x01\x1f\x7f", "controls"},
        {"Caf\xC3\xA9 \xE2\x99\xAA \xF0\x9F\x8E\xB9", "Caf\xC3\xA9 \xE2\x99\xAA \xF0\x9F\x8E\xB9",
         "Caf\xC3\xA9 \xE2\x99\xAA \xF0\x9F\x8E\xB9", "valid UTF-8 of two to four bytes"},
        {"Caf\xE9", "Caf\\u00e9", "Caf\xC3\xA9", "an 8-bit path"},
        {"\x80\x81\x9F\xA0\xFF", "\\u20ac\\u0081\\u0178\\u00a0\\u00ff", "\xE2\x82\xAC\xC2\x81\xC5\xB8\xC2\xA0\xC3\xBF",
         "Windows-1252 above 0x7F"},
        {"\xC0\xAF\xE0\x80\xAF", "\\u00c0\\u00af\\u00e0\\u20ac\\u00af",
         "\xC3\x80\xC2\xAF\xC3\xA0\xE2\x82\xAC\xC2\xAF", "overlong forms"},
        {"\xED\xA0\x80", "\\u00ed\\u00a0\\u20ac", "\xC3\xAD\xC2\xA0\xE2\x82\xAC", "a surrogate"},
        {"\xF4\x90\x80\x80", "\\u00f4\\u0090\\u20ac\\u20ac", "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC",
         "above U+10FFFF"},
        {"x\xE2\x99", "x\\u00e2\\u2122", "x\xC3\xA2\xE2\x84\xA2", "a sequence cut off at the end"},
        {std::string("cut\0here", 8), "cut", "cut", "a text ends at its first zero, as in the text report"},
    };
    for (const Case& c : cases) {
        ResetCatalogue();
        AppendErrorLine(c.text);
        const std::string json = BuildJsonReport();
        EXPECT_NE(json.find("  \"errors\": [\n    \"" + std::string(c.json) + "\"\n  ]"), std::string::npos)
            << c.why << "\n" << json;
        EXPECT_TRUE(IsValidUtf8(json)) << c.why;
        std::string utf8;
        AppendAsUtf8(utf8, c.text);
        EXPECT_EQ(utf8, c.csv) << c.why;
    }
}

TEST_F(FormatsTest, NamesAreCloseApartFromCaseBlanksVersionDigitsAndAProcessorMark) {
    const std::pair<const char*, const char*> cases[] = {
        {"Delay.dll", "delay"},         {"DELAY_x64.DLL", "delay"},     {"Delay (x64).dll", "delay"},
        {"Delay-x86_64.dll", "delay"},  {"Delay64.dll", "delay"},       {"Delay 2.dll", "delay"},
        {"Delay v2.1.dll", "delay"},    {"delay_win32.dll", "delay"},   {"Vocoder.dll", "vocoder"},
        {"Synthv2.dll", "synthv"},       {"Super Saw.dll", "supersaw"},  {"V2.dll", ""},
        {"x64.dll", ""},                {"Waves C4", "wavesc"},         {"Mix8x64", "mix"},
    };
    for (const auto& [name, key] : cases) EXPECT_EQ(PluginNameKey(name), key) << name;
}

TEST_F(FormatsTest, HintsNameTheFirstCloseInstalledPlugInAndTheOtherKind) {
    EXPECT_TRUE(BuildMissingHints().empty());
    CollectionWithHints();
    InstallPlugins({"delay 2.dll"}, "/vst");  // also close, and before Delay_x64.dll in the inventory
    ForeignLibraryAdd(ForeignLibraries, "Delay.dll", "/vst/arm", kPeMachineArm64);
    const std::vector<MissingHint> hints = BuildMissingHints();
    ASSERT_EQ(hints.size(), 2u);
    EXPECT_EQ(hints[0].missing->name + " " + hints[0].closeName->name + " " + hints[0].otherKind->folder,
              "Delay.dll delay 2.dll /vst/arm");
    EXPECT_EQ(hints[1].closeName, nullptr);
    EXPECT_EQ(OtherKindRemarks(hints), (std::vector<std::string>{"1 missing plug-in exists only as a 32-bit library",
                                                                 "1 missing plug-in exists only as an ARM64 library"}));
    ForeignLibraryAdd(ForeignLibraries, "Delay.dll", "/vst/x86", kPeMachineI386);  // the first of a name stays
    EXPECT_EQ(ForeignLibraryFind("DELAY.DLL")->folder, "/vst/arm");
}

TEST_F(FormatsTest, TheHintsAppendixFollowsTheReport) {
    const std::string header =
        "\r\n--- Hints: ---------------------------------------------------------------------\r\n\r\n\r\n\r\n";
    EXPECT_EQ(BuildHintsAppendix(), header + "Info not available!\r\n\r\n\r\n");
    InstallPlugins({"Reverb.dll"});
    EXPECT_EQ(BuildHintsAppendix(), header + "No missing plugins found!\r\n\r\n\r\n");
    AddSong({"/s/a.xrns", nullptr, nullptr, 0, 0, {"Gone.dll"}});
    EXPECT_EQ(BuildHintsAppendix(), header + "No hints for the missing plugins!\r\n\r\n\r\n");
    ResetCatalogue();
    CollectionWithHints();
    EXPECT_EQ(BuildExportBytes(ExportFormat::kText, true),
              BuildReport() + header + "Delay.dll missing \xE2\x80\x94 did you mean Delay_x64.dll?\r\n" +
                  "Old.dll missing \xE2\x80\x94 exists only as a 32-bit library: /vst/x86/Old.dll\r\n\r\n\r\n");
    EXPECT_EQ(BuildExportBytes(ExportFormat::kJson, true), BuildJsonReport());
    EXPECT_EQ(BuildExportBytes(ExportFormat::kCsv, true), BuildCsvReport());
}
