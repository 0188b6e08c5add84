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

bool Native() { return PeNativeMachine() == kPeMachineAmd64; }

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') + 1 - first);
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

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

// Each line of images.txt: an image, patches over it and what reading it gives.
TEST(PeImageTest, CommittedImagesReadAsTheirListSays) {
    const std::string folder = SourcePath("tests/data/inventory/pe/");
    std::istringstream lines(ReadFileBytes(folder + "images.txt"));
    const std::vector<std::string> problems = {"none",           "notPe",          "truncated", "badHeader",
                                               "sectionOutside", "exportsDamaged", "noMemory"};
    size_t checks = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> field;
        std::istringstream fields(line);
        for (std::string f; std::getline(fields, f, '|');) field.push_back(f);
        ASSERT_GE(field.size(), 5u) << line;
        std::string bytes = ReadFileBytes(folder + Trim(field[0]));
        for (const std::string& patch : Words(field[1])) {
            const size_t equals = patch.find('='), colon = patch.find(':');
            const size_t at = std::stoul(patch.substr(0, equals), nullptr, 16);
            const unsigned long value = std::stoul(patch.substr(equals + 1, colon - equals - 1), nullptr, 16);
            const int width = std::stoi(patch.substr(colon + 1));
            for (int i = 0; i < width; ++i) bytes.at(at + i) = static_cast<char>(value >> (8 * i));
        }
        int result = -1;
        const PeImage image = Read(bytes, &result);
        const std::vector<std::string> names = field.size() > 5 ? Words(field[5]) : std::vector<std::string>{};
        EXPECT_EQ(std::to_string(result), Trim(field[2])) << line;
        EXPECT_EQ(problems.at(static_cast<size_t>(image.problem)), Trim(field[3])) << line;
        if (result == 1 && Native()) {
            EXPECT_EQ(PeImageIsNativeLibrary(image) ? "yes" : "no", Trim(field[4])) << line;
        }
        EXPECT_EQ(image.exportNames, names) << line;
        for (const char* probe : {"main", "VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState"}) {
            const bool listed = std::find(names.begin(), names.end(), probe) != names.end();
            EXPECT_EQ(PeImageHasExport(image, probe), listed) << probe << " in " << line;
        }
        ++checks;
    }
    EXPECT_EQ(checks, 31u);
}

TEST(PeImageTest, ExportNamesMatchExactly) {
    const PeImage image = Read(ReadFileBytes(SourcePath("tests/data/inventory/pe/split.dll")));
    ASSERT_TRUE(PeImageHasExport(image, "VSTPluginMain"));
    for (const char* near : {"Main", "MAIN", "mai", "main ", "VSTPluginMai", "VSTPluginMainX", ""})
        EXPECT_FALSE(PeImageHasExport(image, near)) << near;
    EXPECT_FALSE(PeImageHasExport(image, nullptr));
}

TEST(PeImageTest, AnImageCutShortAnywhereIsRefusedWithoutReadingPastItsEnd) {
    // split.dll: "PE\0\0" at 0x80, its section table ends before 512, the
    // first section's data, and the file, after.
    const std::string bytes = ReadFileBytes(SourcePath("tests/data/inventory/pe/split.dll"));
    ASSERT_EQ(bytes.size(), 2048u);
    // Each cut is a fresh heap block of exactly that size, so that the
    // sanitizer catches any read past it.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        int result = -1;
        const PeImage image = Read(bytes.substr(0, cut), &result);
        ASSERT_EQ(result, 0) << "cut at " << cut;
        PeProblem expected = PeProblem::kSectionOutside;
        if (cut < 0x84) expected = PeProblem::kNotPe;
        else if (cut < 512) expected = PeProblem::kTruncated;
        ASSERT_EQ(image.problem, expected) << "cut at " << cut;
    }
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
