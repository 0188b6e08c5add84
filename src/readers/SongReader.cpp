#include "readers/SongReader.h"

#include <climits>
#include <cstring>
#include <string>

#include "core/Results.h"
#include "core/FrontEnd.h"
#include "platform/Files.h"
#include "platform/Memory.h"
#include "platform/Text.h"
#include "readers/RnsReader.h"
#include "readers/XmlTree.h"
#include "readers/ZipReader.h"

namespace {

constexpr const char kXmlKinds[] = "*.xrns;*.xml;*.xrni";

struct TreeFree {
    void operator()(XmlTree* tree) const { FreeXmlTree(tree); }
};
struct ZipFree {
    void operator()(ZipReader* reader) const { ZipClose(reader); }
};

// A document on its way to the tree: in the parser's own buffer when the
// parser could lend one, else in a block of ours that the parser copies.
struct XmlDocument {
    XmlParserPtr parser;
    HeapBuffer buffer;
    size_t size = 0;
};

// The item of a zipped song or instrument, extracted into a zero-filled block
// of exactly its size; bytes an extraction fails to deliver stay zero, and the
// parse then reports the damage.
bool ExtractZipItem(const char* path, bool isSong, XmlDocument& document) {
    ZipReader* opened = nullptr;
    if (ZipOpenFile(path, nullptr, &opened) != kZipOk) {
        AppendErrorLine(TextFormat("Error: Could not extract \"%s\"!", path));
        return false;
    }
    std::unique_ptr<ZipReader, ZipFree> reader(opened);
    ZipItemInfo info{};
    CopyTextBounded(info.name, sizeof info.name, isSong ? "Song.xml" : "Instrument.xml");
    if (ZipFindItem(reader.get(), &info, 1) != kZipOk) {
        reader.reset();
        AppendErrorLine(isSong ? TextFormat("Error: Song.xml inside \"%s\" not found!", path)
                               : TextFormat("Error: Instrument.xml inside \"%s\" not found!", path));
        return false;
    }
    const int32_t itemSize = static_cast<int32_t>(info.uncompressedSize);
    if (itemSize < 1) {
        reader.reset();
        AppendErrorLine(TextFormat("Error: The file \"%s\" seems to be damaged!", path));
        return false;
    }
    const size_t size = static_cast<size_t>(itemSize);
    // Straight into the parser's own buffer: Expat would otherwise keep a
    // second copy of the whole document while it parses. Without a parser or
    // its buffer the block is ours, and the parser (or its failure) comes later.
    document.parser.reset(CreateXmlParser());
    char* target = document.parser ? GetXmlParseBuffer(document.parser.get(), size) : nullptr;
    if (!target) {
        document.parser.reset();
        document.buffer = HeapAllocZeroed(size);
        if (!document.buffer) {
            reader.reset();
            AppendErrorLine(TextFormat("Error: Could not allocate enough memory for \"%s\"!", path));
            return false;
        }
        target = document.buffer.get();
    }
    info.compressedSize = 0;  // what was delivered, also when the extraction fails before delivering
    ZipExtractToMemory(reader.get(), target, static_cast<uint32_t>(itemSize), &info);
    const size_t delivered = info.compressedSize < size ? info.compressedSize : size;
    // Only the delivered bytes and a few of the zeros behind them reach the
    // parser. Nothing is lost: a document stops being well-formed at the first
    // zero character, which in 8-bit text is the first zero byte and in UTF-16
    // the first aligned zero pair, always among the first four zero bytes; so
    // the parse fails at the same place with the same lines as over the whole
    // block. But an item that claims gigabytes in a file of a few bytes then
    // costs no more than its real bytes.
    document.size = size - delivered > 4 ? delivered + 4 : size;
    // The parser's buffer is not zero-filled: what it parses beyond the
    // delivered bytes must be what a fresh block would hold.
    if (document.parser) std::memset(target + delivered, 0, document.size - delivered);
    return true;
}

void ReadXmlDocument(const char* path, XmlDocument document) {
    if (!document.parser) {
        document.parser.reset(CreateXmlParser());
        if (!document.parser) {
            AppendErrorLine(TextFormat("Error: Could not create XML parser for \"%s\"!", path));
            return;
        }
    }
    XmlParser* parser = document.parser.get();
    SetIgnoreWhitespace(parser, 1);
    const int parsed = document.buffer ? ParseXmlBuffer(parser, document.buffer.get(), document.size)
                                       : ParseXmlInPlace(parser, document.size);
    if (!parsed) {
        const int code = GetXmlError();
        AppendErrorLine(
            TextFormat("Error: Unable to parse xml memory buffer! Code #%d; %s", code, GetXmlErrorText(code)));
        if (code == kXmlErrorExpat) {
            const int expatCode = GetExpatErrorCode(parser);
            AppendErrorLine(TextFormat("Error: Expat error code #%d; Line %d; Column %d; %s", expatCode,
                                       GetExpatErrorLine(parser), GetExpatErrorColumn(parser),
                                       GetExpatErrorText(expatCode)));
        }
        return;
    }
    std::unique_ptr<XmlTree, TreeFree> tree(GetXmlTree(parser));
    if (!tree) {
        AppendErrorLine(TextFormat("Error: Could not create XML tree for \"%s\"!", path));
        return;
    }
    XmlElement* root = GetRootElement(tree.get());
    const char* rootName = root ? GetElementName(root) : "";
    if (MatchMaskList(path, "*.xrns") && CompareExact(rootName, "RenoiseSong") != 0) {
        AppendErrorLine(TextFormat("Error: The specified file \"%s\" is no valid Renoise song!", path));
        return;
    }
    if (MatchMaskList(path, "*.xrni") && CompareExact(rootName, "RenoiseInstrument") != 0) {
        AppendErrorLine(TextFormat("Error: The specified file \"%s\" is no valid Renoise instrument!", path));
        return;
    }
    std::unique_ptr<SongEntry> entry = NewSongEntry(path);
    if (!entry) {
        AppendErrorLine(TextFormat("Error: Not enough memory for \"%s\"!", path));
        return;
    }
    if (root) WalkSongElements(root, *entry);
    AppendSongRows(std::move(entry));
}

void ReadBinarySong(const char* path) {
    HeapBuffer image;
    size_t size = 0;
    if (!LoadFileIntoMemory(path, image, &size)) return;
    std::unique_ptr<SongEntry> entry = NewSongEntry(path);
    if (!entry) {
        AppendErrorLine(TextFormat("Error: Not enough memory for \"%s\"!", path));
        return;
    }
    ReadRnsSong(path, image.get(), size, *entry);
    // Listed whatever the reader managed: a rejected binary song still shows
    // its path next to its error line.
    AppendSongRows(std::move(entry));
}

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

void CopyElementText(std::optional<std::string>& field, const char* text) {
    field.reset();
    try {
        field = text;
    } catch (const std::bad_alloc&) {
        field.reset();
    }
}

// Every element with children asks for its device children, so the first
// letter is looked at before a whole comparison.
XmlElement* FindChild(XmlElement* parent, const char* name) {
    for (XmlElement* child = NextChildElement(parent, nullptr); child; child = NextChildElement(parent, child)) {
        const char* childName = GetElementName(child);
        if (childName[0] == name[0] && CompareExact(childName, name) == 0) return child;
    }
    return nullptr;
}

// Devices saved by today's tracker versions carry no PluginName; they name
// their plug-in with PluginType and PluginIdentifier, and only "VST" ones are
// VST libraries. Recorded as the PluginName text "Vst: <identifier>" would be.
void RecordDeviceReference(XmlElement* element, SongEntry& entry) {
    XmlElement* type = FindChild(element, "PluginType");
    if (!type) return;
    const char* typeText = GetElementContents(type);
    if (!typeText || CompareExact(typeText, "VST") != 0) return;
    XmlElement* identifier = FindChild(element, "PluginIdentifier");
    const char* identifierText = identifier ? GetElementContents(identifier) : nullptr;
    if (!identifierText || !*identifierText || FindChild(element, "PluginName")) return;
    try {
        const std::string reference = std::string("Vst: ") + identifierText;
        RecordPluginReference(reference.c_str(), entry);
    } catch (const std::bad_alloc&) {
    }
}

void VisitSongElement(XmlElement* element, SongEntry& entry) {
    const char* name = GetElementName(element);
    if (NextChildElement(element, nullptr)) RecordDeviceReference(element, entry);
    const char* text = GetElementContents(element);
    if (!text) return;
    // Nearly all elements of a song are pattern data; the first letter passes them over.
    switch (name[0]) {
        case 'P':
            if (!std::strcmp(name, "PluginName")) RecordPluginReference(text, entry);
            break;
        case 'B':
            if (!std::strcmp(name, "BeatsPerMin")) entry.bpm = ParseSongNumber(text);
            break;
        case 'T':
            if (!std::strcmp(name, "TicksPerLine")) entry.tpl = ParseSongNumber(text);
            break;
        case 'A':
            if (!std::strcmp(name, "Artist")) CopyElementText(entry.artist, text);
            break;
        case 'S':
            if (!std::strcmp(name, "SongName")) CopyElementText(entry.songName, text);
            break;
        default: break;
    }
}

}  // namespace

int32_t ParseSongNumber(const char* text) {
    while (IsWhiteSpace(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    uint64_t value = 0;
    bool overflow = false;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint64_t>(*text - '0');
        if (value > UINT32_MAX) {
            overflow = true;
            value = UINT32_MAX;  // keeps the product below 2^64 for the digits to come
        }
    }
    if (overflow) return -1;
    uint32_t result = static_cast<uint32_t>(value);
    if (negative) result = 0u - result;
    return static_cast<int32_t>(result);
}

void WalkSongElements(XmlElement* root, SongEntry& entry) {
    ForEachXmlPostOrder(root, [&entry](XmlElement* element) { VisitSongElement(element, entry); });
}

void ReadSongFile(const char* path, void* /*context*/) {
    if (!path || !PathExists(path)) return;
    FrontEndSetStatus(PathFileName(path));

    if (MatchMaskList(path, kXmlKinds)) {
        XmlDocument document;
        if (MatchMaskList(path, "*.xml")) {
            if (!LoadFileIntoMemory(path, document.buffer, &document.size)) return;
        } else if (!ExtractZipItem(path, MatchMaskList(path, "*.xrns"), document)) {
            return;
        }
        ReadXmlDocument(path, std::move(document));
    } else if (MatchMaskList(path, "*.rns")) {
        ReadBinarySong(path);
    } else {
        AppendErrorLine(TextFormat("Error: Unknown file type specified! \"%s\"", path));
    }
}
