#include "support/PeWriter.h"

#include <algorithm>
#include <numeric>

#include "support/Bytes.h"

namespace {

constexpr uint32_t kFileAlignment = 0x200;
constexpr uint32_t kSectionAlignment = 0x1000;
constexpr uint32_t kDosStubEnd = 0x80;  // where "PE\0\0" begins
constexpr uint32_t kDirectoryCount = 16;
constexpr uint32_t kExportDirectorySize = 40;

uint32_t AlignUp(uint32_t value, uint32_t alignment) { return (value + alignment - 1) / alignment * alignment; }

struct Section {
    const char* name;
    uint32_t characteristics;
    std::string data;
    uint32_t rva = 0;
    uint32_t rawOffset = 0;
};

constexpr uint32_t kCodeSection = 0x60000020;   // code, execute, read
constexpr uint32_t kDataSection = 0x40000040;   // initialised data, read

// A routine that returns at once, four bytes so every export has its own.
std::string ReturnInstruction(uint16_t machine) {
    if (machine == kPeWriterArm64) return std::string("\xC0\x03\x5F\xD6", 4);  // ret
    return std::string("\xC3\xCC\xCC\xCC", 4);                                   // ret; int3 padding
}

constexpr char kLibraryName[] = "plugin.dll";  // the name the export directory gives itself

// The export data: directory, address table, name table, ordinals, the
// library's own name and the name texts. Its size does not depend on the RVAs.
std::string BuildExports(const std::vector<std::string>& names, uint32_t directoryRva, uint32_t codeRva) {
    const uint32_t count = static_cast<uint32_t>(names.size());
    // The loader looks names up by binary search: the name table is sorted.
    std::vector<uint32_t> byName(count);
    std::iota(byName.begin(), byName.end(), 0u);
    std::stable_sort(byName.begin(), byName.end(), [&](uint32_t a, uint32_t b) { return names[a] < names[b]; });

    const uint32_t addressTable = directoryRva + kExportDirectorySize;
    const uint32_t nameTable = addressTable + 4 * count;
    const uint32_t ordinalTable = nameTable + 4 * count;
    const uint32_t ownName = ordinalTable + 2 * count;
    std::vector<uint32_t> nameRvas;
    uint32_t nextName = ownName + static_cast<uint32_t>(sizeof kLibraryName);
    for (const std::string& name : names) {
        nameRvas.push_back(nextName);
        nextName += static_cast<uint32_t>(name.size() + 1);
    }

    ByteWriter w;
    // No flags, time stamp or version; the own name, the first ordinal, the
    // counts of addresses and names, and the three tables.
    w.Zeros(12).U32(ownName).U32(1).U32(count).U32(count).U32(addressTable).U32(nameTable).U32(ordinalTable);
    for (uint32_t i = 0; i < count; ++i) w.U32(codeRva + 4 * i);  // each export its own routine
    for (uint32_t i : byName) w.U32(nameRvas[i]);                  // name pointers, sorted by name
    for (uint32_t i : byName) w.U16(static_cast<uint16_t>(i));     // index into the address table
    w.Raw(kLibraryName).U8(0);
    for (const std::string& name : names) w.Raw(name).U8(0);
    return w.bytes;
}

// The processor kind of the program being built (what the probe accepts).
uint16_t PeWriterNativeMachine() {
#if defined(__i386__) || defined(_M_IX86)
    return kPeWriterI386;
#elif defined(__aarch64__) || defined(_M_ARM64)
    return kPeWriterArm64;
#else
    return kPeWriterAmd64;
#endif
}

}  // namespace

std::string BuildPeImage(uint16_t machine, const std::vector<std::string>& exportNames) {
    const bool pe32Plus = machine != kPeWriterI386;
    const uint32_t count = static_cast<uint32_t>(exportNames.size());
    std::vector<Section> sections;
    sections.push_back(Section{".text", kCodeSection, std::string()});
    for (uint32_t i = 0; i < std::max<uint32_t>(count, 1); ++i) sections[0].data += ReturnInstruction(machine);
    sections.push_back(Section{".rdata", kDataSection, std::string("Quorvel test library\0\0\0\0", 24)});
    // Sized first, filled in once its own RVA is known.
    const uint32_t exportSize = static_cast<uint32_t>(BuildExports(exportNames, 0, 0).size());
    sections.push_back(Section{".edata", kDataSection, std::string(exportSize, '\0')});

    const uint32_t optionalSize = pe32Plus ? 112 + 8 * kDirectoryCount : 96 + 8 * kDirectoryCount;
    const uint32_t sectionTable = kDosStubEnd + 4 + 20 + optionalSize;
    const uint32_t headersSize = AlignUp(sectionTable + 40 * static_cast<uint32_t>(sections.size()), kFileAlignment);
    uint32_t rva = kSectionAlignment, raw = headersSize;
    for (Section& s : sections) {
        s.rva = rva;
        s.rawOffset = raw;
        rva = AlignUp(rva + static_cast<uint32_t>(s.data.size()), kSectionAlignment);
        raw += AlignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment);
    }
    const uint32_t imageSize = rva;
    const uint32_t exportRva = sections[2].rva;
    sections[2].data = BuildExports(exportNames, exportRva, sections[0].rva);

    ByteWriter w;
    // DOS header: only the signature and the pointer to the PE header matter.
    w.Raw("MZ").Zeros(0x3C - 2).U32(kDosStubEnd).Zeros(kDosStubEnd - 0x40);
    // EXECUTABLE_IMAGE, then LARGE_ADDRESS_AWARE or 32BIT_MACHINE, and DLL.
    const uint16_t characteristics = 0x0002 | (pe32Plus ? 0x0020 : 0x0100) | 0x2000;
    w.Raw(std::string("PE\0\0", 4)).U16(machine).U16(static_cast<uint16_t>(sections.size()));
    w.Zeros(12).U16(static_cast<uint16_t>(optionalSize)).U16(characteristics);  // no time stamp, no symbols
    // Magic, linker version, code size, no data sizes, no entry point (nothing
    // runs at load), the code's base, then (PE32 only) the data's, and ImageBase.
    w.U16(pe32Plus ? 0x20B : 0x10B).U8(2).U8(38).U32(static_cast<uint32_t>(sections[0].data.size()));
    w.Zeros(12).U32(sections[0].rva);
    if (pe32Plus) w.U64(0x180000000ull);
    else w.U32(sections[1].rva).U32(0x10000000);
    // Alignments; system, image and subsystem versions 6.0, 0.0, 6.0; no
    // Win32VersionValue; sizes; no checksum; a GUI subsystem, NX compatible.
    w.U32(kSectionAlignment).U32(kFileAlignment).U16(6).U16(0).Zeros(4).U16(6).U16(0).U32(0);
    w.U32(imageSize).U32(headersSize).U32(0).U16(2).U16(0x0100);
    for (uint32_t size : {0x100000u, 0x1000u, 0x100000u, 0x1000u}) {  // stack and heap reserve, commit
        if (pe32Plus) w.U64(size);
        else w.U32(size);
    }
    w.U32(0).U32(kDirectoryCount);  // LoaderFlags, NumberOfRvaAndSizes
    w.U32(exportRva).U32(exportSize).Zeros(8 * (kDirectoryCount - 1));  // exports; no imports, resources, ...
    for (const Section& s : sections) {
        // Name, virtual size and address, raw size and offset, no relocations
        // or line numbers, characteristics.
        const uint32_t size = static_cast<uint32_t>(s.data.size());
        w.Fixed(s.name, 8).U32(size).U32(s.rva).U32(AlignUp(size, kFileAlignment)).U32(s.rawOffset).Zeros(12);
        w.U32(s.characteristics);
    }
    w.Zeros(headersSize - w.Size());
    for (const Section& s : sections)
        w.Raw(s.data).Zeros(AlignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment) - s.data.size());
    return std::move(w.bytes);
}

std::string NativeDllBytes(const std::vector<std::string>& exportNames) {
    return BuildPeImage(PeWriterNativeMachine(), exportNames);
}
