// The XML element tree: a whole document in memory goes through Expat in one
// final call and comes out as a complete tree of elements that the song and
// instrument reader walks. Names and texts are UTF-8 bytes as Expat delivers
// them, whatever encoding the document declares.
#pragma once

#include <expat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

inline constexpr int kXmlErrorNone = 0;
inline constexpr int kXmlErrorOutOfMemory = 1;
inline constexpr int kXmlErrorIo = 2;        // kept for its text; nothing here sets it
inline constexpr int kXmlErrorCallback = 3;  // kept for its text; nothing here sets it
inline constexpr int kXmlErrorExpat = 4;

// A tree's elements, attributes and texts live in one arena that the tree
// owns: a document of a million elements costs a few hundred blocks instead of
// millions of heap pieces, and releasing it costs no walk at all.
struct XmlArena;
struct XmlArenaFree {
    void operator()(XmlArena* arena) const;
};

struct XmlAttribute {
    const char* name = nullptr;   // in the tree's arena
    const char* value = nullptr;  // in the tree's arena
    XmlAttribute* previous = nullptr;
    XmlAttribute* next = nullptr;
};

// Links, not containers: appending a child costs nothing beyond the element.
struct XmlElement {
    const char* name = nullptr;      // in the tree's arena; equal names share one copy
    const char* contents = nullptr;  // nullptr: absent (no text, or white space only)
    unsigned attributeCount = 0;
    unsigned childCount = 0;
    XmlAttribute* firstAttribute = nullptr;
    XmlAttribute* lastAttribute = nullptr;
    XmlElement* parent = nullptr;
    XmlElement* firstChild = nullptr;
    XmlElement* lastChild = nullptr;
    XmlElement* previous = nullptr;
    XmlElement* next = nullptr;
};

struct XmlTree {
    std::optional<std::string> version;   // from the XML declaration
    std::optional<std::string> encoding;  // from the XML declaration
    XmlElement* root = nullptr;
    std::unique_ptr<XmlArena, XmlArenaFree> arena;  // holds root and everything below it
};

// One distinct element or attribute name of the document being parsed.
struct XmlNameSlot {
    const char* text = nullptr;  // nullptr: a free slot
    uint64_t head = 0;           // the first eight bytes (fewer: zero-padded)
    size_t length = 0;
    uint32_t hash = 0;
};

struct XmlParser {
    XML_Parser expat = nullptr;
    XmlTree* tree = nullptr;        // owned here until GetXmlTree hands it out
    XmlElement* current = nullptr;  // innermost open element; parent links form the open-element stack
    int ignoreWhitespace = 1;
    int parsed = 0;   // the last parse succeeded
    int stopped = 0;  // a handler ran out of memory; later events are ignored
    // The texts of the open elements, innermost last: a child's text is
    // appended after its parent's and taken off at the child's end, so an
    // element's own text is always one piece at the end, built without
    // reallocating once the buffer has grown to the document's needs.
    std::string openText;
    std::vector<size_t> openTextStarts;  // where each open element's text begins
    std::vector<XmlNameSlot> names;      // open addressing; the texts live in the tree's arena
    size_t nameCount = 0;
    size_t bufferLength = 0;  // what GetXmlParseBuffer handed out, not yet parsed
};

// nullptr (code 1) when memory or the Expat parser cannot be had.
XmlParser* CreateXmlParser();
void SetIgnoreWhitespace(XmlParser* parser, int flag);
// Parses the whole buffer as the document's final piece. 0 with code 4 when
// Expat rejects it, 0 with code 1 when memory ran out while the tree was built.
int ParseXmlBuffer(XmlParser* parser, const char* bytes, size_t length);
// The same without a copy: Expat keeps its own copy of a caller's buffer, as
// large as the document. Instead the caller writes the document straight into
// the buffer that this returns (length bytes, not zero-filled; nullptr when it
// cannot be had or length is 0 or above INT_MAX) and then parses it with
// ParseXmlInPlace as the final piece. The buffer belongs to the parser.
char* GetXmlParseBuffer(XmlParser* parser, size_t length);
// Results as ParseXmlBuffer; also 0 (no code set) for a length beyond the
// buffer handed out, or when none was.
int ParseXmlInPlace(XmlParser* parser, size_t length);
// After a successful parse: the tree, which now belongs to the caller
// (FreeXmlTree). nullptr before that or after a failed parse.
XmlTree* GetXmlTree(XmlParser* parser);
// The walk over a tree of a million elements asks these of every one: inline.
inline XmlElement* GetRootElement(const XmlTree* tree) { return tree ? tree->root : nullptr; }
inline const char* GetElementName(const XmlElement* element) { return element ? element->name : nullptr; }
// nullptr when the element has no text of its own.
inline const char* GetElementContents(const XmlElement* element) { return element ? element->contents : nullptr; }
// child nullptr: the first child; otherwise the child's next sibling.
inline XmlElement* NextChildElement(const XmlElement* parent, const XmlElement* child) {
    if (child) return child->next;
    return parent ? parent->firstChild : nullptr;
}
void FreeXmlTree(XmlTree* tree);      // safe on nullptr
// Also releases a tree that was not handed out, e.g. a failed parse's partial one.
void FreeXmlParser(XmlParser* parser);  // safe on nullptr

// The last failure of the layer in this process (never reset to 0).
int GetXmlError();
// The text of a code; for an unknown code "Unknown error code (N)" in one
// process-wide buffer that the next such call overwrites.
const char* GetXmlErrorText(int code);
int GetExpatErrorCode(const XmlParser* parser);
int GetExpatErrorLine(const XmlParser* parser);    // counted from 1
int GetExpatErrorColumn(const XmlParser* parser);  // counted from 0
// Expat's message; "" for a code Expat does not know.
const char* GetExpatErrorText(int expatCode);

// Adds an attribute at the end of the list of an element of the tree, or
// replaces the value of one with the same name (byte for byte) in its place.
// 1, or 0 (code 1) when memory runs out, the element then unchanged.
int AddXmlAttribute(XmlTree* tree, XmlElement* element, const char* name, const char* value);

// Post-order without recursion: each child of an element (in document order,
// each with its own children first), then the element itself. The visitor
// may read anything but must not change the tree's links.
void VisitXmlPostOrder(XmlElement* root, void (*visit)(XmlElement*, void*), void* context);

inline constexpr uintptr_t kXmlWalkPrefetchDistance = 2048;

// The same walk with the visitor inlined, for walks over every element of a
// large document, where a call through a pointer per element shows.
template <typename Visit>
void ForEachXmlPostOrder(XmlElement* root, Visit&& visit) {
    if (!root) return;
    XmlElement* element = root;
    while (element->firstChild) element = element->firstChild;
    for (;;) {
#if defined(__GNUC__) || defined(__clang__)
        // Elements lie in document order in their blocks, and a post-order
        // walk moves forward through them almost all the time: asking for the
        // memory a little ahead halves the walk over a tree larger than the cache.
        const uintptr_t ahead = reinterpret_cast<uintptr_t>(element) + kXmlWalkPrefetchDistance;
        __builtin_prefetch(reinterpret_cast<const void*>(ahead));
#endif
        XmlElement* next = element == root ? nullptr : element->next;
        XmlElement* parent = element->parent;
        visit(element);
        if (element == root) return;
        if (next) {
            element = next;
            while (element->firstChild) element = element->firstChild;
        } else {
            element = parent;
        }
    }
}

// Makes the countdown-th allocation of the layer from now on fail as if memory
// had run out (0: never). Out-of-memory paths are unreachable otherwise, so
// tests and the fuzzer use this; it switches itself off once it has fired.
void SetXmlAllocationFailure(unsigned countdown);

struct XmlParserFree {
    void operator()(XmlParser* parser) const { FreeXmlParser(parser); }
};
using XmlParserPtr = std::unique_ptr<XmlParser, XmlParserFree>;
struct XmlTreeFree {
    void operator()(XmlTree* tree) const { FreeXmlTree(tree); }
};
using XmlTreePtr = std::unique_ptr<XmlTree, XmlTreeFree>;
