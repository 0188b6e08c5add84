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

// The export data, built once its own RVA and the RVAs of the code and the
// name texts are known. Its size does not depend on them.
struct ExportBlock {
    std::string directory;  // directory, address table, name table, ordinals, own name, forwarders
    std::string names;      // the name texts
    size_t nameTableAt = 0;  // offset of the name pointer table in directory
};

ExportBlock BuildExports(const PeSpec& shape, uint32_t directoryRva, uint32_t namesRva, uint32_t codeRva) {
    const uint32_t count = static_cast<uint32_t>(shape.exports.size());
    // The loader looks names up by binary search: the name table is sorted.
    std::vector<uint32_t> byName(count);
    std::iota(byName.begin(), byName.end(), 0u);
    std::stable_sort(byName.begin(), byName.end(),
                     [&](uint32_t a, uint32_t b) { return shape.exports[a].name < shape.exports[b].name; });

    const uint32_t addressTable = directoryRva + kExportDirectorySize;
    const uint32_t nameTable = addressTable + 4 * count;
    const uint32_t ordinalTable = nameTable + 4 * count;
    const uint32_t ownName = ordinalTable + 2 * count;
    uint32_t forwarders = ownName + static_cast<uint32_t>(shape.libraryName.size() + 1);

    std::vector<uint32_t> nameRvas(count);
    ExportBlock block;
    for (uint32_t i = 0; i < count; ++i) {
        nameRvas[i] = namesRva + static_cast<uint32_t>(block.names.size());
        block.names += shape.exports[i].name;
        block.names += '\0';
    }

    ByteWriter w;
    // No flags, time stamp or version; the own name, the first ordinal, the
    // counts of addresses and names, and the three tables.
    w.Zeros(12).U32(ownName).U32(1).U32(count).U32(count).U32(addressTable).U32(nameTable).U32(ordinalTable);
    std::string forwarderTexts;
    for (uint32_t i = 0; i < count; ++i) {
        const PeExport& e = shape.exports[i];
        if (e.forwarder.empty()) {
            w.U32(codeRva + 4 * i);  // the routine
        } else {
            // An address inside the export data is a forwarder text.
            w.U32(forwarders + static_cast<uint32_t>(forwarderTexts.size()));
            forwarderTexts += e.forwarder;
            forwarderTexts += '\0';
        }
    }
    block.nameTableAt = w.Size();
    for (uint32_t i : byName) w.U32(nameRvas[i]);                      // name pointers, sorted by name
    for (uint32_t i : byName) w.U16(static_cast<uint16_t>(i));         // index into the address table
    w.Raw(shape.libraryName).U8(0);
    w.Raw(forwarderTexts);
    block.directory = std::move(w.bytes);
    return block;
}

}  // namespace

uint16_t PeWriterNativeMachine() {
#if defined(__x86_64__) || defined(_M_X64)
    return kPeWriterAmd64;
#elif defined(__i386__) || defined(_M_IX86)
    return kPeWriterI386;
#elif defined(__aarch64__) || defined(_M_ARM64)
    return kPeWriterArm64;
#else
    return 0;
#endif
}

PeFile BuildPeImage(const PeSpec& shape) {
    const bool hasExports = shape.exportDirectory;
    const uint32_t count = static_cast<uint32_t>(shape.exports.size());
    // Sizes first: the export data's size does not depend on where it lands.
    const ExportBlock sizing = hasExports ? BuildExports(shape, 0, 0, 0) : ExportBlock{};

    std::vector<Section> sections;
    sections.push_back(Section{".text", kCodeSection, std::string()});
    for (uint32_t i = 0; i < std::max<uint32_t>(count, 1); ++i) sections[0].data += ReturnInstruction(shape.machine);
    sections.push_back(Section{".rdata", kDataSection, std::string("Quorvel test library\0\0\0\0", 24)});
    const size_t rdata = 1;
    size_t directorySection = rdata, namesSection = rdata;
    size_t directoryAt = 0, namesAt = 0;  // offsets inside their sections
    if (hasExports) {
        if (shape.placement != PeExportPlacement::kRdata) {
            sections.push_back(Section{".edata", kDataSection, std::string()});
            directorySection = 2;
        }
        if (shape.placement == PeExportPlacement::kEdata) namesSection = 2;
        directoryAt = sections[directorySection].data.size();
        sections[directorySection].data.append(sizing.directory.size(), '\0');
        namesAt = sections[namesSection].data.size();
        sections[namesSection].data.append(sizing.names.size(), '\0');
    }

    const uint32_t optionalSize = shape.pe32Plus ? 112 + 8 * kDirectoryCount : 96 + 8 * kDirectoryCount;
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

    PeFile file;
    PeLayout& layout = file.layout;
    ExportBlock exports;
    uint32_t exportRva = 0, exportSize = 0;
    if (hasExports) {
        exportRva = sections[directorySection].rva + static_cast<uint32_t>(directoryAt);
        exports = BuildExports(shape, exportRva, sections[namesSection].rva + static_cast<uint32_t>(namesAt),
                               sections[0].rva);
        exportSize = static_cast<uint32_t>(exports.directory.size());
        if (shape.placement != PeExportPlacement::kSplit) exportSize += static_cast<uint32_t>(exports.names.size());
        sections[directorySection].data.replace(directoryAt, exports.directory.size(), exports.directory);
        sections[namesSection].data.replace(namesAt, exports.names.size(), exports.names);
        layout.exportDirectory = sections[directorySection].rawOffset + directoryAt;
        layout.nameTable = layout.exportDirectory + exports.nameTableAt;
        layout.firstName = sections[namesSection].rawOffset + namesAt;
        layout.namesEnd = layout.firstName + exports.names.size();
        layout.exportDirectoryRva = exportRva;
    }

    ByteWriter w;
    // DOS header: only the signature and the pointer to the PE header matter.
    w.Raw("MZ").Zeros(0x3C - 2).U32(kDosStubEnd).Zeros(kDosStubEnd - 0x40);
    layout.peHeader = w.Size();
    // EXECUTABLE_IMAGE, then LARGE_ADDRESS_AWARE or 32BIT_MACHINE, and DLL.
    const uint16_t characteristics = 0x0002 | (shape.pe32Plus ? 0x0020 : 0x0100) | (shape.dll ? 0x2000 : 0);
    w.Raw(std::string("PE\0\0", 4)).U16(shape.machine).U16(static_cast<uint16_t>(sections.size()));
    w.Zeros(12).U16(static_cast<uint16_t>(optionalSize)).U16(characteristics);  // no time stamp, no symbols
    layout.optionalHeader = w.Size();
    // Magic, linker version, code size, no data sizes, no entry point (nothing
    // runs at load), the code's base, then (PE32 only) the data's, and ImageBase.
    w.U16(shape.pe32Plus ? 0x20B : 0x10B).U8(2).U8(38).U32(static_cast<uint32_t>(sections[0].data.size()));
    w.Zeros(12).U32(sections[0].rva);
    if (shape.pe32Plus) w.U64(0x180000000ull);
    else w.U32(sections[1].rva).U32(0x10000000);
    // Alignments; system, image and subsystem versions 6.0, 0.0, 6.0; no
    // Win32VersionValue; sizes; no checksum; a GUI subsystem, NX compatible.
    w.U32(kSectionAlignment).U32(kFileAlignment).U16(6).U16(0).Zeros(4).U16(6).U16(0).U32(0);
    w.U32(imageSize).U32(headersSize).U32(0).U16(2).U16(0x0100);
    for (uint32_t size : {0x100000u, 0x1000u, 0x100000u, 0x1000u}) {  // stack and heap reserve, commit
        if (shape.pe32Plus) w.U64(size);
        else w.U32(size);
    }
    w.U32(0).U32(kDirectoryCount);  // LoaderFlags, NumberOfRvaAndSizes
    layout.exportDataDirectory = w.Size();
    w.U32(exportRva).U32(exportSize).Zeros(8 * (kDirectoryCount - 1));  // exports; no imports, resources, ...
    layout.sectionTable = w.Size();
    layout.sectionCount = sections.size();
    for (const Section& s : sections) {
        // Name, virtual size and address, raw size and offset, no relocations
        // or line numbers, characteristics.
        const uint32_t size = static_cast<uint32_t>(s.data.size());
        w.Fixed(s.name, 8).U32(size).U32(s.rva).U32(AlignUp(size, kFileAlignment)).U32(s.rawOffset).Zeros(12);
        w.U32(s.characteristics);
    }
    w.Zeros(headersSize - w.Size());
    layout.headersEnd = w.Size();
    for (const Section& s : sections) {
        w.Raw(s.data).Zeros(AlignUp(static_cast<uint32_t>(s.data.size()), kFileAlignment) - s.data.size());
        layout.sectionEnds.push_back(w.Size());
    }
    file.bytes = std::move(w.bytes);
    return file;
}

PeSpec PeDllSpec(uint16_t machine, const std::vector<std::string>& exportNames) {
    PeSpec shape;
    shape.machine = machine;
    shape.pe32Plus = machine != kPeWriterI386;
    for (const std::string& name : exportNames) shape.exports.push_back(PeExport{name, std::string()});
    return shape;
}

PeSpec NativeDllSpec(const std::vector<std::string>& exportNames) {
    return PeDllSpec(PeWriterNativeMachine(), exportNames);
}

std::string NativeDllBytes(const std::vector<std::string>& exportNames) {
    return BuildPeImage(NativeDllSpec(exportNames)).bytes;
}
