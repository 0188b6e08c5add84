#include "inventory/PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
const char kObjdump[] = "/usr/bin/x86_64-w64-mingw32-objdump";

int Read(const std::string& bytes, PeImage& image) {
    KeepSeed("pe", bytes);
    return PeImageReadMemory(bytes.data(), bytes.size(), &image);
}

bool Native() { return PeNativeMachine() == kPeMachineAmd64; }

// The names objdump lists in an image's name pointer table.
std::vector<std::string> ObjdumpExportNames(const std::string& path) {
    std::istringstream lines(RunProcess(kObjdump, {"-p", path}).out);
    std::vector<std::string> names;
    bool inTable = false;
    for (std::string line; std::getline(lines, line);) {
        const size_t close = line.find("] ");
        if (inTable && close == std::string::npos) break;
        if (inTable) names.push_back(line.substr(close + 2));
        inTable = inTable || line.find("[Ordinal/Name Pointer] Table") != std::string::npos;
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

}  // namespace

// Each row of images.tsv: an image, patches over it and what reading it gives.
TEST(PeImageTest, CommittedImagesReadAsTheirListSays) {
    const std::vector<std::string> problems = {"none",           "notPe",          "truncated", "badHeader",
                                               "sectionOutside", "exportsDamaged", "noMemory"};
    for (const auto& row : ReadTableRows("inventory/pe/images.tsv")) {
        ASSERT_GE(row.size(), 5u) << row[0];
        const std::string line = row[0] + " " + row[1];
        std::string bytes = ReadTestData("inventory/pe/" + row[0]);
        for (const std::string& patch : Words(row[1])) {
            size_t at = 0;
            unsigned long value = 0;
            int width = 0;
            ASSERT_EQ(std::sscanf(patch.c_str(), "%zx=%lx:%d", &at, &value, &width), 3) << patch;
            for (int i = 0; i < width; ++i) bytes.at(at + i) = static_cast<char>(value >> (8 * i));
        }
        PeImage image;
        const int result = Read(bytes, image);
        const std::vector<std::string> names = row.size() > 5 ? Words(row[5]) : std::vector<std::string>{};
        EXPECT_EQ(std::to_string(result), row[2]) << line;
        EXPECT_EQ(problems.at(static_cast<size_t>(image.problem)), row[3]) << line;
        const char* native = result != 1 ? "-" : PeImageIsNativeLibrary(image) ? "yes" : "no";
        EXPECT_TRUE(!Native() || native == row[4]) << line << ": native " << native;
        EXPECT_EQ(image.exportNames, names) << line;
        for (const char* probe : {"main", "VSTPluginMain", "DllRegisterServer", "MarkAuthorizationState", "Main",
                                  "MAIN", "mai", "main ", "VSTPluginMai", "VSTPluginMainX", ""}) {
            const bool listed = std::find(names.begin(), names.end(), probe) != names.end();
            EXPECT_EQ(PeImageHasExport(image, probe), listed) << probe << " in " << line;
        }
        EXPECT_FALSE(PeImageHasExport(image, nullptr)) << line;
    }
}

TEST(PeImageTest, AnImageCutShortAnywhereIsRefusedWithoutReadingPastItsEnd) {
    // split.dll: "PE\0\0" at 0x80, its section table ends before 512, the
    // first section's data, and the file, after.
    const std::string bytes = ReadTestData("inventory/pe/split.dll");
    ASSERT_EQ(bytes.size(), 2048u);
    // Each cut is a fresh heap block of exactly that size, so that the
    // sanitizer catches any read past it.
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        PeImage image;
        ASSERT_EQ(Read(bytes.substr(0, cut), image), 0) << "cut at " << cut;
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
        PeImage image;
        ASSERT_EQ(PeImageReadFile(path.c_str(), &image), 1) << path;
        EXPECT_EQ(image.problem, PeProblem::kNone) << path;
        EXPECT_EQ(image.machine, kPeMachineAmd64) << path;
        const bool maps = LibraryPtr(LibraryMap(path.c_str())) != nullptr;
        EXPECT_EQ(maps, (image.characteristics & kPeFileDll) != 0) << path;
        libraries += entry.path().extension() == ".dll";
        mapped += maps;
    }
    EXPECT_GT(libraries, 100u);
    EXPECT_GE(mapped, libraries);

    if (!std::filesystem::exists(kObjdump)) GTEST_SKIP() << "no objdump for PE images";
    // zlib1 is a PE32 image from the 32-bit side.
    for (const char* name :
         {"version.dll", "kernel32.dll", "ole32.dll", "msvcrt.dll", "user32.dll", "../i386-windows/zlib1.dll"}) {
        const std::string path = std::string(kWineDlls64) + "/" + name;
        if (!std::filesystem::exists(path)) continue;
        PeImage image;
        Read(ReadFileBytes(path), image);
        const std::vector<std::string> listed = ObjdumpExportNames(path);
        EXPECT_FALSE(listed.empty()) << name;
        EXPECT_EQ(image.exportNames, listed) << name;
    }
}
