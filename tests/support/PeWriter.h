// Writes PE library images (the files a VST folder holds) for tests, fuzz
// seeds and the benchmark: a real DLL layout with
// headers, a code section and an export directory with the given names,
// loadable by the Windows loader, without any code worth running.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kPeWriterI386 = 0x014C;
inline constexpr uint16_t kPeWriterAmd64 = 0x8664;
inline constexpr uint16_t kPeWriterArm64 = 0xAA64;

// The processor kind of the program being built (what the probe accepts).
uint16_t PeWriterNativeMachine();

struct PeExport {
    std::string name;
    std::string forwarder;  // "OTHER.Func": forwarded to another library; empty: a routine here
};

enum class PeExportPlacement {
    kEdata,  // directory, tables and names in an ".edata" section of their own
    kRdata,  // all of it behind other data in ".rdata", as most linkers do
    kSplit,  // directory and tables in ".edata", the name texts in ".rdata"
};

struct PeSpec {
    uint16_t machine = kPeWriterAmd64;
    bool pe32Plus = true;  // optional header kind: PE32+ (0x20B) or PE32 (0x10B)
    bool dll = true;       // IMAGE_FILE_DLL
    bool exportDirectory = true;
    std::string libraryName = "plugin.dll";  // the name the export directory gives itself
    std::vector<PeExport> exports;
    PeExportPlacement placement = PeExportPlacement::kEdata;
};

// Where the parts of a written image lie (file offsets), for tests that cut
// an image short or patch one field.
struct PeLayout {
    size_t peHeader = 0;  // "PE\0\0"
    size_t optionalHeader = 0;
    size_t exportDataDirectory = 0;  // the optional header's entry 0 (RVA, size)
    size_t sectionTable = 0;
    size_t sectionCount = 0;
    size_t headersEnd = 0;  // SizeOfHeaders
    std::vector<size_t> sectionEnds;
    // 0 when the image has no export directory.
    size_t exportDirectory = 0;
    size_t nameTable = 0;  // the name pointer table
    size_t firstName = 0;  // the first name text
    size_t namesEnd = 0;   // after the last name text
    uint32_t exportDirectoryRva = 0;
};

struct PeFile {
    std::string bytes;
    PeLayout layout;
};

PeFile BuildPeImage(const PeSpec& shape);

// A DLL of the given kind (PE32 for i386, PE32+ otherwise) exporting names.
PeSpec PeDllSpec(uint16_t machine, const std::vector<std::string>& exportNames);
// The same for this program's own processor kind.
PeSpec NativeDllSpec(const std::vector<std::string>& exportNames);
std::string NativeDllBytes(const std::vector<std::string>& exportNames);


// Field offsets inside the export directory, for patching hostile values.
inline constexpr size_t kPeExportNameCountField = 24;
inline constexpr size_t kPeExportNameTableField = 32;
