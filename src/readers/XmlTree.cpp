#include "readers/XmlTree.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>

static_assert(sizeof(XML_Char) == 1, "the tree keeps Expat's 8-bit (UTF-8) texts");

namespace {

int XmlErrorCode = kXmlErrorNone;
char UnknownErrorText[48];
unsigned AllocationFailureCountdown = 0;

// XML_Parse takes an int length; a larger buffer goes in pieces of this size,
// the last of them marked final. Expat copies each piece into its own buffer,
// so a piece is kept small enough not to double the memory of a huge file.
constexpr size_t kLargestPiece = size_t{16} << 20;

// Called before every step that may allocate, so that the injected failure
// lands exactly where a real one could.
void CountAllocation() {
    if (AllocationFailureCountdown != 0 && --AllocationFailureCountdown == 0) throw std::bad_alloc();
}

// The error lines print positions with "%d"; a position past INT_MAX (only
// in a buffer parsed in pieces) shows as INT_MAX rather than as a negative.
int SaturatedInt(XML_Size value) { return value > static_cast<XML_Size>(INT_MAX) ? INT_MAX : static_cast<int>(value); }

bool IsXmlBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Indentation makes up much of a song's bytes; runs of spaces go eight at a time.
inline size_t CountLeadingBlanks(const char* text, size_t size) {
    constexpr uint64_t kEightSpaces = 0x2020202020202020ull;
    size_t count = 0;
    while (size - count >= sizeof(uint64_t)) {
        uint64_t word;
        std::memcpy(&word, text + count, sizeof word);
        if (word != kEightSpaces) break;
        count += sizeof word;
    }
    while (count < size && IsXmlBlank(text[count])) ++count;
    return count;
}

// Blocks stay below the C library's threshold for mapping fresh pages, so the
// blocks of one document's tree are reused by the next instead of being
// returned to the system and faulted in again.
constexpr size_t kArenaBlockSize = (size_t{64} << 10) - 64;
// A piece larger than this gets a block of its own, so that a long text does
// not leave most of a block unused.
constexpr size_t kArenaLargePiece = kArenaBlockSize / 4;
constexpr size_t kFirstNameSlots = 256;  // a power of two
constexpr uintptr_t kArenaPrefetchDistance = 1024;

}  // namespace

// Elements (with their attributes) and texts fill separate blocks: the
// walk over a finished tree then reads elements packed together instead of
// elements strewn between the texts.
struct XmlArena {
    struct Block {
        Block* next;
    };
    struct Region {
        uintptr_t cursor = 0;  // next free byte of the region's newest block
        uintptr_t limit = 0;
    };
    Block* blocks = nullptr;  // of both regions
    Region nodes;
    Region texts;
};

void XmlArenaFree::operator()(XmlArena* arena) const {
    if (!arena) return;
    for (XmlArena::Block* block = arena->blocks; block;) {
        XmlArena::Block* next = block->next;
        std::free(block);
        block = next;
    }
    delete arena;
}

namespace {

// A new block for a piece that does not fit the region's newest one.
void* ArenaTakeBlock(XmlArena& arena, XmlArena::Region& region, size_t size) {
    const size_t header = (sizeof(XmlArena::Block) + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
    // Detect overflow (header + size > SIZE_MAX <==> size > SIZE_MAX - header).
    if (size > SIZE_MAX - header) throw std::bad_alloc();
    const bool large = size > kArenaLargePiece;
    const size_t blockSize = large ? header + size : kArenaBlockSize;
    auto* block = static_cast<XmlArena::Block*>(std::malloc(blockSize));
    if (!block) throw std::bad_alloc();
    block->next = arena.blocks;
    arena.blocks = block;
    const uintptr_t data = reinterpret_cast<uintptr_t>(block) + header;
    // A large piece fills its block alone; the region's newest block keeps its free rest.
    if (large) return reinterpret_cast<void*>(data);
    region.cursor = data + size;
    region.limit = reinterpret_cast<uintptr_t>(block) + blockSize;
    return reinterpret_cast<void*>(data);
}

// align: a power of two up to that of std::max_align_t.
inline void* ArenaTake(XmlArena& arena, XmlArena::Region& region, size_t size, size_t align) {
    const uintptr_t at = (region.cursor + (align - 1)) & ~static_cast<uintptr_t>(align - 1);
    if (region.cursor != 0 && at <= region.limit && size <= region.limit - at) {
        region.cursor = at + size;
#if defined(__GNUC__) || defined(__clang__)
        // The blocks are memory that the last document left cold: asking for
        // it a little ahead of the writes spares a wait at every new line.
        __builtin_prefetch(reinterpret_cast<const void*>(at + kArenaPrefetchDistance), 1);
#endif
        return reinterpret_cast<void*>(at);
    }
    return ArenaTakeBlock(arena, region, size);
}

const char* ArenaText(XmlArena& arena, const char* text, size_t length) {
    char* copy = static_cast<char*>(ArenaTake(arena, arena.texts, length + 1, 1));
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

// In front of the text of each interned name: which names followed it last
// time, as an element's first child, next sibling and first attribute, and as
// an attribute's next one. Songs repeat the same shapes thousands of times, so
// a new name is nearly always the one predicted here, and one comparison
// replaces hashing and the table.
struct NamePrediction {
    const char* firstChild = nullptr;
    const char* nextSibling = nullptr;
    const char* firstAttribute = nullptr;
    const char* nextAttribute = nullptr;
};


// Only for names that InternName made: the prediction lies in front of the text.
NamePrediction& PredictionOf(const char* internedName) {
    return *reinterpret_cast<NamePrediction*>(const_cast<char*>(internedName) - sizeof(NamePrediction));
}

const char* ArenaInternedText(XmlArena& arena, const char* text, size_t length) {
    auto* place = static_cast<char*>(
        ArenaTake(arena, arena.texts, sizeof(NamePrediction) + length + 1, alignof(NamePrediction)));
    new (place) NamePrediction;
    char* copy = place + sizeof(NamePrediction);
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

// A name is known by its length, its first eight bytes and its last eight:
// hashing costs the same for every name, however long.
struct NameKey {
    size_t length;
    uint64_t head;
    uint32_t hash;
};

uint64_t Mix(uint64_t value) {
    value = (value ^ (value >> 33)) * 0xFF51AFD7ED558CCDull;
    return value ^ (value >> 29);
}

NameKey MakeNameKey(const char* name) {
    NameKey key;
    key.length = std::strlen(name);
    key.head = 0;
    uint64_t tail = 0;
    if (key.length >= sizeof(uint64_t)) {
        std::memcpy(&key.head, name, sizeof key.head);
        std::memcpy(&tail, name + key.length - sizeof tail, sizeof tail);
    } else {
        for (size_t i = 0; i < key.length; ++i)
            key.head |= static_cast<uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
    }
    const uint64_t hash = Mix(key.head ^ Mix(tail + key.length));
    key.hash = static_cast<uint32_t>(hash ^ (hash >> 32));
    return key;
}

bool SlotHolds(const XmlNameSlot& slot, const char* name, const NameKey& key) {
    return slot.hash == key.hash && slot.head == key.head && slot.length == key.length &&
           (key.length <= sizeof(uint64_t) ||
            std::memcmp(slot.text + sizeof(uint64_t), name + sizeof(uint64_t), key.length - sizeof(uint64_t)) == 0);
}

// The slot that holds the name, or the free slot where it belongs.
XmlNameSlot* FindNameSlot(std::vector<XmlNameSlot>& slots, const char* name, const NameKey& key) {
    const size_t mask = slots.size() - 1;
    for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
        XmlNameSlot& slot = slots[i];
        if (!slot.text || SlotHolds(slot, name, key)) return &slot;
    }
}

// Element and attribute names repeat thousands of times in a song: each
// distinct one is copied into the tree once and shared by all its uses.
const char* InternName(XmlParser* parser, const char* name) {
    const NameKey key = MakeNameKey(name);
    if (!parser->names.empty()) {
        XmlNameSlot* slot = FindNameSlot(parser->names, name, key);
        if (slot->text) return slot->text;
    }
    CountAllocation();
    // Kept at most half full, so that every probe ends soon at a free slot.
    if ((parser->nameCount + 1) * 2 > parser->names.size()) {
        std::vector<XmlNameSlot> grown(parser->names.empty() ? kFirstNameSlots : parser->names.size() * 2);
        const size_t mask = grown.size() - 1;
        for (const XmlNameSlot& old : parser->names) {
            if (!old.text) continue;
            size_t i = old.hash & mask;
            while (grown[i].text) i = (i + 1) & mask;
            grown[i] = old;
        }
        parser->names.swap(grown);
    }
    XmlNameSlot* slot = FindNameSlot(parser->names, name, key);
    slot->text = ArenaInternedText(*parser->tree->arena, name, key.length);
    slot->head = key.head;
    slot->length = key.length;
    slot->hash = key.hash;
    ++parser->nameCount;
    return slot->text;
}

// The interned name, found by the prediction when it holds; the prediction
// then remembers it for the next time.
const char* InternPredicted(XmlParser* parser, const char*& predicted, const char* name) {
    if (!predicted || std::strcmp(predicted, name) != 0) predicted = InternName(parser, name);
    return predicted;
}

XmlAttribute* NewAttribute(XmlArena& arena, const char* name, const char* value) {
    void* place = ArenaTake(arena, arena.nodes, sizeof(XmlAttribute), alignof(XmlAttribute));
    auto* attribute = new (place) XmlAttribute;
    attribute->name = name;
    attribute->value = value;
    return attribute;
}

void LinkAttribute(XmlElement* element, XmlAttribute* attribute) {
    attribute->previous = element->lastAttribute;
    if (element->lastAttribute)
        element->lastAttribute->next = attribute;
    else
        element->firstAttribute = attribute;
    element->lastAttribute = attribute;
    ++element->attributeCount;
}

// An exception must never unwind through Expat's C frames, and nothing may go
// on with a piece that failed to be made: the parse ends here and fails.
void StopForLackOfMemory(XmlParser* parser) {
    XmlErrorCode = kXmlErrorOutOfMemory;
    parser->stopped = 1;
    XML_StopParser(parser->expat, XML_FALSE);
}

void EnsureTree(XmlParser* parser) {
    if (parser->tree) return;
    CountAllocation();
    std::unique_ptr<XmlTree> tree(new XmlTree);
    tree->arena.reset(new XmlArena);
    parser->tree = tree.release();
}

void OnXmlDeclaration(void* userData, const XML_Char* version, const XML_Char* encoding, int) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    try {
        EnsureTree(parser);
        if (version) {
            CountAllocation();
            parser->tree->version = version;
        }
        if (encoding) {
            CountAllocation();
            parser->tree->encoding = encoding;
        }
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

void OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    try {
        EnsureTree(parser);
        XmlElement* parent = parser->current;
        // Expat allows one root; a second one would have no place.
        if (parser->tree->root && !parent) return;
        XmlArena& arena = *parser->tree->arena;
        CountAllocation();
        auto* element = new (ArenaTake(arena, arena.nodes, sizeof(XmlElement), alignof(XmlElement))) XmlElement;
        if (parent) {
            XmlElement* before = parent->lastChild;
            element->name = InternPredicted(
                parser, before ? PredictionOf(before->name).nextSibling : PredictionOf(parent->name).firstChild, name);
        } else {
            element->name = InternName(parser, name);
        }
        // Expat rejects a start tag that repeats an attribute name, so the
        // pairs are distinct and go in as they come, without a search.
        for (size_t i = 0; attributes && attributes[i]; i += 2) {
            CountAllocation();
            const char*& predicted = element->lastAttribute ? PredictionOf(element->lastAttribute->name).nextAttribute
                                                            : PredictionOf(element->name).firstAttribute;
            const char* attributeName = InternPredicted(parser, predicted, attributes[i]);
            const char* value = attributes[i + 1];
            LinkAttribute(element, NewAttribute(arena, attributeName, ArenaText(arena, value, std::strlen(value))));
        }
        // The last step that can fail: an element is linked only when whole.
        parser->openTextStarts.push_back(parser->openText.size());

        if (parent) {
            element->parent = parent;
            element->previous = parent->lastChild;
            if (parent->lastChild)
                parent->lastChild->next = element;
            else
                parent->firstChild = element;
            parent->lastChild = element;
            ++parent->childCount;
        } else {
            parser->tree->root = element;
        }
        parser->current = element;
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

void OnEndElement(void* userData, const XML_Char*) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped) return;
    XmlElement* element = parser->current;
    if (!element) return;
    std::string& open = parser->openText;
    const size_t start = parser->openTextStarts.back();
    size_t end = open.size();
    if (start == end) {  // most elements: no text at all
        parser->openTextStarts.pop_back();
        parser->current = element->parent;
        return;
    }
    size_t first = start + CountLeadingBlanks(open.data() + start, end - start);
    if (first < end) {
        if (parser->ignoreWhitespace) {
            while (IsXmlBlank(open[end - 1])) --end;
        } else {
            first = start;
        }
        try {
            CountAllocation();
            element->contents = ArenaText(*parser->tree->arena, open.data() + first, end - first);
        } catch (const std::exception&) {
            StopForLackOfMemory(parser);
            return;
        }
    }
    open.resize(start);  // shortening never allocates
    parser->openTextStarts.pop_back();
    parser->current = element->parent;
}

void OnCharacterData(void* userData, const XML_Char* piece, int length) noexcept {
    auto* parser = static_cast<XmlParser*>(userData);
    if (parser->stopped || !parser->current || length <= 0) return;
    size_t size = static_cast<size_t>(length);
    // Leading white space would be trimmed at the end anyway; not storing it
    // spares every parent the indentation between its children.
    if (parser->ignoreWhitespace && IsXmlBlank(*piece) && parser->openText.size() == parser->openTextStarts.back()) {
        const size_t blanks = CountLeadingBlanks(piece, size);
        if (blanks == size) return;
        piece += blanks;
        size -= blanks;
    }
    try {
        CountAllocation();
        // Appending grows the capacity geometrically, so a text that Expat
        // delivers line by line is joined in linear time.
        parser->openText.append(piece, size);
    } catch (const std::exception&) {
        StopForLackOfMemory(parser);
    }
}

// Ends a parse of either kind.
int FinishParse(XmlParser* parser, XML_Status status) {
    if (parser->stopped) return 0;  // code 1 already set; Expat only says "aborted"
    if (status != XML_STATUS_OK) {
        XmlErrorCode = kXmlErrorExpat;
        return 0;
    }
    parser->parsed = 1;
    return 1;
}

}  // namespace

XmlParser* CreateXmlParser() {
    XmlParser* parser = nullptr;
    try {
        CountAllocation();
        parser = new XmlParser;
    } catch (const std::exception&) {
        XmlErrorCode = kXmlErrorOutOfMemory;
        return nullptr;
    }
    // No encoding given: Expat detects the document's own and hands out UTF-8.
    parser->expat = XML_ParserCreate(nullptr);
    if (!parser->expat) {
        delete parser;
        XmlErrorCode = kXmlErrorOutOfMemory;
        return nullptr;
    }
    XML_SetUserData(parser->expat, parser);
    XML_SetXmlDeclHandler(parser->expat, OnXmlDeclaration);
    XML_SetElementHandler(parser->expat, OnStartElement, OnEndElement);
    XML_SetCharacterDataHandler(parser->expat, OnCharacterData);
    parser->ignoreWhitespace = 1;
    return parser;
}

void SetIgnoreWhitespace(XmlParser* parser, int flag) {
    if (parser) parser->ignoreWhitespace = flag ? 1 : 0;
}

int ParseXmlBuffer(XmlParser* parser, const char* bytes, size_t length) {
    if (!parser || !parser->expat) return 0;
    parser->parsed = 0;
    if (!bytes) length = 0;
    XML_Status status = XML_STATUS_OK;
    // Cutting the length to int would parse a wrong part of a buffer above
    // 2 GiB; such a buffer goes in pieces instead of one call.
    if (length > static_cast<size_t>(INT_MAX)) {
        while (length > kLargestPiece && status == XML_STATUS_OK) {
            status = XML_Parse(parser->expat, bytes, static_cast<int>(kLargestPiece), XML_FALSE);
            bytes += kLargestPiece;
            length -= kLargestPiece;
        }
    }
    if (status == XML_STATUS_OK) status = XML_Parse(parser->expat, bytes, static_cast<int>(length), XML_TRUE);
    return FinishParse(parser, status);
}

char* GetXmlParseBuffer(XmlParser* parser, size_t length) {
    if (!parser || !parser->expat || length == 0 || length > static_cast<size_t>(INT_MAX)) return nullptr;
    char* buffer = static_cast<char*>(XML_GetBuffer(parser->expat, static_cast<int>(length)));
    parser->bufferLength = buffer ? length : 0;
    return buffer;
}

int ParseXmlInPlace(XmlParser* parser, size_t length) {
    if (!parser || !parser->expat) return 0;
    parser->parsed = 0;
    // Expat would take a length beyond its buffer on trust.
    if (length > parser->bufferLength) return 0;
    parser->bufferLength = 0;
    return FinishParse(parser, XML_ParseBuffer(parser->expat, static_cast<int>(length), XML_TRUE));
}

XmlTree* GetXmlTree(XmlParser* parser) {
    if (!parser || !parser->parsed) return nullptr;
    XmlTree* tree = parser->tree;
    parser->tree = nullptr;
    parser->current = nullptr;
    // The name table points into the tree's arena, which now goes with the tree.
    parser->names.clear();
    parser->nameCount = 0;
    return tree;
}

void FreeXmlTree(XmlTree* tree) { delete tree; }

void FreeXmlParser(XmlParser* parser) {
    if (!parser) return;
    FreeXmlTree(parser->tree);
    if (parser->expat) XML_ParserFree(parser->expat);
    delete parser;
}

int GetXmlError() { return XmlErrorCode; }

const char* GetXmlErrorText(int code) {
    switch (code) {
        case kXmlErrorNone: return "No error";
        case kXmlErrorOutOfMemory: return "Out of memory";
        case kXmlErrorIo: return "Input/Output error";
        case kXmlErrorCallback: return "Callback error";
        case kXmlErrorExpat: return "Internal Expat parser error";
        default:
            std::snprintf(UnknownErrorText, sizeof UnknownErrorText, "Unknown error code (%d)", code);
            return UnknownErrorText;
    }
}

int GetExpatErrorCode(const XmlParser* parser) {
    return parser && parser->expat ? static_cast<int>(XML_GetErrorCode(parser->expat)) : 0;
}

int GetExpatErrorLine(const XmlParser* parser) {
    return parser && parser->expat ? SaturatedInt(XML_GetCurrentLineNumber(parser->expat)) : 0;
}

int GetExpatErrorColumn(const XmlParser* parser) {
    return parser && parser->expat ? SaturatedInt(XML_GetCurrentColumnNumber(parser->expat)) : 0;
}

const char* GetExpatErrorText(int expatCode) {
    // Expat has no text for a code it does not know; "%s" must never get nullptr.
    const XML_LChar* text = XML_ErrorString(static_cast<XML_Error>(expatCode));
    return text ? text : "";
}

int AddXmlAttribute(XmlTree* tree, XmlElement* element, const char* name, const char* value) {
    if (!tree || !tree->arena || !element || !name || !value) return 0;
    try {
        XmlArena& arena = *tree->arena;
        CountAllocation();
        for (XmlAttribute* attribute = element->firstAttribute; attribute; attribute = attribute->next) {
            if (std::strcmp(attribute->name, name) == 0) {
                attribute->value = ArenaText(arena, value, std::strlen(value));
                return 1;
            }
        }
        const char* nameCopy = ArenaText(arena, name, std::strlen(name));
        LinkAttribute(element, NewAttribute(arena, nameCopy, ArenaText(arena, value, std::strlen(value))));
        return 1;
    } catch (const std::exception&) {
        XmlErrorCode = kXmlErrorOutOfMemory;
        return 0;
    }
}

void VisitXmlPostOrder(XmlElement* root, void (*visit)(XmlElement*, void*), void* context) {
    if (!visit) return;
    ForEachXmlPostOrder(root, [visit, context](XmlElement* element) { visit(element, context); });
}

void SetXmlAllocationFailure(unsigned countdown) { AllocationFailureCountdown = countdown; }
