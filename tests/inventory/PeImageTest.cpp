#include "inventory/PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "harness/Harness.h"
#include "harness/Process.h"
#include "platform/Library.h"
#include "support/Bytes.h"
#include "support/PeWriter.h"
#include "harness/Seeds.h"

namespace {

const char kWineDlls64[] = "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows";
const char kWineDlls32[] = "/usr/lib/x86_64-linux-gnu/wine/i386-windows";
const char kObjdump[] = "/usr/bin/x86_64-w64-mingw32-objdump";

PeImage Read(const std::string& bytes, int* result = nullptr) {
    KeepSeed("pe", bytes);
    PeImage image;
    const int r = PeImageReadMemory(bytes.data(), bytes.size(), &image);
    if (result) *result = r;
    return image;
}

bool Native() { return PeWriterNativeMachine() == kPeMachineAmd64; }

// The names objdump lists in an image's name pointer table.
std::vector<std::string> ObjdumpExportNames(const std::string& path) {
    const ProcessResult run = RunProcess(kObjdump, {"-p", path});
    std::vector<std::string> names;
    std::istringstream lines(run.out);
    std::string line;
    bool inTable = false;
    while (std::getline(lines, line)) {
        if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
            inTable = true;
        } else if (inTable) {
            const size_t close = line.find("] ");
            if (line.empty() || close == std::string::npos) break;
            names.push_back(line.substr(close + 2));
        }
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace

TEST(PeImageTest, LibraryKindDecidesWhetherItMapsHere) {
    if (!Native()) GTEST_SKIP() << "the table is written for an x86-64 build";
    struct Case {
        const char* what;
        PeSpec shape;
        bool native;
    };
    PeSpec noDllFlag = PeDllSpec(kPeWriterAmd64, {"main"});
    noDllFlag.dll = false;
    PeSpec wrongMagic = PeDllSpec(kPeWriterAmd64, {"main"});
    wrongMagic.pe32Plus = false;
    PeSpec noExports = PeDllSpec(kPeWriterAmd64, {});
    noExports.exportDirectory = false;
    const Case cases[] = {
        {"PE32+ x86-64 DLL", PeDllSpec(kPeWriterAmd64, {"main"}), true},
        {"PE32 i386 DLL", PeDllSpec(kPeWriterI386, {"main"}), false},
        {"PE32+ ARM64 DLL", PeDllSpec(kPeWriterArm64, {"main"}), false},
        {"x86-64 program, no DLL flag", noDllFlag, false},
        {"x86-64 with a PE32 optional header", wrongMagic, false},
        {"x86-64 DLL without export directory", noExports, true},
    };
    for (const Case& c : cases) {
        int result = 0;
        const PeImage image = Read(BuildPeImage(c.shape).bytes, &result);
        EXPECT_EQ(result, 1) << c.what;
        EXPECT_EQ(image.problem, PeProblem::kNone) << c.what;
        EXPECT_EQ(PeImageIsNativeLibrary(image), c.native) << c.what;
        EXPECT_EQ(PeImageHasExport(image, "main"), c.shape.exportDirectory) << c.what;
    }
}

TEST(PeImageTest, ExportNamesMatchExactlyWhereverTheExportDataLies) {
    for (PeExportPlacement placement :
         {PeExportPlacement::kEdata, PeExportPlacement::kRdata, PeExportPlacement::kSplit}) {
        PeSpec shape = NativeDllSpec({"VSTPluginMain", "main", "DllRegisterServer"});
        shape.exports.push_back(PeExport{"MarkAuthorizationState", "WAVESLIB.MarkAuthorizationState"});
        shape.placement = placement;
        const PeImage image = Read(BuildPeImage(shape).bytes);
        SCOPED_TRACE(static_cast<int>(placement));
        EXPECT_EQ(image.problem, PeProblem::kNone);
        EXPECT_EQ(image.exportNames,
                  (std::vector<std::string>{"DllRegisterServer", "MarkAuthorizationState", "VSTPluginMain", "main"}));
        EXPECT_TRUE(PeImageHasExport(image, "MarkAuthorizationState")) << "a forwarded export counts";
        for (const char* near : {"Main", "MAIN", "mai", "main ", "VSTPluginMai", "VSTPluginMainX", ""})
            EXPECT_FALSE(PeImageHasExport(image, near)) << near;
        EXPECT_FALSE(PeImageHasExport(image, nullptr));
    }
}

TEST(PeImageTest, AnImageCutShortAnywhereIsRefusedWithoutReadingPastItsEnd) {
    PeSpec shape = NativeDllSpec({"VSTPluginMain", "main"});
    shape.placement = PeExportPlacement::kSplit;
    const PeFile file = BuildPeImage(shape);
    const PeLayout& at = file.layout;
    // Each cut is a fresh heap block of exactly that size, so that the
    // sanitizer catches any read past it.
    for (size_t cut = 0; cut < file.bytes.size(); ++cut) {
        const std::string head = file.bytes.substr(0, cut);
        int result = -1;
        const PeImage image = Read(head, &result);
        ASSERT_EQ(result, 0) << "cut at " << cut;
        PeProblem expected = PeProblem::kSectionOutside;
        if (cut < at.peHeader + 4) expected = PeProblem::kNotPe;
        else if (cut < at.headersEnd && cut < at.sectionTable + 40 * at.sectionCount) expected = PeProblem::kTruncated;
        ASSERT_EQ(image.problem, expected) << "cut at " << cut;
    }
    EXPECT_EQ(Read(file.bytes).problem, PeProblem::kNone);
}

TEST(PeImageTest, HostileHeadersAndExportTables) {
    const PeFile base = BuildPeImage(NativeDllSpec({"DllRegisterServer", "MarkAuthorizationState", "main"}));
    const PeLayout& at = base.layout;
    const size_t coff = at.peHeader + 4, section = at.sectionTable, names = at.nameTable;
    const size_t nameCount = at.exportDirectory + kPeExportNameCountField;
    const uint32_t zeroTail = at.exportDirectoryRva + 0x600;  // inside a section, beyond its data
    const uint32_t firstName = at.exportDirectoryRva + static_cast<uint32_t>(at.firstName - at.exportDirectory);
    struct Patch {
        size_t at;
        uint32_t value;
        int width = 4;  // little-endian bytes written
    };
    struct Case {
        const char* what;
        std::vector<Patch> patches;
        int result;
        PeProblem problem;
        std::vector<std::string> names;  // what is still readable
    };
    const std::vector<std::string> all = {"DllRegisterServer", "MarkAuthorizationState", "main"};
    const Case cases[] = {
        {"untouched", {}, 1, PeProblem::kNone, all},
        {"no MZ", {{0, 'X', 1}}, 0, PeProblem::kNotPe, {}},
        {"PE header offset far beyond the file", {{0x3C, 0xFFFFFFF0}}, 0, PeProblem::kNotPe, {}},
        {"no PE signature", {{at.peHeader, 'N', 1}}, 0, PeProblem::kNotPe, {}},
        {"65535 sections claimed", {{coff + 2, 0xFFFF, 2}}, 0, PeProblem::kTruncated, {}},
        {"optional header size 0", {{coff + 16, 0, 2}}, 0, PeProblem::kBadHeader, {}},
        {"optional header too small for PE32+", {{coff + 16, 100, 2}}, 0, PeProblem::kBadHeader, {}},
        {"optional header magic unknown", {{at.optionalHeader, 0x107, 2}}, 0, PeProblem::kBadHeader, {}},
        {"section data offset wraps around", {{section + 20, 0xFFFFFE00}}, 0, PeProblem::kSectionOutside, {}},
        {"section data longer than the file", {{section + 16, 0x7FFFFFFF}}, 0, PeProblem::kSectionOutside, {}},
        {"sections out of order", {{section + 40 + 12, 0x800}}, 0, PeProblem::kBadHeader, {}},
        {"no data directories", {{at.exportDataDirectory - 4, 0}}, 1, PeProblem::kNone, {}},
        {"export directory outside every section", {{at.exportDataDirectory, 0xFFFFFFF0}}, 1,
         PeProblem::kExportsDamaged, {}},
        {"export directory in a section's zero-filled tail", {{at.exportDataDirectory, zeroTail}}, 1,
         PeProblem::kExportsDamaged, {}},
        {"4 billion names", {{nameCount, 0xFFFFFFFF}}, 1, PeProblem::kExportsDamaged, {}},
        {"names whose table size wraps to 0 in 32 bits", {{nameCount, 0x40000000}}, 1, PeProblem::kExportsDamaged, {}},
        {"name table outside every section", {{at.exportDirectory + kPeExportNameTableField, 0x7FFFF000}}, 1,
         PeProblem::kExportsDamaged, {}},
        {"one name pointer outside", {{names, 0xFFFFFFFF}}, 1, PeProblem::kNone, {"MarkAuthorizationState", "main"}},
        {"name pointers into a section's zero-filled tail",
         {{names, zeroTail}, {names + 4, zeroTail}, {names + 8, zeroTail}}, 1, PeProblem::kNone, {}},
        {"all name pointers at one text", {{names, firstName}, {names + 4, firstName}, {names + 8, firstName}}, 1,
         PeProblem::kNone, {"DllRegisterServer"}},
        // As many name pointers as the section holds: the tables and texts
        // behind the real pointers are read as pointers too, and lead nowhere.
        {"name table running over the texts", {{nameCount, static_cast<uint32_t>((at.namesEnd - names) / 4)}}, 1,
         PeProblem::kNone, all},
    };
    for (const Case& c : cases) {
        std::string bytes = base.bytes;
        for (const Patch& p : c.patches)
            for (int i = 0; i < p.width; ++i) bytes[p.at + i] = static_cast<char>(p.value >> (8 * i));
        int result = -1;
        const PeImage image = Read(bytes, &result);
        EXPECT_EQ(result, c.result) << c.what;
        EXPECT_EQ(image.problem, c.problem) << c.what;
        EXPECT_EQ(image.exportNames, c.names) << c.what;
    }
    // The last name runs on to the end of its section without a zero.
    std::string bytes = base.bytes;
    std::fill(bytes.begin() + at.namesEnd - 1, bytes.begin() + at.sectionEnds.back(), 'x');
    EXPECT_EQ(Read(bytes).exportNames, (std::vector<std::string>{"DllRegisterServer", "MarkAuthorizationState"}));
}

TEST(PeImageTest, PointersIntoOneLongTextCostNoMoreThanTheFile) {
    // 700 pointers each one byte further into the same run of 3,000 letters:
    // about two million bytes of names if each were kept, from an 8 KB file.
    PeSpec shape = NativeDllSpec({"a"});
    shape.libraryName = std::string(6000, 'L');
    const PeFile file = BuildPeImage(shape);
    const PeLayout& at = file.layout;
    ByteWriter w;
    w.bytes = file.bytes;
    const uint32_t count = 700;
    const uint32_t ownNameRva = at.exportDirectoryRva + 40 + 4 + 4 + 2;  // behind the one-entry tables
    const size_t ownName = at.exportDirectory + 40 + 4 + 4 + 2;
    w.PatchU32(at.exportDirectory + kPeExportNameCountField, count);
    w.PatchU32(at.exportDirectory + kPeExportNameTableField, ownNameRva);  // the table overlays the letters
    for (uint32_t i = 0; i < count; ++i) w.PatchU32(ownName + 4 * i, ownNameRva + 3000 + i);
    int result = 0;
    const PeImage image = Read(w.bytes, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(image.problem, PeProblem::kExportsDamaged);
    EXPECT_TRUE(image.exportNames.empty());
}

TEST(PeImageTest, WineLibrariesMapAndExportWhatObjdumpLists) {
    if (!std::filesystem::is_directory(kWineDlls64)) GTEST_SKIP() << "Wine's PE libraries are not installed";
    if (!Native()) GTEST_SKIP() << "the libraries are x86-64 ones";
    size_t libraries = 0, mapped = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kWineDlls64)) {
        const std::string path = entry.path().string();
        const std::string bytes = ReadFileBytes(path);
        PeImage image;
        ASSERT_EQ(PeImageReadMemory(bytes.data(), bytes.size(), &image), 1) << path;
        EXPECT_EQ(image.problem, PeProblem::kNone) << path;
        EXPECT_EQ(image.machine, kPeMachineAmd64) << path;
        const bool maps = LibraryPtr(LibraryMap(path.c_str())) != nullptr;
        EXPECT_EQ(maps, (image.characteristics & kPeFileDll) != 0) << path;
        libraries += entry.path().extension() == ".dll";
        mapped += maps;
    }
    EXPECT_GT(libraries, 100u);
    EXPECT_GE(mapped, libraries);

    const std::string kernel32 = std::string(kWineDlls64) + "/kernel32.dll";
    LibraryPtr library(LibraryMap(kernel32.c_str()));
    ASSERT_TRUE(library);
    EXPECT_TRUE(LibraryHasExport(library.get(), "GetProcAddress"));
    EXPECT_TRUE(LibraryHasExport(library.get(), "HeapAlloc")) << "forwarded to ntdll";
    EXPECT_FALSE(LibraryHasExport(library.get(), "getprocaddress"));
    EXPECT_FALSE(LibraryHasExport(library.get(), "VSTPluginMain"));

    if (!std::filesystem::exists(kObjdump)) GTEST_SKIP() << "no objdump for PE images";
    for (const char* name : {"version.dll", "kernel32.dll", "ole32.dll", "msvcrt.dll", "user32.dll"}) {
        const std::string path = std::string(kWineDlls64) + "/" + name;
        if (!std::filesystem::exists(path)) continue;
        const std::string bytes = ReadFileBytes(path);
        const PeImage image = Read(bytes);
        const std::vector<std::string> listed = ObjdumpExportNames(path);
        EXPECT_FALSE(listed.empty()) << name;
        EXPECT_EQ(image.exportNames, listed) << name;
    }
    const std::string zlib32 = std::string(kWineDlls32) + "/zlib1.dll";
    if (std::filesystem::exists(zlib32)) {
        const PeImage image = Read(ReadFileBytes(zlib32));
        EXPECT_EQ(image.machine, kPeMachineI386);
        EXPECT_EQ(image.optionalMagic, kPeMagicPe32);
        EXPECT_EQ(image.exportNames, ObjdumpExportNames(zlib32));
        EXPECT_FALSE(LibraryPtr(LibraryMap(zlib32.c_str()))) << "another processor's library";
    }
}
