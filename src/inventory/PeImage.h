// Reads the few parts of a PE image (a Windows library) that tell whether it
// could be mapped as a library of this program's own processor kind and which
// names it exports, without ever running or relocating any of it. Works on a
// read-at-offset function, so that files, memory and fuzzers feed it alike.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr uint16_t kPeMachineI386 = 0x014C;
inline constexpr uint16_t kPeMachineAmd64 = 0x8664;
inline constexpr uint16_t kPeMachineArm64 = 0xAA64;
inline constexpr uint16_t kPeMagicPe32 = 0x010B;
inline constexpr uint16_t kPeMagicPe32Plus = 0x020B;
inline constexpr uint16_t kPeFileDll = 0x2000;  // IMAGE_FILE_DLL

// Names longer than this are not kept (no export a probe asks for comes close).
inline constexpr uint32_t kPeMaxExportNameLength = 8192;

// Why a read ended as it did; the result of PeImageRead says whether it did.
enum class PeProblem {
    kNone,
    kNotPe,             // no "MZ" header or no "PE\0\0" signature where it points
    kTruncated,         // the headers or the section table end past the file
    kBadHeader,         // optional header too small or of an unknown kind
    kSectionOutside,    // a section's raw data lies (partly) outside the file
    kExportsDamaged,    // the image is sound, but its export names are unreadable
    kNoMemory,
};

struct PeSection {
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawOffset = 0;
    uint32_t rawSize = 0;
};

struct PeImage {
    uint16_t machine = 0;
    uint16_t characteristics = 0;
    uint16_t optionalMagic = 0;
    uint32_t sizeOfHeaders = 0;
    std::vector<PeSection> sections;
    // Sorted (byte order) and without repeats.
    std::vector<std::string> exportNames;
    PeProblem problem = PeProblem::kNone;
};

// Reads n bytes at offset into buffer; returns how many it could read.
using PeReadAt = size_t (*)(void* source, uint64_t offset, void* buffer, size_t n);

// 1 when the headers and the section table are sound (any processor kind);
// the export names are then whatever the export directory yields (none when
// it is damaged, noted as kExportsDamaged). 0 otherwise, with the reason.
int PeImageRead(PeReadAt read, void* source, uint64_t fileSize, PeImage* image);
int PeImageReadMemory(const void* data, size_t size, PeImage* image);
// The file at path (0 with kNotPe when it cannot be opened).
int PeImageReadFile(const char* path, PeImage* image);

// The processor kind this program was built for (0 where PE has none).
uint16_t PeNativeMachine();
// A DLL of this program's processor kind with the optional header that kind
// uses: what the loader of this platform would agree to map.
bool PeImageIsNativeLibrary(const PeImage& image);
// Exact, case-sensitive; a forwarded export counts like any other.
bool PeImageHasExport(const PeImage& image, const char* name);
