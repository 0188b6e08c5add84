#include "inventory/PeImage.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "core/ByteOrder.h"
#include "platform/Files.h"

namespace {

// DOS header
constexpr uint64_t kDosHeaderSize = 64;
constexpr uint64_t kDosLfanew = 0x3C;
// "PE\0\0" and the COFF file header after it
constexpr uint64_t kPeSignatureSize = 4;
constexpr uint64_t kCoffHeaderSize = 20;
constexpr uint64_t kCoffMachine = 0;
constexpr uint64_t kCoffSectionCount = 2;
constexpr uint64_t kCoffOptionalSize = 16;
constexpr uint64_t kCoffCharacteristics = 18;
// Optional header (PE32 / PE32+ where they differ)
constexpr uint64_t kOptMagic = 0;
constexpr uint64_t kOptSizeOfHeaders = 60;
constexpr uint64_t kOpt32DirectoryCount = 92;
constexpr uint64_t kOpt32Directories = 96;
constexpr uint64_t kOpt64DirectoryCount = 108;
constexpr uint64_t kOpt64Directories = 112;
constexpr uint64_t kDirectoryEntrySize = 8;  // RVA, size; the export directory is entry 0
// Section header
constexpr uint64_t kSectionHeaderSize = 40;
constexpr uint64_t kSecVirtualSize = 8;
constexpr uint64_t kSecVirtualAddress = 12;
constexpr uint64_t kSecRawSize = 16;
constexpr uint64_t kSecRawOffset = 20;
// Export directory
constexpr uint64_t kExportDirectorySize = 40;
constexpr uint64_t kExpNameCount = 24;
constexpr uint64_t kExpNameTable = 32;

struct Source {
    PeReadAt read;
    void* context;
    uint64_t size;

    // All n bytes at offset, or false; nothing past the file's end is asked for.
    bool Holds(uint64_t offset, uint64_t n) const { return offset <= size && n <= size - offset; }
    bool Fetch(uint64_t offset, void* buffer, size_t n) const {
        if (!Holds(offset, n)) return false;
        return n == 0 || read(context, offset, buffer, n) == n;
    }
};

int Fail(PeImage* image, PeProblem problem) {
    image->problem = problem;
    return 0;
}

// The part of a section that the file backs; the rest of a loaded section is
// zero-filled memory that holds no names.
uint64_t Backed(const PeSection& s) {
    if (s.virtualSize != 0 && s.virtualSize < s.rawSize) return s.virtualSize;
    return s.rawSize;
}

// Region 0 is the headers (mapped at RVA 0 up to the first section), region
// i+1 is section i. Regions are disjoint and ascending, as the section table
// has been checked to be.
struct Mapped {
    uint64_t offset = 0;
    uint64_t available = 0;  // bytes from offset to the end of the region
    size_t region = 0;
};

bool MapRva(const PeImage& image, uint64_t fileSize, uint32_t rva, Mapped* out) {
    const auto& sections = image.sections;
    auto after = std::upper_bound(sections.begin(), sections.end(), rva,
                                  [](uint32_t value, const PeSection& s) { return value < s.virtualAddress; });
    if (after != sections.begin()) {
        const PeSection& s = *(after - 1);
        const uint64_t into = static_cast<uint64_t>(rva) - s.virtualAddress;
        if (into < Backed(s)) {
            out->offset = static_cast<uint64_t>(s.rawOffset) + into;
            out->available = Backed(s) - into;
            out->region = static_cast<size_t>(after - sections.begin());
            return true;
        }
        return false;
    }
    uint64_t headers = std::min<uint64_t>(image.sizeOfHeaders, fileSize);
    if (!sections.empty()) headers = std::min<uint64_t>(headers, sections.front().virtualAddress);
    if (rva >= headers) return false;
    out->offset = rva;
    out->available = headers - rva;
    out->region = 0;
    return true;
}

// Names of one region: the bytes from the first name to the end of the last
// one are read in a single piece. Every byte read and every byte scanned is
// charged to a budget of twice the file size, which an honest image (names
// that do not overlap, sections whose file data do not overlap) never
// exhausts, and which keeps a hostile table of millions of pointers into the
// same bytes from costing more than the file itself.
struct NameCollector {
    const Source& source;
    uint64_t budget;
    std::vector<std::string>& names;
    std::vector<uint64_t> offsets;  // ascending, of the region at hand
    uint64_t regionEnd = 0;         // file offset where the region's backed data ends

    bool Flush() {
        if (offsets.empty()) return true;
        const uint64_t first = offsets.front();
        const uint64_t lastStart = offsets.back();
        const uint64_t end = std::min(regionEnd, lastStart + kPeMaxExportNameLength + 1);
        const uint64_t span = end - first;
        if (span > budget) return false;
        budget -= span;
        std::vector<char> bytes(static_cast<size_t>(span));
        if (!source.Fetch(first, bytes.data(), bytes.size())) return false;
        for (uint64_t offset : offsets) {
            const size_t at = static_cast<size_t>(offset - first);
            const size_t room = std::min<size_t>(bytes.size() - at, kPeMaxExportNameLength + 1);
            const size_t scan = static_cast<size_t>(std::min<uint64_t>(room, budget));
            const void* zero = std::memchr(bytes.data() + at, 0, scan);
            if (!zero) {
                if (scan < room) return false;  // out of budget: a hostile table
                continue;                       // unterminated or too long: not a name
            }
            const size_t length = static_cast<size_t>(static_cast<const char*>(zero) - (bytes.data() + at));
            budget -= length + 1;
            names.emplace_back(bytes.data() + at, length);
        }
        offsets.clear();
        return true;
    }
};

// Export names, or false when the export directory cannot be read in full.
bool ReadExportNames(const Source& source, const PeImage& image, uint32_t directoryRva,
                     std::vector<std::string>& names) {
    Mapped where;
    if (!MapRva(image, source.size, directoryRva, &where) || where.available < kExportDirectorySize) return false;
    unsigned char directory[kExportDirectorySize];
    if (!source.Fetch(where.offset, directory, sizeof directory)) return false;
    const uint32_t count = LoadLe32(directory + kExpNameCount);
    if (count == 0) return true;
    // The pointer table must lie within one region of the file, so its size
    // (and this allocation) is bounded by the file's size.
    const uint64_t tableSize = static_cast<uint64_t>(count) * 4;
    if (!MapRva(image, source.size, LoadLe32(directory + kExpNameTable), &where) || where.available < tableSize)
        return false;
    std::vector<unsigned char> table(static_cast<size_t>(tableSize));
    if (!source.Fetch(where.offset, table.data(), table.size())) return false;
    std::vector<uint32_t> rvas(count);
    for (uint32_t i = 0; i < count; ++i) rvas[i] = LoadLe32(table.data() + 4 * static_cast<size_t>(i));
    table = std::vector<unsigned char>();
    std::sort(rvas.begin(), rvas.end());
    rvas.erase(std::unique(rvas.begin(), rvas.end()), rvas.end());

    NameCollector collector{source, source.size * 2, names, {}, 0};
    size_t region = SIZE_MAX;
    for (uint32_t rva : rvas) {
        Mapped name;
        if (!MapRva(image, source.size, rva, &name)) continue;  // a pointer into nothing names nothing
        if (name.region != region) {
            if (!collector.Flush()) return false;
            region = name.region;
            collector.regionEnd = name.offset + name.available;
        }
        collector.offsets.push_back(name.offset);
    }
    return collector.Flush();
}

int ReadImage(const Source& source, PeImage* image) {
    unsigned char dos[kDosHeaderSize];
    if (!source.Fetch(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return Fail(image, PeProblem::kNotPe);
    const uint64_t peOffset = LoadLe32(dos + kDosLfanew);
    unsigned char pe[kPeSignatureSize + kCoffHeaderSize];
    if (!source.Fetch(peOffset, pe, sizeof pe)) {
        // A signature that is there but cut off is a damaged image, not a stranger.
        unsigned char signature[kPeSignatureSize];
        const bool hasSignature = source.Fetch(peOffset, signature, sizeof signature) &&
                                  std::memcmp(signature, "PE\0\0", kPeSignatureSize) == 0;
        return Fail(image, hasSignature ? PeProblem::kTruncated : PeProblem::kNotPe);
    }
    if (std::memcmp(pe, "PE\0\0", kPeSignatureSize) != 0) return Fail(image, PeProblem::kNotPe);
    const unsigned char* coff = pe + kPeSignatureSize;
    image->machine = LoadLe16(coff + kCoffMachine);
    image->characteristics = LoadLe16(coff + kCoffCharacteristics);
    const uint32_t sectionCount = LoadLe16(coff + kCoffSectionCount);
    const uint32_t optionalSize = LoadLe16(coff + kCoffOptionalSize);

    const uint64_t optionalOffset = peOffset + sizeof pe;
    if (!source.Holds(optionalOffset, optionalSize)) return Fail(image, PeProblem::kTruncated);
    std::vector<unsigned char> optional(optionalSize);
    if (!source.Fetch(optionalOffset, optional.data(), optional.size())) return Fail(image, PeProblem::kTruncated);
    if (optionalSize < 2) return Fail(image, PeProblem::kBadHeader);
    image->optionalMagic = LoadLe16(optional.data() + kOptMagic);
    uint64_t countAt = 0, directoriesAt = 0;
    if (image->optionalMagic == kPeMagicPe32) {
        countAt = kOpt32DirectoryCount;
        directoriesAt = kOpt32Directories;
    } else if (image->optionalMagic == kPeMagicPe32Plus) {
        countAt = kOpt64DirectoryCount;
        directoriesAt = kOpt64Directories;
    } else {
        return Fail(image, PeProblem::kBadHeader);
    }
    if (optionalSize < directoriesAt) return Fail(image, PeProblem::kBadHeader);
    image->sizeOfHeaders = LoadLe32(optional.data() + kOptSizeOfHeaders);
    uint32_t exportRva = 0;
    if (LoadLe32(optional.data() + countAt) >= 1 && optionalSize >= directoriesAt + kDirectoryEntrySize)
        exportRva = LoadLe32(optional.data() + directoriesAt);

    // Sizes are checked against the file before anything is allocated for them.
    const uint64_t tableOffset = optionalOffset + optionalSize;
    if (!source.Holds(tableOffset, sectionCount * kSectionHeaderSize)) return Fail(image, PeProblem::kTruncated);
    std::vector<unsigned char> table(static_cast<size_t>(sectionCount * kSectionHeaderSize));
    if (!source.Fetch(tableOffset, table.data(), table.size())) return Fail(image, PeProblem::kTruncated);
    image->sections.resize(sectionCount);
    for (uint32_t i = 0; i < sectionCount; ++i) {
        const unsigned char* h = table.data() + i * kSectionHeaderSize;
        PeSection& s = image->sections[i];
        s.virtualSize = LoadLe32(h + kSecVirtualSize);
        s.virtualAddress = LoadLe32(h + kSecVirtualAddress);
        s.rawSize = LoadLe32(h + kSecRawSize);
        s.rawOffset = LoadLe32(h + kSecRawOffset);
        // The loader refuses an image whose sections are not in ascending,
        // non-overlapping order, or whose data the file does not hold.
        if (s.rawSize != 0 && static_cast<uint64_t>(s.rawOffset) + s.rawSize > source.size)
            return Fail(image, PeProblem::kSectionOutside);
        if (i > 0) {
            const PeSection& before = image->sections[i - 1];
            if (s.virtualAddress < static_cast<uint64_t>(before.virtualAddress) + Backed(before))
                return Fail(image, PeProblem::kBadHeader);
        }
    }

    if (exportRva != 0) {
        std::vector<std::string> names;
        if (!ReadExportNames(source, *image, exportRva, names)) {
            image->problem = PeProblem::kExportsDamaged;
            return 1;
        }
        std::sort(names.begin(), names.end());
        names.erase(std::unique(names.begin(), names.end()), names.end());
        image->exportNames = std::move(names);
    }
    return 1;
}

struct MemorySource {
    const unsigned char* data;
    size_t size;
};

size_t ReadFileAt(void* source, uint64_t offset, void* buffer, size_t n) {
    PlatformFile* file = static_cast<PlatformFile*>(source);
    if (!FileSeek(file, offset)) return 0;
    return FileRead(file, buffer, n);
}

size_t ReadMemory(void* source, uint64_t offset, void* buffer, size_t n) {
    const MemorySource* memory = static_cast<const MemorySource*>(source);
    if (offset >= memory->size) return 0;
    const size_t count = std::min<uint64_t>(n, memory->size - offset);
    std::memcpy(buffer, memory->data + offset, count);
    return count;
}

}  // namespace

int PeImageRead(PeReadAt read, void* source, uint64_t fileSize, PeImage* image) {
    *image = PeImage{};
    if (!read) return Fail(image, PeProblem::kNotPe);
    try {
        return ReadImage(Source{read, source, fileSize}, image);
    } catch (const std::bad_alloc&) {
        *image = PeImage{};
        return Fail(image, PeProblem::kNoMemory);
    }
}

int PeImageReadMemory(const void* data, size_t size, PeImage* image) {
    MemorySource memory{static_cast<const unsigned char*>(data), data ? size : 0};
    return PeImageRead(ReadMemory, &memory, memory.size, image);
}

int PeImageReadFile(const char* path, PeImage* image) {
    FilePtr file(path && *path ? FileOpenRead(path) : nullptr);
    uint64_t size = 0;
    if (!file || !FileGetSize(file.get(), &size)) {
        *image = PeImage{};
        return Fail(image, PeProblem::kNotPe);
    }
    return PeImageRead(ReadFileAt, file.get(), size, image);
}

uint16_t PeNativeMachine() {
#if defined(__x86_64__) || defined(_M_X64)
    return kPeMachineAmd64;
#elif defined(__i386__) || defined(_M_IX86)
    return kPeMachineI386;
#elif defined(__aarch64__) || defined(_M_ARM64)
    return kPeMachineArm64;
#else
    return 0;
#endif
}

bool PeImageIsNativeLibrary(const PeImage& image) {
    const uint16_t native = PeNativeMachine();
    if (native == 0 || image.machine != native || !(image.characteristics & kPeFileDll)) return false;
    const uint16_t magic = native == kPeMachineI386 ? kPeMagicPe32 : kPeMagicPe32Plus;
    return image.optionalMagic == magic;
}

bool PeImageHasExport(const PeImage& image, const char* name) {
    if (!name) return false;
    return std::binary_search(image.exportNames.begin(), image.exportNames.end(), std::string_view(name),
                              [](std::string_view a, std::string_view b) { return a < b; });
}
