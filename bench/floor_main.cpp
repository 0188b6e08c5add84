// quorvel-bench-floor DIR: the least work any reader of the collection must do,
// with the same zlib and Expat as the program and none of its code: list the
// folders, read each file, find and inflate the document of a zipped song or
// instrument straight into Expat's own buffer, and run Expat over it once with
// handlers that do nothing. A binary song is only read. Prints what it handled.
#include <expat.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kRecordSignature = 0x02014b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kRecordSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kEndSearch = 0xFFFF + kEndRecordSize;

struct Totals {
    size_t files = 0;
    size_t documents = 0;
    size_t failed = 0;
    uint64_t xmlBytes = 0;
    uint64_t rnsBytes = 0;
};

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool ReadWhole(const char* path, std::vector<uint8_t>& bytes) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && st.st_size >= 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            ok = got > 0;
            if (ok) done += static_cast<size_t>(got);
        }
    }
    close(fd);
    return ok;
}

struct Item {
    const uint8_t* data = nullptr;
    size_t compressedSize = 0;
    size_t size = 0;
    uint16_t method = 0;
};

// The named member of an archive, or false.
bool FindItem(const std::vector<uint8_t>& zip, const char* wanted, Item* item) {
    const size_t size = zip.size();
    if (size < kEndRecordSize) return false;
    const size_t lowest = size > kEndSearch ? size - kEndSearch : 0;
    size_t end = size - kEndRecordSize + 1;
    do {
        --end;
        if (Le32(&zip[end]) == kEndSignature) break;
    } while (end > lowest);
    if (Le32(&zip[end]) != kEndSignature) return false;
    const size_t entries = Le16(&zip[end + 10]);
    size_t at = Le32(&zip[end + 16]);
    const size_t wantedLength = std::strlen(wanted);
    for (size_t i = 0; i < entries; ++i) {
        if (at > size || size - at < kRecordSize || Le32(&zip[at]) != kRecordSignature) return false;
        const size_t nameLength = Le16(&zip[at + 28]);
        const size_t skip = kRecordSize + nameLength + Le16(&zip[at + 30]) + Le16(&zip[at + 32]);
        if (size - at < kRecordSize + nameLength) return false;
        if (nameLength == wantedLength &&
            strncasecmp(reinterpret_cast<const char*>(&zip[at + kRecordSize]), wanted, nameLength) == 0) {
            const size_t local = Le32(&zip[at + 42]);
            if (local > size || size - local < kLocalHeaderSize) return false;
            const size_t data = local + kLocalHeaderSize + Le16(&zip[local + 26]) + Le16(&zip[local + 28]);
            item->method = Le16(&zip[at + 10]);
            item->compressedSize = Le32(&zip[at + 20]);
            item->size = Le32(&zip[at + 24]);
            if (data > size || size - data < item->compressedSize) return false;
            item->data = &zip[data];
            return true;
        }
        at += skip;
    }
    return false;
}

void Nothing(void*, const XML_Char*, const XML_Char*, int) {}
void NothingStart(void*, const XML_Char*, const XML_Char**) {}
void NothingEnd(void*, const XML_Char*) {}
void NothingText(void*, const XML_Char*, int) {}

XML_Parser NewParser() {
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetXmlDeclHandler(parser, Nothing);
    XML_SetElementHandler(parser, NothingStart, NothingEnd);
    XML_SetCharacterDataHandler(parser, NothingText);
    return parser;
}

// Inflates (or copies) the item into Expat's buffer and parses it in one final call.
bool ParseItem(const Item& item, z_stream& stream) {
    if (item.size == 0 || item.size > 0x7FFFFFFF) return false;
    XML_Parser parser = NewParser();
    bool ok = false;
    void* buffer = XML_GetBuffer(parser, static_cast<int>(item.size));
    if (buffer) {
        if (item.method == 0) {
            ok = item.compressedSize >= item.size;
            if (ok) std::memcpy(buffer, item.data, item.size);
        } else {
            inflateReset(&stream);
            stream.next_in = const_cast<Bytef*>(item.data);
            stream.avail_in = static_cast<uInt>(item.compressedSize);
            stream.next_out = static_cast<Bytef*>(buffer);
            stream.avail_out = static_cast<uInt>(item.size);
            ok = inflate(&stream, Z_FINISH) == Z_STREAM_END && stream.avail_out == 0;
        }
        ok = ok && XML_ParseBuffer(parser, static_cast<int>(item.size), XML_TRUE) == XML_STATUS_OK;
    }
    XML_ParserFree(parser);
    return ok;
}

bool ParseFile(const std::vector<uint8_t>& bytes) {
    XML_Parser parser = NewParser();
    const bool ok = XML_Parse(parser, reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()),
                              XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return ok;
}

std::string LowerExtension(const fs::path& path) {
    std::string extension = path.extension().string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return extension;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: quorvel-bench-floor DIR\n", stderr);
        return 2;
    }
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return 1;
    Totals totals;
    std::vector<uint8_t> bytes;
    std::error_code error;
    for (fs::recursive_directory_iterator it(argv[1], error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string extension = LowerExtension(it->path());
        const bool song = extension == ".xrns", instrument = extension == ".xrni";
        if (!song && !instrument && extension != ".xml" && extension != ".rns") continue;
        ++totals.files;
        if (!ReadWhole(it->path().c_str(), bytes)) {
            ++totals.failed;
            continue;
        }
        if (extension == ".rns") {
            totals.rnsBytes += bytes.size();
            continue;
        }
        bool ok = false;
        size_t documentSize = bytes.size();
        if (extension == ".xml") {
            ok = ParseFile(bytes);
        } else {
            Item item;
            ok = FindItem(bytes, song ? "Song.xml" : "Instrument.xml", &item) && ParseItem(item, stream);
            documentSize = item.size;
        }
        if (ok) {
            ++totals.documents;
            totals.xmlBytes += documentSize;
        } else {
            ++totals.failed;
        }
    }
    inflateEnd(&stream);
    std::printf("files %zu documents %zu failed %zu xml_bytes %llu rns_bytes %llu\n", totals.files, totals.documents,
                totals.failed, static_cast<unsigned long long>(totals.xmlBytes),
                static_cast<unsigned long long>(totals.rnsBytes));
    return error ? 1 : 0;
}
