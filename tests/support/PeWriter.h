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

struct PeSpec {
    uint16_t machine = kPeWriterAmd64;  // i386 images get a PE32 optional header, others PE32+
    std::vector<std::string> exportNames;
};

struct PeFile {
    std::string bytes;
};

// The export directory, its tables and the name texts lie in an ".edata"
// section of their own.
PeFile BuildPeImage(const PeSpec& shape);

// A DLL of the given kind (PE32 for i386, PE32+ otherwise) exporting names.
PeSpec PeDllSpec(uint16_t machine, const std::vector<std::string>& exportNames);
// The same for this program's own processor kind, as bytes.
std::string NativeDllBytes(const std::vector<std::string>& exportNames);

